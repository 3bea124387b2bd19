#include "outside/emulator/emulator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "outside/emulator/middleware.h"
#include "outside/emulator/sound_analysis.h"
#include "platform/sound/testing/fake_sound_system.h"

namespace vtr::emulator {
namespace {

// Every phrase of these tests: one syllable of 100 ms at 32000 Hz.
constexpr size_t kPhraseSamples = 3200;

std::optional<std::vector<events::EventRecord>> FixedReader(std::span<const uint8_t> text) {
  std::string tag(text.begin(), text.begin() + 4);
  if (tag != "KV#J" && tag != "KV#K" && tag != "KV#C") return std::nullopt;
  events::EventRecord note;
  note.kind = events::RecordKind::kNote;
  note.value = 69;
  note.velocity = 100;
  note.duration = 5;
  note.text = {'a'};
  events::EventRecord end;
  end.kind = events::RecordKind::kEnd;
  end.delta = 5;
  return std::vector{note, end};
}

std::atomic<int> end_events{0};
std::atomic<int> other_events{0};
void CountEnd(int32_t event) { (event == QS_EVENT_END ? end_events : other_events)++; }

const uint8_t kText[] = {'K', 'V', '#', 'J', 0x82, 0xA0};

class EmulatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InstallSoundSystem(&sound_);
    end_events = 0;
    other_events = 0;
  }
  void TearDown() override { platform::InstallSoundSystem(nullptr); }

  // Up to a ready sound; returns its id.
  int32_t Ready() {
    EXPECT_EQ(chip_.EmuInitialize(32000, 5, 129), 0);
    EXPECT_EQ(chip_.Initialize(), 0);
    fid_ = chip_.Create(9);
    EXPECT_GE(fid_, 0);
    int32_t sid = chip_.Load(fid_, kText, sizeof kText, 1, CountEnd, nullptr);
    EXPECT_GE(sid, 1);
    EXPECT_EQ(chip_.Open(fid_, sid, 0, 0), 0);
    EXPECT_EQ(chip_.Standby(fid_, sid, 0), 0);
    return sid;
  }
  int32_t State(int32_t sid) { return chip_.Control(fid_, sid, QS_CONTROL_STATE, nullptr, 0); }

  platform::FakeSoundSystem sound_;
  Emulator chip_{FixedReader};
  int32_t fid_ = -1;
};

TEST_F(EmulatorTest, WalksTheSoundStatesInTheCallersOrder) {
  ASSERT_EQ(chip_.EmuInitialize(32000, 5, 129), 0);
  ASSERT_EQ(chip_.Initialize(), 0);
  EXPECT_EQ(chip_.DeviceControl(13, 0, 0, 0), 0);
  EXPECT_EQ(chip_.Terminate(), 0);
  const uint8_t sysex[] = {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x13, 0x49, 0xF7};
  EXPECT_EQ(chip_.SetMidiMsg(sysex, sizeof sysex), 0);  // accepted between Terminate and Initialize
  ASSERT_EQ(chip_.Initialize(), 0);
  fid_ = chip_.Create(9);
  ASSERT_GE(fid_, 0);
  int32_t sid = chip_.Load(fid_, kText, sizeof kText, 1, CountEnd, nullptr);
  ASSERT_GE(sid, 1);
  EXPECT_EQ(State(sid), QS_STATE_LOADED);
  EXPECT_EQ(chip_.Open(fid_, sid, 0, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_OPENED);
  QsValueBlock volume{100};
  EXPECT_EQ(chip_.Control(fid_, sid, QS_CONTROL_VOLUME, &volume, 0), 0);
  EXPECT_EQ(chip_.Standby(fid_, sid, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_READY);
  EXPECT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_PLAYING);
  EXPECT_EQ(chip_.Stop(fid_, sid, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_READY);
  EXPECT_EQ(chip_.Close(fid_, sid, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_LOADED);
  EXPECT_EQ(chip_.Unload(fid_, sid, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_NONE);
  EXPECT_EQ(chip_.Delete(fid_), 0);
  EXPECT_EQ(chip_.Terminate(), 0);
  EXPECT_EQ(chip_.SetMidiMsg(sysex, sizeof sysex), 0);
  EXPECT_EQ(chip_.EmuTerminate(), 0);
  EXPECT_EQ(end_events, 0);
}

TEST_F(EmulatorTest, RefusesCallsOutOfOrder) {
  const uint8_t sysex[] = {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x11, 0x02, 0xF7};
  const uint8_t not_sysex[] = {0x90, 0x43, 0x79, 0xF7};
  EXPECT_EQ(chip_.Initialize(), -1) << "before EmuInitialize";
  EXPECT_EQ(chip_.SetMidiMsg(sysex, sizeof sysex), -1) << "library down";
  ASSERT_EQ(chip_.EmuInitialize(32000, 5, 129), 0);
  EXPECT_EQ(chip_.Create(9), -1) << "before Initialize";
  EXPECT_EQ(chip_.DeviceControl(2, 31, 0, 0), -1) << "before Initialize";
  EXPECT_EQ(chip_.Terminate(), -1) << "not initialised";
  EXPECT_EQ(chip_.SetMidiMsg(not_sysex, sizeof not_sysex), -1) << "no F0";
  EXPECT_EQ(chip_.SetMidiMsg(nullptr, 8), -1);
  ASSERT_EQ(chip_.Initialize(), 0);
  EXPECT_EQ(chip_.Create(8), -1) << "unknown kind";
  fid_ = chip_.Create(9);
  const uint8_t bad_tag[] = {'K', 'V', '#', 'X', 'a'};
  EXPECT_EQ(chip_.Load(fid_, bad_tag, sizeof bad_tag, 1, CountEnd, nullptr), -1);
  EXPECT_EQ(chip_.Load(fid_, kText, 3, 1, CountEnd, nullptr), -1) << "shorter than a tag";
  EXPECT_EQ(chip_.Load(fid_ + 1, kText, sizeof kText, 1, CountEnd, nullptr), -1) << "no function";
  int32_t sid = chip_.Load(fid_, kText, sizeof kText, 1, CountEnd, nullptr);
  ASSERT_GE(sid, 1);
  struct Case {
    const char* call;
    int32_t result;
  } loaded[] = {
      {"Standby", chip_.Standby(fid_, sid, 0)},
      {"Start", chip_.Start(fid_, sid, 1, 0)},
      {"Stop", chip_.Stop(fid_, sid, 0)},
      {"Close", chip_.Close(fid_, sid, 0)},
      {"Open other", chip_.Open(fid_, sid + 1, 0, 0)},
  };
  for (const Case& c : loaded) EXPECT_EQ(c.result, -1) << c.call << " while loaded";
  ASSERT_EQ(chip_.Open(fid_, sid, 0, 0), 0);
  EXPECT_EQ(chip_.Open(fid_, sid, 0, 0), -1) << "Open twice";
  EXPECT_EQ(chip_.Unload(fid_, sid, 0), -1) << "Unload while opened";
  EXPECT_EQ(chip_.Start(fid_, sid, 1, 0), -1) << "Start before Standby";
  EXPECT_EQ(State(sid), QS_STATE_OPENED);
  EXPECT_EQ(chip_.Control(fid_ + 5, sid, QS_CONTROL_STATE, nullptr, 0), -1) << "no function";
  EXPECT_EQ(chip_.Control(fid_, 99, QS_CONTROL_STATE, nullptr, 0), QS_STATE_NONE);
}

TEST_F(EmulatorTest, HandsOutDistinctSoundIdsAboveZero) {
  int32_t first = Ready();
  int32_t second = chip_.Load(fid_, kText, sizeof kText, 1, CountEnd, nullptr);
  EXPECT_GE(first, 1);
  EXPECT_GT(second, first);
}

TEST_F(EmulatorTest, ControlsAcceptTheirRangesOnly) {
  int32_t sid = Ready();
  QsValueBlock value{};
  const uint8_t voices[] = {'K', 'V', 'N'};
  struct Case {
    int32_t control;
    int value;  // -1: data block on channel `channel`
    int32_t channel;
    int32_t expected;
  } cases[] = {
      {QS_CONTROL_VOLUME, 0, 0, 0},
      {QS_CONTROL_VOLUME, 127, 0, 0},
      {QS_CONTROL_VOLUME, 128, 0, -1},
      {QS_CONTROL_VOICE, 15, 0, 0},
      {QS_CONTROL_VOICE, 16, 0, -1},
      {QS_CONTROL_VOICE, 0x83, 0, 0},  // extended voice
      {QS_CONTROL_RANGE_START, 5, 0, 0},
      {QS_CONTROL_RANGE_END, 9, 0, 0},
      {QS_CONTROL_DATA, -1, 255, 0},
      {QS_CONTROL_DATA, -1, 15, 0},
      {QS_CONTROL_DATA, -1, 16, -1},
      {QS_CONTROL_DATA, -1, 254, -1},
      {3, 1, 0, -1},
      {24, 1, 0, -1},
  };
  for (const Case& c : cases) {
    int32_t result;
    if (c.value < 0) {
      QsDataBlock block{c.channel, voices, sizeof voices};
      result = chip_.Control(fid_, sid, c.control, &block, 0);
    } else {
      value.value = static_cast<uint8_t>(c.value);
      result = chip_.Control(fid_, sid, c.control, &value, 0);
    }
    EXPECT_EQ(result, c.expected) << "control " << c.control << " value " << c.value;
  }
  EXPECT_EQ(chip_.Control(fid_, sid, QS_CONTROL_VOLUME, nullptr, 0), -1) << "no block";
}

TEST_F(EmulatorTest, AFinishedPhraseReportsItsEndOnceAndIsReadyAgain) {
  int32_t sid = Ready();
  ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  EXPECT_EQ(sound_.last_sample_rate(), 32000);
  auto played = sound_.Pump(kPhraseSamples - 1);
  EXPECT_EQ(end_events, 0);
  EXPECT_GT(Rms(played), 500.0);
  EXPECT_EQ(sound_.Pump(100).size(), 1u);
  EXPECT_EQ(end_events, 1);
  EXPECT_EQ(other_events, 0);
  EXPECT_EQ(State(sid), QS_STATE_READY);
  EXPECT_EQ(chip_.Stop(fid_, sid, 0), -1) << "nothing plays any more";
  // It can be started again and ends again.
  ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  EXPECT_EQ(sound_.Pump(kPhraseSamples + 10).size(), kPhraseSamples);
  EXPECT_EQ(end_events, 2);
}

TEST_F(EmulatorTest, AStoppedPhraseNeverReportsAnEnd) {
  struct Case {
    const char* how;
    std::function<void(Emulator&, int32_t, int32_t)> stop;
  } cases[] = {
      {"Stop", [](Emulator& chip, int32_t f, int32_t s) { EXPECT_EQ(chip.Stop(f, s, 0), 0); }},
      {"Delete", [](Emulator& chip, int32_t f, int32_t) { EXPECT_EQ(chip.Delete(f), 0); }},
      {"Terminate", [](Emulator& chip, int32_t, int32_t) { EXPECT_EQ(chip.Terminate(), 0); }},
      {"EmuTerminate", [](Emulator& chip, int32_t, int32_t) { EXPECT_EQ(chip.EmuTerminate(), 0); }},
  };
  for (const Case& c : cases) {
    int32_t sid = Ready();
    ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
    sound_.Pump(100);
    c.stop(chip_, fid_, sid);
    EXPECT_FALSE(sound_.output_running()) << c.how;
    EXPECT_TRUE(sound_.Pump(kPhraseSamples).empty()) << c.how;
    EXPECT_EQ(end_events, 0) << c.how;
    chip_.EmuTerminate();
  }
}

TEST_F(EmulatorTest, ALoopPlaysOnWithoutAnEndAndTheVolumeActsAtOnce) {
  int32_t sid = Ready();
  ASSERT_EQ(chip_.Start(fid_, sid, 0, 0), 0);
  EXPECT_EQ(State(sid), QS_STATE_PLAYING_LOOP);
  EXPECT_EQ(sound_.Pump(3 * kPhraseSamples).size(), 3 * kPhraseSamples);
  EXPECT_EQ(end_events, 0);
  QsValueBlock silent{0};
  ASSERT_EQ(chip_.Control(fid_, sid, QS_CONTROL_VOLUME, &silent, 0), 0);
  EXPECT_EQ(Rms(sound_.Pump(kPhraseSamples)), 0.0);
  EXPECT_EQ(chip_.Stop(fid_, sid, 0), 0);
}

int32_t Position(Emulator& chip, int32_t fid, int32_t sid) {
  QsValueBlock block{77};
  const int32_t with_block = chip.Control(fid, sid, QS_CONTROL_POSITION, &block, 0);
  EXPECT_EQ(block.value, 77) << "the block is left alone";
  EXPECT_EQ(chip.Control(fid, sid, QS_CONTROL_POSITION, nullptr, 0), with_block)
      << "the same answer without a block";
  return with_block;
}

TEST_F(EmulatorTest, ThePositionFollowsThePlayedSamplesInMilliseconds) {
  constexpr int32_t kNotStarted = -1;
  struct Case {
    const char* what;
    int32_t repeat;  // kNotStarted: ready, never started
    size_t played;   // samples the output has taken
    bool stop;       // QsSound_Stop afterwards
    int32_t expected;
  } cases[] = {
      {"before the start", kNotStarted, 0, false, 0},
      {"just started", 1, 0, false, 0},
      {"half way", 1, kPhraseSamples / 2, false, 50},
      {"a sample short of 82 ms", 1, 2623, false, 81},
      {"after the end", 1, kPhraseSamples + 100, false, 100},
      {"after a stop", 1, 800, true, 25},
      {"in the third pass of a loop", 0, 2 * kPhraseSamples + 800, false, 25},
      {"a loop stopped in its second pass", 0, kPhraseSamples + 1600, true, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    int32_t sid = Ready();
    if (c.repeat != kNotStarted) {
      ASSERT_EQ(chip_.Start(fid_, sid, c.repeat, 0), 0);
      if (c.played > 0) (void)sound_.Pump(c.played);
    }
    if (c.stop) {
      EXPECT_EQ(chip_.Stop(fid_, sid, 0), 0);
    }
    EXPECT_EQ(Position(chip_, fid_, sid), c.expected);
    chip_.EmuTerminate();
  }
}

TEST_F(EmulatorTest, ThePositionIsAskedOfAReadyOrPlayingSoundOnly) {
  int32_t sid = Ready();
  ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  (void)sound_.Pump(1600);
  EXPECT_EQ(chip_.Control(fid_ + 1, sid, QS_CONTROL_POSITION, nullptr, 0), -1) << "no function";
  EXPECT_EQ(chip_.Control(fid_, sid + 1, QS_CONTROL_POSITION, nullptr, 0), -1) << "no sound";
  ASSERT_EQ(chip_.Stop(fid_, sid, 0), 0);
  ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  EXPECT_EQ(Position(chip_, fid_, sid), 0) << "a new start plays from the beginning";
  ASSERT_EQ(chip_.Stop(fid_, sid, 0), 0);
  ASSERT_EQ(chip_.Close(fid_, sid, 0), 0);
  EXPECT_EQ(Position(chip_, fid_, sid), -1) << "loaded";
  ASSERT_EQ(chip_.Open(fid_, sid, 0, 0), 0);
  EXPECT_EQ(Position(chip_, fid_, sid), -1) << "opened";
  ASSERT_EQ(chip_.Standby(fid_, sid, 0), 0);
  EXPECT_EQ(Position(chip_, fid_, sid), 0) << "ready again, not started";
}

// The silent device's time, moved by the test: the output sleeps until the end of each block
// it has been handed, and the test lets the clock reach that end.
class StepClock final : public platform::SoundClock {
 public:
  TimePoint Now() override {
    std::lock_guard lock(mutex_);
    return now_;
  }
  bool SleepUntil(TimePoint deadline, std::stop_token stop) override {
    std::unique_lock lock(mutex_);
    sleeping_until_ = deadline;
    changed_.notify_all();
    changed_.wait(lock, stop, [&] { return now_ >= deadline; });
    return !stop.stop_requested();
  }
  // Waits until the output sleeps; returns the time it waits for, from the clock's start.
  std::chrono::milliseconds WaitForSleep() {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, std::chrono::seconds(10),
                                  [&] { return sleeping_until_.has_value(); }));
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        sleeping_until_.value_or(TimePoint{}) - TimePoint{});
  }
  // Lets the clock reach the time the output sleeps for.
  void Wake() {
    std::lock_guard lock(mutex_);
    if (sleeping_until_) now_ = *std::exchange(sleeping_until_, std::nullopt);
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  TimePoint now_{};
  std::optional<TimePoint> sleeping_until_;
};

TEST_F(EmulatorTest, OnTheSilentDeviceThePositionIsWhatItsClockHasPlayed) {
  StepClock clock;
  auto silent = platform::MakeSilentSoundSystem(clock);
  platform::InstallSoundSystem(silent.get());
  int32_t sid = Ready();
  ASSERT_EQ(chip_.Start(fid_, sid, 1, 0), 0);
  // The device is handed 10 ms blocks ahead of time; the position counts the played ones.
  for (int block = 0; block < 4; ++block) {
    EXPECT_EQ(clock.WaitForSleep(), std::chrono::milliseconds(10 * (block + 1)));
    EXPECT_EQ(Position(chip_, fid_, sid), 10 * block) << block;
    clock.Wake();
  }
  EXPECT_EQ(clock.WaitForSleep(), std::chrono::milliseconds(50));
  EXPECT_EQ(chip_.Stop(fid_, sid, 0), 0);
  EXPECT_EQ(Position(chip_, fid_, sid), 40) << "a stop keeps the position reached";
  EXPECT_EQ(end_events, 0);
  chip_.EmuTerminate();
}

TEST_F(EmulatorTest, EmuTerminateForgetsEverything) {
  int32_t sid = Ready();
  EXPECT_EQ(chip_.EmuTerminate(), 0);
  EXPECT_EQ(chip_.Control(fid_, sid, QS_CONTROL_STATE, nullptr, 0), -1);
  EXPECT_EQ(chip_.Create(9), -1);
  EXPECT_EQ(chip_.EmuInitialize(11025, 5, 129), 0);
  EXPECT_EQ(chip_.sample_rate(), 32000) << "an unknown rate plays at 32000 Hz";
  ASSERT_EQ(chip_.Initialize(), 0);
  EXPECT_EQ(chip_.Create(9), 0) << "function ids start again";
}

TEST_F(EmulatorTest, GenerateRendersTheLoadedPhraseWithItsVoiceAndVolume) {
  int32_t sid = Ready();
  EXPECT_EQ(chip_.Generate(fid_, sid, nullptr, 0), static_cast<int32_t>(kPhraseSamples));
  std::vector<int16_t> pcm(kPhraseSamples + 50, 1);
  EXPECT_EQ(chip_.Generate(fid_, sid, pcm.data(), static_cast<int32_t>(pcm.size())),
            static_cast<int32_t>(kPhraseSamples));
  EXPECT_GT(Rms(std::span(pcm).first(kPhraseSamples)), 500.0);
  std::vector<int16_t> half(kPhraseSamples / 2);
  EXPECT_EQ(chip_.Generate(fid_, sid, half.data(), static_cast<int32_t>(half.size())),
            static_cast<int32_t>(half.size()));
  EXPECT_EQ(chip_.Generate(fid_, sid + 7, pcm.data(), 10), -1);
}

TEST_F(EmulatorTest, TheMiddlewarePlaysAPhraseAndReportsItsEnd) {
  Middleware kmw(chip_);
  uint8_t settings[QS_KMW_SETTINGS_SIZE] = {2, 0, 0, 0, 0x00, 0x7D, 0, 0, 129};
  ASSERT_EQ(kmw.EmuInitialize(0, settings, 0, 0, 0, 0), 0);
  ASSERT_EQ(kmw.Init(), 0);
  EXPECT_EQ(kmw.Ctrl(QS_KMW_HANDLE, 4, 101, 2, nullptr, 0), 0);
  QsKmwOpenRecord record{1, 8, kText, sizeof kText + 1, CountEnd, 0, 0};
  ASSERT_EQ(kmw.Open(QS_KMW_HANDLE, &record), 0);
  QsKmwSeekRecord seek{0, 0};
  EXPECT_EQ(kmw.Seek(QS_KMW_HANDLE, 0, &seek), 0);
  EXPECT_EQ(kmw.Ctrl(QS_KMW_HANDLE, QS_KMW_COMMAND_DATA, 255, 1, kText, 4), 0);
  EXPECT_EQ(kmw.Ctrl(QS_KMW_HANDLE, QS_KMW_CONTROL_VOLUME, 100, 0, nullptr, 0), 0);
  EXPECT_EQ(kmw.Ctrl(QS_KMW_HANDLE, QS_KMW_CONTROL_REPEAT, 1, 0, nullptr, 0), 0);
  EXPECT_EQ(kmw.Open(QS_KMW_HANDLE + 1, &record), -1) << "unknown handle";
  ASSERT_EQ(kmw.Start(QS_KMW_HANDLE, 0), 0);
  sound_.Pump(kPhraseSamples + 1);
  EXPECT_EQ(end_events, 1);
  EXPECT_EQ(kmw.Stop(QS_KMW_HANDLE), -1) << "already ended";
  EXPECT_EQ(kmw.Close(QS_KMW_HANDLE), 0);
  EXPECT_EQ(kmw.Unload(QS_KMW_HANDLE), 0);
  EXPECT_EQ(kmw.Term(), 0);
  EXPECT_EQ(kmw.EmuTerminate(), 0);
}

}  // namespace
}  // namespace vtr::emulator
