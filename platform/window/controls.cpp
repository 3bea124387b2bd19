#include "platform/window/controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/window/dialog.h"
#include "platform/window/internal/system.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace {

// Byte offset of character `chars` in UTF-8 text (the size for offsets past the end).
size_t Utf8ByteOfChar(std::string_view s, int chars) {
  size_t i = 0;
  for (int n = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (n == chars) return i;
    ++n;
  }
  return s.size();
}

int Utf8Length(std::string_view s) {
  int n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The line of multi-line text holding character `pos`: its first character and the character
// after its last (its '\n', or the end of the text), in characters.
struct LineSpan {
  int start = 0;
  int end = 0;
};
LineSpan LineAt(std::string_view s, int pos) {
  LineSpan line;
  int n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) == 0x80) continue;
    if (c == '\n') {
      if (n >= pos) {
        line.end = n;
        return line;
      }
      line.start = n + 1;
    }
    ++n;
  }
  line.end = n;
  return line;
}

// Pixels between a push button's edge and its caption: the raised frame and a little air.
constexpr int kButtonMargin = 3;
// Pixels kept free between a caption and the edge of its room, so that it never touches the
// control beside it.
constexpr int kCaptionClearance = 2;
// Smallest size a caption is shrunk to [pt]; below it the caption is cut off.
constexpr double kSmallestCaptionPoints = 6.0;

// `font`, made smaller in half points until every line of `text` fits `room` pixels across:
// a caption written for a narrower font stays whole inside its control.
Font FittingFont(Canvas& canvas, std::string_view text, const Font& font, int room) {
  auto widest = [&](const Font& f) {
    int width = 0;
    for (size_t start = 0; start <= text.size();) {
      const size_t end = std::min(text.find('\n', start), text.size());
      width = std::max(width, canvas.MeasureText(text.substr(start, end - start), f).width);
      start = end + 1;
    }
    return width;
  };
  Font fitted = font;
  while (fitted.points > kSmallestCaptionPoints && widest(fitted) > room) fitted.points -= 0.5;
  return fitted;
}

void PaintText(Canvas& canvas, const Window& w, const Rect& r, uint32_t format, Color color, int margin = 0) {
  const int room = r.width() - 2 * margin - kCaptionClearance;
  canvas.Text(r, w.text(), FittingFont(canvas, w.text(), w.font(), room), w.IsEnabled() ? color : colors::kGrayText,
              format);
}

}  // namespace

void Control::Notify(Notice notice) {
  if (parent() != nullptr) parent()->OnCommand(id(), notice);
}

void Control::PaintButtonFace(Canvas& canvas, const Rect& r, bool pressed) const {
  canvas.FillRect(r, colors::kButtonFace);
  canvas.FrameRect(r, pressed ? colors::kShadow : colors::kWhite, 1);
  if (!pressed) {
    canvas.Line({r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, colors::kShadow, 1);
    canvas.Line({r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, colors::kShadow, 1);
  }
}

// Static ----------------------------------------------------------------------------------

void Static::SetColors(std::optional<Color> background, Color text_color) {
  background_ = background;
  text_color_ = text_color;
  Changed();
  Invalidate();
}

void Static::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  if (background_) canvas.FillRect(r, *background_);
  if (kind() == ControlKind::kGroupBox) {
    canvas.FrameRect(Rect{r.left, r.top + 6, r.right, r.bottom}, colors::kShadow, 1);
    Size size = canvas.MeasureText(text(), font());
    canvas.Text(Rect{r.left + 8, r.top, r.left + 12 + size.width, r.top + size.height}, text(), font(),
                text_color_, kTextSingleLine, TextBackground{true, colors::kButtonFace});
    return;
  }
  if (has_style(kStyleSunken)) canvas.FrameRect(r, colors::kShadow, 1);
  uint32_t format = has_style(kStyleCenter) ? kTextCenter : has_style(kStyleRight) ? kTextRight : kTextLeft;
  PaintText(canvas, *this, r, format, text_color_);
}

// Picture ---------------------------------------------------------------------------------

void Picture::SetImage(Image image, std::optional<Color> key) {
  image_ = std::move(image);
  key_ = key;
  Invalidate();
}

void Picture::OnPaint(Canvas& canvas) { canvas.DrawImage({0, 0}, image_, key_); }

// Button ----------------------------------------------------------------------------------

void Button::SetCheck(int check) {
  if (check_ == check) return;
  check_ = check;
  Changed();
  Invalidate();
}

void Button::SetImage(Image image, std::optional<Color> key) {
  image_ = std::move(image);
  image_key_ = key;
  Changed();
  Invalidate();
}

void Button::Activate() {
  if (!IsEnabled()) return;
  if (kind() == ControlKind::kCheckBox) {
    SetCheck(check_ ? 0 : 1);
  } else if (kind() == ControlKind::kRadioButton && parent() != nullptr) {
    // The group runs from the last kStyleGroup control before this one to the next one.
    const auto& siblings = parent()->children();
    size_t self = 0;
    while (self < siblings.size() && siblings[self].get() != this) ++self;
    size_t first = self;
    while (first > 0) {
      const auto* c = dynamic_cast<const Control*>(siblings[first].get());
      if (c != nullptr && c->has_style(kStyleGroup)) break;
      --first;
    }
    for (size_t i = first; i < siblings.size(); ++i) {
      auto* b = dynamic_cast<Button*>(siblings[i].get());
      if (i > first && b != nullptr && b->has_style(kStyleGroup)) break;
      if (b != nullptr && b->kind() == ControlKind::kRadioButton) b->SetCheck(b == this ? 1 : 0);
    }
  }
  Notify(Notice::kClicked);
}

bool Button::OnMouse(const MouseEvent& event) {
  if (event.button != MouseButton::kLeft && event.kind != MouseEvent::Kind::kMove) return false;
  switch (event.kind) {
    case MouseEvent::Kind::kDown:
    case MouseEvent::Kind::kDoubleClick:
      pressed_ = true;
      platform::SetCapture(this);
      Invalidate();
      return true;
    case MouseEvent::Kind::kMove:
      if (GetCapture() == this) {
        const bool inside = HitTest(event.point);
        if (inside != pressed_) {
          pressed_ = inside;
          Invalidate();
        }
      }
      return true;
    case MouseEvent::Kind::kUp: {
      const bool click = pressed_ && HitTest(event.point);
      pressed_ = false;
      if (GetCapture() == this) platform::ReleaseCapture();
      Invalidate();
      if (click) Activate();
      return true;
    }
    case MouseEvent::Kind::kWheel:
      return false;
  }
  return false;
}

bool Button::OnKey(const KeyEvent& event) {
  if (event.kind == KeyEvent::Kind::kDown && event.key == kKeySpace) {
    Activate();
    return true;
  }
  return false;
}

void Button::OnCaptureLost() {
  if (pressed_) {
    pressed_ = false;
    Invalidate();
  }
}

void Button::OnMouseEnter() {
  hover_ = true;
  Invalidate();
}

void Button::OnMouseLeave() {
  hover_ = false;
  Invalidate();
}

void Button::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  if (kind() == ControlKind::kCheckBox || kind() == ControlKind::kRadioButton) {
    const int box = 13;
    const Rect mark = Rect::FromSize(0, (r.height() - box) / 2, box, box);
    const Color ink = IsEnabled() ? colors::kBlack : colors::kGrayText;
    if (kind() == ControlKind::kRadioButton) {
      // A round mark: rows of a disc, with a dot when checked.
      for (int row = 0; row < box; ++row) {
        const double dy = row - (box - 1) / 2.0;
        const int half = static_cast<int>(std::sqrt(std::max(0.0, 6.5 * 6.5 - dy * dy)));
        const int y = mark.top + row;
        canvas.Line({mark.left + 6 - half, y}, {mark.left + 6 + half, y}, colors::kShadow, 1);
        if (half > 1) canvas.Line({mark.left + 7 - half, y}, {mark.left + 5 + half, y}, colors::kWhite, 1);
        const int dot = static_cast<int>(std::sqrt(std::max(0.0, 2.6 * 2.6 - dy * dy)));
        if (check_ && std::abs(dy) <= 2.6) canvas.Line({mark.left + 6 - dot, y}, {mark.left + 6 + dot, y}, ink, 1);
      }
    } else {
      canvas.FillRect(mark, colors::kWhite);
      canvas.FrameRect(mark, colors::kShadow, 1);
      if (check_) {
        // A tick.
        for (int i = 0; i < 3; ++i) {
          canvas.Line({mark.left + 3, mark.top + 5 + i}, {mark.left + 5, mark.top + 7 + i}, ink, 1);
          canvas.Line({mark.left + 5, mark.top + 7 + i}, {mark.left + 9, mark.top + 3 + i}, ink, 1);
        }
      }
    }
    PaintText(canvas, *this, Rect{box + 4, 0, r.right, r.bottom}, kTextVCenter | kTextSingleLine, colors::kBlack);
    return;
  }
  PaintButtonFace(canvas, r, pressed_);
  if (!image_.empty()) {
    const int dx = pressed_ ? 1 : 0;
    const Point at{(r.width() - image_.width) / 2 + dx, (r.height() - image_.height) / 2 + dx};
    canvas.DrawImage(at, IsEnabled() ? image_ : GreyedImage(image_, image_key_), image_key_);
  } else {
    PaintText(canvas, *this, r, kTextCenter | kTextVCenter | kTextSingleLine, colors::kBlack, kButtonMargin);
  }
}

// ImageButton -----------------------------------------------------------------------------

void ImageButton::SetImages(Images images) {
  images_ = std::move(images);
  Invalidate();
}

bool ImageButton::FitToImage() {
  if (images_.normal.empty()) return false;
  SetRect(Rect::FromSize(rect().left, rect().top, images_.normal.width, images_.normal.height));
  return true;
}

const Image* ImageButton::CurrentImage() const {
  const Image* image = &images_.normal;
  if (!IsEnabled()) {
    image = &images_.disabled;
  } else if (pressed()) {
    image = &images_.pressed;
  } else if (hover()) {
    image = &images_.hover;
  }
  if (image->empty()) image = &images_.normal;
  return image->empty() ? nullptr : image;
}

void ImageButton::OnPaint(Canvas& canvas) {
  if (const Image* image = CurrentImage()) canvas.DrawImage({0, 0}, *image, images_.key);
}

// ShapedButton ----------------------------------------------------------------------------

bool ShapedButton::SetShapeImage(Image image, int frame_count) {
  if (image.empty() || frame_count <= 0) return false;
  image_ = std::move(image);
  frame_height_ = image_.height / frame_count;
  SetRect(Rect::FromSize(rect().left, rect().top, image_.width, frame_height_));
  SetShape(RegionFromImage(image_, image_.at(0, 0), Rect{0, 0, image_.width, frame_height_}));
  Invalidate();
  return true;
}

void ShapedButton::OnPaint(Canvas& canvas) {
  if (image_.empty()) return;
  const int frame = pressed() ? 1 : 0;
  const Image face = image_.Crop(Rect{0, frame * frame_height_, image_.width, (frame + 1) * frame_height_});
  canvas.DrawImage({0, 0}, face, image_.at(0, 0));
}

// Edit ------------------------------------------------------------------------------------

void Edit::SetText(std::string_view utf8) {
  if (utf8 != text()) NoteEdit(0, text().size(), utf8.size());
  Window::SetText(utf8);
  undo_.reset();
  sel_start_ = sel_end_ = 0;
  sel_start_byte_ = sel_end_byte_ = 0;
  Changed();
}

bool Edit::SetScriptText(Encoding encoding, std::string_view bytes) {
  TextResult shown = ToUtf8(encoding, bytes);
  if (!shown.ok()) return false;
  SetText(shown.text);
  return true;
}

TextResult Edit::ScriptText(Encoding encoding) const { return FromUtf8(encoding, text()); }

int Edit::length() const { return Utf8Length(text()); }

void Edit::SetSel(int start, int end) {
  const int n = length();
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, n);
  if (start > end) std::swap(start, end);
  sel_start_ = start;
  sel_end_ = end;
  sel_start_byte_ = Utf8ByteOfChar(text(), start);
  sel_end_byte_ = sel_start_byte_ + Utf8ByteOfChar(std::string_view(text()).substr(sel_start_byte_), end - start);
  Changed();
}

void Edit::SetSelBytes(Encoding encoding, size_t start, size_t end) {
  TextResult bytes = ScriptText(encoding);
  const int s = static_cast<int>(CharOffsetOfByte(encoding, bytes.text, start));
  const int e = static_cast<int>(CharOffsetOfByte(encoding, bytes.text, end));
  SetSel(s, e);
}

std::pair<size_t, size_t> Edit::GetSelBytes(Encoding encoding) const {
  TextResult bytes = ScriptText(encoding);
  return {ByteOffsetOfChar(encoding, bytes.text, static_cast<size_t>(sel_start_)),
          ByteOffsetOfChar(encoding, bytes.text, static_cast<size_t>(sel_end_))};
}

std::string Edit::SelectedText() const { return text().substr(sel_start_byte_, sel_end_byte_ - sel_start_byte_); }

void Edit::ReplaceSel(std::string_view utf8) {
  const size_t a = sel_start_byte_;
  const size_t b = sel_end_byte_;
  undo_ = UndoState{a, utf8.size(), text().substr(a, b - a), sel_start_, sel_end_, a, b};
  sel_start_ = sel_end_ = sel_start_ + Utf8Length(utf8);
  sel_start_byte_ = sel_end_byte_ = a + utf8.size();
  NoteEdit(a, b - a, utf8.size());
  ReplaceText(a, b - a, utf8);
}

void Edit::ScrollCaret() {
  ++scroll_requests_;
  Changed();
}

void Edit::SetReadOnly(bool read_only) {
  set_style(read_only ? (style() | kStyleReadOnly) : (style() & ~kStyleReadOnly));
  Changed();
}

bool Edit::UserReplaceSel(std::string_view utf8) {
  if (locked_ || read_only()) return false;
  if (!has_style(kStyleMultiLine) && utf8.find('\n') != std::string_view::npos) {
    return UserReplaceSel(utf8.substr(0, utf8.find('\n')));
  }
  if (limit_ > 0 && length() - (sel_end_ - sel_start_) + Utf8Length(utf8) > limit_) return false;
  if (utf8.empty() && sel_start_ == sel_end_) return false;
  ReplaceSel(utf8);
  Notify(Notice::kChange);
  return true;
}

void Edit::Copy() {
  if (sel_start_ != sel_end_) SetClipboardText(SelectedText());
}

void Edit::Cut() {
  if (locked_ || read_only() || sel_start_ == sel_end_) return;
  Copy();
  UserReplaceSel("");
}

void Edit::Paste() {
  if (locked_ || read_only() || !IsEnabled()) return;
  internal::System::Get().backend().RequestClipboard(*this);
}

void Edit::ReceivePaste(std::string_view utf8) {
  if (locked_ || read_only() || !IsEnabled()) return;
  // A C string, as the desktop's text formats are: nothing after a NUL counts.
  utf8 = utf8.substr(0, utf8.find('\0'));
  std::string text;
  text.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\r') {
      text += utf8[i];
    } else if (i + 1 == utf8.size() || utf8[i + 1] != '\n') {
      text += '\n';  // a lone CR ends a line too
    }
  }
  TextResult shown = ToUtf8(encoding_, FromUtf8Replacing(encoding_, text));
  if (!shown.ok() || shown.text.empty()) return;
  OnPaste(shown.text);
}

void Edit::OnPaste(std::string_view utf8) { (void)UserReplaceSel(utf8); }

void Edit::Undo() {
  if (locked_ || read_only() || !undo_) return;
  // Undo is undone by the next one: the undo state becomes the way back.
  UndoState back{undo_->start, undo_->text.size(), text().substr(undo_->start, undo_->length),
                 sel_start_,     sel_end_,           sel_start_byte_,
                 sel_end_byte_};
  sel_start_ = undo_->sel_start;
  sel_end_ = undo_->sel_end;
  sel_start_byte_ = undo_->sel_start_byte;
  sel_end_byte_ = undo_->sel_end_byte;
  const UndoState now = std::exchange(*undo_, std::move(back));
  NoteEdit(now.start, now.length, now.text.size());
  ReplaceText(now.start, now.length, now.text);
  Notify(Notice::kChange);
}

bool Edit::OnKey(const KeyEvent& event) {
  if (locked_) return true;
  if (event.kind == KeyEvent::Kind::kChar) {
    if (event.ch < 0x20 && event.ch != '\n') return true;  // control characters type nothing
    if (event.ch == '\n' && !has_style(kStyleMultiLine)) return true;
    UserReplaceSel(EncodeUtf8(event.ch));
    return true;
  }
  if (event.kind != KeyEvent::Kind::kDown) return false;
  const bool ctrl = event.modifiers & kModCtrl;
  const bool shift = event.modifiers & kModShift;
  // Counted only for the keys that need it: every key down comes here, those that type too.
  std::optional<int> counted;
  auto chars = [&] {
    if (!counted) counted = length();
    return *counted;
  };
  auto move = [&](int caret) {
    caret = std::clamp(caret, 0, chars());
    if (shift) {
      SetSel(std::min(sel_start_, caret), std::max(sel_end_, caret));
    } else {
      SetSel(caret, caret);
    }
  };
  if (shift && !ctrl && event.key == kKeyInsert) {
    Paste();
    return true;
  }
  if (ctrl) {
    switch (event.key) {
      case 'C': Copy(); return true;
      case 'X': Cut(); return true;
      case 'V': Paste(); return true;
      case 'Z': Undo(); return true;
      case kKeyHome: move(0); return true;
      case kKeyEnd: move(chars()); return true;
      default: return false;
    }
  }
  // In a multi-line edit Home and End keep to the caret's line, and Up and Down go to the
  // same column of the line before or after (as far as that line reaches).
  if (has_style(kStyleMultiLine)) {
    switch (event.key) {
      case kKeyHome: move(LineAt(text(), sel_start_).start); return true;
      case kKeyEnd: move(LineAt(text(), sel_end_).end); return true;
      case kKeyUp: {
        const LineSpan line = LineAt(text(), sel_start_);
        if (line.start == 0) {
          move(sel_start_);
        } else {
          const LineSpan before = LineAt(text(), line.start - 1);
          move(before.start + std::min(sel_start_ - line.start, before.end - before.start));
        }
        return true;
      }
      case kKeyDown: {
        const LineSpan line = LineAt(text(), sel_end_);
        if (line.end == chars()) {
          move(sel_end_);
        } else {
          const LineSpan after = LineAt(text(), line.end + 1);
          move(after.start + std::min(sel_end_ - line.start, after.end - after.start));
        }
        return true;
      }
      default:
        break;
    }
  }
  switch (event.key) {
    case kKeyBack:
      if (sel_start_ == sel_end_ && sel_start_ > 0) SetSel(sel_start_ - 1, sel_end_);
      UserReplaceSel("");
      return true;
    case kKeyDelete:
      if (sel_start_ == sel_end_ && sel_end_ < chars()) SetSel(sel_start_, sel_end_ + 1);
      UserReplaceSel("");
      return true;
    case kKeyLeft: move(sel_start_ == sel_end_ || shift ? sel_start_ - 1 : sel_start_); return true;
    case kKeyRight: move(sel_start_ == sel_end_ || shift ? sel_end_ + 1 : sel_end_); return true;
    case kKeyHome: move(0); return true;
    case kKeyEnd: move(chars()); return true;
    case kKeyReturn:
      if (has_style(kStyleMultiLine)) {
        UserReplaceSel("\n");
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool Edit::OnMouse(const MouseEvent&) { return true; }

// ComboBox --------------------------------------------------------------------------------

int ComboBox::AddString(std::string_view utf8) { return InsertString(-1, utf8); }

int ComboBox::InsertString(int index, std::string_view utf8) {
  if (index < 0 || index > count()) index = count();
  items_.insert(items_.begin() + index, std::string(utf8));
  if (cur_sel_ >= index) ++cur_sel_;
  Changed();
  return index;
}

bool ComboBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return false;
  items_.erase(items_.begin() + index);
  if (cur_sel_ == index) {
    cur_sel_ = -1;
  } else if (cur_sel_ > index) {
    --cur_sel_;
  }
  Changed();
  return true;
}

void ComboBox::ResetContent() {
  items_.clear();
  cur_sel_ = -1;
  Changed();
}

bool ComboBox::SetCurSel(int index) {
  const bool valid = index >= -1 && index < count();
  cur_sel_ = valid ? index : -1;
  Window::SetText(cur_sel_ >= 0 ? items_[static_cast<size_t>(cur_sel_)] : std::string());
  Changed();
  return valid && index >= 0;
}

void ComboBox::UserSelect(int index) {
  if (!IsEnabled() || index < 0 || index >= count() || index == cur_sel_) return;
  (void)SetCurSel(index);
  Notify(Notice::kSelChange);
}

bool ComboBox::OnKey(const KeyEvent& event) {
  if (event.kind != KeyEvent::Kind::kDown) return false;
  if (event.key == kKeyUp) {
    UserSelect(std::max(0, cur_sel_ - 1));
    return true;
  }
  if (event.key == kKeyDown) {
    UserSelect(std::min(count() - 1, cur_sel_ + 1));
    return true;
  }
  return false;
}

// Trackbar --------------------------------------------------------------------------------

void Trackbar::SetRange(int minimum, int maximum) {
  min_ = std::min(minimum, maximum);
  max_ = std::max(minimum, maximum);
  pos_ = std::clamp(pos_, min_, max_);
  Changed();
}

void Trackbar::SetPos(int pos) {
  pos_ = std::clamp(pos, min_, max_);
  Changed();
  Invalidate();
}

void Trackbar::UserMove(ScrollCode code, int pos) {
  if (!IsEnabled()) return;
  SetPos(pos);
  if (parent() != nullptr) parent()->OnScroll(id(), code, pos_);
}

bool Trackbar::OnKey(const KeyEvent& event) {
  if (event.kind != KeyEvent::Kind::kDown) return false;
  switch (event.key) {
    case kKeyLeft: case kKeyUp: UserMove(ScrollCode::kLineUp, pos_ - 1); break;
    case kKeyRight: case kKeyDown: UserMove(ScrollCode::kLineDown, pos_ + 1); break;
    case kKeyPageUp: UserMove(ScrollCode::kPageUp, pos_ - page_); break;
    case kKeyPageDown: UserMove(ScrollCode::kPageDown, pos_ + page_); break;
    default: return false;
  }
  if (parent() != nullptr) parent()->OnScroll(id(), ScrollCode::kEndScroll, pos_);
  return true;
}

bool Trackbar::OnMouse(const MouseEvent& event) {
  const int span = std::max(1, rect().width() - 10);
  auto value_at = [&](int x) {
    return min_ + static_cast<int>((static_cast<int64_t>(std::clamp(x - 5, 0, span)) * (max_ - min_) + span / 2) / span);
  };
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft) {
    dragging_ = true;
    platform::SetCapture(this);
    UserMove(ScrollCode::kThumbTrack, value_at(event.point.x));
    return true;
  }
  if (event.kind == MouseEvent::Kind::kMove && dragging_) {
    UserMove(ScrollCode::kThumbTrack, value_at(event.point.x));
    return true;
  }
  if (event.kind == MouseEvent::Kind::kUp && dragging_) {
    dragging_ = false;
    if (GetCapture() == this) platform::ReleaseCapture();
    UserMove(ScrollCode::kThumbPosition, value_at(event.point.x));
    if (parent() != nullptr) parent()->OnScroll(id(), ScrollCode::kEndScroll, pos_);
    return true;
  }
  return false;
}

void Trackbar::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  const int mid = r.height() / 2;
  canvas.FillRect(Rect{5, mid - 2, r.right - 5, mid + 2}, colors::kShadow);
  const int span = std::max(1, r.width() - 10);
  const int x = 5 + (max_ > min_ ? static_cast<int>(static_cast<int64_t>(pos_ - min_) * span / (max_ - min_)) : 0);
  PaintButtonFace(canvas, Rect{x - 4, 1, x + 5, r.bottom - 1}, dragging_);
}

// Spin ------------------------------------------------------------------------------------

void Spin::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
  Changed();
}

void Spin::SetPos(int pos) {
  pos_ = std::clamp(pos, std::min(lower_, upper_), std::max(lower_, upper_));
  if (buddy_ != nullptr && has_style(kStyleBuddyInt)) buddy_->SetText(std::to_string(pos_));
  Changed();
}

bool Spin::OnDeltaPos(int, int) { return false; }

void Spin::UserStep(int delta) {
  if (!IsEnabled()) return;
  int pos = pos_;
  if (buddy_ != nullptr && has_style(kStyleBuddyInt)) {
    // The buddy's number is the position the user sees.
    const std::string& t = buddy_->text();
    int value = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec == std::errc() && end == t.data() + t.size()) pos = value;
  }
  const int step = upper_ >= lower_ ? delta : -delta;
  if (OnDeltaPos(pos, step)) return;
  pos_ = pos;
  SetPos(pos + step);
  if (parent() != nullptr) parent()->OnScroll(id(), ScrollCode::kThumbPosition, pos_);
}

bool Spin::OnMouse(const MouseEvent& event) {
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft) {
    UserStep(event.point.y < rect().height() / 2 ? 1 : -1);
    return true;
  }
  return event.kind == MouseEvent::Kind::kUp;
}

void Spin::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  const int half = r.height() / 2;
  PaintButtonFace(canvas, Rect{0, 0, r.right, half}, false);
  PaintButtonFace(canvas, Rect{0, half, r.right, r.bottom}, false);
  const Color c = IsEnabled() ? colors::kBlack : colors::kGrayText;
  const int cx = r.width() / 2;
  for (int i = 0; i < 3; ++i) {
    canvas.Line({cx - i, half / 2 - 1 + i}, {cx + i, half / 2 - 1 + i}, c, 1);
    canvas.Line({cx - i, half + half / 2 + 1 - i}, {cx + i, half + half / 2 + 1 - i}, c, 1);
  }
}

// ScrollBar -------------------------------------------------------------------------------

void ScrollBar::SetRange(int minimum, int maximum) {
  min_ = std::min(minimum, maximum);
  max_ = std::max(minimum, maximum);
  pos_ = std::clamp(pos_, min_, max_);
  Changed();
}

void ScrollBar::SetPos(int pos) {
  pos_ = std::clamp(pos, min_, max_);
  Changed();
  Invalidate();
}

void ScrollBar::SetPage(int page) {
  page_ = std::max(0, page);
  Changed();
}

void ScrollBar::UserScroll(ScrollCode code, int track_pos) {
  if (!IsEnabled() || parent() == nullptr) return;
  if (code == ScrollCode::kThumbTrack || code == ScrollCode::kThumbPosition) {
    track_pos = std::clamp(track_pos, min_, max_);
  } else {
    track_pos = pos_;
  }
  parent()->OnScroll(id(), code, track_pos);
}

ScrollBar::Layout ScrollBar::GetLayout() const {
  const Rect r = client_rect();
  Layout layout;
  const int length = vertical() ? r.height() : r.width();
  layout.arrow = std::min(vertical() ? r.width() : r.height(), length / 2);
  layout.track_length = std::max(0, length - 2 * layout.arrow);
  const int64_t span = static_cast<int64_t>(max_) - min_;
  layout.thumb_length = std::min(layout.track_length, std::max(8, layout.arrow));
  const int room = layout.track_length - layout.thumb_length;
  layout.thumb_start = layout.arrow + (span > 0 ? static_cast<int>((static_cast<int64_t>(pos_) - min_) * room / span) : 0);
  return layout;
}

int ScrollBar::PositionAt(int offset_in_track) const {
  const Layout layout = GetLayout();
  const int room = std::max(1, layout.track_length - layout.thumb_length);
  const int64_t span = static_cast<int64_t>(max_) - min_;
  const int64_t at = std::clamp(offset_in_track, 0, room);
  return static_cast<int>(min_ + (at * span + room / 2) / room);
}

bool ScrollBar::OnMouse(const MouseEvent& event) {
  const int along = vertical() ? event.point.y : event.point.x;
  const Layout layout = GetLayout();
  // A double click is two presses: the bar gives it no meaning of its own.
  const bool press = event.kind == MouseEvent::Kind::kDown || event.kind == MouseEvent::Kind::kDoubleClick;
  if (press && event.button == MouseButton::kLeft) {
    const int length = 2 * layout.arrow + layout.track_length;
    if (along < layout.arrow) {
      UserScroll(ScrollCode::kLineUp);
    } else if (along >= length - layout.arrow) {
      UserScroll(ScrollCode::kLineDown);
    } else if (along < layout.thumb_start) {
      UserScroll(ScrollCode::kPageUp);
    } else if (along >= layout.thumb_start + layout.thumb_length) {
      UserScroll(ScrollCode::kPageDown);
    } else {
      dragging_ = true;
      drag_grip_ = along - layout.thumb_start;
      platform::SetCapture(this);
      return true;
    }
    UserScroll(ScrollCode::kEndScroll);
    return true;
  }
  if (!dragging_) return event.kind != MouseEvent::Kind::kWheel;
  const int track_pos = PositionAt(along - drag_grip_ - layout.arrow);
  if (event.kind == MouseEvent::Kind::kMove) {
    UserScroll(ScrollCode::kThumbTrack, track_pos);
  } else if (event.kind == MouseEvent::Kind::kUp) {
    dragging_ = false;
    if (GetCapture() == this) platform::ReleaseCapture();
    UserScroll(ScrollCode::kThumbPosition, track_pos);
    UserScroll(ScrollCode::kEndScroll);
  }
  return true;
}

void ScrollBar::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  canvas.FillRect(r, Rgb(0xE8, 0xE8, 0xE8));
  const Layout layout = GetLayout();
  const int length = vertical() ? r.height() : r.width();
  auto span = [&](int from, int to) {
    return vertical() ? Rect{0, from, r.right, to} : Rect{from, 0, to, r.bottom};
  };
  PaintButtonFace(canvas, span(0, layout.arrow), false);
  PaintButtonFace(canvas, span(length - layout.arrow, length), false);
  if (IsEnabled() && max_ > min_) {
    PaintButtonFace(canvas, span(layout.thumb_start, layout.thumb_start + layout.thumb_length), dragging_);
  }
  // Arrow heads.
  const Color c = IsEnabled() ? colors::kBlack : colors::kGrayText;
  const int mid = (vertical() ? r.width() : r.height()) / 2;
  const int a = layout.arrow / 2;
  for (int i = 0; i < 3; ++i) {
    if (vertical()) {
      canvas.Line({mid - i, a - 1 + i}, {mid + i, a - 1 + i}, c, 1);
      canvas.Line({mid - i, length - a + 1 - i}, {mid + i, length - a + 1 - i}, c, 1);
    } else {
      canvas.Line({a - 1 + i, mid - i}, {a - 1 + i, mid + i}, c, 1);
      canvas.Line({length - a + 1 - i, mid - i}, {length - a + 1 - i, mid + i}, c, 1);
    }
  }
}

// ListView --------------------------------------------------------------------------------

ListView::ListView() : Control(ControlKind::kListView) {
  bar_ = static_cast<ScrollBar*>(AddChild(std::make_unique<ScrollBar>(true), 0, Rect{}));
  bar_->Show(false);
}

int ListView::VisibleRows() const { return std::max(1, (rect().height() - kRowHeight) / kRowHeight); }

void ListView::ScrollTo(int first) {
  const int rows = VisibleRows();
  first_visible_ = std::clamp(first, 0, std::max(0, item_count() - rows));
  const bool needed = item_count() > rows;
  bar_->SetRect(Rect{rect().width() - kScrollBarWidth, kRowHeight, rect().width(), rect().height()});
  bar_->SetRange(0, std::max(0, item_count() - rows));
  bar_->SetPage(rows);
  bar_->SetPos(first_visible_);
  if (bar_->visible() != needed) bar_->Show(needed);
  Invalidate();
}

void ListView::OnScroll(int id, ScrollCode code, int pos) {
  if (id != bar_->id()) return;
  switch (code) {
    case ScrollCode::kLineUp: ScrollTo(first_visible_ - 1); break;
    case ScrollCode::kLineDown: ScrollTo(first_visible_ + 1); break;
    case ScrollCode::kPageUp: ScrollTo(first_visible_ - VisibleRows()); break;
    case ScrollCode::kPageDown: ScrollTo(first_visible_ + VisibleRows()); break;
    case ScrollCode::kThumbTrack:
    case ScrollCode::kThumbPosition: ScrollTo(pos); break;
    case ScrollCode::kTop: ScrollTo(0); break;
    case ScrollCode::kBottom: ScrollTo(item_count()); break;
    case ScrollCode::kEndScroll: break;
  }
}

int ListView::InsertColumn(int index, std::string_view text, int width, uint32_t format) {
  if (index < 0 || index > static_cast<int>(columns_.size())) index = static_cast<int>(columns_.size());
  columns_.insert(columns_.begin() + index, Column{std::string(text), width, format});
  for (auto& row : rows_) {
    if (static_cast<int>(row.size()) >= index) row.insert(row.begin() + index, std::string());
  }
  Invalidate();
  return index;
}

int ListView::InsertItem(int index, std::string_view text) {
  if (index < 0 || index > item_count()) index = item_count();
  std::vector<std::string> row(std::max<size_t>(1, columns_.size()));
  row[0] = std::string(text);
  rows_.insert(rows_.begin() + index, std::move(row));
  if (selected_ >= index) ++selected_;
  ScrollTo(first_visible_);
  return index;
}

bool ListView::SetItemText(int row, int column, std::string_view text) {
  if (row < 0 || row >= item_count() || column < 0) return false;
  auto& cells = rows_[static_cast<size_t>(row)];
  if (column >= static_cast<int>(cells.size())) {
    if (column >= static_cast<int>(std::max<size_t>(1, columns_.size()))) return false;
    cells.resize(static_cast<size_t>(column) + 1);
  }
  cells[static_cast<size_t>(column)] = std::string(text);
  Invalidate();
  return true;
}

std::string ListView::ItemText(int row, int column) const {
  if (row < 0 || row >= item_count() || column < 0) return {};
  const auto& cells = rows_[static_cast<size_t>(row)];
  return column < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column)] : std::string();
}

void ListView::DeleteAllItems() {
  rows_.clear();
  selected_ = -1;
  ScrollTo(0);
}

void ListView::SetSelected(int row) {
  selected_ = (row >= 0 && row < item_count()) ? row : -1;
  Invalidate();
}

void ListView::UserSelect(int row) {
  if (!IsEnabled() || row < 0 || row >= item_count() || row == selected_) return;
  SetSelected(row);
  Notify(Notice::kSelChange);
}

bool ListView::OnMouse(const MouseEvent& event) {
  if (event.kind == MouseEvent::Kind::kWheel) {
    ScrollTo(first_visible_ - event.wheel_delta / 40);
    return true;
  }
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft && event.point.y >= kRowHeight) {
    UserSelect(first_visible_ + (event.point.y - kRowHeight) / kRowHeight);
    return true;
  }
  return false;
}

void ListView::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  canvas.FillRect(r, colors::kWhite);
  int x = 0;
  for (const Column& column : columns_) {
    const Rect head{x, 0, x + column.width, kRowHeight};
    PaintButtonFace(canvas, head, false);
    canvas.Text(head.Inflate(-4, 0), column.text, font(), colors::kBlack, column.format | kTextVCenter | kTextSingleLine);
    x += column.width;
  }
  int y = kRowHeight;
  for (int row = first_visible_; row < item_count() && y < r.bottom; ++row, y += kRowHeight) {
    const bool selected = row == selected_;
    if (selected) canvas.FillRect(Rect{0, y, r.right, y + kRowHeight}, Rgb(0x31, 0x6A, 0xC5));
    x = 0;
    for (size_t c = 0; c < columns_.size(); ++c) {
      const Rect cell{x + 4, y, x + columns_[c].width - 2, y + kRowHeight};
      canvas.Text(cell, ItemText(row, static_cast<int>(c)), font(), selected ? colors::kWhite : colors::kBlack,
                  columns_[c].format | kTextVCenter | kTextSingleLine);
      x += columns_[c].width;
    }
  }
  canvas.FrameRect(r, colors::kShadow, 1);
}

// MenuButton ------------------------------------------------------------------------------

Rect MenuButton::text_part() const {
  const int w = rect().width();
  return Rect{0, 0, w - w / 5, rect().height()};
}

Rect MenuButton::arrow_part() const {
  const int w = rect().width();
  return Rect{w - w / 5, 0, w, rect().height()};
}

void MenuButton::ActivatePart(bool arrow) {
  if (!IsEnabled()) return;
  Notify(arrow ? Notice::kDropDown : Notice::kClicked);
}

bool MenuButton::OnMouse(const MouseEvent& event) {
  if (event.button != MouseButton::kLeft) return event.kind == MouseEvent::Kind::kMove;
  if (event.kind == MouseEvent::Kind::kDown || event.kind == MouseEvent::Kind::kDoubleClick) {
    pressed_part_ = arrow_part().Contains(event.point) ? 2 : 1;
    platform::SetCapture(this);
    Invalidate();
    return true;
  }
  if (event.kind == MouseEvent::Kind::kUp) {
    const int part = pressed_part_;
    pressed_part_ = 0;
    if (GetCapture() == this) platform::ReleaseCapture();
    Invalidate();
    if (part == 2 && arrow_part().Contains(event.point)) ActivatePart(true);
    if (part == 1 && text_part().Contains(event.point)) ActivatePart(false);
    return true;
  }
  return false;
}

void MenuButton::OnCaptureLost() {
  pressed_part_ = 0;
  Invalidate();
}

void MenuButton::OnPaint(Canvas& canvas) {
  const Rect t = text_part();
  const Rect a = arrow_part();
  PaintButtonFace(canvas, t, pressed_part_ == 1);
  PaintButtonFace(canvas, a, pressed_part_ == 2);
  PaintText(canvas, *this, t, kTextCenter | kTextVCenter | kTextSingleLine, colors::kBlack, kButtonMargin);
  // A black triangle 6 pixels wide and 3 high, pointing down, in the middle of the arrow part.
  const int cx = a.left + a.width() / 2;
  const int cy = a.top + a.height() / 2 - 1;
  for (int row = 0; row < 3; ++row) {
    canvas.Line({cx - 3 + row, cy + row}, {cx + 2 - row, cy + row}, colors::kBlack, 1);
  }
}

// CustomWindow ----------------------------------------------------------------------------

void CustomWindow::OnPaint(Canvas& canvas) { canvas.FillRect(client_rect(), colors::kWhite); }

// Template --------------------------------------------------------------------------------

std::unique_ptr<Control> MakeControl(const ControlTemplate& entry) {
  std::unique_ptr<Control> control;
  switch (entry.kind) {
    case ControlKind::kStatic:
    case ControlKind::kGroupBox:
      control = std::make_unique<Static>(entry.kind, entry.style);
      break;
    case ControlKind::kPicture:
      control = std::make_unique<Picture>();
      break;
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
      control = std::make_unique<Button>(entry.kind, entry.style);
      break;
    case ControlKind::kEdit:
      control = std::make_unique<Edit>(entry.style);
      control->SetCursorShape(Cursor::kIBeam);
      break;
    case ControlKind::kComboBox: {
      auto combo = std::make_unique<ComboBox>();
      for (std::string_view item : entry.items) combo->AddString(item);
      control = std::move(combo);
      break;
    }
    case ControlKind::kTrackbar:
      control = std::make_unique<Trackbar>(entry.style);
      break;
    case ControlKind::kSpin:
      control = std::make_unique<Spin>(entry.style);
      break;
    case ControlKind::kHScrollBar:
      control = std::make_unique<ScrollBar>(false);
      break;
    case ControlKind::kVScrollBar:
      control = std::make_unique<ScrollBar>(true);
      break;
    case ControlKind::kListView:
      control = std::make_unique<ListView>();
      break;
    case ControlKind::kMenuButton:
      control = std::make_unique<MenuButton>();
      break;
    case ControlKind::kImageButton:
      control = std::make_unique<ImageButton>();
      break;
    case ControlKind::kShapedButton:
      control = std::make_unique<ShapedButton>();
      break;
    case ControlKind::kCustom:
      control = std::make_unique<CustomWindow>(entry.style);
      break;
  }
  control->set_style(entry.style);
  control->SetText(entry.text);
  if (entry.style & kStyleHidden) control->Show(false);
  if (entry.style & kStyleDisabled) control->Enable(false);
  return control;
}

}  // namespace vtr::platform
