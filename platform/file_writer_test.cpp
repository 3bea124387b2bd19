#include "platform/file_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/testing/other_user.h"
#include "platform/testing/temp_folder.h"

namespace vtr::platform {
namespace {

using testing::TempFolder;

enum class Fault { kNone, kCannotCreate, kDiskFull, kDiskError };

// The real writer with one step made to fail.
class FaultyWriter : public FileWriter {
 public:
  explicit FaultyWriter(Fault fault) : fault_(fault) {}

 protected:
  std::FILE* CreateNew(const std::filesystem::path& path, unsigned mode) override {
    // A read-only folder refuses every new file.
    return fault_ == Fault::kCannotCreate ? nullptr : FileWriter::CreateNew(path, mode);
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
  std::function<void(const char* step)> on_sync = [](const char*) {};
  std::vector<std::filesystem::path> created;
  std::vector<std::filesystem::perms> created_modes;  // of each file just made

 protected:
  std::FILE* CreateNew(const std::filesystem::path& path, unsigned mode) override {
    created.push_back(path);
    std::FILE* file = FileWriter::CreateNew(path, mode);
    std::error_code error;
    created_modes.push_back(std::filesystem::status(path, error).permissions());
    return file;
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
    seen.push_back(std::string(step) + ": target " +
                   (folder.Read("song.kvx") == Script('a') ? "old" : "new") + ", temporary " +
                   (temporaries.empty() ? "none" : temporaries));
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
    const char* link;      // in folder "links"
    const char* leads_to;  // the link's text
    const char* target;    // the file written, from the folder's root; nullptr: none
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
    const fs::path& root = folder.path();
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
  folder.Write("song.kvx.~0a1b2c3d4e5f.tmp", Script('x'));
  // A save of the same file still writing its temporary file (another window, another
  // instance of the program): not left behind, so it stays.
  std::FILE* running = platform::CreateNewFile(folder.path() / "song.kvx.~runningsave1.tmp", 0600);
  ASSERT_NE(running, nullptr);
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
            (std::vector<std::string>{"other.kvx", "other.kvx.~1.tmp", "song.kvx", "song.kvx.~.tmp",
                                      "song.kvx.~4.tmp", "song.kvx.~5.tmp", "song.kvx.~7.tmp.bak",
                                      "song.kvx.~runningsave1.tmp", "song.kvx.~x.tmp"}));
  EXPECT_EQ(folder.Read("other.kvx"), Script('o')) << "a link of our naming is not followed";
  EXPECT_EQ(std::fclose(running), 0);
}

// Every legal file name saves: the temporary name is cut where it would pass the 255-byte
// limit of a name, and the bytes land under the full name.
TEST(FileWriterTest, SavesNamesUpToTheLimitOfAFileName) {
  std::string kana;
  for (int i = 0; i < 85; ++i) kana += "\xE3\x81\x82";  // 255 bytes of "あ" in UTF-8
  const std::vector<std::string> names = {"a.kvx",
                                          std::string(244, 's') + ".kvx",
                                          std::string(245, 's') + ".kvx",
                                          std::string(246, 's') + ".kvx",
                                          std::string(251, 's') + ".kvx",
                                          kana};
  for (const std::string& name : names) {
    SCOPED_TRACE(name.size());
    TempFolder folder;
    SyncWatchingWriter writer;
    ASSERT_TRUE(writer.Replace(folder.path() / name, Script('b')));
    EXPECT_EQ(folder.Read(name), Script('b'));
    EXPECT_EQ(folder.Names(), std::vector<std::string>{name}) << "no temporary file is left";
    ASSERT_EQ(writer.created.size(), 1u);
    EXPECT_LE(writer.created[0].filename().string().size(), 255u);
    ASSERT_TRUE(writer.Replace(folder.path() / name, Script('c'))) << "saved again over itself";
    EXPECT_EQ(folder.Read(name), Script('c'));
  }
}

// While a save writes, its bytes are no more open than the file they replace: a private
// script's new bytes never sit in a file others may read, even when the save is killed half
// way. A new file's temporary file is the user's alone; the file then gets the usual mode.
TEST(FileWriterTest, TheTemporaryFileIsNoMoreOpenThanTheFileItReplaces) {
  using std::filesystem::perms;
  struct Case {
    const char* what;
    std::optional<perms> old_mode;  // nullopt: a new file
    perms while_writing;
    perms after;
  };
  const perms rw = perms::owner_read | perms::owner_write;
  const Case cases[] = {
      {"a private script", rw, rw, rw},
      {"a script the group may read", rw | perms::group_read, rw | perms::group_read,
       rw | perms::group_read},
      {"a read-only script", perms::owner_read, perms::owner_read, perms::owner_read},
      {"a new file", std::nullopt, rw, static_cast<perms>(platform::NewFileMode())},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    const std::filesystem::path target = folder.path() / "secret.kvx";
    if (c.old_mode) {
      folder.Write("secret.kvx", Script('a'));
      std::filesystem::permissions(target, *c.old_mode);
    }
    SyncWatchingWriter writer;
    perms seen_while_writing = perms::unknown;
    writer.on_sync = [&](const char* step) {
      if (std::string(step) == "file") {
        seen_while_writing = std::filesystem::status(writer.created[0]).permissions();
      }
    };
    EXPECT_TRUE(writer.Replace(target, Script('b')));
    ASSERT_EQ(writer.created_modes.size(), 1u);
    EXPECT_EQ(writer.created_modes[0], c.while_writing) << "as the temporary file was made";
    EXPECT_EQ(seen_while_writing, c.while_writing) << "with the bytes in it";
    EXPECT_EQ(std::filesystem::status(target).permissions(), c.after);
  }
}

// Another user's symbolic link in a shared sticky folder (as /tmp) never leads a save to one
// of the user's files: the save fails and writes nothing anywhere.
TEST(FileWriterTest, DoesNotWriteThroughALinkAnotherUserPlanted) {
  VTR_SKIP_UNLESS_ROOT();
  platform::testing::ReachableFolder root;
  const std::filesystem::path home = root.Make("home", 0700);
  const std::filesystem::path tmp = root.Make("tmp", 01777);
  const std::filesystem::path victim = home / "precious.kvx";
  std::ofstream(victim) << Script('a');
  const std::filesystem::path planted = tmp / "song.kvx";
  ASSERT_TRUE(platform::testing::AsOtherUser([&] {
    std::error_code error;
    std::filesystem::create_symlink(victim, planted, error);
    return !error;
  }));
  SyncWatchingWriter writer;
  EXPECT_FALSE(writer.Replace(planted, Script('b')));
  EXPECT_TRUE(writer.created.empty());
  std::ifstream in(victim, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Script('a'));
  EXPECT_TRUE(std::filesystem::is_symlink(planted));
  for (const std::filesystem::path& folder : {home, tmp}) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << folder;
  }
}

// Names another user planted beside the file in a shared folder can neither keep its saves
// from working (the temporary names cannot be guessed) nor be removed by them (they are not
// the user's own).
TEST(FileWriterTest, NamesAnotherUserPlantedNeitherBlockASaveNorGo) {
  VTR_SKIP_UNLESS_ROOT();
  platform::testing::ReachableFolder root;
  const std::filesystem::path tmp = root.Make("tmp", 01777);
  const std::filesystem::path victim = root.Make("home", 0700) / "precious.kvx";
  std::ofstream(victim) << Script('a');
  std::vector<std::string> planted;
  planted.reserve(100);
  for (int i = 0; i < 100; ++i) planted.push_back("song.kvx.~" + std::to_string(i) + ".tmp");
  const std::vector<std::string> their_files = {"song.kvx.~100.tmp", "song.kvx.~0a1b2c3d4e5f.tmp"};
  ASSERT_TRUE(platform::testing::AsOtherUser([&] {
    std::error_code error;
    for (const std::string& name : planted) {
      std::filesystem::create_symlink(victim, tmp / name, error);
      if (error) return false;
    }
    for (const std::string& name : their_files) {
      std::FILE* file = std::fopen((tmp / name).c_str(), "wb");
      if (file == nullptr || std::fputs("theirs", file) < 0 || std::fclose(file) != 0) return false;
    }
    return true;
  }));
  for (int save = 0; save < 3; ++save) {
    ASSERT_TRUE(FileWriter::Default().Replace(tmp / "song.kvx", Script('b'))) << save;
  }
  std::ifstream in(tmp / "song.kvx", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), Script('b'));
  for (const std::string& name : planted) {
    EXPECT_TRUE(std::filesystem::is_symlink(tmp / name)) << name;
  }
  for (const std::string& name : their_files) {
    EXPECT_TRUE(std::filesystem::is_regular_file(tmp / name)) << name;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp), {}), 103);
  std::ifstream victim_in(victim, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim_in), {}), Script('a'));
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
}  // namespace vtr::platform
