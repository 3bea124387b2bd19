#include "wave2script/dialogs/record/wave_input_dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "platform/environment.h"
#include "platform/paths.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/window/headless.h"
#include "playback/window_ports.h"
#include "wave2script/core/wave_file.h"
#include "wave2script/core/wave_io.h"
#include "wave2script/dialogs/record/record_library.h"
#include "wave2script/dialogs/record/testing/record_testing.h"

namespace vtr::w2s {
namespace {

namespace fs = std::filesystem;
using core::testing::Sj;
using core::testing::Utf;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using testing::MessageIdOf;

class WaveInputDialogTest : public testing::RecordDialogTest {
 protected:
  std::string Wave(std::string_view name, int ms = 500) {
    std::string path = folder_ / name;
    testing::WriteWave(path, testing::Tone(ms));
    return path;
  }
};

TEST(ShownWaveNameTest, CutsTheFileNameTo16Bytes) {
  struct Case {
    std::string path, shown;
  };
  const std::vector<Case> cases = {
      {"/a/b/take.wav", "take.wav"},
      {"/a/b/0123456789abcdef.wav", "0123456789abcdef"},
      {"c:\\voice\\short.wav", "short.wav"},
      {"/x/あいうえおか.wav", "あいうえお"},  // 18 bytes of kana: cut before the sixth
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ShownWaveName(c.path), c.shown) << c.path;
}

TEST_F(WaveInputDialogTest, SetKanaTextKeepsKanaOfAScript) {
  struct Case {
    std::string given, kept;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"KV#J", ""},
      {"kv#j", ""},
      {"KV#JS40きょう", "きょう"},
      {"きょうは", "きょうは"},
      {"abc", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    WaveInputDialog dialog(nullptr);
    EXPECT_EQ(dialog.SetKanaText(Sj(c.given)), 1);
    EXPECT_EQ(Utf(dialog.kana_text()), c.kept) << c.given;
  }
}

TEST_F(WaveInputDialogTest, StartsWithTheGivenWaveAndKana) {
  const std::string wave = Wave("0123456789abcdefghij.wav");
  WaveInputDialog dialog(nullptr);
  (void)dialog.SetKanaText(Sj("きょう"));
  dialog.SetWavePath(wave);
  session_.user()
      .Do([&] {
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "0123456789abcdef");
        EXPECT_EQ(dialog.Item(kWaveInputKana)->text(), "きょう");
        EXPECT_TRUE(dialog.Item(kWaveInputPlay)->enabled());
        EXPECT_FALSE(dialog.Item(kWaveInputStop)->enabled());
        EXPECT_TRUE(dialog.Item(kIdOk)->enabled());
        EXPECT_TRUE(dialog.Item(kIdOk)->HasFocus());
        EXPECT_TRUE(WaveRoadMarker());
      })
      .Click(kIdCancel);
  ClearWaveRoadMarker();
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, CancelAsksOnlyAfterChanges) {
  {
    WaveInputDialog dialog(nullptr);
    session_.user().Click(kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_TRUE(Messages().empty());
  }
  {
    WaveInputDialog dialog(nullptr);
    session_.user()
        .Type(kWaveInputKana, "か")
        .Click(kIdCancel)
        .Answer(kIdNo)
        .Do([&] { EXPECT_TRUE(dialog.built()); })
        .Click(kIdCancel)
        .Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_EQ(Messages(), (std::vector<unsigned>{516, 516}));
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, OkWithTheWaveDeletedShows506AndStays) {
  const std::string wave = Wave("gone.wav");
  WaveInputDialog dialog(nullptr);
  (void)dialog.SetKanaText(Sj("きょう"));
  dialog.SetWavePath(wave);
  session_.user()
      .Do([&] { std::filesystem::remove(wave); })
      .Click(kIdOk)
      .Answer(kIdOk)
      .Do([&] { EXPECT_TRUE(dialog.built()); })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{506}));
  EXPECT_TRUE(session_.errors().empty());
}

// OK asks only that the wave still exists; a wave the analysis cannot read goes to it and the
// road's failure shows 513, the dialog staying, whether the file came by the open road
// unchecked or is a recording stopped before it held a sample.
TEST_F(WaveInputDialogTest, OkHandsAWaveTheAnalysisCannotReadToItAndShows513) {
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> write;  // writes the wave handed in; null: record
  };
  auto with_format = [](riff::WaveFormat format, size_t data_bytes) {
    return [format, data_bytes](const fs::path& path) {
      WaveWriter writer;
      ASSERT_EQ(writer.Create(path, format), 0);
      ASSERT_TRUE(writer.Write(std::vector<uint8_t>(data_bytes, 0x21)));
      ASSERT_TRUE(writer.Close());
    };
  };
  riff::WaveFormat no_block_align = riff::PcmFormat(1, 16000, 16);
  no_block_align.block_align = 0;
  riff::WaveFormat extensible = riff::PcmFormat(1, 16000, 16);
  extensible.tag = 0xFFFE;
  riff::WaveFormat float_tag = riff::PcmFormat(1, 16000, 16);
  float_tag.tag = 3;
  testing::RecordProgramFolder program;  // the real analysis with the stand-in recogniser
  const std::vector<Case> cases = {
      {"a format tag other than PCM, otherwise valid", with_format(float_tag, 32000)},
      {"block align 0", with_format(no_block_align, 32000)},
      {"the extensible format", with_format(extensible, 32000)},
      {"a 1-byte data chunk", with_format(riff::PcmFormat(1, 16000, 16), 1)},
      {"a recording stopped at once", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const size_t boxes_before = session_.message_boxes().size();
    WaveInputDialog dialog(nullptr);
    (void)dialog.SetKanaText(Sj("きょうはいいてんきですね"));
    if (c.write) {
      c.write(folder_ / "handed.wav");
      dialog.SetWavePath(folder_ / "handed.wav");
    } else {
      session_.user().Click(kWaveInputRecord).Click(kWaveInputStop).ChooseFile(folder_ / "empty");
    }
    session_.user()
        .Do([&] { EXPECT_TRUE(dialog.Item(kIdOk)->enabled()); })
        .Click(kIdOk)
        .Answer(kIdOk)
        .Do([&] { EXPECT_TRUE(dialog.built()); })
        .Click(kIdCancel);
    if (!c.write) session_.user().Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    std::vector<unsigned> shown;
    for (size_t i = boxes_before; i < session_.message_boxes().size(); ++i) {
      shown.push_back(MessageIdOf(session_.message_boxes()[i].text));
    }
    const std::vector<unsigned> expected =
        c.write ? std::vector<unsigned>{513} : std::vector<unsigned>{513, 516};
    EXPECT_EQ(shown, expected);
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, DroppedFilesOpenOnlyWaves) {
  const std::string wave = Wave("dropped.wav");
  const std::string text = folder_ / "words.txt";
  testing::WriteWave(text, testing::Tone(100));
  WaveInputDialog dialog(nullptr);
  session_.user()
      .DropFiles({text})
      .Do([&] {
        EXPECT_TRUE(dialog.wave_path().empty());
        EXPECT_FALSE(dialog.Item(kWaveInputPlay)->enabled());
      })
      .DropFiles({wave, text})
      .Do([&] {
        EXPECT_EQ(dialog.wave_path(), wave);
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "dropped.wav");
        EXPECT_TRUE(dialog.Item(kWaveInputPlay)->enabled());
        EXPECT_FALSE(dialog.Item(kIdOk)->enabled()) << "no kana yet";
      })
      .Type(kWaveInputKana, "か")
      .Do([&] { EXPECT_TRUE(dialog.Item(kIdOk)->enabled()); })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{516}));
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, RecordingIsSavedWhereTheUserChooses) {
  WaveInputDialog dialog(nullptr);
  const std::vector<int16_t> speech = testing::Tone(1000, 44100);
  platform::ScriptedUser& user = session_.user();
  user.Click(kWaveInputRecord)
      .Do([&] {
        EXPECT_TRUE(WaveIO_IsRecording());
        for (int id : {kWaveInputPlay, kWaveInputRecord, kWaveInputOpen, kIdOk, kIdCancel}) {
          EXPECT_FALSE(dialog.Item(id)->enabled()) << id;
        }
        EXPECT_TRUE(dialog.Item(kWaveInputStop)->enabled());
        EXPECT_TRUE(dialog.Item(kWaveInputStop)->HasFocus());
        EXPECT_TRUE(sound_.Feed(speech));
      })
      .Advance(kWaveInputTimerMs)
      .Do([&] {
        // 1 s fed, the 21 whole blocks of it written: 86016 bytes, 97 hundredths.
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "00 : 97");
      })
      .Click(kWaveInputStop)
      .ChooseFile(folder_ / "take")
      .Do([&] {
        EXPECT_FALSE(WaveIO_IsRecording());
        EXPECT_EQ(dialog.wave_path(), folder_ / "take.wav") << "the extension is added";
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "take.wav");
        EXPECT_TRUE(dialog.Item(kWaveInputPlay)->enabled());
        EXPECT_FALSE(dialog.Item(kWaveInputStop)->enabled());
        EXPECT_TRUE(dialog.changed());
        EXPECT_FALSE(fs::exists(WaveIO_TempPath()));
        int rate = 0;
        EXPECT_EQ(CheckWaveFile(dialog.wave_path(), &rate), 1);
        EXPECT_EQ(rate, 44100);
      })
      .Click(kWaveInputRecord)
      .Do([&] { EXPECT_TRUE(sound_.Feed(speech)); })
      .Click(kWaveInputStop)
      .ChooseFile("")
      .Do([&] {
        // A cancelled save keeps the previous wave; the recording waits in the temporary file.
        EXPECT_EQ(dialog.wave_path(), folder_ / "take.wav");
        EXPECT_TRUE(fs::exists(WaveIO_TempPath()));
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_FALSE(fs::exists(WaveIO_TempPath())) << "gone with the dialog";
  ASSERT_EQ(session_.file_dialogs().size(), 2u);
  EXPECT_TRUE(session_.file_dialogs()[0].save);
  ASSERT_EQ(session_.file_dialogs()[0].filters.size(), 1u);
  EXPECT_EQ(session_.file_dialogs()[0].filters[0].patterns, "*.wav");
  EXPECT_EQ(Messages(), (std::vector<unsigned>{516}));
  EXPECT_TRUE(session_.errors().empty());
}

// A recording that cannot start says so (510) and leaves the dialog as it was: its wave, its
// kana, every button but Stop, and nothing to save.
TEST_F(WaveInputDialogTest, ARecordingThatCannotStartShows510AndChangesNothing) {
  struct Case {
    const char* what;
    std::function<void(platform::FakeSoundSystem&)> break_it;
    bool temp_folder_missing;
  };
  const std::vector<Case> cases = {
      {"no input device", [](platform::FakeSoundSystem& s) { s.set_has_input(false); }, false},
      {"the device refuses to open", [](platform::FakeSoundSystem& s) { s.FailNextOpen("busy"); },
       false},
      {"no private folder for the temporary file", [](platform::FakeSoundSystem&) {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string wave = Wave("earlier.wav", 2000);
    std::optional<platform::ScopedEnvironmentVariable> tmpdir;
    if (c.temp_folder_missing) {
      // A temporary folder whose name leaves no room for one more name in a path: no private
      // folder can be made in it, neither the user's nor one for this process alone.
      fs::path blocked = folder_.path() / "blocked_tmp";
      constexpr size_t kLongestPath = 4095;
      while (blocked.native().size() < kLongestPath - std::string("/voxtrel-0").size() + 1) {
        blocked /=
            std::string(std::min<size_t>(200, kLongestPath - 1 - blocked.native().size()), 'd');
      }
      ASSERT_TRUE(fs::create_directories(blocked));
      tmpdir.emplace("TMPDIR", blocked.string());
      ASSERT_EQ(platform::TempFolder(), blocked);
      ASSERT_TRUE(platform::PrivateFolder().empty());
    }
    platform::FakeSoundSystem sound;
    platform::InstallSoundSystem(&sound);
    c.break_it(sound);
    WaveInputDialog dialog(nullptr);
    (void)dialog.SetKanaText(Sj("きょうはいいてんきですね"));
    dialog.SetWavePath(wave);
    const size_t boxes_before = session_.message_boxes().size();
    session_.user()
        .Click(kWaveInputRecord)
        .Answer(kIdOk)
        .Do([&] {
          EXPECT_FALSE(WaveIO_IsRecording());
          for (int id : {kWaveInputPlay, kWaveInputRecord, kWaveInputOpen, kIdOk, kIdCancel}) {
            EXPECT_TRUE(dialog.Item(id)->enabled()) << id;
          }
          EXPECT_FALSE(dialog.Item(kWaveInputStop)->enabled());
          EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "earlier.wav");
          EXPECT_EQ(dialog.wave_path(), wave);
          EXPECT_FALSE(dialog.changed());
        })
        .Advance(kWaveInputTimerMs)
        .Do([&] { EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "earlier.wav"); })
        .Click(kIdCancel);  // nothing changed: no question
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    std::vector<unsigned> shown;
    for (size_t i = boxes_before; i < session_.message_boxes().size(); ++i) {
      shown.push_back(MessageIdOf(session_.message_boxes()[i].text));
    }
    EXPECT_EQ(shown, std::vector<unsigned>{510});
    platform::InstallSoundSystem(&sound_);
  }
  EXPECT_TRUE(session_.file_dialogs().empty()) << "no save dialog for a recording never made";
  EXPECT_TRUE(session_.errors().empty());
}

// A recording replaces a file only after the user agreed (508); No goes back to the save
// dialog with the name still proposed, where another name or Cancel follows.
TEST_F(WaveInputDialogTest, ARecordingReplacesAFileOnlyWhenTheUserAgrees) {
  struct Step {
    std::string choose;  // the name chosen in the save dialog ("" cancels it)
    int answer;          // to 508, when the name is taken; 0 when no question is due
  };
  struct Case {
    const char* what;
    std::vector<Step> steps;
    std::vector<unsigned> messages;
    const char* saved_as;  // "" : nothing saved
    bool old_take_kept;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a new name", {{"new.wav", 0}}, {}, "new.wav", true},
      {"replacing agreed", {{"take.wav", kIdYes}}, {508}, "take.wav", false},
      {"a name without its extension", {{"take", kIdYes}}, {508}, "take.wav", false},
      {"declined, then another name", {{"take.wav", kIdNo}, {"other.wav", 0}}, {508},
       "other.wav", true},
      {"declined twice, then cancelled", {{"take.wav", kIdNo}, {"take", kIdNo}, {"", 0}},
       {508, 508}, "", true},
  };
  // clang-format on
  const std::vector<int16_t> speech = testing::Tone(3000, 44100);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string old_take = Wave("take.wav", 2000);
    std::ifstream in(old_take, std::ios::binary);
    const std::string old_bytes((std::istreambuf_iterator<char>(in)), {});
    const size_t boxes_before = session_.message_boxes().size();
    const size_t dialogs_before = session_.file_dialogs().size();
    WaveInputDialog dialog(nullptr);
    (void)dialog.SetKanaText(Sj("きょうはいいてんきですね"));
    platform::ScriptedUser& user = session_.user();
    user.Click(kWaveInputRecord)
        .Do([&] { EXPECT_TRUE(sound_.Feed(speech)); })
        .Click(kWaveInputStop);
    for (const Step& step : c.steps) {
      user.ChooseFile(step.choose.empty() ? "" : folder_ / step.choose);
      if (step.answer != 0) user.Answer(step.answer);
    }
    user.Do([&] {
          const std::string saved = *c.saved_as != 0 ? folder_ / c.saved_as : "";
          EXPECT_EQ(dialog.wave_path(), saved);
          EXPECT_EQ(dialog.changed(), !saved.empty());
          EXPECT_EQ(fs::exists(WaveIO_TempPath()), saved.empty()) << "a recording not saved waits";
          if (!saved.empty()) {
            int rate = 0;
            EXPECT_EQ(CheckWaveFile(saved, &rate), 1);
            EXPECT_EQ(rate, 44100) << "the new recording, not the old take at 16000 Hz";
          }
        })
        .Click(kIdCancel);
    if (*c.saved_as != 0) user.Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);

    std::ifstream again(old_take, std::ios::binary);
    const std::string now((std::istreambuf_iterator<char>(again)), {});
    EXPECT_EQ(now == old_bytes, c.old_take_kept);
    std::vector<unsigned> shown;
    for (size_t i = boxes_before; i < session_.message_boxes().size(); ++i) {
      shown.push_back(MessageIdOf(session_.message_boxes()[i].text));
    }
    if (*c.saved_as != 0) shown.pop_back();  // the discard question on Cancel
    EXPECT_EQ(shown, c.messages);
    const auto& dialogs = session_.file_dialogs();
    ASSERT_EQ(dialogs.size() - dialogs_before, c.steps.size());
    for (size_t i = dialogs_before + 1; i < dialogs.size(); ++i) {
      EXPECT_TRUE(dialogs[i].save);
      EXPECT_EQ(dialogs[i].file_name, folder_ / "take.wav") << "the declined name is proposed";
    }
    for (const auto& entry : fs::directory_iterator(folder_.path())) fs::remove(entry.path());
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, PlayingLocksTheDialogUntilTheEnd) {
  const std::string wave = Wave("voice.wav", 1000);
  WaveInputDialog dialog(nullptr);
  (void)dialog.SetKanaText(Sj("か"));
  dialog.SetWavePath(wave);
  session_.user()
      .Click(kWaveInputPlay)
      .Do([&] {
        EXPECT_TRUE(WaveIO_IsPlaying());
        for (int id : {kWaveInputPlay, kWaveInputRecord, kWaveInputOpen, kIdOk, kIdCancel}) {
          EXPECT_FALSE(dialog.Item(id)->enabled()) << id;
        }
        EXPECT_TRUE(dialog.Item(kWaveInputStop)->enabled());
        EXPECT_TRUE(dialog.Item(kWaveInputKana)->HasFocus());
      })
      .Key('O', platform::kModCtrl)                   // open is locked
      .DropFiles({Wave("other.wav")})                 // so are drops
      .Key(platform::kKeyEscape)                      // and Cancel
      .Do([&] { (void)sound_.Pump(16000 + 40000); })  // the whole file and the queue's end
      .WaitForPost()
      .Do([&] { (void)sound_.Pump(16000); })
      .Do([&] {
        EXPECT_FALSE(WaveIO_IsPlaying());
        EXPECT_TRUE(dialog.Item(kWaveInputPlay)->enabled());
        EXPECT_TRUE(dialog.Item(kIdOk)->enabled());
        EXPECT_FALSE(dialog.Item(kWaveInputStop)->enabled());
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "voice.wav");
        EXPECT_EQ(dialog.wave_path(), wave);
      })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.file_dialogs().empty());
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, OpenTakesOnlyAcceptedWaveFiles) {
  const std::string good = Wave("good.WAV");
  const std::string stereo = folder_ / "stereo.wav";
  testing::WriteWave(stereo, testing::Tone(200), 16000, 2);
  const std::string too_long = folder_ / "long.wav";
  testing::WriteWave(too_long, testing::Tone(20001));
  WaveInputDialog dialog(nullptr);
  session_.user()
      .Click(kWaveInputOpen)
      .ChooseFile(stereo)
      .Answer(kIdOk)
      .Key('O', platform::kModCtrl)
      .ChooseFile(too_long)
      .Answer(kIdOk)
      .Click(kWaveInputOpen)
      .ChooseFile(folder_ / "notes.txt")
      .Do([&] {
        EXPECT_TRUE(dialog.wave_path().empty());
        EXPECT_FALSE(dialog.changed());
      })
      .Key('O', platform::kModCtrl)
      .ChooseFile(good)
      .Do([&] {
        EXPECT_EQ(dialog.wave_path(), good);
        EXPECT_EQ(dialog.Item(kWaveInputName)->text(), "good.WAV");
        EXPECT_TRUE(dialog.Item(kWaveInputPlay)->enabled());
        EXPECT_TRUE(dialog.changed());
        EXPECT_TRUE(dialog.Item(kWaveInputKana)->HasFocus()) << "no kana yet";
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{506, 506, 516}));
  ASSERT_EQ(session_.file_dialogs().size(), 4u);
  EXPECT_FALSE(session_.file_dialogs()[0].save);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, CtrlAAndDoubleClickSelectTheKana) {
  WaveInputDialog dialog(nullptr);
  auto selection = [&] { return dialog.Item<platform::Edit>(kWaveInputKana)->GetSel(); };
  session_.user()
      .Type(kWaveInputKana, "かいこ")
      .Do([&] {
        EXPECT_EQ(selection(), (std::pair<int, int>{3, 3}));
      })
      .Key('A', platform::kModCtrl)
      .Do([&] {
        EXPECT_EQ(selection(), (std::pair<int, int>{0, 3}));
      })
      .Do([&] { dialog.Item<platform::Edit>(kWaveInputKana)->SetSel(1, 1); })
      .DoubleClick(0, {5, 5})
      .Do([&] {
        EXPECT_EQ(selection(), (std::pair<int, int>{0, 3}));
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(WaveInputDialogTest, OkNeedsAWaveAndKana) {
  const std::string wave = Wave("w.wav");
  struct Case {
    std::string typed;
    bool with_wave;
    bool ok_enabled;
  };
  const std::vector<Case> cases = {
      {"かいこ", true, true}, {"かいこ", false, false}, {"abc", true, false},
      {"", true, false},      {"カイコ", true, false},  {"か、い", true, true},
  };
  for (const Case& c : cases) {
    WaveInputDialog dialog(nullptr);
    if (c.with_wave) dialog.SetWavePath(wave);
    platform::ScriptedUser& user = session_.user();
    if (!c.typed.empty()) user.Type(kWaveInputKana, c.typed);
    user.Do([&] { EXPECT_EQ(dialog.Item(kIdOk)->enabled(), c.ok_enabled) << c.typed; });
    // Enter presses the default button, which does nothing while disabled.
    if (!c.ok_enabled) user.Key(platform::kKeyReturn).Do([&] { EXPECT_TRUE(dialog.built()); });
    user.Click(kIdCancel);
    if (!c.typed.empty()) user.Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel) << c.typed;
  }
  EXPECT_TRUE(session_.errors().empty());
}

}  // namespace
}  // namespace vtr::w2s
