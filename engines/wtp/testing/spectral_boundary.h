// Where one voiced sound turns into the next, from the signal alone: the reference boundary of
// a vowel onset after a nasal, r, a glide or another vowel, where a generator's own events
// need not lie at the change (an outside synthesiser reports a vowel where it sounds fully,
// after the change of its spectrum).
//
// Log energies of band-pass bands (150 Hz to 7 kHz, a quarter of their centre wide) over
// 10 ms, every millisecond, less their mean (the shape of the spectrum, not its level: a vowel
// that fades is still the same vowel); a mean spectrum over the middle half of each of the two
// spans the generator gives; between the middles of the spans, the boundary is the point that
// best splits the frames into those nearer the first sound's mean and those nearer the
// second's (the fewest frames on the wrong side; the earliest such point). Where the
// generator's boundary lies far from the change, the middle of one span holds the other sound:
// the split is sought again from the two spans it makes, up to four times, until it stays.
//
//   // given: const SynthSpeech& speech; const SynthPhoneme& m; const SynthPhoneme& a
//   #include "engines/wtp/testing/speech_synth.h"
//   const double onset = SpectralBoundary(speech.samples, speech.rate, m.start_sec,
//                                         a.start_sec, a.end_sec);  // "m" then "a"
#ifndef VTR_ENGINES_WTP_TESTING_SPECTRAL_BOUNDARY_H_
#define VTR_ENGINES_WTP_TESTING_SPECTRAL_BOUNDARY_H_

#include <cstdint>
#include <span>

namespace vtr::wtp::testing {

// The boundary [s] between the sound over [first_start, boundary) and the sound over
// [boundary, second_end), as the generator gives them; `boundary` itself when either span is
// shorter than 4 ms or lies outside the samples.
double SpectralBoundary(std::span<const int16_t> samples, int rate, double first_start,
                        double boundary, double second_end);

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_SPECTRAL_BOUNDARY_H_
