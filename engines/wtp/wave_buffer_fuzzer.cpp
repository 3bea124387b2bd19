// Reads arbitrary bytes as a wave file, then filters and resamples to 16 kHz whatever was
// accepted. The file lies in a private scratch folder that goes when the fuzzer ends.
#include <fstream>
#include <string>

#include "engines/wtp/wave_buffer.h"
#include "platform/scratch_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const vtr::platform::ScratchFolder scratch("vtr-wave-buffer-fuzzer");
  static const std::filesystem::path path = scratch.path() / "input.wav";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  vtr::wtp::WaveBuffer wave;
  if (wave.ReadWave(path) == vtr::wtp::WaveResult::kOk && wave.count() < 20000) {
    wave.HighPassNormalise(90);
    vtr::wtp::WaveBuffer out;
    (void)wave.ResampleTo(out, 16000);
  }
  return 0;
}
