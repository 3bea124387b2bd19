#include "app/testing/program_on_xvfb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/window/dialog_template.h"

namespace vtr::app::testing {
namespace {

namespace fs = std::filesystem;
using platform::testing::kPatience;
using platform::testing::Quoted;
using platform::testing::ReadFile;
using platform::testing::WaitFor;
using platform::testing::XInput;

// The save dialog of the window layer is FLTK's native chooser, which shows GTK's chooser when
// GTK's run-time library is installed and FLTK's own otherwise. FLTK's user options pin its own
// chooser, so that the clicks below find the same layout on every machine.
constexpr std::string_view kFltkOptions =
    "; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n"
    "[.]\n\n[./options]\n\nFNFCUsesGTK:0\n";

// A desktop's screen: the desktop's file chooser wants more room than 640 x 480.
constexpr char kDesktopScreen[] = "1024x768x24";

// The shell test that the program (named by program.pid in the work folder) still runs.
constexpr char kProgramRuns[] =
    "p=$(cat ../program.pid) && [ -e /proc/$p ] && ! grep -q '^State:.*Z' /proc/$p/status";

}  // namespace

std::string Name(Button button) {
  switch (button) {
    case Button::kNone:
      return "neither Play nor Stop";
    case Button::kPlay:
      return "Play";
    case Button::kStop:
      return "Stop";
    case Button::kOtherWindow:
      return "another window (a message box?) over the program";
  }
  return "";
}

platform::Rect ControlPlace(resources::Module module, int dialog, int id) {
  const platform::DialogTemplate* t = resources::FindDialog(module, dialog);
  if (t == nullptr) return {};
  for (const platform::ControlTemplate& control : t->controls) {
    if (control.id == id) return platform::TemplateToPixels(control.place, t->units);
  }
  return {};
}

ProgramOnXvfb::ProgramOnXvfb(const std::string& name)
    : XServer(fs::path(VTR_TEST_BIN_DIR) / name),
      program_(fs::path(VTR_DIST_DIR) / "vtr"),
      scratch_(work() / "scratch") {}

std::string ProgramOnXvfb::Start(bool kana_keys) {
  platform::testing::XServerOptions options;
  if (desktop_) options.screen = kDesktopScreen;
  options.kana_keys = kana_keys;
  options.window_manager = desktop_;
  if (std::string failure = XServer::Start(options); !failure.empty()) return failure;
  started_ = true;
  fs::create_directories(scratch_);
  fs::create_directories(home() / ".fltk/fltk.org");
  if (!desktop_) std::ofstream(home() / ".fltk/fltk.org/fltk.prefs") << kFltkOptions;
  SetCommandFolder(scratch_);
  // The program runs under a shell that keeps its exit status in program.status; program.pid
  // names the program itself, and is there when the command ends.
  std::string command;
  if (!environment_.empty()) command += "export " + environment_ + "\n";
  command +=
      "{ " + Quoted(program_) +
      " >../program.log 2>&1 & echo $! >../program.pid; wait $!; echo $? >../program.status; } "
      ">/dev/null 2>&1 &\n"
      "i=0; until [ -s ../program.pid ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.01; done\n";
  (void)Run(command);

  bool ended = false;
  const bool up = WaitFor([&] { return FindMainWindow(ended) || ended; });
  if (ended) return "the program ended: " + ReadFile(work() / "program.log");
  if (!up) return "no window \"Voxtrel\" appeared";
  return "";
}
Picture ProgramOnXvfb::Shot() { return ShotOf(main_.id); }
std::vector<Place> ProgramOnXvfb::OtherWindows() {
  std::vector<Place> others;
  for (unsigned long id : VisibleWindows()) {
    if (id != main_.id) others.push_back(PlaceOf(id));
  }
  return others;
}
bool ProgramOnXvfb::ProgramRunning() {
  return Run(std::string(kProgramRuns) + " && echo yes") == "yes\n";
}
Button ProgramOnXvfb::ButtonNow() {
  // One round of tools: the windows, the picture, the windows again.
  const fs::path shot = work() / "shot.ppm";
  const std::string lists =
      Run(ListWindows() + "; echo -; " + ShotCommand(main_id(), shot) + "; " + ListWindows());
  if (VisibleWindowsIn(lists.substr(0, lists.find('-'))) != std::vector<unsigned long>{main_.id} ||
      VisibleWindowsIn(lists.substr(lists.find('-') + 1)) != std::vector<unsigned long>{main_.id}) {
    return Button::kOtherWindow;
  }
  const Picture picture = platform::testing::ReadPpm(shot);
  if (picture.width != main_.width || picture.height != main_.height) return Button::kNone;
  const uint32_t pixel = picture.At(40, 150);
  const int red = static_cast<int>(pixel >> 16), green = static_cast<int>((pixel >> 8) & 0xFF);
  if (green > red + 48) return Button::kPlay;
  if (red > green + 48) return Button::kStop;
  return Button::kNone;
}
Button ProgramOnXvfb::WaitForButton(Button wanted) {
  Button now = Button::kNone;
  (void)WaitFor([&] {
    now = ButtonNow();
    return now == wanted || now == Button::kOtherWindow;
  });
  return now;
}
// Looks for the line of "Voxtrel" in the window tree (`0x400004 "Voxtrel": (...)  240x195+80+60`);
// `ended` tells that the program is gone.
bool ProgramOnXvfb::FindMainWindow(bool& ended) {
  const std::string found =
      Run(std::string(kProgramRuns) +
          " || echo ended; xwininfo -root -tree | grep -a '\"Voxtrel\"' | head -1");
  ended = found.starts_with("ended");
  const size_t line = ended ? found.find('\n') + 1 : 0;
  const size_t size = found.find(")  ", line);
  Place place;
  if (line >= found.size() || size == std::string::npos ||
      std::sscanf(found.c_str() + line, " %lx", &place.id) != 1 ||
      std::sscanf(found.c_str() + size + 3, "%dx%d+%d+%d", &place.width, &place.height, &place.x,
                  &place.y) != 4) {
    return false;
  }
  main_ = place;
  return true;
}
// Closes the program the user's way when nothing but its window is up: Stop while it plays,
// the script box emptied so that no question comes, then Escape. Returns what went wrong, or
// "" (also when a dialog or a question keeps the program from closing: it is then ended as
// before, unjudged).
std::string ProgramOnXvfb::EndProgram() {
  if (ProgramRunning()) {
    if (VisibleWindows() != std::vector<unsigned long>{main_.id}) return "";
    if (ButtonNow() == Button::kStop) {
      (void)Run(XInput().MoveTo(main_.id, 58, 153).Click().MoveTo(0, 0));
      (void)WaitFor([&] { return ButtonNow() != Button::kStop; });
    }
    // A click in the script box gives it the keys; elsewhere the window swallows them.
    (void)Run(XInput()
                  .MoveTo(main_.id, 120, 70)
                  .Click()
                  .MoveTo(0, 0)
                  .Focus(main_.id)
                  .Key("ctrl+a Delete Escape"));
    bool asked = false;
    const bool ended = WaitFor([&] {
      if (!ProgramRunning()) return true;
      asked = !OtherWindows().empty();
      return asked;
    });
    if (asked) return "";
    if (!ended) return "the program did not end when its window was closed";
  }
  // A shell that has not written the status yet is a moment behind the program's end.
  std::string status;
  (void)WaitFor([&] { return !(status = ReadFile(work() / "program.status")).empty(); });
  if (status == "0\n") return "";
  return "the program ended with status " + (status.empty() ? "unknown\n" : status) +
         ReadFile(work() / "program.log");
}

// Ends the program (the user's way where it can, and then its exit status must be 0) and waits
// for it to be gone; the server goes after it.
void ProgramOnXvfb::Stop() {
  if (!started_) return;
  started_ = false;
  if (const std::string failure = EndProgram(); !failure.empty()) ADD_FAILURE() << failure;
  (void)Run(
      "p=$(cat ../program.pid 2>/dev/null) && kill $p 2>/dev/null\n"
      "i=0; while " +
      std::string(kProgramRuns) +
      " && [ $i -lt 200 ]; do i=$((i+1)); sleep 0.02; done\n"
      // The shell around the program writes its status a moment after the program's end: the
      // next start empties the work folder, which must not find it still being written.
      "i=0; until [ ! -s ../program.pid ] || [ -s ../program.status ] || [ $i -ge 200 ]; do "
      "i=$((i+1)); sleep 0.02; done");
}
}  // namespace vtr::app::testing
