#include "platform/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
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
// gets no private folder of ours.
TEST(PathsTest, PrivateFolderIsNeverOneAnotherUserMade) {
  VTR_SKIP_UNLESS_ROOT();
  namespace fs = std::filesystem;
  testing::ReachableFolder root;
  ASSERT_FALSE(root.path().empty());
  const fs::path tmp = root.Make("tmp", 01777);
  const fs::path own = tmp / ("voxtrel-" + std::to_string(getuid()));
  ScopedEnvironmentVariable tmpdir("TMPDIR", tmp.string());
  ScopedEnvironmentVariable runtime("XDG_RUNTIME_DIR", std::nullopt);
  fs::remove_all(own);
  ASSERT_TRUE(testing::AsOtherUser([&] { return ::mkdir(own.c_str(), 0777) == 0; }));
  EXPECT_EQ(PrivateFolder(), fs::path());
  fs::remove_all(own);
  const fs::path theirs = root.Make("theirs", 0777, true);
  ASSERT_TRUE(testing::AsOtherUser([&] { return ::symlink(theirs.c_str(), own.c_str()) == 0; }));
  EXPECT_EQ(PrivateFolder(), fs::path());
  EXPECT_TRUE(fs::is_empty(theirs));
}

}  // namespace
}  // namespace vtr::platform
