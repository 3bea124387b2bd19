// Character lookups of the wave-to-script checker: full-width forms, kana to romaji, romaji to
// kana and the pinyin syllable test. The data is the script language core's (core/
// script_symbols.h, core/script_tables.h); this module only adds the checker's own way of
// looking it up.
//
//   uint8_t ascii = FoldFullWidth(ScriptLanguage::kJapanese, 0x82, 0x72);   // 'S'
//   std::string_view r = KanaPairRomaji(0xB5, 0xE1);                       // "sya" (しゃ)
//   std::string kana = RomajiKana("xtsu");                                 // "\x82\xC1" (っ)
//   bool ok = IsPinyinSyllable("zhong");                                   // true
#ifndef VTR_WAVE2SCRIPT_CORE_CHECKER_TABLES_H_
#define VTR_WAVE2SCRIPT_CORE_CHECKER_TABLES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "wave2script/core/script_scan.h"

namespace vtr::w2s {

// Longest letter run that can be a pinyin syllable; longer runs are never looked up.
inline constexpr size_t kMaxPinyinLetters = 54;

// The single byte that the checker's width normalisation puts for a double-byte character of
// J (Shift-JIS) or K (KS X 1001): the command letters A-G, K, L, S, U, V, W, X (upper or lower
// case) give the upper-case letter, the full-width digits and the 21 full-width symbols
// ! # $ & ' * + , . / : ; < = > ? @ [ ] ^ _ give their ASCII byte. 0 when the character is
// none of these (other letters, the script forms of space, '-' and '~', anything else).
[[nodiscard]] uint8_t FoldFullWidth(ScriptLanguage language, uint8_t lead, uint8_t trail);

// Romaji of one hiragana given by its trail byte (lead 0x82); empty when none.
[[nodiscard]] std::string_view KanaRomaji(uint8_t trail);
// True when the hiragana opens one of the two-kana syllables (き ぎ し じ ち ぢ て で に ひ び
// ぴ ふ み り).
[[nodiscard]] bool OpensKanaPair(uint8_t first_trail);
// Romaji of two hiragana given by their trail bytes; empty when the pair has none.
[[nodiscard]] std::string_view KanaPairRomaji(uint8_t first_trail, uint8_t second_trail);

// Shift-JIS kana of a romaji syllable ("kya" gives きゃ); empty when the table lacks it.
[[nodiscard]] std::string RomajiKana(std::string_view syllable);

// True when `letters` (lower case, without tone digit) is a pinyin syllable of 2 to 6 letters.
[[nodiscard]] bool IsPinyinSyllable(std::string_view letters);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_CHECKER_TABLES_H_
