// The discrete Fourier transform of real frames, for the recogniser's spectra and
// autocorrelations.
//
// A real input of n values (n a power of two) is packed into a complex transform of n/2 points,
// x[2j] + i x[2j + 1], transformed by radix-2 decimation in time after a bit-reversed load, and
// split into the spectrum of the real input. Every twiddle factor comes from one table of
// cos/sin(-2 pi k / n), and every value goes through the same multiplications and additions in
// the same order whatever the loops' shape, so the spectrum is determined to the bit by n and
// the input. The loops run two butterflies at once, or four where the processor has AVX2.
//
//   vtr::recogniser::RealFft fft(512);
//   std::vector<double> frame(512), re, im;
//   fft.Forward(frame, re, im);   // re[k], im[k] for k = 0 .. 256
#ifndef VTR_OUTSIDE_RECOGNISER_FFT_H_
#define VTR_OUTSIDE_RECOGNISER_FFT_H_

#include <cstddef>
#include <span>
#include <vector>

namespace vtr::recogniser {

class RealFft {
 public:
  // `n`: a power of two, at least 2. `four_lanes`: use AVX2 where the processor has it (false:
  // two lanes everywhere, for comparing the two).
  explicit RealFft(size_t n, bool four_lanes = true);

  size_t size() const { return n_; }

  // The spectrum of the n real values of `x`: out_re[k], out_im[k] for k = 0 .. n/2.
  void Forward(std::span<const double> x, std::vector<double>& out_re, std::vector<double>& out_im);

 private:
  size_t n_, half_;
  std::vector<double> cos_, sin_;  // cos/sin(-2 pi k / n), k < n/2
  // Per stage of the half-size transform, from the third on, its twiddles side by side:
  // stage of length len uses cos/sin(-2 pi k / len), k < len/2, found at offset[stage].
  std::vector<double> stage_cos_, stage_sin_;
  std::vector<size_t> stage_offset_;
  std::vector<size_t> bits_;     // bit-reversed index of every point of the half-size transform
  std::vector<double> re_, im_;  // the half-size transform, in place
  bool four_lanes_ = false;      // the processor runs four lanes of doubles (AVX2)

  template <size_t W>
  void Transform(const double* x, double* out_re, double* out_im);
  void TransformTwoLanes(const double* x, double* out_re, double* out_im);
  void TransformFourLanes(const double* x, double* out_re, double* out_im);
};

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_FFT_H_
