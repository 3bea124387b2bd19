#include <benchmark/benchmark.h>

#include "core/script_engine.h"
#include "core/testing/bench_scripts.h"

namespace vtr::core {
namespace {

// Parse and check of a full script, as the dialogs run them before saving.
void BM_ParseAndCheck(benchmark::State& state) {
  const ScriptModeWord mode = static_cast<ScriptModeWord>(state.range(0));
  const std::string text = testing::BenchScript(LanguageOf(mode));
  ScriptEngine engine;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.ParseScriptText(mode, text));
    benchmark::DoNotOptimize(engine.CheckScript(1));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAndCheck)
    ->Arg(0x52100000)
    ->Arg(0x53100000)
    ->Arg(0x54100000)
    ->Arg(0x55100000)
    ->Unit(benchmark::kMicrosecond);

// The play text with checking and sentence splitting, as before every playback.
void BM_BuildPlayText(benchmark::State& state) {
  const ScriptModeWord mode = static_cast<ScriptModeWord>(state.range(0));
  const std::string script = testing::BenchScript(LanguageOf(mode));
  ScriptEngine engine;
  for (auto _ : state) {
    std::string text = script;
    int offset = 0;
    benchmark::DoNotOptimize(engine.BuildPlayText(mode, text, &offset, 1));
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
}
BENCHMARK(BM_BuildPlayText)
    ->Arg(0x52100000)
    ->Arg(0x53100000)
    ->Arg(0x54100000)
    ->Arg(0x55100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vtr::core
