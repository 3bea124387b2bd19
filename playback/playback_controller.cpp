#include "playback/playback_controller.h"

#include <algorithm>

namespace vtr::playback {
namespace {

constexpr int32_t kGeneralTextBlock = 0;
constexpr int kVoiceChannelSlot = 16;  // where channel 255 is kept

// The slot of a channel, or -1 for channels without one (16..254 and others).
int ChannelSlot(int32_t channel) {
  if (channel >= 0 && channel <= 15) return channel;
  if (channel == QS_DATA_CHANNEL_VOICES) return kVoiceChannelSlot;
  return -1;
}

}  // namespace

PlaybackController::PlaybackController(SoundLibraryLoader& loader) : loader_(loader) {}

PlaybackController::~PlaybackController() { StopClose(1); }

bool PlaybackController::OpenDevice(int type, std::string_view path, const PlaybackParams& params) {
  if (function_id_ >= 0) Delete();
  if (device_) StopClose(1);
  if (!IsEmulatorType(type)) return false;
  device_ = MakeDevice(loader_);
  device_->SetParams(params);
  if (!device_->Load(type, path, params.generation)) {
    device_.reset();
    return false;
  }
  if (type >= 9 && type <= 16) {
    device_->DeviceControl(5, 2, 0, 0);
    device_->DeviceControl(8, 2, 0, 0);
    QsValueBlock full{127};
    (void)Control(QS_CONTROL_VOLUME, &full, 0);  // waits, pending, until a phrase is open
  }
  return true;
}

int32_t PlaybackController::CreateFunction(int32_t value) {
  if (!device_ || !IsFunctionType(device_->type()) || function_id_ >= 0) return -1;
  int32_t result = device_->Create(value);
  if (result < 0) return -1;
  function_id_ = result;
  return result;
}

void PlaybackController::SetEndNotify(void* window, unsigned message, intptr_t wparam,
                                      intptr_t lparam) {
  notify_ = {window, message, wparam, lparam};
}

int32_t PlaybackController::State() {
  if (!device_ || function_id_ < 0) return -1;
  return device_->Control(function_id_, sound_id_, QS_CONTROL_STATE, nullptr, 0);
}

int32_t PlaybackController::Load(const uint8_t* data, int32_t length, int32_t mode,
                                 QsEndCallback callback, const void* extra) {
  if (!device_) return -1;
  if (device_->type() == kDeviceTypeBareChip) {
    return device_->LoadSound(0, data, length, mode, nullptr, nullptr);
  }
  if (!IsFunctionType(device_->type()) || function_id_ < 0) return -1;
  if (State() == QS_STATE_NONE && data != nullptr && length >= 0) {
    // The library may keep reading the text until Unload: keep our own copy that long.
    general_blocks_[kGeneralTextBlock].assign(data, data + length);
    const auto& text = general_blocks_[kGeneralTextBlock];
    int32_t result =
        device_->LoadSound(function_id_, text.data(), length, mode,
                           callback != nullptr ? callback : PlaybackEndCallback, extra);
    if (result >= 0) sound_id_ = result;
  }
  return sound_id_;
}

int32_t PlaybackController::Open(int32_t a, int32_t b) {
  if (!device_ || State() != QS_STATE_LOADED) return -1;
  int32_t result = device_->Open(function_id_, sound_id_, a, b);
  if (result == 0) ApplyPending();
  return result;
}

int32_t PlaybackController::Standby(int32_t a) {
  if (!device_ || State() != QS_STATE_OPENED) return -1;
  return device_->Standby(function_id_, sound_id_, a);
}

int32_t PlaybackController::Start(int32_t a) {
  if (!device_ || !IsFunctionType(device_->type())) return -1;
  if (AnythingPending() && State() == QS_STATE_READY) {
    // Parameters that changed since the phrase was opened take effect by opening it again.
    device_->Close(function_id_, sound_id_, 0);
    Open(0, 0);
    Standby(0);
  }
  if (State() != QS_STATE_READY) return -1;
  // Published before the start, so that an end reported during Start is not lost.
  PublishEndNotification(notify_);
  int32_t result = device_->Start(function_id_, sound_id_, repeat_, a);
  if (result != 0) WithdrawEndNotification();
  return result;
}

int32_t PlaybackController::Stop(int32_t a) {
  WithdrawEndNotification();
  if (!device_ || State() <= QS_STATE_READY) return -1;
  return device_->Stop(function_id_, sound_id_, a);
}

int32_t PlaybackController::Close(int32_t a) {
  WithdrawEndNotification();
  if (!device_) return -1;
  int32_t state = State();
  if (state != QS_STATE_OPENED && state != QS_STATE_READY) return -1;
  return device_->Close(function_id_, sound_id_, a);
}

int32_t PlaybackController::Unload(int32_t a) {
  if (!device_ || State() != QS_STATE_LOADED) return -1;
  int32_t result = device_->Unload(function_id_, sound_id_, a);
  if (result == 0) {
    sound_id_ = -1;
    range_ = Range{};
  }
  return result;
}

int PlaybackController::SetRepeat(uint16_t value) {
  if (value != repeat_) {
    for (Pending* group : {&control2_, &control1_, &control0_}) group->pending = group->has;
    range_.pending = range_.has;
    changed_ = true;
    repeat_ = value;
  }
  return device_ ? device_->type() : -1;
}

int32_t PlaybackController::Send(int32_t command, void* block, int32_t extra) {
  return device_->Control(function_id_, sound_id_, command, block, extra);
}

int32_t PlaybackController::SendValue(int32_t command, int32_t value) {
  QsValueBlock block{static_cast<uint8_t>(value)};
  return Send(command, &block, 0);
}

int32_t PlaybackController::ControlValue(Pending& group, int32_t command, void* block,
                                         int32_t extra) {
  if (block == nullptr) return -1;
  group.value = static_cast<QsValueBlock*>(block)->value;
  group.has = true;
  if (State() < QS_STATE_OPENED) {
    group.pending = true;
    return -1;
  }
  int32_t result = Send(command, block, extra);
  if (result == 0) group.pending = false;
  return result;
}

int32_t PlaybackController::ControlData(void* block, int32_t extra) {
  if (block == nullptr) return -1;
  auto* request = static_cast<QsDataBlock*>(block);
  const int slot = ChannelSlot(request->channel);
  if (slot < 0) return -1;
  if (request->data == nullptr) {
    int32_t result = Send(QS_CONTROL_DATA, block, extra);
    if (result == 0) channel_blocks_[slot].clear();
    return result;
  }
  if (request->length < 0) return -1;
  channel_blocks_[slot].assign(request->data, request->data + request->length);
  QsDataBlock copy{request->channel, channel_blocks_[slot].data(), request->length};
  int32_t result = Send(QS_CONTROL_DATA, &copy, extra);
  if (result != 0) channel_blocks_[slot].clear();
  return result;
}

int32_t PlaybackController::ControlVoice(void* block, int32_t extra) {
  if (block == nullptr) return -1;
  uint8_t value = static_cast<QsValueBlock*>(block)->value;
  if (value & 0x80) {
    // An extended voice lives in the data of its channel (the low bits); without that data it
    // falls back to the first voice.
    int channel = value & 0x7F;
    if (channel > 15 || channel_blocks_[channel].empty()) value = 0;
  }
  voice_ = value;
  QsValueBlock sent{value};
  return Send(QS_CONTROL_VOICE, &sent, extra);
}

int32_t PlaybackController::Control(int32_t command, void* block, int32_t extra) {
  if (!device_) return -1;
  switch (command) {
    case QS_CONTROL_VOLUME:
      return ControlValue(control0_, command, block, extra);
    case QS_CONTROL_1:
      return ControlValue(control1_, command, block, extra);
    case QS_CONTROL_2:
      return ControlValue(control2_, command, block, extra);
    case QS_CONTROL_POSITION:
      return State() >= QS_STATE_READY ? Send(command, block, extra) : -1;
    case QS_CONTROL_LENGTH: {
      if (State() < QS_STATE_OPENED) return -1;
      int32_t result = Send(command, block, extra);
      if (result == 0 && block != nullptr) length_ = static_cast<QsValueBlock*>(block)->value;
      return result;
    }
    case QS_CONTROL_STATE:
      return function_id_ >= 0 ? Send(command, block, extra) : -1;
    case QS_CONTROL_7:
    case QS_CONTROL_8:
      return function_id_ >= 0 && sound_id_ >= 0 ? Send(command, block, extra) : -1;
    case QS_CONTROL_RANGE_START:
      if (block == nullptr) return -1;
      range_.start = static_cast<QsValueBlock*>(block)->value;
      range_.has = true;
      return Send(command, block, extra);
    case QS_CONTROL_RANGE_END: {
      if (block == nullptr) return -1;
      int32_t end = static_cast<QsValueBlock*>(block)->value;
      if (length_ >= 0) end = std::min(end, length_);
      range_.end = end;
      range_.has = true;
      QsValueBlock clamped{static_cast<uint8_t>(end)};
      return Send(command, &clamped, extra);
    }
    case QS_CONTROL_DATA:
      return ControlData(block, extra);
    case QS_CONTROL_VOICE:
      return ControlVoice(block, extra);
    default:
      return -1;
  }
}

bool PlaybackController::AnythingPending() const {
  return changed_ || range_.pending || control2_.pending || control1_.pending || control0_.pending;
}

void PlaybackController::ApplyPending() {
  if (AnythingPending()) {
    for (Pending* group : {&control2_, &control1_, &control0_}) {
      group->pending = group->pending || group->has;
    }
    range_.pending = range_.pending || range_.has;
    changed_ = false;
  }
  int32_t state = State();
  if (range_.pending && range_.end >= range_.start && state == QS_STATE_OPENED) {
    if (SendValue(QS_CONTROL_RANGE_START, range_.start) == 0 &&
        SendValue(QS_CONTROL_RANGE_END, range_.end) == 0) {
      range_.pending = false;
    }
  }
  for (auto [group, command] :
       {std::pair{&control2_, QS_CONTROL_2}, std::pair{&control1_, QS_CONTROL_1},
        std::pair{&control0_, QS_CONTROL_VOLUME}}) {
    if (group->pending && state > QS_STATE_LOADED && SendValue(command, group->value) == 0) {
      group->pending = false;
    }
  }
}

int32_t PlaybackController::Delete() {
  if (!device_ || function_id_ < 0) return -1;
  int32_t result = device_->Delete(function_id_);
  if (result == 0) function_id_ = -1;
  for (auto& block : channel_blocks_) block.clear();
  return result;
}

void PlaybackController::ResetValues() {
  for (auto& block : general_blocks_) block.clear();
  for (auto& block : channel_blocks_) block.clear();
  range_ = Range{};
  control2_ = Pending{};
  control1_ = Pending{100};
  control0_ = Pending{100};
  length_ = -1;
  changed_ = false;
  repeat_ = 1;
  voice_ = 0;
}

void PlaybackController::StopClose(int all) {
  WithdrawEndNotification();
  if (device_) {
    int32_t state = State();
    if (state >= QS_STATE_OPENED && state <= QS_STATE_PLAYING_LOOP) {
      Stop(0);
      Close(0);
    }
    if (State() >= QS_STATE_LOADED && State() <= QS_STATE_PLAYING_LOOP) Unload(0);
    if (function_id_ >= 0) Delete();
  }
  if (all == 1) {
    device_.reset();
    function_id_ = -1;
    sound_id_ = -1;
    ResetValues();
  }
}

}  // namespace vtr::playback
