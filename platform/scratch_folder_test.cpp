#include "platform/scratch_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>

#include "platform/environment.h"
#include "platform/internal/guardian.h"

namespace vtr::platform {
namespace {

namespace fs = std::filesystem;

// A temporary folder of the test's own, made the process's $TMPDIR while the test runs.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("vtr-scratch-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "tmp");
    fs::create_directories(root_ / "outside");
    std::ofstream(root_ / "outside" / "keep.txt") << "the user's";
    tmpdir_.Set((root_ / "tmp").string());
  }
  void TearDown() override { fs::remove_all(root_); }

  // Fills a folder the way a run may leave it: files, a nested folder, and links that point
  // out of it (which must be removed, never followed).
  void Fill(const fs::path& folder) {
    std::ofstream(folder / "tmp.wav") << std::string(100000, 'w');
    fs::create_directories(folder / "deeper" / "deepest");
    std::ofstream(folder / "deeper" / "deepest" / "tmp.txt") << "output";
    for (int i = 0; i < 300; ++i) std::ofstream(folder / ("many-" + std::to_string(i))) << i;
    fs::create_directory_symlink(root_ / "outside", folder / "link-to-folder");
    fs::create_symlink(root_ / "outside" / "keep.txt", folder / "link-to-file");
  }
  bool OutsideIsIntact() const {
    std::ifstream in(root_ / "outside" / "keep.txt");
    std::string text;
    std::getline(in, text);
    return text == "the user's";
  }

  fs::path root_;
  ScopedEnvironmentVariable tmpdir_{"TMPDIR", std::nullopt};
};

TEST_F(ScratchFolderTest, EachRunGetsAPrivateFolderOfItsOwn) {
  ScratchFolder a("voxtrel-test");
  ScratchFolder b("voxtrel-test");
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE(b.ok());
  EXPECT_NE(a.path(), b.path());
  for (const ScratchFolder* scratch : {&a, &b}) {
    EXPECT_EQ(scratch->path().parent_path(), root_ / "tmp");
    EXPECT_EQ(scratch->path().filename().string().rfind("voxtrel-test-", 0), 0u) << scratch->path();
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(scratch->path())));
    EXPECT_EQ(fs::status(scratch->path()).permissions() & fs::perms::all, fs::perms::owner_all);
  }
}

TEST_F(ScratchFolderTest, GoesWithEverythingInItAndNothingBeyond) {
  fs::path path;
  {
    ScratchFolder scratch("voxtrel-test");
    ASSERT_TRUE(scratch.ok());
    path = scratch.path();
    Fill(path);
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
  EXPECT_TRUE(OutsideIsIntact());
}

TEST_F(ScratchFolderTest, AFolderThatCannotBeMadeIsReported) {
  ScratchFolder scratch("absent/voxtrel-test");  // its parent is missing
  EXPECT_FALSE(scratch.ok());
  EXPECT_TRUE(scratch.path().empty());
}

// A TMPDIR that names no folder does not keep a run from working: its folder is made in /tmp,
// as other programs fall back there.
TEST_F(ScratchFolderTest, AMissingTemporaryFolderFallsBackToTmp) {
  tmpdir_.Set((root_ / "absent").string());
  ScratchFolder scratch("voxtrel-test");
  ASSERT_TRUE(scratch.ok());
  EXPECT_EQ(scratch.path().parent_path(), fs::path("/tmp"));
  EXPECT_TRUE(fs::is_directory(scratch.path()));
}

// The process that made the folder is killed before it could remove it: the folder goes all
// the same.
TEST_F(ScratchFolderTest, GoesWhenItsProcessIsKilled) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t maker = fork();
  ASSERT_GE(maker, 0);
  if (maker == 0) {
    close(ready[0]);
    ScratchFolder scratch("voxtrel-test");
    Fill(scratch.path());
    const std::string path = scratch.path().string() + "\n";
    ssize_t ignored = write(ready[1], path.data(), path.size());
    (void)ignored;
    pause();  // until killed
    _exit(0);
  }
  close(ready[1]);
  std::string path;
  char c;
  while (read(ready[0], &c, 1) == 1 && c != '\n') path += c;
  close(ready[0]);
  kill(maker, SIGKILL);
  int status;
  waitpid(maker, &status, 0);
  ASSERT_FALSE(path.empty()) << "the folder was never made";
  bool gone = false;
  for (int tries = 0; tries < 500 && !gone; ++tries) {
    gone = !fs::exists(fs::symlink_status(path));
    if (!gone) usleep(10000);
  }
  EXPECT_TRUE(gone) << path;
  EXPECT_TRUE(OutsideIsIntact());
}

TEST_F(ScratchFolderTest, RemovingWithoutAllocatingHandlesEveryKindOfEntry) {
  struct Case {
    const char* name;
    std::function<fs::path(const fs::path& base)> make;
  };
  const Case cases[] = {
      {"filled folder",
       [&](const fs::path& base) {
         fs::create_directory(base / "filled");
         Fill(base / "filled");
         return base / "filled";
       }},
      {"empty folder",
       [](const fs::path& base) {
         fs::create_directory(base / "empty");
         return base / "empty";
       }},
      {"a link to a folder is removed, not followed",
       [&](const fs::path& base) {
         fs::create_directory_symlink(root_ / "outside", base / "link");
         return base / "link";
       }},
      {"a plain file",
       [](const fs::path& base) {
         std::ofstream(base / "file") << "x";
         return base / "file";
       }},
      {"nothing there", [](const fs::path& base) { return base / "absent"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = c.make(root_ / "tmp");
    EXPECT_TRUE(internal::RemoveTreeWithoutAllocating(path.c_str()));
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_TRUE(OutsideIsIntact());
  }
}

}  // namespace
}  // namespace vtr::platform
