// Counting the play time of a script of 32000 bytes (the longest a script may be) per
// language.
#include <benchmark/benchmark.h>

#include <string>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/play_time.h"

namespace vtr::convert {
namespace {

constexpr size_t kScriptBytes = 32000;

std::string Script(const std::string& tag, const std::string& body) {
  std::string script = tag;
  while (script.size() + body.size() <= kScriptBytes) script += body;
  return script;
}

template <typename Converter>
void CountScript(benchmark::State& state, const std::string& script) {
  Converter converter;
  for (auto _ : state) {
    int ms = 0;
    benchmark::DoNotOptimize(
        CountPlayTime(converter, script.data(), static_cast<int32_t>(script.size()), ms));
    benchmark::DoNotOptimize(ms);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * script.size()));
}

void BM_CountKana(benchmark::State& state) {
  // S99: the whole text stays below the longest play time.
  CountScript<KvjConverter>(state,
                            Script("KV#JS99",
                                   "'\x82\xA9\x82\xF1^\x82\xB6\x81\x5B\x82\xAB\x82\xE1<\x82\xC1"
                                   "\x82\xCF \x82\xA0K05\x81\x5B\x82\xA2\x81\x41"));
}
BENCHMARK(BM_CountKana);

void BM_CountHangul(benchmark::State& state) {
  CountScript<KvkConverter>(state,
                            Script("KV#KS99",
                                   "\xB0\xA2\xC7\xD1 \xB1\xF0\xBE\xC6'\xB0\xB0\xC0\xCC-\xC1\xC1"
                                   "\xB0\xED,"));
}
BENCHMARK(BM_CountHangul);

void BM_CountPinyin(benchmark::State& state) {
  CountScript<KvcConverter>(state, Script("KV#CS99", "ni3hao3 ma1 huar1-qiu2 zhuang4, "));
}
BENCHMARK(BM_CountPinyin);

}  // namespace
}  // namespace vtr::convert
