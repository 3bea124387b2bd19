#include <gtest/gtest.h>

#include <string>

#include "core/script_engine.h"
#include "core/testing/test_text.h"

namespace vtr::core {
namespace {

using testing::Bytes;
using testing::Readable;

constexpr ScriptModeWord kJ = 0x52100000;

struct CheckCase {
  std::string body;  // UTF-8 J body
  int flags;
  std::string expected;  // UTF-8 J body after the check
  ScriptCheckCode code;
  const char* why;
};

// Parses tag + body, checks, and returns the code and the written body.
std::pair<ScriptCheckCode, std::string> Check(ScriptModeWord mode, std::string_view body,
                                              int flags) {
  const ScriptLanguage language = LanguageOf(mode);
  ScriptEngine engine;
  EXPECT_EQ(
      engine.ParseScriptText(mode, std::string(HeaderTagOf(language)) + Bytes(language, body)),
      ScriptEngineError::kNone);
  const ScriptCheckCode code = engine.CheckScript(flags);
  std::string text;
  (void)engine.SerializeScript(text, kSubFormatFull);
  return {code, Readable(language, text.substr(4))};
}

TEST(CheckScriptTest, PassesInOrder) {
  using C = ScriptCheckCode;
  const CheckCase cases[] = {
      // 1. Units without a sound keep only their comments, each as a unit of its own.
      {"かS70", 0, "か", C::kOk, "trailing symbols are dropped"},
      {"か[a]S70", 0, "か[a]", C::kOk, "a trailing comment stays"},
      {"[a]", 0, "[a]", C::kOk, "a comment alone stays without flag 2"},
      {"[a]", 2, "", C::kNoUnit, "a comment alone with flag 2 leaves nothing"},
      {"S70", 0, "", C::kNoUnit, "symbols alone leave nothing"},
      {"", 0, "", C::kNoUnit, "an empty body"},
      // 2. Line breaks.
      {"\r\n\r\n", 1, "", C::kNoUnit, "only line breaks"},
      {"か\r\nき", 1, "かき", C::kOk, "line breaks removed"},
      {"か\r\nき", 0, "か\\r\\nき", C::kOk, "line breaks kept without flag 1"},
      {"か[a\r\nb]き", 1, "か[ab]き", C::kOk, "line breaks inside a comment removed too"},
      // 3. Comments.
      {"か[a]き", 2, "かき", C::kOk, "comments removed"},
      // 4. Unknown characters.
      {"かアxき5", 0, "かき", C::kOk, "unknown characters dropped"},
      {"Vか", 0, "か", C::kOk, "a setting without digits is unknown"},
      // 5. Pitch marks before "*" and "?".
      {"'3か/*2", 0, "か*2", C::kOk, "pitch steps and slash before a counted end"},
      {"'3か。", 0, "'3か.", C::kOk, "kept before a plain sentence end"},
      // 6. Sound texts.
      {"う゛ぁーｰ~ 　", 0, "ば－－～　　", C::kOk, "sound tokens take the normalised text"},
      // 7. Full-width brackets.
      {"か［a］", 0, "か[a]", C::kOk, "full-width brackets of a comment"},
      // 8. Sentence ends.
      {"か、き。く＊３け*1こ?12", 0, "か,き.く*3け*こ?12", C::kOk, "ASCII sentence ends"},
      {"か､き｡", 0, "か,き.", C::kOk, "half-width ideographic ends"},
      // 9. Marks.
      {"!@か+き。;く", 0, "@かき.;く", C::kOk, "the last mark of a sentence's first unit"},
      {"か@。", 0, "か.", C::kOk, "no mark in a sentence-end unit"},
      {"！か", 0, "!か", C::kOk, "full-width mark"},
      // 10. S, L, V, W, U.
      {"S50か", 0, "か", C::kOk, "the start value is dropped"},
      {"S70かS70き", 0, "S70かき", C::kOk, "a repeated value is dropped"},
      {"Ｓ７０か", 0, "S70か", C::kOk, "full-width written in ASCII"},
      {"S60S70か", 0, "S70か", C::kOk, "the last token of a unit holds its value"},
      {"L1V2W5U3か", 0, "L1V2W5U3か", C::kOk, "every tag kind"},
      {"L0V4W3か", 0, "か", C::kOk, "start values"},
      {"S99か。S99き", 0, "S99か.き", C::kOk, "values carry across sentences"},
      // 11. Voice quality.
      {"K3かK3き", 0, "K3かき", C::kOk, "a repeated voice is dropped"},
      {"K0か", 0, "K0か", C::kOk, "the first voice is always kept"},
      {"K3かX3き", 0, "K3かX3き", C::kOk, "X differs from K"},
      {"ｋ１５か", 0, "K15か", C::kOk, "lower-case full-width voice"},
      // 12. Notes.
      {"B#か", 0, "Bか", C::kOk, "B has no sharp"},
      {"B#かBき", 0, "Bかき", C::kOk, "the same note again is dropped"},
      {"C#3かD3き", 0, "C#3かDき", C::kOk, "octave written when it changes"},
      {"かC－", 0, "か－", C::kOk, "no note in a long-mark unit"},
      {"C2か", 0, "Cか", C::kOk, "octave 2 is the start octave"},
      // 13. Pitch steps.
      {"$60$50か", 0, "$99か", C::kOk, "sums capped at 99"},
      {"'1か", 0, "'か", C::kOk, "a sum of 1 is not written"},
      {"'2^3か", 0, "^3か", C::kOk, "the unit's symbol and sum"},
      {"'2か/き", 0, "'2か/き", C::kOk, "a reset after the unit"},
      {"'2/^3か", 0, "^3か", C::kOk, "a step before the unit's reset no longer acts"},
      // 14. Steps.
      {"<2<3か", 0, "<5か", C::kOk, "equal steps add up"},
      {"<2>3か", 0, ">3か", C::kOk, "the last symbol wins"},
      // 15. Resets.
      {"/か", 0, "か", C::kOk, "nothing in force: slash dropped"},
      {"'2か/き", 0, "'2か/き", C::kOk, "pitch in force: slash kept"},
      {"'2<2か=/き", 0, "'2<2か&き", C::kOk, "= and / become &"},
      {"<2か&&き", 0, "<2か&き", C::kOk, "one & is enough"},
      {"<2か。=き", 0, "<2か.き", C::kOk, "a sentence end clears what is in force"},
      // 16. Repeated long marks.
      {"かS70L1W2ーき", 0, "かS70L1W2－き", C::kOk, "one long mark keeps its tags"},
      {"かーS70ーき", 0, "か－－き", C::kOk, "S dropped from the second long mark"},
      {"<'ー/S8=ー", 0, "<'－&－", C::kOk, "a dropped S does not keep / and = apart"},
      // 17. "+" runs.
      {"+'2かき。'3く", 0, "+かき.'3く", C::kOk, "pitch removed up to the sentence end"},
      {"+'3か&き", 0, "+かき", C::kOk, "pitch of a + run puts nothing in force for &"},
  };
  for (const CheckCase& c : cases) {
    const auto [code, body] = Check(kJ, c.body, c.flags);
    EXPECT_EQ(code, c.code) << c.why;
    if (code == ScriptCheckCode::kOk) {
      EXPECT_EQ(body, c.expected) << c.why;
    }
  }
}

TEST(CheckScriptTest, URemovedWithoutThePassVariantFlag) {
  EXPECT_EQ(Check(0x52000000, "U3か", 0).second, "か");
  EXPECT_EQ(Check(0x52100000, "U3か", 0).second, "U3か");
}

// Units that the re-read of pass 2 leaves without a sound are treated as in pass 1: here the
// byte 0x90 takes the CR of a line break with it, and after the re-read it takes the ".".
TEST(CheckScriptTest, RereadUnitsWithoutASoundAreDropped) {
  ScriptEngine engine;
  ASSERT_EQ(engine.ParseScriptText(0x53100000, "KV#KD\x90\r\n."), ScriptEngineError::kNone);
  EXPECT_EQ(engine.CheckScript(1), ScriptCheckCode::kNoUnit);
}

// The unset U value is written so that it reads back as itself.
TEST(CheckScriptTest, UnsetUValueReadsBack) {
  EXPECT_EQ(Check(0x52100000, "U3かU12き", 0).second, "U3かU10き");
  EXPECT_EQ(Check(0x52100000, "U3かU10き", 0).second, "U3かU10き");
}

TEST(CheckScriptTest, OtherLanguages) {
  struct Case {
    ScriptModeWord mode;
    std::string body;
    std::string expected;
  };
  const Case cases[] = {
      {0x53100000, "Ｓ７０가，［a］", "S70가,[a]"},
      {0x54100000, "S50kya,xyz", "kya,"},
      {0x55100000, "S70ni3hao3.中", "S70ni3hao3."},
  };
  for (const Case& c : cases) {
    const auto [code, body] = Check(c.mode, c.body, 0);
    EXPECT_EQ(code, ScriptCheckCode::kOk) << c.body;
    EXPECT_EQ(body, c.expected) << c.body;
  }
}

// The re-read of pass 2 starts outside comments even when the text ends inside one.
TEST(CheckScriptTest, UnclosedCommentDoesNotSwallowTheReread) {
  const auto [code, body] = Check(kJ, "か\r\nき[open", 1);
  EXPECT_EQ(code, ScriptCheckCode::kOk);
  EXPECT_EQ(body, "かき[open");
}

// A stray lead byte does not pair with the next character when the text is read again.
TEST(CheckScriptTest, StrayLeadByteDoesNotCorruptTheReread) {
  ScriptEngine engine;
  ASSERT_EQ(engine.ParseScriptText(kJ, "KV#J\x02\x82-"), ScriptEngineError::kNone);
  ASSERT_EQ(engine.CheckScript(1), ScriptCheckCode::kOk);
  std::string text;
  (void)engine.SerializeScript(text, kSubFormatFull);
  EXPECT_EQ(text, "KV#J\x81\x7C");  // the long mark, not the letter "ａ" (82 81)
}

TEST(CheckScriptTest, CheckingTwiceChangesNothing) {
  for (std::string body : {"S70K3<2'3!かC#3き、+く。*3", "[a]かS60ーS70ーけ", "'2<2か=/き&",
                           "+'3か&き", "<'ー/S8=ー"}) {
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(kJ, "KV#J" + Bytes(ScriptLanguage::kJapanese, body)),
              ScriptEngineError::kNone);
    ASSERT_EQ(engine.CheckScript(0), ScriptCheckCode::kOk);
    std::string once;
    (void)engine.SerializeScript(once, kSubFormatFull);
    ASSERT_EQ(engine.ParseScriptText(kJ, once), ScriptEngineError::kNone);
    ASSERT_EQ(engine.CheckScript(0), ScriptCheckCode::kOk);
    std::string twice;
    (void)engine.SerializeScript(twice, kSubFormatFull);
    EXPECT_EQ(twice, once) << body;
  }
}

}  // namespace
}  // namespace vtr::core
