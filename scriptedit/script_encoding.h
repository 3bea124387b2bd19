// The encoding a script language's bytes have where they meet the window layer and the plug-ins.
#ifndef VTR_SCRIPTEDIT_SCRIPT_ENCODING_H_
#define VTR_SCRIPTEDIT_SCRIPT_ENCODING_H_

#include "core/script_text.h"
#include "platform/text.h"

namespace vtr::scriptedit {

// K scripts are EUC-KR, C scripts GB 2312; J and G (ASCII romaji) scripts are Shift-JIS.
constexpr platform::Encoding ScriptEncoding(core::ScriptLanguage language) {
  switch (language) {
    case core::ScriptLanguage::kKorean:
      return platform::Encoding::kEucKr;
    case core::ScriptLanguage::kChinese:
      return platform::Encoding::kGb2312;
    default:
      return platform::Encoding::kShiftJis;
  }
}

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_SCRIPT_ENCODING_H_
