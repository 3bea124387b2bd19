#include "wave2script/core/wave_file.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "platform/files.h"

namespace vtr::w2s {
namespace {

void Put32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Offsets of the size fields in the fixed header.
constexpr long kRiffSizeAt = 4;
constexpr long kDataSizeAt = 42;
// A file made anew (the recording) is this user's alone.
constexpr unsigned kPrivateFileMode = 0600;

}  // namespace

std::array<uint8_t, kWaveHeaderBytes> WaveFileHeader(const riff::WaveFormat& format,
                                                     uint32_t data_bytes) {
  std::array<uint8_t, kWaveHeaderBytes> header{};
  const uint32_t padded = data_bytes + (data_bytes & 1);
  std::copy_n("RIFF", 4, header.begin());
  Put32(&header[4], static_cast<uint32_t>(4 + 8 + riff::kExtendedWaveFormatBytes + 8) + padded);
  std::copy_n("WAVEfmt ", 8, header.begin() + 8);
  Put32(&header[16], riff::kExtendedWaveFormatBytes);
  const auto format_bytes = riff::EncodeWaveFormat(format);
  std::copy(format_bytes.begin(), format_bytes.end(), header.begin() + 20);
  std::copy_n("data", 4, header.begin() + 38);
  Put32(&header[42], data_bytes);
  return header;
}

bool IsAcceptedWaveRate(uint32_t rate) {
  return rate == 16000 || rate == 22050 || rate == 32000 || rate == 44100;
}

bool CheckWaveFile(const std::filesystem::path& path, int* rate) {
  // A FIFO or a device is never opened: it could wait for a writer or never end.
  if (path.empty() || !platform::IsRegularFile(path)) return false;
  const riff::Walk walk = riff::WalkFile(path);
  if (!walk.IsForm("WAVE")) return false;
  const riff::Chunk* fmt = walk.Find("fmt ");
  const riff::Chunk* data = walk.Find("data");
  if (fmt == nullptr || data == nullptr) return false;
  // Up to 18 bytes into a zeroed record: the fields a short chunk lacks stay 0.
  std::vector<uint8_t> body;
  if (!riff::ReadChunk(path, *fmt, riff::kExtendedWaveFormatBytes, body)) return false;
  const riff::WaveFormat format = riff::DecodeWaveFormat(body);
  // In this order; the rate is kept as soon as it is one the library accepts. Nothing else is
  // tested (the format tag, block align and byte rate are not): what the analysis then cannot
  // read, it refuses itself.
  if (data->size == 0) return false;
  if (data->size > uint64_t{kWaveMaxDataPerHz} * format.rate) return false;
  if (format.channels != 1) return false;
  if (!IsAcceptedWaveRate(format.rate)) return false;
  if (rate != nullptr) *rate = static_cast<int>(format.rate);
  if (format.bits != 16) return false;
  return true;
}

// ---- WaveReader -----------------------------------------------------------------------------

int WaveReader::Open(const std::filesystem::path& path) {
  if (is_open()) return kWaveAlreadyOpen;
  if (path.empty()) return kWaveEmptyName;
  if (!platform::IsRegularFile(path)) return kWaveCannotOpen;  // a FIFO or a device, unopened
  const riff::Walk walk = riff::WalkFile(path);
  if (walk.status == riff::WalkStatus::kCannotOpen) return kWaveCannotOpen;
  if (!walk.IsForm("WAVE")) return kWaveChunkNotFound;
  const riff::Chunk* fmt = walk.Find("fmt ");
  if (fmt == nullptr) return kWaveChunkNotFound;
  std::vector<uint8_t> body;
  if (!riff::ReadChunk(path, *fmt, riff::kExtendedWaveFormatBytes, body)) {
    return kWaveShortFormatRead;
  }
  if (body.size() < std::min<uint64_t>(fmt->declared_size, riff::kExtendedWaveFormatBytes)) {
    return kWaveShortFormatRead;
  }
  const riff::Chunk* data = walk.Find("data");
  if (data == nullptr) return kWaveChunkNotFound;
  file_.open(path, std::ios::binary);
  if (!file_.is_open()) return kWaveCannotOpen;
  file_.seekg(static_cast<std::streamoff>(data->offset));
  if (!file_) {
    file_.close();
    return kWaveCannotOpen;
  }
  format_ = riff::DecodeWaveFormat(body);
  data_size_ = data->size;
  data_read_ = 0;
  return 0;
}

size_t WaveReader::Read(std::span<uint8_t> out) {
  if (!is_open()) return 0;
  const uint64_t left = data_size_ - data_read_;
  const size_t wanted = static_cast<size_t>(std::min<uint64_t>(out.size(), left));
  if (wanted == 0) return 0;
  file_.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(wanted));
  const size_t got = static_cast<size_t>(file_.gcount());
  data_read_ += got;
  return got;
}

void WaveReader::Close() {
  if (file_.is_open()) file_.close();
  file_.clear();
  format_ = {};
  data_size_ = data_read_ = 0;
}

// ---- WaveWriter -----------------------------------------------------------------------------

WaveWriter::~WaveWriter() { (void)Close(); }

int WaveWriter::Create(const std::filesystem::path& path, const riff::WaveFormat& format) {
  if (is_open()) return kWaveAlreadyOpen;
  if (path.empty()) return kWaveEmptyName;
  return Start(std::fopen(path.c_str(), "wb"), format);
}

int WaveWriter::CreateNew(const std::filesystem::path& path, const riff::WaveFormat& format) {
  if (is_open()) return kWaveAlreadyOpen;
  if (path.empty()) return kWaveEmptyName;
  return Start(platform::CreateNewFile(path, kPrivateFileMode), format);
}

int WaveWriter::Start(std::FILE* file, const riff::WaveFormat& format) {
  if (file == nullptr) return kWaveCannotOpen;
  file_ = file;
  format_ = format;
  data_bytes_ = 0;
  failed_ = false;
  const auto header = WaveFileHeader(format_, 0);
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
    std::fclose(file_);
    file_ = nullptr;
    return kWaveShortFormatWrite;
  }
  return 0;
}

bool WaveWriter::Write(std::span<const uint8_t> bytes) {
  if (!is_open()) return false;
  if (bytes.empty()) return true;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
    return false;
  }
  data_bytes_ += static_cast<uint32_t>(bytes.size());
  return true;
}

bool WaveWriter::Close() {
  if (!is_open()) return false;
  bool ok = !failed_;
  if (data_bytes_ & 1) ok = std::fputc('\0', file_) != EOF && ok;
  const auto header = WaveFileHeader(format_, data_bytes_);
  ok = std::fseek(file_, kRiffSizeAt, SEEK_SET) == 0 &&
       std::fwrite(&header[kRiffSizeAt], 1, 4, file_) == 4 && ok;
  ok = std::fseek(file_, kDataSizeAt, SEEK_SET) == 0 &&
       std::fwrite(&header[kDataSizeAt], 1, 4, file_) == 4 && ok;
  ok = std::fflush(file_) == 0 && ok;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  return ok;
}

// ---- Normalisation --------------------------------------------------------------------------

bool NormalizePeak(const std::filesystem::path& path) {
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  if (!file.is_open()) return false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
  if (bytes.size() <= kWaveHeaderBytes) return false;
  // Whole samples only: a last odd byte is not half a sample to scale.
  const size_t samples = (bytes.size() - kWaveHeaderBytes) / 2;
  auto sample_at = [&](size_t i) {
    const size_t at = kWaveHeaderBytes + 2 * i;
    return static_cast<int16_t>(bytes[at] | bytes[at + 1] << 8);
  };
  int peak = 0;
  for (size_t i = 0; i < samples; ++i) peak = std::max(peak, std::abs(int{sample_at(i)}));
  if (peak == 0) return true;
  // Multiplied before dividing, so the peak sample itself lands on 32760 exactly.
  const double target = kNormalisedPeak;
  for (size_t i = 0; i < samples; ++i) {
    const auto scaled = static_cast<int16_t>(std::trunc(target * sample_at(i) / peak));
    const size_t at = kWaveHeaderBytes + 2 * i;
    bytes[at] = static_cast<uint8_t>(scaled);
    bytes[at + 1] = static_cast<uint8_t>(static_cast<uint16_t>(scaled) >> 8);
  }
  file.clear();
  file.seekp(static_cast<std::streamoff>(kWaveHeaderBytes));
  file.write(reinterpret_cast<const char*>(bytes.data() + kWaveHeaderBytes),
             static_cast<std::streamsize>(samples * 2));
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace vtr::w2s
