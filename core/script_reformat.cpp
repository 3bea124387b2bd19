// The range operation behind ReformatScriptText: the selected passage of a script as an echo
// (the passage twice, the second time 15 steps lower), or alone as a script of its own.
//
// Choices where the operation is open:
// - The selection is every unit whose closing token starts inside the given byte range; with
//   no such unit the script is only written in canonical form.
// - A transformed passage always follows a sentence end, so its first step and pitch-step
//   tokens can be written as absolute positions: where the unit before it is no sentence end,
//   the separator "S99" "," (the shortest pause) is put in front of it.
// - After a separator the speed in force is restated ("S" and the value) when the passage's
//   first unit does not set it itself; marks of the passage are kept as they stand.
// - Operation 1 is the echo: the script up to the end of the passage stands as it was, then
//   the passage follows once more transformed with the shift, then the rest of the script,
//   transformed so that it continues from the positions in force after the passage. Every
//   other operation number keeps the passage alone.
#include <string>
#include <vector>

#include "core/script_engine.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;
using Units = std::vector<ScriptSentence>;

constexpr int kEchoShift = 15;  // steps

struct Positions {
  int step = 0;
  int pitch = 0;
};

// Runs the positions over one unit: the step and pitch-step sums of its tokens, its resets,
// and the sentence end that closes it.
void Advance(const ScriptSentence& unit, Positions& p) {
  bool step_done = false;
  bool pitch_done = false;
  for (const ScriptToken& token : unit.tokens) {
    switch (token.kind) {
      case K::kStep:
        if (!step_done && unit.step_symbol != 0) {
          p.step += unit.step_symbol == '<' ? unit.step_sum : -unit.step_sum;
          step_done = true;
        }
        break;
      case K::kPitchStep:
        if (!pitch_done && unit.pitch_step_symbol != 0) {
          const bool up = unit.pitch_step_symbol == '\'' || unit.pitch_step_symbol == '^';
          p.pitch += up ? unit.pitch_step_sum : -unit.pitch_step_sum;
          pitch_done = true;
        }
        break;
      case K::kEquals:
      case K::kSlash:
      case K::kAmpersand:
        p.step = p.pitch = 0;
        break;
      default:
        break;
    }
  }
  if (IsSentenceEndKind(unit.closing_kind)) p = {};
}

std::string PositionToken(int position, char up, char down) {
  std::string text(1, position >= 0 ? up : down);
  const int magnitude = std::min(position >= 0 ? position : -position, 99);
  if (magnitude != 1) text += std::to_string(magnitude);
  return text;
}

bool IsReset(K kind) { return kind == K::kEquals || kind == K::kSlash || kind == K::kAmpersand; }

// Writes the position `base` into the unit at token index `from`: a token of `kind` between
// `from` and the next reset is merged with it (base plus the unit's own sum), otherwise a new
// token is put at `from`; a position of 0 needs no token.
void WriteAbsolute(ScriptSentence& unit, size_t from, K kind, int base) {
  const bool step = kind == K::kStep;
  size_t region_end = unit.tokens.size();
  for (size_t i = from; i < unit.tokens.size(); ++i) {
    if (IsReset(unit.tokens[i].kind)) {
      region_end = i;
      break;
    }
  }
  size_t at = std::min(from, unit.tokens.size());
  int own = 0;
  bool found = false;
  for (size_t i = from; i < region_end; ++i) {
    if (unit.tokens[i].kind != kind) continue;
    const char symbol = step ? unit.step_symbol : unit.pitch_step_symbol;
    const int sum = step ? unit.step_sum : unit.pitch_step_sum;
    const bool up = step ? symbol == '<' : (symbol == '\'' || symbol == '^');
    own = symbol == 0 ? 0 : (up ? sum : -sum);
    at = i;
    found = true;
    unit.tokens.erase(unit.tokens.begin() + static_cast<std::ptrdiff_t>(i));
    break;
  }
  const int position = base + own;
  if (position == 0) {
    if (found) {
      (step ? unit.step_symbol : unit.pitch_step_symbol) = 0;
      (step ? unit.step_sum : unit.pitch_step_sum) = 0;
    }
    return;
  }
  const std::string text =
      step ? PositionToken(position, '<', '>') : PositionToken(position, '\'', '_');
  unit.tokens.insert(unit.tokens.begin() + static_cast<std::ptrdiff_t>(at),
                     ScriptToken{kind, text});
  (step ? unit.step_symbol : unit.pitch_step_symbol) = text[0];
  (step ? unit.step_sum : unit.pitch_step_sum) = position >= 0 ? position : -position;
}

// The passage written after a sentence end: its first unit carries the absolute positions
// handed in; with `shift` the steps stay 15 lower, also after every reset and sentence end.
Units Transform(const Units& passage, Positions start, bool shift) {
  Units out = passage;
  if (out.empty()) return out;
  const int low = shift ? -kEchoShift : 0;
  // A passage that begins with a sentence end starts from 0 anyway.
  if (!IsSentenceEndKind(out.front().closing_kind)) {
    WriteAbsolute(out.front(), 0, K::kStep, start.step + low);
    WriteAbsolute(out.front(), 0, K::kPitchStep, start.pitch);
  }
  for (size_t u = 0; u < out.size() && shift; ++u) {
    ScriptSentence& unit = out[u];
    if (u > 0 && IsSentenceEndKind(out[u - 1].closing_kind)) {
      WriteAbsolute(unit, 0, K::kStep, low);
    }
    // After the unit's last reset the steps continue from the low position.
    size_t last_reset = unit.tokens.size();
    for (size_t i = 0; i < unit.tokens.size(); ++i) {
      if (IsReset(unit.tokens[i].kind)) last_reset = i;
    }
    if (last_reset < unit.tokens.size()) WriteAbsolute(unit, last_reset + 1, K::kStep, low);
  }
  return out;
}

ScriptSentence Separator(const ScriptSentence& settings) {
  ScriptSentence unit = settings;
  unit.tokens = {{K::kSpeed, "S99"}, {K::kSentenceEnd, ","}};
  unit.closing_kind = K::kSentenceEnd;
  unit.sound_text.clear();
  unit.end_symbol = ',';
  unit.end_count = 0;
  unit.s_value = 99;
  unit.mark = 0;
  unit.in_range = false;
  return unit;
}

// Appends a passage, with a separator in front unless a sentence end already stands there,
// and the speed restated after a separator.
void AppendPassage(Units& out, Units passage) {
  if (passage.empty()) return;
  if (!out.empty() && !IsSentenceEndKind(out.back().closing_kind) &&
      !IsSentenceEndKind(passage.front().closing_kind)) {
    out.push_back(Separator(out.back()));
  }
  ScriptSentence& first = passage.front();
  bool sets_speed = false;
  for (const ScriptToken& token : first.tokens) sets_speed |= token.kind == K::kSpeed;
  if (!out.empty() && !sets_speed && out.back().s_value != first.s_value) {
    first.tokens.insert(first.tokens.begin(),
                        ScriptToken{K::kSpeed, "S" + std::to_string(first.s_value)});
  }
  for (ScriptSentence& unit : passage) out.push_back(std::move(unit));
}

}  // namespace

ScriptEngineError ScriptEngine::ParseScriptText(ScriptModeWord mode, std::string_view text,
                                                int range_start, int range_end, int operation) {
  if (!SetModeWord(mode)) return ScriptEngineError::kBadMode;
  if (text.substr(0, kHeaderTagSize) != HeaderTagOf(language_)) {
    return ScriptEngineError::kTagMismatch;
  }
  Tokenize(text, kHeaderTagSize, kSubFormatFull, range_start, range_end);
  (void)CheckScript(0);

  size_t first = units_.size();
  size_t last = 0;
  for (size_t i = 0; i < units_.size(); ++i) {
    if (!units_[i].in_range) continue;
    first = std::min(first, i);
    last = i;
  }
  if (first == units_.size()) return ScriptEngineError::kNone;

  Positions at_start;
  for (size_t i = 0; i < first; ++i) Advance(units_[i], at_start);
  const Units selection(units_.begin() + static_cast<std::ptrdiff_t>(first),
                        units_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
  Units rebuilt;
  if (operation == 1) {
    Positions after_selection = at_start;
    for (const ScriptSentence& unit : selection) Advance(unit, after_selection);
    const Units after(units_.begin() + static_cast<std::ptrdiff_t>(last) + 1, units_.end());
    // The passage stands once where it stood, then once more 15 steps lower.
    rebuilt.assign(units_.begin(), units_.begin() + static_cast<std::ptrdiff_t>(last) + 1);
    AppendPassage(rebuilt, Transform(selection, at_start, true));
    AppendPassage(rebuilt, Transform(after, after_selection, false));
  } else {
    AppendPassage(rebuilt, Transform(selection, at_start, false));
  }
  units_ = std::move(rebuilt);
  return ScriptEngineError::kNone;
}

ScriptEngineError ScriptEngine::ReformatScriptText(ScriptModeWord mode, std::string& text,
                                                   int range_start, int range_end, int operation) {
  if (ParseScriptText(mode, text, range_start, range_end, operation) != ScriptEngineError::kNone) {
    return ScriptEngineError::kNone;  // refused: the text stays as it is
  }
  std::string written;
  (void)SerializeScript(written, SubFormatOf(mode));
  text = written;
  output_text_ = std::move(written);
  return ScriptEngineError::kNone;
}

}  // namespace vtr::core
