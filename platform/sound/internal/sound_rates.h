// Checks and texts shared by the sound systems.
#ifndef VTR_PLATFORM_SOUND_INTERNAL_SOUND_RATES_H_
#define VTR_PLATFORM_SOUND_INTERNAL_SOUND_RATES_H_

#include <string>

#include "platform/sound/sound_system.h"

namespace vtr::platform::internal {

inline constexpr char kNoInputDeviceError[] =
    "no sound input device is available: recording needs a microphone";

// Empty when `sample_rate` is one a stream accepts, else the reason.
inline std::string CheckSampleRate(int sample_rate) {
  if (sample_rate >= kMinSoundSampleRate && sample_rate <= kMaxSoundSampleRate) return {};
  return "unsupported sample rate " + std::to_string(sample_rate) + " Hz";
}

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_SOUND_INTERNAL_SOUND_RATES_H_
