#include "wave2script/core/script_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

constexpr uint32_t kJ = kCheckerTypeWord;  // 0x52100000
constexpr uint32_t kG = 0x54100000;
constexpr uint32_t kK = 0x53100000;
constexpr uint32_t kC = 0x55100000;

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(ScriptCheckerTest, SetScriptValidatesTheTypeWord) {
  struct Case {
    uint32_t type;
    uint32_t code;
    const char* why;
  };
  const std::vector<Case> cases = {
      {0x52100000, kCheckDone, "the callers' word"},
      {0x52000000, kCheckDone, "bit 20 clear"},
      {0x5312ABCD, kCheckDone, "the low bits do not matter"},
      {0xF4100000, kCheckDone, "no device"},
      {0x72100000, kCheckBadTypeWord, "the middleware device"},
      {0x42100000, kCheckBadTypeWord, "device 4"},
      {0x51100000, kCheckBadTypeWord, "language 1"},
      {0x56100000, kCheckBadTypeWord, "language 6"},
      {0x52200000, kCheckBadTypeWord, "bits 20-23 equal to 2"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(0x52100000, "KV#Jold", 100), kCheckDone);
    EXPECT_EQ(checker.SetScript(c.type, "KV#Jnew", 77), c.code) << c.why;
    EXPECT_EQ(checker.limit(), 77) << c.why << ": the limit is stored either way";
    EXPECT_EQ(checker.text(), c.code == kCheckDone ? "KV#Jnew" : "KV#Jold") << c.why;
  }
}

TEST(ScriptCheckerTest, SetScriptCopiesExactlyTheGivenBytes) {
  ScriptChecker checker;
  const std::string text("KV#J\0\x82\xA9", 7);
  ASSERT_EQ(checker.SetScript(kJ, text, 100), kCheckDone);
  EXPECT_EQ(checker.text(), text) << "an embedded NUL does not cut the text";
  ASSERT_EQ(checker.SetScript(kJ, std::string_view(text.data(), 5), 100), kCheckDone);
  EXPECT_EQ(checker.text().size(), 5u);
}

struct CheckCase {
  uint32_t type;
  std::string in;  // UTF-8
  uint32_t flags;
  uint32_t options;
  uint32_t code;
  std::string out;  // UTF-8
  const char* why;
};

void RunChecks(const std::vector<CheckCase>& cases) {
  for (const CheckCase& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(c.type, Sj(c.in), 100), kCheckDone) << c.why;
    EXPECT_EQ(checker.Check(c.flags, c.options), c.code) << c.why;
    EXPECT_EQ(Utf(checker.text()), c.out) << c.why;
  }
}

TEST(ScriptCheckerTest, CheckRunsThePassesInOrder) {
  RunChecks({
      {kJ, "KV#Gka", kCheckBody, 0, kCheckTypeMismatch, "KV#Gka", "a tag mismatch stops at once"},
      {kJ, "KV#Gか", kCheckHeader, 0, kCheckDone, "KV#Jか", "the tag is replaced"},
      {kJ, "か", kCheckHeader, 0, kCheckDone, "KV#Jか", "a missing tag is added"},
      {kJ, "KV#Jか", 0, 0, kCheckNothingApplied, "KV#Jか", "no pass chosen"},
      {kG, "KV#Gkyo u", kCheckBody, 0, kCheckDone, "KV#Gkyo u", "G stays G"},
      {kG, "KV#Gkaka", kCheckRomajiToKana, 0, kCheckDone, "KV#Jかか", "G becomes kana"},
      {kJ, "KV#J$$$か", kCheckRomajiToKana, 0, kCheckNotRomaji, "KV#J$3か",
       "romaji to kana on J fails and the body pass still runs"},
      {kJ, "KV#Jきゃく", kCheckKanaToRomaji, 0, kCheckDone, "KV#Gkyaku", "J to G at the end"},
      {kC, "KV#Cma1", kCheckBody, 0, kCheckDone, "KV#Cma1", "C passes width normalisation"},
      {kJ, "KV#J[" + std::string(92, 'x') + "]か", kCheckBody, 0, kCheckPhraseOverflow,
       "KV#J[" + std::string(92, 'x') + "]か", "a bracket comment of 92 bytes"},
      {kJ, "KV#J" + Repeat("か", 60), kCheckBody, 0x30, kCheckDone,
       "KV#J" + Repeat("か", 47) + "S99,S50" + Repeat("か", 13), "the callers' phrase breaks"},
  });
}

TEST(ScriptCheckerTest, OnlyKanaConvertsToRomaji) {
  ScriptChecker checker;
  ASSERT_EQ(checker.SetScript(kK, "KV#K\xB0\xA1", 100), kCheckDone);
  EXPECT_EQ(checker.Check(kCheckKanaToRomaji, 0), kCheckTypeMismatch);
  EXPECT_EQ(checker.text(), "KV#K\xB0\xA1");
}

TEST(ScriptCheckerTest, WidthNormalisationOfKoreanScripts) {
  struct Case {
    std::string in;
    std::string out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KV#K\xA3\xD3\xA3\xB5\xB0\xA1", "KV#KS5\xB0\xA1", "full-width S and 5"},
      {"KV#K\xA3\xAC\xB0\xA1\xA3\xAC", "KV#K,\xB0\xA1,", "full-width commas"},
      {"KV#K s5\xB0\xA1-", "KV#K\xA1\xA1S5\xB0\xA1\xA3\xAD", "space, lower case, '-'"},
      {"KV#K\xA3\xDB\xA3\xD3\xA3\xDD\xB0\xA1", "KV#K[\xA3\xD3]\xB0\xA1", "brackets"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(kK, c.in, 100), kCheckDone);
    EXPECT_EQ(checker.Check(kCheckBody, 0), kCheckDone) << c.why;
    EXPECT_EQ(checker.text(), c.out) << c.why;
  }
}

TEST(ScriptCheckerTest, WidthNormalisation) {
  // clang-format off
  RunChecks({
      {kJ, "KV#Jか｡", kCheckBody, 0, kCheckDone, "KV#Jか.", "half-width full stop"},
      {kJ, "KV#Jか､き", kCheckBody, 0, kCheckDone, "KV#Jか,き", "half-width comma"},
      {kJ, "KV#Jか、き。", kCheckBody, 0, kCheckDone, "KV#Jか,き.", "ideographic comma and stop"},
      {kJ, "KV#Jかｰきーく―け‐", kCheckBody, 0, kCheckDone, "KV#Jか－き－く－け－",
       "long marks"},
      {kJ, "KV#J う-~", kCheckBody, 0, kCheckDone, "KV#J　う－～", "space, '-' and '~'"},
      {kJ, "KV#Jう゛", kCheckBody, 0, kCheckDone, "KV#Jぶ", "う with a voicing mark"},
      {kJ, "KV#Jうﾞ", kCheckBody, 0, kCheckDone, "KV#Jぶ", "う with a half-width voicing mark"},
      {kJ, "KV#Jう゛ぁう゛ぃう゛ぇう゛ぉ", kCheckBody, 0, kCheckDone, "KV#Jばびべぼ",
       "the small vowel is absorbed"},
      {kJ, "KV#Jう゛ぅ", kCheckBody, 0, kCheckDone, "KV#Jぶぅ", "no ぶ form with ぅ"},
      {kJ, "KV#Jう", kCheckBody, 0, kCheckDone, "KV#Jう", "う at the end"},
      {kJ, "KV#Jｓ５０ｋ３か", kCheckBody, 0, kCheckDone, "KV#JS50K3か", "full-width commands"},
      {kJ, "KV#Js50か", kCheckBody, 0, kCheckDone, "KV#JS50か", "lower-case commands"},
      {kJ, "KV#J＄＄か", kCheckBody, 0, kCheckDone, "KV#J$2か", "full-width symbols"},
      {kJ, "KV#J［ｓ５］か", kCheckBody, 0, kCheckDone, "KV#J[ｓ５]か",
       "inside brackets only the brackets change"},
      {kJ, "KV#J］か", kCheckBody, 0, kCheckDone, "KV#Jか", "a stray full-width bracket"},
      {kJ, "KV#J漢字か", kCheckBody, 0, kCheckDone, "KV#Jか", "kanji go in the body pass"},
  });
  // clang-format on
}

TEST(ScriptCheckerTest, ConvertsKanaToRomaji) {
  struct Case {
    std::string in;
    std::string out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KV#Jきゃく", "KV#Gkyaku", "a pair and a single"},
      {"KV#Jしゃふぁてぃ", "KV#Gsyafathi", "pairs"},
      {"KV#Jき", "KV#Gki", "a pair opener at the end"},
      {"KV#Jきあ", "KV#Gkia", "no pair"},
      {"KV#Jんっ", "KV#Gnnxtu", "ん and っ"},
      {"KV#J　－～", "KV#G -~", "space and long marks"},
      {"KV#JカＳ", "KV#G", "katakana and other characters are dropped"},
      {"KV#JS50か[漢]", "KV#GS50ka[漢]", "single bytes and brackets are copied"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf(KanaScriptToRomaji(Sj(c.in))), c.out) << c.why;
}

TEST(ScriptCheckerTest, ConvertsRomajiToKana) {
  struct Case {
    std::string in;
    std::string out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KV#Gkonnnichiha", "KV#Jこんにちは", "nn gives ん"},
      {"KV#Gkan", "KV#Jか", "a single trailing n is dropped"},
      {"KV#Gkann", "KV#Jかん", "a trailing nn"},
      {"KV#Gxtsuxtu", "KV#Jっっ", "xtsu and xtu"},
      {"KV#Gshisi", "KV#Jしし", "shi and si"},
      {"KV#GS50kaA2", "KV#JS50かA2", "upper-case commands are copied"},
      {"KV#G[ka]", "KV#J[ka]", "brackets are copied"},
      {"KV#Gka-ki~ ", "KV#Jか－き～　", "space and long marks"},
      {"KV#Gk a", "KV#J　あ", "an unfinished syllable before a non-letter"},
      {"KV#Glu", "KV#Jlu", "an unknown syllable stays as it is"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf(RomajiScriptToKana(Sj(c.in))), c.out) << c.why;
}

TEST(ScriptCheckerTest, ExtractsKana) {
  ScriptChecker checker;
  ASSERT_EQ(checker.SetScript(kJ, Sj("KV#JS50か[き]く－"), 100), kCheckDone);
  std::string_view result;
  EXPECT_EQ(checker.GetResult(&result), kCheckNoText);
  EXPECT_EQ(checker.Check(kCheckExtractKana, 0), kCheckDone);
  EXPECT_EQ(checker.GetResult(&result), kCheckDone);
  EXPECT_EQ(Utf(result), "かく－");
}

TEST(ScriptCheckerTest, GetTextNeedsASyllable) {
  struct Case {
    uint32_t type;
    std::string text;
    uint32_t code;
    const char* why;
  };
  const std::vector<Case> cases = {
      {kJ, "KV#", kCheckNoText, "shorter than the tag"},
      {kJ, "XXXXか", kCheckNoText, "no tag"},
      {kJ, "KV#JS50", kCheckNoSyllable, "commands only"},
      {kJ, "KV#J[か]", kCheckNoSyllable, "kana only inside brackets"},
      {kJ, "KV#Jか", kCheckDone, "a kana"},
      {kG, "KV#Gka", kCheckDone, "a vowel"},
      {kG, "KV#Gkk[a]", kCheckNoSyllable, "no vowel outside brackets"},
      {kC, "KV#Cma1", kCheckDone, "a tone digit"},
      {kC, "KV#Cma", kCheckNoSyllable, "no tone digit"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(c.type, Sj(c.text), 100), kCheckDone);
    std::string_view text;
    EXPECT_EQ(checker.GetText(&text), c.code) << c.why;
    EXPECT_EQ(text, Sj(c.text)) << c.why;
  }
}

TEST(ScriptCheckerTest, PhraseFitsIsResetBySetScript) {
  ScriptChecker checker;
  ASSERT_EQ(checker.SetScript(kJ, "KV#J[" + std::string(92, 'x') + "]", 100), kCheckDone);
  EXPECT_EQ(checker.Check(kCheckBody, 0), kCheckPhraseOverflow);
  EXPECT_FALSE(checker.phrase_fits());
  ASSERT_EQ(checker.SetScript(kJ, Sj("KV#Jか"), 100), kCheckDone);
  EXPECT_TRUE(checker.phrase_fits());
  EXPECT_EQ(checker.Check(kCheckBody, 0), kCheckDone);
}

TEST(ScriptCheckerTest, FromKanaTextReplacesSyllables) {
  struct Case {
    uint32_t type;
    std::string old_text;
    std::string kana;
    uint32_t code;
    std::string out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {kJ, "", "かS50き", kCheckDone, "KV#Jかき", "an empty text gives the cleaned kana"},
      {kJ, "", "か き-", kCheckDone, "KV#Jか　き－", "space and '-' become full-width"},
      {kJ, "KV#JS60かきく", "さ", kCheckDone, "KV#JS60さ□□", "fewer new syllables"},
      {kJ, "KV#JかS60き,", "さしすせ", kCheckDone, "KV#JさS60しすせ,", "more new syllables"},
      {kJ, "KV#JS60", "さし", kCheckDone, "KV#JS60さし", "no old syllables"},
      {kJ, "KV#Jきゃく", "しゅと", kCheckDone, "KV#Jしゅと", "small kana go with their syllable"},
      {kJ, "KV#Jか[き]く", "さし", kCheckDone, "KV#Jさ[き]し", "brackets stay"},
      {kG, "KV#Gka", "さ", kCheckFromKanaFailed, "KV#Gka", "the old script is not kana"},
      {kJ, "KV#J[" + std::string(92, 'x') + "]", "さ", kCheckFromKanaFailed,
       "KV#J[" + std::string(92, 'x') + "]", "the old script fails its check"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(c.type, Sj(c.old_text), 100), kCheckDone);
    EXPECT_EQ(checker.FromKanaText(Sj(c.kana)), c.code) << c.why;
    EXPECT_EQ(Utf(checker.text()), c.out) << c.why;
    if (c.code == kCheckDone) {
      std::string_view result;
      EXPECT_EQ(checker.GetResult(&result), kCheckDone);
      EXPECT_EQ(result, Sj(c.kana)) << c.why;
    }
  }
}

TEST(ScriptCheckerTest, InsertVoiceQuality) {
  struct Case {
    std::string in;
    int voice;
    bool keep;
    std::string out;
    int voice_out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KV#Jか", 5, false, "KV#JK5か", -1, "no token: inserted, the walk met a syllable"},
      {"KV#J", 5, false, "KV#JK5", 5, "no syllable at all"},
      {"KV#JK3か", 5, true, "KV#JK3か", 3, "an existing K is kept"},
      {"KV#JK3か", 5, false, "KV#JK5か", 5, "an existing K is replaced"},
      {"KV#JK20か", 5, true, "KV#JK20か", 0, "an out-of-range K counts as 0"},
      {"KV#JX2か", 5, true, "KV#JX2か", 0, "an existing X is kept"},
      {"KV#JX2か", 0, false, "KV#JX2か", 0, "X stays for voice 0"},
      {"KV#JX2か", 5, false, "KV#JK5か", 5, "X is replaced"},
      {"KV#J[K3]か", 5, true, "KV#JK5[K3]か", -1, "brackets are passed over"},
      {"KV#JかK3", 5, true, "KV#JK5かK3", -1, "only before the first syllable"},
      {"KV#Jｋ３か", 5, true, "KV#JK3か", 3, "after width normalisation"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(kJ, Sj(c.in), 100), kCheckDone);
    int voice = c.voice;
    EXPECT_TRUE(checker.InsertVoiceQuality(&voice, c.keep)) << c.why;
    EXPECT_EQ(Utf(checker.text()), c.out) << c.why;
    EXPECT_EQ(voice, c.voice_out) << c.why;
  }
  ScriptChecker short_text;
  ASSERT_EQ(short_text.SetScript(kJ, "KV#", 100), kCheckDone);
  int voice = 3;
  EXPECT_FALSE(short_text.InsertVoiceQuality(&voice, false)) << "width normalisation fails";
}

TEST(ScriptCheckerTest, GetVoiceQuality) {
  struct Case {
    std::string in;
    int voice_out;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"KV#JK7か", 7, "a K token"},
      {"KV#JX7か", 0, "an X token"},
      {"KV#JK99か", 0, "out of range"},
      {"KV#JKK2か", 2, "a K without number is passed over"},
      {"KV#J[K7]K2か", 2, "brackets are passed over"},
      {"KV#JかK7", 9, "none before the first syllable: unchanged"},
      {"KV#J", 9, "no token: unchanged"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(kJ, Sj(c.in), 100), kCheckDone);
    int voice = 9;
    EXPECT_TRUE(checker.GetVoiceQuality(&voice)) << c.why;
    EXPECT_EQ(voice, c.voice_out) << c.why;
  }
  ScriptChecker empty;
  int voice = 9;
  EXPECT_FALSE(empty.GetVoiceQuality(&voice)) << "no stored type";
}

TEST(ScriptCheckerTest, CheckPhraseLength) {
  struct Case {
    uint32_t type;
    std::string in;
    bool fits;
    const char* why;
  };
  const std::vector<Case> cases = {
      {kJ, "KV#J" + Repeat("か", 50), true, "100 bytes"},
      {kJ, "KV#J" + Repeat("か", 51), false, "102 bytes"},
      {kJ, "KV#J" + Repeat("か", 49) + " ", true, "a space counts 2"},
      {kJ, "KV#J" + Repeat("か", 49) + "  ", false, "two spaces"},
      {kJ, "KV#J" + Repeat("か", 49) + "," + Repeat("か", 49), true, "a comma ends the phrase"},
      {kJ, "KV#J" + Repeat("か", 49) + "、" + Repeat("か", 50), true, "、 ends the phrase"},
      {kJ, "KV#J" + Repeat("か", 49) + "*99" + Repeat("か", 50), true, "a count ends the phrase"},
      {kJ, "KV#J" + Repeat("か", 49) + "＊９９" + Repeat("か", 50), true, "full-width count"},
      {kJ, "KV#Jか*100", false, "a count of three digits"},
      {kJ, "KV#J[" + std::string(98, 'x') + "]", true, "brackets count 1 per byte"},
      {kJ, "KV#J[" + std::string(99, 'x') + "]", false, "101 bytes in brackets"},
      {kG, "KV#G" + Repeat("ka", 50), true, "G is counted as kana"},
      {kG, "KV#G" + Repeat("ka", 51), false, "G is counted as kana"},
      {kC, "KV#C" + Repeat("ma1", 33), true, "C counts single bytes"},
      {kC, "KV#C" + Repeat("ma1", 34), false, "102 bytes"},
  };
  for (const Case& c : cases) {
    ScriptChecker checker;
    ASSERT_EQ(checker.SetScript(c.type, Sj(c.in), 100), kCheckDone);
    EXPECT_EQ(checker.CheckPhraseLength(100), c.fits) << c.why;
  }
  ScriptChecker untagged;
  ASSERT_EQ(untagged.SetScript(kJ, "xxxx", 100), kCheckDone);
  EXPECT_FALSE(untagged.CheckPhraseLength(100)) << "no tag";
}

}  // namespace
}  // namespace vtr::w2s
