// The user's private folder, opened so that it cannot be swapped between the check and the
// use: the one decision behind PrivateFolder() and the single-instance lock. When it cannot be
// trusted, PrivateFolder() falls back to a folder made for this process alone; the lock never
// does (a lock needs a name every instance knows).
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

// A folder made for this process alone under the temporary folder ("voxtrel-<uid>-XXXXXX",
// absolute, mode 0700), for when OpenPrivateFolder() finds nothing to trust. Once made it is
// given again for the rest of the process, as long as it is still the very folder we made and
// ours alone; it is removed with what it holds when the process ends, normally or killed
// (a forked child neither shares nor removes its maker's). `make` false: only the one already
// made, if any. Empty when there is none, or when it cannot be made. Thread-safe.
std::filesystem::path ProcessPrivateFolder(bool make);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_INTERNAL_PRIVATE_FOLDER_H_
