#include "wave2script/dialogs/intonation/intonation_graph_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "wave2script/core/show_message.h"
#include "wave2script/dialogs/intonation/testing/intonation_testing.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using testing::CountingPresenter;
using testing::EndTimes;
using testing::Xs;

constexpr platform::Rect kView{0, 0, 400, 250};

struct Values {
  int end_time;
  int pitch_value = 0;
  int level = -6;
};

SyllableArray Records(const std::vector<Values>& values) {
  SyllableArray records;
  for (const Values& v : values) {
    SyllableRecord r;
    r.text = Sj("か");
    r.end_time = v.end_time;
    r.pitch_value = v.pitch_value;
    r.level = v.level;
    records.Add(r);
  }
  return records;
}

IntonationGraphModel Loaded(const std::vector<Values>& values) {
  IntonationGraphModel model;
  model.SetView(kView);
  model.SetHorizontalRange(0, 1000);
  model.SetVerticalRange(0, kGraphHeight - kView.height());
  (void)model.SetSyllables(Records(values));
  return model;
}

TEST(IntonationGraphModelTest, LoadingPlacesBoundariesAndMarkersFromTheValues) {
  struct Case {
    const char* why;
    Values values;
    int x, pitch_y, strength_y;
  };
  const Case cases[] = {
      {"pitch 0 and volume -6 sit on the zero line", {160, 0, -6}, 165, 5180, 5180},
      {"volume 0 is six steps of 10 above", {160, 0, 0}, 165, 5180, 5120},
      {"pitch value 1000 is 100 units up", {160, 1000, -6}, 165, 5080, 5180},
      {"pitch division truncates towards zero", {160, -15, -6}, 165, 5181, 5180},
      {"volume below -6 goes down", {360, 0, -11}, 365, 5180, 5230},
  };
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded({c.values});
    const IntonationPoint p = model.GetPoint(0);
    EXPECT_EQ(p.x, c.x) << c.why;
    EXPECT_EQ(p.pitch_y, c.pitch_y) << c.why;
    EXPECT_EQ(p.strength_y, c.strength_y) << c.why;
    EXPECT_EQ(p.pitch_x, kFirstBoundaryX) << c.why;
    EXPECT_EQ(p.strength_x, kFirstBoundaryX) << c.why;
    EXPECT_EQ(p.marker_y, kView.bottom) << c.why;
    EXPECT_EQ(p.selection, Selection::kNone) << c.why;
  }
  IntonationGraphModel model = Loaded({{160}, {320}, {500}});
  EXPECT_EQ(model.GetPoint(1).pitch_x, 165);
  EXPECT_EQ(model.GetPoint(2).strength_x, 325);
}

TEST(IntonationGraphModelTest, PointToValuesReadsTheCoordinatesBack) {
  struct Case {
    const char* why;
    int x, pitch_y, strength_y;
    int end_time, pitch_value, level;
  };
  const Case cases[] = {
      {"the zero lines", 165, 5180, 5180, 160, 0, -6},
      {"strength 5120 is volume 0", 165, 5180, 5120, 160, 0, 0},
      {"one unit above the zero line truncates to -5.9 -> -5", 165, 5180, 5179, 160, 0, -5},
      {"one unit below: -6.1 truncates to -6", 165, 5180, 5181, 160, 0, -6},
      {"ten units below is one step", 165, 5180, 5190, 160, 0, -7},
      {"pitch 10 units per unit of y", 45, 5170, 5180, 40, 100, -6},
      {"top of the graph", 45, 0, 0, 40, 51800, 512},
  };
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded({{160}});
    IntonationPoint p = model.GetPoint(0);
    p.x = c.x;
    p.pitch_y = c.pitch_y;
    p.strength_y = c.strength_y;
    model.ReplacePoint(0, p);
    model.PointToValues(0);
    const SyllableRecord& r = model.GetPoint(0).record;
    EXPECT_EQ(r.end_time, c.end_time) << c.why;
    EXPECT_EQ(r.pitch_value, c.pitch_value) << c.why;
    EXPECT_EQ(r.level, c.level) << c.why;
  }
}

TEST(IntonationGraphModelTest, DeletingMovesLaterBoundariesLeftByTheDuration) {
  struct Case {
    const char* why;
    int index;
    std::vector<int> xs;
    std::vector<int> starts;  // pitch_x of each remaining point
  };
  const std::vector<Case> cases = {
      {"the first: the new first point starts at 5", 0, {165, 345}, {5, 165}},
      {"a middle one", 1, {165, 345}, {5, 165}},
      {"the last", 2, {165, 325}, {5, 165}},
  };
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded({{160}, {320}, {500}});
    model.DeletePoint(c.index);
    EXPECT_EQ(Xs(model), c.xs) << c.why;
    std::vector<int> starts;
    for (const IntonationPoint& p : model.points()) {
      starts.push_back(p.pitch_x);
      EXPECT_EQ(p.strength_x, p.pitch_x) << c.why;
      EXPECT_EQ(p.record.end_time, p.x - kFirstBoundaryX) << c.why;
    }
    EXPECT_EQ(starts, c.starts) << c.why;
  }
}

TEST(IntonationGraphModelTest, InsertingACopyShiftsTheRestByItsDuration) {
  IntonationGraphModel model = Loaded({{160}, {320}, {500}});
  ASSERT_TRUE(model.InsertPoint(1, model.GetPoint(1)));
  EXPECT_EQ(Xs(model), (std::vector<int>{165, 325, 485, 665}));
  EXPECT_EQ(EndTimes(model), (std::vector<int>{160, 320, 480, 660}));
  EXPECT_EQ(model.GetPoint(2).pitch_x, 325);
  EXPECT_EQ(model.GetPoint(3).strength_x, 485);

  ASSERT_TRUE(model.InsertPoint(0, model.GetPoint(0)));
  EXPECT_EQ(Xs(model), (std::vector<int>{165, 325, 485, 645, 825}));
}

TEST(IntonationGraphModelTest, InsertingNearTheLargestTimeIsLimitedOrRefused) {
  CountingPresenter presenter;
  InstallLibraryMessages(&presenter, nullptr, "");
  {
    // The shift is cut so that the last boundary lands on the largest x.
    IntonationGraphModel model = Loaded({{160}, {kMaxInsertEnd - 100}});
    ASSERT_TRUE(model.InsertPoint(0, model.GetPoint(0)));
    EXPECT_EQ(model.points().back().x, kMaxBoundaryX);
    EXPECT_TRUE(presenter.texts.empty());
  }
  {
    IntonationGraphModel model = Loaded({{160}, {kMaxInsertEnd + 1}});
    EXPECT_FALSE(model.InsertPoint(0, model.GetPoint(0)));
    EXPECT_EQ(model.GetCount(), 2);
    ASSERT_EQ(presenter.texts.size(), 1u);
    EXPECT_EQ(presenter.texts[0], LibraryMessageText(512));
  }
  {
    IntonationGraphModel model = Loaded({{kMaxBoundaryX - kFirstBoundaryX - 10}});
    EXPECT_FALSE(model.AppendDefaultPoint());
    EXPECT_EQ(model.GetCount(), 1);
    EXPECT_EQ(presenter.texts.size(), 2u);
  }
  InstallLibraryMessages(nullptr, nullptr, "");
}

TEST(IntonationGraphModelTest, AppendedPointIsASpaceOfLength160OnTheZeroLines) {
  struct Case {
    const char* why;
    std::vector<Values> loaded;
    int x, start;
  };
  const std::vector<Case> cases = {
      {"empty graph", {}, 25, 5},
      {"after the last boundary", {{160}, {320}}, 345, 325},
  };
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded(c.loaded);
    ASSERT_TRUE(model.AppendDefaultPoint()) << c.why;
    const IntonationPoint p = model.points().back();
    EXPECT_EQ(p.record.text, Sj("　")) << c.why;
    EXPECT_EQ(p.record.length, 160) << c.why;
    EXPECT_EQ(p.record.note, kNoNote) << c.why;
    EXPECT_EQ(p.record.speed, 50) << c.why;
    EXPECT_EQ(p.record.v_level, -6) << c.why;
    EXPECT_EQ(p.record.w, 12) << c.why;
    EXPECT_EQ(p.x, c.x) << c.why;
    EXPECT_EQ(p.pitch_x, c.start) << c.why;
    EXPECT_EQ(p.pitch_y, kZeroLineY) << c.why;
    EXPECT_EQ(p.strength_y, kZeroLineY) << c.why;
    // UpdateAllValues: the zero line is volume -6, the boundary the end time.
    EXPECT_EQ(p.record.level, -6) << c.why;
    EXPECT_EQ(p.record.pitch_value, 0) << c.why;
    EXPECT_EQ(p.record.end_time, c.x - 5) << c.why;
  }
}

TEST(IntonationGraphModelTest, FindInsertIndexAndScrollMax) {
  IntonationGraphModel model = Loaded({{160}, {320}, {500}});
  struct Case {
    int click_x, hpos, index;
  };
  const Case cases[] = {{0, 0, 0},     {165, 0, 0},    {166, 0, 1},   {505, 0, 2},  {506, 0, -1},
                        {100, 400, 2}, {106, 400, -1}, {100, 200, 1}, {200, 300, 2}};
  for (const Case& c : cases) {
    model.set_hpos(c.hpos);
    EXPECT_EQ(model.FindInsertIndex(c.click_x), c.index) << c.click_x << " at " << c.hpos;
  }
  // max(last x, view width) - view right + 10.
  EXPECT_EQ(model.GetScrollMax(), 505 - 400 + 10);
  EXPECT_EQ(Loaded({}).GetScrollMax(), 10);
  EXPECT_EQ(Loaded({{1000}}).GetScrollMax(), 1005 - 400 + 10);
}

TEST(IntonationGraphModelTest, OneUndoStepAndOneRedoStep) {
  IntonationGraphModel model = Loaded({{160}, {320}, {500}});
  const GraphSnapshot loaded = model.TakeSnapshot();
  EXPECT_FALSE(model.Undo());
  EXPECT_FALSE(model.Redo());

  model.PushUndo(model.TakeSnapshot());
  model.DeletePoint(0);
  const GraphSnapshot after_first = model.TakeSnapshot();
  model.PushUndo(model.TakeSnapshot());
  model.set_hpos(40);
  model.DeletePoint(0);
  const GraphSnapshot after_second = model.TakeSnapshot();

  // Undo after two edits restores the state before the second only.
  EXPECT_TRUE(model.Undo());
  EXPECT_EQ(model.TakeSnapshot(), after_first);
  EXPECT_FALSE(model.Undo());
  EXPECT_EQ(model.TakeSnapshot(), after_first);
  // Redo brings the edit back, and the undo step again.
  EXPECT_TRUE(model.Redo());
  EXPECT_EQ(model.TakeSnapshot(), after_second);
  EXPECT_FALSE(model.Redo());
  EXPECT_TRUE(model.Undo());
  EXPECT_EQ(model.TakeSnapshot(), after_first);
  // A new edit empties the redo step.
  model.PushUndo(model.TakeSnapshot());
  EXPECT_FALSE(model.Redo());
  model.ClearUndo();
  EXPECT_FALSE(model.Undo());
  EXPECT_NE(model.TakeSnapshot(), loaded);
}

TEST(IntonationGraphModelTest, LoadingKeepsTheUndoSteps) {
  IntonationGraphModel model = Loaded({{160}});
  model.PushUndo(model.TakeSnapshot());
  (void)model.SetSyllables(Records({{160}, {320}}));
  EXPECT_TRUE(model.CanUndo());
  model.Reset();
  EXPECT_FALSE(model.CanUndo());
  EXPECT_EQ(model.GetCount(), 0);
}

// Point i's markers and label, in window coordinates of kView at the origin (0, 0).
platform::Point PitchAt(const IntonationGraphModel& m, int i) {
  return {m.GetPoint(i).pitch_x - m.hpos(), m.GetPoint(i).pitch_y - m.vpos()};
}
platform::Point StrengthAt(const IntonationGraphModel& m, int i) {
  return {m.GetPoint(i).strength_x - m.hpos(), m.GetPoint(i).strength_y - m.vpos()};
}
platform::Point LabelAt(const IntonationGraphModel& m, int i) {
  return {m.StartX(i) - m.hpos() + 10, kView.bottom - 10};
}

TEST(IntonationGraphModelTest, HitTestFindsLabelsMarkersAndBoundaries) {
  // Point 1 has its pitch marker 100 units above its strength marker; point 2 has both on
  // the zero line, where the front curve decides.
  IntonationGraphModel model = Loaded({{160}, {320, 1000, -6}, {500}});
  model.set_vpos(5180 - 125);
  struct Case {
    const char* why;
    platform::Point at;
    FrontCurve front;
    Hit hit;
  };
  // clang-format off
  const Case cases[] = {
      {"label of the first point", LabelAt(model, 0), FrontCurve::kPitch, {0, HitKind::kLabel}},
      {"label of the last point", LabelAt(model, 2), FrontCurve::kPitch, {2, HitKind::kLabel}},
      {"a pitch marker alone", PitchAt(model, 1), FrontCurve::kStrength, {1, HitKind::kPitch}},
      {"the marker's edge, 3 px off", {PitchAt(model, 1).x + 3, PitchAt(model, 1).y - 3}, FrontCurve::kPitch, {1, HitKind::kPitch}},
      {"4 px off is outside", {PitchAt(model, 1).x + 4, PitchAt(model, 1).y}, FrontCurve::kPitch, {}},
      {"a strength marker alone", StrengthAt(model, 1), FrontCurve::kPitch, {1, HitKind::kStrength}},
      {"overlap, pitch in front", PitchAt(model, 2), FrontCurve::kPitch, {2, HitKind::kPitch}},
      {"overlap, strength in front", PitchAt(model, 2), FrontCurve::kStrength, {2, HitKind::kStrength}},
      {"a boundary line", {325, 40}, FrontCurve::kPitch, {1, HitKind::kBoundary}},
      {"one pixel left of a boundary", {324, 40}, FrontCurve::kPitch, {1, HitKind::kBoundary}},
      {"one pixel right of a boundary is free", {326, 40}, FrontCurve::kPitch, {}},
      {"empty graph area", {250, 40}, FrontCurve::kPitch, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    model.set_front_curve(c.front);
    EXPECT_EQ(model.HitTest(c.at.x, c.at.y), c.hit) << c.why;
  }
}

TEST(IntonationGraphModelTest, CtrlClicksBuildSelectionsOfOneKind) {
  struct Step {
    int point;
    HitKind on;  // kPitch, kStrength or kLabel
  };
  struct Case {
    const char* why;
    std::vector<Step> steps;
    Selection mode;
    std::vector<Selection> selections;
    FrontCurve front;
  };
  using S = Selection;
  // clang-format off
  const std::vector<Case> cases = {
      {"a pitch marker starts pitch editing", {{1, HitKind::kPitch}}, S::kPitch, {S::kNone, S::kPitch, S::kNone}, FrontCurve::kPitch},
      {"more pitch markers add up", {{1, HitKind::kPitch}, {2, HitKind::kPitch}}, S::kPitch, {S::kNone, S::kPitch, S::kPitch}, FrontCurve::kPitch},
      {"a second click deselects", {{1, HitKind::kPitch}, {1, HitKind::kPitch}}, S::kPitch, {S::kNone, S::kNone, S::kNone}, FrontCurve::kPitch},
      {"a strength marker brings its curve to the front", {{0, HitKind::kStrength}}, S::kStrength, {S::kStrength, S::kNone, S::kNone}, FrontCurve::kStrength},
      {"another kind is ignored", {{0, HitKind::kStrength}, {1, HitKind::kLabel}}, S::kStrength, {S::kStrength, S::kNone, S::kNone}, FrontCurve::kStrength},
      {"a label selects its syllable", {{2, HitKind::kLabel}}, S::kSyllable, {S::kNone, S::kNone, S::kSyllable}, FrontCurve::kPitch},
      {"a second label is the only selected one", {{2, HitKind::kLabel}, {0, HitKind::kLabel}}, S::kSyllable, {S::kSyllable, S::kNone, S::kNone}, FrontCurve::kPitch},
      {"a selected label is deselected", {{2, HitKind::kLabel}, {2, HitKind::kLabel}}, S::kSyllable, {S::kNone, S::kNone, S::kNone}, FrontCurve::kPitch},
  };
  // clang-format on
  for (const Case& c : cases) {
    // Pitch markers 200 units above the strength markers, so that each is hit alone.
    IntonationGraphModel model = Loaded({{160, 2000, -6}, {320, 2000, -6}, {500, 2000, -6}});
    model.set_vpos(5180 - 240);
    for (const Step& s : c.steps) {
      const platform::Point at = s.on == HitKind::kPitch      ? PitchAt(model, s.point)
                                 : s.on == HitKind::kStrength ? StrengthAt(model, s.point)
                                                              : LabelAt(model, s.point);
      ASSERT_EQ(model.HitTest(at.x, at.y).kind, s.on) << c.why;
      model.ToggleSelect(at.x, at.y);
    }
    EXPECT_EQ(model.edit_mode(), c.mode) << c.why;
    std::vector<Selection> selections;
    for (const IntonationPoint& p : model.points()) selections.push_back(p.selection);
    EXPECT_EQ(selections, c.selections) << c.why;
    EXPECT_EQ(model.front_curve(), c.front) << c.why;
    model.ClearSelection();
    EXPECT_EQ(model.edit_mode(), Selection::kNone) << c.why;
    EXPECT_EQ(model.FirstSelected(), -1) << c.why;
  }
}

TEST(IntonationGraphModelTest, RaiseAndLowerMoveTheSelectedMarkersOfTheEditedCurve) {
  struct Case {
    const char* why;
    Selection mode;
    int pitch_y_of_0;
    bool raise;
    bool done;
    int pitch_y_after, strength_y_after;
  };
  // clang-format off
  const Case cases[] = {
      {"pitch up one unit", Selection::kPitch, 5180, true, true, 5179, 5180},
      {"pitch down one unit", Selection::kPitch, 5180, false, true, 5181, 5180},
      {"strength up", Selection::kStrength, 5180, true, true, 5180, 5179},
      {"a selected marker at the top refuses the raise", Selection::kPitch, 0, true, false, 0, 5180},
      {"... but not the lowering", Selection::kPitch, 0, false, true, 1, 5180},
      {"at the bottom the lowering is refused", Selection::kPitch, kGraphHeight, false, false, kGraphHeight, 5180},
      {"syllable mode moves nothing", Selection::kSyllable, 5180, true, false, 5180, 5180},
  };
  // clang-format on
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded({{160}, {320}});
    IntonationPoint p = model.GetPoint(0);
    p.pitch_y = c.pitch_y_of_0;
    model.ReplacePoint(0, p);
    model.PointToValues(0);
    // Select point 0 (and point 1 too on the same curve) by Ctrl+clicks.
    model.set_vpos(c.pitch_y_of_0 - 100);
    const platform::Point at = c.mode == Selection::kPitch      ? PitchAt(model, 0)
                               : c.mode == Selection::kStrength ? StrengthAt(model, 0)
                                                                : LabelAt(model, 0);
    model.set_front_curve(c.mode == Selection::kStrength ? FrontCurve::kStrength
                                                         : FrontCurve::kPitch);
    model.ToggleSelect(at.x, at.y);
    ASSERT_EQ(model.edit_mode(), c.mode) << c.why;
    const GraphSnapshot before = model.TakeSnapshot();
    EXPECT_EQ(c.raise ? model.RaiseSelection() : model.LowerSelection(), c.done) << c.why;
    EXPECT_EQ(model.GetPoint(0).pitch_y, c.pitch_y_after) << c.why;
    EXPECT_EQ(model.GetPoint(0).strength_y, c.strength_y_after) << c.why;
    EXPECT_EQ(model.GetPoint(1).pitch_y, 5180) << c.why << ": unselected points stay";
    EXPECT_EQ(model.GetPoint(0).record.pitch_value, 51800 - c.pitch_y_after * 10) << c.why;
    EXPECT_EQ(model.CanUndo(), c.done) << c.why;
    if (c.done) {
      EXPECT_TRUE(model.Undo());
      EXPECT_EQ(model.TakeSnapshot(), before) << c.why;
    }
  }
}

TEST(IntonationGraphModelTest, SelectNextAndPreviousWalkTheLabelsAndScroll) {
  // Boundaries every 160 units: 165, 325, ... 1605.
  std::vector<Values> values;
  for (int i = 1; i <= 10; ++i) values.push_back({160 * i});
  IntonationGraphModel model = Loaded(values);
  model.SetHorizontalRange(0, model.GetScrollMax());
  const platform::Point at = LabelAt(model, 0);
  model.ToggleSelect(at.x, at.y);
  ASSERT_EQ(model.FirstSelected(), 0);

  EXPECT_FALSE(model.SelectPrevious());  // nothing before the first
  EXPECT_TRUE(model.SelectNext());
  EXPECT_EQ(model.FirstSelected(), 1);
  EXPECT_EQ(model.hpos(), 0);
  EXPECT_TRUE(model.SelectNext());
  EXPECT_EQ(model.FirstSelected(), 2);
  EXPECT_EQ(model.hpos(), 485 - 400 + 40);
  EXPECT_TRUE(model.SelectNext());
  EXPECT_EQ(model.hpos(), 645 - 400 + 40);
  model.set_hpos(600);
  // Going back, the view moves to the start of the newly selected syllable's label.
  EXPECT_TRUE(model.SelectPrevious());  // point 2 starts at 325, left of 600 + 5
  EXPECT_EQ(model.FirstSelected(), 2);
  EXPECT_EQ(model.hpos(), 320);
  EXPECT_TRUE(model.SelectPrevious());
  EXPECT_EQ(model.FirstSelected(), 1);
  EXPECT_EQ(model.hpos(), 160);
  EXPECT_TRUE(model.SelectPrevious());  // the first point shows the graph from 0
  EXPECT_EQ(model.FirstSelected(), 0);
  EXPECT_EQ(model.hpos(), 0);
  // Walking to the end stops at the last point; the origin stays inside the scroll range.
  while (model.SelectNext()) {
  }
  EXPECT_EQ(model.FirstSelected(), 9);
  EXPECT_EQ(model.hpos(), model.horizontal_max());
  // Only in syllable mode.
  model.ClearSelection();
  EXPECT_FALSE(model.SelectPrevious());
}

TEST(IntonationGraphModelTest, PlaySyllablesRunFromTheSelectionToItsEnd) {
  struct Case {
    const char* why;
    std::vector<int> selected;  // Ctrl+clicked pitch markers
    int start_x;
    size_t count;
  };
  const std::vector<Case> cases = {
      {"no selection plays everything", {}, 5, 4},
      {"the first point selected plays everything", {0}, 5, 4},
      {"one later point plays from it to the end", {2}, 325, 4},
      {"several points play from the first to the last selected", {1, 2}, 165, 3},
      {"the order of the clicks does not matter", {2, 0}, 5, 3},
  };
  for (const Case& c : cases) {
    IntonationGraphModel model = Loaded({{160, 2000}, {320, 2000}, {480, 2000}, {640, 2000}});
    model.set_vpos(5180 - 240);
    for (int i : c.selected) {
      const platform::Point at = PitchAt(model, i);
      model.ToggleSelect(at.x, at.y);
    }
    SyllableArray out;
    EXPECT_EQ(model.GetPlaySyllables(&out), c.start_x) << c.why;
    EXPECT_EQ(out.size(), c.count) << c.why;
  }
  SyllableArray out;
  EXPECT_EQ(Loaded({}).GetPlaySyllables(&out), -1);
  EXPECT_TRUE(out.empty());
}

TEST(IntonationGraphModelTest, GetSyllablesAppendsEveryRecord) {
  IntonationGraphModel model = Loaded({{160, 100, -6}, {320, 0, 0}});
  SyllableArray out;
  out.Add(SyllableRecord{});
  EXPECT_EQ(model.GetSyllables(&out), 2);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[1].pitch_value, 100);
  EXPECT_EQ(out[2].level, 0);
  EXPECT_EQ(out[2].end_time, 320);
}

}  // namespace
}  // namespace vtr::w2s
