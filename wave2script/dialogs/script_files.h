// The wave-to-script library's script files: its Open (a Kelvox script, or a WAVE file that
// the record road turns into a script) and its Save (as a script, or exported through a
// converter plug-in of the program's "Plugin" folder).
//
// Reading, writing and the plug-in export are the script edit library's (ScriptFileIO, for J
// scripts only, format 0x52100000); what differs is told here. Messages are the library's
// (ShowMessage) and go to the owner and caption installed with InstallDialogMessages:
//
//   #include "platform/window/dialog.h"
//   // given: core::MessagePresenter& presenter; platform::Dialog& dialog; SpeechRoad& road
//   InstallDialogMessages(&presenter, dialog.handle(), "Vtr_W2SDlg");
//   std::string path, text;
//   if (OpenScriptOrWave(path, text, &road) == 0) { /* text: a script; path: "" for a wave */ }
//   bool declined = false;
//   if (SaveScript(path, "KV#J...", true, {}, &declined) == 0 && !declined) { /* saved at path */ }
#ifndef VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_FILES_H_
#define VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_FILES_H_

#include <filesystem>
#include <string>

#include "core/messages.h"

namespace vtr::w2s {

// The open-dialog filter index of wave files (the script filter is 1).
inline constexpr int kOpenWaveFilter = 2;

// Installs `presenter` (nullptr: none) for the library's boxes, those of the shared script file
// code included, with their owner window (opaque, nullptr: none) and caption.
void InstallDialogMessages(core::MessagePresenter* presenter, void* owner, std::string caption);
// Gives `reporter` the installed owner and caption.
void SetReporterOwner(core::MessageReporter& reporter);

// The record road as the Open of a WAVE file needs it: the owner dialog runs the wave input
// dialog with the wave file and its own script, then the segment confirm dialog, in a loop.
class SpeechRoad {
 public:
  virtual ~SpeechRoad() = default;
  // True when the segment confirm dialog ended with OK; `*script` is then the script it
  // generated, tag first. False when the user cancelled the wave input dialog or the road
  // failed.
  [[nodiscard]] virtual bool RunSpeechRoad(const std::string& wave_path, std::string* script) = 0;
};

// Where the files go (tests change them).
struct ScriptFilePlaces {
  std::filesystem::path plugin_folder;  // empty: the program folder's "Plugin"
};

// Opens a script or a WAVE file. `path` empty: the user chooses in the Open dialog (script and
// wave filters). The path must end in ".kvx" or ".wav" (last four characters, any case).
// A ".kvx" is read (at most 32000 bytes, up to a NUL): `text` the script, `path` the file.
// Any other accepted file is a WAVE file: `road` runs (nullptr: the road fails); on OK `text`
// is the generated script and `path` is emptied.
// Results: 0; 1 cancelled or the wave road did not end with OK (`text` emptied); -19987/511;
// -19990/505; -19995/506 (`path` and `text` unchanged on these).
[[nodiscard]] int OpenScriptOrWave(std::string& path, std::string& text, SpeechRoad* road,
                                   const ScriptFilePlaces& places = {});

// Saves `script` (tag included). `ask_for_name` false: no dialog and no plug-ins, the script is
// written to `path` (a read-only file is not replaced: 507, -19994). True: the Save-As dialog
// proposes `path` and offers the plug-ins that answer for J scripts; extension, overwrite and
// export rules of ScriptFileIO::SaveScriptAs; on success `path` is the script file written.
// Results: 0 (also when the user declined to replace a file, or a target was read-only:
// `*declined` then says so and nothing was written); 1 cancelled; -19985, -19986, -19987/511
// (over 32000 bytes, before any dialog), -19994, -19998 as ScriptFileIO.
[[nodiscard]] int SaveScript(std::string& path, const std::string& script, bool ask_for_name,
                             const ScriptFilePlaces& places = {}, bool* declined = nullptr);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_FILES_H_
