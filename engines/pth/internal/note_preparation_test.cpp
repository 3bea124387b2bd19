#include "engines/pth/internal/note_preparation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace vtr::pth::internal {
namespace {

// A note with centred bends at the given (position, semitones) points.
NoteRecord NoteWithBends(int note, int bend_range,
                         const std::vector<std::pair<int, double>>& semitones) {
  NoteRecord record;
  record.value = static_cast<uint8_t>(note);
  record.bend_range = static_cast<uint8_t>(bend_range);
  record.duration = 10;
  for (const auto& [position, s] : semitones) {
    record.pitch_points[record.pitch_count++] = {
        static_cast<uint8_t>(position), static_cast<int16_t>(std::lround(s * 8192 / bend_range))};
  }
  return record;
}

TEST(SampleBendsTest, JoinsPointsLinearlyAndHoldsTheEnds) {
  NoteRecord record;
  record.pitch_points[0] = {10, 100};
  record.pitch_points[1] = {20, 200};
  record.pitch_count = 2;
  const std::vector<int> curve = SampleBends(record);
  EXPECT_EQ(curve[0], 100);
  EXPECT_EQ(curve[10], 100);
  EXPECT_EQ(curve[15], 150);
  EXPECT_EQ(curve[20], 200);
  EXPECT_EQ(curve[127], 200);
  EXPECT_EQ(SampleBends(NoteRecord{}), std::vector<int>(128, 0));
}

TEST(RetuneSemitonesTest, FindsThePitchANoteHoldsLongest) {
  struct Case {
    const char* what;
    NoteRecord note;
    int semitones;
  } cases[] = {
      {"flat two above, range 12", NoteWithBends(60, 12, {{0, 2}, {127, 2}}), 2},
      {"flat five below, range 60", NoteWithBends(60, 60, {{0, -5}, {127, -5}}), -5},
      {"glide in, then held three below", NoteWithBends(60, 12, {{0, -8}, {40, -3}, {127, -3}}),
       -3},
      {"held one above, then a fall at the end",
       NoteWithBends(60, 12, {{0, 1}, {110, 1}, {127, -6}}), 1},
      {"on the note", NoteWithBends(60, 12, {{0, 0}, {127, 0}}), 0},
      {"held beyond the bend range", NoteWithBends(60, 2, {{0, 2}, {127, 2}}), 2},
      {"unpitched", NoteWithBends(128, 12, {{0, 4}, {127, 4}}), 0},
      {"no bend range", NoteWithBends(60, 0, {}), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RetuneSemitones(c.note), c.semitones) << c.what;
}

TEST(SpeechRangeTest, TakesTheSmallestRangeHoldingTheLargestExcursion) {
  struct Case {
    double semitones;  // largest excursion at bend range 60
    int range;
  } cases[] = {{0, 2},   {1, 2},   {2, 2},     {2.5, 6}, {6, 6},
               {11, 12}, {13, 24}, {23.9, 24}, {30, 60}, {59.9, 60}};
  for (const Case& c : cases) {
    EXPECT_EQ(SpeechRange(NoteWithBends(60, 60, {{0, 0}, {64, -c.semitones}, {127, 0}})), c.range)
        << c.semitones;
  }
}

TEST(VelocityOffsetTest, MeasuresVelocitiesInDecibelsAgainstVelocityEightyNine) {
  struct Case {
    int velocity;
    int offset;
  } cases[] = {{89, 0}, {127, 6}, {64, -6}, {45, -12}, {32, -18}, {1, -78}, {0, -78}};
  for (const Case& c : cases) EXPECT_EQ(VelocityOffset(c.velocity), c.offset) << c.velocity;
}

TEST(PrepareRecordsTest, SpeechModeCentresAndRescalesBendsAndRebasesVolume) {
  NoteRecord note;
  note.value = 60;
  note.velocity = 127;
  note.bend_range = 60;
  note.pitch_points[0] = {0, 8192};
  note.pitch_points[1] = {127, 8192 + 137};  // about one semitone at range 60
  note.pitch_count = 2;
  note.volume_points[0] = {0, 96};
  note.volume_points[1] = {127, 120};
  note.volume_count = 2;
  NoteRecord voice;
  voice.kind = RecordKind::kVoice;
  voice.value = 3;
  std::vector<NoteRecord> records = {note, voice};
  NoteStatistics statistics{60, 60, 60, 60};

  PrepareRecords(records, statistics, /*sing_mode=*/false);

  EXPECT_EQ(records[0].bend_range, 2);
  EXPECT_EQ(records[0].pitch_points[0].bend, 0);
  EXPECT_EQ(records[0].pitch_points[1].bend, 137 * 30);
  EXPECT_EQ(records[0].velocity, 89);
  EXPECT_EQ(records[0].volume_points[0].value, 102);
  EXPECT_EQ(records[0].volume_points[1].value, 126);
  EXPECT_EQ(records[1].value, 3);
  EXPECT_EQ(statistics.average, 60);
}

TEST(PrepareRecordsTest, SingModeRetunesNotesAndRecountsTheStatistics) {
  auto raw = [](NoteRecord n) {  // back to the stream's 0..16383 bends
    for (int i = 0; i < n.pitch_count; ++i)
      n.pitch_points[i].bend = static_cast<int16_t>(n.pitch_points[i].bend + 8192);
    return n;
  };
  std::vector<NoteRecord> records = {raw(NoteWithBends(60, 60, {{0, 3}, {127, 3}})),
                                     raw(NoteWithBends(64, 60, {{0, -2}, {127, -2}})),
                                     raw(NoteWithBends(128, 60, {{0, 0}, {127, 0}}))};
  NoteStatistics statistics{62, 64, 60, 60};

  PrepareRecords(records, statistics, /*sing_mode=*/true);

  EXPECT_EQ(records[0].value, 63);
  EXPECT_NEAR(records[0].pitch_points[0].bend, 0, 1);
  EXPECT_EQ(records[1].value, 62);
  EXPECT_NEAR(records[1].pitch_points[1].bend, 0, 1);
  EXPECT_EQ(records[2].value, 128);
  EXPECT_EQ(statistics.average, 63);  // (63 + 62) / 2 rounded half up
  EXPECT_EQ(statistics.highest, 63);
  EXPECT_EQ(statistics.lowest, 62);
}

}  // namespace
}  // namespace vtr::pth::internal
