#include "engines/convert/script_counter.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::convert {
namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

struct CountCase {
  const char* what;
  core::ScriptModeWord word;
  std::string text;
  PlayTimeCode set_code;
  PlayTimeCode count_code;
  int ms;
};

TEST(ScriptCounterTest, MeasuresOrRefusesByWordAndText) {
  using C = PlayTimeCode;
  // "S0" rests of 2400 ms (120 ticks) each, then a space of 60 ticks and one of 37 (S23) or
  // 38 ticks (S22): 104857 or 104858 ticks in all, from a text of 884 bytes.
  const std::string limit = "KV#JS0" + Repeat(".", 873) + " S23 ";
  const std::string over = "KV#JS0" + Repeat(".", 873) + " S22 ";
  const CountCase cases[] = {
      {"kana text under J", 0x52100000, "KV#J\x82\xA0", C::kOk, C::kOk, 160},
      {"flag 0 is accepted", 0x52000000, "KV#J\x82\xA0", C::kOk, C::kOk, 160},
      {"no device, J", 0xF2100000, "KV#J\x82\xA0", C::kOk, C::kOk, 160},
      {"hangul text under K", 0x53100000, "KV#K\xB0\xA2", C::kOk, C::kOk, 400},
      {"pinyin text under C", 0x55100000, "KV#Cma1", C::kOk, C::kOk, 220},
      {"K text under J fails to open", 0x52100000, "KV#K\xB0\xA1", C::kOk, C::kOpenFailed, -1},
      {"header only gives no message", 0x52100000, "KV#J", C::kOk, C::kNoMessage, -1},
      {"104857 ticks are accepted", 0x52100000, limit, C::kOk, C::kOk, 2097140},
      {"104858 ticks are too long", 0x52100000, over, C::kOk, C::kTooLong, -1},
      {"text up to its first NUL", 0x52100000, std::string("KV#J\x82\xA0\0\x82\xA0", 8), C::kOk,
       C::kOk, 160},
  };
  ASSERT_EQ(limit.size(), 884u);
  for (const auto& c : cases) {
    ScriptCounter counter;
    EXPECT_EQ(counter.SetText(c.word, c.text.data(), static_cast<int>(c.text.size()), 0),
              c.set_code)
        << c.what;
    int ms = -1;
    EXPECT_EQ(counter.CountTime(&ms), c.count_code) << c.what;
    EXPECT_EQ(ms, c.ms) << c.what;
  }
}

struct SetCase {
  const char* what;
  core::ScriptModeWord word;
  PlayTimeCode code;
};

TEST(ScriptCounterTest, SetTextChecksDeviceThenFlagThenLanguage) {
  using C = PlayTimeCode;
  const SetCase cases[] = {
      {"middleware device", 0x72100000, C::kBadDevice},
      {"device 4", 0x42100000, C::kBadDevice},
      {"device before flag", 0x42200000, C::kBadDevice},
      {"flag 2", 0x52200000, C::kBadFlag},
      {"flag before language", 0x54200000, C::kBadFlag},
      {"romaji language", 0x54100000, C::kBadLanguage},
      {"no language", 0x50100000, C::kBadLanguage},
      {"no device, no language, low bits set", 0xF01FFFFF, C::kBadLanguage},
  };
  for (const auto& c : cases) {
    ScriptCounter counter;
    EXPECT_EQ(counter.SetText(c.word, "KV#J", 4, 0), c.code) << c.what;
  }
}

TEST(ScriptCounterTest, RejectedLanguageCountsZeroAsSuccess) {
  ScriptCounter counter;
  ASSERT_EQ(counter.SetText(0x52100000, "KV#J\x82\xA0", 6, 0), PlayTimeCode::kOk);
  EXPECT_EQ(counter.SetText(0x54100000, "KV#Ga", 5, 0), PlayTimeCode::kBadLanguage);
  int ms = -1;
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);
  EXPECT_EQ(ms, 0);
}

TEST(ScriptCounterTest, RefusedTextKeepsTheStoredOne) {
  ScriptCounter counter;
  int ms = -1;
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);  // no language yet
  EXPECT_EQ(ms, 0);
  EXPECT_EQ(counter.SetText(0x53100000, nullptr, 6, 0), PlayTimeCode::kNoText);
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kNoText);  // nothing stored for K
  ASSERT_EQ(counter.SetText(0x52100000, "KV#J\x82\xA0", 6, 0), PlayTimeCode::kOk);
  EXPECT_EQ(counter.SetText(0x52100000, "KV#J\x82\xA0\x82\xA0", -1, 0), PlayTimeCode::kNoText);
  EXPECT_EQ(counter.SetText(0x52100000, nullptr, 6, 0), PlayTimeCode::kNoText);
  EXPECT_EQ(counter.SetText(0x52200000, "KV#J", 4, 0), PlayTimeCode::kBadFlag);
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);
  EXPECT_EQ(ms, 160);
  EXPECT_EQ(counter.CountTime(nullptr), PlayTimeCode::kNoText);
}

TEST(ScriptCounterTest, EachLanguageKeepsItsOwnText) {
  ScriptCounter counter;
  ASSERT_EQ(counter.SetText(0x52100000, "KV#J\x82\xA0", 6, 0), PlayTimeCode::kOk);
  ASSERT_EQ(counter.SetText(0x55100000, "KV#Cma1ma1", 10, 0), PlayTimeCode::kOk);
  int ms = -1;
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);
  EXPECT_EQ(ms, 440);
  ASSERT_EQ(counter.SetText(0x52100000, "KV#J\x82\xA0\x82\xA0", 8, 0), PlayTimeCode::kOk);
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);
  EXPECT_EQ(ms, 320);
  // Counting again restarts the converter.
  EXPECT_EQ(counter.CountTime(&ms), PlayTimeCode::kOk);
  EXPECT_EQ(ms, 320);
}

}  // namespace
}  // namespace vtr::convert
