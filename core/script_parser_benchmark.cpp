#include <benchmark/benchmark.h>

#include "core/script_engine.h"
#include "core/testing/bench_scripts.h"

namespace vtr::core {
namespace {

void BM_ParseScriptText(benchmark::State& state) {
  const ScriptModeWord mode = static_cast<ScriptModeWord>(state.range(0));
  const std::string text = testing::BenchScript(LanguageOf(mode));
  ScriptEngine engine;
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.ParseScriptText(mode, text));
    benchmark::DoNotOptimize(engine.units().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
  state.counters["units"] = static_cast<double>(engine.units().size());
}
BENCHMARK(BM_ParseScriptText)
    ->Arg(0x52100000)
    ->Arg(0x53100000)
    ->Arg(0x54100000)
    ->Arg(0x55100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vtr::core
