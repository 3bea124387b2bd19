#include "scriptedit/file_writer.h"

#include <atomic>
#include <optional>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace vtr::scriptedit {
namespace {

// Temporary names are unique within the process; CreateNew refuses an existing file, so a
// name left by another process only moves the counter on.
std::atomic<unsigned> temporary_counter{0};
constexpr int kTemporaryAttempts = 100;
constexpr std::string_view kTemporaryStart = ".~";
constexpr std::string_view kTemporaryEnd = ".tmp";

// "<name>.~<digits>.tmp": a temporary file of ours for `name`.
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const size_t head = name.size() + kTemporaryStart.size();
  if (entry.size() <= head + kTemporaryEnd.size() || entry.compare(0, name.size(), name) != 0 ||
      entry.compare(name.size(), kTemporaryStart.size(), kTemporaryStart) != 0 ||
      entry.compare(entry.size() - kTemporaryEnd.size(), kTemporaryEnd.size(), kTemporaryEnd) != 0) {
    return false;
  }
  for (size_t i = head; i < entry.size() - kTemporaryEnd.size(); ++i) {
    if (entry[i] < '0' || entry[i] > '9') return false;
  }
  return true;
}

// Removes the temporary files that a save of `target` killed before its rename left behind.
// Only regular files of our naming go; a link or folder of that name is not ours to remove.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::string name = target.filename().string();
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::filesystem::directory_entry& entry = *entries;
    std::error_code ignored;
    if (IsTemporaryOf(entry.path().filename().string(), name) &&
        entry.symlink_status(ignored).type() == std::filesystem::file_type::regular) {
      std::filesystem::remove(entry.path(), ignored);
    }
  }
}

}  // namespace

FileWriter& FileWriter::Default() {
  static FileWriter writer;
  return writer;
}

std::FILE* FileWriter::CreateNew(const std::filesystem::path& path) {
  // "x": exclusive creation, so a temporary name never clobbers a file of the same name.
  return std::fopen(path.c_str(), "wbx");
}

size_t FileWriter::Write(std::FILE* file, std::string_view data) {
  return std::fwrite(data.data(), 1, data.size(), file);
}

bool FileWriter::Sync(std::FILE* file) { return platform::SyncFile(file); }

void FileWriter::SyncFolder(const std::filesystem::path& folder) {
  (void)platform::SyncFolder(folder);
}

bool FileWriter::Replace(const std::filesystem::path& path, std::string_view data) {
  if (path.empty() || !path.has_filename()) return false;
  // A link stays a link: the file it leads to is the one replaced.
  const std::optional<std::filesystem::path> resolved = platform::ResolveLinks(path);
  if (!resolved || !resolved->has_filename()) return false;
  const std::filesystem::path& target = *resolved;
  RemoveStaleTemporaries(target);

  std::filesystem::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < kTemporaryAttempts && file == nullptr; ++attempt) {
    temporary = target;
    temporary += std::string(kTemporaryStart) + std::to_string(temporary_counter.fetch_add(1)) +
                 std::string(kTemporaryEnd);
    file = CreateNew(temporary);
    std::error_code error;
    if (file == nullptr && !std::filesystem::exists(temporary, error)) break;  // not a clash
  }
  if (file == nullptr) return false;

  // The bytes reach the disk before the rename, so that a crash leaves the old file or the
  // new one, never a name for bytes that were not written.
  bool ok = Write(file, data) == data.size();
  ok = std::fflush(file) == 0 && ok;
  ok = ok && Sync(file);
  ok = std::fclose(file) == 0 && ok;
  std::error_code error;
  if (ok && std::filesystem::exists(target, error)) {
    // The new file keeps the permissions of the one it replaces.
    std::filesystem::permissions(temporary, std::filesystem::status(target, error).permissions(),
                                 error);
    error.clear();
  }
  if (ok) {
    std::filesystem::rename(temporary, target, error);
    ok = !error;
  }
  if (!ok) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  SyncFolder(target.has_parent_path() ? target.parent_path() : std::filesystem::path("."));
  return true;
}

}  // namespace vtr::scriptedit
