#include "engines/riff/wave_format.h"

#include <algorithm>
#include <vector>

#include "engines/riff/riff_walker.h"

namespace vtr::riff {

WaveFormat PcmFormat(int channels, int rate, int bits) {
  WaveFormat format;
  format.tag = kWaveFormatPcm;
  format.channels = static_cast<uint16_t>(channels);
  format.rate = static_cast<uint32_t>(rate);
  format.block_align = static_cast<uint16_t>(channels * (bits / 8));
  format.byte_rate = static_cast<uint32_t>(bits / 8) * static_cast<uint32_t>(channels) *
                     static_cast<uint32_t>(rate);
  format.bits = static_cast<uint16_t>(bits);
  return format;
}

WaveFormat DecodeWaveFormat(std::span<const uint8_t> bytes) {
  std::array<uint8_t, kExtendedWaveFormatBytes> full{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), full.size()), full.begin());
  WaveFormat format;
  format.tag = ReadU16(full, 0);
  format.channels = ReadU16(full, 2);
  format.rate = ReadU32(full, 4);
  format.byte_rate = ReadU32(full, 8);
  format.block_align = ReadU16(full, 12);
  format.bits = ReadU16(full, 14);
  format.extra_size = ReadU16(full, 16);
  return format;
}

std::array<uint8_t, kExtendedWaveFormatBytes> EncodeWaveFormat(const WaveFormat& format) {
  std::vector<uint8_t> bytes;
  bytes.reserve(kExtendedWaveFormatBytes);
  AppendU16(bytes, format.tag);
  AppendU16(bytes, format.channels);
  AppendU32(bytes, format.rate);
  AppendU32(bytes, format.byte_rate);
  AppendU16(bytes, format.block_align);
  AppendU16(bytes, format.bits);
  AppendU16(bytes, format.extra_size);
  std::array<uint8_t, kExtendedWaveFormatBytes> out{};
  std::copy(bytes.begin(), bytes.end(), out.begin());
  return out;
}

}  // namespace vtr::riff
