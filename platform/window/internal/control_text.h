// The captions of labels and buttons: a control's text in a font made smaller until it fits its
// room, so that a caption written for a narrower font stays whole. Shared by the controls' files.
//
//   #include "platform/window/controls.h"
//   // given: Canvas& canvas; const Button& button
//   PaintText(canvas, button, button.client_rect(), kTextCenter | kTextVCenter, colors::kBlack,
//             kButtonMargin);
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_CONTROL_TEXT_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_CONTROL_TEXT_H_

#include <cstdint>

#include "platform/window/canvas.h"
#include "platform/window/window.h"

namespace vtr::platform::internal {

// Pixels between a push button's edge and its caption: the raised frame and a little air.
constexpr int kButtonMargin = 3;

// Paints the text of `w` in `r` with `format`, in `color` (grey text while `w` is disabled),
// `margin` pixels kept free on either side.
void PaintText(Canvas& canvas, const Window& w, const Rect& r, uint32_t format, Color color,
               int margin = 0);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_CONTROL_TEXT_H_
