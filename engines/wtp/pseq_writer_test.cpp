#include "engines/wtp/pseq_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/events/stream_reader.h"
#include "engines/wtp/testing/fake_contours.h"

namespace vtr::wtp {
namespace {

using testing::FakeContours;

SegmentRecord Syllable(const char* name, uint32_t start, uint32_t end) {
  SegmentRecord r = MakeSegmentRecord(name);
  r.startStep = start;
  r.endStep = end;
  return r;
}

struct Written {
  int result;
  std::vector<uint8_t> bytes;
  events::StreamReadResult read;
};

Written Write(std::vector<SegmentRecord> syllables, const FakeContours& contours,
              size_t buffer = 0x10000) {
  Written w;
  w.bytes.assign(buffer, 0xEE);
  w.result = WritePitchSequence({static_cast<uint32_t>(syllables.size()), syllables.data()},
                                contours, w.bytes);
  if (w.result >= 0) {
    w.bytes.resize(static_cast<size_t>(w.result));
    w.read = events::ReadStream(w.bytes);
  }
  return w;
}

TEST(PseqWriterTest, OneSyllableAtConstantPitchGivesTheExactBytes) {
  FakeContours contours(std::vector<double>(22, -10), 220);
  const Written w =
      Write({Syllable(" ", 0, 5), Syllable("ka", 5, 15), Syllable(" ", 15, 20)}, contours);
  std::vector<uint8_t> expected = {0x00, 0xB0, 0x14, 0x3C, 0x05, 0x90, 0x39, 0x47,
                                   0x0A, 0x3E, 0x00, 0x02, 'k',  'a',  0x0B};
  for (uint8_t position : {0, 12, 25, 38, 50, 63, 76, 88, 101, 114, 127}) {
    expected.insert(expected.end(), {position, 0x00, 0x40});
  }
  expected.push_back(0x0B);
  for (uint8_t position : {0, 12, 25, 38, 50, 63, 76, 88, 101, 114, 127}) {
    expected.insert(expected.end(), {position, 0x60});
  }
  expected.push_back(0x00);
  ASSERT_EQ(w.result, static_cast<int>(expected.size()));
  EXPECT_EQ(w.bytes, expected);
  ASSERT_TRUE(w.read.ok());
}

TEST(PseqWriterTest, PointSpacingFollowsTheLength) {
  struct Case {
    uint32_t length;
    size_t points;
    uint8_t second_position;
    uint16_t last_bend;
  };
  // Step end-1 sings an octave above the note: only a moved last point reads it.
  // clang-format off
  const Case cases[] = {
      {1, 2, 127, 6553},      // positions 0, 127; the note is the octave above, the step after the end an octave below it
      {10, 11, 12, 8192},
      {200, 101, 1, 8192},    // Y = 2: the last point lands on 127 at the end step itself
      {255, 127, 0, 9830},    // Y = 2, g held at 127: the last point is moved to step end - 1
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    FakeContours contours(std::vector<double>(c.length + 20, -10), 220);
    contours.SetStep(contours.pitch_, 5 + c.length - 1, 440);
    const Written w = Write({Syllable(" ", 0, 5), Syllable("a", 5, 5 + c.length),
                             Syllable(" ", 5 + c.length, 6 + c.length)},
                            contours);
    ASSERT_TRUE(w.read.ok());
    const events::EventRecord& note = w.read.records.back();
    ASSERT_EQ(note.pitch.size(), c.points);
    ASSERT_EQ(note.volume.size(), c.points);
    EXPECT_EQ(note.duration, c.length);
    EXPECT_EQ(note.pitch[0].position, 0);
    EXPECT_EQ(note.pitch[1].position, c.second_position);
    EXPECT_EQ(note.pitch.back().position, 127);
    EXPECT_EQ(note.pitch.back().bend, c.last_bend);
  }
}

TEST(PseqWriterTest, QuietSyllableTakesItsLoudestStep) {
  std::vector<double> levels(30, -30);
  for (int s = 5; s < 10; ++s) levels[static_cast<size_t>(s)] = -60;
  levels[10] = -20;
  FakeContours contours(levels, 220);
  const Written w =
      Write({Syllable(" ", 0, 5), Syllable("ka", 5, 15), Syllable(" ", 15, 20)}, contours);
  ASSERT_TRUE(w.read.ok());
  const events::EventRecord& note = w.read.records.back();
  EXPECT_EQ(note.velocity, 40);
  for (size_t k = 0; k <= 5; ++k) EXPECT_EQ(note.volume[k].value, 96) << k;
  EXPECT_EQ(note.volume[6].value, 86);
}

TEST(PseqWriterTest, VelocityIsReadAtTheLoudnessStep) {
  // The velocity is 127 x 10^(power / 40) at step K = start + b, where b is 0 for a bare vowel
  // or moraic nasal that does not follow a pause and 3 otherwise; when that power plus the
  // gain is under -40 dB, at the loudest step instead. Levels: -10 dB gives 71, -30 gives 22,
  // -39 gives 13.
  struct Case {
    const char* name;
    std::vector<SegmentRecord> syllables;            // the note under test is the last but one
    std::vector<std::pair<uint32_t, double>> steps;  // step levels on a -30 dB base
    double gain_db;
    int velocity;
  };
  const std::vector<SegmentRecord> ka_after_pause = {Syllable(" ", 0, 5), Syllable("ka", 5, 15),
                                                     Syllable(" ", 15, 20)};
  const std::vector<SegmentRecord> a_after_ka = {Syllable(" ", 0, 5), Syllable("ka", 5, 15),
                                                 Syllable("a", 15, 25), Syllable(" ", 25, 30)};
  const std::vector<SegmentRecord> a_after_pause = {Syllable(" ", 0, 5), Syllable("a", 5, 15),
                                                    Syllable(" ", 15, 20)};
  // clang-format off
  const Case cases[] = {
      {"a syllable with a consonant is read 3 steps in", ka_after_pause, {{8, -10}}, 0, 71},
      {"not 2 steps in", ka_after_pause, {{7, -10}}, 0, 22},
      {"a bare vowel after a syllable is read at its start", a_after_ka, {{15, -10}}, 0, 71},
      {"a bare vowel after a pause is read 3 steps in", a_after_pause, {{5, -10}, {8, -30}}, 0, 22},
      {"at -39 dB the loudness step gives the velocity", ka_after_pause, {{8, -39}, {10, -10}}, 0, 13},
      {"at -41 dB the loudest step does", ka_after_pause, {{8, -41}, {10, -10}}, 0, 71},
      {"the gain counts: -39 dB with a gain of -2 dB is quiet", ka_after_pause, {{8, -39}, {10, -10}}, -2, 71},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> levels(40, -30);
    for (const auto& [step, level] : c.steps) levels[step] = level;
    FakeContours contours(levels, 220, c.gain_db);
    const Written w = Write(c.syllables, contours);
    ASSERT_TRUE(w.read.ok());
    EXPECT_EQ(w.read.records.back().velocity, c.velocity);
  }
}

TEST(PseqWriterTest, VolumePointsAfterTheLoudnessStepAreMeasuredAgainstTheVelocity) {
  // A syllable at -62 dB throughout: velocity 127 x 10^(-62 / 40) = 3.6, truncated to 3, whose
  // level is 40 log10(3 / 127) = -65.1 dB. Points after the loudness step (here its first
  // step, the loudest of a quiet syllable) carry -62 + 65.1 + 96 = 99; the point at it 96.
  FakeContours contours(std::vector<double>(30, -62), 220);
  const Written w =
      Write({Syllable(" ", 0, 5), Syllable("ka", 5, 15), Syllable(" ", 15, 20)}, contours);
  ASSERT_TRUE(w.read.ok());
  const events::EventRecord& note = w.read.records.back();
  EXPECT_EQ(note.velocity, 3);
  ASSERT_EQ(note.volume.size(), 11u);
  EXPECT_EQ(note.volume[0].value, 96);
  for (size_t k = 1; k < note.volume.size(); ++k) EXPECT_EQ(note.volume[k].value, 99) << k;
}

TEST(PseqWriterTest, SyllableAfterAPauseIsVoicedFromItsFirstVoicedStep) {
  FakeContours contours(std::vector<double>(30, -10), 200);
  for (size_t s = 5; s < 8; ++s) contours.SetStep(contours.raw_pitch_, s, 0);
  for (size_t s = 8; s < 15; ++s) contours.SetStep(contours.pitch_, s, 300);
  const Written w =
      Write({Syllable(" ", 0, 5), Syllable("ka", 5, 15), Syllable(" ", 15, 20)}, contours);
  ASSERT_TRUE(w.read.ok());
  const events::EventRecord& note = w.read.records.back();
  EXPECT_EQ(note.value, 62);
  for (size_t k = 0; k < 3; ++k) EXPECT_EQ(note.pitch[k].bend, 8192) << k;
  EXPECT_GT(note.pitch[3].bend, 8192);
}

TEST(PseqWriterTest, BufferRoomAndDegenerateTables) {
  FakeContours contours(std::vector<double>(30, -10), 220);
  const std::vector<SegmentRecord> pauses = {Syllable(" ", 0, 5), Syllable(" ", 5, 10),
                                             Syllable(" ", 10, 20)};
  const std::vector<SegmentRecord> one = {Syllable(" ", 0, 5), Syllable("ka", 5, 15),
                                          Syllable(" ", 15, 20)};
  struct Case {
    const char* name;
    std::vector<SegmentRecord> syllables;
    size_t buffer;
    int result;
  };
  // clang-format off
  const Case cases[] = {
      {"only pauses write the header", pauses, 5, 4},
      {"four bytes cannot hold the header", pauses, 4, -3},
      {"no room for the note", one, 40, -3},
      {"exactly one spare byte", one, 73, 72},
      {"one byte short of the spare", one, 72, -3},
      {"no syllables", {}, 100, -1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Write(c.syllables, contours, c.buffer).result, c.result);
  }
}

TEST(PseqWriterTest, StartBeforeThePreviousNoteGivesDeltaZero) {
  FakeContours contours(std::vector<double>(40, -10), 220);
  const Written w = Write(
      {Syllable(" ", 0, 5), Syllable("ka", 10, 20), Syllable("sa", 5, 15), Syllable(" ", 20, 25)},
      contours);
  ASSERT_TRUE(w.read.ok());
  ASSERT_EQ(w.read.records.size(), 3u);
  EXPECT_EQ(w.read.records[1].delta, 10u);
  EXPECT_EQ(w.read.records[2].delta, 0u);
}

}  // namespace
}  // namespace vtr::wtp
