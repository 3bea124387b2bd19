#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/script_engine.h"
#include "core/testing/heard_settings.h"
#include "core/testing/test_text.h"

namespace vtr::core {
namespace {

using testing::Sj;
using E = ScriptEngineError;

constexpr ScriptModeWord kJ = 0x52100000;
constexpr ScriptModeWord kK = 0x53100000;
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

void ExpectPlayed(const PlayCase& c) {
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

TEST(BuildPlayTextTest, SentencesAndSplitting) {
  const std::string k = Sj("か");
  const PlayCase cases[] = {
      {kJ, "KV#J" + k + Sj("、") + Kana(50) + Sj("。"), 0, E::kNone,
       "KV#J" + k + Sj("、") + Kana(50) + Sj("。"), 0, "exactly 100 bytes between two ends"},
      {kJ, "KV#J" + k + Sj("、") + "'" + Kana(50) + ".", 0, E::kSentenceTooLong,
       "KV#J" + k + Sj("、") + "'" + Kana(50) + ".", 107, "101 bytes: refused, text unchanged"},
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
      {kJ, "KV#JS70", 1, E::kNone, "KV#J", 0, "nothing to play: built, with an empty body"},
      {kG, "KV#Gkakaka", 1, E::kNone, "KV#Gkakaka", 0, "a G script comes back as G"},
      {kG, "KV#G" + Repeat("ka", 75), 1, E::kNone,
       "KV#G" + Repeat("ka", 48) + "S99,S50" + Repeat("ka", 27), 0, "G split as J"},
      {kC, "KV#C" + Repeat("ma0", 40), 1, E::kSentenceTooLong, "KV#C" + Repeat("ma0", 40), 103,
       "a tone 0 syllable is never split from the one before"},
      {kJ, "KV#", 1, E::kTagMismatch, "KV#", 0, "no tag"},
  };
  for (const PlayCase& c : cases) ExpectPlayed(c);
}

// The limit counts the text between two sentence ends: neither end belongs to the sentence, the
// first sentence starts after the header and the last one, without an end, runs to the end of
// the text. The offset is the start of the token that passes 100 bytes, header included.
TEST(BuildPlayTextTest, TheLimitCountsTheTextBetweenTwoSentenceEnds) {
  const std::string k = Sj("か"), comma = Sj("、"), stop = Sj("。");
  const PlayCase cases[] = {
      {kJ, "KV#J" + Kana(50) + stop + k, 0, E::kNone, "KV#J" + Kana(50) + stop + k, 0,
       "a first sentence of 100 bytes"},
      {kJ, "KV#J'" + Kana(50) + stop + k, 0, E::kSentenceTooLong, "KV#J'" + Kana(50) + stop + k,
       103, "a first sentence of 101 bytes"},
      {kJ, "KV#J" + k + stop + Kana(50), 0, E::kNone, "KV#J" + k + stop + Kana(50), 0,
       "a last sentence of 100 bytes without an end"},
      {kJ, "KV#J" + k + stop + "'" + Kana(50), 0, E::kSentenceTooLong,
       "KV#J" + k + stop + "'" + Kana(50), 107, "a last sentence of 101 bytes without an end"},
      {kJ, "KV#J" + Kana(50), 0, E::kNone, "KV#J" + Kana(50), 0,
       "one sentence of 100 bytes, no end"},
      {kJ, "KV#J'" + Kana(50), 0, E::kSentenceTooLong, "KV#J'" + Kana(50), 103,
       "one sentence of 101 bytes, no end"},
      {kJ, "KV#J" + Kana(50) + "*3" + Kana(50) + "?12" + Kana(50), 0, E::kNone,
       "KV#J" + Kana(50) + "*3" + Kana(50) + "?12" + Kana(50), 0,
       "counted ends with their counts close sentences of 100 bytes"},
      {kJ, "KV#J" + Kana(50) + "\xA4" + Kana(50), 0, E::kNone,
       "KV#J" + Kana(50) + "\xA4" + Kana(50), 0,
       "a half-width comma closes a sentence of 100 bytes"},
      // The check that comes with splitting writes the ends in their ASCII forms.
      {kJ, "KV#J" + k + comma + Kana(50) + stop, 1, E::kNone, "KV#J" + k + "," + Kana(50) + ".", 0,
       "with splitting, 100 bytes between two ends stay one sentence"},
      {kJ, "KV#J" + k + comma + Kana(51) + stop, 1, E::kNone,
       "KV#J" + k + "," + Kana(48) + "S99,S50" + Kana(3) + ".", 0,
       "with splitting, 102 bytes between two ends are split"},
  };
  for (const PlayCase& c : cases) ExpectPlayed(c);
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

// Every sentence of a split play text holds at most 100 bytes between its ends.
TEST(BuildPlayTextTest, SplitSentencesStayWithinTheLimit) {
  ScriptEngine engine;
  std::string text = "KV#JS70@'12<3" + Kana(200) + Sj("。") + "'2" + Kana(90);
  int offset = 0;
  ASSERT_EQ(engine.BuildPlayText(kJ, text, &offset, 1), E::kNone);
  size_t start = 4;
  for (size_t i = 4; i < text.size(); ++i) {
    const bool end = text[i] == ',' || text[i] == '.';
    if (!end && i + 1 < text.size()) continue;
    const size_t length = end ? i - start : i + 1 - start;
    EXPECT_LE(length, 100u) << text.substr(start, length);
    start = i + 1;
  }
}

// The unit after a split point may move the pitch or step itself. The position it establishes
// is written as its one token: a restated position in front of a token of another symbol would
// be replaced by it, not added to it.
TEST(BuildPlayTextTest, TheUnitAfterASplitWritesThePositionItEstablishes) {
  const std::string ka = Sj("か");
  const std::string ga = testing::Bytes(ScriptLanguage::kKorean, "가");
  struct Case {
    ScriptModeWord mode;
    std::string text;
    std::string played;
    const char* why;
  };
  // clang-format off
  const Case cases[] = {
      {kJ, "KV#J'2" + Kana(47) + "_3" + Kana(10), "KV#J'2" + Kana(47) + "S99,S50_" + Kana(10),
       "up 2, then down 3: at -1"},
      {kJ, "KV#J'2" + Kana(47) + "'3" + Kana(10), "KV#J'2" + Kana(47) + "S99,S50'5" + Kana(10),
       "the same symbol: at +5"},
      {kJ, "KV#J'2" + Kana(47) + "_2" + Kana(10), "KV#J'2" + Kana(47) + "S99,S50" + Kana(10),
       "back at 0: no pitch token"},
      {kJ, "KV#J<2" + Kana(47) + ">7" + Kana(10), "KV#J<2" + Kana(47) + "S99,S50>5" + Kana(10),
       "steps: at -5"},
      {kJ, "KV#J'2<4" + Kana(45) + "_3" + Kana(10),
       "KV#J'2<4" + Kana(45) + "S99,S50<4_" + Kana(10), "the step restated, the pitch in the unit"},
      {kJ, "KV#J'2" + Kana(47) + "$3" + Kana(10), "KV#J'2" + Kana(47) + "S99,S50$" + Kana(10),
       "a glide stays a glide"},
      {kJ, "KV#J'5" + Kana(47) + "$3" + Kana(10), "KV#J'5" + Kana(47) + "S99,S50^2" + Kana(10),
       "a glide to a position above 0 rises"},
      {kJ, "KV#J$9" + Kana(47) + "/'3" + Kana(10), "KV#J$9" + Kana(47) + "S99,S50/'3" + Kana(10),
       "a reset in the unit: its own token stands"},
      {kJ, "KV#J$60$50" + Kana(46) + "'20" + Kana(10),
       "KV#J$99" + Kana(46) + "S99,S50_79" + Kana(10), "a sum over 99 counts as written, 99"},
      {kJ, "KV#J$60$50" + Kana(5) + "'20" + Kana(60),
       "KV#J$99" + Kana(5) + "'20" + Kana(40) + "S99,S50_79" + Kana(20), "restated as written"},
      {kK, "KV#K^2" + Repeat(ga, 47) + "$3" + Repeat(ga, 10),
       "KV#K^2" + Repeat(ga, 47) + "S99,S50$" + Repeat(ga, 10), "Korean, a glide"},
      {kC, "KV#C'2" + Repeat("ma1", 31) + "_3" + Repeat("ma1", 10),
       "KV#C'2" + Repeat("ma1", 31) + "S99,S50_" + Repeat("ma1", 10), "Chinese"},
      {kG, "KV#G'2" + Repeat("ka", 47) + "_3" + Repeat("ka", 10),
       "KV#G'2" + Repeat("ka", 47) + "S99,S50_" + Repeat("ka", 10), "romaji, played as kana"},
  };
  // clang-format on
  for (const Case& c : cases) {
    ScriptEngine engine;
    std::string text = c.text;
    int offset = -1;
    ASSERT_EQ(engine.BuildPlayText(c.mode, text, &offset, 1), E::kNone) << c.why;
    EXPECT_EQ(text, c.played) << c.why;
  }
}

// Random scripts of long sentences, mostly syllables with pitch, step, reset and speed symbols
// between them, in one language.
class RandomScript {
 public:
  RandomScript(ScriptLanguage language, uint32_t seed) : language_(language), random_(seed) {}

  std::string Next() {
    std::string text(HeaderTagOf(language_));
    const int tokens = Pick(60, 400);
    for (int i = 0; i < tokens; ++i) {
      const int roll = Pick(0, 99);
      if (roll < 70) {
        text += Syllable();
      } else if (roll < 78) {
        text += std::string(1, "'^$_"[Pick(0, 3)]) + Argument();
      } else if (roll < 86) {
        text += std::string(1, "<>"[Pick(0, 1)]) + Argument();
      } else if (roll < 90) {
        text += "/=&"[Pick(0, 2)];
      } else if (roll < 94) {
        text += "S" + std::to_string(Pick(0, 99));
      } else if (roll < 96) {
        text += "@!+:;"[Pick(0, 4)];
      } else if (roll < 98) {
        text += language_ == ScriptLanguage::kChinese ? " " : "-";
      } else {
        text += ",."[Pick(0, 1)];
      }
    }
    return text;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  // Mostly small moves; now and then one large enough that a unit's sum passes 99.
  std::string Argument() {
    const int roll = Pick(0, 9);
    return roll < 3 ? "" : std::to_string(roll == 9 ? Pick(40, 99) : Pick(1, 12));
  }
  std::string Syllable() {
    switch (language_) {
      case ScriptLanguage::kJapanese: {
        static const char* const kKana[] = {"か", "き", "く", "しゃ", "と", "ん", "っ", "ふぁ"};
        return Sj(kKana[Pick(0, 7)]);
      }
      case ScriptLanguage::kKorean: {
        static const char* const kHangul[] = {"가", "나", "다", "한", "글"};
        return testing::Bytes(language_, kHangul[Pick(0, 4)]);
      }
      case ScriptLanguage::kRomaji: {
        static const char* const kRomaji[] = {"ka", "ki", "kyo", "shi", "tsu", "nn", "a"};
        return kRomaji[Pick(0, 6)];
      }
      case ScriptLanguage::kChinese: {
        static const char* const kPinyin[] = {"ma", "ni", "hao", "zhong", "wen", "a"};
        return std::string(kPinyin[Pick(0, 5)]) + std::to_string(Pick(0, 4));
      }
      case ScriptLanguage::kNone:
        break;
    }
    return {};
  }

  ScriptLanguage language_;
  std::mt19937 random_;
};

// Splitting changes where the sentences end, never what a sound is played with.
TEST(BuildPlayTextTest, EachSoundKeepsItsSpeedPitchAndStepAcrossASplit) {
  const ScriptModeWord modes[] = {kJ, kK, kG, kC};
  for (const ScriptModeWord mode : modes) {
    RandomScript scripts(LanguageOf(mode), mode);
    int split_scripts = 0;
    for (int n = 0; n < 300; ++n) {
      const std::string text = scripts.Next();
      // What the checked script sounds like unsplit: it is written and read again, since a
      // check pass may drop a token whose setting its unit still records.
      ScriptEngine original;
      ASSERT_EQ(original.ParseScriptText(mode, text), E::kNone);
      if (original.CheckScript(0) != ScriptCheckCode::kOk) continue;
      std::string checked;
      (void)original.SerializeScript(checked, 0);
      ASSERT_EQ(original.ParseScriptText(mode, checked), E::kNone);
      const std::vector<testing::Heard> expected = testing::HeardSettings(original.units());
      if (!testing::PositionsFitOneToken(expected)) continue;

      ScriptEngine player;
      std::string played = text;
      int offset = 0;
      if (player.BuildPlayText(mode, played, &offset, 1) != E::kNone) continue;
      ScriptEngine reader;
      ASSERT_EQ(reader.ParseScriptText(mode, played), E::kNone);
      if (played.find("S99,") != std::string::npos) ++split_scripts;
      const std::vector<testing::Heard> heard = testing::HeardSettings(reader.units());
      ASSERT_EQ(heard.size(), expected.size()) << testing::Readable(LanguageOf(mode), played);
      for (size_t i = 0; i < heard.size(); ++i) {
        if (heard[i] == expected[i]) continue;
        ADD_FAILURE() << "sound " << i << " is played with speed, pitch, step " << heard[i].speed
                      << ", " << heard[i].pitch << ", " << heard[i].step << " instead of "
                      << expected[i].speed << ", " << expected[i].pitch << ", " << expected[i].step
                      << "\n"
                      << testing::Readable(LanguageOf(mode), text) << "\nplayed as\n"
                      << testing::Readable(LanguageOf(mode), played);
        break;
      }
    }
    EXPECT_GT(split_scripts, 100) << "too few scripts were split in language " << (mode >> 24 & 15);
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
