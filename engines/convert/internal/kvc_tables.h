// Tables of the pinyin (C) converter: the 410 syllable rows and the tone shapes.
#ifndef VTR_ENGINES_CONVERT_INTERNAL_KVC_TABLES_H_
#define VTR_ENGINES_CONVERT_INTERNAL_KVC_TABLES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "engines/events/voice_event.h"

namespace vtr::convert::internal {

struct PinyinSyllable {
  std::string_view name;   // lower-case letters, at most 6
  uint16_t length;         // default length [ms], 180..320
  std::string_view text;   // phoneme text of the normal form
  std::string_view erhua;  // phoneme text of the erhua form; empty: no erhua form
};

inline constexpr size_t kPinyinSyllables = 410;
inline constexpr size_t kMaxPinyinLetters = 7;
std::span<const PinyinSyllable> PinyinSyllableTable();

// The row whose name is `letters`, searched among the rows of the same first letter and
// length; nothing when there is none.
std::optional<uint16_t> FindPinyinSyllable(std::string_view letters);

inline constexpr uint8_t kNoTone = 12;  // next-tone byte before the next syllable is parsed

// The tone code of tone digit `tone` after a syllable of tone `previous` (0 before the first).
uint8_t ToneCode(int tone, int previous);

struct TonePoint {
  uint8_t position;  // 0..127
  int16_t value;     // [bend units]
};
// The pitch shape of a tone code; a code 3 before a 3 or before no syllable uses shape 5.
std::span<const TonePoint> ToneShape(uint8_t tone_code, uint8_t next_tone);

}  // namespace vtr::convert::internal

#endif  // VTR_ENGINES_CONVERT_INTERNAL_KVC_TABLES_H_
