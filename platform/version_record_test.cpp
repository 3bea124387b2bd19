#include "platform/version_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/testing/fifo_trap.h"

namespace vtr::platform {
namespace {

namespace fs = std::filesystem;

const fs::path kFixturePlugin = fs::path(VTR_TEST_BIN_DIR) / "fixture" / "Plugin";
const fs::path kVersioned = kFixturePlugin / "Vtr_fixture_versioned.so";
const fs::path kUnversioned = kFixturePlugin / "Vtr_fixture.so";

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& file, std::string_view bytes) {
  std::ofstream(file, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A minimal ELF image: header, one note section holding `notes`, and the section table.
struct Note {
  std::string owner;  // written with its NUL
  std::uint32_t type;
  std::string desc;
};

class ElfImage {
 public:
  ElfImage(bool wide, bool big_endian) : wide_(wide), big_(big_endian) {}

  std::string Build(const std::vector<Note>& notes) const {
    std::string body;
    for (const Note& note : notes) {
      std::string owner = note.owner + '\0';
      Put(body, owner.size(), 4);
      Put(body, note.desc.size(), 4);
      Put(body, note.type, 4);
      body += owner;
      Pad(body);
      body += note.desc;
      Pad(body);
    }
    const std::size_t header_size = wide_ ? 64 : 52;
    const std::size_t entry_size = wide_ ? 64 : 40;
    const std::size_t notes_at = header_size;
    const std::size_t table_at = notes_at + body.size();
    std::string out;
    out += std::string(
        "\x7f"
        "ELF",
        4);
    out += static_cast<char>(wide_ ? 2 : 1);
    out += static_cast<char>(big_ ? 2 : 1);
    out += '\1';
    out.resize(16, '\0');
    Put(out, 3, 2);  // shared object
    Put(out, 62, 2);
    Put(out, 1, 4);
    Put(out, 0, wide_ ? 8 : 4);  // entry
    Put(out, 0, wide_ ? 8 : 4);  // program headers
    Put(out, table_at, wide_ ? 8 : 4);
    Put(out, 0, 4);
    Put(out, header_size, 2);
    Put(out, 0, 2);
    Put(out, 0, 2);
    Put(out, entry_size, 2);
    Put(out, 2, 2);  // null section + the note section
    Put(out, 0, 2);
    out += body;
    out += std::string(entry_size, '\0');
    std::string entry;
    Put(entry, 0, 4);  // name
    Put(entry, 7, 4);  // note
    if (wide_) {
      Put(entry, 2, 8);
      Put(entry, 0, 8);
      Put(entry, notes_at, 8);
      Put(entry, body.size(), 8);
    } else {
      Put(entry, 2, 4);
      Put(entry, 0, 4);
      Put(entry, notes_at, 4);
      Put(entry, body.size(), 4);
    }
    entry.resize(entry_size, '\0');
    return out + entry;
  }

 private:
  void Put(std::string& out, std::uint64_t value, int width) const {
    for (int i = 0; i < width; ++i) {
      int shift = big_ ? (width - 1 - i) * 8 : i * 8;
      out += static_cast<char>((value >> shift) & 0xFF);
    }
  }
  static void Pad(std::string& out) { out.resize((out.size() + 3) / 4 * 4, '\0'); }

  bool wide_;
  bool big_;
};

const std::string kTexts("1, 2, 3, 4\0Desc\0(C)\0", 20);
const VersionRecord kRecord{"1, 2, 3, 4", "Desc", "(C)"};

TEST(VersionRecordTest, ReadsTheRecordWrittenByTheBuild) {
  auto record = ReadVersionRecord(kVersioned);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(*record, (VersionRecord{"2, 10, 0, 7", "0 \"quoted\" back\\slash", "著作権 2026"}));
}

TEST(VersionRecordTest, TheDeliveredPlatformLibraryCarriesItsRecord) {
  auto record = ReadVersionRecord(fs::path(VTR_DIST_DIR) / "libvtr_platform.so");
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->description, "Voxtrel platform library");
  EXPECT_FALSE(record->file_version.empty());
  EXPECT_FALSE(record->copyright.empty());
}

TEST(VersionRecordTest, FilesWithoutAUsableRecordGiveNone) {
  const fs::path folder = fs::path(::testing::TempDir()) / "version_record_files";
  fs::create_directories(folder);
  const std::string library = ReadAll(kVersioned);
  ASSERT_GT(library.size(), 200u);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"not_elf", "plain text, not a library"},
      {"magic_only", std::string("\x7f"
                                 "ELF",
                                 4)},
      {"head_of_a_library", library.substr(0, 200)},
  };
  for (const Case& c : cases) {
    WriteAll(folder / c.name, c.bytes);
    EXPECT_FALSE(ReadVersionRecord(folder / c.name).has_value()) << c.name;
    EXPECT_FALSE(ParseVersionRecord(c.bytes).has_value()) << c.name;
  }
  EXPECT_FALSE(ReadVersionRecord(kUnversioned).has_value());
  EXPECT_FALSE(ReadVersionRecord(folder / "missing.so").has_value());
  EXPECT_FALSE(ReadVersionRecord(folder).has_value());
  // A FIFO or a device is never opened: the About box would wait or never end.
  fs::remove(folder / "fifo.so");
  testing::FifoTrap trap(folder / "fifo.so");
  ASSERT_TRUE(trap.made());
  EXPECT_FALSE(ReadVersionRecord(folder / "fifo.so").has_value());
  EXPECT_FALSE(ReadVersionRecord("/dev/zero").has_value());
  EXPECT_FALSE(trap.opened());
}

TEST(VersionRecordTest, ParsesEveryClassAndByteOrder) {
  for (bool wide : {false, true}) {
    for (bool big : {false, true}) {
      std::string image =
          ElfImage(wide, big).Build({{"GNU", 3, "build-id"}, {"Voxtrel", 1, kTexts}});
      EXPECT_EQ(ParseVersionRecord(image), kRecord) << "wide " << wide << " big " << big;
    }
  }
}

TEST(VersionRecordTest, TakesOnlyAWholeNoteOfTheRightOwnerAndType) {
  const ElfImage elf(true, false);
  struct Case {
    const char* what;
    std::vector<Note> notes;
    std::optional<VersionRecord> expected;
  } cases[] = {
      {"other owner", {{"Voxtrelx", 1, kTexts}}, std::nullopt},
      {"owner prefix", {{"Voxtre", 1, kTexts}}, std::nullopt},
      {"other type", {{"Voxtrel", 2, kTexts}}, std::nullopt},
      {"two texts only", {{"Voxtrel", 1, std::string("1\0D\0", 4)}}, std::nullopt},
      {"unterminated last text", {{"Voxtrel", 1, std::string("1\0D\0C", 5)}}, std::nullopt},
      {"empty texts", {{"Voxtrel", 1, std::string("\0\0\0", 3)}}, VersionRecord{}},
      {"after another owner's note", {{"Other", 1, "x"}, {"Voxtrel", 1, kTexts}}, kRecord},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ParseVersionRecord(elf.Build(c.notes)), c.expected) << c.what;
}

TEST(VersionRecordTest, DamagedSizesGiveNoneWithoutReadingOutside) {
  const std::string good = ElfImage(true, false).Build({{"Voxtrel", 1, kTexts}});
  ASSERT_EQ(ParseVersionRecord(good), kRecord);
  struct Case {
    const char* what;
    std::size_t at;  // offset of a little-endian field to overwrite
    std::uint64_t value;
    int width;
  } cases[] = {
      {"section table past the end", 40, 1u << 20, 8},
      {"no section table", 40, 0, 8},
      {"huge section count", 60, 0xFFFF, 2},
      {"entry size too small", 58, 16, 2},
      {"note description size past the section", 64 + 4, 0xFFFFFFF0u, 4},
      {"note owner size past the section", 64, 0xFFFFFFF0u, 4},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    for (int i = 0; i < c.width; ++i)
      bad[c.at + i] = static_cast<char>((c.value >> (8 * i)) & 0xFF);
    EXPECT_FALSE(ParseVersionRecord(bad).has_value()) << c.what;
  }
}

TEST(ListVersionedLibrariesTest, ListsVersionedLibrariesRecursivelyWithoutFollowingFolderLinks) {
  const fs::path root = fs::path(::testing::TempDir()) / "version_record_tree";
  fs::remove_all(root);
  fs::create_directories(root / "Plugin" / "Julius");
  fs::create_directories(root / "elsewhere");
  fs::copy_file(kVersioned, root / "B.so");
  fs::copy_file(kVersioned, root / "a.SO");
  fs::copy_file(kVersioned, root / "Plugin" / "Vtr_x.So");
  fs::copy_file(kVersioned, root / "Plugin" / "Julius" / "deep.so");
  fs::copy_file(kVersioned, root / "versioned.so.bak");
  fs::copy_file(kVersioned, root / "elsewhere" / "outside.so");
  fs::copy_file(kUnversioned, root / "plain.so");
  WriteAll(root / "text.so", "not a library");
  fs::create_directory_symlink(root / "elsewhere", root / "link_to_folder");
  fs::create_directory_symlink(root, root / "Plugin" / "loop");
  fs::create_symlink(root / "B.so", root / "c_link.so");
  fs::create_symlink(root / "gone.so", root / "dangling.so");

  std::vector<std::string> listed;
  for (const VersionedLibrary& library : ListVersionedLibraries(root)) {
    listed.push_back(library.file.lexically_relative(root).string());
    EXPECT_EQ(library.record.file_version, "2, 10, 0, 7") << library.file;
  }
  EXPECT_EQ(listed, (std::vector<std::string>{"B.so", "Plugin/Julius/deep.so", "Plugin/Vtr_x.So",
                                              "a.SO", "c_link.so", "elsewhere/outside.so"}));
  EXPECT_TRUE(ListVersionedLibraries(root / "missing").empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace vtr::platform
