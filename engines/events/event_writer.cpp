#include "engines/events/event_writer.h"

#include <algorithm>

#include "engines/events/vlq.h"

namespace vtr::events {
namespace {

size_t Count(size_t size) { return std::min<size_t>(size, kMax7Bit); }

uint8_t Clamp7(uint32_t value) { return static_cast<uint8_t>(std::min<uint32_t>(value, kMax7Bit)); }

// Appends bytes to a buffer whose room was checked beforehand.
class Appender {
 public:
  explicit Appender(std::span<uint8_t> out) : out_(out) {}
  void Byte(uint8_t b) { out_[size_++] = b; }
  void Vlq(uint32_t value) { size_ += WriteVlq(value, out_.subspan(size_)); }
  size_t size() const { return size_; }

 private:
  std::span<uint8_t> out_;
  size_t size_ = 0;
};

}  // namespace

size_t NoteRestLength(const NoteEvent& event) {
  return VlqSize(std::min(event.gate, kVlqMaxWriteValue)) + 1 + Count(event.text.size()) + 1 +
         3 * Count(event.pitch.size()) + 1 + 2 * Count(event.volume.size()) + 1 +
         Count(event.extra.size());
}

size_t NoteEventSize(const NoteEvent& event) {
  const size_t rest = NoteRestLength(event);
  return VlqSize(event.delta) + 3 + VlqSize(event.duration) + VlqSize(static_cast<uint32_t>(rest)) +
         rest;
}

size_t WriteNoteEvent(const NoteEvent& event, std::span<uint8_t> out) {
  if (out.size() < NoteEventSize(event)) return 0;
  Appender w(out);
  w.Vlq(event.delta);
  w.Byte(kStatusNote);
  w.Byte(event.note);
  w.Byte(Clamp7(event.velocity));
  w.Vlq(event.duration);
  w.Vlq(static_cast<uint32_t>(NoteRestLength(event)));
  w.Vlq(event.gate);
  const size_t n = Count(event.text.size());
  w.Byte(static_cast<uint8_t>(n));
  for (size_t i = 0; i < n; ++i) w.Byte(event.text[i]);
  const size_t p = Count(event.pitch.size());
  w.Byte(static_cast<uint8_t>(p));
  for (size_t i = 0; i < p; ++i) {
    const uint16_t bend = std::min(event.pitch[i].bend, kMaxBend);
    w.Byte(Clamp7(event.pitch[i].position));
    w.Byte(static_cast<uint8_t>(bend & 0x7F));
    w.Byte(static_cast<uint8_t>(bend >> 7));
  }
  const size_t q = Count(event.volume.size());
  w.Byte(static_cast<uint8_t>(q));
  for (size_t i = 0; i < q; ++i) {
    w.Byte(Clamp7(event.volume[i].position));
    w.Byte(Clamp7(event.volume[i].value));
  }
  const size_t e = Count(event.extra.size());
  w.Byte(static_cast<uint8_t>(e));
  for (size_t i = 0; i < e; ++i) w.Byte(Clamp7(event.extra[i]));
  return w.size();
}

size_t WriteControlEvent(uint32_t delta, uint8_t controller, uint8_t value,
                         std::span<uint8_t> out) {
  if (out.size() < VlqSize(delta) + 3) return 0;
  Appender w(out);
  w.Vlq(delta);
  w.Byte(kStatusControl);
  w.Byte(controller);
  w.Byte(value);
  return w.size();
}

size_t WriteProgramEvent(uint32_t delta, uint8_t value, std::span<uint8_t> out) {
  if (out.size() < VlqSize(delta) + 2) return 0;
  Appender w(out);
  w.Vlq(delta);
  w.Byte(kStatusProgram);
  w.Byte(value);
  return w.size();
}

size_t WriteEndEvent(uint32_t delta, std::span<uint8_t> out) {
  if (out.size() < VlqSize(delta) + 2) return 0;
  Appender w(out);
  w.Vlq(delta);
  w.Byte(kStatusEnd);
  w.Byte(kEndSecondByte);
  return w.size();
}

}  // namespace vtr::events
