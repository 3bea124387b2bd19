// Test helper: the speed, pitch position and step position that each sound of a parsed script
// is played with, read as the chip's converters read a play text. The play-text tests and the
// script engine fuzzer compare a script with its played text through it.
#ifndef VTR_CORE_TESTING_HEARD_SETTINGS_H_
#define VTR_CORE_TESTING_HEARD_SETTINGS_H_

#include <algorithm>
#include <vector>

#include "core/script_engine.h"

namespace vtr::core::testing {

struct Heard {
  int speed = 50;
  int pitch = 0;  // "'" and "^" up, "$" and "_" down; back to 0 at "/", "&" and a sentence end
  int step = 0;   // "<" up, ">" down; back to 0 at "=", "&" and a sentence end

  bool operator==(const Heard&) const = default;
};

// One entry per unit closed by a sound (syllable, long mark or space), in text order.
//
// Within a unit the reset symbols act first; then the unit's own pitch-step and step tokens
// written after the last reset move the position once, by the unit's sum (equal symbols in a
// row add up, a different symbol replaces the ones before it; at most 99).
inline std::vector<Heard> HeardSettings(const std::vector<ScriptSentence>& units) {
  std::vector<Heard> heard;
  int pitch = 0;
  int step = 0;
  for (const ScriptSentence& unit : units) {
    bool own_pitch = false;
    bool own_step = false;
    for (const ScriptToken& token : unit.tokens) {
      switch (token.kind) {
        case ScriptTokenKind::kSlash:
          pitch = 0;
          own_pitch = false;
          break;
        case ScriptTokenKind::kEquals:
          step = 0;
          own_step = false;
          break;
        case ScriptTokenKind::kAmpersand:
          pitch = step = 0;
          own_pitch = own_step = false;
          break;
        case ScriptTokenKind::kPitchStep:
          own_pitch = true;
          break;
        case ScriptTokenKind::kStep:
          own_step = true;
          break;
        default:
          break;
      }
    }
    // A move counts at most 99, as the converters count it.
    if (own_pitch && unit.pitch_step_symbol != 0) {
      const bool up = unit.pitch_step_symbol == '\'' || unit.pitch_step_symbol == '^';
      const int sum = std::min(unit.pitch_step_sum, 99);
      pitch += up ? sum : -sum;
    }
    if (own_step && unit.step_symbol != 0) {
      const int sum = std::min(unit.step_sum, 99);
      step += unit.step_symbol == '<' ? sum : -sum;
    }
    if (IsSentenceEndKind(unit.closing_kind)) {
      pitch = step = 0;
    } else if (unit.closing_kind == ScriptTokenKind::kSyllable ||
               unit.closing_kind == ScriptTokenKind::kLongMark ||
               unit.closing_kind == ScriptTokenKind::kSpace) {
      heard.push_back({unit.s_value, pitch, step});
    }
  }
  return heard;
}

// True when every position of `heard` can be written as one token (magnitude at most 99).
inline bool PositionsFitOneToken(const std::vector<Heard>& heard) {
  for (const Heard& h : heard) {
    if (h.pitch > 99 || h.pitch < -99 || h.step > 99 || h.step < -99) return false;
  }
  return true;
}

}  // namespace vtr::core::testing

#endif  // VTR_CORE_TESTING_HEARD_SETTINGS_H_
