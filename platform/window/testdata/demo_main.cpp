// Shows the demonstration dialog in a real window, for checking the FLTK backend by eye.
#include <cstdio>

#include "platform/window/testdata/demo_dialog.h"
#include "platform/window/window_system.h"

int main() {
  if (!vtr::platform::UseFltkBackend()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  vtr::platform::demo::DemoDialog dialog;
  return dialog.DoModal() == vtr::platform::kIdCancel ? 0 : 1;
}
