#include "app/about_dialog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/window/controls.h"
#include "platform/window/headless.h"

namespace vtr::app {
namespace {

TEST(TrimVersionTest, CutsBeforeTheThirdComma) {
  for (auto [in, out] : {std::pair{"1, 0, 2, 3", "1, 0, 2"}, {"1, 10, 2, 3", "1, 10, 2"}, {"1, 0", "1, 0"},
                         {"", ""}, {"12,34,56,78,9", "12,34,56"}}) {
    EXPECT_EQ(TrimVersion(in), out) << in;
  }
}

TEST(ProgramVersionTextTest, KeepsMultiDigitNumbersWhole) {
  struct Case {
    std::string version, text;
  };
  for (const Case& c : {Case{"1, 0, 2, 3", "VTR version 1.0.2"}, Case{"1, 10, 2, 0", "VTR version 1.10.2"},
                        Case{"12, 345, 6", "VTR version 12.345.6"}}) {
    EXPECT_EQ(ProgramVersionText({c.version, "VTR", ""}), c.text) << c.version;
  }
}

class LibraryTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::path(VTR_TEST_BIN_DIR) / "about_tree";
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "Plugin" / "Julius");
    for (const char* name : {"b.so", "a.SO", "plain.so", "mfc42.so", "notes.txt", "Plugin/p.so", "Plugin/Julius/j.so"}) {
      std::ofstream(root_ / name) << "x";
    }
    std::filesystem::create_directory_symlink(root_, root_ / "Plugin" / "loop");
    versions_ = {{"b.so", "1, 2, 3, 4"}, {"a.SO", "2, 0, 0, 0"}, {"mfc42.so", "9, 9, 9, 9"},
                 {"notes.txt", "1, 1, 1, 1"}, {"p.so", "1, 10, 0, 7"}, {"j.so", "3, 1"}};
  }
  VersionReader Reader() {
    return [this](const std::filesystem::path& path) -> std::optional<VersionInfo> {
      auto it = versions_.find(path.filename().string());
      if (it == versions_.end()) return std::nullopt;
      return VersionInfo{it->second, "lib", "(c)"};
    };
  }
  std::filesystem::path root_;
  std::map<std::string, std::string> versions_;
};

TEST_F(LibraryTreeTest, ListsVersionedLibrariesOfEveryFolderWithoutFollowingLinks) {
  EXPECT_EQ(ListLibraries(root_, Reader()),
            (std::vector<LibraryRow>{{"j.so", "3, 1"}, {"p.so", "1, 10, 0"}, {"a.SO", "2, 0, 0"}, {"b.so", "1, 2, 3"}}));
}

TEST_F(LibraryTreeTest, DialogShowsProgramTextAndTheList) {
  platform::HeadlessSession session;
  versions_["vtr"] = "1, 0, 2, 3";
  std::ofstream(root_ / "vtr") << "x";
  AboutDialog dialog(nullptr, 2, root_, root_ / "vtr", Reader());
  session.user()
      .Do([&] {
        EXPECT_EQ(dialog.Item(1009)->text(), "lib version 1.0.2");
        EXPECT_EQ(dialog.Item(1021)->text(), "(c)");
        auto* list = dialog.Item<platform::ListView>(1011);
        ASSERT_EQ(list->item_count(), 4);
        EXPECT_EQ(list->ItemText(1, 0), "p.so");
        EXPECT_EQ(list->ItemText(1, 1), "1, 10, 0");
        EXPECT_EQ(list->columns()[0].width, 135);
      })
      .Click(platform::kIdOk);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_TRUE(session.errors().empty());
}

}  // namespace
}  // namespace vtr::app
