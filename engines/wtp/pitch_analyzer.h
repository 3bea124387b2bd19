// Pitch and power of a recording for every 10 ms frame.
//
// The detector follows a filtered copy of the signal sample by sample: the time from a
// positive peak to the following negative one and from that to the next positive one give
// two half periods; a selector picks a consistent period from these candidates with octave
// checks. Per frame it gives a period estimate (pitch = rate / period) and a power level.
// Post-processing removes isolated voicing, checks onsets for octave jumps, fills unvoiced gaps,
// smooths the pitch, and floors and compresses the power to -66 dB .. the loudest level.
//
//   // given: WaveBuffer wave
//   vtr::wtp::PitchAnalyzer analyzer;
//   if (!analyzer.Analyse(wave)) return;
//   double f0 = analyzer.Pitch(0.5);   // [Hz] at 0.5 s
//
// SetRawContours runs the post-processing on hand-made contours.
#ifndef VTR_ENGINES_WTP_PITCH_ANALYZER_H_
#define VTR_ENGINES_WTP_PITCH_ANALYZER_H_

#include <vector>

#include "engines/wtp/contour_source.h"
#include "engines/wtp/wave_buffer.h"

namespace vtr::wtp {

class PitchAnalyzer : public ContourSource {
 public:
  static constexpr double kFrameSec = 0.01;  // frame length (sec)

  // True when analysed; false when the wave is empty or cannot be resampled. Recordings below
  // 22050 Hz are analysed through a 44.1 kHz copy.
  [[nodiscard]] bool Analyse(const WaveBuffer& wave);

  // Takes raw contours as the detector would give them, and post-processes them.
  void SetRawContours(std::vector<double> raw_pitch, std::vector<double> raw_power, double gain_db);

  size_t frame_count() const override { return pitch_.size(); }
  // Without frames every look-up gives 0.
  double RawPitch(double t) const override { return At(raw_pitch_, t); }
  double Pitch(double t) const override { return At(pitch_, t); }
  double RawPower(double t) const override { return At(raw_power_, t); }
  double Power(double t) const override { return At(power_, t); }
  double gain_db() const override { return gain_db_; }

  const std::vector<double>& raw_pitch() const { return raw_pitch_; }
  const std::vector<double>& pitch() const { return pitch_; }
  const std::vector<double>& raw_power() const { return raw_power_; }
  const std::vector<double>& power() const { return power_; }
  int analysed_rate() const { return rate_; }

 private:
  static double At(const std::vector<double>& contour, double t);
  void PostProcess();

  int rate_ = 0;
  double gain_db_ = 0;
  std::vector<double> raw_pitch_, raw_power_, pitch_, power_;
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_PITCH_ANALYZER_H_
