#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace vtr::platform {
namespace {

// A child process that takes the lock, tells the parent, and then waits to be ended.
class LockHolder {
 public:
  explicit LockHolder(const std::string& name) {
    int ready[2];
    int release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      SingleInstance instance(name);
      char state = instance.first() ? '1' : '0';
      ssize_t ignored = write(ready[1], &state, 1);
      char any;
      ignored = read(release[0], &any, 1);  // returns when the parent closes its end
      (void)ignored;
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_fd_ = release[1];
    char state = 0;
    if (read(ready[0], &state, 1) == 1) held_ = state == '1';
    close(ready[0]);
  }
  bool held() const { return held_; }
  void Exit() {
    close(release_fd_);
    Reap();
  }
  void Kill() {
    kill(pid_, SIGKILL);
    close(release_fd_);
    Reap();
  }

 private:
  void Reap() {
    int status;
    waitpid(pid_, &status, 0);
  }
  pid_t pid_ = -1;
  int release_fd_ = -1;
  bool held_ = false;
};

std::string UniqueName(const char* what) {
  return std::string("VoxtrelTest-") + what + "-" + std::to_string(getpid());
}

TEST(SingleInstanceTest, ASecondHolderIsRefusedUntilTheFirstExits) {
  std::string name = UniqueName("exit");
  LockHolder first(name);
  ASSERT_TRUE(first.held());
  {
    SingleInstance second(name);
    EXPECT_FALSE(second.first());
  }
  first.Exit();
  SingleInstance third(name);
  EXPECT_TRUE(third.first());
}

TEST(SingleInstanceTest, AKilledHolderDoesNotBlockTheNextStart) {
  std::string name = UniqueName("kill");
  LockHolder first(name);
  ASSERT_TRUE(first.held());
  first.Kill();
  SingleInstance next(name);
  EXPECT_TRUE(next.first());
}

TEST(SingleInstanceTest, DifferentNamesDoNotMeet) {
  SingleInstance a(UniqueName("a"));
  SingleInstance b(UniqueName("b"));
  EXPECT_TRUE(a.first());
  EXPECT_TRUE(b.first());
}

}  // namespace
}  // namespace vtr::platform
