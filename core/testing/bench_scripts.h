// Scripts of about 32000 bytes per language, for the benchmarks.
#ifndef VTR_CORE_TESTING_BENCH_SCRIPTS_H_
#define VTR_CORE_TESTING_BENCH_SCRIPTS_H_

#include <string>
#include <string_view>

#include "core/script_text.h"

namespace vtr::core::testing {

// Repeats a phrase of whole characters after the header tag while the script stays within
// `size` bytes.
inline std::string RepeatedScript(ScriptLanguage language, std::string_view phrase,
                                  size_t size = kMaxScriptBytes) {
  std::string text(HeaderTagOf(language));
  while (text.size() + phrase.size() <= size) text += phrase;
  return text;
}

// A sentence with symbols, in each language's encoding.
inline std::string BenchScript(ScriptLanguage language) {
  switch (language) {
    case ScriptLanguage::kJapanese:  // S60きょうは<2いい'3てんきですね。
      return RepeatedScript(language,
                            "S60\x82\xAB\x82\xE5\x82\xA4\x82\xCD<2\x82\xA2\x82\xA2'3\x82\xC4"
                            "\x82\xF1\x82\xAB\x82\xC5\x82\xB7\x82\xCB\x81\x42");
    case ScriptLanguage::kKorean:  // S60안녕하세요<2좋은'3날씨.
      return RepeatedScript(language,
                            "S60\xBE\xC8\xB3\xE7\xC7\xCF\xBC\xBC\xBF\xE4<2\xC1\xC1\xC0\xBA'3"
                            "\xB3\xAF\xBE\xBE.");
    case ScriptLanguage::kRomaji:
      return RepeatedScript(language, "S60kyouha<2ii'3tennkidesune.");
    case ScriptLanguage::kChinese:
      return RepeatedScript(language, "S60jin1tian1<2tian1qi4'3hen3hao3.");
    case ScriptLanguage::kNone:
      break;
  }
  return {};
}

}  // namespace vtr::core::testing

#endif  // VTR_CORE_TESTING_BENCH_SCRIPTS_H_
