#include "platform/export_guard.h"

#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/testing/failing_allocation.h"

namespace vtr::platform {
namespace {

TEST(ExportGuardTest, WhateverIsThrownBecomesTheFailureResult) {
  struct Case {
    const char* name;
    std::function<int()> body;
    int result;
  };
  const Case cases[] = {
      {"a result passes through", [] { return 42; }, 42},
      {"a negative result passes through", [] { return -3; }, -3},
      {"a failed allocation", []() -> int { throw std::bad_alloc(); }, -1},
      {"a string grown past its limit",
       [] {
         return static_cast<int>(std::string().append(std::string().max_size() + 1, 'x').size());
       },
       -1},
      {"a standard exception", []() -> int { throw std::runtime_error("fault"); }, -1},
      {"an integer, as a failing step throws it", []() -> int { throw 7; }, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int result = 0;
    EXPECT_NO_THROW(result = GuardExport(-1, c.body));
    EXPECT_EQ(result, c.result);
  }
}

TEST(ExportGuardTest, MemoryRunningOutInsideIsTheFailureResult) {
  int result = 0;
  {
    testing::ScopedFailingAllocation failing;
    EXPECT_NO_THROW(
        result = GuardExport(-5, [] { return static_cast<int>(std::vector<char>(4096).size()); }));
  }
  EXPECT_EQ(result, -5);
  EXPECT_EQ(GuardExport(-5, [] { return static_cast<int>(std::vector<char>(4096).size()); }), 4096);
}

TEST(ExportGuardTest, PointersAndNothingAtAll) {
  static int object = 0;
  EXPECT_EQ(GuardExport(static_cast<void*>(nullptr), [] { return static_cast<void*>(&object); }),
            &object);
  EXPECT_EQ(GuardExport(static_cast<void*>(nullptr), []() -> void* { throw std::bad_alloc(); }),
            nullptr);
  EXPECT_STREQ(GuardExport("", []() -> const char* { throw std::bad_alloc(); }), "");
  bool ran = false;
  EXPECT_NO_THROW(GuardExport([&] {
    ran = true;
    throw std::bad_alloc();
  }));
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace vtr::platform
