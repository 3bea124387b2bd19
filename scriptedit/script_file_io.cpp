#include "scriptedit/script_file_io.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <system_error>
#include <vector>

#include "core/script_engine.h"
#include "platform/files.h"
#include "platform/module.h"
#include "platform/paths.h"
#include "platform/window/window_system.h"
#include "plugins/converter_api.h"
#include "scriptedit/convert_options.h"
#include "scriptedit/file_filters.h"
#include "scriptedit/result_codes.h"

namespace vtr::scriptedit {
namespace {

using core::ScriptEngineError;
using core::ScriptLanguage;

constexpr int kConverterNeedsMore = kVtrCnvOutputTooSmall;  // -18
constexpr core::ScriptModeWord kKanaFormat = kVtrFormatKvJ;
constexpr core::ScriptModeWord kRomajiFormat = core::kRomajiModeWord;

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

// A file nobody may write to, the way a read-only attribute marks one.
bool IsReadOnly(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (error) return false;
  using std::filesystem::perms;
  return (status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
         perms::none;
}

// Converts `text` between kana and romaji; false when either engine step fails.
bool ConvertScript(core::ScriptModeWord from, core::ScriptModeWord to, const std::string& text,
                   std::string& out) {
  core::ScriptEngine engine;
  return engine.ParseScriptText(from, text) == ScriptEngineError::kNone &&
         engine.ConvertScriptMode(to, out) == ScriptEngineError::kNone;
}

bool WaveToScriptAvailable(const std::filesystem::path& program_folder) {
  platform::Module probe;  // released again when it goes out of scope
  return probe.Load(kWaveToScriptLibrary, program_folder);
}

}  // namespace

int FormatIdOf(ScriptLanguage language) {
  return static_cast<int>(static_cast<uint32_t>(language) | static_cast<uint32_t>(kFormatIdBits));
}

std::filesystem::path ScriptFileIO::PluginFolder() const {
  return plugin_folder_.empty() ? platform::ProgramFolder() / "Plugin" : plugin_folder_;
}

int ScriptFileIO::OpenScriptFile(std::string& path, std::string& text, ScriptLanguage language,
                                 bool offer_other_types, std::string* wave_path) {
  const bool chinese = language == ScriptLanguage::kChinese;
  if (!path.empty()) {
    if (chinese && offer_other_types) {
      if (!EndsWithExtension(path, kTextExtension)) {
        (void)ShowMessage(core::kMessageOpenFailed);
        return kResultOpenFailed;
      }
    } else if (!EndsWithExtension(path, kScriptExtension)) {
      (void)ShowMessage(core::kMessageBadExtension);
      return kResultBadExtension;
    }
    return ReadScript(path, text);
  }

  platform::FileDialogRequest request;
  request.filters.push_back(kScriptFilter);
  if (offer_other_types) {
    if (language == ScriptLanguage::kJapanese) {
      const std::filesystem::path program_folder =
          program_folder_.empty() ? platform::ProgramFolder() : program_folder_;
      if (WaveToScriptAvailable(program_folder)) request.filters.push_back(kWaveFilter);
    } else {
      request.filters.push_back(kTextFilter);
    }
  }
  request.file_name = path;
  const platform::FileDialogResult chosen = platform::ShowFileDialog(nullptr, request);
  if (!chosen.ok) {
    text.clear();
    return kResultCancelled;
  }

  const std::string extension = platform::Extension(chosen.path);
  bool accepted = EqualsIgnoringCase(extension, ".kvx");
  if (!chinese) {
    if (language == ScriptLanguage::kJapanese && offer_other_types && extension == ".wav") {
      if (wave_path != nullptr) *wave_path = chosen.path;
      return kResultDone;
    }
  } else if (offer_other_types) {
    accepted = accepted || EqualsIgnoringCase(extension, ".txt");
  }
  if (!accepted) {
    (void)ShowMessage(core::kMessageBadExtension);
    return kResultBadExtension;
  }
  std::string file = chosen.path;
  const int read = ReadScript(file, text);
  if (read == kResultDone) path = file;
  return read;
}

int ScriptFileIO::ReadScript(std::string& path, std::string& text) {
  // Asked before the file is opened: a FIFO would wait for a writer, a device might never end.
  if (!platform::IsRegularFile(path)) {
    (void)ShowMessage(core::kMessageOpenFailed);
    return kResultOpenFailed;
  }
  std::ifstream in(path, std::ios::binary);
  std::error_code error;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  if (!in || error) {
    (void)ShowMessage(core::kMessageOpenFailed);
    return kResultOpenFailed;
  }
  if (length > core::kMaxScriptBytes) {
    (void)ShowMessage(core::kMessageScriptTooLong);
    return kResultScriptTooLong;
  }
  std::string buffer(static_cast<size_t>(length), '\0');
  in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  if (static_cast<std::uintmax_t>(in.gcount()) != length) {
    (void)ShowMessage(core::kMessageOpenFailed);
    return kResultOpenFailed;
  }
  const size_t nul = buffer.find('\0');
  if (nul != std::string::npos) buffer.resize(nul);
  text = std::move(buffer);
  return kResultDone;
}

bool ScriptFileIO::ScanPlugins(PluginTable& table, int format_id) {
  return ScanPluginFolder(PluginFolder(), format_id, table);
}

bool ScriptFileIO::WriteFile(const std::string& path, const void* data, int length) {
  if (data == nullptr || length <= 0) return false;
  platform::FileWriter& writer = writer_ != nullptr ? *writer_ : platform::FileWriter::Default();
  return writer.Replace(
      path, std::string_view(static_cast<const char*>(data), static_cast<size_t>(length)));
}

int ScriptFileIO::SaveScriptAs(std::string& path, const std::string& script,
                               ScriptLanguage language, const std::string& plain_text) {
  if (script.size() > core::kMaxScriptBytes) {
    (void)ShowMessage(core::kMessageScriptTooLong);
    return kResultScriptTooLong;
  }
  const bool text_filter = language == ScriptLanguage::kChinese && !plain_text.empty();
  platform::FileDialogRequest request;
  request.save = true;
  request.filters.push_back(kScriptFilter);
  if (text_filter) request.filters.push_back(kTextFilter);

  // Romaji scripts are exported as kana, so the plug-ins are asked for the kana format.
  const int scan_format =
      language == ScriptLanguage::kRomaji ? static_cast<int>(kKanaFormat) : FormatIdOf(language);
  PluginTable table;  // every way out releases the plug-ins
  if (ScanPlugins(table, scan_format)) {
    for (const PluginEntry& entry : table.entries()) {
      request.filters.push_back(PluginFilter(entry.description, entry.extension));
    }
  }
  request.file_name = path;
  const platform::FileDialogResult chosen = platform::ShowFileDialog(nullptr, request);
  if (!chosen.ok) {
    (void)FreeAll(table);
    return kResultCancelled;
  }

  const int first_plugin = text_filter ? 3 : 2;
  const int index = chosen.filter_index;
  if (text_filter && index == 2) {
    (void)FreeAll(table);
    return SaveFile(path, WithExtension(chosen.path, kTextExtension), plain_text, true);
  }
  if (index >= first_plugin && static_cast<size_t>(index - first_plugin) < table.size()) {
    return Export(path, table, static_cast<size_t>(index - first_plugin), chosen.path, script,
                  language);
  }
  // The script filter, and any index the list does not hold.
  (void)FreeAll(table);
  return SaveFile(path, WithExtension(chosen.path, kScriptExtension), script, true);
}

int ScriptFileIO::SaveFile(std::string& path, const std::string& target, const std::string& bytes,
                           bool ask) {
  if (ask && Exists(target)) {
    if (ShowMessage(core::kMessageReplaceFile) != core::kIdYes) return kResultNotWritten;
    if (IsReadOnly(target)) {
      (void)ShowMessage(core::kMessageSaveFailed);
      return kResultNotWritten;
    }
  }
  platform::FileWriter& writer = writer_ != nullptr ? *writer_ : platform::FileWriter::Default();
  if (!writer.Replace(target, bytes)) {
    (void)ShowMessage(core::kMessageSaveFailed);
    return kResultSaveFailed;
  }
  path = target;
  return kResultDone;
}

int ScriptFileIO::Export(std::string& path, PluginTable& table, size_t entry_index,
                         const std::string& chosen, const std::string& script,
                         ScriptLanguage language) {
  PluginEntry& entry = table.entries()[entry_index];
  // Both names are derived once: the question and the writes use the same two files.
  const std::string output = WithExtension(chosen, entry.extension);
  const std::string companion = platform::ReplaceExtension(output, ".kvx");

  bool declined = false;
  if (Exists(output) || Exists(companion)) {
    if (ShowMessage(core::kMessageReplaceFile) != core::kIdYes) {
      declined = true;
    } else if (IsReadOnly(output) || IsReadOnly(companion)) {
      (void)ShowMessage(core::kMessageSaveFailed);
      declined = true;
    }
  }

  auto* convert = entry.module.Find<VtrKvxCnvFunction>("Vtr_KvxCnv");
  if (convert == nullptr) {
    (void)FreeAll(table);
    (void)ShowMessage(core::kMessageInternalError);
    return kResultNoConverter;
  }

  const int format_id = FormatIdOf(language);
  std::array<unsigned char, kConvertOptionsSize> options{};
  WriteOptionsTitle(options.data(),
                    OptionsTitle(std::filesystem::path(chosen).stem().string(), language));
  if (!BuildConvertOptions(options.data(), format_id, script, this, Today())) {
    (void)FreeAll(table);
    (void)ShowMessage(core::kMessageSaveFailed);
    return kResultSaveFailed;
  }
  if (language == ScriptLanguage::kChinese) options[1] = kOptionsChineseCoding;

  // A romaji script goes out as its kana conversion, under the kana format id.
  std::string sent = script;
  int sent_format = format_id;
  if (language == ScriptLanguage::kRomaji) {
    if (!ConvertScript(kRomajiFormat, kKanaFormat, script, sent)) {
      (void)FreeAll(table);
      return kResultSaveFailed;
    }
    sent_format = static_cast<int>(kKanaFormat);
  }

  size_t size = 2 * sent.size() + 2000;
  std::vector<unsigned char> buffer;
  ConvertStatus status{};
  int n = 0;
  for (;;) {
    buffer.assign(size, 0);
    status = ConvertStatus{};
    n = convert(sent.data(), static_cast<int>(sent.size()), sent_format, options.data(),
                buffer.data(), static_cast<unsigned>(size), status.slots);
    if (n != kConverterNeedsMore) break;
    if (size > buffer_limit_ / 2) {
      (void)FreeAll(table);
      (void)ShowMessage(core::kMessageSaveFailed);
      return kResultConvertFailed;
    }
    size *= 2;
  }
  (void)FreeAll(table);

  if (n < 0) {
    switch (status.slots[0]) {
      case kVtrStatusBadLength:
        (void)ShowMessage(core::kMessageScriptTooLong);
        return kResultScriptTooLong;
      case kVtrStatusNotMeasured:
        (void)ShowMessage(core::kMessageSaveFailed);
        return kResultConvertFailed;
      case kVtrStatusTooLong:
        (void)ShowMessage(core::kMessagePlayTimeTooLong);
        return kResultPlayTimeTooLong;
      default:
        (void)ShowMessage(core::kMessageSaveFailed);
        return kResultSaveFailed;
    }
  }
  // A plug-in that claims more bytes than the buffer holds has failed.
  if (!declined &&
      (static_cast<size_t>(n) > buffer.size() || !WriteFile(output, buffer.data(), n))) {
    (void)ShowMessage(core::kMessageSaveFailed);
    return kResultConvertFailed;
  }

  std::string saved = script;
  if (language == ScriptLanguage::kRomaji &&
      !ConvertScript(kKanaFormat, kRomajiFormat, sent, saved)) {
    return kResultSaveFailed;
  }
  if (declined) return kResultNotWritten;
  return SaveFile(path, companion, saved, false);  // asked above, together with the output
}

}  // namespace vtr::scriptedit
