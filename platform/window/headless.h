// The headless backend: windows without a screen, a scripted user and a manual clock, for tests.
//
// A HeadlessSession takes over the window system while it lives. The test writes what the user
// will do as a list of steps; each round of the innermost message loop runs the next step.
// Steps address controls of the active window (the innermost modal dialog or box) by id. When a
// loop waits and no step is left, the session notes an error and every loop ends (dialogs
// return -1), so a test never hangs. Time stands still except through Advance.
//
//   #include <gtest/gtest.h>
//   #include "platform/window/dialog.h"
//   // given: Dialog& dialog
//   vtr::platform::HeadlessSession session;
//   session.user().Type(179, "きょう").Click(vtr::platform::kIdOk).Answer(vtr::platform::kIdOk);
//   int result = dialog.DoModal();
//   EXPECT_TRUE(session.errors().empty());
//   EXPECT_EQ(session.message_boxes().size(), 1u);
#ifndef VTR_PLATFORM_WINDOW_HEADLESS_H_
#define VTR_PLATFORM_WINDOW_HEADLESS_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/menu.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace vtr::platform {

namespace internal {
class HeadlessBackend;
}  // namespace internal

class ScriptedUser {
 public:
  // Left click in the middle of control `id` of the active window.
  ScriptedUser& Click(int id);
  // Click on the arrow part of menu button `id`.
  ScriptedUser& ClickArrow(int id);
  // Focuses control `id` and types `utf8` character by character.
  ScriptedUser& Type(int id, std::string_view utf8);
  // Key press (down and up) to the focused control; `modifiers` are held meanwhile.
  ScriptedUser& Key(int key, uint8_t modifiers = kModNone);
  ScriptedUser& KeyDown(int key);
  ScriptedUser& KeyUp(int key);
  // The key comes up while something outside the windows holds the keyboard (a menu of the
  // toolkit): the keyboard knows it, no window hears it.
  ScriptedUser& ReleaseUnseen(int key);
  ScriptedUser& Focus(int id);
  // Chooses entry `index` of combo box or list view `id`.
  ScriptedUser& Select(int id, int index);
  // Acts on scroll bar or trackbar `id` (`pos` for thumb actions).
  ScriptedUser& Scroll(int id, ScrollCode code, int pos = 0);
  // Presses the up (+1) or down (-1) arrow of spin `id`.
  ScriptedUser& Spin(int id, int delta);
  // Mouse actions at `at` in control `id`'s client coordinates (id 0: the active window itself).
  ScriptedUser& MouseDown(int id, Point at, MouseButton button = MouseButton::kLeft,
                          uint8_t modifiers = kModNone);
  ScriptedUser& MouseMove(int id, Point at, uint8_t modifiers = kModNone);
  ScriptedUser& MouseUp(int id, Point at, MouseButton button = MouseButton::kLeft);
  ScriptedUser& DoubleClick(int id, Point at);
  // Wheel turn: +120 per notch away from the user.
  ScriptedUser& Wheel(int id, Point at, int delta);
  ScriptedUser& DropFiles(std::vector<std::string> paths);
  // Answers the popup menu that shows next (0: dismisses it).
  ScriptedUser& ChooseMenuItem(int command);
  // Presses button `button` (kIdYes...) of the message box that is showing.
  ScriptedUser& Answer(int button);
  // Answers the file dialog that shows next; an empty path cancels it.
  ScriptedUser& ChooseFile(std::string path, int filter_index = 1);
  // Moves the manual clock on; timers due on the way fire in order.
  ScriptedUser& Advance(int ms);
  // Blocks (at most a few seconds) until one more command was posted (from any thread) since
  // the session began than at the previous wait.
  ScriptedUser& WaitForPost();
  // Another window takes the mouse capture.
  ScriptedUser& LoseCapture();
  // Presses the close box of the active window (kIdCancel).
  ScriptedUser& Close();
  // Runs `check` at this point of the script (inside whatever loop runs then).
  ScriptedUser& Do(std::function<void()> check);

 private:
  friend class HeadlessSession;
  explicit ScriptedUser(internal::HeadlessBackend* backend) : backend_(backend) {}
  internal::HeadlessBackend* backend_;
};

struct ShownMessageBox {
  std::string text;
  std::string caption;
  uint32_t style = 0;
  int answer = 0;
  // The cursor when the box came up: the wait cursor when work that shows it was under way.
  Cursor cursor = Cursor::kArrow;
};

struct ShownMenu {
  Menu menu;
  Point at;
  int chosen = 0;
};

class HeadlessSession {
 public:
  HeadlessSession();
  ~HeadlessSession();
  HeadlessSession(const HeadlessSession&) = delete;
  HeadlessSession& operator=(const HeadlessSession&) = delete;

  ScriptedUser& user() { return user_; }
  int64_t now_ms() const;
  size_t steps_left() const;

  const std::vector<ShownMessageBox>& message_boxes() const;
  const std::vector<ShownMenu>& menus() const;
  const std::vector<FileDialogRequest>& file_dialogs() const;
  const std::vector<std::string>& opened_documents() const;
  // Without a browser, opening a document is recorded and fails.
  void set_browser_present(bool present);
  // The top-level windows (their handles) the layer asked the desktop to give the keyboard and
  // bring to the front, in order.
  const std::vector<void*>& activations() const;
  // The desktop's clipboard, which every program shares: what the program copied last, or
  // what another program put there.
  const std::string& desktop_clipboard() const;
  void CopyInAnotherProgram(std::string utf8);
  // The desktop answers a paste at once; while held, it answers none until DeliverHeldPastes,
  // as the answer of a real desktop comes later, as an event.
  void HoldPastes();
  void DeliverHeldPastes();
  // What went wrong with the script: steps that found nothing to act on, loops left waiting.
  const std::vector<std::string>& errors() const;

  // Paints `window` (its own face, not its children) and returns the operations.
  std::vector<std::string> Paint(Window& window);

 private:
  std::unique_ptr<internal::HeadlessBackend> backend_;
  ScriptedUser user_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_HEADLESS_H_
