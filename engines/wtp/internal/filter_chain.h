// The pitch detector's four filter sections in a row, the high-pass and three equal low-pass
// sections, run over a recording's samples.
//
// One section after the other on every sample waits on each section's result before the next
// can start. Here the four sections run side by side in four lanes, each a few samples behind
// the one before it (section k works on sample n - 2k while the high-pass takes sample n), so
// that no lane waits on another's newest result. Every lane makes exactly the operations of its
// section on its own samples, in the same order, so the outputs are the same bits as one
// section after the other.
//
//   // given: std::span<const int16_t> samples
//   vtr::wtp::internal::FilterChain chain({1, -2, 1, -1.9, 0.9}, {0.01, 0.02, 0.01, -1.8, 0.8},
//                                         samples);
//   double high[100], low[100];
//   chain.Run(100, high, low);   // the samples 0 .. 99 (zeros past the end); then 100 on
#ifndef VTR_ENGINES_WTP_INTERNAL_FILTER_CHAIN_H_
#define VTR_ENGINES_WTP_INTERNAL_FILTER_CHAIN_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vtr::wtp::internal {

// y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2, added up from the left.
struct SectionCoefficients {
  double b0, b1, b2, a1, a2;
};

class FilterChain {
 public:
  // `samples` must stay while the chain runs over them.
  FilterChain(const SectionCoefficients& high_pass, const SectionCoefficients& low_pass,
              std::span<const int16_t> samples);

  // The next `count` samples' high-pass outputs into `high` and the last low-pass section's
  // outputs into `low`. The chain reads up to six samples ahead (zeros past the end).
  void Run(size_t count, double* high, double* low);

  // The same with the lanes in two halves, whatever the processor: for comparing the two.
  void RunInHalves(size_t count, double* high, double* low);

 private:
  void Steps(size_t first, size_t end, double* high, double* low);
  void StepsFourLanes(size_t count, double* high, double* low);
  void StepsInHalves(size_t count, double* high, double* low);

  std::span<const int16_t> samples_;
  size_t next_ = 0;  // the next sample whose outputs are asked for
  // Per lane (section): coefficients, its last two inputs and outputs.
  alignas(32) std::array<double, 4> b0_, b1_, b2_, a1_, a2_;
  alignas(32) std::array<double, 4> x1_{}, x2_{}, y1_{}, y2_{};
  std::array<double, 8> high_ring_{};  // the high-pass output of sample n at n mod 8
};

}  // namespace vtr::wtp::internal

#endif  // VTR_ENGINES_WTP_INTERNAL_FILTER_CHAIN_H_
