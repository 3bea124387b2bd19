// The main program's artwork: skin 190, Play 191-193 and Stop 194-196 (normal, hover, pressed),
// knob 197, close button 198 and icon 128.
#ifndef VTR_RESOURCES_INTERNAL_PROGRAM_ART_H_
#define VTR_RESOURCES_INTERNAL_PROGRAM_ART_H_

#include "platform/window/canvas.h"

namespace vtr::resources {

// The image of the program's artwork `id`; empty for an id that names none.
platform::Image ProgramImage(int id);

}  // namespace vtr::resources

#endif  // VTR_RESOURCES_INTERNAL_PROGRAM_ART_H_
