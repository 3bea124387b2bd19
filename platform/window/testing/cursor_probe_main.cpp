// Prints the images of a cursor of the X cursor font as a program that asks for it gets it: shown
// for two seconds in a window of its own under the pointer, read back through XFixes, a line per
// frame of a themed cursor's animation. A program of its own, so that it gets the cursor as the
// program under test does.
//   vtr_cursor_probe 150   ->   "24 24 11 11 ff000000 ..." (width, height, hot spot, ARGB pixels)
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr || argc != 2) return 2;
  int event_base = 0, error_base = 0;
  if (!XFixesQueryExtension(display, &event_base, &error_base)) return 3;
  ::Window root = DefaultRootWindow(display), child = 0;
  int x = 0, y = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  XQueryPointer(display, root, &root, &child, &x, &y, &wx, &wy, &mask);
  XFixesCursorImage* before = XFixesGetCursorImage(display);
  const unsigned long serial_before = before != nullptr ? before->cursor_serial : 0;
  if (before != nullptr) XFree(before);
  XSetWindowAttributes attributes{};
  attributes.override_redirect = True;
  attributes.cursor = XCreateFontCursor(display, static_cast<unsigned>(std::atoi(argv[1])));
  const ::Window probe =
      XCreateWindow(display, root, x - 8, y - 8, 16, 16, 0, CopyFromParent, InputOnly,
                    CopyFromParent, CWOverrideRedirect | CWCursor, &attributes);
  XMapRaised(display, probe);
  // The server shows the probe's cursor a moment after the probe maps under the pointer. A
  // themed cursor may be animated: every frame seen in two seconds is a line of its own.
  std::vector<std::vector<unsigned long>> frames;
  for (int tries = 0; tries < 100; ++tries) {
    usleep(20000);
    XSync(display, False);
    XFixesCursorImage* shown = XFixesGetCursorImage(display);
    if (shown == nullptr) continue;
    std::vector<unsigned long> frame = {
        static_cast<unsigned long>(shown->width), static_cast<unsigned long>(shown->height),
        static_cast<unsigned long>(shown->xhot), static_cast<unsigned long>(shown->yhot)};
    frame.insert(frame.end(), shown->pixels,
                 shown->pixels + static_cast<size_t>(shown->width) * shown->height);
    const bool probe_shows = shown->cursor_serial != serial_before && shown->width > 1;
    XFree(shown);
    if (probe_shows && std::find(frames.begin(), frames.end(), frame) == frames.end())
      frames.push_back(frame);
  }
  for (const std::vector<unsigned long>& frame : frames) {
    std::printf("%lu %lu %lu %lu", frame[0], frame[1], frame[2], frame[3]);
    for (size_t i = 4; i < frame.size(); ++i) std::printf(" %lx", frame[i]);
    std::printf("\n");
  }
  return frames.empty() ? 4 : 0;
}
