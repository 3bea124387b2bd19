#include "scriptedit/script_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::scriptedit {
namespace {

// Each language's own characters come out as the bytes its scripts carry.
TEST(ScriptEncodingTest, EachLanguageWritesItsOwnCharacters) {
  struct Case {
    core::ScriptLanguage language;
    const char* utf8;
    std::string bytes;
  };
  const Case cases[] = {
      {core::ScriptLanguage::kJapanese, "あ", "\x82\xA0"},
      {core::ScriptLanguage::kKorean, "가", "\xB0\xA1"},
      {core::ScriptLanguage::kRomaji, "ka", "ka"},
      {core::ScriptLanguage::kChinese, "中", "\xD6\xD0"},
  };
  for (const Case& c : cases) {
    const platform::TextResult result = platform::FromUtf8(ScriptEncoding(c.language), c.utf8);
    EXPECT_EQ(result.text, c.bytes) << c.utf8;
  }
}

}  // namespace
}  // namespace vtr::scriptedit
