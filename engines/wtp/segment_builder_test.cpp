#include "engines/wtp/segment_builder.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engines/wtp/phoneme_tables.h"
#include "engines/wtp/testing/fake_contours.h"

namespace vtr::wtp {
namespace {

using testing::FakeContours;

// Aligner-style lists from syllables and the step lengths of their phonemes.
struct Lists {
  std::vector<SegmentRecord> phonemes, syllables;
  uint32_t steps = 0;
};

Lists MakeLists(const std::vector<std::pair<std::string, std::vector<uint32_t>>>& spec) {
  Lists l;
  for (const auto& [symbol, lengths] : spec) {
    SegmentRecord s = MakeSegmentRecord(symbol);
    s.link = static_cast<int32_t>(l.syllables.size());
    s.firstPhoneme = static_cast<int32_t>(l.phonemes.size());
    s.startStep = l.steps;
    std::string_view rest = symbol;
    size_t k = 0;
    while (!rest.empty()) {
      const std::string_view name = MatchPhoneme(rest);
      rest.remove_prefix(name.size());
      SegmentRecord p = MakeSegmentRecord(name);
      p.link = s.link;
      p.startStep = l.steps;
      l.steps += lengths.at(k++);
      p.endStep = l.steps;
      l.phonemes.push_back(p);
    }
    s.lastPhoneme = static_cast<int32_t>(l.phonemes.size()) - 1;
    s.endStep = l.steps;
    l.syllables.push_back(s);
  }
  return l;
}

std::string Describe(const std::vector<SegmentRecord>& records) {
  std::string out;
  for (const SegmentRecord& r : records) {
    out += "[" + std::string(SegmentName(r)) + " " + std::to_string(r.startStep) + "-" +
           std::to_string(r.endStep) + "]";
  }
  return out;
}

std::string Check(std::vector<SegmentRecord>& ph, std::vector<SegmentRecord>& syl) {
  return CheckSegmentTables({static_cast<uint32_t>(ph.size()), ph.data()},
                            {static_cast<uint32_t>(syl.size()), syl.data()});
}

// Levels per step: `base` everywhere, with runs overridden.
std::vector<double> Levels(uint32_t steps, double base, std::vector<std::tuple<uint32_t, uint32_t, double>> runs) {
  std::vector<double> out(steps + 2, base);
  for (const auto& [from, to, level] : runs) {
    for (uint32_t s = from; s < to; ++s) out[s] = level;
  }
  return out;
}

TEST(SegmentBuilderTest, BuildCases) {
  struct Case {
    const char* name;
    Lists lists;
    std::vector<std::tuple<uint32_t, uint32_t, double>> runs;  // on a -5 dB base
    std::string syllables;  // expected syllable table
  };
  const Case cases[] = {
      {"no silence gives no inserted pauses",
       MakeLists({{" ", {3}}, {"ka", {4, 8}}, {"sa", {5, 8}}, {"to", {4, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {42, 45, -60}},
       "[  0-3][ka 3-15][sa 15-28][to 28-40][  40-43]"},
      {"quiet closure of a long stop gets a one-step pause",
       MakeLists({{" ", {3}}, {"a", {8}}, {"ka", {7, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {11, 18, -35}, {26, 29, -60}},
       "[  0-3][a 3-11][  11-12][ka 12-26][  26-29]"},
      {"short stop gets no closure pause",
       MakeLists({{" ", {3}}, {"a", {8}}, {"ka", {5, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {11, 16, -35}, {24, 27, -60}},
       "[  0-3][a 3-11][ka 11-24][  24-27]"},
      {"loud pause is merged into the syllable before",
       MakeLists({{" ", {3}}, {"ka", {4, 8}}, {" ", {5}}, {"sa", {5, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {33, 36, -60}},
       "[  0-3][ka 3-20][sa 20-33][  33-36]"},
      {"silent pause is kept",
       MakeLists({{" ", {3}}, {"ka", {4, 8}}, {" ", {5}}, {"sa", {5, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {15, 20, -60}, {33, 36, -60}},
       "[  0-3][ka 3-15][  15-20][sa 20-33][  33-36]"},
      {"silent dip between syllables becomes a pause",
       MakeLists({{" ", {3}}, {"a", {8}}, {"ma", {4, 8}}, {"ne", {4, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {25, 26, -70}, {35, 38, -60}},
       "[  0-3][a 3-11][ma 11-25][  25-26][ne 26-35][  35-38]"},
      {"dip that would empty a phoneme is skipped",
       MakeLists({{" ", {3}}, {"a", {8}}, {"ma", {4, 8}}, {"ne", {1, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {23, 24, -70}, {32, 35, -60}},
       "[  0-3][a 3-11][ma 11-23][ne 23-32][  32-35]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lists lists = c.lists;
    FakeContours contours(Levels(lists.steps, -5, c.runs), 200);
    std::vector<SegmentRecord> ph, syl;
    ASSERT_EQ(BuildSegments(lists.phonemes, lists.syllables, contours, ph, syl), 0);
    EXPECT_EQ(Describe(syl), c.syllables);
    EXPECT_EQ(Check(ph, syl), "");
    for (const SegmentRecord& s : syl) {
      if (IsPause(s) && s.endStep - s.startStep == 1) {
        EXPECT_EQ(s.startSec, 0.0f);
        EXPECT_EQ(s.endSec, 0.0f);
      }
    }
    for (const SegmentRecord& p : ph) {
      EXPECT_EQ(p.firstPhoneme, 0);
      EXPECT_EQ(p.lastPhoneme, 0);
    }
  }
}

TEST(SegmentBuilderTest, BuildRefusesListsItCannotUse) {
  struct Case {
    const char* name;
    Lists lists;
    size_t frames;
  };
  Lists no_pause = MakeLists({{"a", {3}}, {"ka", {4, 8}}, {" ", {3}}});
  const Case cases[] = {
      {"no frames", MakeLists({{" ", {3}}, {"ka", {4, 8}}, {" ", {3}}}), 0},
      {"does not begin with a pause", no_pause, 40},
      {"empty lists", Lists{}, 40},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lists lists = c.lists;
    FakeContours contours(std::vector<double>(c.frames / 2, -5), 200);
    std::vector<SegmentRecord> ph, syl;
    EXPECT_EQ(BuildSegments(lists.phonemes, lists.syllables, contours, ph, syl), -1);
  }
}

TEST(SegmentBuilderTest, RefineCases) {
  struct Case {
    const char* name;
    Lists lists;
    std::vector<std::tuple<uint32_t, uint32_t, double>> runs;  // on a -5 dB base
    std::string phonemes;
  };
  const Case cases[] = {
      {"without inner pauses only syllables are rebuilt",
       MakeLists({{" ", {3}}, {"ka", {4, 8}}, {"sa", {5, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {28, 31, -60}},
       "[  0-3][k 3-7][a 7-15][s 15-20][a 20-28][  28-31]"},
      {"end already in silence moves back",
       MakeLists({{" ", {3}}, {"ka", {4, 10}}, {" ", {6}}, {"sa", {5, 8}}, {" ", {3}}}),
       {{0, 3, -60}, {13, 23, -60}, {36, 39, -60}},
       "[  0-3][k 3-7][a 7-13][  13-23][s 23-28][a 28-36][  36-39]"},
      {"start still in silence moves forward",
       MakeLists({{" ", {3}}, {"ka", {4, 8}}, {" ", {4}}, {"o", {10}}, {" ", {3}}}),
       {{0, 3, -60}, {15, 22, -60}, {29, 32, -60}},
       "[  0-3][k 3-7][a 7-15][  15-21][o 21-29][  29-32]"},
      {"end still sounding moves forward",
       MakeLists({{" ", {3}}, {"ka", {4, 6}}, {" ", {8}}, {"o", {10}}, {" ", {3}}}),
       {{0, 3, -60}, {16, 21, -60}, {31, 34, -60}},
       "[  0-3][k 3-7][a 7-15][  15-21][o 21-31][  31-34]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lists lists = c.lists;
    FakeContours contours(Levels(lists.steps, -5, c.runs), 200);
    SegmentTable ph{static_cast<uint32_t>(lists.phonemes.size()), lists.phonemes.data()};
    SegmentTable syl{static_cast<uint32_t>(lists.syllables.size()), lists.syllables.data()};
    RefineSegments(ph, syl, contours);
    EXPECT_EQ(Describe(lists.phonemes), c.phonemes);
    EXPECT_EQ(Check(lists.phonemes, lists.syllables), "");
  }
}

TEST(SegmentBuilderTest, RefineLeavesTablesItCannotUse) {
  Lists lists = MakeLists({{" ", {3}}, {"ka", {4, 10}}, {" ", {6}}, {"sa", {5, 8}}, {" ", {3}}});
  FakeContours contours(Levels(lists.steps, -60, {}), 200);
  struct Case {
    const char* name;
    void (*damage)(Lists&, SegmentTable&, SegmentTable&);
  };
  const Case cases[] = {
      {"fewer than three phonemes", [](Lists&, SegmentTable& ph, SegmentTable&) { ph.count = 2; }},
      {"null items", [](Lists&, SegmentTable& ph, SegmentTable&) { ph.items = nullptr; }},
      {"link outside", [](Lists& l, SegmentTable&, SegmentTable&) { l.phonemes[2].link = 99; }},
      {"range outside", [](Lists& l, SegmentTable&, SegmentTable&) { l.syllables[1].lastPhoneme = 40; }},
      {"range over a foreign phoneme", [](Lists& l, SegmentTable&, SegmentTable&) { l.syllables[1].lastPhoneme = 3; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Lists copy = lists;
    SegmentTable ph{static_cast<uint32_t>(copy.phonemes.size()), copy.phonemes.data()};
    SegmentTable syl{static_cast<uint32_t>(copy.syllables.size()), copy.syllables.data()};
    c.damage(copy, ph, syl);
    EXPECT_FALSE(SegmentTablesAreUsable(ph, syl));
    const std::string before = Describe(copy.phonemes);
    RefineSegments(ph, syl, contours);
    EXPECT_EQ(Describe(copy.phonemes), before);
  }
}

}  // namespace
}  // namespace vtr::wtp
