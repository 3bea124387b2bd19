// ScriptFileIO: where a Kelvox script meets the file system. It runs the Open and Save-As file
// dialogs, applies the extension rules, reads a script (at most 32000 bytes), writes script and
// plain-text files, and exports a script through the converter plug-ins of the program's
// "Plugin" folder.
//
// A caller builds one on the stack for one operation and gives it its window and caption first,
// so that every message box belongs to the caller's window; every failure shows its message
// before the result code (result_codes.h) comes back:
//
//   #include "platform/window/dialog.h"
//   #include "scriptedit/result_codes.h"
//   // given: platform::Dialog& dialog; std::string current_path, script
//   ScriptFileIO file_io;
//   (void)file_io.SetOwner(dialog.handle(), "Voxtrel");
//   std::string path = current_path;
//   const int result = file_io.SaveScriptAs(path, script, core::ScriptLanguage::kJapanese, "");
//   if (result == kResultDone) current_path = path;  // `path` is the script file written
//   // kResultCancelled, kResultNotWritten: nothing saved; any other: failed, the message shown
#ifndef VTR_SCRIPTEDIT_SCRIPT_FILE_IO_H_
#define VTR_SCRIPTEDIT_SCRIPT_FILE_IO_H_

#include <cstddef>
#include <filesystem>
#include <string>

#include "core/messages.h"
#include "core/script_text.h"
#include "platform/file_writer.h"
#include "scriptedit/plugin_table.h"

namespace vtr::scriptedit {

// Format id of a script language for the plug-ins: language | 0x50100000.
inline constexpr int kFormatIdBits = 0x50100000;
// The converter output buffer never grows past this (a plug-in that keeps asking for more
// fails the export).
inline constexpr size_t kMaxConvertBuffer = size_t{64} << 20;
// Name of the wave-to-script library whose presence offers wave files in the main window's Open
// dialog, resolved against the program folder (never the current directory, so the offer does
// not depend on where the program was started from).
inline constexpr const char* kWaveToScriptLibrary = ".\\Vtr_W2SDlg.dll";

int FormatIdOf(core::ScriptLanguage language);

class ScriptFileIO : public core::MessageReporter {
 public:
  using core::MessageReporter::MessageReporter;

  // Where ScanPlugins looks (default: the program folder's "Plugin").
  void SetPluginFolder(std::filesystem::path folder) { plugin_folder_ = std::move(folder); }
  // Where the wave-to-script library is looked for (default: the program folder).
  void SetProgramFolder(std::filesystem::path folder) { program_folder_ = std::move(folder); }
  // The writer behind every file written (not owned; default platform::FileWriter::Default()).
  void SetFileWriter(platform::FileWriter* writer) { writer_ = writer; }
  // The converter output buffer never grows past `bytes` (default kMaxConvertBuffer; tests
  // use a smaller one).
  void SetConvertBufferLimit(size_t bytes) { buffer_limit_ = bytes; }

  // Reads a script. `path` empty: the user chooses a file in the Open dialog (script filter;
  // with `offer_other_types`: for J the wave filter when the wave-to-script library loads, for
  // the other languages the text filter). A given path must end in ".kvx" (any case), or for
  // Chinese with `offer_other_types` in ".txt". A chosen ".wav" (exactly, J with
  // `offer_other_types`) goes to `*wave_path` unread. On success `text` holds the file up to
  // its first NUL and `path` the file read.
  // Results: 0; 1 cancelled (`text` emptied); -19987/511 over 32000 bytes; -19990/505 wrong
  // extension; -19995/506 cannot be opened or read (for Chinese main-window paths also a wrong
  // extension). On failure `path` and `text` are unchanged.
  [[nodiscard]] int OpenScriptFile(std::string& path, std::string& text,
                                   core::ScriptLanguage language, bool offer_other_types,
                                   std::string* wave_path);

  // Saves `script` (header tag included) under a name the user chooses in the Save-As dialog,
  // proposed as `path`: as a script file, as a plain-text file (`plain_text`, Chinese only, when
  // not empty) or as a plug-in's file with the script file beside it. Existing targets are
  // replaced only after message 508 is answered Yes and never half-written. On success `path`
  // is the script file written (for a plug-in export the ".kvx" beside it).
  // Results: 0; 1 cancelled; 2 nothing written (declined, or read-only after 507);
  // -19985/512, -19986/507, -19987/511, -19994/507, -19998/501 (see result_codes.h).
  [[nodiscard]] int SaveScriptAs(std::string& path, const std::string& script,
                                 core::ScriptLanguage language, const std::string& plain_text);

  // Loads the plug-ins of the plug-in folder that answer for `format_id` into `table`; true
  // when the folder held any library.
  [[nodiscard]] bool ScanPlugins(PluginTable& table, int format_id);

  // Writes `length` bytes of `data` to `path` (the old file survives a failed write). True
  // when the whole buffer was written; false for a null buffer or a length of 0 or less.
  [[nodiscard]] bool WriteFile(const std::string& path, const void* data, int length);

 private:
  // Writes `bytes` to `target`, with `ask` after the overwrite question; 0, 2 or -19994.
  int SaveFile(std::string& path, const std::string& target, const std::string& bytes, bool ask);
  // The plug-in road of SaveScriptAs.
  int Export(std::string& path, PluginTable& table, size_t entry, const std::string& chosen,
             const std::string& script, core::ScriptLanguage language);
  int ReadScript(std::string& path, std::string& text);
  std::filesystem::path PluginFolder() const;

  std::filesystem::path plugin_folder_;
  std::filesystem::path program_folder_;
  platform::FileWriter* writer_ = nullptr;
  size_t buffer_limit_ = kMaxConvertBuffer;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_SCRIPT_FILE_IO_H_
