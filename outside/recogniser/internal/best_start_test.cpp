#include "outside/recogniser/internal/best_start.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vtr::recogniser {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The lengths tried one by one from d = 1 up, a smaller sum replacing the one found.
double OneByOne(const std::vector<double>& key, const std::vector<double>& length, int top,
                int& best_length) {
  double best = kInf;
  best_length = 0;
  const int count = static_cast<int>(key.size());
  for (int d = top - count + 1; d <= top; ++d) {
    const double k = key[static_cast<size_t>(top - d)];
    if (k == kInf) continue;
    const double sum = k + length[static_cast<size_t>(d)];
    if (sum < best) {
      best = sum;
      best_length = d;
    }
  }
  return best;
}

using BestStartFunction = double (*)(const double*, const double*, int, int, int&);
const std::pair<const char*, BestStartFunction> kWidths[] = {{"as built", BestStart},
                                                             {"two lanes", BestStartTwoLanes}};

TEST(BestStartTest, FindsTheLeastSumAndTheShortestLengthOnATie) {
  struct Case {
    const char* name;
    std::vector<double> key;     // at the boundaries t - top .. t - top + count - 1
    std::vector<double> length;  // length[d], d = 0 .. top
    int top;
    double best;
    int best_length;
  };
  const std::vector<double> flat(12, 1.0);
  const Case cases[] = {
      {"no keys", {}, flat, 5, kInf, 0},
      {"every key infinite", {kInf, kInf, kInf, kInf, kInf}, flat, 5, kInf, 0},
      {"one key", {2.0}, flat, 3, 3.0, 3},
      {"the least in the first lane", {0, 5, 5, 5, 5, 5, 5, 5}, flat, 8, 1.0, 8},
      {"the least among the leftovers", {5, 5, 5, 5, 5, 5, 5, 5, 0}, flat, 9, 1.0, 1},
      {"a tie inside a lane", {1, 5, 5, 5, 1, 5, 5, 5}, flat, 8, 2.0, 4},
      {"a tie across lanes", {1, 5, 5, 1, 5, 5, 5, 5}, flat, 8, 2.0, 5},
      {"a tie between a lane and a leftover", {1, 5, 5, 5, 5, 1}, flat, 6, 2.0, 1},
      {"a tie of every key", {3, 3, 3, 3, 3, 3, 3}, flat, 10, 4.0, 4},
      {"infinite keys between", {kInf, 4, kInf, kInf, 2, kInf, kInf}, flat, 7, 3.0, 3},
      {"the length decides", {0, 0, 0, 0, 0}, {kInf, 9, 7, 3, 3, 8}, 5, 3.0, 3},
      {"a key under zero", {-2, 0, 0, 0}, flat, 4, -1.0, 4},
      {"window inside the lengths", {4, 1, 4}, {kInf, 1, 2, 3, 4, 5, 6, 7, 8}, 8, 8.0, 7},
  };
  for (const auto& [width, best_start] : kWidths) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(width) + ": " + c.name);
      int d = -1;
      const double best =
          best_start(c.key.data(), c.length.data(), static_cast<int>(c.key.size()), c.top, d);
      EXPECT_EQ(best, c.best);
      EXPECT_EQ(d, c.best_length);
    }
  }
}

// Sums that tie often (small whole numbers and infinities) over every count up to 20: the same
// least sum, to the bit, and the same length as one by one.
TEST(BestStartTest, AgreesWithTheLengthsOneByOne) {
  std::mt19937 random(27);
  std::uniform_int_distribution<int> small(0, 6);
  for (int count = 0; count <= 20; ++count) {
    for (int round = 0; round < 200; ++round) {
      const int top = count + small(random);
      std::vector<double> key(static_cast<size_t>(count)), length(static_cast<size_t>(top) + 1);
      for (double& k : key) k = small(random) == 0 ? kInf : small(random) * 0.5;
      for (double& l : length) l = small(random) * 0.25;
      int expected_length = 0;
      const double expected = OneByOne(key, length, top, expected_length);
      for (const auto& [width, best_start] : kWidths) {
        SCOPED_TRACE(std::string(width) + ", count " + std::to_string(count));
        int d = -1;
        const double best = best_start(key.data(), length.data(), count, top, d);
        EXPECT_EQ(best, expected);
        EXPECT_EQ(d, expected_length);
      }
    }
  }
}

}  // namespace
}  // namespace vtr::recogniser
