// Thin devices over the outside sound-chip emulator library.
//
// SoundDevice binds the library's entry points by name and forwards to them; every forwarder
// answers -1 while its entry point is unbound. EmuSoundDevice adds the emulator's start-up and
// shut-down, the system-exclusive set-up messages and their bookkeeping. The library is shared
// by all devices of one family (types 9..17, and all other types): the first device loaded
// runs the start-up, the last one unloaded runs the shut-down.
//
//   PlaybackParams params;
//   params.SetFlags(1, 1, 0, 0, 1);
//   EmuSoundDevice device;
//   device.SetParams(params);
//   if (device.Load(14, "", kEmulatorGeneration5)) {
//     int fid = device.Create(9);
//     ...
//   }
#ifndef VTR_PLAYBACK_SOUND_DEVICE_H_
#define VTR_PLAYBACK_SOUND_DEVICE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "outside/emulator/emulator_api.h"
#include "playback/playback_params.h"
#include "playback/sound_library.h"

namespace vtr::playback {

// Device types: 9..16 play phrases with sound functions, 17 is the bare chip, 19 Chinese.
inline constexpr int kDeviceTypeKorean = 12;
inline constexpr int kDeviceTypeJapanese = 14;
inline constexpr int kDeviceTypeBareChip = 17;
inline constexpr int kDeviceTypeChinese = 19;

// True for the types that play phrases through sound functions: 9..16, and 19 (the Chinese
// device must be able to play; it has a model of its own).
[[nodiscard]] constexpr bool IsFunctionType(int type) {
  return (type >= 9 && type <= 16) || type == kDeviceTypeChinese;
}
// True for the emulator types a device accepts: 9..17 and 19.
[[nodiscard]] constexpr bool IsEmulatorType(int type) {
  return (type >= 9 && type <= 17) || type == kDeviceTypeChinese;
}

// How many devices of the family of `type` hold the library now.
[[nodiscard]] int FamilyLoadCount(int type);

class SoundDevice {
 public:
  explicit SoundDevice(SoundLibraryLoader& loader = DefaultSoundLibraryLoader());
  virtual ~SoundDevice();
  SoundDevice(const SoundDevice&) = delete;
  SoundDevice& operator=(const SoundDevice&) = delete;

  int type() const { return type_; }
  bool loaded() const { return library_ != nullptr; }

  int32_t GetEmuInfo(uint8_t* buffer, int32_t length);
  int32_t Generate(int32_t function_id, int32_t sound_id, int16_t* samples, int32_t capacity);
  virtual int32_t SetMidiMsg(const uint8_t* message, int32_t length);
  int32_t GetMidiMsg(uint8_t* buffer, int32_t length);
  virtual int32_t DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c);
  virtual int32_t Create(int32_t kind);
  virtual int32_t LoadSound(int32_t function_id, const uint8_t* data, int32_t length, int32_t mode,
                            QsEndCallback callback, const void* extra);
  virtual int32_t Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                          int32_t extra);
  int32_t Open(int32_t function_id, int32_t sound_id, int32_t a, int32_t b);
  int32_t Standby(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Seek(int32_t function_id, int32_t sound_id, int32_t position, int32_t a);
  int32_t Start(int32_t function_id, int32_t sound_id, int32_t repeat, int32_t a);
  int32_t Pause(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Restart(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Stop(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Close(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Unload(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Delete(int32_t function_id);
  // Whether the memory in use still leaves room: memory counter + 0x07 value x 1024 < 8193.
  [[nodiscard]] virtual bool DataFits() const { return true; }

 protected:
  // The library's entry points; null while unbound.
  struct EntryPoints {
    QsSound_EmuInitializeFn emu_initialize = nullptr;
    QsSound_EmuTerminateFn emu_terminate = nullptr;
    QsSound_InitializeFn initialize = nullptr;
    QsSound_TerminateFn terminate = nullptr;
    QsSound_GetEmuInfoFn get_emu_info = nullptr;
    SetMidiMsgFn set_midi_msg = nullptr;
    GetMidiMsgFn get_midi_msg = nullptr;
    QsSound_GenerateFn generate = nullptr;
    QsSound_DeviceControlFn device_control = nullptr;
    QsSound_CreateFn create = nullptr;
    QsSound_LoadFn load = nullptr;
    QsSound_OpenFn open = nullptr;
    QsSound_ControlFn control = nullptr;
    QsSound_StandbyFn standby = nullptr;
    QsSound_SeekFn seek = nullptr;
    QsSound_StartFn start = nullptr;
    QsSound_PauseFn pause = nullptr;
    QsSound_RestartFn restart = nullptr;
    QsSound_StopFn stop = nullptr;
    QsSound_CloseFn close = nullptr;
    QsSound_UnloadFn unload = nullptr;
    QsSound_DeleteFn delete_function = nullptr;
  };

  // Loads the library `name` for a device of `type`: unbinds what was held, loads, counts the
  // device in its family and binds. Returns true on success, false on failure (nothing held
  // then).
  [[nodiscard]] bool LoadLibrary(int type, std::string_view name);
  // Binds the entry points; with the family count at exactly 1 the start-up must return 0.
  // False when it did not (nothing held then).
  [[nodiscard]] bool BindFunctions();
  // Releases the library when one is held: shut-down when this is the family's last device,
  // then unload and uncount. Does nothing on a device that holds none.
  void Unbind();
  virtual int32_t StartUp() = 0;
  virtual int32_t ShutDown() = 0;

  EntryPoints entry_;
  int type_ = 0;

 private:
  SoundLibraryLoader& loader_;
  std::unique_ptr<SoundLibrary> library_;
};

class EmuSoundDevice : public SoundDevice {
 public:
  explicit EmuSoundDevice(SoundLibraryLoader& loader = DefaultSoundLibraryLoader());
  ~EmuSoundDevice() override;

  // Copies the parameters: mode 1 gives setting 3 and rate 32000; modes 2 and 3 give setting
  // 129 and the parameters' rate through SetSampleRate.
  void SetParams(const PlaybackParams& params);
  // Loads the library: `path`, or the default name of `generation` when it is empty.
  // Returns true on success.
  [[nodiscard]] bool Load(int type, std::string_view path, int generation);

  // Sets the rate: 22050, 32000, 44100 and 48000 are kept, anything else gives 32000.
  // Returns the rate set.
  int SetSampleRate(int rate);
  // The emulator's model for this device's type and parameter mode (-1: none).
  [[nodiscard]] int ModelIndex() const;

  int32_t SetMidiMsg(const uint8_t* message, int32_t length) override;
  int32_t Create(int32_t kind) override;
  int32_t LoadSound(int32_t function_id, const uint8_t* data, int32_t length, int32_t mode,
                    QsEndCallback callback, const void* extra) override;
  int32_t Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                  int32_t extra) override;
  bool DataFits() const override;

  int32_t SendSetupSysEx();
  int32_t EmuInitialize();
  int32_t EmuTerminate();
  int32_t Initialize();
  int32_t Terminate();

  const PlaybackParams& params() const { return params_; }
  int sample_rate() const { return sample_rate_; }
  int setting() const { return setting_; }
  bool initialised() const { return initialised_; }
  // Set by the first Initialize that succeeded, never cleared.
  bool first_initialise_done() const { return first_initialise_done_; }

  // One registered voice of the chip.
  struct VoiceEntry {
    std::array<uint8_t, 4> key = {0xFF, 0xFF, 0xFF, 0xFF};  // all 0xFF: free
    int size = 0;
  };
  static constexpr int kTableSize = 128;
  const std::array<VoiceEntry, kTableSize>& voices() const { return voices_; }
  int data_slot_size(int index) const { return data_slots_[index]; }
  int large_slot_size(int index) const { return large_slots_[index]; }

 protected:
  int32_t StartUp() override;
  int32_t ShutDown() override;

 private:
  void TrackMessage(std::span<const uint8_t> message);
  void AddMemory(int bytes);
  void FreeMemory(int& slot);

  int sample_rate_ = 32000;
  int setting_ = 129;
  PlaybackParams params_;
  bool initialised_ = false;
  bool first_initialise_done_ = false;
  int generation_ = kEmulatorGeneration5;
  int32_t created_kind_ = 9;
  std::array<VoiceEntry, kTableSize> voices_{};
  std::array<int, kTableSize> data_slots_{};   // system-exclusive commands 03/04
  std::array<int, kTableSize> large_slots_{};  // commands 0C/0D
  uint8_t load_extra_ = 0;                     // the byte the extra argument of Load may point to
};

// 7-bit unpacking: every 8 bytes give 7, the first byte carrying the top bits (its bit 6 is
// bit 7 of output byte 0, ..., its bit 0 that of output byte 6); a final group of n bytes
// gives n - 1.
[[nodiscard]] std::vector<uint8_t> Unpack7Bit(std::span<const uint8_t> packed);

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_SOUND_DEVICE_H_
