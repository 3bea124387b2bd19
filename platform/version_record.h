// Version records of the program and its libraries, read from the files without loading them.
//
// Every deliverable carries one small record {file version, description, copyright} as data
// (an ELF note of owner "Voxtrel", type 1, holding three NUL-terminated UTF-8 texts; the CMake
// helper vtr_version_record writes it). The About box shows the program's record and lists
// every library under the program folder that has one:
//
//   #include "platform/paths.h"
//   // given: void SomeProgramFunction()
//   // given: void AddRow(const std::string& file, const std::string& version)
//   auto program = vtr::platform::ReadVersionRecord(
//       vtr::platform::ModuleFile(reinterpret_cast<const void*>(&SomeProgramFunction)));
//   const auto folder = vtr::platform::ProgramFolder();
//   for (const auto& library : vtr::platform::ListVersionedLibraries(folder))
//     AddRow(library.file.filename().string(), library.record.file_version);
#ifndef VTR_PLATFORM_VERSION_RECORD_H_
#define VTR_PLATFORM_VERSION_RECORD_H_

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vtr::platform {

struct VersionRecord {
  std::string file_version;  // written the system's way, e.g. "1, 0, 0, 0"
  std::string description;
  std::string copyright;
  bool operator==(const VersionRecord&) const = default;
};

// Owner name and type of the note that holds the record.
inline constexpr std::string_view kVersionNoteOwner = "Voxtrel";
inline constexpr unsigned kVersionNoteType = 1;

// The record of the ELF file at `file` (32 or 64 bit, either byte order), found among its note
// sections. nullopt when the file is missing, unreadable, not ELF, damaged, or has no record.
[[nodiscard]] std::optional<VersionRecord> ReadVersionRecord(const std::filesystem::path& file);

// The same over the bytes of a file already in memory.
[[nodiscard]] std::optional<VersionRecord> ParseVersionRecord(std::string_view elf_bytes);

struct VersionedLibrary {
  std::filesystem::path file;  // full path under the listed folder
  VersionRecord record;
};

// Every file under `folder` (recursively) whose name ends in ".so" in any case and that has a
// record. Entries of a folder come in name order, a subfolder's files at the subfolder's place.
// Links to folders are not followed (a link can make the tree a loop); a link to a file is
// listed like the file. Unreadable subfolders are skipped.
[[nodiscard]] std::vector<VersionedLibrary> ListVersionedLibraries(
    const std::filesystem::path& folder);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_VERSION_RECORD_H_
