// The player with the stand-in chip library of the program folder, loaded by name under the
// emulator's name and under the middleware's.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engines/convert/kvj_converter.h"
#include "engines/convert/testing/converter_test_util.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"

namespace vtr::playback {
namespace {

const std::string kDist = VTR_DIST_DIR;
const std::string kEmulatorPath = kDist + "/Qs5_EmuKmw5.dll";
const std::string kMiddlewarePath = kDist + "/Qs7_AuthMgr.dll";
const std::string kKonnichiwa = "KV#J\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD";
constexpr uint32_t kJapaneseEmulator = 0x52000000;
constexpr uint32_t kJapaneseMiddleware = 0x72000000;
constexpr int kRate = 32000;
int window_token;
void* const kWindow = &window_token;

int CountedMs(const std::string& text) {
  return convert::testing::PlayMs<convert::KvjConverter>(text);
}

// A poster whose posts can be waited for.
class WaitingPoster final : public CommandPoster {
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

class StandInPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallCommandPoster(&poster_); }
  void TearDown() override {
    InstallCommandPoster(nullptr);
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
    ScriptPlayer player;
    ASSERT_EQ(player.Open(c.path, c.word, 129), 0) << c.path;
    ASSERT_EQ(player.Play(kWindow, kMainDialogStopCommand, 100, 2, kKonnichiwa), 0);
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
  ScriptPlayer player;
  ASSERT_EQ(player.Open(kEmulatorPath, kJapaneseEmulator, 129), 0);
  std::string tries;
  bool on_time = false;
  for (int attempt = 1; attempt <= 3 && !on_time; ++attempt) {
    WaitingPoster poster;
    InstallCommandPoster(&poster);
    auto before_play = std::chrono::steady_clock::now();
    ASSERT_EQ(player.Play(kWindow, kMainDialogStopCommand, 100, 0, kKonnichiwa), 0);
    // Play returns once the phrase has started; the time it took to prepare (reading and
    // rendering the phrase) lies before that.
    auto after_play = std::chrono::steady_clock::now();
    auto ended = poster.WaitForPost();
    ASSERT_EQ(poster.count(), 1u);
    long long from_before = duration_cast<milliseconds>(ended - before_play).count();
    long long from_after = duration_cast<milliseconds>(ended - after_play).count();
    on_time = from_before >= counted_ms - 50 && from_after <= counted_ms + 50;
    tries += " [" + std::to_string(from_before) + ", " + std::to_string(from_after) + "]";
    InstallCommandPoster(&poster_);
    EXPECT_EQ(poster.count(), 1u) << "one post per phrase";
  }
  EXPECT_TRUE(on_time) << "counted " << counted_ms << " ms; ended after" << tries;
  EXPECT_EQ(player.Close(), 0);
  EXPECT_EQ(poster_.count(), 0u);
}

}  // namespace
}  // namespace vtr::playback
