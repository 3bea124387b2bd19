// The wave files the intonation dialog takes: PCM, 16-bit, mono (block align 2, byte rate
// 2 x rate), at 16000, 22050, 32000 or 44100 Hz, holding one sample to 20 s (40 x rate bytes).
//
//   int rate = 0;
//   if (vtr::app::CheckWaveFile(path, &rate)) { /* open the intonation dialog */ }
#ifndef VTR_APP_WAVE_CHECK_H_
#define VTR_APP_WAVE_CHECK_H_

#include <filesystem>

namespace vtr::app {

// True when `path` names an accepted wave file; its rate goes to `rate` when given.
[[nodiscard]] bool CheckWaveFile(const std::filesystem::path& path, int* rate = nullptr);

}  // namespace vtr::app

#endif  // VTR_APP_WAVE_CHECK_H_
