// Feeds arbitrary bytes to the parser under every language and sub-format, with and without
// the header tag, and then reads the same bytes as plain text over the units it made.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/script_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vtr::core::ScriptEngine;
  using vtr::core::ScriptModeWord;
  if (size == 0) return 0;
  const std::string body(reinterpret_cast<const char*>(data + 1), size - 1);
  const ScriptModeWord languages[] = {0x52100000, 0x53100000, 0x54100000, 0x55000000};
  const ScriptModeWord mode = languages[data[0] & 3] | ((data[0] & 4) ? 0xA0000000u : 0);
  ScriptEngine engine;
  const std::string text =
      (data[0] & 8) ? body : "KV#" + std::string(1, "JKGC"[data[0] & 3]) + body;
  (void)engine.ParseScriptText(mode, text);
  (void)engine.ParseScriptText(mode | 0x10000, body);
  (void)engine.ParseScriptText(mode | (static_cast<ScriptModeWord>(data[0] >> 4) << 16), text);
  std::string out;
  (void)engine.SerializeScript(out, 0);
  return 0;
}
