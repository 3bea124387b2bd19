#include "platform/module.h"

#include <gtest/gtest.h>

#include "platform/testing/fifo_trap.h"

namespace vtr::platform {
namespace {

const std::filesystem::path kFixtureFolder = std::filesystem::path(VTR_TEST_BIN_DIR) / "fixture";

TEST(MapSystemNameTest, MapsWindowsNamesToThisPlatform) {
  struct Case {
    const char* system_name;
    const char* expected;
  } cases[] = {
      {".\\Plugin\\Vtr_wtp.dll", "Plugin/Vtr_wtp.so"},
      {".\\Qs5_EmuKmw5.dll", "Qs5_EmuKmw5.so"},
      {"Vtr_W2SDlg.DLL", "Vtr_W2SDlg.so"},
      {"Plugin\\KVXCNV.exe", "Plugin/KVXCNV"},
      {"Plugin/Julius/julius.EXE", "Plugin/Julius/julius"},
      {"/abs/lib.so", "/abs/lib.so"},
      {"plain", "plain"},
  };
  for (const Case& c : cases) EXPECT_EQ(MapSystemName(c.system_name), c.expected) << c.system_name;
}

TEST(ModuleTest, LoadsBySystemNameAgainstTheGivenFolderAndCallsAnEntryPoint) {
  Module module;
  ASSERT_TRUE(module.Load(".\\Plugin\\Vtr_fixture.dll", kFixtureFolder)) << module.error();
  auto* add = module.Find<int(int, int)>("Vtr_FixtureAdd");
  ASSERT_NE(add, nullptr) << module.error();
  EXPECT_EQ(add(2, 3), 5);
  EXPECT_EQ(module.path(), kFixtureFolder / "Plugin/Vtr_fixture.so");
}

TEST(ModuleTest, ReportsAMissingEntryPointWithItsName) {
  Module module;
  ASSERT_TRUE(module.Load("Plugin/Vtr_fixture.so", kFixtureFolder));
  EXPECT_EQ(module.FindSymbol("Vtr_KvxCnv"), nullptr);
  EXPECT_NE(module.error().find("Vtr_KvxCnv"), std::string::npos) << module.error();
}

TEST(ModuleTest, ReportsAMissingLibraryWithItsPath) {
  Module module;
  EXPECT_FALSE(module.Load(".\\Plugin\\Vtr_missing.dll", kFixtureFolder));
  EXPECT_FALSE(module.loaded());
  EXPECT_NE(module.error().find("Vtr_missing.so"), std::string::npos) << module.error();
  EXPECT_EQ(module.FindSymbol("anything"), nullptr);
}

// A FIFO or a device named like a library is refused unopened: loading it would wait for a
// writer or never end.
TEST(ModuleTest, RefusesWhatIsNoRegularFileWithoutOpeningIt) {
  const std::filesystem::path folder = std::filesystem::path(VTR_TEST_BIN_DIR) / "module_fifo";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "Plugin");
  testing::FifoTrap trap(folder / "Plugin" / "VTR_fifo.so");
  ASSERT_TRUE(trap.made());
  std::filesystem::create_symlink("/dev/zero", folder / "Plugin" / "VTR_zero.so");
  for (const char* name : {".\\Plugin\\VTR_fifo.dll", ".\\Plugin\\VTR_zero.dll"}) {
    Module module;
    EXPECT_FALSE(module.Load(name, folder)) << name;
    EXPECT_NE(module.error().find("not a regular file"), std::string::npos) << module.error();
  }
  EXPECT_FALSE(trap.opened());
  std::filesystem::remove_all(folder);
}

TEST(ModuleTest, IgnoresTheCurrentDirectory) {
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path("/");
  Module module;
  bool loaded = module.Load(".\\Plugin\\Vtr_fixture.dll", kFixtureFolder);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(loaded) << module.error();
}

TEST(ModuleTest, MovesAndFreesOwnership) {
  Module first;
  ASSERT_TRUE(first.Load("Plugin/Vtr_fixture.so", kFixtureFolder));
  Module second = std::move(first);
  // A moved-from module must hold nothing, or the library is freed twice.
  // NOLINTNEXTLINE(bugprone-use-after-move): looked at on purpose
  EXPECT_FALSE(first.loaded());
  EXPECT_TRUE(second.loaded());
  second.Free();
  EXPECT_FALSE(second.loaded());
}

}  // namespace
}  // namespace vtr::platform
