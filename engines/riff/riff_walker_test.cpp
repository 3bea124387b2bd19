#include "engines/riff/riff_walker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace vtr::riff {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> TwoChunkWave() {
  const std::vector<uint8_t> fmt = Bytes("0123456789abcdef");
  const std::vector<uint8_t> data = Bytes("xyz");
  const ChunkData chunks[] = {{"fmt ", fmt}, {"data", data}};
  return BuildRiff("WAVE", chunks);
}

TEST(RiffWalkerTest, BuildsAndWalksChunksWithPadding) {
  const std::vector<uint8_t> file = TwoChunkWave();
  // 12 header + (8 + 16) + (8 + 3 + 1 pad).
  ASSERT_EQ(file.size(), 48u);
  EXPECT_EQ(ReadU32(file, 4), 40u);
  const Walk walk = WalkBytes(file);
  ASSERT_EQ(walk.status, WalkStatus::kOk);
  EXPECT_TRUE(walk.IsForm("WAVE"));
  EXPECT_FALSE(walk.truncated);
  ASSERT_EQ(walk.chunks.size(), 2u);
  EXPECT_TRUE(walk.chunks[0].Is("fmt "));
  EXPECT_EQ(walk.chunks[0].offset, 20u);
  EXPECT_EQ(walk.chunks[0].size, 16u);
  EXPECT_TRUE(walk.chunks[1].Is("data"));
  EXPECT_EQ(walk.chunks[1].offset, 44u);
  EXPECT_EQ(walk.chunks[1].size, 3u);
  EXPECT_EQ(walk.Find("data"), &walk.chunks[1]);
  EXPECT_EQ(walk.Find("LIST"), nullptr);
}

struct DamagedCase {
  const char* name;
  size_t keep;         // bytes of the good file kept
  uint32_t riff_size;  // 0: keep the written one
  WalkStatus status;
  size_t chunk_count;
  uint64_t last_size;  // bounded size of the last chunk
  bool truncated;
};

TEST(RiffWalkerTest, BoundsEveryChunkByTheSource) {
  const DamagedCase cases[] = {
      {"empty source is no riff", 0, 0, WalkStatus::kNotRiff, 0, 0, false},
      {"header cut short is no riff", 11, 0, WalkStatus::kNotRiff, 0, 0, false},
      {"header only", 12, 0, WalkStatus::kOk, 0, 0, true},
      {"chunk header cut", 16, 0, WalkStatus::kOk, 0, 0, true},
      {"first body cut", 30, 0, WalkStatus::kOk, 1, 10, true},
      {"data body cut", 45, 0, WalkStatus::kOk, 2, 1, true},
      {"huge declared riff size", 48, 0xFFFFFFFFu, WalkStatus::kOk, 2, 3, true},
      {"riff size ends before data", 48, 28, WalkStatus::kOk, 1, 16, false},
  };
  for (const DamagedCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> file = TwoChunkWave();
    if (c.riff_size != 0) {
      for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(c.riff_size >> (8 * i));
    }
    file.resize(c.keep);
    const Walk walk = WalkBytes(file);
    EXPECT_EQ(walk.status, c.status);
    EXPECT_EQ(walk.chunks.size(), c.chunk_count);
    EXPECT_EQ(walk.truncated, c.truncated);
    if (!walk.chunks.empty()) {
      EXPECT_EQ(walk.chunks.back().size, c.last_size);
      EXPECT_LE(walk.chunks.back().offset + walk.chunks.back().size, file.size());
    }
  }
}

TEST(RiffWalkerTest, HugeDeclaredChunkSizeIsBoundedByTheFile) {
  std::vector<uint8_t> file = TwoChunkWave();
  // "data" declares 0xFFFFFFF0 bytes.
  file[40] = 0xF0;
  file[41] = file[42] = file[43] = 0xFF;
  const Walk walk = WalkBytes(file);
  ASSERT_EQ(walk.chunks.size(), 2u);
  EXPECT_EQ(walk.chunks[1].declared_size, 0xFFFFFFF0u);
  EXPECT_EQ(walk.chunks[1].size, 4u);
  EXPECT_TRUE(walk.chunks[1].truncated());
  EXPECT_TRUE(walk.truncated);
}

TEST(RiffWalkerTest, OtherFormsAreReportedNotJudged) {
  std::vector<uint8_t> file = TwoChunkWave();
  file[8] = 'A';
  const Walk walk = WalkBytes(file);
  EXPECT_EQ(walk.status, WalkStatus::kOk);
  EXPECT_FALSE(walk.IsForm("WAVE"));
  file[0] = 'X';
  EXPECT_EQ(WalkBytes(file).status, WalkStatus::kNotRiff);
}

TEST(RiffWalkerTest, WalksAndReadsFiles) {
  const std::filesystem::path path =
      std::filesystem::path(VTR_TEST_BIN_DIR) / "riff_walker_test_file.wav";
  const std::vector<uint8_t> file = TwoChunkWave();
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  const Walk walk = WalkFile(path);
  ASSERT_EQ(walk.status, WalkStatus::kOk);
  EXPECT_EQ(walk.source_size, file.size());
  ASSERT_NE(walk.Find("fmt "), nullptr);
  std::vector<uint8_t> body;
  ASSERT_TRUE(ReadChunk(path, *walk.Find("fmt "), 10, body));
  EXPECT_EQ(std::string(body.begin(), body.end()), "0123456789");
  ASSERT_TRUE(ReadChunk(path, *walk.Find("data"), 100, body));
  EXPECT_EQ(std::string(body.begin(), body.end()), "xyz");
  std::filesystem::remove(path);
  EXPECT_EQ(WalkFile(path).status, WalkStatus::kCannotOpen);
  EXPECT_FALSE(ReadChunk(path, walk.chunks[0], 16, body));
}

TEST(RiffWalkerTest, LittleEndianFields) {
  std::vector<uint8_t> out;
  AppendU16(out, 0x1234);
  AppendU32(out, 0xA1B2C3D4u);
  ASSERT_EQ(out, (std::vector<uint8_t>{0x34, 0x12, 0xD4, 0xC3, 0xB2, 0xA1}));
  EXPECT_EQ(ReadU16(out, 0), 0x1234);
  EXPECT_EQ(ReadU32(out, 2), 0xA1B2C3D4u);
  EXPECT_EQ(MakeFourCC("ab"), (FourCC{'a', 'b', ' ', ' '}));
}

}  // namespace
}  // namespace vtr::riff
