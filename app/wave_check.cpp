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
constexpr uint64_t kFormatBytesRead = 18;
constexpr uint64_t kBytesPerRateUnit = 40;  // 20 s of 16-bit mono

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
  if (!riff::ReadChunk(path, *format, kFormatBytesRead, body)) return false;
  body.resize(kFormatBytesRead, 0);  // the fields a short chunk lacks read as 0
  const uint16_t channels = riff::ReadU16(body, 2);
  const uint32_t samples_per_second = riff::ReadU32(body, 4);
  const uint16_t bits = riff::ReadU16(body, 14);
  // The data size as the file declares it, but never more than the file holds.
  const uint64_t size = data->size;
  // The format tag, block align and byte rate are not tested: what the analysis cannot read,
  // the wave-to-script road reports itself.
  const bool accepted =
      channels == 1 && bits == 16 &&
      std::find(kRates.begin(), kRates.end(), samples_per_second) != kRates.end() && size > 0 &&
      !data->truncated() && size <= kBytesPerRateUnit * samples_per_second;
  if (accepted && rate != nullptr) *rate = static_cast<int>(samples_per_second);
  return accepted;
}

}  // namespace vtr::app
