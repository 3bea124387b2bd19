#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/paths.h"

namespace vtr::platform {
namespace {

std::filesystem::path LockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return runtime;
  std::filesystem::path folder = TempFolder() / ("voxtrel-" + std::to_string(getuid()));
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace, ignored);
  return folder;
}

}  // namespace

SingleInstance::SingleInstance(std::string_view name) {
  lock_file_ = LockFolder() / (std::string(name) + ".lock");
  fd_ = open(lock_file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) {
    first_ = true;  // no lock to be had: never refuse to start because of it
    return;
  }
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
