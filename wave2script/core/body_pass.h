// The checker's body pass: cleans the command symbols of a script in place.
//
// It deletes what a script may not hold, keeps one symbol of each kind per syllable group
// (the single-byte symbols between two syllables, brackets or phrase ends), clamps every
// number to its range, writes repeated symbols as symbol and count, breaks over-long phrases
// with "S99," when asked, and refuses bracket comments longer than the phrase limit allows.
// It works on KV#J, KV#K and KV#C texts (a KV#G text is converted to kana before).
//
//   // given: std::string text
//   BodyPassSettings settings{ScriptLanguage::kJapanese, /*bit20=*/true, kInsertPhraseBreaks,
//                             100};
//   bool phrase_fits = true;
//   bool ok = RunBodyPass(settings, &text, &phrase_fits);   // "KV#J$$$か" -> "KV#J$3か"
#ifndef VTR_WAVE2SCRIPT_CORE_BODY_PASS_H_
#define VTR_WAVE2SCRIPT_CORE_BODY_PASS_H_

#include <cstdint>
#include <string>

#include "wave2script/core/script_scan.h"

namespace vtr::w2s {

// Options word of a check.
inline constexpr uint32_t kKeepLineBreaks = 0x10;
inline constexpr uint32_t kInsertPhraseBreaks = 0x20;

struct BodyPassSettings {
  ScriptLanguage language = ScriptLanguage::kNone;
  bool bit20 = false;    // allows the 'U' token
  uint32_t options = 0;  // kKeepLineBreaks, kInsertPhraseBreaks
  int limit = 100;       // phrase limit [bytes]
};

// Cleans the body of `text` (everything after the 4-byte tag). Returns false when the language
// has no classifier or when a bracket comment holds more than limit - 9 bytes; in the second
// case `*phrase_fits` is cleared and the text is left as it was.
[[nodiscard]] bool RunBodyPass(const BodyPassSettings& settings, std::string* text,
                               bool* phrase_fits);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_BODY_PASS_H_
