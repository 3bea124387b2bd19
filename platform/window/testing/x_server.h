// A private X server for the screen tests, and a person's hands and eyes on it: the server
// (Xvfb, with a display number of its own so that tests run side by side), the kana on keys of
// their own and a window manager (openbox) where a test asks for them, shell commands on its
// display, keys, text, clicks and drags as xdotool lines, pictures of windows and of the whole
// screen, the top-level windows, the pointer, the keyboard focus, the clipboard and the cursor.
//
// The server never resets: every tool connects and leaves, and a server that resets when its
// last client leaves refuses the next connection for a moment and forgets the keyboard map
// loaded for the kana. Everything lives in a work folder named by the test: runtime/ (the
// commands' XDG_RUNTIME_DIR), home/ (their HOME), the server's log and the pictures.
//
//   #include <gtest/gtest.h>
//   // given: unsigned long window
//   XServer x(std::filesystem::path(VTR_TEST_BIN_DIR) / "my_test");
//   ASSERT_EQ(x.Start({.kana_keys = true}), "");
//   (void)x.Run(XInput().Focus(window).Kana(2).Key("ctrl+s"));
//   (void)x.Run(XInput().MoveTo(window, 58, 153).Click().MoveTo(0, 0));
//   const Picture shot = x.ShotOf(window);
//   EXPECT_EQ(shot.At(120, 70), 0xFFFFFFu);
#ifndef VTR_PLATFORM_WINDOW_TESTING_X_SERVER_H_
#define VTR_PLATFORM_WINDOW_TESTING_X_SERVER_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/geometry.h"

// Xlib's display, declared here to keep Xlib out of the tests' headers.
struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name

namespace vtr::platform::testing {

// How long any one wait may last. The waits poll and normally end within a second; the margin
// is for a machine busy with a parallel build.
inline constexpr std::chrono::milliseconds kPatience{20000};

// The tools every screen test needs, those the typing tests need besides, and those of the tests
// under a window manager.
inline constexpr auto kScreenTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo"};
inline constexpr auto kTypingTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo", "xdotool", "xkbcomp"};
inline constexpr auto kDesktopTools = {"Xvfb",    "xwd",     "xwdtopnm", "xwininfo", "xdotool",
                                       "xkbcomp", "openbox", "xprop",    "xclip"};

// The first tool of `tools` that is not installed, or "".
std::string MissingTool(std::initializer_list<const char*> tools);

// Calls `done` until it returns true or kPatience has passed. Every call runs outside programs,
// which paces the loop.
bool WaitFor(const std::function<bool()>& done);

// `path` in single quotes, for a shell line.
std::string Quoted(const std::filesystem::path& path);
std::string ReadFile(const std::filesystem::path& path);

// The number of kana of あいう (in Shift-JIS) that `text` consists of, or 0 when it holds anything
// else: what arrived of XInput::Kana.
size_t CountKana(std::string_view text);

// A binary PPM picture (P6, maxval 255); empty when the file is not one.
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  // The pixel at (x, y) as 0xRRGGBB.
  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (static_cast<uint8_t>(rgb[i]) << 16) | (static_cast<uint8_t>(rgb[i + 1]) << 8) |
           static_cast<uint8_t>(rgb[i + 2]);
  }
  // The same pixel as a colour of the window layer.
  Color ColorAt(int x, int y) const {
    const uint32_t c = At(x, y);
    return Rgb(static_cast<int>(c >> 16), static_cast<int>((c >> 8) & 0xFF),
               static_cast<int>(c & 0xFF));
  }
};
Picture ReadPpm(const std::filesystem::path& path);

// One xdotool line for XServer::Run: key, text and pointer steps, in order. Keys go to the window
// that has the keyboard, clicks to what lies under the pointer, unless a step aims them. It turns
// into its shell line wherever a string is wanted (`std::string(input) + " && " + ...`). xdotool
// takes every word after "type" as text, so the steps after a Type go to an xdotool of their own,
// started once the first has done.
//
//   XInput().Focus(window).Key("End").Type("song.kvx")
//     -> xdotool windowfocus --sync <window> key End type 'song.kvx'
class XInput {
 public:
  // Gives `window` the keyboard and waits until the server has.
  XInput& Focus(unsigned long window);
  // Presses the keys named ("ctrl+s", "Down Down Return"), `delay_ms` apart (0: xdotool's own).
  XInput& Key(std::string_view keys, int delay_ms = 0);
  // Types `text` (UTF-8), `delay_ms` between characters (0: xdotool's own), binding a character
  // the keyboard map lacks to a spare key for a moment.
  XInput& Type(std::string_view text, int delay_ms = 0);
  // Presses あいう `times` times, on the keys XServerOptions::kana_keys gives them.
  XInput& Kana(int times);
  // Moves the pointer to (x, y) of `window`, or of the screen.
  XInput& MoveTo(unsigned long window, int x, int y);
  XInput& MoveTo(int x, int y);
  // Moves the pointer to the middle of `place` (a control's place) of `window`.
  XInput& MoveToMiddle(unsigned long window, const Rect& place);
  // Moves the pointer by (dx, dy) from where it is.
  XInput& MoveBy(int dx, int dy);
  // Clicks the left button; `times` clicks `delay_ms` apart (a double click is two quick ones).
  XInput& Click(int times = 1, int delay_ms = 0);
  // Clicks the right button.
  XInput& RightClick();
  // Presses and releases the left button: a drag is a press, moves and a release.
  XInput& Press();
  XInput& Release();
  XInput& Sleep(std::chrono::milliseconds pause);

  std::string command() const { return "xdotool" + steps_; }
  operator std::string() const { return command(); }

 private:
  XInput& Step(const std::string& step);
  std::string steps_;
  bool ends_in_text_ = false;  // the last step types text
};

// What the server starts with.
struct XServerOptions {
  std::string screen = "640x480x24";  // width x height x depth
  bool kana_keys = false;             // あ, い and う on keys of their own (XInput::Kana)
  bool window_manager = false;        // openbox manages the windows
};

// A top-level window: its X id and where it is on the screen.
struct Place {
  unsigned long id = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// A private Xvfb server and the commands on its display. Ending it ends the window manager and
// the server, and waits for both to be gone.
class XServer {
 public:
  explicit XServer(std::filesystem::path work);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  // Empties the work folder and starts the server, then what `options` ask for. Returns what
  // went wrong, or "".
  std::string Start(const XServerOptions& options);
  // Makes `xkb` (a whole keymap in xkbcomp's language) the server's keyboard map.
  bool LoadKeymap(std::string_view xkb);
  // Starts openbox and waits until it manages a window mapped now; false when it did not.
  bool StartWindowManager();

  // Runs `command` in the shell on the server's display, with runtime/ and home/ of the work
  // folder as XDG_RUNTIME_DIR and HOME, in the command folder; returns its standard output (`ok`
  // tells whether it exited 0). Under the leak checker the toolkit's own leaks are not ours: the
  // commands suppress them as the tree's file says, unless the caller's environment says
  // otherwise.
  std::string Run(const std::string& command, bool* ok = nullptr);
  // Where Run's commands start (the work folder until set).
  void SetCommandFolder(const std::filesystem::path& folder) { command_folder_ = folder; }

  // The shell line that takes a picture of window `window` (an id, or a shell expression for one)
  // into `file`, for a round of several tools in one Run.
  static std::string ShotCommand(std::string_view window, const std::filesystem::path& file);
  // What the screen shows where top-level window `id` is (windows over it included); kept in
  // `file` when one is given.
  Picture ShotOf(unsigned long id, const std::filesystem::path& file = {});
  // What the whole screen shows.
  Picture ShotOfScreen();

  // The ids of the viewable top-level windows of the programs, menus included (they have no
  // class). Under the window manager they are the clients it manages, not its frames, and the
  // windows it does not take in (menus, tooltips) but for its own check window.
  std::vector<unsigned long> VisibleWindows();
  // The same from the output of ListWindows(), run in a round of several tools.
  std::vector<unsigned long> VisibleWindowsIn(std::string_view listed) const;
  // The shell line that lists them, a decimal id a line.
  std::string ListWindows() const;
  static constexpr char kListWindows[] = "xdotool search --onlyvisible --maxdepth 1 --name ''";
  // Where the top-level window `id` is now.
  Place PlaceOf(unsigned long id);
  // The title of top-level window `id` ("" for menus, tooltips and untitled windows).
  std::string WindowName(unsigned long id);
  // Where the pointer is on the screen (x and y of the place).
  Place Pointer();

  // Under the window manager: the client windows it manages, bottom to top.
  std::vector<unsigned long> ManagedWindows();
  // The window that has the keyboard (0 for none).
  unsigned long FocusedWindow();
  // Waits until the window manager manages a window that `before` does not hold, and returns it;
  // 0 when none came.
  unsigned long WaitForNewWindow(const std::vector<unsigned long>& before);
  // Waits until the window manager no longer manages `id`.
  bool WaitUntilGone(unsigned long id);

  // Another program puts `utf8` on the clipboard (the CLIPBOARD selection) and keeps it there
  // until something else is copied.
  void CopyInAnotherProgram(std::string_view utf8);
  // What another program reads from the clipboard.
  std::string ClipboardText();

  // ":N", once started.
  const std::string& display() const { return display_; }
  const std::filesystem::path& work() const { return work_; }
  const std::filesystem::path& home() const { return home_; }

 private:
  void Stop();

  std::filesystem::path work_;
  std::filesystem::path home_;
  std::filesystem::path command_folder_;
  std::string display_;
  int server_ = -1;  // its process id
  unsigned long root_ = 0;
  bool window_manager_ = false;  // openbox runs
};

// The cursor the server shows, as XFixes reports it.
struct CursorImage {
  int width = 0, height = 0, xhot = 0, yhot = 0;
  std::vector<unsigned long> pixels;  // ARGB
  bool empty() const { return pixels.empty(); }
  friend bool operator==(const CursorImage&, const CursorImage&) = default;
};

// A connection of the test's own to the server, to watch the cursor.
//
//   // given: XServer x
//   CursorWatch cursor(x);
//   const std::vector<CursorImage> watch = cursor.OfShape(150);  // XC_watch
//   const bool waiting = cursor.Now() == watch.front();
class CursorWatch {
 public:
  explicit CursorWatch(XServer& x);
  ~CursorWatch();
  CursorWatch(const CursorWatch&) = delete;
  CursorWatch& operator=(const CursorWatch&) = delete;

  bool connected() const { return display_ != nullptr; }
  // What the cursor looks like now, where the pointer is.
  CursorImage Now();
  // What the cursor of the X cursor font's shape `shape` (XC_watch...) looks like, as a program
  // that asks for it gets it: a probe program shows it for a moment under the pointer. A themed
  // cursor may be animated: every frame seen.
  std::vector<CursorImage> OfShape(unsigned shape);

 private:
  XServer& x_;
  ::_XDisplay* display_ = nullptr;
};

}  // namespace vtr::platform::testing

#endif  // VTR_PLATFORM_WINDOW_TESTING_X_SERVER_H_
