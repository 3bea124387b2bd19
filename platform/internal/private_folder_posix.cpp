#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/internal/private_folder.h"
#include "platform/paths.h"

namespace vtr::platform::internal {
namespace {

constexpr mode_t kPrivateFolderMode = 0700;

// Opens `folder` as a directory that only this user controls: a real directory (a symbolic
// link is refused, not followed) owned by us. Our own folder has its permissions narrowed to
// 0700; a runtime folder that others may write is refused. The check runs on the opened
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

}  // namespace

OpenedFolder OpenPrivateFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') {
    const int fd = OpenTrustedFolder(runtime, false);
    if (fd >= 0) return {fd, runtime};
  }
  std::filesystem::path folder = TempFolder() / ("voxtrel-" + std::to_string(getuid()));
  if (mkdir(folder.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST) return {};
  return {OpenTrustedFolder(folder, true), std::move(folder)};
}

}  // namespace vtr::platform::internal
