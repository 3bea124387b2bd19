#include "engines/wtp/internal/filter_chain.h"

#include <cstring>

namespace vtr::wtp::internal {
namespace {

using Lanes = double __attribute__((vector_size(32)));

// Section k works on sample n - kLag x k at step n: the last section is kLastLag behind.
constexpr size_t kLag = 2;
constexpr size_t kLastLag = 3 * kLag;

template <typename T>
[[gnu::always_inline]] inline Lanes Load(const T& values) {
  Lanes v;
  std::memcpy(&v, values.data(), sizeof v);
  return v;
}
template <typename T>
[[gnu::always_inline]] inline void Store(T& values, const Lanes& v) {
  std::memcpy(values.data(), &v, sizeof v);
}

}  // namespace

FilterChain::FilterChain(const SectionCoefficients& high_pass, const SectionCoefficients& low_pass,
                         std::span<const int16_t> samples)
    : samples_(samples) {
  const SectionCoefficients sections[4] = {high_pass, low_pass, low_pass, low_pass};
  for (size_t k = 0; k < 4; ++k) {
    b0_[k] = sections[k].b0;
    b1_[k] = sections[k].b1;
    b2_[k] = sections[k].b2;
    a1_[k] = sections[k].a1;
    a2_[k] = sections[k].a2;
  }
  // The first steps: the later sections work on samples before the first, zeros, which leave
  // their state at zero, as it starts.
  Steps(0, kLastLag, nullptr, nullptr);
}

// Steps first .. end - 1: step n feeds sample n to the high-pass and gives its output, and
// the last section's output for sample n - kLastLag, which (with that sample's high-pass
// output) goes to high and low at its place from next_ on, unless they are null.
[[gnu::always_inline]] inline void FilterChain::Steps(size_t first, size_t end, double* high,
                                                      double* low) {
  const Lanes b0 = Load(b0_), b1 = Load(b1_), b2 = Load(b2_), a1 = Load(a1_), a2 = Load(a2_);
  Lanes x1 = Load(x1_), x2 = Load(x2_), y1 = Load(y1_), y2 = Load(y2_);
  for (size_t n = first; n < end; ++n) {
    const double in = n < samples_.size() ? samples_[n] : 0.0;
    // Section k takes what section k - 1 gave kLag steps ago: its output for the same sample.
    const Lanes x = {in, y2[0], y2[1], y2[2]};
    const Lanes y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    high_ring_[n % high_ring_.size()] = y[0];
    if (high != nullptr) {
      const size_t sample = n - kLastLag;
      high[sample - next_] = high_ring_[sample % high_ring_.size()];
      low[sample - next_] = y[3];
    }
  }
  Store(x1_, x1);
  Store(x2_, x2);
  Store(y1_, y1);
  Store(y2_, y2);
}

__attribute__((target("avx2"))) void FilterChain::StepsFourLanes(size_t count, double* high,
                                                                 double* low) {
  Steps(next_ + kLastLag, next_ + count + kLastLag, high, low);
}

void FilterChain::StepsInHalves(size_t count, double* high, double* low) {
  Steps(next_ + kLastLag, next_ + count + kLastLag, high, low);
}

void FilterChain::Run(size_t count, double* high, double* low) {
  static const bool four_lanes = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }();
  if (four_lanes) {
    StepsFourLanes(count, high, low);
  } else {
    StepsInHalves(count, high, low);
  }
  next_ += count;
}

void FilterChain::RunInHalves(size_t count, double* high, double* low) {
  StepsInHalves(count, high, low);
  next_ += count;
}

}  // namespace vtr::wtp::internal
