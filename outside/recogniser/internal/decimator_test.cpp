#include "outside/recogniser/internal/decimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vtr::recogniser {
namespace {

// One output at a time: the sum of the taps times the samples, in tap order, from 0.
float Plain(const std::vector<int16_t>& samples, int factor, const std::vector<double>& taps,
            size_t m) {
  const size_t first = m * static_cast<size_t>(factor) - taps.size() / 2;
  double sum = 0;
  for (size_t j = 0; j < taps.size(); ++j) sum += taps[j] * samples[first + j];
  return static_cast<float>(sum);
}

using Filter = void (*)(const int16_t*, int, const double*, int, size_t, size_t, float*);
const std::pair<const char*, Filter> kWidths[] = {{"as built", FilterAtEvery},
                                                  {"two lanes", FilterAtEveryTwoLanes}};

// Every factor the recogniser meets and more, odd ranges of outputs (across the chunks the
// inputs are laid out in, and not whole lanes), samples with runs of zeros (whose products with
// negative taps are -0): the same bits as one output at a time, the same sums in the same
// order.
TEST(DecimatorTest, GivesTheBitsOfOneOutputAtATime) {
  std::mt19937 random(27);
  std::uniform_int_distribution<int> sample(-32768, 32767);
  // Taps of very different sizes that add up to nearly 0, so that over a run of one value the
  // sum is what its rounding leaves, and a sum in another order gives other bits even after
  // the float it ends in.
  std::uniform_real_distribution<double> exponent(-3, 3);
  std::bernoulli_distribution negative(0.5);
  // Runs of zeros, of one value, and of noise.
  std::vector<int16_t> samples(20000);
  int16_t held = 0;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i % 700 == 0) held = static_cast<int16_t>(sample(random));
    const size_t run = (i / 700) % 3;
    samples[i] = run == 0 ? int16_t{0} : run == 1 ? held : static_cast<int16_t>(sample(random));
  }
  struct Range {
    size_t first, last;
  };
  for (const int factor : {1, 2, 3, 6}) {
    for (const int tap_count : {1, 7, 49}) {
      std::vector<double> taps(static_cast<size_t>(tap_count));
      double sum = 0;
      for (double& t : taps) {
        t = (negative(random) ? -1 : 1) * std::pow(10.0, exponent(random));
        sum += t;
      }
      taps.back() -= sum;
      const size_t lowest = static_cast<size_t>(tap_count / 2 + factor - 1) / factor;
      for (const Range range : {Range{lowest, lowest}, Range{lowest, lowest + 1},
                                Range{lowest + 3, lowest + 260}, Range{lowest, lowest + 1031}}) {
        for (const auto& [width, filter] : kWidths) {
          SCOPED_TRACE(std::string(width) + ", factor " + std::to_string(factor) + ", " +
                       std::to_string(tap_count) + " taps, outputs " + std::to_string(range.first) +
                       ".." + std::to_string(range.last));
          std::vector<float> out(range.last + 1, 99.0f);
          filter(samples.data(), factor, taps.data(), tap_count, range.first, range.last,
                 out.data());
          for (size_t m = range.first; m < range.last; ++m) {
            const float expected = Plain(samples, factor, taps, m);
            // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): the bits must match
            ASSERT_EQ(std::memcmp(&out[m], &expected, sizeof expected), 0)
                << "output " << m << ": " << out[m] << " for " << expected;
          }
          EXPECT_EQ(out[range.last], 99.0f) << "an output beyond the range was written";
          if (range.first > 0) {
            EXPECT_EQ(out[range.first - 1], 99.0f);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace vtr::recogniser
