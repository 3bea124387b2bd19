// Script-to-event converters: turn a Kelvox script into a voice event stream, one event per
// call, so that the play time of the script can be added up without a sound device.
//
// Every converter reads the script in batches: it parses up to one phrase (at most 100 event
// records, or 100 counted script bytes) into records, hands out one encoded event per Convert
// call, closes the phrase with an end event (FF 00), then parses the next phrase. Times inside
// are milliseconds; the stream counts ticks of the timebase (20 ms), each delta rounded up.
//
// All state lives in the converter object (one instance per owner), so two libraries that
// carry this code never share it. The object keeps a pointer to the caller's text between
// calls; the text must stay valid until the next Open or Term.
//
//   #include "engines/convert/kvj_converter.h"
//   // given: const uint8_t* text; int32_t size
//   KvjConverter converter;
//   if (converter.Init(kConverterTimebase) == 0 && converter.Open(text, size) == 0) {
//     uint8_t buf[915];
//     while (converter.Convert(buf, sizeof buf) > 0) { /* one event at buf */ }
//   }
//   (void)converter.Term();
//
// Results: Init, Open and Term return 0 or a negative code; Convert returns the byte count of
// the one event written, 0 at the end of the text (or with no text open), or a negative code.
#ifndef VTR_ENGINES_CONVERT_SCRIPT_TO_EVENT_CONVERTER_H_
#define VTR_ENGINES_CONVERT_SCRIPT_TO_EVENT_CONVERTER_H_

#include <cstdint>
#include <memory>

namespace vtr::convert {

// Negative results of the converter operations.
inline constexpr int kConverterNotReady = -1;        // Init: already initialised; others: not
inline constexpr int kConverterBadArgument = -2;     // bad timebase, null or empty text/buffer
inline constexpr int kConverterBufferTooSmall = -3;  // Convert: the event at hand does not fit
inline constexpr int kConverterBadHeader = -5;       // Open: the text lacks the language's tag

// The only timebase the converters accept [ms per tick].
inline constexpr int kConverterTimebase = 20;

namespace internal {
class ConverterEngine;
}

class ScriptToEventConverter {
 public:
  virtual ~ScriptToEventConverter();
  ScriptToEventConverter(const ScriptToEventConverter&) = delete;
  ScriptToEventConverter& operator=(const ScriptToEventConverter&) = delete;

  // -1 when already initialised; -2 unless `timebase` is 20; else resets every setting and
  // returns 0.
  [[nodiscard]] int Init(int timebase);
  // -1 when not initialised; -2 for a null text or a size of 0 or below; -5 when the text is
  // shorter than 4 bytes or does not begin with the language's header tag; else 0. The text
  // is not copied. Reading starts behind the tag with the initial settings.
  [[nodiscard]] int Open(const uint8_t* text, int32_t size, int32_t unused = 0);
  // -1 when not initialised; -2 for a null buffer or a length of 0 or below; 0 when no text
  // is open or everything has been handed out; -3 when `buf_len` is too small for the event
  // at hand (nothing is consumed, the call may be repeated with a larger buffer); else the
  // byte count of exactly one event written at `buf`.
  [[nodiscard]] int Convert(uint8_t* buf, int32_t buf_len, int32_t unused = 0);
  // -1 when not initialised; else closes the converter and returns 0.
  [[nodiscard]] int Term();

 protected:
  explicit ScriptToEventConverter(std::unique_ptr<internal::ConverterEngine> engine);

 private:
  std::unique_ptr<internal::ConverterEngine> engine_;
};

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_SCRIPT_TO_EVENT_CONVERTER_H_
