#include "scriptedit/file_writer.h"

#include <atomic>
#include <string>
#include <system_error>

namespace vtr::scriptedit {
namespace {

// Temporary names are unique within the process; CreateNew refuses an existing file, so a
// name left by another process only moves the counter on.
std::atomic<unsigned> temporary_counter{0};
constexpr int kTemporaryAttempts = 100;

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

bool FileWriter::Replace(const std::filesystem::path& path, std::string_view data) {
  if (path.empty() || !path.has_filename()) return false;
  std::filesystem::path temporary;
  std::FILE* file = nullptr;
  for (int attempt = 0; attempt < kTemporaryAttempts && file == nullptr; ++attempt) {
    temporary = path;
    temporary += ".~" + std::to_string(temporary_counter.fetch_add(1)) + ".tmp";
    file = CreateNew(temporary);
    std::error_code error;
    if (file == nullptr && !std::filesystem::exists(temporary, error)) break;  // not a clash
  }
  if (file == nullptr) return false;

  bool ok = Write(file, data) == data.size();
  ok = std::fflush(file) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  std::error_code error;
  if (ok && std::filesystem::exists(path, error)) {
    // The new file keeps the permissions of the one it replaces.
    std::filesystem::permissions(temporary, std::filesystem::status(path, error).permissions(),
                                 error);
    error.clear();
  }
  if (ok) {
    std::filesystem::rename(temporary, path, error);
    ok = !error;
  }
  if (!ok) std::filesystem::remove(temporary, error);
  return ok;
}

}  // namespace vtr::scriptedit
