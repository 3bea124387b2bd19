// The library's entry points: thin forwarders to its one intonation edit dialog. Nothing
// thrown inside leaves them: a failed allocation ends W2S_openWaveToKvxDlg as a cancelled
// dialog (2, the caller then fetches nothing) and W2S_getDllVersion with the empty text.
#include <string>

#include "core/messages.h"
#include "platform/export_guard.h"
#include "platform/paths.h"
#include "platform/version_record.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"
#include "playback/window_ports.h"
#include "wave2script/dialogs/intonation_edit_dialog.h"
#include "wave2script/dialogs/script_files.h"
#include "wave2script/dialogs/w2s_dialog_api.h"

namespace {

using vtr::w2s::IntonationEditDialog;
using vtr::w2s::TheIntonationEditDialog;

// The caption of the library's message boxes: its application name.
constexpr char kLibraryCaption[] = "Vtr_W2SDlg";

std::string Text(const char* text) { return text != nullptr ? std::string(text) : std::string(); }

constexpr int kCancelled = 2;

using vtr::platform::GuardExport;

}  // namespace

extern "C" {

int W2S_openWaveToKvxDlg(int saved_flag, const char* wave_file_path, const char* script_text,
                         int voice, int volume, const char* script_file_path, int pass_through) {
  return GuardExport(kCancelled, [&] {
    IntonationEditDialog& dialog = TheIntonationEditDialog();
    dialog.SetInputs(saved_flag, Text(wave_file_path), Text(script_text), voice, volume,
                     Text(script_file_path), pass_through);
    // The library's boxes belong to its dialog, and the end of a phrase reaches it as a
    // command, for as long as the dialog runs (and no longer, however the run ends).
    static vtr::playback::WindowPresenter presenter;
    static vtr::playback::WindowPoster poster;
    struct Installed {
      explicit Installed(void* handle) {
        vtr::w2s::InstallDialogMessages(&presenter, handle, kLibraryCaption);
        vtr::playback::InstallCommandPoster(&poster);
      }
      ~Installed() {
        vtr::playback::InstallCommandPoster(nullptr);
        vtr::w2s::InstallDialogMessages(nullptr, nullptr, "");
      }
    } installed(dialog.handle());
    return dialog.DoModal();
  });
}

int W2S_getWaveToKvxData(int* saved_flag, char** script_text, int* voice, int* volume,
                         char** script_file_path, int* pass_through) {
  return GuardExport(1, [&] {
    IntonationEditDialog& dialog = TheIntonationEditDialog();
    if (script_text != nullptr) *script_text = dialog.ScriptWithHeader().data();
    if (voice != nullptr) *voice = dialog.voice();
    if (volume != nullptr) *volume = dialog.volume();
    if (script_file_path != nullptr) *script_file_path = dialog.script_path().data();
    if (pass_through != nullptr) *pass_through = dialog.pass_through();
    if (saved_flag != nullptr) *saved_flag = dialog.saved_flag();
    return dialog.saved_flag();
  });
}

const char* W2S_getDllVersion(void) {
  return GuardExport("", [] {
    static std::string version;
    const auto record = vtr::platform::ReadVersionRecord(vtr::platform::ProgramFile());
    version = record ? record->file_version : std::string();
    return version.c_str();
  });
}

}  // extern "C"
