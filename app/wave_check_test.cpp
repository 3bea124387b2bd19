#include "app/wave_check.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engines/riff/riff_walker.h"
#include "platform/testing/fifo_trap.h"

namespace vtr::app {
namespace {

// Block align and byte rate follow from the other fields unless given; the format chunk holds
// the 16-byte record, or its first `fmt_size` bytes.
std::filesystem::path WriteWave(const std::string& name, uint16_t tag, uint16_t channels,
                                uint32_t rate, uint16_t bits, uint32_t data_size,
                                int block_align = -1, int64_t byte_rate = -1,
                                size_t fmt_size = 16) {
  std::vector<uint8_t> fmt;
  riff::AppendU16(fmt, tag);
  riff::AppendU16(fmt, channels);
  riff::AppendU32(fmt, rate);
  riff::AppendU32(fmt,
                  byte_rate >= 0 ? static_cast<uint32_t>(byte_rate) : rate * channels * bits / 8);
  riff::AppendU16(fmt, block_align >= 0 ? static_cast<uint16_t>(block_align)
                                        : static_cast<uint16_t>(channels * bits / 8));
  riff::AppendU16(fmt, bits);
  fmt.resize(fmt_size, 0);
  const std::vector<uint8_t> data(data_size, 0);
  const riff::ChunkData chunks[] = {{"fmt ", fmt}, {"data", data}};
  const std::vector<uint8_t> bytes = riff::BuildRiff("WAVE", chunks);
  std::filesystem::path path =
      std::filesystem::path(VTR_TEST_BIN_DIR) / ("wave_check_" + name + ".wav");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(CheckWaveFileTest, AcceptsShortMonoSixteenBitPcmAtTheFourRates) {
  struct Case {
    std::string name;
    uint16_t tag, channels;
    uint32_t rate;
    uint16_t bits;
    uint32_t size;
    bool accepted;
  };
  const Case cases[] = {
      {"limit", 1, 1, 16000, 16, 640000, true},
      {"over", 1, 1, 16000, 16, 640002, false},
      {"r22050", 1, 1, 22050, 16, 1000, true},
      {"r32000", 1, 1, 32000, 16, 1000, true},
      {"r44100", 1, 1, 44100, 16, 1000, true},
      {"r11025", 1, 1, 11025, 16, 1000, false},
      {"stereo", 1, 2, 16000, 16, 1000, false},
      {"bits8", 1, 1, 16000, 8, 1000, false},
      {"empty", 1, 1, 16000, 16, 0, false},
      {"float", 3, 1, 16000, 16, 1000, true},  // the format tag is not tested
  };
  for (const Case& c : cases) {
    int rate = 0;
    EXPECT_EQ(CheckWaveFile(WriteWave(c.name, c.tag, c.channels, c.rate, c.bits, c.size), &rate),
              c.accepted)
        << c.name;
    if (c.accepted) {
      EXPECT_EQ(rate, static_cast<int>(c.rate)) << c.name;
    }
  }
}

// Only the data size, the channels, the rate and the bits are tested, read from up to 18 bytes
// of the format chunk (a shorter chunk leaves the missing fields 0): a file whose format tag,
// block align or byte rate the analysis will not take is accepted here, and the wave-to-script
// road reports it when the analysis refuses it.
TEST(CheckWaveFileTest, TestsOnlyTheDataSizeChannelsRateAndBits) {
  struct Case {
    std::string name;
    uint16_t tag;
    uint32_t size;
    int block_align;
    int64_t byte_rate;
    size_t fmt_size;
    bool accepted;
  };
  const Case cases[] = {
      {"extensible", 0xFFFE, 32000, -1, -1, 16, true},
      {"blockalign0", 1, 32000, 0, -1, 16, true},
      {"blockalign4", 1, 32000, 4, -1, 16, true},
      {"byterate0", 1, 32000, -1, 0, 16, true},
      {"byterate44100", 1, 32000, -1, 44100, 16, true},
      {"onebyte", 1, 1, -1, -1, 16, true},
      {"onesample", 1, 2, -1, -1, 16, true},
      {"onesecond", 1, 32000, -1, -1, 16, true},
      {"fmt15", 1, 32000, -1, -1, 15, true},   // the bits' high byte reads as 0
      {"fmt14", 1, 32000, -1, -1, 14, false},  // no bits
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckWaveFile(WriteWave(c.name, c.tag, 1, 16000, 16, c.size, c.block_align,
                                      c.byte_rate, c.fmt_size)),
              c.accepted)
        << c.name;
  }
}

TEST(CheckWaveFileTest, RefusesWhatIsNoWave) {
  const std::filesystem::path text =
      std::filesystem::path(VTR_TEST_BIN_DIR) / "wave_check_text.wav";
  std::ofstream(text) << "not a wave at all";
  EXPECT_FALSE(CheckWaveFile(text));
  EXPECT_FALSE(CheckWaveFile(""));
  EXPECT_FALSE(CheckWaveFile(std::filesystem::path(VTR_TEST_BIN_DIR) / "no_such_file.wav"));
}

// A FIFO or a device under a wave's name is refused without being opened.
TEST(CheckWaveFileTest, RefusesWhatIsNoRegularFileUnopened) {
  const std::filesystem::path fifo =
      std::filesystem::path(VTR_TEST_BIN_DIR) / "wave_check_fifo.wav";
  std::filesystem::remove(fifo);
  platform::testing::FifoTrap trap(fifo);
  ASSERT_TRUE(trap.made());
  EXPECT_FALSE(CheckWaveFile(fifo));
  EXPECT_FALSE(CheckWaveFile("/dev/zero"));
  EXPECT_FALSE(trap.opened());
}

}  // namespace
}  // namespace vtr::app
