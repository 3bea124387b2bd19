// Test helper: a second user of the machine, for tests of what another user can do to ours
// through folders both can reach (a shared /tmp, a world-writable folder).
//
// The other user's part runs in a forked child that drops every group and switches to a uid
// and gid no account and no process uses, so it can do only what any stranger could. Switching
// needs root, as the tests run in CI; elsewhere such a test is skipped and says why:
//
//   // given: namespace fs = std::filesystem; fs::path victim
//   VTR_SKIP_UNLESS_ROOT();
//   ReachableFolder shared;                                  // others may look in
//   const fs::path tmp = shared.Make("tmp", 01777);          // like /tmp
//   ASSERT_TRUE(AsOtherUser([&] { return ::symlink(victim.c_str(), (tmp / "x").c_str()) == 0; }));
//   ... the user's save of tmp / "x" must leave `victim` alone ...
#ifndef VTR_PLATFORM_TESTING_OTHER_USER_H_
#define VTR_PLATFORM_TESTING_OTHER_USER_H_

#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace vtr::platform::testing {

// The other user: ids far above those of any account.
inline constexpr uid_t kOtherUserId = 3917453;
inline constexpr gid_t kOtherGroupId = 3917453;

// True where the test may switch users.
inline bool CanPlayOtherUser() { return ::geteuid() == 0; }

#define VTR_SKIP_UNLESS_ROOT()                                                            \
  do {                                                                                    \
    if (!::vtr::platform::testing::CanPlayOtherUser()) {                                  \
      GTEST_SKIP() << "playing a second user needs root to switch ids (CI runs as root)"; \
    }                                                                                     \
  } while (false)

// Runs `part` as the other user, in a child of its own, and returns what it returned; false
// too when the switch failed. `part` should stick to plain file calls: it runs in a forked
// copy of a test that may hold threads.
template <typename Part>
bool AsOtherUser(Part&& part) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 ||
        ::setresgid(kOtherGroupId, kOtherGroupId, kOtherGroupId) != 0 ||
        ::setresuid(kOtherUserId, kOtherUserId, kOtherUserId) != 0) {
      ::_exit(2);
    }
    ::_exit(part() ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder under /tmp that every user may look into (0755), removed with all it holds; the
// folders a test shares with the other user go inside it.
class ReachableFolder {
 public:
  ReachableFolder() {
    std::string pattern = "/tmp/vtr-shared-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
      ::chmod(path_.c_str(), 0755);
    }
  }
  ~ReachableFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ReachableFolder(const ReachableFolder&) = delete;
  ReachableFolder& operator=(const ReachableFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Makes the folder `name` inside with exactly `mode` (01777: like /tmp), owned by the other
  // user when `theirs`; returns its path.
  std::filesystem::path Make(const std::string& name, mode_t mode, bool theirs = false) const {
    std::filesystem::path folder = path_ / name;
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    ::chmod(folder.c_str(), mode);
    if (theirs) (void)::chown(folder.c_str(), kOtherUserId, kOtherGroupId);
    return folder;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace vtr::platform::testing

#endif  // VTR_PLATFORM_TESTING_OTHER_USER_H_
