// Windows: the one model every dialog, control and custom-painted window shares.
//
// A Window has an id (its control id inside a dialog), a rectangle in its parent's client
// coordinates (screen coordinates for a top-level window), text, visibility, enabled state and
// children. Input and notices reach it through virtual handlers that a subclass overrides;
// a handler returns true only when it used the event. The backend (headless for tests, FLTK for
// real windows, see window_system.h) only shows the model and feeds user input into it.
//
// Routing follows the habits of the dialogs: a control's notice goes to its parent's
// OnCommand(id, notice); a menu choice and a posted command arrive as OnCommand(id,
// Notice::kClicked); scroll bars and trackbars call the parent's OnScroll. Changing a control
// from code (SetText, SetCheck, SetPos, SetCurSel...) never raises a notice.
//
//   class Graph : public vtr::platform::Window {
//     void OnPaint(vtr::platform::Canvas& canvas) override {
//       canvas.FillRect(client_rect(), vtr::platform::colors::kWhite);
//     }
//     bool OnMouse(const vtr::platform::MouseEvent& event) override {
//       return event.kind == vtr::platform::MouseEvent::Kind::kDown;
//     }
//   };
#ifndef VTR_PLATFORM_WINDOW_WINDOW_H_
#define VTR_PLATFORM_WINDOW_WINDOW_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/canvas.h"
#include "platform/window/geometry.h"
#include "platform/window/menu.h"

namespace vtr::platform {

namespace internal {
class Peer;
}  // namespace internal

class Dialog;

// Key codes: the letters 'A'-'Z' and digits '0'-'9' stand for themselves.
enum Key : int {
  kKeyBack = 0x08,
  kKeyTab = 0x09,
  kKeyReturn = 0x0D,
  kKeyShift = 0x10,
  kKeyControl = 0x11,
  kKeyAlt = 0x12,
  kKeyEscape = 0x1B,
  kKeySpace = 0x20,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyLeft = 0x25,
  kKeyUp = 0x26,
  kKeyRight = 0x27,
  kKeyDown = 0x28,
  kKeyInsert = 0x2D,
  kKeyDelete = 0x2E,
  kKeyMenu = 0x5D,  // the key that opens the focused control's own menu
  kKeyF1 = 0x70,
  kKeyF10 = 0x79,
};

// Command button ids, the numbers message boxes return.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

enum class MouseButton : int { kNone, kLeft, kRight, kMiddle };

struct MouseEvent {
  enum class Kind : int { kDown, kUp, kMove, kDoubleClick, kWheel };
  static MouseEvent At(Kind kind, MouseButton button, Point point, uint8_t modifiers = 0) {
    MouseEvent event;
    event.kind = kind;
    event.button = button;
    event.point = point;
    event.modifiers = modifiers;
    return event;
  }
  Kind kind = Kind::kMove;
  MouseButton button = MouseButton::kNone;
  Point point;             // in the receiving window's client coordinates
  Point screen;            // in screen coordinates
  uint8_t modifiers = 0;   // Modifier bits
  bool left_down = false;  // left button held (during moves)
  int wheel_delta = 0;     // kWheel: +120 per notch away from the user, -120 towards
};

struct KeyEvent {
  enum class Kind : int { kDown, kUp, kChar };
  Kind kind = Kind::kDown;
  int key = 0;            // kDown/kUp: Key code
  char32_t ch = 0;        // kChar: the character
  uint8_t modifiers = 0;  // Modifier bits
};

// Notices a control sends to its parent (the code beside the id of a command).
enum class Notice : int {
  kClicked = 0,  // button click, menu choice, accelerator, posted command
  kChange,       // the user changed an edit's text
  kSelChange,    // the user chose another entry of a combo box or list view
  kDropDown,     // the arrow part of a menu button was pressed
};

// Scroll bar and trackbar actions, with the numbers of the dialogs' scroll codes.
enum class ScrollCode : int {
  kLineUp = 0,  // also line left
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
  kTop = 6,
  kBottom = 7,
  kEndScroll = 8,
};

enum class Cursor : int { kArrow, kCross, kSizeNS, kSizeWE, kWait, kIBeam };

class Window {
 public:
  Window();
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // An opaque value that names this window while it lives (for PostCommand from any thread).
  void* handle() const { return handle_; }
  // The live window named by `handle`, or nullptr. User-interface thread only.
  static Window* FromHandle(void* handle);

  int id() const { return id_; }
  Window* parent() const { return parent_; }
  // The top-level window this one belongs to (itself when it has no parent).
  Window* TopLevel();
  // The child with control id `id` (searched depth first), or nullptr.
  Window* Child(int id) const;
  const std::vector<std::unique_ptr<Window>>& children() const { return children_; }

  const Rect& rect() const { return rect_; }
  Rect client_rect() const { return Rect{0, 0, rect_.width(), rect_.height()}; }
  void SetRect(const Rect& rect);
  void MoveTo(Point top_left) {
    SetRect(rect_.Offset(top_left.x - rect_.left, top_left.y - rect_.top));
  }
  Point ClientToScreen(Point p) const;
  Point ScreenToClient(Point p) const;
  Rect ScreenRect() const;

  bool visible() const { return visible_; }
  void Show(bool show);
  // Visible itself and through every parent.
  bool IsShown() const;
  bool enabled() const { return enabled_; }
  void Enable(bool enable);
  // Enabled itself and through every parent.
  bool IsEnabled() const;

  const std::string& text() const { return text_; }
  // Sets the text from code (no notice).
  virtual void SetText(std::string_view utf8);

  void SetFont(const Font& font);
  const Font& font() const { return font_; }

  void SetFocus();
  bool HasFocus() const;

  // Asks for a repaint; backends paint soon, once, double buffered.
  void Invalidate();

  // Shape: only the region's pixels belong to the window (hit testing and painting).
  void SetShape(Region region);
  const Region& shape() const { return shape_; }
  // True when `p` (client coordinates) lies inside the window and its shape.
  bool HitTest(Point p) const;

  // Cursor shown over the window unless OnSetCursor says otherwise.
  void SetCursorShape(Cursor cursor) { cursor_ = cursor; }
  Cursor cursor_shape() const { return cursor_; }

  void SetTooltip(std::string_view utf8);
  const std::string& tooltip() const { return tooltip_; }

  // Timer `timer_id` fires OnTimer every `period_ms` until killed or the window dies;
  // setting it again restarts it with the new period.
  void SetTimer(int timer_id, int period_ms);
  void KillTimer(int timer_id);

  void DragAcceptFiles(bool accept) { accepts_files_ = accept; }
  bool accepts_files() const { return accepts_files_; }

  // Handlers. Defaults do nothing and report the event unused.
  virtual void OnPaint(Canvas& canvas);
  virtual bool OnMouse(const MouseEvent& event);
  virtual void OnMouseEnter() {}
  virtual void OnMouseLeave() {}
  // Cursor for the point, or nothing for cursor_shape().
  virtual std::optional<Cursor> OnSetCursor(Point) { return std::nullopt; }
  // The mouse capture went to another window (or was released by the system).
  virtual void OnCaptureLost() {}
  virtual bool OnKey(const KeyEvent& event);
  virtual void OnTimer(int) {}
  virtual void OnCommand(int, Notice) {}
  virtual void OnScroll(int, ScrollCode, int) {}
  virtual void OnDropFiles(const std::vector<std::string>&) {}
  virtual void OnFocus(bool) {}

  // Adds a child; the parent owns it. Its rect is in this window's client coordinates.
  Window* AddChild(std::unique_ptr<Window> child, int id, const Rect& rect);
  // Replaces the child `id` by `replacement` at the same place, with the same visibility and
  // enabled state (the way a dialog attaches its own class to a template control).
  Window* ReplaceChild(int id, std::unique_ptr<Window> replacement);

  // Backend link (layer internal).
  internal::Peer* peer() const { return peer_.get(); }
  void set_peer(std::unique_ptr<internal::Peer> peer);
  // Tells the backend the model changed (layer internal).
  void Changed();

 protected:
  void set_id(int id) { id_ = id; }
  // Replaces `length` bytes of the text at byte `start` by `utf8` (no notice): an edit of a long
  // text costs the size of the change, not of the text.
  void ReplaceText(size_t start, size_t length, std::string_view utf8);

 private:
  friend class Dialog;
  void* handle_ = nullptr;
  int id_ = 0;
  Window* parent_ = nullptr;
  std::vector<std::unique_ptr<Window>> children_;
  Rect rect_;
  bool visible_ = true;
  bool enabled_ = true;
  std::string text_;
  Font font_;
  Region shape_;
  Cursor cursor_ = Cursor::kArrow;
  std::string tooltip_;
  bool accepts_files_ = false;
  std::unique_ptr<internal::Peer> peer_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_WINDOW_H_
