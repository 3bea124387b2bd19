// From a recording to a script, as the wave-to-script library does it: the alignment engine
// turns a synthetic utterance and its syllables into a pitch sequence, this library turns the
// pitch sequence into a script, and the script plays for about as long as the utterance.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engines/convert/script_counter.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"
#include "engines/wtp/wtp_api.h"
#include "platform/module.h"

namespace vtr::pth {
namespace {

// A program folder of its own: the platform library, both engines and the recogniser.
class ProgramFolder {
 public:
  ProgramFolder() : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) / "pth_program") {
    const std::filesystem::path dist(VTR_DIST_DIR);
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "Plugin" / "Julius");
    for (const char* name : {"libvtr_platform.so", "Plugin/Vtr_wtp.so", "Plugin/Vtr_pth.so",
                             "Plugin/Julius/julius", "Plugin/Julius/hmmdefs"}) {
      std::filesystem::copy_file(dist / name, folder_ / name);
    }
  }
  ~ProgramFolder() { std::filesystem::remove_all(folder_); }
  const std::filesystem::path& path() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

template <typename F>
F* Bind(const platform::Module& module, const char* name) {
  F* f = module.Find<F>(name);
  EXPECT_NE(f, nullptr) << name;
  return f;
}

TEST(WtpToPthTest, ASyntheticUtteranceBecomesAScriptOfItsLength) {
  ProgramFolder program;
  platform::Module wtp;
  platform::Module pth;
  ASSERT_TRUE(wtp.Load(".\\Plugin\\Vtr_wtp.dll", program.path())) << wtp.error();
  ASSERT_TRUE(pth.Load(".\\Plugin\\Vtr_pth.dll", program.path())) << pth.error();
  auto* wtp_initialize = Bind<VtrWtpInitializeFn>(wtp, "VtrWtp_Initialize");
  auto* wtp_terminate = Bind<VtrWtpTerminateFn>(wtp, "VtrWtp_Terminate");
  auto* set_wav = Bind<VtrWtpSetWavFn>(wtp, "VtrWtp_SetWav");
  auto* set_text = Bind<VtrWtpSetTextFn>(wtp, "VtrWtp_SetText");
  auto* get_pseq = Bind<VtrWtpGetPSeqFn>(wtp, "VtrWtp_GetPSeq");
  auto* pth_initialize = Bind<int(int, int)>(pth, "VtrPth_Initialize");
  auto* pth_terminate = Bind<int()>(pth, "VtrPth_Terminate");
  auto* set_pseq = Bind<int(const unsigned char*, int, int)>(pth, "VtrPth_SetPSeq");
  auto* get_kvx = Bind<int(char*, int)>(pth, "VtrPth_GetKVX");
  ASSERT_FALSE(::testing::Test::HasFailure());

  for (int sing_mode : {0, 1}) {
    const uint32_t seed = 31 + static_cast<uint32_t>(sing_mode);
    const wtp::testing::SynthSpeech speech =
        wtp::testing::Synthesize(wtp::testing::RandomScript(10, 4, seed), 44100, 140, seed);
    const std::string wave = (program.path() / "utterance.wav").string();
    ASSERT_EQ(wtp::WaveBuffer(speech.samples, 44100).WriteWave(wave), wtp::WaveResult::kOk);

    ASSERT_EQ(wtp_initialize(20, 0), 0);
    ASSERT_EQ(set_wav(wave.c_str(), static_cast<int>(wave.size())), 0);
    ASSERT_GE(set_text(speech.text.data(), static_cast<int>(speech.text.size())), 0);
    std::vector<char> pseq(0x100000);
    const int pseq_length = get_pseq(pseq.data(), static_cast<int>(pseq.size()));
    ASSERT_GT(pseq_length, 4);
    EXPECT_EQ(wtp_terminate(), 0);

    ASSERT_EQ(pth_initialize(20, 0), 0);
    ASSERT_EQ(set_pseq(reinterpret_cast<const unsigned char*>(pseq.data()), pseq_length, sing_mode),
              0);
    std::vector<char> script(0x100000);
    const int length = get_kvx(script.data(), static_cast<int>(script.size()));
    EXPECT_EQ(pth_terminate(), 0);
    ASSERT_GT(length, 4);
    const std::string text(script.data(), static_cast<size_t>(length));

    convert::ScriptCounter counter;
    int ms = 0;
    ASSERT_EQ(counter.SetText(0x52100000, text.data(), length, 0), convert::PlayTimeCode::kOk);
    ASSERT_EQ(counter.CountTime(&ms), convert::PlayTimeCode::kOk);
    // The script runs from the start of the recording to the end of its last syllable; the
    // aligner places that end within a few frames.
    const double expected_ms = speech.end_sec * 1000;
    std::printf("sing mode %d: script %d ms, utterance %.0f ms, %d bytes\n", sing_mode, ms,
                expected_ms, length);
    EXPECT_NEAR(ms, expected_ms, std::max(0.05 * expected_ms, 100.0)) << text;
  }
}

}  // namespace
}  // namespace vtr::pth
