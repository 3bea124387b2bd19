#include "wave2script/core/script_scan.h"

#include "core/script_symbols.h"

namespace vtr::w2s {

ScriptLanguage DetectType(std::string_view text) {
  return core::LanguageOfTag(text).value_or(ScriptLanguage::kNone);
}

bool IsScriptType(ScriptLanguage language) {
  return language == ScriptLanguage::kJapanese || language == ScriptLanguage::kKorean ||
         language == ScriptLanguage::kRomaji || language == ScriptLanguage::kChinese;
}

ByteClassifier::ByteClassifier(ScriptLanguage language)
    : language_(language), ok_(IsScriptType(language)) {}

ByteClass ByteClassifier::Peek(uint8_t b) const {
  switch (language_) {
    case ScriptLanguage::kJapanese:
      if (state_ == ByteClass::kLead) {
        return ((b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC)) ? ByteClass::kTrail
                                                                      : ByteClass::kSingle;
      }
      return ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF)) ? ByteClass::kLead
                                                                    : ByteClass::kSingle;
    case ScriptLanguage::kKorean:
      if (state_ == ByteClass::kLead) {
        return (b >= 0xA1 && b <= 0xFE) ? ByteClass::kTrail : ByteClass::kSingle;
      }
      return (b >= 0xA1 && b <= 0xFE) ? ByteClass::kLead : ByteClass::kSingle;
    case ScriptLanguage::kRomaji:
      if (b == 'a' || b == 'e' || b == 'i' || b == 'o' || b == 'u') return ByteClass::kTrail;
      if (IsLower(b)) return ByteClass::kLead;
      return state_;
    case ScriptLanguage::kChinese:
      if (IsDigit(b)) return state_ == ByteClass::kLead ? ByteClass::kTrail : ByteClass::kSingle;
      return IsLower(b) ? ByteClass::kLead : ByteClass::kSingle;
    default:
      return ByteClass::kSingle;
  }
}

ByteClass ByteClassifier::Next(uint8_t byte) {
  state_ = Peek(byte);
  return state_;
}

void BracketTracker::Single(uint8_t byte) {
  if (byte == '[') {
    state_ = kInside;
  } else if (byte == ']') {
    state_ = state_ == kInside ? kOutside : kStray;
  }
}

namespace {

WideForm FormOfRow(ScriptLanguage language, size_t symbol_row) {
  const core::FullWidthRow& row =
      core::kFullWidthTable[core::kFullWidthFirstSymbolRow + symbol_row];
  if (language == ScriptLanguage::kKorean) return {row.ks[0], row.ks[1]};
  return {row.shift_jis[0], row.shift_jis[1]};
}

// Symbol rows of the full-width table that hold the script forms of space, '-' and '~'.
constexpr size_t kSpaceRow = 31;
constexpr size_t kMinusRow = 32;
constexpr size_t kTildeRow = 33;

}  // namespace

WideForm WideSpace(ScriptLanguage language) { return FormOfRow(language, kSpaceRow); }
WideForm WideMinus(ScriptLanguage language) { return FormOfRow(language, kMinusRow); }
WideForm WideTilde(ScriptLanguage language) { return FormOfRow(language, kTildeRow); }

bool IsSyllableChar(ScriptLanguage language, uint8_t lead, uint8_t trail) {
  if (language != ScriptLanguage::kJapanese && language != ScriptLanguage::kKorean) return false;
  for (WideForm form : {WideSpace(language), WideMinus(language), WideTilde(language)}) {
    if (form.lead == lead && form.trail == trail) return true;
  }
  if (language == ScriptLanguage::kJapanese) {
    return IsHiragana(lead, trail) || (lead == 0x81 && trail >= 0x5B && trail <= 0x5D);
  }
  return lead >= 0xB0 && lead <= 0xC8 && trail >= 0xA1 && trail <= 0xFE;
}

size_t DigitRun(std::string_view text, size_t pos) {
  size_t n = 0;
  while (pos + n < text.size() && IsDigit(static_cast<uint8_t>(text[pos + n]))) ++n;
  return n;
}

size_t ReadNumber(std::string_view text, size_t pos, int* value) {
  size_t n = DigitRun(text, pos);
  int v = 0;
  for (size_t k = 0; k < n; ++k) {
    v = v * 10 + (text[pos + k] - '0');
    if (v > kNumberCap) v = kNumberCap;
  }
  *value = v;
  return n;
}

}  // namespace vtr::w2s
