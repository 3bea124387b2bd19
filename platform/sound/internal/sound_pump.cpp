#include "platform/sound/internal/sound_pump.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vtr::platform::internal {

std::size_t BlockFrames(int sample_rate) {
  return static_cast<std::size_t>(std::max(1, sample_rate / 100));
}

OutputPump::OutputPump(std::unique_ptr<BlockingOutput> device, int sample_rate, SoundSource source,
                       SoundEnd on_end)
    : device_(std::move(device)),
      block_frames_(BlockFrames(sample_rate)),
      source_(std::move(source)),
      on_end_(std::move(on_end)),
      thread_([this](const std::stop_token& stop) { Run(stop); }) {}

OutputPump::~OutputPump() { Stop(); }

void OutputPump::Stop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
  active_ = false;
}

void OutputPump::Run(const std::stop_token& stop) {
  std::vector<std::int16_t> block(block_frames_);
  while (!stop.stop_requested()) {
    std::size_t n = std::min(source_(block), block.size());
    if (n > 0) {
      if (!device_->Write(std::span(block.data(), n), stop)) break;
      frames_ += n;
    }
    if (n < block.size()) {
      // The source ran dry: report the end only once the device has played it all.
      if (device_->Drain(stop) && !stop.stop_requested()) {
        active_ = false;
        if (on_end_) on_end_();
      }
      break;
    }
  }
  active_ = false;
}

InputPump::InputPump(std::unique_ptr<BlockingInput> device, int sample_rate, SoundSink sink)
    : device_(std::move(device)),
      block_frames_(BlockFrames(sample_rate)),
      sink_(std::move(sink)),
      thread_([this](const std::stop_token& stop) { Run(stop); }) {}

InputPump::~InputPump() { Stop(); }

void InputPump::Stop() {
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
  active_ = false;
}

void InputPump::Run(const std::stop_token& stop) {
  std::vector<std::int16_t> block(block_frames_);
  while (!stop.stop_requested()) {
    if (!device_->Read(block, stop)) break;
    frames_ += block.size();
    sink_(block);
  }
  active_ = false;
}

}  // namespace vtr::platform::internal
