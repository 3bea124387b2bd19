// The Mandarin reading of every GB 2312 hanzi (lead bytes B0-F7, trail bytes A1-FE), generated
// once from the Unicode Han database by make_pinyin_table.py.
#ifndef VTR_OUTSIDE_KVXCNV_GB2312_PINYIN_TABLE_H_
#define VTR_OUTSIDE_KVXCNV_GB2312_PINYIN_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vtr::kvxcnv {

inline constexpr std::size_t kSyllableCount = 400;
inline constexpr unsigned kHanziFirstLead = 0xB0;
inline constexpr std::size_t kHanziRows = 72;     // leads B0..F7
inline constexpr std::size_t kHanziColumns = 94;  // trails A1..FE
inline constexpr std::uint16_t kNoReading = 0xFFFF;

// Syllables in letter order, without tone.
extern const std::array<std::string_view, kSyllableCount> kSyllables;
// Per hanzi ((lead - B0) * 94 + trail - A1): syllable index * 8 + tone (0 neutral, 1-4), or
// kNoReading.
extern const std::array<std::uint16_t, kHanziRows * kHanziColumns> kHanziReadings;

}  // namespace vtr::kvxcnv

#endif  // VTR_OUTSIDE_KVXCNV_GB2312_PINYIN_TABLE_H_
