// The pitch and power analysis of 20 seconds of speech at each supported rate.
//
// The analysed waves are also left in <temp>/vtr_pitch_benchmark/speech_<rate>.wav, so that a
// comparison run can time another pitch tracker on the same input in the same session
// (engines/wtp/bench/pitch_vs_praat.sh).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "engines/wtp/pitch_analyzer.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"

namespace {

// 20 s of speech with pauses, filtered and normalised as the engine does before analysing.
vtr::wtp::WaveBuffer TwentySeconds(int rate) {
  const auto script = vtr::wtp::testing::RandomScript(100, 6, 3);
  auto speech = vtr::wtp::testing::Synthesize(script, rate, 150, 3);
  speech.samples.resize(20 * static_cast<size_t>(rate));
  vtr::wtp::WaveBuffer wave(speech.samples, rate);
  wave.HighPassNormalise(90);
  return wave;
}

void BM_PitchAnalysis20s(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const vtr::wtp::WaveBuffer wave = TwentySeconds(rate);
  const auto folder = std::filesystem::temp_directory_path() / "vtr_pitch_benchmark";
  std::filesystem::create_directories(folder);
  (void)wave.WriteWave(folder / ("speech_" + std::to_string(rate) + ".wav"));
  vtr::wtp::PitchAnalyzer analyzer;
  for (auto _ : state) benchmark::DoNotOptimize(analyzer.Analyse(wave));
}
BENCHMARK(BM_PitchAnalysis20s)
    ->Arg(16000)
    ->Arg(22050)
    ->Arg(32000)
    ->Arg(44100)
    ->Arg(48000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
