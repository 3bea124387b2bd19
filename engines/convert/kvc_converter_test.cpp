#include "engines/convert/kvc_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/convert/internal/kvc_tables.h"
#include "engines/convert/testing/converter_test_util.h"

namespace vtr::convert {
namespace {

using testing::Bytes;
using testing::Notes;
using testing::PlayMs;
using testing::Text;

struct TimeCase {
  const char* what;
  std::string script;
  int ms;
};

TEST(KvcConverterTest, PlayTimeFollowsTheSyllableLengths) {
  const TimeCase cases[] = {
      {"ma1 lasts 220 ms", "KV#Cma1", 220},
      {"lengths off give 200 ms", "KV#CL1ma1", 200},
      {"a", "KV#Ca1", 260},
      {"e", "KV#Ce4", 300},
      {"ao", "KV#Cao2", 280},
      {"hua", "KV#Chua1", 240},
      {"er", "KV#Cer2", 280},
      {"qiu", "KV#Cqiu1", 220},
      {"a syllable without a tone is skipped", "KV#Cma", 0},
      {"tone digit 5 is not a tone", "KV#Cma5", 0},
      {"more than seven letters fail", "KV#Czhuangzh1", 0},
      {"prolongations take no time", "KV#Cma1--~", 220},
      {"space rests 200 ms", "KV#Cma1 ma1", 640},
      {"question mark rests twice and ends the phrase", "KV#Cma1?ma1", 840},
      {"speed", "KV#CS99ma1", 20},
      {"lower-case letters are never commands", "KV#Cs99ma1", 220},
      {"double bytes are skipped one by one", "KV#C\xB0\xA1ma1", 220},
      {"bracket skips double bytes as pairs", "KV#C[\xA3]ma1]ma1", 220},
  };
  for (const auto& c : cases) EXPECT_EQ(PlayMs<KvcConverter>(c.script), c.ms) << c.what;
}

struct TextCase {
  const char* what;
  std::string script;
  std::vector<std::string> texts;
};

TEST(KvcConverterTest, EventsCarryTheNormalOrErhuaText) {
  const TextCase cases[] = {
      {"normal ma", "KV#Cma1", {"ma_\""}},
      {"erhua huar", "KV#Chuar1", {"xua`"}},
      {"er is the normal syllable", "KV#Cer2", {"@`"}},
      {"ar is the erhua form of a", "KV#Car1", {"a`"}},
      {"aor fails; the skip then finds the erhua o", "KV#Caor1", {"o`"}},
      {"qiu and its erhua", "KV#Cqiu1qiur2", {"ts\\_hi@u", "ts\\_hiou`"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> texts;
    for (const auto& note : Notes<KvcConverter>(c.script)) texts.push_back(Text(note));
    EXPECT_EQ(texts, c.texts) << c.what;
  }
}

struct ToneCase {
  const char* what;
  std::string script;
  size_t syllable;
  std::vector<events::PitchPoint> pitch;
};

events::PitchPoint P(uint8_t position, int cents) {
  return {position, static_cast<uint16_t>(8192 + cents)};
}

TEST(KvcConverterTest, TonesInContextSelectThePitchShape) {
  const ToneCase cases[] = {
      {"first tone", "KV#Cma1", 0, {P(0, 2072), P(127, 2072)}},
      {"third tone before a third tone",
       "KV#Cni3hao3",
       0,
       {P(0, -1729), P(93, -3050), P(127, 1818)}},
      {"third tone at the end", "KV#Cni3hao3", 1, {P(0, -1729), P(93, -3050), P(127, 1818)}},
      {"third tone before a fourth", "KV#Cni3hao4", 0, {P(0, -729), P(93, -3050), P(127, -3050)}},
      {"fourth tone after a third", "KV#Cni3hao4", 1, {P(0, 770), P(127, -3486)}},
      {"neutral tone after a first", "KV#Cma1ma0", 1, {P(0, 1800), P(127, -1000)}},
      {"second tone after a first", "KV#Cma1ma2", 1, {P(0, -924), P(127, 1927)}},
      {"neutral tone first", "KV#Cma0", 0, {P(0, 0), P(127, 0)}},
      {"an accent mark replaces the tone shape", "KV#C^ma1", 0, {P(0, 0), P(127, 700)}},
  };
  for (const auto& c : cases) {
    const auto notes = Notes<KvcConverter>(c.script);
    ASSERT_GT(notes.size(), c.syllable) << c.what;
    EXPECT_EQ(notes[c.syllable].pitch, c.pitch) << c.what;
  }
}

TEST(KvcConverterTest, ToneCodesFollowThePreviousTone) {
  struct Case {
    int tone, previous, code;
  };
  const Case cases[] = {{0, 0, 0},  {0, 1, 6}, {0, 2, 7}, {0, 3, 8},  {0, 4, 9}, {1, 3, 1},
                        {2, 1, 10}, {2, 2, 2}, {3, 3, 3}, {4, 3, 11}, {4, 1, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(internal::ToneCode(c.tone, c.previous), c.code) << c.tone << " after " << c.previous;
  }
}

TEST(KvcConverterTest, SyllableTableHoldsTheTellingRows) {
  struct Row {
    const char* name;
    int length;
    const char* text;
    const char* erhua;
  };
  const Row rows[] = {
      {"a", 260, "a_\"", "a`"},
      {"e", 300, "7", "@`"},
      {"ao", 280, "AU", ""},
      {"ma", 220, "ma_\"", "ma`"},
      {"hua", 240, "xua_\"", "xua`"},
      {"er", 280, "@`", ""},
      {"qiu", 220, "ts\\_hi@u", "ts\\_hiou`"},
  };
  for (const auto& row : rows) {
    const auto index = internal::FindPinyinSyllable(row.name);
    ASSERT_TRUE(index.has_value()) << row.name;
    const auto& s = internal::PinyinSyllableTable()[*index];
    EXPECT_EQ(s.length, row.length) << row.name;
    EXPECT_EQ(s.text, row.text) << row.name;
    EXPECT_EQ(s.erhua, row.erhua) << row.name;
  }
  for (const auto& s : internal::PinyinSyllableTable()) {
    EXPECT_GE(s.length, 180) << s.name;
    EXPECT_LE(s.length, 320) << s.name;
    EXPECT_EQ(internal::PinyinSyllableTable()[*internal::FindPinyinSyllable(s.name)].name, s.name);
  }
  EXPECT_FALSE(internal::FindPinyinSyllable("zhuangg").has_value());
  EXPECT_FALSE(internal::FindPinyinSyllable("qa").has_value());
}

TEST(KvcConverterTest, BufferMustHoldTheBodyAndFifteenBytes) {
  KvcConverter converter;
  ASSERT_EQ(converter.Init(20), 0);
  const std::string script = "KV#Cma1";
  ASSERT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(script.data()), 7), 0);
  uint8_t buf[kCounterBufferSize];
  // Body: 4 + text 4 + 2 pitch points x 3 + 2 volume points x 2 = 18.
  EXPECT_EQ(converter.Convert(buf, 32), kConverterBufferTooSmall);
  EXPECT_GT(converter.Convert(buf, 33), 0);
}

}  // namespace
}  // namespace vtr::convert
