#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vtr::platform {
namespace {

TEST(PathsTest, ExtensionLooksOnlyAtTheFileName) {
  struct Case {
    const char* path;
    const char* extension;
  } cases[] = {
      {"song.kvx", ".kvx"},   {"a.b/song.kvx", ".kvx"}, {"a.b/song", ""},
      {"a.b\\song", ""},      {"song.", "."},           {".profile", ""},
      {"dir/.hidden", ""},    {"x.tar.gz", ".gz"},      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Extension(c.path), c.extension) << c.path;
}

TEST(PathsTest, ReplaceExtensionReplacesOrAppends) {
  struct Case {
    const char* path;
    const char* expected;
  } cases[] = {
      {"song.t", "song.kvx"},       {"song", "song.kvx"},         {"a.b/c", "a.b/c.kvx"},
      {"a.b/c.qrl", "a.b/c.kvx"},   {"song.kvx", "song.kvx"},     {".profile", ".profile.kvx"},
      {"x.tar.gz", "x.tar.kvx"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReplaceExtension(c.path, ".kvx"), c.expected) << c.path;
}

TEST(PathsTest, JoinSystemPathAcceptsBackslashes) {
  EXPECT_EQ(JoinSystemPath("/prog", "\\links\\links.html"), std::filesystem::path("/prog/links/links.html"));
  EXPECT_EQ(JoinSystemPath("/prog", ".\\Plugin\\Julius"), std::filesystem::path("/prog/Plugin/Julius"));
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
  if (saved) setenv("TMPDIR", keep.c_str(), 1); else unsetenv("TMPDIR");
}

}  // namespace
}  // namespace vtr::platform
