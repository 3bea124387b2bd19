#include "engines/pth/kana_labels.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::pth {
namespace {

TEST(KanaLabelsTest, FindsRowsByExactName) {
  struct Case {
    const char* name;
    const char* text;  // Shift-JIS, as displayed
    const char* kana;  // Shift-JIS, as written in scripts
    int length_ms;
  } cases[] = {
      {"ka", "\x82\xa9", "\x82\xa9", 160},
      {"tSa", " \x82\xbf\x82\xe1", "\x82\xbf\x82\xe1", 260},
      {"M", "\x82\xa4", "\x82\xa4", 140},
      {"N\\", "\x82\xf1", "\x82\xf1", 180},
      {"p\\a", " \x82\xd3\x82\x9f", "\x82\xd3\x82\x9f", 220},
      {"wo", "\x82\xa4\x82\xa7", "\x82\xa4\x82\xa7", 160},
      {"p\\'M", " \x82\xd3\x82\xe3", "\x82\xd3\x82\xe3", 240},
      // Two labels whose kana could be spelt two ways take the segment list's kana and its length.
      {"dZi", "\x82\xb6", "\x82\xb6", 180},
      {"dzi", " \x82\xb8\x82\xa1", "\x82\xb8\x82\xa1", 220},
  };
  for (const Case& c : cases) {
    const int row = FindKanaLabel(c.name);
    ASSERT_GE(row, 0) << c.name;
    const KanaLabel& label = KanaLabels()[row];
    EXPECT_EQ(label.name(), c.name);
    EXPECT_EQ(label.text(), c.text) << c.name;
    EXPECT_EQ(label.kana(), c.kana) << c.name;
    EXPECT_EQ(label.length_ms, c.length_ms) << c.name;
  }
}

TEST(KanaLabelsTest, RefusesNamesWithoutARow) {
  // clang-format off
  const char* names[] = {
      "Na", "NM", "N'a", "N'i",  // syllables the aligner uses only inside words
      " ",                       // the pause has no kana row
      "", "KA", "k'aa", "k", "p\\'Mx",
  };
  // clang-format on
  for (const char* name : names) EXPECT_EQ(FindKanaLabel(name), -1) << '"' << name << '"';
}

TEST(KanaLabelsTest, EveryRowIsOneSyllableOfHiraganaFoundUnderItsOwnName) {
  std::string previous;
  for (size_t row = 0; row < KanaLabels().size(); ++row) {
    const KanaLabel& label = KanaLabels()[row];
    EXPECT_EQ(FindKanaLabel(label.name()), static_cast<int>(row)) << label.name();
    EXPECT_LT(previous, label.name());
    previous = std::string(label.name());
    const std::string_view kana = label.kana();
    ASSERT_TRUE(kana.size() == 2 || kana.size() == 4) << label.name();
    for (size_t i = 0; i < kana.size(); i += 2) {
      EXPECT_EQ(static_cast<unsigned char>(kana[i]), 0x82) << label.name();
      EXPECT_GE(static_cast<unsigned char>(kana[i + 1]), 0x9F) << label.name();
      EXPECT_LE(static_cast<unsigned char>(kana[i + 1]), 0xF1) << label.name();
    }
    EXPECT_GE(label.length_ms, 140) << label.name();
    EXPECT_LE(label.length_ms, 260) << label.name();
    EXPECT_EQ(label.length_ms % 20, 0) << label.name();
  }
}

}  // namespace
}  // namespace vtr::pth
