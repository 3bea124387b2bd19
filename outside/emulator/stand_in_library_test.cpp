// The stand-in library as a host meets it: loaded from the program folder by name and driven
// through its exports (the player over it is tested with the player).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engines/convert/kvj_converter.h"
#include "engines/convert/play_time.h"
#include "outside/emulator/emulator_api.h"
#include "outside/emulator/sound_analysis.h"
#include "outside/emulator/synthesiser.h"
#include "outside/emulator/voices.h"
#include "platform/module.h"
#include "platform/testing/failing_allocation.h"

namespace vtr::emulator {
namespace {

const std::string kDist = VTR_DIST_DIR;
const std::string kA = "KV#J\x82\xA0";  // あ
const std::string kKonnichiwa = "KV#J\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD";
constexpr int kRate = 32000;

int CountedMs(const std::string& text) {
  convert::KvjConverter converter;
  int ms = 0;
  EXPECT_EQ(convert::CountPlayTime(converter, text.data(), static_cast<int32_t>(text.size()), ms),
            convert::PlayTimeCode::kOk);
  return ms;
}

// The library's chip driven directly, as a test of its Generate.
class DirectChip {
 public:
  DirectChip() {
    EXPECT_TRUE(module_.LoadFile(kDist + "/Qs5_EmuKmw5.so")) << module_.error();
    emu_initialize_ = module_.Find<int32_t(int32_t, int32_t, int32_t)>("QsSound_EmuInitialize");
    EXPECT_EQ(emu_initialize_(kRate, 5, 129), 0);
    EXPECT_EQ(module_.Find<int32_t()>("QsSound_Initialize")(), 0);
    fid_ = module_.Find<int32_t(int32_t)>("QsSound_Create")(9);
  }
  ~DirectChip() { module_.Find<int32_t()>("QsSound_EmuTerminate")(); }

  std::vector<int16_t> Generate(const std::string& text, int voice) {
    auto load = reinterpret_cast<QsSound_LoadFn>(module_.FindSymbol("QsSound_Load"));
    auto control = reinterpret_cast<QsSound_ControlFn>(module_.FindSymbol("QsSound_Control"));
    auto generate = reinterpret_cast<QsSound_GenerateFn>(module_.FindSymbol("QsSound_Generate"));
    int32_t sid = load(fid_, reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<int32_t>(text.size()), 1, nullptr, nullptr);
    EXPECT_GE(sid, 1);
    QsValueBlock value{static_cast<uint8_t>(voice)};
    EXPECT_EQ(control(fid_, sid, QS_CONTROL_VOICE, &value, 0), 0);
    int32_t length = generate(fid_, sid, nullptr, 0);
    std::vector<int16_t> pcm(static_cast<size_t>(std::max(length, 0)));
    EXPECT_EQ(generate(fid_, sid, pcm.data(), length), length);
    return pcm;
  }

 private:
  platform::Module module_;
  int32_t (*emu_initialize_)(int32_t, int32_t, int32_t) = nullptr;
  int32_t fid_ = -1;
};

TEST(StandInLibraryTest, GeneratesAKanaSyllableOfItsPlayTimeAtItsPitch) {
  DirectChip chip;
  std::vector<int16_t> pcm = chip.Generate(kA, 0);
  EXPECT_EQ(pcm.size(), static_cast<size_t>(CountedMs(kA)) * kRate / 1000);
  EXPECT_GT(Rms(pcm), 1000.0);
  // The plain syllable is unpitched: it is spoken at the voice's own note.
  double f0 = EstimateFundamental(std::span(pcm).subspan(pcm.size() / 4, pcm.size() / 2), kRate);
  double expected = NoteFrequency(kVoices[0].speaking_note);
  EXPECT_LT(std::abs(12.0 * std::log2(f0 / expected)), 1.0) << f0 << " Hz, expected " << expected;
}

TEST(StandInLibraryTest, EveryVoiceSoundsMeasurablyDifferent) {
  DirectChip chip;
  std::vector<SoundFeatures> features;
  features.reserve(kVoiceCount);
  for (int voice = 0; voice < kVoiceCount; ++voice) {
    features.push_back(Features(chip.Generate(kKonnichiwa, voice), kRate));
  }
  for (int a = 0; a < kVoiceCount; ++a) {
    for (int b = a + 1; b < kVoiceCount; ++b) {
      EXPECT_GT(Distance(features[a], features[b]), 0.05) << "voices " << a << " and " << b;
    }
  }
}

// Memory runs out while a phrase is loaded and rendered: the library answers -1 (nothing is
// thrown into the player), and loads and renders the phrase once memory is back.
TEST(StandInLibraryTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  platform::Module module;
  ASSERT_TRUE(module.LoadFile(kDist + "/Qs5_EmuKmw5.so")) << module.error();
  auto load = reinterpret_cast<QsSound_LoadFn>(module.FindSymbol("QsSound_Load"));
  auto generate = reinterpret_cast<QsSound_GenerateFn>(module.FindSymbol("QsSound_Generate"));
  auto emu_initialize =
      reinterpret_cast<QsSound_EmuInitializeFn>(module.FindSymbol("QsSound_EmuInitialize"));
  auto emu_terminate =
      reinterpret_cast<QsSound_EmuTerminateFn>(module.FindSymbol("QsSound_EmuTerminate"));
  auto initialize = reinterpret_cast<QsSound_InitializeFn>(module.FindSymbol("QsSound_Initialize"));
  auto create = reinterpret_cast<QsSound_CreateFn>(module.FindSymbol("QsSound_Create"));
  ASSERT_TRUE(load && generate && emu_initialize && emu_terminate && initialize && create);
  ASSERT_EQ(emu_initialize(kRate, 5, 129), 0);
  ASSERT_EQ(initialize(), 0);
  const int32_t fid = create(9);
  ASSERT_GE(fid, 0);
  auto load_phrase = [&] {
    return load(fid, reinterpret_cast<const uint8_t*>(kKonnichiwa.data()),
                static_cast<int32_t>(kKonnichiwa.size()), 1, nullptr, nullptr);
  };
  EXPECT_EQ(platform::testing::CallWithoutMemory(load_phrase), -1);
  const int32_t sid = load_phrase();
  ASSERT_GE(sid, 1);
  EXPECT_EQ(platform::testing::CallWithoutMemory([&] { return generate(fid, sid, nullptr, 0); }),
            -1);
  EXPECT_GT(generate(fid, sid, nullptr, 0), kRate / 10);
  EXPECT_EQ(emu_terminate(), 0);
}

}  // namespace
}  // namespace vtr::emulator
