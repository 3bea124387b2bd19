#include "engines/pth/pseq_parser.h"

#include <gtest/gtest.h>

#include <vector>

#include "engines/pth/kana_labels.h"
#include "engines/pth/testing/pseq_builder.h"

namespace vtr::pth {
namespace {

using testing::PSeqBuilder;

TEST(PSeqParserTest, ReadsAPitchSequenceIntoRecordsAndStatistics) {
  const PSeqBuilder pseq = PSeqBuilder()
                               .Control(0, 20, 60)
                               .Note(5, "ka", 60, 8, {8192, 9000, 7000}, {96, 100})
                               .Note(8, "tSa", 64, 12)
                               .Note(12, "a", 128, 10);
  PSeqParser parser;
  ASSERT_EQ(parser.Parse(pseq.data(), pseq.size(), 0), 0);
  ASSERT_TRUE(parser.parsed());
  const std::vector<NoteRecord>& records = parser.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(records[0].kind, RecordKind::kBendRange);
  EXPECT_EQ(records[0].value, 60);
  const NoteRecord& ka = records[1];
  EXPECT_EQ(ka.kind, RecordKind::kNote);
  EXPECT_EQ(ka.delta, 5);
  EXPECT_EQ(ka.value, 60);
  EXPECT_EQ(ka.velocity, 89);
  EXPECT_EQ(ka.duration, 8u);
  EXPECT_EQ(ka.syllable, FindKanaLabel("ka"));
  EXPECT_EQ(ka.bend_range, 60);
  ASSERT_EQ(ka.pitch_count, 3);
  EXPECT_EQ(ka.pitch_points[1].position, 63);
  EXPECT_EQ(ka.pitch_points[1].bend, 9000);
  ASSERT_EQ(ka.volume_count, 2);
  EXPECT_EQ(ka.volume_points[1].value, 100);
  EXPECT_EQ(records[2].syllable, FindKanaLabel("tSa"));
  EXPECT_EQ(records[3].value, 128);
  // The unpitched syllable takes no part in the statistics: (60 + 64) / 2.
  EXPECT_EQ(parser.statistics().average, 62);
  EXPECT_EQ(parser.statistics().highest, 64);
  EXPECT_EQ(parser.statistics().lowest, 60);
  EXPECT_EQ(parser.statistics().bend_range, 60);
}

TEST(PSeqParserTest, ReportsResultsForArgumentsAndStreams) {
  struct Case {
    const char* what;
    PSeqBuilder pseq;
    int sing_mode;
    int result;
  } cases[] = {
      {"speech", PSeqBuilder().Control(0, 20, 60).Note(0, "ka", 60, 8), 0, 0},
      {"sing", PSeqBuilder().Note(0, "ka", 60, 8), 1, 0},
      {"only the low byte of the mode counts", PSeqBuilder().Note(0, "ka", 60, 8), 0x101, 0},
      {"mode 2", PSeqBuilder().Note(0, "ka", 60, 8), 2, -2},
      {"a syllable without a kana row", PSeqBuilder().Note(0, "Na", 60, 8), 0, -5},
      {"a text of no syllable", PSeqBuilder().Note(0, "xyz", 60, 8), 0, -5},
      {"bend range 61 dropped", PSeqBuilder().Control(0, 20, 61).Note(0, "ka", 60, 8), 0, 1},
      {"program 100 dropped", PSeqBuilder().Program(0, 100).Note(0, "ka", 60, 8), 0, 1},
      {"U 10 dropped", PSeqBuilder().Control(0, 22, 10).Note(0, "ka", 60, 8), 0, 1},
      {"controller 21", PSeqBuilder().Control(0, 21, 0).Note(0, "ka", 60, 8), 0, -5},
      {"only controls and programs", PSeqBuilder().Control(0, 20, 12).Program(0, 5), 0, 0},
      {"nothing but dropped events", PSeqBuilder().Control(0, 20, 99), 0, -5},
      {"duration 0", PSeqBuilder().Note(0, "ka", 60, 0), 0, -5},
  };
  for (const Case& c : cases) {
    PSeqParser parser;
    EXPECT_EQ(parser.Parse(c.pseq.data(), c.pseq.size(), c.sing_mode), c.result) << c.what;
    EXPECT_EQ(parser.parsed(), c.result >= 0) << c.what;
    if (c.result < 0) {
      EXPECT_TRUE(parser.records().empty()) << c.what;
    }
  }
  PSeqParser parser;
  const PSeqBuilder pseq = PSeqBuilder().Note(0, "ka", 60, 8);
  EXPECT_EQ(parser.Parse(nullptr, 5, 0), -2);
  EXPECT_EQ(parser.Parse(pseq.data(), 0, 0), -2);
  EXPECT_EQ(parser.Parse(pseq.data(), -1, 0), -2);
}

TEST(PSeqParserTest, ADroppedEventKeepsItsTimeAndTheBendRangeInForce) {
  const PSeqBuilder pseq =
      PSeqBuilder().Control(0, 20, 24).Control(7, 20, 61).Program(3, 100).Note(2, "ka", 60, 8);
  PSeqParser parser;
  ASSERT_EQ(parser.Parse(pseq.data(), pseq.size(), 0), 1);
  ASSERT_EQ(parser.records().size(), 2u);
  EXPECT_EQ(parser.records()[1].delta, 12);  // 7 + 3 of the dropped events, then its own 2
  EXPECT_EQ(parser.records()[1].bend_range, 24);

  const PSeqBuilder first = PSeqBuilder().Control(0, 20, 61).Note(0, "ka", 60, 8);
  ASSERT_EQ(parser.Parse(first.data(), first.size(), 0), 1);
  EXPECT_EQ(parser.records()[0].bend_range, 12);
}

TEST(PSeqParserTest, RoundsTheAverageNoteHalfUp) {
  struct Case {
    std::vector<uint8_t> notes;
    int average;
  } cases[] = {{{60, 61}, 61}, {{60, 60, 61}, 60}, {{0}, 0}, {{127, 126}, 127}, {{128}, 255}};
  for (const Case& c : cases) {
    PSeqBuilder pseq;
    for (uint8_t n : c.notes) pseq.Note(8, "a", n, 8);
    PSeqParser parser;
    ASSERT_EQ(parser.Parse(pseq.data(), pseq.size(), 0), 0);
    EXPECT_EQ(parser.statistics().average, c.average) << int{c.notes[0]};
  }
}

}  // namespace
}  // namespace vtr::pth
