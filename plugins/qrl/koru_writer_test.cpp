#include "plugins/qrl/koru_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "plugins/qrl/crc16.h"

namespace vtr::qrl {
namespace {

using Bytes = std::vector<uint8_t>;

// "4D 4D 0A" -> {0x4D, 0x4D, 0x0A}
Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  std::istringstream in{std::string(hex)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes.push_back(static_cast<uint8_t>(value));
  return bytes;
}

Bytes Slice(const Bytes& bytes, size_t offset, size_t count) {
  return Bytes(bytes.data() + offset, bytes.data() + offset + count);
}

uint32_t U32At(const Bytes& bytes, size_t offset) {
  return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
         uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

const ScriptLanguage& Language(int format_id) { return *FindScriptLanguage(format_id); }

// "KV#J" and the hiragana "a": measured as 160 ms.
const std::string kScriptA = "KV#J\x82\xA0";
constexpr int32_t kScriptAMs = 160;

// An option block with only the date, as the hosts fill it for a script without details.
std::unique_ptr<ConvertOptions> DatedOptions() {
  auto options = std::make_unique<ConvertOptions>();
  std::memset(options.get(), 0, sizeof(ConvertOptions));
  std::memcpy(options->date, "20050321", 8);
  return options;
}

Bytes Build(std::string_view script, const ConvertOptions& options, int32_t play_ms,
            int format_id = kVtrFormatKvJ) {
  KoruWriter writer;
  writer.Prepare(script, Language(format_id), options);
  writer.SetTimes(0, play_ms, play_ms + 40);
  return writer.Build();
}

// The file of "KV#J" + "a", 160 ms, dated 2005/03/21, every other field empty.
const Bytes kGoldenFile = FromHex(R"(
    4D 4D 4D 44 00 00 00 C9 43 4E 54 49 00 00 00 05
    00 35 01 00 00 4F 50 44 41 00 00 00 3A 44 63 68
    00 00 00 00 0E 43 44 00 0A 32 30 30 35 2F 30 33
    2F 32 31 44 63 68 FF 00 00 00 0C 52 46 00 03 04
    00 00 4B 56 00 01 00 50 72 6F 05 00 00 00 08 00
    00 00 00 00 00 00 0A 4D 54 52 06 00 00 00 70 02
    00 11 11 50 40 40 40 40 40 40 40 40 40 40 40 40
    40 40 40 4D 74 73 75 00 00 00 09 F0 07 43 79 07
    7F 07 00 F7 4D 74 73 71 00 00 00 18 00 F0 07 43
    79 07 7F 00 7F F7 00 B0 07 7F 00 D0 00 08 FF 00
    02 FF 2F 00 4D 74 6B 76 00 00 00 23 4D 6B 76 78
    00 00 00 05 43 48 00 01 00 4D 6B 73 63 00 00 00
    0E 4D 73 63 00 00 00 00 06 4B 56 23 4A 82 A0 9D
    22)");

TEST(KoruWriterTest, WritesTheGoldenFileByteForByte) {
  Bytes file = Build(kScriptA, *DatedOptions(), kScriptAMs);
  ASSERT_EQ(kGoldenFile.size(), 209u);
  EXPECT_EQ(file, kGoldenFile);
}

// Invariants of every file: the "MMMD" size is the length less 8, the last two bytes are the
// CRC of the rest, and the length follows the size rule.
void ExpectWellFormed(const Bytes& file, size_t expected_size) {
  ASSERT_EQ(file.size(), expected_size);
  EXPECT_EQ(U32At(file, 4), file.size() - 8);
  uint16_t crc = KoruCrc16(std::span<const uint8_t>(file).first(file.size() - 2));
  EXPECT_EQ(file[file.size() - 2], crc >> 8);
  EXPECT_EQ(file[file.size() - 1], crc & 0xFF);
}

TEST(KoruWriterTest, VariantsOfTheGoldenFileCarryTheirKnownCrc) {
  struct Case {
    const char* what;
    int32_t play_ms;
    const char* st;
    size_t size;
    uint8_t crc_high;
    uint8_t crc_low;
  } cases[] = {
      {"golden", kScriptAMs, "", 209, 0x9D, 0x22},
      {"title with a comma and a backslash", kScriptAMs, "a,b\\c", 220, 0x75, 0x96},
      {"play time 0", 0, "", 209, 0xAE, 0x1D},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto options = DatedOptions();
    std::strcpy(options->st, c.st);
    Bytes file = Build(kScriptA, *options, c.play_ms);
    ExpectWellFormed(file, c.size);
    EXPECT_EQ(file[c.size - 2], c.crc_high);
    EXPECT_EQ(file[c.size - 1], c.crc_low);
  }
}

TEST(KoruWriterTest, EscapedTitleGoesBeforeTheDateAndGrowsItsChunks) {
  auto options = DatedOptions();
  std::strcpy(options->st, "a,b\\c");
  Bytes file = Build(kScriptA, *options, kScriptAMs);
  EXPECT_EQ(U32At(file, 25), 0x3Au + 11) << "OPDA size";
  EXPECT_EQ(U32At(file, 33), 0x19u) << "text Dch size";
  EXPECT_EQ(Slice(file, 37, 11), FromHex("53 54 00 07 61 5C 2C 62 5C 5C 63"));
  EXPECT_EQ(Slice(file, 48, 4), FromHex("43 44 00 0A"));
}

TEST(KoruWriterTest, PlayTimeSetsTheSequenceDeltasAndThePlayRange) {
  struct Case {
    int32_t play_ms;
    const char* delta;  // of the voice end event
    uint32_t range;     // "Pro" count: (T + 40) / 20
  } cases[] = {
      {0, "00", 2},
      {kScriptAMs, "08", 10},
      {2540, "7F", 129},
      {2560, "81 00", 130},
      {20 * 0x3FFF, "FF 7F", 0x3FFF + 2},
      {20 * 0x4000, "81 80 00", 0x4000 + 2},
      {104857 * 20, "86 B3 19", 104857 + 2},
      {20 * 0x200000, "81 80 80 00", 0x200000 + 2},  // no cap at three bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.play_ms);
    Bytes delta = FromHex(c.delta);
    Bytes file = Build(kScriptA, *DatedOptions(), c.play_ms);
    ExpectWellFormed(file, 202 + delta.size() + kScriptA.size());
    EXPECT_EQ(U32At(file, 83), c.range);
    EXPECT_EQ(U32At(file, 136), 23 + delta.size()) << "Mtsq size";
    EXPECT_EQ(Slice(file, 157, delta.size()), delta);
    EXPECT_EQ(Slice(file, 157 + delta.size(), 6), FromHex("FF 00 02 FF 2F 00"));
  }
}

TEST(KoruWriterTest, StoresEveryScriptByteIncludingNuls) {
  const std::string script("KV#J\x82\xA0\0\x82\xA2", 9);
  Bytes file = Build(script, *DatedOptions(), kScriptAMs);
  ExpectWellFormed(file, 202 + 1 + script.size());
  EXPECT_EQ(U32At(file, 197), script.size()) << "Msc size";
  EXPECT_EQ(Slice(file, 201, script.size()), Bytes(script.begin(), script.end()));
}

TEST(KoruWriterTest, WritesTextEntriesInTheirOrderAroundTheDate) {
  auto options = DatedOptions();
  char* fields[] = {options->vn, options->cn, options->ca, options->st, options->an, options->ww,
                    options->sw, options->aw, options->cr, options->gr, options->mi, options->ud};
  for (char* field : fields) std::strcpy(field, "z");
  options->class_byte = 0x07;
  options->text_coding = 0x06;
  Bytes file = Build(kScriptA, *options, kScriptAMs);
  ExpectWellFormed(file, 209 + 12 * 5);
  EXPECT_EQ(file[16], 0x07) << "class byte opens CNTI";
  EXPECT_EQ(Slice(file, 29, 4), FromHex("44 63 68 06")) << "text coding ends the Dch tag";
  std::string tags;
  size_t at = 37;
  for (int entry = 0; entry < 13; ++entry) {
    tags += std::string(reinterpret_cast<const char*>(&file[at]), 2) + " ";
    at += 4 + (file[at + 2] << 8 | file[at + 3]);
  }
  EXPECT_EQ(tags, "VN CN CA ST AN WW SW AW CR GR MI CD UD ");
  EXPECT_EQ(Slice(file, at, 4), FromHex("44 63 68 FF")) << "fixed Dch follows";
}

TEST(KoruWriterTest, CarriesTheGenerationOfTheFormat) {
  struct Case {
    int format_id;
    uint8_t generation;
  } cases[] = {{kVtrFormatKvJ, 0}, {kVtrFormatKvK, 1}, {kVtrFormatKvC, 2}};
  for (const Case& c : cases) {
    Bytes file = Build(kScriptA, *DatedOptions(), kScriptAMs, c.format_id);
    EXPECT_EQ(Slice(file, 66, 5), (Bytes{'K', 'V', 0x00, 0x01, c.generation})) << c.format_id;
  }
}

TEST(KoruWriterTest, ReadsNoFieldPastItsOwnBytes) {
  // Every field filled to its last byte without a NUL; the block ends where the last one does,
  // so a read past a field shows up as a neighbour's byte or past the block.
  auto block = std::make_unique<uint8_t[]>(sizeof(ConvertOptions));
  ConvertOptions* options = reinterpret_cast<ConvertOptions*>(block.get());
  std::memset(block.get(), 'x', sizeof(ConvertOptions));
  options->class_byte = 0;
  options->text_coding = 0;
  std::memset(options->ud, 'y', kVtrTextFieldSize);
  Bytes file = Build(kScriptA, *options, kScriptAMs);
  ExpectWellFormed(file, 209 + 12 * (4 + 256));
  size_t ud = 37 + 11 * (4 + 256) + 14;
  EXPECT_EQ(Slice(file, ud, 4), FromHex("55 44 01 00"));
  EXPECT_EQ(Slice(file, ud + 4, 256), Bytes(256, 'y'));
  EXPECT_EQ(Slice(file, ud - 14, 14), FromHex("43 44 00 0A 78 78 78 78 2F 78 78 2F 78 78"));
}

TEST(EscapeEntryValueTest, KeepsCharactersWholeAndEscapesCommaAndBackslash) {
  constexpr EntryCoding kAsIs = EntryCoding::kAsIs;
  constexpr EntryCoding kUtf8 = EntryCoding::kUtf8;
  struct Case {
    const char* why;
    int format_id;
    EntryCoding coding;
    std::string value;
    std::string stored;
  } cases[] = {
      {"comma and backslash", kVtrFormatKvJ, kAsIs, "a,b\\c", "a\\,b\\\\c"},
      {"Shift-JIS trail byte 0x5C", kVtrFormatKvJ, kAsIs, "\x95\x5C,", "\x95\x5C\\,"},
      {"Shift-JIS trail byte 0x2C", kVtrFormatKvJ, kAsIs, "\x82\x2C", "\x82\x2C"},
      {"lead byte last is copied alone", kVtrFormatKvJ, kAsIs, "ab\x82", "ab\x82"},
      {"half-width katakana is one byte", kVtrFormatKvJ, kAsIs, "\xB1\\", "\xB1\\\\"},
      {"0xA1 leads in KS X 1001", kVtrFormatKvK, kAsIs, "\xA1\x5C", "\xA1\x5C"},
      {"0x81 does not lead in KS X 1001", kVtrFormatKvK, kAsIs, "\x81\x5C", "\x81\\\\"},
      {"0xA1 leads in GB 2312", kVtrFormatKvC, kAsIs, "\xA1\x2C", "\xA1\x2C"},
      {"NUL inside a fixed value", kVtrFormatKvJ, kAsIs, std::string("\x04\0\0", 3),
       std::string("\x04\0\0", 3)},
      {"UTF-8: hiragana", kVtrFormatKvJ, kUtf8, "a,\x82\xA0", "a\\,\xE3\x81\x82"},
      {"UTF-8: kanji with trail 0x5C", kVtrFormatKvJ, kUtf8, "\x95\x5C", "\xE8\xA1\xA8"},
      {"UTF-8: half-width katakana", kVtrFormatKvJ, kUtf8, "\xB1", "\xEF\xBD\xB1"},
      {"UTF-8: lone lead byte", kVtrFormatKvJ, kUtf8, "a\x82", "a?"},
      {"UTF-8: hangul", kVtrFormatKvK, kUtf8, "\xB0\xA1", "\xEA\xB0\x80"},
      {"UTF-8: hanzi", kVtrFormatKvC, kUtf8, "\xC4\xE3\\", "\xE4\xBD\xA0\\\\"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeEntryValue(c.value, Language(c.format_id), c.coding, 256), c.stored) << c.why;
  }
}

TEST(EscapeEntryValueTest, CutsBeforeAUnitThatDoesNotFitWhole) {
  const std::string a255(255, 'a');
  struct Case {
    const char* why;
    std::string value;
    EntryCoding coding;
    std::string stored;
  } cases[] = {
      {"300 plain bytes keep 256", std::string(300, 'a'), EntryCoding::kAsIs,
       std::string(256, 'a')},
      {"exactly 256 bytes stay", std::string(256, 'a'), EntryCoding::kAsIs, std::string(256, 'a')},
      {"escape pair is not split", a255 + ",", EntryCoding::kAsIs, a255},
      {"double-byte character is not split", a255 + "\x82\xA0", EntryCoding::kAsIs, a255},
      {"a lone byte still fits", a255 + "b,", EntryCoding::kAsIs, a255 + "b"},
      {"UTF-8 character is not split", std::string(254, 'a') + "\x82\xA0", EntryCoding::kUtf8,
       std::string(254, 'a')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EscapeEntryValue(c.value, Language(kVtrFormatKvJ), c.coding, kMaxTextEntryBytes),
              c.stored)
        << c.why;
  }
}

TEST(KoruWriterTest, StoresTextFieldsInUtf8OnlyForThatCoding) {
  auto options = DatedOptions();
  std::strcpy(options->st, "\xC4\xE3");  // GB 2312 hanzi
  struct Case {
    uint8_t text_coding;
    Bytes entry;
  } cases[] = {
      {0x00, FromHex("53 54 00 02 C4 E3")},
      {kVtrTextCodingUtf8, FromHex("53 54 00 03 E4 BD A0")},
  };
  for (const Case& c : cases) {
    options->text_coding = c.text_coding;
    Bytes file = Build("KV#Cni3", *options, kScriptAMs, kVtrFormatKvC);
    EXPECT_EQ(file[32], c.text_coding);
    EXPECT_EQ(Slice(file, 37, c.entry.size()), c.entry) << int{c.text_coding};
    EXPECT_EQ(Slice(file, 37 + c.entry.size(), 14),
              FromHex("43 44 00 0A 32 30 30 35 2F 30 33 2F 32 31"))
        << "the date keeps its bytes";
  }
}

TEST(TimebaseDivisorTest, KnowsTheEightCodes) {
  struct Case {
    int code;
    int divisor;
  } cases[] = {{0, 1},   {1, 2},   {2, 4}, {3, 5},  {16, 10}, {17, 20},
               {18, 40}, {19, 50}, {4, 0}, {15, 0}, {20, 0},  {-1, 0}};
  for (const Case& c : cases) EXPECT_EQ(TimebaseDivisor(c.code), c.divisor) << c.code;
  EXPECT_EQ(TimebaseDivisor(kTimebaseCode), 20);
}

TEST(FindScriptLanguageTest, AnswersOnlyForTheThreeConvertedLanguages) {
  struct Case {
    int format_id;
    bool known;
  } cases[] = {{kVtrFormatKvJ, true},
               {kVtrFormatKvK, true},
               {kVtrFormatKvC, true},
               {0x54100000, false},
               {0x52000000, false},
               {0, false},
               {-1, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(FindScriptLanguage(c.format_id) != nullptr, c.known) << std::hex << c.format_id;
  }
}

}  // namespace
}  // namespace vtr::qrl
