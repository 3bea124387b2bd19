// The main window's artwork: the ids of the skin, Play and Stop in three states, the knob
// frames, the close button frames and the icon among the program's resources.
#ifndef VTR_APP_SKIN_ART_H_
#define VTR_APP_SKIN_ART_H_

#include "platform/window/canvas.h"
#include "resources/resources.h"

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
inline constexpr platform::Color kArtKey = resources::kIconKey;

// The image of artwork `id`; an empty image for an unknown id.
[[nodiscard]] inline platform::Image LoadArt(int id) {
  return resources::LoadImage(resources::Module::kProgram, id);
}

}  // namespace vtr::app

#endif  // VTR_APP_SKIN_ART_H_
