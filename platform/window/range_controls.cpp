// The controls that hold a range and a position: the trackbar, the up-down arrows and the
// scroll bar.
#include <algorithm>
#include <charconv>

#include "platform/window/controls.h"
#include "platform/window/window_system.h"

namespace vtr::platform {

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
    case kKeyLeft:
    case kKeyUp:
      UserMove(ScrollCode::kLineUp, pos_ - 1);
      break;
    case kKeyRight:
    case kKeyDown:
      UserMove(ScrollCode::kLineDown, pos_ + 1);
      break;
    case kKeyPageUp:
      UserMove(ScrollCode::kPageUp, pos_ - page_);
      break;
    case kKeyPageDown:
      UserMove(ScrollCode::kPageDown, pos_ + page_);
      break;
    default:
      return false;
  }
  if (parent() != nullptr) parent()->OnScroll(id(), ScrollCode::kEndScroll, pos_);
  return true;
}

bool Trackbar::OnMouse(const MouseEvent& event) {
  const int span = std::max(1, rect().width() - 10);
  auto value_at = [&](int x) {
    return min_ +
           static_cast<int>(
               (static_cast<int64_t>(std::clamp(x - 5, 0, span)) * (max_ - min_) + span / 2) /
               span);
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
  const int x =
      5 + (max_ > min_ ? static_cast<int>(static_cast<int64_t>(pos_ - min_) * span / (max_ - min_))
                       : 0);
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
  layout.thumb_start =
      layout.arrow +
      (span > 0 ? static_cast<int>((static_cast<int64_t>(pos_) - min_) * room / span) : 0);
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
  const bool press =
      event.kind == MouseEvent::Kind::kDown || event.kind == MouseEvent::Kind::kDoubleClick;
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
    PaintButtonFace(canvas, span(layout.thumb_start, layout.thumb_start + layout.thumb_length),
                    dragging_);
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

}  // namespace vtr::platform
