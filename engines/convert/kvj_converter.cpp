#include "engines/convert/kvj_converter.h"

#include <cctype>
#include <string_view>

#include "core/script_symbols.h"
#include "core/script_text.h"
#include "engines/convert/internal/converter_engine.h"
#include "engines/convert/internal/kvj_tables.h"

namespace vtr::convert {
namespace {

using internal::Char;
using internal::Record;
using internal::RecordKind;

constexpr int kPlainLength = 160;  // a syllable or prolongation with table lengths off [ms]
constexpr auto kLanguage = core::ScriptLanguage::kJapanese;

// The ASCII symbol that a Shift-JIS double-byte character stands for, or 0.
uint8_t AsciiOfDoubleByte(uint8_t lead, uint8_t trail) {
  if (const core::SymbolRecord* s = core::FindSymbolByShiftJis(lead, trail)) {
    return static_cast<uint8_t>(s->symbol);
  }
  if (const core::SymbolRecord* s = core::FindLowerCaseByShiftJis(lead, trail)) {
    return static_cast<uint8_t>(std::toupper(static_cast<int>(s->symbol)));
  }
  const char form[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  for (const core::AliasRecord& alias : core::kAliasTable) {
    if (alias.form_b != std::string_view(form, 2)) continue;
    if (alias.form_a.size() == 1) return static_cast<uint8_t>(alias.form_a[0]);
    const auto* s = core::FindSymbolByShiftJis(static_cast<uint8_t>(alias.form_a[0]),
                                               static_cast<uint8_t>(alias.form_a[1]));
    return s != nullptr ? static_cast<uint8_t>(s->symbol) : 0;
  }
  return 0;
}

// The ASCII symbol of a single byte: ASCII itself (lower-case letter commands as their
// upper-case symbols) and the half-width punctuation and prolonged sound mark.
uint8_t AsciiOfSingleByte(uint8_t b) {
  if (b >= 0x20 && b <= 0x7E) {
    if (std::islower(b)) {
      const core::SymbolRecord* s = core::FindLowerCaseByAscii(b);
      return s != nullptr ? static_cast<uint8_t>(std::toupper(b)) : b;
    }
    return b;
  }
  for (const core::AliasRecord& alias : core::kAliasTable) {
    if (alias.form_b.size() == 1 && static_cast<uint8_t>(alias.form_b[0]) == b) {
      return static_cast<uint8_t>(alias.form_a[0]);
    }
    if (alias.form_a.size() == 1 && static_cast<uint8_t>(alias.form_a[0]) == b &&
        alias.form_b.size() == 2) {
      return AsciiOfDoubleByte(static_cast<uint8_t>(alias.form_b[0]),
                               static_cast<uint8_t>(alias.form_b[1]));
    }
  }
  return 0;
}

class KvjEngine final : public internal::ConverterEngine {
 private:
  std::string_view HeaderTag() const override { return core::HeaderTagOf(kLanguage); }

  void ParsePhrase() override {
    while (PhraseHasRoom()) {
      if (ContinueBracketSkip()) continue;
      const auto kana = internal::MatchKana(std::span<const uint8_t>(text_ + pos_, BytesLeft()));
      if (kana) {
        Record r;
        r.row = kana->row;
        r.source = static_cast<int32_t>(pos_ + 1);
        const int length =
            TableLengths() ? internal::PhonemeTable()[kana->row].length : kPlainLength;
        if (!AddSyllable(r, length)) break;
        pos_ += kana->bytes;
        phrase_bytes_ += kana->bytes;
        continue;
      }
      if (ParseSymbol() == SymbolResult::kPhraseEnd) break;
    }
  }

  Char CharAt(size_t pos) const override {
    const std::string_view rest(reinterpret_cast<const char*>(text_) + pos,
                                pos < size_ ? size_ - pos : 0);
    if (core::StartsDoubleByte(kLanguage, rest)) {
      return {2, AsciiOfDoubleByte(ByteAt(pos), ByteAt(pos + 1))};
    }
    return {1, AsciiOfSingleByte(ByteAt(pos))};
  }

  bool IsGeminate(const Record& r) const override { return r.row == internal::kGeminateRow; }

  int ProlongationLength(const Record* previous) const override {
    if (!TableLengths() || previous == nullptr) return kPlainLength;
    if (previous->kind == RecordKind::kSyllable) {
      return internal::PhonemeTable()[previous->row].length;
    }
    if (previous->kind == RecordKind::kProlongation) return previous->base_length;
    return kPlainLength;
  }

  // The row's name; when the next syllable (looking past prolongations and U/W controls, up
  // to a rest or a voice command) is a bare vowel or the moraic nasal, its name follows
  // directly, with no separator, counted in the text length.
  void AppendEventText(size_t first, std::vector<uint8_t>& text) const override {
    const std::string_view name = internal::PhonemeTable()[records_[first].row].name;
    text.insert(text.end(), name.begin(), name.end());
    for (size_t j = first + 1; j < records_.size(); ++j) {
      const Record& r = records_[j];
      if (r.kind == RecordKind::kRest || r.kind == RecordKind::kVoice) return;
      if (r.kind != RecordKind::kSyllable) continue;
      if (internal::IsBarePhoneme(static_cast<uint8_t>(r.row))) {
        const std::string_view bare = internal::PhonemeTable()[r.row].name;
        text.insert(text.end(), bare.begin(), bare.end());
      }
      return;
    }
  }
};

}  // namespace

KvjConverter::KvjConverter() : ScriptToEventConverter(std::make_unique<KvjEngine>()) {}

}  // namespace vtr::convert
