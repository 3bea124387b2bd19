// `ScriptCounter` measures how long a Kelvox script plays, without a sound device: it runs the
// script through the converter of its language ("KV#J", "KV#K", "KV#C") and adds up the delta
// times of the events (see play_time.h).
//
//   // given: const char* text; int length
//   ScriptCounter counter;
//   int ms = 0;
//   if (counter.SetText(0x52100000, text, length, 0) == PlayTimeCode::kOk &&
//       counter.CountTime(&ms) == PlayTimeCode::kOk) { /* ms is the play time */ }
#ifndef VTR_ENGINES_CONVERT_SCRIPT_COUNTER_H_
#define VTR_ENGINES_CONVERT_SCRIPT_COUNTER_H_

#include <cstdint>
#include <optional>
#include <string>

#include "core/script_text.h"
#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/play_time.h"

namespace vtr::convert {

class ScriptCounter {
 public:
  ScriptCounter() = default;
  virtual ~ScriptCounter() = default;
  ScriptCounter(const ScriptCounter&) = delete;
  ScriptCounter& operator=(const ScriptCounter&) = delete;

  // Stores a copy of `text` (up to its first NUL, at most `len` bytes) for the language of
  // `word`, which becomes the current language. Checks in this order: the device kind
  // (kBadDevice), bits 20-23 (kBadFlag), the language (kBadLanguage; the rejected language
  // still becomes current). A null text or a negative length is refused with kNoText and
  // keeps the stored text. `limit` is not used.
  [[nodiscard]] PlayTimeCode SetText(core::ScriptModeWord word, const char* text, int len,
                                     int limit);

  // Measures the text of the current language into `*ms` [ms]. When the current language is
  // none of J, K and C, `*ms` becomes 0 and the result is kOk (callers check SetText's
  // result). A null `ms` gives kNoText.
  [[nodiscard]] PlayTimeCode CountTime(int* ms);

 private:
  // An owned copy of one language's text.
  struct TextHolder {
    int32_t length = 0;               // the length given to SetText
    std::optional<std::string> text;  // the copy, up to its first NUL
  };
  TextHolder* HolderOf(core::ScriptLanguage language);

  core::ScriptLanguage language_ = core::ScriptLanguage::kNone;
  // Destroyed in reverse order: "KV#C" first, then "KV#K", then "KV#J".
  TextHolder j_text_;
  TextHolder k_text_;
  TextHolder c_text_;
  KvjConverter j_converter_;
  KvkConverter k_converter_;
  KvcConverter c_converter_;
};

}  // namespace vtr::convert

#endif  // VTR_ENGINES_CONVERT_SCRIPT_COUNTER_H_
