// Drives one emulator sound device through the life of one phrase.
//
// The controller owns the device, the emulator's function and sound ids, copies of the data
// blocks it hands to the emulator, parameters that must wait until the phrase is opened, and
// the end notification. Every call is gated on the sound's state as the device reports it
// (control 6): Load in 0, Open in 1, Standby in 2, Start in 3, Stop above 3, Close in 2..3,
// Unload in 1. Without a device every operation answers -1.
//
//   #include "playback/command_poster.h"
//   // given: std::string path; PlaybackParams params; void* window; const uint8_t* text
//   // given: int32_t length
//   PlaybackController controller;
//   if (controller.OpenDevice(kDeviceTypeJapanese, path, params) &&
//       controller.CreateFunction(9) >= 0) {
//     controller.SetEndNotify(window, kCommandMessage, kMainDialogStopCommand, 0);
//     controller.Load(text, length, 1, nullptr, nullptr);
//     controller.Open(0, 0);
//     controller.Standby(0);
//     controller.Start(0);  // the window gets kMainDialogStopCommand when the phrase ends
//   }
#ifndef VTR_PLAYBACK_PLAYBACK_CONTROLLER_H_
#define VTR_PLAYBACK_PLAYBACK_CONTROLLER_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "outside/emulator/emulator_api.h"
#include "playback/end_notification.h"
#include "playback/playback_params.h"
#include "playback/sound_device.h"
#include "playback/sound_library.h"

namespace vtr::playback {

// Number of channel data slots: channels 0..15 and channel 255 as the seventeenth.
inline constexpr int kChannelSlots = 17;

class PlaybackController {
 public:
  explicit PlaybackController(SoundLibraryLoader& loader = DefaultSoundLibraryLoader());
  virtual ~PlaybackController();
  PlaybackController(const PlaybackController&) = delete;
  PlaybackController& operator=(const PlaybackController&) = delete;

  // Creates and loads a new device of `type` (9..17 or 19) over the library `path` (empty:
  // the generation's default). Returns true on success.
  [[nodiscard]] bool OpenDevice(int type, std::string_view path, const PlaybackParams& params);
  // Creates the sound function; types 9..16 and 19, only while none exists. Returns the
  // function id or -1.
  int32_t CreateFunction(int32_t value);
  // Stored; published only by a successful Start.
  void SetEndNotify(void* window, unsigned message, intptr_t wparam, intptr_t lparam);
  // Loads `data` (copied) in state 0; returns the sound id kept (-1: none). `callback` null
  // hands the library the built-in end callback.
  int32_t Load(const uint8_t* data, int32_t length, int32_t mode, QsEndCallback callback,
               const void* extra);
  int32_t Open(int32_t a, int32_t b);
  int32_t Standby(int32_t a);
  int32_t Start(int32_t a);
  int32_t Stop(int32_t a);
  int32_t Close(int32_t a);
  int32_t Unload(int32_t a);
  // Returns the device type (or -1 without a device).
  int SetRepeat(uint16_t value);
  // The control dispatcher: `block` is a QsValueBlock, or a QsDataBlock for control 22.
  int32_t Control(int32_t command, void* block, int32_t extra);
  int32_t Delete();
  // Stops, closes, unloads and deletes by state; with `all` also destroys the device.
  void StopClose(int all);

  // The sound's state as the device reports it; -1 without a device or function.
  int32_t State();
  bool has_device() const { return device_ != nullptr; }
  int32_t function_id() const { return function_id_; }
  int32_t sound_id() const { return sound_id_; }
  EmuSoundDevice* device() { return device_.get(); }
  uint16_t repeat() const { return repeat_; }
  uint8_t voice() const { return voice_; }
  bool has_channel_block(int slot) const { return !channel_blocks_[slot].empty(); }
  uint8_t range_flag() const { return range_.flag; }

 protected:
  // The device OpenDevice creates: an EmuSoundDevice, or one of a family of its own.
  virtual std::unique_ptr<EmuSoundDevice> MakeDevice(SoundLibraryLoader& loader) {
    return std::make_unique<EmuSoundDevice>(loader);
  }

 private:
  struct Pending {
    int32_t value = 0;
    bool pending = false;
    bool has = false;
  };
  struct Range {
    uint8_t flag = 0;
    int32_t start = 0;
    int32_t end = 0;
    bool pending = false;
    bool has = false;
  };

  int32_t Send(int32_t command, void* block, int32_t extra);
  int32_t SendValue(int32_t command, int32_t value);
  int32_t ControlValue(Pending& group, int32_t command, void* block, int32_t extra);
  int32_t ControlData(void* block, int32_t extra);
  int32_t ControlVoice(void* block, int32_t extra);
  void ApplyPending();
  bool AnythingPending() const;
  void ResetValues();

  SoundLibraryLoader& loader_;
  std::unique_ptr<EmuSoundDevice> device_;
  int32_t function_id_ = -1;
  int32_t sound_id_ = -1;
  std::array<std::vector<uint8_t>, 4> general_blocks_;
  std::array<std::vector<uint8_t>, kChannelSlots> channel_blocks_;
  uint8_t voice_ = 0;
  uint16_t repeat_ = 1;
  Range range_;
  Pending control2_;
  Pending control1_{100};
  Pending control0_{100};
  int32_t length_ = -1;  // the last value of control 5, which bounds the range end
  bool changed_ = false;
  EndNotification notify_;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_PLAYBACK_CONTROLLER_H_
