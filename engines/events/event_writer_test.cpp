#include "engines/events/event_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/events/stream_reader.h"

namespace vtr::events {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(EventWriterTest, WritesSyllableEventByteForByte) {
  const uint8_t text[] = {'a'};
  const PitchPoint pitch[] = {{0, 8192}, {127, 8192}};
  const VolumePoint volume[] = {{0, 96}, {127, 96}};
  NoteEvent note;
  note.note = 0x80;
  note.velocity = 89;
  note.duration = 8;
  note.text = text;
  note.pitch = pitch;
  note.volume = volume;
  uint8_t buf[64];
  const size_t n = WriteNoteEvent(note, buf);
  const Bytes expected = {0x00, 0x90, 0x80, 0x59, 0x08, 0x10, 0x00, 0x01, 0x61, 0x02, 0x00,
                          0x00, 0x40, 0x7F, 0x00, 0x40, 0x02, 0x00, 0x60, 0x7F, 0x60, 0x00};
  EXPECT_EQ(Bytes(buf, buf + n), expected);
  EXPECT_EQ(NoteEventSize(note), expected.size());
  EXPECT_EQ(NoteRestLength(note), 0x10u);
}

TEST(EventWriterTest, PitchSequenceRestLengthIsFivePlusTextPlusFivePerPoint) {
  const uint8_t text[] = {'k', 'a'};
  const PitchPoint pitch[] = {{0, 1}, {64, 2}, {127, 3}};
  const VolumePoint volume[] = {{0, 1}, {64, 2}, {127, 3}};
  NoteEvent note;
  note.text = text;
  note.pitch = pitch;
  note.volume = volume;
  EXPECT_EQ(NoteRestLength(note), 5u + 2u + 5u * 3u);
}

struct ShortEventCase {
  const char* what;
  size_t (*write)(std::span<uint8_t>);
  Bytes bytes;
};

TEST(EventWriterTest, WritesControlProgramAndEndEvents) {
  const ShortEventCase cases[] = {
      {"bend range header",
       [](std::span<uint8_t> o) { return WriteControlEvent(0, 20, 60, o); },
       {0x00, 0xB0, 0x14, 0x3C}},
      {"U setting",
       [](std::span<uint8_t> o) { return WriteControlEvent(3, 22, 9, o); },
       {0x03, 0xB0, 0x16, 0x09}},
      {"high voice",
       [](std::span<uint8_t> o) { return WriteProgramEvent(0, 0x85, o); },
       {0x00, 0xC0, 0x85}},
      {"end after 8 ticks",
       [](std::span<uint8_t> o) { return WriteEndEvent(8, o); },
       {0x08, 0xFF, 0x00}},
      {"end with saturated delta",
       [](std::span<uint8_t> o) { return WriteEndEvent(0x300000, o); },
       {0xFF, 0xFF, 0x7F, 0xFF, 0x00}},
  };
  for (const auto& c : cases) {
    uint8_t buf[16];
    const size_t n = c.write(std::span<uint8_t>(buf));
    EXPECT_EQ(Bytes(buf, buf + n), c.bytes) << c.what;
    // One byte too few writes nothing.
    uint8_t small[16] = {};
    EXPECT_EQ(c.write(std::span<uint8_t>(small, c.bytes.size() - 1)), 0u) << c.what;
    EXPECT_EQ(small[0], 0) << c.what;
  }
}

TEST(EventWriterTest, RefusesNoteEventOneByteShort) {
  const uint8_t text[] = {'a'};
  NoteEvent note;
  note.text = text;
  Bytes buf(NoteEventSize(note));
  EXPECT_EQ(WriteNoteEvent(note, std::span<uint8_t>(buf.data(), buf.size() - 1)), 0u);
  EXPECT_EQ(WriteNoteEvent(note, buf), buf.size());
}

TEST(EventWriterTest, HoldsFieldsToTheirCodingLimits) {
  const std::string long_text(200, 'x');
  const std::vector<PitchPoint> pitch(130, PitchPoint{200, 0xFFFF});
  const std::vector<VolumePoint> volume(130, VolumePoint{200, 200});
  const Bytes extra(130, 200);
  NoteEvent note;
  note.velocity = 200;
  note.duration = 0x400000;
  note.text = {reinterpret_cast<const uint8_t*>(long_text.data()), long_text.size()};
  note.pitch = pitch;
  note.volume = volume;
  note.extra = extra;
  Bytes buf(NoteEventSize(note));
  ASSERT_EQ(WriteNoteEvent(note, buf), buf.size());

  auto read = ReadStream(buf);
  ASSERT_TRUE(read.ok());
  ASSERT_EQ(read.records.size(), 1u);
  const EventRecord& r = read.records[0];
  EXPECT_EQ(r.velocity, 127);
  EXPECT_EQ(r.duration, 0x1FFFFFu);
  EXPECT_EQ(r.text.size(), 127u);
  ASSERT_EQ(r.pitch.size(), 127u);
  EXPECT_EQ(r.pitch[0], (PitchPoint{127, kMaxBend}));
  ASSERT_EQ(r.volume.size(), 127u);
  EXPECT_EQ(r.volume[0], (VolumePoint{127, 127}));
  EXPECT_EQ(r.extra, Bytes(127, 127));
}

struct ClampCase {
  int input;
  int expected;
};

TEST(EventWriterTest, ConverterClampsOfVoiceAndBend) {
  const ClampCase programs[] = {{0, 0},     {99, 99},   {100, 99},  {127, 99}, {128, 128},
                                {227, 227}, {228, 227}, {255, 227}, {-1, 0}};
  for (const auto& c : programs) EXPECT_EQ(ClampProgram(c.input), c.expected) << c.input;
  const ClampCase bends[] = {{0, 8192},      {-8192, 0},     {-8193, 0},
                             {8191, 0x3FFF}, {8192, 0x3FFF}, {700, 8892}};
  for (const auto& c : bends) EXPECT_EQ(BendFromSigned(c.input), c.expected) << c.input;
}

}  // namespace
}  // namespace vtr::events
