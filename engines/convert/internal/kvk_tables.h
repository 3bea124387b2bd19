// Tables of the Hangul (K) converter: the 2350 KS X 1001 syllables with their consonant and
// vowel codes, the phoneme names of the codes, and the syllable-boundary rules.
#ifndef VTR_ENGINES_CONVERT_INTERNAL_KVK_TABLES_H_
#define VTR_ENGINES_CONVERT_INTERNAL_KVK_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vtr::convert::internal {

inline constexpr size_t kHangulSyllables = 2350;
inline constexpr uint8_t kHangulFirstLead = 0xB0;
inline constexpr uint8_t kHangulLastLead = 0xC8;
inline constexpr uint8_t kHangulFirstTrail = 0xA1;
inline constexpr uint8_t kHangulLastTrail = 0xFE;
inline constexpr int kHangulRowLength = 94;

inline constexpr uint8_t kSilentInitial = 21;  // ieung: no initial consonant
inline constexpr uint8_t kNoFinal = 1;

struct HangulCodes {
  uint8_t initial;  // 10..28
  uint8_t vowel;    // 2..29
  uint8_t final;    // 1..28
  friend bool operator==(const HangulCodes&, const HangulCodes&) = default;
};

// The syllable index of an EUC-KR code, or nothing outside 0xB0A1..0xC8FE.
std::optional<uint16_t> HangulIndex(uint8_t lead, uint8_t trail);
HangulCodes HangulCodesOf(uint16_t index);
// The index of the syllable with exactly these codes, or nothing when KS X 1001 lacks it.
std::optional<uint16_t> HangulIndexOf(const HangulCodes& codes);

// True for a syllable with both an initial and a final consonant (the long class).
inline bool IsLongSyllable(const HangulCodes& c) {
  return c.initial != kSilentInitial && c.final != kNoFinal;
}

// Phoneme names of the codes (empty for the silent initial and for no final).
std::string_view InitialName(uint8_t code);
std::string_view VowelName(uint8_t code);
std::string_view FinalName(uint8_t code);

// The effect of a syllable-boundary rule on a pair of adjacent syllables.
struct BoundaryChange {
  std::optional<uint8_t> second_initial;  // the following syllable's new initial
  bool first_loses_final = false;
};

// The rule for a syllable with final `final` followed by syllable `next`; nothing when no rule
// applies.
std::optional<BoundaryChange> FindBoundaryRule(uint8_t final, const HangulCodes& next);

}  // namespace vtr::convert::internal

#endif  // VTR_ENGINES_CONVERT_INTERNAL_KVK_TABLES_H_
