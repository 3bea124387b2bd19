// The inner step of the alignment search: where a state that ends at a frame boundary started.
//
// For a state ending at boundary t, the search holds its start keys at the boundaries before
// t (the cost of starting there, less the part that is the same for every start) and its cost
// of lasting d frames. The state's best cost is the least key[t - d] + length[d]; on a tie the
// shortest d wins, as when the lengths are tried from d = 1 up and only a smaller cost replaces
// the one found. Several sums go at once, four where the processor has AVX2, and every sum is
// the same bits as one at a time, so the result does not depend on the lanes.
//
//   // given: const double* keys; const double* length
//   // keys: at the boundaries t - 6 .. t - 2; length: d = 0 .. 6 at least
//   int d = 0;
//   const double best = vtr::recogniser::BestStart(keys, length, 5, 6, d);  // d in 2 .. 6
#ifndef VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_
#define VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vtr::recogniser {

// The least key[j] + length[top - j] over j = 0 .. count - 1 (count <= top), and in
// `best_length` the d = top - j it is reached with, the smallest d on a tie. Infinite keys take
// no part; infinity, with d = 0, when every key is infinite or count is 0.
double BestStart(const double* key, const double* length, int count, int top, int& best_length);

// The same with two lanes, whatever the processor: for comparing the two.
double BestStartTwoLanes(const double* key, const double* length, int count, int top,
                         int& best_length);

namespace best_start {

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

}  // namespace best_start

// The same with W lanes, for inlining into a caller built for them: W = 2 on any processor, 4
// in a function built for AVX2. Each lane keeps its least sum and the last j that reached it (a
// later j is a shorter length); then the lanes and the leftover sums one at a time, which keep
// the last j too.
template <size_t W>
[[gnu::always_inline]] inline double BestStartInLanes(const double* key, const double* length,
                                                      int count, int top, int& best_length) {
  using Sums = typename best_start::Lanes<W>::Sums;
  using Indexes = typename best_start::Lanes<W>::Indexes;
  constexpr double kInf = std::numeric_limits<double>::infinity();
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

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_
