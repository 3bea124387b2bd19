#include "wave2script/core/checker_tables.h"

#include <algorithm>

#include "core/script_symbols.h"
#include "core/script_tables.h"

namespace vtr::w2s {

namespace {

// The letters that stand for command symbols; other full-width letters are left as they are.
constexpr std::string_view kCommandLetters = "ABCDEFGKLSUVWX";

// Symbol rows 0-30 of the full-width table (digits and the 21 symbols) fold to their byte;
// rows 31-33 are the script forms of space, '-' and '~' and stay double-byte.
constexpr size_t kFoldedSymbolRows = 31;

// The script engine's pinyin table also knows "yo"; the checker's inventory never had it, so a
// KV#C "yo" is deleted by the body pass. This is the only row in which the two differ beyond
// the engine's single letters.
constexpr std::string_view kNotCheckerSyllables[] = {"yo"};

}  // namespace

uint8_t FoldFullWidth(ScriptLanguage language, uint8_t lead, uint8_t trail) {
  const bool korean = language == ScriptLanguage::kKorean;
  if (!korean && language != ScriptLanguage::kJapanese) return 0;
  auto matches = [&](const core::FullWidthRow& row) {
    const auto& form = korean ? row.ks : row.shift_jis;
    return form[0] == lead && form[1] == trail && (form[0] | form[1]) != 0;
  };
  for (size_t i = 0; i < core::kFullWidthLetterRows; ++i) {
    const core::FullWidthRow& row = core::kFullWidthTable[i];
    if (!matches(row)) continue;
    uint8_t upper = static_cast<uint8_t>(row.single & ~0x20);
    return kCommandLetters.find(static_cast<char>(upper)) != std::string_view::npos ? upper : 0;
  }
  for (size_t i = 0; i < kFoldedSymbolRows; ++i) {
    const core::FullWidthRow& row = core::kFullWidthTable[core::kFullWidthFirstSymbolRow + i];
    if (matches(row)) return row.single;
  }
  return 0;
}

std::string_view KanaRomaji(uint8_t trail) {
  const core::KanaRomajiRow* row = core::FindKanaRomaji(trail);
  return row ? row->romaji : std::string_view();
}

bool OpensKanaPair(uint8_t first_trail) {
  auto pairs = core::KanaRomajiPairs();
  return std::any_of(pairs.begin(), pairs.end(), [first_trail](const core::KanaRomajiRow& row) {
    return (row.kana_code & 0xFF) == first_trail;
  });
}

std::string_view KanaPairRomaji(uint8_t first_trail, uint8_t second_trail) {
  const core::KanaRomajiRow* row = core::FindKanaPairRomaji(first_trail, second_trail);
  return row ? row->romaji : std::string_view();
}

std::string RomajiKana(std::string_view syllable) {
  const core::RomajiRow* row = core::FindRomaji(syllable);
  return row ? core::KanaOfRomajiRow(*row) : std::string();
}

bool IsPinyinSyllable(std::string_view letters) {
  // A single letter is never a syllable here, unlike in the script engine.
  if (letters.size() < 2 || letters.size() > 6) return false;
  for (std::string_view excluded : kNotCheckerSyllables) {
    if (letters == excluded) return false;
  }
  auto rows = core::PinyinRowsOfLength(static_cast<int>(letters.size()));
  return std::any_of(rows.begin(), rows.end(),
                     [letters](const core::PinyinRow& row) { return row.syllable == letters; });
}

}  // namespace vtr::w2s
