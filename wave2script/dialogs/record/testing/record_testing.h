// Test helpers of the record road: a scratch folder, WAVE files written for a test, the
// window-layer presenter for the library's messages, and the poster that hands the sound
// layer's block notices to the dialogs.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_RECORD_TESTING_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_RECORD_TESTING_H_

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/environment.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/window/headless.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"
#include "playback/window_ports.h"
#include "wave2script/core/show_message.h"
#include "wave2script/core/wave_file.h"
#include "wave2script/dialogs/record/record_library.h"

namespace vtr::w2s::testing {

namespace fs = std::filesystem;

// The message id whose text a box showed; 0 for none.
inline unsigned MessageIdOf(std::string_view text) {
  for (unsigned id = 501; id <= 520; ++id) {
    if (LibraryMessageText(id) == text) return id;
  }
  return 0;
}

// A folder of the test's own, removed afterwards; `tag` tells several of one test apart.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view tag = "files") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("vtr_record_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(platform::CurrentProcessId()) + "_" + std::string(tag));
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
  }
  const fs::path& path() const { return path_; }
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Points TMPDIR at a folder of the test's own while it lives, with no runtime folder, so that
// the temporary recording lives in a private folder made in it and tests running side by side
// never share the recording.
class ScopedTempFolder {
 public:
  ScopedTempFolder()
      : folder_("tmp"),
        tmpdir_("TMPDIR", folder_.path().string()),
        runtime_("XDG_RUNTIME_DIR", std::nullopt) {}
  const fs::path& path() const { return folder_.path(); }

 private:
  ScratchFolder folder_;
  platform::ScopedEnvironmentVariable tmpdir_;
  platform::ScopedEnvironmentVariable runtime_;
};

// Writes a WAVE file of the format holding `samples` (16-bit) or their high bytes (8-bit).
inline void WriteWave(const fs::path& path, const std::vector<int16_t>& samples, int rate = 16000,
                      int channels = 1, int bits = 16) {
  WaveWriter writer;
  ASSERT_EQ(writer.Create(path, riff::PcmFormat(channels, rate, bits)), 0) << path;
  std::vector<uint8_t> bytes;
  for (int16_t s : samples) {
    if (bits == 8) {
      bytes.push_back(static_cast<uint8_t>((s >> 8) + 128));
    } else {
      bytes.push_back(static_cast<uint8_t>(s & 0xFF));
      bytes.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
    }
  }
  ASSERT_TRUE(writer.Write(bytes));
  ASSERT_TRUE(writer.Close());
}

// `ms` of a 200 Hz tone at `rate`.
inline std::vector<int16_t> Tone(int ms, int rate = 16000) {
  std::vector<int16_t> samples(static_cast<size_t>(rate) * ms / 1000);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] =
        static_cast<int16_t>(8000 * std::sin(2 * 3.14159265 * 200 * static_cast<double>(i) / rate));
  }
  return samples;
}

// A program folder of a test's own: the platform library and, as asked, Plugin/Vtr_wtp.so with
// the stand-in recogniser in Plugin/Julius and a Plugin/Vtr_pth.so, each copied from a file
// given (the built ones in the distribution folder by default). The record road is pointed at
// it while the object lives.
class RecordProgramFolder {
 public:
  static fs::path Dist() { return fs::path(VTR_DIST_DIR); }
  static fs::path BuiltWtp() { return Dist() / "Plugin" / "Vtr_wtp.so"; }
  static fs::path BuiltPth() { return Dist() / "Plugin" / "Vtr_pth.so"; }
  // A stand-in Vtr_pth whose script is $VTR_RECORD_PTH_SCRIPT; without it VtrPth_GetKVX fails.
  static fs::path ScriptedPth() {
    return fs::path(VTR_TEST_BIN_DIR) / "record_fixture" / "Vtr_pth.so";
  }

  explicit RecordProgramFolder(const fs::path& wtp = BuiltWtp(), const fs::path& pth = BuiltPth(),
                               bool recogniser = true) {
    const fs::path plugin = folder_.path() / "Plugin";
    fs::create_directories(plugin / "Julius");
    fs::copy_file(Dist() / "libvtr_platform.so", folder_.path() / "libvtr_platform.so");
    if (!wtp.empty()) fs::copy_file(wtp, plugin / "Vtr_wtp.so");
    if (!pth.empty()) fs::copy_file(pth, plugin / "Vtr_pth.so");
    if (recogniser) {
      for (const char* name : {"julius", "hmmdefs"}) {
        fs::copy_file(Dist() / "Plugin" / "Julius" / name, plugin / "Julius" / name);
      }
    }
    SetRecordLibraryFolder(folder_.path());
  }
  ~RecordProgramFolder() { SetRecordLibraryFolder({}); }
  const fs::path& path() const { return folder_.path(); }

 private:
  ScratchFolder folder_{"program"};
};

// The fixture of the record road's dialog tests: a headless session, the library's message boxes
// and end-of-phrase commands through the window layer, a fake sound system, a scratch folder
// and a private temporary folder.
class RecordDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallLibraryMessages(&presenter_, nullptr, "");
    platform::InstallSoundSystem(&sound_);
    playback::InstallCommandPoster(&poster_);
  }
  void TearDown() override {
    playback::InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
    InstallLibraryMessages(nullptr, nullptr, "");
  }
  // The ids of the messages shown so far.
  std::vector<unsigned> Messages() const {
    std::vector<unsigned> ids;
    for (const auto& box : session_.message_boxes()) ids.push_back(MessageIdOf(box.text));
    return ids;
  }

  platform::HeadlessSession session_;
  playback::WindowPresenter presenter_;
  playback::WindowPoster poster_;
  platform::FakeSoundSystem sound_;
  ScratchFolder folder_;
  ScopedTempFolder temp_;
};

}  // namespace vtr::w2s::testing

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_RECORD_TESTING_H_
