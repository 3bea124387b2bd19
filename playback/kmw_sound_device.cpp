#include "playback/kmw_sound_device.h"

#include <cstddef>
#include <string>

namespace vtr::playback {
namespace {

template <typename Function, typename... Args>
int32_t Forward(Function function, Args... args) {
  return function != nullptr ? function(args...) : -1;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The Ctrl set-up of the non-manager variant: {command, a, b}.
// clang-format off
constexpr int32_t kCtrlSetUp[][3] = {
    {0, 0, 0},    {4, 101, 2},  {3, 0, 0},    {3, 1, 0},   {3, 2, 0},    {3, 3, 0},
    {19, 13, 0},  {20, 13, 0},  {17, 221, 0}, {18, 205, 0}, {23, 127, 0}, {24, 127, 0},
    {21, 127, 127}, {25, 127, 0}, {26, 127, 0}, {27, 127, 0}, {28, 127, 0}, {9, 2, 0},
    {10, 0, 0},   {13, 2, 0},   {14, 0, 0}};
// clang-format on
// The controls Term puts back, with the values of the set-up.
constexpr int32_t kCtrlReset[][3] = {{23, 127, 0}, {24, 127, 0}, {21, 127, 127}, {25, 127, 0},
                                     {26, 127, 0}, {27, 127, 0}, {28, 127, 0}};

void PutLe32(uint8_t* at, int32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}
void PutLe16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

std::array<uint8_t, QS_KMW_SETTINGS_SIZE> KmwSettingsBlock(int32_t sample_rate, uint8_t setting) {
  std::array<uint8_t, QS_KMW_SETTINGS_SIZE> block{};
  uint8_t* b = block.data();
  PutLe32(b + 0, 2);
  PutLe32(b + 4, sample_rate);
  b[8] = setting;  // bytes 9-11 stay unset
  PutLe32(b + 12, 0);
  PutLe32(b + 16, 15);
  PutLe32(b + 20, 1);
  PutLe32(b + 24, 1);
  for (std::ptrdiff_t i = 0; i < 4; ++i) PutLe16(b + 28 + 2 * i, 120);
  for (std::ptrdiff_t i = 0; i < 4; ++i) PutLe16(b + 36 + 2 * i, 240);
  for (std::ptrdiff_t i = 0; i < 4; ++i) PutLe16(b + 44 + 2 * i, 12);
  for (std::ptrdiff_t i = 0; i < 2; ++i) PutLe16(b + 52 + 2 * i, 16);
  for (std::ptrdiff_t i = 0; i < 2; ++i) PutLe16(b + 56 + 2 * i, 24);
  PutLe32(b + 60, 0);
  PutLe32(b + 64, 3549);
  b[68] = 1;
  return block;
}

KmwSoundDevice::KmwSoundDevice(SoundLibraryLoader& loader) : loader_(loader) {}

KmwSoundDevice::~KmwSoundDevice() { ShutDown(); }

bool KmwSoundDevice::Load(int type, int setting, std::string_view path) {
  if (path.empty()) return false;
  ShutDown();
  type_ = type;
  setting_ = static_cast<uint8_t>(setting);
  auth_manager_ = EndsWith(path, "Qs7_AuthMgr.dll") || EndsWith(path, "Qs7_AuthMgr.so");
  library_ = loader_.Load(path);
  if (!library_) return false;
  SoundLibrary& lib = *library_;
  entry_.at_mgr_init = lib.Find<QsKmw_AtMgrInitFn>("QsKmw_AtMgrInit");
  entry_.at_mgr_set_info = lib.Find<QsKmw_AtMgrSetInfoFn>("QsKmw_AtMgrSetInfo");
  entry_.init = lib.Find<QsKmw_InitFn>("QsKmw_Init");
  entry_.open = lib.Find<QsKmw_OpenFn>("QsKmw_Open");
  entry_.ctrl = lib.Find<QsKmw_CtrlFn>("QsKmw_Ctrl");
  entry_.dev_ctrl = lib.Find<QsKmw_DevCtrlFn>("QsKmw_DevCtrl");
  entry_.seek = lib.Find<QsKmw_SeekFn>("QsKmw_Seek");
  entry_.start = lib.Find<QsKmw_StartFn>("QsKmw_Start");
  entry_.stop = lib.Find<QsKmw_StopFn>("QsKmw_Stop");
  entry_.close = lib.Find<QsKmw_CloseFn>("QsKmw_Close");
  entry_.term = lib.Find<QsKmw_TermFn>("QsKmw_Term");
  entry_.unload = lib.Find<QsKmw_UnloadFn>("QsKmw_Unload");
  entry_.at_mgr_term = lib.Find<QsKmw_AtMgrTermFn>("QsKmw_AtMgrTerm");
  entry_.emu_initialize = lib.Find<Qsapi_EmuInitializeFn>("Qsapi_EmuInitialize");
  entry_.emu_terminate = lib.Find<Qsapi_EmuTerminateFn>("Qsapi_EmuTerminate");
  return true;
}

int32_t KmwSoundDevice::Open() {
  if (!library_ || type_ < 0 || type_ > 7) return -1;
  int32_t result = 0;
  auto step = [&result](int32_t step_result) {
    if (result == 0 && step_result != 0) result = step_result;
  };
  if (auth_manager_) {
    step(Forward(entry_.at_mgr_init));
    step(Forward(entry_.at_mgr_set_info, int32_t{variant_}, sample_rate_, 0, int32_t{setting_}));
  } else {
    auto block = KmwSettingsBlock(sample_rate_, setting_);
    step(Forward(entry_.emu_initialize, 0, block.data(), 0, 0, 0, 0));
  }
  if (result != 0) return result;
  if (!started_) {
    step(Forward(entry_.init));
    if (!auth_manager_) {
      for (const auto& c : kCtrlSetUp) step(Ctrl(c[0], c[1], c[2]));
    }
    started_ = result == 0;
  }
  return result;
}

void KmwSoundDevice::ShutDown() {
  WithdrawEndNotification();
  if (!library_) return;
  if (started_) {
    if (!auth_manager_) {
      for (const auto& c : kCtrlReset) Ctrl(c[0], c[1], c[2]);
    }
    Forward(entry_.term);
    started_ = false;
  }
  if (auth_manager_) {
    Forward(entry_.at_mgr_term);
  } else {
    Forward(entry_.emu_terminate);
  }
  library_.reset();
  entry_ = {};
}

void KmwSoundDevice::SetEndNotify(void* window, unsigned message, intptr_t wparam,
                                  intptr_t lparam) {
  notify_ = {window, message, wparam, lparam};
}

int32_t KmwSoundDevice::OpenText(const uint8_t* text, int32_t length) {
  if (text == nullptr || length < 0) return -1;
  text_.assign(text, text + length);
  text_.push_back(0);
  QsKmwOpenRecord record{1, 8, text_.data(), length + 1, PlaybackEndCallback, 0, 0};
  int32_t result = Forward(entry_.open, handle_, &record);
  if (result != 0) return result;
  QsKmwSeekRecord seek{0, 0};
  return Forward(entry_.seek, handle_, 0, &seek);
}

int32_t KmwSoundDevice::Ctrl(int32_t command, int32_t a, int32_t b, const uint8_t* data,
                             int32_t length) {
  return Forward(entry_.ctrl, handle_, command, a, b, data, length);
}

int32_t KmwSoundDevice::Start() {
  PublishEndNotification(notify_);
  int32_t result = Forward(entry_.start, handle_, 0);
  if (result != 0) WithdrawEndNotification();
  return result;
}

int32_t KmwSoundDevice::Stop() {
  WithdrawEndNotification();
  return Forward(entry_.stop, handle_);
}

int32_t KmwSoundDevice::Close() {
  WithdrawEndNotification();
  return Forward(entry_.close, handle_);
}

int32_t KmwSoundDevice::Unload() { return Forward(entry_.unload, handle_); }

}  // namespace vtr::playback
