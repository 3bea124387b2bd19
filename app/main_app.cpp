#include "app/main_app.h"

#include <memory>

#include "app/about_dialog.h"
#include "platform/single_instance.h"
#include "platform/window/controls.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"
#include "playback/window_ports.h"
#include "resources/resources.h"
#include "scriptedit/script_file_io.h"

namespace vtr::app {
namespace {

// The real player behind the main window.
class ScriptPlayerPort final : public PlayerPort {
 public:
  ScriptPlayerPort() = default;
  int Open(std::string_view path, uint32_t mode, int param) override {
    return player_.Open(path, mode, param);
  }
  int Play(void* window, int id, int volume, int voice, std::string_view text) override {
    return player_.Play(window, id, volume, voice, text);
  }
  int Stop() override { return player_.Stop(); }
  int Close() override { return player_.Close(); }
  int language() const override { return player_.language(); }

 private:
  playback::ScriptPlayer player_;
};

// Script files through the script file dialogs and the plug-in host, owned by the main window.
class ScriptFileIOPort final : public ScriptFilesPort {
 public:
  explicit ScriptFileIOPort(std::filesystem::path program_folder)
      : program_folder_(std::move(program_folder)) {}
  void set_owner(void* owner) { owner_ = owner; }
  int OpenScriptFile(std::string& path, std::string& text, core::ScriptLanguage language,
                     bool offer_other_types, std::string* wave_path) override {
    scriptedit::ScriptFileIO file_io = Make();
    return file_io.OpenScriptFile(path, text, language, offer_other_types, wave_path);
  }
  int SaveScriptAs(std::string& path, const std::string& script, core::ScriptLanguage language,
                   const std::string& plain_text) override {
    scriptedit::ScriptFileIO file_io = Make();
    return file_io.SaveScriptAs(path, script, language, plain_text);
  }

 private:
  scriptedit::ScriptFileIO Make() const {
    scriptedit::ScriptFileIO file_io;
    (void)file_io.SetOwner(owner_, "Voxtrel");
    file_io.SetProgramFolder(program_folder_);
    file_io.SetPluginFolder(program_folder_ / "Plugin");
    return file_io;
  }
  std::filesystem::path program_folder_;
  void* owner_ = nullptr;
};

}  // namespace

int MainApp::Run() {
  platform::SingleInstance instance(kInstanceName);
  if (!instance.first()) return 0;

  playback::WindowPresenter presenter;
  core::InstallMessagePresenter(&presenter);
  core::SetApplicationTitle("Voxtrel");
  platform::SetApplicationTitle("Voxtrel");
  platform::SetEditMenuTexts(resources::LoadEditMenuTexts());
  playback::WindowPoster poster;
  playback::InstallCommandPoster(&poster);
  core::MessageReporter messages;
  std::unique_ptr<ScriptPlayerPort> own_player;
  PlayerPort* player = options_.player;
  if (player == nullptr) {
    own_player = std::make_unique<ScriptPlayerPort>();
    player = own_player.get();
  }

  ScriptFileIOPort own_files(options_.program_folder);
  ScriptFilesPort* files = options_.files != nullptr ? options_.files : &own_files;
  int status = kExitNoPlayer;
  const std::string emulator = (options_.program_folder / kEmulatorName).string();
  if (player->Open(emulator, kPlayerModeWord, kPlayerParam) == 0) {
    status = 0;
    MainDialog dialog({.player = player,
                       .files = files,
                       .messages = &messages,
                       .program_folder = options_.program_folder,
                       .about = [&](platform::Window* owner) {
                         const std::filesystem::path program_file = options_.program_folder / "vtr";
                         AboutDialog about(owner, player->language(), options_.program_folder,
                                           program_file);
                         (void)about.DoModal();
                       }});
    own_files.set_owner(dialog.handle());
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
