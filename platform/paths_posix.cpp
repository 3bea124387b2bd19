#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "platform/internal/private_folder.h"
#include "platform/paths.h"

namespace vtr::platform {
namespace {

// Index where the file-name part of `path` starts.
size_t NameStart(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Index of the extension's dot, or npos.
size_t ExtensionDot(std::string_view path) {
  size_t start = NameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot <= start) return std::string_view::npos;
  return dot;
}

}  // namespace

std::filesystem::path ProgramFolder() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || exe.empty()) return std::filesystem::current_path(error);
  return exe.parent_path();
}

std::filesystem::path ProgramFile() {
  std::error_code error;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe;
}

std::filesystem::path ModuleFile(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) return {};
  std::error_code error;
  std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
  if (error) return std::filesystem::absolute(info.dli_fname, error);
  return file;
}

std::filesystem::path ModuleFolder(const void* address) {
  return ModuleFile(address).parent_path();
}

std::filesystem::path TempFolder() {
  // A TMPDIR that names no folder, or one we may not write in, is passed over as other
  // programs pass it over: every temporary file would fail there.
  const char* tmp = std::getenv("TMPDIR");
  struct stat info {};
  if (tmp != nullptr && *tmp != '\0' && ::stat(tmp, &info) == 0 && S_ISDIR(info.st_mode) &&
      ::faccessat(AT_FDCWD, tmp, W_OK | X_OK, AT_EACCESS) == 0) {
    return tmp;
  }
  return "/tmp";
}

std::filesystem::path PrivateFolder() {
  // A folder made for this process stays the answer once made, so that a file kept in the
  // private folder (a recording in progress) is found there again, whatever becomes of the
  // shared names meanwhile.
  std::filesystem::path made = internal::ProcessPrivateFolder(false);
  if (!made.empty()) return made;
  const internal::OpenedFolder folder = internal::OpenPrivateFolder();
  if (folder.fd < 0) return internal::ProcessPrivateFolder(true);
  ::close(folder.fd);
  return folder.path;
}

std::string Extension(std::string_view path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  size_t dot = ExtensionDot(path);
  std::string result(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
  result += extension;
  return result;
}

std::filesystem::path JoinSystemPath(const std::filesystem::path& base, std::string_view name) {
  std::string relative(name);
  std::replace(relative.begin(), relative.end(), '\\', '/');
  while (!relative.empty() && relative.front() == '/') relative.erase(0, 1);
  while (relative.size() >= 2 && relative[0] == '.' && relative[1] == '/') relative.erase(0, 2);
  return relative.empty() ? base : base / relative;
}

}  // namespace vtr::platform
