// A helper process that carries out a last will for the process that made it, should that
// process die first (killed, crashed): it removes a folder. Dismissing it (destroying the
// Guardian) ends it without acting. (A started program has a guardian of its own, the
// supervisor of platform/process.)
//
//   // given: std::filesystem::path scratch
//   platform::internal::Guardian::Will will;
//   will.folder = scratch;
//   platform::internal::Guardian guardian(will);
//   ...                          // if we die here, `scratch` goes
//   guardian.Dismiss();          // done: nothing left to do for us
//
// The helper notices its maker's death when the last copy of a pipe's writing end closes. It
// is a forked copy of a process that may run threads, so its will is fixed before it starts and
// carried out with calls that neither allocate nor lock.
#ifndef VTR_PLATFORM_INTERNAL_GUARDIAN_H_
#define VTR_PLATFORM_INTERNAL_GUARDIAN_H_

#include <filesystem>

namespace vtr::platform::internal {

class Guardian {
 public:
  struct Will {
    std::filesystem::path folder;  // removed with everything in it; empty: none
  };

  explicit Guardian(const Will& will);
  ~Guardian() { Dismiss(); }
  Guardian(const Guardian&) = delete;
  Guardian& operator=(const Guardian&) = delete;

  // False when the helper could not be started (the will then goes unguarded).
  bool active() const { return pid_ > 0; }
  // Ends the helper without acting. It is reaped later (internal/late_reaping.h): nothing
  // of it runs once this returns, but its memory may take a moment to go.
  void Dismiss();
  // In a process forked from the maker: lets go of this copy without ending the helper, which
  // goes on watching over the maker.
  void LeaveToMaker();

 private:
  int pid_ = -1;
  int lifeline_ = -1;  // the writing end; the helper holds the reading end
};

// Removes `path` and everything below it without following symbolic links, using only calls
// that are safe in a forked child of a threaded process. True when `path` is gone.
bool RemoveTreeWithoutAllocating(const char* path);
// Removes everything in the folder open as `fd`, the same way; the folder itself stays. True
// when it holds nothing any more.
bool EmptyFolderWithoutAllocating(int fd);

// For a forked helper that must act after its maker ends: leaves the maker's process group
// (a terminal's Ctrl+C that ends the maker leaves the helper be) and ignores the signals that
// ask a process to end. Safe in a forked child of a threaded process.
void StandApartFromMaker();
// Gives those signals their default action again, in a program a helper starts.
void RestoreSignalsIgnoredByHelpers();

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_INTERNAL_GUARDIAN_H_
