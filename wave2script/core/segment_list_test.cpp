#include "wave2script/core/segment_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

// A syllable or phoneme record with steps (and the phoneme range for syllables).
SegmentRecord Rec(std::string_view name, uint32_t start, uint32_t end, int32_t first = 0,
                  int32_t last = 0) {
  SegmentRecord r = wtp::MakeSegmentRecord(name);
  r.startStep = start;
  r.endStep = end;
  r.firstPhoneme = first;
  r.lastPhoneme = last;
  return r;
}

std::vector<std::pair<std::string, int>> ItemsOf(const SegmentList& list) {
  std::vector<std::pair<std::string, int>> out;
  for (const SegmentItem& item : list.items()) out.emplace_back(Utf(item.text), item.start);
  return out;
}

TEST(SegmentListTest, ModeWordCodes) {
  // clang-format off
  const std::vector<std::pair<uint32_t, uint32_t>> cases = {
      {0x52000000, 0},           {0xF2000000, 0},
      {0x52100000, 0},           {0x42000000, kSegmentModeBadKind},
      {0x02000000, kSegmentModeBadKind},  {0x53000000, kSegmentModeBadLanguage},
      {0xF0000000, kSegmentModeBadLanguage},
  };
  // clang-format on
  for (auto [word, code] : cases) EXPECT_EQ(CheckSegmentModeWord(word), code) << std::hex << word;

  SegmentList list;
  SegmentRecord syllables[] = {Rec(" ", 0, 5), Rec("ka", 5, 10), Rec(" ", 10, 12)};
  EXPECT_EQ(list.SetAlignment(0x53000000, 0, nullptr, 3, syllables), kSegmentModeBadLanguage);
  EXPECT_TRUE(list.items().empty()) << "nothing is stored on a refused word";
  SegmentTable p{}, s{};
  EXPECT_EQ(list.GetAlignment(&p, &s), 0);
  EXPECT_EQ(s.count, 0u);
}

TEST(SegmentListTest, BuildsItemsFromSyllables) {
  struct Case {
    const char* what;
    std::vector<SegmentRecord> syllables;
    std::vector<std::pair<std::string, int>> items;
  };
  const std::vector<Case> cases = {
      {"one record gives none", {Rec(" ", 0, 10)}, {}},
      {"pause word pause",
       {Rec(" ", 0, 5), Rec("ka", 5, 15), Rec(" ", 15, 20)},
       {{"か", 100}, {"　", 300}}},
      {"a gap gives # at the first word's end",
       {Rec(" ", 0, 5), Rec("k'o", 5, 15), Rec("N\\", 18, 25), Rec(" ", 25, 30)},
       {{"きょ", 100}, {"#", 300}, {"ん", 360}, {"　", 500}}},
      {"labels keep their leading space; unknown labels are empty",
       {Rec(" ", 0, 1), Rec("Sa", 1, 3), Rec("xyz", 3, 4), Rec(" ", 4, 6)},
       {{" しゃ", 20}, {"", 60}, {"　", 80}}},
  };
  for (const Case& c : cases) {
    std::vector<SegmentRecord> syllables = c.syllables;
    SegmentList list;
    ASSERT_EQ(list.SetAlignment(kSegmentModeWord, 0, nullptr,
                                static_cast<uint32_t>(syllables.size()), syllables.data()),
              0u);
    EXPECT_EQ(ItemsOf(list), c.items) << c.what;
  }
}

TEST(SegmentListTest, CopyAppendsAndGetAlignmentHandsTheTablesBack) {
  SegmentRecord phonemes[] = {Rec(" ", 0, 5), Rec("k", 5, 7), Rec("a", 7, 15), Rec(" ", 15, 20)};
  SegmentRecord syllables[] = {Rec(" ", 0, 5, 0, 0), Rec("ka", 5, 15, 1, 2),
                               Rec(" ", 15, 20, 3, 3)};
  SegmentList list;
  ASSERT_EQ(list.SetAlignment(kSegmentModeWord, 4, phonemes, 3, syllables), 0u);
  std::vector<SegmentItem> items = {{"x", 1}};
  EXPECT_EQ(list.CopyItemsTo(&items), 0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_STREQ(items[0].text, "x");
  EXPECT_EQ(items[2].start, 300);
  SegmentTable p{}, s{};
  EXPECT_EQ(list.GetAlignment(&p, &s), 0);
  EXPECT_EQ(p.count, 4u);
  EXPECT_EQ(p.items, phonemes);
  EXPECT_EQ(s.count, 3u);
  EXPECT_EQ(s.items, syllables);
}

TEST(SegmentListTest, WriteBackMovesSyllableEdges) {
  // pause | k'o | gap | N\ | pause, with one phoneme per syllable.
  SegmentRecord phonemes[] = {Rec(" ", 0, 5), Rec("k'o", 5, 15), Rec("N\\", 18, 25),
                              Rec(" ", 25, 30)};
  SegmentRecord syllables[] = {Rec(" ", 0, 5, 0, 0), Rec("k'o", 5, 15, 1, 1),
                               Rec("N\\", 18, 25, 2, 2), Rec(" ", 25, 30, 3, 3)};
  SegmentList list;
  ASSERT_EQ(list.SetAlignment(kSegmentModeWord, 4, phonemes, 4, syllables), 0u);
  std::vector<SegmentItem> items;
  (void)list.CopyItemsTo(&items);
  ASSERT_EQ(items.size(), 4u);
  items[0].start = 120;  // word start: the pause's end too
  items[1].start = 260;  // the gap: only the first word's end
  items[2].start = 400;  // the second word's start only
  items[3].start = 540;  // the trailing pause's start and the second word's end
  EXPECT_EQ(list.ReplaceItems(items), 0);

  const std::vector<std::pair<uint32_t, uint32_t>> want = {{0, 6}, {6, 13}, {20, 27}, {27, 30}};
  for (size_t k = 0; k < want.size(); ++k) {
    EXPECT_EQ(syllables[k].startStep, want[k].first) << k;
    EXPECT_EQ(syllables[k].endStep, want[k].second) << k;
    EXPECT_EQ(phonemes[k].startStep, want[k].first) << "one phoneme takes the syllable " << k;
    EXPECT_EQ(phonemes[k].endStep, want[k].second) << k;
  }
  EXPECT_EQ(list.items().size(), 4u);
}

TEST(SegmentListTest, LastItemNeverPassesTheTrailingPauseEnd) {
  const std::vector<int> drags = {580, 600, 700, 100000};
  for (int ms : drags) {
    SegmentRecord syllables[] = {Rec(" ", 0, 5, 0, 0), Rec("a", 5, 15, 1, 1),
                                 Rec(" ", 15, 30, 2, 2)};
    SegmentRecord phonemes[] = {Rec(" ", 0, 5), Rec("a", 5, 15), Rec(" ", 15, 30)};
    SegmentList list;
    ASSERT_EQ(list.SetAlignment(kSegmentModeWord, 3, phonemes, 3, syllables), 0u);
    std::vector<SegmentItem> items;
    (void)list.CopyItemsTo(&items);
    items.back().start = ms;
    (void)list.ReplaceItems(items);
    EXPECT_EQ(syllables[2].endStep, 30u) << ms;
    EXPECT_EQ(syllables[2].startStep, 29u) << ms;
    EXPECT_EQ(syllables[1].endStep, 29u) << ms;
    EXPECT_GT(phonemes[2].endStep, phonemes[2].startStep) << ms;
  }
}

TEST(SegmentListTest, SplitsASyllableOverItsPhonemes) {
  struct Case {
    uint32_t f, l;       // old steps of the first and last phoneme
    uint32_t n;          // new steps of the syllable
    uint32_t first_len;  // new steps of the first phoneme
  };
  const std::vector<Case> cases = {
      {3, 1, 8, 6},   // 6.0
      {2, 1, 4, 3},   // 2.67 rounded, F > L
      {1, 2, 4, 1},   // 1.33 truncated
      {1, 1, 5, 2},   // 2.5 truncated, F = L
      {1, 30, 4, 1},  // 0.13: at least one step
      {30, 1, 4, 3},  // 3.87 rounds to 4: the last keeps one step
      {1, 3, 1, 0},   // one step for two phonemes: the first gets none
      {0, 0, 6, 3},   // no old durations: halves
  };
  for (const Case& c : cases) {
    SegmentRecord phonemes[] = {Rec(" ", 0, 10), Rec("k", 10, 10 + c.f),
                                Rec("a", 10 + c.f, 10 + c.f + c.l), Rec(" ", 10 + c.f + c.l, 60)};
    SegmentRecord syllables[] = {Rec(" ", 0, 10, 0, 0), Rec("ka", 10, 10 + c.f + c.l, 1, 2),
                                 Rec(" ", 10 + c.f + c.l, 60, 3, 3)};
    SegmentList list;
    ASSERT_EQ(list.SetAlignment(kSegmentModeWord, 4, phonemes, 3, syllables), 0u);
    std::vector<SegmentItem> items = {{"", 200}, {"", static_cast<int>(200 + 20 * c.n)}};
    (void)list.ReplaceItems(items);
    EXPECT_EQ(phonemes[1].startStep, 10u);
    EXPECT_EQ(phonemes[1].endStep - phonemes[1].startStep, c.first_len)
        << c.f << "+" << c.l << " -> " << c.n;
    EXPECT_EQ(phonemes[2].startStep, phonemes[1].endStep);
    EXPECT_EQ(phonemes[2].endStep, 10 + c.n);
  }
}

TEST(SegmentListTest, LabelsToHiragana) {
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> cases = {
      {" ", "　"},     {"a", "あ"},        {"N\\", "ん"},  {"Sa", " しゃ"}, {"k'o", "きょ"},
      {"g'a", "ぎゃ"}, {"p\\'i", " ふぃ"}, {"K'o", ""},    {"", ""},         {"tsaaa", ""},
      {"  ", ""},      {"xx", ""},
  };
  // clang-format on
  for (const auto& [label, kana] : cases) {
    EXPECT_EQ(Utf(LabelToHiragana(label)), kana) << "[" << label << "]";
  }
}

TEST(SegmentListTest, BuildsAlignerText) {
  struct Case {
    std::string kana;  // UTF-8, or raw bytes when `raw`
    uint32_t code;
    std::string symbols;
    bool raw = false;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"きょう", 0, "k'oM"},
      {"かきゃ", 0, "kak'a"},  // the pair in the last four bytes
      {"っ", 0, " "},
      {"ぢゃづぃ", 0, "dZadzi"},
      {"ぁゐゑをゎ", 0, "aieowa"},
      {"ふゃふぃとぅ", 0, "p\\'ap\\'itM"},
      {"いぇあ", 0, "jea"},
      {"き。ゃ", 0, "k'ija"},          // a pair is two neighbouring kana only
      {"カタカナとABC", 0, "to"},     // other characters are passed over whole
      {"Ａ", kAlignerTextNoSymbol, ""},  // hiragana lead, no symbol
      {"", 0, ""},
      // A double-byte character with trail byte 0x82 does not start a kana.
      {std::string("\x88\x82\x82\xA9", 4), 0, "ka", true},
      // A pair needs the hiragana lead on both characters.
      {std::string("\x82\xAB\x83\xE1", 4), 0, "k'i", true},
      // A lone lead byte at the end is passed over.
      {std::string("\x82\xA0\x82", 3), 0, "a", true},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string out = "old";
    std::string kana = c.raw ? c.kana : Sj(c.kana);
    EXPECT_EQ(BuildAlignerText(kana, &out), c.code) << c.kana;
    EXPECT_EQ(out, c.symbols) << c.kana;
  }
}

TEST(SegmentListTest, EveryHiraganaHasASymbolAndTheLabelsComeBack) {
  int singles = 0, pairs = 0;
  for (int trail = 0x9F; trail <= 0xF1; ++trail) {
    const std::string kana = {'\x82', static_cast<char>(trail)};
    std::string symbol;
    ASSERT_EQ(BuildAlignerText(kana, &symbol), 0u) << std::hex << trail;
    ++singles;
    // The round trip: the symbol's label gives a kana (the pause a full-width space).
    EXPECT_STRNE(LabelToHiragana(symbol), "") << std::hex << trail;
    for (int second = 0x9F; second <= 0xF1; ++second) {
      const std::string two = kana + std::string{'\x82', static_cast<char>(second)};
      std::string apart, second_symbol, together;
      ASSERT_EQ(BuildAlignerText(two.substr(2), &second_symbol), 0u);
      ASSERT_EQ(BuildAlignerText(two, &together), 0u);
      if (together != symbol + second_symbol) {
        ++pairs;
        EXPECT_STRNE(LabelToHiragana(together), "") << Utf(two);
      }
    }
  }
  EXPECT_EQ(singles, 83);
  EXPECT_EQ(pairs, 77);
}

}  // namespace
}  // namespace vtr::w2s
