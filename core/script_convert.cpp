// Mode conversion (kana <-> romaji) and the header operations of the script engine.
#include <string>

#include "core/script_engine.h"
#include "core/script_tables.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;
using L = ScriptLanguage;

bool IsWritableSubFormat(uint32_t sub_format) {
  return sub_format == kSubFormatFull || sub_format == kSubFormatPlain ||
         sub_format == kSubFormatNoHeader;
}

uint8_t At(const std::string& text, size_t i) { return static_cast<uint8_t>(text[i]); }

// The romaji of a J sound text; the text itself when no row has it.
std::string RomajiOf(K kind, const std::string& text) {
  if (kind == K::kLongMark) return text == "\x81\x60" || text == "~" ? "~" : "-";
  if (kind == K::kSpace) return " ";
  if (text.size() == 4 && At(text, 0) == 0x82 && At(text, 2) == 0x82) {
    if (const KanaRomajiRow* row = FindKanaPairRomaji(At(text, 1), At(text, 3))) {
      return std::string(row->romaji);
    }
  } else if (text.size() == 2 && At(text, 0) == 0x82) {
    if (const KanaRomajiRow* row = FindKanaRomaji(At(text, 1))) return std::string(row->romaji);
  }
  return text;
}

// The kana of a G sound text; the text itself when no row has it.
std::string KanaOf(K kind, const std::string& text) {
  if (kind == K::kLongMark) return text == "~" ? "\x81\x60" : "\x81\x7C";
  if (kind == K::kSpace) return "\x81\x40";
  if (const RomajiRow* row = FindRomaji(text)) return KanaOfRomajiRow(*row);
  return text;
}

// Gives every unit closed by a sound token a new sound text, taken by its sound tokens.
template <typename Convert>
void ConvertSounds(std::vector<ScriptSentence>& units, Convert convert) {
  for (ScriptSentence& unit : units) {
    if (!IsSoundKind(unit.closing_kind)) continue;
    unit.sound_text = convert(unit.closing_kind, unit.sound_text);
    for (ScriptToken& token : unit.tokens) {
      if (IsSoundKind(token.kind)) token.text = unit.sound_text;
    }
  }
}

std::string VoiceToken(int voice) {
  return voice < 16 ? "K" + std::to_string(voice) : "X" + std::to_string(voice - 16);
}

int VoiceNumber(const ScriptSentence& unit) {
  return unit.voice_value + (unit.voice_symbol == 'X' ? 16 : 0);
}

bool HoldsVoice(const ScriptSentence& unit) {
  for (const ScriptToken& token : unit.tokens) {
    if (token.kind == K::kVoice) return true;
  }
  return false;
}

}  // namespace

ScriptEngineError ScriptEngine::ConvertScriptMode(ScriptModeWord target, std::string& out) {
  const L to = LanguageOf(target);
  const L from = language_;
  const bool to_romaji = from == L::kJapanese && to == L::kRomaji;
  const bool to_kana = from == L::kRomaji && to == L::kJapanese;
  if (!to_romaji && !to_kana && from != to) return ScriptEngineError::kTagMismatch;
  if (from == L::kNone) return ScriptEngineError::kTagMismatch;
  // Everything is checked before anything changes: a refused call leaves the engine as it was.
  const uint32_t sub_format = SubFormatOf(target);
  if (!IsWritableSubFormat(sub_format)) return ScriptEngineError::kBadMode;

  if (to_romaji) {
    (void)CheckScript(0);  // an empty script is written as its tag alone
    language_ = L::kRomaji;
    ConvertSounds(units_, RomajiOf);
  } else if (to_kana) {
    language_ = L::kJapanese;
    ConvertSounds(units_, KanaOf);
  }
  std::string written;
  (void)SerializeScript(written, sub_format);
  out = written;
  output_text_ = std::move(written);
  return ScriptEngineError::kNone;
}

ScriptEngineError ScriptEngine::ScriptHeaderOp(ScriptModeWord mode, int kind, std::string& text,
                                               int& value) {
  if (kind == 7) {
    const std::optional<L> language = LanguageOfTag(text);
    if (!language) return ScriptEngineError::kTagMismatch;
    value = static_cast<int>(static_cast<uint32_t>(*language) >> 24);
    return ScriptEngineError::kNone;
  }
  if (!SetModeWord(mode)) return ScriptEngineError::kBadMode;
  const std::string_view tag = HeaderTagOf(language_);
  const bool tagged = text.size() >= tag.size() && std::string_view(text).substr(0, 4) == tag;
  if (kind == 6) {
    if (!tagged) text.insert(0, tag);
    return ScriptEngineError::kNone;
  }
  if (kind < 3 || kind > 5) return ScriptEngineError::kBadMode;
  if (!tagged) return ScriptEngineError::kTagMismatch;
  // Voice numbers outside 0-31 have no token ("K0"-"K15", "X0"-"X15").
  const bool valid_voice = value >= 0 && value <= 31;
  if (kind == 3 && !valid_voice) return ScriptEngineError::kBadMode;

  if (text.size() == tag.size()) {
    if (kind == 5) {
      value = 0;
      return ScriptEngineError::kHeaderItemMissing;
    }
    if (!valid_voice) return ScriptEngineError::kBadMode;
    text += VoiceToken(value);
    output_text_ = text;
    if (kind == 4) value = -1;
    return ScriptEngineError::kNone;
  }

  if (const ScriptEngineError parsed = ParseScriptText(mode, text);
      parsed != ScriptEngineError::kNone) {
    return parsed;
  }
  if (units_.empty()) units_.emplace_back();
  ScriptSentence& head = units_.front();
  const bool holds_voice = HoldsVoice(head);
  switch (kind) {
    case 3: {
      const ScriptToken token{K::kVoice, VoiceToken(value)};
      if (holds_voice) {
        for (ScriptToken& t : head.tokens) {
          if (t.kind == K::kVoice) t = token;
        }
      } else {
        head.tokens.insert(head.tokens.begin(), token);
      }
      head.voice_symbol = value < 16 ? 'K' : 'X';
      head.voice_value = value < 16 ? value : value - 16;
      break;
    }
    case 4:
      if (holds_voice) {
        value = VoiceNumber(head);
      } else {
        if (!valid_voice) return ScriptEngineError::kBadMode;
        head.tokens.insert(head.tokens.begin(), ScriptToken{K::kVoice, VoiceToken(value)});
        value = -1;
      }
      break;
    case 5:
      if (!holds_voice) {
        value = 0;
        return ScriptEngineError::kHeaderItemMissing;
      }
      value = VoiceNumber(head);
      break;
  }
  // Written into an empty string and then assigned: the result replaces the text.
  std::string written;
  (void)SerializeScript(written, SubFormatOf(mode));
  text = written;
  output_text_ = std::move(written);
  return ScriptEngineError::kNone;
}

}  // namespace vtr::core
