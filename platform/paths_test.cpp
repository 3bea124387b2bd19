#include "platform/paths.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "platform/environment.h"
#include "platform/testing/other_user.h"

namespace vtr::platform {
namespace {

TEST(PathsTest, ExtensionLooksOnlyAtTheFileName) {
  struct Case {
    const char* path;
    const char* extension;
  } cases[] = {
      {"song.kvx", ".kvx"}, {"a.b/song.kvx", ".kvx"}, {"a.b/song", ""},
      {"a.b\\song", ""},    {"song.", "."},           {".profile", ""},
      {"dir/.hidden", ""},  {"x.tar.gz", ".gz"},      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Extension(c.path), c.extension) << c.path;
}

TEST(PathsTest, ReplaceExtensionReplacesOrAppends) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"song.t", "song.kvx"},     {"song", "song.kvx"},     {"a.b/c", "a.b/c.kvx"},
      {"a.b/c.qrl", "a.b/c.kvx"}, {"song.kvx", "song.kvx"}, {".profile", ".profile.kvx"},
      {"x.tar.gz", "x.tar.kvx"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceExtension(c.path, ".kvx"), c.expected) << c.path;
}

TEST(PathsTest, JoinSystemPathAcceptsBackslashes) {
  EXPECT_EQ(JoinSystemPath("/prog", "\\links\\links.html"),
            std::filesystem::path("/prog/links/links.html"));
  EXPECT_EQ(JoinSystemPath("/prog", ".\\Plugin\\Julius"),
            std::filesystem::path("/prog/Plugin/Julius"));
  EXPECT_EQ(JoinSystemPath("/prog", ""), std::filesystem::path("/prog"));
}

TEST(PathsTest, ProgramFolderHoldsTheRunningTest) {
  EXPECT_TRUE(std::filesystem::exists(ProgramFolder() / "vtr_platform_test"));
  EXPECT_EQ(ProgramFile(), ProgramFolder() / "vtr_platform_test");
}

TEST(PathsTest, ModuleFolderOfAPlatformFunctionIsTheProgramFolderOfTheDist) {
  std::filesystem::path folder = ModuleFolder(reinterpret_cast<const void*>(&ProgramFolder));
  EXPECT_EQ(std::filesystem::canonical(folder), std::filesystem::canonical(VTR_DIST_DIR));
}

TEST(PathsTest, TempFolderFollowsTmpdir) {
  const char* saved = std::getenv("TMPDIR");
  std::string keep = saved ? saved : "";
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(TempFolder(), std::filesystem::path("/var/tmp"));
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(TempFolder(), std::filesystem::path("/tmp"));
  if (saved)
    setenv("TMPDIR", keep.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

// A TMPDIR that cannot take a file is passed over for /tmp, so that nothing that needs a
// temporary file fails for it.
TEST(PathsTest, TempFolderFallsBackToTmpWhenTmpdirCannotBeUsed) {
  namespace fs = std::filesystem;
  testing::ReachableFolder root;
  ASSERT_FALSE(root.path().empty());
  const fs::path writable = root.Make("writable", 0755);
  const fs::path read_only = root.Make("read-only", 0555);
  const fs::path private_to_us = root.Make("private", 0700);
  std::ofstream(root.path() / "file") << "not a folder";
  struct Case {
    const char* what;
    std::optional<std::string> tmpdir;
    fs::path expected;
  };
  const Case cases[] = {
      {"unset", std::nullopt, "/tmp"},
      {"empty", "", "/tmp"},
      {"a folder we may write in", writable.string(), writable},
      {"a folder that does not exist", (root.path() / "missing").string(), "/tmp"},
      {"a file", (root.path() / "file").string(), "/tmp"},
  };
  ScopedEnvironmentVariable tmpdir("TMPDIR", std::nullopt);
  for (const Case& c : cases) {
    tmpdir.Set(c.tmpdir);
    EXPECT_EQ(TempFolder(), c.expected) << c.what;
  }
  // A folder this user may not write in: root may write anywhere, so it is played by the
  // other user facing a folder of ours.
  if (testing::CanPlayOtherUser()) {
    tmpdir.Set(private_to_us.string());
    EXPECT_EQ(TempFolder(), private_to_us);
    EXPECT_TRUE(testing::AsOtherUser([] { return TempFolder() == "/tmp"; }));
    tmpdir.Set(writable.string());
    EXPECT_TRUE(testing::AsOtherUser([&] { return TempFolder() == "/tmp"; }))
        << "open to look into, not to write in";
  } else {
    tmpdir.Set(read_only.string());
    EXPECT_EQ(TempFolder(), "/tmp") << "a read-only folder";
  }
}

// The private folder is the single-instance lock's folder; its choice is tested with the lock.
// Here: it is the trusted runtime folder, else our own folder, never one another user made.
TEST(PathsTest, PrivateFolderIsOursAlone) {
  namespace fs = std::filesystem;
  testing::ReachableFolder root;
  ASSERT_FALSE(root.path().empty());
  const fs::path tmp = root.Make("tmp", 01777);
  const fs::path own = tmp / ("voxtrel-" + std::to_string(getuid()));
  ScopedEnvironmentVariable tmpdir("TMPDIR", tmp.string());
  ScopedEnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);

  EXPECT_EQ(PrivateFolder(), own);
  EXPECT_EQ(fs::status(own).permissions(), fs::perms::owner_all);
  const fs::path trusted = root.Make("runtime", 0700);
  runtime.Set(trusted.string());
  EXPECT_EQ(PrivateFolder(), trusted);
  const fs::path open_runtime = root.Make("open-runtime", 0777);
  runtime.Set(open_runtime.string());
  EXPECT_EQ(PrivateFolder(), own) << "a runtime folder others may write in";
}

// Another user who made our folder's name first, as a folder or as a link to one of theirs,
// gets none of our files: the private folder is then one made for this process alone, closed
// to them, and what they made is left as it was.
TEST(PathsTest, PrivateFolderIsNeverOneAnotherUserMade) {
  VTR_SKIP_UNLESS_ROOT();
  namespace fs = std::filesystem;
  testing::ReachableFolder root;
  ASSERT_FALSE(root.path().empty());
  const fs::path tmp = root.Make("tmp", 01777);
  const fs::path own = tmp / ("voxtrel-" + std::to_string(getuid()));
  const fs::path theirs = root.Make("theirs", 0777, true);
  ScopedEnvironmentVariable tmpdir("TMPDIR", tmp.string());
  ScopedEnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  struct Case {
    const char* what;
    bool (*plant)(const fs::path& own, const fs::path& theirs);  // run as the other user
  };
  const Case cases[] = {
      {"their folder under our name",
       [](const fs::path& own, const fs::path&) { return ::mkdir(own.c_str(), 0777) == 0; }},
      {"a link to their folder under our name",
       [](const fs::path& own, const fs::path& theirs) {
         return ::symlink(theirs.c_str(), own.c_str()) == 0;
       }},
  };
  fs::path first;  // the folder made for this process by the first case
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(own);
    ASSERT_TRUE(testing::AsOtherUser([&] { return c.plant(own, theirs); }));
    const fs::path folder = PrivateFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.parent_path(), tmp);
    EXPECT_EQ(folder.filename().string().rfind(own.filename().string() + "-", 0), 0u) << folder;
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode)) << "a folder, not a link";
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(PrivateFolder(), folder) << "made once, then kept";
    if (first.empty()) first = folder;
    EXPECT_EQ(folder, first) << "one folder for the whole process";
    EXPECT_FALSE(testing::AsOtherUser([&] {
      return ::open((folder / "theirs").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666) >= 0;
    })) << "they can put a file in it";
    EXPECT_TRUE(fs::is_empty(theirs));
    EXPECT_TRUE(fs::is_empty(own)) << "their folder or link is left as it was";
    struct stat planted {};
    ASSERT_EQ(::lstat(own.c_str(), &planted), 0);
    EXPECT_EQ(planted.st_uid, testing::kOtherUserId);
  }
}

// A user whose own private folder cannot be had (something not a folder under its name) and
// who has no runtime folder: each process gets a folder made for it alone.
class ProcessFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(root_.path().empty());
    tmp_ = root_.Make("tmp", 01777);
    tmpdir_.emplace("TMPDIR", tmp_.string());
    runtime_.emplace("XDG_RUNTIME_DIR", std::nullopt);
    std::ofstream(tmp_ / ("voxtrel-" + std::to_string(getuid()))) << "not a folder";
    ours_ = PrivateFolder();
    ASSERT_FALSE(ours_.empty());
  }

  // Forks a process that takes its private folder, lets `fill` put things in it and reports
  // it; then the process ends normally (`killed` false) or waits to be killed. The folder's path
  // lands in `path`.
  pid_t StartMaker(const std::function<void(const std::filesystem::path&)>& fill, bool killed,
                   std::string& path) {
    int report[2];
    if (::pipe(report) != 0) return -1;
    std::fflush(nullptr);  // nothing buffered is written twice
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(report[0]);
      const std::filesystem::path folder = PrivateFolder();
      fill(folder);
      const std::string line = folder.string() + "\n";
      const bool told =
          ::write(report[1], line.data(), line.size()) == static_cast<ssize_t>(line.size());
      if (killed) ::pause();
      std::exit(told ? 0 : 1);  // a normal end: what is kept for the end of the process runs
    }
    ::close(report[1]);
    char c;
    while (child > 0 && ::read(report[0], &c, 1) == 1 && c != '\n') path += c;
    ::close(report[0]);
    return child;
  }

  testing::ReachableFolder root_;
  std::filesystem::path tmp_;  // like /tmp
  std::optional<ScopedEnvironmentVariable> tmpdir_, runtime_;
  std::filesystem::path ours_;
};

// The folder made for a process goes with what it holds when the process ends normally; links
// in it are removed, not followed, and a folder made by the process it was forked from stays.
TEST_F(ProcessFolderTest, AFolderMadeForAProcessGoesWhenItEnds) {
  namespace fs = std::filesystem;
  const fs::path outside = root_.Make("outside", 0755);
  std::ofstream(outside / "keep.txt") << "the user's";
  std::string path;
  const pid_t child = StartMaker(
      [&outside](const fs::path& folder) {
        std::ofstream(folder / "_&&&_Input_&&&_TempData.wav") << std::string(1000, 'w');
        fs::create_directory(folder / "deeper");
        std::ofstream(folder / "deeper" / "file") << "x";
        fs::create_directory_symlink(outside, folder / "link-to-folder");
        fs::create_symlink(outside / "keep.txt", folder / "link-to-file");
      },
      false, path);
  ASSERT_GT(child, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_FALSE(path.empty());
  EXPECT_NE(fs::path(path), ours_) << "a forked process makes a folder of its own";
  EXPECT_FALSE(fs::exists(fs::symlink_status(path))) << path;
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(ours_))) << "the maker's folder stays";
  EXPECT_EQ(PrivateFolder(), ours_);
  std::ifstream keep(outside / "keep.txt");
  std::string text;
  std::getline(keep, text);
  EXPECT_EQ(text, "the user's");
}

// A killed process cannot remove its folder itself: the folder goes all the same, and the
// folder of the process it was forked from stays.
TEST_F(ProcessFolderTest, AFolderMadeForAProcessGoesWhenItIsKilled) {
  namespace fs = std::filesystem;
  std::string path;
  const pid_t child = StartMaker(
      [](const fs::path& folder) {
        std::ofstream(folder / "_&&&_Input_&&&_TempData.wav") << std::string(1000, 'w');
      },
      true, path);
  ASSERT_GT(child, 0);
  ::kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_FALSE(path.empty());
  EXPECT_NE(fs::path(path), ours_);
  bool gone = false;
  for (int tries = 0; tries < 500 && !gone; ++tries) {
    gone = !fs::exists(fs::symlink_status(path));
    if (!gone) ::usleep(10000);
  }
  EXPECT_TRUE(gone) << path;
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(ours_))) << "the maker's folder stays";
  EXPECT_EQ(PrivateFolder(), ours_);
}

}  // namespace
}  // namespace vtr::platform
