#include "engines/events/stream_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::events {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// A well-formed note: text "a", pitch points at 0 and 127, volume points at 0 and 127.
const Bytes kNote = {0x00, 0x90, 0x80, 0x59, 0x08, 0x10, 0x00, 0x01, 0x61, 0x02, 0x00,
                     0x00, 0x40, 0x7F, 0x00, 0x40, 0x02, 0x00, 0x60, 0x7F, 0x60, 0x00};

// kNote with one byte replaced.
Bytes NoteWith(size_t index, uint8_t value) {
  Bytes b = kNote;
  b[index] = value;
  return b;
}

// A note with empty text whose rest length matches the given point and extra fields
// (each starting with its count byte).
Bytes PointsNote(const Bytes& pitch, const Bytes& volume, const Bytes& extra) {
  const Bytes rest = Join({{0x00, 0x00}, pitch, volume, extra});
  return Join({{0x00, 0x90, 0x80, 0x59, 0x08, static_cast<uint8_t>(rest.size())}, rest});
}

struct ReadCase {
  const char* what;
  Bytes stream;
  ReadStatus status;
  bool clipped;
  std::vector<RecordKind> kinds;
};

TEST(StreamReaderTest, AcceptsSkipsOrRejectsEvents) {
  using K = RecordKind;
  const ReadStatus ok = ReadStatus::kOk;
  const ReadStatus bad = ReadStatus::kInvalid;
  const ReadStatus none = ReadStatus::kNoRecord;
  const ReadCase cases[] = {
      {"one note", kNote, ok, false, {K::kNote}},
      {"note then end", Join({kNote, {0x08, 0xFF, 0x00}}), ok, false, {K::kNote, K::kEnd}},
      {"pitch-sequence header then note",
       Join({{0x00, 0xB0, 0x14, 0x3C}, kNote}),
       ok,
       false,
       {K::kControlBendRange, K::kNote}},
      {"bend range 61 is skipped and flagged",
       Join({{0x00, 0xB0, 0x14, 0x3D}, kNote}),
       ok,
       true,
       {K::kNote}},
      {"U 9 is kept", {0x00, 0xB0, 0x16, 0x09}, ok, false, {K::kControlU}},
      {"U 10 is skipped and flagged",
       Join({{0x00, 0xB0, 0x16, 0x0A}, kNote}),
       ok,
       true,
       {K::kNote}},
      {"controller 21 rejects", Join({{0x00, 0xB0, 0x15, 0x00}, kNote}), bad, false, {}},
      {"channel nibble is ignored",
       {0x00, 0xB5, 0x16, 0x01, 0x00, 0xC7, 0x05},
       ok,
       false,
       {K::kControlU, K::kProgram}},
      {"program 100 is skipped and flagged",
       Join({{0x00, 0xC0, 0x64}, kNote}),
       ok,
       true,
       {K::kNote}},
      {"program 227 is kept", {0x00, 0xC0, 0xE3}, ok, false, {K::kProgram}},
      {"program 127 is skipped", Join({{0x00, 0xC0, 0x7F}, kNote}), ok, true, {K::kNote}},
      {"end mid-stream goes on",
       Join({kNote, {0x00, 0xFF, 0x00}, kNote}),
       ok,
       false,
       {K::kNote, K::kEnd, K::kNote}},
      {"end with second byte 01 rejects", Join({kNote, {0x00, 0xFF, 0x01}}), bad, false, {}},
      {"unknown status rejects", {0x00, 0xA0, 0x00, 0x00}, bad, false, {}},
      {"status F0 is not an end", {0x00, 0xF0, 0x00}, bad, false, {}},
      {"five-byte delta rejects", {0x80, 0x80, 0x80, 0x80, 0x00, 0xFF, 0x00}, bad, false, {}},
      {"four-byte delta is read", {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x00}, ok, false, {K::kEnd}},
      {"only control and program events",
       {0x00, 0xB0, 0x14, 0x0C, 0x00, 0xC0, 0x05},
       ok,
       false,
       {K::kControlBendRange, K::kProgram}},
      {"empty stream yields no record", {}, none, false, {}},
      {"only skipped events yield no record", {0x00, 0xB0, 0x14, 0x3D}, none, true, {}},
      {"rest length one too large", NoteWith(5, 0x11), bad, false, {}},
      {"rest length one too small", NoteWith(5, 0x0F), bad, false, {}},
      {"duration 0 rejects", NoteWith(4, 0x00), bad, false, {}},
      {"gate equal to duration rejects", NoteWith(6, 0x08), bad, false, {}},
      {"gate below duration is kept", NoteWith(6, 0x07), ok, false, {K::kNote}},
      {"velocity with bit 7 rejects", NoteWith(3, 0x80), bad, false, {}},
      {"bend byte with bit 7 rejects", NoteWith(11, 0x80), bad, false, {}},
      {"volume value with bit 7 rejects", NoteWith(18, 0x80), bad, false, {}},
      {"text length with bit 7 rejects", NoteWith(7, 0x81), bad, false, {}},
      {"pitch positions 10, 5 reject",
       PointsNote({0x02, 0x0A, 0x00, 0x40, 0x05, 0x00, 0x40}, {0x00}, {0x00}),
       bad,
       false,
       {}},
      {"pitch positions 5, 10 are kept",
       PointsNote({0x02, 0x05, 0x00, 0x40, 0x0A, 0x00, 0x40}, {0x00}, {0x00}),
       ok,
       false,
       {K::kNote}},
      {"volume positions 10, 5 reject",
       PointsNote({0x00}, {0x02, 0x0A, 0x60, 0x05, 0x60}, {0x00}),
       bad,
       false,
       {}},
      {"equal volume positions are kept",
       PointsNote({0x00}, {0x02, 0x0A, 0x60, 0x0A, 0x61}, {0x00}),
       ok,
       false,
       {K::kNote}},
      {"position with bit 7 rejects",
       PointsNote({0x00}, {0x01, 0x80, 0x60}, {0x00}),
       bad,
       false,
       {}},
      {"extra bytes 10, 5 reject", PointsNote({0x00}, {0x00}, {0x02, 0x0A, 0x05}), bad, false, {}},
      {"extra bytes 5, 10 are kept",
       PointsNote({0x00}, {0x00}, {0x02, 0x05, 0x0A}),
       ok,
       false,
       {K::kNote}},
      {"extra byte with bit 7 rejects", PointsNote({0x00}, {0x00}, {0x01, 0x80}), bad, false, {}},
      {"pitch count beyond the end", PointsNote({0x05, 0x00, 0x00, 0x40}, {}, {}), bad, false, {}},
      {"note cut off inside its points", Bytes(kNote.begin(), kNote.end() - 3), bad, false, {}},
      {"text count beyond the end",
       {0x00, 0x90, 0x80, 0x59, 0x08, 0x10, 0x00, 0x7F, 0x61},
       bad,
       false,
       {}},
      {"control cut off", {0x00, 0xB0, 0x14}, bad, false, {}},
      {"program cut off", {0x00, 0xC0}, bad, false, {}},
      {"end cut off", {0x00, 0xFF}, bad, false, {}},
      {"delta without status", {0x00}, bad, false, {}},
  };
  for (const auto& c : cases) {
    auto result = ReadStream(c.stream);
    EXPECT_EQ(result.status, c.status) << c.what;
    if (result.status != ReadStatus::kInvalid) {
      EXPECT_EQ(result.clipped, c.clipped) << c.what;
    }
    std::vector<RecordKind> kinds;
    for (const auto& r : result.records) kinds.push_back(r.kind);
    EXPECT_EQ(kinds, c.kinds) << c.what;
  }
}

TEST(StreamReaderTest, DecodesNoteFields) {
  auto result = ReadStream(Join({{0x05, 0xB0, 0x14, 0x3C}, NoteWith(2, 0xC5)}));
  ASSERT_TRUE(result.ok());
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(result.records[0].delta, 5u);
  EXPECT_EQ(result.records[0].value, 60);
  const EventRecord& note = result.records[1];
  EXPECT_EQ(note.value, 0x45);  // note + 128 is read as the note
  EXPECT_EQ(note.velocity, 89);
  EXPECT_EQ(note.duration, 8u);
  EXPECT_EQ(note.gate, 0u);
  EXPECT_EQ(note.text, Bytes{'a'});
  EXPECT_EQ(note.pitch, (std::vector<PitchPoint>{{0, 8192}, {127, 8192}}));
  EXPECT_EQ(note.volume, (std::vector<VolumePoint>{{0, 96}, {127, 96}}));
  EXPECT_TRUE(note.extra.empty());
  EXPECT_EQ(note.bend_range, 60);
}

struct NoteByteCase {
  uint8_t written;
  uint8_t read;
};

TEST(StreamReaderTest, NoteBytesAboveUnpitchedLoseTheirOffset) {
  const NoteByteCase cases[] = {{0x00, 0}, {69, 69}, {127, 127}, {128, 128}, {129, 1}, {0xFF, 127}};
  for (const auto& c : cases) {
    auto result = ReadStream(NoteWith(2, c.written));
    ASSERT_TRUE(result.ok()) << int(c.written);
    EXPECT_EQ(result.records[0].value, c.read) << int(c.written);
  }
}

TEST(StreamReaderTest, BendRangeDefaultsToTwelveAndSkippedValuesChangeNothing) {
  auto result =
      ReadStream(Join({kNote, {0x00, 0xB0, 0x14, 0x3D}, kNote, {0x00, 0xB0, 0x14, 0x02}, kNote}));
  ASSERT_TRUE(result.ok());
  EXPECT_TRUE(result.clipped);
  ASSERT_EQ(result.records.size(), 4u);
  EXPECT_EQ(result.records[0].bend_range, 12);
  EXPECT_EQ(result.records[1].bend_range, 12);
  EXPECT_EQ(result.records[3].bend_range, 2);
}

TEST(StreamReaderTest, TextFilterRejectsUnknownNames) {
  const TextFilter only_a = [](std::span<const uint8_t> text) {
    return text.size() == 1 && text[0] == 'a';
  };
  EXPECT_TRUE(ReadStream(kNote, only_a).ok());
  auto result = ReadStream(Join({kNote, NoteWith(8, 'b')}), only_a);
  EXPECT_EQ(result.status, ReadStatus::kInvalid);
  EXPECT_EQ(result.error_offset, kNote.size());
  EXPECT_TRUE(result.records.empty());
}

}  // namespace
}  // namespace vtr::events
