// The library's entry points: thin forwarders to its global objects, the one script edit
// dialog, the player it plays through, and the engine and counter of the window-less exports.
// Nothing thrown inside leaves them: a failed allocation ends a dialog export as a cancelled
// dialog (2), VtrKvxDll_CtrlKelvox with the engine's bad-mode code, VtrKvxDll_CntKelvox with -1
// and VtrKvxDll_GetDlgObj with a null pointer.
#include <string>

#include "core/messages.h"
#include "core/script_engine.h"
#include "engines/convert/script_counter.h"
#include "platform/export_guard.h"
#include "platform/paths.h"
#include "playback/command_poster.h"
#include "playback/script_player.h"
#include "playback/window_ports.h"
#include "scriptedit/dialog/kvx_dialog_api.h"
#include "scriptedit/dialog/script_edit_dialog.h"

namespace {

using vtr::core::ScriptEngine;
using vtr::core::ScriptEngineError;
using vtr::scriptedit::ScriptEditDlg;

constexpr uint32_t kLanguageChinese = static_cast<uint32_t>(vtr::core::ScriptLanguage::kChinese);
constexpr uint32_t kLanguageG = static_cast<uint32_t>(vtr::core::ScriptLanguage::kRomaji);
constexpr uint32_t kOpenDlgModeBits = vtr::core::kEmulatorModeBits;
constexpr uint32_t kRecordModeBits = 0x100000;
constexpr uint32_t kEmulatorBits = vtr::core::kDeviceEmulator;
constexpr uint32_t kMiddlewareBits = vtr::core::kDeviceMiddleware;
constexpr uint32_t kRomajiMode = vtr::core::kRomajiModeWord;
constexpr uint32_t kKanaMode = vtr::core::kKanaModeWord;
constexpr int kCancelled = 2;
constexpr int kDone = 1;
constexpr int kCountLimit = 100;

// The library's global objects, built on first use and destroyed when the library unloads.
struct Library {
  vtr::core::MessageReporter reporter;
  vtr::playback::ScriptPlayer player;
  ScriptEditDlg dialog{&player, &reporter};
  ScriptEngine engine;
  vtr::convert::ScriptCounter counter;
};

Library& Lib() {
  static Library library;
  return library;
}

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

// While it lives, the library's message boxes and end-of-phrase commands reach the window layer.
class WindowPortsInstalled {
 public:
  WindowPortsInstalled() {
    vtr::core::InstallMessagePresenter(&presenter_);
    vtr::playback::InstallCommandPoster(&poster_);
  }
  ~WindowPortsInstalled() {
    vtr::playback::InstallCommandPoster(nullptr);
    vtr::core::InstallMessagePresenter(nullptr);
  }
  WindowPortsInstalled(const WindowPortsInstalled&) = delete;
  WindowPortsInstalled& operator=(const WindowPortsInstalled&) = delete;

 private:
  vtr::playback::WindowPresenter presenter_;
  vtr::playback::WindowPoster poster_;
};

// What every run starts from, so that a second run in one load does not inherit the last
// run's record, voice data (the caller's memory, possibly gone) or change flags.
void PrepareRun(ScriptEditDlg& dialog, uint32_t language) {
  dialog.SetLanguage(language);
  dialog.set_opened_through_record(false);
  dialog.SetVoiceData(nullptr, 0);
  dialog.set_unchanged(true);
  dialog.set_player_param(vtr::scriptedit::kDefaultPlayerParam);
  dialog.set_library_folder(
      vtr::platform::ModuleFolder(reinterpret_cast<const void*>(&VtrKvxDll_OpenDlg)));
}

int RunModal(ScriptEditDlg& dialog) {
  return dialog.DoModal() == vtr::platform::kIdCancel ? kCancelled : kDone;
}

uint32_t Code(ScriptEngineError error) { return static_cast<uint32_t>(error); }

// What an export that failed inside returns.
constexpr int kFailedCode = static_cast<int>(ScriptEngineError::kBadMode);
constexpr int kFailedCount = -1;

using vtr::platform::GuardExport;

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int VtrKvxDll_OpenDlg(
    int saved_flag, const char* script_text, const char* script_path, const char* emulator_dll_path,
    int volume, unsigned language, int ime_open) {
  return GuardExport(kCancelled, [&] {
    WindowPortsInstalled ports;
    ScriptEditDlg& dialog = Lib().dialog;
    PrepareRun(dialog, language);
    dialog.set_chinese(language == kLanguageChinese);
    dialog.set_mode_word(language | kOpenDlgModeBits);
    dialog.set_saved_flag(saved_flag);
    dialog.SetScriptText(Text(script_text));
    dialog.SetScriptPath(Text(script_path));
    dialog.set_volume(volume);
    dialog.set_ime_open(ime_open);
    dialog.set_emulator_path(Text(emulator_dll_path));
    dialog.set_caption("Script Edit Dialog");
    return RunModal(dialog);
  });
}

__attribute__((visibility("default"))) void VtrKvxDll_GetDlgData(int* saved_flag,
                                                                 char** script_text,
                                                                 char** script_path, int* voice,
                                                                 int* volume, int* reserved) {
  GuardExport([&] {
    ScriptEditDlg& dialog = Lib().dialog;
    if (saved_flag != nullptr) *saved_flag = dialog.saved_flag();
    if (script_text != nullptr) *script_text = const_cast<char*>(dialog.GetScriptText().c_str());
    if (script_path != nullptr) *script_path = const_cast<char*>(dialog.GetScriptPath().c_str());
    if (voice != nullptr) *voice = dialog.voice_index();
    if (volume != nullptr) *volume = dialog.volume();
    if (reserved != nullptr) *reserved = 0;
  });
}

__attribute__((visibility("default"))) void* VtrKvxDll_GetDlgObj(void) {
  return GuardExport(static_cast<void*>(nullptr), [] { return static_cast<void*>(&Lib().dialog); });
}

__attribute__((visibility("default"))) int VtrKvxDll_CtrlScriptEditDlg(
    VtrKvxDllRecord* record, const unsigned char* voice_data, int voice_data_size,
    const char* emulator_dll_path, int player_param, int device_kind) {
  return GuardExport(kCancelled, [&] {
    if (record == nullptr) return kCancelled;
    WindowPortsInstalled ports;
    ScriptEditDlg& dialog = Lib().dialog;
    PrepareRun(dialog, record->language);
    uint32_t mode = record->language | kRecordModeBits;
    if (device_kind == vtr::playback::kDeviceKindEmulator) mode += kEmulatorBits;
    if (device_kind == vtr::playback::kDeviceKindMiddleware) mode += kMiddlewareBits;
    dialog.set_mode_word(mode);
    dialog.set_saved_flag(1);
    dialog.SetScriptText(Text(record->script_text));
    dialog.SetScriptPath(Text(record->script_path));
    dialog.set_script_name(Text(record->script_name));
    dialog.SetVoiceData(voice_data, voice_data_size);
    dialog.set_opened_through_record(true);
    dialog.set_player_param(player_param & 0xFF);
    dialog.set_emulator_path(Text(emulator_dll_path));
    dialog.set_caption("Kelvox Edit");
    dialog.set_volume(100);
    const int result = RunModal(dialog);
    // The voice data is the caller's; it is not kept past the call.
    dialog.SetVoiceData(nullptr, 0);
    const std::string& text = dialog.GetScriptText();
    record->out_text = text.c_str();
    record->out_text_length = static_cast<int32_t>(text.size());
    record->out_name = dialog.script_name().c_str();
    record->out_name_length = static_cast<int32_t>(dialog.script_name().size());
    record->out_path = dialog.GetScriptPath().c_str();
    record->out_path_length = static_cast<int32_t>(dialog.GetScriptPath().size());
    return result;
  });
}

__attribute__((visibility("default"))) int VtrKvxDll_CtrlKelvox(VtrKvxDllRecord* record, int op,
                                                                int* value) {
  return GuardExport(kFailedCode, [&] {
    if (record == nullptr) return 0;
    ScriptEngine& engine = Lib().engine;
    const uint32_t mode = record->language | kOpenDlgModeBits;
    std::string text = Text(record->script_text);
    int unused = 0;
    int& number = value != nullptr ? *value : unused;
    std::string out;
    uint32_t code = 0;
    switch (op) {
      case 0:
      case 1:
        code = Code(engine.BuildPlayText(mode, text, &number, op == 0 ? 1 : 0));
        break;
      case 2:
      case 3: {
        const uint32_t from = op == 2 ? kRomajiMode : kKanaMode;
        const uint32_t to = op == 2 ? kKanaMode : kRomajiMode;
        code = Code(engine.ParseScriptText(from, text));
        if (code == 0) code = Code(engine.ConvertScriptMode(to, out));
        break;
      }
      case 4:
        code = Code(engine.ParseScriptText(mode, text));
        if (code == 0) code = static_cast<uint32_t>(engine.CheckScript(number));
        if (code == 0) code = Code(engine.ConvertScriptMode(mode, out));
        break;
      case 5:
      case 6:
      case 7:
        code = Code(engine.ScriptHeaderOp(mode, op - 2, text, number));
        break;
      case 10:
        code = Code(engine.ScriptHeaderOp(mode, 7, text, number));
        break;
      default:
        break;
    }
    record->out_text = engine.output_text().c_str();
    record->out_text_length = static_cast<int32_t>(engine.output_text().size());
    return static_cast<int>(code);
  });
}

__attribute__((visibility("default"))) int VtrKvxDll_CntKelvox(VtrKvxDllRecord* record) {
  return GuardExport(kFailedCount, [&] {
    if (record == nullptr || record->script_text == nullptr) return -1;
    Library& lib = Lib();
    uint32_t word = record->language | kOpenDlgModeBits;
    std::string text = record->script_text;
    if (record->language == kLanguageG) {
      if (lib.engine.ParseScriptText(kRomajiMode, text) == ScriptEngineError::kNone) {
        std::string kana;
        (void)lib.engine.ConvertScriptMode(kKanaMode, kana);
        text = std::move(kana);
        word = kKanaMode;
      } else {
        word = kRomajiMode;
      }
    }
    if (lib.counter.SetText(word, text.c_str(), static_cast<int>(text.size()), kCountLimit) !=
        vtr::convert::PlayTimeCode::kOk) {
      return -1;
    }
    int ms = 0;
    if (lib.counter.CountTime(&ms) != vtr::convert::PlayTimeCode::kOk) return -1;
    return ms;
  });
}

}  // extern "C"
