#include "engines/wtp/internal/period_detector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vtr::wtp::internal {
namespace {

constexpr int kRate = 44100;
constexpr double kSamplesPer10ms = kRate * 0.01;

// The peak envelope `samples` after a peak of `peak`: it halves every 10 ms.
double Envelope(double peak, int samples) {
  return peak * std::pow(2.0, -samples / kSamplesPer10ms);
}

std::string Describe(const std::vector<HalfPeriods>& pairs) {
  std::string out;
  for (const HalfPeriods& p : pairs)
    out += "(" + std::to_string(p.a) + "," + std::to_string(p.b) + ")";
  return out;
}

TEST(PeakPickerTest, APeakIsWithinOneDecibelOfTheDecayingEnvelope) {
  // Every case starts with a full period: a peak of 1000 (sample 0, which arms at once) and a
  // trough of -1000 (sample 1, which closes the pair (1,1)). The envelopes then decay from
  // 1000 and -1000.
  struct Case {
    const char* name;
    std::vector<double> then;  // samples from sample 2 on; NaN stands for a quiet sample
    std::string pairs;
  };
  const double quiet = std::nan("");
  const double e2 = Envelope(1000, 2);  // the envelope one sample after the trough
  // clang-format off
  const Case cases[] = {
      {"a bump 0.9 dB below the envelope is the next positive peak", {0.80 * e2, -1000},
       "(1,1)(1,1)"},
      {"a bump 1.1 dB below the envelope is not", {0.78 * e2, -1000}, "(1,1)"},
      {"a dip 0.9 dB above the negative envelope closes the pair", {1000, -0.80 * Envelope(1000, 2), -1000},
       "(1,1)(1,1)"},
      {"a dip 1.1 dB above does not; the deeper trough after it does", {1000, -0.78 * Envelope(1000, 2), -1000},
       "(1,1)(1,2)"},
      {"a quiet sample starts the halves again", {1000, quiet, -1000}, "(1,1)"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PeakPicker picker(kRate);
    std::vector<HalfPeriods> pairs;
    std::vector<double> samples = {1000, -1000};
    samples.insert(samples.end(), c.then.begin(), c.then.end());
    for (double y : samples) {
      HalfPeriods pair;
      if (picker.Feed(std::isnan(y) ? 0.0 : y, !std::isnan(y), pair)) pairs.push_back(pair);
    }
    EXPECT_EQ(Describe(pairs), c.pairs);
  }
}

TEST(PeakPickerTest, TheEnvelopeHalvesEveryTenMilliseconds) {
  // After the first period, 439 samples at 0 and a bump 10 ms after the trough: a bump just
  // within 1 dB of half the peak is a peak, one just outside is not.
  struct Case {
    double share;  // of half the first peak
    std::string pairs;
  };
  const Case cases[] = {{0.81, "(1,1)(440,1)"}, {0.77, "(1,1)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.share);
    PeakPicker picker(kRate);
    std::vector<double> samples = {1000, -1000};
    samples.insert(samples.end(), 439, 0.0);
    samples.push_back(c.share * Envelope(1000, 441));
    samples.push_back(-1000);
    std::vector<HalfPeriods> pairs;
    for (double y : samples) {
      HalfPeriods pair;
      if (picker.Feed(y, true, pair)) pairs.push_back(pair);
    }
    EXPECT_EQ(Describe(pairs), c.pairs);
  }
}

// One call of the selector.
struct Step {
  int a, b;
  int previous;  // the newest estimate, -1 for none
  int tracked;   // frames tracked
  int crossings = 10;
};

// Runs the steps on a fresh selector and gives every result.
std::vector<int> Results(const std::vector<Step>& steps) {
  PeriodSelector selector(kRate);
  std::vector<int> results;
  results.reserve(steps.size());
  for (const Step& s : steps)
    results.push_back(selector.Select(s.a, s.b, s.previous, s.tracked, s.crossings));
  return results;
}

// `count` copies of a step.
std::vector<Step> Times(int count, Step step) {
  return std::vector<Step>(static_cast<size_t>(count), step);
}

std::vector<Step> Join(std::vector<Step> a, const std::vector<Step>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(PeriodSelectorTest, PicksPeriodsFromHandMadePeakPairs) {
  // A steady 200-sample period (220.5 Hz), tracked for 10 frames, then the pair under test.
  const std::vector<Step> steady = Times(3, {100, 100, 200, 10});
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int result;  // of the last step
  };
  // clang-format off
  const Case cases[] = {
      // Near: within 20 % of the previous estimate.
      // (A short positive half keeps the shifted pairing a + previous b far from the estimate.)
      {"a period 19 % longer than the estimate is taken", Join(steady, {{20, 218, 200, 10}}), 238},
      {"a period 21 % longer is a miss, bridged", Join(steady, {{20, 222, 200, 10}}), 0},
      {"a period 19 % shorter is taken", Join(steady, {{20, 142, 200, 10}}), 162},
      {"a period 21 % shorter is a miss, bridged", Join(steady, {{20, 138, 200, 10}}), 0},
      // Misses: five in a row are bridged while the signal has fewer than 51 crossings in 10 ms.
      {"the fifth miss in a row is bridged", Join(steady, Times(5, {20, 20, 200, 10})), 0},
      {"the sixth is not", Join(steady, Times(6, {20, 20, 200, 10})), -1},
      {"a miss with 50 crossings is bridged", Join(steady, {{20, 20, 200, 10, 50}}), 0},
      {"a miss with 51 crossings is not", Join(steady, {{20, 20, 200, 10, 51}}), -1},
      // Doubles: after the first half period (a miss: its double with the period before is
      // 300), each half period that repeats the one before within 10 % gives its double, the
      // estimate, until more than five have agreed; then it gives itself.
      {"the fifth agreeing half period gives the double", Join(steady, Times(6, {50, 50, 200, 10})), 200},
      {"the sixth gives the half period itself", Join(steady, Times(7, {50, 50, 200, 10})), 100},
      {"a half period 5 % off the one before still agrees",
       Join(steady, Join(Times(5, {50, 50, 200, 10}), {{47, 48, 200, 10}, {50, 50, 200, 10}})), 100},
      {"one 11 % off starts the count again: 89 + 100 doubled",
       Join(steady, Join(Times(5, {50, 50, 200, 10}), {{44, 45, 200, 10}, {50, 50, 200, 10}})), 189},
      // Once tracked more than 20 frames, a result over half the estimate away is held at it.
      {"a jump to 95 after 20 frames is taken", Join(steady, Times(7, {47, 48, 200, 20})), 95},
      {"a jump to 95 after 21 frames is held at the estimate", Join(steady, Times(7, {47, 48, 200, 21})), 200},
      // Within the first two tracked frames, a half period that agrees with the one before is
      // taken as it is; later the octave check doubles it.
      {"two frames in, a repeated half period is taken", Join(steady, Times(2, {50, 50, 200, 2})), 100},
      {"three frames in, it is doubled", Join(steady, Times(2, {50, 50, 200, 3})), 200},
      // Without an estimate three successive periods within 20 % of each other are needed.
      {"three periods within 19 % start an estimate", {{50, 50, -1, 0}, {50, 50, -1, 0}, {50, 69, -1, 0}}, 119},
      {"one 21 % off does not", {{10, 90, -1, 0}, {60, 40, -1, 0}, {81, 40, -1, 0}}, -1},
      // Bounds: 40 .. 800 Hz, 55.1 .. 1102.5 samples at 44.1 kHz.
      {"56 samples is a period", Times(3, {28, 28, -1, 0}), 56},
      {"55 samples is too short", Times(3, {27, 28, -1, 0}), -1},
      {"1102 samples is a period", Times(3, {551, 551, -1, 0}), 1102},
      {"1104 samples is too long", Times(3, {552, 552, -1, 0}), -1},
      {"a cleared pair gives no period", Join(steady, {{-1, -1, 200, 10}}), -1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Results(c.steps).back(), c.result);
  }
}

}  // namespace
}  // namespace vtr::wtp::internal
