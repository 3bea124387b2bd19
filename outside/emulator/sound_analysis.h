// Measurements the tests take of rendered sound: level, fundamental and a coarse timbre.
#ifndef VTR_OUTSIDE_EMULATOR_SOUND_ANALYSIS_H_
#define VTR_OUTSIDE_EMULATOR_SOUND_ANALYSIS_H_

#include <cstdint>
#include <span>

namespace vtr::emulator {

// Root mean square of the samples (0 for none).
double Rms(std::span<const std::int16_t> samples);

// Fundamental frequency by autocorrelation, searched between 60 and 1000 Hz [Hz].
double EstimateFundamental(std::span<const std::int16_t> samples, int sample_rate);

struct SoundFeatures {
  double fundamental_hz = 0;
  double centroid_hz = 0;  // spectral centre of gravity
  double rms = 0;
};

SoundFeatures Features(std::span<const std::int16_t> samples, int sample_rate);

// A scale-free distance between two sounds: octaves of fundamental plus relative differences
// of centroid and level.
double Distance(const SoundFeatures& a, const SoundFeatures& b);

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_SOUND_ANALYSIS_H_
