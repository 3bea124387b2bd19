// The buttons: push buttons, check boxes and radio buttons, the image and shaped buttons, and
// the button with a drop-down arrow.
#include <algorithm>
#include <cmath>

#include "platform/window/controls.h"
#include "platform/window/internal/control_text.h"
#include "platform/window/window_system.h"

namespace vtr::platform {

using internal::kButtonMargin;
using internal::PaintText;

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
        if (half > 1)
          canvas.Line({mark.left + 7 - half, y}, {mark.left + 5 + half, y}, colors::kWhite, 1);
        const int dot = static_cast<int>(std::sqrt(std::max(0.0, 2.6 * 2.6 - dy * dy)));
        if (check_ && std::abs(dy) <= 2.6)
          canvas.Line({mark.left + 6 - dot, y}, {mark.left + 6 + dot, y}, ink, 1);
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
    PaintText(canvas, *this, Rect{box + 4, 0, r.right, r.bottom}, kTextVCenter | kTextSingleLine,
              colors::kBlack);
    return;
  }
  PaintButtonFace(canvas, r, pressed_);
  if (!image_.empty()) {
    const int dx = pressed_ ? 1 : 0;
    const Point at{(r.width() - image_.width) / 2 + dx, (r.height() - image_.height) / 2 + dx};
    canvas.DrawImage(at, IsEnabled() ? image_ : GreyedImage(image_, image_key_), image_key_);
  } else {
    PaintText(canvas, *this, r, kTextCenter | kTextVCenter | kTextSingleLine, colors::kBlack,
              kButtonMargin);
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
  const Image face =
      image_.Crop(Rect{0, frame * frame_height_, image_.width, (frame + 1) * frame_height_});
  canvas.DrawImage({0, 0}, face, image_.at(0, 0));
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
  PaintText(canvas, *this, t, kTextCenter | kTextVCenter | kTextSingleLine, colors::kBlack,
            kButtonMargin);
  // A black triangle 6 pixels wide and 3 high, pointing down, in the middle of the arrow part.
  const int cx = a.left + a.width() / 2;
  const int cy = a.top + a.height() / 2 - 1;
  for (int row = 0; row < 3; ++row) {
    canvas.Line({cx - 3 + row, cy + row}, {cx + 2 - row, cy + row}, colors::kBlack, 1);
  }
}

}  // namespace vtr::platform
