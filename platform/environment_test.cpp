#include "platform/environment.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vtr::platform {
namespace {

std::optional<std::string> Get(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

// Whatever stood before, and whatever the scope set in between, the end puts the first back.
TEST(ScopedEnvironmentVariableTest, PutsBackWhatStoodBefore) {
  constexpr const char* kName = "VTR_ENVIRONMENT_TEST";
  struct Case {
    std::optional<std::string> before, set, set_again;
  };
  const Case cases[] = {
      {std::nullopt, "a", std::nullopt},
      {"old", "new", "newer"},
      {"old", std::nullopt, "x"},
  };
  for (const Case& c : cases) {
    ScopedEnvironmentVariable outer(kName, c.before);
    {
      ScopedEnvironmentVariable scoped(kName, c.set);
      EXPECT_EQ(Get(kName), c.set);
      scoped.Set(c.set_again);
      EXPECT_EQ(Get(kName), c.set_again);
    }
    EXPECT_EQ(Get(kName), c.before);
  }
  EXPECT_EQ(Get(kName), std::nullopt);
}

TEST(CurrentProcessIdTest, IsPositiveAndStable) {
  EXPECT_GT(CurrentProcessId(), 0);
  EXPECT_EQ(CurrentProcessId(), CurrentProcessId());
}

}  // namespace
}  // namespace vtr::platform
