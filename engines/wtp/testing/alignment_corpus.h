// A corpus of synthetic utterances with known boundaries, and the score of an alignment
// against it: how many vowel onsets and pause edges the aligner put within 20, 40 and 80 ms
// of the truth.
//
// Every condition fixes how the utterances sound (pauses in the text or not, speaking rate,
// pitch, noise); utterance i of a condition is always the same wave.
//
//   for (const CorpusCondition& condition : ReportConditions()) {
//     AlignmentScore score;
//     for (int i = 0; i < 10; ++i) {
//       const SynthSpeech speech = CorpusUtterance(condition, i);
//       std::vector<AlignedSpan> spans = ...;  // one per phoneme of the aligner's list
//       if (!ScoreAlignment(speech, spans, score)) ++score.failures;
//     }
//   }
#ifndef VTR_ENGINES_WTP_TESTING_ALIGNMENT_CORPUS_H_
#define VTR_ENGINES_WTP_TESTING_ALIGNMENT_CORPUS_H_

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engines/wtp/testing/outside_voice.h"
#include "engines/wtp/testing/speech_synth.h"

namespace vtr::wtp::testing {

struct CorpusCondition {
  std::string name;
  UtteranceStyle style;
  std::optional<double> f0_hz;  // [Hz] fixed pitch; otherwise voices of men and women
  double pitch_range = 1.0;     // scale of the accent movements
  std::optional<NoiseKind> noise;
  double snr_db = 0.0;  // [dB] with noise
};

// The conditions of the accuracy report: pauses marked, unmarked and absent; white and
// babble noise at 30, 20 and 10 dB; slow and fast speech; low, high, flat and lively voices.
// Except where a condition says otherwise, the text does not mark the pauses.
std::vector<CorpusCondition> ReportConditions();

// Utterance `index` of `condition` at `rate` (the recogniser's 16 kHz by default).
SynthSpeech CorpusUtterance(const CorpusCondition& condition, int index, int rate = 16000);

// Ordinary speech of exactly `seconds` for benchmarks: about 15 phonemes per second, a man's
// voice, pauses between phrases that the text does not hold.
SynthSpeech SpeechOfLength(double seconds, int rate, uint32_t seed);

// The second corpus, of speech unlike the first: 14 sentences spoken by five voices of the
// outside synthesiser (outside_voice.h) at 140-220 words a minute, or by our own synthesiser
// with other voices and lengths; with pauses of 200-800 ms that the text does not hold put in
// before words (half digital silence, half breath noise); with white or babble noise at 30, 20
// and 10 dB, reverberation, a low level or clipping.
struct VoiceCondition {
  std::string name;
  bool outside = true;  // the outside synthesiser; else ours
  bool pauses = true;   // pauses put in before words
  std::optional<NoiseKind> noise;
  double snr_db = 0.0;  // [dB] with noise
  bool reverberation = false;
  bool low_level = false;  // the peak at -30 dBFS
  bool clipped = false;    // 6 dB over full scale, clipped
};
std::vector<VoiceCondition> VoiceConditions();
inline constexpr int kVoiceSentences = 14;

// Utterance `index` of `condition` (sentence index mod 14, voice and rate by index): nothing,
// with `error` set, when an outside condition has no `voice` or the voice fails.
std::optional<SynthSpeech> VoiceUtterance(const VoiceCondition& condition, int index,
                                          OutsideVoice* voice, std::string* error);

// Kinds of boundary, counted apart.
enum class BoundaryKind : int32_t {
  kVowelAfterVoiceless,    // vowel onset after a voiceless stop or fricative
  kVowelAfterVoiced,       // ... after a voiced stop, fricative or affricate
  kVowelAfterGlide,        // ... after r, j or w
  kVowelAfterVowel,        // ... after a vowel (hiatus)
  kVowelAfterNasal,        // ... after a nasal
  kVowelAfterPause,        // ... after a pause
  kSilenceEndBeforeVowel,  // end of put-in digital silence, a vowel following
  kPauseEndBeforeVowel,    // end of any other pause, a vowel following
  kPauseEndBeforeConsonant,
  kInsertedPauseStart,  // start of a put-in pause
  kSpeakerPauseStart,   // start of the speaker's own pause (at a comma, between phrases)
  kMarkedPauseEdge,     // either edge of a pause the text holds (geminates included)
  kOuterSilence,        // where the speech starts and ends
};
inline constexpr size_t kBoundaryKinds = 13;
const char* BoundaryKindName(BoundaryKind kind);

// Where the aligner put one phoneme of its list (the pauses at both ends included).
struct AlignedSpan {
  double start_sec;
  double end_sec;
};

struct AlignmentScore {
  int utterances = 0;
  int failures = 0;      // alignments that gave no spans
  int split_pauses = 0;  // pause records that follow a pause record (ScoreSegments)
  int boundaries = 0;
  int within_20ms = 0;
  int within_40ms = 0;
  int within_80ms = 0;
  double error_sum = 0;  // [s]
  int pause_edges = 0;
  int pause_edges_within_40ms = 0;
  int vowel_onsets = 0;
  int vowel_onsets_within_40ms = 0;
  struct Kind {
    int count = 0;
    int within_40ms = 0;
    std::vector<double> errors;  // [s] signed: later than the truth is positive
  };
  std::array<Kind, kBoundaryKinds> kinds{};

  void Add(double error_sec, BoundaryKind kind);
  AlignmentScore& operator+=(const AlignmentScore& other);
  double Share(int count) const {
    return boundaries > 0 ? static_cast<double>(count) / boundaries : 0.0;
  }
  double MeanErrorMs() const { return boundaries > 0 ? 1000 * error_sum / boundaries : 0.0; }
};

// Adds the boundaries of one utterance: every vowel onset; both edges of every pause the text
// holds (the silence before and after the speech included); the end of every pause the text
// does not hold, which is where the next phoneme starts (the pause itself lies inside the
// phoneme before it). False, adding nothing, when `spans` does not hold one span per phoneme
// of the aligner's list for `speech.text`.
[[nodiscard]] bool ScoreAlignment(const SynthSpeech& speech, std::span<const AlignedSpan> spans,
                                  AlignmentScore& score);

// One segment of a table the engine built: a phoneme or a pause (name " ").
struct AlignedSegment {
  std::string name;
  double start_sec;
  double end_sec;
};

// Adds the boundaries of one utterance as the whole road leaves them in the engine's phoneme
// table: every vowel onset, and both edges of every pause (those the text does not hold
// included, and the silence before and after the speech). A pause is found as the pause
// segment that overlaps it most; a pause without one counts its length as the error of both
// edges. False, adding nothing, when the table's phonemes are not the text's.
[[nodiscard]] bool ScoreSegments(const SynthSpeech& speech,
                                 std::span<const AlignedSegment> segments, AlignmentScore& score);

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_ALIGNMENT_CORPUS_H_
