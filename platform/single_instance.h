// One running instance per user: a named lock in place of a named system mutex.
//
// The lock is an advisory file lock in the user's runtime folder ($XDG_RUNTIME_DIR, else the
// private folder "voxtrel-<uid>" under the temporary folder, made with mode 0700). The kernel
// drops it when the holder exits or is killed, so a crashed instance never blocks the next
// start. A folder another user could control (not ours, not a directory, a symbolic link) is
// never used: without a trusted folder there is no lock, and the program starts.
//
// Starting without a lock when no trusted folder exists is kept on purpose, although a lock
// that fails ends the start silently, as a second instance does. The untrusted folder may be one
// another user made in our place under the shared temporary folder: ending silently would let
// that user keep us from ever starting, while a start without a lock costs at most a second
// window.
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

  // False when another holder has the lock. True when this object holds it, and also when no
  // lock could be had (no trusted folder, or the file could not be made): the program then runs
  // rather than refusing to start.
  bool first() const { return first_; }
  // The lock file this object opened; empty when there was none to be had.
  const std::filesystem::path& lock_file() const { return lock_file_; }

 private:
  int fd_ = -1;
  bool first_ = false;
  std::filesystem::path lock_file_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_SINGLE_INSTANCE_H_
