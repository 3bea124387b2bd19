#include "engines/events/stream_reader.h"

#include <optional>

#include "engines/events/vlq.h"

namespace vtr::events {
namespace {

// A cursor over the stream that refuses to step past its end.
class Cursor {
 public:
  explicit Cursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  size_t offset() const { return offset_; }
  bool at_end() const { return offset_ >= bytes_.size(); }

  std::optional<uint8_t> Byte() {
    if (at_end()) return std::nullopt;
    return bytes_[offset_++];
  }
  // A byte whose bit 7 must be clear.
  std::optional<uint8_t> Byte7() {
    auto b = Byte();
    if (!b || (*b & 0x80) != 0) return std::nullopt;
    return b;
  }
  std::optional<uint32_t> Vlq() {
    auto v = ReadVlq(bytes_.subspan(offset_));
    if (!v) return std::nullopt;
    offset_ += v->size;
    return v->value;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t offset_ = 0;
};

// Parses a note body (after the status byte) into `record`; false on any violation.
bool ReadNoteBody(Cursor& in, const TextFilter& text_filter, EventRecord& record) {
  auto note = in.Byte();
  auto velocity = note ? in.Byte7() : std::nullopt;
  auto duration = velocity ? in.Vlq() : std::nullopt;
  auto rest = duration ? in.Vlq() : std::nullopt;
  if (!rest || *duration == 0) return false;
  const size_t rest_start = in.offset();
  auto gate = in.Vlq();
  if (!gate || *gate >= *duration) return false;
  record.value = *note > kUnpitchedNote ? static_cast<uint8_t>(*note - kUnpitchedNote) : *note;
  record.velocity = *velocity;
  record.duration = *duration;
  record.gate = *gate;

  auto n = in.Byte7();
  if (!n) return false;
  record.text.reserve(*n);
  for (int i = 0; i < *n; ++i) {
    auto b = in.Byte();
    if (!b) return false;
    record.text.push_back(*b);
  }
  if (text_filter && !text_filter(record.text)) return false;

  auto p = in.Byte7();
  if (!p) return false;
  record.pitch.reserve(*p);
  for (int i = 0; i < *p; ++i) {
    auto position = in.Byte7();
    auto low = position ? in.Byte7() : std::nullopt;
    auto high = low ? in.Byte7() : std::nullopt;
    if (!high) return false;
    if (!record.pitch.empty() && *position < record.pitch.back().position) return false;
    record.pitch.push_back({*position, static_cast<uint16_t>(*low | (*high << 7))});
  }

  auto q = in.Byte7();
  if (!q) return false;
  record.volume.reserve(*q);
  for (int i = 0; i < *q; ++i) {
    auto position = in.Byte7();
    auto value = position ? in.Byte7() : std::nullopt;
    if (!value) return false;
    if (!record.volume.empty() && *position < record.volume.back().position) return false;
    record.volume.push_back({*position, *value});
  }

  auto e = in.Byte7();
  if (!e) return false;
  record.extra.reserve(*e);
  for (int i = 0; i < *e; ++i) {
    auto b = in.Byte7();
    if (!b) return false;
    if (!record.extra.empty() && *b < record.extra.back()) return false;
    record.extra.push_back(*b);
  }
  return in.offset() - rest_start == *rest;
}

}  // namespace

StreamReadResult ReadStream(std::span<const uint8_t> stream, const TextFilter& text_filter) {
  StreamReadResult result;
  uint8_t bend_range = kDefaultBendRange;
  Cursor in(stream);
  auto reject = [&result](size_t offset) {
    result.status = ReadStatus::kInvalid;
    result.error_offset = offset;
    result.records.clear();
    return std::move(result);
  };

  uint32_t skipped_delta = 0;
  auto skip = [&skipped_delta](uint32_t delta) {
    skipped_delta = delta > UINT32_MAX - skipped_delta ? UINT32_MAX : skipped_delta + delta;
  };
  while (!in.at_end()) {
    const size_t event_start = in.offset();
    auto delta = in.Vlq();
    auto status = delta ? in.Byte() : std::nullopt;
    if (!status) return reject(event_start);

    EventRecord record;
    record.delta = *delta;
    if (*status == kStatusEnd) {
      auto second = in.Byte();
      if (!second || *second != kEndSecondByte) return reject(event_start);
      record.kind = RecordKind::kEnd;
    } else if ((*status & 0xF0) == kStatusNote) {
      record.kind = RecordKind::kNote;
      record.bend_range = bend_range;
      if (!ReadNoteBody(in, text_filter, record)) return reject(event_start);
    } else if ((*status & 0xF0) == kStatusControl) {
      auto controller = in.Byte();
      auto value = controller ? in.Byte() : std::nullopt;
      if (!value) return reject(event_start);
      if (*controller == kControllerBendRange) {
        if (*value > kMaxBendRange) {
          result.clipped = true;
          skip(*delta);
          continue;
        }
        bend_range = *value;
        record.kind = RecordKind::kControlBendRange;
      } else if (*controller == kControllerU) {
        if (*value > kMaxControlU) {
          result.clipped = true;
          skip(*delta);
          continue;
        }
        record.kind = RecordKind::kControlU;
      } else {
        return reject(event_start);
      }
      record.value = *value;
    } else if ((*status & 0xF0) == kStatusProgram) {
      auto value = in.Byte();
      if (!value) return reject(event_start);
      if (!IsValidProgram(*value)) {
        result.clipped = true;
        skip(*delta);
        continue;
      }
      record.kind = RecordKind::kProgram;
      record.value = *value;
    } else {
      return reject(event_start);
    }
    record.skipped_delta = skipped_delta;
    skipped_delta = 0;
    result.records.push_back(std::move(record));
  }

  result.status = result.records.empty() ? ReadStatus::kNoRecord : ReadStatus::kOk;
  return result;
}

}  // namespace vtr::events
