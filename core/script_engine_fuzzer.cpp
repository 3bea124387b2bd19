// Arbitrary bytes through parse, check (both flag bits), writing and the play text, in every
// language, with the properties the engine promises:
// - a checked script, written and checked again, is written the same way;
// - a play text built with splitting holds no sentence over the limit;
// - each sound keeps its speed, pitch and step across a split (J, K and C: a romaji text read
//   back from kana may hold kana it has no spelling for).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/script_engine.h"
#include "core/testing/heard_settings.h"

namespace {

using vtr::core::ScriptEngine;
using vtr::core::ScriptEngineError;
using vtr::core::ScriptModeWord;

void Require(bool condition) {
  if (!condition) std::abort();
}

// The text between two sentence ends of a parsed play text, and the text after the last one,
// hold at most the limit.
void RequireSentencesWithinLimit(const ScriptEngine& engine) {
  size_t bytes = 0;
  for (const auto& unit : engine.units()) {
    for (const auto& token : unit.tokens) {
      if (!vtr::core::IsSentenceEndKind(token.kind)) bytes += token.text.size();
    }
    if (vtr::core::IsSentenceEndKind(unit.closing_kind)) {
      Require(bytes <= vtr::core::kSentenceLimit);
      bytes = 0;
    }
  }
  Require(bytes <= vtr::core::kSentenceLimit);
}

std::vector<std::string> Sounds(const ScriptEngine& engine) {
  std::vector<std::string> sounds;
  for (const auto& unit : engine.units()) {
    if (!unit.sound_text.empty()) sounds.push_back(unit.sound_text);
  }
  return sounds;
}

// What each sound of `text` is played with when it is checked and played unsplit; empty when
// the text does not check, holds a position no single token can write, or reads as other
// sounds once written (kana that an unknown character kept apart join when it is dropped, and
// a split may fall between them).
std::vector<vtr::core::testing::Heard> HeardUnsplit(ScriptModeWord mode, const std::string& text) {
  ScriptEngine engine;
  if (engine.ParseScriptText(mode, text) != ScriptEngineError::kNone ||
      engine.CheckScript(0) != vtr::core::ScriptCheckCode::kOk) {
    return {};
  }
  std::string checked;
  (void)engine.SerializeScript(checked, 0);
  const std::vector<std::string> sounds = Sounds(engine);
  Require(engine.ParseScriptText(mode, checked) == ScriptEngineError::kNone);
  if (Sounds(engine) != sounds) return {};
  std::vector<vtr::core::testing::Heard> heard = vtr::core::testing::HeardSettings(engine.units());
  if (!vtr::core::testing::PositionsFitOneToken(heard)) heard.clear();
  return heard;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const ScriptModeWord kModes[] = {0x52100000, 0x53100000, 0x54100000, 0x55100000};
  const ScriptModeWord mode = kModes[data[0] & 3];
  const int flags = (data[0] >> 2) & 3;
  const std::string tag(vtr::core::HeaderTagOf(vtr::core::LanguageOf(mode)));
  const std::string text = tag + std::string(reinterpret_cast<const char*>(data + 1), size - 1);

  ScriptEngine engine;
  Require(engine.ParseScriptText(mode, text) == ScriptEngineError::kNone);
  if (engine.CheckScript(flags) == vtr::core::ScriptCheckCode::kOk) {
    std::string once;
    (void)engine.SerializeScript(once, 0);
    ScriptEngine again;
    Require(again.ParseScriptText(mode, once) == ScriptEngineError::kNone);
    // Not where kana that an unknown character kept apart join in the written text: the
    // check passes work on the units as read, and the second check reads other syllables.
    if (Sounds(again) == Sounds(engine)) {
      Require(again.CheckScript(0) == vtr::core::ScriptCheckCode::kOk);
      std::string twice;
      (void)again.SerializeScript(twice, 0);
      Require(twice == once);
    }
  }
  std::string plain;
  (void)engine.SerializeScript(plain, 0x10000);
  (void)engine.ParseScriptText(mode | 0x10000, plain);

  std::string played = text;
  int offset = 0;
  ScriptEngine player;
  const ScriptEngineError built = player.BuildPlayText(mode, played, &offset, 1);
  if (built == ScriptEngineError::kNone &&
      vtr::core::LanguageOf(mode) != vtr::core::ScriptLanguage::kRomaji) {
    ScriptEngine reader;
    Require(reader.ParseScriptText(mode, played) == ScriptEngineError::kNone);
    RequireSentencesWithinLimit(reader);
    const std::vector<vtr::core::testing::Heard> unsplit = HeardUnsplit(mode, text);
    if (!unsplit.empty()) Require(vtr::core::testing::HeardSettings(reader.units()) == unsplit);
  } else if (built == ScriptEngineError::kSentenceTooLong) {
    Require(offset >= 4);
  }
  return 0;
}
