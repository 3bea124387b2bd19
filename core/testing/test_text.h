// Test helpers: script bytes written as readable UTF-8 in the test tables, readable text of
// script bytes for failure messages, and a readable picture of parsed units.
#ifndef VTR_CORE_TESTING_TEST_TEXT_H_
#define VTR_CORE_TESTING_TEST_TEXT_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "core/script_engine.h"
#include "platform/text.h"

namespace vtr::core::testing {

inline platform::Encoding EncodingOf(ScriptLanguage language) {
  return language == ScriptLanguage::kKorean    ? platform::Encoding::kEucKr
         : language == ScriptLanguage::kChinese ? platform::Encoding::kGb2312
                                                : platform::Encoding::kShiftJis;
}

// Script bytes of a UTF-8 text in the language's encoding.
inline std::string Bytes(ScriptLanguage language, std::string_view utf8) {
  return platform::FromUtf8(EncodingOf(language), utf8).text;
}

// Shift-JIS bytes of a UTF-8 text (ASCII stays as it is); a text with no Shift-JIS form fails
// the test.
inline std::string Sj(std::string_view utf8) {
  platform::TextResult r = platform::FromUtf8(platform::Encoding::kShiftJis, utf8);
  EXPECT_TRUE(r.ok()) << utf8;
  return r.text;
}

// UTF-8 of Shift-JIS bytes, as they are when they do not decode.
inline std::string Utf(std::string_view sjis) {
  platform::TextResult r = platform::ToUtf8(platform::Encoding::kShiftJis, sjis);
  return r.ok() ? r.text : std::string(sjis);
}

// UTF-8 of script bytes; bytes that do not decode are shown as <XX>.
inline std::string Readable(ScriptLanguage language, std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == '\r') {
      out += "\\r";
      continue;
    }
    if (b == '\n') {
      out += "\\n";
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char>(b);
      continue;
    }
    size_t n = i + 1 < bytes.size() ? 2 : 1;
    platform::TextResult r = platform::ToUtf8(EncodingOf(language), bytes.substr(i, n));
    if (!r.ok() || n == 1) {
      platform::TextResult one = platform::ToUtf8(EncodingOf(language), bytes.substr(i, 1));
      if (one.ok() && !one.text.empty()) {
        out += one.text;
      } else {
        static const char kHex[] = "0123456789ABCDEF";
        out += '<';
        out += kHex[b >> 4];
        out += kHex[b & 15];
        out += '>';
      }
      continue;
    }
    out += r.text;
    ++i;
  }
  return out;
}

// "text@kind text@kind | text@kind": the tokens of every unit, units separated by " | ".
inline std::string Describe(const ScriptEngine& engine) {
  std::string out;
  for (const ScriptSentence& unit : engine.units()) {
    if (!out.empty()) out += " | ";
    bool first = true;
    for (const ScriptToken& token : unit.tokens) {
      if (!first) out += ' ';
      first = false;
      out += Readable(engine.language(), token.text);
      out += '@';
      out += std::to_string(static_cast<int>(token.kind));
    }
  }
  return out;
}

}  // namespace vtr::core::testing

#endif  // VTR_CORE_TESTING_TEST_TEXT_H_
