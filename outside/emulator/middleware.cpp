#include "outside/emulator/middleware.h"

#include <cstring>

namespace vtr::emulator {
namespace {

// Offsets inside the settings block of Qsapi_EmuInitialize [bytes].
constexpr size_t kSettingsRateOffset = 4;
constexpr size_t kSettingsSettingOffset = 8;

int32_t ReadLe32(const uint8_t* bytes) {
  return static_cast<int32_t>(
      static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
      static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

void Middleware::Reset() {
  function_id_ = -1;
  sound_id_ = -1;
  volume_ = 127;
  repeat_ = 1;
  controls_.clear();
  data_.clear();
}

int32_t Middleware::EmuInitialize(int32_t, const uint8_t* settings, int32_t, int32_t, int32_t,
                                  int32_t) {
  if (settings == nullptr) return -1;
  std::lock_guard lock(mutex_);
  Reset();
  return chip_.EmuInitialize(ReadLe32(settings + kSettingsRateOffset), 0,
                             settings[kSettingsSettingOffset]);
}

int32_t Middleware::EmuTerminate() {
  std::lock_guard lock(mutex_);
  Reset();
  return chip_.EmuTerminate();
}

int32_t Middleware::AtMgrInit() { return 0; }

int32_t Middleware::AtMgrSetInfo(int32_t variant, int32_t sample_rate, int32_t, int32_t setting) {
  std::lock_guard lock(mutex_);
  Reset();
  return chip_.EmuInitialize(sample_rate, variant, setting);
}

int32_t Middleware::AtMgrTerm() { return EmuTerminate(); }

int32_t Middleware::Init() {
  std::lock_guard lock(mutex_);
  if (function_id_ >= 0) return 0;
  if (chip_.Initialize() != 0) return -1;
  function_id_ = chip_.Create(9);
  return function_id_ >= 0 ? 0 : -1;
}

int32_t Middleware::Term() {
  std::lock_guard lock(mutex_);
  if (function_id_ < 0) return -1;
  chip_.Delete(function_id_);  // stops and forgets the phrase without a callback
  int32_t result = chip_.Terminate();
  function_id_ = -1;
  sound_id_ = -1;
  return result;
}

int32_t Middleware::Open(int32_t handle, const QsKmwOpenRecord* record) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || record == nullptr || record->text == nullptr ||
      record->length < 1 || function_id_ < 0) {
    return -1;
  }
  if (sound_id_ >= 0) {
    chip_.Stop(function_id_, sound_id_, 0);
    chip_.Close(function_id_, sound_id_, 0);
    chip_.Unload(function_id_, sound_id_, 0);
    sound_id_ = -1;
  }
  // The length counts the text's terminating NUL.
  int32_t length = record->length - 1;
  int32_t sid = chip_.Load(function_id_, record->text, length, 1, record->callback, nullptr);
  if (sid < 0) return -1;
  sound_id_ = sid;
  if (!data_.empty()) {
    QsDataBlock block{QS_DATA_CHANNEL_VOICES, data_.data(), static_cast<int32_t>(data_.size())};
    chip_.Control(function_id_, sound_id_, QS_CONTROL_DATA, &block, 0);
  }
  if (chip_.Open(function_id_, sound_id_, 0, 0) != 0) return -1;
  return chip_.Standby(function_id_, sound_id_, 0);
}

int32_t Middleware::Ctrl(int32_t handle, int32_t command, int32_t a, int32_t b, const uint8_t* data,
                         int32_t length) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE) return -1;
  if (command == QS_KMW_COMMAND_DATA) {
    if (data == nullptr || length < 0) return -1;
    data_.assign(data, data + length);
    return 0;
  }
  if (command == QS_KMW_CONTROL_VOLUME) {
    if (a < 0 || a > 127) return -1;
    volume_ = a;
  } else if (command == QS_KMW_CONTROL_REPEAT) {
    repeat_ = a;
  }
  controls_[command] = a;
  (void)b;
  return 0;
}

int32_t Middleware::DevCtrl(int32_t command, int32_t a, int32_t b, int32_t c) {
  return chip_.DeviceControl(command, a, b, c);
}

int32_t Middleware::Seek(int32_t handle, int32_t, const QsKmwSeekRecord* record) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || sound_id_ < 0) return -1;
  return chip_.Seek(function_id_, sound_id_, record != nullptr ? record->position : 0, 0);
}

int32_t Middleware::Start(int32_t handle, int32_t) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || sound_id_ < 0) return -1;
  QsValueBlock volume{static_cast<uint8_t>(volume_)};
  if (chip_.Control(function_id_, sound_id_, QS_CONTROL_VOLUME, &volume, 0) != 0) return -1;
  return chip_.Start(function_id_, sound_id_, repeat_ == 0 ? 0 : 1, 0);
}

int32_t Middleware::Stop(int32_t handle) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || sound_id_ < 0) return -1;
  return chip_.Stop(function_id_, sound_id_, 0);
}

int32_t Middleware::Close(int32_t handle) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || sound_id_ < 0) return -1;
  return chip_.Close(function_id_, sound_id_, 0);
}

int32_t Middleware::Unload(int32_t handle) {
  std::lock_guard lock(mutex_);
  if (handle != QS_KMW_HANDLE || sound_id_ < 0) return -1;
  int32_t result = chip_.Unload(function_id_, sound_id_, 0);
  if (result == 0) sound_id_ = -1;
  return result;
}

}  // namespace vtr::emulator
