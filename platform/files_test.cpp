#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace vtr::platform {
namespace {

namespace fs = std::filesystem;

// A scratch folder of the test's own, removed afterwards.
class FilesTest : public ::testing::Test {
 protected:
  FilesTest()
      : folder_(fs::temp_directory_path() /
                ("vtr_files_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
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
