#include "platform/current_directory.h"

#include <system_error>

namespace vtr::platform {

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::filesystem::path& folder) {
  std::error_code error;
  previous_ = std::filesystem::current_path(error);
  if (error) return;
  std::filesystem::current_path(folder, error);
  ok_ = !error;
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
  if (!ok_) return;
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

}  // namespace vtr::platform
