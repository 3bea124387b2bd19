#include "wave2script/dialogs/intonation/intonation_info_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/testing/test_text.h"
#include "wave2script/core/syllable_list.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

// A syllable at standard values (か, length 160, S50, V4, W3, no note), changed by the setters.
struct Syllable {
  int end_time = 160;
  int steps = 0;  // pitch steps, turned into the pitch value the parser gives
  int level = -6;
  std::string text = "か";
  int length = 160;
  int speed = 50;
  int note = kNoNote;
  int v_level = -6;
  int w = 12;
  int l = 0;
  std::string prefix;

  Syllable& End(int v) {
    end_time = v;
    return *this;
  }
  Syllable& Steps(int v) {
    steps = v;
    return *this;
  }
  Syllable& Level(int v) {
    level = v;
    return *this;
  }
  Syllable& Text(std::string v) {
    text = std::move(v);
    return *this;
  }
  Syllable& Length(int v) {
    length = v;
    return *this;
  }
  Syllable& Speed(int v) {
    speed = v;
    return *this;
  }
  Syllable& Note(int v) {
    note = v;
    return *this;
  }
  Syllable& V(int v) {
    v_level = v;
    return *this;
  }
  Syllable& W(int v) {
    w = v;
    return *this;
  }
  Syllable& L(int v) {
    l = v;
    return *this;
  }
  Syllable& Prefix(std::string v) {
    prefix = std::move(v);
    return *this;
  }
};
Syllable S() { return Syllable{}; }

SyllableRecord Record(const Syllable& s) {
  SyllableRecord r;
  r.text = Sj(s.text);
  r.end_time = s.end_time;
  r.pitch_steps = s.steps;
  r.pitch_value = PitchValueOf(s.steps, s.steps - 1, s.w, s.note);
  r.level = s.level;
  r.length = s.length;
  r.speed = s.speed;
  r.note = s.note;
  r.v_level = s.v_level;
  r.w = s.w;
  r.l = s.l;
  r.prefix = s.prefix;
  return r;
}

TEST(InfoBoxTextTest, WritesTheValuesAsScriptTokens) {
  struct Case {
    const char* why;
    std::optional<Syllable> previous;
    Syllable syllable;
    std::string text;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"the first syllable at standard values", std::nullopt, S(), "S50V4L0W3か"},
      {"one pitch step up from the one before", S(), S().End(320).Steps(1), "S50V4L0W3'か"},
      {"two steps up carry the count", S(), S().End(320).Steps(2), "S50V4L0W3'2か"},
      {"one step down", S().Steps(2), S().End(320).Steps(1), "S50V4L0W3_か"},
      {"three steps down", S().Steps(2), S().End(320).Steps(-1), "S50V4L0W3_3か"},
      {"the ^ $ pair where the prefix uses it", S(), S().End(320).Steps(-2).Prefix("$2"), "S50V4L0W3$2か"},
      {"a lower W makes the same value more steps", S().W(6), S().End(320).Steps(1).W(6), "S50V4L0W2'か"},
      {"one volume step up", S(), S().End(320).Level(-5), "S50V4L0W3<か"},
      {"three volume steps up", S(), S().End(320).Level(-3), "S50V4L0W3<3か"},
      {"two volume steps down", S(), S().End(320).Level(-8), "S50V4L0W3>2か"},
      {"volume steps count from the V level", std::nullopt, S().Level(0).V(0), "S50V5L0W3か"},
      {"the first syllable's steps count from 0", std::nullopt, S().Steps(1).Level(-4), "S50V4L0W3'<2か"},
      {"L and the other V and W tokens", std::nullopt, S().V(-23).Level(-23).W(60).L(1), "S50V1L1W5か"},
      {"values without a token show nothing", std::nullopt, S().V(-7).Level(-7).W(13), "S50L0か"},
      {"punctuation shows no steps", S(), S().End(560).Steps(3).Level(0).Text("。").Length(400), "S50V4L0W3。"},
      {"after punctuation the steps count from 0", S().End(400).Steps(3).Text("、").Length(200),
       S().End(560).Steps(1), "S50V4L0W3'か"},
      {"half-width punctuation too", S(), S().End(560).Steps(3).Text("?").Length(400), "S50V4L0W3?"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::optional<SyllableRecord> previous =
        c.previous ? std::optional<SyllableRecord>(Record(*c.previous)) : std::nullopt;
    const std::string text = InfoBoxText(previous ? &*previous : nullptr, Record(c.syllable));
    EXPECT_EQ(Utf(text), c.text) << c.why;
  }
}

TEST(InfoBoxTextTest, SpeedFollowsTheGraphDuration) {
  struct Case {
    const char* why;
    int start, end, length, speed;
    std::string shown;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"duration equal to the length", 0, 160, 160, 50, "S50"},
      {"a 160 syllable lasting 360 is S40", 100, 460, 160, 50, "S40"},
      {"lasting 120 is S52", 0, 120, 160, 50, "S52"},
      {"length 400 stretches twice", 0, 800, 400, 50, "S40"},
      {"far too long clamps to 0", 0, 5000, 160, 50, "S0"},
      {"the minimum duration with an S that gives it shows that S", 0, 20, 160, 60, "S60"},
      {"... clamped to 99", 0, 20, 160, 150, "S99"},
      {"the minimum duration from a slower S is computed", 0, 20, 160, 50, "S57"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const Syllable previous = S().End(c.start);
    const Syllable syllable = S().End(c.end).Length(c.length).Speed(c.speed);
    const SyllableRecord prev = Record(previous);
    const std::string text = Utf(InfoBoxText(c.start == 0 ? nullptr : &prev, Record(syllable)));
    EXPECT_EQ(text.substr(0, text.find('V')), c.shown) << c.why;
  }
}

TEST(InfoBoxTextTest, NoteNameAndOctave) {
  struct Case {
    int note;
    std::string prefix;
    std::string shown;  // between the speed and the V token
  };
  // clang-format off
  const std::vector<Case> cases = {
      {0, "", "C2"},   {1, "", "C#2"},  {11, "", "B2"},   {-1, "", "B1"},   {-12, "", "C1"},
      {12, "", "C3"},  {23, "", "B3"},  {24, "", ""},     {-13, "", ""},    {kNoNote, "", ""},
      // No note but every note letter in the prefix: the octave digit alone.
      {kNoNote, "CDEFGAB", "3"},      {kNoNote, "CDEFGA", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    // The pitch value of the note itself, so that no pitch step shows.
    const Syllable s = S().Note(c.note).Prefix(c.prefix);
    SyllableRecord r = Record(s);
    r.pitch_value = PitchValueOf(0, -1, r.w, r.note);
    const std::string text = Utf(InfoBoxText(nullptr, r));
    EXPECT_EQ(text.substr(3, text.find('V') - 3), c.shown) << c.note << " " << c.prefix;
  }
}

}  // namespace
}  // namespace vtr::w2s
