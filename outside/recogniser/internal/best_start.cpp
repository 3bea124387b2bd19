#include "outside/recogniser/internal/best_start.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace vtr::recogniser {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

template <size_t W>
struct Lanes;
template <>
struct Lanes<2> {
  using Sums = double __attribute__((vector_size(16)));
  using Indexes = int64_t __attribute__((vector_size(16)));
};
template <>
struct Lanes<4> {
  using Sums = double __attribute__((vector_size(32)));
  using Indexes = int64_t __attribute__((vector_size(32)));
};

// W lanes, each keeping its least sum and the last j that reached it (a later j is a shorter
// length); then the lanes and the leftover sums one at a time, which keep the last j too.
template <size_t W>
[[gnu::always_inline]] inline double Best(const double* key, const double* length, int count,
                                          int top, int& best_length) {
  using Sums = typename Lanes<W>::Sums;
  using Indexes = typename Lanes<W>::Indexes;
  Sums best, lengths;
  Indexes at, j, step;
  for (size_t l = 0; l < W; ++l) {
    best[l] = kInf;
    at[l] = -1;
    j[l] = static_cast<int64_t>(l);
    step[l] = static_cast<int64_t>(W);
  }
  int next = 0;
  for (; next + static_cast<int>(W) <= count; next += static_cast<int>(W), j += step) {
    Sums keys, forward;
    std::memcpy(&keys, key + next, sizeof keys);
    // length[top - next - W + 1 .. top - next], backwards.
    std::memcpy(&forward, length + (top - next - static_cast<int>(W) + 1), sizeof forward);
    for (size_t l = 0; l < W; ++l) lengths[l] = forward[W - 1 - l];
    const Sums sums = keys + lengths;
    const Indexes take = sums <= best;
    best = reinterpret_cast<Sums>((reinterpret_cast<Indexes>(sums) & take) |
                                  (reinterpret_cast<Indexes>(best) & ~take));
    at = (j & take) | (at & ~take);
  }
  double value = kInf;
  int64_t found = -1;
  for (size_t l = 0; l < W; ++l) {
    if (best[l] < value || (best[l] == value && at[l] > found)) {
      value = best[l];
      found = at[l];
    }
  }
  for (; next < count; ++next) {
    const double sum = key[next] + length[top - next];
    if (sum <= value) {
      value = sum;
      found = next;
    }
  }
  if (value == kInf) {
    best_length = 0;
    return kInf;
  }
  best_length = top - static_cast<int>(found);
  return value;
}

__attribute__((target("avx2"))) double BestStartFourLanes(const double* key,
                                                          const double* length, int count,
                                                          int top, int& best_length) {
  return Best<4>(key, length, count, top, best_length);
}

}  // namespace

double BestStartTwoLanes(const double* key, const double* length, int count, int top,
                         int& best_length) {
  return Best<2>(key, length, count, top, best_length);
}

double BestStart(const double* key, const double* length, int count, int top, int& best_length) {
  static const bool four_lanes = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }();
  return four_lanes ? BestStartFourLanes(key, length, count, top, best_length)
                    : BestStartTwoLanes(key, length, count, top, best_length);
}

}  // namespace vtr::recogniser
