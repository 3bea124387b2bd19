#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"

namespace {

struct Utterance {
  std::vector<int16_t> samples;
  std::string text;
};

// About 20 seconds of speech with about 100 phonemes.
Utterance TwentySeconds(int rate) {
  const auto script = vtr::wtp::testing::RandomScript(48, 5, 11);
  auto speech = vtr::wtp::testing::Synthesize(script, rate, 150, 11, 0.3, 0.3);
  speech.samples.resize(static_cast<size_t>(20 * rate), 0);
  return {speech.samples, speech.text};
}

std::filesystem::path RecogniserCopy() {
  const auto folder = std::filesystem::temp_directory_path() / "vtr_wtp_benchmark";
  std::filesystem::create_directories(folder);
  const auto installed = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  for (const char* name : {"julius", "hmmdefs"}) {
    std::filesystem::copy_file(installed / name, folder / name, std::filesystem::copy_options::overwrite_existing);
  }
  return folder;
}

// The recogniser's share: grammar, 16 kHz copy, the stand-in's run and the parse.
void BM_Align20s(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const Utterance u = TwentySeconds(rate);
  vtr::wtp::PhonemeAligner aligner(RecogniserCopy());
  for (auto _ : state) {
    state.PauseTiming();
    vtr::wtp::WaveBuffer wave(u.samples, rate);
    (void)aligner.SetText(u.text);
    state.ResumeTiming();
    benchmark::DoNotOptimize(aligner.Align(wave));
  }
}
BENCHMARK(BM_Align20s)->Arg(16000)->Arg(44100)->Unit(benchmark::kMillisecond);

// The whole export: filter, align, analyse, build and write.
void BM_GetPSeq20s(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  const Utterance u = TwentySeconds(rate);
  const auto folder = RecogniserCopy();
  const std::string file = (folder / "utterance.wav").string();
  (void)vtr::wtp::WaveBuffer(u.samples, rate).WriteWave(file);
  std::vector<char> buffer(0x100000);
  for (auto _ : state) {
    state.PauseTiming();
    vtr::wtp::WtpEngine engine(folder);
    (void)engine.Initialize(20, 0);
    (void)engine.SetWav(file.c_str(), static_cast<int>(file.size()));
    (void)engine.SetText(u.text.data(), static_cast<int>(u.text.size()));
    state.ResumeTiming();
    benchmark::DoNotOptimize(engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size())));
  }
}
BENCHMARK(BM_GetPSeq20s)->Arg(16000)->Arg(22050)->Arg(32000)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);

}  // namespace
