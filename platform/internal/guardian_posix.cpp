#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/internal/guardian.h"
#include "platform/internal/late_reaping.h"

namespace vtr::platform::internal {
namespace {

// Folders nested deeper than this are left alone (each level holds one read buffer on the
// stack); the scratch folders this serves are flat.
constexpr int kMaxDepth = 8;
// Passes over one folder before giving up on entries that will not go.
constexpr int kMaxPasses = 16;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Empties the folder open as `fd`; true when it holds nothing any more.
bool EmptyFolder(int fd, int depth) {
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    if (lseek(fd, 0, SEEK_SET) != 0) return false;
    bool any = false;
    alignas(dirent64) char buffer[2048];
    for (;;) {
      const ssize_t got = getdents64(fd, buffer, sizeof buffer);
      if (got <= 0) break;
      for (ssize_t at = 0; at < got;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
        at += entry->d_reclen;
        if (IsDotOrDotDot(entry->d_name)) continue;
        any = true;
        if (unlinkat(fd, entry->d_name, 0) == 0 || errno != EISDIR || depth >= kMaxDepth) continue;
        const int child =
            openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child < 0) continue;
        EmptyFolder(child, depth + 1);
        close(child);
        unlinkat(fd, entry->d_name, AT_REMOVEDIR);
      }
    }
    if (!any) return true;
  }
  return false;
}

// Signals that would end the helper before its maker; it ends by itself once its maker is gone.
constexpr int kIgnoredSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE};

void SetIgnoredSignals(void (*action)(int)) {
  struct sigaction handling;
  std::memset(&handling, 0, sizeof handling);
  handling.sa_handler = action;
  for (int signal : kIgnoredSignals) sigaction(signal, &handling, nullptr);
}

[[noreturn]] void RunHelper(int lifeline, const char* folder) {
  // Left to act when the maker ends, and with no descriptor of the maker's but its own end of
  // the pipe (another helper must not keep this one waiting).
  StandApartFromMaker();
  if (lifeline > 3) close_range(3, static_cast<unsigned>(lifeline) - 1, 0);
  close_range(static_cast<unsigned>(lifeline) + 1, ~0u, 0);
  char byte;
  ssize_t got;
  do {
    got = read(lifeline, &byte, 1);
  } while (got < 0 && errno == EINTR);
  // Only the maker's death closes the pipe: dismissal kills the helper instead.
  if (folder[0] != '\0') RemoveTreeWithoutAllocating(folder);
  _exit(0);
}

}  // namespace

void StandApartFromMaker() {
  setpgid(0, 0);
  SetIgnoredSignals(SIG_IGN);
}

void RestoreSignalsIgnoredByHelpers() { SetIgnoredSignals(SIG_DFL); }

bool EmptyFolderWithoutAllocating(int fd) { return EmptyFolder(fd, 0); }

bool RemoveTreeWithoutAllocating(const char* path) {
  const int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return unlink(path) == 0 || errno == ENOENT;
  EmptyFolder(fd, 0);
  close(fd);
  return rmdir(path) == 0 || errno == ENOENT;
}

Guardian::Guardian(const Will& will) {
  const std::string folder =
      will.folder.string();  // made before the fork: the helper may not allocate
  int lifeline[2];
  if (pipe2(lifeline, O_CLOEXEC) != 0) return;
  const pid_t pid = fork();
  if (pid == 0) {
    close(lifeline[1]);
    RunHelper(lifeline[0], folder.c_str());
  }
  close(lifeline[0]);
  if (pid < 0) {
    close(lifeline[1]);
    return;
  }
  pid_ = pid;
  lifeline_ = lifeline[1];
}

void Guardian::Dismiss() {
  if (pid_ <= 0) return;
  // Killed rather than told: a helper that is told could act on a message it misread, and a
  // killed one cannot act at all. Once the kill is sent it runs none of its code again, so our
  // end of the pipe may close: it is reaped later, while the kernel takes it down.
  kill(pid_, SIGKILL);
  close(lifeline_);
  ReapLater(pid_);
  pid_ = -1;
  lifeline_ = -1;
}

void Guardian::LeaveToMaker() {
  if (pid_ <= 0) return;
  close(lifeline_);  // the maker's own copy keeps the helper waiting
  pid_ = -1;
  lifeline_ = -1;
}

}  // namespace vtr::platform::internal
