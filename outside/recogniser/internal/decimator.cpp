#include "outside/recogniser/internal/decimator.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vtr::recogniser {
namespace {

template <size_t W>
struct Lanes;
template <>
struct Lanes<2> {
  using Type = double __attribute__((vector_size(16)));
};
template <>
struct Lanes<4> {
  using Type = double __attribute__((vector_size(32)));
};

// Outputs worked out from one layout of their inputs.
constexpr size_t kChunk = 256;

template <size_t W>
[[gnu::always_inline]] inline void Filter(const int16_t* samples, int factor, const double* taps,
                                          int tap_count, size_t first, size_t last, float* out) {
  using V = typename Lanes<W>::Type;
  const size_t f = static_cast<size_t>(factor);
  const size_t half = static_cast<size_t>(tap_count / 2);
  const size_t taps_per_phase = static_cast<size_t>(tap_count) / f + 1;
  // phases[r][k] = the input at chunk base + k x factor + r, as a double (exactly); tap j of
  // output i reads phases[j mod factor][i + j / factor], at offset[j] + i.
  const size_t row = kChunk + taps_per_phase;
  std::vector<double> phases(f * row);
  std::vector<size_t> offset(static_cast<size_t>(tap_count));
  for (size_t j = 0; j < offset.size(); ++j) offset[j] = (j % f) * row + j / f;
  for (size_t begin = first; begin < last; begin += kChunk) {
    const size_t end = std::min(last, begin + kChunk);
    const size_t count = end - begin;
    const int16_t* base = samples + (begin * f - half);
    const size_t span = (count - 1) * f + static_cast<size_t>(tap_count);
    for (size_t r = 0; r < f; ++r) {
      for (size_t k = 0, i = r; i < span; ++k, i += f) phases[r * row + k] = base[i];
    }
    // Four groups of W outputs at once: four chains of additions, not one, keep the
    // processor's adders busy.
    size_t i = 0;
    for (; i + 4 * W <= count; i += 4 * W) {
      V sum[4] = {};
      for (int j = 0; j < tap_count; ++j) {
        V tap;
        for (size_t l = 0; l < W; ++l) tap[l] = taps[j];
        const double* x = phases.data() + offset[static_cast<size_t>(j)] + i;
        for (size_t g = 0; g < 4; ++g) {
          V v;
          std::memcpy(&v, x + g * W, sizeof v);
          sum[g] += tap * v;
        }
      }
      for (size_t g = 0; g < 4; ++g) {
        for (size_t l = 0; l < W; ++l) out[begin + i + g * W + l] = static_cast<float>(sum[g][l]);
      }
    }
    for (; i < count; ++i) {
      double sum = 0;
      for (int j = 0; j < tap_count; ++j)
        sum += taps[j] * phases[offset[static_cast<size_t>(j)] + i];
      out[begin + i] = static_cast<float>(sum);
    }
  }
}

__attribute__((target("avx2"))) void FilterAtEveryFourLanes(const int16_t* samples, int factor,
                                                            const double* taps, int tap_count,
                                                            size_t first, size_t last, float* out) {
  Filter<4>(samples, factor, taps, tap_count, first, last, out);
}

}  // namespace

void FilterAtEveryTwoLanes(const int16_t* samples, int factor, const double* taps, int tap_count,
                           size_t first, size_t last, float* out) {
  Filter<2>(samples, factor, taps, tap_count, first, last, out);
}

void FilterAtEvery(const int16_t* samples, int factor, const double* taps, int tap_count,
                   size_t first, size_t last, float* out) {
  if (first >= last) return;
  static const bool four_lanes = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }();
  if (four_lanes) {
    FilterAtEveryFourLanes(samples, factor, taps, tap_count, first, last, out);
  } else {
    FilterAtEveryTwoLanes(samples, factor, taps, tap_count, first, last, out);
  }
}

}  // namespace vtr::recogniser
