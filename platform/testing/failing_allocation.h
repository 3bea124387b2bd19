// Running out of memory on demand, for tests of what a library does when an allocation fails.
//
// Linking failing_allocation.cpp into a test program replaces the global operator new and
// delete of the program and of every library it loads (they allocate through malloc and free,
// as the standard ones do). While a ScopedFailingAllocation lives, every operator new on its
// thread throws std::bad_alloc; other threads allocate as usual.
//
//   #include <gtest/gtest.h>
//   // given: int (*set_wav)(const char*, int); std::string path; int length
//   EXPECT_EQ(CallWithoutMemory([&] { return set_wav(path.c_str(), length); }), -5);
#ifndef VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_
#define VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

namespace vtr::platform::testing {

class ScopedFailingAllocation {
 public:
  ScopedFailingAllocation();
  ~ScopedFailingAllocation();
  ScopedFailingAllocation(const ScopedFailingAllocation&) = delete;
  ScopedFailingAllocation& operator=(const ScopedFailingAllocation&) = delete;

  // Allocations refused on this thread since the object was made.
  static int refused();
};

// Runs `call` while every allocation on this thread fails and returns what it returned. An
// exception that leaves `call` fails the test, and the result is then a value-initialised one.
template <typename F>
std::invoke_result_t<F> CallWithoutMemory(F&& call) {
  std::invoke_result_t<F> result{};
  ScopedFailingAllocation failing;
  EXPECT_NO_THROW(result = std::forward<F>(call)());
  return result;
}

}  // namespace vtr::platform::testing

#endif  // VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_
