#include "scriptedit/file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "scriptedit/testdata/temp_folder.h"

namespace vtr::scriptedit {
namespace {

enum class Fault { kNone, kCannotCreate, kDiskFull, kDiskError };

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
  bool Sync(std::FILE* file) override {
    // The disk reports an error when the bytes are forced onto it.
    return fault_ != Fault::kDiskError && FileWriter::Sync(file);
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
      {"a disk error on sync keeps the old file", "old", Fault::kDiskError, false, "old"},
      {"a disk error on sync makes no file", nullptr, Fault::kDiskError, false, nullptr},
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

// A script of a few thousand bytes, as saves write them.
std::string Script(char fill) { return "KV#J" + std::string(3000, fill); }

// The real writer, noting what the disk holds each time it syncs.
class SyncWatchingWriter : public FileWriter {
 public:
  std::function<void(const char* step)> on_sync;
  std::vector<std::filesystem::path> created;

 protected:
  std::FILE* CreateNew(const std::filesystem::path& path) override {
    created.push_back(path);
    return FileWriter::CreateNew(path);
  }
  bool Sync(std::FILE* file) override {
    on_sync("file");
    return FileWriter::Sync(file);
  }
  void SyncFolder(const std::filesystem::path& folder) override {
    on_sync("folder");
    FileWriter::SyncFolder(folder);
  }
};

// The new bytes are forced onto the disk before the rename puts them under the target's name,
// and the folder holding that name after it.
TEST(FileWriterTest, SyncsTheBytesBeforeTheRenameAndTheFolderAfterIt) {
  TempFolder folder;
  folder.Write("song.kvx", Script('a'));
  SyncWatchingWriter writer;
  std::vector<std::string> seen;
  writer.on_sync = [&](const char* step) {
    std::string temporaries;
    for (const std::string& name : folder.Names()) {
      if (name != "song.kvx") temporaries += folder.Read(name) == Script('b') ? "new" : "partial";
    }
    seen.push_back(std::string(step) + ": target " + (folder.Read("song.kvx") == Script('a') ? "old" : "new") +
                   ", temporary " + (temporaries.empty() ? "none" : temporaries));
  };
  ASSERT_TRUE(writer.Replace(folder.path() / "song.kvx", Script('b')));
  EXPECT_EQ(seen, (std::vector<std::string>{"file: target old, temporary new",
                                            "folder: target new, temporary none"}));
}

// Saving over a symbolic link replaces the file it leads to; the link stays a link and the
// temporary file is made beside the target, where the rename happens.
TEST(FileWriterTest, WritesThroughASymbolicLinkToItsTarget) {
  namespace fs = std::filesystem;
  struct Case {
    const char* why;
    const char* link;        // in folder "links"
    const char* leads_to;    // the link's text
    const char* target;      // the file written, from the folder's root; nullptr: none
    bool ok;
  };
  const Case cases[] = {
      {"a link beside its target", "links/song.kvx", "target.kvx", "links/target.kvx", true},
      {"a relative link into another folder", "links/song.kvx", "../scripts/song.kvx",
       "scripts/song.kvx", true},
      {"an absolute link", "links/song.kvx", "@/scripts/song.kvx", "scripts/song.kvx", true},
      {"a chain of links", "links/song.kvx", "chain.kvx", "scripts/song.kvx", true},
      {"a dangling link creates its target", "links/song.kvx", "../scripts/new.kvx",
       "scripts/new.kvx", true},
      {"a loop of links writes nothing", "links/song.kvx", "loop.kvx", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    TempFolder folder;
    const fs::path root = folder.path();
    fs::create_directories(root / "links");
    fs::create_directories(root / "scripts");
    folder.Write("links/target.kvx", Script('a'));
    folder.Write("scripts/song.kvx", Script('a'));
    fs::create_symlink("../scripts/song.kvx", root / "links/chain.kvx");
    fs::create_symlink("song.kvx", root / "links/loop.kvx");
    std::string leads_to = c.leads_to;
    if (leads_to[0] == '@') leads_to = (root / leads_to.substr(2)).string();
    fs::create_symlink(leads_to, root / c.link);

    SyncWatchingWriter writer;
    writer.on_sync = [](const char*) {};
    EXPECT_EQ(writer.Replace(root / c.link, Script('b')), c.ok);
    EXPECT_TRUE(fs::is_symlink(root / c.link)) << "the link was replaced by a file";
    EXPECT_EQ(fs::read_symlink(root / c.link), leads_to);
    if (c.target != nullptr) {
      EXPECT_EQ(folder.Read(c.target), Script('b'));
      ASSERT_EQ(writer.created.size(), 1u);
      EXPECT_EQ(fs::canonical(writer.created[0].parent_path()),
                fs::canonical((root / c.target).parent_path()));
    } else {
      EXPECT_TRUE(writer.created.empty());
    }
    // Every other file is as it was, and no temporary file is left anywhere.
    for (const char* other : {"links/target.kvx", "scripts/song.kvx"}) {
      if (c.target == nullptr || std::string(other) != c.target) {
        EXPECT_EQ(folder.Read(other), Script('a')) << other;
      }
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      EXPECT_EQ(entry.path().string().find(".~"), std::string::npos) << entry.path();
    }
  }
}

// A save killed between writing its temporary file and the rename leaves "<name>.~<n>.tmp";
// the next save of the same file removes those, and nothing else.
TEST(FileWriterTest, TheNextSaveRemovesTemporaryFilesAKilledSaveLeft) {
  TempFolder folder;
  folder.Write("song.kvx", Script('a'));
  folder.Write("song.kvx.~3.tmp", Script('x'));
  folder.Write("song.kvx.~12.tmp", "KV#J");
  folder.Write("song.kvx.~x.tmp", "not ours: no number");
  folder.Write("song.kvx.~.tmp", "not ours: no number");
  folder.Write("song.kvx.~7.tmp.bak", "not ours: another ending");
  folder.Write("other.kvx.~1.tmp", "another script's");
  folder.Write("other.kvx", Script('o'));
  std::filesystem::create_directories(folder.path() / "song.kvx.~4.tmp");
  std::filesystem::create_symlink("other.kvx", folder.path() / "song.kvx.~5.tmp");
  ASSERT_TRUE(FileWriter::Default().Replace(folder.path() / "song.kvx", Script('b')));
  EXPECT_EQ(folder.Read("song.kvx"), Script('b'));
  EXPECT_EQ(folder.Names(),
            (std::vector<std::string>{"other.kvx", "other.kvx.~1.tmp", "song.kvx",
                                      "song.kvx.~.tmp", "song.kvx.~4.tmp", "song.kvx.~5.tmp",
                                      "song.kvx.~7.tmp.bak", "song.kvx.~x.tmp"}));
  EXPECT_EQ(folder.Read("other.kvx"), Script('o')) << "a link of our naming is not followed";
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
