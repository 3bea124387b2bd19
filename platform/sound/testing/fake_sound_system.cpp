#include "platform/sound/testing/fake_sound_system.h"

#include <algorithm>
#include <utility>

#include "platform/sound/internal/sound_rates.h"

namespace vtr::platform {

struct FakeSoundSystem::Channel {
  bool output = true;
  SoundSource source;
  SoundSink sink;
  SoundEnd on_end;
  // Held while the test drives the stream, so that Stop waits for a running Pump or Feed.
  std::recursive_mutex mutex;
  bool running = true;
  std::uint64_t frames = 0;
};

namespace {

class FakeStream final : public SoundStream {
 public:
  explicit FakeStream(std::shared_ptr<FakeSoundSystem::Channel> channel)
      : channel_(std::move(channel)) {}
  ~FakeStream() override { Stop(); }
  // Also lets go of the stream's functions: their code may live in a library that is
  // unloaded once its streams are gone.
  void Stop() override {
    std::lock_guard lock(channel_->mutex);
    channel_->running = false;
    channel_->source = nullptr;
    channel_->sink = nullptr;
    channel_->on_end = nullptr;
  }
  std::uint64_t frames() const override {
    std::lock_guard lock(channel_->mutex);
    return channel_->frames;
  }
  bool active() const override {
    std::lock_guard lock(channel_->mutex);
    return channel_->running;
  }

 private:
  std::shared_ptr<FakeSoundSystem::Channel> channel_;
};

}  // namespace

FakeSoundSystem::FakeSoundSystem() = default;
FakeSoundSystem::~FakeSoundSystem() = default;

SoundOpenResult FakeSoundSystem::OpenOutput(int sample_rate, SoundSource source, SoundEnd on_end) {
  std::lock_guard lock(mutex_);
  if (!fail_next_.empty()) return {nullptr, std::exchange(fail_next_, {})};
  if (std::string error = internal::CheckSampleRate(sample_rate); !error.empty()) {
    return {nullptr, error};
  }
  if (!source) return {nullptr, "no sound source given"};
  auto channel = std::make_shared<Channel>();
  channel->source = std::move(source);
  channel->on_end = std::move(on_end);
  channels_.push_back(channel);
  ++outputs_opened_;
  last_sample_rate_ = sample_rate;
  return {std::make_unique<FakeStream>(channel), {}};
}

SoundOpenResult FakeSoundSystem::OpenInput(int sample_rate, SoundSink sink) {
  std::lock_guard lock(mutex_);
  if (!fail_next_.empty()) return {nullptr, std::exchange(fail_next_, {})};
  if (!has_input_) return {nullptr, internal::kNoInputDeviceError};
  if (std::string error = internal::CheckSampleRate(sample_rate); !error.empty()) {
    return {nullptr, error};
  }
  if (!sink) return {nullptr, "no sound sink given"};
  auto channel = std::make_shared<Channel>();
  channel->output = false;
  channel->sink = std::move(sink);
  channels_.push_back(channel);
  last_sample_rate_ = sample_rate;
  return {std::make_unique<FakeStream>(channel), {}};
}

std::vector<std::int16_t> FakeSoundSystem::Pump(std::size_t frames) {
  std::shared_ptr<Channel> channel;
  {
    std::lock_guard lock(mutex_);
    for (auto it = channels_.rbegin(); it != channels_.rend() && !channel; ++it) {
      std::lock_guard channel_lock((*it)->mutex);
      if ((*it)->output && (*it)->running) channel = *it;
    }
  }
  std::vector<std::int16_t> played(frames);
  if (!channel) return {};
  std::lock_guard lock(channel->mutex);
  if (!channel->running) return {};
  std::size_t n = std::min(channel->source(played), frames);
  played.resize(n);
  channel->frames += n;
  if (n < frames) {
    channel->running = false;
    SoundEnd on_end = std::exchange(channel->on_end, nullptr);
    channel->source = nullptr;
    if (on_end) on_end();
  }
  return played;
}

bool FakeSoundSystem::Feed(std::span<const std::int16_t> samples) {
  std::shared_ptr<Channel> channel;
  {
    std::lock_guard lock(mutex_);
    for (auto it = channels_.rbegin(); it != channels_.rend() && !channel; ++it) {
      std::lock_guard channel_lock((*it)->mutex);
      if (!(*it)->output && (*it)->running) channel = *it;
    }
  }
  if (!channel) return false;
  std::lock_guard lock(channel->mutex);
  if (!channel->running) return false;
  channel->frames += samples.size();
  channel->sink(samples);
  return true;
}

void FakeSoundSystem::FailNextOpen(std::string error) {
  std::lock_guard lock(mutex_);
  fail_next_ = error.empty() ? "the sound device failed" : std::move(error);
}

void FakeSoundSystem::set_has_input(bool has_input) {
  std::lock_guard lock(mutex_);
  has_input_ = has_input;
}

int FakeSoundSystem::outputs_opened() const {
  std::lock_guard lock(mutex_);
  return outputs_opened_;
}

int FakeSoundSystem::last_sample_rate() const {
  std::lock_guard lock(mutex_);
  return last_sample_rate_;
}

bool FakeSoundSystem::output_running() const {
  std::lock_guard lock(mutex_);
  return std::any_of(channels_.begin(), channels_.end(), [](const auto& channel) {
    std::lock_guard channel_lock(channel->mutex);
    return channel->output && channel->running;
  });
}

SoundClock::TimePoint FakeSoundClock::Now() {
  std::lock_guard lock(mutex_);
  return now_;
}

bool FakeSoundClock::SleepUntil(TimePoint deadline, std::stop_token stop) {
  if (stop.stop_requested()) return false;
  std::lock_guard lock(mutex_);
  now_ = std::max(now_, deadline);
  return true;
}

std::chrono::nanoseconds FakeSoundClock::elapsed() const {
  std::lock_guard lock(mutex_);
  return now_ - start_;
}

}  // namespace vtr::platform
