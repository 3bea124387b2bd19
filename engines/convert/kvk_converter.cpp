#include "engines/convert/kvk_converter.h"

#include <cctype>
#include <string_view>

#include "core/script_symbols.h"
#include "core/script_text.h"
#include "engines/convert/internal/converter_engine.h"
#include "engines/convert/internal/kvk_tables.h"

namespace vtr::convert {
namespace {

using internal::Char;
using internal::HangulCodes;
using internal::Record;
using internal::RecordKind;

constexpr auto kLanguage = core::ScriptLanguage::kKorean;
constexpr int kShortLength = 260;  // [ms]
constexpr int kLongLength = 400;   // initial and final consonant [ms]
constexpr int kClassStep = 140;    // a boundary rule that moves a syllable between classes
constexpr int kMinDuration = 20;

// Prolongation marks of this converter besides the symbol set's: A1 AA "-", A1 AD "~".
constexpr uint8_t kMarkLead = 0xA1;
constexpr uint8_t kDashTrail = 0xAA;
constexpr uint8_t kTildeTrail = 0xAD;

HangulCodes CodesOf(const Record& r) { return {r.initial, r.vowel, r.final}; }

uint8_t AsciiOfLetter(uint8_t b) {
  if (std::islower(b) && core::FindLowerCaseByAscii(b) != nullptr) {
    return static_cast<uint8_t>(std::toupper(b));
  }
  return b;
}

class KvkEngine final : public internal::ConverterEngine {
 private:
  std::string_view HeaderTag() const override { return core::HeaderTagOf(kLanguage); }

  void ParsePhrase() override {
    while (PhraseHasRoom()) {
      if (ContinueBracketSkip()) continue;
      if (BytesLeft() >= 2) {
        if (const auto index = internal::HangulIndex(ByteAt(pos_), ByteAt(pos_ + 1))) {
          const HangulCodes codes = internal::HangulCodesOf(*index);
          Record r;
          r.row = *index;
          r.initial = codes.initial;
          r.vowel = codes.vowel;
          r.final = codes.final;
          r.source = static_cast<int32_t>(pos_ + 1);
          if (!AddSyllable(r, ClassLength(codes))) break;
          pos_ += 2;
          phrase_bytes_ += 2;
          continue;
        }
      }
      if (ParseSymbol() == SymbolResult::kPhraseEnd) break;
    }
  }

  int ClassLength(const HangulCodes& codes) const {
    return TableLengths() && internal::IsLongSyllable(codes) ? kLongLength : kShortLength;
  }

  // Rewrites adjacent syllables of the phrase by the boundary rules, left to right.
  void AfterPhrase() override {
    for (size_t i = 0; i < records_.size(); ++i) {
      if (records_[i].kind != RecordKind::kSyllable) continue;
      size_t j = i + 1;
      while (j < records_.size() && records_[j].kind != RecordKind::kSyllable &&
             records_[j].kind != RecordKind::kRest) {
        ++j;
      }
      if (j >= records_.size() || records_[j].kind != RecordKind::kSyllable) continue;
      Record& first = records_[i];
      Record& second = records_[j];
      const auto change = internal::FindBoundaryRule(first.final, CodesOf(second));
      if (!change) continue;
      HangulCodes new_second = CodesOf(second);
      std::optional<uint16_t> second_index = second.row;
      if (change->second_initial) {
        new_second.initial = *change->second_initial;
        // A rule applies only where the rewritten syllable exists.
        second_index = internal::HangulIndexOf(new_second);
        if (!second_index) continue;
      }
      if (change->first_loses_final) {
        // The codes are kept in the record: the syllable without its final is pronounced from
        // them even where the character set lacks it (뢨, 썅, 쏀, 쓩, 쭁).
        HangulCodes bare = CodesOf(first);
        bare.final = internal::kNoFinal;
        Reclassify(first, bare, internal::HangulIndexOf(bare).value_or(first.row));
      }
      Reclassify(second, new_second, *second_index);
    }
  }

  // Moves a record to other codes; a move between the long and the short class changes its
  // duration by 140 ms, whatever the length mode.
  static void Reclassify(Record& r, const HangulCodes& codes, uint16_t index) {
    const bool was_long = internal::IsLongSyllable(CodesOf(r));
    const bool is_long = internal::IsLongSyllable(codes);
    if (was_long != is_long) {
      if (is_long) {
        r.duration += kClassStep;
      } else {
        r.duration = r.duration <= kClassStep ? kMinDuration : r.duration - kClassStep;
      }
    }
    r.initial = codes.initial;
    r.vowel = codes.vowel;
    r.final = codes.final;
    r.row = index;
  }

  Char CharAt(size_t pos) const override {
    const std::string_view rest(reinterpret_cast<const char*>(text_) + pos,
                                pos < size_ ? size_ - pos : 0);
    if (!core::StartsDoubleByte(kLanguage, rest)) return {1, AsciiOfLetter(ByteAt(pos))};
    const uint8_t lead = ByteAt(pos);
    const uint8_t trail = ByteAt(pos + 1);
    if (const core::SymbolRecord* s = core::FindSymbolByKs(lead, trail)) {
      return {2, static_cast<uint8_t>(s->symbol)};
    }
    if (const core::SymbolRecord* s = core::FindLowerCaseByKs(lead, trail)) {
      return {2, static_cast<uint8_t>(std::toupper(static_cast<int>(s->symbol)))};
    }
    if (lead == kMarkLead && trail == kDashTrail) return {2, '-'};
    if (lead == kMarkLead && trail == kTildeTrail) return {2, '~'};
    return {2, 0};
  }

  int ProlongationLength(const Record* previous) const override {
    if (!TableLengths() || previous == nullptr) return kShortLength;
    if (previous->kind == RecordKind::kSyllable) return ClassLength(CodesOf(*previous));
    if (previous->kind == RecordKind::kProlongation) return previous->base_length;
    return kShortLength;
  }

  void AppendEventText(size_t first, std::vector<uint8_t>& text) const override {
    const Record& r = records_[first];
    for (std::string_view name : {internal::InitialName(r.initial), internal::VowelName(r.vowel),
                                  internal::FinalName(r.final)}) {
      text.insert(text.end(), name.begin(), name.end());
    }
  }

  int SyllableBufferNeed(int body) const override { return body + 15; }
};

}  // namespace

KvkConverter::KvkConverter() : ScriptToEventConverter(std::make_unique<KvkEngine>()) {}

}  // namespace vtr::convert
