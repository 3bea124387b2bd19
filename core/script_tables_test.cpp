#include "core/script_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vtr::core {
namespace {

std::string Hiragana(uint8_t trail) { return std::string{'\x82', static_cast<char>(trail)}; }

TEST(KanaTableTest, RowGroupsHaveTheirShapes) {
  ASSERT_EQ(kKanaTable.size(), 186u);
  for (size_t i = 0; i < kKanaTable.size(); ++i) {
    EXPECT_EQ(kKanaTable[i].text.size(), static_cast<size_t>(kKanaTable[i].length)) << i;
  }
  const std::string vu = "\x82\xA4\x81\x4A";  // う゛
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(kKanaTable[i].length, 6);
    EXPECT_EQ(kKanaTable[i].text.substr(0, 4), vu);
  }
  EXPECT_EQ(kKanaTable[4].text, vu);
  // Two-kana rows: a hiragana followed by a small one.
  const std::set<uint8_t> small = {0x9F, 0xA1, 0xA3, 0xA5, 0xA7, 0xE1, 0xE3, 0xE5};
  for (size_t i = kKanaFirstPairRow; i < kKanaFirstSingleRow; ++i) {
    const std::string_view t = kKanaTable[i].text;
    ASSERT_EQ(t.size(), 4u) << i;
    EXPECT_EQ(uint8_t(t[0]), 0x82);
    EXPECT_EQ(uint8_t(t[2]), 0x82);
    EXPECT_TRUE(small.count(uint8_t(t[3]))) << i;
  }
  EXPECT_EQ(kKanaTable[kKanaFirstPairRow].text, "\x82\xA2\x82\xA5");        // いぇ
  EXPECT_EQ(kKanaTable[kKanaFirstSingleRow - 1].text, "\x82\xE8\x82\xE5");  // りょ
  for (size_t i = 0; i < 83; ++i) {
    EXPECT_EQ(kKanaTable[kKanaFirstSingleRow + i].text, Hiragana(0x9F + i)) << i;
  }
  EXPECT_EQ(kKanaTable[kKanaFirstLongMarkRow].text, "\x81\x5B");
  EXPECT_EQ(kKanaTable[kKanaTildeRow].text, "\x81\x60");
  EXPECT_EQ(kKanaTable[kKanaFullWidthSpaceRow].text, "\x81\x40");
  // The rows the tokenizer does not search begin with the single bytes "-", "~" and space.
  EXPECT_EQ(kKanaTable[kKanaSearchedRows].text, "-");
  EXPECT_EQ(kKanaTable[kKanaSearchedRows + 2].text, " ");
  EXPECT_EQ(kKanaTable[kKanaFirstPunctuationRow].text, "\x81\x41");
  EXPECT_EQ(kKanaTable.back().text, "?");
}

TEST(KanaTableTest, TextsAreUnique) {
  std::set<std::string_view> seen;
  for (const KanaRow& row : kKanaTable) EXPECT_TRUE(seen.insert(row.text).second) << row.text;
}

TEST(RomajiTableTest, RowsAreConsistentAndNoneIsAPrefixOfAnother) {
  ASSERT_EQ(kRomajiTable.size(), 178u);
  for (const RomajiRow& row : kRomajiTable) {
    EXPECT_EQ(row.romaji.size(), static_cast<size_t>(row.length)) << row.romaji;
    EXPECT_GE(row.length, 1);
    EXPECT_LE(row.length, 4);
    EXPECT_EQ(row.kana_count == 2, (row.kana_code >> 8) != 0) << row.romaji;
    for (const RomajiRow& other : kRomajiTable) {
      if (&other != &row) {
        EXPECT_FALSE(other.romaji.starts_with(row.romaji)) << row.romaji;
      }
    }
  }
  for (size_t i = 1; i < kRomajiTable.size(); ++i) {
    EXPECT_LE(kRomajiTable[i - 1].romaji[0], kRomajiTable[i].romaji[0]) << i;
  }
}

TEST(RomajiTableTest, KnownSyllables) {
  struct Case {
    std::string_view romaji;
    std::string kana;
  };
  const Case cases[] = {
      {"a", "\x82\xA0"},   {"kya", "\x82\xAB\x82\xE1"}, {"tsu", "\x82\xC2"},
      {"tu", "\x82\xC2"},  {"xtsu", "\x82\xC1"},        {"xtu", "\x82\xC1"},
      {"nn", "\x82\xF1"},  {"shi", "\x82\xB5"},         {"si", "\x82\xB5"},
      {"va", "\x82\xCE"},  {"fyu", "\x82\xD3\x82\xE3"}, {"jya", "\x82\xB6\x82\xE1"},
      {"xwa", "\x82\xEC"}, {"wo", "\x82\xF0"},
  };
  for (const Case& c : cases) {
    const RomajiRow* row = FindRomaji(c.romaji);
    ASSERT_NE(row, nullptr) << c.romaji;
    EXPECT_EQ(KanaOfRomajiRow(*row), c.kana) << c.romaji;
  }
  EXPECT_EQ(FindRomaji("n"), nullptr);
  EXPECT_EQ(FindRomaji("ky"), nullptr);
}

// Every romaji row's kana has a canonical romaji that maps back to the same kana, so a
// romaji -> kana -> romaji -> kana round trip is stable; and every two-kana row's kana is a
// token of the kana table.
TEST(RomajiTableTest, KanaRomajiRoundTripCloses) {
  std::set<std::string_view> kana_tokens;
  for (const KanaRow& row : kKanaTable) kana_tokens.insert(row.text);
  for (const RomajiRow& row : kRomajiTable) {
    SCOPED_TRACE(std::string(row.romaji));
    const std::string kana = KanaOfRomajiRow(row);
    EXPECT_TRUE(kana_tokens.count(kana));
    const KanaRomajiRow* back = row.kana_count == 2
                                    ? FindKanaPairRomaji(uint8_t(kana[1]), uint8_t(kana[3]))
                                    : FindKanaRomaji(uint8_t(kana[1]));
    ASSERT_NE(back, nullptr);
    const RomajiRow* again = FindRomaji(back->romaji);
    ASSERT_NE(again, nullptr) << back->romaji;
    EXPECT_EQ(KanaOfRomajiRow(*again), kana);
  }
}

TEST(KanaRomajiTableTest, PairAndSingleRows) {
  ASSERT_EQ(kKanaRomajiTable.size(), 147u);
  ASSERT_EQ(KanaRomajiPairs().size(), 64u);
  ASSERT_EQ(KanaRomajiSingles().size(), 83u);
  EXPECT_EQ(KanaRomajiPairs()[0].kana_code, 0xE1AB);
  EXPECT_EQ(KanaRomajiPairs()[0].romaji, "kya");
  for (size_t i = 0; i < 83; ++i) EXPECT_EQ(KanaRomajiSingles()[i].kana_code, 0x9F + i);
  struct Case {
    uint8_t first;
    uint8_t second;  // 0 for one kana
    std::string_view romaji;
  };
  const Case cases[] = {
      {0xAB, 0xE1, "kya"}, {0xC4, 0xA1, "thi"}, {0xD3, 0x9F, "fa"},
      {0xE8, 0xE5, "ryo"}, {0x9F, 0, "xa"},     {0xB5, 0, "si"},
      {0xC1, 0, "xtu"},    {0xF1, 0, "nn"},     {0xEE, 0, "wi"},
  };
  for (const Case& c : cases) {
    const KanaRomajiRow* row =
        c.second ? FindKanaPairRomaji(c.first, c.second) : FindKanaRomaji(c.first);
    ASSERT_NE(row, nullptr) << c.romaji;
    EXPECT_EQ(row->romaji, c.romaji);
  }
  EXPECT_EQ(FindKanaPairRomaji(0xA2, 0xA5), nullptr);  // いぇ has no romaji
  EXPECT_EQ(FindKanaRomaji(0xF2), nullptr);
}

TEST(PinyinTableTest, LongestFirstUniqueLowerCase) {
  ASSERT_EQ(kPinyinTable.size(), 647u);
  std::set<std::string_view> seen;
  for (size_t i = 0; i < kPinyinTable.size(); ++i) {
    const PinyinRow& row = kPinyinTable[i];
    EXPECT_EQ(row.syllable.size(), static_cast<size_t>(row.length)) << row.syllable;
    EXPECT_TRUE(seen.insert(row.syllable).second) << row.syllable;
    for (char ch : row.syllable) EXPECT_TRUE(ch >= 'a' && ch <= 'z') << row.syllable;
    if (i > 0) {
      EXPECT_GE(kPinyinTable[i - 1].length, row.length) << row.syllable;
    }
  }
  const size_t group_sizes[] = {5, 82, 223, 241, 88, 8};
  for (int length = 1; length <= 6; ++length) {
    EXPECT_EQ(PinyinRowsOfLength(length).size(), group_sizes[length - 1]) << length;
  }
  EXPECT_TRUE(PinyinRowsOfLength(7).empty());
  EXPECT_TRUE(PinyinRowsOfLength(0).empty());
}

TEST(PinyinTableTest, StandardSyllablesArePresent) {
  std::set<std::string_view> all;
  for (const PinyinRow& row : kPinyinTable) all.insert(row.syllable);
  for (std::string_view s : {"an", "en", "anr", "ang", "eng", "a", "o", "e", "zhongr", "zhuang",
                             "biaor", "xiong", "qu", "yo", "er"}) {
    EXPECT_TRUE(all.count(s)) << s;
  }
  for (std::string_view s : {"am", "em", "amr", "amg", "emg"}) EXPECT_FALSE(all.count(s)) << s;
}

}  // namespace
}  // namespace vtr::core
