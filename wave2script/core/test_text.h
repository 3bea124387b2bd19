// Test helper: script bytes written as readable UTF-8 in the test tables.
#ifndef VTR_WAVE2SCRIPT_CORE_TEST_TEXT_H_
#define VTR_WAVE2SCRIPT_CORE_TEST_TEXT_H_

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vtr::w2s::testing {

// Shift-JIS bytes of a UTF-8 text (ASCII stays as it is).
inline std::string Sj(std::string_view utf8) {
  platform::TextResult r = platform::FromUtf8(platform::Encoding::kShiftJis, utf8);
  EXPECT_TRUE(r.ok()) << utf8;
  return r.text;
}

// UTF-8 of Shift-JIS bytes, for readable failure messages.
inline std::string Utf(std::string_view sjis) {
  platform::TextResult r = platform::ToUtf8(platform::Encoding::kShiftJis, sjis);
  return r.ok() ? r.text : std::string(sjis);
}

}  // namespace vtr::w2s::testing

#endif  // VTR_WAVE2SCRIPT_CORE_TEST_TEXT_H_
