// The stand-in library as the player meets it: loaded from the program folder by name.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <string>

#include "outside/emulator/emulator_api.h"
#include "outside/emulator/sound_analysis.h"
#include "outside/emulator/synthesiser.h"
#include "outside/emulator/voices.h"
#include "platform/module.h"
#include "platform/sound/fake_sound_system.h"
#include "platform/testing/failing_allocation.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"
#include "scriptedit/kvj_converter.h"
#include "scriptedit/play_time.h"

namespace vtr::emulator {
namespace {

const std::string kDist = VTR_DIST_DIR;
const std::string kEmulatorPath = kDist + "/Qs5_EmuKmw5.dll";
const std::string kMiddlewarePath = kDist + "/Qs7_AuthMgr.dll";
const std::string kA = "KV#J\x82\xA0";  // あ
const std::string kKonnichiwa = "KV#J\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD";
constexpr uint32_t kJapaneseEmulator = 0x52000000;
constexpr uint32_t kJapaneseMiddleware = 0x72000000;
constexpr int kRate = 32000;
int window_token;
void* const kWindow = &window_token;

int CountedMs(const std::string& text) {
  scriptedit::KvjConverter converter;
  int ms = 0;
  EXPECT_EQ(scriptedit::CountPlayTime(converter, text.data(), static_cast<int32_t>(text.size()), ms),
            scriptedit::PlayTimeCode::kOk);
  return ms;
}

// A poster whose posts can be waited for.
class WaitingPoster final : public playback::CommandPoster {
 public:
  void PostCommand(void* window, int command_id) override {
    std::lock_guard lock(mutex_);
    posts_.emplace_back(window, command_id);
    when_ = std::chrono::steady_clock::now();
    posted_.notify_all();
  }
  std::chrono::steady_clock::time_point WaitForPost() {
    std::unique_lock lock(mutex_);
    posted_.wait_for(lock, std::chrono::seconds(10), [this] { return !posts_.empty(); });
    return when_;
  }
  size_t count() {
    std::lock_guard lock(mutex_);
    return posts_.size();
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<std::pair<void*, int>> posts_;
  std::chrono::steady_clock::time_point when_;
};

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
  EXPECT_EQ(platform::testing::CallWithoutMemory([&] { return generate(fid, sid, nullptr, 0); }), -1);
  EXPECT_GT(generate(fid, sid, nullptr, 0), kRate / 10);
  EXPECT_EQ(emu_terminate(), 0);
}

class StandInPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { playback::InstallCommandPoster(&poster_); }
  void TearDown() override {
    playback::InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
  }
  WaitingPoster poster_;
};

TEST_F(StandInPlayerTest, PlaysThroughTheEmulatorAndTheMiddlewareName) {
  platform::FakeSoundSystem sound;
  platform::InstallSoundSystem(&sound);
  const size_t samples = static_cast<size_t>(CountedMs(kKonnichiwa)) * kRate / 1000;
  struct Case {
    std::string path;
    uint32_t word;
  } cases[] = {{kEmulatorPath, kJapaneseEmulator}, {kMiddlewarePath, kJapaneseMiddleware}};
  size_t posts = 0;
  for (const Case& c : cases) {
    playback::ScriptPlayer player;
    ASSERT_EQ(player.Open(c.path, c.word, 129), 0) << c.path;
    ASSERT_EQ(player.Play(kWindow, playback::kMainDialogStopCommand, 100, 2, kKonnichiwa), 0);
    EXPECT_EQ(sound.Pump(samples - 1).size(), samples - 1) << c.path;
    EXPECT_EQ(poster_.count(), posts) << c.path << ": ended early";
    EXPECT_EQ(sound.Pump(100).size(), 1u) << c.path;
    EXPECT_EQ(poster_.count(), ++posts) << c.path;
    EXPECT_EQ(player.Close(), 0);
  }
}

// The one real-time check: on the silent device (or a real one) the end comes after the
// counted play time. The bound is on wall-clock time, so a machine under heavy load may delay
// one wake-up of the sound thread: a phrase that ends on time in one of three tries passes;
// one that is always late or early does not.
TEST_F(StandInPlayerTest, APlayedPhraseEndsAfterItsCountedPlayTime) {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  auto silent = platform::MakeSilentSoundSystem();
  platform::InstallSoundSystem(silent.get());
  const int counted_ms = CountedMs(kKonnichiwa);
  ASSERT_LT(counted_ms, 1000);
  playback::ScriptPlayer player;
  ASSERT_EQ(player.Open(kEmulatorPath, kJapaneseEmulator, 129), 0);
  std::string tries;
  bool on_time = false;
  for (int attempt = 1; attempt <= 3 && !on_time; ++attempt) {
    WaitingPoster poster;
    playback::InstallCommandPoster(&poster);
    auto before_play = std::chrono::steady_clock::now();
    ASSERT_EQ(player.Play(kWindow, playback::kMainDialogStopCommand, 100, 0, kKonnichiwa), 0);
    // Play returns once the phrase has started; the time it took to prepare (reading and
    // rendering the phrase) lies before that.
    auto after_play = std::chrono::steady_clock::now();
    auto ended = poster.WaitForPost();
    ASSERT_EQ(poster.count(), 1u);
    long long from_before = duration_cast<milliseconds>(ended - before_play).count();
    long long from_after = duration_cast<milliseconds>(ended - after_play).count();
    on_time = from_before >= counted_ms - 50 && from_after <= counted_ms + 50;
    tries += " [" + std::to_string(from_before) + ", " + std::to_string(from_after) + "]";
    playback::InstallCommandPoster(&poster_);
    EXPECT_EQ(poster.count(), 1u) << "one post per phrase";
  }
  EXPECT_TRUE(on_time) << "counted " << counted_ms << " ms; ended after" << tries;
  EXPECT_EQ(player.Close(), 0);
  EXPECT_EQ(poster_.count(), 0u);
}

}  // namespace
}  // namespace vtr::emulator
