// One running instance per user: a named lock in place of a named system mutex.
//
// The lock is an advisory file lock in the user's runtime folder ($XDG_RUNTIME_DIR, else a
// private folder under the temporary folder). The kernel drops it when the holder exits or is
// killed, so a crashed instance never blocks the next start.
//
//   vtr::platform::SingleInstance instance("VoxtrelApplication");
//   if (!instance.first()) return 0;   // another instance runs: end at once, silently
#ifndef VTR_PLATFORM_SINGLE_INSTANCE_H_
#define VTR_PLATFORM_SINGLE_INSTANCE_H_

#include <filesystem>
#include <string_view>

namespace vtr::platform {

class SingleInstance {
 public:
  explicit SingleInstance(std::string_view name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this object holds the lock; false when another holder has it (or the lock file
  // could not be made, in which case the program runs rather than refusing to start).
  bool first() const { return first_; }
  const std::filesystem::path& lock_file() const { return lock_file_; }

 private:
  int fd_ = -1;
  bool first_ = false;
  std::filesystem::path lock_file_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_SINGLE_INSTANCE_H_
