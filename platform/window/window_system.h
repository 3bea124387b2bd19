// The window system: the services every window shares, whichever backend shows them.
//
// One instance lives in the platform library, so the program and the dialog libraries it loads
// share one command queue, one set of timers and one mouse capture. The backend is chosen once
// per process (UseFltkBackend, or a HeadlessSession in tests); without a choice the first
// window uses FLTK.
//
//   #include "platform/window/dialog.h"
//   // given: Dialog& dialog
//   // from a sound thread: arrives once, as OnCommand(1003, Notice::kClicked), on the UI thread
//   vtr::platform::PostCommand(dialog.handle(), 1003);
//
//   int answer =
//       vtr::platform::MessageBox(&dialog, "保存しますか?", "Voxtrel",
//                                 vtr::platform::kMbYesNoCancel | vtr::platform::kMbIconQuestion);
//   if (answer == vtr::platform::kIdYes) { /* ... */ }
#ifndef VTR_PLATFORM_WINDOW_WINDOW_SYSTEM_H_
#define VTR_PLATFORM_WINDOW_WINDOW_SYSTEM_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/geometry.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

namespace vtr::platform {

// Shows real windows through FLTK from now on. False when no display can be opened.
[[nodiscard]] bool UseFltkBackend();

// Posts command `command_id` to the window named by `window` (Window::handle()). Safe from any
// thread; the command arrives exactly once on the user-interface thread as
// OnCommand(command_id, Notice::kClicked), also while a nested modal loop runs. A command for a
// window that has died meanwhile is dropped.
void PostCommand(void* window, int command_id);

// Message box style bits and the button ids it returns (kIdOk, kIdCancel, kIdYes, kIdNo).
inline constexpr uint32_t kMbOk = 0x00;
inline constexpr uint32_t kMbYesNoCancel = 0x03;
inline constexpr uint32_t kMbYesNo = 0x04;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconWarning = 0x30;

// Shows a modal box over `owner` (nullptr: no owner; an empty caption then becomes the
// application title) and returns the pressed button. Escape answers kIdCancel in a box with a
// Cancel button and kIdOk in an OK box; a Yes/No box must be answered with a button.
int MessageBox(Window* owner, std::string_view text_utf8, std::string_view caption_utf8,
               uint32_t style);

// Title that owner-less message boxes show.
void SetApplicationTitle(std::string_view utf8);
const std::string& ApplicationTitle();

// Shows `menu` as a popup at screen point `at` and returns the chosen command, 0 when dismissed.
// The control that had the focus has it again afterwards, and its window the keyboard.
int TrackPopupMenu(Window* owner, const Menu& menu, Point at);

struct FileFilter {
  std::string description;  // "Kelvox (*.kvx)"
  std::string patterns;     // "*.kvx;*.txt"
};

struct FileDialogRequest {
  bool save = false;
  std::string title;
  std::vector<FileFilter> filters;
  int filter_index = 1;   // 1-based filter shown first
  std::string folder;     // starting folder; empty: the current one
  std::string file_name;  // proposed name
};

struct FileDialogResult {
  bool ok = false;       // false: cancelled
  std::string path;      // chosen file (never asked about overwriting)
  int filter_index = 1;  // 1-based filter in use when the user chose
};

// Runs the desktop's file chooser, which gets the keyboard while it shows; afterwards the control
// that had the focus has it again, and its window the keyboard.
FileDialogResult ShowFileDialog(Window* owner, const FileDialogRequest& request);

// Opens a document or address in the desktop's browser; false when that could not start.
bool OpenInBrowser(std::string_view document);

// Mouse capture: mouse events go to `window` until released. The window losing it (to another
// window or by the system) gets OnCaptureLost.
void SetCapture(Window* window);
void ReleaseCapture();
Window* GetCapture();

// Limits the cursor to a screen rectangle (nullptr: no limit).
void ClipCursor(const Rect* screen_rect);
Point CursorPos();
void SetCursorPos(Point screen);

// True while the key is held down.
bool IsKeyDown(int key);

// Shows the wait cursor while it lives: on the screen at once, before the work that follows
// (which keeps the message loop from running) begins.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// The cursor the system shows now (over the window under the mouse).
Cursor CurrentCursor();

// Puts `utf8` on the desktop's clipboard (the CLIPBOARD selection of X), where every program
// finds it. Pasting goes the other way through Edit::Paste, whose text arrives later.
void SetClipboardText(std::string_view utf8);

// Runs a nested message loop until `done` returns true (checked after every event). A drag
// with its own loop uses it; modal dialogs and boxes run one of their own.
void PumpUntil(const std::function<bool()>& done);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_WINDOW_SYSTEM_H_
