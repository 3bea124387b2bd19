#include "scriptedit/file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "scriptedit/testdata/temp_folder.h"

namespace vtr::scriptedit {
namespace {

enum class Fault { kNone, kCannotCreate, kDiskFull };

// The real writer with one step made to fail.
class FaultyWriter : public FileWriter {
 public:
  explicit FaultyWriter(Fault fault) : fault_(fault) {}

 protected:
  std::FILE* CreateNew(const std::filesystem::path& path) override {
    // A read-only folder refuses every new file.
    return fault_ == Fault::kCannotCreate ? nullptr : FileWriter::CreateNew(path);
  }
  size_t Write(std::FILE* file, std::string_view data) override {
    if (fault_ != Fault::kDiskFull) return FileWriter::Write(file, data);
    // The disk fills up half-way.
    return FileWriter::Write(file, data.substr(0, data.size() / 2));
  }

 private:
  Fault fault_;
};

TEST(FileWriterTest, ReplacesTheFileOnlyAfterACompleteWrite) {
  struct Case {
    const char* name;
    const char* old_content;  // nullptr: no old file
    Fault fault;
    bool ok;
    const char* after;  // nullptr: no file
  };
  const std::vector<Case> cases = {
      {"new file", nullptr, Fault::kNone, true, "new bytes"},
      {"replaced file", "old", Fault::kNone, true, "new bytes"},
      {"read-only folder keeps the old file", "old", Fault::kCannotCreate, false, "old"},
      {"read-only folder makes no file", nullptr, Fault::kCannotCreate, false, nullptr},
      {"full disk keeps the old file", "old", Fault::kDiskFull, false, "old"},
      {"full disk leaves no file", nullptr, Fault::kDiskFull, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    const std::filesystem::path target = folder.path() / "song.kvx";
    if (c.old_content != nullptr) folder.Write("song.kvx", c.old_content);
    FaultyWriter writer(c.fault);
    EXPECT_EQ(writer.Replace(target, "new bytes"), c.ok);
    if (c.after == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(target));
    } else {
      EXPECT_EQ(folder.Read("song.kvx"), c.after);
    }
    // No temporary file is left behind.
    EXPECT_EQ(folder.Names(), c.after == nullptr ? std::vector<std::string>{}
                                                 : std::vector<std::string>{"song.kvx"});
  }
}

TEST(FileWriterTest, KeepsThePermissionsOfTheReplacedFile) {
  TempFolder folder;
  folder.Write("a.kvx", "old");
  const std::filesystem::path target = folder.path() / "a.kvx";
  using std::filesystem::perms;
  std::filesystem::permissions(target, perms::owner_read | perms::owner_write | perms::group_read);
  ASSERT_TRUE(FileWriter::Default().Replace(target, "new"));
  EXPECT_EQ(std::filesystem::status(target).permissions(),
            perms::owner_read | perms::owner_write | perms::group_read);
  EXPECT_EQ(folder.Read("a.kvx"), "new");
}

TEST(FileWriterTest, RefusesAPathWithoutFileName) {
  TempFolder folder;
  EXPECT_FALSE(FileWriter::Default().Replace("", "x"));
  EXPECT_FALSE(FileWriter::Default().Replace(folder.path() / "", "x"));
  EXPECT_FALSE(FileWriter::Default().Replace(folder.path() / "missing" / "a.kvx", "x"));
}

}  // namespace
}  // namespace vtr::scriptedit
