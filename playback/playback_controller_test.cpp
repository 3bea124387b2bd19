#include "playback/playback_controller.h"

#include <gtest/gtest.h>

#include "platform/sound/testing/fake_sound_system.h"
#include "platform/testing/failing_allocation.h"
#include "playback/command_poster.h"
#include "playback/testing/fake_sound_library.h"

namespace vtr::playback {
namespace {

const uint8_t kText[] = {'K', 'V', '#', 'J', 0x82, 0xA0};
int window_token;
void* const kWindow = &window_token;

class PlaybackControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallSoundSystem(&sound_);
    InstallCommandPoster(&poster_);
    params_.SetFlags(1, 1, 0, 0, 1);
    params_.value_11 = 2;
  }
  void TearDown() override {
    controller_.StopClose(1);
    InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
  }

  void OpenFunction() {
    ASSERT_EQ(controller_.OpenDevice(kDeviceTypeJapanese, "", params_), 1);
    ASSERT_GE(controller_.CreateFunction(9), 0);
    controller_.SetEndNotify(kWindow, kCommandMessage, kMainDialogStopCommand, 0);
  }
  void Ready() {
    OpenFunction();
    ASSERT_GE(controller_.Load(kText, sizeof kText, 1, nullptr, nullptr), 0);
    ASSERT_EQ(controller_.Open(0, 0), 0);
    ASSERT_EQ(controller_.Standby(0), 0);
  }
  int32_t Volume(uint8_t value) {
    QsValueBlock block{value};
    return controller_.Control(QS_CONTROL_VOLUME, &block, 0);
  }

  platform::FakeSoundSystem sound_;
  RecordingCommandPoster poster_;
  FakeSoundLibraryLoader loader_;
  PlaybackParams params_;
  PlaybackController controller_{loader_};
};

TEST_F(PlaybackControllerTest, AVolumeSetBeforeOpenIsSentRightAfterOpen) {
  OpenFunction();
  ASSERT_GE(controller_.Load(kText, sizeof kText, 1, nullptr, nullptr), 0);
  EXPECT_EQ(Volume(90), -1) << "kept pending while only loaded";
  loader_.ClearTrace();
  ASSERT_EQ(controller_.Open(0, 0), 0);
  int32_t fid = controller_.function_id(), sid = controller_.sound_id();
  std::string prefix = "QsSound_Control(" + std::to_string(fid) + "," + std::to_string(sid);
  EXPECT_EQ(loader_.Trace(), (std::vector<std::string>{"QsSound_Open(" + std::to_string(fid) + "," +
                                                           std::to_string(sid) + ",0,0)=0",
                                                       prefix + ",0,90,0)=0"}))
      << "only the volume was ever set";
}

TEST_F(PlaybackControllerTest, AVolumeSetWhilePlayingIsSentAtOnce) {
  Ready();
  ASSERT_EQ(controller_.Start(0), 0);
  loader_.ClearTrace();
  EXPECT_EQ(Volume(10), 0);
  ASSERT_EQ(loader_.Trace().size(), 1u);
  EXPECT_NE(loader_.Trace()[0].find(",0,10,0)=0"), std::string::npos) << loader_.Trace()[0];
}

TEST_F(PlaybackControllerTest, StartOutsideReadyFailsAndPostsNothing) {
  OpenFunction();
  EXPECT_EQ(controller_.Start(0), -1) << "nothing loaded";
  ASSERT_GE(controller_.Load(kText, sizeof kText, 1, nullptr, nullptr), 0);
  EXPECT_EQ(controller_.Start(0), -1) << "loaded";
  ASSERT_EQ(controller_.Open(0, 0), 0);
  EXPECT_EQ(controller_.Start(0), -1) << "opened";
  EXPECT_FALSE(PublishedEndNotification().has_value());
  sound_.Pump(kFakePhraseSamples * 2);
  EXPECT_EQ(poster_.count(), 0u);
}

TEST_F(PlaybackControllerTest, AnEndedPhrasePostsOnceAndAStoppedOneNever) {
  Ready();
  ASSERT_EQ(controller_.Start(0), 0);
  EXPECT_EQ(controller_.State(), QS_STATE_PLAYING);
  sound_.Pump(kFakePhraseSamples + 1);
  EXPECT_EQ(poster_.posts(), (std::vector<std::pair<void*, int>>{{kWindow, 1003}}));
  EXPECT_EQ(controller_.State(), QS_STATE_READY);
  PlaybackEndCallback(QS_EVENT_END);  // a second end report finds nothing published
  PlaybackEndCallback(QS_EVENT_OTHER);
  EXPECT_EQ(poster_.count(), 1u);

  ASSERT_EQ(controller_.Start(0), 0);
  sound_.Pump(100);
  EXPECT_EQ(controller_.Stop(0), 0);
  EXPECT_EQ(controller_.State(), QS_STATE_READY);
  sound_.Pump(kFakePhraseSamples);
  PlaybackEndCallback(QS_EVENT_END);  // a library that reports after Stop posts nothing
  EXPECT_EQ(poster_.count(), 1u);
}

TEST_F(PlaybackControllerTest, AFailedStartWithdrawsTheNotification) {
  Ready();
  loader_.failing = {"QsSound_Start"};
  EXPECT_NE(controller_.Start(0), 0);
  EXPECT_FALSE(PublishedEndNotification().has_value());
  PlaybackEndCallback(QS_EVENT_END);
  EXPECT_EQ(poster_.count(), 0u);
}

// The outside library reports the end while memory runs out, so posting the command fails:
// the failure stays in the callback and never unwinds into the library that called it.
TEST_F(PlaybackControllerTest, AnEndReportWhileMemoryRunsOutThrowsNothingIntoTheLibrary) {
  Ready();
  ASSERT_EQ(controller_.Start(0), 0);
  {
    platform::testing::ScopedFailingAllocation failing;
    EXPECT_NO_THROW(PlaybackEndCallback(QS_EVENT_END));
  }
  EXPECT_EQ(poster_.count(), 0u);
}

TEST_F(PlaybackControllerTest, ANewRepeatValueReopensThePhraseBeforeStart) {
  Ready();
  EXPECT_EQ(controller_.SetRepeat(0), kDeviceTypeJapanese);
  loader_.ClearTrace();
  ASSERT_EQ(controller_.Start(0), 0);
  std::vector<std::string> trace = loader_.Trace();
  ASSERT_GE(trace.size(), 4u);
  EXPECT_EQ(trace.front().rfind("QsSound_Close(", 0), 0u) << trace.front();
  EXPECT_EQ(trace[1].rfind("QsSound_Open(", 0), 0u) << trace[1];
  EXPECT_EQ(trace.back(), "QsSound_Start(0,1,0,0)=0");
  EXPECT_EQ(controller_.State(), QS_STATE_PLAYING_LOOP);
  EXPECT_EQ(sound_.Pump(3 * kFakePhraseSamples).size(), 3 * kFakePhraseSamples);
  EXPECT_EQ(poster_.count(), 0u) << "a loop never ends by itself";
}

TEST_F(PlaybackControllerTest, ChannelDataIsCopiedAndRefusedBeyondItsSlots) {
  Ready();
  std::vector<uint8_t> data = {'K', 'V', 'N', 1, 2};
  struct Case {
    int32_t channel;
    int32_t expected;
    int slot;
  } cases[] = {{255, 0, 16}, {0, 0, 0}, {15, 0, 15}, {16, -1, -1}, {254, -1, -1}, {-1, -1, -1}};
  for (const Case& c : cases) {
    QsDataBlock block{c.channel, data.data(), static_cast<int32_t>(data.size())};
    EXPECT_EQ(controller_.Control(QS_CONTROL_DATA, &block, 0), c.expected) << c.channel;
    if (c.slot >= 0) {
      EXPECT_TRUE(controller_.has_channel_block(c.slot)) << c.channel;
    }
  }
  data.assign(data.size(), 0);  // the caller's block may go away: the copy was sent
  QsDataBlock forget{0, nullptr, 0};
  EXPECT_EQ(controller_.Control(QS_CONTROL_DATA, &forget, 0), 0);
  EXPECT_FALSE(controller_.has_channel_block(0));
  loader_.failing = {"QsSound_Control"};
  QsDataBlock refused{3, data.data(), 2};
  EXPECT_EQ(controller_.Control(QS_CONTROL_DATA, &refused, 0), -1);
  EXPECT_FALSE(controller_.has_channel_block(3)) << "freed when the library refuses it";
}

TEST_F(PlaybackControllerTest, AnExtendedVoiceNeedsTheDataOfItsChannel) {
  Ready();
  struct Case {
    uint8_t voice;
    bool with_channel_data;
    uint8_t sent;
  } cases[] = {{5, false, 5}, {0x82, false, 0}, {0x82, true, 0x82}, {0x90, true, 0}};
  for (const Case& c : cases) {
    QsDataBlock forget{2, nullptr, 0};
    (void)controller_.Control(QS_CONTROL_DATA, &forget, 0);
    if (c.with_channel_data) {
      uint8_t data[] = {1, 2, 3};
      QsDataBlock block{2, data, 3};
      ASSERT_EQ(controller_.Control(QS_CONTROL_DATA, &block, 0), 0);
    }
    QsValueBlock voice{c.voice};
    EXPECT_EQ(controller_.Control(QS_CONTROL_VOICE, &voice, 0), 0) << int(c.voice);
    EXPECT_EQ(controller_.voice(), c.sent) << int(c.voice);
  }
}

TEST_F(PlaybackControllerTest, EveryOperationWithoutADeviceAnswersMinusOne) {
  PlaybackController none(loader_);
  QsValueBlock value{1};
  EXPECT_EQ(none.CreateFunction(9), -1);
  EXPECT_EQ(none.Load(kText, sizeof kText, 1, nullptr, nullptr), -1);
  EXPECT_EQ(none.Open(0, 0), -1);
  EXPECT_EQ(none.Standby(0), -1);
  EXPECT_EQ(none.Start(0), -1);
  EXPECT_EQ(none.Stop(0), -1);
  EXPECT_EQ(none.Close(0), -1);
  EXPECT_EQ(none.Unload(0), -1);
  EXPECT_EQ(none.Delete(), -1);
  EXPECT_EQ(none.Control(QS_CONTROL_VOLUME, &value, 0), -1);
  EXPECT_EQ(none.SetRepeat(0), -1);
  EXPECT_EQ(none.State(), -1);
  none.StopClose(1);
  none.StopClose(1);
}

TEST_F(PlaybackControllerTest, StopCloseTakesEveryStateBackToNothing) {
  Ready();
  ASSERT_EQ(controller_.Start(0), 0);
  loader_.ClearTrace();
  controller_.StopClose(1);
  EXPECT_FALSE(controller_.has_device());
  EXPECT_EQ(controller_.function_id(), -1);
  EXPECT_EQ(controller_.sound_id(), -1);
  std::vector<std::string> trace = loader_.Trace();
  ASSERT_GE(trace.size(), 5u);
  EXPECT_EQ(trace[0], "QsSound_Stop(0,1,0)=0");
  EXPECT_EQ(trace[1], "QsSound_Close(0,1,0)=0");
  EXPECT_EQ(trace[2], "QsSound_Unload(0,1,0)=0");
  EXPECT_EQ(trace[3], "QsSound_Delete(0)=0");
  EXPECT_EQ(trace.back(), "QsSound_EmuTerminate()=0");
  EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0);
  sound_.Pump(kFakePhraseSamples * 2);
  EXPECT_EQ(poster_.count(), 0u);
}

}  // namespace
}  // namespace vtr::playback
