#include "wave2script/core/script_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::w2s {
namespace {

std::string Classes(ScriptLanguage language, std::string_view bytes) {
  ByteClassifier classifier(language);
  std::string out;
  for (char b : bytes) out += static_cast<char>('0' + static_cast<int>(classifier.Next(b)));
  return out;
}

TEST(ByteClassifierTest, ClassifiesPerLanguage) {
  struct Case {
    ScriptLanguage language;
    std::string bytes;
    std::string classes;
    const char* why;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {ScriptLanguage::kJapanese, "\x82\xA0" "a\x81\x40", "12012", "kana, ASCII, full-width space"},
      {ScriptLanguage::kJapanese, "\x82" "\x20", "10", "a lead without trail: the next byte is single"},
      {ScriptLanguage::kJapanese, "\xB1\xE0\x40", "012", "half-width katakana single; E0 leads"},
      {ScriptLanguage::kKorean, "\xB0\xA1\xA1\x80", "1210", "hangul, then a lead with a bad trail"},
      {ScriptLanguage::kRomaji, "ka[ni", "12212", "vowels trail, consonants lead, others keep"},
      {ScriptLanguage::kChinese, "ma1 3", "11200", "a tone digit after letters; other digits single"},
      {ScriptLanguage::kNone, "\x82\xA0", "00", "no classifier: everything single"},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(Classes(c.language, c.bytes), c.classes) << c.why;
  }
  EXPECT_FALSE(ByteClassifier(ScriptLanguage::kNone).ok());
  EXPECT_TRUE(ByteClassifier(ScriptLanguage::kChinese).ok());
}

TEST(BracketTrackerTest, OpensClosesAndMarksStray) {
  BracketTracker brackets;
  brackets.Single(']');
  EXPECT_EQ(brackets.state(), BracketTracker::kStray);
  brackets.Single('[');
  EXPECT_TRUE(brackets.inside());
  brackets.Single('[');
  EXPECT_TRUE(brackets.inside());
  brackets.Single(']');
  EXPECT_EQ(brackets.state(), BracketTracker::kOutside);
}

TEST(SyllableCharTest, AcceptsKanaLongMarksSpacesAndHangul) {
  struct Case {
    ScriptLanguage language;
    uint8_t lead, trail;
    bool syllable;
  };
  const std::vector<Case> cases = {
      {ScriptLanguage::kJapanese, 0x82, 0x9F, true},   // ぁ
      {ScriptLanguage::kJapanese, 0x82, 0xF1, true},   // ん
      {ScriptLanguage::kJapanese, 0x82, 0xF2, false},  // past ん
      {ScriptLanguage::kJapanese, 0x81, 0x5B, true},   // ー
      {ScriptLanguage::kJapanese, 0x81, 0x7C, true},   // －
      {ScriptLanguage::kJapanese, 0x81, 0x60, true},   // ～
      {ScriptLanguage::kJapanese, 0x81, 0x40, true},   // full-width space
      {ScriptLanguage::kJapanese, 0x83, 0x41, false},  // katakana
      {ScriptLanguage::kKorean, 0xB0, 0xA1, true},     // 가
      {ScriptLanguage::kKorean, 0xA3, 0xAD, true},     // －
      {ScriptLanguage::kKorean, 0xA1, 0xA1, true},     // space
      {ScriptLanguage::kKorean, 0xC9, 0xA1, false},    // past the hangul rows
      {ScriptLanguage::kChinese, 0x82, 0xA0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsSyllableChar(c.language, c.lead, c.trail), c.syllable)
        << std::hex << int(c.lead) << " " << int(c.trail);
  }
}

TEST(ReadNumberTest, ReadsDigitsAndSaturates) {
  int v = -1;
  EXPECT_EQ(ReadNumber("S50a", 1, &v), 2u);
  EXPECT_EQ(v, 50);
  EXPECT_EQ(ReadNumber("S", 1, &v), 0u);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(ReadNumber("99999999999999999999", 0, &v), 20u);
  EXPECT_EQ(v, kNumberCap);
}

TEST(DetectTypeTest, ReadsTheTag) {
  EXPECT_EQ(DetectType("KV#J"), ScriptLanguage::kJapanese);
  EXPECT_EQ(DetectType("KV#Cma1"), ScriptLanguage::kChinese);
  EXPECT_EQ(DetectType("KV#"), ScriptLanguage::kNone);
  EXPECT_EQ(DetectType("kv#j"), ScriptLanguage::kNone);
}

}  // namespace
}  // namespace vtr::w2s
