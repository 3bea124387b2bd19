#include <benchmark/benchmark.h>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/speech_synth.h"
#include "outside/recogniser/forced_aligner.h"

namespace {

// About 20 seconds of speech with about 100 phonemes, aligned as the program does it.
void BM_AlignTwentySeconds(benchmark::State& state) {
  const auto script = vtr::wtp::testing::RandomScript(48, 5, 11);
  auto speech = vtr::wtp::testing::Synthesize(script, 16000, 150, 11, 0.3, 0.3);
  speech.samples.resize(20 * 16000, 0);
  vtr::wtp::PhonemeAligner aligner(std::filesystem::temp_directory_path());
  (void)aligner.SetText(speech.text);
  std::vector<std::string> units;
  (void)vtr::recogniser::ReadGrammar(aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), units);
  for (auto _ : state) {
    const auto features = vtr::recogniser::ComputeFeatures(speech.samples, 16000);
    std::vector<vtr::recogniser::UnitSpan> spans;
    benchmark::DoNotOptimize(vtr::recogniser::AlignUnits(features, units, spans));
  }
  state.counters["units"] = static_cast<double>(units.size());
}
BENCHMARK(BM_AlignTwentySeconds)->Unit(benchmark::kMillisecond);

}  // namespace
