#include "wave2script/core/preview_player.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "playback/command_poster.h"
#include "playback/end_notification.h"
#include "playback/testing/fake_sound_library.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

using playback::FakeSoundLibraryLoader;
using playback::kFakePhraseSamples;

int window_object = 0;
void* const kWindow = &window_object;
const std::string kText = "KV#J\x82\xA9\x82\xA0";  // か あ

// Remembers which library messages were shown.
class MessageIds : public core::MessagePresenter {
 public:
  int Show(void*, std::string_view text, std::string_view, uint32_t) override {
    for (unsigned id = 501; id <= 520; ++id) {
      if (LibraryMessageText(id) == text) ids.push_back(static_cast<int>(id));
    }
    return core::kIdOk;
  }
  std::vector<int> ids;
};

std::vector<std::string> Without(std::vector<std::string> trace, std::string_view prefix) {
  std::erase_if(trace, [&](const std::string& s) { return s.starts_with(prefix); });
  return trace;
}

class PreviewPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallSoundSystem(&sound_);
    playback::InstallCommandPoster(&poster_);
    InstallLibraryMessages(&messages_, nullptr, "test");
  }
  void TearDown() override {
    InstallLibraryMessages(nullptr, nullptr, "");
    playback::InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
  }

  platform::FakeSoundSystem sound_;
  playback::RecordingCommandPoster poster_;
  MessageIds messages_;
  FakeSoundLibraryLoader loader_;
};

TEST(PreviewDeviceTest, IdsStandForTheProgramsTypes) {
  struct Case {
    int id, type;
  };
  const std::vector<Case> cases = {{1, 9},   {5, 13}, {6, 14},  {8, 16}, {9, 17},
                                   {10, 19}, {0, -1}, {11, -1}, {-1, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(PreviewDeviceType(c.id), c.type) << c.id;
    if (c.type > 0) {
      EXPECT_EQ(PreviewDeviceId(c.type), c.id) << c.id;
    }
  }
  EXPECT_EQ(PreviewDeviceId(18), -1);
  EXPECT_EQ(PreviewDeviceId(12 - 4), -1);
}

TEST_F(PreviewPlayerTest, ModelIndexAndRateByDevice) {
  struct Case {
    int id, model;
  };
  const std::vector<Case> cases = {{1, 0}, {2, 1}, {3, 2}, {4, 3},   {5, 4},
                                   {6, 5}, {7, 6}, {8, 6}, {9, 127}, {10, 7}};
  for (const Case& c : cases) {
    PreviewEmuSoundDevice device(loader_);
    PreviewPlaybackParams params;
    device.SetParams(params);
    ASSERT_EQ(device.LoadId(c.id, "Qs5_EmuKmw5.dll"), 1) << c.id;
    EXPECT_EQ(device.id(), c.id);
    EXPECT_EQ(device.ModelIndex(), c.model) << c.id;
  }
  PreviewEmuSoundDevice unknown(loader_);
  EXPECT_EQ(unknown.LoadId(11, "Qs5_EmuKmw5.dll"), 0);
  EXPECT_EQ(unknown.id(), -1);

  const std::vector<std::pair<int, int>> rates = {{48000, 48000}, {44100, 44100}, {22050, 22050},
                                                  {32000, 32000}, {11025, 32000}, {0, 32000}};
  for (auto [asked, kept] : rates) {
    PreviewEmuSoundDevice device(loader_);
    PreviewPlaybackParams params;
    params.sample_rate = asked;
    device.SetParams(params);
    EXPECT_EQ(device.sample_rate(), kept) << asked;
  }
}

TEST_F(PreviewPlayerTest, OpenInModeTwoLetsOnlyCommandThirteenThrough) {
  PreviewPlayer player(loader_);
  EXPECT_EQ(player.device_mode(), 2);
  ASSERT_EQ(player.Open(), kPreviewOk);
  EXPECT_TRUE(player.opened());
  const std::vector<std::string> expected = {
      "QsSound_EmuInitialize(32000,5,129)=0",
      "QsSound_Initialize()=0",
      "QsSound_DeviceControl(13,0,0,0)=0",
      "QsSound_Terminate()=0",
      "SetMidiMsg(F0 43 79 06 7F 13 49 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 11 02 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 07 00 F7)=0",
      "SetMidiMsg(F0 43 79 06 7E 09 64 F7)=0",
      "QsSound_Initialize()=0",
      "QsSound_Create(9)=0",
  };
  EXPECT_EQ(loader_.Trace(), expected);
  EXPECT_TRUE(messages_.ids.empty());
  PreviewEmuSoundDevice* device = player.controller().preview_device();
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->id(), kPreviewDeviceJapanese);
  EXPECT_EQ(device->DeviceControl(21, 0, 0, 0), -1);
  EXPECT_TRUE(device->DataFits());
}

TEST_F(PreviewPlayerTest, OpenInModeOneRunsTheWholeStartUp) {
  PreviewPlayer player(loader_);
  player.set_device_mode(1);
  (void)player.Open();
  const std::vector<std::string> controls = [&] {
    std::vector<std::string> out;
    for (const std::string& call : loader_.Trace()) {
      if (call.starts_with("QsSound_DeviceControl") || call.starts_with("QsSound_EmuInit")) {
        out.push_back(call);
      }
    }
    return out;
  }();
  // clang-format off
  const std::vector<std::string> expected = {
      "QsSound_EmuInitialize(32000,5,3)=0",    "QsSound_DeviceControl(13,0,0,0)=0",
      "QsSound_DeviceControl(21,0,0,0)=0",     "QsSound_DeviceControl(2,31,0,0)=0",
      "QsSound_DeviceControl(3,0,31,31)=0",    "QsSound_DeviceControl(4,31,0,0)=0",
      "QsSound_DeviceControl(5,2,0,0)=0",      "QsSound_DeviceControl(6,0,0,0)=0",
      "QsSound_DeviceControl(8,2,0,0)=0",      "QsSound_DeviceControl(9,0,0,0)=0",
      // Let through by the gate; the chip, terminated after set-up 3, refuses them.
      "QsSound_DeviceControl(5,2,0,0)=-1",     "QsSound_DeviceControl(8,2,0,0)=-1",
  };
  // clang-format on
  EXPECT_EQ(controls, expected);
}

TEST_F(PreviewPlayerTest, PlaysInOrderAndPostsTheEndOnce) {
  PreviewPlayer player(loader_);
  ASSERT_EQ(player.Open(), kPreviewOk);
  loader_.ClearTrace();
  ASSERT_EQ(player.Play(kWindow, playback::kWaveToScriptStopCommand, 90, 3, kText), kPreviewOk);
  // clang-format off
  const std::vector<std::string> expected = {
      "QsSound_Load(0,8,1,1,1)=1",
      "QsSound_Open(0,1,0,0)=0",
      "QsSound_Control(0,1,0,127,0)=0",
      "QsSound_Control(0,1,0,90,0)=0",
      "QsSound_Control(0,1,23,3,0)=0",
      "QsSound_Standby(0,1,0)=0",
      "QsSound_Start(0,1,1,0)=0",
  };
  // clang-format on
  EXPECT_EQ(Without(loader_.Trace(), "QsSound_DeviceControl"), expected);
  auto published = playback::PublishedEndNotification();
  ASSERT_TRUE(published.has_value()) << "published before the start";
  EXPECT_EQ(published->window, kWindow);
  EXPECT_EQ(published->message, playback::kCommandMessage);
  EXPECT_EQ(published->wparam, 134);
  sound_.Pump(kFakePhraseSamples + 1);
  sound_.Pump(kFakePhraseSamples);
  EXPECT_EQ(poster_.posts(), (std::vector<std::pair<void*, int>>{{kWindow, 134}}));

  // A second play closes and unloads the first phrase; a stopped phrase posts nothing.
  loader_.ClearTrace();
  ASSERT_EQ(player.Play(kWindow, 134, 100, 0, kText), kPreviewOk);
  const std::vector<std::string> again = Without(loader_.Trace(), "QsSound_DeviceControl");
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(again[0], "QsSound_Close(0,1,0)=0");
  EXPECT_EQ(again[1], "QsSound_Unload(0,1,0)=0");
  sound_.Pump(100);
  EXPECT_EQ(player.Stop(), kPreviewOk);
  EXPECT_FALSE(playback::PublishedEndNotification().has_value()) << "withdrawn by Stop";
  sound_.Pump(kFakePhraseSamples * 2);
  EXPECT_EQ(poster_.count(), 1u);
  EXPECT_TRUE(messages_.ids.empty());
}

TEST_F(PreviewPlayerTest, LoopingPlaysWithRepeatZero) {
  PreviewPlayer player(loader_);
  ASSERT_EQ(player.Open(), kPreviewOk);
  EXPECT_EQ(player.SetLoop(1), kPreviewOk);
  loader_.ClearTrace();
  ASSERT_EQ(player.Play(kWindow, 134, 100, 0, kText), kPreviewOk);
  const std::vector<std::string> trace = loader_.Trace();
  EXPECT_NE(std::find(trace.begin(), trace.end(), "QsSound_Start(0,1,0,0)=0"), trace.end());
  EXPECT_EQ(player.Stop(), kPreviewOk);
}

TEST_F(PreviewPlayerTest, RefusesBadArgumentsWithoutTouchingTheDevice) {
  PreviewPlayer player(loader_);
  ASSERT_EQ(player.Open(), kPreviewOk);
  loader_.ClearTrace();
  struct Case {
    const char* what;
    void* window;
    int volume, voice;
    std::string text;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"volume 128", kWindow, 128, 0, kText}, {"volume -1", kWindow, -1, 0, kText},
      {"voice 16", kWindow, 100, 16, kText},  {"voice -1", kWindow, 100, -1, kText},
      {"no window", nullptr, 100, 0, kText},  {"no text", kWindow, 100, 0, ""},
      {"an empty body", kWindow, 100, 0, "KV#J"},
  };
  // clang-format on
  for (const Case& c : cases) {
    messages_.ids.clear();
    EXPECT_EQ(player.Play(c.window, 134, c.volume, c.voice, c.text), kPreviewBadArguments)
        << c.what;
    EXPECT_EQ(messages_.ids, std::vector<int>{501}) << c.what;
  }
  EXPECT_TRUE(loader_.Trace().empty());
  EXPECT_FALSE(playback::PublishedEndNotification().has_value());
}

TEST_F(PreviewPlayerTest, ReportsFailures) {
  {
    PreviewPlayer never_opened(loader_);
    EXPECT_EQ(never_opened.Close(), kPreviewFailed);
    EXPECT_EQ(messages_.ids, std::vector<int>{501});
    messages_.ids.clear();
    EXPECT_EQ(never_opened.Play(kWindow, 134, 100, 0, kText), kPreviewFailed);
    EXPECT_EQ(messages_.ids, std::vector<int>{510});
    messages_.ids.clear();
  }
  {
    PreviewPlayer player(loader_);
    loader_.fail_load = true;
    EXPECT_EQ(player.Open(), kPreviewOpenFailed);
    EXPECT_TRUE(player.opened());
    EXPECT_EQ(messages_.ids, std::vector<int>{501});
    loader_.fail_load = false;
    messages_.ids.clear();
  }
  {
    PreviewPlayer player(loader_);
    ASSERT_EQ(player.Open(), kPreviewOk);
    loader_.failing = {"QsSound_Start"};
    EXPECT_EQ(player.Play(kWindow, 134, 100, 0, kText), kPreviewFailed);
    EXPECT_EQ(messages_.ids, std::vector<int>{510});
    EXPECT_FALSE(playback::PublishedEndNotification().has_value()) << "withdrawn";
    loader_.failing.clear();
    EXPECT_EQ(player.Close(), kPreviewOk);
    EXPECT_EQ(player.Close(), kPreviewOk);
  }
}

TEST_F(PreviewPlayerTest, OneStartUpForTwoDevices) {
  PreviewPlaybackParams params;
  auto first = std::make_unique<PreviewPlaybackController>(loader_);
  ASSERT_EQ(first->OpenDevice(6, params), 1);
  auto second = std::make_unique<PreviewPlaybackController>(loader_);
  loader_.ClearTrace();
  ASSERT_EQ(second->OpenDevice(7, params), 1);
  EXPECT_TRUE(Without(loader_.Trace(), "QsSound_DeviceControl").empty()) << "no second start-up";
  second.reset();
  EXPECT_TRUE(Without(loader_.Trace(), "QsSound_DeviceControl").empty());
  first.reset();
  const std::vector<std::string> trace = loader_.Trace();
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), "QsSound_EmuTerminate()=0") << "the last one shuts the chip down";
  EXPECT_EQ(loader_.libraries_alive(), 0);
  PreviewPlaybackController none(loader_);
  EXPECT_EQ(none.OpenDevice(0, params), 0);
  EXPECT_EQ(none.OpenDevice(11, params), 0);
}

TEST_F(PreviewPlayerTest, LoadExtraOfDevicesSixToEight) {
  PreviewPlaybackParams params;
  const std::vector<std::pair<int, bool>> cases = {{6, true}, {8, true}, {5, false}, {10, false}};
  for (auto [id, extra] : cases) {
    PreviewPlaybackController controller(loader_);
    ASSERT_EQ(controller.OpenDevice(id, params), 1) << id;
    ASSERT_GE(controller.CreateFunction(9), 0) << id;
    loader_.ClearTrace();
    EXPECT_GT(controller.Load(reinterpret_cast<const uint8_t*>(kText.data()),
                              static_cast<int32_t>(kText.size()), 1, nullptr, nullptr),
              0);
    const std::vector<std::string> trace = loader_.Trace();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front(), std::string("QsSound_Load(0,8,1,1,") + (extra ? "1" : "0") + ")=1")
        << id;
  }
}

// Records posts and lets the test wait for the first one (the stand-in ends a phrase on its
// own sound thread).
class WaitingPoster final : public playback::CommandPoster {
 public:
  void PostCommand(void* window, int command_id) override {
    std::lock_guard lock(mutex_);
    posts_.emplace_back(window, command_id);
    posted_.notify_all();
  }
  bool WaitForPost(std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return posted_.wait_for(lock, limit, [&] { return !posts_.empty(); });
  }
  std::vector<std::pair<void*, int>> posts() {
    std::lock_guard lock(mutex_);
    return posts_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::vector<std::pair<void*, int>> posts_;
};

TEST(PreviewPlayerRealTest, PlaysThroughTheStandIn) {
  const std::filesystem::path library = std::filesystem::path(VTR_DIST_DIR) / "Qs5_EmuKmw5.so";
  if (!std::filesystem::exists(library)) GTEST_SKIP() << "no stand-in library at " << library;
  // The silent device over a clock that never waits: the phrase ends as fast as it renders.
  platform::FakeSoundClock clock;
  std::unique_ptr<platform::SoundSystem> silent = platform::MakeSilentSoundSystem(clock);
  platform::InstallSoundSystem(silent.get());
  WaitingPoster poster;
  playback::InstallCommandPoster(&poster);
  {
    PreviewPlayer player(playback::DefaultSoundLibraryLoader(),
                         std::string(VTR_DIST_DIR) + "/Qs5_EmuKmw5.dll");
    ASSERT_EQ(player.Open(), kPreviewOk);
    ASSERT_EQ(player.Play(kWindow, playback::kWaveToScriptStopCommand, 100, 0, kText), kPreviewOk);
    EXPECT_TRUE(poster.WaitForPost(std::chrono::seconds(20)));
    EXPECT_EQ(player.Close(), kPreviewOk);
  }
  EXPECT_EQ(poster.posts(), (std::vector<std::pair<void*, int>>{{kWindow, 134}}));
  playback::InstallCommandPoster(nullptr);
  platform::InstallSoundSystem(nullptr);
}

}  // namespace
}  // namespace vtr::w2s
