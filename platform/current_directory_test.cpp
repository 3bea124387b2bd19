#include "platform/current_directory.h"

#include <gtest/gtest.h>

namespace vtr::platform {
namespace {

TEST(ScopedCurrentDirectoryTest, RestoresThePreviousDirectory) {
  std::filesystem::path before = std::filesystem::current_path();
  {
    ScopedCurrentDirectory in_root("/");
    ASSERT_TRUE(in_root.ok());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path("/"));
  }
  EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(ScopedCurrentDirectoryTest, AMissingFolderLeavesTheDirectoryAlone) {
  std::filesystem::path before = std::filesystem::current_path();
  {
    ScopedCurrentDirectory missing("/no/such/folder/anywhere");
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(std::filesystem::current_path(), before);
  }
  EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST(ScopedCurrentDirectoryTest, RestoresWhenLeftByAnException) {
  std::filesystem::path before = std::filesystem::current_path();
  try {
    ScopedCurrentDirectory in_root("/");
    throw 7;
  } catch (int) {
  }
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
}  // namespace vtr::platform
