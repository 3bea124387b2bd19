#include "app/main_app.h"

#include <memory>

#include "app/about_dialog.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"
#include "platform/single_instance.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"

namespace vtr::app {
namespace {

class WindowPresenter final : public core::MessagePresenter {
 public:
  int Show(void* owner, std::string_view text, std::string_view caption, uint32_t style) override {
    return platform::MessageBox(platform::Window::FromHandle(owner), text, caption, style);
  }
};

class WindowPoster final : public playback::CommandPoster {
 public:
  void PostCommand(void* window, int command_id) override { platform::PostCommand(window, command_id); }
};

// The real player behind the main window.
class ScriptPlayerPort final : public PlayerPort {
 public:
  ScriptPlayerPort() = default;
  int Open(std::string_view path, uint32_t mode, int param) override { return player_.Open(path, mode, param); }
  int Play(void* window, int id, int volume, int voice, std::string_view text) override {
    return player_.Play(window, id, volume, voice, text);
  }
  int Stop() override { return player_.Stop(); }
  int Close() override { return player_.Close(); }
  int language() const override { return player_.language(); }

 private:
  playback::ScriptPlayer player_;
};

}  // namespace

int MainApp::Run() {
  platform::SingleInstance instance(kInstanceName);
  if (!instance.first()) return 0;

  WindowPresenter presenter;
  core::InstallMessagePresenter(&presenter);
  core::SetApplicationTitle("Voxtrel");
  platform::SetApplicationTitle("Voxtrel");
  WindowPoster poster;
  playback::InstallCommandPoster(&poster);
  core::MessageReporter messages;
  std::unique_ptr<ScriptPlayerPort> own_player;
  PlayerPort* player = options_.player;
  if (player == nullptr) {
    own_player = std::make_unique<ScriptPlayerPort>();
    player = own_player.get();
  }

  int status = 0;
  const std::string emulator = (options_.program_folder / kEmulatorName).string();
  if (player->Open(emulator, kPlayerModeWord, kPlayerParam) == 0) {
    MainDialog dialog({.player = player,
                       .files = options_.files,
                       .messages = &messages,
                       .program_folder = options_.program_folder,
                       .about = [&](platform::Window* owner) {
                         const std::filesystem::path program_file = options_.program_folder / "vtr";
                         AboutDialog about(owner, player->language(), options_.program_folder, program_file);
                         (void)about.DoModal();
                       }});
    showed_window_ = true;
    if (options_.run) {
      options_.run(dialog);
    } else {
      (void)dialog.DoModal();
    }
    (void)player->Close();
  }
  playback::InstallCommandPoster(nullptr);
  core::InstallMessagePresenter(nullptr);
  return status;
}

}  // namespace vtr::app
