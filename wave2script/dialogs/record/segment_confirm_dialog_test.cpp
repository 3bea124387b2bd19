#include "wave2script/dialogs/record/segment_confirm_dialog.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/window/headless.h"
#include "playback/window_ports.h"
#include "wave2script/core/wave_io.h"
#include "wave2script/dialogs/record/testing/fake_host.h"
#include "wave2script/dialogs/record/testing/record_testing.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using platform::Button;
using platform::ComboBox;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using platform::ScrollBar;
using platform::ScrollCode;
using testing::MessageIdOf;

const std::string kKa = Sj("か");
const std::string kKi = Sj("き");

// Dialog 148 over items handed in directly (no alignment: nothing here generates a script).
class SegmentConfirmDlgTest : public testing::RecordDialogTest {
 protected:
  void SetUp() override {
    RecordDialogTest::SetUp();
    wave_ = folder_ / "speech.wav";
    testing::WriteWave(wave_, testing::Tone(4000));
  }
  std::vector<SegmentItem> Items() const {
    return {{kKa.c_str(), 100}, {"#", 200}, {kKi.c_str(), 300}, {"\x81\x40", 3800}};
  }
  std::vector<int> GraphTimes(const SegmentConfirmDlg& dialog) const {
    std::vector<SegmentItem> items;
    dialog.graph()->GetItems(&items);
    std::vector<int> times;
    times.reserve(items.size());
    for (const SegmentItem& item : items) times.push_back(item.start);
    return times;
  }

  testing::FakeHost host_;
  std::string wave_;
};

TEST_F(SegmentConfirmDlgTest, StartsInSpeakModeWithTheHostsVolume) {
  host_.volume = 77;
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(wave_, Items());
  session_.user()
      .Do([&] {
        EXPECT_EQ(dialog.Item<ComboBox>(kSegmentOctave)->cur_sel(), 1);
        EXPECT_FALSE(dialog.Item(kSegmentOctave)->enabled());
        EXPECT_EQ(dialog.Item<ComboBox>(kSegmentFine)->cur_sel(), 10);
        EXPECT_EQ(dialog.Item<ComboBox>(kSegmentFine)->count(), 21);
        EXPECT_EQ(dialog.Item<Button>(kSegmentSpeak)->check(), 1);
        EXPECT_EQ(dialog.Item<platform::Trackbar>(kSegmentVolume)->pos(), 77);
        EXPECT_EQ(dialog.Item<platform::Trackbar>(kSegmentVolume)->maximum(), 127);
        for (int id : {kSegmentPlay, kSegmentPlayWave, kSegmentZoomIn, kSegmentZoomOut, kIdOk,
                       kSegmentLoop}) {
          EXPECT_TRUE(dialog.Item(id)->enabled()) << id;
        }
        for (int id : {kSegmentStop, kSegmentStopWave})
          EXPECT_FALSE(dialog.Item(id)->enabled()) << id;
        EXPECT_EQ(dialog.Item(kSegmentPlay)->tooltip(), "再生します！");
        EXPECT_EQ(dialog.Item(kSegmentZoomIn)->tooltip(), "グラフの横軸を拡大します。");
        EXPECT_FALSE(dialog.Item<Button>(kSegmentPlay)->image().empty());
        ASSERT_NE(dialog.graph(), nullptr);
        EXPECT_EQ(GraphTimes(dialog), (std::vector<int>{100, 200, 300, 3800}));
        const int width = dialog.graph()->client_rect().width();
        EXPECT_EQ(dialog.Item<ScrollBar>(kSegmentScroll)->maximum(), 4000 - width + 10);
        EXPECT_EQ(dialog.Item<ScrollBar>(kSegmentScroll)->pos(), 0);
      })
      .Click(kSegmentSing)
      .Do([&] { EXPECT_TRUE(dialog.Item(kSegmentOctave)->enabled()); })
      .Select(kSegmentOctave, 0)
      .Select(kSegmentFine, 0)
      .Do([&] {
        EXPECT_EQ(dialog.octave_shift(), 1);
        EXPECT_EQ(dialog.fine_shift(), 10);
      })
      .Click(kSegmentSpeak)
      .Do([&] {
        // Speak mode takes the octave back to "デフォルト" and locks it.
        EXPECT_EQ(dialog.Item<ComboBox>(kSegmentOctave)->cur_sel(), 1);
        EXPECT_FALSE(dialog.Item(kSegmentOctave)->enabled());
        EXPECT_EQ(dialog.octave_shift(), 0);
        EXPECT_EQ(dialog.fine_shift(), 10);
      })
      .Scroll(kSegmentVolume, ScrollCode::kThumbTrack, 90)
      .Do([&] { EXPECT_EQ(dialog.volume(), 90); })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(host_.volume, 77) << "only OK hands the volume back";
  EXPECT_EQ(Messages(), (std::vector<unsigned>{516}));
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, ZoomKeepsTheCentreAndStopsAtBothEnds) {
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(wave_, Items());
  double centre = 0;
  const auto centre_now = [&] {
    const int half = dialog.graph()->client_rect().width() / 2;
    return dialog.graph()->factor() * (half - 5 + dialog.Item<ScrollBar>(kSegmentScroll)->pos());
  };
  platform::ScriptedUser& user = session_.user();
  user.Scroll(kSegmentScroll, ScrollCode::kThumbTrack, 1000);
  for (int level : {2, 3}) {
    user.Do([&] { centre = centre_now(); }).Click(kSegmentZoomIn).Do([&, level] {
      EXPECT_EQ(dialog.graph()->zoom_level(), level);
      // The time under the middle stays where it was, up to the rounding to whole pixels.
      EXPECT_NEAR(centre_now(), centre, 1.5) << level;
      EXPECT_EQ(dialog.graph()->origin(), dialog.Item<ScrollBar>(kSegmentScroll)->pos());
    });
  }
  user.Do([&] {
    EXPECT_FALSE(dialog.Item(kSegmentZoomIn)->enabled());
    EXPECT_TRUE(dialog.Item(kSegmentZoomOut)->HasFocus());
  });
  for (int level : {2, 1, 0}) {
    user.Do([&] { centre = centre_now(); }).Click(kSegmentZoomOut).Do([&, level] {
      EXPECT_EQ(dialog.graph()->zoom_level(), level);
      EXPECT_NEAR(centre_now(), centre, 2.5) << level;
      const int width = dialog.graph()->client_rect().width();
      EXPECT_EQ(dialog.Item<ScrollBar>(kSegmentScroll)->maximum(),
                std::max(0, static_cast<int>(4000 / dialog.graph()->factor()) - width + 10));
    });
  }
  user.Do([&] {
        EXPECT_FALSE(dialog.Item(kSegmentZoomOut)->enabled());
        EXPECT_TRUE(dialog.Item(kSegmentZoomIn)->enabled());
        EXPECT_TRUE(dialog.Item(kSegmentZoomIn)->HasFocus());
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, ScrollBarAndWheelMoveTheView) {
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(wave_, Items());
  struct Step {
    ScrollCode code;
    int track;
    int expected;
  };
  // clang-format off
  const std::vector<Step> steps = {
      {ScrollCode::kThumbTrack, 500, 500}, {ScrollCode::kLineDown, 0, 520}, {ScrollCode::kLineUp, 0, 500},
      {ScrollCode::kPageDown, 0, 740},     {ScrollCode::kPageUp, 0, 500},   {ScrollCode::kPageUp, 0, 260},
      {ScrollCode::kPageUp, 0, 20},        {ScrollCode::kPageUp, 0, 0},     {ScrollCode::kEndScroll, 0, 0},
  };
  // clang-format on
  platform::ScriptedUser& user = session_.user();
  for (const Step& step : steps) {
    user.Scroll(kSegmentScroll, step.code, step.track).Do([&dialog, step] {
      EXPECT_EQ(dialog.Item<ScrollBar>(kSegmentScroll)->pos(), step.expected);
      EXPECT_EQ(dialog.graph()->origin(), step.expected);
    });
  }
  user.Wheel(kSegmentGraph, {50, 50}, -120)
      .Wheel(kSegmentGraph, {50, 50}, -120)
      .Do([&] { EXPECT_EQ(dialog.graph()->origin(), 60); })
      .Wheel(kSegmentScroll, {5, 5}, 120)
      .Do([&] { EXPECT_EQ(dialog.graph()->origin(), 30); })
      .Wheel(kIdOk, {5, 5}, -120)
      .Do([&] {
        EXPECT_EQ(dialog.graph()->origin(), 30) << "elsewhere the wheel does nothing here";
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, CtrlZAndCtrlYUndoAndRedoADrag) {
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(wave_, Items());
  session_.user()
      .MouseDown(kSegmentGraph, {305, 30})
      .MouseMove(kSegmentGraph, {392, 30})
      .MouseUp(kSegmentGraph, {392, 30})
      .Do([&] {
        EXPECT_EQ(GraphTimes(dialog), (std::vector<int>{100, 200, 380, 3880}));
      })
      .Key('Z', platform::kModCtrl)
      .Do([&] {
        EXPECT_EQ(GraphTimes(dialog), (std::vector<int>{100, 200, 300, 3800}));
      })
      .Key('Y', platform::kModCtrl)
      .Do([&] {
        EXPECT_EQ(GraphTimes(dialog), (std::vector<int>{100, 200, 380, 3880}));
      })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, PlaysTheWaveUntilStoppedOrEnded) {
  enum class End { kStopButton, kRunsOut };
  for (End end : {End::kStopButton, End::kRunsOut}) {
    SegmentConfirmDlg dialog(host_);
    dialog.SetInputs(wave_, Items());
    platform::ScriptedUser& user = session_.user();
    user.Click(kSegmentPlayWave).Do([&] {
      EXPECT_TRUE(WaveIO_IsPlaying());
      EXPECT_TRUE(dialog.Item(kSegmentStopWave)->enabled());
      for (int id : {kSegmentPlayWave, kSegmentPlay, kIdOk, kIdCancel, kSegmentLoop, kSegmentZoomIn,
                     kSegmentGraph, kSegmentSpeak}) {
        EXPECT_FALSE(dialog.Item(id)->enabled()) << id;
      }
      EXPECT_TRUE(dialog.Item(kSegmentStopWave)->HasFocus());
    });
    if (end == End::kStopButton) {
      user.Click(kSegmentStopWave);
    } else {
      // The device takes every block; the last one coming back ends the play.
      user.Do([&] { (void)sound_.Pump(4000 * 16 + 20000); }).WaitForPost();
      for (int i = 0; i < 12; ++i) user.Do([&] { (void)sound_.Pump(8000); });
    }
    user.Do([&] {
          EXPECT_FALSE(WaveIO_IsPlaying());
          EXPECT_FALSE(dialog.Item(kSegmentStopWave)->enabled());
          EXPECT_TRUE(dialog.Item(kSegmentPlayWave)->enabled());
          EXPECT_TRUE(dialog.Item(kIdOk)->enabled());
          EXPECT_FALSE(dialog.Item(kSegmentOctave)->enabled()) << "still speak mode";
        })
        .Click(kIdCancel)
        .Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, AMissingWaveCannotPlayAndCancelAsks) {
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(folder_ / "missing.wav", Items());
  session_.user()
      .Click(kSegmentPlayWave)
      .Answer(kIdOk)
      .Click(kIdCancel)
      .Answer(kIdNo)
      .Do([&] { EXPECT_TRUE(dialog.built()); })
      .Key(platform::kKeyEscape)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{510, 516, 516}));
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentConfirmDlgTest, WithoutTheAlignerPlayAndOkShow514) {
  SegmentConfirmDlg dialog(host_);
  dialog.SetInputs(wave_, Items());
  session_.user()
      .Click(kSegmentPlay)
      .Answer(kIdOk)
      .Click(kIdOk)
      .Answer(kIdOk)
      .Do([&] { EXPECT_TRUE(dialog.built()); })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(Messages(), (std::vector<unsigned>{514, 514, 516}));
  EXPECT_EQ(host_.scripts_set, 0);
  EXPECT_EQ(dialog.graph(), nullptr) << "gone with the controls";
  EXPECT_EQ(dialog.GenerateScript(0), 0);
  EXPECT_TRUE(session_.errors().empty());
}

}  // namespace
}  // namespace vtr::w2s
