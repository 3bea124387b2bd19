// The program of the program folder on a private Xvfb server, for the screen tests: the program
// started from a scratch current folder with HOME and the runtime folder pointed at scratch
// folders, its main window and the other top-level windows, what shows at its Play/Stop place,
// and the places of the controls of its dialogs. The server, the input and the pictures are the
// X test harness's (platform/window/testing/x_server.h), which it extends.
//
//   #include <gtest/gtest.h>
//   ProgramOnXvfb x("my_test");
//   ASSERT_EQ(x.Start(true), "");
//   (void)x.Run(platform::testing::XInput().Focus(x.main_window().id).Kana(2));
//   EXPECT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/window/geometry.h"
#include "platform/window/testing/x_server.h"
#include "resources/resources.h"

namespace vtr::app::testing {

using platform::testing::Picture;
using platform::testing::Place;

// What covers the Play/Stop place of the main window.
enum class Button { kNone, kPlay, kStop, kOtherWindow };
std::string Name(Button button);

// Where control `id` of dialog template `dialog` of `module` lies in the dialog's client area;
// empty when the template has no such control.
platform::Rect ControlPlace(resources::Module module, int dialog, int id);

// build/dist/vtr on a private Xvfb server of its own. Everything lives in a work folder named
// after the test: besides the server's runtime/ and home/, scratch/ (the program's current
// folder, where Run's commands start) and the program's log. When a test is done the harness
// closes the program as its user would and fails the test unless it then exits with status 0;
// under the leak checker that makes a leak fail it.
class ProgramOnXvfb : public platform::testing::XServer {
 public:
  explicit ProgramOnXvfb(const std::string& name);
  ~ProgramOnXvfb() { Stop(); }

  // Shell assignments ("PATH=/x:$PATH") exported for the program; before Start.
  void SetEnvironment(std::string assignments) { environment_ = std::move(assignments); }
  // Runs the program as on a person's desktop: a window manager (openbox) manages the windows
  // on a bigger screen, and the file chooser is the desktop's (GTK's), not pinned to FLTK's own.
  // Before Start.
  void UseDesktop() { desktop_ = true; }
  // Starts the program of another program folder (a test's own copy); before Start.
  void SetProgramFolder(const std::filesystem::path& folder) { program_ = folder / "vtr"; }

  // Starts the server (with the kana bound to keys when `kana_keys`), then the program, and waits
  // for its window "Voxtrel". Returns what went wrong, or "".
  std::string Start(bool kana_keys);

  // What the screen shows where the main window is (other windows over it included).
  Picture Shot();
  // True while the program has not ended.
  bool ProgramRunning();
  // The viewable top-level windows other than the main one.
  std::vector<Place> OtherWindows();

  // What shows at the Play/Stop place. Pixels are read only while no other window is up, so a
  // message box can never pass for a button. Play is drawn green, Stop red.
  Button ButtonNow();
  // Waits until `wanted` shows; gives up at once when another window covers the program.
  Button WaitForButton(Button wanted);

  const Place& main_window() const { return main_; }
  const std::filesystem::path& scratch() const { return scratch_; }
  const std::filesystem::path& program() const { return program_; }
  std::string main_id() const { return std::to_string(main_.id); }

 private:
  bool FindMainWindow(bool& ended);
  std::string EndProgram();
  void Stop();

  std::filesystem::path program_;
  std::filesystem::path scratch_;
  std::string environment_;
  bool desktop_ = false;
  bool started_ = false;
  Place main_;
};

}  // namespace vtr::app::testing
