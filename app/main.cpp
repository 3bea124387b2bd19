// The program: start-up of the main window from the program folder.
#include <cstdio>
#include <cstdlib>

#include "app/main_app.h"
#include "platform/paths.h"
#include "platform/window/window_system.h"

int main() {
  if (!vtr::platform::UseFltkBackend()) {
    // Nothing can be shown without a display, so this is the one message that goes to stderr.
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "vtr: cannot open the display \"%s\"\n",
                 display != nullptr ? display : "");
    return 1;
  }
  vtr::app::MainApp app({.program_folder = vtr::platform::ProgramFolder()});
  return app.Run();
}
