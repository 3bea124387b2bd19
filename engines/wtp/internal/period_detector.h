// The two stages of the pitch analyser's period detector that tests drive by hand.
//
// PeakPicker follows the smoothed signal sample by sample: it counts the samples from a
// negative peak to the next positive peak (a, the positive half) and from there to the next
// negative peak (b, the negative half). A peak is where the signal comes within the peak ratio
// (10^-0.1) of its decaying envelope.
//
// PeriodSelector takes each pair {a, b} and picks a consistent period: A = a + b (the pair's
// own period), B = a + the previous pair's b (the shifted pairing), 2A and 2B (two of them),
// with checks against the previous estimate and octave checks.
//
//   // given: double y; int previous, tracked_frames, crossings
//   PeakPicker picker(44100);
//   PeriodSelector selector(44100);
//   HalfPeriods pair;
//   if (picker.Feed(y, /*loud=*/true, pair)) {
//     const int period = selector.Select(pair.a, pair.b, previous, tracked_frames, crossings);
//   }
#ifndef VTR_ENGINES_WTP_INTERNAL_PERIOD_DETECTOR_H_
#define VTR_ENGINES_WTP_INTERNAL_PERIOD_DETECTOR_H_

#include <algorithm>
#include <array>
#include <cmath>

namespace vtr::wtp::internal {

inline constexpr double kPeakRatio =
    0.7943282347;                              // 10^-0.1: a peak is within 1 dB of the envelope
inline constexpr double kPeakHalfLifeMs = 10;  // of the peak envelopes [ms]

// Samples in the positive and the negative half of one period.
struct HalfPeriods {
  int a = 0;
  int b = 0;
};

class PeakPicker {
 public:
  explicit PeakPicker(int rate) : decay_(std::pow(2.0, -1000.0 / (rate * kPeakHalfLifeMs))) {}

  // One sample `y` of the smoothed signal. The envelopes follow every sample; the halves are
  // counted only while the signal is `loud`, and a quiet sample starts them again. True, with
  // `pair` set, when a negative peak closed a pair. (Inline: it runs for every sample.)
  bool Feed(double y, bool loud, HalfPeriods& pair) {
    positive_envelope_ = std::max(std::max(y, 0.0), decay_ * positive_envelope_);
    negative_envelope_ = std::min(std::min(y, 0.0), decay_ * negative_envelope_);
    if (!loud) {
      positive_count_ = negative_count_ = 0;
      armed_ = false;
      return false;
    }
    if (armed_) {
      ++negative_count_;
      if (y <= kPeakRatio * negative_envelope_) {
        pair = {positive_count_, negative_count_};
        positive_count_ = negative_count_ = 0;
        armed_ = false;
        return true;
      }
    } else {
      ++positive_count_;
      if (y >= kPeakRatio * positive_envelope_) armed_ = true;
    }
    return false;
  }

 private:
  double decay_;  // of the envelopes, per sample
  double positive_envelope_ = 0, negative_envelope_ = 0;
  int positive_count_ = 0, negative_count_ = 0;
  bool armed_ = false;  // the positive peak was seen; counting the negative half
};

class PeriodSelector {
 public:
  // Periods are held to rate x 0.00125 .. rate x 0.025 samples (800 .. 40 Hz).
  explicit PeriodSelector(int rate);

  // The period [samples] of the pair {a, b}, 0 to keep the previous estimate (a bridged miss),
  // or -1 for none. a = -1 clears the pair's slot. `previous` is the newest estimate (-1:
  // none), `tracked_frames` the frames since tracking began (0..100), `crossings` the zero
  // crossings of the last 10 ms.
  int Select(int a, int b, int previous, int tracked_frames, int crossings);

  double max_period() const { return max_period_; }  // [samples]

 private:
  enum class Mode { kA, kB };
  struct Slot {
    int a, b, A, B, A2, B2;
  };
  static constexpr int kSlots = 8;

  bool InBounds(int period) const { return period >= min_period_ && period <= max_period_; }

  double min_period_, max_period_;
  std::array<Slot, kSlots> slots_;
  int slot_ = 0;
  Mode mode_ = Mode::kA;
  int agree_ = 0;   // successive agreeing doubles
  int misses_ = 0;  // successive misses
};

}  // namespace vtr::wtp::internal

#endif  // VTR_ENGINES_WTP_INTERNAL_PERIOD_DETECTOR_H_
