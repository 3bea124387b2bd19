#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/internal/late_reaping.h"

namespace vtr::platform::internal {
namespace {

std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}

// The children handed over and not yet reaped.
std::vector<pid_t>& Pending() {
  static std::vector<pid_t> pending;
  return pending;
}

// Reaps the pending children that have gone; a child that is no longer ours (reaped
// elsewhere) is forgotten. Under the lock.
void ReapGoneLocked() {
  std::vector<pid_t>& pending = Pending();
  pending.erase(std::remove_if(pending.begin(), pending.end(),
                               [](pid_t pid) {
                                 pid_t got;
                                 do {
                                   got = waitpid(pid, nullptr, WNOHANG);
                                 } while (got < 0 && errno == EINTR);
                                 return got != 0;
                               }),
                pending.end());
}

}  // namespace

void ReapLater(int pid) {
  const std::lock_guard<std::mutex> hold(Lock());
  ReapGoneLocked();
  if (pid > 0) Pending().push_back(static_cast<pid_t>(pid));
}

void ReapGone() {
  const std::lock_guard<std::mutex> hold(Lock());
  ReapGoneLocked();
}

}  // namespace vtr::platform::internal
