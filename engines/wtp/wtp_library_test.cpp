// The library as its callers use it: loaded by name from a program folder, with the stand-in
// recogniser beside it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engines/events/stream_reader.h"
#include "engines/riff/riff_walker.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"
#include "engines/wtp/wtp_api.h"
#include "platform/module.h"
#include "platform/testing/failing_allocation.h"

namespace vtr::wtp {
namespace {

// A program folder of its own for each test: the platform library, Plugin/Vtr_wtp.so and
// Plugin/Julius.
class ProgramFolder {
 public:
  ProgramFolder()
      : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) /
                ("wtp_program_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
    const std::filesystem::path dist(VTR_DIST_DIR);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "Plugin" / "Julius");
    std::filesystem::copy_file(dist / "libvtr_platform.so", folder_ / "libvtr_platform.so");
    std::filesystem::copy_file(dist / "Plugin" / "Vtr_wtp.so", folder_ / "Plugin" / "Vtr_wtp.so");
    for (const char* name : {"julius", "hmmdefs"}) {
      std::filesystem::copy_file(dist / "Plugin" / "Julius" / name,
                                 folder_ / "Plugin" / "Julius" / name);
    }
  }
  ~ProgramFolder() { std::filesystem::remove_all(folder_); }
  const std::filesystem::path& path() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// The library loaded by name from a program folder of its own, with every export bound
// (members are set up in the order they are declared: the folder, the load, the exports).
class WtpLibrary {
 public:
  ProgramFolder program;

 private:
  platform::Module module_;
  bool found_all_ = true;

  template <typename F>
  F* Bind(const char* name) {
    F* f = module_.Find<F>(name);
    found_all_ = found_all_ && f != nullptr;
    return f;
  }
  bool loaded_ = module_.Load(".\\Plugin\\Vtr_wtp.dll", program.path());

 public:
  VtrWtpInitializeFn* initialize = Bind<VtrWtpInitializeFn>("VtrWtp_Initialize");
  VtrWtpTerminateFn* terminate = Bind<VtrWtpTerminateFn>("VtrWtp_Terminate");
  VtrWtpSetWavFn* set_wav = Bind<VtrWtpSetWavFn>("VtrWtp_SetWav");
  VtrWtpSetTextFn* set_text = Bind<VtrWtpSetTextFn>("VtrWtp_SetText");
  VtrWtpGetPSeqFn* get_pseq = Bind<VtrWtpGetPSeqFn>("VtrWtp_GetPSeq");
  VtrWtpGeneratePSeqFn* generate = Bind<VtrWtpGeneratePSeqFn>("VtrWtp_GeneratePSeq");
  VtrWtpGetSegmentFn* get_segment = Bind<VtrWtpGetSegmentFn>("VtrWtp_GetSegment");
  VtrWtpSetSegmentFn* set_segment = Bind<VtrWtpSetSegmentFn>("VtrWtp_SetSegment");
  // Why the library cannot be used, or "".
  std::string problem() const {
    if (!loaded_) return module_.error();
    return found_all_ ? "" : "an export is missing";
  }
};

TEST(WtpLibraryTest, SyntheticUtteranceGivesTablesAndAPitchSequence) {
  WtpLibrary wtp;
  ASSERT_EQ(wtp.problem(), "");

  const testing::SynthScript script = testing::RandomScript(8, 3, 21);
  const testing::SynthSpeech speech = testing::Synthesize(script, 44100, 150, 21);
  const std::string wave = (wtp.program.path() / "utterance.wav").string();
  ASSERT_EQ(WaveBuffer(speech.samples, 44100).WriteWave(wave), WaveResult::kOk);

  ASSERT_EQ(wtp.initialize(20, 0), 0);
  ASSERT_EQ(wtp.set_wav(wave.c_str(), static_cast<int>(wave.size())), 0);
  ASSERT_GE(wtp.set_text(speech.text.data(), static_cast<int>(speech.text.size())), 0);
  std::vector<char> buffer(0x100000);
  const int length = wtp.get_pseq(buffer.data(), static_cast<int>(buffer.size()));
  ASSERT_GT(length, 4);

  SegmentTable phonemes{}, syllables{};
  ASSERT_EQ(wtp.get_segment(&phonemes, &syllables), 0);
  EXPECT_EQ(CheckSegmentTables(phonemes, syllables), "");

  const std::span<const uint8_t> stream(reinterpret_cast<const uint8_t*>(buffer.data()),
                                        static_cast<size_t>(length));
  const events::StreamReadResult read = events::ReadStream(stream);
  ASSERT_TRUE(read.ok());
  // The notes sing the synthetic pitch: compare every pitch point with the f0 of its frame.
  size_t compared = 0, close = 0;
  size_t note_index = 0;
  for (uint32_t i = 0; i < syllables.count; ++i) {
    const SegmentRecord& s = syllables.items[i];
    if (IsPause(s)) continue;
    const events::EventRecord* note = nullptr;
    for (size_t seen = 0; const events::EventRecord& r : read.records) {
      if (r.kind == events::RecordKind::kNote && seen++ == note_index) note = &r;
    }
    ++note_index;
    ASSERT_NE(note, nullptr);
    const double length_steps = std::max<double>(1, s.endStep - s.startStep);
    for (const events::PitchPoint& p : note->pitch) {
      const double t = (s.startStep + p.position * length_steps / 127) * 0.02;
      const size_t frame = static_cast<size_t>(t / 0.01);
      if (frame >= speech.f0.size() || speech.f0[frame] == 0) continue;
      const double cents = (p.bend - 8192) / 1.3653333 + 100 * (note->value - 69);
      const double hz = 440 * std::pow(2, cents / 1200);
      ++compared;
      if (std::abs(1200 * std::log2(hz / speech.f0[frame])) < 50) ++close;
    }
  }
  std::printf("pitch points within 50 cents of the synthetic f0: %zu of %zu\n", close, compared);
  EXPECT_GT(compared, 20u);
  EXPECT_GE(close, 0.8 * static_cast<double>(compared)) << close << " of " << compared;

  ASSERT_EQ(wtp.set_segment(&phonemes, &syllables), 0);
  EXPECT_EQ(CheckSegmentTables(phonemes, syllables), "");
  const int again = wtp.generate(buffer.data(), static_cast<int>(buffer.size()));
  ASSERT_GT(again, 4);
  EXPECT_TRUE(events::ReadStream(
                  {reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(again)})
                  .ok());
  EXPECT_EQ(wtp.terminate(), 0);
  for (const auto& entry :
       std::filesystem::directory_iterator(wtp.program.path() / "Plugin" / "Julius")) {
    EXPECT_NE(entry.path().filename().string().rfind("tmp.", 0), 0u) << entry.path();
  }
}

// A wave file of `samples` silent samples at `rate` [Hz]; the data is a hole in the file, so
// an hour of it costs no disk space.
void WriteSilentWave(const std::filesystem::path& file, uint32_t rate, uint64_t samples) {
  std::vector<uint8_t> header;
  const uint64_t data_bytes = 2 * samples;
  for (char c : std::string_view("RIFF")) header.push_back(static_cast<uint8_t>(c));
  riff::AppendU32(header, static_cast<uint32_t>(36 + data_bytes));
  for (char c : std::string_view("WAVEfmt ")) header.push_back(static_cast<uint8_t>(c));
  riff::AppendU32(header, 16);
  riff::AppendU16(header, 1);
  riff::AppendU16(header, 1);
  riff::AppendU32(header, rate);
  riff::AppendU32(header, 2 * rate);
  riff::AppendU16(header, 2);
  riff::AppendU16(header, 16);
  for (char c : std::string_view("data")) header.push_back(static_cast<uint8_t>(c));
  riff::AppendU32(header, static_cast<uint32_t>(data_bytes));
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
  }
  std::filesystem::resize_file(file, header.size() + data_bytes);
}

TEST(WtpLibraryTest, AWaveLongerThanAMinuteIsRefusedBeforeItIsRead) {
  struct Case {
    const char* name;
    uint32_t rate;
    uint64_t samples;
    int result;
  };
  const Case cases[] = {
      {"a minute at 48 kHz", 48000, uint64_t{60} * 48000, 0},
      {"a minute and a sample at 48 kHz", 48000, uint64_t{60} * 48000 + 1, -5},
      {"an hour at 48 kHz", 48000, uint64_t{3600} * 48000, -5},
      {"a minute at 16 kHz", 16000, uint64_t{60} * 16000, 0},
      {"a minute and a sample at 16 kHz", 16000, uint64_t{60} * 16000 + 1, -5},
      {"twenty seconds at 44.1 kHz", 44100, uint64_t{20} * 44100, 0},
  };
  WtpLibrary wtp;
  ASSERT_EQ(wtp.problem(), "");
  ASSERT_EQ(wtp.initialize(20, 0), 0);
  const std::string wave = (wtp.program.path() / "long.wav").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteSilentWave(wave, c.rate, c.samples);
    EXPECT_EQ(wtp.set_wav(wave.c_str(), static_cast<int>(wave.size())), c.result);
  }
  EXPECT_EQ(wtp.terminate(), 0);
}

// Memory runs out inside every export in turn: each answers with a failure result (nothing is
// thrown into the host), and the library works again once memory is back.
TEST(WtpLibraryTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  WtpLibrary wtp;
  ASSERT_EQ(wtp.problem(), "");

  const testing::SynthSpeech speech =
      testing::Synthesize(testing::RandomScript(8, 3, 5), 22050, 150, 5);
  const std::string wave = (wtp.program.path() / "utterance.wav").string();
  ASSERT_EQ(WaveBuffer(speech.samples, 22050).WriteWave(wave), WaveResult::kOk);
  std::vector<char> buffer(0x100000);
  SegmentTable phonemes{}, syllables{};
  struct Step {
    const char* name;
    std::function<int()> call;
    int result;  // with memory running out
  };
  // In calling order, each step first with memory running out, then as usual.
  // clang-format off
  const Step steps[] = {
      {"initialize", [&] { return wtp.initialize(20, 0); }, -1},
      {"set the wave", [&] { return wtp.set_wav(wave.c_str(), static_cast<int>(wave.size())); }, -5},
      {"set the text",
       [&] { return wtp.set_text(speech.text.data(), static_cast<int>(speech.text.size())); }, -1},
      {"align", [&] { return wtp.get_pseq(buffer.data(), static_cast<int>(buffer.size())); }, -1},
      {"lend the tables", [&] { return wtp.get_segment(&phonemes, &syllables); }, 0},
      {"refine the tables", [&] { return wtp.set_segment(&phonemes, &syllables); }, 0},
      {"write again", [&] { return wtp.generate(buffer.data(), static_cast<int>(buffer.size())); }, -1},
      {"terminate", [&] { return wtp.terminate(); }, 0},
  };
  // clang-format on
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(platform::testing::CallWithoutMemory(step.call), step.result);
    if (std::string_view(step.name) == "terminate") break;
    EXPECT_GE(step.call(), 0) << "the library did not recover";
  }
}

}  // namespace
}  // namespace vtr::wtp
