#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "platform/files.h"
#include "platform/module.h"

namespace vtr::platform {
namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

std::string MapSystemName(std::string_view system_name) {
  std::string name(system_name);
  std::replace(name.begin(), name.end(), '\\', '/');
  while (name.size() > 2 && name[0] == '.' && name[1] == '/') name.erase(0, 2);
  if (EndsWithNoCase(name, ".dll")) {
    name.resize(name.size() - 4);
    name += kLibrarySuffix;
  } else if (EndsWithNoCase(name, ".exe")) {
    name.resize(name.size() - 4);
  }
  return name;
}

Module::~Module() { Free(); }

Module::Module(Module&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      path_(std::move(other.path_)),
      error_(std::move(other.error_)) {}

Module& Module::operator=(Module&& other) noexcept {
  if (this != &other) {
    Free();
    handle_ = std::exchange(other.handle_, nullptr);
    path_ = std::move(other.path_);
    error_ = std::move(other.error_);
  }
  return *this;
}

bool Module::Load(std::string_view system_name, const std::filesystem::path& base_folder) {
  std::filesystem::path file(MapSystemName(system_name));
  if (file.is_relative()) file = base_folder / file;
  return LoadFile(file);
}

bool Module::LoadFile(const std::filesystem::path& file) {
  Free();
  error_.clear();
  path_ = file;
  // A FIFO or a device named like a library is never opened: loading would wait or never end.
  if (file.has_parent_path() && !IsRegularFile(file)) {
    error_ = "cannot load " + file.string() + ": not a regular file";
    return false;
  }
  dlerror();
  // RTLD_LOCAL keeps each library's symbols to itself, so two libraries that carry the same
  // internal code never share its state.
  handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* reason = dlerror();
    error_ = "cannot load " + file.string() + ": " + (reason ? reason : "unknown error");
    return false;
  }
  return true;
}

void Module::Free() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

void* Module::FindSymbol(const char* name) const {
  if (handle_ == nullptr) {
    error_ = std::string("no library loaded to find ") + name;
    return nullptr;
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (address == nullptr) {
    const char* reason = dlerror();
    error_ =
        path_.string() + " has no entry point " + name + (reason ? std::string(": ") + reason : "");
    return nullptr;
  }
  error_.clear();
  return address;
}

}  // namespace vtr::platform
