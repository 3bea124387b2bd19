#include "platform/window/dialog.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

#include "platform/window/headless.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace {

constexpr int kEditId = 10;
constexpr int kComboId = 11;
constexpr int kPlayId = 12;
constexpr int kStopId = 13;

DialogTemplate TestTemplate() {
  // clang-format off
  return DialogTemplate{
      .id = 900,
      .caption = "テスト",
      .size = {200, 120},
      .units = DialogUnits::kDialog,
      .controls = {
          {kEditId, ControlKind::kEdit, "", {7, 7, 120, 14}},
          {kComboId, ControlKind::kComboBox, "", {7, 25, 80, 60}, 0, {"おとこのひと", "おんなのひと", "ロボット"}},
          {kPlayId, ControlKind::kButton, "Play", {7, 45, 40, 14}},
          {kStopId, ControlKind::kButton, "Stop", {50, 45, 40, 14}},
          {kIdOk, ControlKind::kButton, "OK", {100, 100, 40, 14}, kStyleDefault},
          {kIdCancel, ControlKind::kButton, "ｷｬﾝｾﾙ", {150, 100, 40, 14}},
      }};
  // clang-format on
}

// A dialog that writes down what reached it.
class RecordingDialog : public Dialog {
 public:
  explicit RecordingDialog(Window* owner = nullptr) : Dialog(TestTemplate(), owner) {}
  std::vector<std::string> log;
  std::function<void(int)> on_command;
  bool filter_ctrl_up = false;

  void OnCommand(int id, Notice notice) override {
    log.push_back("command " + std::to_string(id) + " " + std::to_string(static_cast<int>(notice)));
    if (on_command) on_command(id);
    Dialog::OnCommand(id, notice);
  }
  void OnTimer(int id) override { log.push_back("timer " + std::to_string(id)); }
  bool PreTranslateKey(const KeyEvent& event, Window* target) override {
    if (filter_ctrl_up && event.kind == KeyEvent::Kind::kDown && event.key == kKeyUp &&
        (event.modifiers & kModCtrl)) {
      log.push_back("filter ctrl+up for " + std::to_string(target->id()));
      return true;
    }
    return Dialog::PreTranslateKey(event, target);
  }

 protected:
  bool OnInitDialog() override {
    log.push_back("init");
    return true;
  }
};

// A dialog opens centred over the window below it (its owner, or for a library's dialog the one
// active when it opens), and never outside the screen (1024 x 768 headless).
TEST(DialogTest, OpensCentredOverTheWindowBelowItAndInsideTheScreen) {
  struct Case {
    Point below;  // top left of the window below (350 x 180, as the dialog)
    bool owned;
    Point expected;
    const char* why;
  };
  const Case cases[] = {
      {{100, 120}, false, {100, 120}, "over the active window"},
      {{100, 120}, true, {100, 120}, "over its owner"},
      {{900, 700}, false, {1024 - 350, 768 - 180}, "kept inside at the bottom right"},
      {{-200, -100}, true, {0, 0}, "kept inside at the top left"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    HeadlessSession session;
    RecordingDialog below;
    std::unique_ptr<RecordingDialog> dialog;
    Rect first, placed;
    session.user()
        .Do([&] {
          first = below.rect();
          below.MoveTo(c.below);
          dialog = std::make_unique<RecordingDialog>(c.owned ? &below : nullptr);
          EXPECT_EQ(dialog->DoModal(), kIdOk);
        })
        .Do([&] { placed = dialog->rect(); })
        .Click(kIdOk)
        .Click(kIdOk);
    EXPECT_EQ(below.DoModal(), kIdOk);
    // With no window at all: the middle of the screen.
    EXPECT_EQ(first, Rect::FromSize((1024 - 350) / 2, (768 - 180) / 2, 350, 180));
    EXPECT_EQ(placed, Rect::FromSize(c.expected.x, c.expected.y, 350, 180));
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(DialogTest, BuildsControlsFromTheTemplateInPixels) {
  HeadlessSession session;
  RecordingDialog dialog;
  Rect edit_rect, dialog_rect;
  std::string combo_second;
  session.user()
      .Do([&] {
        edit_rect = dialog.Item(kEditId)->rect();
        dialog_rect = dialog.rect();
        combo_second = dialog.Item<ComboBox>(kComboId)->item(1);
      })
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(edit_rect, Rect::FromSize(12, 11, 210, 21));  // 1.75 pixels across, 1.5 down per unit
  EXPECT_EQ(dialog_rect.width(), 350);
  EXPECT_EQ(combo_second, "おんなのひと");
  EXPECT_FALSE(dialog.built());
  EXPECT_EQ(dialog.Item(kEditId), nullptr);  // controls live only while the dialog runs
  EXPECT_TRUE(session.errors().empty());
}

TEST(DialogTest, ButtonsEndTheDialogWithTheirResult) {
  struct Case {
    const char* name;
    std::function<void(ScriptedUser&)> script;
    int result;
  };
  const Case cases[] = {
      {"OK button", [](ScriptedUser& u) { u.Click(kIdOk); }, kIdOk},
      {"Cancel button", [](ScriptedUser& u) { u.Click(kIdCancel); }, kIdCancel},
      {"Enter presses the default button", [](ScriptedUser& u) { u.Key(kKeyReturn); }, kIdOk},
      {"Escape cancels", [](ScriptedUser& u) { u.Key(kKeyEscape); }, kIdCancel},
      {"close box cancels", [](ScriptedUser& u) { u.Close(); }, kIdCancel},
      {"no steps left ends the loop", [](ScriptedUser&) {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    RecordingDialog dialog;
    c.script(session.user());
    EXPECT_EQ(dialog.DoModal(), c.result);
    EXPECT_EQ(session.errors().empty(), c.result != -1);
  }
}

TEST(DialogTest, CommandsAndNoticesAreRoutedById) {
  HeadlessSession session;
  RecordingDialog dialog;
  int plays = 0, changes = 0, selections = 0;
  dialog.Bind(kPlayId, Notice::kClicked, [&] { ++plays; });
  dialog.Bind(kEditId, Notice::kChange, [&] { ++changes; });
  dialog.Bind(kComboId, Notice::kSelChange, [&] { ++selections; });
  session.user().Click(kPlayId).Type(kEditId, "かな").Select(kComboId, 2).Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(plays, 1);
  EXPECT_EQ(changes, 2);  // one per typed character
  EXPECT_EQ(selections, 1);
}

TEST(DialogTest, ValuesSetFromCodeRaiseNoNotice) {
  HeadlessSession session;
  RecordingDialog dialog;
  session.user()
      .Do([&] {
        dialog.log.clear();
        dialog.Item<Edit>(kEditId)->SetText("KV#J");
        dialog.Item<Edit>(kEditId)->ReplaceSel("あ");
        dialog.Item<ComboBox>(kComboId)->SetCurSel(1);
      })
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_EQ(dialog.log.size(), 1u);
  EXPECT_EQ(dialog.log[0], "command 1 0");
}

TEST(DialogTest, KeyFilterSeesKeysBeforeTheFocusedControl) {
  HeadlessSession session;
  RecordingDialog dialog;
  dialog.filter_ctrl_up = true;
  int selection_after = -2;
  session.user()
      .Do([&] { dialog.Item<ComboBox>(kComboId)->SetCurSel(1); })
      .Focus(kComboId)
      .Key(kKeyUp, kModCtrl)  // the filter takes it: the list keeps its entry
      .Do([&] { selection_after = dialog.Item<ComboBox>(kComboId)->cur_sel(); })
      .Key(kKeyUp)  // plain Up reaches the list
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(selection_after, 1);
  EXPECT_EQ(dialog.Item<ComboBox>(kComboId), nullptr);
  EXPECT_NE(std::find(dialog.log.begin(), dialog.log.end(), "filter ctrl+up for 11"),
            dialog.log.end());
  EXPECT_NE(std::find(dialog.log.begin(), dialog.log.end(), "command 11 2"), dialog.log.end());
}

TEST(DialogTest, AcceleratorsSendTheirCommands) {
  static constexpr Accelerator kTable[] = {{'O', kModCtrl, 151}, {'S', kModCtrl, 152}};
  HeadlessSession session;
  RecordingDialog dialog;
  dialog.SetAccelerators(kTable);
  session.user().Key('S', kModCtrl).Key('O').Key('O', kModCtrl).Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  const std::vector<std::string> expected = {"init", "command 152 0", "command 151 0",
                                             "command 2 0"};
  EXPECT_EQ(dialog.log, expected);
}

// A modifier's key-up that went to a menu is not remembered as held: the keyboard's own
// state decides, so Ctrl+S is Ctrl+S and not Ctrl+Alt+S.
TEST(DialogTest, AcceleratorsGoByTheKeyboardNotByTheKeysSeen) {
  static constexpr Accelerator kTable[] = {{'S', kModCtrl, 152}};
  for (const int lost : {kKeyAlt, kKeyShift}) {
    SCOPED_TRACE(lost);
    HeadlessSession session;
    RecordingDialog dialog;
    dialog.SetAccelerators(kTable);
    bool still_held = true;
    session.user()
        .KeyDown(lost)
        .ReleaseUnseen(lost)
        .Do([&] { still_held = IsKeyDown(lost); })
        .Key('S', kModCtrl)
        .Click(kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_FALSE(still_held);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"init", "command 152 0", "command 2 0"}));
  }
}

TEST(DialogTest, ModalDialogsGiveTheFocusBackWhenTheyClose) {
  struct Case {
    const char* name;
    bool box_inside_dialog;  // a message box over a dialog over the owner, else a box alone
    bool hide_meanwhile;     // the focused control is hidden while the modal one runs
    bool focus_back;
  };
  const Case cases[] = {
      {"a message box", false, false, true},
      {"a box over a dialog, each closing in turn", true, false, true},
      {"a control hidden meanwhile gets nothing", false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    RecordingDialog owner;
    RecordingDialog inner(&owner);
    bool inner_focus_back = false;
    bool owner_focus_back = false;
    inner.Bind(kPlayId, Notice::kClicked, [&] {
      inner.Item(kComboId)->SetFocus();
      (void)MessageBox(&inner, "Kelvoxの書式が正しくありません。", "Voxtrel", kMbOk | kMbIconError);
      inner_focus_back = inner.Item(kComboId)->HasFocus();
    });
    owner.Bind(kPlayId, Notice::kClicked, [&] {
      owner.Item(kEditId)->SetFocus();
      if (c.box_inside_dialog) {
        (void)inner.DoModal();
      } else {
        (void)MessageBox(&owner, "Kelvoxの書式が正しくありません。", "Voxtrel",
                         kMbOk | kMbIconError);
      }
      owner_focus_back = owner.Item(kEditId)->HasFocus();
    });
    session.user().Click(kPlayId);
    if (c.box_inside_dialog) session.user().Click(kPlayId);
    if (c.hide_meanwhile) session.user().Do([&] { owner.Item(kEditId)->Show(false); });
    session.user().Answer(kIdOk);
    if (c.box_inside_dialog) session.user().Click(kIdCancel);
    session.user().Click(kIdCancel);
    EXPECT_EQ(owner.DoModal(), kIdCancel);
    EXPECT_EQ(owner_focus_back, c.focus_back);
    EXPECT_EQ(inner_focus_back, c.box_inside_dialog);
    EXPECT_TRUE(session.errors().empty());
  }
}

// A chooser or a menu holds the keyboard while it runs, and a box runs a loop of its own: when it
// goes, the window that had the keyboard is asked to the front with it, and the control that had
// the focus keeps it.
TEST(DialogTest, TheKeyboardGoesBackAfterAChooserAMenuOrABox) {
  struct Case {
    const char* name;
    std::function<void(Window&)> open;
    std::function<void(ScriptedUser&)> answer;
  };
  const Case cases[] = {
      {"a file chooser", [](Window& owner) { (void)ShowFileDialog(&owner, FileDialogRequest{}); },
       [](ScriptedUser& user) { user.ChooseFile("/tmp/a.kvx"); }},
      {"a popup menu",
       [](Window& owner) {
         (void)TrackPopupMenu(&owner, Menu({MenuItem::Command(181, "追加")}), {0, 0});
       },
       [](ScriptedUser& user) { user.ChooseMenuItem(181); }},
      {"a message box",
       [](Window& owner) {
         (void)MessageBox(&owner, "Kelvoxの書式が正しくありません。", "Voxtrel", kMbOk);
       },
       [](ScriptedUser& user) { user.Answer(kIdOk); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    RecordingDialog owner;
    std::vector<void*> activations;
    bool focus_back = false;
    owner.Bind(kPlayId, Notice::kClicked, [&] {
      owner.Item(kEditId)->SetFocus();
      const size_t before = session.activations().size();
      c.open(owner);
      activations.assign(session.activations().begin() + static_cast<ptrdiff_t>(before),
                         session.activations().end());
      focus_back = owner.Item(kEditId)->HasFocus();
    });
    session.user().Click(kPlayId);
    c.answer(session.user());
    session.user().Click(kIdCancel);
    EXPECT_EQ(owner.DoModal(), kIdCancel);
    EXPECT_EQ(activations, std::vector<void*>{owner.handle()});
    EXPECT_TRUE(focus_back);
    EXPECT_TRUE(session.errors().empty()) << session.errors().front();
  }
}

TEST(DialogTest, MessageBoxReturnsThePressedButtonAndRecordsTheBox) {
  struct Case {
    uint32_t style;
    int answer;  // pressed button, or 0 for Escape
    int expected;
  };
  const Case cases[] = {
      {kMbOk | kMbIconError, kIdOk, kIdOk},
      {kMbYesNo | kMbIconQuestion, kIdYes, kIdYes},
      {kMbYesNo | kMbIconQuestion, kIdNo, kIdNo},
      {kMbYesNoCancel | kMbIconQuestion, kIdCancel, kIdCancel},
      {kMbYesNoCancel | kMbIconQuestion, 0, kIdCancel},
      {kMbOk | kMbIconWarning, 0, kIdOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    HeadlessSession session;
    if (c.answer == 0) {
      session.user().Key(kKeyEscape);
    } else {
      session.user().Answer(c.answer);
    }
    EXPECT_EQ(MessageBox(nullptr, "保存しますか?", "Voxtrel", c.style), c.expected);
    ASSERT_EQ(session.message_boxes().size(), 1u);
    EXPECT_EQ(session.message_boxes()[0].text, "保存しますか?");
    EXPECT_EQ(session.message_boxes()[0].style, c.style);
    EXPECT_EQ(session.message_boxes()[0].answer, c.expected);
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(DialogTest, YesNoBoxIgnoresEscape) {
  HeadlessSession session;
  session.user().Key(kKeyEscape).Answer(kIdNo);
  EXPECT_EQ(MessageBox(nullptr, "Destroy all data in this dialog?", "", kMbYesNo | kMbIconQuestion),
            kIdNo);
  EXPECT_EQ(session.message_boxes()[0].caption, ApplicationTitle());  // no owner: the title
  EXPECT_EQ(session.steps_left(), 0u);
}

TEST(DialogTest, PostedCommandFromAnotherThreadArrivesOnceInANestedLoop) {
  HeadlessSession session;
  RecordingDialog outer;
  RecordingDialog inner(&outer);
  std::thread sound;
  int box_answer = 0;
  int stops = 0;
  outer.Bind(kStopId, Notice::kClicked, [&] { ++stops; });
  outer.Bind(kPlayId, Notice::kClicked, [&] { EXPECT_EQ(inner.DoModal(), kIdOk); });
  inner.Bind(kPlayId, Notice::kClicked, [&] {
    box_answer = MessageBox(&inner, "Kelvox was changed.\nSave changes?", "Voxtrel",
                            kMbYesNoCancel | kMbIconQuestion);
  });
  session.user()
      .Click(kPlayId)  // outer opens inner
      .Click(kPlayId)  // inner opens a box
      .Do([&] { sound = std::thread([&] { PostCommand(outer.handle(), kStopId); }); })
      .WaitForPost()
      .Do([&] { EXPECT_EQ(stops, 1); })  // arrived while the box runs, two loops deep
      .Answer(kIdYes)
      .Click(kIdOk)   // inner
      .Click(kIdOk);  // outer
  EXPECT_EQ(outer.DoModal(), kIdOk);
  sound.join();
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(box_answer, kIdYes);
  EXPECT_TRUE(session.errors().empty());
}

TEST(DialogTest, CommandPostedToADeadWindowIsDropped) {
  HeadlessSession session;
  void* handle = nullptr;
  {
    RecordingDialog gone;
    handle = gone.handle();
  }
  RecordingDialog dialog;
  session.user().Do([&] { PostCommand(handle, kStopId); }).Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(Window::FromHandle(handle), nullptr);
  EXPECT_TRUE(session.errors().empty());
}

TEST(DialogTest, OwnerTakesNoInputWhileItsModalChildRuns) {
  HeadlessSession session;
  RecordingDialog outer;
  RecordingDialog inner(&outer);
  bool owner_enabled_inside = true;
  outer.Bind(kPlayId, Notice::kClicked, [&] { (void)inner.DoModal(); });
  session.user()
      .Click(kPlayId)
      .Do([&] { owner_enabled_inside = outer.enabled(); })
      .Click(kIdCancel)
      .Click(kIdCancel);
  EXPECT_EQ(outer.DoModal(), kIdCancel);
  EXPECT_FALSE(owner_enabled_inside);
}

TEST(DialogTest, TooltipsByControlAndByRectangle) {
  HeadlessSession session;
  RecordingDialog dialog;
  std::string on_play, on_rect, on_nothing;
  session.user()
      .Do([&] {
        dialog.Item(kPlayId)->SetTooltip("Kelvoxを再生します！");
        dialog.AddTooltipRect(Rect{132, 178, 205, 187}, "ボリュームを変更します。");
        const Rect play = dialog.Item(kPlayId)->rect();
        on_play = dialog.TooltipAt({play.left + 2, play.top + 2});
        on_rect = dialog.TooltipAt({140, 180});
        on_nothing = dialog.TooltipAt({290, 5});
      })
      .Click(kIdOk);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(on_play, "Kelvoxを再生します！");
  EXPECT_EQ(on_rect, "ボリュームを変更します。");
  EXPECT_EQ(on_nothing, "");
}

TEST(DialogTest, ModelessDialogTakesInputWithoutALoopOfItsOwn) {
  HeadlessSession session;
  RecordingDialog dialog;
  ASSERT_TRUE(dialog.Create());
  EXPECT_FALSE(dialog.Create());
  int plays = 0;
  dialog.Bind(kPlayId, Notice::kClicked, [&] { ++plays; });
  session.user().Click(kPlayId);
  PumpUntil([&] { return session.steps_left() == 0; });
  EXPECT_EQ(plays, 1);
  dialog.Destroy();
  EXPECT_FALSE(dialog.built());
}

}  // namespace
}  // namespace vtr::platform
