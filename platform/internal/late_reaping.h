// Reaping helper processes that were told to end, without waiting for them.
//
// A helper forked from a large process takes a while to go once it is killed: the kernel takes
// down its copy of the process's memory. Where nothing is left for it to do (it was killed, or
// has reported everything and only exits), the caller need not wait: it hands the helper's id
// over here, and the helper is reaped once it has gone, at a later call here or with the
// process. Until then it is a zombie: it holds its id and no other resource.
//
//   #include <signal.h>
//   // given: int helper
//   kill(helper, SIGKILL);                         // a child with nothing left to do
//   platform::internal::ReapLater(helper);
#ifndef VTR_PLATFORM_INTERNAL_LATE_REAPING_H_
#define VTR_PLATFORM_INTERNAL_LATE_REAPING_H_

namespace vtr::platform::internal {

// Takes over the reaping of the child `pid`, which must be ending by itself or killed; also
// reaps every child handed over before that has gone by now. Safe from any thread.
void ReapLater(int pid);

// Reaps every child handed over that has gone by now.
void ReapGone();

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_INTERNAL_LATE_REAPING_H_
