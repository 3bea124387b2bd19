// The desktop around the program of a screen test: the windows the window manager manages, the
// one that has the keyboard, the clipboard that other programs read and write (through xclip),
// and the cursor the server shows (through XFixes).
//
//   #include <gtest/gtest.h>
//   ProgramOnXvfb x("my_test");
//   x.UseDesktop();
//   ASSERT_EQ(x.Start(true), "");
//   const std::vector<unsigned long> before = ManagedWindows(x);
//   (void)x.Run("xdotool key ctrl+s");
//   const unsigned long chooser = WaitForNewWindow(x, before);
//   EXPECT_EQ(FocusedWindow(x), chooser);
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/testing/program_on_xvfb.h"

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's display, kept out of the tests' headers

namespace vtr::app::testing {

// The tools the desktop tests need besides the typing ones.
inline constexpr auto kDesktopTools = {"Xvfb", "xwd", "xwdtopnm", "xwininfo", "xdotool", "xkbcomp",
                                       "openbox", "xprop", "xclip"};

// The client windows the window manager manages, bottom to top.
std::vector<unsigned long> ManagedWindows(ProgramOnXvfb& x);
// The window that has the keyboard (0 for none).
unsigned long FocusedWindow(ProgramOnXvfb& x);
// Waits until the window manager manages a window that `before` does not hold, and returns it;
// 0 when none came.
unsigned long WaitForNewWindow(ProgramOnXvfb& x, const std::vector<unsigned long>& before);
// Waits until the window manager no longer manages `id`.
bool WaitUntilGone(ProgramOnXvfb& x, unsigned long id);

// Another program puts `utf8` on the desktop's clipboard (the CLIPBOARD selection) and keeps it
// there until something else is copied.
void CopyInAnotherProgram(ProgramOnXvfb& x, std::string_view utf8);
// What another program reads from the desktop's clipboard.
std::string ClipboardText(ProgramOnXvfb& x);

// The cursor the server shows, as XFixes reports it.
struct CursorImage {
  int width = 0, height = 0, xhot = 0, yhot = 0;
  std::vector<unsigned long> pixels;  // ARGB
  bool empty() const { return pixels.empty(); }
  friend bool operator==(const CursorImage&, const CursorImage&) = default;
};

// A connection of the test's own to the server of `x`.
class CursorWatch {
 public:
  explicit CursorWatch(ProgramOnXvfb& x);
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
  ProgramOnXvfb& x_;
  ::_XDisplay* display_ = nullptr;
};

}  // namespace vtr::app::testing
