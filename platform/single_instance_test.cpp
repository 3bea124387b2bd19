#include "platform/single_instance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/paths.h"

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

namespace fs = std::filesystem;

// Another holder of a lock file: an open file with an exclusive lock on it, as another user's
// running instance would have.
class ForeignLock {
 public:
  explicit ForeignLock(const fs::path& file) {
    fd_ = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    held_ = fd_ >= 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0;
  }
  ~ForeignLock() {
    if (fd_ >= 0) close(fd_);
  }
  bool held() const { return held_; }

 private:
  int fd_ = -1;
  bool held_ = false;
};

// Lock folders under a temporary folder of the test's own, with no runtime folder set.
class LockFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("vtr-lock-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "tmp");
    fs::create_directories(root_ / "elsewhere");
    tmpdir_.Set((root_ / "tmp").string());
    runtime_.Set(std::nullopt);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path OwnFolder() const { return root_ / "tmp" / ("voxtrel-" + std::to_string(getuid())); }
  static fs::perms Permissions(const fs::path& path) {
    return fs::symlink_status(path).permissions() & fs::perms::all;
  }

  fs::path root_;
  ScopedEnvironmentVariable tmpdir_{"TMPDIR", std::nullopt};
  ScopedEnvironmentVariable runtime_{"XDG_RUNTIME_DIR", std::nullopt};
};

TEST_F(LockFolderTest, OurOwnFolderIsMadePrivateAndUsed) {
  struct Case {
    const char* name;
    std::function<void(const fs::path& own)> prepare;
  };
  // clang-format off
  const Case cases[] = {
      {"missing folder is made", [](const fs::path&) {}},
      {"folder open to everybody is narrowed",
       [](const fs::path& own) {
         fs::create_directory(own);
         fs::permissions(own, fs::perms::all);
       }},
      {"folder of an earlier run is reused", [](const fs::path& own) { fs::create_directory(own); }},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(OwnFolder());
    c.prepare(OwnFolder());
    SingleInstance instance(UniqueName("own"));
    EXPECT_TRUE(instance.first());
    EXPECT_EQ(instance.lock_file().parent_path(), OwnFolder());
    EXPECT_TRUE(fs::is_regular_file(instance.lock_file()));
    EXPECT_EQ(Permissions(OwnFolder()), fs::perms::owner_all);
    SingleInstance second(UniqueName("own"));
    EXPECT_FALSE(second.first());
  }
}

// A lock folder that someone else could control is never used, even while a lock in it is
// held: the program starts rather than waiting on another user's lock for ever. Nor does the
// lock move to the folder the private folder then falls back to, made for one process alone:
// no other instance would find it there.
TEST_F(LockFolderTest, AFolderWeCannotTrustIsNotUsed) {
  struct Case {
    const char* name;
    // Puts something in place of our folder; returns a lock file "the other user" holds.
    std::function<fs::path(const fs::path& own, const fs::path& elsewhere)> prepare;
  };
  const std::string name = UniqueName("untrusted");
  const Case cases[] = {
      {"symbolic link to another folder",
       [&](const fs::path& own, const fs::path& elsewhere) {
         fs::create_directory_symlink(elsewhere, own);
         return elsewhere / (name + ".lock");
       }},
      {"symbolic link to nowhere",
       [&](const fs::path& own, const fs::path& elsewhere) {
         fs::create_directory_symlink(elsewhere / "absent", own);
         return fs::path();
       }},
      {"a plain file",
       [&](const fs::path& own, const fs::path&) {
         std::ofstream(own) << "not a folder";
         return fs::path();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(OwnFolder());
    fs::remove_all(root_ / "elsewhere");
    fs::create_directories(root_ / "elsewhere");
    const fs::path held = c.prepare(OwnFolder(), root_ / "elsewhere");
    std::optional<ForeignLock> other;
    if (!held.empty()) {
      other.emplace(held);
      ASSERT_TRUE(other->held());
    }
    const fs::path process_folder = PrivateFolder();
    ASSERT_FALSE(process_folder.empty());
    ASSERT_NE(process_folder, OwnFolder());
    SingleInstance instance(name);
    EXPECT_TRUE(instance.first());
    EXPECT_TRUE(instance.lock_file().empty()) << instance.lock_file();
    EXPECT_FALSE(fs::exists(root_ / "elsewhere" / "absent"));
    EXPECT_TRUE(fs::is_empty(process_folder)) << "a lock in the folder of one process";
  }
}

TEST_F(LockFolderTest, AnotherUsersFolderIsNotUsed) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a folder to another user needs root";
  const uid_t other_user = 65534;  // nobody
  fs::create_directory(OwnFolder());
  ASSERT_EQ(chown(OwnFolder().c_str(), other_user, other_user), 0);
  const std::string name = UniqueName("foreign");
  ForeignLock other(OwnFolder() / (name + ".lock"));
  ASSERT_TRUE(other.held());
  const fs::path process_folder = PrivateFolder();
  ASSERT_FALSE(process_folder.empty());
  SingleInstance instance(name);
  EXPECT_TRUE(instance.first());
  EXPECT_TRUE(instance.lock_file().empty()) << instance.lock_file();
  EXPECT_TRUE(fs::is_empty(process_folder)) << "a lock in the folder of one process";
}

TEST_F(LockFolderTest, AnUntrustedRuntimeFolderFallsBackToOurOwn) {
  fs::create_directory_symlink(root_ / "elsewhere", root_ / "runtime");
  runtime_.Set((root_ / "runtime").string());
  SingleInstance instance(UniqueName("runtime"));
  EXPECT_TRUE(instance.first());
  EXPECT_EQ(instance.lock_file().parent_path(), OwnFolder());
  EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
}

TEST_F(LockFolderTest, ATrustedRuntimeFolderHoldsTheLock) {
  fs::create_directory(root_ / "runtime");
  fs::permissions(root_ / "runtime", fs::perms::owner_all);
  runtime_.Set((root_ / "runtime").string());
  SingleInstance instance(UniqueName("runtime"));
  EXPECT_TRUE(instance.first());
  EXPECT_EQ(instance.lock_file().parent_path(), root_ / "runtime");
  EXPECT_FALSE(fs::exists(OwnFolder()));
}

}  // namespace
}  // namespace vtr::platform
