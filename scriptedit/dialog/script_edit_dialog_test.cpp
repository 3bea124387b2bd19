#include "scriptedit/dialog/script_edit_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/sound/sound_system.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/window/headless.h"
#include "playback/window_ports.h"
#include "resources/resources.h"
#include "resources/testing/built_from_template.h"
#include "scriptedit/dialog/menu_button.h"
#include "scriptedit/dialog/number_edit.h"

namespace vtr::scriptedit {
namespace {

using platform::Encoding;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using platform::ScriptedUser;

constexpr uint32_t kJ = 0x2000000;
constexpr uint32_t kK = 0x3000000;
constexpr uint32_t kG = 0x4000000;
constexpr uint32_t kC = 0x5000000;

std::string Sj(std::string_view utf8) { return platform::FromUtf8(Encoding::kShiftJis, utf8).text; }

Encoding EncodingOf(uint32_t language) {
  return language == kK   ? Encoding::kEucKr
         : language == kC ? Encoding::kGb2312
                          : Encoding::kShiftJis;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The dialog over the stand-in chip of the program folder, played on a sound device the test
// drives by hand (a phrase ends only when the test plays it out), with every message box shown
// in the headless session.
class ScriptEditDialogTest : public ::testing::Test {
 protected:
  ScriptEditDialogTest() {
    core::InstallMessagePresenter(&presenter_);
    playback::InstallCommandPoster(&poster_);
    platform::InstallSoundSystem(&sound_);
    scratch_ = std::filesystem::temp_directory_path() /
               ("vtr_kvxdlg_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(scratch_);
    std::filesystem::create_directories(scratch_);
  }
  ~ScriptEditDialogTest() override {
    dialog_.reset();
    player_.reset();
    platform::InstallSoundSystem(nullptr);
    playback::InstallCommandPoster(nullptr);
    core::InstallMessagePresenter(nullptr);
    std::filesystem::remove_all(scratch_);
  }

  // A dialog as VtrKvxDll_OpenDlg prepares it.
  ScriptEditDlg& Make(uint32_t language, std::string_view text, const std::string& emulator = "") {
    player_ = std::make_unique<playback::ScriptPlayer>();
    dialog_ = std::make_unique<ScriptEditDlg>(player_.get(), &reporter_);
    dialog_->SetLanguage(language);
    dialog_->set_chinese(language == kC);
    dialog_->set_mode_word(language | 0x50100000);
    dialog_->SetScriptText(text);
    dialog_->set_emulator_path(emulator.empty() ? std::string(VTR_DIST_DIR) + "/Qs5_EmuKmw5.dll"
                                                : emulator);
    dialog_->set_library_folder(scratch_);
    return *dialog_;
  }

  ScriptedUser& user() { return session_.user(); }
  // Plays the phrase out; its end reaches the dialog as a posted command.
  ScriptedUser& PlayOut() {
    return user().Do([this] { (void)sound_.Pump(size_t{1} << 22); }).WaitForPost();
  }
  // The script box's bytes (while the dialog runs).
  std::string Box() const {
    return dialog_->Item<platform::Edit>(kScriptBox)
        ->ScriptText(EncodingOf(dialog_->language()))
        .text;
  }
  // Puts the caret at the end of the script box (while the dialog runs).
  void CaretToEnd() const {
    auto* box = dialog_->Item<platform::Edit>(kScriptBox);
    box->SetSel(box->length(), box->length());
  }
  bool Enabled(int id) const { return dialog_->Item(id)->enabled(); }
  int Checked(int id) const { return dialog_->Item<platform::Button>(id)->check(); }
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : session_.message_boxes()) texts.push_back(box.text);
    return texts;
  }
  static std::string Message(unsigned id) {
    return std::string(core::MessageText(core::kBuildMessageLanguage, id));
  }

  platform::HeadlessSession session_;
  playback::WindowPresenter presenter_;
  playback::WindowPoster poster_;
  platform::FakeSoundSystem sound_;
  core::MessageReporter reporter_;
  std::unique_ptr<playback::ScriptPlayer> player_;
  std::unique_ptr<ScriptEditDlg> dialog_;
  std::filesystem::path scratch_;
};

TEST_F(ScriptEditDialogTest, OpensWithTheTextWithoutItsHeaderAndTheVoiceOfTheScript) {
  // A script as long as a recording gives: far beyond the few bytes a string keeps inside itself,
  // so that showing a view of a text that was replaced meanwhile cannot pass unseen.
  std::string recorded;
  for (int i = 0; i < 40; ++i)
    recorded += Sj("か'2き_1く") + "S" + std::to_string(40 + i % 20) + Sj("、");
  struct Case {
    uint32_t language;
    std::string text;
    std::string shown;
    int voice;
  };
  // clang-format off
  const Case cases[] = {
      {kJ, "KV#J" + Sj("か"), Sj("か"), 0},
      {kJ, "KV#JK3" + Sj("か"), "K3" + Sj("か"), 3},
      {kJ, "KV#JK2" + recorded, "K2" + recorded, 2},
      {kJ, "K5" + Sj("か"), "K5" + Sj("か"), 5},
      {kG, "KV#Gka", "ka", 0},
      {kG, "KV#Jka", "ka", 0},
      {kJ, "", "", 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    ScriptEditDlg& dialog = Make(c.language, c.text);
    std::string shown;
    int voice = -1;
    bool name_shown = true;
    user()
        .Do([&] {
          shown = Box();
          voice = dialog.Item<platform::ComboBox>(kVoiceList)->cur_sel();
          name_shown = dialog.Item(kNameBox)->visible() || dialog.Item(kNameLabel)->visible();
          EXPECT_EQ(dialog.text(), "Script Edit Dialog");
          EXPECT_EQ(dialog.Item<platform::ComboBox>(kVoiceList)->count(), 16);
          EXPECT_EQ(
              Checked(kOptimizeBox) + Checked(kRemainLinefeedBox) + Checked(kInsertSegmentEndBox),
              3);
          EXPECT_TRUE(dialog.Item(kScriptBox)->HasFocus());
        })
        .Click(kIdCancel);
    EXPECT_EQ(dialog.DoModal(), kIdCancel) << c.text;
    EXPECT_EQ(shown, c.shown) << c.text;
    EXPECT_EQ(voice, c.voice) << c.text;
    EXPECT_FALSE(name_shown);
  }
  EXPECT_TRUE(session_.message_boxes().empty());
  EXPECT_TRUE(session_.errors().empty());
}

// A canonical J script body (no header) of about `bytes` bytes: the voice and speed at its head,
// then sentences of kana with pitch steps, none near the 100-byte limit, so that no processing
// pass changes it.
std::string ScriptBody(size_t bytes) {
  const std::string sentence = Sj("かきくけこ'2さしすせそ,たちつてと_2なにぬねの.");
  std::string body = "K2S60" + Sj("あいう");  // 11 bytes
  while (body.size() + sentence.size() <= bytes) body += sentence;
  while (body.size() < bytes) body += Sj("ん");
  return body;
}

// The script reaches the box and comes back from OK unchanged on every road into the dialog,
// at lengths on both sides of a string's inline buffer and up to thousands of bytes.
TEST_F(ScriptEditDialogTest, ScriptsOfEveryLengthShowAndComeBackUnchanged) {
  enum class Road { kGivenText, kGivenPath, kOpenButton, kDropped };
  struct Case {
    const char* why;
    Road road;
    size_t bytes;
  };
  const Case cases[] = {
      {"given text, short", Road::kGivenText, 13},
      {"given text, past the inline buffer", Road::kGivenText, 17},
      {"given text, a few sentences", Road::kGivenText, 160},
      {"given text, thousands of bytes", Road::kGivenText, 3000},
      {"path at the start, short", Road::kGivenPath, 13},
      {"path at the start, a few sentences", Road::kGivenPath, 160},
      {"Open button, past the inline buffer", Road::kOpenButton, 17},
      {"Open button, thousands of bytes", Road::kOpenButton, 3000},
      {"dropped file, a few sentences", Road::kDropped, 160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string body = ScriptBody(c.bytes);
    const std::filesystem::path file = scratch_ / "long.kvx";
    WriteFile(file, "KV#J" + body);
    ScriptEditDlg& dialog = Make(kJ, c.road == Road::kGivenText ? "KV#J" + body : "");
    if (c.road == Road::kGivenPath) dialog.SetScriptPath(file.string());
    if (c.road == Road::kOpenButton) user().Click(kOpenButton).ChooseFile(file.string());
    if (c.road == Road::kDropped) user().DropFiles({file.string()});
    std::string box;
    user().Do([&] { box = Box(); }).Click(kOkButton);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    // Compared whole but not printed: a garbled text of thousands of bytes helps nobody.
    EXPECT_TRUE(box == body) << box.size() << " bytes shown of " << body.size();
    EXPECT_TRUE(dialog.GetScriptText() == "KV#J" + body) << "after OK";
  }
  EXPECT_TRUE(session_.message_boxes().empty()) << session_.message_boxes().front().text;
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, ATextThatFailsItsCheckShowsItsMessageAndIsKept) {
  ScriptEditDlg& dialog = Make(kJ, "KV#J");
  EXPECT_EQ(dialog.script_text(), "");
  const std::string long_text(32001, 'a');
  Make(kJ, long_text);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{Message(core::kMessageScriptTooLong)});
  EXPECT_EQ(dialog_->script_text(), long_text);
}

// A check runs under the wait cursor: the messages it shows come while the cursor shows, and the
// cursor goes once the check is done; a question of the dialog's own comes under the arrow.
TEST_F(ScriptEditDialogTest, ChecksRunUnderTheWaitCursor) {
  Make(kJ, std::string(32001, 'a'));  // the check of the text given at the start
  ScriptEditDlg& dialog = Make(kJ, "");
  platform::Cursor while_playing = platform::Cursor::kWait;
  user()
      .Type(kScriptBox, "か")
      .Click(kPlayButton)  // the check before playing
      .Answer(kIdOk)       // 515: the voice was inserted
      .Do([&] { while_playing = platform::CurrentCursor(); });
  PlayOut().Click(kIdCancel).Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(while_playing, platform::Cursor::kArrow) << "the wait cursor stayed after the check";
  std::vector<std::pair<std::string, platform::Cursor>> boxes;
  for (const auto& box : session_.message_boxes()) boxes.emplace_back(box.text, box.cursor);
  EXPECT_EQ(boxes, (std::vector<std::pair<std::string, platform::Cursor>>{
                       {Message(core::kMessageScriptTooLong), platform::Cursor::kWait},
                       {Message(core::kMessageVoiceInserted), platform::Cursor::kWait},
                       {Message(core::kMessageDiscardAll), platform::Cursor::kArrow}}));
}

TEST_F(ScriptEditDialogTest, ControlsFollowTheTextAndPlaying) {
  ScriptEditDlg& dialog = Make(kJ, "");
  const std::vector<int> idle_only = {kLoopBox,     kOpenButton,       kScriptBox,    kIdCancel,
                                      2047,         kSpeedEdit,        kVolumeSlider, kVoiceList,
                                      kOptimizeBox, kRemainLinefeedBox};
  user()
      .Do([&] {
        for (int id : {kOkButton, kSaveButton, kPlayButton, kStopButton})
          EXPECT_FALSE(Enabled(id)) << id;
        for (int id : idle_only) EXPECT_TRUE(Enabled(id)) << id;
      })
      .Type(kScriptBox, "か")
      .Do([&] {
        for (int id : {kOkButton, kSaveButton, kPlayButton}) EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_FALSE(Enabled(kStopButton));
        EXPECT_FALSE(dialog.unchanged());
        EXPECT_EQ(dialog.saved_flag(), 0);
      })
      .Click(kPlayButton)
      .Answer(kIdOk)  // 515: the voice was inserted
      .Do([&] {
        EXPECT_TRUE(dialog.playing());
        EXPECT_TRUE(Enabled(kStopButton));
        EXPECT_TRUE(dialog.Item(kStopButton)->HasFocus());
        for (int id : idle_only) EXPECT_FALSE(Enabled(id)) << id;
        for (int id : {kVolumeButton, 2013, kEchoButton}) EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_EQ(Box(), "K0" + Sj("か")) << "the processed text is shown";
      });
  PlayOut()
      .Do([&] {
        EXPECT_FALSE(dialog.playing());
        EXPECT_FALSE(Enabled(kStopButton));
        for (int id : idle_only) EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_TRUE(dialog.Item(kPlayButton)->HasFocus());
      })
      .Click(kPlayButton)
      .Click(kStopButton)
      .Do([&] { EXPECT_FALSE(dialog.playing()); })
      .Click(kIdCancel)
      .Answer(kIdYes);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{Message(core::kMessageVoiceInserted),
                                                  Message(core::kMessageDiscardAll)}));
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, PlayingAGScriptLeavesTheGTextInTheBox) {
  ScriptEditDlg& dialog = Make(kG, "KV#GK2ka");
  user().Click(kPlayButton).Do([&] {
    EXPECT_TRUE(dialog.playing());
    EXPECT_EQ(Box(), "K2ka");
  });
  PlayOut().Click(kOkButton);
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_TRUE(session_.message_boxes().empty()) << session_.message_boxes().front().text;
}

TEST_F(ScriptEditDialogTest, SymbolButtonsInsertTheirTextAndValue) {
  struct Case {
    uint32_t language;
    int button;
    int value_edit;
    std::string value;
    std::string inserted;
  };
  // clang-format off
  const Case cases[] = {
      {kJ, 2025, 0, "", "\x81\x40"},
      {kK, 2025, 0, "", "\xA1\xA1"},
      {kG, 2025, 0, "", " "},
      {kJ, 2023, 0, "", "\x81\x7C"},
      {kK, 2024, 0, "", "\xA2\xA6"},
      {kC, 2024, 0, "", "~"},
      {kJ, kSpeedButton, 0, "", "S50"},
      {kJ, kSpeedButton, kSpeedEdit, "0", "S0"},
      {kJ, 2003, 2047, "7", "'7"},
      {kJ, 2019, 2035, "12", "*12"},
      {kJ, 2020, 0, "", "?1"},
      {kJ, 2013, 0, "", "!"},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::string body = c.language == kJ ? Sj("か") : "a";
    ScriptEditDlg& dialog = Make(c.language, body);
    std::string box;
    if (c.value_edit != 0) user().Do([&] { dialog.Item(c.value_edit)->SetText(c.value); });
    user()
        .Click(c.button)
        .Do([&] {
          box = Box();
          EXPECT_FALSE(dialog.unchanged());
        })
        .Click(kIdCancel)
        .Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_EQ(box, c.inserted + body) << c.button;
  }
  EXPECT_TRUE(session_.errors().empty());
}

// The dialog stands as its template in the library's resources says, and every control that
// takes input, the value spins and the menu buttons included, shows the string of its id as its
// tooltip.
TEST_F(ScriptEditDialogTest, IsBuiltFromTheTemplateAndEveryControlShowsItsTooltip) {
  using resources::LoadString;
  using resources::Module;
  ScriptEditDlg& dialog = Make(kJ, Sj("か"));
  auto has_tooltip = [](int id) {
    return (id >= 2001 && id <= 2063) || (id >= kVolumeButton && id <= kVoiceButton);
  };
  user()
      .Do([&] {
        EXPECT_TRUE(resources::testing::BuiltFromTemplate(dialog, Module::kScriptEdit, 130));
        for (const auto& c : resources::FindDialog(Module::kScriptEdit, 130)->controls) {
          if (!has_tooltip(c.id)) continue;
          const std::string_view tip = LoadString(Module::kScriptEdit, c.id);
          EXPECT_FALSE(tip.empty()) << c.id;
          // A menu button's arrow takes its right fifth; the text part carries the tooltip.
          const platform::Rect place = dialog.Item(c.id)->rect();
          const platform::Point inside{place.left + place.width() / 4,
                                       place.top + place.height() / 2};
          EXPECT_EQ(dialog.TooltipAt(inside), tip) << c.id;
        }
      })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
}

TEST_F(ScriptEditDialogTest, MenuButtonsInsertTheirTokenAndShowIt) {
  using resources::LoadString;
  using resources::Module;
  const std::string volume(LoadString(Module::kScriptEdit, 32878));
  const std::string pitch(LoadString(Module::kScriptEdit, 32879));
  struct Case {
    std::function<void(ScriptEditDlg&, ScriptedUser&)> act;
    int button;
    std::string inserted;
    std::string caption;
  };
  // clang-format off
  const Case cases[] = {
      {[](ScriptEditDlg&, ScriptedUser& u) { u.Click(kVolumeButton); }, kVolumeButton, "V4", volume + ":V4"},
      {[](ScriptEditDlg&, ScriptedUser& u) { u.ClickArrow(kVolumeButton).ChooseMenuItem(32829); },
       kVolumeButton, "V1", volume + ":V1"},
      {[](ScriptEditDlg&, ScriptedUser& u) { u.ClickArrow(kVolumeButton).ChooseMenuItem(0); }, kVolumeButton,
       "", "Volume"},
      {[](ScriptEditDlg&, ScriptedUser& u) { u.Click(kPitchButton); }, kPitchButton, "C2", pitch + ":C2"},
      {[](ScriptEditDlg&, ScriptedUser& u) { u.Click(kAbsoluteStepsBox).Click(kPitchButton); }, kPitchButton,
       "/C2", pitch + ":C2"},
      {[](ScriptEditDlg&, ScriptedUser& u) { u.Click(kAbsoluteStepsBox).Click(kVolumeButton); }, kVolumeButton,
       "V4", volume + ":V4"},
      {[](ScriptEditDlg& d, ScriptedUser& u) {
         u.Do([&d] { d.Item<MenuButton>(kVolumeButton)->Setup(200, 12345); }).Click(kVolumeButton);
       },
       kVolumeButton, "", volume + ":"},
  };
  // clang-format on
  for (const Case& c : cases) {
    ScriptEditDlg& dialog = Make(kJ, Sj("か"));
    std::string box, caption;
    c.act(dialog, user());
    user()
        .Do([&] {
          box = Box();
          caption = dialog.Item(c.button)->text();
          if (!c.inserted.empty()) {
            EXPECT_TRUE(dialog.Item(kScriptBox)->HasFocus());
          }
        })
        .Click(kIdCancel)
        .Answer(kIdYes);
    if (c.inserted.empty()) session_.user().Do([] {});
    (void)dialog.DoModal();
    EXPECT_EQ(box, c.inserted + Sj("か")) << c.caption;
    EXPECT_EQ(caption, c.caption);
  }
}

TEST_F(ScriptEditDialogTest, InsertsAreIgnoredWhilePlaying) {
  ScriptEditDlg& dialog = Make(kJ, "K0" + Sj("か"));
  std::string box;
  user().Click(kPlayButton).Click(2013).Click(kVolumeButton).Click(kEchoButton).Do([&] {
    box = Box();
  });
  user().Click(kStopButton).Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_EQ(box, "K0" + Sj("か"));
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, EchoRewritesTheSelection) {
  const std::string ka = Sj("か"), ki = Sj("き"), ku = Sj("く");
  ScriptEditDlg& dialog = Make(kJ, ka + "<2" + ki + ku);
  std::string box;
  user()
      .Do([&] { dialog.Item<platform::Edit>(kScriptBox)->SetSelBytes(Encoding::kShiftJis, 4, 6); })
      .Click(kEchoButton)
      .Do([&] { box = Box(); })
      .Click(kIdCancel)
      .Answer(kIdYes);
  (void)dialog.DoModal();
  EXPECT_EQ(box, ka + "<2" + ki + "S99,S50>13" + ki + "S99,S50<2" + ku);
}

TEST_F(ScriptEditDialogTest, OptimizeSwitchesTheTwoOptions) {
  ScriptEditDlg& dialog = Make(kJ, Sj("か"));
  user()
      .Click(kInsertSegmentEndBox)
      .Click(kOptimizeBox)
      .Do([&] {
        EXPECT_FALSE(dialog.optimize());
        EXPECT_EQ(Checked(kRemainLinefeedBox), 1);
        EXPECT_EQ(Checked(kInsertSegmentEndBox), 0);
        EXPECT_FALSE(Enabled(kRemainLinefeedBox));
        EXPECT_FALSE(Enabled(kInsertSegmentEndBox));
      })
      .Click(kOptimizeBox)
      .Do([&] {
        EXPECT_TRUE(dialog.optimize());
        EXPECT_EQ(Checked(kRemainLinefeedBox), 1);
        EXPECT_EQ(Checked(kInsertSegmentEndBox), 0);
        EXPECT_TRUE(Enabled(kRemainLinefeedBox));
        EXPECT_TRUE(Enabled(kInsertSegmentEndBox));
      })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ScriptEditDialogTest, ChoosingAVoiceWritesItsToken) {
  struct Case {
    std::string text;
    std::string after;
    bool changed;
  };
  const Case cases[] = {
      {"K3" + Sj("か"), "K7" + Sj("か"), true}, {Sj("か"), "K7" + Sj("か"), true}, {"", "", false}};
  for (const Case& c : cases) {
    ScriptEditDlg& dialog = Make(kJ, c.text);
    std::string box;
    user().Select(kVoiceList, 7).Do([&] { box = Box(); }).Click(kIdCancel);
    if (c.changed) user().Answer(kIdYes);
    EXPECT_EQ(dialog.DoModal(), kIdCancel);
    EXPECT_EQ(box, c.after);
    if (c.changed) {
      EXPECT_EQ(dialog.voice_index(), 7);
    }
  }
  EXPECT_TRUE(session_.message_boxes().size() == 2u) << "only the two discard questions";
}

TEST_F(ScriptEditDialogTest, ValueFieldsKeepAValidNumber) {
  ScriptEditDlg& dialog = Make(kJ, Sj("か"));
  user()
      .Do([&] { dialog.Item(2047)->SetText(""); })
      .Type(2047, "0")
      .Focus(kScriptBox)
      .Do([&] { EXPECT_EQ(dialog.Item(2047)->text(), "1"); })
      .Type(kSpeedEdit, "7")
      .Do([&] { EXPECT_EQ(dialog.Item(kSpeedEdit)->text(), "50") << "the field is full"; })
      .Do([&] { dialog.Item(2049)->SetText(""); })
      .Spin(2050, 1)
      .Do([&] { EXPECT_EQ(dialog.Item(2049)->text(), "1"); })
      .Spin(2050, 1)
      .Do([&] { EXPECT_EQ(dialog.Item(2049)->text(), "2"); })
      .Do([&] { dialog.Item(kSpeedEdit)->SetText(""); })
      .Spin(2040, -1)
      .Do([&] { EXPECT_EQ(dialog.Item(kSpeedEdit)->text(), "0"); })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, CtrlAAndADoubleClickSelectTheWholeScript) {
  ScriptEditDlg& dialog = Make(kJ, Sj("かな"));
  user()
      .Focus(kOpenButton)
      .Key('A', platform::kModCtrl)
      .Do([&] {
        EXPECT_TRUE(dialog.Item(kScriptBox)->HasFocus());
        EXPECT_EQ(dialog.Item<platform::Edit>(kScriptBox)->GetSel(), (std::pair{0, 2}));
        dialog.Item<platform::Edit>(kScriptBox)->SetSel(1, 1);
      })
      .DoubleClick(kScriptBox, {5, 5})
      .Do([&] {
        EXPECT_EQ(dialog.Item<platform::Edit>(kScriptBox)->GetSel(), (std::pair{0, 2}));
      })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
}

TEST_F(ScriptEditDialogTest, KeysReachTheAcceleratorsAndEnterWaitsForTheSpaceBar) {
  ScriptEditDlg& dialog = Make(kJ, "K0" + Sj("か"));
  bool still_open = false;
  user()
      .Key('O', platform::kModCtrl)
      .ChooseFile("")
      .Focus(kLoopBox)
      .KeyDown(platform::kKeySpace)
      .Key(platform::kKeyReturn)
      .Do([&] { still_open = !dialog.ending(); })
      .KeyUp(platform::kKeySpace)
      .Key(platform::kKeyReturn);
  EXPECT_EQ(dialog.DoModal(), kIdOk) << "Enter presses OK once the space bar is up";
  EXPECT_TRUE(still_open);
  ASSERT_EQ(session_.file_dialogs().size(), 1u);
  EXPECT_FALSE(session_.file_dialogs()[0].save);
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, OkAndCancelAskOnlyAboutChanges) {
  struct Case {
    const char* why;
    uint32_t language;
    bool record;
    bool change;
    int button;
    std::vector<int> answers;
    std::vector<unsigned> messages;
    int result;  // -1: the dialog stays (then Cancel ends it)
    std::string text;
    int saved;
  };
  const std::string k0ka = "K0" + Sj("か");
  const Case cases[] = {
      {"OK unchanged", kJ, false, false, kOkButton, {}, {}, kIdOk, k0ka, 1},
      {"OK changed, Yes", kJ, false, true, kOkButton, {kIdYes}, {518}, kIdOk, "K0" + Sj("かな"), 0},
      {"OK changed, No", kJ, false, true, kOkButton, {kIdNo}, {518}, kIdCancel, "", 0},
      {"OK changed, Cancel", kJ, false, true, kOkButton, {kIdCancel}, {518}, -1, "", 0},
      {"record: no question", kJ, true, true, kOkButton, {}, {}, kIdOk, "K0" + Sj("かな"), 0},
      {"Chinese unchanged", kC, false, false, kOkButton, {}, {}, kIdOk, "", 1},
      {"Chinese changed, No", kC, false, true, kOkButton, {kIdNo}, {517}, kIdOk, "", 1},
      {"Chinese changed, Cancel", kC, false, true, kOkButton, {kIdCancel}, {517}, -1, "", 0},
      {"Cancel unchanged", kJ, false, false, kIdCancel, {}, {}, kIdCancel, "", 1},
      {"Cancel changed, Yes", kJ, false, true, kIdCancel, {kIdYes}, {516}, kIdCancel, "", 0},
      {"Cancel changed, No", kJ, false, true, kIdCancel, {kIdNo}, {516}, -1, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string body = c.language == kC ? "ni3" : k0ka;
    ScriptEditDlg& dialog = Make(c.language, body);
    dialog.set_opened_through_record(c.record);
    const size_t boxes_before = session_.message_boxes().size();
    if (c.change) {
      user().Do([&] { CaretToEnd(); }).Type(kScriptBox, c.language == kC ? "a" : "な");
    }
    user().Click(c.button);
    for (int answer : c.answers) user().Answer(answer);
    bool stayed = false;
    if (c.result == -1) {
      user().Do([&] { stayed = true; }).Do([&] { dialog.set_unchanged(true); }).Click(kIdCancel);
    }
    const int result = dialog.DoModal();
    std::vector<unsigned> shown;
    for (size_t i = boxes_before; i < session_.message_boxes().size(); ++i) {
      for (unsigned id = 501; id <= 520; ++id) {
        if (session_.message_boxes()[i].text == Message(id)) shown.push_back(id);
      }
    }
    EXPECT_EQ(shown, c.messages);
    if (c.result == -1) {
      EXPECT_TRUE(stayed);
      EXPECT_EQ(result, kIdCancel);
    } else {
      EXPECT_EQ(result, c.result);
      if (c.result == kIdOk) {
        EXPECT_EQ(dialog.script_text(), c.text);
      }
      EXPECT_EQ(dialog.saved_flag(), c.saved);
    }
  }
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, OpenReadsAScriptFileAfterTheSaveQuestion) {
  const std::filesystem::path file = scratch_ / "song.kvx";
  WriteFile(file, "KV#JK2" + Sj("きく"));
  struct Case {
    const char* why;
    bool change;
    std::vector<std::function<void(ScriptedUser&)>> steps;
    std::string box;
    std::string path;
  };
  const std::string saved_as = (scratch_ / "saved.kvx").string();
  // clang-format off
  const Case cases[] = {
      {"unchanged: no question", false, {[&](ScriptedUser& u) { u.ChooseFile(file.string()); }},
       "K2" + Sj("きく"), file.string()},
      {"file dialog cancelled", false, {[&](ScriptedUser& u) { u.ChooseFile(""); }}, "K0" + Sj("か"), ""},
      {"changed, No", true,
       {[](ScriptedUser& u) { u.Answer(kIdNo); }, [&](ScriptedUser& u) { u.ChooseFile(file.string()); }},
       "K2" + Sj("きく"), file.string()},
      {"changed, Cancel", true, {[](ScriptedUser& u) { u.Answer(kIdCancel); }}, "K0" + Sj("かけ"), ""},
      {"changed, Yes saves first", true,
       {[](ScriptedUser& u) { u.Answer(kIdYes); }, [&](ScriptedUser& u) { u.ChooseFile(saved_as); },
        [&](ScriptedUser& u) { u.ChooseFile(file.string()); }},
       "K2" + Sj("きく"), file.string()},
      {"changed, Yes, save cancelled", true,
       {[](ScriptedUser& u) { u.Answer(kIdYes); }, [](ScriptedUser& u) { u.ChooseFile(""); }},
       "K0" + Sj("かけ"), ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ScriptEditDlg& dialog = Make(kJ, "K0" + Sj("か"));
    if (c.change) user().Do([&] { CaretToEnd(); }).Type(kScriptBox, "け");
    user().Do([&] {
      dialog.Item(2047)->SetText("9");
      dialog.Item(kSpeedEdit)->SetText("70");
    });
    user().Click(kOpenButton);
    for (const auto& step : c.steps) step(user());
    std::string box, value, speed;
    int voice = -1;
    user()
        .Do([&] {
          box = Box();
          value = dialog.Item(2047)->text();
          speed = dialog.Item(kSpeedEdit)->text();
          voice = dialog.Item<platform::ComboBox>(kVoiceList)->cur_sel();
        })
        .Do([&] { dialog.set_unchanged(true); })
        .Click(kIdCancel);
    (void)dialog.DoModal();
    EXPECT_EQ(box, c.box);
    EXPECT_EQ(dialog.GetScriptPath(), c.path);
    EXPECT_EQ(speed, "70");
    if (c.path == file.string()) {
      EXPECT_EQ(value, "1");
      EXPECT_EQ(voice, 2);
    }
  }
  EXPECT_EQ(ReadFile(saved_as), "KV#JK0" + Sj("かけ"));
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(ScriptEditDialogTest, SaveWritesTheScriptWithItsHeader) {
  using SaveResult = ScriptEditDlg::SaveResult;
  struct Case {
    std::string chosen;
    SaveResult result;
  };
  const std::string target = (scratch_ / "out.kvx").string();
  const Case cases[] = {{target, SaveResult::kSaved}, {"", SaveResult::kNotSaved}};
  for (const Case& c : cases) {
    ScriptEditDlg& dialog = Make(kJ, Sj("か"));
    std::optional<SaveResult> result;  // empty until Save ran
    user().Type(kScriptBox, "き").Do([&] { result = dialog.Save(); });
    user().Answer(kIdOk).ChooseFile(c.chosen);  // 515 for the inserted voice, then the file
    bool unchanged = false;
    user().Do([&] { unchanged = dialog.unchanged(); }).Click(kIdCancel);
    if (c.result != SaveResult::kSaved) user().Answer(kIdYes);
    (void)dialog.DoModal();
    EXPECT_EQ(result, c.result) << c.chosen;
    EXPECT_EQ(unchanged, c.result == SaveResult::kSaved);
    if (c.result == SaveResult::kSaved) {
      EXPECT_EQ(dialog.GetScriptPath(), target);
      EXPECT_EQ(dialog.saved_flag(), 1);
    }
  }
  EXPECT_EQ(ReadFile(target), "KV#JK0" + Sj("きか"));
}

TEST_F(ScriptEditDialogTest, ADroppedFileIsOpened) {
  const std::filesystem::path file = scratch_ / "drop.kvx";
  WriteFile(file, "KV#J" + Sj("く"));
  ScriptEditDlg& dialog = Make(kJ, "");
  std::string box;
  user().DropFiles({file.string(), "/nowhere.kvx"}).Do([&] { box = Box(); }).Click(kIdCancel);
  (void)dialog.DoModal();
  EXPECT_EQ(box, Sj("く"));
  EXPECT_EQ(dialog.GetScriptPath(), file.string());
}

TEST_F(ScriptEditDialogTest, APathWithoutTextIsOpenedAtTheStart) {
  const std::filesystem::path file = scratch_ / "start.kvx";
  WriteFile(file, "KV#J" + Sj("け"));
  ScriptEditDlg& dialog = Make(kJ, "");
  dialog.SetScriptPath(file.string());
  std::string box;
  user().Do([&] { box = Box(); }).Click(kIdCancel);
  (void)dialog.DoModal();
  EXPECT_EQ(box, Sj("け"));
}

TEST_F(ScriptEditDialogTest, ARecordShowsTheNameAndTakesItFromAnOpenedFile) {
  const std::filesystem::path file = scratch_ / "a_rather_long_file_name.kvx";
  WriteFile(file, "KV#J" + Sj("く"));
  ScriptEditDlg& dialog = Make(kJ, Sj("か"));
  dialog.set_opened_through_record(true);
  dialog.set_script_name("tune");
  int height = 0;
  user()
      .Do([&] {
        EXPECT_TRUE(dialog.Item(kNameBox)->visible());
        EXPECT_EQ(dialog.Item(kNameBox)->text(), "tune");
        EXPECT_FALSE(dialog.optimize());
        EXPECT_EQ(Checked(kOptimizeBox), 0);
        height = dialog.Item(kScriptBox)->rect().height();
      })
      .Click(kOpenButton)
      .ChooseFile(file.string())
      .Click(kIdCancel);
  (void)dialog.DoModal();
  const platform::Size full =
      platform::TemplateToPixels(platform::Size{326, 88}, platform::DialogUnits::kDialog);
  EXPECT_EQ(height, full.height - 35);
  EXPECT_EQ(dialog.script_name(), "a_rather_long_fi");
}

TEST_F(ScriptEditDialogTest, VoiceDataAddsExtendedVoicesToTheListAndTheMenu) {
  std::vector<uint8_t> data(16, 0);
  const std::string mark = "KVN";
  data.insert(data.end(), mark.begin(), mark.end());
  data.resize(16 + 8, 0);
  auto add = [&](uint8_t n, std::string name) {
    data.push_back(n);
    name.resize(16, '\0');
    data.insert(data.end(), name.begin(), name.end());
  };
  add(3, "Robo");
  add(0, "");
  data.push_back(0xFF);
  ScriptEditDlg& dialog = Make(kJ, "X3" + Sj("か"));
  dialog.SetVoiceData(data.data(), static_cast<int32_t>(data.size()));
  std::vector<std::string> entries;
  int selected = -1;
  user()
      .Do([&] {
        entries = dialog.Item<platform::ComboBox>(kVoiceList)->items();
        selected = dialog.Item<platform::ComboBox>(kVoiceList)->cur_sel();
        EXPECT_EQ(dialog.Item<MenuButton>(kVoiceButton)->menu_id(), 205);
      })
      .ClickArrow(kVoiceButton)
      .ChooseMenuItem(32865)
      .Click(kIdCancel)
      .Answer(kIdYes);
  (void)dialog.DoModal();
  ASSERT_EQ(entries.size(), 18u);
  EXPECT_EQ(entries[0], "Robo : X3");
  EXPECT_EQ(entries[1], "Extended Voice : X0");
  EXPECT_EQ(entries[2], resources::LoadString(resources::Module::kScriptEdit, 32883));
  EXPECT_EQ(selected, 0) << "X3 is the first list entry";
  ASSERT_EQ(session_.menus().size(), 1u);
  EXPECT_EQ(session_.menus()[0].menu.Find(32865)->text, "Robo : X3");
  EXPECT_EQ(session_.menus()[0].menu.Find(32863), nullptr);
}

TEST_F(ScriptEditDialogTest, APlayerThatCannotOpenLeavesTheBareTemplate) {
  ScriptEditDlg& dialog = Make(kJ, Sj("か"), scratch_.string() + "/missing.dll");
  bool bare = false;
  user()
      .Answer(kIdOk)
      .Do([&] {
        bare = dialog.Item<NumberEdit>(kSpeedEdit) == nullptr &&
               dialog.Item<MenuButton>(kVolumeButton) == nullptr;
        EXPECT_EQ(Box(), Sj("か")) << "the members still show";
      })
      .Click(kIdCancel);
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  EXPECT_TRUE(bare);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{Message(core::kMessageInternalError)});
}

TEST_F(ScriptEditDialogTest, PrepareExportScriptNeedsNoWindow) {
  ScriptEditDlg& dialog = Make(kJ, "");
  EXPECT_EQ(dialog.PrepareExportScript(0x52100000, "KV#J" + Sj("か")), 1);
  EXPECT_EQ(dialog.mode_word(), 0x52100000u);
  EXPECT_EQ(dialog.PrepareExportScript(0x52100000, "KV#J"), 0);
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{Message(core::kMessageBadFormat)});
}

}  // namespace
}  // namespace vtr::scriptedit
