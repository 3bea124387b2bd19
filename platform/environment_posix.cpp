#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "platform/environment.h"

namespace vtr::platform {

int CurrentProcessId() { return static_cast<int>(::getpid()); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name,
                                                     const std::optional<std::string>& value)
    : name_(std::move(name)) {
  if (const char* previous = std::getenv(name_.c_str())) previous_ = previous;
  Set(value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() { Set(previous_); }

void ScopedEnvironmentVariable::Set(const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name_.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

}  // namespace vtr::platform
