// Reads arbitrary bytes as a wave file and resamples whatever was accepted.
#include <cstdio>
#include <fstream>
#include <string>

#include "engines/wtp/wave_buffer.h"
#include "platform/environment.h"
#include "platform/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (vtr::platform::TempFolder() /
       ("vtr_wave_buffer_fuzz_" + std::to_string(vtr::platform::CurrentProcessId()) + ".wav"))
          .string();
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
