// The kana ("KV#J") script-to-event converter: Shift-JIS hiragana and the one-character
// command symbols (full-width, half-width and lower-case letter forms included) become a voice
// event stream. See script_to_event_converter.h for the operations.
//
//   // given: const uint8_t* text; int32_t size
//   KvjConverter converter;
//   uint8_t buf[915];
//   if (converter.Init(kConverterTimebase) == 0 && converter.Open(text, size) == 0) {
//     int n = converter.Convert(buf, sizeof buf);  // "KV#J" + "あ": one note event of 8 ticks
//   }
#ifndef VTR_ENGINES_CONVERT_KVJ_CONVERTER_H_
#define VTR_ENGINES_CONVERT_KVJ_CONVERTER_H_

#include "engines/convert/script_to_event_converter.h"

namespace vtr::convert {

class KvjConverter final : public ScriptToEventConverter {
 public:
  KvjConverter();
};

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_KVJ_CONVERTER_H_
