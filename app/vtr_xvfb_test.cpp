// The program on a private Xvfb server, started from a scratch current folder with HOME and the
// runtime folder pointed at scratch folders: it paints its skin with the script box, refuses a
// second instance, plays typed kana until the end of the phrase brings Play back, and saves the
// typed text through the KORU filter of its save dialog. Driven with xdotool, seen with xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace vtr::app {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long any one wait may last. The waits poll and normally end within a second; the margin
// is for a machine busy with a parallel build.
constexpr milliseconds kPatience{20000};

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

// The xdotool command typing あいう `times` times into the focused window.
std::string TypeKana(int times) {
  std::string command = "xdotool key --delay 20";
  for (int i = 0; i < times; ++i) command += kKanaKeysyms;
  return command;
}

// The number of kana of あいう that `text` consists of, or 0 when it holds anything else.
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

// The first tool of `tools` that is not installed, or "".
std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (!OnPath(tool)) return tool;
  }
  return "";
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Reads a binary PPM (P6, maxval 255).
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (static_cast<uint8_t>(rgb[i]) << 16) | (static_cast<uint8_t>(rgb[i + 1]) << 8) |
           static_cast<uint8_t>(rgb[i + 2]);
  }
};

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

// Calls `done` until it returns true or kPatience has passed. Every call runs outside programs,
// which paces the loop.
bool WaitFor(const std::function<bool()>& done) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    if (done()) return true;
  }
  return done();
}

// A top-level window: its X id and where it is on the screen.
struct Place {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// Lists the viewable windows, one id a line.
constexpr char kListWindows[] = "xdotool search --onlyvisible --maxdepth 1 --name ''";

// What covers the Play/Stop place of the main window.
enum class Button { kNone, kPlay, kStop, kOtherWindow };

std::string Name(Button button) {
  switch (button) {
    case Button::kNone: return "neither Play nor Stop";
    case Button::kPlay: return "Play";
    case Button::kStop: return "Stop";
    case Button::kOtherWindow: return "another window (a message box?) over the program";
  }
  return "";
}

// build/dist/vtr on a private Xvfb server of its own (the display number is the server's choice,
// so tests may run side by side). The server never resets: every tool below connects and leaves,
// and a server that resets when its last client leaves refuses the program's connection for a
// moment and forgets the keyboard map loaded for the kana. Everything lives in a work folder named after the test:
// runtime/ (the single-instance lock), home/, scratch/ (the program's current folder) and logs.
class ProgramOnXvfb {
 public:
  explicit ProgramOnXvfb(const std::string& name)
      : work_(fs::path(VTR_TEST_BIN_DIR) / name), program_(fs::path(VTR_DIST_DIR) / "vtr") {}
  ~ProgramOnXvfb() { Stop(); }
  ProgramOnXvfb(const ProgramOnXvfb&) = delete;
  ProgramOnXvfb& operator=(const ProgramOnXvfb&) = delete;

  // Starts the server (with the kana bound to keys when `kana_keys`), then the program, and waits
  // for its window "Voxtrel". Returns what went wrong, or "".
  std::string Start(bool kana_keys) {
    fs::remove_all(work_);
    fs::create_directories(work_ / "runtime");
    fs::permissions(work_ / "runtime", fs::perms::owner_all);
    fs::create_directories(work_ / "scratch");
    fs::create_directories(work_ / "home/.fltk/fltk.org");
    std::ofstream(work_ / "home/.fltk/fltk.org/fltk.prefs") << kFltkOptions;
    std::ofstream(work_ / "kana.xkb") << kKanaKeymap;
    const std::string script = R"(
exec 5>display.txt
Xvfb -displayfd 5 -screen 0 640x480x24 -nolisten tcp -noreset >server.log 2>&1 & echo $! >server.pid
exec 5>&-
i=0; until [ -s display.txt ] || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.05; done
[ -s display.txt ] || exit 3
export DISPLAY=:$(cat display.txt) XDG_RUNTIME_DIR="$PWD/runtime" HOME="$PWD/home"
)" + std::string(kana_keys ? "xkbcomp -w0 kana.xkb $DISPLAY >/dev/null 2>&1 || exit 4\n" : "") +
                               "cd scratch && " + Quoted(program_) +
                               " >../program.log 2>&1 & echo $! >program.pid\n";
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

  // Runs `command` in the shell on the server's display, in the scratch folder with the
  // program's environment, and returns its standard output (`ok` tells whether it exited 0).
  std::string Run(const std::string& command, bool* ok = nullptr) {
    std::ofstream(work_ / "command.sh") << "export DISPLAY=:" << display_
                                        << " XDG_RUNTIME_DIR=" << Quoted(work_ / "runtime")
                                        << " HOME=" << Quoted(work_ / "home") << "\ncd scratch\n"
                                        << command << "\n";
    platform::ProcessSpec spec;
    spec.program = work_ / "command.sh";
    spec.working_folder = work_;
    spec.stdout_file = work_ / "command.out";
    const platform::ProcessResult run = platform::RunBatch(spec, kPatience);
    if (ok != nullptr) *ok = run.ok();
    return ReadFile(work_ / "command.out");
  }

  // What the screen shows where the main window is (other windows over it included).
  Picture Shot() {
    (void)Run("xwd -id " + main_id() + " -silent | xwdtopnm >../shot.ppm 2>/dev/null");
    return ReadPpm(work_ / "shot.ppm");
  }

  // The ids of the viewable top-level windows, menus included (they have no class), in the
  // output of kListWindows.
  std::vector<unsigned long> VisibleWindows(const std::string& list) const {
    std::istringstream out(list);
    std::vector<unsigned long> ids;
    for (unsigned long id = 0; out >> id;) {
      if (id != root_) ids.push_back(id);  // the search starts at the root
    }
    return ids;
  }
  std::vector<unsigned long> VisibleWindows() { return VisibleWindows(Run(kListWindows)); }

  // The viewable top-level windows other than the main one.
  std::vector<Place> OtherWindows() {
    std::vector<Place> others;
    for (unsigned long id : VisibleWindows()) {
      if (id == main_.id) continue;
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
      others.push_back(place);
    }
    return others;
  }

  // What shows at the Play/Stop place. Pixels are read only while no other window is up, so a
  // message box can never pass for a button. Play is drawn green, Stop red.
  Button ButtonNow() {
    // One round of tools: the windows, the picture, the windows again.
    const std::string lists = Run(std::string(kListWindows) + "; echo -; xwd -id " + main_id() +
                                  " -silent | xwdtopnm >../shot.ppm 2>/dev/null; " + kListWindows);
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

  // Waits until `wanted` shows; gives up at once when another window covers the program.
  Button WaitForButton(Button wanted) {
    Button now = Button::kNone;
    (void)WaitFor([&] {
      now = ButtonNow();
      return now == wanted || now == Button::kOtherWindow;
    });
    return now;
  }

  const Place& main_window() const { return main_; }
  const fs::path& scratch() const { return scratch_; }
  const fs::path& program() const { return program_; }
  std::string main_id() const { return std::to_string(main_.id); }

 private:
  // Looks for the root window and for the line of "Voxtrel" in the window tree
  // (`0x400004 "Voxtrel": (...)  240x195+80+60`); `ended` tells that the program is gone.
  bool FindMainWindow(bool& ended) {
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

  // Ends the program and the server and waits for both to be gone.
  void Stop() {
    if (!started_) return;
    started_ = false;
    std::ofstream(work_ / "stop.sh") << R"(
gone() { p=$(cat $1 2>/dev/null) || return 0; [ ! -e /proc/$p ] || grep -q '^State:.*Z' /proc/$p/status; }
for f in program.pid server.pid; do kill $(cat $f) 2>/dev/null; done
i=0; until { gone program.pid && gone server.pid; } || [ $i -ge 200 ]; do i=$((i+1)); sleep 0.02; done
)";
    platform::ProcessSpec spec;
    spec.program = work_ / "stop.sh";
    spec.working_folder = work_;
    (void)platform::RunBatch(spec, kPatience);
  }

  fs::path work_;
  fs::path program_;
  fs::path scratch_ = work_ / "scratch";
  int display_ = -1;
  bool started_ = false;
  unsigned long root_ = 0;
  Place main_;
};

TEST(VtrXvfbTest, StartsShowsTheSkinAndRefusesASecondInstance) {
  if (const std::string tool = MissingTool({"Xvfb", "xwd", "xwdtopnm", "xwininfo"}); !tool.empty()) {
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
    EXPECT_GT(skin & 0xFF, (skin >> 8) & 0xFF) << std::hex << skin;  // and than green
  }
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

constexpr auto kTypingTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo", "xdotool", "xkbcomp"};

// Starts the program with the kana on keys of their own, types あいう `times` times into the
// script box and waits for Play, which shows once the box holds text.
void StartAndTypeKana(ProgramOnXvfb& x, int times) {
  ASSERT_EQ(x.Start(true), "");
  (void)x.Run("xdotool windowfocus --sync " + x.main_id() + " && " + TypeKana(times));
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
  (void)x.Run("xdotool mousemove --window " + x.main_id() + " 58 153 click 1 mousemove 0 0");
  ASSERT_EQ(Name(x.WaitForButton(Button::kStop)), Name(Button::kStop));
  // Nobody touches the program again: the end of the phrase brings Play back.
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
  // Without a sound card the silent device consumes the samples at the real rate, so the phrase
  // cannot have ended sooner than it sounds.
  EXPECT_GE(Clock::now() - clicked, milliseconds(500));
}

TEST(VtrXvfbTest, CtrlSThroughTheKoruFilterWritesAQrlFile) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's save test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_save");
  ASSERT_NO_FATAL_FAILURE(StartAndTypeKana(x, 2));

  (void)x.Run("xdotool key ctrl+s");
  std::vector<Place> others;
  ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; })) << "no save dialog";
  const Place chooser = others.front();
  const std::string id = std::to_string(chooser.id);
  // FLTK's chooser: the filter list "Show:" at the top left, the file name at the bottom. The
  // list opens as a menu window of its own; the KORU filter is the one after the script filter.
  (void)x.Run("xdotool mousemove --window " + id + " 165 22 click 1");
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 2; })) << "the filter list did not open";
  (void)x.Run("xdotool key Down Return");
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; })) << "the filter list did not close";
  // The name field holds the current folder; the name goes after it, without an extension.
  (void)x.Run("xdotool mousemove --window " + id + " " + std::to_string(chooser.width - 40) + " " +
              std::to_string(chooser.height - 58) + " click 1 windowfocus --sync " + id +
              " key End type voice");
  (void)x.Run("xdotool key Return");

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
                        (static_cast<uint8_t>(koru[5]) << 16) | (static_cast<uint8_t>(koru[6]) << 8) |
                        static_cast<uint8_t>(koru[7]);
  EXPECT_EQ(size + 8, koru.size());
  EXPECT_EQ(koru.substr(8, 4), "CNTI");
  EXPECT_NE(koru.find(script), std::string::npos);
  // Nothing else was written into the current folder.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(x.scratch())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"voice.kvx", "voice.qrl"}));
}

}  // namespace
}  // namespace vtr::app
