#include "engines/wtp/resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include "engines/wtp/testing/reference_resampler.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"

namespace vtr::wtp {
namespace {

std::vector<int16_t> WhiteNoise(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> any(INT16_MIN, INT16_MAX);
  std::vector<int16_t> out(count);
  for (int16_t& s : out) s = static_cast<int16_t>(any(random));
  return out;
}

// Speech with pauses and a noise floor, at `rate`.
std::vector<int16_t> Speech(int rate, uint32_t seed) {
  return testing::Synthesize(testing::RandomScript(10, 4, seed), rate, 140, seed).samples;
}

// Index and values of the first sample where two outputs differ, or "" when they are equal.
std::string FirstDifference(const std::vector<int16_t>& got, const std::vector<int16_t>& want) {
  if (got.size() != want.size()) {
    return "size " + std::to_string(got.size()) + " instead of " + std::to_string(want.size());
  }
  for (size_t i = 0; i < got.size(); ++i) {
    if (got[i] != want[i]) {
      return "sample " + std::to_string(i) + ": " + std::to_string(got[i]) + " instead of " +
             std::to_string(want[i]);
    }
  }
  return "";
}

TEST(ResamplerTest, OutputIsBitIdenticalToThePlainResamplerAtEveryRatePair) {
  struct Signal {
    const char* name;
    std::vector<int16_t> (*make)(int rate);
  };
  // clang-format off
  const Signal signals[] = {
      // Full-scale noise drives the sums to saturation at every rate.
      {"full-scale white noise", [](int rate) { return WhiteNoise(static_cast<size_t>(rate / 4), 7); }},
      {"speech with pauses", [](int rate) { return Speech(rate, 5); }},
      {"empty", [](int) { return std::vector<int16_t>(); }},
      {"one sample", [](int) { return std::vector<int16_t>{-32768}; }},
      // Shorter than the filter: every output reads the zeros around the input.
      {"shorter than the filter", [](int) { return WhiteNoise(37, 3); }},
      {"just longer than the filter", [](int rate) { return WhiteNoise(static_cast<size_t>(rate / 200), 4); }},
  };
  // clang-format on
  for (uint32_t from : kSupportedRates) {
    for (uint32_t to : kSupportedRates) {
      for (const Signal& signal : signals) {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to) + ", " + signal.name);
        const std::vector<int16_t> in = signal.make(static_cast<int>(from));
        std::vector<int16_t> want, got;
        ASSERT_TRUE(
            testing::ReferenceResample(in, static_cast<int>(from), static_cast<int>(to), want));
        ASSERT_TRUE(Resample(in, static_cast<int>(from), static_cast<int>(to), got));
        EXPECT_EQ(FirstDifference(got, want), "");
      }
    }
  }
}

// A recording of some seconds is resampled in blocks on several threads (the rows of a
// fractional step filled ahead): every output is the plain resampler's, blocks and threads
// whatever they are.
TEST(ResamplerTest, ALongRecordingOnSeveralThreadsIsBitIdenticalToThePlainResampler) {
  struct Pair {
    int from, to;
  };
  for (const Pair pair :
       {Pair{16000, 44100}, Pair{44100, 16000}, Pair{22050, 16000}, Pair{48000, 16000}}) {
    SCOPED_TRACE(std::to_string(pair.from) + " -> " + std::to_string(pair.to));
    const std::vector<int16_t> in = WhiteNoise(static_cast<size_t>(pair.from) * 5, 9);
    std::vector<int16_t> want, got;
    ASSERT_TRUE(testing::ReferenceResample(in, pair.from, pair.to, want));
    ASSERT_TRUE(Resample(in, pair.from, pair.to, got));
    EXPECT_EQ(FirstDifference(got, want), "");
  }
}

std::vector<int16_t> Tone(double hz, int rate, double amplitude) {
  std::vector<int16_t> out(static_cast<size_t>(rate));
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<int16_t>(std::lround(
        amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate)));
  }
  return out;
}

// Level [dB] of the `hz` component in the middle half of `s`, against `reference`.
double LevelDb(const std::vector<int16_t>& s, double hz, int rate, double reference) {
  double c = 0, q = 0;
  const size_t from = s.size() / 4, to = 3 * s.size() / 4;
  for (size_t i = from; i < to; ++i) {
    const double w = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    c += s[i] * std::cos(w);
    q += s[i] * std::sin(w);
  }
  const double amplitude = 2 * std::hypot(c, q) / static_cast<double>(to - from);
  return 20 * std::log10(amplitude / reference + 1e-12);
}

TEST(ResamplerTest, PassBandEndsAtEightTenthsOfTheLowerNyquistFrequency) {
  // Flat to 0.6 of the lower rate's Nyquist frequency, 6 dB down at the roll-off (0.8 of it),
  // 23 dB down at 0.9; the same going down and going up.
  struct Case {
    int from;
    int to;
    double share;  // of the lower Nyquist frequency
    double db;
    double tolerance;
  };
  // clang-format off
  const Case cases[] = {
      {44100, 16000, 0.6, 0.0, 0.1}, {44100, 16000, 0.8, -6.0, 0.5}, {44100, 16000, 0.9, -23.1, 2.0},
      {16000, 44100, 0.6, 0.0, 0.1}, {16000, 44100, 0.8, -6.0, 0.5}, {16000, 44100, 0.9, -23.1, 2.0},
  };
  // clang-format on
  for (const Case& c : cases) {
    const double hz = c.share * std::min(c.from, c.to) / 2;
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " at " +
                 std::to_string(hz) + " Hz");
    std::vector<int16_t> out;
    ASSERT_TRUE(Resample(Tone(hz, c.from, 16000), c.from, c.to, out));
    EXPECT_NEAR(LevelDb(out, hz, c.to, 16000), c.db, c.tolerance);
  }
}

TEST(ResamplerTest, StopBandKeepsAliasesBelowNinetyDecibels) {
  // A full-scale tone above the output's Nyquist frequency folds back to rate - hz; the
  // filter keeps that alias about 100 dB down, at the rounding noise of 16-bit samples.
  struct Case {
    int from;
    int to;
    double hz;
  };
  const Case cases[] = {
      {44100, 16000, 8800}, {22050, 16000, 8800}, {44100, 16000, 10000}, {32000, 16000, 8800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " at " +
                 std::to_string(c.hz) + " Hz");
    std::vector<int16_t> out;
    ASSERT_TRUE(Resample(Tone(c.hz, c.from, 30000), c.from, c.to, out));
    EXPECT_LT(LevelDb(out, c.to - c.hz, c.to, 30000), -90);
  }
}

}  // namespace
}  // namespace vtr::wtp
