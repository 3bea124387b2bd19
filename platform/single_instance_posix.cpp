#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/paths.h"

namespace vtr::platform {
namespace {

constexpr mode_t kPrivateFolderMode = 0700;

// Opens `folder` as a directory that only this user controls: a real directory (a symbolic
// link is refused, not followed) owned by us. Our own lock folder has its permissions narrowed
// to 0700; a runtime folder that others may write is refused. The check runs on the opened
// descriptor, so the folder cannot be swapped between the check and the use. -1 when refused.
int OpenTrustedFolder(const std::filesystem::path& folder, bool ours) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  bool trusted = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid();
  if (trusted && (info.st_mode & 077) != 0) {
    trusted = ours ? fchmod(fd, kPrivateFolderMode) == 0 : (info.st_mode & 022) == 0;
  }
  if (!trusted) {
    close(fd);
    return -1;
  }
  return fd;
}

struct LockFolder {
  int fd = -1;  // -1: no trusted folder is to be had
  std::filesystem::path path;
};

// The user's runtime folder when it is trusted, else our own private folder under the
// temporary folder, made here with mode 0700 when it is missing.
LockFolder OpenLockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    const int fd = OpenTrustedFolder(runtime, false);
    if (fd >= 0) return {fd, runtime};
  }
  std::filesystem::path folder = TempFolder() / ("voxtrel-" + std::to_string(getuid()));
  if (mkdir(folder.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) return {};
  return {OpenTrustedFolder(folder, true), std::move(folder)};
}

}  // namespace

SingleInstance::SingleInstance(std::string_view name) {
  // Without a folder we can trust there is no lock to be had; the program then runs rather
  // than let another user's folder keep it from starting.
  first_ = true;
  const LockFolder folder = OpenLockFolder();
  if (folder.fd < 0) return;
  const std::string file = std::string(name) + ".lock";
  fd_ = openat(folder.fd, file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  close(folder.fd);
  if (fd_ < 0) return;
  lock_file_ = folder.path / file;
  int rc;
  do {
    rc = flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  first_ = rc == 0;
  if (!first_) {
    close(fd_);
    fd_ = -1;
  }
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) close(fd_);  // closing drops the lock
}

}  // namespace vtr::platform
