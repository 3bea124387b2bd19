#include "playback/script_player.h"

#include <gtest/gtest.h>

#include "platform/sound/testing/fake_sound_system.h"
#include "playback/command_poster.h"
#include "playback/testing/fake_sound_library.h"

namespace vtr::playback {
namespace {

constexpr uint32_t kJapaneseEmulator = 0x52000000;
constexpr uint32_t kJapaneseMiddleware = 0x72000000;
const std::string kText = "KV#J\x82\xA0";
int window_token;
void* const kWindow = &window_token;

// Records the boxes by the id of their text in the build language's table.
class RecordingMessages final : public core::MessagePresenter {
 public:
  int Show(void* owner, std::string_view text, std::string_view caption, uint32_t) override {
    for (unsigned id = core::kMessageInternalError; id <= core::kMessageCannotChange; ++id) {
      if (core::MessageText(core::kBuildMessageLanguage, id) == text) {
        shown.push_back(static_cast<int>(id));
        break;
      }
    }
    last_owner = owner;
    last_caption = caption;
    return core::kIdOk;
  }
  std::vector<int> shown;
  void* last_owner = nullptr;
  std::string last_caption;
};

class ScriptPlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallSoundSystem(&sound_);
    InstallCommandPoster(&poster_);
    core::InstallMessagePresenter(&messages_);
  }
  void TearDown() override {
    (void)player_.Close();
    core::InstallMessagePresenter(nullptr);
    InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
  }

  platform::FakeSoundSystem sound_;
  RecordingCommandPoster poster_;
  FakeSoundLibraryLoader loader_;
  RecordingMessages messages_;
  ScriptPlayer player_{loader_};
};

TEST_F(ScriptPlayerTest, OnePhraseFromStartUpToCloseMakesTheExpectedCalls) {
  ASSERT_EQ(player_.Open("/dist/Qs5_EmuKmw5.dll", kJapaneseEmulator, 129), 0);
  ASSERT_EQ(player_.Play(kWindow, kMainDialogStopCommand, 100, 3, kText), 0);
  sound_.Pump(kFakePhraseSamples + 1);
  ASSERT_EQ(player_.Close(), 0);
  const std::vector<std::string> sysex = {
      "SetMidiMsg(F0 43 79 06 7F 13 49 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 11 02 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 07 00 F7)=0",
      "SetMidiMsg(F0 43 79 06 7E 09 64 F7)=0",
  };
  // clang-format off
  std::vector<std::string> expected = {
      // Start-up.
      "QsSound_EmuInitialize(32000,5,129)=0",
      "QsSound_Initialize()=0",
      "QsSound_DeviceControl(13,0,0,0)=0",
      "QsSound_DeviceControl(21,0,0,0)=0",
      "QsSound_DeviceControl(2,31,0,0)=0",
      "QsSound_DeviceControl(3,0,31,31)=0",
      "QsSound_DeviceControl(4,31,0,0)=0",
      "QsSound_DeviceControl(5,2,0,0)=0",
      "QsSound_DeviceControl(6,0,0,0)=0",
      "QsSound_DeviceControl(8,2,0,0)=0",
      "QsSound_DeviceControl(9,0,0,0)=0",
      "QsSound_Terminate()=0",
      sysex[0], sysex[1], sysex[2], sysex[3],
      "QsSound_Initialize()=0",
      "QsSound_DeviceControl(21,0,0,0)=0",
      "QsSound_DeviceControl(5,2,0,0)=0",
      "QsSound_DeviceControl(8,2,0,0)=0",
      "QsSound_Create(9)=0",
      // Play.
      "QsSound_Load(0,6,1,1,0)=1",
      "QsSound_Open(0,1,0,0)=0",
      "QsSound_Control(0,1,0,127,0)=0",
      "QsSound_Control(0,1,0,100,0)=0",
      "QsSound_Control(0,1,23,3,0)=0",
      "QsSound_Standby(0,1,0)=0",
      "QsSound_Start(0,1,1,0)=0",
      "end of phrase 1",
      // Close.
      "QsSound_Close(0,1,0)=0",
      "QsSound_Unload(0,1,0)=0",
      "QsSound_Delete(0)=0",
      "QsSound_Terminate()=0",
      sysex[0], sysex[1], sysex[2], sysex[3],
      "QsSound_EmuTerminate()=0",
  };
  // clang-format on
  EXPECT_EQ(loader_.Trace(), expected);
  EXPECT_EQ(loader_.loaded_names, std::vector<std::string>{"/dist/Qs5_EmuKmw5.dll"});
  EXPECT_EQ(poster_.posts(), (std::vector<std::pair<void*, int>>{{kWindow, 1003}}));
  EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0);
  EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ScriptPlayerTest, RefusesBadArgumentsWithMessage501) {
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  struct Case {
    const char* why;
    void* window;
    int volume;
    std::string text;
  } cases[] = {
      {"no window", nullptr, 100, kText},      {"empty text", kWindow, 100, ""},
      {"an empty body", kWindow, 100, "KV#J"}, {"an empty Chinese body", kWindow, 100, "KV#C"},
      {"volume 128", kWindow, 128, kText},     {"volume -1", kWindow, -1, kText},
  };
  for (const Case& c : cases) {
    messages_.shown.clear();
    loader_.ClearTrace();
    EXPECT_EQ(player_.Play(c.window, 1003, c.volume, 0, c.text), kPlayerBadArguments) << c.why;
    EXPECT_EQ(messages_.shown, std::vector<int>{501}) << c.why;
    EXPECT_TRUE(loader_.Trace().empty()) << c.why << ": the device was touched";
  }
}

TEST_F(ScriptPlayerTest, AVoiceOutsideTheSixteenPlaysVoiceZero) {
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  for (int voice : {16, -1, 255}) {
    loader_.ClearTrace();
    ASSERT_EQ(player_.Play(kWindow, 1003, 100, voice, kText), 0) << voice;
    std::vector<std::string> trace = loader_.Trace();
    EXPECT_NE(std::find_if(trace.begin(), trace.end(),
                           [](const std::string& line) {
                             return line.find(",23,0,0)=0") != std::string::npos;
                           }),
              trace.end())
        << voice;
    EXPECT_EQ(player_.Stop(), 0);
  }
}

TEST_F(ScriptPlayerTest, CloseTwiceSucceedsAndPlayAfterCloseFailsWith510) {
  EXPECT_EQ(player_.Close(), kPlayerNotOpenOrFailed) << "never opened";
  EXPECT_EQ(messages_.shown, std::vector<int>{501});
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  EXPECT_EQ(player_.Close(), 0);
  EXPECT_EQ(player_.Close(), 0);
  messages_.shown.clear();
  EXPECT_EQ(player_.Play(kWindow, 1003, 100, 0, kText), kPlayerNotOpenOrFailed);
  EXPECT_EQ(messages_.shown, std::vector<int>{510});
  EXPECT_EQ(poster_.count(), 0u);
}

TEST_F(ScriptPlayerTest, AFailedOpenShows501AndStillCountsAsOpened) {
  struct Case {
    const char* why;
    uint32_t word;
    bool fail_load;
    const char* failing;
  } cases[] = {
      {"no library", kJapaneseEmulator, true, ""},
      {"start-up fails", kJapaneseEmulator, false, "QsSound_Initialize"},
      {"no function", kJapaneseEmulator, false, "QsSound_Create"},
      {"unknown kind", 0x32000000, false, ""},
  };
  for (const Case& c : cases) {
    loader_.fail_load = c.fail_load;
    loader_.failing = {c.failing};
    messages_.shown.clear();
    EXPECT_EQ(player_.Open("", c.word, 129), kPlayerOpenFailed) << c.why;
    EXPECT_EQ(messages_.shown, std::vector<int>{501}) << c.why;
    EXPECT_TRUE(player_.opened()) << c.why;
    EXPECT_EQ(player_.Close(), 0) << c.why;
    EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0) << c.why;
  }
}

TEST_F(ScriptPlayerTest, PostsOncePerSuccessfulStartAndNeverAfterAFailedOneOrAStop) {
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  ASSERT_EQ(player_.Play(kWindow, 2022, 100, 0, kText), 0);
  sound_.Pump(kFakePhraseSamples + 1);
  EXPECT_EQ(poster_.count(), 1u);

  ASSERT_EQ(player_.Play(kWindow, 2022, 100, 0, kText), 0);
  sound_.Pump(100);
  EXPECT_EQ(player_.Stop(), 0);
  sound_.Pump(kFakePhraseSamples);
  EXPECT_EQ(poster_.count(), 1u) << "stopped";

  loader_.failing = {"QsSound_Start"};
  messages_.shown.clear();
  EXPECT_EQ(player_.Play(kWindow, 2022, 100, 0, kText), kPlayerNotOpenOrFailed);
  EXPECT_EQ(messages_.shown, std::vector<int>{510});
  sound_.Pump(kFakePhraseSamples * 2);
  PlaybackEndCallback(QS_EVENT_END);
  EXPECT_EQ(poster_.count(), 1u) << "failed start";

  EXPECT_EQ(poster_.posts().front(), (std::pair<void*, int>{kWindow, 2022}));
}

TEST_F(ScriptPlayerTest, PlayWhilePlayingStopsTheOldPhraseFirst) {
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  ASSERT_EQ(player_.Play(kWindow, 1003, 100, 0, kText), 0);
  sound_.Pump(100);
  loader_.ClearTrace();
  ASSERT_EQ(player_.Play(kWindow, 1003, 100, 0, kText), 0);
  std::vector<std::string> trace = loader_.Trace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace[0], "QsSound_Stop(0,1,0)=0");
  EXPECT_EQ(trace[1], "QsSound_Close(0,1,0)=0");
  EXPECT_EQ(trace[2], "QsSound_Unload(0,1,0)=0");
  sound_.Pump(kFakePhraseSamples + 1);
  EXPECT_EQ(poster_.count(), 1u) << "only the second phrase ended";
}

TEST_F(ScriptPlayerTest, ALoopOptionPlaysUntilStopped) {
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  EXPECT_EQ(player_.SetOption(1), 0);
  ASSERT_EQ(player_.Play(kWindow, 1003, 100, 0, kText), 0);
  EXPECT_EQ(sound_.Pump(5 * kFakePhraseSamples).size(), 5 * kFakePhraseSamples);
  EXPECT_EQ(player_.Stop(), 0);
  EXPECT_EQ(poster_.count(), 0u);
}

TEST_F(ScriptPlayerTest, HandsTheVoiceDataToTheChipOnChannel255) {
  const uint8_t voices[64] = {'K', 'V', 'N'};
  player_.SetExtraData(voices, sizeof voices);
  ASSERT_EQ(player_.Open("", kJapaneseEmulator, 129), 0);
  loader_.ClearTrace();
  ASSERT_EQ(player_.Play(kWindow, 2022, 100, 0, kText), 0);
  std::vector<std::string> trace = loader_.Trace();
  EXPECT_EQ(trace[1], "QsSound_Control(0,1,22,255,0)=0");
}

TEST_F(ScriptPlayerTest, MessagesCarryTheOwnerAndCaption) {
  int owner;
  EXPECT_EQ(player_.SetMessageOwner(&owner, "Kelvox Edit"), 0);
  (void)player_.Play(nullptr, 1003, 100, 0, kText);
  EXPECT_EQ(messages_.last_owner, &owner);
  EXPECT_EQ(messages_.last_caption, "Kelvox Edit");
}

TEST_F(ScriptPlayerTest, TheMiddlewarePlaysAndReportsTheEnd) {
  for (const char* library : {"Qs7_AuthMgr.dll", "Other_Kmw.dll"}) {
    ASSERT_EQ(player_.Open(library, kJapaneseMiddleware, 129), 0) << library;
    EXPECT_EQ(player_.middleware().auth_manager(), std::string(library) == "Qs7_AuthMgr.dll");
    ASSERT_EQ(player_.Play(kWindow, 1003, 90, 0, kText), 0) << library;
    sound_.Pump(kFakePhraseSamples + 1);
    EXPECT_EQ(player_.Stop(), 0);
    EXPECT_EQ(player_.Close(), 0);
  }
  EXPECT_EQ(poster_.count(), 2u);
  messages_.shown.clear();
  loader_.failing = {"QsKmw_Open"};
  ASSERT_EQ(player_.Open("Qs7_AuthMgr.dll", kJapaneseMiddleware, 129), 0);
  EXPECT_EQ(player_.Play(kWindow, 1003, 90, 0, kText), kPlayerNotOpenOrFailed);
  EXPECT_EQ(messages_.shown, std::vector<int>{510});
  EXPECT_EQ(player_.Open("", kJapaneseMiddleware, 129), kPlayerOpenFailed) << "no path";
}

TEST(KmwSettingsBlockTest, LaysOutTheSixtyNineBytes) {
  auto block = KmwSettingsBlock(32000, 129);
  struct Case {
    size_t offset;
    uint8_t value;
  } cases[] = {{0, 2},   {4, 0x00},  {5, 0x7D},  {8, 129},  {16, 15}, {20, 1},
               {24, 1},  {28, 120},  {34, 120},  {36, 240}, {44, 12}, {52, 16},
               {56, 24}, {64, 0xDD}, {65, 0x0D}, {68, 1},   {9, 0},   {60, 0}};
  for (const Case& c : cases) EXPECT_EQ(block[c.offset], c.value) << c.offset;
}

}  // namespace
}  // namespace vtr::playback
