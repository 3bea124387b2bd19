// The program of the program folder on a private Xvfb server, for the screen tests: the server,
// the program started from a scratch current folder with HOME and the runtime folder pointed at
// scratch folders, shell commands run on the server's display (xdotool, xwd), pictures of the
// main window, and the other top-level windows. Several tests may run side by side: each server
// picks its own display number.
//
//   #include <gtest/gtest.h>
//   ProgramOnXvfb x("my_test");
//   ASSERT_EQ(x.Start(true), "");
//   (void)x.Run("xdotool windowfocus --sync " + x.main_id() + " && " + TypeKana(2));
//   EXPECT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vtr::app::testing {

// How long any one wait may last. The waits poll and normally end within a second; the margin
// is for a machine busy with a parallel build.
inline constexpr std::chrono::milliseconds kPatience{20000};

// The tools every screen test needs, and those the typing tests need besides.
inline constexpr auto kScreenTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo"};
inline constexpr auto kTypingTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo", "xdotool", "xkbcomp"};

// The first tool of `tools` that is not installed, or "".
std::string MissingTool(std::initializer_list<const char*> tools);

// The xdotool command typing あいう `times` times into the focused window (the server started
// with `kana_keys` has them on keys of their own).
std::string TypeKana(int times);

// The number of kana of あいう (in Shift-JIS) that `text` consists of, or 0 when it holds anything
// else.
size_t CountKana(std::string_view text);

std::string Quoted(const std::filesystem::path& path);
std::string ReadFile(const std::filesystem::path& path);

// A binary PPM picture (P6, maxval 255); empty when the file is not one.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (static_cast<uint8_t>(rgb[i]) << 16) | (static_cast<uint8_t>(rgb[i + 1]) << 8) |
           static_cast<uint8_t>(rgb[i + 2]);
  }
};
Picture ReadPpm(const std::filesystem::path& path);

// Calls `done` until it returns true or kPatience has passed. Every call runs outside programs,
// which paces the loop.
bool WaitFor(const std::function<bool()>& done);

// A top-level window: its X id and where it is on the screen.
struct Place {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// What covers the Play/Stop place of the main window.
enum class Button { kNone, kPlay, kStop, kOtherWindow };
std::string Name(Button button);

// build/dist/vtr on a private Xvfb server of its own (the display number is the server's choice,
// so tests may run side by side). The server never resets: every tool connects and leaves, and a
// server that resets when its last client leaves refuses the program's connection for a moment
// and forgets the keyboard map loaded for the kana. Everything lives in a work folder named after
// the test: runtime/ (the single-instance lock), home/, scratch/ (the program's current folder)
// and logs. When a test is done the harness closes the program as its user would and fails the
// test unless it then exits with status 0; under the leak checker that makes a leak fail it.
class ProgramOnXvfb {
 public:
  explicit ProgramOnXvfb(const std::string& name);
  ~ProgramOnXvfb() { Stop(); }
  ProgramOnXvfb(const ProgramOnXvfb&) = delete;
  ProgramOnXvfb& operator=(const ProgramOnXvfb&) = delete;

  // Shell assignments ("PATH=/x:$PATH") exported for the program; before Start.
  void SetEnvironment(std::string assignments) { environment_ = std::move(assignments); }
  // Runs the program as on a person's desktop: a window manager (openbox) manages the windows,
  // and the file chooser is the desktop's (GTK's), not pinned to FLTK's own. Before Start.
  void UseDesktop() { desktop_ = true; }
  // Starts the program of another program folder (a test's own copy); before Start.
  void SetProgramFolder(const std::filesystem::path& folder) { program_ = folder / "vtr"; }

  // Starts the server (with the kana bound to keys when `kana_keys`), then the program, and waits
  // for its window "Voxtrel". Returns what went wrong, or "".
  std::string Start(bool kana_keys);

  // Runs `command` in the shell on the server's display, in the scratch folder with the
  // program's environment, and returns its standard output (`ok` tells whether it exited 0).
  std::string Run(const std::string& command, bool* ok = nullptr);

  // What the screen shows where the main window is (other windows over it included).
  Picture Shot();
  // What the screen shows where the top-level window `id` is.
  Picture ShotOf(unsigned long id);
  // Where the top-level window `id` is now.
  Place PlaceOf(unsigned long id);
  // True while the program has not ended.
  bool ProgramRunning();

  // The ids of the viewable top-level windows, menus included (they have no class).
  std::vector<unsigned long> VisibleWindows();
  // The viewable top-level windows other than the main one.
  std::vector<Place> OtherWindows();
  // The title of top-level window `id` ("" for menus, tooltips and untitled windows).
  std::string WindowName(unsigned long id);
  // Where the pointer is on the screen (x and y of the place).
  Place Pointer();

  // What shows at the Play/Stop place. Pixels are read only while no other window is up, so a
  // message box can never pass for a button. Play is drawn green, Stop red.
  Button ButtonNow();
  // Waits until `wanted` shows; gives up at once when another window covers the program.
  Button WaitForButton(Button wanted);

  const Place& main_window() const { return main_; }
  const std::filesystem::path& work() const { return work_; }
  const std::filesystem::path& scratch() const { return scratch_; }
  const std::filesystem::path& program() const { return program_; }
  std::string main_id() const { return std::to_string(main_.id); }

 private:
  std::vector<unsigned long> VisibleWindows(const std::string& list) const;
  // The shell command that lists the viewable top-level windows, a decimal id a line.
  std::string ListWindows() const;
  bool FindMainWindow(bool& ended);
  std::string EndProgram();
  void Stop();

  std::filesystem::path work_;
  std::filesystem::path program_;
  std::filesystem::path scratch_;
  std::string environment_;
  bool desktop_ = false;
  int display_ = -1;
  bool started_ = false;
  unsigned long root_ = 0;
  Place main_;
};

}  // namespace vtr::app::testing
