#include "core/script_engine.h"

namespace vtr::core {

bool ScriptEngine::SetModeWord(ScriptModeWord mode) {
  const uint32_t device = mode & kModeDeviceMask;
  if (device != kDeviceEmulator && device != kDeviceMiddleware && mode < kDeviceNone) {
    return false;
  }
  device_ = device;
  const ScriptLanguage language = LanguageOf(mode);
  if (!IsKnownLanguage(language)) return false;
  language_ = language;
  const uint32_t flag = mode & kModeFlagMask;
  if (flag != 0 && flag != kPassVariantFlag) return false;
  flag_ = flag;
  return true;
}

bool ScriptEngine::WriteHeaderTag(std::string& out) const {
  const std::string_view tag = HeaderTagOf(language_);
  if (!tag.empty()) out.assign(tag);
  return true;
}

}  // namespace vtr::core
