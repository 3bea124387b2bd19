// The FLTK backend: shows the window model in real X11 windows.
//
// Every top-level window becomes a double-buffered FLTK window. Edits and drop-down lists are
// FLTK widgets (they bring the caret, the input method and the native list); every other
// control is a plain widget that the model paints through a canvas. Mouse and keys are turned
// into the model's events and routed by the window system exactly as in the headless backend,
// so dialog code behaves the same on both.
#include <FL/Fl.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/environment.h"
#include "platform/process.h"
#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/internal/file_chooser.h"
#include "platform/window/internal/fltk_keys.h"
#include "platform/window/internal/fltk_menu.h"
#include "platform/window/internal/font_list.h"
#include "platform/window/internal/system.h"
#include "platform/window/internal/text_change.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace internal {
namespace {

// Two FLTK fonts per family of the font list, proportional and fixed, from FL_FREE_FONT on.
Fl_Font FontSlot(int index, bool fixed) { return FL_FREE_FONT + 2 * index + (fixed ? 1 : 0); }

// Families the dialogs name: "MS ゴシック" is fixed pitch; the UI and P fonts are proportional.
bool IsFixed(const Font& font) {
  return font.family.find("ゴシック") != std::string::npos &&
         font.family.find("Pゴシック") == std::string::npos;
}

// The FLTK font that shows every character of `utf8` in the pitch of `font`.
Fl_Font FontFor(const Font& font, std::string_view utf8) {
  const bool fixed = IsFixed(font);
  return FontSlot(FontIndexFor(utf8, fixed), fixed);
}

// The toolkit's own tooltips take the font their text needs when the pointer enters a widget.
void (*g_toolkit_tooltip_enter)(Fl_Widget*) = nullptr;

void EnterTooltipInItsFont(Fl_Widget* widget) {
  for (Fl_Widget* w = widget; w != nullptr; w = w->parent()) {
    if (w->tooltip() != nullptr) {
      Fl_Tooltip::font(FontFor(DefaultDialogFont(), w->tooltip()));
      break;
    }
  }
  if (g_toolkit_tooltip_enter != nullptr) g_toolkit_tooltip_enter(widget);
}

// Called after a widget got a tooltip: only then has FLTK put its own entry function in place.
void HookTooltipFont() {
  if (Fl_Tooltip::enter == &EnterTooltipInItsFont) return;
  g_toolkit_tooltip_enter = Fl_Tooltip::enter;
  Fl_Tooltip::enter = &EnterTooltipInItsFont;
}

int PixelSize(const Font& font) {
  return std::max(6, static_cast<int>(std::lround(font.points * 96.0 / 72.0)));
}

void SetColor(Color c) {
  fl_color(static_cast<uchar>(RedOf(c)), static_cast<uchar>(GreenOf(c)),
           static_cast<uchar>(BlueOf(c)));
}

// The layer's canvas over FLTK drawing calls, at an offset inside the window being drawn.
class FltkCanvas : public Canvas {
 public:
  FltkCanvas(const Rect& bounds, Point origin) : Canvas(bounds), origin_(origin) {
    fl_push_clip(origin.x + bounds.left, origin.y + bounds.top, bounds.width(), bounds.height());
  }
  ~FltkCanvas() override {
    while (pushed_ > 0) {
      fl_pop_clip();
      --pushed_;
    }
    fl_pop_clip();
  }

  Size MeasureText(std::string_view utf8, const Font& font) override {
    fl_font(FontFor(font, utf8), PixelSize(font));
    int w = 0, h = 0;
    const std::string text(utf8);
    fl_measure(text.c_str(), w, h, 0);
    return Size{w, h};
  }

 protected:
  void DoLine(Point from, Point to, Color color, int width) override {
    SetColor(color);
    fl_line_style(FL_SOLID | FL_CAP_SQUARE, width);
    fl_line(from.x + origin_.x, from.y + origin_.y, to.x + origin_.x, to.y + origin_.y);
    fl_line_style(0);
  }
  void DoFillRect(const Rect& r, Color color) override {
    SetColor(color);
    fl_rectf(r.left + origin_.x, r.top + origin_.y, r.width(), r.height());
  }
  void DoText(const Rect& r, std::string_view utf8, const Font& font, Color color, uint32_t format,
              TextBackground background) override {
    std::string text(utf8);
    if (format & kTextSingleLine) std::erase(text, '\n');
    fl_font(FontFor(font, text), PixelSize(font));
    Fl_Align align = 0;
    if (format & kTextRight) {
      align |= FL_ALIGN_RIGHT;
    } else if (!(format & kTextCenter)) {
      align |= FL_ALIGN_LEFT;
    }
    if (format & kTextBottom) {
      align |= FL_ALIGN_BOTTOM;
    } else if (!(format & kTextVCenter)) {
      align |= FL_ALIGN_TOP;
    }
    const int x = r.left + origin_.x, y = r.top + origin_.y;
    if (background.opaque) {
      int w = 0, h = 0;
      fl_measure(text.c_str(), w, h, 0);
      int bx = x;
      if (format & kTextRight) bx = x + r.width() - w;
      if (format & kTextCenter) bx = x + (r.width() - w) / 2;
      int by = y;
      if (format & kTextBottom) by = y + r.height() - h;
      if (format & kTextVCenter) by = y + (r.height() - h) / 2;
      SetColor(background.color);
      fl_rectf(bx, by, w, h);
    }
    SetColor(color);
    fl_draw(text.c_str(), x, y, r.width(), r.height(), align, nullptr, 0);
  }
  void DoImage(Point at, const Image& image, const Rect& source,
               std::optional<Color> key) override {
    const int w = source.width(), h = source.height();
    std::vector<uchar> pixels(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const Color c = image.at(source.left + x, source.top + y);
        uchar* p = &pixels[(static_cast<size_t>(y) * w + x) * 4];
        p[0] = static_cast<uchar>(RedOf(c));
        p[1] = static_cast<uchar>(GreenOf(c));
        p[2] = static_cast<uchar>(BlueOf(c));
        p[3] = (key && c == *key) ? 0 : 255;
      }
    }
    Fl_RGB_Image picture(pixels.data(), w, h, 4);
    picture.draw(at.x + origin_.x, at.y + origin_.y);
  }
  void DoPushClip(const Rect& r) override {
    fl_push_clip(r.left + origin_.x, r.top + origin_.y, r.width(), r.height());
    ++pushed_;
  }
  void DoPopClip() override {
    if (pushed_ > 0) {
      fl_pop_clip();
      --pushed_;
    }
  }

 private:
  Point origin_;
  int pushed_ = 0;
};

Fl_Cursor CursorOf(Cursor cursor) {
  switch (cursor) {
    case Cursor::kArrow:
      return FL_CURSOR_DEFAULT;
    case Cursor::kCross:
      return FL_CURSOR_CROSS;
    case Cursor::kSizeNS:
      return FL_CURSOR_NS;
    case Cursor::kSizeWE:
      return FL_CURSOR_WE;
    case Cursor::kWait:
      return FL_CURSOR_WAIT;
    case Cursor::kIBeam:
      return FL_CURSOR_INSERT;
  }
  return FL_CURSOR_DEFAULT;
}

std::u32string DecodeUtf8(const char* s, int length) {
  std::u32string out;
  const char* end = s + length;
  while (s < end) {
    int used = 0;
    const unsigned value = fl_utf8decode(s, end, &used);
    out.push_back(static_cast<char32_t>(value));
    s += std::max(used, 1);
  }
  return out;
}

// FLTK keyboard events into the model: the key going down (filters, accelerators, the control),
// then the characters it typed unless the key-down was used.
int ForwardKey(int event) {
  System& system = System::Get();
  const int key = KeyOfFltk(Fl::event_key());
  if (event == FL_KEYUP) {
    system.DispatchKey(KeyEvent{KeyEvent::Kind::kUp, key, 0, 0});
    return 1;
  }
  const bool used = system.DispatchKey(KeyEvent{KeyEvent::Kind::kDown, key, 0, 0});
  const bool command = Fl::event_state() & (FL_CTRL | FL_ALT | FL_META);
  if (!used && !command && Fl::event_length() > 0) {
    for (char32_t c : DecodeUtf8(Fl::event_text(), Fl::event_length())) {
      if (c < 0x20) continue;
      KeyEvent typed;
      typed.kind = KeyEvent::Kind::kChar;
      typed.ch = c;
      system.DispatchKey(typed);
    }
  }
  return 1;
}

class TopWindow;

// Requests about windows of other programs may find them gone: the errors that come back while
// this lives are dropped, not taken for the program's own faults.
class IgnoringXErrors {
 public:
  IgnoringXErrors() : previous_(XSetErrorHandler(Ignore)) {}
  ~IgnoringXErrors() {
    XSync(fl_display, False);
    XSetErrorHandler(previous_);
  }
  IgnoringXErrors(const IgnoringXErrors&) = delete;
  IgnoringXErrors& operator=(const IgnoringXErrors&) = delete;

 private:
  static int Ignore(Display*, XErrorEvent*) { return 0; }
  XErrorHandler previous_;
};

// True when FLTK's keyboard focus lies in `top`: the window has the keyboard of the display.
bool HasKeyboard(const Fl_Window& top) {
  const Fl_Widget* focus = Fl::focus();
  return focus != nullptr && (focus == &top || focus->top_window() == &top);
}

// Offset of `w` inside its top-level window.
Point OffsetInTop(const Window& w) {
  Point p{0, 0};
  for (const Window* x = &w; x->parent() != nullptr; x = x->parent()) {
    p.x += x->rect().left;
    p.y += x->rect().top;
  }
  return p;
}

class WidgetPeer : public Peer {
 public:
  WidgetPeer(Window& model, Fl_Widget* widget) : model_(model), widget_(widget) {}
  void Sync() override {
    // Only what changed: every key typed syncs the box, and a resize makes FLTK lay out an
    // editor's whole text again.
    const Point at = OffsetInTop(model_);
    const Rect& r = model_.rect();
    if (widget_->x() != at.x || widget_->y() != at.y || widget_->w() != r.width() ||
        widget_->h() != r.height()) {
      widget_->resize(at.x, at.y, r.width(), r.height());
    }
    if (model_.IsShown() != (widget_->visible() != 0)) {
      if (model_.IsShown()) {
        widget_->show();
      } else {
        widget_->hide();
      }
    }
    if (model_.IsEnabled() != (widget_->active() != 0)) {
      if (model_.IsEnabled()) {
        widget_->activate();
      } else {
        widget_->deactivate();
      }
    }
    if (model_.tooltip() != tooltip_) {
      tooltip_ = model_.tooltip();
      widget_->copy_tooltip(tooltip_.empty() ? nullptr : tooltip_.c_str());
      HookTooltipFont();
    }
    const bool repaint = SyncMore();
    // Within the window that has the keyboard only: FLTK asks the window manager to activate a
    // window whose widget takes the focus, and a request sent while a chooser or a box is
    // opening, or while another program has the keyboard, would take the keyboard from it. The
    // window puts its focused control's widget in place when it gets the keyboard.
    if (model_.HasFocus() && Fl::focus() != widget_ && widget_->visible_r() &&
        HasKeyboard(*widget_->top_window())) {
      widget_->take_focus();
    }
    if (repaint) widget_->redraw();
  }
  void Repaint() override { widget_->redraw(); }
  Fl_Widget* widget() const { return widget_; }

 protected:
  // Shows the rest of the model's state; true when the widget must be drawn anew for it (the
  // model paints the plain widgets, so any change may show).
  virtual bool SyncMore() { return true; }
  Window& model_;
  Fl_Widget* widget_;
  std::string tooltip_;
};

// A control the model paints; mouse events pass through to the window, which routes them.
class CanvasWidget : public Fl_Widget {
 public:
  CanvasWidget(Window& model) : Fl_Widget(0, 0, 1, 1), model_(model) {}
  void draw() override {
    const Region& shape = model_.shape();
    if (shape.empty()) {
      FltkCanvas canvas(model_.client_rect(), Point{x(), y()});
      model_.OnPaint(canvas);
      return;
    }
    // Only the shape's pixels belong to a shaped window: its painting is clipped to them, and
    // what lies around them stays the parent's (mouse events there reach the parent too, as
    // the window system hit-tests by the shape).
    fl_push_clip(x(), y(), w(), h());
    Fl_Region region = XCreateRegion();
    for (const Rect& r : shape.rects()) {
      XRectangle part{static_cast<short>(x() + r.left), static_cast<short>(y() + r.top),
                      static_cast<unsigned short>(r.width()),
                      static_cast<unsigned short>(r.height())};
      XUnionRectWithRegion(&part, region, region);
    }
    if (Fl_Region current = fl_clip_region()) XIntersectRegion(region, current, region);
    fl_clip_region(region);  // FLTK owns the region from here on
    {
      FltkCanvas canvas(model_.client_rect(), Point{x(), y()});
      model_.OnPaint(canvas);
    }
    fl_pop_clip();
  }
  int handle(int event) override {
    switch (event) {
      case FL_FOCUS:
      case FL_UNFOCUS:
        return 1;
      case FL_ENTER:
        // Taking the enter makes this the widget under the mouse, which FLTK's tooltips follow.
        return active_r() ? 1 : 0;
      default:
        return 0;
    }
  }

 private:
  Window& model_;
};

// A multi-line edit: its lines wrap at the box edge and it scrolls up and down, as a multi-line
// edit without sideways scrolling does on the desktop the dialogs were made for. The buffer is
// a base so that it outlives the editor, which detaches from it when it dies.
struct TextHolder {
  Fl_Text_Buffer text_buffer;
};

class WrappingEditor : private TextHolder, public Fl_Text_Editor {
 public:
  WrappingEditor(int x, int y, int w, int h) : Fl_Text_Editor(x, y, w, h) {
    buffer(&text_buffer);
    wrap_mode(WRAP_AT_BOUNDS, 0);
  }
  std::optional<uint64_t> shown_edit;   // the model's change last handed to the buffer
  std::pair<int, int> shown_sel{0, 0};  // the caret and anchor last handed to it [bytes]
};

// What the edit widgets share, for the one-line FLTK input and the wrapping editor: caret and
// anchor in bytes of the UTF-8 text, the text, the selection and bringing the caret into sight.
std::pair<int, int> CaretAndAnchor(const Fl_Input_& w) { return {w.position(), w.mark()}; }
std::pair<int, int> CaretAndAnchor(WrappingEditor& w) {
  const int caret = w.insert_position();
  int start = 0, end = 0;
  if (!w.buffer()->selection_position(&start, &end)) return {caret, caret};
  return {caret, caret == start ? end : start};
}
// The widget takes over the text; `coverage` counts the characters that went and came, for the
// choice of the font.
void ShowText(Fl_Input_& w, const Edit& edit, FontCoverage& coverage) {
  const std::string& text = edit.text();
  const std::string_view before(w.value(), static_cast<size_t>(w.size()));
  if (before == text) return;
  const TextChange change = ChangeBetween(before, text);
  coverage.Remove(change.Old(before));
  coverage.Add(change.New(text));
  w.value(text.c_str(), static_cast<int>(text.size()));
}
// The editor takes over only the model's change: it wraps again only the lines around it, as when
// the user types into it. A text set whole, or changes it missed, it takes over whole.
void ShowText(WrappingEditor& w, const Edit& edit, FontCoverage& coverage) {
  const Edit::TextEdit& change = edit.last_edit();
  if (w.shown_edit == change.serial) return;
  Fl_Text_Buffer& buffer = *w.buffer();
  const std::string& text = edit.text();
  const size_t before = static_cast<size_t>(buffer.length());
  if (w.shown_edit && *w.shown_edit + 1 == change.serial &&
      change.start + change.removed <= before &&
      before - change.removed + change.inserted == text.size()) {
    const int start = static_cast<int>(change.start);
    const int end = static_cast<int>(change.start + change.removed);
    char* gone = buffer.text_range(start, end);
    coverage.Remove(gone);
    std::free(gone);
    const std::string came = text.substr(change.start, change.inserted);
    coverage.Add(came);
    buffer.replace(start, end, came.c_str());
  } else {
    coverage.Clear();
    coverage.Add(text);
    buffer.text(text.c_str());
  }
  w.shown_edit = change.serial;
  w.shown_sel = {-1, -1};  // the buffer moved the caret with the change: show the model's again
}
void ShowReadOnly(Fl_Input_& w, bool read_only) { w.readonly(read_only); }
void ShowReadOnly(WrappingEditor&, bool) {}  // keys reach the model, which refuses them
void ShowSelection(Fl_Input_& w, int caret, int anchor) { w.position(caret, anchor); }
void ShowSelection(WrappingEditor& w, int caret, int anchor) {
  if (w.shown_sel == std::pair{caret, anchor}) return;
  w.shown_sel = {caret, anchor};
  if (caret == anchor) {
    w.buffer()->unselect();
  } else {
    w.buffer()->select(std::min(caret, anchor), std::max(caret, anchor));
  }
  w.insert_position(caret);
  w.show_insert_position();
}
// The user moved the caret or the selection in the widget itself.
void NoteUserSelection(Fl_Input_&, std::pair<int, int>) {}
void NoteUserSelection(WrappingEditor& w, std::pair<int, int> caret_and_anchor) {
  w.shown_sel = caret_and_anchor;
}
void ShowCaret(Fl_Input_& w) {
  w.redraw();
}  // FLTK brings the caret into sight when it draws the field
void ShowCaret(WrappingEditor& w) { w.show_insert_position(); }
// A new font or size: the editor wraps the whole text anew (FLTK does so when it is resized),
// so that lines keep breaking at the box edge.
void LayOutAgain(Fl_Input_&) {}
void LayOutAgain(WrappingEditor& w) { w.resize(w.x(), w.y(), w.w(), w.h()); }

// Edits: FLTK shows the text, the caret and the input method; the model owns the text.
template <typename Base>
class EditWidget : public Base {
 public:
  explicit EditWidget(Edit& model) : Base(0, 0, 1, 1), model_(model) {}
  int handle(int event) override {
    switch (event) {
      case FL_KEYBOARD:
      case FL_KEYUP:
        return ForwardKey(event);
      case FL_PASTE:
        // The desktop's answer to a paste the model asked for, or the selection of a middle
        // click; the model's rules decide what goes in.
        System::Get().DeliverPaste(
            model_.handle(),
            std::string_view(Fl::event_text(), static_cast<size_t>(Fl::event_length())));
        return 1;
      case FL_PUSH:
      case FL_DRAG:
      case FL_RELEASE: {
        // The right button is the model's (the edit's own menu, or a dialog's filter before it):
        // the window passes it on as it does for the plain widgets.
        if (Fl::event_button() == FL_RIGHT_MOUSE) return 0;
        if (model_.locked()) return 1;
        if (event == FL_PUSH) model_.SetFocus();
        const int used = Base::handle(event);
        ReadSelection();
        return used;
      }
      case FL_FOCUS:
        if (!model_.HasFocus()) model_.SetFocus();
        return Base::handle(event);
      default:
        return Base::handle(event);
    }
  }
  void ReadSelection() {
    const std::string& text = model_.text();
    auto chars = [&](int byte) {
      return static_cast<int>(fl_utf_nb_char(reinterpret_cast<const unsigned char*>(text.data()),
                                             std::clamp(byte, 0, static_cast<int>(text.size()))));
    };
    const auto [caret, anchor] = CaretAndAnchor(*this);
    NoteUserSelection(*this, {caret, anchor});
    const int a = chars(caret), b = chars(anchor);
    syncing_ = true;
    model_.SetSel(std::min(a, b), std::max(a, b));
    syncing_ = false;
  }
  bool syncing_ = false;

 private:
  Edit& model_;
};

template <typename Base>
class EditPeer : public WidgetPeer {
 public:
  EditPeer(Edit& model, EditWidget<Base>* widget)
      : WidgetPeer(model, widget), edit_(model), input_(widget) {}

 protected:
  bool SyncMore() override {
    if (input_->syncing_) return false;
    ShowText(*input_, edit_, coverage_);
    const bool read_only_changed = edit_.read_only() != read_only_;
    read_only_ = edit_.read_only();
    ShowReadOnly(*input_, read_only_);
    const bool fixed = IsFixed(edit_.font());
    const Fl_Font font = FontSlot(coverage_.Choice(fixed), fixed);
    const auto size = static_cast<Fl_Fontsize>(PixelSize(edit_.font()));
    const bool new_look = font != input_->textfont() || size != input_->textsize();
    if (new_look) {
      input_->textfont(font);
      input_->textsize(size);
      LayOutAgain(*input_);
    }
    const auto [start, end] = edit_.sel_utf8_bytes();
    ShowSelection(*input_, static_cast<int>(end), static_cast<int>(start));
    if (edit_.scroll_requests() != scrolls_) {
      scrolls_ = edit_.scroll_requests();
      ShowCaret(*input_);
    }
    // FLTK draws the changes of text, caret and selection itself.
    return new_look || read_only_changed;
  }

 private:
  Edit& edit_;
  EditWidget<Base>* input_;
  int scrolls_ = 0;
  bool read_only_ = false;
  FontCoverage coverage_;  // of the text the widget shows
};

class ChoiceWidget : public Fl_Choice {
 public:
  explicit ChoiceWidget(ComboBox& model) : Fl_Choice(0, 0, 1, 1), model_(model) {
    callback(
        [](Fl_Widget*, void* self) {
          auto* me = static_cast<ChoiceWidget*>(self);
          me->model_.UserSelect(me->value());
        },
        this);
    when(FL_WHEN_CHANGED);
  }
  int handle(int event) override {
    if (event == FL_KEYBOARD || event == FL_KEYUP) return ForwardKey(event);
    if (event == FL_PUSH) {
      model_.SetFocus();
      if (menu() == nullptr || menu()->text == nullptr) return 0;
      if (Fl::visible_focus()) Fl::focus(this);
      // The list drops below the box (above it where the screen ends), as a drop-down list does;
      // FLTK's own choice puts the current entry over the box, which sends the top of a long
      // list off the screen when a late entry is chosen.
      const Fl_Color face = color();
      color(FL_BACKGROUND2_COLOR);  // the list is white, as the box is
      const Fl_Menu_Item* chosen = menu()->pulldown(x(), y(), w(), h(), nullptr, this);
      color(face);
      if (chosen != nullptr && chosen->submenu() == 0) {
        if (chosen != mvalue()) redraw();
        picked(chosen);
      }
      return 1;
    }
    return Fl_Choice::handle(event);
  }
  std::vector<std::string> labels;
  std::vector<Fl_Menu_Item> items;

 private:
  ComboBox& model_;
};

class ChoicePeer : public WidgetPeer {
 public:
  ChoicePeer(ComboBox& model, ChoiceWidget* widget)
      : WidgetPeer(model, widget), combo_(model), choice_(widget) {}

 protected:
  bool SyncMore() override {
    if (combo_.items() != choice_->labels) {
      choice_->labels = combo_.items();
      choice_->items.assign(choice_->labels.size() + 1, Fl_Menu_Item{});
      for (size_t i = 0; i < choice_->labels.size(); ++i) {
        choice_->items[i].text = choice_->labels[i].c_str();
        choice_->items[i].labelfont_ = FontFor(combo_.font(), choice_->labels[i]);
        choice_->items[i].labelsize_ = static_cast<Fl_Fontsize>(PixelSize(combo_.font()));
      }
      choice_->menu(choice_->items.data());
    }
    choice_->textfont(
        FontFor(combo_.font(), combo_.cur_sel() >= 0 ? combo_.item(combo_.cur_sel()) : ""));
    choice_->textsize(PixelSize(combo_.font()));
    if (combo_.cur_sel() >= 0) {
      choice_->value(combo_.cur_sel());
    } else {
      choice_->value(-1);
    }
    return true;
  }

 private:
  ComboBox& combo_;
  ChoiceWidget* choice_;
};

// A top-level window: paints the dialog's face, then its children; turns input into events.
class TopWindow : public Fl_Double_Window {
 public:
  explicit TopWindow(Window& model)
      : Fl_Double_Window(model.rect().left, model.rect().top, std::max(1, model.rect().width()),
                         std::max(1, model.rect().height())),
        model_(model) {
    callback(
        [](Fl_Widget*, void* self) {
          // The close box: the same as Escape.
          auto& top = static_cast<TopWindow*>(self)->model_;
          const auto& modal = System::Get().modal_stack();
          if (modal.empty() || modal.back() == &top) top.OnCommand(kIdCancel, Notice::kClicked);
        },
        this);
  }
  void draw() override {
    {
      FltkCanvas canvas(model_.client_rect(), Point{0, 0});
      model_.OnPaint(canvas);
    }
    for (int i = 0; i < children(); ++i) {
      Fl_Widget& w = *child(i);
      if (w.visible()) draw_child(w);
    }
  }
  int handle(int event) override;
  void resize(int x, int y, int w, int h) override {
    Fl_Double_Window::resize(x, y, w, h);
    if (!syncing) {
      syncing = true;
      model_.SetRect(Rect::FromSize(x, y, w, h));
      syncing = false;
    }
  }
  bool syncing = false;

 private:
  // The tooltip of a rectangle of the dialog's face at `p` (a control's tooltip is its widget's
  // own); none while the window takes no input.
  std::string AreaTooltipAt(Point p) {
    auto* dialog = dynamic_cast<Dialog*>(&model_);
    const auto& modal = System::Get().modal_stack();
    if (dialog == nullptr || !model_.IsEnabled() || (!modal.empty() && modal.back() != &model_))
      return {};
    if (System::Get().HitWindow(model_, p, nullptr) != &model_) return {};
    return dialog->TooltipAt(p);
  }
  // Shows `tip` as the window's own tooltip, which FLTK pops up while the window itself is
  // under the mouse (an empty one hides it). FLTK leaves a shown tooltip alone while the mouse
  // stays inside its widget, so a change of rectangle ends the old one first.
  void ShowAreaTooltip(const std::string& tip) {
    if (tip == shown_tip_) return;
    if (Fl_Tooltip::current() == this) Fl_Tooltip::exit(this);
    shown_tip_ = tip;
    tooltip(shown_tip_.empty() ? nullptr : shown_tip_.c_str());
    if (!shown_tip_.empty() && Fl::belowmouse() == this) Fl_Tooltip::enter(this);
  }

  Window& model_;
  std::string shown_tip_;
};

class TopPeer : public Peer {
 public:
  TopPeer(Window& model, TopWindow* window) : model_(model), window_(window) {}
  void Sync() override {
    if (window_->syncing) return;
    window_->syncing = true;
    const Rect& r = model_.rect();
    if (r.left != window_->x() || r.top != window_->y() || r.width() != window_->w() ||
        r.height() != window_->h()) {
      window_->resize(r.left, r.top, std::max(1, r.width()), std::max(1, r.height()));
    }
    window_->syncing = false;
    if (model_.text() != label_) {
      label_ = model_.text();
      window_->copy_label(label_.c_str());
    }
    if (model_.visible() && !window_->shown()) window_->show();
    if (!model_.visible() && window_->shown()) window_->hide();
    window_->redraw();
  }
  void Repaint() override { window_->redraw(); }

 private:
  Window& model_;
  TopWindow* window_;
  std::string label_;
};

int TopWindow::handle(int event) {
  System& system = System::Get();
  switch (event) {
    case FL_KEYBOARD:
    case FL_KEYUP:
      return ForwardKey(event);
    case FL_SHORTCUT:
      return 0;
    case FL_FOCUS: {
      // The window got the keyboard: the control the model focuses gets it, not the one
      // FLTK's own navigation would pick. Without one the window itself holds it, and keys reach
      // the model through it all the same.
      Window* focus = system.focus();
      if (focus != nullptr && focus->TopLevel() == &model_) {
        if (auto* peer = dynamic_cast<WidgetPeer*>(focus->peer());
            peer != nullptr && peer->widget()->visible_r() && Fl::focus() != peer->widget()) {
          (void)peer->widget()->take_focus();
        }
      }
      return 1;
    }
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_RELEASE:
      return model_.accepts_files() ? 1 : 0;
    case FL_DND_LEAVE:
      return 1;
    case FL_PASTE: {
      std::vector<std::string> files;
      std::string text(Fl::event_text(), static_cast<size_t>(Fl::event_length()));
      size_t start = 0;
      while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.rfind("file://", 0) == 0) {
          line.erase(0, 7);
          // %XX escapes of the URI.
          std::string decoded;
          for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '%' && i + 2 < line.size()) {
              decoded += static_cast<char>(std::strtol(line.substr(i + 1, 2).c_str(), nullptr, 16));
              i += 2;
            } else {
              decoded += line[i];
            }
          }
          line = decoded;
        }
        if (!line.empty()) files.push_back(line);
        start = end + 1;
      }
      system.DispatchDrop(model_, files);
      return 1;
    }
    case FL_LEAVE:
      // The mouse left the window: nothing of it is under the mouse any more.
      ShowAreaTooltip("");
      system.DispatchLeave(model_);
      return 1;
    case FL_PUSH:
    case FL_DRAG:
    case FL_RELEASE:
    case FL_MOVE:
    case FL_MOUSEWHEEL:
    case FL_ENTER: {
      // Native widgets (edits, lists) take their own presses, drags and wheel turns. Moves and
      // enters go through FLTK's handling too, which keeps the widget under the mouse (for its
      // tooltip and its cursor) but reports them used whatever it did: the model gets them all.
      const bool passing = event == FL_MOVE || event == FL_ENTER;
      if (Fl_Double_Window::handle(event) && !passing) return 1;
      MouseEvent m;
      m.point = Point{Fl::event_x(), Fl::event_y()};
      const int button = Fl::event_button();
      m.button = button == FL_RIGHT_MOUSE    ? MouseButton::kRight
                 : button == FL_MIDDLE_MOUSE ? MouseButton::kMiddle
                                             : MouseButton::kLeft;
      const int state = Fl::event_state();
      m.modifiers = static_cast<uint8_t>(((state & FL_SHIFT) ? kModShift : 0) |
                                         ((state & FL_CTRL) ? kModCtrl : 0) |
                                         ((state & FL_ALT) ? kModAlt : 0));
      switch (event) {
        case FL_PUSH:
          m.kind =
              Fl::event_clicks() > 0 ? MouseEvent::Kind::kDoubleClick : MouseEvent::Kind::kDown;
          break;
        case FL_RELEASE:
          m.kind = MouseEvent::Kind::kUp;
          break;
        case FL_MOUSEWHEEL:
          m.kind = MouseEvent::Kind::kWheel;
          m.button = MouseButton::kNone;
          m.wheel_delta = -120 * Fl::event_dy();
          if (m.wheel_delta == 0) return 1;
          break;
        default:
          m.kind = MouseEvent::Kind::kMove;
          m.button = MouseButton::kNone;
          break;
      }
      system.DispatchMouse(model_, m);
      if (passing) ShowAreaTooltip(AreaTooltipAt(m.point));
      return 1;
    }
    default:
      return Fl_Double_Window::handle(event);
  }
}

class FltkBackend : public Backend {
 public:
  void Attach(Window& top) override {
    Fl_Group::current(nullptr);
    auto* window = new TopWindow(top);
    if (const auto* dialog = dynamic_cast<const Dialog*>(&top);
        dialog != nullptr && (dialog->dialog_template().style & kStyleNoCaption)) {
      window->border(0);
    }
    window->begin();
    AddChildren(top);
    window->end();
    top.set_peer(std::make_unique<TopPeer>(top, window));
    windows_.push_back(window);
    owners_[window] = &top;
    SyncAll(top);
    window->show();
    // FLTK keeps borderless windows off the taskbar, taking them for menus; the skinned main
    // window is a program's window like any other, and a window manager gives the keyboard
    // only to windows of the taskbar.
    if (!window->border()) ShowOnTaskbar(fl_xid(window));
    // A window that opens gets the keyboard, whatever the window manager makes of a new window.
    if (System::Get().Active() == &top) Activate(top);
  }

  void Detach(Window& top) override {
    if (confine_owner_ != nullptr && owners_[confine_owner_] == &top) ReleasePointer();
    ClearPeers(top);
    top.set_peer(nullptr);
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](TopWindow* w) { return owners_[w] == &top; });
    if (it != windows_.end()) {
      TopWindow* window = *it;
      windows_.erase(it);
      owners_.erase(window);
      window->hide();
      delete window;
    }
  }

  void WaitForInput(int64_t timeout_ms) override {
    Fl::wait(timeout_ms < 0 ? 0.5 : std::min(0.5, static_cast<double>(timeout_ms) / 1000.0));
  }

  // An awake callback runs in whichever loop waits, FLTK's own (menus, choosers) among them, so
  // posted commands arrive there too. With FLTK's queue of callbacks full, the plain wake-up
  // still brings them in at the next round of the layer's loop.
  void Wake() override {
    if (Fl::awake(DeliverPosted, nullptr) != 0) Fl::awake();
  }
  static void DeliverPosted(void*) { System::Get().DeliverPosts(); }

  std::optional<bool> KeyHeld(int key) override {
    // FLTK's record of the keyboard follows every key event of the process, those that its
    // menus take included. It changes only with an event, and every key typed asks for the
    // modifiers several times (each answer looks the key up in the keyboard map): the answers
    // hold until the next event.
    if (events_seen_ != held_event_) {
      held_event_ = events_seen_;
      held_.clear();
    }
    for (const auto& [known, down] : held_) {
      if (known == key) return down;
    }
    const auto [left, right] = FltkKeysOf(key);
    if (left == 0) return std::nullopt;
    const bool down = Fl::event_key(left) != 0 || (right != 0 && Fl::event_key(right) != 0);
    held_.emplace_back(key, down);
    return down;
  }

  // X confines the pointer to a window: an input-only child of the window that grabs it, over
  // the rectangle. The grab reports every pointer event to the grabbing window, so the model
  // sees the drag as before; the grab ends when the clip is lifted.
  void ClipCursor(const std::optional<Rect>& clip) override {
    ReleasePointer();
    if (!clip || clip->width() <= 0 || clip->height() <= 0) return;
    System& system = System::Get();
    Window* holder = system.capture() != nullptr ? system.capture()->TopLevel() : system.Active();
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](TopWindow* w) { return owners_[w] == holder; });
    if (it == windows_.end() || !(*it)->shown()) return;
    TopWindow* window = *it;
    XSetWindowAttributes attributes{};
    confine_ =
        XCreateWindow(fl_display, fl_xid(window), clip->left - window->x(), clip->top - window->y(),
                      static_cast<unsigned>(clip->width()), static_cast<unsigned>(clip->height()),
                      0, 0, InputOnly, CopyFromParent, 0, &attributes);
    XMapWindow(fl_display, confine_);
    confine_owner_ = window;
    const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
    if (XGrabPointer(fl_display, fl_xid(window), False, mask, GrabModeAsync, GrabModeAsync,
                     confine_, None, CurrentTime) != GrabSuccess) {
      ReleasePointer();
      return;
    }
    XFlush(fl_display);
  }

  void Activate(Window& top) override {
    auto it = std::find_if(windows_.begin(), windows_.end(),
                           [&](TopWindow* w) { return owners_[w] == &top; });
    if (it == windows_.end() || !(*it)->shown()) return;
    const ::Window xid = fl_xid(*it);
    if (WindowManagerRuns()) {
      // The manager's own protocol: it raises and focuses the window as if the user had clicked
      // it (a program's request, stamped with the time of the last input the program saw).
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.display = fl_display;
      event.xclient.window = xid;
      event.xclient.message_type = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] = 1;
      event.xclient.data.l[1] = static_cast<long>(fl_event_time);
      XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
                 SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
      XRaiseWindow(fl_display, xid);
      FocusIfViewable(xid);
    }
    // Sent now: a chooser or a box that opens next must find the request already handled.
    XFlush(fl_display);
  }

  // Without a window manager nobody gives a new window the keyboard. A window of this program
  // that maps takes it itself (the dialog that runs, FLTK's chooser, GTK's chooser), unless it
  // is a menu or a tooltip, which never take it, or a window of the layer that is not the one
  // that takes input now.
  void WindowMapped(::Window xid, bool override_redirect) {
    if (override_redirect || WindowManagerRuns()) return;
    if (Fl_Window* window = fl_find(xid)) {
      auto* top = dynamic_cast<TopWindow*>(window);
      if (top != nullptr && owners_[top] != System::Get().Active()) return;
    } else if (ProcessOf(xid) != static_cast<long>(CurrentProcessId())) {
      return;
    }
    FocusIfViewable(xid);
    XFlush(fl_display);
  }

  int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }

  int TrackPopupMenu(Window*, const Menu& menu, Point at) override {
    std::vector<Fl_Menu_Item> items;
    std::vector<std::unique_ptr<std::string>> labels;
    Flatten(menu.items(), items, labels);
    items.push_back(Fl_Menu_Item{});
    // Menu coordinates are relative to the window of the last event.
    const int x = at.x - (Fl::event_x_root() - Fl::event_x());
    const int y = at.y - (Fl::event_y_root() - Fl::event_y());
    const Fl_Menu_Item* chosen = items.data()->popup(x, y);
    return chosen != nullptr ? static_cast<int>(chosen->argument()) : 0;
  }

  FileDialogResult ShowFileDialog(Window*, const FileDialogRequest& request) override {
    Fl_Native_File_Chooser chooser;
    chooser.type(request.save ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE
                              : Fl_Native_File_Chooser::BROWSE_FILE);
    chooser.title(request.title.c_str());
    const std::string filter = FltkFilterText(request.filters);
    const int count = static_cast<int>(request.filters.size());
    if (count > 0) {
      chooser.filter(filter.c_str());
      chooser.filter_value(std::clamp(request.filter_index - 1, 0, count - 1));
    }
    // Without a folder the GTK chooser opens on its recently used files, and a name without a
    // folder would put FLTK's own chooser in the process's folder whatever folder was asked for:
    // both get absolute places.
    std::error_code error;
    const ChooserStart start = ChooserStartOf(request, std::filesystem::current_path(error));
    if (!start.folder.empty()) chooser.directory(start.folder.c_str());
    if (!start.file.empty()) chooser.preset_file(start.file.c_str());
    chooser.options(Fl_Native_File_Chooser::NO_OPTIONS);
    // Without a window manager the layer hands the keyboard to the windows that open; GTK's
    // chooser runs a loop of its own in which the program sees none of its events, so there the
    // keyboard follows the pointer, as X has it without a manager. The owner gets it back after.
    if (!WindowManagerRuns()) {
      XSetInputFocus(fl_display, PointerRoot, RevertToPointerRoot, CurrentTime);
      XFlush(fl_display);
    }
    FileDialogResult result;
    if (chooser.show() == 0 && chooser.filename() != nullptr) {
      result.ok = true;
      result.path = chooser.filename();
      // One FLTK filter per caller filter, in order; FLTK's own "All Files" comes after them.
      result.filter_index = chooser.filter_value() + 1;
    }
    return result;
  }

  bool OpenDocument(std::string_view document) override { return platform::OpenDocument(document); }

  void CopyToClipboard(const std::string& text) override {
    Fl::copy(text.data(), static_cast<int>(text.size()), 1);
  }

  // X answers with a SelectionNotify event, which FLTK turns into FL_PASTE on the widget (at
  // once when this program owns the clipboard itself).
  void RequestClipboard(Window& receiver) override {
    auto* peer = dynamic_cast<WidgetPeer*>(receiver.peer());
    if (peer == nullptr || Fl::first_window() == nullptr) return;
    Fl::paste(*peer->widget(), 1, Fl::clipboard_plain_text);
  }

  Rect ScreenArea(Point near) override {
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_work_area(x, y, w, h, near.x, near.y);
    return Rect::FromSize(x, y, w, h);
  }

  // A wait cursor goes up right before work that keeps the loop from running: the request
  // must reach the server now, not at the next round of the loop after the work.
  void CursorChanged(Cursor cursor) override {
    for (TopWindow* w : windows_) w->cursor(CursorOf(cursor));
    XSync(fl_display, False);
  }

 private:
  void AddChildren(Window& parent) {
    for (const auto& child : parent.children()) {
      Window& w = *child;
      if (auto* edit = dynamic_cast<Edit*>(&w)) {
        if (edit->has_style(kStyleMultiLine)) {
          auto* widget = new EditWidget<WrappingEditor>(*edit);
          edit->set_peer(std::make_unique<EditPeer<WrappingEditor>>(*edit, widget));
        } else {
          auto* widget = new EditWidget<Fl_Input>(*edit);
          edit->set_peer(std::make_unique<EditPeer<Fl_Input>>(*edit, widget));
        }
      } else if (auto* combo = dynamic_cast<ComboBox*>(&w)) {
        auto* widget = new ChoiceWidget(*combo);
        combo->set_peer(std::make_unique<ChoicePeer>(*combo, widget));
      } else {
        auto* widget = new CanvasWidget(w);
        w.set_peer(std::make_unique<WidgetPeer>(w, widget));
      }
      AddChildren(w);
    }
  }

  void SyncAll(Window& w) {
    if (w.peer() != nullptr) w.peer()->Sync();
    for (const auto& child : w.children()) SyncAll(*child);
  }

  void ClearPeers(Window& w) {
    for (const auto& child : w.children()) {
      ClearPeers(*child);
      child->set_peer(nullptr);
    }
  }

  // True when a window manager of the desktop's conventions runs: the root names its check
  // window, that window names itself (a manager that died leaves the root's property behind),
  // and the manager supports _NET_ACTIVE_WINDOW. Asked each time: a manager may start or end
  // while the program runs.
  static bool WindowManagerRuns() {
    const ::Window root = RootWindow(fl_display, fl_screen);
    const Atom check = XInternAtom(fl_display, "_NET_SUPPORTING_WM_CHECK", False);
    const ::Window manager = WindowProperty(root, check);
    if (manager == 0 || WindowProperty(manager, check) != manager) return false;
    const Atom supported = XInternAtom(fl_display, "_NET_SUPPORTED", False);
    const Atom active = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(fl_display, root, supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr) {
      if (type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        found = std::find(atoms, atoms + count, active) != atoms + count;
      }
      XFree(data);
    }
    return found;
  }

  // The window named by the WINDOW property `name` of `xid`, or 0 (also when `xid` is gone).
  static ::Window WindowProperty(::Window xid, Atom name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    ::Window value = 0;
    IgnoringXErrors gone_windows;
    if (XGetWindowProperty(fl_display, xid, name, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
      if (type == XA_WINDOW && format == 32 && count == 1)
        value = *reinterpret_cast<const ::Window*>(data);
      XFree(data);
    }
    return value;
  }

  // The process id a window of another connection gives itself (_NET_WM_PID), or -1.
  static long ProcessOf(::Window xid) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    const Atom name = XInternAtom(fl_display, "_NET_WM_PID", False);
    IgnoringXErrors gone_windows;
    if (XGetWindowProperty(fl_display, xid, name, 0, 1, False, XA_CARDINAL, &type, &format, &count,
                           &after, &data) == Success &&
        data != nullptr) {
      if (type == XA_CARDINAL && format == 32 && count == 1)
        pid = *reinterpret_cast<const long*>(data);
      XFree(data);
    }
    return pid;
  }

  // Takes _NET_WM_STATE_SKIP_TASKBAR off the window: through the manager, which owns the state of
  // a window it manages, or in the property itself.
  static void ShowOnTaskbar(::Window xid) {
    const Atom state = XInternAtom(fl_display, "_NET_WM_STATE", False);
    const Atom skip = XInternAtom(fl_display, "_NET_WM_STATE_SKIP_TASKBAR", False);
    if (WindowManagerRuns()) {
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.display = fl_display;
      event.xclient.window = xid;
      event.xclient.message_type = state;
      event.xclient.format = 32;
      event.xclient.data.l[0] = 0;  // remove
      event.xclient.data.l[1] = static_cast<long>(skip);
      event.xclient.data.l[3] = 1;  // asked by an application
      XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
                 SubstructureRedirectMask | SubstructureNotifyMask, &event);
      return;
    }
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(fl_display, xid, state, 0, 64, False, XA_ATOM, &type, &format, &count,
                           &after, &data) != Success ||
        data == nullptr) {
      return;
    }
    std::vector<Atom> kept;
    if (type == XA_ATOM && format == 32) {
      const Atom* atoms = reinterpret_cast<const Atom*>(data);
      std::copy_if(atoms, atoms + count, std::back_inserter(kept),
                   [&](Atom a) { return a != skip; });
    }
    XFree(data);
    XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(kept.data()),
                    static_cast<int>(kept.size()));
  }

  // A window that is not viewable (yet) cannot have the focus; asking would be an X error.
  static void FocusIfViewable(::Window xid) {
    IgnoringXErrors gone_windows;  // it may go between the two requests
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(fl_display, xid, &attributes) == 0 ||
        attributes.map_state != IsViewable)
      return;
    XSetInputFocus(fl_display, xid, RevertToParent, CurrentTime);
  }

  void ReleasePointer() {
    if (confine_ == 0) return;
    XUngrabPointer(fl_display, CurrentTime);
    XDestroyWindow(fl_display, confine_);
    XFlush(fl_display);
    confine_ = 0;
    confine_owner_ = nullptr;
  }

  static void Flatten(const std::vector<MenuItem>& menu, std::vector<Fl_Menu_Item>& items,
                      std::vector<std::unique_ptr<std::string>>& labels) {
    for (size_t i = 0; i < menu.size(); ++i) {
      const MenuItem& item = menu[i];
      if (item.separator) {
        if (!items.empty()) items.back().flags |= FL_MENU_DIVIDER;
        continue;
      }
      std::string text = item.text;
      std::replace(text.begin(), text.end(), '\t', ' ');
      labels.push_back(std::make_unique<std::string>(text));
      Fl_Menu_Item entry{};
      entry.text = labels.back()->c_str();
      entry.labelfont_ = FontFor(DefaultDialogFont(), text);
      entry.labelsize_ = 12;
      // The menu entry carries its command number, which is never dereferenced.
      // NOLINTNEXTLINE(performance-no-int-to-ptr): a number, not an address
      entry.user_data_ = reinterpret_cast<void*>(static_cast<intptr_t>(item.id));
      entry.flags |= FltkMenuFlags(menu, i);
      if (item.is_popup()) {
        items.push_back(entry);
        Flatten(item.submenu, items, labels);
        items.push_back(Fl_Menu_Item{});
      } else {
        items.push_back(entry);
      }
    }
  }

 public:
  std::vector<TopWindow*> windows_;
  std::unordered_map<TopWindow*, Window*> owners_;
  uint64_t events_seen_ = 0;                // X events FLTK has handled
  uint64_t held_event_ = 0;                 // the event the answers of KeyHeld hold for
  std::vector<std::pair<int, bool>> held_;  // those answers
  ::Window confine_ = 0;                // the pointer's confinement, while the cursor is clipped
  TopWindow* confine_owner_ = nullptr;  // the window that grabbed the pointer
};

FltkBackend* g_fltk = nullptr;

// Every X event passes here before FLTK handles it (and before it notes a key's state). The maps
// of top-level windows arrive through the root, whose children this connection follows.
int WatchEvents(void* event, void*) {
  if (g_fltk == nullptr) return 0;
  ++g_fltk->events_seen_;
  const XEvent& e = *static_cast<const XEvent*>(event);
  if (e.type == MapNotify && e.xmap.event == RootWindow(fl_display, fl_screen)) {
    g_fltk->WindowMapped(e.xmap.window, e.xmap.override_redirect != 0);
  }
  return 0;  // FLTK goes on with the event
}

}  // namespace
}  // namespace internal
}  // namespace vtr::platform

namespace vtr::platform {

bool UseFltkBackend() {
  using internal::System;
  if (internal::g_fltk == nullptr) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
    Fl::lock();  // lets other threads wake the loop (posted commands)
    // The font list, and FLTK's own face (its choosers, menus and tooltips) as its first family.
    static std::vector<std::string> names;
    for (size_t i = 0; i < internal::kFontList.size(); ++i) {
      names.push_back(" " + std::string(internal::kFontList[i].proportional));
      names.push_back(" " + std::string(internal::kFontList[i].fixed));
    }
    for (size_t i = 0; i < internal::kFontList.size(); ++i) {
      Fl::set_font(internal::FontSlot(static_cast<int>(i), false), names[2 * i].c_str());
      Fl::set_font(internal::FontSlot(static_cast<int>(i), true), names[2 * i + 1].c_str());
    }
    static const std::string face(internal::kFontList[0].proportional);
    static const std::string faces[] = {" " + face, "B" + face, "I" + face, "P" + face};
    for (int style = 0; style < 4; ++style)
      Fl::set_font(FL_HELVETICA + style, faces[style].c_str());
    FL_NORMAL_SIZE = 12;
    Fl::visual(FL_DOUBLE | FL_INDEX);
    internal::g_fltk = new internal::FltkBackend();
    // The root's children: their maps tell when a window of this program needs the keyboard.
    const ::Window root = RootWindow(fl_display, fl_screen);
    XWindowAttributes attributes{};
    XGetWindowAttributes(fl_display, root, &attributes);
    XSelectInput(fl_display, root, attributes.your_event_mask | SubstructureNotifyMask);
    Fl::add_system_handler(internal::WatchEvents, nullptr);
  }
  System::Get().Install(internal::g_fltk);
  return true;
}

}  // namespace vtr::platform
