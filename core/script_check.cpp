// The check passes: bring parsed units into canonical form in place, pass after pass.
#include <algorithm>
#include <array>
#include <string>

#include "core/script_engine.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;
using Units = std::vector<ScriptSentence>;

template <typename Pred>
void RemoveTokensIf(ScriptSentence& unit, Pred pred) {
  std::erase_if(unit.tokens, pred);
}

bool HasKind(const ScriptSentence& unit, K kind) {
  return std::any_of(unit.tokens.begin(), unit.tokens.end(),
                     [kind](const ScriptToken& t) { return t.kind == kind; });
}

bool ClosedBySentenceEnd(const ScriptSentence& unit) {
  return IsSentenceEndKind(unit.closing_kind);
}

std::string SymbolWithNumber(char symbol, int number) {
  return std::string(1, symbol) + std::to_string(number);
}

// 1. A unit without a sound or sentence end is replaced by one unit per comment it holds.
void SplitSoundlessUnits(Units& units) {
  auto has_closer = [](const ScriptSentence& unit) {
    return std::any_of(unit.tokens.begin(), unit.tokens.end(), [](const auto& t) {
      return IsSoundKind(t.kind) || IsSentenceEndKind(t.kind);
    });
  };
  if (std::all_of(units.begin(), units.end(), has_closer)) return;
  Units out;
  out.reserve(units.size());
  for (ScriptSentence& unit : units) {
    const bool has_closer = std::any_of(unit.tokens.begin(), unit.tokens.end(), [](const auto& t) {
      return IsSoundKind(t.kind) || IsSentenceEndKind(t.kind);
    });
    if (has_closer) {
      out.push_back(std::move(unit));
      continue;
    }
    for (const ScriptToken& token : unit.tokens) {
      if (token.kind != K::kComment) continue;
      ScriptSentence comment = unit;
      comment.tokens = {token};
      out.push_back(std::move(comment));
    }
  }
  units = std::move(out);
}

// 5. Pitch marks before "*" and "?": the unit before one loses its pitch steps and resets.
void DropPitchBeforeCountedEnds(Units& units) {
  for (size_t i = 0; i + 1 < units.size(); ++i) {
    const ScriptSentence& next = units[i + 1];
    if (next.tokens.empty() || next.tokens.back().kind != K::kCountedEnd) continue;
    ScriptSentence& unit = units[i];
    // Only a step token that stays (one after the unit's last step reset, see the step pass)
    // counts, so that a second check finds the same "&" tokens.
    size_t last_step_reset = 0;
    for (size_t t = 0; t < unit.tokens.size(); ++t) {
      const K kind = unit.tokens[t].kind;
      if (kind == K::kEquals || kind == K::kAmpersand) last_step_reset = t + 1;
    }
    bool step_seen = false;
    bool removed = false;
    std::vector<ScriptToken> kept;
    for (size_t t = 0; t < unit.tokens.size(); ++t) {
      ScriptToken& token = unit.tokens[t];
      if (token.kind == K::kStep && t >= last_step_reset) step_seen = true;
      const bool drop = token.kind == K::kPitchStep || token.kind == K::kSlash ||
                        (token.kind == K::kAmpersand && !step_seen);
      if (drop) {
        removed = true;
      } else {
        kept.push_back(std::move(token));
      }
    }
    unit.tokens = std::move(kept);
    if (removed) {
      unit.pitch_step_symbol = 0;
      unit.pitch_step_sum = 0;
      unit.slash_seen = false;
    }
  }
}

// 7. Full-width brackets of a comment become ASCII.
void FoldCommentBrackets(Units& units, ScriptLanguage language) {
  std::string_view open, close;
  if (language == ScriptLanguage::kJapanese) {
    open = "\x81\x6D";
    close = "\x81\x6E";
  } else if (language == ScriptLanguage::kKorean) {
    open = "\xA3\xDB";
    close = "\xA3\xDD";
  } else {
    return;
  }
  for (ScriptSentence& unit : units) {
    for (ScriptToken& token : unit.tokens) {
      if (token.kind != K::kComment) continue;
      if (token.text.starts_with(open)) token.text.replace(0, 2, "[");
      if (token.text.size() >= 2 && token.text.ends_with(close)) {
        token.text.replace(token.text.size() - 2, 2, "]");
      }
    }
  }
}

// 9. Marks stand only in the first unit of a sentence that is not itself a sentence end.
void CanonicaliseMarks(Units& units) {
  bool sentence_start = true;
  for (ScriptSentence& unit : units) {
    const bool allowed = sentence_start && !ClosedBySentenceEnd(unit);
    if (allowed) {
      auto last = std::find_if(unit.tokens.rbegin(), unit.tokens.rend(),
                               [](const ScriptToken& t) { return t.kind == K::kMark; });
      if (last != unit.tokens.rend()) {
        last->text.assign(1, unit.mark);
        ScriptToken* keep = &*last;
        RemoveTokensIf(unit,
                       [keep](const ScriptToken& t) { return t.kind == K::kMark && &t != keep; });
      }
    } else {
      RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kMark; });
      unit.mark = 0;
    }
    sentence_start = ClosedBySentenceEnd(unit);
  }
}

bool RepeatsALongMark(const Units& units, size_t i) {
  return i > 0 && units[i].closing_kind == K::kLongMark &&
         units[i - 1].closing_kind == K::kLongMark;
}

// 10. One canonical tag token per unit and kind, only where the value changes. The S, L and W
// tokens of a repeated long mark, which pass 16 removes, set nothing in force here, so that a
// second check finds the same tokens.
void CanonicaliseTags(Units& units, K kind, char letter, int ScriptSentence::*field,
                      int start_value) {
  const bool dropped_on_long_marks = kind == K::kSpeed || kind == K::kL || kind == K::kW;
  int in_force = start_value;
  for (size_t u = 0; u < units.size(); ++u) {
    ScriptSentence& unit = units[u];
    if (dropped_on_long_marks && RepeatsALongMark(units, u)) continue;
    const int value = unit.*field;
    for (size_t i = unit.tokens.size(); i-- > 0;) {
      ScriptToken& token = unit.tokens[i];
      if (token.kind != kind) continue;
      if (value == in_force) {
        unit.tokens.erase(unit.tokens.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        // U's unset value -1 has no digits of its own; it is written as the smallest number
        // the parser reads back as -1 ("U10"), never as "U-1", which would read as an unknown
        // "U" and a long mark.
        const ArgumentRule* rule = ArgumentRuleOf(kind);
        const bool spelled = value >= rule->min && value <= rule->max;
        token.text = SymbolWithNumber(letter, spelled ? value : rule->max + 1);
        in_force = value;
      }
    }
  }
}

// 11. Voice quality: the same rule with the pair (symbol, value), starting from no voice.
void CanonicaliseVoice(Units& units) {
  char symbol_in_force = 0;
  int value_in_force = -1;
  for (ScriptSentence& unit : units) {
    for (size_t i = unit.tokens.size(); i-- > 0;) {
      ScriptToken& token = unit.tokens[i];
      if (token.kind != K::kVoice) continue;
      if (unit.voice_symbol == symbol_in_force && unit.voice_value == value_in_force) {
        unit.tokens.erase(unit.tokens.begin() + static_cast<std::ptrdiff_t>(i));
      } else {
        token.text = SymbolWithNumber(unit.voice_symbol, unit.voice_value);
        symbol_in_force = unit.voice_symbol;
        value_in_force = unit.voice_value;
      }
    }
  }
}

// 12. Notes: none in a unit of a long mark or space; elsewhere one canonical token where the
// note changes. "B" and "E" have no sharp; the comparison uses the folded note.
void CanonicaliseNotes(Units& units) {
  char note_in_force = 0;
  bool sharp_in_force = false;
  int octave_in_force = 2;
  for (ScriptSentence& unit : units) {
    if (unit.closing_kind == K::kLongMark || unit.closing_kind == K::kSpace) {
      RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kNote; });
      continue;
    }
    if (!HasKind(unit, K::kNote)) continue;
    if (unit.sharp && (unit.note == 'B' || unit.note == 'E')) unit.sharp = false;
    for (size_t i = unit.tokens.size(); i-- > 0;) {
      ScriptToken& token = unit.tokens[i];
      if (token.kind != K::kNote) continue;
      if (unit.note == note_in_force && unit.sharp == sharp_in_force &&
          unit.octave == octave_in_force) {
        unit.tokens.erase(unit.tokens.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      token.text.assign(1, unit.note);
      if (unit.sharp) token.text += '#';
      if (unit.octave != octave_in_force) token.text += std::to_string(unit.octave);
      note_in_force = unit.note;
      sharp_in_force = unit.sharp;
      octave_in_force = unit.octave;
    }
  }
}

// 13 and 14. One step token per unit: the first one after the unit's last reset, written with
// the unit's symbol and sum (capped at 99); none in a unit closed by a sentence end. Tokens
// before a reset of the unit no longer act and are removed.
void CanonicaliseSteps(Units& units, K kind, K reset, char ScriptSentence::*symbol,
                       int ScriptSentence::*sum) {
  for (ScriptSentence& unit : units) {
    if (!HasKind(unit, kind)) continue;
    std::ptrdiff_t last_reset = -1;
    for (size_t i = 0; i < unit.tokens.size(); ++i) {
      const K k = unit.tokens[i].kind;
      if (k == reset || k == K::kAmpersand) last_reset = static_cast<std::ptrdiff_t>(i);
    }
    const bool keep_any = !ClosedBySentenceEnd(unit) && unit.*symbol != 0;
    std::vector<ScriptToken> kept;
    kept.reserve(unit.tokens.size());
    bool kept_one = false;
    for (size_t i = 0; i < unit.tokens.size(); ++i) {
      ScriptToken& token = unit.tokens[i];
      if (token.kind != kind) {
        kept.push_back(std::move(token));
        continue;
      }
      if (!keep_any || kept_one || static_cast<std::ptrdiff_t>(i) < last_reset) continue;
      kept_one = true;
      token.text.assign(1, unit.*symbol);
      const int value = std::min(unit.*sum, 99);
      if (value > 1) token.text += std::to_string(value);
      kept.push_back(std::move(token));
    }
    unit.tokens = std::move(kept);
  }
}

// The units from one whose mark is "+" up to, not including, the next sentence end.
std::vector<bool> PlusRuns(const Units& units) {
  std::vector<bool> in_run(units.size(), false);
  bool run = false;
  for (size_t i = 0; i < units.size(); ++i) {
    if (ClosedBySentenceEnd(units[i])) {
      run = false;
      continue;
    }
    if (units[i].mark == '+') run = true;
    in_run[i] = run;
  }
  return in_run;
}

// 15. Reset symbols stay only where they reset something in force; an "=" and a "/" written
// next to each other become one "&". A kept reset removes nothing else. Pitch steps inside a
// "+" run are removed by pass 17 and so put no pitch in force here.
void CanonicaliseResets(Units& units) {
  bool pitch_in_force = false;
  bool steps_in_force = false;
  const std::vector<bool> plus_run = PlusRuns(units);
  for (size_t u = 0; u < units.size(); ++u) {
    ScriptSentence& unit = units[u];
    if (ClosedBySentenceEnd(unit)) {
      RemoveTokensIf(unit, [](const ScriptToken& t) {
        return t.kind == K::kEquals || t.kind == K::kSlash || t.kind == K::kAmpersand;
      });
      pitch_in_force = steps_in_force = false;
      continue;
    }
    const bool involved = std::any_of(unit.tokens.begin(), unit.tokens.end(), [](const auto& t) {
      return t.kind == K::kPitchStep || t.kind == K::kStep || t.kind == K::kSlash ||
             t.kind == K::kEquals || t.kind == K::kAmpersand;
    });
    if (!involved) continue;
    // The S, L and W tokens that pass 16 drops from this unit do not stand between an "=" and
    // a "/": the next check would find them side by side and join them.
    const bool tags_dropped = RepeatsALongMark(units, u);
    const auto transparent = [tags_dropped](const ScriptToken& t) {
      return tags_dropped && (t.kind == K::kSpeed || t.kind == K::kL || t.kind == K::kW);
    };
    std::vector<ScriptToken> kept;
    kept.reserve(unit.tokens.size());
    for (ScriptToken& token : unit.tokens) {
      auto before = std::find_if_not(kept.rbegin(), kept.rend(), transparent);
      const K previous = before == kept.rend() ? K::kUnknown : before->kind;
      switch (token.kind) {
        case K::kPitchStep:
          if (unit.pitch_step_sum != 0 && !plus_run[u]) pitch_in_force = true;
          kept.push_back(std::move(token));
          break;
        case K::kStep:
          if (unit.step_sum != 0) steps_in_force = true;
          kept.push_back(std::move(token));
          break;
        case K::kSlash:
          if (!pitch_in_force) break;
          pitch_in_force = false;
          if (previous == K::kEquals) {
            *before = {K::kAmpersand, "&"};
          } else {
            kept.push_back({K::kSlash, "/"});
          }
          break;
        case K::kEquals:
          if (!steps_in_force) break;
          steps_in_force = false;
          if (previous == K::kSlash) {
            *before = {K::kAmpersand, "&"};
          } else {
            kept.push_back({K::kEquals, "="});
          }
          break;
        case K::kAmpersand:
          if (!pitch_in_force && !steps_in_force) break;
          pitch_in_force = steps_in_force = false;
          kept.push_back({K::kAmpersand, "&"});
          break;
        default:
          kept.push_back(std::move(token));
          break;
      }
    }
    unit.tokens = std::move(kept);
  }
}

// 16. The second of two long-mark units loses its S, L and W tokens.
void DropTagsOfRepeatedLongMarks(Units& units) {
  for (size_t i = 1; i < units.size(); ++i) {
    if (!RepeatsALongMark(units, i)) continue;
    RemoveTokensIf(units[i], [](const ScriptToken& t) {
      return t.kind == K::kSpeed || t.kind == K::kL || t.kind == K::kW;
    });
  }
}

// 17. From a unit marked "+" to the sentence end, no pitch steps and no "/".
void DropPitchInPlusRuns(Units& units) {
  const std::vector<bool> plus_run = PlusRuns(units);
  for (size_t u = 0; u < units.size(); ++u) {
    if (!plus_run[u]) continue;
    RemoveTokensIf(units[u], [](const ScriptToken& t) {
      return t.kind == K::kPitchStep || t.kind == K::kSlash;
    });
  }
}

void DropEmptyUnits(Units& units) {
  std::erase_if(units, [](const ScriptSentence& u) { return u.tokens.empty(); });
}

}  // namespace

ScriptCheckCode ScriptEngine::CheckScript(int flags) {
  Units& units = units_;
  // A unit left without any token is gone; the script is empty when no unit is left.
  auto empty = [&] {
    DropEmptyUnits(units);
    return units.empty();
  };
  if (empty()) return ScriptCheckCode::kNoUnit;

  SplitSoundlessUnits(units);  // 1
  if (empty()) return ScriptCheckCode::kNoUnit;

  if (flags & 1) {  // 2
    // A lone lead byte (an unknown token, dropped by pass 4 anyway) is left out of the text
    // that is read again: there it would pair with the next byte and corrupt that character.
    for (ScriptSentence& unit : units) {
      RemoveTokensIf(unit, [this](const ScriptToken& t) {
        return t.kind == K::kUnknown && t.text.size() == 1 &&
               IsLeadByte(language_, static_cast<uint8_t>(t.text[0]));
      });
    }
    std::string text;
    (void)SerializeScript(text, kSubFormatFull);
    std::string joined;
    joined.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
        ++i;
        continue;
      }
      joined += text[i];
    }
    if (ParseScriptText(mode_word(), joined) != ScriptEngineError::kNone) {
      return ScriptCheckCode::kReparseFailed;
    }
    // The text read again can end in new units without a sound; they get the first pass too.
    SplitSoundlessUnits(units);
  }
  if (empty()) return ScriptCheckCode::kNoUnit;

  if (flags & 2) {  // 3
    for (ScriptSentence& unit : units) {
      RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kComment; });
    }
  }
  if (empty()) return ScriptCheckCode::kNoUnit;

  for (ScriptSentence& unit : units) {  // 4
    RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kUnknown; });
    RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kDigit; });
  }
  if (empty()) return ScriptCheckCode::kNoUnit;

  DropPitchBeforeCountedEnds(units);  // 5
  if (empty()) return ScriptCheckCode::kNoUnit;

  for (ScriptSentence& unit : units) {  // 6
    for (ScriptToken& token : unit.tokens) {
      if (IsSoundKind(token.kind)) token.text = unit.sound_text;
    }
  }

  FoldCommentBrackets(units, language_);  // 7

  for (ScriptSentence& unit : units) {  // 8
    for (ScriptToken& token : unit.tokens) {
      if (!IsSentenceEndKind(token.kind)) continue;
      token.text.assign(1, unit.end_symbol);
      if (unit.end_count > 1) token.text += std::to_string(unit.end_count);
    }
  }

  CanonicaliseMarks(units);  // 9
  if (empty()) return ScriptCheckCode::kNoUnit;

  CanonicaliseTags(units, K::kSpeed, 'S', &ScriptSentence::s_value, 50);  // 10
  CanonicaliseTags(units, K::kL, 'L', &ScriptSentence::l_value, 0);
  CanonicaliseTags(units, K::kV, 'V', &ScriptSentence::v_value, 4);
  CanonicaliseTags(units, K::kW, 'W', &ScriptSentence::w_value, 3);
  if (flag_ != 0) {
    CanonicaliseTags(units, K::kU, 'U', &ScriptSentence::u_value, -1);
  } else {
    for (ScriptSentence& unit : units) {
      RemoveTokensIf(unit, [](const ScriptToken& t) { return t.kind == K::kU; });
    }
  }
  if (empty()) return ScriptCheckCode::kNoUnit;

  CanonicaliseVoice(units);  // 11
  if (empty()) return ScriptCheckCode::kNoUnit;
  CanonicaliseNotes(units);  // 12
  if (empty()) return ScriptCheckCode::kNoUnit;
  CanonicaliseSteps(units, K::kPitchStep, K::kSlash, &ScriptSentence::pitch_step_symbol,
                    &ScriptSentence::pitch_step_sum);  // 13
  if (empty()) return ScriptCheckCode::kNoUnit;
  CanonicaliseSteps(units, K::kStep, K::kEquals, &ScriptSentence::step_symbol,
                    &ScriptSentence::step_sum);  // 14
  if (empty()) return ScriptCheckCode::kNoUnit;
  CanonicaliseResets(units);  // 15
  if (empty()) return ScriptCheckCode::kNoUnit;
  DropTagsOfRepeatedLongMarks(units);  // 16
  if (empty()) return ScriptCheckCode::kNoUnit;
  DropPitchInPlusRuns(units);  // 17
  if (empty()) return ScriptCheckCode::kNoUnit;
  return ScriptCheckCode::kOk;
}

}  // namespace vtr::core
