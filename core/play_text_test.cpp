#include <gtest/gtest.h>

#include <string>

#include "core/internal/test_text.h"
#include "core/script_engine.h"

namespace vtr::core {
namespace {

using testing::Sj;
using E = ScriptEngineError;

constexpr ScriptModeWord kJ = 0x52100000;
constexpr ScriptModeWord kG = 0x54100000;
constexpr ScriptModeWord kC = 0x55100000;

std::string Kana(int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += Sj("か");
  return out;
}

std::string Repeat(std::string_view piece, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) out += piece;
  return out;
}

struct PlayCase {
  ScriptModeWord mode;
  std::string text;
  int flag;
  ScriptEngineError result;
  std::string played;  // text afterwards
  int offset;
  const char* why;
};

TEST(BuildPlayTextTest, SentencesAndSplitting) {
  const std::string k = Sj("か");
  const PlayCase cases[] = {
      {kJ, "KV#J" + k + Sj("、") + Kana(49) + Sj("。"), 0, E::kNone,
       "KV#J" + k + Sj("、") + Kana(49) + Sj("。"), 0, "a sentence of exactly 100 bytes"},
      {kJ, "KV#J" + k + Sj("、") + Kana(50) + ".", 0, E::kSentenceTooLong,
       "KV#J" + k + Sj("、") + Kana(50) + ".", 108, "101 bytes: refused, text unchanged"},
      {kJ, "KV#J" + Kana(75), 1, E::kNone, "KV#J" + Kana(48) + "S99,S50" + Kana(27), 0,
       "split after the 48th kana"},
      {kJ, "KV#JS70" + Kana(75), 1, E::kNone, "KV#JS70" + Kana(46) + "S99,S70" + Kana(29), 0,
       "the speed in force is restated"},
      {kJ, "KV#J@'3<2" + Kana(75), 1, E::kNone, "KV#J@'3<2" + Kana(45) + "S99,@S50'3<2" + Kana(30),
       0, "mark, pitch and step restated"},
      {kJ, "KV#J_1>12" + Kana(75), 1, E::kNone, "KV#J_>12" + Kana(46) + "S99,S50_>12" + Kana(29), 0,
       "negative positions"},
      {kJ, "KV#J" + Kana(150), 1, E::kNone,
       "KV#J" + Kana(48) + "S99,S50" + Kana(46) + "S99,S50" + Kana(46) + "S99,S50" + Kana(10), 0,
       "three splits"},
      {kJ, "KV#J[" + std::string(120, 'a') + "]" + k, 1, E::kSentenceTooLong,
       "KV#J[" + std::string(120, 'a') + "]" + k, 4, "no split point: the passing token"},
      {kJ, "KV#J" + Kana(75), 0, E::kSentenceTooLong, "KV#J" + Kana(75), 104, "no flag: refused"},
      {kJ, "KV#JV9" + k, 0, E::kNone, "KV#JV9" + k, 0, "no flag: not checked"},
      {kJ, "KV#JS50" + k, 1, E::kNone, "KV#J" + k, 0, "flag: checked"},
      {kG, "KV#Gkakaka", 1, E::kNone, "KV#Gkakaka", 0, "a G script comes back as G"},
      {kG, "KV#G" + Repeat("ka", 75), 1, E::kNone,
       "KV#G" + Repeat("ka", 48) + "S99,S50" + Repeat("ka", 27), 0, "G split as J"},
      {kC, "KV#C" + Repeat("ma0", 40), 1, E::kSentenceTooLong, "KV#C" + Repeat("ma0", 40), 103,
       "a tone 0 syllable is never split from the one before"},
      {kJ, "KV#", 1, E::kTagMismatch, "KV#", 0, "no tag"},
  };
  for (const PlayCase& c : cases) {
    ScriptEngine engine;
    std::string text = c.text;
    int offset = -1;
    EXPECT_EQ(engine.BuildPlayText(c.mode, text, &offset, c.flag), c.result) << c.why;
    EXPECT_EQ(text, c.played) << c.why;
    EXPECT_EQ(offset, c.offset) << c.why;
    if (c.result == E::kNone) {
      EXPECT_EQ(engine.output_text(), c.played) << c.why;
    }
  }
}

// Between tones 2 and 3 a split is not allowed, between 3 and 2 it is.
TEST(BuildPlayTextTest, ChineseSplitsOnlyBetweenAllowedTones) {
  ScriptEngine engine;
  std::string text = "KV#C" + Repeat("ma2ma3", 20);
  int offset = 0;
  ASSERT_EQ(engine.BuildPlayText(kC, text, &offset, 1), E::kNone);
  const size_t split = text.find("S99,");
  ASSERT_NE(split, std::string::npos);
  EXPECT_EQ(text.substr(split - 3, 3), "ma3");
  EXPECT_EQ(text.substr(split + 4, 6), "S50ma2");
}

// Every sentence of a split play text holds at most 100 bytes, its end included.
TEST(BuildPlayTextTest, SplitSentencesStayWithinTheLimit) {
  ScriptEngine engine;
  std::string text = "KV#JS70@'12<3" + Kana(200) + Sj("。") + "'2" + Kana(90);
  int offset = 0;
  ASSERT_EQ(engine.BuildPlayText(kJ, text, &offset, 1), E::kNone);
  size_t start = 4;
  for (size_t i = 4; i < text.size(); ++i) {
    const bool end = text[i] == ',' || text[i] == '.';
    if (!end && i + 1 < text.size()) continue;
    EXPECT_LE(i + 1 - start, 100u) << text.substr(start, i + 1 - start);
    start = i + 1;
  }
}

TEST(ReformatScriptTextTest, RangeOperations) {
  struct Case {
    std::string text;
    int start;
    int end;
    int operation;
    std::string expected;
    const char* why;
  };
  const std::string ka = Sj("か"), ki = Sj("き"), ku = Sj("く"), maru = Sj("。");
  const Case cases[] = {
      {"KV#J<2" + ka + "<3" + ki, 10, 11, 0, "KV#J<5" + ki, "the passage alone, absolute step"},
      {"KV#J'2" + ka + ki, 8, 9, 0, "KV#J'2" + ki, "absolute pitch"},
      {"KV#J" + ka + "<2" + ki + maru + ku, 8, 9, 1,
       "KV#J" + ka + "<2" + ki + "S99,S50>13" + ki + "." + ku, "echo before a sentence end"},
      {"KV#J" + ka + "<2" + ki + ku, 8, 9, 1,
       "KV#J" + ka + "<2" + ki + "S99,S50>13" + ki + "S99,S50<2" + ku, "echo mid-sentence"},
      {"KV#J" + ka + "=" + ki, 4, 9, 1, "KV#J" + ka + ki + "S99,S50>15" + ka + ki,
       "a reset with nothing in force is dropped"},
      {"KV#J" + ka + ki, 100, 200, 1, "KV#J" + ka + ki, "no selection: canonical text only"},
      {"KV#J" + ka + "S50" + ki, -1, -1, 1, "KV#J" + ka + ki, "canonical form"},
      {"KV#G" + ka, 4, 5, 1, "KV#G" + ka, "another tag: unchanged"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    std::string text = c.text;
    EXPECT_EQ(engine.ReformatScriptText(kJ, text, c.start, c.end, c.operation), E::kNone);
    EXPECT_EQ(text, c.expected) << c.why;
  }
}

}  // namespace
}  // namespace vtr::core
