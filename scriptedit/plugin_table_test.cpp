#include "scriptedit/plugin_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/temp_folder.h"
#include "scriptedit/convert_options.h"

namespace vtr::scriptedit {
namespace {

const std::filesystem::path kPluginFolder = std::filesystem::path(VTR_FAKE_PLUGIN_DIR) / "Plugin";

std::vector<std::string> Offered(const PluginTable& table) {
  std::vector<std::string> offered;
  for (const PluginEntry& entry : table.entries()) {
    offered.push_back(entry.module.path().filename().string() + " " + entry.description + " / " +
                      entry.extension);
  }
  return offered;
}

TEST(PluginTableTest, ScanOffersTheLibrariesNamedAfterTheirExtension) {
  struct Case {
    const char* name;
    int format_id;
    std::vector<std::string> offered;
  };
  // clang-format off
  const std::vector<Case> cases = {
      // VTR_x reports "fak", VTR_half lacks Vtr_KvxCnv and VTR has no name after the prefix.
      // The description of VTR_longname fills its field without a NUL: 50 bytes are kept.
      {"kana",
       0x52100000,
       {"VTR_fak.so Fake Files / fak",
        "VTR_longname.so Long | Description Files That Fill Every Byte Of T / longname",
        "vtr_lower.so Lower Files / LOWER"}},
      {"hangul", 0x53100000, {"VTR_fak.so Fake Files / fak",
        "VTR_longname.so Long | Description Files That Fill Every Byte Of T / longname",
        "vtr_lower.so Lower Files / LOWER"}},
      // Plug-ins refuse the romaji id without writing their extension.
      {"romaji", 0x54100000, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PluginTable table;
    EXPECT_TRUE(ScanPluginFolder(kPluginFolder, c.format_id, table));
    EXPECT_EQ(Offered(table), c.offered);
    EXPECT_EQ(FreeAll(table), c.offered.size());
    EXPECT_EQ(table.size(), 0u);
  }
}

TEST(PluginTableTest, ScanWithoutLibrariesFindsNothing) {
  platform::testing::TempFolder folder;
  folder.Write("VTR_fak.txt", "not a library");
  PluginTable table;
  EXPECT_FALSE(ScanPluginFolder(folder.path(), 0x52100000, table));
  EXPECT_FALSE(ScanPluginFolder(folder.path() / "missing", 0x52100000, table));
  EXPECT_EQ(table.size(), 0u);
  // A file with the library suffix that does not load is skipped, but counts as found.
  folder.Write("VTR_bad.so", "not a library either");
  EXPECT_TRUE(ScanPluginFolder(folder.path(), 0x52100000, table));
  EXPECT_EQ(table.size(), 0u);
}

TEST(PluginTableTest, BoundedTextStopsAtTheNulOrTheBound) {
  struct Case {
    std::string field;
    size_t max;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {std::string("qrl\0xyz", 7), 8, "qrl"},
      {"abcdefghi", 8, "abcdefgh"},
      {std::string("\0abc", 4), 4, ""},
      {"abc", 3, "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(BoundedText(c.field.data(), c.max), c.expected);
}

TEST(ConvertOptionsTest, TitleIsBoundedTo256BytesAndANul) {
  struct Case {
    size_t length;
    size_t kept;
  };
  const std::vector<Case> cases = {{0, 0}, {4, 4}, {256, 256}, {257, 256}, {1000, 256}};
  for (const Case& c : cases) {
    std::vector<unsigned char> options(kConvertOptionsSize, 0xEE);
    WriteOptionsTitle(options.data(), std::string(c.length, 't'));
    const std::string field(reinterpret_cast<const char*>(options.data()) + kOptionsTitleOffset,
                            c.kept);
    EXPECT_EQ(field, std::string(c.kept, 't')) << c.length;
    EXPECT_EQ(options[kOptionsTitleOffset + c.kept], 0) << c.length;
    // The field ends before the next one: its first byte is untouched.
    EXPECT_EQ(options[kOptionsTitleOffset + 257], 0xEE) << c.length;
  }
}

TEST(ConvertOptionsTest, TitleTakesTheEncodingOfTheTextFields) {
  struct Case {
    const char* name;
    std::string title;
    core::ScriptLanguage language;
    std::string expected;
  };
  std::string kana_title;
  std::string kana_expected;
  for (int i = 0; i < 200; ++i) {
    kana_title += "歌";
    kana_expected += "\x89\xCC";
  }
  // clang-format off
  const std::vector<Case> cases = {
      {"ASCII", "My Song", core::ScriptLanguage::kJapanese, "My Song"},
      {"kana", "歌", core::ScriptLanguage::kJapanese, "\x89\xCC"},
      {"romaji goes out as kana", "歌", core::ScriptLanguage::kRomaji, "\x89\xCC"},
      {"hangul", "歌", core::ScriptLanguage::kKorean, "\xCA\xB0"},
      {"pinyin keeps UTF-8", "歌", core::ScriptLanguage::kChinese, "歌"},
      {"unmappable character ends it", "a\xF0\x9F\x8E\xB5" "b", core::ScriptLanguage::kJapanese,
       "a"},
      // 128 double bytes fill 256 bytes exactly.
      {"double bytes cut whole", kana_title, core::ScriptLanguage::kJapanese,
       kana_expected.substr(0, 256)},
      {"odd bound cut before the character", "a" + kana_title, core::ScriptLanguage::kJapanese,
       "a" + kana_expected.substr(0, 254)},
      // 85 three-byte characters are 255 bytes; the 86th does not fit.
      {"UTF-8 cut whole", kana_title, core::ScriptLanguage::kChinese, kana_title.substr(0, 255)},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(OptionsTitle(c.title, c.language), c.expected) << c.name;
  }
}

TEST(ConvertOptionsTest, BuildWritesTheCodingBytesAndTheDate) {
  std::vector<unsigned char> options(kConvertOptionsSize, 0xEE);
  ASSERT_EQ(BuildConvertOptions(options.data(), 0x52100000, "KV#J\x82\xA0", nullptr,
                                LocalDate{2026, 3, 7}),
            1);
  EXPECT_EQ(options[0], 0);
  EXPECT_EQ(options[1], 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(options.data()) + kOptionsDateOffset, 9),
            std::string("20260307\0", 9));
  EXPECT_EQ(options[kOptionsDateOffset + 9], 0xEE);

  std::vector<unsigned char> refused(kConvertOptionsSize, 0xEE);
  EXPECT_EQ(BuildConvertOptions(refused.data(), 0x52100000, "KV#J", nullptr, LocalDate{2026, 3, 7}),
            0);
  EXPECT_EQ(refused[kOptionsDateOffset], 0xEE);
}

}  // namespace
}  // namespace vtr::scriptedit
