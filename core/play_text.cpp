// The played text: the checked script with explicit speed, in which no sentence exceeds the
// sentence limit.
//
// Counting rule: a sentence is the text between two sentence ends, that is every byte after the
// previous end (or the header) up to, not including, its own end (or the end of the text); a
// restated prefix after a split belongs to the new sentence. So a sentence of exactly 100 bytes
// between two ends is played as it is. The reported offset is the start of the token whose
// bytes pass the limit.
#include <algorithm>
#include <optional>
#include <string>

#include "core/script_engine.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;

constexpr int kSplitRoom = 96;                  // a split point leaves room for "S99,"
constexpr int kMaxStepArgument = 99;            // the check pass writes larger sums as 99
constexpr std::string_view kSplitEnd = "S99,";  // speed 99 and a comma: the shortest pause

int Tone(const std::string& sound_text) {
  return sound_text.empty() ? -1 : sound_text.back() - '0';
}

// Tone pairs of Chinese between which a sentence must not be split.
bool TonesAllowSplit(int first, int second) {
  if (second == 0) return false;
  if (first == 1 && (second == 2 || second == 3)) return false;
  if (first == 3 && second == 4) return false;
  if (first != 1 && first != 3 && second == 3) return false;
  return true;
}

// Glides ("^" "$") and steps ("'" "_") of the pitch: the symbol of the other direction in the
// same family.
char PitchSymbol(char family, bool up) {
  const bool glide = family == '^' || family == '$';
  return glide ? (up ? '^' : '$') : (up ? '\'' : '_');
}

void AppendPosition(std::string& out, int position, char up, char down) {
  if (position == 0) return;
  out += position > 0 ? up : down;
  const int magnitude = std::min(position > 0 ? position : -position, kMaxStepArgument);
  if (magnitude != 1) out += std::to_string(magnitude);
}

struct PlayState {
  std::string speed = "S50";
  int pitch = 0;
  int step = 0;
  char mark = 0;
};

struct SplitPoint {
  size_t out_size;  // the played text ends here at the split
  size_t unit;      // the last unit before the split
  int body_position;
  PlayState state;
};

// Whether a unit moves the pitch or the step with a token of its own. In a checked unit such a
// token stands after the unit's reset symbols.
bool MovesPitch(const ScriptSentence& unit) {
  return unit.pitch_step_symbol != 0 &&
         std::any_of(unit.tokens.begin(), unit.tokens.end(),
                     [](const ScriptToken& t) { return t.kind == K::kPitchStep; });
}
bool MovesStep(const ScriptSentence& unit) {
  return unit.step_symbol != 0 &&
         std::any_of(unit.tokens.begin(), unit.tokens.end(),
                     [](const ScriptToken& t) { return t.kind == K::kStep; });
}

struct Built {
  std::string text;
  bool too_long = false;
  int error_offset = 0;
};

Built Build(const std::vector<ScriptSentence>& units, std::string_view tag, bool chinese,
            bool split) {
  Built built;
  std::string& out = built.text;
  out.assign(tag);
  PlayState state;
  int sentence_bytes = 0;
  int body_position = 0;
  std::optional<SplitPoint> split_point;
  // The first unit after a split: a pitch or step token of its own is written as the position
  // it establishes, since the device would let it replace a restated position of another
  // symbol in front of it instead of adding to it.
  size_t absolute_unit = units.size();
  bool absolute_pitch = false;
  bool absolute_step = false;

  for (size_t i = 0; i < units.size(); ++i) {
    const ScriptSentence& unit = units[i];
    bool pitch_applied = false;
    bool step_applied = false;
    bool restarted = false;
    for (const ScriptToken& token : unit.tokens) {
      const int token_position = body_position;
      const bool within = sentence_bytes <= kSentenceLimit;
      std::string absolute;
      bool write_absolute = false;
      switch (token.kind) {
        case K::kSpeed:
          state.speed = "S" + std::to_string(unit.s_value);
          break;
        case K::kPitchStep:
          if (!pitch_applied && unit.pitch_step_symbol != 0) {
            const bool up = unit.pitch_step_symbol == '\'' || unit.pitch_step_symbol == '^';
            const int sum = std::min(unit.pitch_step_sum, kMaxStepArgument);  // as written
            state.pitch += up ? sum : -sum;
            pitch_applied = true;
            if (i == absolute_unit && absolute_pitch) {
              // A glide stays a glide, a step a step.
              AppendPosition(absolute, state.pitch, PitchSymbol(unit.pitch_step_symbol, true),
                             PitchSymbol(unit.pitch_step_symbol, false));
              write_absolute = true;
            }
          }
          break;
        case K::kStep:
          if (!step_applied && unit.step_symbol != 0) {
            const int sum = std::min(unit.step_sum, kMaxStepArgument);  // as written
            state.step += unit.step_symbol == '<' ? sum : -sum;
            step_applied = true;
            if (i == absolute_unit && absolute_step) {
              AppendPosition(absolute, state.step, '<', '>');
              write_absolute = true;
            }
          }
          break;
        case K::kAmpersand:
          state.pitch = state.step = 0;
          break;
        case K::kSlash:
          state.pitch = 0;
          break;
        case K::kEquals:
          state.step = 0;
          break;
        case K::kMark:
          state.mark = unit.mark != 0 ? unit.mark : token.text[0];
          break;
        default:
          break;
      }
      const std::string& written = write_absolute ? absolute : token.text;
      out += written;
      // A sentence end closes its sentence without belonging to it.
      if (!IsSentenceEndKind(token.kind)) sentence_bytes += static_cast<int>(written.size());
      body_position += static_cast<int>(token.text.size());
      if (!within || sentence_bytes <= kSentenceLimit) continue;
      // The sentence passes the limit with this token.
      if (split && split_point) {
        const SplitPoint at = *split_point;
        split_point.reset();
        out.resize(at.out_size);
        out += kSplitEnd;
        const size_t piece_start = out.size();
        if (at.state.mark != 0) out += at.state.mark;
        out += at.state.speed;
        absolute_unit = at.unit + 1;
        absolute_pitch = MovesPitch(units[absolute_unit]);
        absolute_step = MovesStep(units[absolute_unit]);
        if (!absolute_pitch) AppendPosition(out, at.state.pitch, '\'', '_');
        if (!absolute_step) AppendPosition(out, at.state.step, '<', '>');
        sentence_bytes = static_cast<int>(out.size() - piece_start);
        state = at.state;
        body_position = at.body_position;
        i = at.unit;  // the units after the split are read again
        restarted = true;
        break;
      }
      if (!built.too_long) {
        built.too_long = true;
        built.error_offset = token_position + static_cast<int>(kHeaderTagSize);
      }
    }
    if (restarted) continue;
    if (IsSentenceEndKind(unit.closing_kind)) {
      sentence_bytes = 0;
      state.pitch = state.step = 0;
      state.mark = 0;
      split_point.reset();
      continue;
    }
    if (split && unit.closing_kind == K::kSyllable && i + 1 < units.size() &&
        units[i + 1].closing_kind == K::kSyllable && sentence_bytes <= kSplitRoom &&
        (!chinese || TonesAllowSplit(Tone(unit.sound_text), Tone(units[i + 1].sound_text)))) {
      split_point = SplitPoint{out.size(), i, body_position, state};
    }
  }
  return built;
}

}  // namespace

ScriptEngineError ScriptEngine::BuildPlayText(ScriptModeWord mode, std::string& text,
                                              int* error_offset, int flag) {
  int unused_offset = 0;
  if (error_offset == nullptr) error_offset = &unused_offset;
  *error_offset = 0;
  if (const ScriptEngineError parsed = ParseScriptText(mode, text);
      parsed != ScriptEngineError::kNone) {
    return parsed;
  }
  // A romaji script is played as kana.
  const bool romaji = language_ == ScriptLanguage::kRomaji;
  const ScriptModeWord kana_mode = (mode & 0xF2F00000) | 0x2000000;
  if (romaji) {
    std::string kana;
    if (const ScriptEngineError converted = ConvertScriptMode(kana_mode, kana);
        converted != ScriptEngineError::kNone) {
      return converted;
    }
    text = kana;
    if (const ScriptEngineError parsed = ParseScriptText(kana_mode, text);
        parsed != ScriptEngineError::kNone) {
      return parsed;
    }
  }
  const bool split = flag == 1;
  if (split) (void)CheckScript(0);

  Built built = Build(units_, HeaderTagOf(language_), language_ == ScriptLanguage::kChinese, split);
  if (built.too_long) {
    *error_offset = built.error_offset;
    return ScriptEngineError::kSentenceTooLong;
  }
  if (romaji) {
    if (ParseScriptText(kana_mode, built.text) != ScriptEngineError::kNone ||
        ConvertScriptMode(mode, built.text) != ScriptEngineError::kNone) {
      return ScriptEngineError::kBadMode;
    }
  }
  text = built.text;
  output_text_ = std::move(built.text);
  return ScriptEngineError::kNone;
}

}  // namespace vtr::core
