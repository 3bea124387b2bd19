// A scoped change of the process's current directory, restored on every path out.
//
//   // given: std::filesystem::path wave_folder; int kFailed
//   {
//     vtr::platform::ScopedCurrentDirectory in_folder(wave_folder);
//     if (!in_folder.ok()) return kFailed;
//     ...                                   // relative names resolve in wave_folder here
//   }                                       // the previous directory is back
#ifndef VTR_PLATFORM_CURRENT_DIRECTORY_H_
#define VTR_PLATFORM_CURRENT_DIRECTORY_H_

#include <filesystem>

namespace vtr::platform {

class ScopedCurrentDirectory {
 public:
  explicit ScopedCurrentDirectory(const std::filesystem::path& folder);
  ~ScopedCurrentDirectory();
  ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
  ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

  // False when the folder could not be entered; the directory is then unchanged.
  bool ok() const { return ok_; }

 private:
  std::filesystem::path previous_;
  bool ok_ = false;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_CURRENT_DIRECTORY_H_
