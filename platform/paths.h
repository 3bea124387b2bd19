// Where things are: the program folder, the folder of the library a function lives in, and the
// small path helpers the system's file handling needs.
//
// The system finds its partners relative to the program's folder (".\Plugin", "\links") and a
// library finds its own "Plugin" folder relative to itself:
//
//   // given: void SomeFunction()
//   auto plugins =
//       vtr::platform::ModuleFolder(reinterpret_cast<const void*>(&SomeFunction)) / "Plugin";
//   std::string kvx = vtr::platform::ReplaceExtension("a.b/song.t", ".kvx");  // "a.b/song.kvx"
#ifndef VTR_PLATFORM_PATHS_H_
#define VTR_PLATFORM_PATHS_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace vtr::platform {

// Folder of the running program's executable (absolute). Falls back to the current directory
// when the executable cannot be found.
std::filesystem::path ProgramFolder();
// The running program's executable file (absolute); empty when it cannot be found.
std::filesystem::path ProgramFile();

// Folder of the program or library that contains `address` (absolute); empty when unknown.
std::filesystem::path ModuleFolder(const void* address);
// File of the program or library that contains `address`; empty when unknown.
std::filesystem::path ModuleFile(const void* address);

// Folder for temporary files: $TMPDIR when it names a folder this user may write in, else /tmp.
std::filesystem::path TempFolder();

// The user's own private folder, for files no other user may see or change (a recording in
// progress): the runtime folder ($XDG_RUNTIME_DIR) when only we control it, else the folder
// "voxtrel-<uid>" under the temporary folder, made with mode 0700 when missing and narrowed to
// 0700 when found open. A folder someone else could control (not ours, a symbolic link, open
// to others' writes) is never used. When neither can be trusted (another user made our name
// first), a folder made for this process alone: "voxtrel-<uid>-XXXXXX" under the temporary
// folder, mode 0700, made on first need. Once made, that folder is given for the rest of the
// process (while it is still the one made), and it goes with what it holds when the process
// ends, normally or killed. Empty only when no private folder is to be had at all. Thread-safe.
//
// The single-instance lock lives in the runtime folder or in "voxtrel-<uid>", never in the
// folder of one process: a lock needs a name every instance knows.
std::filesystem::path PrivateFolder();

// Extension of the file-name part, with its dot: "a.b/song.kvx" -> ".kvx"; "a.b/song" -> "";
// ".profile" -> "" (a leading dot names a file, not an extension).
std::string Extension(std::string_view path);

// Replaces what follows the last dot of the file-name part by `extension` (given with its dot),
// or appends it when the name has none: "song.t" -> "song.kvx", "song" -> "song.kvx",
// "a.b/c" -> "a.b/c.kvx".
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// Joins a base folder and a relative name written the system's way (backslashes allowed).
std::filesystem::path JoinSystemPath(const std::filesystem::path& base, std::string_view name);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_PATHS_H_
