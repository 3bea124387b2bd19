// The library's preview of script text through the sound-chip emulator: PreviewPlayer over a
// PreviewPlaybackController over one PreviewEmuSoundDevice, configured by
// PreviewPlaybackParams.
//
// The family does the jobs of the program's ScriptPlayer, PlaybackController and
// EmuSoundDevice and shares their code. What is its own: devices are numbered 1..10 (1..8 and
// 10 play phrases, 6 is the Japanese one, 9 is the bare chip); DeviceControl is gated by the
// parameter mode; OpenDevice also sets up device 10; ids 6..8 hand Load an extra argument of
// their own; the player shows the library's messages. The end of a phrase reaches the window
// as the command given to Play, posted once through the installed CommandPoster.
//
//   #include "playback/command_poster.h"
//   // given: void* window; std::string play_text
//   PreviewPlayer player;   // the emulator library from the program folder
//   if (player.Open() == 0 &&
//       player.Play(window, playback::kWaveToScriptStopCommand, 100, 0, play_text) == 0) {
//     ...  // the window receives command 134 when the phrase has finished
//   }
//   player.Stop();
#ifndef VTR_WAVE2SCRIPT_CORE_PREVIEW_PLAYER_H_
#define VTR_WAVE2SCRIPT_CORE_PREVIEW_PLAYER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "playback/playback_controller.h"
#include "playback/playback_params.h"
#include "playback/sound_device.h"
#include "playback/sound_library.h"

namespace vtr::w2s {

// The device the player opens: the Japanese phrase device.
inline constexpr int kPreviewDeviceJapanese = 6;
// The bare chip.
inline constexpr int kPreviewDeviceBareChip = 9;

// Results of the player (after its message was shown).
inline constexpr int kPreviewOk = 0;
inline constexpr int kPreviewBadArguments = -19999;  // message 501
inline constexpr int kPreviewOpenFailed = -19998;    // message 501
inline constexpr int kPreviewFailed = -19989;        // message 510 (Play), 501 (Close)

// The program's device type a preview device id stands for: 1..8 -> 9..16, 9 -> 17 (the
// bare chip), 10 -> 19 (Chinese); -1 for any other id.
[[nodiscard]] int PreviewDeviceType(int id);
// The reverse; -1 for a type no preview id stands for.
[[nodiscard]] int PreviewDeviceId(int type);

// The settings record of the preview family: the program's record (mode 2 at construction;
// SetFlags, the 0x11, 0x07 and volume bytes, language code, memory counter, sample rate).
class PreviewPlaybackParams : public playback::PlaybackParams {};

// The emulator device of the family. Model index, start-up, reset messages and their
// bookkeeping and the Load rule are the program's device's, by the type the id stands for.
class PreviewEmuSoundDevice final : public playback::EmuSoundDevice {
 public:
  explicit PreviewEmuSoundDevice(
      playback::SoundLibraryLoader& loader = playback::DefaultSoundLibraryLoader());

  // Loads the emulator library `path` for device `id` (1..10). True on success.
  [[nodiscard]] bool LoadId(int id, std::string_view path);
  // The device id, or -1 before a load.
  [[nodiscard]] int id() const { return PreviewDeviceId(type()); }

  // Gated: in parameter mode 1 only once the device has been initialised; in modes 2 and 3
  // only command 13; in other modes never (-1 without calling the library).
  int32_t DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c) override;
  // The four set-up messages (two in mode 3), after which the chip forgets its voices.
  int32_t SendResetSysEx() { return SendSetupSysEx(); }
};

// The program's controller over preview devices, addressed by id.
class PreviewPlaybackController final : public playback::PlaybackController {
 public:
  // `library`: the emulator library's system name (resolved against the program folder by
  // the default loader) or a full path.
  explicit PreviewPlaybackController(
      playback::SoundLibraryLoader& loader = playback::DefaultSoundLibraryLoader(),
      std::string library = playback::kEmulatorLibrary5);

  // Creates and loads a new device `id` (1..10) with the parameters. Devices 1..8 and 10 are
  // then set up with DeviceControl (5, 2, 0, 0), (8, 2, 0, 0) and volume 127. Returns true
  // on success, false for an unknown id or a failed load.
  [[nodiscard]] bool OpenDevice(int id, const PreviewPlaybackParams& params);
  // As the program's Load; on devices 6..8 once initialised, `extra` points to 1 while the
  // range flag is clear and to 0 while it is set.
  int32_t Load(const uint8_t* data, int32_t length, int32_t mode, QsEndCallback callback,
               const void* extra);

  PreviewEmuSoundDevice* preview_device() { return static_cast<PreviewEmuSoundDevice*>(device()); }

 protected:
  std::unique_ptr<playback::EmuSoundDevice> MakeDevice(
      playback::SoundLibraryLoader& loader) override;

 private:
  std::string library_;
};

class PreviewPlayer {
 public:
  explicit PreviewPlayer(
      playback::SoundLibraryLoader& loader = playback::DefaultSoundLibraryLoader(),
      std::string library = playback::kEmulatorLibrary5);
  PreviewPlayer(const PreviewPlayer&) = delete;
  PreviewPlayer& operator=(const PreviewPlayer&) = delete;

  // Opens device 6 in the device mode and creates its sound function. 0, or -19998 after
  // message 501. The player counts as opened either way.
  int Open();
  // Stops, closes and releases the device. 0, or -19989 after message 501 before any Open.
  int Close();
  // Plays `text` (play text bytes): the previous phrase is closed and unloaded first. 0;
  // -19999 after 501 for a null window, an empty text, a volume outside 0..127 or a voice
  // outside 0..15 (the device untouched); -19989 after 510 when a device step fails.
  int Play(void* window, int notify_id, int volume, int voice, std::string_view text);
  // Stops the phrase (only while it plays). 0.
  int Stop();
  // Nonzero loops the phrases played from now on. 0.
  int SetLoop(int flag);

  // The parameter mode Open uses: 1 or 2 (2 at construction).
  void set_device_mode(int mode) { device_mode_ = mode; }
  int device_mode() const { return device_mode_; }
  bool opened() const { return opened_ != 0; }
  PreviewPlaybackController& controller() { return controller_; }

 private:
  int loop_ = 0;
  int device_mode_ = 2;
  int opened_ = 0;
  PreviewPlaybackController controller_;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_PREVIEW_PLAYER_H_
