// The Hangul ("KV#K") script-to-event converter: EUC-KR (KS X 1001) syllables and the command
// symbols (ASCII, full-width and lower-case letter forms) become a voice event stream. A
// syllable with both an initial and a final consonant lasts 400 ms, any other 260 ms; after
// each phrase is read, the pronunciation rules at syllable boundaries rewrite adjacent
// syllables. See script_to_event_converter.h.
//
//   // given: const uint8_t* text; int32_t size
//   KvkConverter converter;
//   if (converter.Init(kConverterTimebase) == 0 && converter.Open(text, size) == 0) { ... }
//   // the text begins with "KV#K"; "KV#K" + 가 plays 260 ms
#ifndef VTR_ENGINES_CONVERT_KVK_CONVERTER_H_
#define VTR_ENGINES_CONVERT_KVK_CONVERTER_H_

#include "engines/convert/script_to_event_converter.h"

namespace vtr::convert {

class KvkConverter final : public ScriptToEventConverter {
 public:
  KvkConverter();
};

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_KVK_CONVERTER_H_
