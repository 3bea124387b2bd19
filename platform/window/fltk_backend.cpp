#include "platform/window/window_system.h"

namespace vtr::platform {

bool UseFltkBackend() { return false; }

}  // namespace vtr::platform
