// The main window with the program folder set to the built one, so that Ctrl+E and Ctrl+W load
// the real dialog libraries beside the program, and the real script player over the stand-in
// emulator on a fake sound device. The window layer is one shared library, so the libraries'
// dialogs run in this headless session and the scripted user drives them too.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "core/messages.h"
#include "platform/sound/sound_system.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/text.h"
#include "platform/window/headless.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"
#include "playback/window_ports.h"

namespace vtr::app {
namespace {

using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdOk;
using platform::kIdYes;
using platform::ScriptedUser;

// Controls of the libraries' dialogs.
constexpr int kEditScriptBox = 2037;  // script edit dialog
constexpr int kEditOkButton = 1020;
constexpr int kIntonationVoiceCombo = 143;  // intonation edit dialog

std::string Sj(std::string_view utf8) {
  return platform::FromUtf8(platform::Encoding::kShiftJis, utf8).text;
}

// The real player behind the window, with a log of the window's calls.
class LoggingPlayer final : public PlayerPort {
 public:
  int Open(std::string_view path, uint32_t mode, int param) override {
    log.push_back("open " + std::string(path) + " " + std::to_string(mode) + " " +
                  std::to_string(param));
    open_ = player_.Open(path, mode, param) == 0;
    return open_ ? 0 : -1;
  }
  int Play(void* window, int id, int volume, int voice, std::string_view text) override {
    log.push_back("play");
    return player_.Play(window, id, volume, voice, text);
  }
  int Stop() override {
    log.push_back("stop");
    return player_.Stop();
  }
  int Close() override {
    log.push_back("close");
    open_ = false;
    return player_.Close();
  }
  int language() const override { return player_.language(); }
  bool is_open() const { return open_; }

  std::vector<std::string> log;

 private:
  playback::ScriptPlayer player_;
  bool open_ = false;
};

// One use of a library's dialog from the main window.
struct Case {
  const char* why;
  std::function<void(ScriptedUser&)> act;  // in the library's dialog
  std::string text;                        // the main box afterwards
  int voice;
  std::vector<unsigned> messages;  // shown before the window's own close question
  std::string typed = "かあい";    // into the main box before the call
};

// What one Ctrl+E or Ctrl+W did, seen from the main window.
struct RoundTrip {
  std::string text;  // the box after the library's dialog
  int voice = -1;
  int volume = -1;
  bool saved = true;
  bool closed_inside = false;  // the program's player was closed while the dialog ran
  bool reopened = false;       // and open again when it returned
  bool played = false;         // the box then played through it to the end of the phrase
  std::vector<unsigned> messages;
  std::vector<std::string> log;  // the program's player calls
  std::vector<std::string> errors;
};

class DialogLibrariesTest : public ::testing::Test {
 protected:
  DialogLibrariesTest() {
    platform::InstallSoundSystem(&sound_);
    core::InstallMessagePresenter(&presenter_);
    playback::InstallCommandPoster(&poster_);
  }
  ~DialogLibrariesTest() override {
    playback::InstallCommandPoster(nullptr);
    core::InstallMessagePresenter(nullptr);
    platform::InstallSoundSystem(nullptr);
  }

  // Opens the player as the program does at start, types into the box, chooses voice 3 and
  // volume 62, presses Ctrl+`key`, lets the case drive the library's dialog, then plays the box
  // when it holds text and closes the window.
  RoundTrip Run(int key, const Case& c) {
    RoundTrip r;
    platform::HeadlessSession session;
    if (player_.Open(emulator_, kPlayerModeWord, kPlayerParam) != 0) {
      ADD_FAILURE() << "the stand-in emulator did not open";
      return r;
    }
    player_.log.clear();
    MainDialog dialog({.player = &player_,
                       .files = nullptr,
                       .messages = &messages_,
                       .program_folder = VTR_DIST_DIR});
    ScriptedUser& user = session.user();
    user.Type(kIdScriptBox, c.typed)
        .MouseDown(0, {50, 10}, platform::MouseButton::kRight)
        .ChooseMenuItem(kCmdFirstVoice + 3)
        .MouseDown(0, kKnobTrackAt62)
        .MouseUp(0, kKnobTrackAt62);
    // The keys are let go only once the library's dialog runs, as a user's are.
    user.KeyDown(platform::kKeyControl)
        .KeyDown(key)
        .KeyUp(key)
        .KeyUp(platform::kKeyControl)
        .Do([&] { r.closed_inside = !player_.is_open(); });
    c.act(user);
    user.Do([&] {
      r.text = dialog.EditText();
      r.voice = dialog.voice();
      r.volume = dialog.volume();
      r.saved = dialog.saved();
      r.reopened = player_.is_open();
    });
    if (!c.text.empty()) {
      user.Click(kIdPlay)
          .Do([&] {
            const size_t frames = kPhraseFrames * (1 + c.text.size() / kPhraseBytes);
            EXPECT_FALSE(sound_.Pump(frames).empty()) << "nothing played";
          })
          .WaitForPost()
          .Do([&] { r.played = !dialog.playing() && dialog.Item(kIdPlay)->visible(); });
    }
    user.Click(kIdPower);
    if (!c.text.empty()) user.Answer(kIdNo);
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    (void)player_.Close();
    r.log = player_.log;
    for (const auto& box : session.message_boxes()) {
      for (unsigned id = 501; id <= 520; ++id) {
        if (core::MessageText(core::kBuildMessageLanguage, id) == box.text)
          r.messages.push_back(id);
      }
    }
    r.errors = session.errors();
    return r;
  }

  // The calls every round trip makes on the program's player: closed for the dialog, opened
  // again on the program folder's emulator (with the window's engine mode word), then the box
  // plays when it holds text, and the window closes.
  std::vector<std::string> ExpectedLog(bool played) const {
    const std::string open =
        "open " + emulator_ + " " + std::to_string(0x52100000) + " " + std::to_string(kPlayerParam);
    if (!played) return {"close", open, "stop", "close"};
    return {"close", open, "play", "stop", "stop", "close"};
  }

  static constexpr platform::Point kKnobTrackAt62 = {168, 182};  // a click on the knob's track
  // [samples] more than a phrase of up to kPhraseBytes bytes of kana lasts
  static constexpr size_t kPhraseFrames = 64000;
  static constexpr size_t kPhraseBytes = 6;
  const std::string emulator_ = (std::filesystem::path(VTR_DIST_DIR) / kEmulatorName).string();
  platform::FakeSoundSystem sound_;
  playback::WindowPresenter presenter_;  // the program's adapters are the same
  playback::WindowPoster poster_;
  LoggingPlayer player_;
  core::MessageReporter messages_;
};

void Check(const Case& c, const RoundTrip& r, const std::vector<std::string>& log) {
  EXPECT_EQ(r.text, c.text);
  EXPECT_EQ(r.voice, c.voice);
  EXPECT_EQ(r.volume, 62);
  EXPECT_FALSE(r.saved);
  EXPECT_TRUE(r.closed_inside);
  EXPECT_TRUE(r.reopened);
  EXPECT_EQ(r.played, !c.text.empty());
  EXPECT_EQ(r.log, log);
  std::vector<unsigned> messages = c.messages;
  if (!c.text.empty()) messages.push_back(core::kMessageSaveChanges);
  EXPECT_EQ(r.messages, messages);
  EXPECT_TRUE(r.errors.empty()) << r.errors.front();
}

// `n` kana of a typed phrase, as UTF-8.
std::string Phrase(int n) {
  static const char* const kKana[] = {"か", "き", "く", "け", "こ", "さ",
                                      "し", "す", "せ", "そ", "な", "の"};
  std::string out;
  for (int i = 0; i < n; ++i) out += kKana[i % 12];
  return out;
}

TEST_F(DialogLibrariesTest, CtrlEEditsTheBoxInTheScriptEditLibrary) {
  const Case cases[] = {
      {"30 kana, OK untouched: the script comes back whole",
       [](ScriptedUser& u) { u.Click(kEditOkButton); },
       Sj(Phrase(30)),
       3,
       {},
       Phrase(30)},
      {"80 kana, edited, OK, Yes: the whole edit comes back",
       [](ScriptedUser& u) {
         u.Key(platform::kKeyEnd).Type(kEditScriptBox, "な").Click(kEditOkButton).Answer(kIdYes);
       },
       Sj(Phrase(80) + "な"),
       3,
       {518},
       Phrase(80)},
      {"edited, OK, Yes: the edit comes back",
       [](ScriptedUser& u) {
         u.Key(platform::kKeyEnd).Type(kEditScriptBox, "な").Click(kEditOkButton).Answer(kIdYes);
       },
       Sj("かあいな"),
       3,
       {518}},
      {"edited, OK, No: nothing changes",
       [](ScriptedUser& u) {
         u.Key(platform::kKeyEnd).Type(kEditScriptBox, "な").Click(kEditOkButton).Answer(kIdNo);
       },
       Sj("かあい"),
       3,
       {518}},
      {"edited, Cancel, discarded: nothing changes",
       [](ScriptedUser& u) { u.Type(kEditScriptBox, "な").Click(kIdCancel).Answer(kIdYes); },
       Sj("かあい"),
       3,
       {516}},
      {"written from an empty box, OK, Yes: it comes back with the voice put in",
       [](ScriptedUser& u) {
         u.Type(kEditScriptBox, "か").Click(kEditOkButton).Answer(kIdYes).Answer(kIdOk);
       },
       Sj("か"),
       0,
       {518, 515},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Check(c, Run('E', c), ExpectedLog(!c.text.empty()));
  }
}

TEST_F(DialogLibrariesTest, CtrlWOpensTheBoxInTheIntonationLibrary) {
  const Case cases[] = {
      {"OK: the script comes back, voice kept",
       [](ScriptedUser& u) { u.Click(kIdOk); },
       Sj("かあい"),
       3,
       {}},
      {"voice changed, OK, Yes: the new voice comes back",
       [](ScriptedUser& u) { u.Select(kIntonationVoiceCombo, 5).Click(kIdOk).Answer(kIdYes); },
       Sj("かあい"),
       5,
       {518}},
      {"voice changed, OK, No: nothing changes",
       [](ScriptedUser& u) { u.Select(kIntonationVoiceCombo, 5).Click(kIdOk).Answer(kIdNo); },
       Sj("かあい"),
       3,
       {518}},
      {"Cancel: nothing changes", [](ScriptedUser& u) { u.Click(kIdCancel); }, Sj("かあい"), 3, {}},
      {"an empty box, OK: the bare tag empties the box, voice kept",
       [](ScriptedUser& u) { u.Click(kIdOk); },
       "",
       3,
       {},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Check(c, Run('W', c), ExpectedLog(!c.text.empty()));
  }
}

}  // namespace
}  // namespace vtr::app
