// WAVE files as the wave-to-script library reads and writes them: the library's acceptance
// check, a reader of the sample data, a writer of 16-bit recordings with a fixed 46-byte
// header, and the peak normalisation of a recording. Chunks are found with the one RIFF chunk
// walker, and the format record is read and written by the one decoder and encoder beside it;
// each rule here is this library's own.
//
//   // given: std::filesystem::path path, temp_path; std::span<const uint8_t> bytes
//   int rate = 0;
//   if (CheckWaveFile(path, &rate)) { /* 16-bit mono, 16000..44100 Hz, at most 20 s */ }
//
//   WaveWriter writer;
//   if (writer.Create(temp_path, riff::PcmFormat(1, 44100, 16)) == 0) {
//     writer.Write(bytes);
//     writer.Close();  // fixes the RIFF and data sizes
//   }
#ifndef VTR_WAVE2SCRIPT_CORE_WAVE_FILE_H_
#define VTR_WAVE2SCRIPT_CORE_WAVE_FILE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>

#include "engines/riff/wave_format.h"

namespace vtr::w2s {

// Result codes of the reader and writer (0 = success).
inline constexpr int kWaveEmptyName = 257;
inline constexpr int kWaveAlreadyOpen = 259;
inline constexpr int kWaveShortFormatRead = 261;   // the format chunk holds fewer bytes
inline constexpr int kWaveShortFormatWrite = 262;  // the format could not be written whole
inline constexpr int kWaveCannotOpen = 263;        // the file could not be opened or created
inline constexpr int kWaveChunkNotFound = 265;     // not a RIFF "WAVE" file, or no "fmt "/"data"

// Bytes before the samples in a file written here: its format record is the 18-byte form.
inline constexpr size_t kWaveHeaderBytes = 46;
// The longest data a file may hold: 40 bytes per hertz of rate (20 s of 16-bit mono).
inline constexpr uint32_t kWaveMaxDataPerHz = 40;
// The peak of a normalised recording.
inline constexpr int kNormalisedPeak = 32760;

// The 46-byte header of a file written here holding `data_bytes` of samples.
[[nodiscard]] std::array<uint8_t, kWaveHeaderBytes> WaveFileHeader(const riff::WaveFormat& format,
                                                                   uint32_t data_bytes);

// True for the rates the library accepts: 16000, 22050, 32000 and 44100 Hz.
[[nodiscard]] bool IsAcceptedWaveRate(uint32_t rate);

// The library's check: a RIFF "WAVE" file with "fmt " and "data" chunks whose data is
// 1..40 x rate bytes, with one channel, an accepted rate and 16 bits, as read from up to 18
// bytes of the format chunk (a shorter chunk leaves the missing fields 0). The format tag,
// block align and byte rate are not tested. The rate is written to `*rate` as soon as it is an
// accepted one (also when a later test fails). Returns true when the file is accepted.
[[nodiscard]] bool CheckWaveFile(const std::filesystem::path& path, int* rate);

// Reads the sample data of a WAVE file.
class WaveReader {
 public:
  // 0, or kWaveAlreadyOpen, kWaveEmptyName, kWaveCannotOpen, kWaveChunkNotFound,
  // kWaveShortFormatRead. The format is read from up to 18 bytes of the "fmt " chunk.
  int Open(const std::filesystem::path& path);
  // Reads up to out.size() further data bytes; returns how many were read.
  size_t Read(std::span<uint8_t> out);
  void Close();

  [[nodiscard]] bool is_open() const { return file_.is_open(); }
  const riff::WaveFormat& format() const { return format_; }
  uint64_t data_size() const { return data_size_; }  // [bytes] present in the file
  uint64_t data_read() const { return data_read_; }

 private:
  std::ifstream file_;
  riff::WaveFormat format_;
  uint64_t data_size_ = 0;
  uint64_t data_read_ = 0;
};

// Writes a WAVE file with the fixed 46-byte header; the sizes are fixed by Close.
class WaveWriter {
 public:
  WaveWriter() = default;
  ~WaveWriter();
  WaveWriter(const WaveWriter&) = delete;
  WaveWriter& operator=(const WaveWriter&) = delete;

  // Creates or truncates the file. 0, or kWaveAlreadyOpen, kWaveEmptyName, kWaveCannotOpen,
  // kWaveShortFormatWrite.
  int Create(const std::filesystem::path& path, const riff::WaveFormat& format);
  // Creates the file anew for this user alone (mode 0600), failing with kWaveCannotOpen when
  // anything of that name exists: a symbolic link there is never followed. Otherwise as Create.
  int CreateNew(const std::filesystem::path& path, const riff::WaveFormat& format);
  // Appends data bytes; false when they could not all be written.
  bool Write(std::span<const uint8_t> bytes);
  // Pads odd data, writes both sizes and closes. False when any of that failed (or nothing
  // was open).
  bool Close();

  [[nodiscard]] bool is_open() const { return file_ != nullptr; }
  uint32_t data_bytes() const { return data_bytes_; }

 private:
  int Start(std::FILE* file, const riff::WaveFormat& format);

  std::FILE* file_ = nullptr;
  riff::WaveFormat format_;
  uint32_t data_bytes_ = 0;
  bool failed_ = false;
};

// Peak normalisation of a file written here: the 16-bit samples after the 46-byte header are
// scaled by 32760 / peak (truncated toward zero; -32768 counts as a peak of 32768). A silent
// recording stays silent; a last odd byte is left as it is. Returns true when the file was
// read and written back (or is silent), false when it holds no samples or cannot be
// rewritten.
[[nodiscard]] bool NormalizePeak(const std::filesystem::path& path);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_WAVE_FILE_H_
