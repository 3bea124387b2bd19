// Writers of single voice events into a caller's buffer.
//
// Each writer checks that the whole event fits before it writes any byte and returns the
// byte count, or 0 when the buffer is too small (no event is ever 0 bytes long, so 0 is
// unambiguous). Values are written as the coding allows: deltas, durations and gates
// saturate at 0x1FFFFF, 7-bit fields at 127, bends at 0x3FFF, and counts (text bytes, points,
// extra bytes) are cut to 127 entries.
//
//   NoteEvent note;
//   note.note = 0x80;  note.velocity = 89;  note.duration = 8;
//   const uint8_t name[] = {'a'};
//   note.text = name;                          // a view: `name` outlives the writing
//   uint8_t buf[64];
//   size_t n = WriteNoteEvent(note, buf);      // one 0x90 event
//   n += WriteEndEvent(8, std::span(buf).subspan(n));
#ifndef VTR_ENGINES_EVENTS_EVENT_WRITER_H_
#define VTR_ENGINES_EVENTS_EVENT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "engines/events/voice_event.h"

namespace vtr::events {

// One note (0x90) event. The spans must stay valid while the event is written.
struct NoteEvent {
  uint32_t delta = 0;             // time since the previous event [producer's time units]
  uint8_t note = kUnpitchedNote;  // written as is (writers of converters add 128)
  uint8_t velocity = 0;           // 0..127
  uint32_t duration = 1;          // [time units]; a reader rejects 0
  uint32_t gate = 0;              // a reader requires gate < duration
  std::span<const uint8_t> text;
  std::span<const PitchPoint> pitch;
  std::span<const VolumePoint> volume;
  std::span<const uint8_t> extra;
};

// The rest length of `event`: bytes from the gate to the last extra byte, inclusive.
[[nodiscard]] size_t NoteRestLength(const NoteEvent& event);
// The whole event: delta, status, note, velocity, duration, rest length and the rest.
[[nodiscard]] size_t NoteEventSize(const NoteEvent& event);

[[nodiscard]] size_t WriteNoteEvent(const NoteEvent& event, std::span<uint8_t> out);
[[nodiscard]] size_t WriteControlEvent(uint32_t delta, uint8_t controller, uint8_t value,
                                       std::span<uint8_t> out);
[[nodiscard]] size_t WriteProgramEvent(uint32_t delta, uint8_t value, std::span<uint8_t> out);
[[nodiscard]] size_t WriteEndEvent(uint32_t delta, std::span<uint8_t> out);

}  // namespace vtr::events

#endif  // VTR_ENGINES_EVENTS_EVENT_WRITER_H_
