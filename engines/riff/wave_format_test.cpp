#include "engines/riff/wave_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace vtr::riff {
namespace {

// The 18-byte form of 16-bit mono at 22050 Hz in the extensible format, then the first bytes of
// the 22 bytes of format data it announces.
const std::vector<uint8_t> kExtensible = {
    0xFE, 0xFF,              // tag
    0x01, 0x00,              // channels
    0x22, 0x56, 0x00, 0x00,  // rate
    0x44, 0xAC, 0x00, 0x00,  // byte rate
    0x02, 0x00,              // block align
    0x10, 0x00,              // bits
    0x16, 0x00,              // extra size
    0x10, 0x00, 0x04, 0x00,  // format data
};

TEST(WaveFormatTest, DecodesWhatTheBytesReachAndReadsTheRestAsZero) {
  struct Case {
    const char* name;
    size_t keep;  // bytes of kExtensible decoded
    WaveFormat format;
  };
  const Case cases[] = {
      {"22 bytes: the format data after 18 is no field", 22, {0xFFFE, 1, 22050, 44100, 2, 16, 22}},
      {"the 18-byte form", 18, {0xFFFE, 1, 22050, 44100, 2, 16, 22}},
      {"the 16-byte record: no extra size", 16, {0xFFFE, 1, 22050, 44100, 2, 16, 0}},
      {"15 bytes: the bits' high byte reads as 0", 15, {0xFFFE, 1, 22050, 44100, 2, 16, 0}},
      {"14 bytes: no bits", 14, {0xFFFE, 1, 22050, 44100, 2, 0, 0}},
      {"5 bytes: the rate's low byte only", 5, {0xFFFE, 1, 0x22, 0, 0, 0, 0}},
      {"nothing", 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::span<const uint8_t> bytes(kExtensible.data(), c.keep);
    EXPECT_EQ(DecodeWaveFormat(bytes), c.format);
  }
}

TEST(WaveFormatTest, EncodesTheFieldsLittleEndianInTheirOrder) {
  const WaveFormat format{0xFFFE, 1, 22050, 44100, 2, 16, 22};
  const std::array<uint8_t, kExtendedWaveFormatBytes> bytes = EncodeWaveFormat(format);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
            std::vector<uint8_t>(kExtensible.begin(), kExtensible.begin() + 18));
  EXPECT_EQ(DecodeWaveFormat(bytes), format);
}

TEST(WaveFormatTest, PcmFormatDerivesBlockAlignAndByteRate) {
  struct Case {
    int channels, rate, bits;
    WaveFormat format;
  };
  const Case cases[] = {
      {1, 44100, 16, {kWaveFormatPcm, 1, 44100, 88200, 2, 16, 0}},
      {2, 44100, 16, {kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0}},
      {1, 22050, 8, {kWaveFormatPcm, 1, 22050, 22050, 1, 8, 0}},
      {2, 48000, 24, {kWaveFormatPcm, 2, 48000, 288000, 6, 24, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.channels << " x " << c.bits << " bits at " << c.rate);
    EXPECT_EQ(PcmFormat(c.channels, c.rate, c.bits), c.format);
  }
}

}  // namespace
}  // namespace vtr::riff
