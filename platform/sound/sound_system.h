// Sound output and input streams: 16-bit signed mono samples at a rate the caller chooses.
//
// An output stream pulls its samples from a source function on a sound thread of its own and
// reports, once, when the source has run dry and the last sample has been played. An input
// stream hands each block of recorded samples to a sink function on its sound thread.
//
// The machine's sound system plays through PortAudio. On a machine without a sound output
// device, output goes to a silent device that consumes the samples at the real rate, so a
// phrase still ends on time; recording without an input device fails with a clear error.
// Tests install a system of their own (FakeSoundSystem, or a silent one over a fake clock).
//
//   #include <algorithm>
//   #include <vector>
//   // given: std::vector<int16_t> Render(); void Report(const std::string& error)
//   std::vector<int16_t> samples = Render();
//   std::size_t next = 0;
//   auto opened = vtr::platform::CurrentSoundSystem().OpenOutput(
//       32000,
//       [&](std::span<int16_t> out) {
//         std::size_t n = std::min(out.size(), samples.size() - next);
//         std::copy_n(samples.data() + next, n, out.begin());
//         next += n;
//         return n;
//       },
//       [] { /* finished */ });
//   if (!opened.stream) Report(opened.error);
//   opened.stream->Stop();  // also done when the stream is destroyed
#ifndef VTR_PLATFORM_SOUND_SOUND_SYSTEM_H_
#define VTR_PLATFORM_SOUND_SOUND_SYSTEM_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>

namespace vtr::platform {

// Lowest and highest sample rates a stream accepts [Hz].
inline constexpr int kMinSoundSampleRate = 8000;
inline constexpr int kMaxSoundSampleRate = 192000;

// Fills `out` with the next samples and returns how many it wrote; fewer than out.size()
// (0 included) ends the stream. Called on the sound thread.
using SoundSource = std::function<std::size_t(std::span<std::int16_t> out)>;
// Receives the next block of recorded samples. Called on the sound thread.
using SoundSink = std::function<void(std::span<const std::int16_t> in)>;
// Called once on the sound thread when an output stream has played its last sample.
using SoundEnd = std::function<void()>;

class SoundStream {
 public:
  virtual ~SoundStream() = default;
  // Stops the stream at once. After it returns, the source, sink and end functions are never
  // called again. Safe to call twice; must not be called from inside those functions.
  virtual void Stop() = 0;
  // Samples handed to the device (output) or received from it (input) so far.
  [[nodiscard]] virtual std::uint64_t frames() const = 0;
  // True while the stream runs: until its end has been reported or it was stopped.
  [[nodiscard]] virtual bool active() const = 0;
};

struct [[nodiscard]] SoundOpenResult {
  std::unique_ptr<SoundStream> stream;  // null on failure
  std::string error;                    // why it failed
  bool ok() const { return stream != nullptr; }
};

class SoundSystem {
 public:
  virtual ~SoundSystem() = default;
  // Starts playing the samples of `source` at `sample_rate` [Hz]; `on_end` may be empty.
  virtual SoundOpenResult OpenOutput(int sample_rate, SoundSource source, SoundEnd on_end) = 0;
  // Starts recording at `sample_rate` [Hz] into `sink`.
  virtual SoundOpenResult OpenInput(int sample_rate, SoundSink sink) = 0;
};

// The sound system in use: the one installed last, else the machine's.
SoundSystem& CurrentSoundSystem();
// Installs `system` for the whole process (every library shares this platform library);
// nullptr goes back to the machine's. The caller keeps `system` alive while it is installed.
void InstallSoundSystem(SoundSystem* system);

// The time base of the silent device.
class SoundClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~SoundClock() = default;
  virtual TimePoint Now() = 0;
  // Waits until `deadline`; returns false at once when `stop` is requested.
  virtual bool SleepUntil(TimePoint deadline, std::stop_token stop) = 0;
};

// The steady clock of the machine.
SoundClock& RealSoundClock();

// A system whose output consumes samples at the real rate of `clock` and plays nothing, and
// which has no input. `clock` must outlive the system and its streams.
std::unique_ptr<SoundSystem> MakeSilentSoundSystem(SoundClock& clock = RealSoundClock());

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_SOUND_SOUND_SYSTEM_H_
