#include "engines/pth/internal/script_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::pth::internal {
namespace {

std::string Bytes(int n) { return std::string(static_cast<size_t>(n), 'a'); }

TEST(ScriptWriterTest, BreaksALineOnlyWhenItWouldPassNinetySixBytes) {
  struct Case {
    int first;   // bytes already on the line
    int second;  // bytes of the next piece
    bool breaks;
  } cases[] = {
      {96, 0, false}, {95, 1, false}, {96, 1, true}, {90, 6, false}, {90, 7, true}, {0, 96, false},
  };
  for (const Case& c : cases) {
    ScriptWriter writer(1000);
    ASSERT_EQ(writer.WriteOnLine([&](WriterState&) { return Bytes(c.first); }),
              ScriptWriter::Status::kOk);
    ASSERT_EQ(writer.WriteOnLine([&](WriterState&) { return Bytes(c.second); }),
              ScriptWriter::Status::kOk);
    const std::string expected = Bytes(c.first) + (c.breaks ? "S59," : "") + Bytes(c.second);
    EXPECT_EQ(writer.text(), expected) << c.first << " + " << c.second;
    EXPECT_EQ(writer.state().line_length, c.breaks ? c.second : c.first + c.second);
  }
}

TEST(ScriptWriterTest, ALineBreakLeavesSpeedFiftyNineAndOffsetsZeroAndRestsOneStep) {
  ScriptWriter writer(1000);
  ASSERT_EQ(writer.WriteOnLine([](WriterState& s) {
    s.pitch_offset = 5;
    s.volume_offset = -3;
    s.steps += 10;
    return SpeedToken(s, 40) + Bytes(93);
  }),
            ScriptWriter::Status::kOk);
  // The second piece wants speed 40; after the break the speed in force is 59 again.
  ASSERT_EQ(writer.WriteOnLine([](WriterState& s) { return SpeedToken(s, 40) + "x"; }),
            ScriptWriter::Status::kOk);
  EXPECT_EQ(writer.text(), "S40" + Bytes(93) + "S59,S40x");
  EXPECT_EQ(writer.state().speed, 40);
  EXPECT_EQ(writer.state().pitch_offset, 0);
  EXPECT_EQ(writer.state().volume_offset, 0);
  EXPECT_EQ(writer.state().steps, 11);
}

TEST(ScriptWriterTest, ReportsPiecesThatDoNotFitTheRoomOrAnyLine) {
  ScriptWriter small(10);
  EXPECT_EQ(small.WriteOnLine([](WriterState&) { return Bytes(11); }),
            ScriptWriter::Status::kTooSmall);
  EXPECT_EQ(small.WriteOnLine([](WriterState&) { return Bytes(10); }), ScriptWriter::Status::kOk);
  EXPECT_EQ(small.AppendRaw("x"), ScriptWriter::Status::kTooSmall);

  ScriptWriter writer(1000);
  EXPECT_EQ(writer.WriteOnLine([](WriterState&) { return Bytes(97); }),
            ScriptWriter::Status::kTooLongForALine);
  EXPECT_EQ(writer.text(), "");

  // A break needs room for "S59," as well as for the piece.
  ScriptWriter tight(100);
  ASSERT_EQ(tight.WriteOnLine([](WriterState&) { return Bytes(95); }), ScriptWriter::Status::kOk);
  EXPECT_EQ(tight.WriteOnLine([](WriterState&) { return Bytes(2); }),
            ScriptWriter::Status::kTooSmall);
}

TEST(ScriptWriterTest, SoundsLastTheirLengthPlusFiftyMinusTheSpeedAndAtLeastOneStep) {
  struct Case {
    int length_steps;
    int speed;
    int steps;
  } cases[] = {{8, 50, 8}, {8, 0, 58}, {8, 57, 1}, {8, 99, 1}, {13, 62, 1}, {7, 40, 17}};
  for (const Case& c : cases)
    EXPECT_EQ(SoundSteps(c.length_steps, c.speed), c.steps) << c.length_steps << "@" << c.speed;
  EXPECT_EQ(RestSteps(50), 10);
  EXPECT_EQ(RestSteps(0), 60);
  EXPECT_EQ(RestSteps(59), 1);
  EXPECT_EQ(RestSteps(99), 1);
}

}  // namespace
}  // namespace vtr::pth::internal
