#include "app/testing/desktop.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

// Last: Xlib's macros (None, Bool, Status) would break the headers above.
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace vtr::app::testing {

std::vector<unsigned long> ManagedWindows(ProgramOnXvfb& x) {
  // "_NET_CLIENT_LIST_STACKING(WINDOW): window id # 0x400004, 0x800003"
  const std::string list = x.Run("xprop -root _NET_CLIENT_LIST_STACKING");
  std::vector<unsigned long> ids;
  for (size_t at = list.find("0x"); at != std::string::npos; at = list.find("0x", at + 2)) {
    ids.push_back(std::stoul(list.substr(at), nullptr, 16));
  }
  return ids;
}

unsigned long FocusedWindow(ProgramOnXvfb& x) {
  const std::string id = x.Run("xdotool getwindowfocus 2>/dev/null");
  return id.empty() ? 0 : std::stoul(id);
}

unsigned long WaitForNewWindow(ProgramOnXvfb& x, const std::vector<unsigned long>& before) {
  unsigned long found = 0;
  (void)WaitFor([&] {
    for (unsigned long id : ManagedWindows(x)) {
      if (std::find(before.begin(), before.end(), id) == before.end()) found = id;
    }
    return found != 0;
  });
  return found;
}

bool WaitUntilGone(ProgramOnXvfb& x, unsigned long id) {
  return WaitFor([&] {
    const std::vector<unsigned long> now = ManagedWindows(x);
    return std::find(now.begin(), now.end(), id) == now.end();
  });
}

void CopyInAnotherProgram(ProgramOnXvfb& x, std::string_view utf8) {
  std::ofstream(x.work() / "copied.txt", std::ios::binary) << utf8;
  // xclip stays to serve the selection; its output goes nowhere so that nothing waits for it.
  (void)x.Run("xclip -selection clipboard -i " + Quoted(x.work() / "copied.txt") + " >/dev/null 2>&1");
}

std::string ClipboardText(ProgramOnXvfb& x) { return x.Run("xclip -selection clipboard -o 2>/dev/null"); }

CursorWatch::CursorWatch(ProgramOnXvfb& x) : x_(x) {
  std::string name = x.Run("echo $DISPLAY");
  if (!name.empty() && name.back() == '\n') name.pop_back();
  display_ = XOpenDisplay(name.c_str());
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
  image.pixels.assign(shown->pixels, shown->pixels + static_cast<size_t>(shown->width) * shown->height);
  XFree(shown);
  return image;
}

std::vector<CursorImage> CursorWatch::OfShape(unsigned shape) {
  std::istringstream out(x_.Run(Quoted(std::filesystem::path(VTR_TEST_BIN_DIR) / "vtr_cursor_probe") + " " +
                                std::to_string(shape)));
  std::vector<CursorImage> frames;
  for (std::string line; std::getline(out, line);) {
    std::istringstream fields(line);
    CursorImage image;
    fields >> image.width >> image.height >> image.xhot >> image.yhot;
    for (unsigned long pixel = 0; fields >> std::hex >> pixel;) image.pixels.push_back(pixel);
    if (!image.empty() && image.pixels.size() == static_cast<size_t>(image.width) * image.height) frames.push_back(image);
  }
  return frames;
}

}  // namespace vtr::app::testing
