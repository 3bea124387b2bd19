// What the recogniser hears in every 10 ms frame of a recording, and the recording's noise.
//
// Stages: the level of every frame (25 ms window centred on the frame); the noise floor and the
// speech level of the whole recording from the distribution of those levels, and the noise
// spectrum from the quietest frames; then, for every frame, its mel band powers and its voicing
// (the peak of the normalised autocorrelation over the pitch lags, found on a copy decimated to
// about 8 kHz; frames at the noise floor are not searched).
//
//   // given: std::span<const int16_t> samples
//   const Recording recording = ComputeFeatures(samples, 16000);
//   for (const FrameFeatures& f : recording.frames) {
//     const double above_noise = f.level_db - recording.noise_db;
//   }
#ifndef VTR_OUTSIDE_RECOGNISER_FRAME_FEATURES_H_
#define VTR_OUTSIDE_RECOGNISER_FRAME_FEATURES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vtr::recogniser {

inline constexpr double kFrameSec = 0.01;  // frame shift (sec); the output counts these frames
inline constexpr int kMelBands = 24;       // 100 Hz to 7.6 kHz (or just below half the rate)
// [dB] the level of a window whose samples never change (digital silence), and the lowest
// level of any window
inline constexpr double kDigitalSilenceDb = -120;

struct FrameFeatures {
  float level_db = -120;  // [dB] mean power of the window, 0 dB = a full-scale square wave
  float voicing = 0;      // 0..1, peak of the normalised autocorrelation over 70-500 Hz
  std::array<float, kMelBands> bands{};  // [dB] power per mel band, same reference
};

struct Recording {
  std::vector<FrameFeatures> frames;        // frame f covers [f x 10 ms, (f + 1) x 10 ms)
  std::array<double, kMelBands> band_hz{};  // centre of every mel band [Hz]
  double noise_db = -120;                   // [dB] level of the noise floor (the quietest frames)
  double speech_db = -120;                  // [dB] level of the loud speech (the loudest frames)
  std::array<float, kMelBands> noise_bands{};  // [dB] mean band powers of the quietest frames
};

// One frame per 10 ms; none when the rate is below 8 kHz. A long recording's frames are worked
// out on up to `threads` threads (0: as many as they are worth, at most four), to the same
// bits whatever their number.
Recording ComputeFeatures(std::span<const int16_t> samples, int rate, size_t threads = 0);

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_FRAME_FEATURES_H_
