// The program's icon as PNG files, for the desktop's icon theme.
//
// The icon is the main program's icon resource, drawn by our own artwork code. IconImage scales
// it by a whole factor, pixel by pixel (nearest neighbour), so the artwork stays sharp at the
// theme's larger sizes; EncodePng writes an image as an 8-bit RGBA PNG in which the artwork's key
// colour is transparent. The deflate stream holds stored blocks only: the icons are a few
// kilobytes and need no compression. At build time the tool vtr_icon_export writes one file per
// size of the theme.
//
//   const std::string png = vtr::resources::EncodePng(vtr::resources::IconImage(2),
//                                                     vtr::resources::kIconKey);  // 64 x 64
#ifndef VTR_RESOURCES_ICON_PNG_H_
#define VTR_RESOURCES_ICON_PNG_H_

#include <string>

#include "platform/window/canvas.h"
#include "resources/resources.h"

namespace vtr::resources {

// The main program's icon among its images (32 x 32 on kIconKey).
inline constexpr int kProgramIcon = 128;

// The program's icon, `scale` times its size (scale >= 1); empty for a smaller scale.
[[nodiscard]] platform::Image IconImage(int scale);

// The PNG file of `image`: every pixel opaque but those of colour `key`, which are transparent
// (and black). Empty for an empty image.
[[nodiscard]] std::string EncodePng(const platform::Image& image, platform::Color key);

}  // namespace vtr::resources

#endif  // VTR_RESOURCES_ICON_PNG_H_
