#include "engines/wtp/internal/filter_chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vtr::wtp::internal {
namespace {

// One section: y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2, from zero.
struct Section {
  SectionCoefficients c;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double Run(double x) {
    const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

// NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): the bits themselves are what must match
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The detector's sections at 44.1 kHz and at 22.05 kHz and sections of no particular kind, on
// speech-like noise with stretches of silence, asked for in pieces of every kind of length
// (single samples, fewer than the chain reads ahead, long runs, up to the end): the same bits
// as one section after the other on every sample.
TEST(FilterChainTest, GivesTheBitsOfOneSectionAfterTheOther) {
  auto second_order = [](double k, bool high) -> SectionCoefficients {
    const double d = k * k + k / 0.707 + 1;
    const double a1 = 2 * (k * k - 1) / d, a2 = (k * k - k / 0.707 + 1) / d;
    return high ? SectionCoefficients{1 / d, -2 / d, 1 / d, a1, a2}
                : SectionCoefficients{k * k / d, 2 * k * k / d, k * k / d, a1, a2};
  };
  struct Case {
    const char* name;
    SectionCoefficients high_pass, low_pass;
  };
  const Case cases[] = {
      {"44.1 kHz", second_order(std::tan(125.66371 / 44100), true),
       second_order(std::tan(2513.2742 / 44100), false)},
      {"22.05 kHz", second_order(std::tan(125.66371 / 22050), true),
       second_order(std::tan(2513.2742 / 22050), false)},
      {"any sections", {0.3, -0.2, 0.7, -0.5, 0.25}, {0.9, 0.1, -0.4, 0.3, -0.2}},
  };
  std::mt19937 random(27);
  std::normal_distribution<double> noise(0, 6000);
  std::vector<int16_t> samples(20000);
  for (size_t i = 0; i < samples.size(); ++i) {
    const bool silent = (i / 3000) % 2 == 1;
    samples[i] =
        silent ? int16_t{0} : static_cast<int16_t>(std::clamp(noise(random), -32768.0, 32767.0));
  }
  const size_t pieces[] = {1, 1, 3, 5, 6, 7, 1024, 1, 4000, 999, 20000};  // the last: the rest
  for (const Case& c : cases) {
    for (const bool halves : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (halves ? ", in halves" : ", as built"));
      Section sections[4] = {{c.high_pass}, {c.low_pass}, {c.low_pass}, {c.low_pass}};
      FilterChain chain(c.high_pass, c.low_pass, samples);
      size_t at = 0;
      for (const size_t piece : pieces) {
        const size_t count = std::min(piece, samples.size() - at);
        std::vector<double> high(count), low(count);
        if (halves) {
          chain.RunInHalves(count, high.data(), low.data());
        } else {
          chain.Run(count, high.data(), low.data());
        }
        for (size_t i = 0; i < count; ++i, ++at) {
          const double h = sections[0].Run(samples[at]);
          const double l = sections[3].Run(sections[2].Run(sections[1].Run(h)));
          ASSERT_TRUE(SameBits(high[i], h)) << "sample " << at << ": " << high[i] << " for " << h;
          ASSERT_TRUE(SameBits(low[i], l)) << "sample " << at << ": " << low[i] << " for " << l;
        }
      }
      EXPECT_EQ(at, samples.size());
    }
  }
}

}  // namespace
}  // namespace vtr::wtp::internal
