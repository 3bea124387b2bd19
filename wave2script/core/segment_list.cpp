#include "wave2script/core/segment_list.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/script_text.h"
#include "engines/pth/kana_labels.h"

namespace vtr::w2s {
namespace {

constexpr uint8_t kHiraganaLead = 0x82;
constexpr uint8_t kSmallTsu = 0xC1;
constexpr char kPauseSymbol[] = " ";
constexpr char kPauseLabel[] = " ";
constexpr char kPauseText[] = "\x81\x40";  // the full-width space

// The aligner has no symbols of its own for these kana; they are read as the kana they sound
// like (trail bytes after the hiragana lead).
struct SoundsLike {
  uint8_t kana;
  uint8_t as;
};
constexpr SoundsLike kSingleSoundsLike[] = {
    {0x9F, 0xA0}, {0xA1, 0xA2}, {0xA3, 0xA4}, {0xA5, 0xA6}, {0xA7, 0xA8},  // small vowels
    {0xE1, 0xE2}, {0xE3, 0xE4}, {0xE5, 0xE6}, {0xEC, 0xED},                // small ya yu yo wa
    {0xC0, 0xB6}, {0xC3, 0xB8},                                            // di du as zi zu
    {0xEE, 0xA2}, {0xEF, 0xA6}, {0xF0, 0xA8},                              // wi we wo
};
// At the head of a pair only the voiced di and du stand for zi and zu.
constexpr SoundsLike kPairHeadSoundsLike[] = {{0xC0, 0xB6}, {0xC3, 0xB8}};

// The symbols of single hiragana and of pairs, indexed by trail bytes, drawn from the
// aligner's label table: a label whose kana is one hiragana gives a single, one whose kana is
// two hiragana a pair.
class AlignerSymbols {
 public:
  AlignerSymbols() {
    for (const pth::KanaLabel& label : pth::KanaLabels()) {
      std::string_view kana = label.kana();
      auto byte = [&](size_t i) { return static_cast<uint8_t>(kana[i]); };
      if (kana.size() == 2 && byte(0) == kHiraganaLead) {
        if (single_[byte(1)].empty()) single_[byte(1)] = label.name();
      } else if (kana.size() == 4 && byte(0) == kHiraganaLead && byte(2) == kHiraganaLead) {
        std::string_view& slot = pair_[PairIndex(byte(1), byte(3))];
        if (slot.empty()) slot = label.name();
      }
    }
    single_[kSmallTsu] = kPauseSymbol;
    for (const SoundsLike& row : kSingleSoundsLike) single_[row.kana] = single_[row.as];
    for (const SoundsLike& row : kPairHeadSoundsLike) {
      for (int second = 0; second < 256; ++second) {
        pair_[PairIndex(row.kana, second)] = pair_[PairIndex(row.as, second)];
      }
    }
  }

  std::string_view Single(uint8_t trail) const { return single_[trail]; }
  std::string_view Pair(uint8_t first, uint8_t second) const {
    return pair_[PairIndex(first, second)];
  }

 private:
  static size_t PairIndex(int first, int second) {
    return static_cast<size_t>(first) * 256 + second;
  }

  std::array<std::string_view, 256> single_{};
  std::array<std::string_view, size_t{256} * 256> pair_{};
};

const AlignerSymbols& Symbols() {
  static const AlignerSymbols symbols;
  return symbols;
}

uint32_t MsToStep(int ms) { return static_cast<uint32_t>(ms) / kSegmentStepMs; }

}  // namespace

bool IsGapItem(const SegmentItem& item) {
  return item.text != nullptr && std::strchr(item.text, '#') != nullptr;
}

uint32_t CheckSegmentModeWord(uint32_t mode_word) {
  const uint32_t kind = mode_word >> 28;
  if (kind != 5 && kind != 0xF) return kSegmentModeBadKind;
  if (((mode_word >> 24) & 0xF) != 2) return kSegmentModeBadLanguage;
  return 0;
}

const char* LabelToHiragana(std::string_view label) {
  if (label == kPauseLabel) return kPauseText;
  if (label.empty() || label.size() > 4) return "";
  int row = pth::FindKanaLabel(label);
  // Every row's text is NUL-padded inside its record, so it ends in a NUL.
  return row < 0 ? "" : pth::KanaLabels()[row].text().data();
}

uint32_t BuildAlignerText(std::string_view kana, std::string* out) {
  const AlignerSymbols& symbols = Symbols();
  std::string text;
  size_t i = 0;
  auto byte = [&](size_t at) { return static_cast<uint8_t>(kana[at]); };
  while (i < kana.size()) {
    if (!core::StartsDoubleByte(core::ScriptLanguage::kJapanese, kana.substr(i))) {
      ++i;
      continue;
    }
    if (byte(i) != kHiraganaLead) {
      i += 2;
      continue;
    }
    // A pair needs a whole second character that is a hiragana too.
    if (i + 4 <= kana.size() && byte(i + 2) == kHiraganaLead) {
      std::string_view pair = symbols.Pair(byte(i + 1), byte(i + 3));
      if (!pair.empty()) {
        text += pair;
        i += 4;
        continue;
      }
    }
    std::string_view single = symbols.Single(byte(i + 1));
    if (single.empty()) {
      out->clear();
      return kAlignerTextNoSymbol;
    }
    text += single;
    i += 2;
  }
  *out = std::move(text);
  return 0;
}

SegmentList& TheSegmentList() {
  static SegmentList list;
  return list;
}

uint32_t SegmentList::SetAlignment(uint32_t mode_word, uint32_t phoneme_count,
                                   SegmentRecord* phonemes, uint32_t syllable_count,
                                   SegmentRecord* syllables) {
  if (uint32_t code = CheckSegmentModeWord(mode_word); code != 0) return code;
  phonemes_ = {phonemes != nullptr ? phoneme_count : 0, phonemes};
  syllables_ = {syllables != nullptr ? syllable_count : 0, syllables};
  BuildItems();
  return 0;
}

int SegmentList::GetAlignment(SegmentTable* phonemes, SegmentTable* syllables) const {
  if (phonemes != nullptr) *phonemes = phonemes_;
  if (syllables != nullptr) *syllables = syllables_;
  return 0;
}

int SegmentList::CopyItemsTo(std::vector<SegmentItem>* dst) const {
  dst->insert(dst->end(), items_.begin(), items_.end());
  return 0;
}

int SegmentList::ReplaceItems(const std::vector<SegmentItem>& src) {
  items_ = src;
  WriteBack();
  return 0;
}

void SegmentList::BuildItems() {
  items_.clear();
  if (syllables_.count <= 1) return;
  const SegmentRecord* records = syllables_.items;
  for (uint32_t k = 1; k < syllables_.count; ++k) {
    if (k >= 2 && records[k - 1].endStep < records[k].startStep) {
      items_.push_back({kGapItemText, static_cast<int>(records[k - 1].endStep) * kSegmentStepMs});
    }
    items_.push_back({LabelToHiragana(wtp::SegmentName(records[k])),
                      static_cast<int>(records[k].startStep) * kSegmentStepMs});
  }
}

void SegmentList::WriteBack() {
  WriteBackSyllables();
  SplitPhonemes();
}

void SegmentList::WriteBackSyllables() {
  const uint32_t count = syllables_.count;
  if (count < 2) return;
  SegmentRecord* records = syllables_.items;
  // The last record (the trailing pause) keeps its end and at least one step before it.
  auto set_start = [&](uint32_t b, int ms) {
    uint32_t step = MsToStep(ms);
    if (b == count - 1 && records[b].endStep > 0) step = std::min(step, records[b].endStep - 1);
    records[b].startStep = step;
  };
  uint32_t b = 0;
  size_t i = 0;
  while (i < items_.size() && b + 1 < count) {
    if (IsGapItem(items_[i])) {
      records[b].endStep = MsToStep(items_[i].start);
      ++i;
      if (i >= items_.size()) break;
      set_start(b + 1, items_[i].start);
    } else {
      set_start(b + 1, items_[i].start);
      records[b].endStep = records[b + 1].startStep;
    }
    ++i;
    ++b;
  }
}

void SegmentList::SplitPhonemes() {
  SegmentRecord* phonemes = phonemes_.items;
  for (uint32_t s = 0; s < syllables_.count; ++s) {
    const SegmentRecord& syllable = syllables_.items[s];
    const int32_t first_index = syllable.firstPhoneme;
    const int32_t last_index = syllable.lastPhoneme;
    if (first_index < 0 || last_index < first_index ||
        static_cast<uint32_t>(last_index) >= phonemes_.count) {
      continue;  // a record that names no phonemes of the table
    }
    SegmentRecord& first = phonemes[first_index];
    SegmentRecord& last = phonemes[last_index];
    if (first_index == last_index) {
      first.startStep = syllable.startStep;
      first.endStep = syllable.endStep;
      continue;
    }
    const int64_t f = std::max<int64_t>(0, int64_t{first.endStep} - first.startStep);
    const int64_t l = std::max<int64_t>(0, int64_t{last.endStep} - last.startStep);
    const int64_t n = int64_t{syllable.endStep} - syllable.startStep;
    int64_t share;
    if (f + l == 0) {
      share = n / 2;  // no old durations to go by: halves
    } else {
      const double exact =
          static_cast<double>(f) * static_cast<double>(n) / static_cast<double>(f + l);
      share = static_cast<int64_t>(f > l ? std::round(exact) : std::trunc(exact));
    }
    if (n >= 2) share = std::clamp<int64_t>(share, 1, n - 1);
    first.startStep = syllable.startStep;
    first.endStep = static_cast<uint32_t>(int64_t{first.startStep} + share);
    last.startStep = first.endStep;
    last.endStep = syllable.endStep;
  }
}

}  // namespace vtr::w2s
