#include "platform/sound/sound_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <numeric>
#include <string>
#include <vector>

#include "platform/sound/testing/fake_sound_system.h"

namespace vtr::platform {
namespace {

using std::chrono::milliseconds;

// A source over a fixed list of samples; counts how often its end was reported.
struct Recording {
  std::vector<std::int16_t> samples;
  std::size_t next = 0;
  std::atomic<int> ends{0};
  std::promise<void> ended;

  SoundSource Source() {
    return [this](std::span<std::int16_t> out) {
      std::size_t n = std::min(out.size(), samples.size() - next);
      std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(next), n, out.begin());
      next += n;
      return n;
    };
  }
  SoundEnd End() {
    return [this] {
      if (ends++ == 0) ended.set_value();
    };
  }
};

std::vector<std::int16_t> Ramp(std::size_t n) {
  std::vector<std::int16_t> samples(n);
  std::iota(samples.begin(), samples.end(), std::int16_t{1});
  return samples;
}

TEST(SilentSoundSystemTest, ConsumesEverySampleAtTheRealRateAndReportsTheEndOnce) {
  struct Case {
    int sample_rate;
    std::size_t frames;
    milliseconds expected_elapsed;
  } cases[] = {
      {8000, 800, milliseconds(100)},
      {32000, 32000, milliseconds(1000)},
      {44100, 441, milliseconds(10)},
      {32000, 0, milliseconds(0)},       // an empty phrase ends at once
      {22050, 2205, milliseconds(100)},  // not a whole number of blocks
  };
  for (const Case& c : cases) {
    FakeSoundClock clock;
    auto silent = MakeSilentSoundSystem(clock);
    Recording recording;
    recording.samples = Ramp(c.frames);
    auto opened = silent->OpenOutput(c.sample_rate, recording.Source(), recording.End());
    ASSERT_TRUE(opened.ok()) << opened.error;
    recording.ended.get_future().wait();
    opened.stream->Stop();
    EXPECT_EQ(recording.ends, 1) << c.sample_rate << " " << c.frames;
    EXPECT_EQ(opened.stream->frames(), c.frames);
    EXPECT_FALSE(opened.stream->active());
    EXPECT_EQ(std::chrono::duration_cast<milliseconds>(clock.elapsed()), c.expected_elapsed)
        << c.sample_rate << " " << c.frames;
  }
}

TEST(SilentSoundSystemTest, StopEndsTheStreamWithoutReportingAnEnd) {
  FakeSoundClock clock;
  auto silent = MakeSilentSoundSystem(clock);
  std::atomic<int> ends{0};
  std::promise<void> started;
  std::atomic<bool> first{true};
  auto opened = silent->OpenOutput(
      32000,
      [&](std::span<std::int16_t> out) {
        if (first.exchange(false)) started.set_value();
        std::fill(out.begin(), out.end(), 0);
        return out.size();  // never runs dry
      },
      [&] { ++ends; });
  ASSERT_TRUE(opened.ok());
  started.get_future().wait();
  opened.stream->Stop();
  opened.stream->Stop();  // twice is harmless
  EXPECT_FALSE(opened.stream->active());
  EXPECT_EQ(ends, 0);
}

TEST(SoundSystemTest, RefusesBadRequestsWithAReason) {
  FakeSoundClock clock;
  auto silent = MakeSilentSoundSystem(clock);
  FakeSoundSystem fake;
  auto source = [](std::span<std::int16_t>) { return std::size_t{0}; };
  auto sink = [](std::span<const std::int16_t>) {};
  struct Case {
    const char* name;
    SoundSystem* system;
    int sample_rate;
    bool output;
    bool with_function;
    const char* error_part;
  } cases[] = {
      {"silent rate too low", silent.get(), 7999, true, true, "sample rate 7999"},
      {"silent rate too high", silent.get(), 192001, true, true, "sample rate"},
      {"silent without source", silent.get(), 32000, true, false, "no sound source"},
      {"silent has no microphone", silent.get(), 44100, false, true, "no sound input device"},
      {"fake rate zero", &fake, 0, true, true, "sample rate 0"},
      {"fake input rate", &fake, -1, false, true, "sample rate -1"},
      {"fake without sink", &fake, 44100, false, false, "no sound sink"},
  };
  for (const Case& c : cases) {
    SoundOpenResult opened =
        c.output
            ? c.system->OpenOutput(c.sample_rate, c.with_function ? source : SoundSource(), nullptr)
            : c.system->OpenInput(c.sample_rate, c.with_function ? sink : SoundSink());
    EXPECT_FALSE(opened.ok()) << c.name;
    EXPECT_NE(opened.error.find(c.error_part), std::string::npos) << c.name << ": " << opened.error;
  }
}

TEST(FakeSoundSystemTest, PlaysWhatTheTestPumpsAndReportsTheEndWhenTheSourceRunsDry) {
  FakeSoundSystem fake;
  Recording recording;
  recording.samples = Ramp(250);
  auto opened = fake.OpenOutput(32000, recording.Source(), recording.End());
  ASSERT_TRUE(opened.ok());
  EXPECT_EQ(fake.last_sample_rate(), 32000);
  EXPECT_EQ(fake.Pump(100),
            std::vector<std::int16_t>(recording.samples.begin(), recording.samples.begin() + 100));
  EXPECT_TRUE(fake.output_running());
  EXPECT_EQ(recording.ends, 0);
  EXPECT_EQ(fake.Pump(200).size(), 150u);
  EXPECT_EQ(recording.ends, 1);
  EXPECT_FALSE(opened.stream->active());
  EXPECT_TRUE(fake.Pump(10).empty());
  EXPECT_EQ(recording.ends, 1);
  EXPECT_EQ(opened.stream->frames(), 250u);
}

TEST(FakeSoundSystemTest, AStoppedStreamIsNeitherPlayedNorEnded) {
  FakeSoundSystem fake;
  Recording recording;
  recording.samples = Ramp(10);
  auto opened = fake.OpenOutput(32000, recording.Source(), recording.End());
  ASSERT_TRUE(opened.ok());
  opened.stream->Stop();
  EXPECT_FALSE(fake.output_running());
  EXPECT_TRUE(fake.Pump(100).empty());
  EXPECT_EQ(recording.ends, 0);
}

TEST(FakeSoundSystemTest, FeedsRecordedSamplesAndFailsAsTold) {
  FakeSoundSystem fake;
  std::vector<std::int16_t> recorded;
  auto opened = fake.OpenInput(44100, [&](std::span<const std::int16_t> in) {
    recorded.insert(recorded.end(), in.begin(), in.end());
  });
  ASSERT_TRUE(opened.ok());
  std::vector<std::int16_t> samples = Ramp(5);
  EXPECT_TRUE(fake.Feed(samples));
  EXPECT_EQ(recorded, samples);
  opened.stream->Stop();
  EXPECT_FALSE(fake.Feed(samples));

  fake.FailNextOpen("device busy");
  auto failed = fake.OpenOutput(
      32000, [](std::span<std::int16_t>) { return std::size_t{0}; }, nullptr);
  EXPECT_EQ(failed.error, "device busy");
  fake.set_has_input(false);
  EXPECT_NE(fake.OpenInput(44100, [](std::span<const std::int16_t>) {}).error.find("microphone"),
            std::string::npos);
}

TEST(CurrentSoundSystemTest, UsesTheInstalledSystemUntilItIsRemoved) {
  FakeSoundSystem fake;
  SoundSystem& machine = CurrentSoundSystem();
  InstallSoundSystem(&fake);
  EXPECT_EQ(&CurrentSoundSystem(), &fake);
  InstallSoundSystem(nullptr);
  EXPECT_EQ(&CurrentSoundSystem(), &machine);
}

TEST(CurrentSoundSystemTest, TheMachinesSystemPlaysAndEndsWithOrWithoutADevice) {
  Recording recording;  // empty: ends as soon as the device has taken it
  auto opened = CurrentSoundSystem().OpenOutput(32000, recording.Source(), recording.End());
  ASSERT_TRUE(opened.ok()) << opened.error;
  recording.ended.get_future().wait();
  EXPECT_EQ(recording.ends, 1);
}

// The first playback starts the sound libraries, which print every failed probe themselves
// (some sixty lines of ALSA and JACK on a machine without a sound card): the person sees one
// clear line at most. Each test runs in a process of its own, so the libraries start here.
TEST(CurrentSoundSystemTest, TheFirstPlaybackWritesAtMostOneLineToStandardError) {
  const std::string captured = std::filesystem::temp_directory_path() /
                               ("vtr_sound_stderr_" + std::to_string(getpid()) + ".txt");
  std::fflush(stderr);
  const int saved = dup(2);
  const int file = open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, 2);
  close(file);
  Recording recording;
  auto opened = CurrentSoundSystem().OpenOutput(32000, recording.Source(), recording.End());
  if (opened.ok()) recording.ended.get_future().wait();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  ASSERT_TRUE(opened.ok()) << opened.error;
  std::ifstream in(captured);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::filesystem::remove(captured);
  EXPECT_LE(lines.size(), 1u) << (lines.empty() ? "" : lines.front() + "\n" + lines.back());
  for (const std::string& line : lines) {
    EXPECT_EQ(line.find("ALSA"), std::string::npos) << line;
    EXPECT_EQ(line.find("jack"), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace vtr::platform
