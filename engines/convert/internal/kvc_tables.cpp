#include "engines/convert/internal/kvc_tables.h"

#include <array>

namespace vtr::convert::internal {
namespace {

constexpr PinyinSyllable kSyllables[kPinyinSyllables] = {
#include "engines/convert/internal/kvc_syllables.inc"
};

// First row of each (first letter, length 1..7); -1 when there is none.
constexpr std::array<std::array<int16_t, kMaxPinyinLetters>, 26> MakeIndex() {
  std::array<std::array<int16_t, kMaxPinyinLetters>, 26> index{};
  for (auto& letter : index) letter.fill(-1);
  for (size_t i = 0; i < kPinyinSyllables; ++i) {
    const std::string_view name = kSyllables[i].name;
    int16_t& first = index[name[0] - 'a'][name.size() - 1];
    if (first < 0) first = static_cast<int16_t>(i);
  }
  return index;
}
constexpr auto kIndex = MakeIndex();

constexpr TonePoint kTone0[] = {{0, 0}, {127, 0}};
constexpr TonePoint kTone1[] = {{0, 2072}, {127, 2072}};
constexpr TonePoint kTone2[] = {{0, -2853}, {127, 2927}};
constexpr TonePoint kTone3[] = {{0, -729}, {93, -3050}, {127, -3050}};
constexpr TonePoint kTone4[] = {{0, 3770}, {127, -3486}};
constexpr TonePoint kTone5[] = {{0, -1729}, {93, -3050}, {127, 1818}};
constexpr TonePoint kTone6[] = {{0, 1800}, {127, -1000}};
constexpr TonePoint kTone7[] = {{0, 2072}, {127, -1729}};
constexpr TonePoint kTone8[] = {{0, 521}, {127, 521}};
constexpr TonePoint kTone9[] = {{0, -2186}, {127, -4050}};
constexpr TonePoint kTone10[] = {{0, -924}, {127, 1927}};
constexpr TonePoint kTone11[] = {{0, 770}, {127, -3486}};
constexpr TonePoint kTone12[] = {{0, 0}, {0, 0}};
constexpr std::span<const TonePoint> kToneShapes[] = {
    kTone0, kTone1, kTone2, kTone3,  kTone4,  kTone5,  kTone6,
    kTone7, kTone8, kTone9, kTone10, kTone11, kTone12,
};

}  // namespace

std::span<const PinyinSyllable> PinyinSyllableTable() { return kSyllables; }

std::optional<uint16_t> FindPinyinSyllable(std::string_view letters) {
  if (letters.empty() || letters.size() > kMaxPinyinLetters || letters[0] < 'a' ||
      letters[0] > 'z') {
    return std::nullopt;
  }
  const int first = kIndex[letters[0] - 'a'][letters.size() - 1];
  if (first < 0) return std::nullopt;
  // Rows of one length are sorted alphabetically, so the rows of this first letter follow.
  for (size_t i = static_cast<size_t>(first);
       i < kPinyinSyllables && kSyllables[i].name.size() == letters.size() &&
       kSyllables[i].name[0] == letters[0];
       ++i) {
    if (kSyllables[i].name == letters) return static_cast<uint16_t>(i);
  }
  return std::nullopt;
}

uint8_t ToneCode(int tone, int previous) {
  switch (tone) {
    case 0:
      return previous >= 1 && previous <= 4 ? static_cast<uint8_t>(5 + previous) : 0;
    case 2:
      return previous == 1 ? 10 : 2;
    case 4:
      return previous == 3 ? 11 : 4;
    default:
      return static_cast<uint8_t>(tone);
  }
}

std::span<const TonePoint> ToneShape(uint8_t tone_code, uint8_t next_tone) {
  if (tone_code == 3 && (next_tone == 3 || next_tone == kNoTone)) return kToneShapes[5];
  return tone_code < std::size(kToneShapes) ? kToneShapes[tone_code] : kToneShapes[kNoTone];
}

}  // namespace vtr::convert::internal
