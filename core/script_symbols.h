// The symbol set of the Kelvox script: token kinds, argument rules, and the tables that fold
// full-width, lower-case and alias forms of the command symbols onto their ASCII symbols.
//
// The full-width table is the one source of the double-byte forms: the 48 symbol records and
// the 14 lower-case records are built from it at compile time, and the wave-to-script checker
// reads it directly (letters in rows 0-51, symbols in rows 52-91).
//
//   const SymbolRecord* s = FindSymbolByShiftJis(0x82, 0x72);   // "Ｓ": symbol 'S', kind 7
//   const ArgumentRule* rule = ArgumentRuleOf(ScriptTokenKind::kSpeed);  // 0-99, else 50
#ifndef VTR_CORE_SCRIPT_SYMBOLS_H_
#define VTR_CORE_SCRIPT_SYMBOLS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vtr::core {

// Kind of a script token (32-bit in every record).
enum class ScriptTokenKind : int32_t {
  kStep = 0,          // "<" ">", argument 1-99
  kPitchStep = 1,     // "$" "'" "^" "_", argument 1-99
  kEquals = 2,        // "="
  kSlash = 3,         // "/"
  kAmpersand = 4,     // "&"
  kMark = 5,          // "!" "+" ":" ";" "@"
  kVoice = 6,         // "K" "X", argument 0-15
  kSpeed = 7,         // "S", argument 0-99
  kL = 8,             // "L", argument 0-1
  kV = 9,             // "V", argument 1-5
  kW = 10,            // "W", argument 1-5
  kU = 11,            // "U", argument 0-9
  kNote = 12,         // "A"-"G", optional sharp "#", octave 1-3
  kSentenceEnd = 13,  // "," "."
  kCountedEnd = 14,   // "*" "?", count 1-99
  kSyllable = 15,     // kana, romaji, hangul, pinyin with tone digit
  kLongMark = 16,     // "-" "~" and their full-width and alias forms
  kSpace = 17,        // half- or full-width space
  kDigit = 18,        // class of the digit records; never produced by the tokenizer
  kComment = 19,      // text in square brackets, brackets included
  kLineBreak = 20,    // CR LF
  kUnknown = 21,      // anything else; also the tokenizer's start value
};

inline constexpr int kTokenKindCount = 22;

constexpr bool IsSoundKind(ScriptTokenKind kind) {
  return kind == ScriptTokenKind::kSyllable || kind == ScriptTokenKind::kLongMark ||
         kind == ScriptTokenKind::kSpace;
}
constexpr bool IsSentenceEndKind(ScriptTokenKind kind) {
  return kind == ScriptTokenKind::kSentenceEnd || kind == ScriptTokenKind::kCountedEnd;
}

// The decimal argument of a symbol kind: its accepted range, what happens when no digit
// follows, and the value used when the number lies outside the range (below the minimum too).
struct ArgumentRule {
  int min;
  int max;
  bool no_digits_is_unknown;  // a symbol without digits becomes a kind-21 token
  int no_digits_value;        // value when no digit follows and the token stays
  int out_of_range_value;
};

// The rule of kinds 0, 1, 6-12 and 14; nullptr for kinds without an argument. For notes the
// rule is the octave's, and "no digits" leaves the octave unchanged.
const ArgumentRule* ArgumentRuleOf(ScriptTokenKind kind);

// One row of the full-width table: the single-byte form, the Shift-JIS form and the
// KS X 1001 / GB 2312 form (two zero bytes where the row has none).
struct FullWidthRow {
  uint8_t single;
  std::array<uint8_t, 2> shift_jis;
  std::array<uint8_t, 2> ks;
};

inline constexpr size_t kFullWidthLetterRows = 52;  // 'A'..'Z', then 'a'..'z'
inline constexpr size_t kFullWidthSymbolRows = 40;
inline constexpr size_t kFullWidthFirstSymbolRow = kFullWidthLetterRows;

namespace internal {

constexpr std::array<FullWidthRow, kFullWidthLetterRows + kFullWidthSymbolRows> MakeFullWidth() {
  std::array<FullWidthRow, kFullWidthLetterRows + kFullWidthSymbolRows> rows{};
  for (int i = 0; i < 26; ++i) {
    rows[i] = {static_cast<uint8_t>('A' + i),
               {0x82, static_cast<uint8_t>(0x60 + i)},
               {0xA3, static_cast<uint8_t>('A' + i + 0x80)}};
    rows[26 + i] = {static_cast<uint8_t>('a' + i),
                    {0x82, static_cast<uint8_t>(0x81 + i)},
                    {0xA3, static_cast<uint8_t>('a' + i + 0x80)}};
  }
  for (int i = 0; i < 10; ++i) {
    rows[kFullWidthFirstSymbolRow + i] = {static_cast<uint8_t>('0' + i),
                                          {0x82, static_cast<uint8_t>(0x4F + i)},
                                          {0xA3, static_cast<uint8_t>('0' + i + 0x80)}};
  }
  // Symbol rows 10-39. Rows 10-30 are the ASCII symbols whose KS form is 0xA3 followed by the
  // ASCII code plus 0x80; rows 31-33 are the script forms of space, '-' and '~'; rows 34-39
  // are the half-width katakana punctuation and dash forms, which have no KS form.
  constexpr FullWidthRow kSymbols[30] = {
      {'!', {0x81, 0x49}, {0xA3, 0xA1}},  {'#', {0x81, 0x94}, {0xA3, 0xA3}},
      {'$', {0x81, 0x90}, {0xA3, 0xA4}},  {'&', {0x81, 0x95}, {0xA3, 0xA6}},
      {'\'', {0x81, 0x66}, {0xA3, 0xA7}}, {'*', {0x81, 0x96}, {0xA3, 0xAA}},
      {'+', {0x81, 0x7B}, {0xA3, 0xAB}},  {',', {0x81, 0x43}, {0xA3, 0xAC}},
      {'.', {0x81, 0x44}, {0xA3, 0xAE}},  {'/', {0x81, 0x5E}, {0xA3, 0xAF}},
      {':', {0x81, 0x46}, {0xA3, 0xBA}},  {';', {0x81, 0x47}, {0xA3, 0xBB}},
      {'<', {0x81, 0x83}, {0xA3, 0xBC}},  {'=', {0x81, 0x81}, {0xA3, 0xBD}},
      {'>', {0x81, 0x84}, {0xA3, 0xBE}},  {'?', {0x81, 0x48}, {0xA3, 0xBF}},
      {'@', {0x81, 0x97}, {0xA3, 0xC0}},  {'[', {0x81, 0x6D}, {0xA3, 0xDB}},
      {']', {0x81, 0x6E}, {0xA3, 0xDD}},  {'^', {0x81, 0x4F}, {0xA3, 0xDE}},
      {'_', {0x81, 0x51}, {0xA3, 0xDF}},  {' ', {0x81, 0x40}, {0xA1, 0xA1}},
      {'-', {0x81, 0x7C}, {0xA3, 0xAD}},  {'~', {0x81, 0x60}, {0xA2, 0xA6}},
      {0xA4, {0x81, 0x41}, {0, 0}},       {0xA1, {0x81, 0x42}, {0, 0}},
      {0xB0, {0x81, 0x5B}, {0, 0}},       {'-', {0x81, 0x5C}, {0, 0}},
      {'-', {0x81, 0x5D}, {0, 0}},        {0xDE, {0x81, 0x4A}, {0, 0}},
  };
  for (int i = 0; i < 30; ++i) rows[kFullWidthFirstSymbolRow + 10 + i] = kSymbols[i];
  return rows;
}

}  // namespace internal

// The full-width table: 52 letter rows, then 40 symbol rows (digits '0'-'9' in symbol rows
// 0-9; rows 0-30 are folded to their single byte by the wave-to-script checker's width
// normalisation; rows 31-33 are the script forms of space, '-' and '~').
inline constexpr std::array<FullWidthRow, kFullWidthLetterRows + kFullWidthSymbolRows>
    kFullWidthTable = internal::MakeFullWidth();

// The full-width row of a single byte: the first row whose single-byte form it is (letters
// and symbols); nullptr when there is none.
constexpr const FullWidthRow* FullWidthRowOf(uint8_t single) {
  for (const FullWidthRow& row : kFullWidthTable) {
    if (row.single == single) return &row;
  }
  return nullptr;
}

// One record of the symbol set: the ASCII symbol, its kind and its two full-width forms.
struct SymbolRecord {
  uint32_t symbol;
  ScriptTokenKind kind;
  std::array<uint8_t, 2> shift_jis;
  std::array<uint8_t, 2> ks;
};

namespace internal {

struct SymbolKind {
  uint8_t symbol;
  ScriptTokenKind kind;
};

template <size_t N>
constexpr std::array<SymbolRecord, N> WithForms(const SymbolKind (&list)[N]) {
  std::array<SymbolRecord, N> records{};
  for (size_t i = 0; i < N; ++i) {
    const FullWidthRow* row = FullWidthRowOf(list[i].symbol);
    records[i] = {list[i].symbol, list[i].kind, row->shift_jis, row->ks};
  }
  return records;
}

using K = ScriptTokenKind;
inline constexpr SymbolKind kSymbolKinds[48] = {
    {' ', K::kSpace},       {'-', K::kLongMark},   {'~', K::kLongMark},   {'0', K::kDigit},
    {'1', K::kDigit},       {'2', K::kDigit},      {'3', K::kDigit},      {'4', K::kDigit},
    {'5', K::kDigit},       {'6', K::kDigit},      {'7', K::kDigit},      {'8', K::kDigit},
    {'9', K::kDigit},       {'#', K::kNote},       {'A', K::kNote},       {'B', K::kNote},
    {'C', K::kNote},        {'D', K::kNote},       {'E', K::kNote},       {'F', K::kNote},
    {'G', K::kNote},        {'K', K::kVoice},      {'X', K::kVoice},      {'L', K::kL},
    {'S', K::kSpeed},       {'U', K::kU},          {'V', K::kV},          {'W', K::kW},
    {'$', K::kPitchStep},   {'\'', K::kPitchStep}, {'^', K::kPitchStep},  {'_', K::kPitchStep},
    {'<', K::kStep},        {'>', K::kStep},       {'&', K::kAmpersand},  {'/', K::kSlash},
    {'=', K::kEquals},      {'!', K::kMark},       {'+', K::kMark},       {':', K::kMark},
    {';', K::kMark},        {'@', K::kMark},       {'*', K::kCountedEnd}, {',', K::kSentenceEnd},
    {'.', K::kSentenceEnd}, {'?', K::kCountedEnd}, {'[', K::kComment},    {']', K::kComment},
};
inline constexpr SymbolKind kLowerCaseKinds[14] = {
    {'a', K::kNote},  {'b', K::kNote}, {'c', K::kNote},  {'d', K::kNote},  {'e', K::kNote},
    {'f', K::kNote},  {'g', K::kNote}, {'k', K::kVoice}, {'x', K::kVoice}, {'l', K::kL},
    {'s', K::kSpeed}, {'u', K::kU},    {'v', K::kV},     {'w', K::kW},
};

}  // namespace internal

// The 48 symbol records in search order (the first match wins): space, "-", "~" (rows 0-2),
// the digits (3-12), "#" (13), then "A" to "]" (14-47).
inline constexpr std::array<SymbolRecord, 48> kSymbolTable =
    internal::WithForms(internal::kSymbolKinds);
inline constexpr size_t kFirstLetterSymbolRecord = 14;

// The 14 lower-case letters accepted for the letter symbols in J and K texts; a match is
// stored as the upper-case symbol.
inline constexpr std::array<SymbolRecord, 14> kLowerCaseTable =
    internal::WithForms(internal::kLowerCaseKinds);

// Alias records fold other characters onto the table's forms: {form A, kind, form B}.
// Records 0-3 turn form B into form A; record 4 turns form A into form B; records 5-7 turn
// form B into form A. All of them are used in J texts only.
struct AliasRecord {
  std::string_view form_a;
  ScriptTokenKind kind;
  std::string_view form_b;
};
inline constexpr std::array<AliasRecord, 8> kAliasTable = {{
    {",", ScriptTokenKind::kSentenceEnd, "\xA4"},          // half-width ideographic comma
    {".", ScriptTokenKind::kSentenceEnd, "\xA1"},          // half-width ideographic stop
    {",", ScriptTokenKind::kSentenceEnd, "\x81\x41"},      // ideographic comma
    {".", ScriptTokenKind::kSentenceEnd, "\x81\x42"},      // ideographic full stop
    {"\xB0", ScriptTokenKind::kLongMark, "\x81\x7C"},      // half-width prolonged mark
    {"\x81\x7C", ScriptTokenKind::kLongMark, "\x81\x5B"},  // prolonged sound mark
    {"\x81\x7C", ScriptTokenKind::kLongMark, "\x81\x5C"},  // horizontal bar
    {"\x81\x7C", ScriptTokenKind::kLongMark, "\x81\x5D"},  // hyphen
}};

// Lookups over a range of records [first, last) of the symbol table, or over the lower-case
// table; nullptr when no record matches.
const SymbolRecord* FindSymbolByAscii(uint8_t symbol, size_t first = 0,
                                      size_t last = kSymbolTable.size());
const SymbolRecord* FindSymbolByShiftJis(uint8_t lead, uint8_t trail, size_t first = 0,
                                         size_t last = kSymbolTable.size());
const SymbolRecord* FindSymbolByKs(uint8_t lead, uint8_t trail, size_t first = 0,
                                   size_t last = kSymbolTable.size());
const SymbolRecord* FindLowerCaseByAscii(uint8_t letter);
const SymbolRecord* FindLowerCaseByShiftJis(uint8_t lead, uint8_t trail);
const SymbolRecord* FindLowerCaseByKs(uint8_t lead, uint8_t trail);

}  // namespace vtr::core

#endif  // VTR_CORE_SCRIPT_SYMBOLS_H_
