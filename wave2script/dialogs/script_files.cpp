#include "wave2script/dialogs/script_files.h"

#include <system_error>
#include <utility>

#include "core/script_text.h"
#include "platform/file_writer.h"
#include "platform/paths.h"
#include "platform/window/window_system.h"
#include "scriptedit/file_filters.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/script_file_io.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

using scriptedit::EndsWithExtension;
using scriptedit::EqualsIgnoringCase;

struct MessageOwner {
  void* owner = nullptr;
  std::string caption;
};

MessageOwner& Owner() {
  static MessageOwner owner;
  return owner;
}

// A file nobody may write to, the way a read-only attribute marks one.
bool IsReadOnly(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error || !std::filesystem::exists(status)) return false;
  using std::filesystem::perms;
  return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
         perms::none;
}

bool IsScriptOrWave(std::string_view path) {
  return EndsWithExtension(path, scriptedit::kScriptExtension) ||
         EndsWithExtension(path, scriptedit::kWaveExtension);
}

void UsePlaces(scriptedit::ScriptFileIO& file_io, const ScriptFilePlaces& places) {
  SetReporterOwner(file_io);
  if (!places.plugin_folder.empty()) file_io.SetPluginFolder(places.plugin_folder);
}

}  // namespace

void InstallDialogMessages(core::MessagePresenter* presenter, void* owner, std::string caption) {
  core::InstallMessagePresenter(presenter);
  InstallLibraryMessages(presenter, owner, caption);
  Owner() = MessageOwner{owner, std::move(caption)};
}

void SetReporterOwner(core::MessageReporter& reporter) {
  (void)reporter.SetOwner(Owner().owner, Owner().caption);
}

int OpenScriptOrWave(std::string& path, std::string& text, SpeechRoad* road,
                     const ScriptFilePlaces& places) {
  std::string file = path;
  if (file.empty()) {
    platform::FileDialogRequest request;
    request.filters = {scriptedit::kScriptFilter, scriptedit::kWaveFilter};
    const platform::FileDialogResult chosen = platform::ShowFileDialog(nullptr, request);
    if (!chosen.ok) {
      text.clear();
      return scriptedit::kResultCancelled;
    }
    const std::string extension = platform::Extension(chosen.path);
    if (!EqualsIgnoringCase(extension, ".kvx") && !EqualsIgnoringCase(extension, ".wav")) {
      (void)ShowMessage(core::kMessageBadExtension);
      return scriptedit::kResultBadExtension;
    }
    file = chosen.path;
  } else if (!IsScriptOrWave(file)) {
    (void)ShowMessage(core::kMessageBadExtension);
    return scriptedit::kResultBadExtension;
  }

  if (!EndsWithExtension(file, scriptedit::kScriptExtension)) {
    std::string generated;
    if (road == nullptr || !road->RunSpeechRoad(file, &generated)) {
      text.clear();
      return scriptedit::kResultCancelled;
    }
    text = std::move(generated);
    path.clear();
    return scriptedit::kResultDone;
  }

  scriptedit::ScriptFileIO file_io;
  UsePlaces(file_io, places);
  const int read =
      file_io.OpenScriptFile(file, text, core::ScriptLanguage::kJapanese, false, nullptr);
  if (read == scriptedit::kResultDone) path = file;
  return read;
}

int SaveScript(std::string& path, const std::string& script, bool ask_for_name,
               const ScriptFilePlaces& places, bool* declined) {
  if (declined != nullptr) *declined = false;
  if (script.size() > core::kMaxScriptBytes) {
    (void)ShowMessage(core::kMessageScriptTooLong);
    return scriptedit::kResultScriptTooLong;
  }
  if (!ask_for_name) {
    // Written in place, never over a read-only file and never half-written.
    if (path.empty() || IsReadOnly(path) ||
        !platform::FileWriter::Default().Replace(path, script)) {
      (void)ShowMessage(core::kMessageSaveFailed);
      return scriptedit::kResultSaveFailed;
    }
    return scriptedit::kResultDone;
  }
  scriptedit::ScriptFileIO file_io;
  UsePlaces(file_io, places);
  const int saved = file_io.SaveScriptAs(path, script, core::ScriptLanguage::kJapanese, "");
  if (saved != scriptedit::kResultNotWritten) return saved;
  // This library reports a save that wrote nothing as done; the flag tells it apart.
  if (declined != nullptr) *declined = true;
  return scriptedit::kResultDone;
}

}  // namespace vtr::w2s
