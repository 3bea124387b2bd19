#include "wave2script/core/preview_player.h"

#include <utility>

#include "core/messages.h"
#include "core/script_text.h"
#include "outside/emulator/emulator_api.h"
#include "playback/command_poster.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

constexpr int kFirstPhraseType = 9;  // the program's type of device 1
constexpr int kBareChipType = 17;
constexpr int kChineseType = 19;
constexpr int kChineseId = 10;
constexpr int32_t kGateOpenCommand = 13;

// The extra argument Load hands devices 6..8: 1 while the range flag is clear, else 0.
constexpr uint8_t kLoadExtraRangeClear = 1;
constexpr uint8_t kLoadExtraRangeSet = 0;

bool IsLoadExtraId(int id) { return id >= 6 && id <= 8; }

}  // namespace

int PreviewDeviceType(int id) {
  if (id >= 1 && id <= 8) return id + kFirstPhraseType - 1;
  if (id == kPreviewDeviceBareChip) return kBareChipType;
  if (id == kChineseId) return kChineseType;
  return -1;
}

int PreviewDeviceId(int type) {
  if (type >= kFirstPhraseType && type <= kFirstPhraseType + 7) return type - kFirstPhraseType + 1;
  if (type == kBareChipType) return kPreviewDeviceBareChip;
  if (type == kChineseType) return kChineseId;
  return -1;
}

// ---- PreviewEmuSoundDevice ------------------------------------------------------------------

PreviewEmuSoundDevice::PreviewEmuSoundDevice(playback::SoundLibraryLoader& loader)
    : EmuSoundDevice(loader) {}

bool PreviewEmuSoundDevice::LoadId(int id, std::string_view path) {
  const int type = PreviewDeviceType(id);
  if (type < 0) return false;
  return Load(type, path, playback::kEmulatorGeneration5);
}

int32_t PreviewEmuSoundDevice::DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c) {
  const int mode = params().mode;
  bool allowed = false;
  if (mode == 1) {
    allowed = first_initialise_done();
  } else if (mode == 2 || mode == 3) {
    allowed = command == kGateOpenCommand;
  }
  if (!allowed) return -1;
  return EmuSoundDevice::DeviceControl(command, a, b, c);
}

// ---- PreviewPlaybackController --------------------------------------------------------------

PreviewPlaybackController::PreviewPlaybackController(playback::SoundLibraryLoader& loader,
                                                     std::string library)
    : PlaybackController(loader), library_(std::move(library)) {}

std::unique_ptr<playback::EmuSoundDevice> PreviewPlaybackController::MakeDevice(
    playback::SoundLibraryLoader& loader) {
  return std::make_unique<PreviewEmuSoundDevice>(loader);
}

bool PreviewPlaybackController::OpenDevice(int id, const PreviewPlaybackParams& params) {
  const int type = PreviewDeviceType(id);
  if (type < 0) {
    // As for an unknown type: whatever was open is released first.
    (void)PlaybackController::OpenDevice(0, library_, params);
    return false;
  }
  if (!PlaybackController::OpenDevice(type, library_, params)) return false;
  if (id == kChineseId) {
    // The program's controller sets up its phrase types 9..16; this family also device 10.
    device()->DeviceControl(5, 2, 0, 0);
    device()->DeviceControl(8, 2, 0, 0);
    QsValueBlock full{127};
    (void)Control(QS_CONTROL_VOLUME, &full, 0);
  }
  return true;
}

int32_t PreviewPlaybackController::Load(const uint8_t* data, int32_t length, int32_t mode,
                                        QsEndCallback callback, const void* extra) {
  PreviewEmuSoundDevice* device = preview_device();
  if (device != nullptr && IsLoadExtraId(device->id()) && device->initialised()) {
    extra = range_flag() == 0 ? &kLoadExtraRangeClear : &kLoadExtraRangeSet;
  }
  return PlaybackController::Load(data, length, mode, callback, extra);
}

// ---- PreviewPlayer --------------------------------------------------------------------------

PreviewPlayer::PreviewPlayer(playback::SoundLibraryLoader& loader, std::string library)
    : controller_(loader, std::move(library)) {}

int PreviewPlayer::Open() {
  PreviewPlaybackParams params;
  params.mode = device_mode_;
  params.SetFlags(1, 1, 0, 0, 1);
  params.value_11 = 2;
  params.value_07 = 0;
  params.volume = 100;
  (void)params.set_language_code(playback::kLanguageCodeJapanese);
  const bool ok =
      controller_.OpenDevice(kPreviewDeviceJapanese, params) && controller_.CreateFunction(9) >= 0;
  opened_ = 1;
  if (!ok) {
    (void)ShowMessage(core::kMessageInternalError);
    return kPreviewOpenFailed;
  }
  return kPreviewOk;
}

int PreviewPlayer::Close() {
  if (opened_ != 1) {
    (void)ShowMessage(core::kMessageInternalError);
    return kPreviewFailed;
  }
  controller_.StopClose(1);
  return kPreviewOk;
}

int PreviewPlayer::Play(void* window, int notify_id, int volume, int voice, std::string_view text) {
  // A script with an empty body is nothing to play: the chip would refuse it.
  if (window == nullptr || text.empty() || core::IsBareHeaderTag(text) || volume < 0 ||
      volume > 127 || voice < 0 || voice > 15) {
    (void)ShowMessage(core::kMessageInternalError);
    return kPreviewBadArguments;
  }
  controller_.SetEndNotify(window, playback::kCommandMessage, notify_id, 0);
  (void)controller_.Close(0);
  (void)controller_.Unload(0);
  auto fail = [] {
    (void)ShowMessage(core::kMessagePlaybackFailed);
    return kPreviewFailed;
  };
  // A sound id of 0 counts as failure, as does none at all (-1).
  if (controller_.Load(reinterpret_cast<const uint8_t*>(text.data()),
                       static_cast<int32_t>(text.size()), 1, nullptr, nullptr) <= 0) {
    return fail();
  }
  if (controller_.Open(0, 0) != 0) return fail();
  QsValueBlock volume_block{static_cast<uint8_t>(volume)};
  if (controller_.Control(QS_CONTROL_VOLUME, &volume_block, 0) != 0) return fail();
  QsValueBlock voice_block{static_cast<uint8_t>(voice)};
  if (controller_.Control(QS_CONTROL_VOICE, &voice_block, 0) != 0) return fail();
  if (controller_.Standby(0) != 0) return fail();
  (void)controller_.SetRepeat(loop_ != 0 ? 0 : 1);
  if (controller_.Start(0) != 0) return fail();
  return kPreviewOk;
}

int PreviewPlayer::Stop() {
  (void)controller_.Stop(0);
  return kPreviewOk;
}

int PreviewPlayer::SetLoop(int flag) {
  loop_ = flag;
  return kPreviewOk;
}

}  // namespace vtr::w2s
