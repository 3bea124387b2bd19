#include "scriptedit/plugin_table.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "plugins/converter_api.h"
#include "scriptedit/file_filters.h"

namespace vtr::scriptedit {
namespace {

// Characters that cannot stand in an extension offered as a dialog filter.
constexpr std::string_view kNotInExtension = "|*?;./\\ ";

// Library files of `folder` in name order; empty when the folder cannot be read.
std::vector<std::filesystem::path> LibraryFiles(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return files;
  for (const std::filesystem::directory_entry& entry : it) {
    if (entry.path().extension() == platform::kLibrarySuffix && entry.is_regular_file(error)) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

std::string BoundedText(const char* field, size_t max) {
  const void* nul = std::memchr(field, 0, max);
  return std::string(field, nul != nullptr ? static_cast<const char*>(nul) - field : max);
}

size_t FreeAll(PluginTable& table) {
  const size_t count = table.size();
  for (PluginEntry& entry : table.entries()) entry.module.Free();
  table.entries().clear();
  return count;
}

bool ScanPluginFolder(const std::filesystem::path& folder, int format_id, PluginTable& table) {
  const std::vector<std::filesystem::path> files = LibraryFiles(folder);
  for (const std::filesystem::path& file : files) {
    const std::string title = file.stem().string();
    if (title.size() <= kPluginPrefix.size() ||
        !EqualsIgnoringCase(std::string_view(title).substr(0, kPluginPrefix.size()),
                            kPluginPrefix)) {
      continue;
    }
    platform::Module module;
    if (!module.LoadFile(file)) continue;
    auto* get_info = module.Find<VtrGetDllInfoFunction>("Vtr_GetDllInfo");
    if (get_info == nullptr || module.Find<VtrKvxCnvFunction>("Vtr_KvxCnv") == nullptr) continue;
    ConverterInfo info;
    std::memset(&info, 0, sizeof info);
    (void)get_info(format_id, &info);  // its result is not consulted: the extension decides
    std::string extension = BoundedText(info.extension, kPluginExtensionMax);
    if (extension.empty() || extension.find_first_of(kNotInExtension) != std::string::npos ||
        !EqualsIgnoringCase(std::string_view(title).substr(kPluginPrefix.size()), extension)) {
      continue;
    }
    table.entries().push_back(PluginEntry{std::move(module),
                                          BoundedText(info.description, kPluginDescriptionMax),
                                          std::move(extension)});
  }
  return !files.empty();
}

}  // namespace vtr::scriptedit
