// The main window's artwork, drawn by code: the skin, Play and Stop in three states, the knob
// frames, the close button frames and the icon.
#ifndef VTR_APP_SKIN_ART_H_
#define VTR_APP_SKIN_ART_H_

#include "platform/window/canvas.h"

namespace vtr::app {

// Artwork ids.
inline constexpr int kArtSkin = 190;
inline constexpr int kArtPlayNormal = 191;
inline constexpr int kArtPlayHover = 192;
inline constexpr int kArtPlayPressed = 193;
inline constexpr int kArtStopNormal = 194;
inline constexpr int kArtStopHover = 195;
inline constexpr int kArtStopPressed = 196;
inline constexpr int kArtKnob = 197;
inline constexpr int kArtClose = 198;
inline constexpr int kArtIcon = 128;

// Key colour of the knob and close artwork.
inline constexpr platform::Color kArtKey = 0xFF00FF;

// The image of artwork `id`; an empty image for an unknown id.
[[nodiscard]] platform::Image LoadArt(int id);

}  // namespace vtr::app

#endif  // VTR_APP_SKIN_ART_H_
