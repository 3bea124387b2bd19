// SegmentList: the bridge between the aligner's segment tables and the segment graph.
//
// The aligner lends two tables of 48-byte records (phonemes and syllables, owned by the
// alignment library). The list turns the syllable table into items {hiragana, start in ms},
// with a "#" item for every gap between two syllables, and writes edited item times back into
// the records, spreading each syllable's change over its phonemes. It also builds the aligner's
// input text from typed kana, and holds the pitch-sequence buffer that the wave input dialog
// lends it.
//
//   // given: wtp::SegmentTable phonemes, syllables
//   SegmentList& list = TheSegmentList();
//   if (list.SetAlignment(0x52000000, phonemes.count, phonemes.items, syllables.count,
//                         syllables.items) == 0) {
//     std::vector<SegmentItem> items;
//     list.CopyItemsTo(&items);   // edited by the graph ...
//     list.ReplaceItems(items);   // ... and written back into the records
//   }
#ifndef VTR_WAVE2SCRIPT_CORE_SEGMENT_LIST_H_
#define VTR_WAVE2SCRIPT_CORE_SEGMENT_LIST_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engines/wtp/segment_record.h"

namespace vtr::w2s {

using wtp::SegmentRecord;
using wtp::SegmentTable;

// Result codes.
inline constexpr uint32_t kSegmentModeBadKind = 0x10000000;      // top nibble not 5 or 0xF
inline constexpr uint32_t kSegmentModeBadLanguage = 0x10000001;  // language nibble not 2
inline constexpr uint32_t kAlignerTextNoSymbol = 0x20000000;     // a hiragana without symbol

// The mode word the dialogs pass: emulator kind, Japanese.
inline constexpr uint32_t kSegmentModeWord = 0x52000000;

// Milliseconds per aligner step.
inline constexpr int kSegmentStepMs = 20;

// The text of a gap item.
inline constexpr char kGapItemText[] = "#";

// One item of the segment graph. `text` points into the label table (a Shift-JIS hiragana
// string, the full-width space of a pause, or "#" for a gap); it is never owned.
struct SegmentItem {
  const char* text = "";
  int start = 0;  // [ms] from the start of the wave; a multiple of 20 when built
};

// True when the item stands for a gap ("#" in its text).
[[nodiscard]] bool IsGapItem(const SegmentItem& item);

class SegmentList {
 public:
  SegmentList() = default;
  virtual ~SegmentList() = default;
  SegmentList(const SegmentList&) = delete;
  SegmentList& operator=(const SegmentList&) = delete;

  // Checks the mode word, stores both tables (not owned) and builds the items. Returns 0, or
  // the code of CheckSegmentModeWord (nothing is stored then).
  [[nodiscard]] uint32_t SetAlignment(uint32_t mode_word, uint32_t phoneme_count,
                                      SegmentRecord* phonemes, uint32_t syllable_count,
                                      SegmentRecord* syllables);
  // Copies the stored tables out. Returns 0.
  int GetAlignment(SegmentTable* phonemes, SegmentTable* syllables) const;
  // Appends copies of all items to `dst`. Returns 0.
  int CopyItemsTo(std::vector<SegmentItem>* dst) const;
  // Replaces the items with copies of `src` and writes them back into the records. Returns 0.
  int ReplaceItems(const std::vector<SegmentItem>& src);

  // Rebuilds the items from the syllable table: record 0 (the leading pause) gives none;
  // every further record gives its hiragana at its start, preceded by a "#" item at the
  // previous record's end when the two do not touch.
  void BuildItems();
  // Writes the item times into the syllable records, then splits every syllable over its
  // phonemes. The first record's start and the last record's end never change; the last
  // record keeps at least one step; a phoneme of a syllable of two or more steps keeps at
  // least one step.
  void WriteBack();

  const std::vector<SegmentItem>& items() const { return items_; }

  // The pitch-sequence buffer lent by the wave input dialog, and its filled length.
  void SetPitchSequence(char* buffer, int length) {
    pitch_sequence_ = buffer;
    pitch_sequence_length_ = length;
  }
  char* pitch_sequence() const { return pitch_sequence_; }
  int pitch_sequence_length() const { return pitch_sequence_length_; }

 private:
  void WriteBackSyllables();
  void SplitPhonemes();

  std::vector<SegmentItem> items_;
  SegmentTable phonemes_{0, nullptr};
  SegmentTable syllables_{0, nullptr};
  char* pitch_sequence_ = nullptr;
  int pitch_sequence_length_ = 0;
};

// The library's one list.
SegmentList& TheSegmentList();

// 0 when the mode word's kind nibble (bits 28-31) is 5 or 0xF and its language nibble
// (bits 24-27) is 2 (Japanese); else kSegmentModeBadKind or kSegmentModeBadLanguage.
[[nodiscard]] uint32_t CheckSegmentModeWord(uint32_t mode_word);

// The display text of an aligner label: its hiragana (Shift-JIS, with the leading space some
// two-kana labels carry), the full-width space for the pause label " ", and "" for a label
// that has no row (an exact, case-sensitive match).
[[nodiscard]] const char* LabelToHiragana(std::string_view label);

// The aligner's input text for a Shift-JIS kana text: every hiragana, or pair of a hiragana
// and a small kana that forms one syllable, becomes its symbol ("っ" a one-space pause);
// other characters are passed over whole. Returns 0, or kAlignerTextNoSymbol for a character
// with the hiragana lead byte but no symbol (`out` is then emptied).
[[nodiscard]] uint32_t BuildAlignerText(std::string_view kana, std::string* out);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SEGMENT_LIST_H_
