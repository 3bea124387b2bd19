// The main window: the skinned script box with Play/Stop, the volume knob, the voice menu, the
// file, clear and edit commands, and the round trips into the two dialog libraries.
//
// The class is written in two files: main_dialog.cpp holds the window (set-up, painting, mouse,
// keys, menus, Play and Stop, closing), script_workflow.cpp the workers behind its commands
// (checking and converting the text, load, save, clear, the two dialog libraries).
//
//   #include "platform/paths.h"
//   // given: PlayerPort& player; ScriptFilesPort& files; core::MessageReporter& messages
//   MainDialog dialog({.player = &player, .files = &files, .messages = &messages,
//                      .program_folder = vtr::platform::ProgramFolder()});
//   (void)dialog.DoModal();
#ifndef VTR_APP_MAIN_DIALOG_H_
#define VTR_APP_MAIN_DIALOG_H_

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/converter_runner.h"
#include "app/main_ports.h"
#include "app/skinned_controls.h"
#include "core/messages.h"
#include "core/script_engine.h"
#include "platform/text.h"
#include "platform/window/dialog.h"
#include "platform/window/menu.h"

namespace vtr::app {

// Control and command ids of the main window.
inline constexpr int kIdPower = 1;
inline constexpr int kIdPlay = 1000;
inline constexpr int kIdScriptBox = 1002;
inline constexpr int kIdStop = 1003;
inline constexpr int kIdVolumeTip = 1004;
// The string shown with the page's path when no browser could open the help page.
inline constexpr int kIdNoBrowserText = 1100;
inline constexpr int kCmdFirstVoice = 32773;
inline constexpr int kCmdLastVoice = 32788;
inline constexpr int kCmdScriptEdit = 32790;
inline constexpr int kCmdSave = 32792;
inline constexpr int kCmdJumpToSite = 32847;
inline constexpr int kCmdClearAll = 32848;
inline constexpr int kCmdIntonation = 32849;
inline constexpr int kCmdPageGeneral = 32853;
inline constexpr int kCmdPageMobile = 32854;
inline constexpr int kCmdPageRegional = 32855;
inline constexpr int kCmdPageProducts = 32856;
inline constexpr int kCmdOpen = 57601;
inline constexpr int kCmdAbout = 57664;

// Results of the workers.
inline constexpr int kWorkOk = 0;
inline constexpr int kWorkBadScript = -19996;
inline constexpr int kWorkNoText = -19999;
inline constexpr int kWorkSentenceTooLong = -19992;
inline constexpr int kWorkTooLong = -19987;

inline constexpr size_t kMaxScriptBytes = 32000;
inline constexpr std::string_view kEmulatorName = "Qs5_EmuKmw5.dll";
inline constexpr uint32_t kPlayerModeWord = 0x52000000;
inline constexpr int kPlayerParam = 129;

// The popup menu of the window and the menu Alt+Space shows.
platform::Menu MainPopupMenu();
platform::Menu MainSystemMenu();

// Which of Play and Stop show: neither for an empty text, Stop while playing, else Play.
struct PlayStopView {
  bool play = false;
  bool stop = false;
  bool operator==(const PlayStopView&) const = default;
};
[[nodiscard]] PlayStopView ChoosePlayStop(bool text_empty, bool playing);

// The menu item checked for `voice` (voices outside 1..15 check the first).
[[nodiscard]] int VoiceCommand(int voice);

class MainDialog : public platform::Dialog {
 public:
  struct Services {
    PlayerPort* player = nullptr;
    ScriptFilesPort* files = nullptr;  // nullptr: no file commands
    core::MessageReporter* messages = nullptr;
    std::filesystem::path program_folder;  // emulator, dialog libraries, links, Plugin
    std::chrono::milliseconds converter_timeout = std::chrono::seconds(5);
    // Runs the About box (nullptr: none).
    std::function<void(platform::Window*)> about = nullptr;
  };

  explicit MainDialog(Services services);
  ~MainDialog() override;

  // The workers (script_workflow.cpp; public so that tests drive them directly).
  [[nodiscard]] int CheckForPlay(std::string& play_text, std::string& text, int voice,
                                 bool report_long, bool& long_sentence);
  [[nodiscard]] int ConvertForEditor(std::string& editor_text, int& voice, std::string& text,
                                     bool& long_sentence, int& count);
  [[nodiscard]] bool SaveScript();
  // True when the text was cleared (the user agreed, or there was nothing unsaved).
  bool ClearAll();
  void LoadScript(const std::string& path);
  bool OpenScriptEditDialog(bool from_file);
  void OpenIntonationDialog();

  // The box text in the script's encoding.
  std::string EditText() const;
  // Sets the box text from code (never counts as an edit).
  void SetEditText(std::string_view bytes);

  int voice() const { return voice_; }
  int volume() const { return volume_; }
  bool playing() const { return playing_; }
  bool saved() const { return saved_ && saved_second_; }
  const std::string& script_path() const { return script_path_; }
  int recorded_count() const { return recorded_count_; }
  int pass_through() const { return pass_through_; }
  uint32_t language() const { return language_; }
  const VolumeKnob& knob() const { return knob_; }
  core::ScriptEngine& engine() { return engine_; }
  // What Alt+Space shows now (items 2 and 3 grey while playing).
  platform::Menu SystemMenu() const;

  void OnCommand(int id, platform::Notice notice) override;
  void OnPaint(platform::Canvas& canvas) override;
  bool OnMouse(const platform::MouseEvent& event) override;
  void OnCaptureLost() override;
  void OnDropFiles(const std::vector<std::string>& files) override;
  // Shift+F10 opens menu 129 wherever the focus is; the Menu key in the script box is the box's.
  bool PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) override;
  // A right click opens menu 129, but in the script box, which has its own edit menu.
  bool PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override { OnOK(); }

 private:
  void OnPlay();
  void OnStop();
  void UpdatePlayStop();
  void OnContextMenu(platform::Point screen);
  void ShowSystemMenu();
  void ShowMessage(unsigned id);
  void FocusEdit();
  void ReopenPlayer();
  void ConvertChinese(std::string& text);
  void RunCommand(int id);
  platform::Encoding encoding() const;
  LockableEdit* edit() const;
  bool is_chinese() const;

  // Shared by the window (main_dialog.cpp) and the workflow (script_workflow.cpp).
  static constexpr uint32_t kModeUs = core::kKanaModeWord;
  static constexpr uint32_t kLanguageUs = static_cast<uint32_t>(core::ScriptLanguage::kRomaji);
  static constexpr int kKnobMinimum = 0;
  static constexpr int kKnobMaximum = 127;

  Services services_;
  std::string emulator_path_;
  uint32_t language_ = 0;
  core::ScriptModeWord mode_ = 0;
  std::unique_ptr<ConverterRunner> converter_;
  core::ScriptEngine engine_;
  platform::Image skin_;
  platform::Image icon_;
  VolumeKnob knob_;
  bool window_drag_ = false;
  platform::Point drag_start_;
  std::string script_path_;
  bool saved_ = true;
  bool saved_second_ = true;
  int voice_ = 0;
  int volume_ = 100;
  bool playing_ = false;
  bool knob_drag_ = false;
  int recorded_count_ = 0;
  std::string wave_path_;
  int pass_through_ = 0;
};

}  // namespace vtr::app

#endif  // VTR_APP_MAIN_DIALOG_H_
