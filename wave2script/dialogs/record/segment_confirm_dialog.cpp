#include "wave2script/dialogs/record/segment_confirm_dialog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <system_error>

#include "core/messages.h"
#include "engines/pth/vtr_pth_api.h"
#include "engines/wtp/wtp_api.h"
#include "outside/emulator/emulator_api.h"
#include "platform/current_directory.h"
#include "platform/window/window_system.h"
#include "resources/dialog_setup.h"
#include "resources/resources.h"
#include "wave2script/core/show_message.h"
#include "wave2script/core/syllable_list.h"
#include "wave2script/core/wave_io.h"
#include "wave2script/dialogs/record/command_guard.h"
#include "wave2script/dialogs/record/record_library.h"

namespace vtr::w2s {
namespace {

using platform::Button;
using platform::ComboBox;
using platform::ScrollBar;
using platform::Trackbar;
using resources::Module;

constexpr resources::ButtonIcon kIcons[] = {{kSegmentPlay, 139},     {kSegmentStop, 131},
                                            {kSegmentZoomIn, 533},   {kSegmentZoomOut, 532},
                                            {kSegmentPlayWave, 139}, {kSegmentStopWave, 131}};

constexpr int kOctaveDefault = 1;  // "デフォルト"
constexpr int kFineDefault = 10;   // "0"
constexpr int kWheelStep = 30;
constexpr int kLineStep = 20;
constexpr int kPageStep = 240;

// One flag per command, shared by every instance.
bool stop_running = false;
bool play_running = false;
bool ok_running = false;
bool play_wave_running = false;
bool stop_wave_running = false;

using PthInitializeFn = int(int, int);
using PthTerminateFn = int();
using PthSetPSeqFn = int(const unsigned char*, int, int);
using PthSetDurationFn = int(int, int);
using PthGetKvxFn = int(char*, int);

}  // namespace

int PreviewPositionMs(PreviewPlayer& player) {
  QsValueBlock block{0};
  const int32_t position = player.controller().Control(QS_CONTROL_POSITION, &block, 0);
  return position > 0 ? position : 0;
}

SegmentConfirmDlg::SegmentConfirmDlg(SegmentConfirmHost& host)
    : Dialog(*resources::FindDialog(Module::kWaveToScript, kSegmentConfirmDialogId),
             host.HostWindow()),
      host_(host),
      script_buffer_(kRecordBufferBytes, '\0') {}

SegmentConfirmDlg::~SegmentConfirmDlg() = default;

void SegmentConfirmDlg::SetInputs(std::string wave_path, const std::vector<SegmentItem>& items) {
  wave_path_ = std::move(wave_path);
  items_ = items;
}

bool SegmentConfirmDlg::OnInitDialog() {
  // A missing icon ends the set-up here, as a failed image load does.
  if (!resources::SetButtonIcons(*this, Module::kWaveToScript, kIcons)) return true;
  (void)resources::SetToolTips(*this, Module::kWaveToScript);
  (void)WaveIO_Init();

  WaveData wave;
  (void)ReadWaveData(wave_path_, &wave);  // a file that cannot be read keeps the defaults
  graph_ = static_cast<CSegmentGraphWnd*>(
      ReplaceChild(kSegmentGraph, std::make_unique<CSegmentGraphWnd>(std::move(wave))));
  graph_->on_origin_changed = [this](int origin) {
    Item<ScrollBar>(kSegmentScroll)->SetPos(origin);
  };
  graph_->on_zoom_changed = [this](int level) { ApplyZoomLevel(level); };
  auto* scroll = Item<ScrollBar>(kSegmentScroll);
  scroll->SetRange(0, graph_->ScrollMaximum(graph_->factor()));
  int origin = 0;
  if (!items_.empty() && items_.front().start < kSegmentMargin) {
    origin = items_.front().start - kSegmentMargin;
  }
  scroll->SetPos(origin);
  graph_->SetOrigin(origin);

  volume_ = host_.HostVolume();
  auto* slider = Item<Trackbar>(kSegmentVolume);
  slider->SetRange(0, 127);
  slider->SetPos(volume_);
  (void)Item<ComboBox>(kSegmentOctave)->SetCurSel(kOctaveDefault);
  (void)Item<ComboBox>(kSegmentFine)->SetCurSel(kFineDefault);
  Item<Button>(kSegmentSpeak)->SetCheck(1);
  Item<Button>(kSegmentSing)->SetCheck(0);
  OnMode();
  Item(kSegmentStopWave)->Enable(false);
  graph_->SetItems(items_);
  graph_->Invalidate();
  EnableControls(1);
  return true;
}

void SegmentConfirmDlg::OnCommand(int id, platform::Notice notice) {
  if (id == kWaveOutDone || id == kWaveInData) {
    int finished = 0;
    WaveIO_OnMessage(id, &finished);
    if (finished != 0) OnStopWave();
    return;
  }
  if (notice == platform::Notice::kSelChange) {
    if (id == kSegmentFine) {
      fine_shift_ = kFineDefault - Item<ComboBox>(kSegmentFine)->cur_sel();
      return;
    }
    if (id == kSegmentOctave) {
      octave_shift_ = kOctaveDefault - Item<ComboBox>(kSegmentOctave)->cur_sel();
      return;
    }
  }
  if (notice == platform::Notice::kClicked) {
    switch (id) {
      case kSegmentStop:
        OnStop();
        return;
      case kSegmentPlay:
        OnPlay();
        return;
      case kSegmentSpeak:
      case kSegmentSing:
        OnMode();
        return;
      case kSegmentZoomIn:
        OnZoom(true);
        return;
      case kSegmentZoomOut:
        OnZoom(false);
        return;
      case kSegmentPlayWave:
        OnPlayWave();
        return;
      case kSegmentStopWave:
        OnStopWave();
        return;
      default:
        break;
    }
  }
  Dialog::OnCommand(id, notice);
}

void SegmentConfirmDlg::OnMode() {
  const bool speak = Item<Button>(kSegmentSpeak)->check() != 0;
  if (speak) {
    (void)Item<ComboBox>(kSegmentOctave)->SetCurSel(kOctaveDefault);
    octave_shift_ = 0;
  }
  Item(kSegmentOctave)->Enable(!speak);
}

bool SegmentConfirmDlg::GenerateScript(int with_range) {
  if (graph_ == nullptr) return false;  // only while the dialog runs
  graph_->GetItems(&items_);
  end_time_ = items_.empty() ? 0 : items_.back().start;
  SegmentList& list = TheSegmentList();
  SegmentTable phonemes{0, nullptr};
  SegmentTable syllables{0, nullptr};
  if (list.ReplaceItems(items_) != 0 || list.GetAlignment(&phonemes, &syllables) != 0) return false;
  if (list.pitch_sequence() == nullptr) return false;

  int length = -1;
  {
    const std::filesystem::path plugins = RecordLibraryFolder() / "Plugin";
    platform::ScopedCurrentDirectory in_plugins(plugins);
    platform::WaitCursor wait;
    const platform::Module& wtp = RecordWtpLibrary();
    auto* generate = wtp.loaded() ? wtp.Find<VtrWtpGeneratePSeqFn>("VtrWtp_GeneratePSeq") : nullptr;
    auto* set_segment = wtp.loaded() ? wtp.Find<VtrWtpSetSegmentFn>("VtrWtp_SetSegment") : nullptr;
    if (generate == nullptr || set_segment == nullptr) return false;
    if (set_segment(&phonemes, &syllables) != 0) return false;
    std::error_code error;
    std::filesystem::current_path(plugins / "Julius", error);
    if (error) return false;
    length = generate(list.pitch_sequence(), kRecordBufferBytes);
    list.SetPitchSequence(list.pitch_sequence(), length);
    if (length < 0) return false;
  }
  if (!PitchSeqToScript(list.pitch_sequence(), length, with_range)) return false;

  if (octave_shift_ != 0 && !SyllableList::ShiftPitch(&script_text_, 1, octave_shift_)) {
    (void)Item<ComboBox>(kSegmentOctave)->SetCurSel(kOctaveDefault);
    octave_shift_ = 0;
  }
  if (fine_shift_ != 0 && !SyllableList::ShiftPitch(&script_text_, 0, fine_shift_)) {
    (void)Item<ComboBox>(kSegmentFine)->SetCurSel(kFineDefault);
    fine_shift_ = 0;
  }
  return true;
}

bool SegmentConfirmDlg::PitchSeqToScript(const char* buffer, int length, int with_range) {
  platform::Module pth;
  if (!pth.Load(kPthLibraryName, RecordLibraryFolder())) return false;
  auto* initialize = pth.Find<PthInitializeFn>("VtrPth_Initialize");
  auto* terminate = pth.Find<PthTerminateFn>("VtrPth_Terminate");
  auto* set_pseq = pth.Find<PthSetPSeqFn>("VtrPth_SetPSeq");
  auto* set_duration = pth.Find<PthSetDurationFn>("VtrPth_SetDuration");
  auto* get_kvx = pth.Find<PthGetKvxFn>("VtrPth_GetKVX");
  const auto fail = [&] {
    if (terminate != nullptr) (void)terminate();
    return false;  // the module is freed when `pth` goes
  };
  if (initialize == nullptr || terminate == nullptr || set_pseq == nullptr ||
      set_duration == nullptr || get_kvx == nullptr) {
    return fail();
  }
  if (initialize(20, 0) != 0) return fail();
  const int sing =
      Item<Button>(kSegmentSing) != nullptr && Item<Button>(kSegmentSing)->check() != 0 ? 1 : 0;
  if (set_pseq(reinterpret_cast<const unsigned char*>(buffer), length, sing) != 0) return fail();
  if (with_range == 1 && graph_ != nullptr) {
    loop_valid_ = graph_->GetLoopRange(&loop_first_, &loop_start_, &loop_end_);
    if (loop_valid_ != 0) {
      const unsigned from = static_cast<unsigned>(loop_start_ - loop_first_) / kSegmentStepMs;
      const unsigned to = static_cast<unsigned>(loop_end_ - loop_first_) / kSegmentStepMs;
      if (set_duration(static_cast<int>(from), static_cast<int>(to)) != 0) return fail();
    }
  }
  std::fill(script_buffer_.begin(), script_buffer_.end(), '\0');
  const int written = get_kvx(script_buffer_.data(), kRecordBufferBytes);
  if (written <= 0) return fail();
  if (terminate() != 0) return fail();
  script_text_.assign(script_buffer_.data(),
                      static_cast<size_t>(std::min(written, kRecordBufferBytes)));
  return true;
}

void SegmentConfirmDlg::OnPlay() {
  CommandGuard guard(play_running);
  if (!guard) return;
  if (!GenerateScript(1)) {
    (void)ShowMessage(core::kMessageScriptConvertFailed);
    return;
  }
  std::string text = script_text_;
  loop_check_ = Item<Button>(kSegmentLoop)->check();
  int too_long = 0;
  if (host_.PreprocessScript(&text, kSegmentPrepareOptions, 1, &too_long) != 0) return;
  (void)host_.PreprocessScript(&script_text_, kSegmentPrepareVoiceOptions, 0, &too_long);
  PreviewPlayer& player = host_.HostPlayer();
  (void)player.SetLoop(loop_check_);
  if (player.Play(handle(), kSegmentStop, volume_, kSegmentPlayVoice, text) != 0) return;
  SetTimer(kSegmentTimer, kSegmentTimerMs);
  playing_ = 1;
  EnableControls(1);
  Item(kSegmentStop)->SetFocus();
}

void SegmentConfirmDlg::OnStop() {
  CommandGuard guard(stop_running);
  if (!guard) return;
  KillTimer(kSegmentTimer);
  (void)host_.HostPlayer().Stop();
  playing_ = 0;
  EnableControls(script_text_.empty() ? 0 : 1);
  Item(kSegmentPlay)->SetFocus();
}

void SegmentConfirmDlg::OnTimer(int timer_id) {
  if (timer_id != kSegmentTimer || graph_ == nullptr) return;
  auto* scroll = Item<ScrollBar>(kSegmentScroll);
  const int first = items_.empty() ? 0 : items_.front().start;
  const int start = loop_valid_ != 0 ? loop_start_ : first;
  const int position = start + PreviewPositionMs(host_.HostPlayer());
  const double factor = graph_->factor();
  int pos = std::min(static_cast<int>(position / factor) + kSegmentMargin, scroll->maximum());
  if (std::abs(end_time_ - position) <= 25 || pos == scroll->maximum()) {
    pos = static_cast<int>(start / factor);
  }
  SetScroll(pos);
}

void SegmentConfirmDlg::SetScroll(int pos) {
  auto* scroll = Item<ScrollBar>(kSegmentScroll);
  scroll->SetPos(pos);
  graph_->SetOrigin(scroll->pos());
}

void SegmentConfirmDlg::OnScroll(int id, platform::ScrollCode code, int pos) {
  if (id == kSegmentVolume) {
    volume_ = Item<Trackbar>(kSegmentVolume)->pos();
    return;
  }
  if (id != kSegmentScroll) return;
  auto* scroll = Item<ScrollBar>(kSegmentScroll);
  int next = scroll->pos();
  switch (code) {
    case platform::ScrollCode::kLineUp:
      next -= kLineStep;
      break;
    case platform::ScrollCode::kLineDown:
      next += kLineStep;
      break;
    case platform::ScrollCode::kPageUp:
      next -= kPageStep;
      break;
    case platform::ScrollCode::kPageDown:
      next += kPageStep;
      break;
    case platform::ScrollCode::kThumbTrack:
      next = pos;
      break;
    default:
      return;
  }
  SetScroll(std::clamp(next, scroll->minimum(), scroll->maximum()));
}

void SegmentConfirmDlg::EnableControls(int flag) {
  if (flag == 0) {
    Item(kSegmentPlay)->Enable(false);
    Item(kSegmentStop)->Enable(false);
    return;
  }
  const bool idle = playing_ == 0;
  const bool speak = Item<Button>(kSegmentSpeak)->check() != 0;
  Item(kSegmentOctave)->Enable(idle && !speak);
  for (int id :
       {kSegmentGraph, kSegmentSpeak, kSegmentSing, kSegmentFine, platform::kIdOk,
        platform::kIdCancel, kSegmentVolume, kSegmentPlay, kSegmentPlayWave, kSegmentLoop}) {
    Item(id)->Enable(idle);
  }
  Item(kSegmentZoomOut)->Enable(idle && zoom_out_allowed_ != 0);
  Item(kSegmentZoomIn)->Enable(idle && zoom_in_allowed_ != 0);
  Item(kSegmentStop)->Enable(!idle);
}

void SegmentConfirmDlg::WavePlayControls(int flag) {
  const bool on = flag != 0;
  for (int id : {kSegmentGraph, kSegmentSpeak, kSegmentSing, kSegmentFine, platform::kIdOk,
                 platform::kIdCancel, kSegmentVolume, kSegmentPlay}) {
    Item(id)->Enable(on);
  }
  Item(kSegmentZoomIn)->Enable(on && zoom_in_allowed_ != 0);
  Item(kSegmentZoomOut)->Enable(on && zoom_out_allowed_ != 0);
  Item(kSegmentStop)->Enable(playing_ != 0);
  const bool wave_playing = WaveIO_IsPlaying();
  Item(kSegmentPlayWave)->Enable(!wave_playing);
  Item(kSegmentStopWave)->Enable(wave_playing);
  Item(kSegmentLoop)->Enable(!wave_playing);
  if (!on || Item<Button>(kSegmentSpeak)->check() == 0) Item(kSegmentOctave)->Enable(on);
}

void SegmentConfirmDlg::OnZoom(bool in) {
  auto* scroll = Item<ScrollBar>(kSegmentScroll);
  const double old_factor = graph_->factor();
  const int old_pos = scroll->pos();
  if (in) {
    (void)graph_->ZoomIn();
  } else {
    (void)graph_->ZoomOut();
  }
  const double new_factor = graph_->factor();
  const int maximum = graph_->ScrollMaximum(new_factor);
  const int half = graph_->client_rect().width() / 2;
  const double centre = std::round(old_factor * (half - kSegmentMargin + old_pos));
  const double left = std::max(0.0, centre - new_factor * (half - kSegmentMargin));
  const int pos = std::min(static_cast<int>(left / new_factor), maximum);
  scroll->SetRange(0, maximum);
  scroll->SetPos(pos);
  graph_->SetOrigin(scroll->pos());
}

void SegmentConfirmDlg::ApplyZoomLevel(int level) {
  zoom_in_allowed_ = level < kSegmentZoomMax ? 1 : 0;
  Item(kSegmentZoomIn)->Enable(zoom_in_allowed_ != 0);
  if (zoom_in_allowed_ == 0) Item(kSegmentZoomOut)->SetFocus();
  zoom_out_allowed_ = level > kSegmentZoomMin ? 1 : 0;
  Item(kSegmentZoomOut)->Enable(zoom_out_allowed_ != 0);
  if (zoom_out_allowed_ == 0) Item(kSegmentZoomIn)->SetFocus();
}

bool SegmentConfirmDlg::PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) {
  if (event.kind == platform::KeyEvent::Kind::kDown &&
      (event.modifiers & platform::kModCtrl) != 0 && (event.key == 'Z' || event.key == 'Y')) {
    if (playing_ == 0 && graph_ != nullptr) {
      const bool done = event.key == 'Z' ? graph_->Undo() : graph_->Redo();
      if (done) SetScroll(graph_->origin());
    }
    return true;
  }
  return Dialog::PreTranslateKey(event, target);
}

bool SegmentConfirmDlg::PreTranslateMouse(const platform::MouseEvent& event,
                                          platform::Window* target) {
  if (event.kind == platform::MouseEvent::Kind::kWheel && target != nullptr &&
      (target->id() == kSegmentGraph || target->id() == kSegmentScroll)) {
    auto* scroll = Item<ScrollBar>(kSegmentScroll);
    const int next = scroll->pos() + (event.wheel_delta > 0 ? -kWheelStep : kWheelStep);
    SetScroll(std::clamp(next, scroll->minimum(), scroll->maximum()));
    return true;
  }
  return Dialog::PreTranslateMouse(event, target);
}

void SegmentConfirmDlg::OnPlayWave() {
  CommandGuard guard(play_wave_running);
  if (!guard) return;
  if (!WaveIO_PlayFile(wave_path_, handle())) {
    (void)ShowMessage(core::kMessagePlaybackFailed);
    return;
  }
  WavePlayControls(0);
  Item(kSegmentStopWave)->SetFocus();
}

void SegmentConfirmDlg::OnStopWave() {
  CommandGuard guard(stop_wave_running);
  if (!guard) return;
  WaveIO_StopAll();
  WavePlayControls(1);
  Item(kSegmentPlayWave)->SetFocus();
}

void SegmentConfirmDlg::OnOK() {
  CommandGuard guard(ok_running);
  if (!guard) return;
  if (!Item(platform::kIdOk)->IsEnabled()) return;
  if (!GenerateScript(0)) {
    (void)ShowMessage(core::kMessageScriptConvertFailed);
    return;
  }
  if (script_text_.empty()) {
    OnCancel();
    return;
  }
  int too_long = 0;
  if (host_.PreprocessScript(&script_text_, kSegmentPrepareOptions, 0, &too_long) != 0) return;
  if (too_long != 0) {
    (void)ShowMessage(core::kMessageSentenceTooLong);
    return;
  }
  host_.SetScriptText(script_text_);
  host_.SetHostVolume(volume_);
  KillTimer(kSegmentTimer);
  (void)host_.HostPlayer().Stop();
  EndDialog(platform::kIdOk);
}

void SegmentConfirmDlg::OnCancel() {
  if (playing_ != 0) {
    OnStop();  // the controls come back with the player stopped
  } else {
    KillTimer(kSegmentTimer);
    (void)host_.HostPlayer().Stop();
  }
  if (ShowMessage(core::kMessageDiscardAll) != core::kIdYes) return;
  EndDialog(platform::kIdCancel);
}

void SegmentConfirmDlg::OnDestroy() {
  KillTimer(kSegmentTimer);
  graph_ = nullptr;  // goes with the controls
  ReleaseRecordWtpLibrary();
  WaveIO_Cleanup();
}

}  // namespace vtr::w2s
