#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"

namespace vtr::platform {
namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;
constexpr mode_t kPermissionBits = 0777;

// An fsync that the file system does not offer leaves nothing more to do.
bool SyncedOrUnsupported(int result) {
  return result == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
}

// Whether the kernel's guard of shared folders lets a lookup follow `link` (looked at as
// `link_info`): in a sticky folder that others may write in, only a link of the follower's
// own or of the folder's owner is followed; anywhere else every link is.
bool MayFollow(const std::filesystem::path& link, const struct stat& link_info) {
  const std::filesystem::path folder =
      link.has_parent_path() ? link.parent_path() : std::filesystem::path(".");
  struct stat folder_info {};
  if (::stat(folder.c_str(), &folder_info) != 0) return false;
  const bool shared_sticky =
      (folder_info.st_mode & S_ISVTX) != 0 && (folder_info.st_mode & S_IWOTH) != 0;
  return !shared_sticky || link_info.st_uid == ::geteuid() ||
         link_info.st_uid == folder_info.st_uid;
}

// The process's file-creation mask, read without changing it (changing it, even for a moment,
// would narrow the files other threads create meanwhile).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & kPermissionBits;
    }
  }
  const mode_t mask = ::umask(022);  // a kernel without the field
  ::umask(mask);
  return mask;
}

}  // namespace

bool IsRegularFile(const std::filesystem::path& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::filesystem::path> ResolveLinks(const std::filesystem::path& path) {
  std::filesystem::path current = path;
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat info {};
    // A name that cannot be looked at is written as it stands; the write reports the failure.
    if (current.empty() || ::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      return current;
    }
    if (!MayFollow(current, info)) return std::nullopt;
    std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
    const std::filesystem::path next(std::string(target.data(), static_cast<size_t>(length)));
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return std::nullopt;
}

std::FILE* CreateNewFile(const std::filesystem::path& path, unsigned mode) {
  const mode_t bits = static_cast<mode_t>(mode) & kPermissionBits;
  // Made with the bits less the mask (never more open than asked), then given them exactly.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, bits);
  if (fd < 0) return nullptr;
  std::FILE* file = nullptr;
  if (::fchmod(fd, bits) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) file = ::fdopen(fd, "wb");
  if (file == nullptr) {
    ::close(fd);
    ::unlink(path.c_str());
  }
  return file;
}

bool SetFileMode(std::FILE* file, unsigned mode) {
  if (file == nullptr) return false;
  const int fd = ::fileno(file);
  return fd >= 0 && ::fchmod(fd, static_cast<mode_t>(mode) & kPermissionBits) == 0;
}

std::optional<unsigned> FileMode(const std::filesystem::path& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
  return static_cast<unsigned>(info.st_mode & kPermissionBits);
}

unsigned NewFileMode() { return static_cast<unsigned>(0666 & ~CurrentUmask()); }

bool RemoveStaleFile(const std::filesystem::path& path) {
  struct stat named {};
  if (path.empty() || ::lstat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode) ||
      named.st_uid != ::geteuid()) {
    return false;
  }
  // Opened without following a link or waiting on a FIFO put there meanwhile; it must still be
  // the file looked at, and nobody may be writing it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat opened {};
  bool removed = false;
  if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == named.st_dev &&
      opened.st_ino == named.st_ino && opened.st_uid == ::geteuid() &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    removed = ::unlink(path.c_str()) == 0;
  }
  ::close(fd);
  return removed;
}

bool SyncFile(std::FILE* file) {
  if (file == nullptr) return false;
  const int fd = ::fileno(file);
  return fd >= 0 && SyncedOrUnsupported(::fsync(fd));
}

bool SyncFolder(const std::filesystem::path& folder) {
  const std::filesystem::path name = folder.empty() ? std::filesystem::path(".") : folder;
  const int fd = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = SyncedOrUnsupported(::fsync(fd));
  ::close(fd);
  return synced;
}

}  // namespace vtr::platform
