// Byte-level scanning shared by the wave-to-script checker and syllable list: the per-language
// byte classifier, bracket tracking, the syllable-character test and a saturating number reader.
//
// The checker walks script bytes in place and never builds tokens first, so every pass carries
// one `ByteClassifier` and one `BracketTracker` and feeds them byte by byte:
//
//   // given: std::string_view text
//   ByteClassifier bytes(core::ScriptLanguage::kJapanese);
//   BracketTracker brackets;
//   for (size_t i = 4; i < text.size(); ++i) {
//     ByteClass c = bytes.Next(text[i]);
//     if (c == ByteClass::kSingle) brackets.Single(text[i]);
//   }
#ifndef VTR_WAVE2SCRIPT_CORE_SCRIPT_SCAN_H_
#define VTR_WAVE2SCRIPT_CORE_SCRIPT_SCAN_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/script_text.h"

namespace vtr::w2s {

using core::ScriptLanguage;

// Size of the header tag that starts every script ("KV#J" ...).
inline constexpr size_t kTagSize = 4;

// Language of the tag at the start of `text`; kNone when it has none of the four tags.
[[nodiscard]] ScriptLanguage DetectType(std::string_view text);

// True for J, K, G and C.
[[nodiscard]] bool IsScriptType(ScriptLanguage language);

enum class ByteClass : int { kSingle = 0, kLead = 1, kTrail = 2 };

// The checker's three-state byte classifier, one state machine per language:
//   J  from single or trail, 0x81-0x9F / 0xE0-0xEF lead; after a lead, 0x40-0x7E / 0x80-0xFC
//      trail; anything else single.
//   K  0xA1-0xFE lead; after a lead, 0xA1-0xFE trail; anything else single.
//   G  vowels a e i o u trail, the other lower-case letters lead, any other byte keeps the
//      previous class.
//   C  a digit right after a letter trail, any other digit single, a lower-case letter lead,
//      anything else single.
// Any other language has no classifier: ok() is false and every byte is single.
class ByteClassifier {
 public:
  explicit ByteClassifier(ScriptLanguage language);

  [[nodiscard]] bool ok() const { return ok_; }
  // Class of the next byte; advances the state.
  ByteClass Next(uint8_t byte);
  ByteClass Next(char byte) { return Next(static_cast<uint8_t>(byte)); }
  // Class the next byte would get, without advancing.
  [[nodiscard]] ByteClass Peek(uint8_t byte) const;
  [[nodiscard]] ByteClass Peek(char byte) const { return Peek(static_cast<uint8_t>(byte)); }
  [[nodiscard]] ByteClass state() const { return state_; }
  void Reset() { state_ = ByteClass::kSingle; }

 private:
  ScriptLanguage language_;
  bool ok_;
  ByteClass state_ = ByteClass::kSingle;
};

// Bracket comments: '[' opens (state 1); ']' closes when open (state 0), else marks a stray
// closing bracket (state 2). Fed with single bytes only.
class BracketTracker {
 public:
  enum State : int { kOutside = 0, kInside = 1, kStray = 2 };
  void Single(uint8_t byte);
  void Single(char byte) { Single(static_cast<uint8_t>(byte)); }
  [[nodiscard]] bool inside() const { return state_ == kInside; }
  [[nodiscard]] State state() const { return state_; }
  void Reset() { state_ = kOutside; }

 private:
  State state_ = kOutside;
};

// True when the lead/trail pair is a syllable character of J or K: the script's full-width
// space, '－' or '～'; in J also a hiragana (82 9F-F1) or a long mark (81 5B-5D); in K a Hangul
// syllable (lead B0-C8, trail A1-FE).
[[nodiscard]] bool IsSyllableChar(ScriptLanguage language, uint8_t lead, uint8_t trail);

// True for a hiragana of Shift-JIS (82 9F .. 82 F1).
[[nodiscard]] constexpr bool IsHiragana(uint8_t lead, uint8_t trail) {
  return lead == 0x82 && trail >= 0x9F && trail <= 0xF1;
}

// The script forms of space, '-' and '~' in J (Shift-JIS) and K (KS X 1001).
struct WideForm {
  uint8_t lead;
  uint8_t trail;
};
[[nodiscard]] WideForm WideSpace(ScriptLanguage language);
[[nodiscard]] WideForm WideMinus(ScriptLanguage language);
[[nodiscard]] WideForm WideTilde(ScriptLanguage language);

// Upper bound of every decimal number read from a script: longer digit runs saturate here,
// which lies outside every argument range.
inline constexpr int kNumberCap = 999;

// Reads the ASCII decimal digits of `text` from `pos`. Returns the number of digits (0: no
// number) and stores the value, saturated at kNumberCap, in `*value`.
size_t ReadNumber(std::string_view text, size_t pos, int* value);

// Number of ASCII digits of `text` from `pos`.
[[nodiscard]] size_t DigitRun(std::string_view text, size_t pos);

[[nodiscard]] constexpr bool IsDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }
[[nodiscard]] constexpr bool IsLower(uint8_t byte) { return byte >= 'a' && byte <= 'z'; }

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SCRIPT_SCAN_H_
