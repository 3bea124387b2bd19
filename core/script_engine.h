// The script engine: parses a Kelvox script into units of typed tokens, normalises them,
// converts between kana and romaji, writes them back as text and builds the played text.
//
// Stages: ParseScriptText (text -> units) -> CheckScript (canonical units) -> SerializeScript,
// ConvertScriptMode, ScriptHeaderOp, ReformatScriptText or BuildPlayText (units -> text).
// Every operation takes the `ScriptModeWord` first. Texts are bytes in the script's own
// encoding; offsets and lengths are byte counts.
//
//   ScriptEngine engine;
//   if (engine.ParseScriptText(0x52100000, "KV#J\x82\xA9") == ScriptEngineError::kNone) {
//     const ScriptSentence& unit = engine.units().front();   // one unit: the syllable か
//   }
#ifndef VTR_CORE_SCRIPT_ENGINE_H_
#define VTR_CORE_SCRIPT_ENGINE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/script_symbols.h"
#include "core/script_text.h"

namespace vtr::core {

// One token: its kind and its text (the source bytes of the symbol with its sharp and digits,
// or the normalised form of a sound token in J and K texts).
struct ScriptToken {
  ScriptTokenKind kind = ScriptTokenKind::kUnknown;
  std::string text;

  bool operator==(const ScriptToken&) const = default;
};

// One unit of a parsed script: the tokens read since the previous unit, up to and including
// the sound token (syllable, long mark, space) or sentence end that closed it, with the
// settings in force at that point. Symbols are ASCII bytes (0 = none).
struct ScriptSentence {
  ScriptTokenKind closing_kind = ScriptTokenKind::kUnknown;  // 13-17; kUnknown: not closed
  std::string sound_text;  // text of the closing sound token; empty for a sentence end
  char end_symbol = 0;     // last closing "," "." "*" or "?"
  int end_count = 0;       // argument of that "*" or "?", 0 for "," and "."
  char pitch_step_symbol = 0;
  int pitch_step_sum = 0;   // sum of consecutive equal pitch-step arguments
  bool slash_seen = false;  // "/" in this unit
  char step_symbol = 0;
  int step_sum = 0;          // sum of consecutive equal step arguments
  bool equals_seen = false;  // "=" in this unit
  char mark = 0;             // last mark "!" "+" ":" ";" "@"
  char voice_symbol = 'K';   // "K" or "X"
  int voice_value = 0;
  int s_value = 50;
  int l_value = 0;
  int v_value = 4;
  int w_value = 3;
  int u_value = -1;
  char note = 0;  // note letter "A"-"G"
  bool sharp = false;
  int octave = 2;
  std::vector<ScriptToken> tokens;
  bool in_range = false;  // the closing token starts inside the range given to the parser

  bool operator==(const ScriptSentence&) const = default;
};

class ScriptEngine {
 public:
  ScriptEngine() = default;
  virtual ~ScriptEngine() = default;

  // Validates and stores the device nibble (5, 7 or any word from 0xF0000000 up), then the
  // language (2-5), then the pass-variant flag (0 or 1); false at the first field that fails,
  // with the fields already accepted kept. The sub-format is not checked here.
  [[nodiscard]] bool SetModeWord(ScriptModeWord mode);

  // Assigns the header tag of the stored language to `out`; leaves it unchanged for a
  // language without a tag. Always succeeds.
  bool WriteHeaderTag(std::string& out) const;

  // Tokenizes `text` into units. Sub-format 0: the text must begin with the language's header
  // tag (else kTagMismatch); the previous units are discarded. Sub-format 0x10000: plain sound
  // text without tag, read over the previous units as seeds (see ParseScriptText in the
  // source). Other sub-formats and a refused mode word: kBadMode. Never fails on the body.
  [[nodiscard]] ScriptEngineError ParseScriptText(ScriptModeWord mode, std::string_view text);

  // The range entry of ReformatScriptText: validates the mode word, requires the header tag
  // whatever the sub-format, tokenizes with the byte range [range_start, range_end] of `text`
  // marking the units whose closing token starts inside it, runs CheckScript(0) and the range
  // operation `operation`.
  [[nodiscard]] ScriptEngineError ParseScriptText(ScriptModeWord mode, std::string_view text,
                                                  int range_start, int range_end, int operation);

  // Brings the units into canonical form with 17 passes. Flag bit 0 removes the line breaks
  // and reads the script again; bit 1 removes the comments.
  [[nodiscard]] ScriptCheckCode CheckScript(int flags);

  // Writes the units: sub-format 0 assigns the tag and all token texts to `out`; 0x20000
  // appends all token texts but the voice tokens; 0x10000 appends the sound texts of the units
  // closed by a sound token. Always succeeds.
  ScriptEngineError SerializeScript(std::string& out, uint32_t sub_format) const;

  // Converts the units between J and G (or keeps the language) and writes them in the target's
  // sub-format into `out` and the output text. kTagMismatch for another language pair and
  // kBadMode for a bad sub-format; on failure the engine is left unchanged.
  [[nodiscard]] ScriptEngineError ConvertScriptMode(ScriptModeWord target, std::string& out);

  // Header operations on `text` (replaced by the result): 3 set the voice quality of the head,
  // 4 read it or insert one (value -1 when inserted), 5 read it (kHeaderItemMissing when
  // none), 6 make sure the text begins with the tag, 7 tell the language from the tag.
  // Voice numbers 0-15 stand for "K0"-"K15", 16-31 for "X0"-"X15"; others give kBadMode.
  [[nodiscard]] ScriptEngineError ScriptHeaderOp(ScriptModeWord mode, int kind, std::string& text,
                                                 int& value);

  // Rewrites `text` in canonical form with the range operation applied to the units whose
  // closing token starts inside the byte range [range_start, range_end]. Always returns 0;
  // the text is left unchanged when the mode word or the header tag is refused.
  ScriptEngineError ReformatScriptText(ScriptModeWord mode, std::string& text, int range_start,
                                       int range_end, int operation);

  // Builds the played text (tag, checked tokens, explicit speed) into `text`. With flag 1 the
  // script is checked and sentences over 100 bytes are split; otherwise (or when no split is
  // possible) kSentenceTooLong with *error_offset set to the byte position, header included,
  // where the sentence passes the limit.
  [[nodiscard]] ScriptEngineError BuildPlayText(ScriptModeWord mode, std::string& text,
                                                int* error_offset, int flag);

  const std::vector<ScriptSentence>& units() const { return units_; }
  const std::string& output_text() const { return output_text_; }
  ScriptLanguage language() const { return language_; }
  uint32_t device() const { return device_; }
  uint32_t pass_variant_flag() const { return flag_; }
  int sentence_limit() const { return sentence_limit_; }
  bool inside_brackets() const { return bracket_state_ != 0; }
  // Device, language and flag as one mode word with sub-format 0.
  ScriptModeWord mode_word() const { return device_ | static_cast<uint32_t>(language_) | flag_; }

 private:
  // Tokenizes text[start..] into units_; range bounds -1 mark no range.
  void Tokenize(std::string_view text, size_t start, uint32_t sub_format, int range_start,
                int range_end);

  uint32_t device_ = 0;
  ScriptLanguage language_ = ScriptLanguage::kNone;
  uint32_t flag_ = 0;
  int sentence_limit_ = kSentenceLimit;
  uint8_t bracket_state_ = 0;
  std::vector<ScriptSentence> units_;
  std::string output_text_;
};

}  // namespace vtr::core

#endif  // VTR_CORE_SCRIPT_ENGINE_H_
