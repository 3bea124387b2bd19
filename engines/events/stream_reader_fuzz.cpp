// Arbitrary bytes through the stream reader: it must never read outside the input, and what it
// accepts must be what the coding allows.
//
// Properties of an accepted stream:
// - it yields at least one record, and every record keeps the bounds of its kind;
// - the writers write its records back as a stream that reads as the same records, nothing
//   clipped, wherever no time exceeds what a writer can write.
// A rejected stream names an offset inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "engines/events/event_writer.h"
#include "engines/events/stream_reader.h"

namespace {

using vtr::events::EventRecord;
using vtr::events::RecordKind;

constexpr uint32_t kMaxWritten = 0x1FFFFF;  // the writers saturate times here

void Require(bool condition) {
  if (!condition) std::abort();
}

template <typename T, typename Less>
bool NonDecreasing(const std::vector<T>& items, Less less) {
  for (size_t i = 1; i < items.size(); ++i) {
    if (less(items[i], items[i - 1])) return false;
  }
  return true;
}

void RequireWithinBounds(const EventRecord& r) {
  using namespace vtr::events;
  switch (r.kind) {
    case RecordKind::kNote:
      Require(r.value <= kUnpitchedNote && r.velocity <= kMax7Bit);
      Require(r.duration > 0 && r.gate < r.duration);
      Require(r.text.size() <= kMax7Bit && r.pitch.size() <= kMax7Bit &&
              r.volume.size() <= kMax7Bit && r.extra.size() <= kMax7Bit);
      for (const PitchPoint& p : r.pitch) Require(p.position <= kMax7Bit && p.bend <= kMaxBend);
      for (const VolumePoint& v : r.volume) Require(v.position <= kMax7Bit && v.value <= kMax7Bit);
      for (const uint8_t e : r.extra) Require(e <= kMax7Bit);
      Require(NonDecreasing(r.pitch, [](auto a, auto b) { return a.position < b.position; }));
      Require(NonDecreasing(r.volume, [](auto a, auto b) { return a.position < b.position; }));
      Require(NonDecreasing(r.extra, [](auto a, auto b) { return a < b; }));
      Require(r.bend_range <= kMaxBendRange);
      break;
    case RecordKind::kProgram:
      Require(IsValidProgram(r.value));
      break;
    case RecordKind::kControlU:
      Require(r.value <= kMaxControlU);
      break;
    case RecordKind::kControlBendRange:
      Require(r.value <= kMaxBendRange);
      break;
    case RecordKind::kEnd:
      break;
  }
}

bool Writable(const EventRecord& r) {
  return r.delta <= kMaxWritten && r.duration <= kMaxWritten && r.gate <= kMaxWritten;
}

size_t Write(const EventRecord& r, std::span<uint8_t> out) {
  using namespace vtr::events;
  switch (r.kind) {
    case RecordKind::kNote: {
      NoteEvent note;
      note.delta = r.delta;
      note.note = r.value;
      note.velocity = r.velocity;
      note.duration = r.duration;
      note.gate = r.gate;
      note.text = r.text;
      note.pitch = r.pitch;
      note.volume = r.volume;
      note.extra = r.extra;
      return WriteNoteEvent(note, out);
    }
    case RecordKind::kProgram:
      return WriteProgramEvent(r.delta, r.value, out);
    case RecordKind::kControlU:
      return WriteControlEvent(r.delta, kControllerU, r.value, out);
    case RecordKind::kControlBendRange:
      return WriteControlEvent(r.delta, kControllerBendRange, r.value, out);
    case RecordKind::kEnd:
      return WriteEndEvent(r.delta, out);
  }
  return 0;
}

bool Same(const EventRecord& a, const EventRecord& b) {
  return a.kind == b.kind && a.delta == b.delta && a.value == b.value && a.velocity == b.velocity &&
         a.duration == b.duration && a.gate == b.gate && a.text == b.text && a.pitch == b.pitch &&
         a.volume == b.volume && a.extra == b.extra && a.bend_range == b.bend_range;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto result = vtr::events::ReadStream(std::span<const uint8_t>(data, size));
  if (!result.ok()) {
    Require(result.records.empty());
    if (result.status == vtr::events::ReadStatus::kInvalid) Require(result.error_offset < size);
    return 0;
  }
  Require(!result.records.empty());
  bool writable = true;
  for (const EventRecord& r : result.records) {
    RequireWithinBounds(r);
    writable = writable && Writable(r);
  }
  if (!writable) return 0;

  // No event grows when written: a writer's quantities are never longer than the four bytes a
  // reader accepts, and its counts are those read.
  std::vector<uint8_t> stream(size);
  size_t used = 0;
  for (const EventRecord& r : result.records) {
    const size_t n = Write(r, std::span<uint8_t>(stream).subspan(used));
    Require(n > 0);
    used += n;
  }
  stream.resize(used);
  const auto again = vtr::events::ReadStream(stream);
  Require(again.ok() && !again.clipped && again.records.size() == result.records.size());
  for (size_t i = 0; i < again.records.size(); ++i) {
    Require(Same(again.records[i], result.records[i]) && again.records[i].skipped_delta == 0);
  }
  return 0;
}
