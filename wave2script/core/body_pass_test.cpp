#include "wave2script/core/body_pass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct Case {
  std::string in;   // UTF-8, converted to Shift-JIS
  std::string out;  // UTF-8
  const char* why;
};

void RunCases(const BodyPassSettings& settings, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string text = Sj(c.in);
    bool fits = true;
    ASSERT_TRUE(RunBodyPass(settings, &text, &fits)) << c.why;
    EXPECT_EQ(Utf(text), c.out) << c.why;
    EXPECT_TRUE(fits) << c.why;
  }
}

const BodyPassSettings kJapanese{ScriptLanguage::kJapanese, true, 0, 100};

TEST(BodyPassTest, PitchAndVolumeSymbolsKeepTheLastRun) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#J$$$か", "KV#J$3か", "three in a row"},
      {"KV#J$2$か", "KV#J$3か", "a count and another symbol"},
      {"KV#J'3$か", "KV#J$か", "only the last run survives"},
      {"KV#J'<'か", "KV#J<'2か", "a volume symbol does not break the pitch run"},
      {"KV#J$0か", "KV#J$99か", "a count of 0 becomes 99"},
      {"KV#J$99999999999999999999か", "KV#J$99か", "a huge count saturates"},
      {"KV#J$1か", "KV#J$か", "a count of 1 is not written"},
      {"KV#J<<>>>か", "KV#J>3か", "volume likewise"},
      {"KV#J'か'き", "KV#J'か'き", "each syllable group on its own"},
  });
  // clang-format on
}

TEST(BodyPassTest, ResetsNeedAChangeInForce) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#J&か", "KV#Jか", "nothing in force"},
      {"KV#J/か=き", "KV#Jかき", "nothing in force for either"},
      {"KV#J'か&き", "KV#J'か&き", "a pitch change is in force"},
      {"KV#J<か/き", "KV#J<かき", "a volume change does not count for '/'"},
      {"KV#J'か'&'き", "KV#J'か&'き", "symbols before the last '&' go"},
      {"KV#J'か'/<き", "KV#J'か/<き", "pitch before the last '/' goes"},
      {"KV#J'か&き&く", "KV#J'か&きく", "the first '&' ended the change"},
      {"KV#J'か&.", "KV#J'か.", "resets of the group that ends a phrase go"},
  });
  // clang-format on
}

TEST(BodyPassTest, PauseSymbolsOnlyStartAPhrase) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#J!か", "KV#J!か", "before the first syllable"},
      {"KV#Jか@き", "KV#Jかき", "in the middle of a phrase"},
      {"KV#Jか,@き", "KV#Jか,@き", "after a comma"},
      {"KV#Jか[c]:き", "KV#Jか[c]:き", "after a closing bracket"},
      {"KV#J@!;か", "KV#J;か", "the last of the group"},
      {"KV#J@,か", "KV#J,か", "right before a phrase end"},
      {"KV#Jか.@", "KV#Jか.", "at the end of the text"},
      {"KV#J@5か", "KV#J@か", "its digits go"},
      {"KV#J+'か$き,'く", "KV#J+かき,'く", "pitch after '+' goes until the phrase ends"},
  });
  // clang-format on
}

TEST(BodyPassTest, NotesAndSharps) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#JC#2か", "KV#JC#2か", "a sharp after C stays"},
      {"KV#JE#3か", "KV#JEか", "a sharp after E goes with its digit"},
      {"KV#JB#か", "KV#JBか", "no sharp after B"},
      {"KV#J#3か", "KV#Jか", "a sharp after the tag"},
      {"KV#JD5か", "KV#JD2か", "an octave out of range"},
      {"KV#JA1G3か", "KV#JG3か", "the last note of the group"},
      {"KV#JA2かA2き", "KV#JA2かき", "the note in force is not repeated"},
      {"KV#JAかA2き", "KV#JAかき", "no octave compares as the octave in force"},
      {"KV#JA3かA2き", "KV#JA3かA2き", "another octave"},
  });
  // clang-format on
}

TEST(BodyPassTest, ParameterTokens) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#JK3X5か", "KV#JX5か", "K and X are one letter"},
      {"KV#JS40S60か", "KV#JS60か", "the last of a letter"},
      {"KV#JS50かS50き", "KV#JS50かき", "the value in force"},
      {"KV#JS120か", "KV#JS50か", "S out of range"},
      {"KV#JV9W0L3K16か", "KV#JV4W3L0K0か", "V, W, L, K out of range"},
      {"KV#JSか", "KV#Jか", "a letter without number sets nothing"},
      {"KV#Jか－S60L1W2－", "KV#Jか－－", "L, S, W between two long marks"},
      {"KV#Jか－V2－", "KV#Jか－V2－", "V between long marks stays"},
      {"KV#JU3か", "KV#JU3か", "U with bit 20"},
  });
  // clang-format on
  // clang-format off
  RunCases({ScriptLanguage::kJapanese, false, 0, 100}, {
      {"KV#JU3か", "KV#Jか", "U without bit 20"},
  });
  // clang-format on
}

TEST(BodyPassTest, DeletesWhatAScriptMayNotHold) {
  // clang-format off
  RunCases(kJapanese, {
      {"KV#J5か", "KV#Jか", "a digit after the tag"},
      {"KV#Jか5き", "KV#Jかき", "a digit after a kana"},
      {"KV#J漢3か", "KV#Jか", "a kanji with its digits"},
      {"KV#Jカか", "KV#Jか", "katakana"},
      {"KV#J]か", "KV#Jか", "a stray closing bracket"},
      {"KV#Jhか%", "KV#Jか", "other single bytes"},
      {"KV#Jか\r\nき", "KV#Jかき", "line breaks"},
      {"KV#J[S5 x]か", "KV#J[S5 x]か", "comments stay as they are"},
      {"KV#Jか**", "KV#Jか*2", "a run of '*'"},
      {"KV#Jか?3?", "KV#Jか?4", "a run of '?' with a count"},
      {"KV#Jか,5", "KV#Jか,", "no digits after a comma"},
      {"KV#Jー～　", "KV#Jー～　", "long marks and spaces are syllables"},
  });
  // clang-format on
  std::string lone = "KV#J\x82";
  bool fits = true;
  ASSERT_TRUE(RunBodyPass(kJapanese, &lone, &fits));
  EXPECT_EQ(lone, "KV#J") << "a lead byte left at the end";
}

TEST(BodyPassTest, KeepsLineBreaksWhenAsked) {
  // clang-format off
  RunCases({ScriptLanguage::kJapanese, true, kKeepLineBreaks, 100}, {
      {"KV#Jか\r\nき", "KV#Jか\r\nき", "kept"},
      {"KV#Jか\r\n5き", "KV#Jか\r\nき", "their digits go"},
  });
  // clang-format on
}

TEST(BodyPassTest, PinyinSyllablesAreLookedUp) {
  // clang-format off
  RunCases({ScriptLanguage::kChinese, true, 0, 100}, {
      {"KV#Cma1", "KV#Cma1", "a syllable with tone"},
      {"KV#Cai0ou4ba2", "KV#Cai0ou4ba2", "tones 0 to 4"},
      {"KV#Cm1", "KV#C", "a lone letter"},
      {"KV#Cma5", "KV#C", "tone 5"},
      {"KV#Cma", "KV#C", "no tone"},
      {"KV#Cma12", "KV#Cma1", "a second digit after the tone"},
      {"KV#Cyo1", "KV#C", "yo is not in the checker's inventory"},
      {"KV#CS60ma1,", "KV#CS60ma1,", "commands stay"},
  });
  // clang-format on
}

TEST(BodyPassTest, BracketCommentsAreLimited) {
  const std::string inner91 = "[" + std::string(91, 'x') + "]";
  const std::string inner92 = "[" + std::string(92, 'x') + "]";
  std::string text = "KV#J" + inner91 + Sj("か");
  bool fits = true;
  EXPECT_TRUE(RunBodyPass(kJapanese, &text, &fits)) << "91 bytes between the brackets fit";
  EXPECT_TRUE(fits);
  text = "KV#J" + inner92 + Sj("か");
  const std::string before = text;
  EXPECT_FALSE(RunBodyPass(kJapanese, &text, &fits)) << "92 bytes do not";
  EXPECT_FALSE(fits);
  EXPECT_EQ(text, before);
}

TEST(BodyPassTest, FailsWithoutClassifier) {
  std::string text = "KV#Jか";
  bool fits = true;
  EXPECT_FALSE(RunBodyPass({ScriptLanguage::kNone, true, 0, 100}, &text, &fits));
  EXPECT_TRUE(fits);
}

TEST(BodyPassTest, BreaksLongPhrases) {
  const BodyPassSettings breaks{ScriptLanguage::kJapanese, true,
                                kKeepLineBreaks | kInsertPhraseBreaks, 100};
  // clang-format off
  RunCases(breaks, {
      {"KV#J" + Repeat("か", 60), "KV#J" + Repeat("か", 47) + "S99,S50" + Repeat("か", 13),
       "120 bytes: at the last boundary before byte 96"},
      {"KV#J@'2<" + Repeat("か", 60),
       "KV#J@'2<" + Repeat("か", 45) + "S99,@'2<S50" + Repeat("か", 15),
       "the pause, pitch and volume are restated"},
      {"KV#JS70'$2" + Repeat("か", 60),
       "KV#JS70$2" + Repeat("か", 45) + "S99,_2S70" + Repeat("か", 15),
       "the speed in force and the summed pitch"},
      {"KV#J" + Repeat("か", 40) + "," + Repeat("か", 40),
       "KV#J" + Repeat("か", 40) + "," + Repeat("か", 40), "short phrases"},
      {"KV#J" + Repeat("か", 48) + "," + Repeat("か", 2),
       "KV#J" + Repeat("か", 48) + "," + Repeat("か", 2), "a phrase end close by"},
  });
  // clang-format on
  // clang-format off
  RunCases(kJapanese, {
      {"KV#J" + Repeat("か", 60), "KV#J" + Repeat("か", 60), "without the option"},
  });
  // clang-format on
}

}  // namespace
}  // namespace vtr::w2s
