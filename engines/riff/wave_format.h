// The format record of a WAVE file, the body of its "fmt " chunk, read and written one way for
// every reader and writer of wave files.
//
// The record is 16 little-endian bytes: format tag, channels, rate, byte rate, block align and
// bits per sample. Its 18-byte form adds the size of the format data that follows. The decoder
// takes whatever part of the record a chunk holds and reads the fields it does not reach as 0,
// so a reader needs only to say how many bytes it reads. Which records a reader accepts (the
// rates, the channels, a chunk shorter than it asks for) is its own rule; this module only
// gives the fields.
//
//   // given: std::filesystem::path path; int kNotWave
//   #include "engines/riff/riff_walker.h"
//   const Walk walk = WalkFile(path);
//   const Chunk* fmt = walk.Find("fmt ");
//   std::vector<uint8_t> body;
//   if (fmt == nullptr || !ReadChunk(path, *fmt, kWaveFormatBytes, body)) return kNotWave;
//   const WaveFormat format = DecodeWaveFormat(body);
//   if (format.tag != kWaveFormatPcm || format.channels != 1) return kNotWave;
//
// Writing: EncodeWaveFormat(PcmFormat(1, 44100, 16)) gives the 18-byte form; a 16-byte "fmt "
// chunk is its first kWaveFormatBytes.
#ifndef VTR_ENGINES_RIFF_WAVE_FORMAT_H_
#define VTR_ENGINES_RIFF_WAVE_FORMAT_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace vtr::riff {

// [bytes] the record, and the record with the size of the format data after it.
inline constexpr size_t kWaveFormatBytes = 16;
inline constexpr size_t kExtendedWaveFormatBytes = 18;

// The format tag of integer PCM.
inline constexpr uint16_t kWaveFormatPcm = 1;

struct WaveFormat {
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t rate = 0;         // [Hz]
  uint32_t byte_rate = 0;    // [bytes/s]
  uint16_t block_align = 0;  // [bytes per sample frame]
  uint16_t bits = 0;         // per sample
  uint16_t extra_size = 0;   // [bytes] of format data after the 18-byte form

  bool operator==(const WaveFormat&) const = default;
};

// PCM with the channels, rate [Hz] and bits; block align and byte rate follow from them, the
// extra size is 0.
[[nodiscard]] WaveFormat PcmFormat(int channels, int rate, int bits);

// Reads the first min(bytes.size(), 18) bytes; what they do not reach reads as 0.
[[nodiscard]] WaveFormat DecodeWaveFormat(std::span<const uint8_t> bytes);

// The 18-byte form of the record.
[[nodiscard]] std::array<uint8_t, kExtendedWaveFormatBytes> EncodeWaveFormat(
    const WaveFormat& format);

}  // namespace vtr::riff

#endif  // VTR_ENGINES_RIFF_WAVE_FORMAT_H_
