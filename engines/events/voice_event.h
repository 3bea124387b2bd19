// Shared vocabulary of the voice event stream: status bytes, controllers and the value ranges
// that every writer and reader of the coding agrees on.
//
// A stream is a plain sequence of events with no header and no length prefix; its length
// travels beside it. Each event is a delta time (a variable-length quantity, see vlq.h), one
// status byte and the body of that status kind:
//
//  0x9n  note event: one whole syllable (name, pitch-bend contour, loudness contour)
//  0xBn  control:    controller number, value
//  0xCn  program:    voice number
//  0xFF  end:        one byte 00
//
// Only the high nibble of a status byte names its kind (the channel nibble is written as 0
// and ignored on reading); 0xFF is tested as a whole byte.
#ifndef VTR_ENGINES_EVENTS_VOICE_EVENT_H_
#define VTR_ENGINES_EVENTS_VOICE_EVENT_H_

#include <cstdint>

namespace vtr::events {

inline constexpr uint8_t kStatusNote = 0x90;
inline constexpr uint8_t kStatusControl = 0xB0;
inline constexpr uint8_t kStatusProgram = 0xC0;
inline constexpr uint8_t kStatusEnd = 0xFF;
inline constexpr uint8_t kEndSecondByte = 0x00;

// Pitch-bend range in semitones for the following notes; valid 0..60.
inline constexpr uint8_t kControllerBendRange = 20;
inline constexpr uint8_t kMaxBendRange = 60;
// The bend range a reader assumes before any bend-range control.
inline constexpr uint8_t kDefaultBendRange = 12;
// The bend range of a pitch sequence: the 14-bit bend spans +-60 semitones.
inline constexpr uint8_t kPitchSequenceBendRange = 60;
// A setting 0..9 written as a "U" token in scripts.
inline constexpr uint8_t kControllerU = 22;
inline constexpr uint8_t kMaxControlU = 9;

// Voice (program) numbers: 0..99 and 128..227 are valid.
inline constexpr uint8_t kMaxLowProgram = 99;
inline constexpr uint8_t kMinHighProgram = 128;
inline constexpr uint8_t kMaxHighProgram = 227;

// A note byte of 128 marks an unpitched syllable; a byte above 128 carries note + 128.
inline constexpr uint8_t kUnpitchedNote = 128;

// 14-bit pitch bend: 0..0x3FFF, 8192 = the note itself.
inline constexpr uint16_t kNoBend = 8192;
inline constexpr uint16_t kMaxBend = 0x3FFF;

// Every 7-bit field (velocity, counts, positions, values, extra bytes) holds 0..127.
inline constexpr uint8_t kMax7Bit = 127;
// Position 0 is the syllable's start, 127 its end.
inline constexpr uint8_t kLastPosition = 127;

struct PitchPoint {
  uint8_t position = 0;     // 0..127 within the syllable
  uint16_t bend = kNoBend;  // 0..0x3FFF
  friend bool operator==(const PitchPoint&, const PitchPoint&) = default;
};

struct VolumePoint {
  uint8_t position = 0;  // 0..127 within the syllable
  uint8_t value = 0;     // 0..127
  friend bool operator==(const VolumePoint&, const VolumePoint&) = default;
};

// True when `value` is a program number a reader keeps.
[[nodiscard]] constexpr bool IsValidProgram(int value) {
  return (value >= 0 && value <= kMaxLowProgram) ||
         (value >= kMinHighProgram && value <= kMaxHighProgram);
}

// The converters' clamp of a voice number: 128 or more is held at 227, less at 99.
[[nodiscard]] constexpr uint8_t ClampProgram(int value) {
  if (value >= kMinHighProgram) return value > kMaxHighProgram ? kMaxHighProgram : value;
  if (value < 0) return 0;
  return value > kMaxLowProgram ? kMaxLowProgram : static_cast<uint8_t>(value);
}

// The converters' signed bend: 8192 + b, held to 0..0x3FFF.
[[nodiscard]] constexpr uint16_t BendFromSigned(int32_t b) {
  if (b >= kMaxBend - kNoBend + 1) return kMaxBend;
  if (b < -static_cast<int32_t>(kNoBend)) return 0;
  return static_cast<uint16_t>(kNoBend + b);
}

}  // namespace vtr::events

#endif  // VTR_ENGINES_EVENTS_VOICE_EVENT_H_
