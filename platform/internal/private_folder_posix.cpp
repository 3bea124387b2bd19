#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/internal/guardian.h"
#include "platform/internal/late_reaping.h"
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

// The folder made for this process alone, kept from its making to the end of the process. A
// guardian removes it should the process be killed or crash first.
class ProcessFolder {
 public:
  // Dismissing the guardian at the end hands it to the late reaping, whose own statics must
  // then still stand: using them first makes them outlive this one.
  ProcessFolder() { ReapGone(); }
  ProcessFolder(const ProcessFolder&) = delete;
  ProcessFolder& operator=(const ProcessFolder&) = delete;

  // Removes the folder and what it holds when the process ends normally. Best effort: only the
  // very folder we made (never one put in its place), its entries removed through the opened
  // folder without following links.
  ~ProcessFolder() {
    const std::lock_guard<std::mutex> hold(lock_);
    const int fd = OpenIfStillOurs();
    if (fd >= 0) {
      EmptyFolderWithoutAllocating(fd);
      close(fd);
      rmdir(path_.c_str());
    }
    LetGoOfGuardian();
  }

  std::filesystem::path Get(bool make) {
    const std::lock_guard<std::mutex> hold(lock_);
    const int fd = OpenIfStillOurs();
    if (fd >= 0) {
      close(fd);
      return path_;
    }
    path_.clear();
    LetGoOfGuardian();
    if (make) Make();
    return path_;
  }

 private:
  // Opens the folder when it is still the one this process made, a directory of ours closed to
  // everybody else; -1 otherwise (none made, made by the process we were forked from, removed,
  // or swapped for another).
  int OpenIfStillOurs() const {
    if (path_.empty() || maker_ != getpid()) return -1;
    const int fd = open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || info.st_dev != device_ || info.st_ino != inode_ ||
        info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
      close(fd);
      return -1;
    }
    return fd;
  }

  // Makes a fresh folder. Its path is absolute: the program may change its current folder.
  void Make() {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::absolute(TempFolder(), error);
    if (error) return;
    std::string pattern = (base / ("voxtrel-" + std::to_string(getuid()) + "-XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    const int fd = open(pattern.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    // mkdtemp asks for 0700, which a umask may narrow further: set it outright.
    if (fd < 0 || fchmod(fd, kPrivateFolderMode) != 0 || fstat(fd, &info) != 0 ||
        info.st_uid != geteuid()) {
      if (fd >= 0) close(fd);
      rmdir(pattern.c_str());
      return;
    }
    close(fd);
    path_ = std::move(pattern);
    device_ = info.st_dev;
    inode_ = info.st_ino;
    maker_ = getpid();
    Guardian::Will will;
    will.folder = path_;
    guardian_ = std::make_unique<Guardian>(will);
  }

  // Ends the guardian's watch over the folder: the folder is gone, or is no longer the one we
  // made. In a process forked from the maker the guardian is the maker's, and it keeps watching.
  void LetGoOfGuardian() {
    if (guardian_ != nullptr && maker_ != getpid()) guardian_->LeaveToMaker();
    guardian_.reset();
  }

  std::mutex lock_;
  std::filesystem::path path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  pid_t maker_ = -1;
  std::unique_ptr<Guardian> guardian_;
};

}  // namespace

std::filesystem::path ProcessPrivateFolder(bool make) {
  static ProcessFolder folder;
  return folder.Get(make);
}

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
