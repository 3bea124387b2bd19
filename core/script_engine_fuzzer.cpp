// Arbitrary bytes through parse, check (both flag bits), writing and the play text, in every
// language, with the properties the engine promises:
// - a checked script, written and checked again, is written the same way;
// - a play text built with splitting holds no sentence over the limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/script_engine.h"

namespace {

using vtr::core::ScriptEngine;
using vtr::core::ScriptEngineError;
using vtr::core::ScriptModeWord;

void Require(bool condition) {
  if (!condition) std::abort();
}

// Every sentence of a parsed play text (up to and including its sentence end) and the text
// after the last one hold at most the limit.
void RequireSentencesWithinLimit(const ScriptEngine& engine) {
  size_t bytes = 0;
  for (const auto& unit : engine.units()) {
    for (const auto& token : unit.tokens) bytes += token.text.size();
    if (vtr::core::IsSentenceEndKind(unit.closing_kind)) {
      Require(bytes <= vtr::core::kSentenceLimit);
      bytes = 0;
    }
  }
  Require(bytes <= vtr::core::kSentenceLimit);
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
    Require(again.CheckScript(0) == vtr::core::ScriptCheckCode::kOk);
    std::string twice;
    (void)again.SerializeScript(twice, 0);
    Require(twice == once);
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
  } else if (built == ScriptEngineError::kSentenceTooLong) {
    Require(offset >= 4);
  }
  return 0;
}
