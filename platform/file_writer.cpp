#include "platform/file_writer.h"

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "platform/files.h"

namespace vtr::platform {
namespace {

constexpr int kTemporaryAttempts = 100;
constexpr std::string_view kTemporaryStart = ".~";
constexpr std::string_view kTemporaryEnd = ".tmp";
// The random part of a temporary name: 12 of 36 characters, about 62 bits.
constexpr std::string_view kRandomAlphabet = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr size_t kRandomLength = 12;
// The longest file name the file systems take [bytes].
constexpr size_t kMaxNameBytes = 255;
// A new file's bytes are the user's alone until the file is complete.
constexpr unsigned kNewTemporaryMode = 0600;

// The part of `name` a temporary name starts with: all of it, or as much as leaves room for
// the temporary ending within the limit of a file name.
std::string_view TemporaryStem(std::string_view name) {
  constexpr size_t kEnding = kTemporaryStart.size() + kRandomLength + kTemporaryEnd.size();
  return name.substr(0, std::min(name.size(), kMaxNameBytes - kEnding));
}

std::string TemporaryName(std::string_view name) {
  static std::random_device random;
  std::string result(TemporaryStem(name));
  result += kTemporaryStart;
  for (size_t i = 0; i < kRandomLength; ++i) {
    result += kRandomAlphabet[random() % kRandomAlphabet.size()];
  }
  result += kTemporaryEnd;
  return result;
}

// "<stem>.~<r>.tmp": a temporary file of a save of `name`, with the random part of a save, or
// with the number that saves of earlier versions took.
bool IsTemporaryOf(std::string_view entry, std::string_view name) {
  const std::string_view stem = TemporaryStem(name);
  if (entry.size() <= stem.size() + kTemporaryStart.size() + kTemporaryEnd.size() ||
      entry.substr(0, stem.size()) != stem ||
      entry.substr(stem.size(), kTemporaryStart.size()) != kTemporaryStart ||
      entry.substr(entry.size() - kTemporaryEnd.size()) != kTemporaryEnd) {
    return false;
  }
  const std::string_view middle =
      entry.substr(stem.size() + kTemporaryStart.size(),
                   entry.size() - stem.size() - kTemporaryStart.size() - kTemporaryEnd.size());
  const auto all_of = [&](std::string_view set) {
    return middle.find_first_not_of(set) == std::string_view::npos;
  };
  return (middle.size() == kRandomLength && all_of(kRandomAlphabet)) || all_of("0123456789");
}

// Removes the temporary files that saves of `target` killed before their rename left behind.
// Only regular files of the user's own that no running save holds go: a link or folder of that
// name, or another user's file in a shared folder, is not ours to remove.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
  const std::string name = target.filename().string();
  const std::filesystem::path folder =
      target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
    const std::filesystem::path& entry = entries->path();
    if (IsTemporaryOf(entry.filename().string(), name)) (void)platform::RemoveStaleFile(entry);
  }
}

}  // namespace

FileWriter& FileWriter::Default() {
  static FileWriter writer;
  return writer;
}

std::FILE* FileWriter::CreateNew(const std::filesystem::path& path, unsigned mode) {
  // Exclusive creation: a temporary name never clobbers or follows what is there.
  return platform::CreateNewFile(path, mode);
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

  // The bytes never lie open to more eyes than the file they replace.
  const std::optional<unsigned> old_mode = platform::FileMode(target);
  const std::string name = target.filename().string();
  std::filesystem::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < kTemporaryAttempts && file == nullptr; ++attempt) {
    temporary = target.parent_path() / TemporaryName(name);
    file = CreateNew(temporary, old_mode.value_or(kNewTemporaryMode));
    std::error_code error;
    if (file == nullptr &&
        !std::filesystem::exists(std::filesystem::symlink_status(temporary, error))) {
      break;  // not a clash
    }
  }
  if (file == nullptr) return false;

  // The bytes reach the disk before the rename, so that a crash leaves the old file or the
  // new one, never a name for bytes that were not written.
  bool ok = Write(file, data) == data.size();
  ok = std::fflush(file) == 0 && ok;
  ok = ok && Sync(file);
  // Complete, a new file takes the mode every new file of the user's gets.
  if (ok && !old_mode) ok = platform::SetFileMode(file, platform::NewFileMode());
  ok = std::fclose(file) == 0 && ok;
  std::error_code error;
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

}  // namespace vtr::platform
