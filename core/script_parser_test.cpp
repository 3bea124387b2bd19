#include <gtest/gtest.h>

#include <string>

#include "core/script_engine.h"
#include "core/script_symbols.h"
#include "core/testing/test_text.h"

namespace vtr::core {
namespace {

using testing::Bytes;
using testing::Describe;
using testing::Sj;
using K = ScriptTokenKind;
using L = ScriptLanguage;

constexpr ScriptModeWord kJ = 0x52100000;
constexpr ScriptModeWord kK = 0x53100000;
constexpr ScriptModeWord kG = 0x54100000;
constexpr ScriptModeWord kC = 0x55100000;

L LanguageOfMode(ScriptModeWord mode) { return LanguageOf(mode); }

// Parses tag + body (body given as UTF-8, or as raw bytes when `raw` is set).
ScriptEngine Parsed(ScriptModeWord mode, std::string_view body, bool raw = false) {
  ScriptEngine engine;
  const std::string text = std::string(HeaderTagOf(LanguageOfMode(mode))) +
                           (raw ? std::string(body) : Bytes(LanguageOfMode(mode), body));
  EXPECT_EQ(engine.ParseScriptText(mode, text), ScriptEngineError::kNone);
  return engine;
}

struct TokenCase {
  ScriptModeWord mode;
  std::string body;  // UTF-8
  std::string units;
};

TEST(TokenizerTest, RecognisesTokensPerLanguage) {
  const TokenCase cases[] = {
      // J syllables: the longest kana combination wins; う゛ forms read as the b-row.
      {kJ, "きゃ", "きゃ@15"},
      {kJ, "う゛ぁ", "ば@15"},
      {kJ, "う゛", "ぶ@15"},
      {kJ, "かき", "か@15 | き@15"},
      {kJ, "いぇ", "いぇ@15"},
      {kJ, "ア", "ア@21"},  // katakana is no syllable
      // J symbols with their arguments; digits and a lone "#" are unknown characters.
      {kJ, "S5か", "S5@7 か@15"},
      {kJ, "Sか", "S@21 か@15"},
      {kJ, "s5か", "s5@7 か@15"},
      {kJ, "ｓ５か", "ｓ５@7 か@15"},
      {kJ, "Ｓ７０か", "Ｓ７０@7 か@15"},
      {kJ, "Ｋ３か", "Ｋ３@6 か@15"},
      {kJ, "C#2か", "C#2@12 か@15"},
      {kJ, "Ｃ＃２か", "Ｃ＃２@12 か@15"},
      {kJ, "<2<3か", "<2@0 <3@0 か@15"},
      {kJ, "$'^_か", "$@1 '@1 ^@1 _@1 か@15"},
      {kJ, "=/&!+:;@か", "=@2 /@3 &@4 !@5 +@5 :@5 ;@5 @@5 か@15"},
      {kJ, "5か", "5@21 か@15"},
      {kJ, "#か", "#@21 か@15"},
      // J sentence ends, long marks and spaces in all their forms.
      {kJ, "か、き", "か@15 | 、@13 | き@15"},
      {kJ, "か。", "か@15 | 。@13"},
      {kJ, "か､｡", "か@15 | ､@13 | ｡@13"},
      {kJ, "か，．", "か@15 | ，@13 | ．@13"},
      {kJ, "か*", "か@15 | *@14"},
      {kJ, "か?12", "か@15 | ?12@14"},
      {kJ, "か＊３", "か@15 | ＊３@14"},
      {kJ, "かーｰ-‐―－～~",
       "か@15 | －@16 | －@16 | －@16 | －@16 | －@16 | －@16 | ～@16 | ～@16"},
      {kJ, "か 　", "か@15 | 　@17 | 　@17"},
      // Comments and line breaks.
      {kJ, "[abc]", "[abc]@19"},
      {kJ, "か[S5か]き", "か@15 | [S5か]@19 き@15"},
      {kJ, "［か］き", "［か］@19 き@15"},
      {kJ, "か]", "か@15 | ]@19"},
      {kJ, "か\r\nき", "か@15 | \\r\\n@20 き@15"},
      {kJ, "か\rき", "か@15 | \\r@21 き@15"},
      // K: hangul, full-width symbols and lower-case letters.
      {kK, "가나", "가@15 | 나@15"},
      {kK, "가，", "가@15 | ，@13"},
      {kK, "＋가", "＋@5 가@15"},
      {kK, "ｓ５가", "ｓ５@7 가@15"},
      {kK, "s5가", "s5@7 가@15"},
      {kK, "가-", "가@15 | －@16"},
      {kK, "가 ", "가@15 | 　@17"},
      {kK, "［가］", "［가］@19"},
      // G: romaji syllables; a lower-case letter is never a symbol.
      {kG, "kyo", "kyo@15"},
      {kG, "nnka", "nn@15 | ka@15"},
      {kG, "S5ka", "S5@7 ka@15"},
      {kG, "s5", "s@21 5@21"},
      {kG, "ka-~ ", "ka@15 | -@16 | ~@16 |  @17"},
      {kG, "xtsu", "xtsu@15"},
      // C: pinyin with a tone digit 0-4; the sound text keeps the digit.
      {kC, "zhong1", "zhong1@15"},
      {kC, "zhong", "z@21 h@21 o@21 n@21 g@21"},
      {kC, "ni3hao3", "ni3@15 | hao3@15"},
      {kC, "a1an2", "a1@15 | an2@15"},
      {kC, "ma5", "m@21 a@21 5@21"},
      {kC, "ma1,", "ma1@15 | ,@13"},
      {kC, "中", "中@21"},
  };
  for (const TokenCase& c : cases) {
    ScriptEngine engine = Parsed(c.mode, c.body);
    EXPECT_EQ(Describe(engine), c.units) << c.body;
  }
}

// Every symbol, lower-case and alias record in each of its forms reads as its kind; digits and
// "#" alone are unknown characters. Kinds 6-11 are given a digit so that they stay settings.
TEST(TokenizerTest, EveryRecordFormReadsAsItsKind) {
  auto form = [](const std::array<uint8_t, 2>& f) {
    return std::string{static_cast<char>(f[0]), static_cast<char>(f[1])};
  };
  auto first_kind = [](ScriptModeWord mode, const std::string& body) {
    ScriptEngine engine;
    const std::string text = std::string(HeaderTagOf(LanguageOf(mode))) + body;
    EXPECT_EQ(engine.ParseScriptText(mode, text), ScriptEngineError::kNone);
    return engine.units().front().tokens.front().kind;
  };
  auto expected_kind = [](ScriptTokenKind kind, size_t record) {
    if (record >= 3 && record < kFirstLetterSymbolRecord) return K::kUnknown;
    return kind;
  };
  auto argument = [](ScriptTokenKind kind) {
    return kind >= K::kVoice && kind <= K::kU ? std::string("1") : std::string();
  };
  for (size_t i = 0; i < kSymbolTable.size(); ++i) {
    const SymbolRecord& r = kSymbolTable[i];
    const K kind = expected_kind(r.kind, i);
    const std::string arg = argument(r.kind);
    SCOPED_TRACE(static_cast<char>(r.symbol));
    EXPECT_EQ(first_kind(kJ, std::string(1, static_cast<char>(r.symbol)) + arg + Sj("か")), kind);
    EXPECT_EQ(first_kind(kJ, form(r.shift_jis) + arg + Sj("か")), kind);
    EXPECT_EQ(first_kind(kK, form(r.ks) + arg + "\xB0\xA1"), kind);
    if (r.symbol != '-' && r.symbol != '~' && r.symbol != ' ') {
      EXPECT_EQ(first_kind(kG, std::string(1, static_cast<char>(r.symbol)) + arg + "ka"), kind);
    }
  }
  for (const SymbolRecord& r : kLowerCaseTable) {
    SCOPED_TRACE(static_cast<char>(r.symbol));
    const std::string arg = argument(r.kind);
    EXPECT_EQ(first_kind(kJ, std::string(1, static_cast<char>(r.symbol)) + arg + Sj("か")), r.kind);
    EXPECT_EQ(first_kind(kJ, form(r.shift_jis) + arg + Sj("か")), r.kind);
    EXPECT_EQ(first_kind(kK, form(r.ks) + arg + "\xB0\xA1"), r.kind);
    ScriptEngine engine = Parsed(kJ, std::string(1, static_cast<char>(r.symbol)) + arg + "か");
    const ScriptSentence& unit = engine.units().front();
    if (r.kind == K::kNote) {
      EXPECT_EQ(unit.note, static_cast<char>(r.symbol & 0xDF));
    }
    if (r.kind == K::kVoice) {
      EXPECT_EQ(unit.voice_symbol, static_cast<char>(r.symbol & 0xDF));
    }
  }
  // Alias records: record 4 reads its form A (half-width prolonged mark), the others form B.
  for (size_t i = 0; i < kAliasTable.size(); ++i) {
    const AliasRecord& r = kAliasTable[i];
    const std::string read = std::string(i == 4 ? r.form_a : r.form_b);
    ScriptEngine engine = Parsed(kJ, Sj("か") + read, /*raw=*/true);
    ASSERT_EQ(engine.units().size(), 2u) << i;
    const ScriptSentence& unit = engine.units()[1];
    EXPECT_EQ(unit.closing_kind, r.kind) << i;
    if (r.kind == K::kSentenceEnd) {
      EXPECT_EQ(unit.end_symbol, r.form_a[0]) << i;
    } else {
      EXPECT_EQ(unit.sound_text, "\x81\x7C") << i;
    }
  }
}

TEST(TokenizerTest, SoundTextIsNormalisedInJAndKAndSourceInGAndC) {
  struct Case {
    ScriptModeWord mode;
    std::string body;
    std::string sound;  // UTF-8
  };
  const Case cases[] = {
      {kJ, "う゛ぁ", "ば"}, {kJ, "ｰ", "－"}, {kJ, " ", "　"},    {kJ, "~", "～"},
      {kK, "가", "가"},     {kK, "~", "～"}, {kG, "kya", "kya"}, {kC, "zhong1", "zhong1"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine = Parsed(c.mode, c.body);
    ASSERT_EQ(engine.units().size(), 1u) << c.body;
    EXPECT_EQ(engine.units()[0].sound_text, Bytes(LanguageOf(c.mode), c.sound)) << c.body;
  }
}

TEST(TokenizerTest, ArgumentRulesPerKind) {
  struct Case {
    std::string body;  // J body; the values are read from the unit of the last syllable
    int ScriptSentence::*field;
    int expected;
  };
  using S = ScriptSentence;
  const Case cases[] = {
      {"<か", &S::step_sum, 1},    // no digits: 1
      {"<0か", &S::step_sum, 99},  // below the minimum: out of range
      {"<99か", &S::step_sum, 99},
      {"<100か", &S::step_sum, 99},
      {"<2<3か", &S::step_sum, 5},  // consecutive equal steps add up
      {"<2>3か", &S::step_sum, 3},
      {"$4か", &S::pitch_step_sum, 4},
      {"$2$3か", &S::pitch_step_sum, 5},
      {"$2'3か", &S::pitch_step_sum, 3},
      {"K15か", &S::voice_value, 15},
      {"K16か", &S::voice_value, 0},
      {"Kか", &S::voice_value, 0},
      {"S0か", &S::s_value, 0},
      {"S99か", &S::s_value, 99},
      {"S100か", &S::s_value, 50},
      {"Sか", &S::s_value, 50},
      {"L1か", &S::l_value, 1},
      {"L2か", &S::l_value, 0},
      {"V9か", &S::v_value, 4},
      {"V0か", &S::v_value, 4},
      {"V1か", &S::v_value, 1},
      {"Vか", &S::v_value, 4},
      {"V2かVき", &S::v_value, 2},  // V without digits leaves the value in force
      {"W5か", &S::w_value, 5},
      {"W6か", &S::w_value, 3},
      {"U0か", &S::u_value, 0},
      {"U10か", &S::u_value, -1},
      {"C1か", &S::octave, 1},
      {"C4か", &S::octave, 2},
      {"C#4か", &S::octave, 2},
      {"C3かDき", &S::octave, 3},    // a note without digits leaves the octave
      {"S７０か", &S::s_value, 70},  // full-width digits in J
  };
  for (const Case& c : cases) {
    ScriptEngine engine = Parsed(kJ, c.body);
    ASSERT_FALSE(engine.units().empty()) << c.body;
    EXPECT_EQ(engine.units().back().*c.field, c.expected) << c.body;
  }
}

TEST(TokenizerTest, UnitRecordsSymbolsAndEnds) {
  ScriptEngine engine = Parsed(kJ, "X3C#2<2<3'!かD?12");
  ASSERT_EQ(engine.units().size(), 2u);
  const ScriptSentence& first = engine.units()[0];
  EXPECT_EQ(first.voice_symbol, 'X');
  EXPECT_EQ(first.voice_value, 3);
  EXPECT_EQ(first.note, 'C');
  EXPECT_TRUE(first.sharp);
  EXPECT_EQ(first.step_symbol, '<');
  EXPECT_EQ(first.step_sum, 5);
  EXPECT_EQ(first.pitch_step_symbol, '\'');
  EXPECT_EQ(first.pitch_step_sum, 1);
  EXPECT_EQ(first.mark, '!');
  EXPECT_EQ(first.closing_kind, K::kSyllable);
  const ScriptSentence& second = engine.units()[1];
  EXPECT_EQ(second.closing_kind, K::kCountedEnd);
  EXPECT_EQ(second.end_symbol, '?');
  EXPECT_EQ(second.end_count, 12);
  EXPECT_EQ(second.mark, 0);  // a sentence end clears the mark
  EXPECT_EQ(second.note, 'D');
  EXPECT_FALSE(second.sharp);
  EXPECT_TRUE(second.sound_text.empty());
  EXPECT_EQ(second.step_sum, 5);  // settings carry over
}

TEST(TokenizerTest, ResetSymbolsClearTheirStateAndSetTheFlags) {
  ScriptEngine engine = Parsed(kJ, "<2'3=か<2'3/き<2'3&く");
  ASSERT_EQ(engine.units().size(), 3u);
  const auto& u = engine.units();
  EXPECT_TRUE(u[0].equals_seen);
  EXPECT_FALSE(u[0].slash_seen);
  EXPECT_EQ(u[0].step_sum, 0);
  EXPECT_EQ(u[0].pitch_step_sum, 3);
  EXPECT_TRUE(u[1].slash_seen);
  EXPECT_FALSE(u[1].equals_seen);  // per unit, not carried
  EXPECT_EQ(u[1].step_sum, 2);
  EXPECT_EQ(u[1].pitch_step_sum, 0);
  EXPECT_TRUE(u[2].slash_seen && u[2].equals_seen);
  EXPECT_EQ(u[2].step_symbol, 0);
  EXPECT_EQ(u[2].pitch_step_symbol, 0);
}

TEST(TokenizerTest, LineBreakAndCommentTokens) {
  ScriptEngine engine = Parsed(kJ, "\r\n");
  ASSERT_EQ(engine.units().size(), 1u);
  EXPECT_EQ(engine.units()[0].tokens, (std::vector<ScriptToken>{{K::kLineBreak, "\r\n"}}));
  EXPECT_FALSE(engine.inside_brackets());
  ScriptEngine open = Parsed(kJ, "か[abc");
  EXPECT_TRUE(open.inside_brackets());
}

TEST(ParseScriptTextTest, ModeWordAndHeaderChecks) {
  struct Case {
    ScriptModeWord mode;
    std::string text;
    ScriptEngineError result;
    const char* why;
  };
  const Case cases[] = {
      {kJ, "KV#J", ScriptEngineError::kNone, "the tag alone"},
      {kJ, "KV#Gka", ScriptEngineError::kTagMismatch, "tag of another language"},
      {kJ, "KV#", ScriptEngineError::kTagMismatch, "shorter than a tag"},
      {kJ, "", ScriptEngineError::kTagMismatch, "empty"},
      {kJ | kSubFormatPlain, "ka", ScriptEngineError::kNone, "plain text needs no tag"},
      {kJ | kSubFormatNoHeader, "KV#J", ScriptEngineError::kBadMode, "output-only sub-format"},
      {kJ | 0x30000, "KV#J", ScriptEngineError::kBadMode, "unknown sub-format"},
      {0x32100000, "KV#J", ScriptEngineError::kBadMode, "device 3"},
      {0x56100000, "KV#J", ScriptEngineError::kBadMode, "language 6"},
      {0x52200000, "KV#J", ScriptEngineError::kBadMode, "flag 2"},
      {0xF4100000, "KV#Gka", ScriptEngineError::kNone, "no device"},
      {0x72000000, "KV#J", ScriptEngineError::kNone, "middleware, flag 0"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    EXPECT_EQ(engine.ParseScriptText(c.mode, c.text), c.result) << c.why;
  }
}

TEST(SetModeWordTest, ChecksDeviceLanguageFlagInOrderAndKeepsAcceptedFields) {
  struct Case {
    ScriptModeWord mode;
    bool ok;
    uint32_t device;
    L language;
    uint32_t flag;
  };
  const Case cases[] = {
      {0x52000000, true, 0x50000000, L::kJapanese, 0},
      {0x52100000, true, 0x50000000, L::kJapanese, kPassVariantFlag},
      {0x7512FFFF, true, 0x70000000, L::kChinese, kPassVariantFlag},
      {0xF4100000, true, 0xF0000000, L::kRomaji, kPassVariantFlag},
      {0xFFFFFFFF, false, 0xF0000000, L::kNone, 0},    // language 0xF refused
      {0x32100000, false, 0, L::kNone, 0},             // device refused: nothing kept
      {0x56100000, false, 0x50000000, L::kNone, 0},    // language refused
      {0x53200000, false, 0x50000000, L::kKorean, 0},  // flag refused after the others
  };
  for (const Case& c : cases) {
    ScriptEngine engine;
    EXPECT_EQ(engine.SetModeWord(c.mode), c.ok) << std::hex << c.mode;
    EXPECT_EQ(engine.device(), c.device) << std::hex << c.mode;
    EXPECT_EQ(engine.language(), c.language) << std::hex << c.mode;
    EXPECT_EQ(engine.pass_variant_flag(), c.flag) << std::hex << c.mode;
  }
  ScriptEngine engine;
  EXPECT_EQ(engine.sentence_limit(), 100);
}

TEST(WriteHeaderTagTest, AssignsTheTagOfTheStoredLanguage) {
  ScriptEngine engine;
  std::string out = "old";
  EXPECT_TRUE(engine.WriteHeaderTag(out));
  EXPECT_EQ(out, "old");  // no language yet
  ASSERT_TRUE(engine.SetModeWord(0x53100000));
  EXPECT_TRUE(engine.WriteHeaderTag(out));
  EXPECT_EQ(out, "KV#K");
}

TEST(PlainTextTest, EachSoundMakesOneUnit) {
  ScriptEngine engine;
  ASSERT_EQ(engine.ParseScriptText(kJ | kSubFormatPlain, Sj("かS5き、く")),
            ScriptEngineError::kNone);
  EXPECT_EQ(Describe(engine), "か@15 | き@15 | く@15");
  ScriptEngine chinese;
  ASSERT_EQ(chinese.ParseScriptText(kC | kSubFormatPlain, "ni3,hao3"), ScriptEngineError::kNone);
  EXPECT_EQ(Describe(chinese), "ni3@15 | ,@13 | hao3@15");
}

// Plain sound text parsed over a parsed script keeps the script's symbols unit by unit.
TEST(PlainTextTest, SeedingRoundTripRestoresTheFullScript) {
  struct Case {
    ScriptModeWord mode;
    std::string body;
  };
  const Case cases[] = {
      {kJ, "S70か<2き。S50く[note]け"},
      {kJ, "K3か、、き。"},
      {kJ, "か－　き[tail]"},
      {kK, "S70가，나"},
      {kG, "S70kya.C#2nn"},
      {kC, "S70ni3<2hao3"},
      {kC, "S70ni3,hao3."},
      {kC, "ni3,,hao3?3zhong1[note]"},
  };
  for (const Case& c : cases) {
    const L language = LanguageOf(c.mode);
    const std::string full = std::string(HeaderTagOf(language)) + Bytes(language, c.body);
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(c.mode, full), ScriptEngineError::kNone);
    std::string plain;
    (void)engine.SerializeScript(plain, kSubFormatPlain);
    ASSERT_EQ(engine.ParseScriptText(c.mode | kSubFormatPlain, plain), ScriptEngineError::kNone);
    std::string again;
    (void)engine.SerializeScript(again, kSubFormatFull);
    EXPECT_EQ(again, full) << c.body;
  }
}

// Chinese plain text may bring sentence ends of its own: they take the place of the held ones
// where they fall; where it brings none, the held ones stay.
TEST(PlainTextTest, ChinesePlainTextOverAHeldScript) {
  struct Case {
    std::string plain;
    std::string expected;
    const char* why;
  };
  const Case cases[] = {
      {"ni3hao3", "KV#CS70ni3,hao3.", "no sentence ends: the held ones stay"},
      {"ni3.hao3,", "KV#CS70ni3.hao3,", "its own sentence ends replace the held ones"},
      {"ni3hao3ma0", "KV#CS70ni3,hao3.ma0", "a sound beyond the held ones follows them"},
      {"ni3", "KV#CS70ni3,", "fewer sounds: the held end after the last one stays"},
  };
  for (const Case& c : cases) {
    ScriptEngine engine = Parsed(kC, "S70ni3,hao3.");
    ASSERT_EQ(engine.ParseScriptText(kC | kSubFormatPlain, c.plain), ScriptEngineError::kNone);
    std::string text;
    (void)engine.SerializeScript(text, kSubFormatFull);
    EXPECT_EQ(text, c.expected) << c.why;
  }
}

TEST(PlainTextTest, NewSoundsReplaceHeldOnesAndExtraUnitsCarrySettings) {
  ScriptEngine engine = Parsed(kJ, "S70か");
  ASSERT_EQ(engine.ParseScriptText(kJ | kSubFormatPlain, Sj("きく")), ScriptEngineError::kNone);
  EXPECT_EQ(Describe(engine), "S70@7 き@15 | く@15");
  EXPECT_EQ(engine.units()[1].s_value, 70);
  EXPECT_EQ(engine.units()[1].sound_text, Sj("く"));
}

// A truncated double-byte character at the end of a text is clamped to the bytes that remain.
TEST(FaultTest, TruncatedCharacterNeverReadsPastTheEnd) {
  struct Case {
    ScriptModeWord mode;
    std::string body;  // raw bytes
    std::string last_token;
  };
  const Case cases[] = {
      {kK, "\xB0\xA1\x85", "\x85"}, {kC, "ma1\x85", "\x85"},      {kG, "ka\x90", "\x90"},
      {kJ, "\x82\xA9\x82", "\x82"}, {kJ, "\x82\xA9\xB1", "\xB1"},
  };
  for (const Case& c : cases) {
    // The text lives in a buffer of its exact size, so ASan sees any read past its end.
    const std::string full = std::string(HeaderTagOf(LanguageOf(c.mode))) + c.body;
    std::unique_ptr<char[]> exact(new char[full.size()]);
    std::copy(full.begin(), full.end(), exact.get());
    ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(c.mode, std::string_view(exact.get(), full.size())),
              ScriptEngineError::kNone);
    ASSERT_FALSE(engine.units().empty());
    EXPECT_EQ(engine.units().back().tokens.back().text, c.last_token);
    EXPECT_EQ(engine.units().back().tokens.back().kind, K::kUnknown);
  }
}

// A long run of digits saturates: it is out of range, never wrapped back into range.
TEST(FaultTest, LongDigitRunsAreOutOfRange) {
  struct Case {
    std::string body;
    int ScriptSentence::*field;
    int expected;
  };
  using S = ScriptSentence;
  const Case cases[] = {
      {"V4294967298か", &S::v_value, 4},      // 2^32 + 2 would wrap to 2
      {"K4294967299か", &S::voice_value, 0},  // would wrap to 3
      {"<4294967297か", &S::step_sum, 99},    // would wrap to 1
      {"S99999999999999999999か", &S::s_value, 50},
  };
  for (const Case& c : cases) {
    ScriptEngine engine = Parsed(kJ, c.body);
    ASSERT_EQ(engine.units().size(), 1u) << c.body;
    EXPECT_EQ(engine.units()[0].*c.field, c.expected) << c.body;
    // Every digit belongs to the symbol's token.
    EXPECT_EQ(engine.units()[0].tokens[0].text.size(), c.body.size() - 3) << c.body;
  }
}

// An unclosed "[" in one text does not turn the next parse of the same engine into a comment.
TEST(FaultTest, EveryParseStartsOutsideComments) {
  ScriptEngine engine = Parsed(kJ, "か[open");
  ASSERT_TRUE(engine.inside_brackets());
  ASSERT_EQ(engine.ParseScriptText(kJ, "KV#J" + Sj("き")), ScriptEngineError::kNone);
  EXPECT_EQ(Describe(engine), "き@15");
  ASSERT_EQ(engine.ParseScriptText(kJ, "KV#J[x"), ScriptEngineError::kNone);
  ASSERT_EQ(engine.ParseScriptText(kJ | kSubFormatPlain, Sj("く")), ScriptEngineError::kNone);
  ASSERT_EQ(engine.units().size(), 1u);
  EXPECT_EQ(engine.units()[0].sound_text, Sj("く"));
}

}  // namespace
}  // namespace vtr::core
