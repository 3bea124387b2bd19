// Hand-made contours for tests of the segment builder and the pitch-sequence writer.
#ifndef VTR_ENGINES_WTP_TESTING_FAKE_CONTOURS_H_
#define VTR_ENGINES_WTP_TESTING_FAKE_CONTOURS_H_

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/wtp/contour_source.h"

namespace vtr::wtp::testing {

// Contours given per 20 ms step; each step covers two 10 ms frames.
class FakeContours : public ContourSource {
 public:
  FakeContours(const std::vector<double>& step_levels, double pitch_hz, double gain_db = 0)
      : raw_power_(Frames(step_levels)), gain_db_(gain_db) {
    pitch_.assign(raw_power_.size(), pitch_hz);
    raw_pitch_ = pitch_;
    power_ = raw_power_;
  }
  size_t frame_count() const override { return raw_power_.size(); }
  double RawPitch(double t) const override { return raw_pitch_[Frame(t)]; }
  double Pitch(double t) const override { return pitch_[Frame(t)]; }
  double RawPower(double t) const override { return raw_power_[Frame(t)]; }
  double Power(double t) const override { return power_[Frame(t)]; }
  double gain_db() const override { return gain_db_; }

  // Per-step setters.
  void SetStep(std::vector<double>& contour, size_t step, double value) {
    contour[2 * step] = contour[2 * step + 1] = value;
  }
  std::vector<double> raw_pitch_, pitch_, raw_power_, power_;
  double gain_db_;

 private:
  static std::vector<double> Frames(const std::vector<double>& steps) {
    std::vector<double> out;
    for (double v : steps) out.insert(out.end(), 2, v);
    return out;
  }
  size_t Frame(double t) const {
    const double position = std::max(t, 0.0) / 0.01 + 0.5;
    return std::min(static_cast<size_t>(position), raw_power_.size() - 1);
  }
};

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_FAKE_CONTOURS_H_
