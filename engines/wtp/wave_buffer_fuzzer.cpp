// Reads arbitrary bytes as a wave file, then filters and resamples whatever was accepted, as
// the aligner (to 16 kHz) and the analyser (to 44.1 kHz) do. The file lies in a private scratch
// folder that goes when the fuzzer ends.
//
// Properties:
// - the normalisation scales the peak to 90 % of full scale: no sample exceeds it, the largest
//   one reaches it, and a silent recording stays silent with gain 1;
// - a resampled copy holds ceil(n x new rate / rate) samples, within one.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engines/wtp/wave_buffer.h"
#include "platform/scratch_folder.h"

namespace {

constexpr int kPercent = 90;  // what the engine normalises to

void Require(bool condition) {
  if (!condition) std::abort();
}

int Peak(const vtr::wtp::WaveBuffer& wave) {
  int peak = 0;
  for (const int16_t sample : wave.samples())
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
  return peak;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vtr::platform::ScratchFolder scratch("vtr-wave-buffer-fuzzer");
  static const std::filesystem::path path = scratch.path() / "input.wav";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vtr::wtp::WaveBuffer wave;
  if (wave.ReadWave(path) != vtr::wtp::WaveResult::kOk || wave.count() >= 20000) return 0;

  wave.HighPassNormalise(kPercent);
  const int bound = static_cast<int>(kPercent * 327.68);  // [sample value]
  const int peak = Peak(wave);
  Require(peak <= bound);
  if (peak == 0) {
    Require(wave.gain() == 1.0f);
  } else {
    Require(peak >= bound - 1);
  }

  for (const int new_rate : {16000, 44100}) {
    vtr::wtp::WaveBuffer out;
    if (wave.ResampleTo(out, new_rate) != vtr::wtp::WaveResult::kOk) continue;
    const int64_t n = static_cast<int64_t>(wave.count());
    const int64_t expected = (n * new_rate + wave.rate() - 1) / wave.rate();
    Require(out.rate() == new_rate && out.gain() == wave.gain());
    Require(std::abs(static_cast<int64_t>(out.count()) - expected) <= 1);
  }
  return 0;
}
