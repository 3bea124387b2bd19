// The resampler as it was first written: one inner product per wing per output sample, with
// every table entry interpolated on the spot and every input read checked against the ends.
// It is slow and plainly right; the tests hold the fast resampler to its output, sample for
// sample, and the benchmarks run both on the same input.
#ifndef VTR_ENGINES_WTP_TESTING_REFERENCE_RESAMPLER_H_
#define VTR_ENGINES_WTP_TESTING_REFERENCE_RESAMPLER_H_

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <span>
#include <vector>

namespace vtr::wtp::testing {

namespace reference_internal {

constexpr double kRolloff = 0.8;
constexpr double kKaiserBeta = 17.5;
constexpr int kEntriesPerCrossing = 256;
constexpr int kInterpBits = 7;
constexpr int kPhaseBits = 15;
constexpr int kProductShift = 14;
constexpr int kGuardBits = 2;
constexpr int kScaleShift = 13;
constexpr int kMaxWing = 5122;
constexpr int kMaxXoff = 2049;
constexpr int kFirstMult = 37;

inline int16_t Saturate(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

inline double BesselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  const double half = x / 2.0;
  for (int n = 1; n < 1000; ++n) {
    term *= (half / n) * (half / n);
    sum += term;
    if (term < 1e-21 * sum) break;
  }
  return sum;
}

struct Filter {
  std::vector<int16_t> table;
  std::vector<int16_t> diff;
  int wing = 0;
  int mult = 0;
  int64_t scale = 0;
};

inline bool DesignFilter(int mult, double factor, Filter& filter) {
  const int wing = 128 * mult + 257;
  if (wing > kMaxWing) return false;
  std::vector<double> c(static_cast<size_t>(wing));
  c[0] = kRolloff;
  const double i0_beta = BesselI0(kKaiserBeta);
  for (int i = 1; i < wing; ++i) {
    const double x = std::numbers::pi * i / kEntriesPerCrossing;
    const double ratio = static_cast<double>(i) / wing;
    c[i] = std::sin(kRolloff * x) / x *
           BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))) / i0_beta;
  }
  double max = 0;
  for (double v : c) max = std::max(max, std::abs(v));
  const double to_int = 32767.0 / max;
  filter.table.resize(c.size());
  for (size_t i = 0; i < c.size(); ++i)
    filter.table[i] = static_cast<int16_t>(std::lround(c[i] * to_int));
  filter.diff.resize(c.size());
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    filter.diff[i] = static_cast<int16_t>(filter.table[i + 1] - filter.table[i]);
  }
  filter.diff.back() = static_cast<int16_t>(-filter.table.back());
  double sum = 0;
  for (int i = kEntriesPerCrossing; i < wing; i += kEntriesPerCrossing) sum += c[i];
  double scale = std::abs(static_cast<double>(1 << 29) / ((2.0 * sum + c[0]) * to_int));
  if (factor < 1.0) scale = scale * factor;
  if (scale > 0xFFFF) return false;
  filter.scale = std::lround(scale);
  filter.wing = wing;
  filter.mult = mult;
  return true;
}

inline int64_t Wing(const Filter& filter, const std::vector<int16_t>& input, int64_t x, int inc,
                    uint32_t phase, uint32_t table_step) {
  uint64_t ho = (static_cast<uint64_t>(phase) * table_step) >> kPhaseBits;
  int64_t end = filter.wing;
  if (inc == 1) {
    --end;
    if (phase == 0) ho += table_step;
  }
  int64_t sum = 0;
  const int64_t size = static_cast<int64_t>(input.size());
  while (static_cast<int64_t>(ho >> kInterpBits) < end) {
    const size_t index = static_cast<size_t>(ho >> kInterpBits);
    int64_t coefficient = filter.table[index];
    coefficient += (static_cast<int64_t>(filter.diff[index]) *
                    static_cast<int64_t>(ho & ((1u << kInterpBits) - 1))) >>
                   kInterpBits;
    const int64_t sample = x >= 0 && x < size ? input[static_cast<size_t>(x)] : 0;
    int64_t product = coefficient * sample;
    if (product & (int64_t{1} << (kProductShift - 1))) product += int64_t{1} << (kProductShift - 1);
    sum += product >> kProductShift;
    ho += table_step;
    x += inc;
  }
  return sum;
}

}  // namespace reference_internal

// `samples` at `rate` converted to `new_rate` [Hz]; false when the filter cannot be designed.
inline bool ReferenceResample(std::span<const int16_t> samples, int rate, int new_rate,
                              std::vector<int16_t>& out) {
  using namespace reference_internal;
  out.clear();
  if (new_rate <= 0 || rate <= 0) return false;
  const double factor = static_cast<double>(new_rate) / rate;
  Filter filter;
  bool designed = false;
  for (int mult = kFirstMult; mult > 1 && !designed; mult -= 2)
    designed = DesignFilter(mult, factor, filter);
  if (!designed) return false;
  const int64_t xoff =
      static_cast<int64_t>((filter.mult + 1) / 2.0 * std::max(1.0, 1.0 / factor) + 10);
  if (xoff >= kMaxXoff) return false;

  std::vector<int16_t> input(static_cast<size_t>(xoff), 0);
  input.insert(input.end(), samples.begin(), samples.end());
  input.insert(input.end(), static_cast<size_t>(xoff), 0);

  const size_t out_count = static_cast<size_t>(static_cast<double>(samples.size()) * factor + 1);
  out.assign(out_count, 0);
  const int64_t time_step = std::llround((1 << kPhaseBits) / factor);
  const uint32_t table_step =
      factor >= 1.0 ? uint32_t{kEntriesPerCrossing} << kInterpBits
                    : static_cast<uint32_t>(std::lround(
                          (1 << kInterpBits) *
                          std::min<double>(kEntriesPerCrossing, kEntriesPerCrossing * factor)));
  const uint32_t phase_mask = (1u << kPhaseBits) - 1;
  size_t o = std::min(out_count, static_cast<size_t>(factor * static_cast<double>(xoff)));
  int64_t time = xoff << kPhaseBits;
  for (; o < out_count; ++o, time += time_step) {
    const int64_t position = time >> kPhaseBits;
    const uint32_t phase = static_cast<uint32_t>(time) & phase_mask;
    int64_t v = Wing(filter, input, position, -1, phase, table_step);
    v +=
        Wing(filter, input, position + 1, 1, static_cast<uint32_t>(-time) & phase_mask, table_step);
    v >>= kGuardBits;
    out[o] = Saturate((v * filter.scale) >> kScaleShift);
  }
  return true;
}

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_REFERENCE_RESAMPLER_H_
