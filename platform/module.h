// Run-time loading of the system's libraries and programs by their system names.
//
// The system keeps one spelling of its partners' names in every component: folders separated by
// backslashes, libraries ending in ".dll" and programs in ".exe" (".\Plugin\Vtr_wtp.dll",
// ".\Qs5_EmuKmw5.dll"). MapSystemName turns such a name into this platform's relative file name
// ("Plugin/Vtr_wtp.so"; a ".exe" loses its suffix), and Module::Load resolves it against a folder
// the caller names, normally the program folder, so that the program works from any current
// directory.
//
// Every failure is a result, never an abort; error() names the path and the loader's reason.
//
//   #include "platform/paths.h"
//   // given: void Report(const std::string& error)
//   vtr::platform::Module module;
//   if (!module.Load(".\\Plugin\\Vtr_wtp.dll", vtr::platform::ProgramFolder())) {
//     Report(module.error());
//   }
//   auto* init = module.Find<int(int, int)>("VtrWtp_Initialize");  // nullptr when missing
//   module.Free();                                                // also done by the destructor
#ifndef VTR_PLATFORM_MODULE_H_
#define VTR_PLATFORM_MODULE_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace vtr::platform {

// File-name suffix of a loadable library on this platform.
inline constexpr std::string_view kLibrarySuffix = ".so";

// ".\Plugin\Vtr_wtp.dll" -> "Plugin/Vtr_wtp.so"; "KVXCNV.exe" -> "KVXCNV"; "a/b.so" -> "a/b.so".
// Backslashes become slashes, a leading ".\" or "./" is dropped, the suffix ".dll" (any case)
// becomes kLibrarySuffix and ".exe" (any case) is removed. Absolute names stay absolute.
std::string MapSystemName(std::string_view system_name);

// One loaded library. Move-only (a moved-from module holds none); frees the library when destroyed.
class Module {
 public:
  Module() = default;
  ~Module();
  Module(Module&& other) noexcept;
  Module& operator=(Module&& other) noexcept;
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // Loads `system_name` (see MapSystemName); a relative name is resolved against `base_folder`.
  // Frees what this object held before. Returns false and sets error() on failure.
  [[nodiscard]] bool Load(std::string_view system_name, const std::filesystem::path& base_folder);
  // Loads the library at `file` as it stands.
  [[nodiscard]] bool LoadFile(const std::filesystem::path& file);
  void Free();

  bool loaded() const { return handle_ != nullptr; }
  const std::filesystem::path& path() const { return path_; }
  // Why the last Load or Find failed; empty after success.
  const std::string& error() const { return error_; }

  // Address of the exported `name`, or nullptr (and error() set) when the library lacks it.
  void* FindSymbol(const char* name) const;
  template <typename Function>
  Function* Find(const char* name) const {
    return reinterpret_cast<Function*>(FindSymbol(name));
  }

 private:
  void* handle_ = nullptr;
  std::filesystem::path path_;
  mutable std::string error_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_MODULE_H_
