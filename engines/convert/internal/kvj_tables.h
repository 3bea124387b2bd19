// Tables of the kana (J) converter: the phoneme rows and the recognition of Shift-JIS
// hiragana.
#ifndef VTR_ENGINES_CONVERT_INTERNAL_KVJ_TABLES_H_
#define VTR_ENGINES_CONVERT_INTERNAL_KVJ_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vtr::convert::internal {

// One phoneme row: the sound chip's phoneme name (written raw: a backslash is part of it),
// the default length and the script bytes that the row consumes.
struct PhonemeRow {
  std::string_view name;
  uint16_t length;  // [ms]
  uint8_t bytes;    // 2, 4 or 6
};

inline constexpr size_t kPhonemeRows = 165;
inline constexpr uint8_t kNoPhoneme = 165;
inline constexpr uint8_t kGeminateRow = 69;  // "SOKU": っ
std::span<const PhonemeRow> PhonemeTable();

// True for the rows of a bare vowel or the moraic nasal (a, i, M, e, o, N\).
bool IsBarePhoneme(uint8_t row);

struct KanaMatch {
  uint8_t row;
  uint8_t bytes;
};

// Recognises the hiragana at the start of `text` (lead byte 0x82, second byte 0x9F..0xF1),
// together with the small kana (and the voicing mark after う) that extend it. Every look-ahead
// stays within `text`. Returns nothing when `text` does not start with such a hiragana.
std::optional<KanaMatch> MatchKana(std::span<const uint8_t> text);

}  // namespace vtr::convert::internal

#endif  // VTR_ENGINES_CONVERT_INTERNAL_KVJ_TABLES_H_
