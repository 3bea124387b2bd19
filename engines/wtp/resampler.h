// Sample-rate conversion by band-limited interpolation in fixed point.
//
// The filter is a Kaiser-windowed sinc (roll-off 0.8 of the lower Nyquist frequency, beta 17.5)
// tabled at 256 entries per zero crossing, with a table of differences for linear interpolation
// between entries. A time register with 15 fraction bits walks the input; for each output sample
// its integer part is the position and its fraction the phase. The left wing (from the position
// back) and the right wing (from the next sample on) are inner products of input samples with
// table entries interpolated at that phase; every product is rounded to 14 fraction bits and the
// sum is scaled to unity gain at DC. Every constant and rounding is fixed, so the output is
// determined to the bit.
//
// The interpolated entries depend only on where in the table a wing starts, and the time
// register visits at most 2^15 phases, so each wing's row of entries is computed once, the
// first time its phase comes up, and every later output at that phase reuses it. The inner
// products then run over padded rows of fixed length, without branches.
//
// Each output depends only on its own place in the input, so a long recording is resampled in
// blocks of outputs on up to four threads (the rows then filled ahead), to the same bits.
//
//   #include "engines/wtp/wave_buffer.h"
//   // given: WaveBuffer wave
//   std::vector<int16_t> out;
//   if (!Resample(wave.samples(), 16000, 44100, out)) return;
//   // out.size() == trunc(count x 44100 / 16000 + 1); the output lags by under 2 ms.
#ifndef VTR_ENGINES_WTP_RESAMPLER_H_
#define VTR_ENGINES_WTP_RESAMPLER_H_

#include <cstdint>
#include <span>
#include <vector>

namespace vtr::wtp {

// Converts `samples` at `rate` [Hz] to `new_rate` [Hz] into `out`: trunc(count x factor + 1)
// samples, the first trunc(factor x Xoff) of them 0 (Xoff: the filter's half length in input
// samples, plus 10). False, with `out` empty, when a rate is not positive or no filter fits.
[[nodiscard]] bool Resample(std::span<const int16_t> samples, int rate, int new_rate,
                            std::vector<int16_t>& out);

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_RESAMPLER_H_
