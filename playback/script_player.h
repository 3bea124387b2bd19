// Plays one Kelvox play text through the sound device of its kind and tells a window, once,
// when the phrase has finished.
//
// Device kinds (bits 28-31 of the mode word): 5 = the chip emulator through the
// PlaybackController, 7 = the sound middleware through the KmwSoundDevice. The end of a phrase
// reaches the window as the command `notify_id`, through the installed CommandPoster.
//
//   // given: std::string program_folder, play_text; void* window
//   ScriptPlayer player;  // messages go through the installed core::MessagePresenter
//   if (player.Open(program_folder + "/Qs5_EmuKmw5.dll", 0x52000000, 129) == 0) {
//     player.Play(window, kMainDialogStopCommand, 100, 0, play_text);
//   }
//   ...
//   player.Stop();
//   player.Close();
#ifndef VTR_PLAYBACK_SCRIPT_PLAYER_H_
#define VTR_PLAYBACK_SCRIPT_PLAYER_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages.h"
#include "playback/command_poster.h"
#include "playback/kmw_sound_device.h"
#include "playback/playback_controller.h"
#include "playback/sound_library.h"

namespace vtr::playback {

// Results of the player (after its message was shown).
inline constexpr int kPlayerOk = 0;
inline constexpr int kPlayerBadArguments = -19999;     // message 501
inline constexpr int kPlayerOpenFailed = -19998;       // message 501
inline constexpr int kPlayerNotOpenOrFailed = -19989;  // message 510 (Play), 501 (Close)

// Device kinds of the mode word.
inline constexpr int kDeviceKindEmulator = 5;
inline constexpr int kDeviceKindMiddleware = 7;

// An extended voice of a voice data block: its menu command id and its name.
struct ExtendedVoice {
  uint32_t command_id = 0;
  std::array<char, 24> text{};  // NUL-terminated
};

class ScriptPlayer {
 public:
  explicit ScriptPlayer(SoundLibraryLoader& loader = DefaultSoundLibraryLoader());
  ~ScriptPlayer();
  ScriptPlayer(const ScriptPlayer&) = delete;
  ScriptPlayer& operator=(const ScriptPlayer&) = delete;

  // Opens the device of the word's kind over the library `dll_path`. 0, or -19998 after
  // message 501. `param` is the middleware's setting byte (the callers pass 129); the
  // emulator's comes from the parameter mode.
  int Open(std::string_view dll_path, uint32_t mode_word, int param);
  // Plays `text` (play text bytes). 0; -19999 after 501 for a null window, an empty text or
  // a volume outside 0..127; -19989 after 510 when a device step fails. A voice outside
  // 0..15 plays voice 0. A phrase still playing is stopped first.
  int Play(void* notify, int notify_id, int volume, int voice, std::string_view text);
  // Stops the phrase (only while it plays). Always 0.
  int Stop();
  // Stops and closes the device and unloads its library. 0, or -19989 after 501 before any
  // Open.
  int Close();
  int SetMessageOwner(void* owner, std::string_view caption);
  // Option 0 plays once; any other value loops.
  int SetOption(int option);

  // The voice data block of the script edit dialog (not copied; stays valid while set).
  void SetExtraData(const uint8_t* data, int32_t length);
  void AddExtendedVoice(const ExtendedVoice& voice) { extended_voices_.push_back(voice); }
  const std::vector<ExtendedVoice>& extended_voices() const { return extended_voices_; }
  // 1 or 2 selects that parameter mode at the next Open; anything else keeps mode 2.
  void set_mode_setting(int mode) { mode_setting_ = mode; }

  int kind() const { return kind_; }
  int language() const { return language_; }
  bool opened() const { return open_flag_ == 1; }
  PlaybackController& controller() { return controller_; }
  KmwSoundDevice& middleware() { return kmw_; }

 private:
  int Fail(unsigned message_id, int result);
  int PlayEmulator(void* notify, int notify_id, int volume, int voice, std::string_view text);
  int PlayMiddleware(void* notify, int notify_id, int volume, std::string_view text);

  int option_ = 0;
  int language_ = 0;
  int kind_ = 0;
  std::string text_copy_;
  const uint8_t* extra_data_ = nullptr;
  int32_t extra_length_ = 0;
  std::vector<ExtendedVoice> extended_voices_;
  core::MessageReporter reporter_;  // no owner and an empty caption until SetMessageOwner
  int mode_setting_ = 0;
  int open_flag_ = 0;
  PlaybackController controller_;
  KmwSoundDevice kmw_;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_SCRIPT_PLAYER_H_
