#include "platform/window/testing/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/process.h"

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace vtr::platform::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The kana the tests type: あ, い and う, as keysyms and in Shift-JIS. xdotool types a character
// the keyboard map lacks by binding it to a spare key for a moment, and a client that looks the
// key up after the binding was undone loses the character; so the server's map binds them to keys
// of their own before the program under test starts, and the keys are pressed by their keysyms.
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
constexpr int kKanaDelayMs = 20;

// The leak checker's suppressions for the commands on the display (see XServer::Run).
constexpr std::string_view kSuppressLeaks =
    "export LSAN_OPTIONS=\"${LSAN_OPTIONS:-suppressions=" VTR_LSAN_SUPPRESSIONS "}\"\n";

// How long the server may take to say its display number.
constexpr int kServerStartMs = 10000;

bool OnPath(const std::string& name) {
  ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c", "command -v " + name};
  return RunProcess(spec, std::chrono::seconds(2)).ok();
}

// True once process `pid` is gone (or only waits to be reaped by a parent that is not us).
bool Gone(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("State:")) return line.find('Z') != std::string::npos;
  }
  return true;
}

// Ends the process whose id file `file` names, and waits a few seconds for it to be gone.
void EndNamedProcess(const fs::path& file) {
  pid_t pid = 0;
  if (!(std::istringstream(ReadFile(file)) >> pid) || pid <= 0) return;
  kill(pid, SIGTERM);
  for (int round = 0; round < 200 && !Gone(pid); ++round) usleep(20000);
}

// Starts Xvfb on a display of its own choosing with its output in `log`, and reads the
// number the server writes once it is ready (no polling). Returns the server's process id and
// sets `display`, or -1.
pid_t StartXvfb(const std::string& screen, const fs::path& log, std::string& display) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  // Made before the fork: the child only redirects and execs.
  const std::string fd = std::to_string(fds[1]);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    if (out >= 0) {
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
    }
    if (in >= 0) dup2(in, STDIN_FILENO);
    // Nothing of the test's own but the pipe for the display number.
    close_range(3, static_cast<unsigned>(fds[1]) - 1, 0);
    close_range(static_cast<unsigned>(fds[1]) + 1, ~0u, 0);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", "-noreset", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return -1;
  }
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  while (number.find('\n') == std::string::npos && poll(&p, 1, kServerStartMs) > 0) {
    char buffer[16];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    number.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  display = ":" + number.substr(0, number.find('\n'));
  return pid;
}

// True once the window manager has taken `probe` into a frame of its own.
bool Framed(::Display* display, ::Window probe) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, probe, &root, &parent, &children, &count)) return false;
  if (children != nullptr) XFree(children);
  return parent != root;
}

// Maps a window of its own on `display_name` and waits until the window manager frames it, at
// most ten seconds. openbox names its check window on the root early in its start; a window
// mapped before its event loop runs may then wait unnoticed until some other event wakes it, so
// every round sends it one that it ignores.
bool WaitUntilManaging(const std::string& display_name) {
  ::Display* display = XOpenDisplay(display_name.c_str());
  if (display == nullptr) return false;
  const ::Window root = DefaultRootWindow(display);
  const ::Window probe = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  XMapWindow(display, probe);
  XEvent wake{};
  wake.xclient.type = ClientMessage;
  wake.xclient.window = root;
  wake.xclient.message_type = XInternAtom(display, "_VTR_WAKE", False);
  wake.xclient.format = 32;
  bool managed = false;
  for (int round = 0; round < 200 && !(managed = Framed(display, probe)); ++round) {
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &wake);
    XFlush(display);
    usleep(50000);
  }
  XDestroyWindow(display, probe);
  XCloseDisplay(display);
  return managed;
}

// "--delay <ms> " when `delay_ms` asks for a pause of its own.
std::string DelayOption(int delay_ms) {
  return delay_ms > 0 ? "--delay " + std::to_string(delay_ms) + " " : std::string();
}

}  // namespace

std::string MissingTool(std::initializer_list<const char*> tools) {
  for (const char* tool : tools) {
    if (!OnPath(tool)) return tool;
  }
  return "";
}

bool WaitFor(const std::function<bool()>& done) {
  const Clock::time_point deadline = Clock::now() + kPatience;
  while (Clock::now() < deadline) {
    if (done()) return true;
  }
  return done();
}

std::string Quoted(const fs::path& path) {
  std::string quoted = "'";
  for (const char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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

Picture ReadPpm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  // Header fields may be separated by comment lines ("# ...").
  auto field = [&in] {
    std::string token;
    while (in >> token && token[0] == '#') {
      std::string rest;
      std::getline(in, rest);
    }
    return token;
  };
  Picture picture;
  const std::string magic = field();
  picture.width = std::atoi(field().c_str());
  picture.height = std::atoi(field().c_str());
  const int maxval = std::atoi(field().c_str());
  in.get();
  picture.rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (magic != "P6" || maxval != 255 || picture.width <= 0 || picture.height <= 0 ||
      picture.rgb.size() < static_cast<size_t>(picture.width) * picture.height * 3) {
    return {};
  }
  return picture;
}

XInput& XInput::Step(const std::string& step) {
  // xdotool's type takes every word after it as text: a step after it starts another xdotool.
  steps_ += (ends_in_text_ ? " && xdotool " : " ") + step;
  ends_in_text_ = step.starts_with("type ");
  return *this;
}
XInput& XInput::Focus(unsigned long window) {
  return Step("windowfocus --sync " + std::to_string(window));
}
XInput& XInput::Key(std::string_view keys, int delay_ms) {
  return Step("key " + DelayOption(delay_ms) + std::string(keys));
}
XInput& XInput::Type(std::string_view text, int delay_ms) {
  return Step("type " + DelayOption(delay_ms) + Quoted(std::string(text)));
}
XInput& XInput::Kana(int times) {
  std::string keys = "key --delay " + std::to_string(kKanaDelayMs);
  for (int i = 0; i < times; ++i) keys += kKanaKeysyms;
  return Step(keys);
}
XInput& XInput::MoveTo(unsigned long window, int x, int y) {
  return Step("mousemove --window " + std::to_string(window) + " " + std::to_string(x) + " " +
              std::to_string(y));
}
XInput& XInput::MoveToMiddle(unsigned long window, const Rect& place) {
  return MoveTo(window, place.left + place.width() / 2, place.top + place.height() / 2);
}
XInput& XInput::MoveTo(int x, int y) {
  return Step("mousemove " + std::to_string(x) + " " + std::to_string(y));
}
XInput& XInput::MoveBy(int dx, int dy) {
  // "--" keeps a negative step from reading as an option.
  return Step(std::string("mousemove_relative ") + (dx < 0 || dy < 0 ? "-- " : "") +
              std::to_string(dx) + " " + std::to_string(dy));
}
XInput& XInput::Click(int times, int delay_ms) {
  if (times == 1 && delay_ms == 0) return Step("click 1");
  return Step("click --repeat " + std::to_string(times) + " --delay " + std::to_string(delay_ms) +
              " 1");
}
XInput& XInput::RightClick() { return Step("click 3"); }
XInput& XInput::Press() { return Step("mousedown 1"); }
XInput& XInput::Release() { return Step("mouseup 1"); }
XInput& XInput::Sleep(std::chrono::milliseconds pause) {
  std::ostringstream seconds;
  seconds << static_cast<double>(pause.count()) / 1000;
  return Step("sleep " + seconds.str());
}

XServer::XServer(fs::path work)
    : work_(std::move(work)), home_(work_ / "home"), command_folder_(work_) {}

XServer::~XServer() { Stop(); }

std::string XServer::Start(const XServerOptions& options) {
  fs::remove_all(work_);
  fs::create_directories(work_ / "runtime");
  fs::permissions(work_ / "runtime", fs::perms::owner_all);
  fs::create_directories(home_);
  server_ = StartXvfb(options.screen, work_ / "server.log", display_);
  if (server_ < 0) return "the server did not start: " + ReadFile(work_ / "server.log");
  if (::Display* display = XOpenDisplay(display_.c_str())) {
    root_ = DefaultRootWindow(display);
    XCloseDisplay(display);
  }
  if (options.kana_keys && !LoadKeymap(kKanaKeymap)) return "the kana keymap was not taken";
  window_manager_ = false;
  if (options.window_manager && !StartWindowManager()) {
    return "the window manager did not start: " + ReadFile(work_ / "openbox.log");
  }
  return "";
}

bool XServer::LoadKeymap(std::string_view xkb) {
  std::ofstream(work_ / "keymap.xkb") << xkb;
  bool ok = false;
  (void)Run("xkbcomp -w0 " + Quoted(work_ / "keymap.xkb") + " $DISPLAY >/dev/null 2>&1", &ok);
  return ok;
}

bool XServer::StartWindowManager() {
  bool ok = false;
  (void)Run("openbox --sm-disable >" + Quoted(work_ / "openbox.log") + " 2>&1 & echo $! >" +
                Quoted(work_ / "wm.pid"),
            &ok);
  window_manager_ = ok && WaitUntilManaging(display_);
  return window_manager_;
}

std::string XServer::Run(const std::string& command, bool* ok) {
  std::ofstream(work_ / "command.sh")
      << "export DISPLAY=" << display_ << " XDG_RUNTIME_DIR=" << Quoted(work_ / "runtime")
      << " HOME=" << Quoted(home_) << "\n"
      << kSuppressLeaks << "cd " << Quoted(command_folder_) << "\n"
      << command << "\n";
  ProcessSpec spec;
  spec.program = work_ / "command.sh";
  spec.working_folder = work_;
  spec.stdout_file = work_ / "command.out";
  const ProcessResult run = RunBatch(spec, kPatience);
  if (ok != nullptr) *ok = run.ok();
  return ReadFile(work_ / "command.out");
}

std::string XServer::ShotCommand(std::string_view window, const fs::path& file) {
  return "xwd -id " + std::string(window) + " -silent | xwdtopnm >" + Quoted(file) + " 2>/dev/null";
}

Picture XServer::ShotOf(unsigned long id, const fs::path& file) {
  const fs::path into = file.empty() ? work_ / "shot.ppm" : file;
  (void)Run(ShotCommand(std::to_string(id), into));
  return ReadPpm(into);
}

Picture XServer::ShotOfScreen() {
  (void)Run("xwd -root -silent | xwdtopnm >" + Quoted(work_ / "screen.ppm") + " 2>/dev/null");
  return ReadPpm(work_ / "screen.ppm");
}

std::vector<unsigned long> XServer::VisibleWindowsIn(std::string_view listed) const {
  std::istringstream out{std::string(listed)};
  std::vector<unsigned long> ids;
  for (unsigned long id = 0; out >> id;) {
    if (id != root_) ids.push_back(id);  // the search starts at the root
  }
  return ids;
}

std::string XServer::ListWindows() const {
  if (!window_manager_) return kListWindows;
  return "{ for w in $(xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-fA-F]*'); do "
         "xwininfo -id $w 2>/dev/null | grep -q IsViewable && echo $((w)); done; "
         "wm=$(($(xprop -root _NET_SUPPORTING_WM_CHECK | grep -o '0x[0-9a-fA-F]*' || echo 0))); "
         "for w in $(" +
         std::string(kListWindows) +
         "); do [ $w = $wm ] || { "
         "xwininfo -id $w 2>/dev/null | grep -q 'Override Redirect State: yes' && echo $w; }; "
         "done; }";
}

std::vector<unsigned long> XServer::VisibleWindows() {
  return VisibleWindowsIn(Run(ListWindows()));
}

Place XServer::PlaceOf(unsigned long id) {
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

std::string XServer::WindowName(unsigned long id) {
  std::string name = Run("xdotool getwindowname " + std::to_string(id));
  if (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

Place XServer::Pointer() {
  Place place;
  std::istringstream out(Run("xdotool getmouselocation --shell"));
  for (std::string line; std::getline(out, line);) {
    if (line.starts_with("X=")) place.x = std::atoi(line.c_str() + 2);
    if (line.starts_with("Y=")) place.y = std::atoi(line.c_str() + 2);
  }
  return place;
}

std::vector<unsigned long> XServer::ManagedWindows() {
  // "_NET_CLIENT_LIST_STACKING(WINDOW): window id # 0x400004, 0x800003"
  const std::string list = Run("xprop -root _NET_CLIENT_LIST_STACKING");
  std::vector<unsigned long> ids;
  for (size_t at = list.find("0x"); at != std::string::npos; at = list.find("0x", at + 2)) {
    ids.push_back(std::stoul(list.substr(at), nullptr, 16));
  }
  return ids;
}

unsigned long XServer::FocusedWindow() {
  const std::string id = Run("xdotool getwindowfocus 2>/dev/null");
  return id.empty() ? 0 : std::stoul(id);
}

unsigned long XServer::WaitForNewWindow(const std::vector<unsigned long>& before) {
  unsigned long found = 0;
  (void)WaitFor([&] {
    for (unsigned long id : ManagedWindows()) {
      if (std::find(before.begin(), before.end(), id) == before.end()) found = id;
    }
    return found != 0;
  });
  return found;
}

bool XServer::WaitUntilGone(unsigned long id) {
  return WaitFor([&] {
    const std::vector<unsigned long> now = ManagedWindows();
    return std::find(now.begin(), now.end(), id) == now.end();
  });
}

void XServer::CopyInAnotherProgram(std::string_view utf8) {
  std::ofstream(work_ / "copied.txt", std::ios::binary) << utf8;
  // xclip stays to serve the selection; its output goes nowhere so that nothing waits for it.
  (void)Run("xclip -selection clipboard -i " + Quoted(work_ / "copied.txt") + " >/dev/null 2>&1");
}

std::string XServer::ClipboardText() { return Run("xclip -selection clipboard -o 2>/dev/null"); }

void XServer::Stop() {
  EndNamedProcess(work_ / "wm.pid");
  if (server_ > 0) {
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  }
}

CursorWatch::CursorWatch(XServer& x) : x_(x) {
  display_ = XOpenDisplay(x.display().c_str());
  int event_base = 0, error_base = 0;
  if (display_ != nullptr && !XFixesQueryExtension(display_, &event_base, &error_base)) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
}

CursorWatch::~CursorWatch() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

CursorImage CursorWatch::Now() {
  CursorImage image;
  if (display_ == nullptr) return image;
  XFixesCursorImage* shown = XFixesGetCursorImage(display_);
  if (shown == nullptr) return image;
  image.width = shown->width;
  image.height = shown->height;
  image.xhot = shown->xhot;
  image.yhot = shown->yhot;
  image.pixels.assign(shown->pixels,
                      shown->pixels + static_cast<size_t>(shown->width) * shown->height);
  XFree(shown);
  return image;
}

std::vector<CursorImage> CursorWatch::OfShape(unsigned shape) {
  std::istringstream out(x_.Run(Quoted(fs::path(VTR_TEST_BIN_DIR) / "vtr_cursor_probe") + " " +
                                std::to_string(shape)));
  std::vector<CursorImage> frames;
  for (std::string line; std::getline(out, line);) {
    std::istringstream fields(line);
    CursorImage image;
    fields >> image.width >> image.height >> image.xhot >> image.yhot;
    for (unsigned long pixel = 0; fields >> std::hex >> pixel;) image.pixels.push_back(pixel);
    if (!image.empty() && image.pixels.size() == static_cast<size_t>(image.width) * image.height)
      frames.push_back(image);
  }
  return frames;
}

}  // namespace vtr::platform::testing
