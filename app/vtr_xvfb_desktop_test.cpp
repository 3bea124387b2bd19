// The program among other programs, the way a person runs it: under a window manager (openbox),
// with the desktop's file chooser (GTK's), text copied between programs (xclip), and keys sent
// to whatever window has the keyboard (xdotool without --window), never aimed at a window.
// The keyboard comes back after every file dialog, with a window manager and without one (where
// the program hands it on itself), text pastes in from other programs and copies out to them, and
// the wait cursor shows while the aligner runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/testing/program_on_xvfb.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wave_buffer.h"
#include "platform/window/geometry.h"
#include "platform/window/testing/x_server.h"
#include "resources/resources.h"

namespace vtr::app {
namespace {

namespace fs = std::filesystem;
using namespace vtr::app::testing;
using namespace vtr::platform::testing;
using resources::Module;
using std::chrono::milliseconds;

constexpr unsigned kWatchShape = 150;  // XC_watch of the X cursor font

// The pause between keys: slower than a quick typist, for the desktop's own dialogs.
constexpr int kKeyDelayMs = 40;

// How many of the typed kana あ, い and う a Shift-JIS script holds.
size_t KanaIn(std::string_view script) {
  size_t kana = 0;
  for (size_t i = 0; i < script.size();) {
    const auto lead = static_cast<unsigned char>(script[i]);
    const bool pair = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (pair && CountKana(script.substr(i, 2)) == 1) ++kana;
    i += pair ? 2 : 1;
  }
  return kana;
}

// Starts the program on a desktop and waits until its main window has the keyboard, as a window
// that opens gets it.
void StartOnDesktop(ProgramOnXvfb& x) {
  x.UseDesktop();
  ASSERT_EQ(x.Start(true), "");
  ASSERT_TRUE(WaitFor([&] { return x.FocusedWindow() == x.main_window().id; }))
      << "the main window did not get the keyboard when it opened";
}

// Presses the keys, waits for the window they open and returns it; it has the keyboard.
unsigned long OpenWindow(ProgramOnXvfb& x, const XInput& keys, const char* what) {
  const std::vector<unsigned long> before = x.ManagedWindows();
  (void)x.Run(keys);
  const unsigned long opened = x.WaitForNewWindow(before);
  EXPECT_NE(opened, 0u) << "no " << what;
  if (opened != 0) {
    EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == opened; }))
        << "the " << what << " did not get the keyboard";
  }
  return opened;
}

// Presses the keys in the window that has the keyboard, which then goes; the keyboard comes back
// to `back`.
void CloseWindow(ProgramOnXvfb& x, unsigned long window, const XInput& keys, unsigned long back,
                 const char* what) {
  (void)x.Run(keys);
  ASSERT_TRUE(x.WaitUntilGone(window)) << "the " << what << " stayed";
  EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == back; }))
      << "the keyboard did not come back after the " << what;
}

// A question box of the program that may come before a chooser (509, the count warning): answered
// with Return. Returns the chooser, which has the keyboard.
unsigned long ChooserAfterBoxes(ProgramOnXvfb& x, const XInput& keys) {
  unsigned long window = OpenWindow(x, keys, "window");
  while (window != 0 && x.WindowName(window) == "Voxtrel") {
    const std::vector<unsigned long> before = x.ManagedWindows();
    (void)x.Run(XInput().Key("Return", kKeyDelayMs));
    EXPECT_TRUE(x.WaitUntilGone(window)) << "the box stayed";
    window = x.WaitForNewWindow(before);
    EXPECT_TRUE(WaitFor([&] { return window != 0 && x.FocusedWindow() == window; }))
        << "the chooser did not get the keyboard";
  }
  return window;
}

// GTK's save chooser: the name it proposes (or `name`), Return, and the overwrite question the
// program asks when the file exists (answered yes).
void SaveInChooser(ProgramOnXvfb& x, unsigned long chooser, const std::string& name,
                   bool overwrites) {
  const std::vector<unsigned long> before = x.ManagedWindows();
  (void)x.Run(name.empty() ? XInput().Key("Return", kKeyDelayMs)
                           : XInput().Key("ctrl+a").Type(name).Key("Return", kKeyDelayMs));
  ASSERT_TRUE(x.WaitUntilGone(chooser)) << "the chooser stayed";
  if (overwrites) {
    const unsigned long question = x.WaitForNewWindow(before);
    ASSERT_NE(question, 0u) << "no overwrite question";
    EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == question; }))
        << "the overwrite question did not get the keyboard";
    (void)x.Run(XInput().Key("Return", kKeyDelayMs));
    EXPECT_TRUE(x.WaitUntilGone(question));
  }
  EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == x.main_window().id; }))
      << "the keyboard did not come back after the save";
}

// A recording of "かいこ" spoken, in the scratch folder.
fs::path SpokenWave(ProgramOnXvfb& x) {
  const wtp::testing::SynthScript script = {
      {"ka", 0.07, 0.16}, {"i", 0.0, 0.18}, {"ko", 0.07, 0.17}};
  const wtp::testing::SynthSpeech speech =
      wtp::testing::Synthesize(script, 16000, 150.0, 7, 0.3, 0.3);
  fs::path path = x.scratch() / "kaiko.wav";
  EXPECT_EQ(wtp::WaveBuffer(speech.samples, 16000).WriteWave(path), wtp::WaveResult::kOk);
  return path;
}

// The wave input dialog, opened from the intonation dialog's record button; it has the keyboard.
unsigned long OpenWaveDialog(ProgramOnXvfb& x) {
  const unsigned long intonation =
      OpenWindow(x, XInput().Key("ctrl+w", kKeyDelayMs), "intonation dialog");
  if (intonation == 0) return 0;
  return OpenWindow(
      x, XInput().MoveToMiddle(intonation, ControlPlace(Module::kWaveToScript, 141, 162)).Click(),
      "wave input dialog");
}

// GTK's open chooser: the file's path typed into its location field.
void OpenInChooser(ProgramOnXvfb& x, unsigned long chooser, const fs::path& file,
                   unsigned long back) {
  CloseWindow(x, chooser,
              XInput()
                  .Key("ctrl+l")
                  .Sleep(milliseconds(300))
                  .Type(file.string())
                  .Key("Return", kKeyDelayMs),
              back, "open chooser");
}

// The wave input dialog with a recording of "かいこ" opened through its own open (Ctrl+O and
// GTK's chooser); it has the keyboard again. 0 when it did not open.
unsigned long WaveDialogWithItsWave(ProgramOnXvfb& x) {
  const fs::path wave = SpokenWave(x);
  const unsigned long dialog = OpenWaveDialog(x);
  if (dialog == 0) return 0;
  const unsigned long chooser = OpenWindow(x, XInput().Key("ctrl+o", kKeyDelayMs), "wave chooser");
  if (chooser == 0) return 0;
  OpenInChooser(x, chooser, wave, dialog);
  return dialog;
}

TEST(VtrXvfbDesktopTest, TypingArrivesAfterEveryFileDialog) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  struct Case {
    const char* name;
    bool open_first;  // Ctrl+O on a script of two kana before typing
    bool koru;        // the first save exports through the KORU filter
    size_t kana;      // in the file saved last
  };
  const Case cases[] = {
      {"Ctrl+S twice (the second after warning 509)", false, false, 6},
      {"Ctrl+O, then Ctrl+S", true, false, 8},
      {"the KORU export, then Ctrl+S", false, true, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramOnXvfb x("vtr_xvfb_desktop_typing");
    ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
    const unsigned long main = x.main_window().id;
    if (c.open_first) {
      std::ofstream(x.scratch() / "song.kvx", std::ios::binary) << "KV#J\x82\xA0\x82\xA2";
      const unsigned long chooser =
          OpenWindow(x, XInput().Key("ctrl+o", kKeyDelayMs), "open chooser");
      ASSERT_NE(chooser, 0u);
      OpenInChooser(x, chooser, x.scratch() / "song.kvx", main);
    }
    (void)x.Run(XInput().Kana(1));
    unsigned long chooser = ChooserAfterBoxes(x, XInput().Key("ctrl+s", kKeyDelayMs));
    ASSERT_NE(chooser, 0u);
    if (c.koru) {
      // The filter list at the chooser's lower right, its second entry, then back to the name.
      const Place place = x.PlaceOf(chooser);
      (void)x.Run(XInput()
                      .MoveTo(chooser, place.width - 94, place.height - 103)
                      .Click()
                      .Sleep(milliseconds(500))
                      .Key("Down Return")
                      .Sleep(milliseconds(300))
                      .Key("alt+n"));
    }
    ASSERT_NO_FATAL_FAILURE(SaveInChooser(x, chooser, c.open_first ? "" : "song", c.open_first));
    if (c.koru) {
      EXPECT_TRUE(fs::exists(x.scratch() / "song.qrl")) << "no KORU file";
    }
    // Typed after the chooser: it reaches the script box, and the next save holds it.
    (void)x.Run(XInput().Kana(1));
    chooser = ChooserAfterBoxes(x, XInput().Key("ctrl+s", kKeyDelayMs));
    ASSERT_NE(chooser, 0u);
    ASSERT_NO_FATAL_FAILURE(SaveInChooser(x, chooser, "", true));
    std::string saved;
    EXPECT_TRUE(WaitFor([&] {
      return KanaIn(saved = ReadFile(x.scratch() / "song.kvx")) == c.kana;
    })) << "the file holds "
        << KanaIn(saved) << " of the kana typed";
  }
}

// The window of the program that a key opens, among the viewable windows: without a window
// manager nothing else keeps a list. It has the keyboard. 0 when none came.
unsigned long OpenWithoutManager(ProgramOnXvfb& x, const XInput& keys, const char* what) {
  const std::vector<unsigned long> before = x.VisibleWindows();
  (void)x.Run(keys);
  unsigned long opened = 0;
  EXPECT_TRUE(WaitFor([&] {
    for (unsigned long id : x.VisibleWindows()) {
      if (std::find(before.begin(), before.end(), id) == before.end()) opened = id;
    }
    return opened != 0;
  })) << "no "
      << what;
  if (opened != 0) {
    EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == opened; }))
        << "the " << what << " did not get the keyboard";
  }
  return opened;
}

// Presses the keys in the window that has the keyboard, which then goes.
void CloseWithoutManager(ProgramOnXvfb& x, unsigned long window, const XInput& keys,
                         const char* what) {
  (void)x.Run(keys);
  EXPECT_TRUE(WaitFor([&] {
    const std::vector<unsigned long> now = x.VisibleWindows();
    return std::find(now.begin(), now.end(), window) == now.end();
  })) << "the "
      << what << " stayed";
}

// Without a window manager nobody else hands the keyboard on: the program gives it to each of its
// windows that opens and back to the one that had it, so keys reach them wherever the pointer
// rests (here in a corner of the screen, over none of them). FLTK's own chooser.
TEST(VtrXvfbDesktopTest, WithoutAWindowManagerTypingArrivesWhereverThePointerRests) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the typing test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_desktop_no_manager");
  ASSERT_EQ(x.Start(true), "");
  const unsigned long main = x.main_window().id;
  (void)x.Run(XInput().MoveTo(639, 479));
  ASSERT_TRUE(WaitFor([&] { return x.FocusedWindow() == main; }))
      << "the main window did not get the keyboard";
  // Typed, saved under a name of its own, typed again, saved again: the count warning (509) and
  // the overwrite question come on the way, each answered with Return.
  (void)x.Run(XInput().Kana(1));
  unsigned long chooser =
      OpenWithoutManager(x, XInput().Key("ctrl+s", kKeyDelayMs), "save chooser");
  ASSERT_NE(chooser, 0u);
  CloseWithoutManager(x, chooser,
                      XInput().Key("End", kKeyDelayMs).Type("song").Key("Return", kKeyDelayMs),
                      "save chooser");
  ASSERT_TRUE(WaitFor([&] { return fs::exists(x.scratch() / "song.kvx"); })) << "nothing was saved";
  EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == main; }))
      << "the keyboard did not come back after the save";
  (void)x.Run(XInput().Kana(1));
  const unsigned long warning =
      OpenWithoutManager(x, XInput().Key("ctrl+s", kKeyDelayMs), "count warning");
  ASSERT_NE(warning, 0u);
  EXPECT_EQ(x.WindowName(warning), "Voxtrel");
  chooser =
      OpenWithoutManager(x, XInput().Key("Return", kKeyDelayMs), "save chooser after the warning");
  ASSERT_NE(chooser, 0u);
  const unsigned long question =
      OpenWithoutManager(x, XInput().Key("Return", kKeyDelayMs), "overwrite question");
  ASSERT_NE(question, 0u);
  CloseWithoutManager(x, question, XInput().Key("Return", kKeyDelayMs), "overwrite question");
  EXPECT_TRUE(WaitFor([&] { return x.FocusedWindow() == main; }))
      << "the keyboard did not come back after the save";
  std::string saved;
  EXPECT_TRUE(WaitFor([&] { return KanaIn(saved = ReadFile(x.scratch() / "song.kvx")) == 6; }))
      << "the file holds " << KanaIn(saved) << " of the kana typed";
}

// The program takes the keyboard only where the user gave it: a phrase that ends while another
// program has the keyboard moves the focus inside the program's window, and the other program
// keeps the keyboard.
TEST(VtrXvfbDesktopTest, AnotherProgramKeepsTheKeyboardWhenAPhraseEnds) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  if (const std::string tool = MissingTool({"xlogo"}); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_desktop_phrase_end");
  ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
  const unsigned long main = x.main_window().id;
  // Fifteen times あいう: a phrase of several seconds on the stand-in emulator.
  (void)x.Run(XInput().Kana(15));
  const auto button = [&] {
    const Picture shot = x.Shot();
    const uint32_t pixel = shot.width > 40 && shot.height > 150 ? shot.At(40, 150) : 0;
    return static_cast<int>(pixel >> 16) - static_cast<int>((pixel >> 8) & 0xFF);  // red less green
  };
  ASSERT_TRUE(WaitFor([&] { return button() < -48; })) << "Play did not show";
  // Another program's window, beside the program's.
  const std::vector<unsigned long> before = x.ManagedWindows();
  (void)x.Run("(xlogo -geometry 64x64+0+0 >/dev/null 2>&1 &)");
  const unsigned long other = x.WaitForNewWindow(before);
  ASSERT_NE(other, 0u) << "the other program's window did not come";
  // Play, clicked; then the user goes to the other program while the phrase plays.
  (void)x.Run(XInput().MoveTo(main, 58, 153).Click());
  ASSERT_TRUE(WaitFor([&] { return button() > 48; })) << "the phrase did not start";
  (void)x.Run("xdotool windowactivate --sync " + std::to_string(other));
  ASSERT_TRUE(WaitFor([&] { return x.FocusedWindow() == other; }))
      << "the other program did not get the keyboard";
  ASSERT_GT(button(), 48) << "the phrase ended before the other program had the keyboard";
  // The end of the phrase brings Play back.
  ASSERT_TRUE(WaitFor([&] { return button() < -48; })) << "the phrase did not end";
  (void)x.Run(XInput().Sleep(milliseconds(500)));
  EXPECT_EQ(x.FocusedWindow(), other) << "the program took the keyboard from the other program";
  (void)x.Run("xdotool windowkill " + std::to_string(other));
}

// The wave input dialog's own open: a chooser over a dialog over the intonation dialog; the
// kana typed afterwards reach the kana box (read back through the clipboard).
TEST(VtrXvfbDesktopTest, TypingArrivesAfterTheWaveDialogsOpen) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_desktop_wave_open");
  ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
  ASSERT_NE(WaveDialogWithItsWave(x), 0u);
  (void)x.Run(XInput().Kana(1).Key("ctrl+a ctrl+c", kKeyDelayMs));
  EXPECT_TRUE(WaitFor([&] { return x.ClipboardText() == "あいう"; }))
      << "the kana box holds " << x.ClipboardText();
}

TEST(VtrXvfbDesktopTest, TextFromAnotherProgramPastesIntoEveryKindOfEdit) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  enum class Edit {
    kScriptBox,
    kScriptEditBox,
    kSpeedField,
    kWaveKanaBox,
    kWaveNameBox,
    kChangeHiragana
  };
  struct Case {
    const char* name;
    Edit edit;
    std::string copied;  // by another program
    std::string shown;   // copied back out of the edit
  };
  const Case cases[] = {
      {"the main window's script box", Edit::kScriptBox, "かきくけこ", "かきくけこ"},
      {"a character Shift-JIS lacks becomes ?", Edit::kScriptBox, "가か", "?か"},
      {"the script edit dialog's box", Edit::kScriptEditBox, "かきくけこ", "かきくけこ"},
      {"a number field takes a number", Edit::kSpeedField, "42", "42"},
      {"a number field refuses what is no number", Edit::kSpeedField, "12a", "50"},
      {"the wave dialog's kana box", Edit::kWaveKanaBox, "かいこ", "かいこ"},
      {"the wave dialog's read-only name box takes nothing", Edit::kWaveNameBox, "かいこ",
       "kaiko.wav"},
      {"the change-hiragana dialog of the intonation graph", Edit::kChangeHiragana, "きょう",
       "きょう"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramOnXvfb x("vtr_xvfb_desktop_paste");
    ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
    // The keys into the edit, and those that then select what it holds.
    std::string paste = "ctrl+v";
    std::string select = "ctrl+a";
    switch (c.edit) {
      case Edit::kScriptBox:
        break;
      case Edit::kScriptEditBox:
        ASSERT_NE(OpenWindow(x, XInput().Key("ctrl+e", kKeyDelayMs), "script edit dialog"), 0u);
        break;
      case Edit::kSpeedField: {
        const unsigned long dialog =
            OpenWindow(x, XInput().Key("ctrl+e", kKeyDelayMs), "script edit dialog");
        ASSERT_NE(dialog, 0u);
        (void)x.Run(
            XInput().MoveToMiddle(dialog, ControlPlace(Module::kScriptEdit, 130, 2038)).Click());
        select = "End shift+Home";
        break;
      }
      case Edit::kWaveKanaBox:
        ASSERT_NE(OpenWaveDialog(x), 0u);
        break;
      case Edit::kWaveNameBox: {
        const unsigned long dialog = WaveDialogWithItsWave(x);
        ASSERT_NE(dialog, 0u);
        (void)x.Run(
            XInput().MoveToMiddle(dialog, ControlPlace(Module::kWaveToScript, 146, 161)).Click());
        select = "End shift+Home";
        break;
      }
      case Edit::kChangeHiragana:
        // A script of three kana, and the hiragana of the graph's first syllable changed.
        (void)x.Run(XInput().Kana(1));
        const unsigned long intonation =
            OpenWindow(x, XInput().Key("ctrl+w", kKeyDelayMs), "intonation dialog");
        ASSERT_NE(intonation, 0u);
        // A double click on the first syllable's label, low at the graph's left.
        const platform::Rect graph = ControlPlace(Module::kWaveToScript, 141, 130);
        ASSERT_NE(
            OpenWindow(x,
                       XInput().MoveTo(intonation, graph.left + 20, graph.bottom - 12).Click(2, 80),
                       "change-hiragana dialog"),
            0u);
        paste = "Home shift+End ctrl+v";
        select = "shift+Home";
        break;
    }
    x.CopyInAnotherProgram(c.copied);
    (void)x.Run(XInput()
                    .Key(paste, kKeyDelayMs)
                    .Sleep(milliseconds(300))
                    .Key(select + " ctrl+c", kKeyDelayMs));
    std::string shown;
    EXPECT_TRUE(WaitFor([&] { return (shown = x.ClipboardText()) == c.shown; }))
        << "the edit holds " << shown;
  }
}

// Text another program copied comes into the script box through the box's own menu: a right
// click in the box, then Paste by its access key, and the box holds it after what was typed.
TEST(VtrXvfbDesktopTest, TheScriptBoxsMenuPastesWhatAnotherProgramCopied) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_desktop_menu_paste");
  ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
  (void)x.Run(XInput().Kana(1));
  x.CopyInAnotherProgram("かきくけこ");
  const std::vector<unsigned long> before = x.VisibleWindows();
  (void)x.Run(XInput()
                  .MoveToMiddle(x.main_window().id, ControlPlace(Module::kProgram, 102, 1002))
                  .RightClick());
  unsigned long menu = 0;
  ASSERT_TRUE(WaitFor([&] {
    for (unsigned long id : x.VisibleWindows()) {
      if (std::find(before.begin(), before.end(), id) == before.end()) menu = id;
    }
    return menu != 0;
  })) << "no menu came up";
  (void)x.Run(XInput().Key("p", kKeyDelayMs));
  EXPECT_TRUE(WaitFor([&] {
    const std::vector<unsigned long> now = x.VisibleWindows();
    return std::find(now.begin(), now.end(), menu) == now.end();
  })) << "the menu stayed";
  // What the box holds, copied back out; the pasted text may still be on its way at first.
  std::string shown;
  EXPECT_TRUE(WaitFor([&] {
    (void)x.Run(XInput().Key("ctrl+a ctrl+c", kKeyDelayMs));
    return (shown = x.ClipboardText()) == "あいうかきくけこ";
  })) << "the box holds "
      << shown;
}

// The aligner road with a recogniser that takes its time: the watch shows over the wave input
// dialog while it runs, and goes when the next dialog shows.
TEST(VtrXvfbDesktopTest, TheWaitCursorShowsWhileTheAlignerRuns) {
  if (const std::string tool = MissingTool(kDesktopTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the desktop test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_desktop_wait");
  // The program folder of the test's own: the same files, linked, but a recogniser that first
  // sleeps three seconds.
  const fs::path folder = x.work().parent_path() / "vtr_xvfb_desktop_wait_program";
  fs::remove_all(folder);
  fs::copy(x.program().parent_path(), folder,
           fs::copy_options::recursive | fs::copy_options::create_hard_links);
  const fs::path recogniser = folder / "Plugin" / "Julius" / "julius";
  fs::remove(recogniser);
  std::ofstream(recogniser) << "#!/bin/sh\nsleep 3\nexec "
                            << Quoted(x.program().parent_path() / "Plugin" / "Julius" / "julius")
                            << " \"$@\"\n";
  fs::permissions(recogniser, fs::perms::owner_all);
  x.SetProgramFolder(folder);
  ASSERT_NO_FATAL_FAILURE(StartOnDesktop(x));
  CursorWatch cursor(x);
  ASSERT_TRUE(cursor.connected()) << "no XFixes on the server";
  const std::vector<CursorImage> watch = cursor.OfShape(kWatchShape);
  ASSERT_FALSE(watch.empty()) << "the probe saw no watch";
  auto watch_shows = [&] {
    const CursorImage now = cursor.Now();
    return std::find(watch.begin(), watch.end(), now) != watch.end();
  };

  const unsigned long dialog = WaveDialogWithItsWave(x);
  ASSERT_NE(dialog, 0u);
  x.CopyInAnotherProgram("かいこ");
  (void)x.Run(XInput().Key("ctrl+v", kKeyDelayMs));
  const Place place = x.PlaceOf(dialog);
  (void)x.Run(XInput().MoveTo(dialog, place.width / 2, place.height / 3));
  EXPECT_FALSE(watch_shows()) << "the watch shows before the road";

  // OK: the road runs; the watch shows before the recogniser has done.
  const std::vector<unsigned long> before = x.ManagedWindows();
  (void)x.Run(XInput().Key("Return", kKeyDelayMs));
  EXPECT_TRUE(WaitFor(watch_shows)) << "no watch while the aligner ran";
  const unsigned long next = x.WaitForNewWindow(before);
  ASSERT_NE(next, 0u) << "neither the segment dialog nor a message came after the road";
  (void)x.Run(XInput().MoveTo(next, 10, 10));
  EXPECT_TRUE(WaitFor([&] { return !watch_shows(); })) << "the watch stayed after the road";
  EXPECT_EQ(x.WindowName(next), "セグメントの位置を確認") << "the road failed";
  fs::remove_all(folder);
}

}  // namespace
}  // namespace vtr::app
