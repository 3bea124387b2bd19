// Start-up of the program: one instance, the player opened on the program folder's emulator,
// then the main window until it closes.
//
//   #include "platform/paths.h"
//   int main() {
//     return vtr::app::MainApp({.program_folder = vtr::platform::ProgramFolder()}).Run();
//   }
#ifndef VTR_APP_MAIN_APP_H_
#define VTR_APP_MAIN_APP_H_

#include <filesystem>
#include <functional>

#include "app/main_dialog.h"
#include "app/main_ports.h"
#include "core/messages.h"

namespace vtr::app {

// The name of the one-instance lock.
inline constexpr std::string_view kInstanceName = "VoxtrelApplication";

// Exit status when the script player could not be opened on the emulator (missing or broken),
// after message 501 was shown.
inline constexpr int kExitNoPlayer = 1;

class MainApp {
 public:
  struct Options {
    std::filesystem::path program_folder;
    PlayerPort* player = nullptr;  // nullptr: the real script player
    ScriptFilesPort* files = nullptr;
    // Runs the window (tests stop here to drive it); nullptr: DoModal.
    std::function<void(MainDialog&)> run = nullptr;
  };
  explicit MainApp(Options options) : options_(std::move(options)) {}
  // The program's exit status: 0 when the window closed or another instance runs already,
  // kExitNoPlayer when the player did not open and the window was never shown.
  int Run();
  // True when the window was shown.
  bool showed_window() const { return showed_window_; }

 private:
  Options options_;
  bool showed_window_ = false;
};

}  // namespace vtr::app

#endif  // VTR_APP_MAIN_APP_H_
