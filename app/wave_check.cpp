#include "app/wave_check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "platform/files.h"

namespace vtr::app {
namespace {

constexpr std::array<uint32_t, 4> kRates = {16000, 22050, 32000, 44100};
constexpr uint64_t kBytesPerRateUnit = 40;  // 20 s of 16-bit mono

}  // namespace

bool CheckWaveFile(const std::filesystem::path& path, int* rate) {
  // A FIFO or a device is never opened: it could wait for a writer or never end.
  if (path.empty() || !platform::IsRegularFile(path)) return false;
  const riff::Walk walk = riff::WalkFile(path);
  if (!walk.IsForm("WAVE")) return false;
  const riff::Chunk* fmt = walk.Find("fmt ");
  const riff::Chunk* data = walk.Find("data");
  if (fmt == nullptr || data == nullptr) return false;
  std::vector<uint8_t> body;
  if (!riff::ReadChunk(path, *fmt, riff::kExtendedWaveFormatBytes, body)) return false;
  // The fields a short chunk lacks read as 0.
  const riff::WaveFormat format = riff::DecodeWaveFormat(body);
  // The data size as the file declares it, but never more than the file holds.
  const uint64_t size = data->size;
  // The format tag, block align and byte rate are not tested: what the analysis cannot read,
  // the wave-to-script road reports itself.
  const bool accepted = format.channels == 1 && format.bits == 16 &&
                        std::find(kRates.begin(), kRates.end(), format.rate) != kRates.end() &&
                        size > 0 && !data->truncated() && size <= kBytesPerRateUnit * format.rate;
  if (accepted && rate != nullptr) *rate = static_cast<int>(format.rate);
  return accepted;
}

}  // namespace vtr::app
