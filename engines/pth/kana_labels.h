// The 140 syllable labels of the aligner with their hiragana and default lengths.
//
// Every syllable the aligner can name (except the pause and the "N"/"N'" syllables it only
// uses inside words) has one row: its label ("k'a"), its hiragana in Shift-JIS and the length
// in milliseconds that a script gives the kana by default (at speed 50). The rows are sorted
// by label in byte order, and a row number is a stable key: the script generator stores it
// in its note records, and the segment list turns labels into display text with it.
//
// Some two-kana texts begin with one ASCII space so that they line up with the single kana in
// the segment view; text() keeps that space, kana() drops it for script text.
//
//   int row = vtr::pth::FindKanaLabel("tSa");       // >= 0
//   const vtr::pth::KanaLabel& label = vtr::pth::KanaLabels()[row];
//   std::string_view kana = label.kana();           // "\x82\xbf\x82\xe1" (chi + small ya)
//   int ms = label.length_ms;                       // 260
#ifndef VTR_ENGINES_PTH_KANA_LABELS_H_
#define VTR_ENGINES_PTH_KANA_LABELS_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vtr::pth {

inline constexpr size_t kKanaLabelCount = 140;

struct KanaLabel {
  char name_bytes[6];  // label, NUL-padded (at most 4 characters)
  char text_bytes[8];  // Shift-JIS text, NUL-padded (at most 5 bytes)
  uint16_t length_ms;  // default length at speed 50 [ms]: 140..260 in steps of 20

  [[nodiscard]] std::string_view name() const { return name_bytes; }
  // The display text, with its leading space where it has one.
  [[nodiscard]] std::string_view text() const { return text_bytes; }
  // The hiragana alone (the display text without a leading space).
  [[nodiscard]] std::string_view kana() const {
    std::string_view t = text();
    return !t.empty() && t.front() == ' ' ? t.substr(1) : t;
  }
};

// All rows, sorted by name in byte order.
[[nodiscard]] std::span<const KanaLabel, kKanaLabelCount> KanaLabels();

// The row whose name equals `name` exactly (case-sensitive), or -1.
[[nodiscard]] int FindKanaLabel(std::string_view name);

}  // namespace vtr::pth

#endif  // VTR_ENGINES_PTH_KANA_LABELS_H_
