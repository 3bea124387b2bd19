#include "outside/kvxcnv/pinyin_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/script_tables.h"
#include "outside/kvxcnv/gb2312_pinyin_table.h"

namespace vtr::kvxcnv {
namespace {

TEST(ReadingOfTest, ReadsHanziAndRefusesEverythingElse) {
  struct Case {
    unsigned char lead, trail;
    std::optional<HanziReading> expected;
  } cases[] = {
      {0xB0, 0xA1, HanziReading{"a", 0}},      // 啊, first hanzi
      {0xC4, 0xE3, HanziReading{"ni", 3}},     // 你
      {0xBA, 0xC3, HanziReading{"hao", 3}},    // 好
      {0xC1, 0xCB, HanziReading{"le", 0}},     // 了, neutral tone
      {0xC2, 0xCC, HanziReading{"lv", 4}},     // 绿, ü written v
      {0xD6, 0xD0, HanziReading{"zhong", 1}},  // 中
      {0xF7, 0xFE, HanziReading{"zha", 1}},    // 齄, last hanzi
      {0xD7, 0xFA, std::nullopt},              // unassigned place after the last of row 55
      {0xA3, 0xC1, std::nullopt},              // full-width A, no hanzi
      {0xAF, 0xFE, std::nullopt},
      {0xF8, 0xA1, std::nullopt},
      {0xB0, 0xA0, std::nullopt},
      {0xB0, 0xFF, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadingOf(c.lead, c.trail), c.expected) << std::hex << +c.lead << " " << +c.trail;
  }
}

TEST(ReadingTableTest, EverySyllableIsOneTheScriptEngineKnowsAndTonesAreValid) {
  std::set<std::string_view> known;
  for (const core::PinyinRow& row : core::kPinyinTable) known.insert(row.syllable);
  for (std::string_view syllable : kSyllables) EXPECT_TRUE(known.count(syllable)) << syllable;
  EXPECT_TRUE(std::is_sorted(kSyllables.begin(), kSyllables.end()));
  std::size_t read = 0;
  for (std::uint16_t code : kHanziReadings) {
    if (code == kNoReading) continue;
    ++read;
    EXPECT_LT(code / 8, kSyllableCount);
    EXPECT_LE(code % 8, 4);
  }
  // GB 2312 has 6763 hanzi; only interjections outside the syllable tables lack a reading.
  EXPECT_GT(read, 6750u);
  EXPECT_LE(read, 6763u);
}

TEST(PinyinScriptBodyTest, ConvertsTextByTheRules) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  } cases[] = {
      {"hanzi with tones", "\xC4\xE3\xBA\xC3", "ni3hao3"},
      {"ideographic full stop ends a sentence", "\xC4\xE3\xBA\xC3\xA1\xA3", "ni3hao3."},
      {"full-width ! ; : and ellipsis end sentences",
       "\xC4\xE3\xA3\xA1\xC4\xE3\xA3\xBB\xC4\xE3\xA3\xBA\xC4\xE3\xA1\xAD", "ni3.ni3.ni3.ni3."},
      {"full-width question mark", "\xC4\xE3\xA3\xBF", "ni3?"},
      {"comma and enumeration comma", "\xC4\xE3\xA3\xAC\xC4\xE3\xA1\xA2\xC4\xE3", "ni3,ni3,ni3"},
      {"ascii punctuation", "ni3! hao3; a1: b2, c3? d4.", "ni3. hao3. a1. b2, c3? d4."},
      {"neutral tone", "\xC0\xB4\xC1\xCB", "lai2le0"},
      {"ascii pinyin passes through", "ni3hao3", "ni3hao3"},
      {"upper-case letters are lower-cased", "Ni3Hao3", "ni3hao3"},
      {"full-width ascii pinyin", "\xA3\xEE\xA3\xE9\xA3\xB3", "ni3"},
      {"syllable after a toneless letter is set apart", "ma\xC4\xE3", "ma ni3"},
      {"syllable after a tone digit joins", "ma1\xC4\xE3", "ma1ni3"},
      {"white space runs become one rest", "ni3 \t\r\n hao3", "ni3 hao3"},
      {"ideographic space is white space", "ni3\xA1\xA1hao3", "ni3 hao3"},
      {"white space at the ends is dropped", "  ni3  ", "ni3"},
      {"script command symbols are dropped", "ni3*<>^_'~-\"&[]@/=$+", "ni3"},
      {"other symbol pairs are dropped", "\xA1\xB6\xC4\xE3\xA1\xB7", "ni3"},
      {"kana and other rows are dropped", "\xA4\xA2\xA8\xA1\xC4\xE3", "ni3"},
      {"lone high bytes are dropped", "\x80\xFFni3\xC4", "ni3"},
      {"lead before an ascii byte drops only the lead",
       "\xC4"
       "a1",
       "a1"},
      {"control bytes are dropped",
       std::string("n\0i\x01"
                   "3",
                   5),
       "ni3"},
      {"empty text", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(PinyinScriptBody(c.text), c.expected) << c.what;
}

}  // namespace
}  // namespace vtr::kvxcnv
