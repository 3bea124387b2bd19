// Test doubles for the sound layer: a sound system whose device the test drives by hand, and a
// clock for the silent device that jumps instead of waiting.
//
//   vtr::platform::FakeSoundSystem fake;
//   vtr::platform::InstallSoundSystem(&fake);
//   ...start playing...
//   std::vector<int16_t> played = fake.Pump(32000);  // one second, and the end when it came
//   vtr::platform::InstallSoundSystem(nullptr);
#ifndef VTR_PLATFORM_SOUND_TESTING_FAKE_SOUND_SYSTEM_H_
#define VTR_PLATFORM_SOUND_TESTING_FAKE_SOUND_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/sound/sound_system.h"

namespace vtr::platform {

class FakeSoundSystem final : public SoundSystem {
 public:
  FakeSoundSystem();
  ~FakeSoundSystem() override;

  SoundOpenResult OpenOutput(int sample_rate, SoundSource source, SoundEnd on_end) override;
  SoundOpenResult OpenInput(int sample_rate, SoundSink sink) override;

  // Plays up to `frames` samples of the newest running output stream, on the caller's thread,
  // and returns them; when its source runs dry the stream ends and its end function is called.
  std::vector<std::int16_t> Pump(std::size_t frames);
  // Hands `samples` to the newest running input stream; false when none runs.
  bool Feed(std::span<const std::int16_t> samples);

  // The next open of either kind fails with `error`.
  void FailNextOpen(std::string error);
  // When false, OpenInput fails as on a machine without a microphone.
  void set_has_input(bool has_input);

  int outputs_opened() const;
  int last_sample_rate() const;
  // True while an output stream opened here runs.
  bool output_running() const;

  struct Channel;  // one stream's shared state

 private:
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<Channel>> channels_;
  std::string fail_next_;
  bool has_input_ = true;
  int outputs_opened_ = 0;
  int last_sample_rate_ = 0;
};

// A clock that reaches any deadline at once, so the silent device runs as fast as it can while
// its time still advances exactly as the samples say.
class FakeSoundClock final : public SoundClock {
 public:
  TimePoint Now() override;
  bool SleepUntil(TimePoint deadline, std::stop_token stop) override;
  // Time advanced since construction.
  std::chrono::nanoseconds elapsed() const;

 private:
  mutable std::mutex mutex_;
  TimePoint start_{};
  TimePoint now_{};
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_SOUND_TESTING_FAKE_SOUND_SYSTEM_H_
