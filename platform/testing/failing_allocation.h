// Running out of memory on demand, for tests of what a library does when an allocation fails.
//
// Linking failing_allocation.cpp into a test program replaces the global operator new and
// delete of the program and of every library it loads (they allocate through malloc and free,
// as the standard ones do). While a ScopedFailingAllocation lives, every operator new on its
// thread throws std::bad_alloc; other threads allocate as usual.
//
//   int result = 0;
//   {
//     vtr::platform::testing::ScopedFailingAllocation failing;
//     EXPECT_NO_THROW(result = set_wav(path.c_str(), length));
//   }
//   EXPECT_EQ(result, -5);
#ifndef VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_
#define VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_

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

}  // namespace vtr::platform::testing

#endif  // VTR_PLATFORM_TESTING_FAILING_ALLOCATION_H_
