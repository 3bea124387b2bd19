#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/internal/private_folder.h"
#include "platform/single_instance.h"

namespace vtr::platform {

SingleInstance::SingleInstance(std::string_view name) {
  // Without a folder we can trust there is no lock to be had; the program then runs rather
  // than let another user's folder keep it from starting.
  first_ = true;
  const internal::OpenedFolder folder = internal::OpenPrivateFolder();
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
