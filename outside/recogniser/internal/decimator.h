// The inner loop of the recogniser's decimated copy: a low-pass filter evaluated at every
// `factor`-th input sample.
//
// Output m is the sum, in tap order, of taps[j] x samples[m x factor - half + j] over the
// taps (half = taps / 2), started from 0: the same operations as one output at a time, so the
// same bits. Several outputs go at once, four where the processor has AVX2; their inputs are
// first laid out in one row per phase of the factor, so that neighbouring outputs read
// neighbouring values.
//
//   #include <cstdint>
//   #include <vector>
//   // given: std::vector<int16_t> samples; std::vector<double> taps
//   // taps: an odd count, here at most 199
//   std::vector<float> out(samples.size() / 2);
//   // every output whose taps lie inside the samples
//   vtr::recogniser::FilterAtEvery(samples.data(), 2, taps.data(), static_cast<int>(taps.size()),
//                                  100, 200, out.data());
#ifndef VTR_OUTSIDE_RECOGNISER_INTERNAL_DECIMATOR_H_
#define VTR_OUTSIDE_RECOGNISER_INTERNAL_DECIMATOR_H_

#include <cstddef>
#include <cstdint>

namespace vtr::recogniser {

// Outputs [first, last) into out[first ..]; every sample they read, from first x factor - half
// to (last - 1) x factor + half, lies inside `samples`.
void FilterAtEvery(const int16_t* samples, int factor, const double* taps, int tap_count,
                   size_t first, size_t last, float* out);

// The same with two lanes, whatever the processor: for comparing the two.
void FilterAtEveryTwoLanes(const int16_t* samples, int factor, const double* taps, int tap_count,
                           size_t first, size_t last, float* out);

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_INTERNAL_DECIMATOR_H_
