// The syllable tables of the Kelvox script: the kana token table (J), the romaji table (G),
// the pinyin table (C) and the kana-to-romaji table. They are constant data, written once
// here and shared by the script engine and the wave-to-script library.
//
// Row order matters and is part of the contract:
//  kKanaTable        186 rows: 0-4 "う゛" forms, 5-81 two-kana combinations, 82-164 single
//                    hiragana ぁ..ん in code order, 165-170 long marks and the full-width space,
//                    171-185 punctuation (not searched by the script tokenizer).
//  kRomajiTable      178 rows ordered by first letter, then vowel a i u e o; no row is a prefix
//                    of another, so the first match is the only one.
//  kPinyinTable      647 rows, longest first (6 letters down to 1).
//  kKanaRomajiTable  147 rows: 64 two-kana rows, then 83 single kana ぁ..ん.
//
// Usage, for example the romaji of "きゃ" (82 AB 82 E1):
//   const KanaRomajiRow* row = FindKanaPairRomaji(0xAB, 0xE1);   // row->romaji == "kya"
//   std::string kana = KanaOfRomajiRow(*FindRomaji("kya"));      // "\x82\xAB\x82\xE1"
#ifndef VTR_CORE_SCRIPT_TABLES_H_
#define VTR_CORE_SCRIPT_TABLES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace vtr::core {

// One kana token: its Shift-JIS text, the byte length (1, 2, 4 or 6), and the default
// length of the syllable in the wave-to-script syllable list's time units (-1 = lengthens the
// previous syllable). The script engine reads only the text and its length.
struct KanaRow {
  std::string_view text;
  int length;
  int duration;
};

inline constexpr size_t kKanaRows = 186;
inline constexpr size_t kKanaFirstVuRow = 0;             // "う゛ぁ" .. "う゛ぉ", "う゛"
inline constexpr size_t kKanaFirstPairRow = 5;           // two-kana combinations
inline constexpr size_t kKanaFirstSingleRow = 82;        // ぁ (82 9F) .. ん (82 F1)
inline constexpr size_t kKanaFirstLongMarkRow = 165;     // ー ‐ ― －, then ～ (169)
inline constexpr size_t kKanaTildeRow = 169;             // ～
inline constexpr size_t kKanaFullWidthSpaceRow = 170;    // 81 40
inline constexpr size_t kKanaSearchedRows = 171;         // the tokenizer searches rows 0-170
inline constexpr size_t kKanaFirstPunctuationRow = 174;  // 、，。．＊？ then ､ , ｡ . * ?
extern const std::array<KanaRow, kKanaRows> kKanaTable;

// One romaji syllable: its letters, their count (1-4), the number of kana (1-2) and the kana
// code: the second Shift-JIS byte of each hiragana (lead 0x82), first kana in the low byte.
struct RomajiRow {
  std::string_view romaji;
  int length;
  int kana_count;
  uint16_t kana_code;
};
inline constexpr size_t kRomajiRows = 178;
extern const std::array<RomajiRow, kRomajiRows> kRomajiTable;

// One pinyin syllable (letters only, without its tone digit).
struct PinyinRow {
  int length;
  std::string_view syllable;
};
inline constexpr size_t kPinyinRows = 647;
extern const std::array<PinyinRow, kPinyinRows> kPinyinTable;

// The rows of the pinyin table with exactly `length` letters (1-6); empty for other lengths.
std::span<const PinyinRow> PinyinRowsOfLength(int length);

// One kana-to-romaji row. For the two-kana rows the code packs the second Shift-JIS bytes of
// both hiragana, first kana in the low byte (0xE1AB = "きゃ"); for the single rows it is the
// second byte of the one hiragana.
struct KanaRomajiRow {
  uint16_t kana_code;
  std::string_view romaji;
};
inline constexpr size_t kKanaRomajiPairRows = 64;
inline constexpr size_t kKanaRomajiSingleRows = 83;
extern const std::array<KanaRomajiRow, kKanaRomajiPairRows + kKanaRomajiSingleRows>
    kKanaRomajiTable;

std::span<const KanaRomajiRow> KanaRomajiPairs();    // rows 0-63
std::span<const KanaRomajiRow> KanaRomajiSingles();  // rows 64-146

// The romaji of two hiragana given by their second Shift-JIS bytes; nullptr when none.
const KanaRomajiRow* FindKanaPairRomaji(uint8_t first_trail, uint8_t second_trail);
// The romaji of one hiragana (0x9F-0xF1); nullptr when none.
const KanaRomajiRow* FindKanaRomaji(uint8_t trail);
// The romaji row whose letters equal `syllable` exactly; nullptr when none.
const RomajiRow* FindRomaji(std::string_view syllable);
// The Shift-JIS kana of a romaji row: 0x82 and the low byte, and for two-kana rows a second
// 0x82 and the next byte.
std::string KanaOfRomajiRow(const RomajiRow& row);

}  // namespace vtr::core

#endif  // VTR_CORE_SCRIPT_TABLES_H_
