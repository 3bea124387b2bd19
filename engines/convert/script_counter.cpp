#include "engines/convert/script_counter.h"

namespace vtr::convert {
namespace {

bool IsAcceptedDevice(core::ScriptModeWord word) {
  return word >= core::kDeviceNone || (word & core::kModeDeviceMask) == core::kDeviceEmulator;
}

}  // namespace

ScriptCounter::TextHolder* ScriptCounter::HolderOf(core::ScriptLanguage language) {
  switch (language) {
    case core::ScriptLanguage::kJapanese:
      return &j_text_;
    case core::ScriptLanguage::kKorean:
      return &k_text_;
    case core::ScriptLanguage::kChinese:
      return &c_text_;
    default:
      return nullptr;
  }
}

PlayTimeCode ScriptCounter::SetText(core::ScriptModeWord word, const char* text, int len,
                                    int /*limit*/) {
  if (!IsAcceptedDevice(word)) return PlayTimeCode::kBadDevice;
  const uint32_t flag = word & core::kModeFlagMask;
  if (flag != 0 && flag != core::kPassVariantFlag) return PlayTimeCode::kBadFlag;
  language_ = core::LanguageOf(word);
  TextHolder* holder = HolderOf(language_);
  if (holder == nullptr) return PlayTimeCode::kBadLanguage;
  // A negative length or a null text would size or fill the copy from garbage.
  if (text == nullptr || len < 0) return PlayTimeCode::kNoText;
  size_t n = 0;
  while (n < static_cast<size_t>(len) && text[n] != '\0') ++n;
  holder->text.emplace(text, n);
  holder->length = len;
  return PlayTimeCode::kOk;
}

PlayTimeCode ScriptCounter::CountTime(int* ms) {
  if (ms == nullptr) return PlayTimeCode::kNoText;
  TextHolder* holder = HolderOf(language_);
  if (holder == nullptr) {
    *ms = 0;
    return PlayTimeCode::kOk;
  }
  if (!holder->text) return PlayTimeCode::kNoText;
  ScriptToEventConverter* converter = nullptr;
  switch (language_) {
    case core::ScriptLanguage::kJapanese:
      converter = &j_converter_;
      break;
    case core::ScriptLanguage::kKorean:
      converter = &k_converter_;
      break;
    default:
      converter = &c_converter_;
      break;
  }
  const std::string& text = *holder->text;
  return CountPlayTime(*converter, text.c_str(), static_cast<int32_t>(text.size()), *ms);
}

}  // namespace vtr::convert
