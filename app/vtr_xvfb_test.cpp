// The program on a private Xvfb server, started from a scratch current folder with HOME and the
// runtime folder pointed at scratch folders: it paints its skin with the script box, refuses a
// second instance, plays typed kana until the end of the phrase brings Play back, and saves the
// typed text through the KORU filter of its save dialog. Driven with xdotool, seen with xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/main_app.h"
#include "app/testing/program_on_xvfb.h"
#include "platform/process.h"
#include "platform/testing/fifo_trap.h"
#include "platform/window/testing/x_server.h"
#include "resources/resources.h"

namespace vtr::app {
namespace {

namespace fs = std::filesystem;
using namespace vtr::app::testing;
using namespace vtr::platform::testing;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(VtrXvfbTest, StartsShowsTheSkinAndRefusesASecondInstance) {
  if (const std::string tool = MissingTool(kScreenTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's screen test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb");
  ASSERT_EQ(x.Start(false), "");
  const Place& window = x.main_window();
  EXPECT_EQ(window.width, 240);
  EXPECT_EQ(window.height, 195);

  // A second start ends at once with status 0 while the first runs.
  EXPECT_EQ(x.Run(Quoted(x.program()) + " >/dev/null 2>&1; echo $?"), "0\n");

  // The script box is white once painted, the skin around it blue, the Play area stays skin
  // while the box is empty.
  Picture shot;
  ASSERT_TRUE(WaitFor([&] {
    shot = x.Shot();
    return shot.width == 240 && shot.height == 195 && shot.At(120, 70) == 0xFFFFFFu;
  })) << "the script box was never painted white";
  for (const auto& [x_at, y_at] : {std::pair{4, 100}, std::pair{40, 150}}) {
    const uint32_t skin = shot.At(x_at, y_at);
    EXPECT_GT(skin & 0xFF, (skin >> 16) & 0xFF) << std::hex << skin;  // more blue than red
    EXPECT_GT(skin & 0xFF, (skin >> 8) & 0xFF) << std::hex << skin;   // and than green
  }
  // Above the script box the window shows the skin of the program's resources, pixel for pixel.
  const platform::Image skin = resources::LoadImage(resources::Module::kProgram, 190);
  ASSERT_EQ(skin.width, shot.width);
  int differing = 0;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < skin.width; ++x) {
      const platform::Color c = skin.at(x, y);
      const uint32_t rgb =
          (platform::RedOf(c) << 16) | (platform::GreenOf(c) << 8) | platform::BlueOf(c);
      differing += shot.At(x, y) != rgb;
    }
  }
  EXPECT_EQ(differing, 0);
}

// Without a display the program says so on stderr and ends with status 1, before it takes the
// single-instance lock.
TEST(VtrXvfbTest, WithoutADisplayItSaysSoAndEnds) {
  const fs::path work = fs::path(VTR_TEST_BIN_DIR) / "vtr_no_display";
  fs::remove_all(work);
  fs::create_directories(work);
  platform::ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c",
               "DISPLAY=:nowhere XDG_RUNTIME_DIR=. exec " + Quoted(fs::path(VTR_DIST_DIR) / "vtr")};
  spec.working_folder = work;
  spec.stderr_file = work / "stderr.txt";
  const platform::ProcessResult run = platform::RunProcess(spec, kPatience);
  EXPECT_EQ(run.outcome, platform::ProcessOutcome::kExited);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(ReadFile(work / "stderr.txt"), "vtr: cannot open the display \":nowhere\"\n");
  EXPECT_FALSE(fs::exists(work / "VoxtrelApplication.lock"));
}

// The script box of the main window, in window pixels.
constexpr int kBoxLeft = 12, kBoxTop = 28, kBoxRight = 228, kBoxBottom = 112;

// A FIFO named like a script, chosen with Ctrl+O: the program says it cannot open the file
// instead of waiting for ever for a writer, and goes on.
TEST(VtrXvfbTest, OpeningAFifoNamedLikeAScriptSaysItCannotBeOpened) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's open test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_open_fifo");
  ASSERT_EQ(x.Start(false), "");
  platform::testing::FifoTrap trap(x.scratch() / "song.kvx");
  ASSERT_TRUE(trap.made());

  (void)x.Run(XInput().Focus(x.main_window().id).Key("ctrl+o"));
  std::vector<Place> others;
  ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; })) << "no open dialog";
  const Place chooser = others.front();
  // FLTK's chooser: the file name field at the bottom; the current folder is the scratch one.
  (void)x.Run(XInput()
                  .MoveTo(chooser.id, chooser.width - 40, chooser.height - 58)
                  .Click()
                  .Focus(chooser.id)
                  .Key("End")
                  .Type("song.kvx"));
  (void)x.Run(XInput().Key("Return"));

  // The chooser goes and the message box comes.
  std::vector<Place> boxes;
  ASSERT_TRUE(WaitFor([&] {
    boxes = x.OtherWindows();
    return boxes.size() == 1 && boxes.front().id != chooser.id;
  })) << "no message box after the chooser";
  const unsigned long box = boxes.front().id;
  (void)x.ShotOf(box, x.work() / "box.ppm");
  EXPECT_FALSE(trap.opened()) << "the FIFO was opened for reading";
  (void)x.Run(XInput().Focus(box).Key("Return"));
  EXPECT_TRUE(WaitFor([&] { return x.OtherWindows().empty(); })) << "the box stayed";

  // The program goes on: it answers Ctrl+O with the chooser again.
  (void)x.Run(XInput().Focus(x.main_window().id).Key("ctrl+o"));
  EXPECT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; }))
      << "the program stopped answering";
  (void)x.Run(XInput().Key("Escape"));
}

// A program folder whose emulator is missing or not a library: the program says so in a box
// (message 501) and, once it is answered, ends with a failure status and no window.
TEST(VtrXvfbTest, WithoutAWorkingEmulatorItSaysSoAndEndsWithAFailureStatus) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's start test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_no_emulator");
  ASSERT_EQ(x.Start(false), "");  // the server, with a program that has its emulator
  for (const bool broken : {false, true}) {
    SCOPED_TRACE(broken ? "a broken emulator" : "no emulator");
    // A program folder of its own, with a single-instance lock of its own.
    const fs::path folder = x.work() / (broken ? "broken" : "missing");
    fs::create_directories(folder / "runtime");
    fs::permissions(folder / "runtime", fs::perms::owner_all);
    for (const char* name : {"vtr", "libvtr_platform.so"}) {
      fs::copy_file(fs::path(VTR_DIST_DIR) / name, folder / name,
                    fs::copy_options::overwrite_existing);
    }
    if (broken) std::ofstream(folder / "Qs5_EmuKmw5.so") << "not a library";
    // Under the leak checker the X and font libraries' caches, kept for the life of the
    // process, would change the status; they are not leaks of ours.
    std::ofstream(folder / "leaks.supp")
        << "leak:libX11\nleak:libXft\nleak:libfontconfig\nleak:libfreetype\nleak:libfltk\n"
           "leak:libXrender\n";
    (void)x.Run("(LSAN_OPTIONS=suppressions=" + Quoted(folder / "leaks.supp") +
                " XDG_RUNTIME_DIR=" + Quoted(folder / "runtime") + " " + Quoted(folder / "vtr") +
                " >" + Quoted(folder / "log.txt") + " 2>&1; echo $? >" +
                Quoted(folder / "status.txt") + ") >/dev/null 2>&1 &");
    std::vector<Place> boxes;
    ASSERT_TRUE(WaitFor([&] { return (boxes = x.OtherWindows()).size() == 1; }))
        << "no message box";
    const unsigned long id = boxes.front().id;
    // The box's picture stays in the work folder for a look by eye.
    (void)x.ShotOf(id, folder / "box.ppm");
    EXPECT_TRUE(fs::exists(folder / "runtime")) << "the lock was taken first";
    (void)x.Run(XInput().Focus(id).Key("Return"));
    ASSERT_TRUE(WaitFor([&] { return !ReadFile(folder / "status.txt").empty(); }))
        << "it did not end";
    EXPECT_EQ(ReadFile(folder / "status.txt"), std::to_string(kExitNoPlayer) + "\n");
    EXPECT_TRUE(x.OtherWindows().empty()) << "a window stayed up";
  }
}

// Starts the program with the kana on keys of their own, types あいう `times` times into the
// script box and waits for Play, which shows once the box holds text.
void StartAndTypeKana(ProgramOnXvfb& x, int times) {
  ASSERT_EQ(x.Start(true), "");
  (void)x.Run(XInput().Focus(x.main_window().id).Kana(times));
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
}

TEST(VtrXvfbTest, TypedKanaPlayUntilTheEndOfThePhraseBringsPlayBack) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's play test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_play");
  // Three times あいう: a phrase of about a second on the stand-in emulator.
  ASSERT_NO_FATAL_FAILURE(StartAndTypeKana(x, 3));

  // Click Play, then move the pointer off the window so that no hover or tooltip gets in the way.
  const Clock::time_point clicked = Clock::now();
  (void)x.Run(XInput().MoveTo(x.main_window().id, 58, 153).Click().MoveTo(0, 0));
  ASSERT_EQ(Name(x.WaitForButton(Button::kStop)), Name(Button::kStop));
  // Nobody touches the program again: the end of the phrase brings Play back.
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
  // Without a sound card the silent device consumes the samples at the real rate, so the phrase
  // cannot have ended sooner than it sounds.
  EXPECT_GE(Clock::now() - clicked, milliseconds(500));
}

// Ctrl+E hands the box to the script edit dialog; OK on an untouched dialog gives it back as it
// was. A script of a few dozen kana is longer than any string's inline buffer.
TEST(VtrXvfbTest, CtrlEAndAnUntouchedOkKeepAScriptOfDozensOfKana) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's script edit test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_ctrl_e");
  ASSERT_NO_FATAL_FAILURE(StartAndTypeKana(x, 8));
  const Picture before = x.Shot();

  (void)x.Run(XInput().Key("ctrl+e"));
  std::vector<Place> others;
  ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; }))
      << "no script edit dialog";
  const Place dialog = others.front();
  // The dialog's picture stays in the work folder for a look by eye.
  std::this_thread::sleep_for(milliseconds(500));
  (void)x.ShotOf(dialog.id, x.work() / "dialog.ppm");
  // OK, at the lower right of the dialog; nothing was changed, so no question comes.
  (void)x.Run(
      XInput().MoveTo(dialog.id, dialog.width - 152, dialog.height - 20).Click().MoveTo(0, 0));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().empty(); })) << "the dialog stayed";

  // The box holds its text again (Play shows only then) and, with the caret back at the end
  // where the typing left it, looks as it did before.
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
  (void)x.Run(XInput().Focus(x.main_window().id).Key("End"));
  Picture after;
  const auto box_as_before = [&] {
    after = x.Shot();
    if (after.width != before.width || after.height != before.height) return false;
    for (int y = kBoxTop; y < kBoxBottom; ++y) {
      for (int x_at = kBoxLeft; x_at < kBoxRight; ++x_at) {
        if (after.At(x_at, y) != before.At(x_at, y)) return false;
      }
    }
    return true;
  };
  EXPECT_TRUE(WaitFor(box_as_before)) << "the script box changed";
}

TEST(VtrXvfbTest, CtrlSThroughTheKoruFilterWritesAQrlFile) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's save test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_save");
  ASSERT_NO_FATAL_FAILURE(StartAndTypeKana(x, 2));

  (void)x.Run(XInput().Key("ctrl+s"));
  std::vector<Place> others;
  ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; })) << "no save dialog";
  const Place chooser = others.front();
  // FLTK's chooser: the filter list "Show:" at the top left, the file name at the bottom. The
  // list opens as a menu window of its own; the KORU filter is the one after the script filter.
  (void)x.Run(XInput().MoveTo(chooser.id, 165, 22).Click());
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 2; }))
      << "the filter list did not open";
  (void)x.Run(XInput().Key("Down Return"));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; }))
      << "the filter list did not close";
  // The name field holds the current folder; the name goes after it, without an extension.
  (void)x.Run(XInput()
                  .MoveTo(chooser.id, chooser.width - 40, chooser.height - 58)
                  .Click()
                  .Focus(chooser.id)
                  .Key("End")
                  .Type("voice"));
  (void)x.Run(XInput().Key("Return"));

  // The plug-in's file comes first, then the script beside it; no message box on the way.
  const fs::path qrl = x.scratch() / "voice.qrl";
  const fs::path kvx = x.scratch() / "voice.kvx";
  ASSERT_TRUE(WaitFor([&] { return !x.OtherWindows().empty() || fs::exists(kvx); }));
  EXPECT_TRUE(x.OtherWindows().empty()) << "a window is still up after the save";
  ASSERT_TRUE(fs::exists(qrl)) << "no voice.qrl in the program's current folder";

  // The script: the tag, the voice and the typed kana. On a machine under heavy load the fake
  // key presses now and then reach the toolkit with a character lost or taken for its
  // neighbour (a bare FLTK input shows the same), so any text of the typed kana is accepted.
  const std::string script = ReadFile(kvx);
  ASSERT_EQ(script.substr(0, 6), "KV#JK0") << script;
  EXPECT_GT(CountKana(std::string_view(script).substr(6)), 0u) << script;
  // A KORU file: one "MMMD" chunk (its size counts the CRC after it) opening with "CNTI", with
  // the script inside.
  const std::string koru = ReadFile(qrl);
  ASSERT_GE(koru.size(), 12u);
  EXPECT_EQ(koru.substr(0, 4), "MMMD");
  const uint32_t size = (static_cast<uint32_t>(static_cast<uint8_t>(koru[4])) << 24) |
                        (static_cast<uint8_t>(koru[5]) << 16) |
                        (static_cast<uint8_t>(koru[6]) << 8) | static_cast<uint8_t>(koru[7]);
  EXPECT_EQ(size + 8, koru.size());
  EXPECT_EQ(koru.substr(8, 4), "CNTI");
  EXPECT_NE(koru.find(script), std::string::npos);
  // Nothing else was written into the current folder.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(x.scratch()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"voice.kvx", "voice.qrl"}));
}

}  // namespace
}  // namespace vtr::app
