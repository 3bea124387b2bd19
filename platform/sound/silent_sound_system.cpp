// The silent device: output is consumed at the real rate of a clock and thrown away.
#include <condition_variable>
#include <mutex>

#include "platform/sound/internal/sound_pump.h"
#include "platform/sound/internal/sound_rates.h"
#include "platform/sound/sound_system.h"

namespace vtr::platform {
namespace {

class SteadySoundClock final : public SoundClock {
 public:
  TimePoint Now() override { return std::chrono::steady_clock::now(); }
  bool SleepUntil(TimePoint deadline, std::stop_token stop) override {
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    wake.wait_until(lock, stop, deadline, [] { return false; });
    return !stop.stop_requested();
  }
};

class SilentOutput final : public internal::BlockingOutput {
 public:
  SilentOutput(SoundClock& clock, int sample_rate)
      : clock_(clock), sample_rate_(sample_rate), start_(clock.Now()) {}

  // Each block is "played" when the clock reaches the time of its last sample.
  bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override {
    written_ += samples.size();
    auto due =
        start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                     std::chrono::duration<double>(static_cast<double>(written_) / sample_rate_));
    return clock_.SleepUntil(due, stop);
  }
  bool Drain(std::stop_token stop) override { return !stop.stop_requested(); }

 private:
  SoundClock& clock_;
  int sample_rate_;
  SoundClock::TimePoint start_;
  std::uint64_t written_ = 0;
};

class SilentSoundSystem final : public SoundSystem {
 public:
  explicit SilentSoundSystem(SoundClock& clock) : clock_(clock) {}

  SoundOpenResult OpenOutput(int sample_rate, SoundSource source, SoundEnd on_end) override {
    if (std::string error = internal::CheckSampleRate(sample_rate); !error.empty()) {
      return {nullptr, error};
    }
    if (!source) return {nullptr, "no sound source given"};
    return {
        std::make_unique<internal::OutputPump>(std::make_unique<SilentOutput>(clock_, sample_rate),
                                               sample_rate, std::move(source), std::move(on_end)),
        {}};
  }

  SoundOpenResult OpenInput(int, SoundSink) override {
    return {nullptr, internal::kNoInputDeviceError};
  }

 private:
  SoundClock& clock_;
};

}  // namespace

SoundClock& RealSoundClock() {
  static SteadySoundClock clock;
  return clock;
}

std::unique_ptr<SoundSystem> MakeSilentSoundSystem(SoundClock& clock) {
  return std::make_unique<SilentSoundSystem>(clock);
}

}  // namespace vtr::platform
