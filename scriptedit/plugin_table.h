// The converter plug-ins a save can export through: found in a plug-in folder, loaded for one
// save, described by their own Vtr_GetDllInfo.
//
//   #include "platform/paths.h"
//   PluginTable table;
//   if (ScanPluginFolder(platform::ProgramFolder() / "Plugin", 0x52100000, table)) {
//     for (const PluginEntry& entry : table.entries()) { /* entry.description, entry.extension */ }
//   }
//   FreeAll(table);                                     // also done when the table dies
#ifndef VTR_SCRIPTEDIT_PLUGIN_TABLE_H_
#define VTR_SCRIPTEDIT_PLUGIN_TABLE_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/module.h"

namespace vtr::scriptedit {

// Bytes of the plug-in's texts the host keeps (the record sizes less their NUL).
inline constexpr size_t kPluginDescriptionMax = 50;
inline constexpr size_t kPluginExtensionMax = 8;

// File names of converter plug-ins begin with this (any case).
inline constexpr std::string_view kPluginPrefix = "VTR_";

struct PluginEntry {
  platform::Module module;
  std::string description;  // at most 50 bytes
  std::string extension;    // at most 8 bytes, without dot
};

// The plug-ins of one save, in scan order. The table owns the loaded modules.
class PluginTable {
 public:
  const std::vector<PluginEntry>& entries() const { return entries_; }
  std::vector<PluginEntry>& entries() { return entries_; }
  size_t size() const { return entries_.size(); }

 private:
  std::vector<PluginEntry> entries_;
};

// Frees every entry's module and empties the table; returns the count of entries it held.
size_t FreeAll(PluginTable& table);

// Appends to `table` every library of `folder` (by this platform's library suffix, in name
// order) whose name without suffix is longer than four characters, begins with "VTR_" (any
// case), exports Vtr_GetDllInfo and Vtr_KvxCnv, and whose rest of the name equals (any case)
// the extension the library reports for `format_id`. True when the folder held any library.
[[nodiscard]] bool ScanPluginFolder(const std::filesystem::path& folder, int format_id,
                                    PluginTable& table);

// Text of a fixed-size field that may lack its NUL: at most `max` bytes, up to the first NUL.
std::string BoundedText(const char* field, size_t max);

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_PLUGIN_TABLE_H_
