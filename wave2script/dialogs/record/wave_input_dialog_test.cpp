#include "wave2script/dialogs/record/wave_input_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sound/fake_sound_system.h"
#include "platform/window/headless.h"
#include "wave2script/core/test_text.h"
#include "wave2script/core/wave_io.h"
#include "wave2script/dialogs/record/record_library.h"
#include "wave2script/dialogs/record/record_testing.h"

namespace vtr::w2s {
namespace {

using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using testing::MessageIdOf;
using testing::Sj;
using testing::Utf;

class WaveInputDialogTest : public ::testing::Test {
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
  std::vector<unsigned> Messages() const {
    std::vector<unsigned> ids;
    for (const auto& box : session_.message_boxes()) ids.push_back(MessageIdOf(box.text));
    return ids;
  }
  std::string Wave(std::string_view name, int ms = 500) {
    const std::string path = folder_ / name;
    testing::WriteWave(path, testing::Tone(ms));
    return path;
  }

  platform::HeadlessSession session_;
  testing::WindowPresenter presenter_;
  testing::WindowPoster poster_;
  platform::FakeSoundSystem sound_;
  testing::ScratchFolder folder_;
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
  const std::vector<Case> cases = {
      {"KV#J", ""},
      {"kv#j", ""},
      {"KV#JS40きょう", "きょう"},
      {"きょうは", "きょうは"},
      {"abc", ""},
  };
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

}  // namespace
}  // namespace vtr::w2s
