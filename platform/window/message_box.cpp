#include <algorithm>
#include <cmath>

#include "platform/window/internal/message_box_dialog.h"
#include "platform/window/internal/system.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace internal {
namespace {

constexpr int kIconId = 20;
constexpr int kTextId = 21;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kIconSize = 32;

struct ButtonSpec {
  int id;
  std::string_view label;
};

std::vector<ButtonSpec> ButtonsOf(uint32_t style) {
  switch (style & 0x0F) {
    case kMbYesNoCancel:
      return {{kIdYes, "はい"}, {kIdNo, "いいえ"}, {kIdCancel, "キャンセル"}};
    case kMbYesNo:
      return {{kIdYes, "はい"}, {kIdNo, "いいえ"}};
    default:
      return {{kIdOk, "OK"}};
  }
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (true) {
    size_t end = text.find('\n', start);
    lines.push_back(
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

DialogTemplate BoxTemplate(std::string_view text, std::string_view caption, uint32_t style) {
  DialogTemplate t;
  t.id = -1;
  t.caption = caption;
  RecordingCanvas measure(Rect{0, 0, 1, 1});
  const Font font = DefaultDialogFont();
  int text_width = 0;
  const auto lines = SplitLines(text);
  const int line_height = measure.MeasureText("あ", font).height;
  for (std::string_view line : lines)
    text_width = std::max(text_width, measure.MeasureText(line, font).width);
  const bool icon = (style & 0xF0) != 0;
  const int text_left = kMargin + (icon ? kIconSize + kMargin : 0);
  const auto buttons = ButtonsOf(style);
  const int buttons_width = static_cast<int>(buttons.size()) * (kButtonWidth + 8) - 8;
  const int width =
      std::clamp(std::max(text_left + text_width + kMargin, buttons_width + 2 * kMargin), 220, 640);
  const int text_height =
      std::max(static_cast<int>(lines.size()) * line_height, icon ? kIconSize : 0);
  const int buttons_top = kMargin + text_height + kMargin;
  t.size = Size{width, buttons_top + kButtonHeight + kMargin};
  if (icon)
    t.controls.push_back(
        {kIconId, ControlKind::kPicture, "", {kMargin, kMargin, kIconSize, kIconSize}});
  t.controls.push_back({kTextId,
                        ControlKind::kStatic,
                        text,
                        {text_left, kMargin, width - text_left - kMargin, text_height}});
  int x = (width - buttons_width) / 2;
  for (const ButtonSpec& b : buttons) {
    t.controls.push_back({b.id,
                          ControlKind::kButton,
                          b.label,
                          {x, buttons_top, kButtonWidth, kButtonHeight},
                          b.id == buttons.front().id ? kStyleDefault : 0u});
    x += kButtonWidth + 8;
  }
  return t;
}

}  // namespace

MessageBoxDialog::MessageBoxDialog(Window* owner, std::string_view text, std::string_view caption,
                                   uint32_t style)
    : Dialog(BoxTemplate(text, caption, style), owner), style_(style) {}

bool MessageBoxDialog::OnInitDialog() {
  if (auto* icon = Item<Picture>(kIconId))
    icon->SetImage(MessageBoxIcon(style_), colors::kButtonFace);
  return true;
}

void MessageBoxDialog::OnCommand(int id, Notice notice) {
  if (notice != Notice::kClicked) return;
  for (const ButtonSpec& b : ButtonsOf(style_)) {
    if (b.id == id) {
      if (id == kIdCancel) {
        OnCancel();
      } else {
        EndDialog(id);
      }
      return;
    }
  }
  if (id == kIdCancel) OnCancel();
}

void MessageBoxDialog::OnCancel() {
  const uint32_t buttons = style_ & 0x0F;
  if (buttons == kMbYesNoCancel) EndDialog(kIdCancel);
  if (buttons == kMbOk) EndDialog(kIdOk);
}

Image MessageBoxIcon(uint32_t style) {
  const uint32_t kind = style & 0xF0;
  if (kind == 0) return Image();
  Image image(kIconSize, kIconSize, colors::kButtonFace);
  const double c = (kIconSize - 1) / 2.0;
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const double dx = x - c, dy = y - c;
      if (kind == kMbIconWarning) {
        // A yellow triangle with a dark rim.
        const double top = 2, bottom = kIconSize - 3;
        const double half = (y - top) * 0.58;
        if (y >= top && y <= bottom && std::abs(dx) <= half) {
          const bool rim = y >= bottom - 1 || std::abs(dx) >= half - 1.5;
          image.set(x, y, rim ? Rgb(0x80, 0x60, 0x00) : Rgb(0xFF, 0xD8, 0x20));
        }
      } else if (dx * dx + dy * dy <= c * c) {
        const bool rim = dx * dx + dy * dy >= (c - 1.5) * (c - 1.5);
        const Color fill = kind == kMbIconError ? Rgb(0xD8, 0x20, 0x20) : Rgb(0x30, 0x60, 0xD0);
        image.set(x, y, rim ? Rgb(0x40, 0x40, 0x40) : fill);
      }
    }
  }
  const Color mark = kind == kMbIconWarning ? colors::kBlack : colors::kWhite;
  auto block = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) image.set(x, y, mark);
  };
  if (kind == kMbIconError) {
    for (int i = 9; i < 23; ++i) {
      block(i, i, i + 2, i + 2);
      block(i, 31 - i - 1, i + 2, 31 - i + 1);
    }
  } else if (kind == kMbIconWarning) {
    block(15, 10, 17, 21);
    block(15, 23, 17, 26);
  } else {
    // A question mark: hook, stem and dot.
    block(11, 8, 21, 10);
    block(19, 10, 21, 16);
    block(15, 15, 20, 17);
    block(15, 17, 17, 20);
    block(11, 10, 13, 12);
    block(15, 22, 17, 25);
  }
  return image;
}

}  // namespace internal

int MessageBox(Window* owner, std::string_view text_utf8, std::string_view caption_utf8,
               uint32_t style) {
  internal::System& system = internal::System::Get();
  const std::string caption(caption_utf8.empty() && owner == nullptr
                                ? std::string_view(ApplicationTitle())
                                : caption_utf8);
  internal::MessageBoxDialog box(owner, text_utf8, caption, style);
  system.backend().MessageBoxShown(box, text_utf8, caption, style);
  int answer = box.DoModal();
  if (answer < 0) answer = (style & 0x0F) == kMbOk ? kIdOk : kIdCancel;
  system.backend().MessageBoxAnswered(answer);
  return answer;
}

}  // namespace vtr::platform
