#include "platform/window/window_system.h"

#include <gtest/gtest.h>

#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "platform/window/internal/system.h"

namespace vtr::platform {
namespace {

constexpr int kGraphId = 130;

DialogTemplate GraphTemplate() {
  return DialogTemplate{.id = 901,
                        .caption = "Graph",
                        .size = {320, 240},
                        .controls = {
                            {kGraphId, ControlKind::kCustom, "", {10, 10, 200, 100}},
                            {kIdOk, ControlKind::kButton, "OK", {10, 200, 60, 24}},
                        }};
}

// A graph window that drags a marker with its own loop, the way the graphs of the dialogs do.
class DragGraph : public CustomWindow {
 public:
  int marker_x = 50;
  int moves = 0;
  bool cancelled = false;
  std::vector<std::string> log;

  bool OnMouse(const MouseEvent& event) override {
    if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft) {
      Drag();
      return true;
    }
    if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kRight) {
      Menu menu({MenuItem::Command(181, "ひらがなを追加"), MenuItem::Separator(),
                 MenuItem::Popup("more", {MenuItem::Command(183, "ひらがなを変更"),
                                          MenuItem::Command(182, "ひらがなを削除")})});
      menu.SetGrayed(181, true);
      menu.SetChecked(183, true);
      const int chosen = TrackPopupMenu(this, menu, event.screen);
      log.push_back("menu " + std::to_string(chosen));
      return true;
    }
    if (dragging_) {
      if (event.kind == MouseEvent::Kind::kMove) {
        work_x_ = event.point.x;
        ++moves;
      }
      if (event.kind == MouseEvent::Kind::kUp) {
        work_x_ = event.point.x;
        dragging_ = false;
      }
      return true;
    }
    return false;
  }
  void OnCaptureLost() override {
    if (dragging_) {
      cancelled = true;
      dragging_ = false;
    }
  }
  std::optional<Cursor> OnSetCursor(Point p) override {
    if (std::abs(p.x - marker_x) <= 2) return Cursor::kSizeWE;
    if (p.y < 10) return Cursor::kSizeNS;
    return std::nullopt;
  }
  void OnPaint(Canvas& canvas) override {
    canvas.FillRect(client_rect(), colors::kWhite);
    canvas.Line({marker_x, 0}, {marker_x, 99}, 0xD08000, 2);
    canvas.Text(Rect{marker_x - 12, 80, marker_x + 13, 95}, "か", Font{"MS ゴシック", 8.5},
                colors::kBlack, kTextCenter | kTextVCenter | kTextSingleLine);
  }

 private:
  void Drag() {
    dragging_ = true;
    cancelled = false;
    work_x_ = marker_x;
    SetCapture(this);
    PumpUntil([this] { return !dragging_; });
    if (GetCapture() == this) ReleaseCapture();
    if (!cancelled) marker_x = work_x_;
  }
  bool dragging_ = false;
  int work_x_ = 0;
};

class GraphDialog : public Dialog {
 public:
  GraphDialog() : Dialog(GraphTemplate()) {}
  DragGraph* graph = nullptr;
  std::vector<std::string> log;
  bool swallow_wheel = false;

  void OnTimer(int id) override {
    log.push_back(std::to_string(id) + "@" + std::to_string(now_ms ? now_ms() : 0));
    if (id == 501) KillTimer(501);  // one shot
  }
  void OnDropFiles(const std::vector<std::string>& paths) override {
    log.push_back("drop " + paths.front());
  }
  bool PreTranslateMouse(const MouseEvent& event, Window* target) override {
    if (swallow_wheel && event.kind == MouseEvent::Kind::kWheel) {
      log.push_back("wheel " + std::to_string(event.wheel_delta) + " over " +
                    std::to_string(target->id()));
      return true;
    }
    return false;
  }
  std::function<int64_t()> now_ms;

 protected:
  bool OnInitDialog() override {
    graph = static_cast<DragGraph*>(ReplaceChild(kGraphId, std::make_unique<DragGraph>()));
    return true;
  }
};

TEST(TimerTest, FiresAtItsPeriodOnTheManualClock) {
  HeadlessSession session;
  GraphDialog dialog;
  dialog.now_ms = [&] { return session.now_ms(); };
  session.user()
      .Do([&] {
        dialog.SetTimer(503, 32);
        dialog.SetTimer(501, 256);
      })
      .Advance(31)
      .Advance(1)
      .Advance(64)
      .Advance(200)
      .Do([&] { dialog.KillTimer(503); })
      .Advance(1000)
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  const std::vector<std::string> expected = {"503@32",  "503@64",  "503@96",  "503@128", "503@160",
                                             "503@192", "503@224", "503@256", "501@256", "503@288"};
  EXPECT_EQ(dialog.log, expected);
}

TEST(TimerTest, TimersDieWithTheirWindow) {
  HeadlessSession session;
  {
    GraphDialog first;
    session.user().Do([&] { first.SetTimer(502, 32); }).Click(kIdOk);
    EXPECT_EQ(first.DoModal(), kIdOk);
  }
  GraphDialog second;
  second.now_ms = [&] { return session.now_ms(); };
  session.user().Advance(100).Click(kIdOk);
  EXPECT_EQ(second.DoModal(), kIdOk);
  EXPECT_TRUE(second.log.empty());
}

TEST(CaptureTest, DragFollowsTheMouseAndLosingTheCaptureCancels) {
  struct Case {
    const char* name;
    bool lose_capture;
    int marker_after;
  };
  const Case cases[] = {{"drag completes", false, 120}, {"capture lost cancels", true, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    GraphDialog dialog;
    ScriptedUser& user = session.user();
    user.MouseDown(kGraphId, {50, 40}).MouseMove(kGraphId, {80, 40}).MouseMove(kGraphId, {260, 40});
    if (c.lose_capture) {
      user.LoseCapture();
    } else {
      user.MouseUp(kGraphId, {120, 40});
    }
    int marker = 0;
    bool cancelled = false;
    user.Do([&] {
      marker = dialog.graph->marker_x;
      cancelled = dialog.graph->cancelled;
    });
    user.Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(marker, c.marker_after);
    EXPECT_EQ(cancelled, c.lose_capture);
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(CaptureTest, CapturedMouseReachesTheWindowOutsideItsRectangle) {
  HeadlessSession session;
  GraphDialog dialog;
  int marker = 0, moves = 0;
  session.user()
      .MouseDown(kGraphId, {50, 40})
      .MouseMove(0, {300, 230})  // far outside the graph: still the graph's
      .MouseUp(0, {300, 230})
      .Do([&] {
        marker = dialog.graph->marker_x;
        moves = dialog.graph->moves;
      })
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(moves, 1);
  EXPECT_EQ(marker, 290);  // 300 in the dialog is 290 in the graph
}

TEST(CursorTest, ShapesFollowTheWindowUnderTheMouse) {
  struct Case {
    Point at;
    Cursor expected;
  };
  const Case cases[] = {
      {{50, 50}, Cursor::kSizeWE},
      {{100, 5}, Cursor::kSizeNS},
      {{100, 50}, Cursor::kArrow},
  };
  for (const Case& c : cases) {
    HeadlessSession session;
    GraphDialog dialog;
    Cursor seen = Cursor::kArrow, waiting = Cursor::kArrow;
    session.user()
        .MouseMove(kGraphId, c.at)
        .Do([&] {
          seen = CurrentCursor();
          WaitCursor wait;
          waiting = CurrentCursor();
        })
        .Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(seen, c.expected);
    EXPECT_EQ(waiting, Cursor::kWait);
  }
}

TEST(DropTest, DroppedFilesArriveOnlyWhileAccepted) {
  HeadlessSession session;
  GraphDialog dialog;
  session.user()
      .DropFiles({"/tmp/ignored.kvx"})
      .Do([&] { dialog.DragAcceptFiles(true); })
      .DropFiles({"/tmp/a.kvx", "/tmp/b.kvx"})
      .Do([&] { dialog.DragAcceptFiles(false); })
      .DropFiles({"/tmp/late.kvx"})
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(dialog.log, std::vector<std::string>{"drop /tmp/a.kvx"});
}

TEST(MouseTest, WheelPassesTheDialogFilterWithItsTarget) {
  HeadlessSession session;
  GraphDialog dialog;
  dialog.swallow_wheel = true;
  session.user().Wheel(kGraphId, {20, 20}, -120).Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(dialog.log, std::vector<std::string>{"wheel -120 over 130"});
}

TEST(PopupMenuTest, ShowsTheMenuAndReturnsTheChoice) {
  struct Case {
    int choice;
    int expected;
  };
  const Case cases[] = {{183, 183}, {182, 182}, {181, 0} /* greyed */, {0, 0} /* dismissed */};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    HeadlessSession session;
    GraphDialog dialog;
    session.user()
        .MouseDown(kGraphId, {70, 30}, MouseButton::kRight)
        .ChooseMenuItem(c.choice)
        .Click(kIdOk);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    ASSERT_EQ(session.menus().size(), 1u);
    const Menu& shown = session.menus()[0].menu;
    EXPECT_TRUE(shown.Find(181)->grayed);
    EXPECT_TRUE(shown.Find(183)->checked);
    EXPECT_TRUE(shown.items()[1].separator);
    // The screen point of the click.
    EXPECT_EQ(session.menus()[0].at, (Point{dialog.rect().left + 80, dialog.rect().top + 40}));
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(FileDialogTest, ReportsThePathAndTheFilterIndex) {
  HeadlessSession session;
  session.user().ChooseFile("/tmp/song.kvx", 2).ChooseFile("");
  FileDialogRequest request;
  request.save = true;
  request.filters = {{"Text (*.txt)", "*.txt"}, {"Kelvox (*.kvx)", "*.kvx"}};
  const FileDialogResult chosen = ShowFileDialog(nullptr, request);
  EXPECT_TRUE(chosen.ok);
  EXPECT_EQ(chosen.path, "/tmp/song.kvx");
  EXPECT_EQ(chosen.filter_index, 2);
  const FileDialogResult cancelled = ShowFileDialog(nullptr, request);
  EXPECT_FALSE(cancelled.ok);
  ASSERT_EQ(session.file_dialogs().size(), 2u);
  EXPECT_TRUE(session.file_dialogs()[0].save);
}

TEST(ShellTest, BrowserRequestsAreRecorded) {
  HeadlessSession session;
  EXPECT_TRUE(OpenInBrowser("/opt/vtr/links/links.html"));
  EXPECT_EQ(session.opened_documents(), std::vector<std::string>{"/opt/vtr/links/links.html"});
}

constexpr int kSpinBuddyId = 2038;
constexpr int kSpinId = 2040;
constexpr int kBarId = 173;
constexpr int kSliderId = 136;

// A window with a meaning of its own for double clicks, as the intonation graph has.
class DoubleClickWindow : public CustomWindow {
 public:
  std::vector<std::string> log;
  bool OnMouse(const MouseEvent& event) override {
    if (event.kind == MouseEvent::Kind::kDown) log.push_back("down");
    if (event.kind == MouseEvent::Kind::kDoubleClick) log.push_back("double");
    return event.kind == MouseEvent::Kind::kDown || event.kind == MouseEvent::Kind::kDoubleClick;
  }
};

class ClickDialog : public Dialog {
 public:
  ClickDialog()
      : Dialog(DialogTemplate{
            .id = 902,
            .caption = "Clicks",
            .size = {320, 240},
            .units = DialogUnits::kPixels,
            // clang-format off
                              .controls = {
                                  {kSpinBuddyId, ControlKind::kEdit, "50", {10, 10, 40, 20}, kStyleNumber},
                                  {kSpinId, ControlKind::kSpin, "", {50, 10, 16, 20}, kStyleAutoBuddy | kStyleBuddyInt},
                                  {kBarId, ControlKind::kHScrollBar, "", {10, 40, 200, 16}},
                                  {kSliderId, ControlKind::kTrackbar, "", {10, 70, 138, 20}},
                                  {kGraphId, ControlKind::kCustom, "", {10, 100, 200, 100}},
                                  {kIdOk, ControlKind::kButton, "OK", {250, 200, 60, 24}},
                              }}) {}
  // clang-format on
  DoubleClickWindow* graph = nullptr;
  std::vector<int> bar_codes;  // what the scroll bar reported
  void OnScroll(int id, ScrollCode code, int) override {
    if (id == kBarId) bar_codes.push_back(static_cast<int>(code));
  }

 protected:
  bool OnInitDialog() override {
    graph = static_cast<DoubleClickWindow*>(
        ReplaceChild(kGraphId, std::make_unique<DoubleClickWindow>()));
    return true;
  }
};

// The toolkit reports the second and later clicks of a quick series as double clicks; a control
// that gives them no meaning counts each as the click it is.
TEST(MouseTest, QuickClicksAllCountWhereADoubleClickMeansNothing) {
  HeadlessSession session;
  ClickDialog dialog;
  std::string spun;
  int slider = -1;
  std::vector<std::string> graph_log;
  session.user()
      .MouseDown(kSpinId, {8, 3})  // the up arrow: once, then twice more as double clicks
      .MouseUp(kSpinId, {8, 3})
      .DoubleClick(kSpinId, {8, 3})
      .DoubleClick(kSpinId, {8, 3})
      .Do([&] { spun = dialog.Item(kSpinBuddyId)->text(); })
      .MouseDown(kBarId, {195, 8})  // the right arrow
      .MouseUp(kBarId, {195, 8})
      .DoubleClick(kBarId, {195, 8})
      .MouseDown(kSliderId, {20, 10})
      .MouseUp(kSliderId, {20, 10})
      .DoubleClick(kSliderId, {101, 10})
      .Do([&] { slider = dialog.Item<Trackbar>(kSliderId)->pos(); })
      .MouseDown(kGraphId, {20, 20})
      .MouseUp(kGraphId, {20, 20})
      .DoubleClick(kGraphId, {20, 20})
      .Do([&] { graph_log = dialog.graph->log; })
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(spun, "53");
  const int line = static_cast<int>(ScrollCode::kLineDown),
            end = static_cast<int>(ScrollCode::kEndScroll);
  EXPECT_EQ(dialog.bar_codes, (std::vector<int>{line, end, line, end}));
  EXPECT_EQ(slider, 75);  // where the double click was: (101 - 5) * 100 / 128, rounded
  EXPECT_EQ(graph_log, (std::vector<std::string>{"down", "double"}));
  EXPECT_TRUE(session.errors().empty());
}

// A button that shows whether the mouse is over it.
class HoverButton : public Button {
 public:
  bool hovered() const { return hover(); }
};

TEST(MouseTest, LeavingTheWindowEndsTheHoverUnlessTheMouseIsCaptured) {
  HeadlessSession session;
  GraphDialog dialog;
  HoverButton* button = nullptr;
  std::vector<bool> seen;
  auto look = [&] { seen.push_back(button->hovered()); };
  session.user()
      .Do([&] {
        button =
            static_cast<HoverButton*>(dialog.ReplaceChild(kIdOk, std::make_unique<HoverButton>()));
      })
      .MouseMove(kIdOk, {5, 5})
      .Do(look)
      .Do([&] { internal::System::Get().DispatchLeave(dialog); })
      .Do(look)
      .MouseMove(kIdOk, {5, 5})
      .Do([&] { SetCapture(button); })
      .Do([&] { internal::System::Get().DispatchLeave(dialog); })
      .Do(look)
      .Do([&] { ReleaseCapture(); })
      .Close();
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(session.errors().empty());
}

// The backend's view of a control, counting how often it was told to show the model again.
class CountingPeer : public internal::Peer {
 public:
  explicit CountingPeer(int* syncs) : syncs_(syncs) {}
  void Sync() override { ++*syncs_; }
  void Repaint() override {}

 private:
  int* syncs_;
};

// A control of a disabled dialog is drawn disabled: its view hears of the dialog's change,
// both ways, and the control reads as disabled meanwhile.
TEST(EnableTest, ControlsShowTheirDialogsEnabledState) {
  HeadlessSession session;
  GraphDialog dialog;
  ASSERT_TRUE(dialog.Create());
  Window* ok = dialog.Item(kIdOk);
  int syncs = 0;
  ok->set_peer(std::make_unique<CountingPeer>(&syncs));
  dialog.Enable(false);
  EXPECT_EQ(syncs, 1);
  EXPECT_FALSE(ok->IsEnabled());
  dialog.Enable(true);
  EXPECT_EQ(syncs, 2);
  EXPECT_TRUE(ok->IsEnabled());
  ok->set_peer(nullptr);
  dialog.Destroy();
}

TEST(ScriptTest, StepsThatFindNothingAreReported) {
  HeadlessSession session;
  GraphDialog dialog;
  session.user().Click(4242).Answer(kIdYes).ChooseMenuItem(5).Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(session.errors().size(), 3u);
}

}  // namespace
}  // namespace vtr::platform
