// Properties of the scripts made from pitch sequences, checked with the project's own script
// engine (parser, check passes, play text) and play-time counter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/script_engine.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/script_counter.h"
#include "engines/events/stream_reader.h"
#include "engines/pth/kvx_generator.h"
#include "engines/pth/pseq_parser.h"
#include "engines/pth/testing/random_pseq.h"
#include "engines/pth/testing/script_reading.h"

namespace vtr::pth {
namespace {

constexpr core::ScriptModeWord kModeJ = 0x52100000;

std::string ScriptOf(const testing::PSeqBuilder& pseq, int sing_mode) {
  PSeqParser parser;
  EXPECT_EQ(parser.Parse(pseq.data(), pseq.size(), sing_mode), 0);
  std::vector<char> buffer(0x100000);
  KvxGenerator generator;
  const int n = generator.Generate(buffer.data(), static_cast<int>(buffer.size()), parser.records(),
                                   &parser.statistics(), sing_mode, 0, 0, 0);
  EXPECT_GT(n, 4);
  return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

// Every event a player gets from the script, in order.
std::vector<std::vector<uint8_t>> EventsOf(const std::string& text) {
  convert::KvjConverter converter;
  EXPECT_EQ(converter.Init(convert::kConverterTimebase), 0);
  EXPECT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(text.data()),
                           static_cast<int32_t>(text.size())),
            0);
  std::vector<std::vector<uint8_t>> events;
  std::vector<uint8_t> buffer(4096);
  for (int n; (n = converter.Convert(buffer.data(), static_cast<int32_t>(buffer.size()))) > 0;) {
    events.emplace_back(buffer.begin(), buffer.begin() + n);
  }
  (void)converter.Term();
  return events;
}

// The notes a player sounds for the script, each with the bend range in force.
std::vector<events::EventRecord> PlayedNotes(const std::string& text) {
  std::vector<uint8_t> stream;
  for (const std::vector<uint8_t>& event : EventsOf(text))
    stream.insert(stream.end(), event.begin(), event.end());
  const events::StreamReadResult read = events::ReadStream(stream);
  EXPECT_TRUE(read.ok());
  std::vector<events::EventRecord> notes;
  for (const events::EventRecord& r : read.records) {
    if (r.kind == events::RecordKind::kNote) notes.push_back(r);
  }
  return notes;
}

// A pitch point the player held at the end of the range: the script asked for more.
bool Clipped(const events::PitchPoint& p) { return p.bend == 0 || p.bend == 0x3FFF; }

double Semitones(const events::EventRecord& note, const events::PitchPoint& p) {
  return (static_cast<double>(p.bend) - events::kNoBend) / events::kNoBend * note.bend_range;
}

int PlayTimeMs(const std::string& text) {
  convert::ScriptCounter counter;
  int ms = -1;
  EXPECT_EQ(counter.SetText(kModeJ, text.data(), static_cast<int>(text.size()), 0),
            convert::PlayTimeCode::kOk);
  EXPECT_EQ(counter.CountTime(&ms), convert::PlayTimeCode::kOk);
  return ms;
}

struct Case {
  uint32_t seed;
  int syllables;
  int sing_mode;
};

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    cases.push_back({seed, 40 + static_cast<int>(seed % 5) * 20, 0});
    cases.push_back({seed + 100, 20 + static_cast<int>(seed % 4) * 10, 1});
  }
  return cases;
}

TEST(ScriptPropertiesTest, ScriptsPassTheCheckPassesWithoutChangeOfMeaning) {
  for (const Case& c : Cases()) {
    const std::string text =
        ScriptOf(testing::MakeRandomPSeq(c.seed, c.syllables, c.sing_mode == 1).pseq, c.sing_mode);
    core::ScriptEngine engine;
    ASSERT_EQ(engine.ParseScriptText(kModeJ, text), core::ScriptEngineError::kNone) << c.seed;
    ASSERT_EQ(engine.CheckScript(0), core::ScriptCheckCode::kOk) << c.seed;
    std::string checked;
    (void)engine.SerializeScript(checked, 0);
    EXPECT_EQ(EventsOf(checked), EventsOf(text)) << "seed " << c.seed << "\n"
                                                 << text << "\n"
                                                 << checked;
  }
}

TEST(ScriptPropertiesTest, ScriptsPlayAsLongAsThePitchSequence) {
  for (const Case& c : Cases()) {
    const testing::RandomPSeq random =
        testing::MakeRandomPSeq(c.seed, c.syllables, c.sing_mode == 1);
    const std::string text = ScriptOf(random.pseq, c.sing_mode);
    const double expected_ms = static_cast<double>(random.duration_steps) * 20;
    const double tolerance_ms = std::max(0.02 * expected_ms, 40.0);
    EXPECT_NEAR(PlayTimeMs(text), expected_ms, tolerance_ms) << "seed " << c.seed << "\n" << text;
  }
}

TEST(ScriptPropertiesTest, NoSentenceExceedsOneHundredBytes) {
  for (const Case& c : Cases()) {
    std::string text =
        ScriptOf(testing::MakeRandomPSeq(c.seed, c.syllables, c.sing_mode == 1).pseq, c.sing_mode);
    core::ScriptEngine engine;
    int error_offset = 0;
    EXPECT_EQ(engine.BuildPlayText(kModeJ, text, &error_offset, 0), core::ScriptEngineError::kNone)
        << "seed " << c.seed << " at " << error_offset << "\n"
        << text;
  }
}

TEST(ScriptPropertiesTest, ARisingPitchSequenceGivesRisingMarks) {
  for (uint32_t seed = 1; seed <= 8; ++seed) {
    const std::string text =
        ScriptOf(testing::MakeRandomPSeq(seed, 12, false, /*rising=*/true).pseq, 0);
    const std::vector<double> pitch = testing::PitchAtSounds(text);
    ASSERT_GE(pitch.size(), 12u) << seed;
    // One mark of rounding at the narrowest ranges is allowed between neighbouring sounds.
    for (size_t i = 1; i < pitch.size(); ++i)
      EXPECT_GE(pitch[i], pitch[i - 1] - 0.5) << "seed " << seed << "\n" << text;
    EXPECT_GT(pitch.back(), pitch.front() + 8) << "seed " << seed << "\n" << text;
  }
}

TEST(ScriptPropertiesTest, SpeechNotesFarFromTheAverageAreSoundedUnclipped) {
  // Each case is a note `distance` semitones from a partner note as far on the other side, so
  // the average note lies between them; the note glides by `glide` semitones over its length.
  // Its bends alone would fit a narrow range; with the distance they do not.
  struct Case {
    const char* name;
    int distance;  // [semitones] from the average
    int glide;     // [semitones]
  };
  const Case cases[] = {
      {"a flat note seven semitones up", 7, 0},
      {"a flat note seven semitones down", -7, 0},
      {"a fall of three semitones a semitone below", -1, -3},
      {"a rise of one semitone twenty semitones up", 20, 1},
      {"a flat note thirty semitones down", -30, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::PSeqBuilder pseq;
    pseq.Control(0, 20, 60);
    std::vector<uint16_t> bends;
    for (int k = 0; k <= 10; ++k)
      bends.push_back(static_cast<uint16_t>(8192 + c.glide * k / 10.0 * 8192 / 60));
    pseq.Note(0, "ka", static_cast<uint8_t>(60 + c.distance), 30, bends);
    pseq.Note(30, "sa", static_cast<uint8_t>(60 - c.distance), 30);
    const std::string text = ScriptOf(pseq, 0);
    const std::vector<events::EventRecord> notes = PlayedNotes(text);
    ASSERT_FALSE(notes.empty()) << text;
    // The note sets out from the pitch before it, so its farthest point is where the contour
    // lies farthest from the average: the distance or the glide's end.
    double farthest = 0;
    for (const events::PitchPoint& p : notes.front().pitch) {
      EXPECT_FALSE(Clipped(p)) << "bend range " << int{notes.front().bend_range} << "\n" << text;
      if (std::abs(Semitones(notes.front(), p)) > std::abs(farthest))
        farthest = Semitones(notes.front(), p);
    }
    const double want =
        std::abs(c.distance + c.glide) > std::abs(c.distance) ? c.distance + c.glide : c.distance;
    const double mark = 700.0 / 8192 * notes.front().bend_range;
    EXPECT_NEAR(farthest, want, mark) << text;
  }
}

TEST(ScriptPropertiesTest, SpeechScriptsSoundEveryPitchPointUnclipped) {
  for (const Case& c : Cases()) {
    if (c.sing_mode != 0) continue;
    const std::string text = ScriptOf(testing::MakeRandomPSeq(c.seed, c.syllables, false).pseq, 0);
    int points = 0, clipped = 0;
    for (const events::EventRecord& note : PlayedNotes(text)) {
      for (const events::PitchPoint& p : note.pitch) {
        ++points;
        clipped += Clipped(p);
      }
    }
    EXPECT_EQ(clipped, 0) << "seed " << c.seed << ": " << clipped << " of " << points << " points\n"
                          << text;
  }
}

}  // namespace
}  // namespace vtr::pth
