#include "engines/convert/kvc_converter.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/script_text.h"
#include "engines/convert/internal/converter_engine.h"
#include "engines/convert/internal/kvc_tables.h"

namespace vtr::convert {
namespace {

using internal::Char;
using internal::Record;
using internal::RecordKind;

constexpr int kPlainLength = 200;  // a syllable with table lengths off [ms]

bool IsLetter(uint8_t b) { return b >= 'a' && b <= 'z'; }

class KvcEngine final : public internal::ConverterEngine {
 private:
  std::string_view HeaderTag() const override {
    return core::HeaderTagOf(core::ScriptLanguage::kChinese);
  }

  void ParsePhrase() override {
    previous_tone_ = 0;
    previous_syllable_.reset();
    while (PhraseHasRoom()) {
      if (ContinueBracketSkip()) continue;
      const uint8_t b = ByteAt(pos_);
      if (IsLetter(b)) {
        if (!ParseSyllable()) SkipByte();
        continue;
      }
      if (b >= 0x20 && b <= 0x7E) {
        const SymbolResult result = ParseSymbol();
        if (result == SymbolResult::kPhraseEnd) break;
        if (result == SymbolResult::kNoOperation) ++phrase_bytes_;
        continue;
      }
      SkipByte();
    }
  }

  void SkipByte() {
    ++pos_;
    ++phrase_bytes_;
  }

  // A syllable: lower-case letters, then a tone digit 0..4; false (nothing consumed) when the
  // letters name no row or no erhua form, or no tone digit follows.
  bool ParseSyllable() {
    size_t n = 0;
    while (n < BytesLeft() && IsLetter(ByteAt(pos_ + n))) ++n;
    if (n > internal::kMaxPinyinLetters || n >= BytesLeft()) return false;
    const uint8_t digit = ByteAt(pos_ + n);
    if (digit < '0' || digit > '4') return false;
    std::string_view letters(reinterpret_cast<const char*>(text_) + pos_, n);
    bool erhua = false;
    if (letters.back() == 'r' && n > 2) {
      letters.remove_suffix(1);
      erhua = true;
    } else if (n == 2 && letters.back() == 'r' && letters[0] != 'e') {
      letters = letters.substr(0, 1);
      erhua = true;
    }
    const auto row = internal::FindPinyinSyllable(letters);
    if (!row) return false;
    const internal::PinyinSyllable& syllable = internal::PinyinSyllableTable()[*row];
    if (erhua && syllable.erhua.empty()) return false;

    const int tone = digit - '0';
    Record r;
    r.row = *row;
    r.normal = erhua ? 0 : 1;
    r.tone_code = internal::ToneCode(tone, previous_tone_);
    r.next_tone = internal::kNoTone;
    r.source = static_cast<int32_t>(pos_ + 1);
    if (!AddSyllable(r, TableLengths() ? syllable.length : kPlainLength)) return false;
    if (previous_syllable_) records_[*previous_syllable_].next_tone = static_cast<uint8_t>(tone);
    previous_syllable_ = records_.size() - 1;
    previous_tone_ = tone;
    pos_ += n + 1;
    phrase_bytes_ += static_cast<int>(n + 1);
    return true;
  }

  Char CharAt(size_t pos) const override {
    const uint8_t b = ByteAt(pos);
    if (b >= 0x20 && b <= 0x7E) return {1, b};
    // Double-byte characters (0xA1 and above) are passed over in pairs inside brackets.
    if (b >= 0xA1 && pos + 1 < size_) return {2, 0};
    return {1, 0};
  }

  int ProlongationLength(const Record*) const override { return 0; }
  bool ProlongationTakesTime() const override { return false; }

  void AppendEventText(size_t first, std::vector<uint8_t>& text) const override {
    const Record& r = records_[first];
    const internal::PinyinSyllable& syllable = internal::PinyinSyllableTable()[r.row];
    const std::string_view name = r.normal ? syllable.text : syllable.erhua;
    text.insert(text.end(), name.begin(), name.end());
  }

  bool TonePitch(const Record& r, int mode_offset, int pitch_acc,
                 std::vector<events::PitchPoint>& pitch) const override {
    for (const internal::TonePoint& p : internal::ToneShape(r.tone_code, r.next_tone)) {
      const int value = std::clamp(mode_offset + p.value + pitch_acc, -8192, 8191);
      const events::PitchPoint point{p.position, events::BendFromSigned(value)};
      if (!pitch.empty() && pitch.back() == point) continue;
      pitch.push_back(point);
    }
    return true;
  }

  // The tone shapes take the place of the sentence mode's table of marks.
  bool UsesSentenceModeTable() const override { return false; }
  // Prolongations carry no time of their own: every covered record takes an equal share.
  bool LaysOutMarksByTime() const override { return false; }
  int SyllableBufferNeed(int body) const override { return body + 15; }

  int previous_tone_ = 0;
  std::optional<size_t> previous_syllable_;
};

}  // namespace

KvcConverter::KvcConverter() : ScriptToEventConverter(std::make_unique<KvcEngine>()) {}

}  // namespace vtr::convert
