#include "app/wave_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engines/riff/riff_walker.h"
#include "platform/files.h"

namespace vtr::app {
namespace {

constexpr std::array<uint32_t, 4> kRates = {16000, 22050, 32000, 44100};
constexpr uint16_t kFormatPcm = 1;
constexpr uint64_t kFormatBytesRead = 18;
constexpr uint64_t kBytesPerRateUnit = 40;  // 20 s of 16-bit mono
constexpr uint32_t kSampleBytes = 2;        // one 16-bit mono sample

}  // namespace

bool CheckWaveFile(const std::filesystem::path& path, int* rate) {
  // A FIFO or a device is never opened: it could wait for a writer or never end.
  if (path.empty() || !platform::IsRegularFile(path)) return false;
  const riff::Walk walk = riff::WalkFile(path);
  if (!walk.IsForm("WAVE")) return false;
  const riff::Chunk* format = walk.Find("fmt ");
  const riff::Chunk* data = walk.Find("data");
  if (format == nullptr || data == nullptr) return false;
  std::vector<uint8_t> body;
  if (!riff::ReadChunk(path, *format, kFormatBytesRead, body) || body.size() < 16) return false;
  const uint16_t tag = riff::ReadU16(body, 0);
  const uint16_t channels = riff::ReadU16(body, 2);
  const uint32_t samples_per_second = riff::ReadU32(body, 4);
  const uint32_t bytes_per_second = riff::ReadU32(body, 8);
  const uint16_t block_align = riff::ReadU16(body, 12);
  const uint16_t bits = riff::ReadU16(body, 14);
  // The data size as the file declares it, but never more than the file holds.
  const uint64_t size = data->size;
  // Block align, byte rate and one whole sample: what the analysis the file is taken to reads.
  const bool accepted =
      tag == kFormatPcm && channels == 1 && bits == 16 && block_align == kSampleBytes &&
      bytes_per_second == kSampleBytes * samples_per_second &&
      std::find(kRates.begin(), kRates.end(), samples_per_second) != kRates.end() &&
      size >= kSampleBytes && !data->truncated() &&
      size <= kBytesPerRateUnit * samples_per_second;
  if (accepted && rate != nullptr) *rate = static_cast<int>(samples_per_second);
  return accepted;
}

}  // namespace vtr::app
