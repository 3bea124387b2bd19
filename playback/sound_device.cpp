#include "playback/sound_device.h"

#include <algorithm>
#include <mutex>

namespace vtr::playback {
namespace {

// Load counters of the two library families: types 9..17, and every other type.
std::mutex family_mutex;
int family_counts[2] = {0, 0};

int Family(int type) { return type >= 9 && type <= 17 ? 0 : 1; }

// Forwards to a bound entry point; -1 while it is unbound.
template <typename Function, typename... Args>
int32_t Forward(Function function, Args... args) {
  return function != nullptr ? function(args...) : -1;
}

// The system-exclusive messages of the chip: F0 43 79 <kind> <group> <command> ...
constexpr uint8_t kSysExStart = 0xF0;
constexpr uint8_t kSysExEnd = 0xF7;
constexpr uint8_t kMaker = 0x43;
constexpr uint8_t kDevice = 0x79;
constexpr uint8_t kKindSetting = 0x06;
constexpr uint8_t kKindVoice = 0x07;
constexpr uint8_t kGroupChip = 0x7F;
constexpr uint8_t kGroupMaster = 0x7E;
constexpr uint8_t kCommandFlags = 0x13;
constexpr uint8_t kCommand11 = 0x11;
constexpr uint8_t kCommand07 = 0x07;
constexpr uint8_t kCommandVolume = 0x09;
constexpr uint8_t kCommandAddVoice = 0x01;
constexpr uint8_t kCommandFreeVoice = 0x02;
constexpr uint8_t kCommandDataSlot = 0x03;
constexpr uint8_t kCommandFreeDataSlot = 0x04;
constexpr uint8_t kCommandLargeSlot = 0x0C;
constexpr uint8_t kCommandFreeLargeSlot = 0x0D;
constexpr size_t kShortMessage = 8;
constexpr int kLargeSlotSize = 2048;
// Memory the chip offers voices and data [bytes]: in use must stay below this.
constexpr int kChipMemory = 8193;

// The DeviceControl set-up of the start-up, in order.
constexpr int32_t kStartUpControls[][4] = {{2, 31, 0, 0}, {3, 0, 31, 31}, {4, 31, 0, 0},
                                           {5, 2, 0, 0},  {6, 0, 0, 0},   {8, 2, 0, 0},
                                           {9, 0, 0, 0}};

}  // namespace

int FamilyLoadCount(int type) {
  std::lock_guard lock(family_mutex);
  return family_counts[Family(type)];
}

std::vector<uint8_t> Unpack7Bit(std::span<const uint8_t> packed) {
  std::vector<uint8_t> out;
  for (size_t group = 0; group < packed.size(); group += 8) {
    size_t n = std::min<size_t>(8, packed.size() - group);
    uint8_t top = packed[group];
    for (size_t j = 1; j < n; ++j) {
      uint8_t high = ((top >> (7 - j)) & 1) << 7;
      out.push_back(static_cast<uint8_t>((packed[group + j] & 0x7F) | high));
    }
  }
  return out;
}

// ---- SoundDevice ----------------------------------------------------------------------------

SoundDevice::SoundDevice(SoundLibraryLoader& loader) : loader_(loader) {}

// Derived devices unbind in their own destructor, while their shut-down can still run.
SoundDevice::~SoundDevice() = default;

bool SoundDevice::LoadLibrary(int type, std::string_view name) {
  Unbind();
  type_ = type;
  library_ = loader_.Load(name);
  if (!library_) return false;
  {
    std::lock_guard lock(family_mutex);
    ++family_counts[Family(type_)];
  }
  return BindFunctions();
}

bool SoundDevice::BindFunctions() {
  SoundLibrary& lib = *library_;
  entry_.emu_initialize = lib.Find<QsSound_EmuInitializeFn>("QsSound_EmuInitialize");
  entry_.emu_terminate = lib.Find<QsSound_EmuTerminateFn>("QsSound_EmuTerminate");
  entry_.initialize = lib.Find<QsSound_InitializeFn>("QsSound_Initialize");
  entry_.terminate = lib.Find<QsSound_TerminateFn>("QsSound_Terminate");
  entry_.get_emu_info = lib.Find<QsSound_GetEmuInfoFn>("QsSound_GetEmuInfo");
  entry_.set_midi_msg = lib.Find<SetMidiMsgFn>("SetMidiMsg");
  entry_.get_midi_msg = lib.Find<GetMidiMsgFn>("GetMidiMsg");
  if (IsEmulatorType(type_)) {
    entry_.generate = lib.Find<QsSound_GenerateFn>("QsSound_Generate");
    entry_.device_control = lib.Find<QsSound_DeviceControlFn>("QsSound_DeviceControl");
    entry_.create = lib.Find<QsSound_CreateFn>("QsSound_Create");
    entry_.load = lib.Find<QsSound_LoadFn>("QsSound_Load");
    entry_.open = lib.Find<QsSound_OpenFn>("QsSound_Open");
    entry_.control = lib.Find<QsSound_ControlFn>("QsSound_Control");
    entry_.standby = lib.Find<QsSound_StandbyFn>("QsSound_Standby");
    entry_.seek = lib.Find<QsSound_SeekFn>("QsSound_Seek");
    entry_.start = lib.Find<QsSound_StartFn>("QsSound_Start");
    entry_.pause = lib.Find<QsSound_PauseFn>("QsSound_Pause");
    entry_.restart = lib.Find<QsSound_RestartFn>("QsSound_Restart");
    entry_.stop = lib.Find<QsSound_StopFn>("QsSound_Stop");
    entry_.close = lib.Find<QsSound_CloseFn>("QsSound_Close");
    entry_.unload = lib.Find<QsSound_UnloadFn>("QsSound_Unload");
    entry_.delete_function = lib.Find<QsSound_DeleteFn>("QsSound_Delete");
  }
  if (FamilyLoadCount(type_) == 1 && StartUp() != 0) {
    // A failed start-up leaves nothing behind: uncount and unload without a shut-down.
    {
      std::lock_guard lock(family_mutex);
      --family_counts[Family(type_)];
    }
    library_.reset();
    entry_ = {};
    return false;
  }
  return true;
}

void SoundDevice::Unbind() {
  if (!library_) return;
  if (FamilyLoadCount(type_) == 1) ShutDown();
  library_.reset();
  {
    std::lock_guard lock(family_mutex);
    if (family_counts[Family(type_)] > 0) --family_counts[Family(type_)];
  }
  entry_ = {};
}

int32_t SoundDevice::GetEmuInfo(uint8_t* buffer, int32_t length) {
  return Forward(entry_.get_emu_info, buffer, length);
}
int32_t SoundDevice::Generate(int32_t function_id, int32_t sound_id, int16_t* samples,
                              int32_t capacity) {
  return Forward(entry_.generate, function_id, sound_id, samples, capacity);
}
int32_t SoundDevice::SetMidiMsg(const uint8_t* message, int32_t length) {
  return Forward(entry_.set_midi_msg, message, length);
}
int32_t SoundDevice::GetMidiMsg(uint8_t* buffer, int32_t length) {
  return Forward(entry_.get_midi_msg, buffer, length);
}
int32_t SoundDevice::DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c) {
  return Forward(entry_.device_control, command, a, b, c);
}
int32_t SoundDevice::Create(int32_t kind) { return Forward(entry_.create, kind); }
int32_t SoundDevice::LoadSound(int32_t function_id, const uint8_t* data, int32_t length,
                               int32_t mode, QsEndCallback callback, const void* extra) {
  return Forward(entry_.load, function_id, data, length, mode, callback, extra);
}
int32_t SoundDevice::Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                             int32_t extra) {
  return Forward(entry_.control, function_id, sound_id, control, block, extra);
}
int32_t SoundDevice::Open(int32_t function_id, int32_t sound_id, int32_t a, int32_t b) {
  return Forward(entry_.open, function_id, sound_id, a, b);
}
int32_t SoundDevice::Standby(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.standby, function_id, sound_id, a);
}
int32_t SoundDevice::Seek(int32_t function_id, int32_t sound_id, int32_t position, int32_t a) {
  return Forward(entry_.seek, function_id, sound_id, position, a);
}
int32_t SoundDevice::Start(int32_t function_id, int32_t sound_id, int32_t repeat, int32_t a) {
  return Forward(entry_.start, function_id, sound_id, repeat, a);
}
int32_t SoundDevice::Pause(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.pause, function_id, sound_id, a);
}
int32_t SoundDevice::Restart(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.restart, function_id, sound_id, a);
}
int32_t SoundDevice::Stop(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.stop, function_id, sound_id, a);
}
int32_t SoundDevice::Close(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.close, function_id, sound_id, a);
}
int32_t SoundDevice::Unload(int32_t function_id, int32_t sound_id, int32_t a) {
  return Forward(entry_.unload, function_id, sound_id, a);
}
int32_t SoundDevice::Delete(int32_t function_id) {
  return Forward(entry_.delete_function, function_id);
}

// ---- EmuSoundDevice -------------------------------------------------------------------------

EmuSoundDevice::EmuSoundDevice(SoundLibraryLoader& loader) : SoundDevice(loader) {}

EmuSoundDevice::~EmuSoundDevice() { Unbind(); }

void EmuSoundDevice::SetParams(const PlaybackParams& params) {
  params_ = params;
  if (params_.mode == 1) {
    setting_ = 3;
    sample_rate_ = 32000;
  } else if (params_.mode == 2 || params_.mode == 3) {
    setting_ = 129;
    SetSampleRate(params_.sample_rate);
  }
}

bool EmuSoundDevice::Load(int type, std::string_view path, int generation) {
  generation_ = generation;
  if (path.empty()) {
    path = generation == kEmulatorGeneration6 ? kEmulatorLibrary6 : kEmulatorLibrary5;
  }
  return LoadLibrary(type, path);
}

int EmuSoundDevice::SetSampleRate(int rate) {
  sample_rate_ = rate == 22050 || rate == 32000 || rate == 44100 || rate == 48000 ? rate : 32000;
  return sample_rate_;
}

int EmuSoundDevice::ModelIndex() const {
  if (params_.mode == 3) return 0;
  if (params_.mode != 1 && params_.mode != 2) return -1;
  if (type_ >= 9 && type_ <= 14) return type_ - 9;
  if (type_ == 15 || type_ == 16) return 6;
  if (type_ == kDeviceTypeChinese) return 7;
  if (type_ == kDeviceTypeBareChip) return 127;
  return -1;
}

int32_t EmuSoundDevice::EmuInitialize() {
  return Forward(entry_.emu_initialize, sample_rate_, ModelIndex(), setting_);
}

int32_t EmuSoundDevice::EmuTerminate() { return Forward(entry_.emu_terminate); }

int32_t EmuSoundDevice::Initialize() {
  if (params_.mode == 3) {
    initialised_ = true;
    return 0;
  }
  if (params_.mode != 1 && params_.mode != 2) return -1;
  if (initialised_) return 0;
  int32_t result = Forward(entry_.initialize);
  if (result == 0) {
    initialised_ = true;
    if (!first_initialise_done_) {
      first_initialise_done_ = true;
      DeviceControl(13, 0, 0, 0);
    }
  }
  DeviceControl(21, params_.language_code(), 0, 0);
  return result;
}

int32_t EmuSoundDevice::Terminate() {
  if (!initialised_) return 0;
  int32_t result = 0;
  if (params_.mode == 1 || params_.mode == 2) result = Forward(entry_.terminate);
  initialised_ = false;
  SendSetupSysEx();
  return result;
}

int32_t EmuSoundDevice::StartUp() {
  if (type_ == kDeviceTypeBareChip) {
    sample_rate_ = 0;
    return Forward(entry_.emu_initialize, 0, ModelIndex(), setting_);
  }
  if (!IsFunctionType(type_)) return -1;
  if (int32_t result = EmuInitialize(); result != 0) return result;
  if (int32_t result = Initialize(); result != 0) return result;
  for (const auto& control : kStartUpControls) {
    DeviceControl(control[0], control[1], control[2], control[3]);
  }
  if (setting_ == 1 || setting_ == 129) {
    Terminate();
    return Initialize();
  }
  if (setting_ == 3) Terminate();
  return 0;
}

int32_t EmuSoundDevice::ShutDown() {
  Terminate();
  return EmuTerminate();
}

int32_t EmuSoundDevice::SendSetupSysEx() {
  if (params_.mode != 1 && params_.mode != 2 && params_.mode != 3) return -1;
  // clang-format off
  const uint8_t messages[4][kShortMessage] = {
      {kSysExStart, kMaker, kDevice, kKindSetting, kGroupChip, kCommandFlags,
       params_.PackedFlags(), kSysExEnd},
      {kSysExStart, kMaker, kDevice, kKindSetting, kGroupChip, kCommand11, params_.value_11,
       kSysExEnd},
      {kSysExStart, kMaker, kDevice, kKindSetting, kGroupChip, kCommand07, params_.value_07,
       kSysExEnd},
      {kSysExStart, kMaker, kDevice, kKindSetting, kGroupMaster, kCommandVolume,
       static_cast<uint8_t>(params_.volume & 0x7F), kSysExEnd},
  };
  // clang-format on
  const int count = params_.mode == 3 ? 2 : 4;
  int32_t result = 0;
  for (int i = 0; i < count; ++i) {
    int32_t sent = SetMidiMsg(messages[i], kShortMessage);
    if (sent != 0 && result == 0) result = sent;
  }
  // The chip forgets its voices and data with the set-up.
  voices_.fill(VoiceEntry{});
  data_slots_.fill(0);
  large_slots_.fill(0);
  params_.memory_counter = 0;
  return result;
}

int32_t EmuSoundDevice::SetMidiMsg(const uint8_t* message, int32_t length) {
  int32_t result = SoundDevice::SetMidiMsg(message, length);
  if (result == 0 && message != nullptr && length > 0) {
    TrackMessage(std::span(message, static_cast<size_t>(length)));
  }
  return result;
}

void EmuSoundDevice::AddMemory(int bytes) { params_.memory_counter += bytes; }

void EmuSoundDevice::FreeMemory(int& slot) {
  params_.memory_counter = std::max(0, params_.memory_counter - slot);
  slot = 0;
}

void EmuSoundDevice::TrackMessage(std::span<const uint8_t> m) {
  if (m.size() < 7 || m[0] != kSysExStart || m[1] != kMaker || m[2] != kDevice) return;
  const uint8_t kind = m[3], group = m[4], command = m[5];
  const uint8_t index = m[6];
  // Indexes beyond the tables name nothing the device books.
  const bool index_ok = index < kTableSize;
  if (m.size() == kShortMessage && kind == kKindSetting) {
    const uint8_t value = m[6];
    if (group == kGroupMaster && command == kCommandVolume) {
      params_.volume = value;
    } else if (group == kGroupChip) {
      switch (command) {
        case kCommand07:
          params_.value_07 = value;
          break;
        case kCommand11:
          params_.value_11 = value;
          break;
        case kCommandFlags:
          params_.UnpackFlags(value);
          break;
        case kCommandFreeDataSlot:
          if (index_ok) FreeMemory(data_slots_[index]);
          break;
        case kCommandFreeLargeSlot:
          if (index_ok) FreeMemory(large_slots_[index]);
          break;
        default:
          break;
      }
    }
    return;
  }
  if (group != kGroupChip) return;
  // The payload runs up to the closing F7.
  const size_t payload_end = m.back() == kSysExEnd ? m.size() - 1 : m.size();
  if (kind == kKindVoice && command == kCommandAddVoice) {
    if (m.size() < 12) return;
    const uint8_t flags = m[10];
    std::vector<uint8_t> payload =
        Unpack7Bit(m.subspan(11, payload_end > 11 ? payload_end - 11 : 0));
    int size;
    if (flags & 1) {
      if (payload.size() < 16) return;
      size = (payload[15] & 0x80) ? 0 : 14;
    } else {
      if (payload.size() < 3) return;
      size = (payload[2] & 7) < 2 ? 16 : 30;
    }
    auto free_entry = std::find_if(voices_.begin(), voices_.end(), [](const VoiceEntry& e) {
      return e.key == std::array<uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF};
    });
    if (free_entry == voices_.end()) return;  // a full table books nothing more
    std::copy_n(m.begin() + 6, 4, free_entry->key.begin());
    free_entry->size = size;
    AddMemory(size);
    return;
  }
  if (kind != kKindSetting) return;
  if (command == kCommandFreeVoice) {
    if (m.size() < 10) return;
    std::array<uint8_t, 4> key;
    std::copy_n(m.begin() + 6, 4, key.begin());
    for (VoiceEntry& entry : voices_) {
      if (entry.key == key) {
        FreeMemory(entry.size);
        entry = VoiceEntry{};
        break;
      }
    }
  } else if (command == kCommandDataSlot && index_ok) {
    std::vector<uint8_t> payload = Unpack7Bit(m.subspan(8, payload_end > 8 ? payload_end - 8 : 0));
    int size = static_cast<int>((payload.size() + 1) / 2 * 2);
    FreeMemory(data_slots_[index]);
    data_slots_[index] = size;
    AddMemory(size);
  } else if (command == kCommandLargeSlot && index_ok && m.size() != kShortMessage) {
    FreeMemory(large_slots_[index]);
    large_slots_[index] = kLargeSlotSize;
    AddMemory(kLargeSlotSize);
  }
}

int32_t EmuSoundDevice::Create(int32_t kind) {
  int32_t result = SoundDevice::Create(kind);
  if (result >= 0) created_kind_ = kind;
  return result;
}

int32_t EmuSoundDevice::LoadSound(int32_t function_id, const uint8_t* data, int32_t length,
                                  int32_t mode, QsEndCallback callback, const void* extra) {
  if (type_ < 9 || type_ > 19) return -1;
  if (type_ >= 14 && type_ <= 16 && created_kind_ != 9) {
    if (params_.mode == 1) {
      load_extra_ = static_cast<uint8_t>((params_.flag(2) << 1) | params_.flag(3));
      extra = &load_extra_;
    } else if (params_.mode != 2) {
      return -1;
    }
  }
  return SoundDevice::LoadSound(function_id, data, length, mode, callback, extra);
}

int32_t EmuSoundDevice::Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                                int32_t extra) {
  if (control == QS_CONTROL_STATE && sound_id == -1) return QS_STATE_NONE;
  return SoundDevice::Control(function_id, sound_id, control, block, extra);
}

bool EmuSoundDevice::DataFits() const {
  return params_.memory_counter + params_.value_07 * 1024 < kChipMemory;
}

}  // namespace vtr::playback
