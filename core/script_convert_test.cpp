#include <gtest/gtest.h>

#include <string>

#include "core/script_engine.h"
#include "core/script_tables.h"
#include "core/testing/test_text.h"

namespace vtr::core {
namespace {

using testing::Sj;
using E = ScriptEngineError;

constexpr ScriptModeWord kJ = 0x52100000;
constexpr ScriptModeWord kK = 0x53100000;
constexpr ScriptModeWord kG = 0x54100000;
constexpr ScriptModeWord kC = 0x55100000;

TEST(ConvertScriptModeTest, KanaToRomajiAndBack) {
  struct Case {
    ScriptModeWord from;
    std::string text;
    ScriptModeWord to;
    std::string expected;
  };
  const Case cases[] = {
      {kJ, "KV#J" + Sj("きゃ"), kG, "KV#Gkya"},
      {kJ, "KV#J" + Sj("S70かしちつふじぢづん、っ"), kG, "KV#GS70kasitituhuzididunn,xtu"},
      {kJ, "KV#J" + Sj("かー～ き"), kG, "KV#Gka-~ ki"},
      {kJ, "KV#J" + Sj("いぇ"), kG, "KV#G" + Sj("いぇ")},  // no romaji row: stays kana
      {kJ, "KV#J" + Sj("う゛ぁ"), kG, "KV#Gba"},
      {kG, "KV#Gtsu", kJ, "KV#J" + Sj("つ")},
      {kG, "KV#Gxtsu", kJ, "KV#J" + Sj("っ")},
      {kG, "KV#Gnn", kJ, "KV#J" + Sj("ん")},
      {kG, "KV#Gkya-~ S70shi", kJ, "KV#J" + Sj("きゃ－～　S70し")},
      {kJ, "KV#J" + Sj("S70か[c]"), kJ | kSubFormatPlain, Sj("か")},
      {kJ, "KV#J" + Sj("K3S70か"), kJ | kSubFormatNoHeader, Sj("S70か")},
      {kK, "KV#K\xB0\xA1", kK, "KV#K\xB0\xA1"},
      {kC, "KV#Cni3", kC, "KV#Cni3"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(c.from, c.text), E::kNone) << c.text;
    std::string out = "old";
    EXPECT_EQ(engine.ConvertScriptMode(c.to, out), E::kNone) << c.text;
    EXPECT_EQ(out, c.expected) << c.text;
    EXPECT_EQ(engine.output_text(), c.expected);
    EXPECT_EQ(engine.language(), LanguageOf(c.to));
  }
}

TEST(ConvertScriptModeTest, RefusedCallsLeaveTheEngineUnchanged) {
  struct Case {
    ScriptModeWord from;
    std::string text;
    ScriptModeWord to;
    ScriptEngineError result;
    const char* why;
  };
  const Case cases[] = {
      {kJ, "KV#J" + Sj("か"), kK, E::kTagMismatch, "J to K"},
      {kK, "KV#K\xB0\xA1", kJ, E::kTagMismatch, "K to J"},
      {kC, "KV#Cni3", kG, E::kTagMismatch, "C to G"},
      {kJ, "KV#J" + Sj("か"), kG | 0x30000, E::kBadMode, "bad sub-format after a valid pair"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(c.from, c.text), E::kNone);
    const std::vector<ScriptSentence> before = engine.units();
    std::string out = "old";
    EXPECT_EQ(engine.ConvertScriptMode(c.to, out), c.result) << c.why;
    EXPECT_EQ(out, "old") << c.why;
    EXPECT_EQ(engine.language(), LanguageOf(c.from)) << c.why;
    EXPECT_EQ(engine.units(), before) << c.why;
  }
}

// Every romaji row reads back as a romaji of the same kana after G -> J -> G.
TEST(ConvertScriptModeTest, EveryRomajiRowRoundTrips) {
  for (const RomajiRow& row : kRomajiTable) {
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(kG, "KV#G" + std::string(row.romaji)), E::kNone);
    std::string kana;
    ASSERT_EQ(engine.ConvertScriptMode(kJ, kana), E::kNone);
    EXPECT_EQ(kana, "KV#J" + KanaOfRomajiRow(row)) << row.romaji;
    std::string back;
    ASSERT_EQ(engine.ConvertScriptMode(kG, back), E::kNone);
    ASSERT_EQ(engine.ParseScriptText(kG, back), E::kNone) << row.romaji;
    ASSERT_EQ(engine.units().size(), 1u) << row.romaji;
    const RomajiRow* again = FindRomaji(engine.units()[0].sound_text);
    ASSERT_NE(again, nullptr) << back;
    EXPECT_EQ(again->kana_code, row.kana_code) << row.romaji << " -> " << back;
  }
}

TEST(ScriptHeaderOpTest, Operations) {
  struct Case {
    ScriptModeWord mode;
    int kind;
    std::string text;
    int value;
    ScriptEngineError result;
    std::string text_after;
    int value_after;
    const char* why;
  };
  const std::string ka = Sj("か");
  const Case cases[] = {
      {kJ, 3, "KV#J", 20, E::kNone, "KV#JX4", 20, "set on the tag alone"},
      {kJ, 3, "KV#J" + ka, 3, E::kNone, "KV#JK3" + ka, 3, "inserted at the head"},
      {kJ, 3, "KV#JK1S70" + ka, 17, E::kNone, "KV#JX1S70" + ka, 17, "replaced"},
      {kJ, 3, "KV#Gka", 3, E::kTagMismatch, "KV#Gka", 3, "another tag"},
      {kJ, 3, "KV#J", 32, E::kBadMode, "KV#J", 32, "voice above 31"},
      {kJ, 3, "KV#J" + ka, -1, E::kBadMode, "KV#J" + ka, -1, "negative voice"},
      {kJ, 4, "KV#JX2" + ka, 5, E::kNone, "KV#JX2" + ka, 18, "read"},
      {kJ, 4, "KV#J" + ka, 5, E::kNone, "KV#JK5" + ka, -1, "inserted"},
      {kJ, 4, "KV#J", 5, E::kNone, "KV#JK5", -1, "inserted after the tag alone"},
      {kJ, 5, "KV#JK9" + ka, 0, E::kNone, "KV#JK9" + ka, 9, "read"},
      {kJ, 5, "KV#J" + ka, 7, E::kHeaderItemMissing, "KV#J" + ka, 0, "none"},
      {kJ, 5, "KV#J" + ka + "K3" + Sj("き"), 7, E::kHeaderItemMissing,
       "KV#J" + ka + "K3" + Sj("き"), 0, "only the first unit counts"},
      {kJ, 6, ka, 0, E::kNone, "KV#J" + ka, 0, "tag added"},
      {kJ, 6, "KV#J" + ka, 0, E::kNone, "KV#J" + ka, 0, "tag present"},
      {kJ, 7, "KV#Cni3", 0, E::kNone, "KV#Cni3", 5, "language of the tag"},
      {0, 7, "KV#Kx", 0, E::kNone, "KV#Kx", 3, "no mode check"},
      {kJ, 7, "KV", 0, E::kTagMismatch, "KV", 0, "no tag"},
      {0x12000000, 3, "KV#J", 1, E::kBadMode, "KV#J", 1, "bad mode word"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    std::string text = c.text;
    int value = c.value;
    EXPECT_EQ(engine.ScriptHeaderOp(c.mode, c.kind, text, value), c.result) << c.why;
    EXPECT_EQ(text, c.text_after) << c.why;
    EXPECT_EQ(value, c.value_after) << c.why;
  }
}

// The result replaces the text even in the plain sub-format, where writing appends.
TEST(ScriptHeaderOpTest, ResultReplacesTheTextInThePlainSubFormat) {
  ScriptEngine engine;
  std::string text = "KV#J" + Sj("かき");
  int value = 2;
  ASSERT_EQ(engine.ScriptHeaderOp(kJ | kSubFormatPlain, 3, text, value), E::kNone);
  EXPECT_EQ(text, Sj("かき"));
  EXPECT_EQ(engine.output_text(), text);
}

}  // namespace
}  // namespace vtr::core
