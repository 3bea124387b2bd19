// The one window system of the process: registry of live windows, posted commands, timers,
// modal loops, input routing and the chosen backend. Layer internal.
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_SYSTEM_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_SYSTEM_H_

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace vtr::platform::internal {

// How a window is shown: the backend's part of a window (FLTK widget) or nothing (headless).
class Peer {
 public:
  virtual ~Peer() = default;
  // The model changed: show the new state.
  virtual void Sync() = 0;
  virtual void Repaint() = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  // A top-level window is about to show / has been torn down.
  virtual void Attach(Window& top) = 0;
  virtual void Detach(Window& top) = 0;
  // One round of waiting for input, at most `timeout_ms` (-1: until something happens).
  virtual void WaitForInput(int64_t timeout_ms) = 0;
  // Wakes WaitForInput; safe from any thread.
  virtual void Wake() = 0;
  // Milliseconds of the backend's clock.
  virtual int64_t NowMs() = 0;
  virtual int TrackPopupMenu(Window* owner, const Menu& menu, Point at) = 0;
  virtual FileDialogResult ShowFileDialog(Window* owner, const FileDialogRequest& request) = 0;
  virtual bool OpenDocument(std::string_view document) = 0;
  virtual void CursorChanged(Cursor) {}
  // Puts `utf8` on the desktop's clipboard, where every program finds it.
  virtual void CopyToClipboard(const std::string& /*utf8*/) {}
  // Asks the desktop for the clipboard's text on behalf of `receiver`. The text arrives later,
  // through System::DeliverPaste, or never when the clipboard holds no text.
  virtual void RequestClipboard(Window& /*receiver*/) {}
  // Gives the top-level window `top` the keyboard and brings it to the front: through the
  // window manager where one runs, directly otherwise.
  virtual void Activate(Window& /*top*/) {}
  virtual void MoveCursor(Point) {}
  // The cursor is held inside `screen_rect` (screen coordinates), or set free (nothing).
  virtual void ClipCursor(const std::optional<Rect>&) {}
  // The keyboard's own record of whether `key` (a Key code) is held, as of the event being
  // handled; nothing when the backend keeps none, and the system goes by the presses it saw.
  // A backend whose menus or choosers take the keyboard with loops of their own keeps one, as
  // the key-up of a modifier may go to them and never reach the windows.
  virtual std::optional<bool> KeyHeld(int) { return std::nullopt; }
  // The part of the screen at `near` that windows may use (screen coordinates); the headless
  // screen is 1024 x 768.
  virtual Rect ScreenArea(Point /*near*/) { return Rect{0, 0, 1024, 768}; }
  // Called when the message box `box` is about to run (headless records it).
  virtual void MessageBoxShown(Window&, std::string_view, std::string_view, uint32_t) {}
  virtual void MessageBoxAnswered(int) {}
  // True when the backend may run a modal loop now (headless: the user has steps left).
  virtual bool CanWait() { return true; }
};

class System {
 public:
  static System& Get();

  Backend& backend();
  void Install(Backend* backend);  // nullptr: none
  bool has_backend() const { return backend_ != nullptr; }

  void* Register(Window* window);
  void Unregister(Window* window);
  Window* Lookup(void* handle) const;

  void Post(void* handle, int command_id);
  // Waits (at most `timeout_ms`) until `count` commands were posted since the process began;
  // true when they were.
  bool WaitForPosts(uint64_t count, int64_t timeout_ms);
  uint64_t posted_total() const;
  void DeliverPosts();

  void SetTimer(Window* window, int timer_id, int period_ms);
  void KillTimer(Window* window, int timer_id);
  void KillTimers(Window* window);
  std::optional<int64_t> NextDue() const;
  // Fires every timer due at `now` (each at most once per call, earliest first).
  void FireDueTimers(int64_t now);

  // One round of the message loop.
  void PumpOnce();
  void PushModal(Window* window) { modal_.push_back(window); }
  void PopModal(Window* window);
  // The window that takes input now: the innermost modal window, else the newest top level.
  Window* Active() const;
  const std::vector<Window*>& modal_stack() const { return modal_; }
  void TopLevelShown(Window* window);
  void TopLevelGone(Window* window);
  bool aborting() const { return aborting_; }
  void set_aborting(bool aborting) { aborting_ = aborting; }

  // Input, from the backends and the scripted user.
  void DispatchMouse(Window& top, MouseEvent event);  // event.point in top's client coordinates
  // True when a filter, the control or the dialog used the key.
  bool DispatchKey(KeyEvent event);
  void DispatchDrop(Window& top, const std::vector<std::string>& files);
  // The mouse left `top` (not while the capture holds it): the window under it gets its leave.
  void DispatchLeave(Window& top);
  Window* HitWindow(Window& top, Point p, Point* local) const;

  Window* capture() const { return capture_; }
  void SetCapture(Window* window);
  void ReleaseCapture();
  Window* focus() const { return focus_; }
  void SetFocus(Window* window);
  // Who holds the keyboard before a window of the toolkit or the desktop opens over `owner`
  // (a file chooser, a popup menu, a modal loop): the focused control and its top-level window,
  // or `owner`'s when nothing has the focus.
  struct KeyboardHolder {
    void* focus = nullptr;
    void* top = nullptr;
  };
  KeyboardHolder HolderOfKeyboard(Window* owner) const;
  // That window has gone: the control gets the focus back (when it still lives, shows and is
  // enabled) and its top-level window the keyboard, as on every desktop.
  void GiveKeyboardBack(const KeyboardHolder& holder);
  Window* hover() const { return hover_; }
  // From the backend's record of the keyboard when it keeps one, else from the presses seen.
  bool IsKeyDown(int key) const;
  uint8_t modifiers() const;

  Cursor cursor() const { return cursor_; }
  void UpdateCursor(Window* over, Point local);
  void AddWait(int delta);
  Point cursor_pos() const { return cursor_pos_; }
  void set_cursor_pos(Point p);
  void set_cursor_clip(std::optional<Rect> clip) { cursor_clip_ = clip; }
  const std::optional<Rect>& cursor_clip() const { return cursor_clip_; }

  // Pasted text from the desktop arrives for the window named `handle` (dropped when it died
  // meanwhile or is no edit).
  void DeliverPaste(void* handle, std::string_view utf8);

  std::string title = "Voxtrel";

 private:
  System() = default;
  void Forget(Window* window);

  Backend* backend_ = nullptr;
  std::unique_ptr<Backend> default_backend_;
  std::unordered_map<uintptr_t, Window*> windows_;
  uintptr_t next_handle_ = 0x1000;

  mutable std::mutex post_mutex_;
  std::condition_variable post_cv_;
  std::deque<std::pair<void*, int>> posts_;
  uint64_t posted_total_ = 0;

  struct Timer {
    void* handle;
    int id;
    int period;
    int64_t due;
  };
  std::vector<Timer> timers_;

  std::vector<Window*> modal_;
  std::vector<Window*> tops_;
  bool aborting_ = false;

  Window* capture_ = nullptr;
  Window* focus_ = nullptr;
  Window* hover_ = nullptr;
  std::set<int> keys_down_;
  Cursor cursor_ = Cursor::kArrow;
  int wait_count_ = 0;
  Point cursor_pos_;
  std::optional<Rect> cursor_clip_;
};

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_SYSTEM_H_
