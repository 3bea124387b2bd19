// A pitch sequence of about 20 seconds of speech to script text.
#include <benchmark/benchmark.h>

#include <vector>

#include "engines/pth/pth_engine.h"
#include "engines/pth/testing/random_pseq.h"

namespace vtr::pth {
namespace {

// About 20 s: the speech syllables last 3..30 steps with a pause now and then.
testing::RandomPSeq TwentySecondsOfSpeech() {
  for (int syllables = 20;; syllables += 5) {
    testing::RandomPSeq random = testing::MakeRandomPSeq(7, syllables, /*sing=*/false);
    if (random.duration_steps >= 1000) return random;
  }
}

void BM_PitchSequenceToScript(benchmark::State& state) {
  const testing::RandomPSeq random = TwentySecondsOfSpeech();
  std::vector<char> script(0x100000);
  for (auto _ : state) {
    PthEngine engine;
    (void)engine.Initialize(20, 0);
    benchmark::DoNotOptimize(engine.SetPSeq(random.pseq.data(), random.pseq.size(), 0));
    benchmark::DoNotOptimize(engine.GetKVX(script.data(), static_cast<int>(script.size())));
    (void)engine.Terminate();
  }
  state.counters["pseq_bytes"] = random.pseq.size();
  state.counters["steps"] = static_cast<double>(random.duration_steps);
}
BENCHMARK(BM_PitchSequenceToScript)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vtr::pth
