// The user's private folder, opened so that it cannot be swapped between the check and the
// use: the one decision behind PrivateFolder() and the single-instance lock.
//
//   #include <fcntl.h>
//   #include <unistd.h>
//   platform::internal::OpenedFolder folder = platform::internal::OpenPrivateFolder();
//   if (folder.fd < 0) return;                   // no folder we can trust
//   int fd = openat(folder.fd, "name", O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
//   close(folder.fd);
#ifndef VTR_PLATFORM_INTERNAL_PRIVATE_FOLDER_H_
#define VTR_PLATFORM_INTERNAL_PRIVATE_FOLDER_H_

#include <filesystem>

namespace vtr::platform::internal {

struct OpenedFolder {
  int fd = -1;  // open on the folder (the caller closes it); -1: no trusted folder
  std::filesystem::path path;
};

// The runtime folder when only we control it, else our own folder under the temporary folder,
// made or narrowed to mode 0700 (see PrivateFolder in platform/paths.h).
OpenedFolder OpenPrivateFolder();

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_INTERNAL_PRIVATE_FOLDER_H_
