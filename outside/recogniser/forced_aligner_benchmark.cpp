#include <benchmark/benchmark.h>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/alignment_corpus.h"
#include "outside/recogniser/forced_aligner.h"

namespace {

// The recogniser's own work on ordinary speech of 2, 8, 20 and 60 seconds (about 15 phonemes a
// second, pauses the text does not hold): frame features and the alignment search, without
// starting a process or writing files.
void BM_Recognise(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0));
  const auto speech = vtr::wtp::testing::SpeechOfLength(seconds, 16000, 11);
  vtr::wtp::PhonemeAligner aligner(std::filesystem::temp_directory_path());
  (void)aligner.SetText(speech.text);
  std::vector<std::string> units;
  (void)vtr::recogniser::ReadGrammar(aligner.DictionaryText(), aligner.BigramText(),
                                     aligner.TrigramText(), units);
  // The beam the alignment engine passes.
  const int beam = 3 * static_cast<int>(aligner.phonemes().size()) + 100;
  for (auto _ : state) {
    const auto recording = vtr::recogniser::ComputeFeatures(speech.samples, 16000);
    std::vector<vtr::recogniser::UnitSpan> spans;
    benchmark::DoNotOptimize(vtr::recogniser::AlignUnits(recording, units, beam, spans));
  }
  state.counters["units"] = static_cast<double>(units.size());
  state.counters["units/s"] = static_cast<double>(units.size()) / seconds;
}
BENCHMARK(BM_Recognise)->Arg(2)->Arg(8)->Arg(20)->Arg(60)->Unit(benchmark::kMillisecond);

}  // namespace
