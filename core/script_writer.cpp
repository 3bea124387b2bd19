#include "core/script_engine.h"

namespace vtr::core {

ScriptEngineError ScriptEngine::SerializeScript(std::string& out, uint32_t sub_format) const {
  switch (sub_format) {
    case kSubFormatFull:
      out.assign(HeaderTagOf(language_));
      for (const ScriptSentence& unit : units_) {
        for (const ScriptToken& token : unit.tokens) out += token.text;
      }
      break;
    case kSubFormatNoHeader:
      for (const ScriptSentence& unit : units_) {
        for (const ScriptToken& token : unit.tokens) {
          if (token.kind != ScriptTokenKind::kVoice) out += token.text;
        }
      }
      break;
    case kSubFormatPlain:
      for (const ScriptSentence& unit : units_) {
        if (IsSoundKind(unit.closing_kind)) out += unit.sound_text;
      }
      break;
    default:
      break;
  }
  return ScriptEngineError::kNone;
}

}  // namespace vtr::core
