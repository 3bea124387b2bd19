// The sound thread shared by the silent and the PortAudio systems: it moves samples between
// the caller's source or sink and a blocking device, in blocks of 10 ms.
#ifndef VTR_PLATFORM_SOUND_INTERNAL_SOUND_PUMP_H_
#define VTR_PLATFORM_SOUND_INTERNAL_SOUND_PUMP_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <thread>

#include "platform/sound/sound_system.h"

namespace vtr::platform::internal {

// A device that blocks in Write until it has room (or the stop is requested).
class BlockingOutput {
 public:
  virtual ~BlockingOutput() = default;
  // Returns false when the samples could not be written (stopped, or a device error).
  virtual bool Write(std::span<const std::int16_t> samples, std::stop_token stop) = 0;
  // Waits until everything written has been played; false when stopped first.
  virtual bool Drain(std::stop_token stop) = 0;
};

class BlockingInput {
 public:
  virtual ~BlockingInput() = default;
  // Fills `samples` completely; false when stopped or on a device error.
  virtual bool Read(std::span<std::int16_t> samples, std::stop_token stop) = 0;
};

// Samples per block at `sample_rate`: 10 ms, at least one.
std::size_t BlockFrames(int sample_rate);

class OutputPump final : public SoundStream {
 public:
  OutputPump(std::unique_ptr<BlockingOutput> device, int sample_rate, SoundSource source,
             SoundEnd on_end);
  ~OutputPump() override;
  void Stop() override;
  std::uint64_t frames() const override { return frames_.load(); }
  bool active() const override { return active_.load(); }

 private:
  void Run(const std::stop_token& stop);

  std::unique_ptr<BlockingOutput> device_;
  std::size_t block_frames_;
  SoundSource source_;
  SoundEnd on_end_;
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<bool> active_{true};
  std::jthread thread_;  // last: started after everything it uses
};

class InputPump final : public SoundStream {
 public:
  InputPump(std::unique_ptr<BlockingInput> device, int sample_rate, SoundSink sink);
  ~InputPump() override;
  void Stop() override;
  std::uint64_t frames() const override { return frames_.load(); }
  bool active() const override { return active_.load(); }

 private:
  void Run(const std::stop_token& stop);

  std::unique_ptr<BlockingInput> device_;
  std::size_t block_frames_;
  SoundSink sink_;
  std::atomic<std::uint64_t> frames_{0};
  std::atomic<bool> active_{true};
  std::jthread thread_;
};

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_SOUND_INTERNAL_SOUND_PUMP_H_
