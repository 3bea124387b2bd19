// The base of every control, the labels and pictures, the custom windows' placeholder, and the
// control a template entry describes. The other controls have a file of their own each family:
// button_controls.cpp, edit_control.cpp, list_controls.cpp and range_controls.cpp.
#include "platform/window/controls.h"

#include <algorithm>

#include "platform/window/internal/control_text.h"

namespace vtr::platform {
namespace {

using internal::PaintText;

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

}  // namespace

namespace internal {

void PaintText(Canvas& canvas, const Window& w, const Rect& r, uint32_t format, Color color,
               int margin) {
  const int room = r.width() - 2 * margin - kCaptionClearance;
  canvas.Text(r, w.text(), FittingFont(canvas, w.text(), w.font(), room),
              w.IsEnabled() ? color : colors::kGrayText, format);
}

}  // namespace internal

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
    canvas.Text(Rect{r.left + 8, r.top, r.left + 12 + size.width, r.top + size.height}, text(),
                font(), text_color_, kTextSingleLine, TextBackground{true, colors::kButtonFace});
    return;
  }
  if (has_style(kStyleSunken)) canvas.FrameRect(r, colors::kShadow, 1);
  uint32_t format = has_style(kStyleCenter)  ? kTextCenter
                    : has_style(kStyleRight) ? kTextRight
                                             : kTextLeft;
  PaintText(canvas, *this, r, format, text_color_);
}

// Picture ---------------------------------------------------------------------------------

void Picture::SetImage(Image image, std::optional<Color> key) {
  image_ = std::move(image);
  key_ = key;
  Invalidate();
}

void Picture::OnPaint(Canvas& canvas) { canvas.DrawImage({0, 0}, image_, key_); }

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
