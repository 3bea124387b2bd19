// The sound middleware device: one phrase on the middleware's handle, with its own set-up.
//
// Two variants: the authoring-manager library (its path ends in "Qs7_AuthMgr.dll", exact case,
// or this platform's "Qs7_AuthMgr.so") is set up with AtMgrInit and AtMgrSetInfo; any other
// library with Qsapi_EmuInitialize and a 69-byte settings block, then the Ctrl set-up.
//
//   // given: const uint8_t* text; int32_t length
//   KmwSoundDevice kmw;
//   if (kmw.Load(0, 129, "Qs7_AuthMgr.dll") && kmw.Open() == 0) {
//     kmw.OpenText(text, length);  ...  kmw.Start();
//   }
#ifndef VTR_PLAYBACK_KMW_SOUND_DEVICE_H_
#define VTR_PLAYBACK_KMW_SOUND_DEVICE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "outside/emulator/emulator_api.h"
#include "playback/end_notification.h"
#include "playback/sound_library.h"

namespace vtr::playback {

// The settings block of Qsapi_EmuInitialize, little-endian.
[[nodiscard]] std::array<uint8_t, QS_KMW_SETTINGS_SIZE> KmwSettingsBlock(int32_t sample_rate,
                                                                         uint8_t setting);

class KmwSoundDevice {
 public:
  explicit KmwSoundDevice(SoundLibraryLoader& loader = DefaultSoundLibraryLoader());
  virtual ~KmwSoundDevice();
  KmwSoundDevice(const KmwSoundDevice&) = delete;
  KmwSoundDevice& operator=(const KmwSoundDevice&) = delete;

  // Loads and binds the library at `path` for device `type` (0..7). An empty path fails.
  // Returns true on success, false on failure.
  [[nodiscard]] bool Load(int type, int setting, std::string_view path);
  // The set-up of the variant, then Init (once). Returns 0 when every step returned 0, else
  // the first other result.
  int32_t Open();
  // Term (resetting the controls set up), then AtMgrTerm or Qsapi_EmuTerminate, then the
  // library is unloaded.
  void ShutDown();

  // The phrase: Open the text (copied, NUL-terminated, handed with its length + 1) with the
  // built-in end callback, then Seek to its start.
  int32_t OpenText(const uint8_t* text, int32_t length);
  int32_t Ctrl(int32_t command, int32_t a, int32_t b, const uint8_t* data = nullptr,
               int32_t length = 0);
  // Starts with the end notification published first; withdrawn when the start fails.
  int32_t Start();
  int32_t Stop();
  int32_t Close();
  int32_t Unload();
  void SetEndNotify(void* window, unsigned message, intptr_t wparam, intptr_t lparam);

  bool loaded() const { return library_ != nullptr; }
  bool auth_manager() const { return auth_manager_; }
  int type() const { return type_; }

 private:
  struct EntryPoints {
    QsKmw_AtMgrInitFn at_mgr_init = nullptr;
    QsKmw_AtMgrSetInfoFn at_mgr_set_info = nullptr;
    QsKmw_InitFn init = nullptr;
    QsKmw_OpenFn open = nullptr;
    QsKmw_CtrlFn ctrl = nullptr;
    QsKmw_DevCtrlFn dev_ctrl = nullptr;
    QsKmw_SeekFn seek = nullptr;
    QsKmw_StartFn start = nullptr;
    QsKmw_StopFn stop = nullptr;
    QsKmw_CloseFn close = nullptr;
    QsKmw_TermFn term = nullptr;
    QsKmw_UnloadFn unload = nullptr;
    QsKmw_AtMgrTermFn at_mgr_term = nullptr;
    Qsapi_EmuInitializeFn emu_initialize = nullptr;
    Qsapi_EmuTerminateFn emu_terminate = nullptr;
  };

  SoundLibraryLoader& loader_;
  std::unique_ptr<SoundLibrary> library_;
  EntryPoints entry_;
  int type_ = 0;
  int32_t handle_ = QS_KMW_HANDLE;
  int32_t sample_rate_ = 32000;
  uint8_t setting_ = 129;
  uint8_t variant_ = 7;
  bool auth_manager_ = false;
  bool started_ = false;  // set up and initialised
  std::vector<uint8_t> text_;
  EndNotification notify_;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_KMW_SOUND_DEVICE_H_
