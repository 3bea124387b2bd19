#include "core/script_symbols.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::core {
namespace {

using K = ScriptTokenKind;

struct RecordCase {
  char symbol;
  K kind;
  std::string shift_jis;
  std::string ks;
};

std::string Form(const std::array<uint8_t, 2>& form) {
  return std::string{static_cast<char>(form[0]), static_cast<char>(form[1])};
}

TEST(SymbolTableTest, EveryRecordHasItsKindAndForms) {
  const RecordCase cases[] = {
      {' ', K::kSpace, "\x81\x40", "\xA1\xA1"},
      {'-', K::kLongMark, "\x81\x7C", "\xA3\xAD"},
      {'~', K::kLongMark, "\x81\x60", "\xA2\xA6"},
      {'0', K::kDigit, "\x82\x4F", "\xA3\xB0"},
      {'1', K::kDigit, "\x82\x50", "\xA3\xB1"},
      {'2', K::kDigit, "\x82\x51", "\xA3\xB2"},
      {'3', K::kDigit, "\x82\x52", "\xA3\xB3"},
      {'4', K::kDigit, "\x82\x53", "\xA3\xB4"},
      {'5', K::kDigit, "\x82\x54", "\xA3\xB5"},
      {'6', K::kDigit, "\x82\x55", "\xA3\xB6"},
      {'7', K::kDigit, "\x82\x56", "\xA3\xB7"},
      {'8', K::kDigit, "\x82\x57", "\xA3\xB8"},
      {'9', K::kDigit, "\x82\x58", "\xA3\xB9"},
      {'#', K::kNote, "\x81\x94", "\xA3\xA3"},
      {'A', K::kNote, "\x82\x60", "\xA3\xC1"},
      {'B', K::kNote, "\x82\x61", "\xA3\xC2"},
      {'C', K::kNote, "\x82\x62", "\xA3\xC3"},
      {'D', K::kNote, "\x82\x63", "\xA3\xC4"},
      {'E', K::kNote, "\x82\x64", "\xA3\xC5"},
      {'F', K::kNote, "\x82\x65", "\xA3\xC6"},
      {'G', K::kNote, "\x82\x66", "\xA3\xC7"},
      {'K', K::kVoice, "\x82\x6A", "\xA3\xCB"},
      {'X', K::kVoice, "\x82\x77", "\xA3\xD8"},
      {'L', K::kL, "\x82\x6B", "\xA3\xCC"},
      {'S', K::kSpeed, "\x82\x72", "\xA3\xD3"},
      {'U', K::kU, "\x82\x74", "\xA3\xD5"},
      {'V', K::kV, "\x82\x75", "\xA3\xD6"},
      {'W', K::kW, "\x82\x76", "\xA3\xD7"},
      {'$', K::kPitchStep, "\x81\x90", "\xA3\xA4"},
      {'\'', K::kPitchStep, "\x81\x66", "\xA3\xA7"},
      {'^', K::kPitchStep, "\x81\x4F", "\xA3\xDE"},
      {'_', K::kPitchStep, "\x81\x51", "\xA3\xDF"},
      {'<', K::kStep, "\x81\x83", "\xA3\xBC"},
      {'>', K::kStep, "\x81\x84", "\xA3\xBE"},
      {'&', K::kAmpersand, "\x81\x95", "\xA3\xA6"},
      {'/', K::kSlash, "\x81\x5E", "\xA3\xAF"},
      {'=', K::kEquals, "\x81\x81", "\xA3\xBD"},
      {'!', K::kMark, "\x81\x49", "\xA3\xA1"},
      {'+', K::kMark, "\x81\x7B", "\xA3\xAB"},
      {':', K::kMark, "\x81\x46", "\xA3\xBA"},
      {';', K::kMark, "\x81\x47", "\xA3\xBB"},
      {'@', K::kMark, "\x81\x97", "\xA3\xC0"},
      {'*', K::kCountedEnd, "\x81\x96", "\xA3\xAA"},
      {',', K::kSentenceEnd, "\x81\x43", "\xA3\xAC"},
      {'.', K::kSentenceEnd, "\x81\x44", "\xA3\xAE"},
      {'?', K::kCountedEnd, "\x81\x48", "\xA3\xBF"},
      {'[', K::kComment, "\x81\x6D", "\xA3\xDB"},
      {']', K::kComment, "\x81\x6E", "\xA3\xDD"},
  };
  ASSERT_EQ(std::size(cases), kSymbolTable.size());
  for (size_t i = 0; i < kSymbolTable.size(); ++i) {
    const RecordCase& c = cases[i];
    const SymbolRecord& r = kSymbolTable[i];
    SCOPED_TRACE(c.symbol);
    EXPECT_EQ(r.symbol, static_cast<uint32_t>(c.symbol));
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(Form(r.shift_jis), c.shift_jis);
    EXPECT_EQ(Form(r.ks), c.ks);
    // Each form finds this record (the first match of its form is the record itself).
    const auto* sj = FindSymbolByShiftJis(r.shift_jis[0], r.shift_jis[1]);
    const auto* ks = FindSymbolByKs(r.ks[0], r.ks[1]);
    const auto* ascii = FindSymbolByAscii(static_cast<uint8_t>(c.symbol));
    EXPECT_EQ(sj, &r);
    EXPECT_EQ(ks, &r);
    EXPECT_EQ(ascii, &r);
  }
}

TEST(SymbolTableTest, LowerCaseRecordsFoldToTheUpperCaseKinds) {
  const RecordCase cases[] = {
      {'a', K::kNote, "\x82\x81", "\xA3\xE1"},  {'b', K::kNote, "\x82\x82", "\xA3\xE2"},
      {'c', K::kNote, "\x82\x83", "\xA3\xE3"},  {'d', K::kNote, "\x82\x84", "\xA3\xE4"},
      {'e', K::kNote, "\x82\x85", "\xA3\xE5"},  {'f', K::kNote, "\x82\x86", "\xA3\xE6"},
      {'g', K::kNote, "\x82\x87", "\xA3\xE7"},  {'k', K::kVoice, "\x82\x8B", "\xA3\xEB"},
      {'x', K::kVoice, "\x82\x98", "\xA3\xF8"}, {'l', K::kL, "\x82\x8C", "\xA3\xEC"},
      {'s', K::kSpeed, "\x82\x93", "\xA3\xF3"}, {'u', K::kU, "\x82\x95", "\xA3\xF5"},
      {'v', K::kV, "\x82\x96", "\xA3\xF6"},     {'w', K::kW, "\x82\x97", "\xA3\xF7"},
  };
  ASSERT_EQ(std::size(cases), kLowerCaseTable.size());
  for (size_t i = 0; i < kLowerCaseTable.size(); ++i) {
    const RecordCase& c = cases[i];
    const SymbolRecord& r = kLowerCaseTable[i];
    SCOPED_TRACE(c.symbol);
    EXPECT_EQ(r.symbol, static_cast<uint32_t>(c.symbol));
    EXPECT_EQ(r.kind, c.kind);
    EXPECT_EQ(Form(r.shift_jis), c.shift_jis);
    EXPECT_EQ(Form(r.ks), c.ks);
    EXPECT_EQ(FindLowerCaseByShiftJis(r.shift_jis[0], r.shift_jis[1]), &r);
    EXPECT_EQ(FindLowerCaseByKs(r.ks[0], r.ks[1]), &r);
    EXPECT_EQ(FindLowerCaseByAscii(static_cast<uint8_t>(c.symbol)), &r);
    // The upper-case letter has the same kind.
    EXPECT_EQ(FindSymbolByAscii(static_cast<uint8_t>(c.symbol & 0xDF))->kind, c.kind);
  }
}

TEST(SymbolTableTest, AliasRecords) {
  struct Case {
    std::string form_a;
    K kind;
    std::string form_b;
  };
  const Case cases[] = {
      {",", K::kSentenceEnd, "\xA4"},         {".", K::kSentenceEnd, "\xA1"},
      {",", K::kSentenceEnd, "\x81\x41"},     {".", K::kSentenceEnd, "\x81\x42"},
      {"\xB0", K::kLongMark, "\x81\x7C"},     {"\x81\x7C", K::kLongMark, "\x81\x5B"},
      {"\x81\x7C", K::kLongMark, "\x81\x5C"}, {"\x81\x7C", K::kLongMark, "\x81\x5D"},
  };
  ASSERT_EQ(std::size(cases), kAliasTable.size());
  for (size_t i = 0; i < kAliasTable.size(); ++i) {
    EXPECT_EQ(kAliasTable[i].form_a, cases[i].form_a) << i;
    EXPECT_EQ(kAliasTable[i].kind, cases[i].kind) << i;
    EXPECT_EQ(kAliasTable[i].form_b, cases[i].form_b) << i;
  }
}

TEST(SymbolTableTest, RangesRestrictTheSearch) {
  // Digits and "#" are records 3-13; the letter search from record 14 does not find them.
  EXPECT_EQ(FindSymbolByAscii('5', kFirstLetterSymbolRecord), nullptr);
  EXPECT_EQ(FindSymbolByAscii('#', kFirstLetterSymbolRecord), nullptr);
  EXPECT_EQ(FindSymbolByShiftJis(0x81, 0x40, kFirstLetterSymbolRecord), nullptr);
  EXPECT_NE(FindSymbolByAscii('S', kFirstLetterSymbolRecord), nullptr);
  EXPECT_EQ(FindSymbolByAscii('s'), nullptr);
}

TEST(FullWidthTableTest, LettersAndSymbols) {
  ASSERT_EQ(kFullWidthTable.size(), 92u);
  for (int i = 0; i < 26; ++i) {
    const FullWidthRow& upper = kFullWidthTable[i];
    const FullWidthRow& lower = kFullWidthTable[26 + i];
    EXPECT_EQ(upper.single, 'A' + i);
    EXPECT_EQ(lower.single, 'a' + i);
    EXPECT_EQ(upper.shift_jis[1], 0x60 + i);
    EXPECT_EQ(lower.shift_jis[1], 0x81 + i);
    EXPECT_EQ(upper.ks[1], upper.single + 0x80);
    EXPECT_EQ(lower.ks[1], lower.single + 0x80);
  }
  // Symbol rows 0-30 follow the KS rule 0xA3 + (ASCII + 0x80), except space.
  for (size_t i = 0; i < 31; ++i) {
    const FullWidthRow& row = kFullWidthTable[kFullWidthFirstSymbolRow + i];
    EXPECT_EQ(row.ks[0], 0xA3) << i;
    EXPECT_EQ(row.ks[1], row.single + 0x80) << i;
  }
  EXPECT_EQ(kFullWidthTable[kFullWidthFirstSymbolRow + 31].single, ' ');
  const FullWidthRow& voicing = kFullWidthTable.back();
  EXPECT_EQ(voicing.single, 0xDE);
  EXPECT_EQ(Form(voicing.shift_jis), "\x81\x4A");
  EXPECT_EQ(Form(voicing.ks), std::string(2, '\0'));
}

TEST(ArgumentRuleTest, RulesPerKind) {
  struct Case {
    K kind;
    bool has_rule;
    ArgumentRule rule;
  };
  const Case cases[] = {
      {K::kStep, true, {1, 99, false, 1, 99}},
      {K::kPitchStep, true, {1, 99, false, 1, 99}},
      {K::kCountedEnd, true, {1, 99, false, 1, 99}},
      {K::kVoice, true, {0, 15, true, 0, 0}},
      {K::kSpeed, true, {0, 99, true, 0, 50}},
      {K::kL, true, {0, 1, true, 0, 0}},
      {K::kV, true, {1, 5, true, 0, 4}},
      {K::kW, true, {1, 5, true, 0, 3}},
      {K::kU, true, {0, 9, true, 0, -1}},
      {K::kNote, true, {1, 3, false, 0, 2}},
      {K::kEquals, false, {}},
      {K::kSlash, false, {}},
      {K::kAmpersand, false, {}},
      {K::kMark, false, {}},
      {K::kSentenceEnd, false, {}},
      {K::kSyllable, false, {}},
      {K::kComment, false, {}},
      {K::kUnknown, false, {}},
  };
  for (const Case& c : cases) {
    const ArgumentRule* rule = ArgumentRuleOf(c.kind);
    SCOPED_TRACE(static_cast<int>(c.kind));
    ASSERT_EQ(rule != nullptr, c.has_rule);
    if (!rule) continue;
    EXPECT_EQ(rule->min, c.rule.min);
    EXPECT_EQ(rule->max, c.rule.max);
    EXPECT_EQ(rule->no_digits_is_unknown, c.rule.no_digits_is_unknown);
    EXPECT_EQ(rule->out_of_range_value, c.rule.out_of_range_value);
    if (!c.rule.no_digits_is_unknown) {
      EXPECT_EQ(rule->no_digits_value, c.rule.no_digits_value);
    }
  }
}

}  // namespace
}  // namespace vtr::core
