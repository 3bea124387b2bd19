// The pinyin ("KV#C") script-to-event converter: pinyin syllables with tone digits 0..4 (and
// erhua forms) and the ASCII command symbols become a voice event stream, each syllable's
// pitch following the shape of its tone in context. See script_to_event_converter.h.
//
//   // given: const uint8_t* text; int32_t size
//   KvcConverter converter;
//   if (converter.Init(kConverterTimebase) == 0 && converter.Open(text, size) == 0) { ... }
//   // the text begins with "KV#C"; "KV#Cma1" plays 220 ms
#ifndef VTR_ENGINES_CONVERT_KVC_CONVERTER_H_
#define VTR_ENGINES_CONVERT_KVC_CONVERTER_H_

#include "engines/convert/script_to_event_converter.h"

namespace vtr::convert {

class KvcConverter final : public ScriptToEventConverter {
 public:
  KvcConverter();
};

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_KVC_CONVERTER_H_
