#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/testing/other_user.h"

namespace vtr::platform {
namespace {

namespace fs = std::filesystem;

// A scratch folder of the test's own, removed afterwards.
class FilesTest : public ::testing::Test {
 protected:
  FilesTest()
      : folder_(fs::temp_directory_path() /
                ("vtr_files_" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~FilesTest() override { fs::remove_all(folder_); }

  fs::path Write(const std::string& name, const std::string& bytes = "bytes") {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
    return folder_ / name;
  }

  fs::path folder_;
};

TEST_F(FilesTest, OnlyRegularFilesMayBeReadAndNothingIsOpenedToTellWhich) {
  Write("song.kvx");
  fs::create_directories(folder_ / "folder.kvx");
  ASSERT_EQ(::mkfifo((folder_ / "fifo.kvx").c_str(), 0600), 0);
  fs::create_symlink("song.kvx", folder_ / "link.kvx");
  fs::create_symlink("fifo.kvx", folder_ / "link_to_fifo.kvx");
  fs::create_symlink("missing.kvx", folder_ / "dangling.kvx");
  struct Case {
    fs::path path;
    bool regular;
  };
  const Case cases[] = {
      {folder_ / "song.kvx", true},
      {folder_ / "link.kvx", true},
      {folder_ / "folder.kvx", false},
      {folder_ / "fifo.kvx", false},  // opening it would wait for a writer
      {folder_ / "link_to_fifo.kvx", false},
      {folder_ / "dangling.kvx", false},
      {folder_ / "missing.kvx", false},
      {"/dev/null", false},  // a device
      {"/dev/zero", false},  // a device that never ends
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRegularFile(c.path), c.regular) << c.path;
}

TEST_F(FilesTest, ResolveLinksFollowsTheLastNameToTheFileItLeadsTo) {
  fs::create_directories(folder_ / "a");
  fs::create_directories(folder_ / "b");
  Write("b/target.kvx");
  fs::create_symlink("../b/target.kvx", folder_ / "a/relative.kvx");
  fs::create_symlink(folder_ / "b/target.kvx", folder_ / "a/absolute.kvx");
  fs::create_symlink("relative.kvx", folder_ / "a/chain.kvx");
  fs::create_symlink("new.kvx", folder_ / "a/dangling.kvx");
  fs::create_symlink("loop2.kvx", folder_ / "a/loop1.kvx");
  fs::create_symlink("loop1.kvx", folder_ / "a/loop2.kvx");
  // A link to a folder in the middle of the path stays as it is: only the last name is followed.
  fs::create_symlink(folder_ / "b", folder_ / "to_b");
  struct Case {
    fs::path path;
    std::optional<fs::path> target;
  };
  const Case cases[] = {
      {folder_ / "b/target.kvx", folder_ / "b/target.kvx"},
      {folder_ / "a/missing.kvx", folder_ / "a/missing.kvx"},
      {folder_ / "a/relative.kvx", folder_ / "a/../b/target.kvx"},
      {folder_ / "a/absolute.kvx", folder_ / "b/target.kvx"},
      {folder_ / "a/chain.kvx", folder_ / "a/../b/target.kvx"},
      {folder_ / "a/dangling.kvx", folder_ / "a/new.kvx"},
      {folder_ / "a/loop1.kvx", std::nullopt},
      {folder_ / "to_b/target.kvx", folder_ / "to_b/target.kvx"},
  };
  for (const Case& c : cases) EXPECT_EQ(ResolveLinks(c.path), c.target) << c.path;
}

// A link in a shared folder is followed only where the kernel guarding such folders follows it
// itself: another user's link in a sticky world-writable folder must not lead our write to
// one of our files.
TEST(ResolveLinksTest, FollowsALinkInASharedFolderOnlyWhereTheKernelWould) {
  VTR_SKIP_UNLESS_ROOT();
  testing::ReachableFolder root;
  ASSERT_FALSE(root.path().empty());
  const fs::path victim = root.Make("home", 0700) / "precious.kvx";
  std::ofstream(victim) << "the user's";
  struct Case {
    const char* what;
    mode_t folder_mode;
    bool folder_theirs;
    bool link_theirs;
    bool followed;
  };
  const Case cases[] = {
      {"another user's link in a sticky shared folder of ours (/tmp)", 01777, false, true, false},
      {"our own link there", 01777, false, false, true},
      {"the folder owner's link in their sticky shared folder", 01777, true, true, true},
      {"our own link in another user's sticky shared folder", 01777, true, false, true},
      {"another user's link in a shared folder without the sticky bit", 0777, false, true, true},
      {"another user's link in a sticky folder only its owner may write in", 01775, true, true,
       true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path shared =
        root.Make("shared" + std::to_string(n++), c.folder_mode, c.folder_theirs);
    const fs::path link = shared / "song.kvx";
    if (c.link_theirs) {
      // Their own folder takes their link whatever its mode; ours only when open to them.
      ASSERT_TRUE(
          testing::AsOtherUser([&] { return ::symlink(victim.c_str(), link.c_str()) == 0; }));
    } else {
      fs::create_symlink(victim, link);
    }
    EXPECT_EQ(ResolveLinks(link), c.followed ? std::optional<fs::path>(victim) : std::nullopt);
  }
  // A chain is followed link by link: our link to another user's planted one stops there.
  const fs::path tmp = root.Make("tmp", 01777);
  ASSERT_TRUE(testing::AsOtherUser(
      [&] { return ::symlink(victim.c_str(), (tmp / "planted.kvx").c_str()) == 0; }));
  fs::create_symlink(tmp / "planted.kvx", root.path() / "home" / "mine.kvx");
  EXPECT_EQ(ResolveLinks(root.path() / "home" / "mine.kvx"), std::nullopt);
}

// A new file has exactly the asked bits from its first moment, whatever the mask, and takes
// no name that exists: a link planted under the name is never followed.
TEST_F(FilesTest, CreateNewFileMakesOnlyNewFilesWithTheGivenMode) {
  const mode_t old_mask = ::umask(077);
  for (unsigned mode : {0600u, 0644u, 0640u, 0400u}) {
    const fs::path path = folder_ / ("new-" + std::to_string(mode));
    std::FILE* file = CreateNewFile(path, mode);
    ASSERT_NE(file, nullptr) << mode;
    EXPECT_EQ(FileMode(path), mode);
    EXPECT_EQ(std::fputs("bytes", file) >= 0 && std::fclose(file) == 0, true);
  }
  ::umask(old_mask);
  Write("taken.kvx", "old");
  fs::create_symlink(folder_ / "elsewhere.kvx", folder_ / "dangling.kvx");
  fs::create_symlink(folder_ / "taken.kvx", folder_ / "link.kvx");
  for (const char* name : {"taken.kvx", "dangling.kvx", "link.kvx"}) {
    EXPECT_EQ(CreateNewFile(folder_ / name, 0600), nullptr) << name;
  }
  EXPECT_FALSE(fs::exists(folder_ / "elsewhere.kvx")) << "the link was followed";
  std::ifstream taken(folder_ / "taken.kvx");
  std::string text;
  std::getline(taken, text);
  EXPECT_EQ(text, "old");
  EXPECT_EQ(CreateNewFile(folder_ / "missing" / "a.kvx", 0600), nullptr);
}

TEST(NewFileModeTest, IsTheDefaultModeLessTheMask) {
  struct Case {
    mode_t mask;
    unsigned mode;
  };
  const Case cases[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}};
  for (const Case& c : cases) {
    const mode_t old_mask = ::umask(c.mask);
    EXPECT_EQ(NewFileMode(), c.mode) << c.mask;
    ::umask(old_mask);
  }
}

// Only a regular file of ours that no writer holds counts as left behind.
TEST_F(FilesTest, RemoveStaleFileRemovesOnlyOurOwnAbandonedFiles) {
  Write("abandoned.tmp");
  Write("target.kvx", "kept");
  fs::create_symlink("target.kvx", folder_ / "link.tmp");
  fs::create_directory(folder_ / "folder.tmp");
  ASSERT_EQ(::mkfifo((folder_ / "fifo.tmp").c_str(), 0600), 0);
  std::FILE* writing = CreateNewFile(folder_ / "writing.tmp", 0600);
  ASSERT_NE(writing, nullptr);
  struct Case {
    const char* name;
    bool removed;
  };
  const Case cases[] = {
      {"abandoned.tmp", true}, {"link.tmp", false},    {"folder.tmp", false},
      {"fifo.tmp", false},     {"writing.tmp", false}, {"missing.tmp", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveStaleFile(folder_ / c.name), c.removed) << c.name;
    EXPECT_EQ(fs::exists(fs::symlink_status(folder_ / c.name)),
              !c.removed && std::string(c.name) != "missing.tmp")
        << c.name;
  }
  EXPECT_TRUE(fs::exists(folder_ / "target.kvx"));
  ASSERT_EQ(std::fclose(writing), 0);
  EXPECT_TRUE(RemoveStaleFile(folder_ / "writing.tmp")) << "abandoned once closed";
}

// Another user's file of the same naming in a shared folder is not ours to remove.
TEST(RemoveStaleFileTest, LeavesAnotherUsersFile) {
  VTR_SKIP_UNLESS_ROOT();
  testing::ReachableFolder root;
  const fs::path shared = root.Make("shared", 0777);
  ASSERT_TRUE(testing::AsOtherUser([&] {
    std::FILE* theirs = std::fopen((shared / "theirs.tmp").c_str(), "wb");
    return theirs != nullptr && std::fclose(theirs) == 0;
  }));
  EXPECT_FALSE(RemoveStaleFile(shared / "theirs.tmp"));
  EXPECT_TRUE(fs::exists(shared / "theirs.tmp")) << "another user's file is not ours to remove";
}

TEST_F(FilesTest, SyncsFilesAndFoldersThatExist) {
  const fs::path file = folder_ / "a.kvx";
  std::FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  ASSERT_GE(std::fputs("bytes", out), 0);
  ASSERT_EQ(std::fflush(out), 0);
  EXPECT_TRUE(SyncFile(out));
  ASSERT_EQ(std::fclose(out), 0);
  EXPECT_FALSE(SyncFile(nullptr));
  EXPECT_TRUE(SyncFolder(folder_));
  EXPECT_FALSE(SyncFolder(folder_ / "missing"));
  EXPECT_FALSE(SyncFolder(file)) << "a file is no folder";
}

}  // namespace
}  // namespace vtr::platform
