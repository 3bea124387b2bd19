#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace vtr::platform {
namespace {

// The kernel's own limit on links followed in one lookup.
constexpr int kMaxLinks = 40;

// An fsync that the file system does not offer leaves nothing more to do.
bool SyncedOrUnsupported(int result) {
  return result == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
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
    std::vector<char> target(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length < 0 || static_cast<size_t>(length) >= target.size()) return std::nullopt;
    const std::filesystem::path next(std::string(target.data(), static_cast<size_t>(length)));
    current = next.is_absolute() ? next : current.parent_path() / next;
  }
  return std::nullopt;
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
