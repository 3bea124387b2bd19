#include "platform/window/dialog_template.h"

namespace vtr::platform {
namespace {

// Dialog base units of the 9-point dialog font at 96 dots per inch: average character width
// 7 px and height 12 px, so one unit is 7/4 px across and 12/8 px down (a 311 x 255 unit
// dialog fills a 550 x 400 pixel window with its frame, as the dialogs expect).
constexpr int kBaseX = 7;
constexpr int kBaseY = 12;

int ToPixelsX(int units) { return (units * kBaseX + 2) / 4; }
int ToPixelsY(int units) { return (units * kBaseY + 4) / 8; }

}  // namespace

Rect TemplateToPixels(const Rect& place, DialogUnits units) {
  if (units == DialogUnits::kPixels)
    return Rect::FromSize(place.left, place.top, place.right, place.bottom);
  return Rect::FromSize(ToPixelsX(place.left), ToPixelsY(place.top), ToPixelsX(place.right),
                        ToPixelsY(place.bottom));
}

Size TemplateToPixels(Size size, DialogUnits units) {
  if (units == DialogUnits::kPixels) return size;
  return Size{ToPixelsX(size.width), ToPixelsY(size.height)};
}

}  // namespace vtr::platform
