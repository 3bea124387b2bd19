#include <stdlib.h>

#include <string>
#include <system_error>

#include "platform/internal/guardian.h"
#include "platform/paths.h"
#include "platform/scratch_folder.h"

namespace vtr::platform {

ScratchFolder::ScratchFolder(std::string_view prefix, bool guarded) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::absolute(TempFolder(), error);
  if (error) return;
  std::string pattern = (base / (std::string(prefix) + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) return;  // made with mode 0700
  path_ = pattern;
  if (!guarded) return;
  internal::Guardian::Will will;
  will.folder = path_;
  guardian_ = std::make_unique<internal::Guardian>(will);
}

ScratchFolder::~ScratchFolder() {
  if (path_.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
  guardian_.reset();
}

}  // namespace vtr::platform
