// Writes whole files so that an existing file survives every failure: the bytes go to a new
// temporary file in the target's folder, which replaces the target only after a complete write.
//
//   FileWriter writer;
//   if (!writer.Replace("/home/a/song.kvx", script)) { /* old song.kvx is as it was */ }
//
// Tests derive from it to make the creation or the writing fail (a read-only folder, a full
// disk); the temporary-file handling itself stays the real one.
#ifndef VTR_SCRIPTEDIT_FILE_WRITER_H_
#define VTR_SCRIPTEDIT_FILE_WRITER_H_

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace vtr::scriptedit {

class FileWriter {
 public:
  virtual ~FileWriter() = default;

  // Makes `path` hold exactly `data` (an empty `data` makes an empty file). True on success;
  // on failure the target is unchanged and no temporary file is left behind.
  [[nodiscard]] bool Replace(const std::filesystem::path& path, std::string_view data);

  // The writer used when none is given.
  static FileWriter& Default();

 protected:
  // Creates `path` for writing; fails when it exists. nullptr on failure.
  virtual std::FILE* CreateNew(const std::filesystem::path& path);
  // Writes `data` to `file`; returns the count of bytes written.
  virtual size_t Write(std::FILE* file, std::string_view data);
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_FILE_WRITER_H_
