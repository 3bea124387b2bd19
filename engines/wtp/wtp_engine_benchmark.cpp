#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/pitch_analyzer.h"
#include "engines/wtp/testing/alignment_corpus.h"
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

// The pitch and power analysis alone.
void BM_Analyse20s(benchmark::State& state) {
  const int rate = static_cast<int>(state.range(0));
  vtr::wtp::WaveBuffer wave(TwentySeconds(rate).samples, rate);
  wave.HighPassNormalise(90);
  vtr::wtp::PitchAnalyzer analyzer;
  for (auto _ : state) benchmark::DoNotOptimize(analyzer.Analyse(wave));
}
BENCHMARK(BM_Analyse20s)->Arg(16000)->Arg(22050)->Arg(32000)->Arg(44100)->Arg(48000)->Unit(benchmark::kMillisecond);

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
void BM_GetPSeq(benchmark::State& state) {
  const double seconds = static_cast<double>(state.range(0));
  const int rate = static_cast<int>(state.range(1));
  const auto speech = vtr::wtp::testing::SpeechOfLength(seconds, rate, 11);
  const auto folder = RecogniserCopy();
  const std::string file = (folder / "utterance.wav").string();
  (void)vtr::wtp::WaveBuffer(speech.samples, rate).WriteWave(file);
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
    ->Args({20, 22050})
    ->Args({20, 32000})
    ->Args({20, 48000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
