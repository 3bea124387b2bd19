// The reader and validator of a whole voice event stream.
//
// It walks the stream event by event, bounding every field by the bytes that remain, and turns
// each accepted event into a record of its kind, in stream order. Out-of-range control and
// program values are dropped (the event is skipped) and reported through `clipped`; every
// other violation rejects the whole stream:
//   - a delta or a note's duration, rest length or gate that is not a valid quantity
//     (more than four bytes, or cut off by the stream's end);
//   - bit 7 set in a 7-bit field (velocity, text length, counts, positions, bends, values,
//     extra bytes);
//   - a position below the previous one (pitch points, volume points), or an extra byte below
//     the previous one;
//   - a rest length that does not end exactly where the note event ends;
//   - duration 0, gate not below duration;
//   - a text the caller's filter refuses;
//   - a controller other than 20 and 22, an end event whose second byte is not 00, or any
//     status other than 0x9n, 0xBn, 0xCn and 0xFF;
//   - a stream that yields no record at all.
//
//   // given: std::span<const uint8_t> bytes
//   auto result = ReadStream(bytes);
//   if (result.ok()) { for (const EventRecord& r : result.records) { ... } }
#ifndef VTR_ENGINES_EVENTS_STREAM_READER_H_
#define VTR_ENGINES_EVENTS_STREAM_READER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "engines/events/voice_event.h"

namespace vtr::events {

enum class RecordKind : int32_t {
  kNote = 0,
  kProgram = 1,
  kControlU = 2,          // controller 22
  kControlBendRange = 3,  // controller 20
  kEnd = 4,
};

struct EventRecord {
  RecordKind kind = RecordKind::kNote;
  uint32_t delta = 0;     // the event's delta time
  uint8_t value = 0;      // note number (0..127, or 128 = unpitched) or the event's value
  uint8_t velocity = 0;   // notes only
  uint32_t duration = 0;  // notes only
  uint32_t gate = 0;      // notes only
  std::vector<uint8_t> text;
  std::vector<PitchPoint> pitch;
  std::vector<VolumePoint> volume;
  std::vector<uint8_t> extra;
  uint8_t bend_range = kDefaultBendRange;  // notes: the bend range in force when read
  // Sum of the deltas of the dropped events just before this one (saturating), so that a
  // reader can keep later records on time.
  uint32_t skipped_delta = 0;
};

enum class ReadStatus : int32_t {
  kOk = 0,
  kInvalid,   // a violation listed above
  kNoRecord,  // the stream is well formed but yields no record
};

struct [[nodiscard]] StreamReadResult {
  ReadStatus status = ReadStatus::kInvalid;
  bool clipped = false;     // an out-of-range control or program value was dropped
  size_t error_offset = 0;  // kInvalid: offset of the event that was rejected [bytes]
  std::vector<EventRecord> records;
  bool ok() const { return status == ReadStatus::kOk; }
};

// Decides whether a note's text is acceptable (for example: names a row of a table).
using TextFilter = std::function<bool(std::span<const uint8_t> text)>;

// Reads and validates `stream`. With a `text_filter`, a note whose text it refuses rejects the
// stream; without one, every text is accepted.
StreamReadResult ReadStream(std::span<const uint8_t> stream,
                            const TextFilter& text_filter = nullptr);

}  // namespace vtr::events

#endif  // VTR_ENGINES_EVENTS_STREAM_READER_H_
