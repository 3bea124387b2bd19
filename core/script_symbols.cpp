#include "core/script_symbols.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;

// Indexed by kind; kinds without an argument have min > max and are never looked up.
constexpr ArgumentRule kStepRule = {1, 99, false, 1, 99};
constexpr ArgumentRule kVoiceRule = {0, 15, true, 0, 0};
constexpr ArgumentRule kSpeedRule = {0, 99, true, 0, 50};
constexpr ArgumentRule kLRule = {0, 1, true, 0, 0};
constexpr ArgumentRule kVRule = {1, 5, true, 0, 4};
constexpr ArgumentRule kWRule = {1, 5, true, 0, 3};
constexpr ArgumentRule kURule = {0, 9, true, 0, -1};
constexpr ArgumentRule kOctaveRule = {1, 3, false, 0, 2};

template <size_t N>
const SymbolRecord* FindIn(const std::array<SymbolRecord, N>& table, size_t first, size_t last,
                           auto matches) {
  if (last > N) last = N;
  for (size_t i = first; i < last; ++i) {
    if (matches(table[i])) return &table[i];
  }
  return nullptr;
}

}  // namespace

const ArgumentRule* ArgumentRuleOf(ScriptTokenKind kind) {
  switch (kind) {
    case K::kStep:
    case K::kPitchStep:
    case K::kCountedEnd:
      return &kStepRule;
    case K::kVoice:
      return &kVoiceRule;
    case K::kSpeed:
      return &kSpeedRule;
    case K::kL:
      return &kLRule;
    case K::kV:
      return &kVRule;
    case K::kW:
      return &kWRule;
    case K::kU:
      return &kURule;
    case K::kNote:
      return &kOctaveRule;
    default:
      return nullptr;
  }
}

const SymbolRecord* FindSymbolByAscii(uint8_t symbol, size_t first, size_t last) {
  return FindIn(kSymbolTable, first, last,
                [symbol](const SymbolRecord& r) { return r.symbol == symbol; });
}

const SymbolRecord* FindSymbolByShiftJis(uint8_t lead, uint8_t trail, size_t first, size_t last) {
  return FindIn(kSymbolTable, first, last, [lead, trail](const SymbolRecord& r) {
    return r.shift_jis[0] == lead && r.shift_jis[1] == trail;
  });
}

const SymbolRecord* FindSymbolByKs(uint8_t lead, uint8_t trail, size_t first, size_t last) {
  return FindIn(kSymbolTable, first, last, [lead, trail](const SymbolRecord& r) {
    return r.ks[0] == lead && r.ks[1] == trail;
  });
}

const SymbolRecord* FindLowerCaseByAscii(uint8_t letter) {
  return FindIn(kLowerCaseTable, 0, kLowerCaseTable.size(),
                [letter](const SymbolRecord& r) { return r.symbol == letter; });
}

const SymbolRecord* FindLowerCaseByShiftJis(uint8_t lead, uint8_t trail) {
  return FindIn(kLowerCaseTable, 0, kLowerCaseTable.size(), [lead, trail](const SymbolRecord& r) {
    return r.shift_jis[0] == lead && r.shift_jis[1] == trail;
  });
}

const SymbolRecord* FindLowerCaseByKs(uint8_t lead, uint8_t trail) {
  return FindIn(kLowerCaseTable, 0, kLowerCaseTable.size(), [lead, trail](const SymbolRecord& r) {
    return r.ks[0] == lead && r.ks[1] == trail;
  });
}

}  // namespace vtr::core
