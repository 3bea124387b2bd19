// Synthetic Japanese-like speech with known phoneme boundaries, for tests and benchmarks.
//
// A formant synthesiser: a glottal pulse train with jitter, shimmer and breath noise drives a
// cascade of five formant resonators whose targets glide from phoneme to phoneme. Vowels have
// their own formants (scaled by the speaker's vocal tract), nasals are quiet low murmurs with
// an anti-resonance, voiceless stops are a closure, a burst and aspiration, voiced stops a voice
// bar and a weak burst, fricatives band noise, the flap a short dip, pauses silence (sometimes
// with an audible breath). The pitch falls through each phrase and rises and falls with the
// accent. Noise can be added afterwards at a chosen signal-to-noise ratio.
//
//   SynthScript script = {{"ka", 0.07, 0.15}, {" ", 0.0, 0.3, false}, {"i", 0.0, 0.18}};
//   SynthSpeech speech = Synthesize(script, 16000, 150.0, 1);
//   // speech.text is "kai", ready for the aligner (the pause is not in the text);
//   // speech.phonemes holds the truth, the pause included.
//   AddNoise(speech, NoiseKind::kBabble, 20.0, 1);
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
  bool in_text = true;         // false: a pause the speaker makes but the text does not hold
};
using SynthScript = std::vector<SynthSyllable>;

// The speaker.
struct SynthVoice {
  double f0_hz = 150.0;        // [Hz] pitch at the start of a phrase
  double pitch_range = 1.0;    // scale of the accent movements (1: rises of about 3 semitones)
  double formant_scale = 1.0;  // vocal tract: 1 for a man's, about 1.17 for a woman's
  double vowel_spread = 0.0;   // spread of the speaker's own shift of each vowel formant (share)
  double breathiness = 0.15;   // 0..1: breath noise in the voice and the tilt of its spectrum
  double devoicing = 0.0;      // chance that i and u between voiceless sounds lose their voice
  double breath_chance = 0.0;  // chance that a pause of 0.3 s or more holds an audible breath
};

// Where a pause of the truth comes from.
enum class PauseSource : int32_t {
  kSpeaker,          // the speaker's own: between phrases, at a comma or a full stop
  kInsertedSilence,  // digital silence put in before a word afterwards
  kInsertedBreath,   // breath noise put in before a word afterwards
};

// One phoneme of the truth, in time order; pauses the text does not hold are included.
struct SynthPhoneme {
  std::string name;        // the aligner's phoneme symbol; " " for a pause
  double start_sec = 0.0;  // [s]
  double end_sec = 0.0;    // [s]
  bool in_text = true;
  PauseSource source = PauseSource::kSpeaker;  // of a pause
  bool scored = true;  // false: no sound marks where it starts (a long vowel's second half)
};

struct SynthSpeech {
  std::vector<int16_t> samples;
  int rate = 16000;                     // [Hz]
  std::string text;                     // the symbols, pauses the text holds as spaces
  std::vector<double> syllable_starts;  // [s] start of every syllable of the script
  std::vector<double> phoneme_starts;   // [s] start of every phoneme
  std::vector<SynthPhoneme> phonemes;   // the truth
  double end_sec = 0.0;                 // [s] end of the last syllable
  std::vector<double> f0;               // [Hz] per 10 ms frame; 0 where unvoiced
};

// Renders `script` after `lead_sec` of silence and before `tail_sec` of silence. `seed` fixes
// every random choice (jitter, noise, token-to-token variation).
SynthSpeech Synthesize(const SynthScript& script, int rate, const SynthVoice& voice, uint32_t seed,
                       double lead_sec = 0.2, double tail_sec = 0.2);
// The same with the default voice at `f0_hz`.
SynthSpeech Synthesize(const SynthScript& script, int rate, double f0_hz, uint32_t seed,
                       double lead_sec = 0.2, double tail_sec = 0.2);

enum class NoiseKind : int32_t {
  kWhite,   // flat spectrum
  kBabble,  // six other synthetic talkers at once
};

// Adds noise `snr_db` below the mean power of the speech over its sounding phonemes.
void AddNoise(SynthSpeech& speech, NoiseKind kind, double snr_db, uint32_t seed);

// Adds the reverberation of a room: `reverb_sec` to decay by 60 dB, `reverb_db` the power of
// the reverberation relative to the direct sound. The truth stays where the speaker put it.
void AddReverberation(SynthSpeech& speech, double reverb_sec, double reverb_db);

// Puts `sec` of digital silence or breath noise (`source`) in before truth phoneme `before`,
// which must not be the first: the samples, the truth and the pitch track after it move on.
void InsertPause(SynthSpeech& speech, size_t before, double sec, PauseSource source, uint32_t seed);

// Scales the samples so that the loudest would lie `peak_dbfs` from full scale (-30: a low
// level); samples beyond full scale are clipped there (+6: a recording clipped by 6 dB).
void ScaleToPeak(SynthSpeech& speech, double peak_dbfs);

// A random script of `syllables` syllables (CV syllables, bare vowels and the moraic nasal),
// with a marked pause of 150-400 ms after about every `pause_every`-th syllable.
SynthScript RandomScript(int syllables, int pause_every, uint32_t seed);

// What a random utterance sounds like.
struct UtteranceStyle {
  double seconds = 4.0;           // [s] length of the speech, pauses included
  double rate = 1.0;              // speaking rate; 1 is about 8 morae (15 phonemes) per second
  double phrase_sec = 2.0;        // [s] mean length of a phrase between pauses; 0: no pauses
  bool pauses_in_text = false;    // whether the text holds the pauses between phrases
  double geminate_chance = 0.03;  // chance of a geminate ("っ", a marked pause) before a
                                  // voiceless consonant
};

// The syllables of `words` (aligner symbols; "" for a comma or a full stop, which becomes a
// pause of 0.25-0.5 s that the text does not hold) with the lengths of RandomUtterance at
// `rate`. `word_starts` gets the index of the first syllable of every word.
SynthScript ScriptOfWords(const std::vector<std::string>& words, double rate, uint32_t seed,
                          std::vector<size_t>* word_starts);

// Phrases of ordinary Japanese-like syllables with realistic lengths: consonant and vowel
// lengths by kind, longer phrase-final vowels, pauses of 0.15-0.6 s between phrases.
SynthScript RandomUtterance(const UtteranceStyle& style, uint32_t seed);

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_SPEECH_SYNTH_H_
