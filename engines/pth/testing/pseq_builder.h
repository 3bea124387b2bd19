// Builds pitch sequences for tests with the event writers of engines/events.
#ifndef VTR_ENGINES_PTH_TESTING_PSEQ_BUILDER_H_
#define VTR_ENGINES_PTH_TESTING_PSEQ_BUILDER_H_

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "engines/events/event_writer.h"
#include "engines/events/voice_event.h"

namespace vtr::pth::testing {

class PSeqBuilder {
 public:
  PSeqBuilder& Control(uint32_t delta, uint8_t controller, uint8_t value) {
    Append([&](std::span<uint8_t> out) {
      return events::WriteControlEvent(delta, controller, value, out);
    });
    return *this;
  }
  PSeqBuilder& Program(uint32_t delta, uint8_t value) {
    Append([&](std::span<uint8_t> out) { return events::WriteProgramEvent(delta, value, out); });
    return *this;
  }
  PSeqBuilder& End(uint32_t delta) {
    Append([&](std::span<uint8_t> out) { return events::WriteEndEvent(delta, out); });
    return *this;
  }
  // A note with the given pitch and volume points (positions spread evenly over 0..127).
  PSeqBuilder& Note(uint32_t delta, std::string_view text, uint8_t note, uint32_t duration,
                    const std::vector<uint16_t>& bends = {8192, 8192},
                    const std::vector<uint8_t>& volumes = {96, 96}, uint8_t velocity = 89) {
    std::vector<events::PitchPoint> pitch;
    for (size_t i = 0; i < bends.size(); ++i) {
      pitch.push_back(
          {static_cast<uint8_t>(bends.size() == 1 ? 0 : i * 127 / (bends.size() - 1)), bends[i]});
    }
    std::vector<events::VolumePoint> volume;
    for (size_t i = 0; i < volumes.size(); ++i) {
      volume.push_back(
          {static_cast<uint8_t>(volumes.size() == 1 ? 0 : i * 127 / (volumes.size() - 1)),
           volumes[i]});
    }
    events::NoteEvent event;
    event.delta = delta;
    event.note = note;
    event.velocity = velocity;
    event.duration = duration;
    event.text = std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    event.pitch = pitch;
    event.volume = volume;
    Append([&](std::span<uint8_t> out) { return events::WriteNoteEvent(event, out); });
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  const unsigned char* data() const { return bytes_.data(); }
  int size() const { return static_cast<int>(bytes_.size()); }

 private:
  template <typename Writer>
  void Append(Writer write) {
    std::array<uint8_t, 2048> scratch{};
    const size_t n = write(std::span<uint8_t>(scratch));
    bytes_.insert(bytes_.end(), scratch.begin(), scratch.begin() + static_cast<long>(n));
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace vtr::pth::testing

#endif  // VTR_ENGINES_PTH_TESTING_PSEQ_BUILDER_H_
