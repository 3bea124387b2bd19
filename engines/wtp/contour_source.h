// The contours the segment builder and the pitch-sequence writer read, by time.
//
// The pitch and power analyser implements it from a recording; tests implement it with
// hand-made contours, so the builder and the writer run without audio.
#ifndef VTR_ENGINES_WTP_CONTOUR_SOURCE_H_
#define VTR_ENGINES_WTP_CONTOUR_SOURCE_H_

#include <cstddef>

namespace vtr::wtp {

inline constexpr double kStepSec = 0.02;  // one segment step (sec)

class ContourSource {
 public:
  virtual ~ContourSource() = default;
  // Number of 10 ms frames; 0 when nothing was analysed.
  virtual size_t frame_count() const = 0;
  // Look-ups by time t [s]: the frame is round-half-up of t / 10 ms, held to the contour.
  virtual double RawPitch(double t) const = 0;  // [Hz] before repair; 0 = unvoiced
  virtual double Pitch(double t) const = 0;     // [Hz] repaired and smoothed
  virtual double RawPower(double t) const = 0;  // [dB] relative to the normalised peak
  virtual double Power(double t) const = 0;     // [dB] floored and rescaled
  // [dB] 20 log10 of the recording's normalisation gain.
  virtual double gain_db() const = 0;
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_CONTOUR_SOURCE_H_
