#include "engines/convert/internal/converter_tables.h"

namespace vtr::convert::internal {
namespace {

struct SymbolRow {
  uint8_t ascii;
  SymbolEntry entry;
};

using O = SymbolOp;
constexpr SymbolRow kSymbols[] = {
    {' ', {O::kRest, 0}},         {',', {O::kPhraseEnd, 1}},    {'.', {O::kPhraseEnd, 2}},
    {'?', {O::kPhraseEnd, 3}},    {'*', {O::kPhraseEnd, 4}},    {'-', {O::kProlong, 0}},
    {'~', {O::kProlong, 3}},      {'\'', {O::kAccentA, 3}},     {'^', {O::kAccentA, 4}},
    {'_', {O::kAccentA, 5}},      {'$', {O::kAccentA, 6}},      {'<', {O::kAccentB, 5}},
    {'>', {O::kAccentB, 6}},      {'/', {O::kClearA, 0}},       {'=', {O::kClearB, 0}},
    {'&', {O::kClearBoth, 0}},    {'@', {O::kSentenceMode, 0}}, {';', {O::kSentenceMode, 1}},
    {'!', {O::kSentenceMode, 2}}, {':', {O::kSentenceMode, 3}}, {'+', {O::kSentenceMode, 5}},
    {'C', {O::kNote, 0}},         {'D', {O::kNote, 2}},         {'E', {O::kNote, 4}},
    {'F', {O::kNote, 5}},         {'G', {O::kNote, 7}},         {'A', {O::kNote, 9}},
    {'B', {O::kNote, 11}},        {'S', {O::kSpeed, 0}},        {'U', {O::kControlU, 0}},
    {'V', {O::kVelocity, 0}},     {'W', {O::kControlW, 0}},     {'K', {O::kVoice, 0}},
    {'X', {O::kVoice, 1}},        {'L', {O::kLengthMode, 0}},   {'[', {O::kBracket, 0}},
    {']', {O::kBracket, 1}},
};

constexpr ShapePoint kPitch0[] = {{0, 0}, {0, 0}};
constexpr ShapePoint kPitch1[] = {{0, 0}, {64, -300}, {96, -700}, {127, -1700}};
constexpr ShapePoint kPitch2[] = {{0, 0}, {64, 300}, {96, 700}, {127, 1700}};
constexpr ShapePoint kPitch3[] = {{0, 0}, {20, 700}};
constexpr ShapePoint kPitch4[] = {{0, 0}, {127, 700}};
constexpr ShapePoint kPitch5[] = {{0, 0}, {20, -700}};
constexpr ShapePoint kPitch6[] = {{0, 0}, {127, -700}};
constexpr std::span<const ShapePoint> kPitchShapes[] = {kPitch0, kPitch1, kPitch2, kPitch3,
                                                        kPitch4, kPitch5, kPitch6};

constexpr ShapePoint kVolume0[] = {{0, 0}, {0, 0}};
constexpr ShapePoint kVolume1[] = {{0, 0}, {64, 0}, {127, -10}};
constexpr ShapePoint kVolume2[] = {{0, 0}, {64, 0}, {127, 1}};
constexpr ShapePoint kVolume3[] = {{0, 0}};
constexpr ShapePoint kVolume4[] = {{0, 0}, {0, -128}, {127, -128}, {127, 0}};
constexpr ShapePoint kVolume5[] = {{0, 0}, {64, 1}};
constexpr ShapePoint kVolume6[] = {{0, 0}, {64, -1}};
constexpr std::span<const ShapePoint> kVolumeShapes[] = {kVolume0, kVolume1, kVolume2, kVolume3,
                                                         kVolume4, kVolume5, kVolume6};

// Rows: modes 0 "@", 1 ";", 2 "!", 3 ":", 4 (default), 5 "+"; columns first, other, last.
constexpr int kModeOffsets[6][3] = {
    {-1000, 1100, -1000}, {-1000, 1100, 1100}, {1400, -1400, 0},
    {1400, -1400, -1400}, {0, 0, 0},           {0, 0, 0},
};

constexpr TableMark kSentenceModeMarks[32] = {
    {3, 2}, {6, 1}, {4, 1}, {5, 1}, {3, 2}, {6, 1}, {3, 0}, {5, 2}, {4, 2}, {3, 0}, {5, 2},
    {3, 1}, {6, 1}, {3, 0}, {5, 2}, {3, 0}, {3, 0}, {6, 2}, {4, 2}, {6, 1}, {4, 2}, {5, 1},
    {4, 1}, {6, 1}, {3, 2}, {4, 2}, {6, 1}, {3, 0}, {4, 1}, {5, 2}, {3, 2}, {6, 2},
};

constexpr uint8_t kVelocities[5] = {32, 45, 64, 89, 127};
constexpr uint8_t kBendRanges[5] = {2, 6, 12, 24, 60};

}  // namespace

const SymbolEntry* FindSymbolEntry(uint8_t ascii) {
  for (const SymbolRow& row : kSymbols) {
    if (row.ascii == ascii) return &row.entry;
  }
  return nullptr;
}

std::span<const ShapePoint> PitchShape(uint8_t kind) {
  return kind < std::size(kPitchShapes) ? kPitchShapes[kind] : std::span<const ShapePoint>();
}

std::span<const ShapePoint> VolumeShape(uint8_t kind) {
  return kind < std::size(kVolumeShapes) ? kVolumeShapes[kind] : std::span<const ShapePoint>();
}

int ModeOffset(uint8_t mode, PhrasePlace place) {
  if (mode >= std::size(kModeOffsets)) mode = kDefaultSentenceMode;
  return kModeOffsets[mode][static_cast<int>(place)];
}

TableMark SentenceModeMark(int index) { return kSentenceModeMarks[((index % 32) + 32) % 32]; }

uint8_t VelocityOfLevel(int level) { return kVelocities[level - 1]; }
uint8_t BendRangeOfLevel(int level) { return kBendRanges[level - 1]; }

}  // namespace vtr::convert::internal
