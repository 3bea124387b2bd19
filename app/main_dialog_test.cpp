#include "app/main_dialog.h"

#include <gtest/gtest.h>

#include <map>

#include "app/main_app.h"
#include "app/testing/fake_intonation_dialog.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "platform/scratch_folder.h"
#include "platform/single_instance.h"
#include "platform/window/controls.h"
#include "platform/window/headless.h"
#include "platform/window/window_system.h"
#include "playback/window_ports.h"
#include "resources/resources.h"
#include "resources/testing/built_from_template.h"

namespace vtr::app {
namespace {

using platform::kIdNo;
using platform::kIdYes;

class RecordingPlayer : public PlayerPort {
 public:
  int Open(std::string_view path, uint32_t mode, int param) override {
    log.push_back("open " + std::string(path) + " " + std::to_string(mode) + " " +
                  std::to_string(param));
    return open_result;
  }
  int Play(void* window, int id, int volume, int voice, std::string_view text) override {
    log.push_back("play " + std::to_string(id) + " " + std::to_string(volume) + " " +
                  std::to_string(voice));
    played_window = window;
    played_text = std::string(text);
    return play_result;
  }
  int Stop() override {
    log.push_back("stop");
    return 0;
  }
  int Close() override {
    log.push_back("close");
    return 0;
  }
  int language() const override { return language_nibble; }

  std::vector<std::string> log;
  int language_nibble = 2;  // Japanese
  int open_result = 0;
  int play_result = 0;
  void* played_window = nullptr;
  std::string played_text;
};

class FakeFiles : public ScriptFilesPort {
 public:
  int OpenScriptFile(std::string& path, std::string& text, core::ScriptLanguage, bool,
                     std::string*) override {
    ++opens;
    cursor_at_open = platform::CurrentCursor();
    if (path.empty()) path = chosen_path;
    auto it = files.find(path);
    if (it == files.end()) return -1;
    text = it->second;
    return 0;
  }
  int SaveScriptAs(std::string& path, const std::string& script, core::ScriptLanguage,
                   const std::string&) override {
    if (save_result != 0) return save_result;
    path = chosen_path;
    files[path] = script;
    return 0;
  }
  std::map<std::string, std::string> files;
  std::string chosen_path = "/tmp/chosen.kvx";
  int save_result = 0;
  int opens = 0;
  platform::Cursor cursor_at_open = platform::Cursor::kArrow;  // while the file was read
};

std::string Message(unsigned id) {
  return std::string(core::MessageText(core::kBuildMessageLanguage, id));
}

class MainDialogTest : public ::testing::Test {
 protected:
  MainDialogTest() { core::InstallMessagePresenter(&presenter_); }
  ~MainDialogTest() override { core::InstallMessagePresenter(nullptr); }

  MainDialog::Services Services() {
    return {.player = &player,
            .files = &files,
            .messages = &messages,
            .program_folder = "/opt/voxtrel",
            .converter_timeout = std::chrono::milliseconds(500),
            .about = nullptr};
  }

  playback::WindowPresenter presenter_;
  RecordingPlayer player;
  FakeFiles files;
  core::MessageReporter messages;
  platform::HeadlessSession session;
};

TEST(ChoosePlayStopTest, ShowsPlayOnlyForIdleTextAndStopOnlyWhilePlaying) {
  EXPECT_EQ(ChoosePlayStop(true, false), (PlayStopView{false, false}));
  EXPECT_EQ(ChoosePlayStop(true, true), (PlayStopView{false, false}));
  EXPECT_EQ(ChoosePlayStop(false, true), (PlayStopView{false, true}));
  EXPECT_EQ(ChoosePlayStop(false, false), (PlayStopView{true, false}));
}

TEST(VoiceCommandTest, ChecksTheFirstVoiceOutsideOneToFifteen) {
  for (auto [voice, command] :
       {std::pair{0, 32773}, {1, 32774}, {15, 32788}, {16, 32773}, {-1, 32773}}) {
    EXPECT_EQ(VoiceCommand(voice), command) << voice;
  }
}

TEST_F(MainDialogTest, PlayLocksTheWindowAndTheEndOfThePhraseRestoresPlay) {
  MainDialog dialog(Services());
  bool checked = false;
  session.user()
      .Do([&] {
        EXPECT_FALSE(dialog.Item(kIdPlay)->visible());
        EXPECT_FALSE(dialog.Item(kIdStop)->visible());
      })
      .Type(kIdScriptBox, "かな")
      .Do([&] { EXPECT_TRUE(dialog.Item(kIdPlay)->visible()); })
      .Click(kIdPlay)
      .Do([&] {
        EXPECT_TRUE(dialog.playing());
        EXPECT_TRUE(dialog.Item<LockableEdit>(kIdScriptBox)->locked());
        EXPECT_FALSE(dialog.Item(kIdPlay)->visible());
        EXPECT_TRUE(dialog.Item(kIdStop)->visible());
        EXPECT_FALSE(dialog.accepts_files());
        EXPECT_TRUE(dialog.SystemMenu().items()[2].grayed);
      })
      .Key('O', platform::kModCtrl)  // refused while playing
      .Key('S', platform::kModCtrl)
      .MouseDown(0, {50, 10}, platform::MouseButton::kRight)  // no context menu
      .Click(kIdPower)                                        // close refused
      .Do([&] {
        EXPECT_TRUE(dialog.playing());
        platform::PostCommand(dialog.handle(), kIdStop);
      })
      .WaitForPost()
      .Do([&] {
        EXPECT_FALSE(dialog.playing());
        EXPECT_TRUE(dialog.Item(kIdPlay)->visible());
        EXPECT_FALSE(dialog.Item<LockableEdit>(kIdScriptBox)->locked());
        EXPECT_TRUE(dialog.accepts_files());
        checked = true;
      })
      .Click(kIdPower)
      .Answer(kIdNo);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(session.menus().empty());
  EXPECT_EQ(files.opens, 0);
  ASSERT_GE(player.log.size(), 1u);
  EXPECT_EQ(player.log[0], "play 1003 100 0");
  EXPECT_EQ(player.played_window, dialog.handle());
  EXPECT_EQ(player.played_text.substr(0, 4), "KV#J");
  ASSERT_EQ(session.message_boxes().size(), 1u);  // only the close question
  EXPECT_EQ(session.message_boxes()[0].text, Message(core::kMessageSaveChanges));
  EXPECT_TRUE(session.errors().empty()) << session.errors().front();
}

// Text copied in another program arrives in the script box as the run's language writes it: a
// character its encoding lacks becomes "?". While a phrase plays the box takes no paste.
TEST_F(MainDialogTest, PastedTextIsHeldToTheEncodingOfTheRunsLanguage) {
  struct Case {
    const char* name;
    int language;
    std::string box;  // the script box's bytes afterwards
  };
  const Case cases[] = {
      {"Japanese", 2, "?\x82\xA9"},
      {"Korean", 3, "\xB0\xA1\xAA\xAB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::HeadlessSession local;
    player.language_nibble = c.language;
    MainDialog dialog(Services());
    local.CopyInAnotherProgram("가か");
    std::string box;
    local.user()
        .Focus(kIdScriptBox)
        .Key('V', platform::kModCtrl)
        .Do([&] { box = dialog.EditText(); })
        .Click(kIdPower)
        .Answer(kIdNo);
    (void)dialog.DoModal();
    EXPECT_EQ(box, c.box);
    EXPECT_TRUE(local.errors().empty()) << local.errors().front();
  }
  player.language_nibble = 2;
  MainDialog dialog(Services());
  std::string box;
  session.user()
      .Type(kIdScriptBox, "かな")
      .Click(kIdPlay)
      .Do([&] { session.CopyInAnotherProgram("さ"); })
      .Key('V', platform::kModCtrl)
      .Do([&] {
        box = dialog.EditText();
        platform::PostCommand(dialog.handle(), kIdStop);
      })
      .WaitForPost()
      .Click(kIdPower)
      .Answer(kIdNo);
  (void)dialog.DoModal();
  EXPECT_EQ(box.find("\x82\xB3"), std::string::npos) << "the paste went into the locked box";
  EXPECT_TRUE(session.errors().empty()) << session.errors().front();
}

// A box with no sound in it is refused with a message before the player sees anything.
TEST_F(MainDialogTest, ABoxWithNothingToPlayNeverReachesThePlayer) {
  for (const char* typed : {"、。", "S70", "[memo]"}) {
    MainDialog dialog(Services());
    player.log.clear();
    const size_t before = session.message_boxes().size();
    session.user()
        .Type(kIdScriptBox, typed)
        .Click(kIdPlay)
        .Answer(platform::kIdOk)
        .Click(kIdPower)
        .Answer(kIdNo);
    (void)dialog.DoModal();
    EXPECT_EQ(player.log, std::vector<std::string>{"stop"}) << typed << ": only the close stops";
    ASSERT_GT(session.message_boxes().size(), before + 1) << typed;
    EXPECT_EQ(session.message_boxes()[before].text, Message(core::kMessageBadFormat)) << typed;
  }
  EXPECT_TRUE(session.errors().empty()) << session.errors().front();
}

TEST_F(MainDialogTest, CloseAsksOnlyWhenUnsavedAndYesSavesFirst) {
  struct Case {
    std::string name;
    bool type;
    std::vector<int> answers;
    size_t boxes;
    int result;
    bool saved_file;
  };
  const Case cases[] = {
      {"empty", false, {}, 0, platform::kIdOk, false},
      {"no", true, {kIdNo}, 1, platform::kIdOk, false},
      {"yes", true, {kIdYes}, 1, platform::kIdOk, true},
  };
  for (const Case& c : cases) {
    platform::HeadlessSession local;
    FakeFiles local_files;
    MainDialog::Services services = Services();
    services.files = &local_files;
    MainDialog dialog(services);
    if (c.type) local.user().Type(kIdScriptBox, "か");
    local.user().Key(platform::kKeyEscape);
    for (int answer : c.answers) local.user().Answer(answer);
    EXPECT_EQ(dialog.DoModal(), c.result) << c.name;
    EXPECT_EQ(local.message_boxes().size(), c.boxes) << c.name;
    EXPECT_EQ(local_files.files.count(local_files.chosen_path), c.saved_file ? 1u : 0u) << c.name;
    EXPECT_TRUE(local.errors().empty()) << c.name;
  }
}

TEST_F(MainDialogTest, CancelKeepsTheWindowOpen) {
  MainDialog dialog(Services());
  bool still_open = false;
  session.user()
      .Type(kIdScriptBox, "か")
      .Click(kIdPower)
      .Answer(platform::kIdCancel)
      .Do([&] { still_open = !dialog.ending(); })
      .Click(kIdPower)
      .Answer(kIdNo);
  (void)dialog.DoModal();
  EXPECT_TRUE(still_open);
}

// The site jump opens the help page of the program folder; with no browser on the machine the
// person is told so, with the page's path, instead of nothing happening.
TEST_F(MainDialogTest, TheSiteJumpSaysSoWhenNoBrowserOpensThePage) {
  for (const bool browser : {true, false}) {
    session.set_browser_present(browser);
    MainDialog dialog(Services());
    session.user().Do([&] { dialog.OnCommand(kCmdJumpToSite, platform::Notice::kClicked); });
    if (!browser) session.user().Answer(platform::kIdOk);
    session.user().Click(kIdPower);
    (void)dialog.DoModal();
  }
  EXPECT_EQ(session.opened_documents(),
            std::vector<std::string>(2, "/opt/voxtrel/links/links.html"));
  ASSERT_EQ(session.message_boxes().size(), 1u) << "only where no browser opened the page";
  EXPECT_EQ(session.message_boxes()[0].text,
            "ページを開くブラウザが見つかりませんでした。\n/opt/voxtrel/links/links.html");
  EXPECT_TRUE(session.errors().empty());
}

TEST_F(MainDialogTest, ContextMenuChecksTheVoiceAndGreysSaveOnEmptyText) {
  MainDialog dialog(Services());
  session.user()
      .MouseDown(0, {50, 10}, platform::MouseButton::kRight)
      .ChooseMenuItem(32776)  // voice 3
      .Type(kIdScriptBox, "か")
      .Key(platform::kKeyF10, platform::kModShift)
      .ChooseMenuItem(0)
      .Click(kIdPower)
      .Answer(kIdNo);
  (void)dialog.DoModal();
  ASSERT_EQ(session.menus().size(), 2u);
  const platform::Menu& first = session.menus()[0].menu;
  EXPECT_TRUE(first.Find(32773)->checked);
  EXPECT_TRUE(first.Find(kCmdSave)->grayed);
  const platform::Menu& second = session.menus()[1].menu;
  EXPECT_TRUE(second.Find(32776)->checked);
  EXPECT_FALSE(second.Find(32773)->checked);
  EXPECT_FALSE(second.Find(kCmdSave)->grayed);
  EXPECT_EQ(session.menus()[1].at.x, dialog.rect().left + 45);
  EXPECT_EQ(session.menus()[1].at.y, dialog.rect().top + 144);
  EXPECT_EQ(dialog.voice(), 3);
}

// A right click in the script box brings the box's own menu, one elsewhere the window's menu 129;
// while a phrase plays neither shows. The Menu key in the box is the box's, Shift+F10 the window's.
TEST_F(MainDialogTest, TheScriptBoxHasItsOwnMenuAndTheRestOfTheWindowMenu129) {
  enum class Menu { kNone, kBox, kWindow };
  enum class Way { kRightClickInTheBox, kRightClickOnTheSkin, kMenuKey, kShiftF10 };
  struct Case {
    const char* name;
    Way way;
    bool playing;
    Menu shown;
  };
  const Case cases[] = {
      {"a right click in the box", Way::kRightClickInTheBox, false, Menu::kBox},
      {"a right click on the skin", Way::kRightClickOnTheSkin, false, Menu::kWindow},
      {"the Menu key in the box", Way::kMenuKey, false, Menu::kBox},
      {"Shift+F10 in the box", Way::kShiftF10, false, Menu::kWindow},
      {"a right click in the box while playing", Way::kRightClickInTheBox, true, Menu::kNone},
      {"a right click on the skin while playing", Way::kRightClickOnTheSkin, true, Menu::kNone},
      {"the Menu key while playing", Way::kMenuKey, true, Menu::kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::HeadlessSession local;
    RecordingPlayer local_player;
    MainDialog::Services services = Services();
    services.player = &local_player;
    MainDialog dialog(services);
    local.CopyInAnotherProgram("さ");
    platform::ScriptedUser& user = local.user();
    user.Type(kIdScriptBox, "かな");
    if (c.playing) user.Click(kIdPlay);
    // The box's Paste brings the other program's text in; the window's menu is dismissed.
    auto choose = [&] {
      if (c.shown == Menu::kBox) user.ChooseMenuItem(platform::Edit::kMenuPaste);
      if (c.shown == Menu::kWindow) user.ChooseMenuItem(0);
    };
    // The window's menu comes as the right button goes down, the box's as it comes up.
    switch (c.way) {
      case Way::kRightClickInTheBox:
        user.MouseDown(kIdScriptBox, {20, 20}, platform::MouseButton::kRight)
            .MouseUp(kIdScriptBox, {20, 20}, platform::MouseButton::kRight);
        choose();
        break;
      case Way::kRightClickOnTheSkin:
        user.MouseDown(0, {50, 10}, platform::MouseButton::kRight);
        choose();
        user.MouseUp(0, {50, 10}, platform::MouseButton::kRight);
        break;
      case Way::kMenuKey:
        user.Key(platform::kKeyMenu);
        choose();
        break;
      case Way::kShiftF10:
        user.Key(platform::kKeyF10, platform::kModShift);
        choose();
        break;
    }
    if (c.playing) {
      user.Do([&] { platform::PostCommand(dialog.handle(), kIdStop); }).WaitForPost();
    }
    user.Do([&] {
          EXPECT_EQ(dialog.Item(kIdScriptBox)->text(), c.shown == Menu::kBox ? "かなさ" : "かな");
        })
        .Click(kIdPower)
        .Answer(kIdNo);
    (void)dialog.DoModal();
    EXPECT_TRUE(local.errors().empty());
    ASSERT_EQ(local.menus().size(), c.shown == Menu::kNone ? 0u : 1u);
    if (c.shown == Menu::kNone) continue;
    const platform::Menu& shown = local.menus()[0].menu;
    EXPECT_EQ(shown.Find(platform::Edit::kMenuPaste) != nullptr, c.shown == Menu::kBox);
    EXPECT_EQ(shown.Find(kCmdSave) != nullptr, c.shown == Menu::kWindow);
  }
}

// Commands, separators and popups of a menu, one line each, without checks and greying.
std::vector<std::string> Outline(const std::vector<platform::MenuItem>& items,
                                 const std::string& indent = "") {
  std::vector<std::string> lines;
  for (const platform::MenuItem& item : items) {
    lines.push_back(indent + (item.separator ? "-" : std::to_string(item.id) + " " + item.text));
    for (std::string& line : Outline(item.submenu, indent + "  ")) lines.push_back(std::move(line));
  }
  return lines;
}

bool SameImage(const platform::Image& a, const platform::Image& b) {
  return !a.empty() && a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// The window, its artwork, tooltips and menus all come from the program's resources, so that
// they cannot drift apart from what the resources hold.
TEST_F(MainDialogTest, TheWindowShowsTheProgramResources) {
  using resources::Module;
  MainDialog dialog(Services());
  session.user()
      .Do([&] {
        EXPECT_TRUE(resources::testing::BuiltFromTemplate(dialog, Module::kProgram, 102));
        struct Art {
          int button, slot, image;
        };
        const Art art[] = {{kIdPlay, kSlotHover, 192},   {kIdPlay, kSlotNormal, 191},
                           {kIdPlay, kSlotPressed, 193}, {kIdStop, kSlotHover, 195},
                           {kIdStop, kSlotNormal, 194},  {kIdStop, kSlotPressed, 196}};
        for (const Art& a : art) {
          EXPECT_TRUE(SameImage(dialog.Item<BitmapButton>(a.button)->slot_image(a.slot),
                                resources::LoadImage(Module::kProgram, a.image)))
              << a.image;
        }
        for (int id : {kIdPlay, kIdStop}) {
          EXPECT_FALSE(dialog.Item(id)->tooltip().empty());
          EXPECT_EQ(dialog.Item(id)->tooltip(), resources::LoadString(Module::kProgram, id));
        }
        EXPECT_EQ(dialog.TooltipAt({168, 182}),
                  resources::LoadString(Module::kProgram, kIdVolumeTip));
        std::vector<std::string> system = Outline(dialog.SystemMenu().items());
        ASSERT_FALSE(system.empty());
        system.erase(system.begin());  // Close, the one item left of the standard menu
        EXPECT_EQ(system, Outline(resources::LoadMenu(Module::kProgram, 130).FirstPopup().items()));
      })
      .MouseDown(0, {50, 10}, platform::MouseButton::kRight)
      .ChooseMenuItem(0)
      .Click(kIdPower);
  (void)dialog.DoModal();
  ASSERT_EQ(session.menus().size(), 1u);
  EXPECT_EQ(Outline(session.menus()[0].menu.items()),
            Outline(resources::LoadMenu(Module::kProgram, 129).FirstPopup().items()));
}

TEST_F(MainDialogTest, KnobFollowsTheMouseOnTheTrackAndRefusesWhilePlaying) {
  MainDialog dialog(Services());
  int after_click = -1;
  session.user()
      .MouseDown(0, {168, 182})
      .MouseUp(0, {168, 182})
      .Do([&] { after_click = dialog.volume(); })
      .MouseDown(0, {167, 182})  // the knob itself after the click
      .MouseMove(0, {300, 182})
      .MouseUp(0, {300, 182})
      .Click(kIdPower);
  (void)dialog.DoModal();
  EXPECT_EQ(after_click, 62);
  EXPECT_EQ(dialog.volume(), 127);
}

// The modifier of Alt+Space or Shift+F10 comes up while the menu has the keyboard.
TEST_F(MainDialogTest, ShortcutsWorkAfterAMenuClosedWithEscape) {
  struct Case {
    const char* name;
    int modifier;
    int key;
  };
  const Case cases[] = {{"Alt+Space", platform::kKeyAlt, platform::kKeySpace},
                        {"Shift+F10", platform::kKeyShift, platform::kKeyF10}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::HeadlessSession local;
    FakeFiles local_files;
    MainDialog::Services services = Services();
    services.files = &local_files;
    MainDialog dialog(services);
    local.user()
        .KeyDown(c.modifier)
        .Key(c.key)
        .ChooseMenuItem(0)
        .ReleaseUnseen(c.modifier)
        .Key('O', platform::kModCtrl)
        .Click(kIdPower);
    (void)dialog.DoModal();
    EXPECT_EQ(local.menus().size(), 1u);
    EXPECT_EQ(local_files.opens, 1);
    EXPECT_TRUE(local.errors().empty());
  }
}

// Every question box gives the keyboard back to the script box, which takes keys aimed at it only.
TEST_F(MainDialogTest, TheScriptBoxHasTheKeyboardAgainAfterEachBox) {
  struct Case {
    const char* name;
    const char* text;
    std::function<void(platform::ScriptedUser&)> box;
  };
  // clang-format off
  const Case cases[] = {
      {"517 from Escape, cancelled", "か",
       [](platform::ScriptedUser& u) { u.Key(platform::kKeyEscape).Answer(platform::kIdCancel); }},
      {"517 from the power button, cancelled", "か",
       [](platform::ScriptedUser& u) { u.Click(kIdPower).Answer(platform::kIdCancel); }},
      {"517 from the menu's quit, cancelled", "か",
       [](platform::ScriptedUser& u) {
         u.Key(platform::kKeyF10, platform::kModShift).ChooseMenuItem(kIdPower).Answer(platform::kIdCancel);
       }},
      {"516 from clear all, answered no", "か",
       [](platform::ScriptedUser& u) {
         u.Key(platform::kKeyF10, platform::kModShift).ChooseMenuItem(kCmdClearAll).Answer(kIdNo);
       }},
      {"502 from Play on a bad script", "qqq",
       [](platform::ScriptedUser& u) { u.Click(kIdPlay).Answer(platform::kIdOk); }},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::HeadlessSession local;
    MainDialog dialog(Services());
    bool focused = false;
    local.user().Type(kIdScriptBox, c.text);
    c.box(local.user());
    local.user()
        .Do([&] { focused = dialog.Item(kIdScriptBox)->HasFocus(); })
        .Key('A', platform::kModCtrl)  // reaches the box only when it has the keyboard
        .Do([&] {
          const auto [start, end] = dialog.Item<LockableEdit>(kIdScriptBox)->GetSel();
          EXPECT_EQ(start, 0);
          EXPECT_GT(end, 0);
        })
        .Click(kIdPower)
        .Answer(kIdNo);
    (void)dialog.DoModal();
    EXPECT_TRUE(focused);
    EXPECT_EQ(local.message_boxes().size(), 2u);
    EXPECT_TRUE(local.errors().empty());
  }
}

// Dragging the knob holds the cursor inside the track until the button comes up or the capture
// goes elsewhere.
TEST_F(MainDialogTest, KnobDragHoldsTheCursorInTheTrack) {
  MainDialog dialog(Services());
  std::vector<platform::Point> seen;
  auto note = [&] { seen.push_back(dialog.ScreenToClient(platform::CursorPos())); };
  session.user()
      .MouseDown(0, {187, 182})  // the knob at volume 100
      .MouseMove(0, {400, 300})
      .Do(note)
      .MouseMove(0, {-50, 100})
      .Do(note)
      .MouseUp(0, {-50, 100})
      .MouseMove(0, {400, 300})
      .Do(note)
      .MouseDown(0, {132, 182})  // the knob at volume 0
      .LoseCapture()
      .MouseMove(0, {400, 300})
      .Do(note)
      .Click(kIdPower);
  (void)dialog.DoModal();
  EXPECT_EQ(seen, (std::vector<platform::Point>{{205, 186}, {132, 178}, {400, 300}, {400, 300}}));
  EXPECT_EQ(dialog.volume(), 0);
}

TEST_F(MainDialogTest, LoadShowsTheEditorTextAndCountsAsSaved) {
  files.files["/tmp/a.kvx"] = "KV#J\x82\xA9\x82\xC8";
  MainDialog dialog(Services());
  session.user()
      .DropFiles({"/tmp/a.kvx"})
      .Do([&] {
        EXPECT_EQ(dialog.EditText(), "\x82\xA9\x82\xC8");
        EXPECT_TRUE(dialog.saved());
        EXPECT_EQ(dialog.script_path(), "/tmp/a.kvx");
        EXPECT_EQ(dialog.recorded_count(), 4);
      })
      .Click(kIdPlay)
      .Click(kIdStop)
      .Do([&] { EXPECT_TRUE(dialog.saved()); })  // playing does not make it unsaved
      .DropFiles({"/tmp/b.txt"})                 // wrong extension
      .Answer(platform::kIdOk)
      .Click(kIdPower);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  ASSERT_EQ(session.message_boxes().size(), 1u);
  EXPECT_EQ(session.message_boxes()[0].text, Message(core::kMessageBadExtension));
}

// A dropped file is taken under the wait cursor, put up before the file is read or refused and
// taken down once it is done with.
TEST_F(MainDialogTest, ADroppedFileIsTakenUnderTheWaitCursor) {
  files.files["/tmp/a.kvx"] = "KV#J\x82\xA9\x82\xC8";
  MainDialog dialog(Services());
  std::vector<platform::Cursor> after;
  const auto note_cursor = [&] { after.push_back(platform::CurrentCursor()); };
  session.user()
      .DropFiles({"/tmp/a.kvx"})
      .Do(note_cursor)
      .DropFiles({"/tmp/b.txt"})  // refused with a message
      .Answer(platform::kIdOk)
      .Do(note_cursor)
      .Click(kIdPower);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(files.opens, 1);
  EXPECT_EQ(files.cursor_at_open, platform::Cursor::kWait)
      << "the file was read before the wait cursor showed";
  ASSERT_EQ(session.message_boxes().size(), 1u);
  EXPECT_EQ(session.message_boxes()[0].cursor, platform::Cursor::kWait)
      << "the refusal came before the wait cursor";
  EXPECT_EQ(after, std::vector<platform::Cursor>(2, platform::Cursor::kArrow))
      << "the wait cursor stayed";
}

TEST_F(MainDialogTest, WorkersReportTheirFailures) {
  MainDialog dialog(Services());
  session.user()
      .Do([&] {
        std::string play, text;
        bool long_sentence = false;
        EXPECT_EQ(dialog.CheckForPlay(play, text, 0, false, long_sentence), kWorkBadScript);
        std::string editor;
        int voice = 5, count = 0;
        std::string empty;
        EXPECT_EQ(dialog.ConvertForEditor(editor, voice, empty, long_sentence, count), kWorkNoText);
        std::string huge = "KV#J" + std::string(40000, 'a');
        EXPECT_EQ(dialog.ConvertForEditor(editor, voice, huge, long_sentence, count), kWorkTooLong);
        std::string other = "KV#K";
        EXPECT_EQ(dialog.ConvertForEditor(editor, voice, other, long_sentence, count),
                  kWorkBadScript);
        std::string no_voice = "KV#J\x82\xA9";
        EXPECT_EQ(dialog.ConvertForEditor(editor, voice, no_voice, long_sentence, count), kWorkOk);
        EXPECT_EQ(voice, 0);
      })
      .Click(kIdPower);
  (void)dialog.DoModal();
  std::vector<std::string> texts;
  for (const auto& box : session.message_boxes()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{
                       Message(core::kMessageNothingToPlay), Message(core::kMessageNothingToPlay),
                       Message(core::kMessageScriptTooLong), Message(core::kMessageBadFormat)}));
}

TEST_F(MainDialogTest, ClearAllAsksWhenUnsavedAndReportsWhetherItCleared) {
  MainDialog dialog(Services());
  std::vector<bool> results;
  session.user()
      .Type(kIdScriptBox, "か")
      .Do([&] { results.push_back(dialog.ClearAll()); })
      .Answer(kIdNo)
      .Do([&] { results.push_back(dialog.ClearAll()); })
      .Answer(kIdYes)
      .Do([&] { results.push_back(dialog.ClearAll()); })
      .Click(kIdPower);
  (void)dialog.DoModal();
  EXPECT_EQ(results, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(session.message_boxes().size(), 2u);
  EXPECT_TRUE(dialog.script_path().empty());
}

TEST_F(MainDialogTest, MissingDialogLibrariesAreSilent) {
  MainDialog dialog(Services());
  session.user()
      .Type(kIdScriptBox, "か")
      .Key('E', platform::kModCtrl)
      .Key('W', platform::kModCtrl)
      .Click(kIdPower)
      .Answer(kIdNo);
  (void)dialog.DoModal();
  EXPECT_EQ(session.message_boxes().size(), 1u);                       // the close question only
  for (const std::string& call : player.log) EXPECT_EQ(call, "stop");  // never closed or reopened
}

// The program's start takes the single-instance lock in the runtime folder. Every test here
// has a runtime folder of its own, so that one test's lock (or that of a program another test
// started) never meets another's: the tests run side by side.
class MainAppTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(runtime_.ok()); }

  platform::ScratchFolder runtime_{"vtr-main-app-runtime", /*guarded=*/false};
  platform::ScopedEnvironmentVariable runtime_variable_{"XDG_RUNTIME_DIR",
                                                        runtime_.path().string()};
};

TEST_F(MainAppTest, SecondInstanceEndsWithoutAWindow) {
  platform::SingleInstance first(kInstanceName);
  ASSERT_TRUE(first.first());
  RecordingPlayer player;
  MainApp app({.program_folder = "/opt/voxtrel",
               .player = &player,
               .files = nullptr,
               .run = [](MainDialog&) {}});
  EXPECT_EQ(app.Run(), 0);
  EXPECT_FALSE(app.showed_window());
  EXPECT_TRUE(player.log.empty());
}

TEST_F(MainAppTest, OpensThePlayerOnTheProgramFolderAndClosesItAtTheEnd) {
  for (int open_result : {0, -19998}) {
    RecordingPlayer player;
    player.open_result = open_result;
    MainApp app({.program_folder = "/opt/voxtrel",
                 .player = &player,
                 .files = nullptr,
                 .run = [](MainDialog&) {}});
    EXPECT_EQ(app.Run(), open_result == 0 ? 0 : kExitNoPlayer);
    EXPECT_EQ(app.showed_window(), open_result == 0);
    ASSERT_FALSE(player.log.empty());
    EXPECT_EQ(player.log[0],
              "open /opt/voxtrel/Qs5_EmuKmw5.dll " + std::to_string(0x52000000) + " 129");
    EXPECT_EQ(player.log.size(), open_result == 0 ? 2u : 1u);
  }
}

}  // namespace
}  // namespace vtr::app

namespace vtr::app {
namespace {

std::vector<std::string>* g_log = nullptr;
void Hook(const char* what) { g_log->push_back(what); }

TEST_F(MainDialogTest, ScriptEditRoundTripClosesThePlayerAroundTheCall) {
  const std::filesystem::path folder = std::filesystem::path(VTR_TEST_BIN_DIR) / "fake_dialogs";
  struct Case {
    int result;
    std::string text;
    int volume;
  };
  for (const Case& c : {Case{1, "\x82\xA9\x82\xC8\x82\xA9", 80}, Case{2, "\x82\xA9", 100}}) {
    platform::Module fake;  // held here so the hook stays set while the window loads it again
    ASSERT_TRUE(fake.LoadFile(folder / "Vtr_KvxDlg.so")) << fake.error();
    RecordingPlayer local_player;
    g_log = &local_player.log;
    fake.Find<void(void (*)(const char*), int)>("FakeDialog_Set")(&Hook, c.result);
    platform::HeadlessSession local;
    MainDialog::Services services = Services();
    services.player = &local_player;
    services.program_folder = folder;
    MainDialog dialog(services);
    local.user()
        .Type(kIdScriptBox, "か")
        .Key('E', platform::kModCtrl)
        .Do([&] {
          EXPECT_EQ(dialog.EditText(), c.text) << c.result;
          EXPECT_EQ(dialog.volume(), c.volume) << c.result;
        })
        .Click(kIdPower)
        .Answer(kIdNo);
    (void)dialog.DoModal();
    ASSERT_GE(local_player.log.size(), 3u);
    EXPECT_EQ(local_player.log[0], "close");
    EXPECT_EQ(local_player.log[1], "dialog");
    EXPECT_EQ(local_player.log[2].substr(0, 5), "open ");
    fake.Find<void(void (*)(const char*), int)>("FakeDialog_Set")(nullptr, 1);
    g_log = nullptr;
  }
}

// What the stand-in intonation library saw. The test's own hold on the library is let go
// inside the dialog call: from then on only the window holds it, so the library is unloaded
// when the window frees it, and whatever the window did not copy out is gone.
struct IntonationRecord {
  std::vector<std::string>* log = nullptr;
  platform::Module* held = nullptr;
  FakeIntonationCall open{};
  std::string wave_path;
  std::string script;
  std::string script_path;
  int gets = 0;
};
IntonationRecord* g_intonation = nullptr;

std::string Text(const char* text) { return text == nullptr ? "(null)" : text; }

void IntonationHook(const FakeIntonationCall& call) {
  if (std::string_view(call.entry) == "get") {
    ++g_intonation->gets;
    return;
  }
  g_intonation->log->push_back("dialog");
  g_intonation->open = call;
  g_intonation->wave_path = Text(call.wave_path);
  g_intonation->script = Text(call.script);
  g_intonation->script_path = Text(call.script_path);
  g_intonation->held->Free();
}

TEST_F(MainDialogTest, IntonationRoundTripClosesThePlayerAroundTheCallAndTakesOverTheResult) {
  const std::filesystem::path folder = std::filesystem::path(VTR_TEST_BIN_DIR) / "fake_dialogs";
  struct Case {
    std::string name;
    FakeIntonationAnswer answer;
    std::string text;  // the box afterwards
    int voice;
    int volume;
    int count;
    int pass_through;
    std::string path;
    int gets;
  };
  const char* const kScript = "KV#JK3\x82\xA9\x82\xC8";  // かな in voice 3
  // clang-format off
  const Case cases[] = {
      {"ok", {1, 0, kScript, 3, 64, "/tmp/w2s.kvx", 7}, "\x82\xA9\x82\xC8", 3, 64, 4, 7, "/tmp/w2s.kvx", 1},
      // Four bytes are only the tag: the box is emptied and the library's voice is kept.
      {"tag only", {1, 0, "KV#J", 5, 90, "/tmp/w2s.kvx", 7}, "", 5, 90, 0, 7, "/tmp/w2s.kvx", 1},
      {"cancel", {2, 0, kScript, 3, 64, "/tmp/w2s.kvx", 7}, "\x82\xA9", 2, 100, 0, 0, "", 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    platform::Module fake;
    ASSERT_TRUE(fake.LoadFile(folder / "Vtr_W2SDlg.so")) << fake.error();
    RecordingPlayer local_player;
    IntonationRecord record;
    record.log = &local_player.log;
    record.held = &fake;
    g_intonation = &record;
    fake.Find<FakeIntonationSet>("FakeIntonation_Set")(&IntonationHook, c.answer);
    platform::HeadlessSession local;
    MainDialog::Services services = Services();
    services.player = &local_player;
    services.program_folder = folder;
    MainDialog dialog(services);
    local.user()
        .Type(kIdScriptBox, "か")
        .Do([&] { dialog.OnCommand(kCmdFirstVoice + 2, platform::Notice::kClicked); })
        .Key('W', platform::kModCtrl)
        .Do([&] {
          EXPECT_EQ(dialog.EditText(), c.text) << c.name;
          EXPECT_EQ(dialog.voice(), c.voice) << c.name;
          EXPECT_EQ(dialog.volume(), c.volume) << c.name;
          EXPECT_EQ(dialog.knob().value(), c.volume) << c.name;
          EXPECT_EQ(dialog.recorded_count(), c.count) << c.name;
          EXPECT_EQ(dialog.pass_through(), c.pass_through) << c.name;
          EXPECT_EQ(dialog.script_path(), c.path) << c.name;
          EXPECT_EQ(dialog.Item(kIdPlay)->visible(), !c.text.empty()) << c.name;
        })
        .Click(kIdPower);
    if (!c.text.empty()) local.user().Answer(kIdNo);
    (void)dialog.DoModal();
    g_intonation = nullptr;
    EXPECT_FALSE(fake.loaded()) << c.name;

    // The dialog got the checked script of the box with the voice, and nothing else held.
    EXPECT_EQ(record.open.saved, 0) << c.name;
    EXPECT_EQ(record.wave_path, "") << c.name;
    EXPECT_EQ(record.script.substr(0, 4), "KV#J") << c.name;
    EXPECT_NE(record.script.find("\x82\xA9"), std::string::npos) << c.name;
    EXPECT_EQ(record.open.voice, 2) << c.name;
    EXPECT_EQ(record.open.volume, 100) << c.name;
    EXPECT_EQ(record.script_path, "") << c.name;
    EXPECT_EQ(record.open.pass_through, 0) << c.name;
    EXPECT_EQ(record.gets, c.gets) << c.name;
    // The player is closed before the call and opened again after it, also when cancelled
    // (the close road's stop follows).
    const std::vector<std::string> expected = {
        "close", "dialog",
        "open " + (folder / "Qs5_EmuKmw5.dll").string() + " " + std::to_string(0x52100000) + " 129",
        "stop"};
    EXPECT_EQ(local_player.log, expected) << c.name;
    EXPECT_TRUE(local.errors().empty()) << c.name << ": " << local.errors().front();
  }
}

}  // namespace
}  // namespace vtr::app
