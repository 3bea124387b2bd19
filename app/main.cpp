// The program: start-up of the main window from the program folder.
#include "app/main_app.h"
#include "platform/paths.h"
#include "platform/window/window_system.h"

int main() {
  if (!vtr::platform::UseFltkBackend()) return 1;
  vtr::app::MainApp app({.program_folder = vtr::platform::ProgramFolder()});
  return app.Run();
}
