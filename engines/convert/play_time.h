// The counting loop that measures a script's play time with a script-to-event converter: the
// sum of the delta times of the events, in 20 ms ticks.
//
//   #include "engines/convert/kvj_converter.h"
//   // given: const char* text; int length
//   KvjConverter converter;
//   int ms = 0;
//   PlayTimeCode code = CountPlayTime(converter, text, length, ms);
//   if (code == PlayTimeCode::kOk) { /* ms is the play time */ }
#ifndef VTR_ENGINES_CONVERT_PLAY_TIME_H_
#define VTR_ENGINES_CONVERT_PLAY_TIME_H_

#include <cstddef>
#include <cstdint>

#include "engines/convert/script_to_event_converter.h"

namespace vtr::convert {

// Result codes of the play-time counter (32-bit, as callers store them).
enum class PlayTimeCode : uint32_t {
  kOk = 0,
  kBadDevice = 0x10000000,    // command word outside 0x50000000..0x5FFFFFFF and below 0xF0000000
  kBadLanguage = 0x10000001,  // language bits are not J, K or C
  kBadFlag = 0x10000002,      // bits 20-23 are neither 0 nor 1
  kNoText = 0x20000000,       // no text stored for the current language (or a refused text)
  kInitFailed = 0x20000001,
  kOpenFailed = 0x20000002,  // the header tag does not match the language
  kNoMessage = 0x20000003,   // the first Convert call produced no event
  kBadDelta = 0x20000004,    // the first event does not begin with a valid delta time
  kTooLong = 0x20000005,     // more than kMaxPlayTicks
};

// The scratch buffer of the counting loop [bytes]; larger than any event a converter writes.
inline constexpr int kCounterBufferSize = 915;
// The longest play time the counter accepts [20 ms ticks] (2,097,140 ms).
inline constexpr int64_t kMaxPlayTicks = 104857;

// Terminates `converter` (result ignored), initialises it with the timebase 20, opens it on
// the first `length` bytes of `text` and adds up the leading delta of every event it writes
// (at most three VLQ bytes each; a later unreadable delta ends the count silently). On
// success `ms` is the play time [ms]. The converter is left open afterwards.
[[nodiscard]] PlayTimeCode CountPlayTime(ScriptToEventConverter& converter, const char* text,
                                         int32_t length, int& ms);

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_PLAY_TIME_H_
