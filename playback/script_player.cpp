#include "playback/script_player.h"

#include "core/script_text.h"

namespace vtr::playback {
namespace {

// Languages of the mode word (bits 24-27).
constexpr int kLanguageKorean = 3;
constexpr int kLanguageChinese = 5;

// Middleware device types by language.
constexpr int kMiddlewareKorean = 3;
constexpr int kMiddlewareChinese = 7;
constexpr int kMiddlewareOther = 0;

constexpr int kFunctionKind = 9;
constexpr int kLoadMode = 1;

}  // namespace

ScriptPlayer::ScriptPlayer(SoundLibraryLoader& loader) : controller_(loader), kmw_(loader) {}

// The middleware shuts down and the controller closes with their own destructors.
ScriptPlayer::~ScriptPlayer() = default;

int ScriptPlayer::Fail(unsigned message_id, int result) {
  (void)reporter_.ShowMessage(message_id);
  return result;
}

int ScriptPlayer::Open(std::string_view dll_path, uint32_t mode_word, int param) {
  kind_ = static_cast<int>(mode_word >> 28);
  language_ = static_cast<int>((mode_word >> 24) & 15);
  PlaybackParams params;
  if (mode_setting_ == 1 || mode_setting_ == 2) params.mode = mode_setting_;
  params.SetFlags(1, 1, 0, 0, 1);
  params.value_11 = 2;
  params.value_07 = 0;
  params.volume = 100;
  (void)params.set_language_code(language_ == kLanguageKorean    ? kLanguageCodeKorean
                                 : language_ == kLanguageChinese ? kLanguageCodeChinese
                                                                 : kLanguageCodeJapanese);
  bool ok = false;
  if (kind_ == kDeviceKindEmulator) {
    int type = language_ == kLanguageKorean    ? kDeviceTypeKorean
               : language_ == kLanguageChinese ? kDeviceTypeChinese
                                               : kDeviceTypeJapanese;
    ok = controller_.OpenDevice(type, dll_path, params) &&
         controller_.CreateFunction(kFunctionKind) >= 0;
  } else if (kind_ == kDeviceKindMiddleware) {
    int type = language_ == kLanguageKorean    ? kMiddlewareKorean
               : language_ == kLanguageChinese ? kMiddlewareChinese
                                               : kMiddlewareOther;
    // The middleware opens when its set-up answers 0.
    ok = kmw_.Load(type, param, dll_path) && kmw_.Open() == 0;
  }
  open_flag_ = 1;
  return ok ? kPlayerOk : Fail(core::kMessageInternalError, kPlayerOpenFailed);
}

int ScriptPlayer::Play(void* notify, int notify_id, int volume, int voice, std::string_view text) {
  // A script with an empty body is nothing to play: the chip would refuse it.
  if (notify == nullptr || text.empty() || core::IsBareHeaderTag(text) || volume < 0 ||
      volume > 127) {
    return Fail(core::kMessageInternalError, kPlayerBadArguments);
  }
  if (voice < 0 || voice > 15) voice = 0;
  if (kind_ == kDeviceKindEmulator) return PlayEmulator(notify, notify_id, volume, voice, text);
  if (kind_ == kDeviceKindMiddleware) return PlayMiddleware(notify, notify_id, volume, text);
  return Fail(core::kMessagePlaybackFailed, kPlayerNotOpenOrFailed);
}

int ScriptPlayer::PlayEmulator(void* notify, int notify_id, int volume, int voice,
                               std::string_view text) {
  auto failed = [this] { return Fail(core::kMessagePlaybackFailed, kPlayerNotOpenOrFailed); };
  controller_.SetEndNotify(notify, kCommandMessage, notify_id, 0);
  // A phrase still playing is stopped first, so that it can be closed and unloaded.
  if (controller_.State() > QS_STATE_READY) controller_.Stop(0);
  controller_.Close(0);
  controller_.Unload(0);
  int32_t sound_id =
      controller_.Load(reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<int32_t>(text.size()), kLoadMode, nullptr, nullptr);
  if (sound_id < 0) return failed();
  if (extra_length_ != 0) {
    QsDataBlock block{QS_DATA_CHANNEL_VOICES, extra_data_, extra_length_};
    if (controller_.Control(QS_CONTROL_DATA, &block, 0) != 0) return failed();
  }
  if (controller_.Open(0, 0) != 0) return failed();
  QsValueBlock volume_block{static_cast<uint8_t>(volume)};
  if (controller_.Control(QS_CONTROL_VOLUME, &volume_block, 0) != 0) return failed();
  QsValueBlock voice_block{static_cast<uint8_t>(voice)};
  if (controller_.Control(QS_CONTROL_VOICE, &voice_block, 0) != 0) return failed();
  if (controller_.Standby(0) != 0) return failed();
  controller_.SetRepeat(option_ == 0 ? 1 : 0);
  if (controller_.Start(0) != 0) return failed();
  return kPlayerOk;
}

int ScriptPlayer::PlayMiddleware(void* notify, int notify_id, int volume, std::string_view text) {
  auto failed = [this] { return Fail(core::kMessagePlaybackFailed, kPlayerNotOpenOrFailed); };
  text_copy_.assign(text);
  kmw_.SetEndNotify(notify, kCommandMessage, notify_id, 0);
  kmw_.Stop();
  kmw_.Close();
  kmw_.Unload();
  if (kmw_.OpenText(reinterpret_cast<const uint8_t*>(text_copy_.data()),
                    static_cast<int32_t>(text_copy_.size())) != 0) {
    return failed();
  }
  if (extra_length_ != 0 &&
      kmw_.Ctrl(QS_KMW_COMMAND_DATA, QS_DATA_CHANNEL_VOICES, 1, extra_data_, extra_length_) != 0) {
    return failed();
  }
  if (kmw_.Ctrl(QS_KMW_CONTROL_VOLUME, volume, 0) != 0) return failed();
  if (kmw_.Ctrl(QS_KMW_CONTROL_REPEAT, option_ == 0 ? 1 : 0, 0) != 0) return failed();
  if (kmw_.Start() != 0) return failed();
  return kPlayerOk;
}

int ScriptPlayer::Stop() {
  if (kind_ == kDeviceKindEmulator) {
    controller_.Stop(0);
  } else if (kind_ == kDeviceKindMiddleware) {
    kmw_.Stop();
    kmw_.Close();
  }
  return kPlayerOk;
}

int ScriptPlayer::Close() {
  if (open_flag_ != 1) return Fail(core::kMessageInternalError, kPlayerNotOpenOrFailed);
  if (kind_ == kDeviceKindEmulator) {
    controller_.StopClose(1);
  } else if (kind_ == kDeviceKindMiddleware) {
    kmw_.ShutDown();
  }
  return kPlayerOk;
}

int ScriptPlayer::SetMessageOwner(void* owner, std::string_view caption) {
  return reporter_.SetOwner(owner, std::string(caption));
}

int ScriptPlayer::SetOption(int option) {
  option_ = option;
  return kPlayerOk;
}

void ScriptPlayer::SetExtraData(const uint8_t* data, int32_t length) {
  extra_data_ = data;
  extra_length_ = data != nullptr && length > 0 ? length : 0;
}

}  // namespace vtr::playback
