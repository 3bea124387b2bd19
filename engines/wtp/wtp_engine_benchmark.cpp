#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/alignment_corpus.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"

namespace {

std::filesystem::path RecogniserCopy() {
  auto folder = std::filesystem::temp_directory_path() / "vtr_wtp_benchmark";
  std::filesystem::create_directories(folder);
  const auto installed = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  for (const char* name : {"julius", "hmmdefs"}) {
    std::filesystem::copy_file(installed / name, folder / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
  return folder;
}

// The recogniser's share on ordinary speech of 2, 8, 20 and 60 seconds (about 15 phonemes a
// second, pauses the text does not hold) at 16 and 44.1 kHz: grammar, 16 kHz copy, the
// stand-in's run and the parse.
void BM_Align(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0));
  const int rate = static_cast<int>(state.range(1));
  const auto speech = vtr::wtp::testing::SpeechOfLength(seconds, rate, 11);
  vtr::wtp::PhonemeAligner aligner(RecogniserCopy());
  for (auto _ : state) {
    state.PauseTiming();
    vtr::wtp::WaveBuffer wave(speech.samples, rate);
    (void)aligner.SetText(speech.text);
    state.ResumeTiming();
    benchmark::DoNotOptimize(aligner.Align(wave));
  }
  state.counters["phonemes"] = static_cast<double>(aligner.phonemes().size());
}
BENCHMARK(BM_Align)
    ->ArgsProduct({{2, 8, 20, 60}, {16000, 44100}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The whole export on the same speech: filter, align, analyse, build and write.
//
// Each wave is left in <temp>/vtr_wtp_benchmark/speech_<seconds>s_<rate>.wav with its phoneme
// text beside it (.txt), so that a comparison run can time another program on the same input
// in the same session (engines/wtp/bench/getpseq_vs_praat.sh).
void BM_GetPSeq(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0));
  const int rate = static_cast<int>(state.range(1));
  const auto speech = vtr::wtp::testing::SpeechOfLength(seconds, rate, 11);
  const auto folder = RecogniserCopy();
  const std::string name = "speech_" + std::to_string(state.range(0)) + "s_" + std::to_string(rate);
  const std::string file = (folder / (name + ".wav")).string();
  (void)vtr::wtp::WaveBuffer(speech.samples, rate).WriteWave(file);
  std::ofstream(folder / (name + ".txt"), std::ios::binary) << speech.text;
  std::vector<char> buffer(0x100000);
  int result = 0;
  for (auto _ : state) {
    state.PauseTiming();
    vtr::wtp::WtpEngine engine(folder);
    (void)engine.Initialize(20, 0);
    (void)engine.SetWav(file.c_str(), static_cast<int>(file.size()));
    (void)engine.SetText(speech.text.data(), static_cast<int>(speech.text.size()));
    state.ResumeTiming();
    result = engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size()));
    benchmark::DoNotOptimize(result);
  }
  if (result <= 0) state.SkipWithError("the pitch sequence was not written");
}
BENCHMARK(BM_GetPSeq)
    ->ArgsProduct({{2, 8, 20, 60}, {16000, 44100}})
    ->ComputeStatistics("min",
                        [](const std::vector<double>& v) {
                          return *std::min_element(v.begin(), v.end());
                        })
    ->Args({20, 22050})
    ->Args({20, 32000})
    ->Args({20, 48000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
