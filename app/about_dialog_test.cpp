#include "app/about_dialog.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/window/controls.h"
#include "platform/window/headless.h"
#include "resources/resources.h"
#include "resources/testing/built_from_template.h"

namespace vtr::app {
namespace {

TEST(TrimVersionTest, CutsBeforeTheThirdComma) {
  for (auto [in, out] : {std::pair{"1, 0, 2, 3", "1, 0, 2"},
                         {"1, 10, 2, 3", "1, 10, 2"},
                         {"1, 0", "1, 0"},
                         {"", ""},
                         {"12,34,56,78,9", "12,34,56"}}) {
    EXPECT_EQ(TrimVersion(in), out) << in;
  }
}

TEST(ProgramVersionTextTest, KeepsMultiDigitNumbersWhole) {
  struct Case {
    std::string version, text;
  };
  for (const Case& c :
       {Case{"1, 0, 2, 3", "VTR version 1.0.2"}, Case{"1, 10, 2, 0", "VTR version 1.10.2"},
        Case{"12, 345, 6", "VTR version 12.345.6"}}) {
    EXPECT_EQ(ProgramVersionText({c.version, "VTR", ""}), c.text) << c.version;
  }
}

// A tree of copies of the versioned fixture library ("2, 10, 0, 7"), a file without a record
// and a folder link back to the root; one tree per test, as the tests run side by side.
class LibraryTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path fixture =
        std::filesystem::path(VTR_TEST_BIN_DIR) / "fixture" / "Plugin" / "Vtr_fixture_versioned.so";
    ASSERT_TRUE(std::filesystem::exists(fixture));
    root_ = std::filesystem::path(VTR_TEST_BIN_DIR) /
            ("about_tree_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Plugin" / "Julius");
    for (const char* name :
         {"b.so", "a.SO", "mfc42.so", "Plugin/p.so", "Plugin/Julius/j.so", "vtr"}) {
      std::filesystem::copy_file(fixture, root_ / name);
    }
    std::ofstream(root_ / "plain.so") << "no record";
    std::filesystem::create_directory_symlink(root_, root_ / "Plugin" / "loop");
  }
  std::filesystem::path root_;
};

TEST_F(LibraryTreeTest, ListsVersionedLibrariesOfEveryFolderWithoutFollowingLinks) {
  const std::string v = "2, 10, 0";
  EXPECT_EQ(ListLibraries(root_),
            (std::vector<LibraryRow>{{"j.so", v}, {"p.so", v}, {"a.SO", v}, {"b.so", v}}));
}

TEST_F(LibraryTreeTest, DialogShowsProgramTextAndTheList) {
  platform::HeadlessSession session;
  AboutDialog dialog(nullptr, 2, root_, root_ / "vtr");
  session.user()
      .Do([&] {
        EXPECT_EQ(dialog.Item(1009)->text(), "0 \"quoted\" back\\slash version 2.10.0");
        EXPECT_EQ(dialog.Item(1021)->text(), "著作権 2026");
        auto* list = dialog.Item<platform::ListView>(1011);
        ASSERT_EQ(list->item_count(), 4);
        EXPECT_EQ(list->ItemText(1, 0), "p.so");
        EXPECT_EQ(list->ItemText(1, 1), "2, 10, 0");
        EXPECT_EQ(list->columns()[0].width, 135);
        // The box and its icon are the program's resources.
        EXPECT_TRUE(
            resources::testing::BuiltFromTemplate(dialog, resources::Module::kProgram, 100));
        const platform::Image icon = dialog.Item<platform::Picture>(1012)->image();
        const platform::Image resource = resources::LoadImage(resources::Module::kProgram, 128);
        EXPECT_FALSE(icon.empty());
        EXPECT_EQ(icon.width, resource.width);
        EXPECT_EQ(icon.pixels, resource.pixels);
      })
      .Click(platform::kIdOk);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_TRUE(session.errors().empty());
}

}  // namespace
}  // namespace vtr::app
