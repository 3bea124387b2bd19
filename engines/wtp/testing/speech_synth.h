// Synthetic Japanese-like speech with known phoneme boundaries, for tests and benchmarks.
//
// Vowels are harmonic complexes through formant resonators; fricatives are band noise; voiceless
// stops are a closure and a burst; voiced stops a quiet voice bar and a burst; nasals quiet
// low-passed voicing; approximants quieter vowels; pauses silence with a faint noise floor.
//
//   SynthScript script = {{"ka", 0.07, 0.15}, {" ", 0.3}, {"i", 0.0, 0.18}};
//   SynthSpeech speech = Synthesize(script, 16000, 150.0, 1);
//   // speech.text is " ka i " ready for the aligner; speech.syllable_starts holds the truth.
#ifndef VTR_ENGINES_WTP_TESTING_SPEECH_SYNTH_H_
#define VTR_ENGINES_WTP_TESTING_SPEECH_SYNTH_H_

#include <cstdint>
#include <string>
#include <vector>

namespace vtr::wtp::testing {

// One syllable of the script: a syllable symbol of the aligner (" " for a pause), the length of
// its consonant and of its vowel (a pause or a bare vowel uses only `vowel_sec`).
struct SynthSyllable {
  std::string symbol;
  double consonant_sec = 0.0;  // [s]
  double vowel_sec = 0.0;      // [s]
};
using SynthScript = std::vector<SynthSyllable>;

struct SynthSpeech {
  std::vector<int16_t> samples;
  int rate = 16000;                     // [Hz]
  std::string text;                     // the symbols, pauses as spaces
  std::vector<double> syllable_starts;  // [s] start of every syllable of the script
  std::vector<double> phoneme_starts;   // [s] start of every phoneme
  double end_sec = 0.0;                 // [s] end of the last syllable
  std::vector<double> f0;               // [Hz] per 10 ms frame; 0 where unvoiced
};

// Renders `script` after `lead_sec` of silence and before `tail_sec` of silence. The pitch
// glides gently around `f0_hz`. `seed` fixes the noise.
SynthSpeech Synthesize(const SynthScript& script, int rate, double f0_hz, uint32_t seed,
                       double lead_sec = 0.2, double tail_sec = 0.2);

// A random script of `syllables` syllables (CV syllables, bare vowels and the moraic nasal),
// with a pause of 150-400 ms after about every `pause_every`-th syllable.
SynthScript RandomScript(int syllables, int pause_every, uint32_t seed);

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_SPEECH_SYNTH_H_
