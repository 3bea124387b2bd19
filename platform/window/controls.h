// The controls a dialog template can hold, addressed by id through Dialog::Item<T>(id).
//
// Each control keeps its state in the model (text, check, range and position, entries, columns)
// and behaves the same on both backends: the user's input runs through the same code, and only
// the user's input raises notices. A dialog may derive its own class from a control and put it
// in place of the template's with Window::ReplaceChild (a number-only edit, a graph window).
//
// The code lies in one file per family: controls.cpp (the base, labels, pictures, custom
// windows and the controls of a template), button_controls.cpp, edit_control.cpp,
// list_controls.cpp and range_controls.cpp (trackbar, up-down arrows, scroll bar).
//
//   #include "platform/window/dialog.h"
//   // given: Dialog& dialog; std::string bytes
//   auto* voice = dialog.Item<vtr::platform::ComboBox>(143);
//   voice->SetCurSel(3);                              // no kSelChange
//   auto* box = dialog.Item<vtr::platform::Edit>(2037);
//   (void)box->SetScriptText(vtr::platform::Encoding::kShiftJis, bytes);
//   box->SetSelBytes(vtr::platform::Encoding::kShiftJis, 4, 6);
#ifndef VTR_PLATFORM_WINDOW_CONTROLS_H_
#define VTR_PLATFORM_WINDOW_CONTROLS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/window/canvas.h"
#include "platform/window/dialog_template.h"
#include "platform/window/window.h"

namespace vtr::platform {

class Control : public Window {
 public:
  explicit Control(ControlKind kind, uint32_t style = 0) : kind_(kind), style_(style) {}
  ControlKind kind() const { return kind_; }
  uint32_t style() const { return style_; }
  bool has_style(uint32_t bits) const { return (style_ & bits) == bits; }
  void set_style(uint32_t style) { style_ = style; }

 protected:
  // Sends `notice` with this control's id to the parent.
  void Notify(Notice notice);
  // Draws the control's face as a raised or pressed button.
  void PaintButtonFace(Canvas& canvas, const Rect& rect, bool pressed) const;

 private:
  ControlKind kind_;
  uint32_t style_;
};

// Labels, group boxes and the base of custom-painted windows.
class Static : public Control {
 public:
  explicit Static(ControlKind kind = ControlKind::kStatic, uint32_t style = 0)
      : Control(kind, style) {}
  // Background fill and text colour; no background means the dialog's face shows through.
  void SetColors(std::optional<Color> background, Color text_color = colors::kBlack);
  std::optional<Color> background() const { return background_; }
  Color text_color() const { return text_color_; }
  void OnPaint(Canvas& canvas) override;

 private:
  std::optional<Color> background_;
  Color text_color_ = colors::kBlack;
};

// A static picture (an icon).
class Picture : public Control {
 public:
  Picture() : Control(ControlKind::kPicture) {}
  void SetImage(Image image, std::optional<Color> key = std::nullopt);
  const Image& image() const { return image_; }
  void OnPaint(Canvas& canvas) override;

 private:
  Image image_;
  std::optional<Color> key_;
};

// Push button, check box or radio button.
class Button : public Control {
 public:
  explicit Button(ControlKind kind = ControlKind::kButton, uint32_t style = 0)
      : Control(kind, style) {}
  // 0 unchecked, 1 checked (check boxes and radio buttons).
  int check() const { return check_; }
  void SetCheck(int check);
  // An image shown instead of the text (push buttons).
  void SetImage(Image image, std::optional<Color> key = std::nullopt);
  const Image& image() const { return image_; }
  const std::optional<Color>& image_key() const { return image_key_; }
  bool pressed() const { return pressed_; }
  // What a click does: toggles a check box, checks a radio button (and unchecks the others
  // of its group), then sends kClicked. Used by both backends' input.
  void Activate();
  bool OnMouse(const MouseEvent& event) override;
  bool OnKey(const KeyEvent& event) override;
  void OnCaptureLost() override;
  void OnPaint(Canvas& canvas) override;
  void OnMouseEnter() override;
  void OnMouseLeave() override;

 protected:
  bool hover() const { return hover_; }

 private:
  int check_ = 0;
  bool pressed_ = false;
  bool hover_ = false;
  Image image_;
  std::optional<Color> image_key_;
};

// An owner-drawn button showing one of four images by state.
class ImageButton : public Button {
 public:
  ImageButton() : Button(ControlKind::kImageButton) {}
  struct Images {
    Image normal, hover, pressed, disabled;
    std::optional<Color> key;  // pixels of this colour are not drawn
  };
  void SetImages(Images images);
  const Images& images() const { return images_; }
  // Resizes the button to the normal image; false without one.
  bool FitToImage();
  // The image the current state shows (hover, pressed or disabled), or nullptr when empty.
  const Image* CurrentImage() const;
  void OnPaint(Canvas& canvas) override;

 private:
  Images images_;
};

// A button shaped by its image: frames stacked top to bottom (frame 0 normal, frame 1 pressed);
// pixels of the key colour (the one at 0,0) are not part of the button.
class ShapedButton : public Button {
 public:
  ShapedButton() : Button(ControlKind::kShapedButton) {}
  // Sizes the button to one frame and shapes it; false for an empty image.
  bool SetShapeImage(Image image, int frame_count);
  void OnPaint(Canvas& canvas) override;

 private:
  Image image_;
  int frame_height_ = 0;
};

// The texts of every edit's own menu (UTF-8, "&" before the access key), in the program's
// language. The program hands them over from its resources at start; until then the items
// have no text.
struct EditMenuTexts {
  std::string undo, cut, copy, paste, del, select_all;
};
void SetEditMenuTexts(EditMenuTexts texts);
const EditMenuTexts& GetEditMenuTexts();

// Single- or multi-line edit; a multi-line edit wraps its lines at the box edge and scrolls up
// and down. Text is UTF-8 inside; the script-encoding functions convert at
// the edge. Offsets of SetSel/GetSel count characters; the *Bytes forms count bytes of the
// script's encoding.
//
// The clipboard is the desktop's: Copy and Cut put the selection there for every program, and
// Paste asks the desktop for its text, which arrives later (ReceivePaste). Pasted text is held to
// what the edit's encoding can hold, so that the box never holds a character its script
// cannot carry.
//
// Every edit has its own menu (Undo, Cut, Copy, Paste, Delete, Select All), which a right click
// in it, the Menu key or Shift+F10 brings up, unless a dialog's filter takes them first. Each item
// runs what its key runs.
class Edit : public Control {
 public:
  explicit Edit(uint32_t style = 0) : Control(ControlKind::kEdit, style) {}

  // The commands of the edit's menu, with the numbers the desktop's own edit menu gives them.
  enum MenuCommand : int {
    kMenuUndo = 772,
    kMenuCut = 768,
    kMenuCopy = 769,
    kMenuPaste = 770,
    kMenuDelete = 771,
    kMenuSelectAll = 177,
  };

  void SetText(std::string_view utf8) override;
  // Shows script bytes; false (text unchanged) when they cannot be decoded.
  [[nodiscard]] bool SetScriptText(Encoding encoding, std::string_view bytes);
  // The text in the script encoding.
  [[nodiscard]] TextResult ScriptText(Encoding encoding) const;

  // Selection from `start` to `end` characters; end -1 (or past the end) means the end.
  void SetSel(int start, int end);
  std::pair<int, int> GetSel() const { return {sel_start_, sel_end_}; }
  void SelectAll() { SetSel(0, -1); }
  void SetSelBytes(Encoding encoding, size_t start, size_t end);
  std::pair<size_t, size_t> GetSelBytes(Encoding encoding) const;
  // The selection in bytes of text(), the UTF-8 the backends show (kept with the character
  // offsets, so that nothing counts through a long text at every key).
  std::pair<size_t, size_t> sel_utf8_bytes() const { return {sel_start_byte_, sel_end_byte_}; }
  // The last change of the text, for the backends to show just that: bytes [start, start +
  // removed) of the text before became bytes [start, start + inserted) of text(). `serial`
  // counts the changes; a text set from code is a change of all of it.
  struct TextEdit {
    uint64_t serial = 0;
    size_t start = 0;
    size_t removed = 0;
    size_t inserted = 0;
  };
  const TextEdit& last_edit() const { return last_edit_; }
  // Replaces the selection from code (undoable, no notice).
  void ReplaceSel(std::string_view utf8);
  std::string SelectedText() const;
  // Asks the view to bring the caret into sight.
  void ScrollCaret();
  int scroll_requests() const { return scroll_requests_; }
  int length() const;  // in characters

  // While locked the edit swallows every input (keys, characters, mouse, paste) and still shows
  // its text.
  void SetLocked(bool locked) { locked_ = locked; }
  bool locked() const { return locked_; }
  void SetReadOnly(bool read_only);
  bool read_only() const { return has_style(kStyleReadOnly); }
  // Most characters the user may type (0: no limit).
  void SetLimitText(int limit) { limit_ = limit; }
  int limit_text() const { return limit_; }
  // The script encoding of the box's text (Shift-JIS unless set): what a paste may put in.
  void SetEncoding(Encoding encoding) { encoding_ = encoding; }
  Encoding encoding() const { return encoding_; }

  // Clipboard and undo commands (the user's Ctrl+C, X, V, Z and Shift+Insert go through them).
  // Paste only asks: nothing is asked while the edit is locked, read-only or disabled.
  virtual void Copy();
  virtual void Cut();
  void Paste();
  virtual void Undo();
  bool CanUndo() const { return undo_.has_value(); }

  // The edit's menu as it shows now, greyed as the edit's state has it: Undo with nothing to undo,
  // Cut and Delete without a selection, Copy too, Paste (and Undo, Cut, Delete) in a read-only
  // edit, Select All when everything (or nothing, in an empty edit) is selected. Paste is not
  // greyed by an empty clipboard: only asking the desktop would tell.
  Menu ContextMenu() const;
  // Shows the menu at screen point `at`, with the focus in the edit, and runs the chosen item.
  // A locked or disabled edit shows none.
  void ShowContextMenu(Point at);

  // Text pasted from the desktop arrives (the clipboard asked for by Paste, or the selection a
  // middle click pastes). Refused while the edit is locked, read-only or disabled, which it may
  // have become since the paste was asked for. Otherwise the text is cut at a NUL, its line
  // breaks become '\n', and every character the encoding cannot hold (and every byte of a
  // broken sequence) becomes "?"; then OnPaste puts it in.
  void ReceivePaste(std::string_view utf8);

  bool OnKey(const KeyEvent& event) override;
  bool OnMouse(const MouseEvent& event) override;

 protected:
  // Replaces the selection for the user: honours the lock, read-only and limit, records undo
  // and sends kChange. Returns false when refused.
  bool UserReplaceSel(std::string_view utf8);
  // Puts pasted text in: by default it replaces the selection, as one step of undo.
  virtual void OnPaste(std::string_view utf8);

 private:
  bool locked_ = false;
  int limit_ = 0;
  Encoding encoding_ = Encoding::kShiftJis;
  int sel_start_ = 0;
  int sel_end_ = 0;
  size_t sel_start_byte_ = 0;
  size_t sel_end_byte_ = 0;
  int scroll_requests_ = 0;
  // What undo puts back: the bytes [start, start + length) of the text become `text` again and
  // the selection what it was. Only the changed part is kept, so that typing into a long text
  // costs the size of a key.
  struct UndoState {
    size_t start = 0;
    size_t length = 0;
    std::string text;
    int sel_start = 0, sel_end = 0;
    size_t sel_start_byte = 0, sel_end_byte = 0;
  };
  std::optional<UndoState> undo_;
  TextEdit last_edit_;
  // Records a change before it is made (making it tells the backend at once).
  void NoteEdit(size_t start, size_t removed, size_t inserted) {
    last_edit_ = TextEdit{last_edit_.serial + 1, start, removed, inserted};
  }
};

// Drop-down list.
class ComboBox : public Control {
 public:
  ComboBox() : Control(ControlKind::kComboBox) {}
  int AddString(std::string_view utf8);
  int InsertString(int index, std::string_view utf8);
  bool DeleteString(int index);
  void ResetContent();
  int count() const { return static_cast<int>(items_.size()); }
  const std::string& item(int index) const { return items_.at(static_cast<size_t>(index)); }
  const std::vector<std::string>& items() const { return items_; }
  // -1 for none; false for an index out of range (the selection is then none).
  bool SetCurSel(int index);
  int cur_sel() const { return cur_sel_; }
  // The user chooses entry `index` (sends kSelChange when it differs).
  void UserSelect(int index);
  bool OnKey(const KeyEvent& event) override;

 private:
  std::vector<std::string> items_;
  int cur_sel_ = -1;
};

// Horizontal trackbar (slider).
class Trackbar : public Control {
 public:
  explicit Trackbar(uint32_t style = 0) : Control(ControlKind::kTrackbar, style) {}
  void SetRange(int minimum, int maximum);
  void SetPos(int pos);
  int pos() const { return pos_; }
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  void SetPageSize(int page) { page_ = page; }
  // The user moves the thumb: the position follows, then the parent's OnScroll(id, code, pos).
  void UserMove(ScrollCode code, int pos);
  bool OnKey(const KeyEvent& event) override;
  bool OnMouse(const MouseEvent& event) override;
  void OnPaint(Canvas& canvas) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int page_ = 10;
  bool dragging_ = false;
};

// Up-down arrows; with a buddy edit it reads and writes the buddy's number.
class Spin : public Control {
 public:
  explicit Spin(uint32_t style = 0) : Control(ControlKind::kSpin, style) {}
  void SetRange(int lower, int upper);
  int lower() const { return lower_; }
  int upper() const { return upper_; }
  void SetPos(int pos);
  int pos() const { return pos_; }
  void SetBuddy(Window* buddy) { buddy_ = buddy; }
  Window* buddy() const { return buddy_; }
  // The user presses an arrow: +1 up, -1 down. OnDeltaPos may cancel the step.
  void UserStep(int delta);
  bool OnMouse(const MouseEvent& event) override;
  void OnPaint(Canvas& canvas) override;

 protected:
  // Before a step from `pos` by `delta`; return true to cancel it.
  virtual bool OnDeltaPos(int pos, int delta);

 private:
  int lower_ = 0;
  int upper_ = 100;
  int pos_ = 0;
  Window* buddy_ = nullptr;
};

// Horizontal or vertical scroll bar with a 32-bit range. The bar does not move by itself:
// user actions go to the parent's OnScroll and the parent sets the position.
class ScrollBar : public Control {
 public:
  explicit ScrollBar(bool vertical)
      : Control(vertical ? ControlKind::kVScrollBar : ControlKind::kHScrollBar) {}
  bool vertical() const { return kind() == ControlKind::kVScrollBar; }
  void SetRange(int minimum, int maximum);
  int minimum() const { return min_; }
  int maximum() const { return max_; }
  // Clamped to the range.
  void SetPos(int pos);
  int pos() const { return pos_; }
  void SetPage(int page);
  int page() const { return page_; }
  // The user acts on the bar (thumb positions are sent as given, clamped to the range).
  void UserScroll(ScrollCode code, int track_pos = 0);
  // Arrows send line steps, the track page steps, dragging the thumb kThumbTrack and, when
  // released, kThumbPosition and kEndScroll.
  bool OnMouse(const MouseEvent& event) override;
  void OnCaptureLost() override { dragging_ = false; }
  void OnPaint(Canvas& canvas) override;
  // Pixel geometry along the bar: arrow length, thumb start and thumb length.
  struct Layout {
    int arrow = 0;
    int thumb_start = 0;
    int thumb_length = 0;
    int track_length = 0;
  };
  Layout GetLayout() const;

 private:
  int PositionAt(int offset_in_track) const;
  bool dragging_ = false;
  int drag_grip_ = 0;
  int min_ = 0;
  int max_ = 100;
  int pos_ = 0;
  int page_ = 0;
};

// Report list view: columns and rows of text.
class ListView : public Control {
 public:
  // The list holds its vertical scroll bar as a child; it shows while there are more rows than
  // fit under the header.
  ListView();
  struct Column {
    std::string text;
    int width = 60;  // [px]
    uint32_t format = kTextLeft;
  };
  int InsertColumn(int index, std::string_view text, int width, uint32_t format = kTextLeft);
  const std::vector<Column>& columns() const { return columns_; }
  // Inserts a row at `index` (clamped) with `text` in column 0; returns its index.
  int InsertItem(int index, std::string_view text);
  bool SetItemText(int row, int column, std::string_view text);
  std::string ItemText(int row, int column) const;
  int item_count() const { return static_cast<int>(rows_.size()); }
  void DeleteAllItems();
  int selected() const { return selected_; }
  void SetSelected(int row);
  void UserSelect(int row);
  bool OnMouse(const MouseEvent& event) override;
  void OnScroll(int id, ScrollCode code, int pos) override;
  void OnPaint(Canvas& canvas) override;
  static constexpr int kRowHeight = 17;       // [px], also the header height
  static constexpr int kScrollBarWidth = 17;  // [px]
  int first_visible() const { return first_visible_; }
  ScrollBar* scroll_bar() const { return bar_; }

 private:
  int VisibleRows() const;
  // Moves the first shown row (clamped) and lays out the scroll bar for the rows.
  void ScrollTo(int first);
  ScrollBar* bar_ = nullptr;
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
  int selected_ = -1;
  int first_visible_ = 0;
};

// A labelled button with a drop-down arrow over the right fifth of its width. A click on the
// text part sends kClicked, a click on the arrow kDropDown; the parent shows the menu.
class MenuButton : public Control {
 public:
  MenuButton() : Control(ControlKind::kMenuButton) {}
  Rect text_part() const;
  Rect arrow_part() const;
  bool OnMouse(const MouseEvent& event) override;
  void OnCaptureLost() override;
  void OnPaint(Canvas& canvas) override;
  // Both backends' click on a part.
  void ActivatePart(bool arrow);

 private:
  int pressed_part_ = 0;  // 0 none, 1 text, 2 arrow
};

// Base of windows a dialog paints itself (graphs); also the template's placeholder for them.
class CustomWindow : public Control {
 public:
  explicit CustomWindow(uint32_t style = 0) : Control(ControlKind::kCustom, style) {}
  void OnPaint(Canvas& canvas) override;
};

// Builds the control a template entry describes (not yet placed).
std::unique_ptr<Control> MakeControl(const ControlTemplate& entry);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_CONTROLS_H_
