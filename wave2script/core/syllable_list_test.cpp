#include "wave2script/core/syllable_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

constexpr uint32_t kJ = 0x52100000;

SyllableArray Parse(std::string_view utf8) {
  SyllableList list;
  EXPECT_EQ(list.SetScript(kJ, Sj(utf8)), kSyllablesDone) << utf8;
  SyllableArray records;
  EXPECT_EQ(list.GetSyllables(&records), kSyllablesDone);
  return records;
}

TEST(SyllableListTest, PitchFormulaVectors) {
  struct Case {
    int p, prev_p, w, note, value;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {1, 0, 12, 0, 100},     {-1, 0, 12, 0, -100},   {0, 0, 12, 2, 194},
      {3, 1, 24, 13, 1868},   {-2, 0, 2, -12, -1204}, {0, 0, 12, kNoNote, -0},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(PitchValueOf(c.p, c.prev_p, c.w, c.note), c.value) << c.p << " " << c.note;
    EXPECT_EQ(PitchStepsOf(c.value, c.w, c.note), c.p) << c.value << " back";
  }
  EXPECT_EQ(PitchStepsOf(100, 0, 0), 1) << "a W of 0 counts as the default 12";
}

TEST(SyllableListTest, ParsesOneRecordPerToken) {
  struct Case {
    std::string script;
    std::vector<std::string> texts;
    std::vector<int> lengths;
    std::vector<int> end_times;
    const char* why;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"KV#Jしゃ", {"しゃ"}, {240}, {240}, "one syllable, not し and ゃ"},
      {"KV#Jう゛ぁ", {"う゛ぁ"}, {180}, {180}, "a three-kana token"},
      {"KV#Jかー", {"か", "ー"}, {160, 160}, {160, 320}, "a long mark takes the length before"},
      {"KV#JS40か", {"か"}, {160}, {360}, "S40 stretches"},
      {"KV#JS40。", {"。"}, {400}, {800}, "a 400 token stretches twice"},
      {"KV#JS60か", {"か"}, {160}, {20}, "never less than 20"},
      {"KV#JL1し", {"し"}, {160}, {160}, "L1 gives 160"},
      {"KV#J＊12か*3", {"＊12", "か", "*3"}, {400, 160, 400}, {400, 560, 960},
       "counts stay with their token"},
      {"KV#J[か]き", {"き"}, {140}, {140}, "kana inside brackets are skipped"},
      {"KV#J漢か", {"か"}, {160}, {160}, "other characters join the prefix"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SyllableArray records = Parse(c.script);
    ASSERT_EQ(records.size(), c.texts.size()) << c.why;
    for (size_t k = 0; k < records.size(); ++k) {
      EXPECT_EQ(Utf(records[k].text), c.texts[k]) << c.why;
      EXPECT_EQ(records[k].length, c.lengths[k]) << c.why;
      EXPECT_EQ(records[k].end_time, c.end_times[k]) << c.why;
    }
  }
}

TEST(SyllableListTest, PrefixesSetTheValuesInForce) {
  SyllableArray r = Parse("KV#J'2<3V5W1D#3か'き&_く,E1け");
  ASSERT_EQ(r.size(), 5u);
  EXPECT_EQ(r[0].prefix, "'2<3V5W1D#3");
  EXPECT_EQ(r[0].pitch_steps, 2);
  EXPECT_EQ(r[0].volume_steps, 3);
  EXPECT_EQ(r[0].v_level, 0);
  EXPECT_EQ(r[0].level, 3);
  EXPECT_EQ(r[0].w, 2);
  EXPECT_EQ(r[0].note, 15);
  EXPECT_EQ(r[0].pitch_value, PitchValueOf(2, 0, 2, 15));
  EXPECT_EQ(r[1].pitch_steps, 3) << "relative to the record before";
  EXPECT_EQ(r[2].pitch_steps, -1) << "'&' resets: the prefix's value alone";
  EXPECT_EQ(r[2].volume_steps, 0);
  EXPECT_EQ(r[3].pitch_steps, 0) << "punctuation";
  EXPECT_EQ(r[4].note, -8) << "E in octave 1";
  EXPECT_EQ(r[4].pitch_steps, 0) << "it follows the punctuation record's 0";
}

TEST(SyllableListTest, SetScriptChecksTypeAndSize) {
  struct Case {
    uint32_t type;
    size_t size;
    uint32_t code;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {0x42000000, 8, kSyllablesBadType},   {0x54100000, 8, kSyllablesNotKana},
      {0x52000000, 32001, kSyllablesFailed}, {0x52000000, 32000, kSyllablesDone},
      {0xF2000000, 8, kSyllablesDone},
  };
  // clang-format on
  for (const Case& c : cases) {
    SyllableList list;
    ASSERT_EQ(list.SetScript(kJ, Sj("KV#Jか")), kSyllablesDone);
    std::string text = "KV#J" + std::string(c.size - 4, 'a');
    for (size_t k = 4; k + 1 < text.size(); k += 2) text.replace(k, 2, "\x82\xA9");
    EXPECT_EQ(list.SetScript(c.type, text), c.code) << std::hex << c.type << " " << c.size;
    EXPECT_EQ(list.records().empty(), c.code != kSyllablesDone);
  }
}

TEST(SyllableListTest, GetTextDropsRedundantSpeeds) {
  struct Case {
    std::string in;
    std::string out;
    uint32_t code;
  };
  const std::vector<Case> cases = {
      {"KV#JS50か", "KV#Jか", kSyllablesDone},
      {"KV#JS60かS60き", "KV#JS60かき", kSyllablesDone},
      {"KV#JS60かS50き", "KV#JS60かS50き", kSyllablesDone},
      {"KV#J[S50]S5か", "KV#J[S50]S5か", kSyllablesDone},
      {"KV#JS50", "KV#J", kSyllablesHeaderOnly},
      {"KV#", "KV#", kSyllablesTooShort},
  };
  for (const Case& c : cases) {
    SyllableList list;
    ASSERT_EQ(list.SetScript(kJ, Sj(c.in)), kSyllablesDone);
    std::string_view text;
    EXPECT_EQ(list.GetText(&text), c.code) << c.in;
    EXPECT_EQ(Utf(text), c.out) << c.in;
  }
}

TEST(SyllableListTest, RecomputeDerivesSpeedFromDurations) {
  struct Case {
    int old_speed;
    int duration;
    int speed;
  };
  const std::vector<Case> cases = {
      {50, 360, 40}, {50, 120, 52}, {50, 160, 50}, {50, 20, 57},
      {60, 20, 60},  {50, 3000, 0}, {50, 1, 57},
  };
  for (const Case& c : cases) {
    SyllableArray records = Parse("KV#JS" + std::to_string(c.old_speed) + "か");
    records[0].end_time = c.duration;
    SyllableList list;
    ASSERT_EQ(list.AssignSyllables(records), kSyllablesDone);
    EXPECT_EQ(list.records()[0].speed, c.speed) << c.old_speed << " " << c.duration;
  }
}

TEST(SyllableListTest, ADurationEditChangesTheWrittenSpeed) {
  SyllableList list;
  ASSERT_EQ(list.SetScript(kJ, Sj("KV#Jかき")), kSyllablesDone);
  SyllableArray records;
  ASSERT_EQ(list.GetSyllables(&records), kSyllablesDone);
  records[0].end_time = 360;  // was 160
  records[1].end_time = 360 + 140;
  ASSERT_EQ(list.AssignSyllables(records), kSyllablesDone);
  std::string_view text;
  ASSERT_EQ(list.GetText(&text), kSyllablesDone);
  EXPECT_EQ(Utf(text), "KV#JS40かS50き");
}

TEST(SyllableListTest, RoundTripKeepsTheMeaning) {
  const std::vector<std::string> scripts = {
      "KV#J'2か<き&_く,S60け",
      "KV#JD#3V2W4か^3き$く",
      "KV#J[memo]S40か－＊3L1し",
      "KV#J@'かき。>2く/ー",
  };
  for (const std::string& script : scripts) {
    SyllableList list;
    ASSERT_EQ(list.SetScript(kJ, Sj(script)), kSyllablesDone);
    SyllableArray before;
    ASSERT_EQ(list.GetSyllables(&before), kSyllablesDone);
    ASSERT_EQ(list.AssignSyllables(before), kSyllablesDone);
    std::string_view text;
    ASSERT_EQ(list.GetText(&text), kSyllablesDone);
    SyllableList again;
    ASSERT_EQ(again.SetScript(kJ, text), kSyllablesDone);
    const SyllableArray& after = again.records();
    ASSERT_EQ(after.size(), before.size()) << script;
    for (size_t k = 0; k < after.size(); ++k) {
      const SyllableRecord& a = before[k];
      const SyllableRecord& b = after[k];
      EXPECT_EQ(b.text, a.text) << script << " " << k;
      EXPECT_EQ(b.end_time, a.end_time) << script << " " << k;
      EXPECT_EQ(b.pitch_value, a.pitch_value) << script << " " << k;
      EXPECT_EQ(b.level, a.level) << script << " " << k;
      EXPECT_EQ(b.speed, a.speed) << script << " " << k;
      EXPECT_EQ(b.note, a.note) << script << " " << k;
    }
  }
}

TEST(SyllableListTest, TheTailAfterTheLastSyllableSurvivesEveryRebuild) {
  // Two phrases of 120 bytes as a user types them, then what follows their last syllable.
  const std::string speech =
      "KV#JS55きょうはいいてんきですね、'あしたもはれるでしょうか。"
      "<さんぽにいきましょう、_こうえんまで";
  struct Case {
    const char* what;
    std::string tail;  // UTF-8
  };
  const std::vector<Case> cases = {
      {"a comment", "[memo]"},
      {"a comment holding kana and a comma", "[あとで、なおす]"},
      {"a last pitch step", "'"},
      {"steps, settings and a comment", "'2<S60V3[take 3]"},
      {"nothing", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SyllableList parsed;
    ASSERT_EQ(parsed.SetScript(kJ, Sj(speech + c.tail)), kSyllablesDone);
    EXPECT_EQ(Utf(parsed.tail()), c.tail);
    SyllableArray records;
    ASSERT_EQ(parsed.GetSyllables(&records), kSyllablesDone);
    ASSERT_EQ(records.size(), 40u);
    records[0].end_time += 100;  // an edit in the graph

    SyllableList rebuilt;
    rebuilt.set_tail(parsed.tail());
    ASSERT_EQ(rebuilt.AssignSyllables(records), kSyllablesDone);
    std::string_view text;
    ASSERT_EQ(rebuilt.GetText(&text), kSyllablesDone);
    EXPECT_TRUE(Utf(text).ends_with("で" + c.tail)) << Utf(text);

    SyllableList played;  // from the fifth syllable on
    played.set_tail(parsed.tail());
    int offset = 0;
    ASSERT_EQ(played.SetSyllables(records, records[4].end_time, &offset), kSyllablesDone);
    ASSERT_EQ(played.GetText(&text), kSyllablesDone);
    EXPECT_TRUE(Utf(text).ends_with("で" + c.tail)) << Utf(text);

    SyllableList again;  // the rebuilt script parses to the same tail
    ASSERT_EQ(again.SetScript(kJ, rebuilt.text()), kSyllablesDone);
    EXPECT_EQ(Utf(again.tail()), c.tail);
  }

  SyllableList bare;
  ASSERT_EQ(bare.SetScript(kJ, "KV#JS60[memo]"), kSyllablesDone);
  EXPECT_TRUE(bare.records().empty());
  EXPECT_EQ(bare.tail(), "S60[memo]") << "without a syllable the whole body is the tail";
  ASSERT_EQ(bare.SetScript(kJ, Sj("KV#Jか")), kSyllablesDone);
  EXPECT_EQ(bare.tail(), "") << "a new script replaces the tail";
}

TEST(SyllableListTest, SetSyllablesKeepsWhatIsLeftToPlay) {
  SyllableArray src = Parse("KV#Jかき、くけこ");
  SyllableList list;
  int offset = 0;
  ASSERT_EQ(list.SetSyllables(src, src[3].end_time, &offset), kSyllablesDone);
  EXPECT_EQ(list.mode(), 0);
  EXPECT_EQ(list.lead_count(), 0);
  EXPECT_EQ(offset, 20);
  EXPECT_EQ(list.start_offset(), src[3].end_time);
  std::string_view text;
  ASSERT_EQ(list.GetText(&text), kSyllablesDone);
  EXPECT_EQ(Utf(text), "KV#JL0V4W3けこ");

  SyllableArray paused = Parse("KV#Jかき、@くけこ");
  ASSERT_EQ(list.SetSyllables(paused, paused[4].end_time, &offset), kSyllablesDone);
  EXPECT_EQ(list.mode(), 1);
  EXPECT_EQ(list.lead_count(), 2) << "く and け lead in";
  EXPECT_EQ(offset, 60);
  EXPECT_EQ(list.start_offset(), paused[2].end_time);
  ASSERT_EQ(list.records().size(), 3u);
  EXPECT_EQ(list.records()[0].speed, 99);
  EXPECT_EQ(list.records()[1].v_level, -23);
  EXPECT_EQ(list.records()[2].speed, 50);
  EXPECT_EQ(list.records()[2].prefix, "L0S50V4W3");

  EXPECT_EQ(list.SetSyllables(src, 12345, &offset), kSyllablesFailed);
}

TEST(SyllableListTest, ShiftSpeed) {
  struct Case {
    std::string in;
    int delta;
    bool ok;
    std::string out;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"KV#JS40か", 10, true, "KV#JS50か"},
      {"KV#Jか", 10, true, "KV#JS60か"},
      {"KV#JかS40き", 5, true, "KV#JS55かS45き"},
      {"KV#J[S5]か", 10, true, "KV#J[S5]S60か"},
      {"KV#JS95か", 10, false, "KV#JS95か"},
      {"KV#JS95。", 10, true, "KV#JS99。"},
      {"KV#JS5か", -10, false, "KV#JS5か"},
      {"KV#Jか", 60, false, "KV#Jか"},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string script = Sj(c.in);
    EXPECT_EQ(SyllableList::ShiftSpeed(&script, c.delta), c.ok) << c.in;
    EXPECT_EQ(Utf(script), c.out) << c.in;
  }
}

TEST(SyllableListTest, ShiftPitch) {
  struct Case {
    std::string in;
    int kind;
    int amount;
    bool ok;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"KV#JC2か", 1, 1, true, "KV#JC3か"},
      {"KV#JCか", 1, 1, true, "KV#JC3か"},
      {"KV#JD#1かE2き", 1, 1, true, "KV#JD#2かE3き"},
      {"KV#Jか", 1, -1, true, "KV#JC1か"},
      {"KV#JC3か", 1, 1, false, "KV#JC3か"},
      {"KV#J'2か", 0, 3, true, "KV#J'5か"},
      {"KV#J^2か", 0, -5, true, "KV#J$3か"},
      {"KV#J_2か", 0, 2, true, "KV#Jか"},
      {"KV#J'か", 0, 1, true, "KV#J'2か"},
      {"KV#Jか", 0, -3, true, "KV#J_3か"},
      {"KV#J'99か", 0, 1, false, "KV#J'99か"},
      {"KV#Jか", 0, 100, false, "KV#Jか"},
      {"KV#Jか", 2, 1, false, "KV#Jか"},
  };
  for (const Case& c : cases) {
    std::string script = Sj(c.in);
    EXPECT_EQ(SyllableList::ShiftPitch(&script, c.kind, c.amount), c.ok) << c.in;
    EXPECT_EQ(Utf(script), c.out) << c.in;
  }
}

TEST(SyllableListTest, TakeToken) {
  struct Case {
    std::string in;
    bool ok;
    std::string out;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"きょう", true, "きょ"}, {"う゛ぁい", true, "う゛ぁ"}, {"、か", true, "、"},
      {"＊123", true, "＊99"},   {"*5x", true, "*5"},        {"a", false, ""},
      {"漢字", false, ""},       {"", false, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string text = Sj(c.in);
    EXPECT_EQ(SyllableList::TakeToken(&text), c.ok) << c.in;
    EXPECT_EQ(Utf(text), c.out) << c.in;
  }
}

TEST(SyllableListTest, ValidateKana) {
  struct Case {
    std::string in;
    bool outside_only;
    bool ok;
    std::string out;
  };
  const std::vector<Case> cases = {
      {Sj("か漢き"), false, true, "かき"},
      {"\x88\x82\xA0", false, false, ""},  // a kanji with trail 0x82, then 0xA0: no あ
      {Sj("[か]き"), true, true, "き"},
      {Sj("[か]き"), false, true, "かき"},
      {"ABC", false, false, ""},
      {Sj("－、"), false, false, "－、"},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(SyllableList::ValidateKana(&text, c.outside_only), c.ok) << Utf(c.in);
    EXPECT_EQ(Utf(text), c.out) << Utf(c.in);
  }
}

}  // namespace
}  // namespace vtr::w2s
