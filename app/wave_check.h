// The wave files the intonation dialog takes: 16-bit, mono, at 16000, 22050, 32000 or
// 44100 Hz, holding 1 to 40 x rate data bytes (up to 20 s), as read from up to 18 bytes of the
// format chunk. The format tag, block align and byte rate are not tested.
//
//   // given: std::filesystem::path path
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
