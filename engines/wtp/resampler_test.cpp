#include "engines/wtp/resampler.h"

#include <cmath>
#include <numbers>
#include <random>
#include <string>

#include <gtest/gtest.h>

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
      return "sample " + std::to_string(i) + ": " + std::to_string(got[i]) + " instead of " + std::to_string(want[i]);
    }
  }
  return "";
}

TEST(ResamplerTest, OutputIsBitIdenticalToThePlainResamplerAtEveryRatePair) {
  struct Signal {
    const char* name;
    std::vector<int16_t> (*make)(int rate);
  };
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
  for (uint32_t from : kSupportedRates) {
    for (uint32_t to : kSupportedRates) {
      for (const Signal& signal : signals) {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to) + ", " + signal.name);
        const std::vector<int16_t> in = signal.make(static_cast<int>(from));
        std::vector<int16_t> want, got;
        ASSERT_TRUE(testing::ReferenceResample(in, static_cast<int>(from), static_cast<int>(to), want));
        ASSERT_TRUE(Resample(in, static_cast<int>(from), static_cast<int>(to), got));
        EXPECT_EQ(FirstDifference(got, want), "");
      }
    }
  }
}

}  // namespace
}  // namespace vtr::wtp
