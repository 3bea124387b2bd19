#include "wave2script/dialogs/intonation/intonation_graph_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "platform/window/window_system.h"
#include "wave2script/core/show_message.h"
#include "wave2script/dialogs/intonation/change_hiragana_dialog.h"
#include "wave2script/dialogs/intonation/testing/intonation_testing.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;
using platform::kIdCancel;
using platform::kIdOk;
using platform::MouseButton;
using platform::Point;
using testing::CountingPresenter;
using testing::EndTimes;
using testing::Xs;

// The graph at 400 x 250 pixels with the dialog's two bars beside it.
// clang-format off
const platform::DialogTemplate kHostTemplate{
    .id = 141,
    .caption = "graph",
    .size = {440, 300},
    .units = platform::DialogUnits::kPixels,
    .controls = {
        {kIntonationGraphId, platform::ControlKind::kCustom, "", {10, 10, 400, 250}, platform::kStyleBorder},
        {kGraphVScrollId, platform::ControlKind::kVScrollBar, "", {410, 10, 16, 250}},
        {kGraphHScrollId, platform::ControlKind::kHScrollBar, "", {10, 260, 400, 16}},
        {kIdOk, platform::ControlKind::kButton, "OK", {10, 280, 50, 16}},
        {kIdCancel, platform::ControlKind::kButton, "Cancel", {70, 280, 50, 16}},
    }};
// clang-format on

// The zero line shows at window y 125.
constexpr int kVpos = kZeroLineY - 125;
constexpr int kZeroY = 125;

// Syllables か, き, く ending at 160, 320, 480 (boundaries at 165, 325, 485), on the zero
// lines unless a pitch value is given.
SyllableArray Records(const std::vector<int>& pitch_values = {0, 0, 0}) {
  const char* kana[] = {"か", "き", "く", "け", "こ"};
  SyllableArray records;
  for (size_t i = 0; i < pitch_values.size(); ++i) {
    SyllableRecord r;
    r.text = Sj(kana[i % 5]);
    r.end_time = 160 * static_cast<int>(i + 1);
    r.pitch_value = pitch_values[i];
    records.Add(r);
  }
  return records;
}

// The dialog around the graph, set up as the intonation edit dialog does it.
class GraphHost : public platform::Dialog {
 public:
  explicit GraphHost(SyllableArray records) : Dialog(kHostTemplate), records_(std::move(records)) {}

  CIntonationGraphWnd* graph = nullptr;
  int changes = 0;
  std::optional<IntonationGraphModel> final_model;  // the model as the dialog closed

  platform::ScrollBar* bar(int id) const { return Item<platform::ScrollBar>(id); }

 protected:
  bool OnInitDialog() override {
    graph = CIntonationGraphWnd::Create(*this, kIntonationGraphId, [this] { ++changes; });
    if (graph == nullptr) return true;
    (void)graph->SetSyllables(records_);
    const int vmax = kGraphHeight - graph->client_rect().height();
    graph->model().SetVerticalRange(0, vmax);
    graph->model().set_vpos(kVpos);
    bar(kGraphVScrollId)->SetRange(0, vmax);
    bar(kGraphVScrollId)->SetPos(kVpos);
    graph->model().SetHorizontalRange(0, graph->GetScrollMax());
    bar(kGraphHScrollId)->SetRange(0, graph->GetScrollMax());
    return true;
  }
  void OnDestroy() override {
    if (graph != nullptr) final_model = graph->model();
  }

 private:
  SyllableArray records_;
};

class GraphWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallLibraryMessages(&presenter_, nullptr, ""); }
  void TearDown() override { InstallLibraryMessages(nullptr, nullptr, ""); }

  // Runs the host with the steps `script` adds, then closes it; returns the host.
  std::unique_ptr<GraphHost> Run(
      SyllableArray records,
      const std::function<void(platform::ScriptedUser&, GraphHost&)>& script) {
    auto host = std::make_unique<GraphHost>(std::move(records));
    script(session_.user(), *host);
    session_.user().Click(kIdCancel);
    EXPECT_EQ(host->DoModal(), kIdCancel);
    EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
    EXPECT_TRUE(host->final_model.has_value());
    return host;
  }

  platform::HeadlessSession session_;
  CountingPresenter presenter_;
};

TEST_F(GraphWindowTest, BoundaryDragSnapsToTheGridAndMovesTheLaterBoundaries) {
  struct Case {
    const char* why;
    int point;  // whose boundary is dragged
    int to_x;   // released here (window x; hpos 0)
    std::vector<int> xs;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"37 snaps up to 45", 0, 37, {45, 205, 365}},
      {"34 snaps down to 25", 0, 34, {25, 185, 345}},
      {"the first boundary stays at 25 or more", 0, 10, {25, 185, 345}},
      {"20 units after the boundary before at least", 1, 100, {165, 185, 345}},
      {"to the right the rest follows", 1, 371, {165, 365, 525}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const int from_x = 165 + 160 * c.point;
    auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost&) {
      user.MouseDown(kIntonationGraphId, {from_x, 40})
          .MouseMove(kIntonationGraphId, {(from_x + c.to_x) / 2, 40})
          .MouseUp(kIntonationGraphId, {c.to_x, 40});
    });
    const IntonationGraphModel& model = *host->final_model;
    EXPECT_EQ(Xs(model), c.xs) << c.why;
    // The values of every moved syllable follow, so that a script written now keeps them.
    std::vector<int> ends;
    for (int x : c.xs) ends.push_back(x - 5);
    EXPECT_EQ(EndTimes(model), ends) << c.why;
    EXPECT_EQ(model.GetPoint(c.point + 1).pitch_x, c.xs[static_cast<size_t>(c.point)]) << c.why;
    EXPECT_EQ(host->changes, 1) << c.why;
    EXPECT_TRUE(model.CanUndo()) << c.why;
    EXPECT_EQ(model.horizontal_max(), model.GetScrollMax()) << c.why;
  }
}

TEST_F(GraphWindowTest, BoundaryDragKeepsTheLastBoundaryWithinTheLargestX) {
  SyllableArray records = Records({0, 0});
  records[1].end_time =
      kMaxBoundaryX - kFirstBoundaryX - 10;  // the last boundary 10 below the limit
  auto host = Run(std::move(records), [&](platform::ScriptedUser& user, GraphHost&) {
    // The move is cut to 10 (the room of the last boundary); 175 would round up to 185 and
    // push the last boundary past the limit, so it rounds down.
    user.MouseDown(kIntonationGraphId, {165, 40}).MouseUp(kIntonationGraphId, {177, 40});
  });
  EXPECT_EQ(Xs(*host->final_model), (std::vector<int>{165, kMaxBoundaryX - 10}));
}

TEST_F(GraphWindowTest, MarkerDragsChangePitchAndVolume) {
  struct Case {
    const char* why;
    Point from, to;
    int pitch_value_1, level_1;
  };
  // Point 1's pitch marker is 100 units above the zero line, its strength marker on it.
  const std::vector<Case> cases = {
      {"pitch up 10 units", {165, kZeroY - 100}, {165, kZeroY - 110}, 1100, -6},
      {"pitch down onto the zero line", {165, kZeroY - 100}, {166, kZeroY}, 0, -6},
      {"strength up 60 units is volume 0", {165, kZeroY}, {165, kZeroY - 60}, 1000, 0},
      {"3 units down still truncates to -6", {165, kZeroY}, {165, kZeroY + 3}, 1000, -6},
      {"10 units down is one step less", {165, kZeroY}, {165, kZeroY + 10}, 1000, -7},
  };
  for (const Case& c : cases) {
    auto host = Run(Records({0, 1000, 0}), [&](platform::ScriptedUser& user, GraphHost&) {
      user.MouseDown(kIntonationGraphId, c.from)
          .MouseMove(kIntonationGraphId, c.to)
          .MouseUp(kIntonationGraphId, c.to);
    });
    const SyllableRecord& r = host->final_model->GetPoint(1).record;
    EXPECT_EQ(r.pitch_value, c.pitch_value_1) << c.why;
    EXPECT_EQ(r.level, c.level_1) << c.why;
    EXPECT_EQ(Xs(*host->final_model), (std::vector<int>{165, 325, 485})) << c.why;
    EXPECT_EQ(host->changes, 1) << c.why;
  }
}

TEST_F(GraphWindowTest, CancelledDragRestoresTheGraphExactly) {
  struct Case {
    const char* why;
    std::function<void(platform::ScriptedUser&)> cancel;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"Escape", [](platform::ScriptedUser& u) { u.Key(platform::kKeyEscape); }},
      {"a right click", [](platform::ScriptedUser& u) { u.MouseDown(kIntonationGraphId, {300, 40}, MouseButton::kRight); }},
      {"losing the capture", [](platform::ScriptedUser& u) { u.LoseCapture(); }},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::optional<GraphSnapshot> before;
    std::optional<GraphSnapshot> after;
    auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
      user.Do([&] { before = h.graph->model().TakeSnapshot(); })
          .MouseDown(kIntonationGraphId, {325, 40})
          .MouseMove(kIntonationGraphId, {394, 40})  // at the right edge: the view scrolls
          .MouseMove(kIntonationGraphId, {395, 40})
          .Do([&] { EXPECT_GT(h.graph->model().hpos(), 0) << c.why; });
      c.cancel(user);
      user.Do([&] {
        after = h.graph->model().TakeSnapshot();
        EXPECT_FALSE(h.graph->dragging()) << c.why;
        EXPECT_EQ(h.bar(kGraphHScrollId)->pos(), 0) << c.why;
        EXPECT_EQ(platform::GetCapture(), nullptr) << c.why;
      });
    });
    ASSERT_TRUE(before && after) << c.why;
    EXPECT_EQ(*after, *before) << c.why;
    // The click itself was an undo step (it cleared the selection); the drag added none.
    IntonationGraphModel model = *host->final_model;
    EXPECT_FALSE(model.CanRedo()) << c.why;
    EXPECT_TRUE(model.Undo()) << c.why;
    EXPECT_EQ(model.TakeSnapshot(), *before) << c.why;
    EXPECT_EQ(host->changes, 1) << c.why;  // a boundary drag reports a change even when cancelled
  }
}

TEST_F(GraphWindowTest, OtherKeysAreDroppedDuringADrag) {
  auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.MouseDown(kIntonationGraphId, {165, kZeroY})
        .Key(platform::kKeyReturn)  // would press OK
        .Key('Z', platform::kModCtrl)
        .MouseUp(kIntonationGraphId, {165, kZeroY - 20})
        .Do([&] { EXPECT_EQ(h.graph->model().GetPoint(1).pitch_y, kZeroLineY - 20); });
  });
  EXPECT_EQ(host->final_model->GetPoint(1).record.pitch_value, 200);
}

TEST_F(GraphWindowTest, EdgeScrollingMovesTheViewAndTheBars) {
  // Ten syllables: boundaries at 165 .. 1605.
  std::vector<int> pitches(10, 0);
  auto host = Run(Records(pitches), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.MouseDown(kIntonationGraphId, {325, 40});
    for (int i = 0; i < 5; ++i) user.MouseMove(kIntonationGraphId, {395, 40});
    user.Do([&] {
      EXPECT_EQ(h.graph->model().hpos(), 50);
      EXPECT_EQ(h.bar(kGraphHScrollId)->pos(), 50);
    });
    user.MouseUp(kIntonationGraphId, {395, 40});
    // Markers at the top edge scroll the view up by 5 a move.
    user.MouseDown(kIntonationGraphId, {165 - 60, kZeroY})
        .MouseMove(kIntonationGraphId, {165 - 60, 0})
        .MouseMove(kIntonationGraphId, {165 - 60, 0})
        .Do([&] {
          EXPECT_EQ(h.graph->model().vpos(), kVpos - 10);
          EXPECT_EQ(h.bar(kGraphVScrollId)->pos(), kVpos - 10);
        })
        .MouseUp(kIntonationGraphId, {165 - 60, 0});
  });
  const IntonationGraphModel& model = *host->final_model;
  // The release at the edge scrolled once more; the boundary stands at 395 + 50.
  EXPECT_EQ(model.GetPoint(1).x, 445);
  EXPECT_EQ(model.hpos(), 60);
  EXPECT_EQ(model.horizontal_max(), model.GetScrollMax());
  EXPECT_EQ(model.GetPoint(1).pitch_y, kVpos - 10);
}

TEST_F(GraphWindowTest, OverlappingMarkersFollowTheFrontCurve) {
  // Point 1's two markers overlap on the zero line. A drag takes the front curve's marker; a
  // double-click on empty graph area swaps the front curve.
  auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.MouseDown(kIntonationGraphId, {165, kZeroY})
        .MouseUp(kIntonationGraphId, {165, kZeroY - 10})
        .Do([&] {
          EXPECT_EQ(h.graph->model().GetPoint(1).pitch_y, kZeroLineY - 10);
          EXPECT_EQ(h.graph->model().GetPoint(1).strength_y, kZeroLineY);
        })
        .DoubleClick(kIntonationGraphId, {250, 40})
        .Do([&] { EXPECT_EQ(h.graph->model().front_curve(), FrontCurve::kStrength); })
        .MouseDown(kIntonationGraphId, {485 - 160, kZeroY})
        .MouseUp(kIntonationGraphId, {485 - 160, kZeroY - 60});
  });
  const IntonationGraphModel& model = *host->final_model;
  EXPECT_EQ(model.GetPoint(2).strength_y, kZeroLineY - 60);
  EXPECT_EQ(model.GetPoint(2).record.level, 0);
  EXPECT_EQ(model.GetPoint(2).pitch_y, kZeroLineY);
  EXPECT_EQ(host->changes, 2);
}

TEST_F(GraphWindowTest, RightClickMenuByWhatLiesUnderTheMouse) {
  struct Case {
    const char* why;
    Point at;
    bool menu;
    bool add_grayed;
  };
  const std::vector<Case> cases = {
      {"on a label: change and delete", {170, 240}, true, true},
      {"on empty area: add", {250, 40}, true, false},
      {"on a marker: no menu", {165, kZeroY}, false, false},
      {"on a boundary: no menu", {325, 40}, false, false},
  };
  for (const Case& c : cases) {
    const size_t shown = session_.menus().size();
    auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost&) {
      user.MouseDown(kIntonationGraphId, c.at, MouseButton::kRight);
      if (c.menu) user.ChooseMenuItem(0);
    });
    ASSERT_EQ(session_.menus().size(), shown + (c.menu ? 1 : 0)) << c.why;
    if (!c.menu) continue;
    const platform::Menu& menu = session_.menus().back().menu;
    EXPECT_EQ(menu.IsSelectable(kGraphCommandAdd), !c.add_grayed) << c.why;
    EXPECT_EQ(menu.IsSelectable(kGraphCommandChange), c.add_grayed) << c.why;
    EXPECT_EQ(menu.IsSelectable(kGraphCommandDelete), c.add_grayed) << c.why;
    EXPECT_EQ(host->changes, 0) << c.why;
  }
}

TEST_F(GraphWindowTest, AddAndDeleteFromTheMenu) {
  struct Case {
    const char* why;
    Point at;
    int command;
    std::vector<int> xs;
    std::vector<std::string> texts;
    size_t loaded = 3;  // syllables before the command
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"add inside a syllable copies it before", {250, 40}, kGraphCommandAdd, {165, 325, 485, 645}, {"か", "き", "き", "く"}},
      {"add after the last appends a space", {350, 40}, kGraphCommandAdd, {165, 325, 345}, {"か", "き", "　"}, 2},
      {"delete the first syllable", {10, 240}, kGraphCommandDelete, {165, 325}, {"き", "く"}},
      {"delete a later one", {330, 240}, kGraphCommandDelete, {165, 325}, {"か", "き"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto host =
        Run(Records(std::vector<int>(c.loaded, 0)), [&](platform::ScriptedUser& user, GraphHost&) {
          user.MouseDown(kIntonationGraphId, c.at, MouseButton::kRight).ChooseMenuItem(c.command);
        });
    const IntonationGraphModel& model = *host->final_model;
    EXPECT_EQ(Xs(model), c.xs) << c.why;
    std::vector<std::string> texts;
    for (const IntonationPoint& p : model.points()) texts.push_back(Utf(p.record.text));
    EXPECT_EQ(texts, c.texts) << c.why;
    EXPECT_EQ(host->changes, 1) << c.why;
    EXPECT_EQ(model.horizontal_max(), model.GetScrollMax()) << c.why;
    IntonationGraphModel undone = model;
    EXPECT_TRUE(undone.Undo()) << c.why;
    const std::vector<int> loaded_xs = {165, 325, 485};
    EXPECT_EQ(Xs(undone),
              std::vector<int>(loaded_xs.begin(), loaded_xs.begin() + static_cast<long>(c.loaded)))
        << c.why;
  }
}

TEST_F(GraphWindowTest, ChangingAHiraganaThroughTheSmallDialog) {
  struct Case {
    const char* why;
    std::function<void(platform::ScriptedUser&, GraphHost&)> open;
    std::string typed;
    int answer;
    std::vector<std::string> texts;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"double-click on a label", [](platform::ScriptedUser& u, GraphHost&) { u.DoubleClick(kIntonationGraphId, {170, 240}); },
       "きょう", kIdOk, {"か", "きょ", "く"}},
      {"the menu's change", [](platform::ScriptedUser& u, GraphHost&) {
         u.MouseDown(kIntonationGraphId, {330, 240}, MouseButton::kRight).ChooseMenuItem(kGraphCommandChange);
       }, "ね", kIdOk, {"か", "き", "ね"}},
      {"Ctrl+Enter on the selected label", [](platform::ScriptedUser& u, GraphHost& h) {
         u.MouseDown(kIntonationGraphId, {10, 240}, MouseButton::kLeft, platform::kModCtrl)
             .MouseUp(kIntonationGraphId, {10, 240})
             .Do([&h] { h.graph->ChangeSelectedHiragana(); });
       }, "の", kIdOk, {"の", "き", "く"}},
      {"Ctrl+Enter on the first label of a scrolled graph", [](platform::ScriptedUser& u, GraphHost& h) {
         u.MouseDown(kIntonationGraphId, {10, 240}, MouseButton::kLeft, platform::kModCtrl)
             .MouseUp(kIntonationGraphId, {10, 240})
             .Do([&h] {
               h.graph->model().set_hpos(160);  // the label of き now stands where か's stood
               h.graph->ChangeSelectedHiragana();
             });
       }, "の", kIdOk, {"の", "き", "く"}},
      {"cancelled", [](platform::ScriptedUser& u, GraphHost&) { u.DoubleClick(kIntonationGraphId, {170, 240}); },
       "ね", kIdCancel, {"か", "き", "く"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
      // The dialog opens inside the step that opens it; its own steps follow.
      c.open(user, h);
      user.Type(kChangeHiraganaEdit, c.typed).Click(c.answer);
    });
    const IntonationGraphModel& model = *host->final_model;
    std::vector<std::string> texts;
    for (const IntonationPoint& p : model.points()) texts.push_back(Utf(p.record.text));
    EXPECT_EQ(texts, c.texts) << c.why;
    EXPECT_EQ(host->changes, c.answer == kIdOk ? 1 : 0) << c.why;
  }
}

TEST_F(GraphWindowTest, CtrlClickSelectsAndKeysMoveTheSelection) {
  auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.MouseDown(kIntonationGraphId, {165, kZeroY}, MouseButton::kLeft, platform::kModCtrl)
        .MouseUp(kIntonationGraphId, {165, kZeroY})
        .Do([&] {
          EXPECT_EQ(h.graph->model().edit_mode(), Selection::kPitch);
          EXPECT_TRUE(h.graph->RaiseSelection());
          EXPECT_TRUE(h.graph->RaiseSelection());
          EXPECT_TRUE(h.graph->LowerSelection());
          EXPECT_FALSE(h.graph->SelectNext());  // pitch mode: no walking
        })
        // A plain click clears the selection.
        .MouseDown(kIntonationGraphId, {250, 40})
        .MouseUp(kIntonationGraphId, {250, 40})
        .Do([&] { EXPECT_EQ(h.graph->model().edit_mode(), Selection::kNone); });
  });
  EXPECT_EQ(host->final_model->GetPoint(1).pitch_y, kZeroLineY - 1);
  EXPECT_EQ(host->final_model->GetPoint(1).record.pitch_value, 10);
  EXPECT_EQ(host->changes, 3);  // each raise and lower is an edit
}

TEST_F(GraphWindowTest, UndoAndRedoRepaintAndSetTheBar) {
  auto host = Run(Records(), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.MouseDown(kIntonationGraphId, {250, 40}, MouseButton::kRight)
        .ChooseMenuItem(kGraphCommandAdd)
        .Do([&] {
          EXPECT_EQ(h.graph->GetCount(), 4);
          EXPECT_TRUE(h.graph->Undo());
          EXPECT_EQ(h.graph->GetCount(), 3);
          EXPECT_FALSE(h.graph->Undo());
          EXPECT_EQ(h.bar(kGraphHScrollId)->maximum(), h.graph->GetScrollMax());
          EXPECT_TRUE(h.graph->Redo());
          EXPECT_EQ(h.graph->GetCount(), 4);
          EXPECT_FALSE(h.graph->Redo());
          h.graph->ClearUndo();
          EXPECT_FALSE(h.graph->Undo());
        });
  });
  EXPECT_EQ(host->final_model->GetCount(), 4);
}

TEST_F(GraphWindowTest, CursorShowsWhatADragWouldMove) {
  struct Case {
    Point at;
    platform::Cursor cursor;
  };
  const std::vector<Case> cases = {
      {{170, 240}, platform::Cursor::kCross},
      {{165, kZeroY}, platform::Cursor::kSizeNS},
      {{325, 40}, platform::Cursor::kSizeWE},
      {{250, 40}, platform::Cursor::kArrow},
  };
  for (const Case& c : cases) {
    (void)Run(Records(), [&](platform::ScriptedUser& user, GraphHost&) {
      user.MouseMove(kIntonationGraphId, c.at).Do([&] {
        EXPECT_EQ(platform::CurrentCursor(), c.cursor) << c.at.x;
      });
    });
  }
}

// Position of `line` among the painted operations, -1 when it was not painted.
int Find(const std::vector<std::string>& lines, const std::string& line) {
  auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? -1 : static_cast<int>(it - lines.begin());
}

int CountWith(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<int>(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
    return l.find(part) != std::string::npos;
  }));
}

TEST_F(GraphWindowTest, PaintsGridBoundariesCurvesAndLabelsInOrder) {
  // Point 1's pitch marker 100 units above the zero line (window y 25).
  std::vector<std::string> lines;
  (void)Run(Records({0, 1000, 0}), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.Do([&] { lines = session_.Paint(*h.graph); });
  });
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "fill 0,0 400,250 ffffff");
  // Grid: rows every 10 units (graph y 5060 .. 5300), columns every 20 from x 5.
  EXPECT_EQ(Find(lines, "line 0,5 399,5 c0c0c0 w1"), 1);
  EXPECT_NE(Find(lines, "line 0,245 399,245 c0c0c0 w1"), -1);
  EXPECT_NE(Find(lines, "line 5,0 5,249 c0c0c0 w1"), -1);
  EXPECT_NE(Find(lines, "line 385,0 385,249 c0c0c0 w1"), -1);
  EXPECT_EQ(CountWith(lines, "c0c0c0"), 25 + 20);
  const int zero_line = Find(lines, "line 0,125 400,125 707070 w2");
  // The start of the first syllable and the visible boundaries (485 lies beyond the view).
  const int first_boundary = Find(lines, "line 5,250 5,0 d08000 w2");
  EXPECT_NE(Find(lines, "line 325,250 325,0 d08000 w2"), -1);
  EXPECT_EQ(CountWith(lines, "d08000"), 3);
  // Strength first, pitch on top (front curve 1).
  const int strength_line = Find(lines, "line 5,125 165,125 009850 w2");
  const int strength_marker = Find(lines, "fill 162,122 169,129 009850");
  const int pitch_line = Find(lines, "line 5,125 165,25 6666ff w2");
  const int pitch_marker = Find(lines, "fill 162,22 169,29 6666ff");
  // Labels: a filled box, its frame, the kana.
  const int label_box = Find(lines, "fill 168,230 193,245 fff2f0");
  const int label_frame = Find(lines, "fill 168,230 193,231 ff8f6b");
  const int label_text = Find(lines, "text 168,230 193,245 \"き\" 000000");
  const int left_strip = Find(lines, "fill 0,0 5,250 ffffff");
  const int right_strip = Find(lines, "fill 395,0 400,250 ffffff");
  const std::vector<int> order = {zero_line,  first_boundary, strength_line, strength_marker,
                                  pitch_line, pitch_marker,   label_box,     label_frame,
                                  label_text, left_strip,     right_strip};
  for (size_t i = 0; i < order.size(); ++i) {
    EXPECT_GE(order[i], 0) << i;
    if (i > 0) {
      EXPECT_LT(order[i - 1], order[i]) << i;
    }
  }
  EXPECT_EQ(right_strip, static_cast<int>(lines.size()) - 1);  // no information box
  EXPECT_EQ(CountWith(lines, "text "), 3);
}

TEST_F(GraphWindowTest, PaintShowsFrontCurveSelectionAndScroll) {
  struct Case {
    const char* why;
    std::function<void(GraphHost&)> set_up;
    std::vector<std::string> painted;
    std::vector<std::string> absent;
  };
  const std::vector<Case> cases = {
      {"strength in front: drawn after pitch",
       [](GraphHost& h) { h.graph->model().set_front_curve(FrontCurve::kStrength); },
       {"fill 322,122 329,129 6666ff", "fill 322,122 329,129 009850"},
       {}},
      {"a selected pitch marker is filled again in dark red",
       [](GraphHost& h) { h.graph->model().ToggleSelect(165, 25); },
       {"fill 162,22 169,29 6666ff", "fill 162,22 169,29 333399"},
       {}},
      {"a selected strength marker is dark green instead",
       [](GraphHost& h) { h.graph->model().ToggleSelect(165, kZeroY); },
       {"fill 162,122 169,129 004600"},
       {"fill 162,122 169,129 009850"}},
      {"a selected label is filled pink with a 2-pixel frame",
       [](GraphHost& h) { h.graph->model().ToggleSelect(170, 240); },
       {"fill 168,230 193,245 ffb793", "fill 168,230 193,232 ff8f6b"},
       {"fill 168,230 193,245 fff2f0"}},
      {"scrolled 160 units right",
       [](GraphHost& h) { h.graph->model().set_hpos(160); },
       {"line 5,250 5,0 d08000 w2", "line 165,250 165,0 d08000 w2", "line 325,250 325,0 d08000 w2",
        "fill 8,230 33,245 fff2f0", "line 5,0 5,249 c0c0c0 w1"},
       {"text 8,230 33,245 \"か\" 000000"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines;
    (void)Run(Records({0, 1000, 0}), [&](platform::ScriptedUser& user, GraphHost& h) {
      user.Do([&] {
        c.set_up(h);
        lines = session_.Paint(*h.graph);
      });
    });
    for (const std::string& line : c.painted)
      EXPECT_NE(Find(lines, line), -1) << c.why << ": " << line;
    for (const std::string& line : c.absent)
      EXPECT_EQ(Find(lines, line), -1) << c.why << ": " << line;
  }
  // With the strength curve in front its markers come after the pitch markers.
  std::vector<std::string> lines;
  (void)Run(Records({0, 1000, 0}), [&](platform::ScriptedUser& user, GraphHost& h) {
    user.DoubleClick(kIntonationGraphId, {250, 40}).Do([&] { lines = session_.Paint(*h.graph); });
  });
  EXPECT_LT(Find(lines, "fill 322,122 329,129 6666ff"), Find(lines, "fill 322,122 329,129 009850"));
}

TEST_F(GraphWindowTest, InformationBoxWhileHoveringAndDragging) {
  struct Case {
    const char* why;
    std::function<void(platform::ScriptedUser&)> steps;
    std::vector<std::string> painted;
  };
  const std::string box = "text 200,41 400,141 ";
  // clang-format off
  const std::vector<Case> cases = {
      {"hovering a label", [](platform::ScriptedUser& u) { u.MouseMove(kIntonationGraphId, {170, 240}); },
       {box + "\"S50V4L0W3'10き\" 0000ff on d4ffff"}},
      {"hovering a marker", [](platform::ScriptedUser& u) { u.MouseMove(kIntonationGraphId, {325, kZeroY}); },
       {box + "\"S50V4L0W3_10く\" 0000ff on d4ffff"}},
      {"dragging a pitch marker: the new value and light red feedback",
       [](platform::ScriptedUser& u) { u.MouseDown(kIntonationGraphId, {165, 25}).MouseMove(kIntonationGraphId, {165, 15}); },
       {box + "\"S50V4L0W3'11き\" 0000ff on d4ffff", "fill 162,12 169,19 b4b4e6", "line 5,125 165,15 b4b4e6 w1",
        "line 165,15 325,125 b4b4e6 w1", "fill 162,22 169,29 6666ff"}},
      {"dragging a strength marker: light green feedback",
       [](platform::ScriptedUser& u) { u.MouseDown(kIntonationGraphId, {165, kZeroY}).MouseMove(kIntonationGraphId, {165, kZeroY - 10}); },
       {"fill 162,112 169,119 7dfabe", "line 5,125 165,115 7dfabe w1", "line 165,115 325,125 7dfabe w1"}},
      {"dragging a boundary: a pink line and the longer syllable's speed",
       [](platform::ScriptedUser& u) { u.MouseDown(kIntonationGraphId, {165, 40}).MouseMove(kIntonationGraphId, {205, 40}); },
       {"line 205,249 205,0 ffb793 w1", box + "\"S48V4L0W3か\" 0000ff on d4ffff"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::vector<std::string> lines;
    (void)Run(Records({0, 1000, 0}), [&](platform::ScriptedUser& user, GraphHost& h) {
      c.steps(user);
      user.Do([&] { lines = session_.Paint(*h.graph); });
      if (c.why[0] == 'd') user.Key(platform::kKeyEscape);  // ends the drag
    });
    for (const std::string& line : c.painted)
      EXPECT_NE(Find(lines, line), -1) << c.why << ": " << line;
    EXPECT_EQ(CountWith(lines, box), 1) << c.why;
  }
}

}  // namespace
}  // namespace vtr::w2s
