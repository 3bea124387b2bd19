// The process's own environment: its id, and a scoped change of one environment variable.
//
//   #include <filesystem>
//   // given: std::filesystem::path folder
//   {
//     vtr::platform::ScopedEnvironmentVariable tmp("TMPDIR", folder.string());
//     ...                                   // temporary files of this process go to `folder`
//   }                                       // TMPDIR is as it was before
#ifndef VTR_PLATFORM_ENVIRONMENT_H_
#define VTR_PLATFORM_ENVIRONMENT_H_

#include <optional>
#include <string>

namespace vtr::platform {

// The id of the running process (to tell apart files of processes running side by side).
[[nodiscard]] int CurrentProcessId();

// Sets `name` to `value` (removes it for nullopt) while it lives; puts back the value that
// stood before, or removes the variable when there was none.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

  // Changes the value again; the one restored at the end stays the first one.
  void Set(const std::optional<std::string>& value);

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_ENVIRONMENT_H_
