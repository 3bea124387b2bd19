#include "app/testing/program_on_xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/process.h"

namespace vtr::app::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The kana the tests type: あ, い and う, as keysyms and in Shift-JIS. xdotool types a character
// the keyboard map lacks by binding it to a spare key for a moment, and a client that looks the
// key up after the binding was undone loses the character; so the server's map binds them to keys
// of their own before the program starts, and the keys are pressed by their keysyms.
constexpr std::string_view kKanaKeymap = R"xkb(xkb_keymap {
  xkb_keycodes { include "evdev+aliases(qwerty)" };
  xkb_types { include "complete" };
  xkb_compat { include "complete" };
  xkb_symbols {
    include "pc+us+inet(evdev)"
    key <FK13> { [ U3042 ] };
    key <FK14> { [ U3044 ] };
    key <FK15> { [ U3046 ] };
  };
  xkb_geometry { include "pc(pc105)" };
};
)xkb";
constexpr std::string_view kKanaKeysyms = " U3042 U3044 U3046";
constexpr std::string_view kKanaShiftJis[] = {"\x82\xA0", "\x82\xA2", "\x82\xA4"};

// The save dialog of the window layer is FLTK's native chooser, which shows GTK's chooser when
// GTK's run-time library is installed and FLTK's own otherwise. FLTK's user options pin its own
// chooser, so that the clicks below find the same layout on every machine.
constexpr std::string_view kFltkOptions =
    "; FLTK preferences file format 1.0\n; vendor: fltk.org\n; application: fltk\n\n"
    "[.]\n\n[./options]\n\nFNFCUsesGTK:0\n";

bool OnPath(const std::string& name) {
  platform::ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c", "command -v " + name};
  return platform::RunProcess(spec, std::chrono::seconds(2)).ok();
}

// Under the leak checker the toolkit's own leaks are not ours: the program and the commands on
// its display suppress them as the tree's file says, unless the caller's environment says
// otherwise.
constexpr std::string_view kSuppressLeaks =
    "export LSAN_OPTIONS=\"${LSAN_OPTIONS:-suppressions=" VTR_LSAN_SUPPRESSIONS "}\"\n";

// Lists the viewable windows, one id a line.
constexpr char kListWindows[] = "xdotool search --onlyvisible --maxdepth 1 --name ''";
// Under a window manager the windows at the top are its frames: the program's windows are the
// viewable clients it manages, and the menus and tooltips that no manager takes in (but for the
// manager's own check window, which it keeps mapped off the screen).
constexpr char kListWindowsOnDesktop[] =
    "{ for w in $(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*'); do "
    "xwininfo -id $w 2>/dev/null | grep -q IsViewable && echo $((w)); done; "
    "wm=$(($(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-fA-F]*' || echo 0))); "
    "for w in $(xdotool search --onlyvisible --maxdepth 1 --name ''); do [ $w = $wm ] || { "
    "xwininfo -id $w 2>/dev/null | grep -q 'Override Redirect State: yes' && echo $w; }; done; }";

// A desktop's screen: the desktop's file chooser wants more room than 640 x 480.
constexpr char kDesktopScreen[] = "1024x768x24";

// The shell lines that start openbox on the display and wait until it handles requests. It names
// its check window on the root before its start-up is done; on a busy machine a window mapped as
// the start-up ended was at times never taken in, the manager's own changes of the start-up left
// unhandled as well. A request it must answer, one more desktop, shows it running.
std::string WindowManagerStart() {
  return "openbox >openbox.log 2>&1 & echo $! >wm.pid\n"
         "i=0; until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || [ $i -ge 200 ]; "
         "do i=$((i+1)); sleep 0.05; done\n"
         "i=0; until desktops=$(xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null | grep -o '[0-9]*$') || "
         "[ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done\n"
         "desktops=$((desktops + 1))\n"
         "xdotool set_num_desktops $desktops\n"
         "i=0; until xprop -root _NET_NUMBER_OF_DESKTOPS 2>/dev/null | grep -q \"= $desktops$\" || [ $i -ge 200 ]; "
         "do i=$((i+1)); sleep 0.05; done\n";
}

}  // namespace

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (!OnPath(tool)) return tool;
  }
  return "";
}

std::string TypeKana(int times) {
  std::string command = "xdotool key --delay 20";
  for (int i = 0; i < times; ++i) command += kKanaKeysyms;
  return command;
}

size_t CountKana(std::string_view text) {
  if (text.size() % 2 != 0) return 0;
  for (size_t i = 0; i < text.size(); i += 2) {
    if (std::find(std::begin(kKanaShiftJis), std::end(kKanaShiftJis), text.substr(i, 2)) ==
        std::end(kKanaShiftJis)) {
      return 0;
    }
  }
  return text.size() / 2;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Picture ReadPpm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  Picture picture;
  std::string magic;
  int maxval = 0;
  in >> magic >> picture.width >> picture.height >> maxval;
  in.get();
  picture.rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (magic != "P6" || maxval != 255 ||
      picture.rgb.size() < static_cast<size_t>(picture.width) * picture.height * 3) {
    return {};
  }
  return picture;
}

bool WaitFor(const std::function<bool()>& done) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    if (done()) return true;
  }
  return done();
}

std::string Name(Button button) {
  switch (button) {
    case Button::kNone: return "neither Play nor Stop";
    case Button::kPlay: return "Play";
    case Button::kStop: return "Stop";
    case Button::kOtherWindow: return "another window (a message box?) over the program";
  }
  return "";
}

ProgramOnXvfb::ProgramOnXvfb(const std::string& name)
    : work_(fs::path(VTR_TEST_BIN_DIR) / name),
      program_(fs::path(VTR_DIST_DIR) / "vtr"),
      scratch_(work_ / "scratch") {}

std::string ProgramOnXvfb::Start(bool kana_keys) {
  fs::remove_all(work_);
  fs::create_directories(work_ / "runtime");
  fs::permissions(work_ / "runtime", fs::perms::owner_all);
  fs::create_directories(work_ / "scratch");
  fs::create_directories(work_ / "home/.fltk/fltk.org");
  if (!desktop_) std::ofstream(work_ / "home/.fltk/fltk.org/fltk.prefs") << kFltkOptions;
  std::ofstream(work_ / "kana.xkb") << kKanaKeymap;
  std::string script = R"(
exec 5>display.txt
Xvfb -displayfd 5 -screen 0 )" + std::string(desktop_ ? kDesktopScreen : "640x480x24") + R"( -nolisten tcp -noreset >server.log 2>&1 & echo $! >server.pid
exec 5>&-
i=0; until [ -s display.txt ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done
[ -s display.txt ] || exit 3
export DISPLAY=:$(cat display.txt) XDG_RUNTIME_DIR="$PWD/runtime" HOME="$PWD/home"
)";
  script += kSuppressLeaks;
  if (kana_keys) script += "xkbcomp -w0 kana.xkb $DISPLAY >/dev/null 2>&1 || exit 4\n";
  if (!environment_.empty()) script += "export " + environment_ + "\n";
  if (desktop_) script += WindowManagerStart();
  // The program runs under a shell that keeps its exit status in program.status; program.pid
  // names the program itself, and is there when this script ends.
  script +=
      "(cd scratch && { " + Quoted(program_) +
      " >../program.log 2>&1 & echo $! >../program.pid; wait $!; echo $? >../program.status; }) "
      ">/dev/null 2>&1 &\n"
      "i=0; until [ -s program.pid ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.01; done\n";
  std::ofstream(work_ / "start.sh") << script;
  platform::ProcessSpec spec;
  spec.program = work_ / "start.sh";
  spec.working_folder = work_;
  const platform::ProcessResult run = platform::RunBatch(spec, kPatience);
  if (!run.ok()) return "the server did not start: " + ReadFile(work_ / "server.log");
  std::istringstream(ReadFile(work_ / "display.txt")) >> display_;
  started_ = true;

  bool ended = false;
  const bool up = WaitFor([&] { return FindMainWindow(ended) || ended; });
  if (ended) return "the program ended: " + ReadFile(work_ / "program.log");
  if (!up) return "no window \"Voxtrel\" appeared";
  return "";
}
std::string ProgramOnXvfb::Run(const std::string& command, bool* ok) {
  std::ofstream(work_ / "command.sh")
      << "export DISPLAY=:" << display_ << " XDG_RUNTIME_DIR=" << Quoted(work_ / "runtime")
      << " HOME=" << Quoted(work_ / "home") << "\n"
      << kSuppressLeaks << "cd scratch\n"
      << command << "\n";
  platform::ProcessSpec spec;
  spec.program = work_ / "command.sh";
  spec.working_folder = work_;
  spec.stdout_file = work_ / "command.out";
  const platform::ProcessResult run = platform::RunBatch(spec, kPatience);
  if (ok != nullptr) *ok = run.ok();
  return ReadFile(work_ / "command.out");
}
Picture ProgramOnXvfb::Shot() {
  (void)Run("xwd -id " + main_id() + " -silent | xwdtopnm >../shot.ppm 2>/dev/null");
  return ReadPpm(work_ / "shot.ppm");
}
std::vector<unsigned long> ProgramOnXvfb::VisibleWindows(const std::string& list) const {
  std::istringstream out(list);
  std::vector<unsigned long> ids;
  for (unsigned long id = 0; out >> id;) {
    if (id != root_) ids.push_back(id);  // the search starts at the root
  }
  return ids;
}
std::vector<unsigned long> ProgramOnXvfb::VisibleWindows() { return VisibleWindows(Run(ListWindows())); }

std::string ProgramOnXvfb::ListWindows() const { return desktop_ ? kListWindowsOnDesktop : kListWindows; }

std::vector<Place> ProgramOnXvfb::OtherWindows() {
  std::vector<Place> others;
  for (unsigned long id : VisibleWindows()) {
    if (id != main_.id) others.push_back(PlaceOf(id));
  }
  return others;
}
std::string ProgramOnXvfb::WindowName(unsigned long id) {
  std::string name = Run("xdotool getwindowname " + std::to_string(id));
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}
Place ProgramOnXvfb::Pointer() {
  Place place;
  std::istringstream out(Run("xdotool getmouselocation --shell"));
  for (std::string line; std::getline(out, line);) {
    if (line.starts_with("X=")) place.x = std::atoi(line.c_str() + 2);
    if (line.starts_with("Y=")) place.y = std::atoi(line.c_str() + 2);
  }
  return place;
}
Place ProgramOnXvfb::PlaceOf(unsigned long id) {
  Place place{.id = id};
  std::istringstream out(Run("xdotool getwindowgeometry --shell " + std::to_string(id)));
  for (std::string line; std::getline(out, line);) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const int value = std::atoi(line.c_str() + equals + 1);
    if (key == "X") place.x = value;
    if (key == "Y") place.y = value;
    if (key == "WIDTH") place.width = value;
    if (key == "HEIGHT") place.height = value;
  }
  return place;
}
Picture ProgramOnXvfb::ShotOf(unsigned long id) {
  (void)Run("xwd -id " + std::to_string(id) + " -silent | xwdtopnm >../shot.ppm 2>/dev/null");
  return ReadPpm(work_ / "shot.ppm");
}
bool ProgramOnXvfb::ProgramRunning() {
  return Run("p=$(cat ../program.pid) && [ -e /proc/$p ] && ! grep -q '^State:.*Z' /proc/$p/status && echo yes") ==
         "yes\n";
}
Button ProgramOnXvfb::ButtonNow() {
  // One round of tools: the windows, the picture, the windows again.
  const std::string lists = Run(ListWindows() + "; echo -; xwd -id " + main_id() +
                                " -silent | xwdtopnm >../shot.ppm 2>/dev/null; " + ListWindows());
  if (VisibleWindows(lists.substr(0, lists.find('-'))) != std::vector<unsigned long>{main_.id} ||
      VisibleWindows(lists.substr(lists.find('-') + 1)) != std::vector<unsigned long>{main_.id}) {
    return Button::kOtherWindow;
  }
  const Picture shot = ReadPpm(work_ / "shot.ppm");
  if (shot.width != main_.width || shot.height != main_.height) return Button::kNone;
  const uint32_t pixel = shot.At(40, 150);
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
// Looks for the root window and for the line of "Voxtrel" in the window tree
// (`0x400004 "Voxtrel": (...)  240x195+80+60`); `ended` tells that the program is gone.
bool ProgramOnXvfb::FindMainWindow(bool& ended) {
  const std::string found = Run(
      "p=$(cat ../program.pid) && [ -e /proc/$p ] && ! grep -q '^State:.*Z' /proc/$p/status || "
      "echo ended; xwininfo -root | grep -a 'Window id:'; "
      "xwininfo -root -tree | grep -a '\"Voxtrel\"' | head -1");
  ended = found.starts_with("ended");
  const size_t root = found.find("Window id: ");
  const size_t line = found.find('\n', root);
  const size_t size = found.find(")  ", line);
  Place place;
  if (root == std::string::npos || line == std::string::npos || size == std::string::npos ||
      std::sscanf(found.c_str() + root + 11, "%lx", &root_) != 1 ||
      std::sscanf(found.c_str() + line + 1, " %lx", &place.id) != 1 ||
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
      (void)Run("xdotool mousemove --window " + main_id() + " 58 153 click 1 mousemove 0 0");
      (void)WaitFor([&] { return ButtonNow() != Button::kStop; });
    }
    // A click in the script box gives it the keys; elsewhere the window swallows them.
    (void)Run("xdotool mousemove --window " + main_id() +
              " 120 70 click 1 mousemove 0 0 windowfocus --sync " + main_id() +
              " key ctrl+a Delete Escape");
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
  (void)WaitFor([&] { return !(status = ReadFile(work_ / "program.status")).empty(); });
  if (status == "0\n") return "";
  return "the program ended with status " + (status.empty() ? "unknown\n" : status) +
         ReadFile(work_ / "program.log");
}

// Ends the program (the user's way where it can, and then its exit status must be 0) and the
// server, and waits for both to be gone and for the status of the program to be written.
void ProgramOnXvfb::Stop() {
  if (!started_) return;
  started_ = false;
  if (const std::string failure = EndProgram(); !failure.empty()) ADD_FAILURE() << failure;
  std::ofstream(work_ / "stop.sh") << R"(
gone() { p=$(cat $1 2>/dev/null) || return 0; [ ! -e /proc/$p ] || grep -q '^State:.*Z' /proc/$p/status; }
for f in program.pid wm.pid server.pid; do kill $(cat $f) 2>/dev/null; done
i=0; until { gone program.pid && gone wm.pid && gone server.pid; } || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.02; done
# The shell around the program writes its status a moment after the program's end: the work
# folder is made afresh by the next start, which must not find it still being written.
i=0; until [ ! -s program.pid ] || [ -s program.status ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.02; done
)";
  platform::ProcessSpec spec;
  spec.program = work_ / "stop.sh";
  spec.working_folder = work_;
  (void)platform::RunBatch(spec, kPatience);
}
}  // namespace vtr::app::testing
