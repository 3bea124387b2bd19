#include "wave2script/dialogs/intonation_edit_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/testing/test_text.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/testing/temp_folder.h"
#include "platform/window/headless.h"
#include "playback/command_poster.h"
#include "playback/testing/fake_sound_library.h"
#include "playback/window_ports.h"
#include "wave2script/dialogs/record/record_library.h"
#include "wave2script/dialogs/script_preparation.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using platform::kModCtrl;

const std::string kKa = "\x82\xA9";  // か
const std::string kA = "\x82\xA0";   // あ
const std::string kI = "\x82\xA2";   // い
const std::string kU = "\x82\xA4";   // う
const std::string kBody = kKa + kA + kI;
const std::string kGenerated = "KV#J" + kU + kA;

std::string Repeat(const std::string& piece, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += piece;
  return out;
}

// The dialog with the record road's two dialogs replaced by a scripted outcome: confirmed,
// the segment confirm dialog hands over kGenerated and volume 77, as the real one does.
class TestDialog : public IntonationEditDialog {
 public:
  explicit TestDialog(playback::SoundLibraryLoader& loader) : IntonationEditDialog(loader) {}

  struct RoadCall {
    std::string wave_path, script;
  };
  std::vector<RoadCall> road_calls;
  bool road_confirms = true;
  bool real_road = false;  // the real wave input and segment confirm dialogs

 protected:
  int RunRecordDialogs(const std::string& wave_path, const std::string& script) override {
    if (real_road) return IntonationEditDialog::RunRecordDialogs(wave_path, script);
    SetWaveRoadMarker();  // the wave input dialog showed
    road_calls.push_back({wave_path, script});
    if (!road_confirms) return kIdCancel;
    SetScriptText(kGenerated);
    SetHostVolume(77);
    return kIdOk;
  }
};

// One dialog run's surroundings: headless windows with a scripted user, a silent sound system
// with the fake chip library, the library's boxes shown as window boxes, a scratch folder.
struct Scene {
  Scene() : dialog(loader) {
    platform::InstallSoundSystem(&sound);
    InstallDialogMessages(&presenter, dialog.handle(), "Vtr_W2SDlg");
    playback::InstallCommandPoster(&poster);
    dialog.set_file_places({std::filesystem::path(VTR_FAKE_PLUGIN_DIR) / "Plugin"});
  }
  ~Scene() {
    playback::InstallCommandPoster(nullptr);
    InstallDialogMessages(nullptr, nullptr, "");
    platform::InstallSoundSystem(nullptr);
  }
  void Open(const std::string& script, int saved = 1, const std::string& wave = "",
            const std::string& path = "") {
    dialog.SetInputs(saved, wave, script, 0, 100, path, 5);
  }
  platform::ScriptedUser& user() { return session.user(); }
  // The ids of the boxes shown so far.
  std::vector<unsigned> Messages() const {
    std::vector<unsigned> ids;
    for (const auto& box : session.message_boxes()) {
      for (unsigned id = 501; id <= 520; ++id) {
        if (core::MessageText(core::MessageLanguage::kJapanese, id) == box.text) ids.push_back(id);
      }
    }
    return ids;
  }
  bool Enabled(int id) const { return dialog.Item(id) != nullptr && dialog.Item(id)->enabled(); }
  int Count() const { return dialog.graph() != nullptr ? dialog.graph()->GetCount() : -1; }
  // A small edit of the graph as a drag leaves it: one undo step, the first pitch marker up.
  void EditFirstPoint() {
    IntonationGraphModel& model = dialog.graph()->model();
    model.PushUndo(model.TakeSnapshot());
    IntonationPoint point = model.GetPoint(0);
    point.pitch_y -= 100;
    model.ReplacePoint(0, point);
    model.PointToValues(0);
    dialog.OnGraphChanged();
  }

  platform::HeadlessSession session;
  platform::FakeSoundSystem sound;
  playback::FakeSoundLibraryLoader loader;
  playback::WindowPresenter presenter;
  playback::WindowPoster poster;
  platform::testing::TempFolder folder;
  TestDialog dialog;
};

TEST(IntonationEditDialogTest, TaggedAndUntaggedScriptsShowTheSameGraph) {
  std::vector<std::vector<IntonationPoint>> graphs;
  std::vector<std::string> returned;
  for (const std::string& script : {kBody, "KV#J" + kBody}) {
    Scene scene;
    scene.Open(script);
    scene.user().Do([&] { graphs.push_back(scene.dialog.graph()->model().points()); }).Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    returned.push_back(scene.dialog.ScriptWithHeader());
    EXPECT_TRUE(scene.Messages().empty());
    EXPECT_TRUE(scene.session.errors().empty());
  }
  ASSERT_EQ(graphs.size(), 2u);
  EXPECT_EQ(graphs[0].size(), 3u);
  EXPECT_EQ(graphs[0], graphs[1]);
  EXPECT_EQ(returned[0], returned[1]);
  EXPECT_TRUE(returned[0].starts_with("KV#J")) << returned[0];
}

TEST(IntonationEditDialogTest, SetsUpItsControls) {
  Scene scene;
  scene.Open(Repeat(kKa, 20));
  scene.user()
      .Do([&] {
        const IntonationEditDialog& d = scene.dialog;
        EXPECT_EQ(d.rect().width(), kIntonationDialogWidth);
        EXPECT_EQ(d.rect().height(), kIntonationDialogHeight);
        EXPECT_EQ(d.text(), "Intonation Edit Dialog");
        EXPECT_EQ(d.Item<platform::Trackbar>(kIntonationVolume)->pos(), 100);
        EXPECT_EQ(d.Item<platform::Trackbar>(kIntonationVolume)->maximum(), 127);
        EXPECT_EQ(d.Item<platform::ComboBox>(kIntonationVoice)->cur_sel(), 0);
        EXPECT_EQ(d.Item<platform::ComboBox>(kIntonationSpeed)->cur_sel(), kStandardSpeedIndex);
        EXPECT_EQ(d.Item(kIntonationPlay)->tooltip(), "再生します！");
        EXPECT_FALSE(d.Item<platform::Button>(kIntonationPlay)->image().empty());
        const auto* vbar = d.Item<platform::ScrollBar>(kIntonationVScroll);
        const int vmax = kGraphHeight - d.graph()->client_rect().height();
        EXPECT_EQ(vbar->maximum(), vmax);
        EXPECT_EQ(vbar->pos(), vmax / 2);
        EXPECT_EQ(d.graph()->model().vpos(), vmax / 2);
        const auto* hbar = d.Item<platform::ScrollBar>(kIntonationHScroll);
        EXPECT_EQ(hbar->maximum(), d.graph()->GetScrollMax());
        EXPECT_GT(hbar->maximum(), 0);
        EXPECT_TRUE(scene.Enabled(kIntonationPlay));
        EXPECT_FALSE(scene.Enabled(kIntonationStop));
        EXPECT_TRUE(d.accepts_files());
      })
      .Click(kIdOk);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, AScriptItCannotShowEndsTheDialogUnchanged) {
  struct Case {
    const char* what;
    std::string script;
    unsigned message;
  };
  const std::vector<Case> cases = {
      {"over 32000 bytes with its tag", Repeat(kKa, 16000), 511},
      {"no syllable", "S60V3'2[" + Repeat(kKa, 30) + "]", 502},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Scene scene;
    scene.Open(c.script);
    scene.user().Answer(kIdOk).Answer(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdCancel);
    EXPECT_EQ(scene.Messages(), (std::vector<unsigned>{c.message, 501}));
    EXPECT_EQ(scene.dialog.script_text(), c.script);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

// A script file with nothing to show as a graph is refused; what the dialog showed stays, with
// its Play and Save.
TEST(IntonationEditDialogTest, AScriptFileWithoutASyllableIsRefused) {
  const std::vector<std::string> files = {"KV#JS60", "KV#JK3S60V3'2<",
                                          "KV#J[" + Repeat(kKa + kA, 40) + "]"};
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Scene scene;
    scene.folder.Write("settings.kvx", file);
    scene.Open(kBody, 1, "", "/scripts/old.kvx");
    scene.user()
        .Click(kIntonationOpen)
        .ChooseFile(scene.folder.File("settings.kvx"))
        .Answer(kIdOk)
        .Do([&] {
          EXPECT_EQ(scene.Count(), 3);
          EXPECT_TRUE(scene.Enabled(kIntonationPlay));
          EXPECT_TRUE(scene.Enabled(kIntonationSave));
        })
        .Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_EQ(scene.Messages(), std::vector<unsigned>{502});
    EXPECT_EQ(scene.dialog.script_path(), "/scripts/old.kvx");
    EXPECT_EQ(scene.dialog.ScriptWithHeader(), "KV#JK0" + kBody);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

struct CloseCase {
  const char* name;
  bool change_voice;
  std::vector<int> steps;  // buttons pressed (kIdOk, kIdCancel) and answers (negated)
  int result;
  std::vector<unsigned> messages;
};

TEST(IntonationEditDialogTest, OkAndCancelAskOnlyAboutUnsavedContent) {
  // clang-format off
  const std::vector<CloseCase> cases = {
      {"OK unchanged", false, {kIdOk}, kIdOk, {}},
      {"Cancel unchanged", false, {kIdCancel}, kIdCancel, {}},
      {"OK taken over", true, {kIdOk, -kIdYes}, kIdOk, {518}},
      {"OK not taken over", true, {kIdOk, -kIdNo}, kIdCancel, {518}},
      {"OK question cancelled", true, {kIdOk, -kIdCancel, kIdCancel, -kIdYes}, kIdCancel,
       {518, 516}},
      {"Cancel discards", true, {kIdCancel, -kIdYes}, kIdCancel, {516}},
      {"Cancel kept open", true, {kIdCancel, -kIdNo, kIdOk, -kIdYes}, kIdOk, {516, 518}},
  };
  // clang-format on
  for (const CloseCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.Open(kBody);
    if (c.change_voice) scene.user().Select(kIntonationVoice, 3);
    for (int step : c.steps) {
      if (step > 0) {
        scene.user().Click(step);
      } else {
        scene.user().Answer(-step);
      }
    }
    EXPECT_EQ(scene.dialog.DoModal(), c.result);
    EXPECT_EQ(scene.Messages(), c.messages);
    EXPECT_TRUE(scene.session.errors().empty());
    EXPECT_FALSE(scene.dialog.HostPlayer().opened() &&
                 scene.dialog.HostPlayer().controller().has_device())
        << "the player is closed on every way out";
    if (c.result == kIdOk && c.change_voice) {
      EXPECT_TRUE(scene.dialog.ScriptWithHeader().starts_with("KV#JK3"))
          << scene.dialog.ScriptWithHeader();
      EXPECT_EQ(scene.dialog.voice(), 3);
      EXPECT_EQ(scene.dialog.saved_flag(), 0);
    }
  }
}

TEST(IntonationEditDialogTest, PlayingLeavesOnlyStopAndEndsWithThePostedEnd) {
  Scene scene;
  scene.Open(kBody);
  scene.user()
      .Click(kIntonationPlay)
      .Do([&] {
        EXPECT_TRUE(scene.dialog.playing());
        EXPECT_TRUE(scene.Enabled(kIntonationStop));
        for (int id : {kIntonationPlay, kIntonationOpen, kIntonationSave, kIdOk, kIdCancel,
                       kIntonationGraphId, kIntonationVoice}) {
          EXPECT_FALSE(scene.Enabled(id)) << id;
        }
        (void)scene.sound.Pump(32000);  // the phrase ends; its end is posted as command 134
      })
      .Advance(32)
      .Do([&] {
        EXPECT_FALSE(scene.dialog.playing());
        EXPECT_TRUE(scene.Enabled(kIntonationPlay));
        EXPECT_FALSE(scene.Enabled(kIntonationStop));
      })
      .Click(kIntonationPlay)
      .Click(kIntonationStop)
      .Do([&] { EXPECT_FALSE(scene.dialog.playing()); })
      .Click(kIdOk);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_TRUE(scene.Messages().empty());
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, TheFollowTimerMovesTheViewWithThePlayedSound) {
  Scene scene;
  scene.Open(Repeat(kA, 60));  // far wider than the view
  std::vector<int> views;      // the graph's origin after each tick of the timer
  auto view = [&] { views.push_back(scene.dialog.graph()->model().hpos()); };
  scene.user().Click(kIntonationPlay).Advance(kPlayFollowTimerMs).Do(view);
  for (int step = 0; step < 3; ++step) {
    scene.user()
        .Do([&] { (void)scene.sound.Pump(800); })  // the chip plays 25 ms more
        .Advance(kPlayFollowTimerMs)
        .Do(view);
  }
  scene.user().Click(kIntonationStop).Click(kIdOk);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  // Nothing played: the view stays; then the first marker's x (5) plus the played time.
  EXPECT_EQ(views, (std::vector<int>{0, 30, 55, 80}));
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, PlayWithAnEmptyGraphShows510) {
  Scene scene;
  scene.Open("");
  scene.user()
      .Do([&] {
        EXPECT_FALSE(scene.Enabled(kIntonationPlay));
        platform::PostCommand(scene.dialog.handle(), kIntonationPlay);
      })
      .Answer(kIdOk)
      .Click(kIdOk);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_EQ(scene.Messages(), std::vector<unsigned>{510});
  EXPECT_FALSE(scene.dialog.playing());
  EXPECT_EQ(scene.dialog.ScriptWithHeader(), "KV#J");
}

TEST(IntonationEditDialogTest, PlayStartsAtTheSelectedPoint) {
  struct Case {
    int selected;  // -1 none
    bool has_first;
  };
  for (const Case& c : std::vector<Case>{{-1, true}, {0, true}, {1, false}}) {
    SCOPED_TRACE(c.selected);
    Scene scene;
    scene.Open(kBody);
    std::string played;
    if (c.selected >= 0) {
      scene.user().Do([&] {
        const platform::Rect box = scene.dialog.graph()->model().LabelBox(c.selected);
        const platform::Point at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
        platform::MouseEvent down = platform::MouseEvent::At(
            platform::MouseEvent::Kind::kDown, platform::MouseButton::kLeft, at, kModCtrl);
        (void)scene.dialog.graph()->OnMouse(down);
      });
    }
    scene.user()
        .Click(kIntonationPlay)
        .Do([&] { played = scene.dialog.script_text(); })
        .Click(kIntonationStop)
        .Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_NE(played.find(kA + kI), std::string::npos) << played;
    EXPECT_EQ(played.find(kKa) != std::string::npos, c.has_first) << played;
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, UndoWaitsForTheEndOfPlay) {
  Scene scene;
  scene.Open(kBody);
  int edited = 0;
  int loaded = 0;
  scene.user()
      .Do([&] {
        loaded = scene.dialog.graph()->model().GetPoint(0).pitch_y;
        scene.EditFirstPoint();
        edited = scene.dialog.graph()->model().GetPoint(0).pitch_y;
      })
      .Click(kIntonationPlay)
      .Key('Z', kModCtrl)
      .Do([&] { EXPECT_EQ(scene.dialog.graph()->model().GetPoint(0).pitch_y, edited); })
      .Click(kIntonationStop)
      .Key('Z', kModCtrl)
      .Do([&] { EXPECT_EQ(scene.dialog.graph()->model().GetPoint(0).pitch_y, loaded); })
      .Key('Y', kModCtrl)
      .Do([&] { EXPECT_EQ(scene.dialog.graph()->model().GetPoint(0).pitch_y, edited); })
      .Click(kIdOk)
      .Answer(kIdNo);
  EXPECT_EQ(scene.dialog.DoModal(), kIdCancel);
  EXPECT_NE(edited, loaded);
  EXPECT_EQ(scene.Messages(), std::vector<unsigned>{518});
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, WheelMovesTheViewUnderTheCursorBy30) {
  struct Case {
    int target;
    int delta;
    int dv, dh;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {kIntonationGraphId, -120, 30, 0},  // towards the user: down
      {kIntonationGraphId, 120, -30, 0},
      {kIntonationVScroll, -120, 30, 0},
      {kIntonationHScroll, -120, 0, 30},
      {kIdOk, -120, 0, 0},  // elsewhere nothing
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    Scene scene;
    scene.Open(Repeat(kKa, 20));
    int vpos = 0, hpos = 0;
    scene.user()
        .Do([&] {
          scene.dialog.Item<platform::ScrollBar>(kIntonationHScroll)->SetPos(60);
          scene.dialog.graph()->model().set_hpos(60);
          vpos = scene.dialog.graph()->model().vpos();
          hpos = scene.dialog.graph()->model().hpos();
        })
        .Wheel(c.target, {3, 3}, c.delta)
        .Do([&] {
          EXPECT_EQ(scene.dialog.graph()->model().vpos(), vpos + c.dv);
          EXPECT_EQ(scene.dialog.graph()->model().hpos(), hpos + c.dh);
          EXPECT_EQ(scene.dialog.Item<platform::ScrollBar>(kIntonationVScroll)->pos(), vpos + c.dv);
          EXPECT_EQ(scene.dialog.Item<platform::ScrollBar>(kIntonationHScroll)->pos(), hpos + c.dh);
        })
        .Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, BarsAndSliderMoveTheViewAndTheVolume) {
  struct Case {
    int bar;
    platform::ScrollCode code;
    int track;  // thumb position for kThumbTrack
    int dv, dh;
  };
  using platform::ScrollCode;
  const std::vector<Case> cases = {
      {kIntonationHScroll, ScrollCode::kLineDown, 0, 0, 20},
      {kIntonationHScroll, ScrollCode::kLineUp, 0, 0, -20},
      {kIntonationHScroll, ScrollCode::kPageDown, 0, 0, 240},
      {kIntonationHScroll, ScrollCode::kPageUp, 0, 0, -240},
      {kIntonationHScroll, ScrollCode::kThumbTrack, 700, 0, 700 - 300},
      {kIntonationVScroll, ScrollCode::kLineDown, 0, 5, 0},
      {kIntonationVScroll, ScrollCode::kLineUp, 0, -5, 0},
      {kIntonationVScroll, ScrollCode::kPageDown, 0, 50, 0},
      {kIntonationVScroll, ScrollCode::kPageUp, 0, -50, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.bar << " code " << static_cast<int>(c.code));
    Scene scene;
    scene.Open(Repeat(kKa, 40));
    int vpos = 0;
    scene.user()
        .Do([&] {
          scene.dialog.Item<platform::ScrollBar>(kIntonationHScroll)->SetPos(300);
          scene.dialog.graph()->model().set_hpos(300);
          vpos = scene.dialog.graph()->model().vpos();
        })
        .Scroll(c.bar, c.code, c.track)
        .Do([&] {
          EXPECT_EQ(scene.dialog.graph()->model().vpos(), vpos + c.dv);
          EXPECT_EQ(scene.dialog.graph()->model().hpos(), 300 + c.dh);
        })
        .Scroll(kIntonationVolume, ScrollCode::kThumbTrack, 64)
        .Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_EQ(scene.dialog.volume(), 64);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, CtrlKeysReachTheGraph) {
  Scene scene;
  scene.Open(kBody);
  int before = 0;
  scene.user()
      .Do([&] {
        // Ctrl+click on the second pitch marker: pitch editing with that point selected.
        IntonationGraphModel& model = scene.dialog.graph()->model();
        const IntonationPoint p = model.GetPoint(1);
        before = p.pitch_y;
        const platform::MouseEvent down = platform::MouseEvent::At(
            platform::MouseEvent::Kind::kDown, platform::MouseButton::kLeft,
            {p.pitch_x - model.hpos(), p.pitch_y - model.vpos()}, kModCtrl);
        (void)scene.dialog.graph()->OnMouse(down);
        EXPECT_EQ(model.edit_mode(), Selection::kPitch);
      })
      .Key(platform::kKeyUp, kModCtrl)
      .Key(platform::kKeyUp, kModCtrl)
      .Key(platform::kKeyDown, kModCtrl)
      .Do([&] { EXPECT_EQ(scene.dialog.graph()->model().GetPoint(1).pitch_y, before - 1); })
      .Key(platform::kKeyUp)  // without Ctrl the graph is left alone
      .Do([&] { EXPECT_EQ(scene.dialog.graph()->model().GetPoint(1).pitch_y, before - 1); })
      .Click(kIdOk)
      .Answer(kIdNo);
  EXPECT_EQ(scene.dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, ADroppedScriptFileOpens) {
  Scene scene;
  scene.folder.Write("dropped.kvx", "KV#J" + kU + kKa + kA + kI);
  scene.Open(kBody);
  scene.user()
      .DropFiles({scene.folder.File("dropped.kvx")})
      .Do([&] { EXPECT_EQ(scene.Count(), 4); })
      .Click(kIdOk)
      .Answer(kIdYes);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_EQ(scene.dialog.script_path(), scene.folder.File("dropped.kvx"));
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, AWavePathGivenAtOpenOpensOnceTheDialogShows) {
  Scene scene;
  scene.Open(kBody, 1, "/speech/take.wav");
  scene.user()
      .Do([&] {
        EXPECT_FALSE(scene.dialog.enabled());
        EXPECT_TRUE(scene.dialog.road_calls.empty());
      })
      .Advance(kOpenWaveTimerMs)
      .Do([&] {
        EXPECT_TRUE(scene.dialog.enabled());
        ASSERT_EQ(scene.dialog.road_calls.size(), 1u);
        EXPECT_EQ(scene.dialog.road_calls[0].wave_path, "/speech/take.wav");
        EXPECT_EQ(scene.dialog.road_calls[0].script, "KV#J" + kBody);
        EXPECT_EQ(scene.Count(), 2);
        EXPECT_EQ(scene.dialog.Item<platform::Trackbar>(kIntonationVolume)->pos(), 77);
      })
      .Click(kIdOk)
      .Answer(kIdYes);
  // The current script was unsaved-clean: no save question before the open.
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_EQ(scene.Messages(), std::vector<unsigned>{518});
  EXPECT_EQ(scene.dialog.saved_flag(), 0);
  EXPECT_EQ(scene.dialog.script_path(), "");
  EXPECT_NE(scene.dialog.ScriptWithHeader().find(kU + kA), std::string::npos);
  EXPECT_EQ(scene.dialog.volume(), 77);
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, OpenedFilesSetTheFlags) {
  struct Case {
    const char* name;
    const char* file;
    int saved, clean;
    bool path_kept;
  };
  const std::vector<Case> cases = {
      {"script file", "song.kvx", 1, 0, true},
      {"wave file", "take.wav", 0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.folder.Write("song.kvx", "KV#JK4" + kU + kKa);
    scene.Open(kBody);
    scene.user()
        .Click(kIntonationOpen)
        .ChooseFile(scene.folder.File(c.file), c.path_kept ? 1 : kOpenWaveFilter)
        .Do([&] {
          EXPECT_EQ(scene.dialog.saved_flag(), c.saved);
          EXPECT_EQ(scene.dialog.is_clean(), c.clean);
          EXPECT_EQ(scene.dialog.speed_index(), kStandardSpeedIndex);
          EXPECT_FALSE(scene.dialog.graph()->model().CanUndo());
        })
        .Click(kIdOk)
        .Answer(kIdYes);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_EQ(scene.Messages(), std::vector<unsigned>{518});
    EXPECT_EQ(scene.dialog.script_path(), c.path_kept ? scene.folder.File(c.file) : "");
    if (c.path_kept) {
      EXPECT_EQ(scene.dialog.voice(), 4);  // the file's voice token
    }
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, ClearAsksAboutUnsavedEditsFirst) {
  Scene scene;
  scene.Open(kBody);
  scene.user()
      .Select(kIntonationVoice, 2)
      .Click(kIntonationClear)
      .Answer(kIdCancel)
      .Do([&] { EXPECT_EQ(scene.Count(), 3); })
      .Click(kIntonationClear)
      .Answer(kIdNo)
      .Do([&] {
        EXPECT_EQ(scene.Count(), 0);
        EXPECT_FALSE(scene.Enabled(kIntonationPlay));
        EXPECT_FALSE(scene.Enabled(kIntonationSave));
      })
      .Click(kIdOk);
  EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
  EXPECT_EQ(scene.Messages(), (std::vector<unsigned>{517, 517}));
  EXPECT_EQ(scene.dialog.saved_flag(), 1);
  EXPECT_EQ(scene.dialog.ScriptWithHeader(), "KV#J");
  EXPECT_TRUE(scene.session.errors().empty());
}

TEST(IntonationEditDialogTest, AFinishedRecordRoadLeavesAnUnsavedScript) {
  struct Case {
    bool confirms;
    int count;
  };
  for (const Case& c : std::vector<Case>{{true, 2}, {false, 3}}) {
    SCOPED_TRACE(c.confirms);
    Scene scene;
    scene.dialog.road_confirms = c.confirms;
    scene.Open(kBody, 1, "", "/scripts/old.kvx");
    scene.user().Click(kIntonationRecord).Do([&] { EXPECT_EQ(scene.Count(), c.count); });
    if (c.confirms) {
      scene.user().Click(kIdOk).Answer(kIdYes);
    } else {
      scene.user().Click(kIdOk);
    }
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    ASSERT_EQ(scene.dialog.road_calls.size(), 1u);
    EXPECT_EQ(scene.dialog.road_calls[0].wave_path, "");
    EXPECT_TRUE(scene.dialog.road_calls[0].script.starts_with("KV#JK0")) << "voice applied";
    EXPECT_EQ(scene.dialog.saved_flag(), c.confirms ? 0 : 1);
    EXPECT_EQ(scene.dialog.script_path(), c.confirms ? "" : "/scripts/old.kvx");
    EXPECT_EQ(scene.dialog.volume(), c.confirms ? 77 : 100);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, CancellingTheWaveInputDialogChangesNothing) {
  struct Case {
    const char* name;
    int button;
    const char* file;  // chosen in the Open dialog, "" for the record button
  };
  const std::vector<Case> cases = {{"record", kIntonationRecord, ""},
                                   {"open a wave", kIntonationOpen, "take.wav"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.dialog.real_road = true;
    scene.Open(kBody, 1, "", "/scripts/old.kvx");
    scene.user().Click(c.button);
    if (*c.file != 0) scene.user().ChooseFile(scene.folder.File(c.file), kOpenWaveFilter);
    scene.user()
        .Do([&] { EXPECT_EQ(scene.session.file_dialogs().size(), *c.file != 0 ? 1u : 0u); })
        .Click(kIdCancel)  // dialog 146, nothing changed there: it closes at once
        .Do([&] { EXPECT_EQ(scene.Count(), 3); })
        .Click(kIdOk);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_TRUE(scene.Messages().empty());
    EXPECT_EQ(scene.dialog.saved_flag(), 1);
    EXPECT_EQ(scene.dialog.script_path(), "/scripts/old.kvx");
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(IntonationEditDialogTest, SpeedChangesShiftEverySpeedToken) {
  struct Case {
    const char* name;
    std::string script;
    int index;
    std::string expect;  // found in the result
    int combo;
    std::vector<unsigned> messages;
  };
  const std::vector<Case> cases = {
      {"one faster", kBody, 9, "S51", 9, {518}},
      {"two slower", "S60" + kBody, 12, "S58", 12, {518}},
      {"beyond 99 refused", "S99" + kBody, 9, "S99", kStandardSpeedIndex, {520}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.Open(c.script);
    scene.user().Select(kIntonationSpeed, c.index).Do([&] {
      EXPECT_EQ(scene.dialog.Item<platform::ComboBox>(kIntonationSpeed)->cur_sel(), c.combo);
      EXPECT_EQ(scene.dialog.speed_index(), c.combo);
    });
    if (c.messages.size() == 1 && c.messages[0] == 520) {
      scene.user().Answer(kIdOk).Click(kIdOk);
    } else {
      scene.user().Click(kIdOk).Answer(kIdYes);
    }
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    EXPECT_EQ(scene.Messages(), c.messages);
    EXPECT_NE(scene.dialog.ScriptWithHeader().find(c.expect), std::string::npos)
        << scene.dialog.ScriptWithHeader();
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

// What follows the last syllable of a script (comments, settings, a last step) belongs to the
// user: every road that rebuilds the script from the graph keeps it.
TEST(IntonationEditDialogTest, RebuildsKeepWhatFollowsTheLastSyllable) {
  // Three phrases as typed, 170 bytes before the part after the last syllable.
  const std::string speech =
      Sj("S55きょうはいいてんきですね、'あしたもはれるでしょうか。"
         "<さんぽにいきましょう、_こうえんまで。"
         "それから'2おひるをたべて、かえりましょう");
  struct Case {
    const char* name;
    std::string tail;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a comment", "[memo]"},
      {"a comment in kana", Sj("[あとでおそくする]")},
      {"a last pitch step", "'"},
      {"a step and a comment", "'2[take 3, mic 2]"},
      {"settings", "S60V3"},
  };
  // clang-format on
  enum class Road { kOk, kSave, kPlay, kSpeed };
  const std::vector<std::pair<Road, const char*>> roads = {
      {Road::kOk, "OK"}, {Road::kSave, "Save"}, {Road::kPlay, "Play"}, {Road::kSpeed, "speed"}};
  for (const Case& c : cases) {
    for (const auto& [road, road_name] : roads) {
      SCOPED_TRACE(std::string(c.name) + ", " + road_name);
      Scene scene;
      scene.Open("KV#J" + speech + c.tail);
      switch (road) {
        case Road::kOk:
          break;
        case Road::kSave:
          scene.user().Key('S', kModCtrl).ChooseFile(scene.folder.File("song.kvx"));
          break;
        case Road::kPlay:
          scene.user().Click(kIntonationPlay).Click(kIntonationStop);
          break;
        case Road::kSpeed:
          scene.user().Select(kIntonationSpeed, 9).Select(kIntonationSpeed, kStandardSpeedIndex);
          break;
      }
      scene.user().Click(kIdOk);
      if (road == Road::kSpeed) scene.user().Answer(kIdYes);
      EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
      const std::string& result = scene.dialog.ScriptWithHeader();
      EXPECT_TRUE(result.ends_with(c.tail)) << Utf(result);
      EXPECT_NE(result.find(Sj("かえりましょう")), std::string::npos) << Utf(result);
      if (road == Road::kSave) {
        EXPECT_TRUE(scene.folder.Read("song.kvx").ends_with(c.tail))
            << Utf(scene.folder.Read("song.kvx"));
      }
      // Only the speed change leaves something unsaved to confirm.
      EXPECT_EQ(scene.Messages(),
                road == Road::kSpeed ? std::vector<unsigned>{518} : std::vector<unsigned>{});
      EXPECT_TRUE(scene.session.errors().empty());
    }
  }
}

TEST(IntonationEditDialogTest, SaveMarksTheScriptSavedOnlyWhenWritten) {
  struct Case {
    const char* name;
    bool existing;
    int overwrite;  // answer to 508
    bool saved;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"new file", false, 0, true},
      {"replaced", true, kIdYes, true},
      {"replacement declined", true, kIdNo, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    if (c.existing) scene.folder.Write("song.kvx", "old");
    scene.Open(kBody);
    scene.user()
        .Select(kIntonationVoice, 1)
        .Key('S', kModCtrl)
        .ChooseFile(scene.folder.File("song.kvx"));
    if (c.existing) scene.user().Answer(c.overwrite);
    scene.user()
        .Do([&] {
          EXPECT_EQ(scene.dialog.saved_flag(), c.saved ? 1 : 0);
          EXPECT_EQ(scene.dialog.is_clean(), c.saved ? 1 : 0);
        })
        .Click(kIdOk);
    if (!c.saved) scene.user().Answer(kIdYes);
    EXPECT_EQ(scene.dialog.DoModal(), kIdOk);
    const std::string file = scene.folder.Read("song.kvx");
    if (c.saved) {
      EXPECT_TRUE(file.starts_with("KV#JK1")) << file;
      EXPECT_EQ(scene.dialog.script_path(), scene.folder.File("song.kvx"));
    } else {
      EXPECT_EQ(file, "old");
      EXPECT_EQ(scene.dialog.script_path(), "");
    }
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

}  // namespace
}  // namespace vtr::w2s
