#include "core/script_text.h"

#include <gtest/gtest.h>

namespace vtr::core {
namespace {

TEST(HeaderTagTest, TagsByLanguage) {
  struct Case {
    ScriptLanguage language;
    std::string_view tag;
  };
  const Case cases[] = {
      {ScriptLanguage::kJapanese, "KV#J"}, {ScriptLanguage::kKorean, "KV#K"},
      {ScriptLanguage::kRomaji, "KV#G"},   {ScriptLanguage::kChinese, "KV#C"},
      {ScriptLanguage::kNone, ""},         {static_cast<ScriptLanguage>(0x6000000), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeaderTagOf(c.language), c.tag);
    EXPECT_EQ(IsKnownLanguage(c.language), !c.tag.empty());
    if (!c.tag.empty()) {
      EXPECT_EQ(LanguageOfTag(std::string(c.tag) + "body"), c.language);
    }
  }
}

TEST(HeaderTagTest, UnknownOrShortTextHasNoLanguage) {
  for (std::string_view text : {"", "KV#", "KV#X", "kv#j", "xKV#J"}) {
    EXPECT_FALSE(LanguageOfTag(text).has_value()) << text;
  }
}

TEST(HeaderTagTest, ABareTagIsAScriptWithAnEmptyBody) {
  struct Case {
    std::string_view text;
    bool bare;
  };
  const Case cases[] = {{"KV#J", true},    {"KV#K", true},  {"KV#G", true}, {"KV#C", true},
                        {"KV#JK0", false}, {"KV#X", false}, {"KV#", false}, {"", false}};
  for (const Case& c : cases) EXPECT_EQ(IsBareHeaderTag(c.text), c.bare) << c.text;
}

TEST(ModeWordTest, FieldsAreExtracted) {
  EXPECT_EQ(LanguageOf(0x52100000), ScriptLanguage::kJapanese);
  EXPECT_EQ(LanguageOf(0xF4110000), ScriptLanguage::kRomaji);
  EXPECT_EQ(SubFormatOf(0xF4110000), kSubFormatPlain);
  EXPECT_EQ(SubFormatOf(0x53120000), kSubFormatNoHeader);
}

TEST(ByteClassTest, LeadAndTrailRangesPerLanguage) {
  struct Case {
    ScriptLanguage language;
    uint8_t byte;
    bool lead;
    bool trail;
  };
  const auto J = ScriptLanguage::kJapanese, K = ScriptLanguage::kKorean,
             G = ScriptLanguage::kRomaji, C = ScriptLanguage::kChinese;
  const Case cases[] = {
      {J, 0x80, false, true},  {J, 0x81, true, true},   {J, 0x9F, true, true},
      {J, 0xA0, false, true},  {J, 0xA1, false, true},  // half-width katakana: single bytes
      {J, 0xDF, false, true},  {J, 0xE0, true, true},   {J, 0xEF, true, true},
      {J, 0xF0, false, true},  {J, 0xFC, false, true},  {J, 0xFD, false, false},
      {J, 0x3F, false, false}, {J, 0x40, false, true},  {J, 0x7E, false, true},
      {J, 0x7F, false, false}, {G, 0x81, true, true},   {G, 0xA0, false, true},
      {G, 0xA1, true, true},   {G, 0xFE, true, true},   {G, 0xFF, false, false},
      {G, 0x40, false, true},  {K, 0x81, false, true},  {K, 0xA1, true, true},
      {K, 0xFE, true, true},   {K, 0x7F, false, false}, {K, 0x80, false, true},
      {C, 0xA0, false, true},  {C, 0xB0, true, true},   {C, 0x40, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsLeadByte(c.language, c.byte), c.lead) << std::hex << int(c.byte);
    EXPECT_EQ(IsTrailByte(c.language, c.byte), c.trail) << std::hex << int(c.byte);
  }
}

TEST(ByteClassTest, DoubleByteNeedsTwoBytesAndAValidTrail) {
  EXPECT_TRUE(StartsDoubleByte(ScriptLanguage::kJapanese, "\x82\xA0"));
  EXPECT_FALSE(StartsDoubleByte(ScriptLanguage::kJapanese, "\x82"));      // truncated
  EXPECT_FALSE(StartsDoubleByte(ScriptLanguage::kJapanese, "\x82\x30"));  // bad trail
  EXPECT_FALSE(StartsDoubleByte(ScriptLanguage::kJapanese, "\xB1\xB2"));  // half-width kana
  EXPECT_TRUE(StartsDoubleByte(ScriptLanguage::kKorean, "\xB0\xA1"));
  EXPECT_FALSE(StartsDoubleByte(ScriptLanguage::kKorean, "\x85\xA1"));
}

}  // namespace
}  // namespace vtr::core
