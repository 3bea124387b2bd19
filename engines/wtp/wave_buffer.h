// One mono 16-bit recording in memory: reading and writing RIFF WAVE files, the 20 Hz
// high-pass with peak normalisation, and a band-limited resampler in fixed point.
//
//   // given: std::filesystem::path path, folder
//   vtr::wtp::WaveBuffer wave;
//   if (wave.ReadWave(path) != vtr::wtp::WaveResult::kOk) return;
//   wave.HighPassNormalise(90);                 // in place; gain() remembers the factor
//   vtr::wtp::WaveBuffer copy16k;
//   if (wave.ResampleTo(copy16k, 16000) != vtr::wtp::WaveResult::kOk) return;
//   (void)copy16k.WriteWave(folder / "tmp.wav");
#ifndef VTR_ENGINES_WTP_WAVE_BUFFER_H_
#define VTR_ENGINES_WTP_WAVE_BUFFER_H_

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "engines/riff/wave_format.h"

namespace vtr::wtp {

enum class WaveResult : int32_t {
  kOk = 0,
  kFailed = -1,       // the file could not be created, or the resampler could not run
  kBadArgument = -2,  // empty path
  kCannotOpen = -4,   // the file cannot be opened for reading
  kUnsupported = -5,  // not a RIFF WAVE file of a supported format, or a read error
};

// The sample rates a recording may have [Hz].
inline constexpr uint32_t kSupportedRates[] = {16000, 22050, 32000, 44100, 48000};
// [s] The longest recording read: three times the 20 s the wave-to-script road records and
// accepts, so that no road meets the limit, while an hour of audio (hundreds of megabytes) is
// refused before it is read.
inline constexpr uint32_t kMaxWaveSeconds = 60;

class WaveBuffer {
 public:
  WaveBuffer() = default;
  WaveBuffer(std::vector<int16_t> samples, int rate) : samples_(std::move(samples)), rate_(rate) {}

  // Frees the old samples, then reads the file. Any failure after opening leaves the buffer
  // empty. A "fmt " chunk larger than the format record is read as far as the record goes;
  // the "data" chunk is bounded by the file, and one longer than kMaxWaveSeconds at the file's
  // rate is refused (kUnsupported) without being read.
  [[nodiscard]] WaveResult ReadWave(const std::filesystem::path& file);
  // Writes a PCM file: a 16-byte "fmt " chunk {1, 1, rate, 2 rate, 2, 16} and the samples.
  [[nodiscard]] WaveResult WriteWave(const std::filesystem::path& file) const;
  // True for PCM, mono, 16 bits, block align 2, byte rate 2 x rate, and a supported rate. A
  // supported rate is stored even when a later test fails.
  [[nodiscard]] bool CheckFormat(const riff::WaveFormat& format);

  // Second-order Butterworth high-pass at 20 Hz, in place, then scales the peak to `percent`
  // of full scale. A silent recording keeps its samples and gain 1.
  void HighPassNormalise(int percent);

  // Fills `target` with this recording at `new_rate` [Hz]: trunc(count x factor + 1) samples,
  // delayed by the filter's half length (under 2 ms). target.gain() = gain().
  [[nodiscard]] WaveResult ResampleTo(WaveBuffer& target, int new_rate) const;

  std::span<const int16_t> samples() const { return samples_; }
  std::vector<int16_t>& mutable_samples() { return samples_; }
  size_t count() const { return samples_.size(); }
  int rate() const { return rate_; }
  float gain() const { return gain_; }

 private:
  std::vector<int16_t> samples_;
  int rate_ = 44100;  // [Hz]
  float gain_ = 1.0f;
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_WAVE_BUFFER_H_
