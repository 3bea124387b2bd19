// Constant tables shared by the three script-to-event converters: the symbol operations, the
// accent shapes, the sentence-mode offsets and the command value tables.
#ifndef VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_TABLES_H_
#define VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_TABLES_H_

#include <array>
#include <cstdint>
#include <span>

namespace vtr::convert::internal {

enum class SymbolOp : uint8_t {
  kRest,
  kPhraseEnd,  // argument 1 ",", 2 ".", 3 "?", 4 "*"
  kProlong,    // argument 0 "-", 3 "~"
  kAccentA,    // argument: pitch shape kind
  kAccentB,    // argument: volume shape kind
  kClearA,
  kClearB,
  kClearBoth,
  kSentenceMode,  // argument: mode 0..5
  kNote,          // argument: semitone
  kSpeed,
  kControlU,
  kVelocity,
  kControlW,
  kVoice,  // argument 0 "K", 1 "X"
  kLengthMode,
  kBracket,  // argument 0 "[", 1 "]"
};

struct SymbolEntry {
  SymbolOp op;
  uint8_t arg;
};

// The operation of an ASCII symbol (after full-width, half-width and lower-case forms were
// folded onto it); nullptr for a character with no operation.
const SymbolEntry* FindSymbolEntry(uint8_t ascii);

inline constexpr uint8_t kPhraseEndComma = 1;
inline constexpr uint8_t kPhraseEndQuestion = 3;
inline constexpr uint8_t kPhraseEndStar = 4;
inline constexpr uint8_t kProlongTilde = 3;

// Accent kinds: pitch shapes 0..6 and volume shapes 0..6; 7 = no accent.
inline constexpr uint8_t kNoAccent = 7;
inline constexpr uint8_t kAccentStar = 1;      // set by "*" on the phrase's last syllable
inline constexpr uint8_t kAccentQuestion = 2;  // set by "?"
inline constexpr uint8_t kVolumeSilence = 4;   // covers an absorbed rest

struct ShapePoint {
  uint8_t weight;  // 0..127 across the mark's length
  int16_t value;   // pitch [bend units] or volume [velocity steps]
};
std::span<const ShapePoint> PitchShape(uint8_t kind);
std::span<const ShapePoint> VolumeShape(uint8_t kind);

// The sentence mode's pitch offset for the event's place in the phrase.
enum class PhrasePlace : uint8_t { kFirst = 0, kOther = 1, kLast = 2 };
inline constexpr uint8_t kDefaultSentenceMode = 4;
inline constexpr uint8_t kTableSentenceMode = 5;  // "+": marks from the 32-entry table
int ModeOffset(uint8_t mode, PhrasePlace place);

struct TableMark {
  uint8_t kind;
  uint8_t count;
};
// The pitch mark of sentence mode 5 for a table index (taken mod 32).
TableMark SentenceModeMark(int index);

// "V1".."V5" and "W1".."W5".
uint8_t VelocityOfLevel(int level);
uint8_t BendRangeOfLevel(int level);

}  // namespace vtr::convert::internal

#endif  // VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_TABLES_H_
