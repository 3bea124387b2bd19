#include "engines/wtp/pitch_analyzer.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engines/wtp/internal/filter_chain.h"
#include "engines/wtp/internal/period_detector.h"

namespace vtr::wtp {
namespace {

// Filters of the detector: omega for K = tan(omega / rate).
constexpr double kHighPassOmega = 125.66371;  // 40 Hz
constexpr double kLowPassOmega = 2513.2742;   // 800 Hz
constexpr double kSmootherOmega = 314.15927;  // 100 Hz
constexpr double kInverseQ = 1 / 0.707;
constexpr double kAmplitudeHalfLifeMs = 8;
constexpr double kLoudThreshold = 327.68;  // 32768 x 10^-2
constexpr int kMaxCrossingsPer10ms = 80;   // more: noise, no pitch
constexpr int kMaxTrackedFrames = 100;
constexpr int kMeanTerms = 5;

// Post-processing.
constexpr double kOctaveHigh = 1.5;
constexpr double kOctaveLow = 0.6666667;
constexpr double kStableLow = 0.8333333;
constexpr double kStableHigh = 1.2;
constexpr double kStepGapSec = 0.099999905;  // gaps from about 100 ms ...
constexpr double kLongGapSec = 0.3;          // ... filled as a step when this long
constexpr double kStepJump = 0.1;            // ... or when the pitch jumps this much
constexpr double kPowerFloorDb = -96;
constexpr double kPowerRangeDb = 30;  // -96 dB is lifted to -66 dB
constexpr double kNoPitchHz = 150;
// Samples run through the filter sections at a time.
constexpr size_t kChunk = 1024;

internal::SectionCoefficients HighPass(int rate) {
  const double k = std::tan(kHighPassOmega / rate);
  const double d = k * k + k * kInverseQ + 1;
  return {1 / d, -2 / d, 1 / d, 2 * (k * k - 1) / d, (k * k - k * kInverseQ + 1) / d};
}

internal::SectionCoefficients LowPass(int rate) {
  const double k = std::tan(kLowPassOmega / rate);
  const double d = k * k + k * kInverseQ + 1;
  return {k * k / d, 2 * k * k / d, k * k / d, 2 * (k * k - 1) / d,
          (k * k - k * kInverseQ + 1) / d};
}

// The period detector after its filter sections (internal/filter_chain.h): smoothing, peak
// picking, period selection and the frame estimate. Periods are counted in samples; -1 means
// "no period".
class Detector {
 public:
  explicit Detector(int rate) : picker_(rate), selector_(rate) {
    const double k = std::tan(kSmootherOmega / rate);
    sm_feedback_ = (1 - k) / (1 + k);
    sm_gain_ = k / (1 + k);
    decay_amplitude_ = std::pow(2.0, -1000.0 / (rate * kAmplitudeHalfLifeMs));
    samples_per_10ms_ = static_cast<int>(rate * 0.01);
    estimates_.fill(-1);
  }

  // One sample: `h` its high-pass output, `s` the last low-pass section's.
  void Feed(double h, double s) {
    const double y = sm_feedback_ * sm_y1_ + sm_gain_ * (s + sm_x1_);
    sm_x1_ = s;
    sm_y1_ = y;
    amp_env_ = std::max(std::abs(h), decay_amplitude_ * amp_env_);
    quiet_ = !(amp_env_ > kLoudThreshold);
    internal::HalfPeriods pair;
    if (picker_.Feed(y, !quiet_, pair)) PushPeak(pair);
    if (quiet_) crossings_ = 0;
    if (!quiet_ && (h * h_previous_ < 0 || h == 0)) ++crossings_;
    h_previous_ = h;
    if (++sample_counter_ >= samples_per_10ms_) {
      sample_counter_ = 0;
      crossings_last_10ms_ = crossings_;
      crossings_ = 0;
      if (tracking_) tracked_ = std::min(kMaxTrackedFrames, tracked_ + 1);
    }
  }

  // The period of the frame just fed, in samples (fractional for a mean), or -1.
  double FrameEstimate() {
    if (quiet_ || crossings_last_10ms_ > kMaxCrossingsPer10ms) {
      if (Newest() != -1) PushEstimate(-1);
      peak_read_ = peak_write_;
      // The quiet branch ends the frame here and, like a newest estimate of -1, ends tracking.
      tracking_ = false;
      tracked_ = 0;
      cached_ = -1;
      return cached_;
    }
    bool pushed = false;
    while (peak_read_ != peak_write_) {
      const internal::HalfPeriods peak = peaks_[peak_read_ % kPeakRing];
      ++peak_read_;
      const int e = selector_.Select(peak.a, peak.b, Newest(), tracked_, crossings_last_10ms_);
      if (e != 0 && !(e == -1 && Newest() == -1)) {
        PushEstimate(e);
        pushed = true;
      }
    }
    if (!pushed) return cached_;
    const int e = Newest();
    if (e == -1) {
      tracking_ = false;
      tracked_ = 0;
      cached_ = -1;
      return cached_;
    }
    if (!tracking_) {
      tracking_ = true;
      tracked_ = 0;
      cached_ = e;
      return cached_;
    }
    if (tracked_ < 2) {
      cached_ = e;
      return cached_;
    }
    // Mean of up to five newest estimates; a term that would take the sum to maxPeriod or
    // beyond is not added, and -1 ends the sum.
    double sum = 0;
    int terms = 0;
    for (int k = 0; k < kMeanTerms; ++k) {
      const int v = estimates_[(estimate_write_ + kEstimateRing - 1 - k) % kEstimateRing];
      if (v == -1 || sum + v >= selector_.max_period()) break;
      sum += v;
      ++terms;
    }
    cached_ = terms > 0 ? sum / terms : e;
    return cached_;
  }

 private:
  static constexpr int kPeakRing = 32;
  static constexpr int kEstimateRing = 32;

  void PushPeak(internal::HalfPeriods pair) {
    // A full ring drops its oldest candidate.
    if (peak_write_ - peak_read_ >= kPeakRing) ++peak_read_;
    peaks_[peak_write_ % kPeakRing] = pair;
    ++peak_write_;
  }
  int Newest() const { return estimates_[(estimate_write_ + kEstimateRing - 1) % kEstimateRing]; }
  void PushEstimate(int e) {
    estimates_[estimate_write_] = e;
    estimate_write_ = (estimate_write_ + 1) % kEstimateRing;
  }

  double sm_feedback_ = 0, sm_gain_ = 0, sm_x1_ = 0, sm_y1_ = 0;
  double decay_amplitude_ = 0;
  double amp_env_ = 0, h_previous_ = 0;
  int samples_per_10ms_ = 1, sample_counter_ = 0;
  int crossings_ = 0, crossings_last_10ms_ = 0;
  bool quiet_ = true, tracking_ = false;
  int tracked_ = 0;
  internal::PeakPicker picker_;
  internal::PeriodSelector selector_;
  std::array<internal::HalfPeriods, kPeakRing> peaks_{};
  int64_t peak_read_ = 0, peak_write_ = 0;
  std::array<int, kEstimateRing> estimates_{};
  int estimate_write_ = 0;
  double cached_ = -1;
};

}  // namespace

double PitchAnalyzer::At(const std::vector<double>& contour, double t) {
  if (contour.empty()) return 0;
  const double position = std::max(t, 0.0) / kFrameSec + 0.5;
  if (!(position < static_cast<double>(contour.size()))) return contour.back();
  return contour[static_cast<size_t>(position)];
}

bool PitchAnalyzer::Analyse(const WaveBuffer& wave) {
  raw_pitch_.clear();
  raw_power_.clear();
  pitch_.clear();
  power_.clear();
  if (wave.count() == 0 || wave.rate() <= 0) return false;
  // A silent recording keeps gain 1, so its gain is never infinite here.
  gain_db_ = wave.gain() > 0 ? 20 * std::log10(static_cast<double>(wave.gain())) : 0.0;
  WaveBuffer copy;
  const WaveBuffer* analysed = &wave;
  if (wave.rate() < 22050) {
    if (wave.ResampleTo(copy, 44100) != WaveResult::kOk) return false;
    analysed = &copy;
  }
  rate_ = analysed->rate();
  const auto samples = analysed->samples();
  const size_t frames =
      static_cast<size_t>(static_cast<double>(samples.size()) / rate_ / kFrameSec);
  raw_pitch_.assign(frames, 0);
  raw_power_.assign(frames, 0);
  Detector detector(rate_);
  internal::FilterChain chain(HighPass(rate_), LowPass(rate_), samples);
  // The filter sections' outputs of the samples [ready_from, ready_end).
  std::array<double, kChunk> high_passed, low_passed;
  size_t ready_from = 0, ready_end = 0;
  size_t at = 0;
  for (size_t i = 0; i < frames; ++i) {
    const size_t end = std::min(
        samples.size(), static_cast<size_t>(static_cast<double>(i + 1) * kFrameSec * rate_));
    int high = 0, low = 0;
    for (; at < end; ++at) {
      if (at == ready_end) {
        ready_from = at;
        ready_end = std::min(samples.size(), at + kChunk);
        chain.Run(ready_end - ready_from, high_passed.data(), low_passed.data());
      }
      detector.Feed(high_passed[at - ready_from], low_passed[at - ready_from]);
      high = std::max<int>(high, samples[at]);
      low = std::min<int>(low, samples[at]);
    }
    const double period = detector.FrameEstimate();
    raw_pitch_[i] = period > 0 ? rate_ / period : 0;
    raw_power_[i] = 20 * std::log10((high - low) / 65536.0) - gain_db_;
  }
  PostProcess();
  return true;
}

void PitchAnalyzer::SetRawContours(std::vector<double> raw_pitch, std::vector<double> raw_power,
                                   double gain_db) {
  raw_pitch_ = std::move(raw_pitch);
  raw_power_ = std::move(raw_power);
  raw_power_.resize(raw_pitch_.size(), 0);
  gain_db_ = gain_db;
  PostProcess();
}

void PitchAnalyzer::PostProcess() {
  std::vector<double>& raw = raw_pitch_;
  const size_t n = raw.size();
  auto voiced = [&](size_t i) { return raw[i] != 0; };
  // Isolated voicing: one or two voiced frames between unvoiced ones.
  for (size_t i = 2; i + 3 <= n; ++i) {
    if (voiced(i) && !voiced(i - 1) && !voiced(i + 1)) raw[i] = 0;
    if (voiced(i) && voiced(i + 1) && !voiced(i - 1) && !voiced(i + 2)) raw[i] = raw[i + 1] = 0;
  }
  // Onset octave check: a first voiced frame an octave off a stable continuation.
  for (size_t i = 3; i + 4 <= n; ++i) {
    if (!voiced(i - 2) && !voiced(i - 1) && voiced(i) && voiced(i + 1) && voiced(i + 2)) {
      const double jump = raw[i] / raw[i + 1];
      const double next = raw[i + 1] / raw[i + 2];
      if ((jump > kOctaveHigh || jump < kOctaveLow) && next > kStableLow && next < kStableHigh)
        raw[i] = 0;
    }
  }
  pitch_ = raw_pitch_;
  power_ = raw_power_;
  // Gaps: a step at the middle of long gaps and of gaps with a jump, linear otherwise. L = 0
  // stands for "no voiced frame yet".
  size_t last = 0;
  bool any = false;
  for (size_t j = 0; j < n; ++j) {
    if (pitch_[j] == 0) continue;
    any = true;
    if (last == 0) {
      std::fill(pitch_.begin(), pitch_.begin() + static_cast<std::ptrdiff_t>(j), pitch_[j]);
    } else if (j > last + 1) {
      const double gap = kFrameSec * static_cast<double>(j - last - 2);
      const double d = pitch_[j] - pitch_[last];
      if (gap >= kStepGapSec && (gap >= kLongGapSec || std::abs(d) / pitch_[last] >= kStepJump)) {
        const size_t middle = (j + last + 1) / 2;
        for (size_t k = last + 1; k < j; ++k) pitch_[k] = k < middle ? pitch_[last] : pitch_[j];
      } else {
        for (size_t k = 1; k < j - last; ++k) {
          pitch_[last + k] =
              pitch_[last] + d * static_cast<double>(k) / static_cast<double>(j - last);
        }
      }
    }
    last = j;
  }
  if (any) {
    for (size_t k = last + 1; k < n; ++k) pitch_[k] = pitch_[last];
  }
  for (size_t k = n; k-- > 1;) pitch_[k] = (pitch_[k] + pitch_[k - 1]) / 2;
  // Power: floor at -96 dB and compress -96 .. M to -66 .. M. With M at -96 exactly the
  // compression has no range and the values stay at -96.
  double m = -200;
  for (double v : power_) m = std::max(m, v);
  for (double& v : power_) {
    v = std::max(v, kPowerFloorDb);
    if (m + 96 != 0) v = v + kPowerRangeDb * (m - v) / (m - kPowerFloorDb);
  }
  if (!any) std::fill(pitch_.begin(), pitch_.end(), kNoPitchHz);
}

}  // namespace vtr::wtp
