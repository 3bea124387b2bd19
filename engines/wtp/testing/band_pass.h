// A second-order band-pass with 0 dB at its centre, whose output has unit power for white noise
// of unit power at its input (so that bands of any width add noise at the same level).
#ifndef VTR_ENGINES_WTP_TESTING_BAND_PASS_H_
#define VTR_ENGINES_WTP_TESTING_BAND_PASS_H_

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vtr::wtp::testing {

class BandPass {
 public:
  // Centre `hz` (held under 0.42 of `rate`) and bandwidth `width` [Hz].
  void Set(double hz, double width, double rate) {
    constexpr double kPi = std::numbers::pi;
    hz = std::min(hz, 0.42 * rate);
    const double w = 2 * kPi * hz / rate;
    const double alpha = std::sin(w) * width / (2 * hz);
    const double a0 = 1 + alpha;
    b0_ = alpha / a0;
    a1_ = -2 * std::cos(w) / a0;
    a2_ = (1 - alpha) / a0;
    // White noise of unit power comes out with about pi * width / rate of power.
    norm_ = 1 / std::sqrt(kPi * std::min(width, 0.4 * rate) / rate);
  }
  double Run(double x) {
    const double y = b0_ * (x - x2_) - a1_ * y1_ - a2_ * y2_;
    x2_ = x1_;
    x1_ = x;
    y2_ = y1_;
    y1_ = y;
    return y * norm_;
  }

 private:
  double b0_ = 0, a1_ = 0, a2_ = 0, norm_ = 1, x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_BAND_PASS_H_
