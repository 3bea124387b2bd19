// Files as the system reads and writes them: which names may be opened for reading, where a
// save through a symbolic link lands, and getting written bytes onto the disk.
//
// Every reader of a file that a user, a caller or another program names asks first whether it
// is a regular file; opening a FIFO for reading waits for a writer that may never come, and a
// device may never end or act on being opened:
//
//   #include <fstream>
//   // given: std::filesystem::path path, temporary_beside_target; int kCannotOpen
//   if (!vtr::platform::IsRegularFile(path)) return kCannotOpen;   // before any open
//   std::ifstream in(path, std::ios::binary);
//
// A save replaces the file a symbolic link leads to, not the link, writes a temporary file of
// its own beside it and syncs before it renames:
//
//   std::optional<std::filesystem::path> target = vtr::platform::ResolveLinks(path);
//   std::FILE* file = vtr::platform::CreateNewFile(temporary_beside_target, 0600);
//   ... write, fflush, SyncFile(file), fclose, rename onto *target ...
//   (void)vtr::platform::SyncFolder(target->parent_path());
#ifndef VTR_PLATFORM_FILES_H_
#define VTR_PLATFORM_FILES_H_

#include <cstdio>
#include <filesystem>
#include <optional>

namespace vtr::platform {

// True when `path` names a regular file, symbolic links followed. It looks at the name only
// (nothing is opened), so a FIFO, a device, a socket or a folder answers false at once.
bool IsRegularFile(const std::filesystem::path& path);

// The name a write to `path` should replace: `path` with the symbolic links of its last
// component followed (a relative link is taken from the link's folder). `path` itself when it
// is no link; the end of the chain when that does not exist yet (the write creates it).
// Links are followed only where the kernel, guarding shared folders, follows them itself: a
// link in a sticky folder that everybody may write in (such as /tmp) only when it belongs to
// us or to the folder's owner, so that another user's link there never leads a write to one
// of our files. nullopt for such a link, for a chain of more than 40 links (a loop) or for a
// link that cannot be read.
std::optional<std::filesystem::path> ResolveLinks(const std::filesystem::path& path);

// Creates `path` for writing with exactly the permission bits `mode` from the first moment
// (the file-creation mask does not narrow them), failing when anything of that name exists: a
// symbolic link there is never followed. The file stays locked while it is open, so that
// RemoveStaleFile leaves it alone. nullptr on failure.
std::FILE* CreateNewFile(const std::filesystem::path& path, unsigned mode);

// Sets the permission bits of an open file; false on failure.
bool SetFileMode(std::FILE* file, unsigned mode);

// The permission bits (rwx for owner, group and others) of what `path` names, links followed;
// nullopt when it cannot be looked at.
std::optional<unsigned> FileMode(const std::filesystem::path& path);

// The permission bits a program's new file gets: 0666 less the process's file-creation mask.
unsigned NewFileMode();

// Removes `path` when it is a regular file of this user that nobody holds open through
// CreateNewFile: one a killed writer left behind. A link, a folder, another user's file or a
// file still being written stays. True when it was removed.
bool RemoveStaleFile(const std::filesystem::path& path);

// Forces the bytes written to `file` (flushed by the caller) onto the disk. True when they are
// there, or when the file system has no such operation; false on an error (EIO, ENOSPC, ...).
bool SyncFile(std::FILE* file);

// Forces the entries of `folder` (a file just renamed into it) onto the disk, with the same
// answer as SyncFile.
bool SyncFolder(const std::filesystem::path& folder);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_FILES_H_
