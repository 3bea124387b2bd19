// Speech of a synthesiser that is not ours, with its own phoneme timing, for the accuracy
// report: the Japanese voice of the system's espeak-ng library (its variants give other
// voices), loaded at run time when it is installed.
//
// The library reports where every phoneme starts in its output (phoneme events, in samples).
// Those times are the truth, mapped onto the aligner's phonemes of the same text, with four
// corrections taken from its own output: a voiceless stop's closure, which the library writes
// as digital silence before the stop's event, is given to the stop; a phoneme that fades out
// before the event of the library's pause (or of the end of the speech) ends at its last sample
// above the same quiet level; a long vowel, which the library speaks as one phoneme where the
// text has two, is split in the middle, the second half not scored (no sound marks where it
// starts); and a vowel after a nasal, r, a glide or another vowel starts where the spectrum
// changes (spectral_boundary.h), since the library's event there lies where the vowel already
// sounds fully (after nasals 12 ms after the change, in the median).
//
//   std::string error;
//   std::unique_ptr<OutsideVoice> voice = OutsideVoice::Load(&error);
//   if (!voice) { /* error says why */ }
//   std::vector<size_t> word_starts;
//   std::optional<SynthSpeech> speech =
//       voice->Speak({{"あさって", "asa te"}, {"。", ""}}, "ja+f2", 180, &word_starts, &error);
#ifndef VTR_ENGINES_WTP_TESTING_OUTSIDE_VOICE_H_
#define VTR_ENGINES_WTP_TESTING_OUTSIDE_VOICE_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/wtp/testing/speech_synth.h"

namespace vtr::wtp::testing {

// One word of a sentence: its hiragana (UTF-8) and its aligner symbols ("" for a comma or a
// full stop, which the aligner's text does not hold).
struct SpokenWord {
  const char* kana;
  const char* symbols;
};
using SpokenSentence = std::vector<SpokenWord>;

class OutsideVoice {
 public:
  // The library, or null with `error` set when it is not installed or lacks a function.
  static std::unique_ptr<OutsideVoice> Load(std::string* error);
  ~OutsideVoice();
  OutsideVoice(const OutsideVoice&) = delete;
  OutsideVoice& operator=(const OutsideVoice&) = delete;

  // `sentence` spoken by `voice` ("ja", "ja+f2", ...) at `words_per_minute`, at the library's
  // own rate. The text is the words' symbols; the truth holds the library's pauses (at commas
  // and full stops) as pauses the text does not hold. `word_starts` gets the truth index of
  // the first phoneme of every word after the first. Nothing when the library fails or its
  // phonemes cannot be matched to the text's.
  // The same sentence, voice and rate give the same wave whatever was spoken before.
  std::optional<SynthSpeech> Speak(const SpokenSentence& sentence, const std::string& voice,
                                   int words_per_minute, std::vector<size_t>* word_starts,
                                   std::string* error);

 private:
  struct Library;
  // The library loaded and started, or null with `error` set.
  static std::unique_ptr<Library> Open(std::string* error);
  explicit OutsideVoice(std::unique_ptr<Library> library);
  std::unique_ptr<Library> library_;
};

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_OUTSIDE_VOICE_H_
