// The record road end to end: the aligner road through the built Vtr_wtp and the stand-in
// recogniser, the script road through Vtr_pth, and the loop of the two dialogs.
#include "wave2script/dialogs/record/record_road.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "engines/wtp/testing/speech_synth.h"
#include "platform/environment.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/window/headless.h"
#include "playback/window_ports.h"
#include "wave2script/core/syllable_list.h"
#include "wave2script/dialogs/record/record_library.h"
#include "wave2script/dialogs/record/testing/fake_host.h"
#include "wave2script/dialogs/record/testing/record_testing.h"

namespace vtr::w2s {
namespace {

namespace fs = std::filesystem;
using core::testing::Sj;
using core::testing::Utf;
using platform::Button;
using platform::ComboBox;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using testing::MessageIdOf;
using testing::RecordProgramFolder;

// "かいこ" spoken: ka, i, ko with a pause before and after.
const wtp::testing::SynthScript kSpeech = {
    {"ka", 0.07, 0.16}, {"i", 0.0, 0.18}, {"ko", 0.07, 0.17}};
const char kSpokenKana[] = "かいこ";

class RecordRoadTest : public testing::RecordDialogTest {
 protected:
  void SetUp() override {
    RecordDialogTest::SetUp();
    const wtp::testing::SynthSpeech speech =
        wtp::testing::Synthesize(kSpeech, 16000, 150.0, 7, 0.3, 0.3);
    wave_ = folder_ / "speech.wav";
    testing::WriteWave(wave_, speech.samples, 16000);
    start_directory_ = fs::current_path();
  }
  void TearDown() override {
    EXPECT_EQ(fs::current_path(), start_directory_);
    EXPECT_FALSE(RecordWtpLibrary().loaded());
    ReleaseRecordWtpLibrary();
    RecordDialogTest::TearDown();
  }
  // Dialog 146 with the spoken kana and the wave, ready for OK.
  void Prepare(WaveInputDialog& input) {
    (void)input.SetKanaText(Sj(kSpokenKana));
    input.SetWavePath(wave_);
  }

  testing::FakeHost host_;
  std::string wave_;
  fs::path start_directory_;
};

TEST_F(RecordRoadTest, OkOnBothDialogsHandsTheScriptToTheHost) {
  RecordProgramFolder program;
  WaveInputDialog input(nullptr);
  Prepare(input);
  host_.volume = 64;
  session_.user()
      .Click(kIdOk)
      .Do([&] {
        // Dialog 148 shows the syllables the aligner found, with Vtr_wtp still loaded.
        EXPECT_TRUE(RecordWtpLibrary().loaded());
        std::string wave;
        std::vector<SegmentItem> items;
        input.GetResult(&wave, &items);
        EXPECT_EQ(wave, wave_);
        std::string labels;
        for (const SegmentItem& item : items) {
          if (!IsPauseText(item.text) && Utf(item.text) != "　") labels += Utf(item.text);
          EXPECT_EQ(item.start % 20, 0);
        }
        EXPECT_EQ(labels, kSpokenKana);
        ASSERT_FALSE(items.empty());
        EXPECT_NEAR(items[0].start, 300, 60) << "after the lead-in silence";
      })
      .Scroll(kSegmentVolume, platform::ScrollCode::kThumbTrack, 90)
      .Click(kIdOk);
  EXPECT_EQ(RunRecordRoad(input, host_), kIdOk);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(host_.scripts_set, 1);
  EXPECT_NE(host_.script.find(Sj("か")), std::string::npos) << Utf(host_.script);
  EXPECT_NE(host_.script.find(Sj("こ")), std::string::npos) << Utf(host_.script);
  EXPECT_EQ(host_.volume, 90);
  ASSERT_EQ(host_.preparations.size(), 1u);
  EXPECT_EQ(host_.preparations[0].options, 0x12B);
  EXPECT_EQ(host_.preparations[0].show_errors, 0);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(RecordRoadTest, CancellingDialog148ReturnsTo146AndUnloadsTheAligner) {
  RecordProgramFolder program;
  WaveInputDialog input(nullptr);
  Prepare(input);
  session_.user()
      .Click(kIdOk)
      .Do([&] { EXPECT_TRUE(RecordWtpLibrary().loaded()); })
      .Click(kIdCancel)
      .Answer(kIdYes)
      .Do([&] {
        // Dialog 146 again, with what it held; the next OK loads Vtr_wtp afresh.
        EXPECT_FALSE(RecordWtpLibrary().loaded());
        EXPECT_EQ(input.Item(kWaveInputName)->text(), "speech.wav");
        EXPECT_EQ(input.Item(kWaveInputKana)->text(), kSpokenKana);
      })
      .Click(kIdOk)
      .Do([&] { EXPECT_TRUE(RecordWtpLibrary().loaded()); })
      .Click(kIdCancel)
      .Answer(kIdYes)
      .Click(kIdCancel);
  EXPECT_EQ(RunRecordRoad(input, host_), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{516, 516}));
  EXPECT_EQ(host_.scripts_set, 0);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(RecordRoadTest, AFailingAlignerRoadShows513AndRestoresTheDirectory) {
  struct Case {
    const char* what;
    fs::path wtp;
    bool recogniser;
  };
  const std::vector<Case> cases = {
      {"no library", {}, true},
      {"exports missing", RecordProgramFolder::BuiltPth(), true},
      {"no recogniser", RecordProgramFolder::BuiltWtp(), false},
  };
  for (const Case& c : cases) {
    RecordProgramFolder program(c.wtp, RecordProgramFolder::BuiltPth(), c.recogniser);
    WaveInputDialog input(nullptr);
    Prepare(input);
    session_.user()
        .Click(kIdOk)
        .Answer(kIdOk)
        .Do([&] {
          EXPECT_TRUE(input.built()) << c.what;
          EXPECT_FALSE(RecordWtpLibrary().loaded()) << c.what;
          EXPECT_EQ(fs::current_path(), start_directory_) << c.what;
        })
        .Click(kIdCancel);
    EXPECT_EQ(input.DoModal(), kIdCancel) << c.what;
  }
  EXPECT_EQ(Messages(), (std::vector<unsigned>{513, 513, 513}));
  EXPECT_TRUE(session_.errors().empty());
}

// Dialog 148 after a real alignment, run by the test.
class ScriptRoadTest : public RecordRoadTest {
 protected:
  void Align(WaveInputDialog& input, SegmentConfirmDlg& confirm) {
    Prepare(input);
    std::string aligner_text;
    ASSERT_EQ(BuildAlignerText(input.kana_text(), &aligner_text), 0u);
    ASSERT_EQ(input.RunAligner(wave_, aligner_text), 1);
    std::string wave;
    std::vector<SegmentItem> items;
    input.GetResult(&wave, &items);
    confirm.SetInputs(wave, items);
  }
};

TEST_F(ScriptRoadTest, PlayWithLoopAndSelectionLimitsTheScriptToTheRange) {
  RecordProgramFolder program;
  WaveInputDialog input(nullptr);
  SegmentConfirmDlg confirm(host_);
  Align(input, confirm);
  std::string whole;
  session_.user()
      .Do([&] {
        ASSERT_EQ(confirm.GenerateScript(0), 1);
        whole = confirm.script_text();
        EXPECT_TRUE(whole.starts_with("KV#J")) << Utf(whole);
        EXPECT_FALSE(confirm.loop_range_valid());
      })
      .Click(kSegmentLoop)
      .Do([&] {
        // The label of the second syllable selected (as a Ctrl+click does).
        SegmentView& view = confirm.graph()->view();
        const platform::Point label{view.ItemToPixel(view.items()[1].x) + 10,
                                    view.view_rect().bottom - 12};
        ASSERT_TRUE(view.ToggleSelection(label));
      })
      .Click(kSegmentPlay)
      .Do([&] {
        EXPECT_TRUE(confirm.playing());
        EXPECT_TRUE(confirm.Item(kSegmentStop)->enabled());
        EXPECT_TRUE(confirm.Item(kSegmentStop)->HasFocus());
        for (int id :
             {kSegmentPlay, kIdOk, kIdCancel, kSegmentZoomIn, kSegmentGraph, kSegmentPlayWave}) {
          EXPECT_FALSE(confirm.Item(id)->enabled()) << id;
        }
        EXPECT_TRUE(confirm.loop_range_valid());
        EXPECT_EQ(confirm.loop_start(), confirm.items()[1].start);
        EXPECT_LT(confirm.script_text().size(), whole.size()) << Utf(confirm.script_text());
        ASSERT_EQ(host_.preparations.size(), 2u);
        EXPECT_EQ(host_.preparations[0].options, 0x12B);
        EXPECT_EQ(host_.preparations[0].show_errors, 1);
        EXPECT_EQ(host_.preparations[1].options, 0x10);
      })
      .Advance(kSegmentTimerMs)
      .Do([&] {
        // The view follows the player from the range start.
        const int expected = confirm.loop_start() + 5;
        EXPECT_EQ(confirm.Item<platform::ScrollBar>(kSegmentScroll)->pos(),
                  std::min(expected, confirm.Item<platform::ScrollBar>(kSegmentScroll)->maximum()));
        EXPECT_EQ(confirm.graph()->origin(),
                  confirm.Item<platform::ScrollBar>(kSegmentScroll)->pos());
      })
      .Key('Z', platform::kModCtrl)  // swallowed while playing
      .Click(kSegmentStop)
      .Do([&] {
        EXPECT_FALSE(confirm.playing());
        EXPECT_TRUE(confirm.Item(kSegmentPlay)->enabled());
        EXPECT_TRUE(confirm.Item(kSegmentPlay)->HasFocus());
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(confirm.DoModal(), kIdCancel);
  EXPECT_FALSE(RecordWtpLibrary().loaded()) << "closing unloads the aligner";
  EXPECT_TRUE(Messages() == (std::vector<unsigned>{516}));
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptRoadTest, SingModeAndOctaveShiftChangeTheScript) {
  RecordProgramFolder program;
  WaveInputDialog input(nullptr);
  SegmentConfirmDlg confirm(host_);
  Align(input, confirm);
  std::string spoken, sung;
  session_.user()
      .Do([&] {
        ASSERT_EQ(confirm.GenerateScript(0), 1);
        spoken = confirm.script_text();
      })
      .Click(kSegmentSing)
      .Do([&] {
        ASSERT_EQ(confirm.GenerateScript(0), 1);
        sung = confirm.script_text();
        EXPECT_NE(sung, spoken);
      })
      .Select(kSegmentOctave, 2)
      .Do([&] {
        ASSERT_EQ(confirm.GenerateScript(0), 1);
        std::string lowered = sung;
        ASSERT_TRUE(SyllableList::ShiftPitch(&lowered, 1, -1));
        EXPECT_EQ(confirm.script_text(), lowered);
      })
      .Click(kSegmentSpeak)
      .Do([&] {
        ASSERT_EQ(confirm.GenerateScript(0), 1);
        EXPECT_EQ(confirm.script_text(), spoken) << "speak mode applies no octave";
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(confirm.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptRoadTest, AFailingScriptStepShows514OnPlayAndOk) {
  RecordProgramFolder program(RecordProgramFolder::BuiltWtp(), RecordProgramFolder::ScriptedPth());
  WaveInputDialog input(nullptr);
  SegmentConfirmDlg confirm(host_);
  Align(input, confirm);
  session_.user()
      .Click(kSegmentPlay)
      .Answer(kIdOk)
      .Click(kIdOk)
      .Answer(kIdOk)
      .Do([&] {
        EXPECT_TRUE(confirm.built());
        EXPECT_TRUE(confirm.script_text().empty());
        EXPECT_EQ(fs::current_path(), start_directory_);
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(confirm.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{514, 514, 516}));
  EXPECT_EQ(host_.scripts_set, 0);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptRoadTest, OkStaysWhenTheHostRefusesTheScript) {
  struct Case {
    int result, too_long;
    std::vector<unsigned> messages;
  };
  const std::vector<Case> cases = {{-19996, 0, {}}, {0, 1, {503}}};
  for (const Case& c : cases) {
    RecordProgramFolder program;
    WaveInputDialog input(nullptr);
    SegmentConfirmDlg confirm(host_);
    Align(input, confirm);
    host_.prepare_result = c.result;
    host_.too_long = c.too_long;
    const size_t boxes = session_.message_boxes().size();
    session_.user().Click(kIdOk);
    if (!c.messages.empty()) session_.user().Answer(kIdOk);
    session_.user()
        .Do([&] {
          EXPECT_TRUE(confirm.built());
          std::vector<unsigned> shown;
          for (size_t i = boxes; i < session_.message_boxes().size(); ++i) {
            shown.push_back(MessageIdOf(session_.message_boxes()[i].text));
          }
          EXPECT_EQ(shown, c.messages);
        })
        .Click(kIdCancel)
        .Answer(kIdYes);
    EXPECT_EQ(confirm.DoModal(), kIdCancel);
    EXPECT_EQ(host_.scripts_set, 0);
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptRoadTest, TheEndOfThePhraseStopsPlay) {
  RecordProgramFolder program;
  WaveInputDialog input(nullptr);
  SegmentConfirmDlg confirm(host_);
  Align(input, confirm);
  session_.user()
      .Click(kSegmentPlay)
      .Do([&] { EXPECT_TRUE(confirm.playing()); })
      .Do([&] { (void)sound_.Pump(20 * playback::kFakePhraseSamples); })
      .WaitForPost()
      .Do([&] {
        EXPECT_FALSE(confirm.playing());
        EXPECT_TRUE(confirm.Item(kSegmentPlay)->enabled());
        EXPECT_FALSE(confirm.Item(kSegmentStop)->enabled());
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(confirm.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptRoadTest, AShiftTheScriptCannotTakeIsDroppedAndItsComboReset) {
  RecordProgramFolder program(RecordProgramFolder::BuiltWtp(), RecordProgramFolder::ScriptedPth());
  struct Case {
    const char* script;
    int combo, index;  // the shift chosen
    int reset_index;
  };
  const std::vector<Case> cases = {
      {"KV#JC3\x82\xA9", kSegmentOctave, 0, 1},  // a third octave cannot go up
      {"KV#J'99\x82\xA9", kSegmentFine, 0, 10},  // 99 steps up cannot take 10 more
  };
  platform::ScopedEnvironmentVariable script("VTR_RECORD_PTH_SCRIPT", std::nullopt);
  for (const Case& c : cases) {
    script.Set(c.script);
    WaveInputDialog input(nullptr);
    SegmentConfirmDlg confirm(host_);
    Align(input, confirm);
    session_.user()
        .Click(kSegmentSing)
        .Select(c.combo, c.index)
        .Do([&] {
          ASSERT_EQ(confirm.GenerateScript(0), 1);
          EXPECT_EQ(confirm.script_text(), c.script);
          EXPECT_EQ(confirm.Item<ComboBox>(c.combo)->cur_sel(), c.reset_index);
          EXPECT_EQ(confirm.octave_shift(), 0);
          EXPECT_EQ(confirm.fine_shift(), 0);
        })
        .Click(kIdCancel)
        .Answer(kIdYes);
    EXPECT_EQ(confirm.DoModal(), kIdCancel);
  }
  EXPECT_TRUE(session_.errors().empty());
}

}  // namespace
}  // namespace vtr::w2s
