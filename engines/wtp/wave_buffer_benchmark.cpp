#include <benchmark/benchmark.h>

#include "engines/wtp/testing/reference_resampler.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"

namespace {

std::vector<int16_t> TwentySeconds(int rate) {
  const auto script = vtr::wtp::testing::RandomScript(100, 6, 3);
  auto speech = vtr::wtp::testing::Synthesize(script, rate, 150, 3);
  speech.samples.resize(20 * static_cast<size_t>(rate));
  return speech.samples;
}

void BM_ReadWave20s(benchmark::State& state) {
  const auto file = std::filesystem::temp_directory_path() / "vtr_bench_read.wav";
  (void)vtr::wtp::WaveBuffer(TwentySeconds(44100), 44100).WriteWave(file);
  for (auto _ : state) {
    vtr::wtp::WaveBuffer wave;
    benchmark::DoNotOptimize(wave.ReadWave(file));
  }
  std::filesystem::remove(file);
}
BENCHMARK(BM_ReadWave20s)->Unit(benchmark::kMillisecond);

void BM_HighPassNormalise20s(benchmark::State& state) {
  const auto samples = TwentySeconds(44100);
  for (auto _ : state) {
    vtr::wtp::WaveBuffer wave(samples, 44100);
    wave.HighPassNormalise(90);
    benchmark::DoNotOptimize(wave.samples().data());
  }
}
BENCHMARK(BM_HighPassNormalise20s)->Unit(benchmark::kMillisecond);

// Every ordered pair of two different supported rates.
void EveryRatePair(benchmark::internal::Benchmark* b) {
  for (uint32_t from : vtr::wtp::kSupportedRates) {
    for (uint32_t to : vtr::wtp::kSupportedRates) {
      if (from != to) b->Args({from, to});
    }
  }
}

void BM_Resample20s(benchmark::State& state) {
  const int from = static_cast<int>(state.range(0));
  const int to = static_cast<int>(state.range(1));
  const vtr::wtp::WaveBuffer wave(TwentySeconds(from), from);
  for (auto _ : state) {
    vtr::wtp::WaveBuffer out;
    benchmark::DoNotOptimize(wave.ResampleTo(out, to));
  }
}
BENCHMARK(BM_Resample20s)->Apply(EveryRatePair)->Unit(benchmark::kMillisecond);

// The first, plainly written resampler on the same input: the speed-up of BM_Resample20s is
// the ratio of the two in one run.
void BM_ResampleReference20s(benchmark::State& state) {
  const int from = static_cast<int>(state.range(0));
  const int to = static_cast<int>(state.range(1));
  const std::vector<int16_t> samples = TwentySeconds(from);
  for (auto _ : state) {
    std::vector<int16_t> out;
    benchmark::DoNotOptimize(vtr::wtp::testing::ReferenceResample(samples, from, to, out));
  }
}
BENCHMARK(BM_ResampleReference20s)->Apply(EveryRatePair)->Unit(benchmark::kMillisecond);

}  // namespace
