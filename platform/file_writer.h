// Writes whole files so that an existing file survives every failure: the bytes go to a new
// temporary file in the target's folder, reach the disk, and only then replace the target.
//
//   // given: std::string script
//   FileWriter writer;
//   if (!writer.Replace("/home/a/song.kvx", script)) { /* old song.kvx is as it was */ }
//
// A target that is a symbolic link stays one: the file it leads to is replaced, with its
// temporary file beside it; a link that another user planted in a shared folder such as /tmp is
// not followed, and the save fails. Temporary files are named "<name>.~<r>.tmp", <r> twelve
// random letters and digits that no one can guess beforehand, the name cut short where the
// whole would pass the 255-byte limit of a file name. A temporary file is never more open
// than the file it replaces (a new file's is the user's alone until it is complete). One that
// a killed save left behind is removed by the next save of the same file when it is a regular
// file of the user's own that no save is writing.
//
// Tests derive from it to make the creation, the writing or the syncing fail (a read-only
// folder, a full disk, a failing disk); the temporary-file handling itself stays the real one.
#ifndef VTR_PLATFORM_FILE_WRITER_H_
#define VTR_PLATFORM_FILE_WRITER_H_

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace vtr::platform {

class FileWriter {
 public:
  virtual ~FileWriter() = default;

  // Makes `path` (or the file a link at `path` leads to) hold exactly `data` (an empty `data`
  // makes an empty file). True once the bytes are on the disk under that name; on failure the
  // target is unchanged and no temporary file is left behind.
  [[nodiscard]] bool Replace(const std::filesystem::path& path, std::string_view data);

  // The writer used when none is given.
  static FileWriter& Default();

 protected:
  // Creates `path` for writing with the permission bits `mode`; fails when it exists. nullptr
  // on failure.
  virtual std::FILE* CreateNew(const std::filesystem::path& path, unsigned mode);
  // Writes `data` to `file`; returns the count of bytes written.
  virtual size_t Write(std::FILE* file, std::string_view data);
  // Forces the flushed bytes of `file` onto the disk; false when they may not be there.
  virtual bool Sync(std::FILE* file);
  // Forces the folder's entries (the renamed file) onto the disk. The file is in place by
  // then, so a failure here cannot be undone and is not reported.
  virtual void SyncFolder(const std::filesystem::path& folder);
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_FILE_WRITER_H_
