#include "wave2script/dialogs/intonation_edit_dialog.h"

#include <algorithm>
#include <utility>

#include "core/messages.h"
#include "platform/module.h"
#include "platform/paths.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"
#include "resources/dialog_setup.h"
#include "resources/resources.h"
#include "wave2script/core/script_checker.h"
#include "wave2script/core/show_message.h"
#include "wave2script/core/syllable_list.h"
#include "wave2script/dialogs/record/command_guard.h"
#include "wave2script/dialogs/record/record_library.h"
#include "wave2script/dialogs/record/record_road.h"
#include "wave2script/dialogs/record/wave_input_dialog.h"
#include "wave2script/dialogs/script_preparation.h"

namespace vtr::w2s {
namespace {

using platform::Button;
using platform::ComboBox;
using platform::Notice;
using platform::ScrollBar;
using platform::ScrollCode;
using platform::Trackbar;
using resources::Module;

// Scroll steps [graph units]: bars 173 and 177, and a wheel notch.
constexpr int kHorizontalLine = 20;
constexpr int kHorizontalPage = 240;
constexpr int kVerticalLine = 5;
constexpr int kVerticalPage = 50;
constexpr int kWheelStep = 30;
// The play follow jumps back this close to the last syllable's start [time units].
constexpr int kFollowEndMargin = 25;
// The first point's pitch marker x: where a play from the start begins.
constexpr int kFirstMarkerX = 5;
constexpr int kVolumeMax = 127;
constexpr int kWindowTitle = 163;
constexpr int kAccelerators = 149;

// Button faces: {control, icon}.
constexpr resources::ButtonIcon kButtonIcons[] = {
    {kIntonationPlay, 139}, {kIntonationStop, 131}, {kIntonationSave, 135}, {kIntonationOpen, 137}};

// The controls a play disables (and the stop button enables).
constexpr int kIdleControls[] = {kIntonationSpeed, kIntonationRecord, kIntonationClear,
                                 kIntonationOpen,  kIntonationSave,   kIntonationVolume,
                                 kIntonationVoice, kIntonationPlay,   kIntonationGraphId,
                                 kIntonationLoop,  platform::kIdOk,   platform::kIdCancel};

platform::DialogTemplate IntonationTemplate() {
  const platform::DialogTemplate* found =
      resources::FindDialog(Module::kWaveToScript, kIntonationDialogId);
  return found != nullptr ? *found : platform::DialogTemplate{};
}

}  // namespace

IntonationEditDialog::IntonationEditDialog(playback::SoundLibraryLoader& loader,
                                           std::string emulator_library)
    : Dialog(IntonationTemplate()), player_(loader, std::move(emulator_library)) {}

IntonationEditDialog::~IntonationEditDialog() = default;

void IntonationEditDialog::SetInputs(int saved_flag, std::string_view wave_path,
                                     std::string_view script, int voice, int volume,
                                     std::string_view script_path, int pass_through) {
  saved_flag_ = saved_flag;
  wave_path_ = std::string(wave_path);
  script_text_ = std::string(script);
  (void)StripHeaderTag(script_text_);
  voice_ = voice;
  volume_ = volume;
  script_path_ = std::string(script_path);
  pass_through_ = pass_through;
}

std::string& IntonationEditDialog::ScriptWithHeader() {
  (void)AddHeaderTag(script_text_);
  return script_text_;
}

// ---- Script preparation and the conversions between text and graph ---------------------------

int IntonationEditDialog::PreprocessScript(std::string* text, uint32_t options, bool show_errors,
                                           bool* too_long) {
  return w2s::PreprocessScript(text, options, show_errors, too_long, &voice_);
}

int IntonationEditDialog::PreprocessScript(std::string* text, int options, int show_errors,
                                           int* too_long) {
  bool is_too_long = false;
  const int result =
      PreprocessScript(text, static_cast<uint32_t>(options), show_errors != 0, &is_too_long);
  if (too_long != nullptr) *too_long = is_too_long ? 1 : 0;
  return result;
}

void IntonationEditDialog::SetScriptText(std::string_view text) {
  script_text_ = std::string(text);
  (void)StripHeaderTag(script_text_);
}

bool IntonationEditDialog::ScriptToGraph() {
  std::string text = script_text_;
  if (!text.empty()) {
    bool too_long = false;
    if (PreprocessScript(&text, kPrepareForGraph, true, &too_long) != kPrepareDone) return false;
  } else {
    (void)AddHeaderTag(text);
  }
  SyllableList list;
  SyllableArray records;
  const uint32_t set = list.SetScript(kCheckerTypeWord, text);
  // A script of the bare tag is an empty graph.
  if (set != kSyllablesDone && set != kSyllablesHeaderOnly) return false;
  if (set == kSyllablesDone && list.GetSyllables(&records) != kSyllablesDone) return false;
  if (graph_ == nullptr) return false;
  (void)graph_->SetSyllables(records);
  script_tail_ = list.tail();
  SetupVerticalScroll();
  SetupHorizontalScroll();
  graph_->Invalidate();
  return true;
}

bool IntonationEditDialog::GraphToScript() {
  if (graph_ == nullptr) return false;
  SyllableArray records;
  (void)graph_->GetSyllables(&records);
  if (records.empty()) {
    script_text_.clear();
    return true;
  }
  SyllableList list;
  list.set_tail(script_tail_);
  std::string_view text;
  if (list.AssignSyllables(records) != kSyllablesDone || list.GetText(&text) != kSyllablesDone) {
    return false;
  }
  script_text_ = std::string(text);
  (void)StripHeaderTag(script_text_);
  return true;
}

bool IntonationEditDialog::GraphToPlayScript() {
  if (graph_ == nullptr) return false;
  SyllableArray records;
  play_start_x_ = graph_->GetPlaySyllables(&records);
  SyllableList list;
  list.set_tail(script_tail_);
  // A play from the first point keeps the lead-in offset of an earlier play.
  const uint32_t kept =
      play_start_x_ == kFirstMarkerX
          ? list.AssignSyllables(records)
          : list.SetSyllables(records, play_start_x_ - kFirstMarkerX, &play_offset_);
  if (kept != kSyllablesDone) return false;
  if (records.empty()) {
    script_text_.clear();
    return true;
  }
  play_end_scroll_ = 0;
  const size_t lead = static_cast<size_t>(std::max(play_offset_ / 20, 0));
  for (size_t i = 0; i < lead && i < records.size(); ++i) play_end_scroll_ += records[i].end_time;
  (void)list.GetSyllables(&records);
  if (!records.empty()) last_start_ = records[records.size() - 1].end_time;
  std::string_view text;
  if (list.GetText(&text) != kSyllablesDone) return false;
  script_text_ = std::string(text);
  (void)StripHeaderTag(script_text_);
  return true;
}

bool IntonationEditDialog::ApplyVoice() {
  if (auto* combo = Item<ComboBox>(kIntonationVoice)) voice_ = combo->cur_sel();
  if (script_text_.empty()) return false;
  bool too_long = false;
  if (PreprocessScript(&script_text_, kPrepareApplyVoice, false, &too_long) != kPrepareDone) {
    return false;
  }
  (void)StripHeaderTag(script_text_);
  return true;
}

void IntonationEditDialog::NormalizeScript() {
  if (script_text_.empty()) return;
  (void)AddHeaderTag(script_text_);
  bool too_long = false;
  if (PreprocessScript(&script_text_, kPrepareNormalize, false, &too_long) == kPrepareDone) {
    (void)StripHeaderTag(script_text_);
  }
}

// ---- Set-up ----------------------------------------------------------------------------------

bool IntonationEditDialog::OnInitDialog() {
  if (!InitControls()) {
    (void)ShowMessage(core::kMessageInternalError);
    // The caller's script could not be shown: nothing of it may come back changed.
    EndDialog(platform::kIdCancel);
    return true;
  }
  if (player_.Open() != 0) return false;  // the player has shown 501
  if (!wave_path_.empty()) {
    Enable(false);
    SetTimer(kOpenWaveTimer, kOpenWaveTimerMs);
  }
  return true;
}

bool IntonationEditDialog::InitControls() {
  if (!resources::SetButtonIcons(*this, Module::kWaveToScript, kButtonIcons)) return false;
  (void)resources::SetToolTips(*this, Module::kWaveToScript);
  if (auto* slider = Item<Trackbar>(kIntonationVolume)) {
    slider->SetRange(0, kVolumeMax);
    slider->SetPos(volume_);
  }
  if (auto* swatch = Item<platform::Static>(kIntonationPitchSwatch)) {
    swatch->SetColors(kPitchStyle.pen_color, platform::colors::kBlack);
  }
  if (auto* swatch = Item<platform::Static>(kIntonationStrengthSwatch)) {
    swatch->SetColors(kStrengthStyle.pen_color, platform::colors::kBlack);
  }
  graph_ = CIntonationGraphWnd::Create(*this, kIntonationGraphId, [this] { OnGraphChanged(); });
  if (graph_ == nullptr) return false;
  EnableControls(!script_text_.empty());
  if (!ScriptToGraph()) return false;
  if (auto* voice = Item<ComboBox>(kIntonationVoice)) (void)voice->SetCurSel(voice_);
  if (auto* speed = Item<ComboBox>(kIntonationSpeed)) (void)speed->SetCurSel(speed_index_);
  SetRect(platform::Rect{0, 0, kIntonationDialogWidth, kIntonationDialogHeight});
  CenterWindow();
  SetText(resources::LoadString(Module::kWaveToScript, kWindowTitle));
  SetupVerticalScroll();
  SetupHorizontalScroll();
  SetAccelerators(resources::LoadAccelerators(Module::kWaveToScript, kAccelerators));
  return true;
}

void IntonationEditDialog::SetupVerticalScroll() {
  if (graph_ == nullptr) return;
  const int maximum = kGraphHeight - graph_->client_rect().height();
  if (auto* bar = Item<ScrollBar>(kIntonationVScroll)) {
    bar->SetRange(0, maximum);
    bar->SetPos(maximum / 2);
  }
  graph_->model().SetVerticalRange(0, maximum);
  graph_->model().set_vpos(maximum / 2);
}

void IntonationEditDialog::SetupHorizontalScroll() {
  if (graph_ == nullptr) return;
  const int maximum = graph_->GetScrollMax();
  if (auto* bar = Item<ScrollBar>(kIntonationHScroll)) {
    bar->SetRange(0, maximum);
    bar->SetPos(0);
  }
  graph_->model().SetHorizontalRange(0, maximum);
  graph_->model().set_hpos(0);
}

void IntonationEditDialog::EnableControls(bool has_text) {
  if (Window* save = Item(kIntonationSave)) save->Enable(has_text);
  if (has_text) {
    const bool idle = playing_ != 1;
    for (int id : kIdleControls) {
      if (Window* control = Item(id)) control->Enable(idle);
    }
    if (Window* stop = Item(kIntonationStop)) stop->Enable(playing_ == 1);
    DragAcceptFiles(idle);
  } else {
    if (Window* play = Item(kIntonationPlay)) play->Enable(false);
    if (Window* stop = Item(kIntonationStop)) stop->Enable(false);
  }
}

// ---- Play ------------------------------------------------------------------------------------

void IntonationEditDialog::OnPlay() {
  CommandGuard guard(in_play_);
  if (!guard) return;
  if (!GraphToPlayScript() || !ApplyVoice()) {
    (void)ShowMessage(core::kMessagePlaybackFailed);
    return;
  }
  StartPlay();
}

void IntonationEditDialog::StartPlay() {
  if (auto* loop = Item<Button>(kIntonationLoop)) loop_ = loop->check();
  std::string play_text = script_text_;
  bool too_long = false;
  if (PreprocessScript(&play_text, kPrepareForPlay, true, &too_long) != kPrepareDone) return;
  // Reads the voice token back; the text keeps its tag until the graph rebuilds it.
  (void)PreprocessScript(&script_text_, kPrepareAfterPlay, false, &too_long);
  (void)player_.SetLoop(loop_);
  if (player_.Play(handle(), kIntonationStop, volume_, voice_, play_text) != 0) return;
  SetTimer(kPlayFollowTimer, kPlayFollowTimerMs);
  playing_ = 1;
  EnableControls(true);
  if (Window* stop = Item(kIntonationStop)) stop->SetFocus();
}

void IntonationEditDialog::OnStop() {
  CommandGuard guard(in_stop_);
  if (!guard) return;
  KillTimer(kPlayFollowTimer);
  (void)player_.Stop();
  playing_ = 0;
  EnableControls(!script_text_.empty());
  if (Window* play = Item(kIntonationPlay)) play->SetFocus();
}

void IntonationEditDialog::FollowPlay() {
  auto* bar = Item<ScrollBar>(kIntonationHScroll);
  if (graph_ == nullptr || bar == nullptr) return;
  const int position = PreviewPositionMs(player_);
  int x = play_start_x_ + position - play_offset_;
  bool moved = false;
  if (x > play_start_x_) {
    x = std::min(x, bar->maximum());
    bar->SetPos(x);
    graph_->model().set_hpos(x);
    moved = true;
  }
  if (static_cast<unsigned>(last_start_ - kFollowEndMargin) <= static_cast<unsigned>(position) ||
      x == bar->maximum()) {
    bar->SetPos(play_end_scroll_ - 5);
    graph_->model().set_hpos(play_end_scroll_ - 5);
    moved = true;
  }
  if (moved) graph_->Invalidate();
}

void IntonationEditDialog::OnTimer(int timer_id) {
  if (timer_id == kPlayFollowTimer) {
    FollowPlay();
  } else if (timer_id == kOpenWaveTimer && IsShown()) {
    KillTimer(kOpenWaveTimer);
    OpenFile(wave_path_);
    Enable(true);
  }
}

// ---- Files -----------------------------------------------------------------------------------

void IntonationEditDialog::OnOpen() {
  CommandGuard guard(in_open_);
  if (!guard) return;
  if (Window* open = Item(kIntonationOpen); open == nullptr || !open->enabled()) return;
  OpenFile("");
}

void IntonationEditDialog::OpenFile(const std::string& path) {
  if (!GraphToScript()) return;
  if (!script_text_.empty() && AskSave() == SaveAnswer::kStop) return;
  ClearWaveRoadMarker();
  std::string file = path;
  std::string text;
  if (OpenScriptOrWave(file, text, this, file_places_) != 0) return;
  bool too_long = false;
  if (PreprocessScript(&text, kPrepareForOpen, false, &too_long) != kPrepareDone) return;
  SetScriptText(text);
  script_path_ = file;
  ShowFreshScript();
  EnableControls(!script_text_.empty());
  saved_flag_ = WaveRoadMarker() ? 0 : 1;
  is_clean_ = 0;
  (void)ScriptToGraph();
}

bool IntonationEditDialog::RunSpeechRoad(const std::string& wave_path, std::string* script) {
  if (auto* loop = Item<Button>(kIntonationLoop)) loop_ = loop->check();
  std::string current = script_text_;
  (void)AddHeaderTag(current);
  // The segment confirm dialog stores its script in this dialog; the Open takes it from
  // there, and until then the dialog's own script stays as it was.
  const std::string kept = script_text_;
  if (RunRecordDialogs(wave_path, current) != platform::kIdOk) return false;
  std::string generated = script_text_;
  script_text_ = kept;
  (void)AddHeaderTag(generated);
  *script = std::move(generated);
  return true;
}

int IntonationEditDialog::RunRecordDialogs(const std::string& wave_path,
                                           const std::string& script) {
  WaveInputDialog input(this);
  if (!wave_path.empty()) input.SetWavePath(wave_path);
  if (!input.SetKanaText(script)) return platform::kIdCancel;
  return RunRecordRoad(input, *this);
}

IntonationEditDialog::SaveResult IntonationEditDialog::Save() {
  CommandGuard guard(in_save_);
  if (!guard) return SaveResult::kNotSaved;
  if (Window* save = Item(kIntonationSave); save == nullptr || !save->enabled()) {
    return SaveResult::kNotSaved;
  }
  if (!GraphToScript() || !ApplyVoice()) return SaveResult::kNotSaved;
  NormalizeScript();
  std::string path = script_path_;
  bool too_long = false;
  if (PreprocessScript(&script_text_, kPrepareForSave, true, &too_long) != kPrepareDone) {
    return SaveResult::kNotSaved;
  }
  bool declined = false;
  const int saved = SaveScript(path, script_text_, true, file_places_, &declined);
  (void)StripHeaderTag(script_text_);
  // A declined overwrite wrote nothing: the script is not saved.
  if (saved != 0 || declined) return SaveResult::kNotSaved;
  script_path_ = path;
  saved_flag_ = 1;
  is_clean_ = 1;
  return SaveResult::kSaved;
}

IntonationEditDialog::SaveAnswer IntonationEditDialog::AskSave() {
  if (saved_flag_ == 1 && is_clean_ == 1) return SaveAnswer::kGoOn;
  switch (ShowMessage(core::kMessageSaveChanges)) {
    case core::kIdYes:
      return Save() == SaveResult::kSaved ? SaveAnswer::kGoOn : SaveAnswer::kStop;
    case core::kIdNo:
      return SaveAnswer::kGoOn;
    default:
      return SaveAnswer::kStop;
  }
}

void IntonationEditDialog::OnDropFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  SetForeground();
  platform::WaitCursor wait;
  OpenFile(paths.front());
}

// ---- Edit commands ---------------------------------------------------------------------------

void IntonationEditDialog::ShowFreshScript() {
  if (auto* slider = Item<Trackbar>(kIntonationVolume)) slider->SetPos(volume_);
  if (auto* voice = Item<ComboBox>(kIntonationVoice)) (void)voice->SetCurSel(voice_);
  SetSpeedIndex(kStandardSpeedIndex);
  if (graph_ != nullptr) graph_->ClearUndo();
}

void IntonationEditDialog::SetSpeedIndex(int index) {
  speed_index_ = index;
  if (auto* speed = Item<ComboBox>(kIntonationSpeed)) (void)speed->SetCurSel(index);
}

void IntonationEditDialog::OnClear() {
  CommandGuard guard(in_clear_);
  if (!guard) return;
  if (!GraphToScript()) return;
  if (!script_text_.empty() && AskSave() == SaveAnswer::kStop) return;
  script_text_.clear();
  saved_flag_ = 1;
  is_clean_ = 1;
  EnableControls(false);
  if (ScriptToGraph()) ShowFreshScript();
}

void IntonationEditDialog::OnRecord() {
  CommandGuard guard(in_record_);
  if (!guard) return;
  if (!GraphToScript()) return;
  if (!script_text_.empty() && AskSave() == SaveAnswer::kStop) return;
  (void)ApplyVoice();
  std::string current = script_text_;
  (void)AddHeaderTag(current);
  if (RunRecordDialogs("", current) != platform::kIdOk) return;
  ShowFreshScript();
  EnableControls(!script_text_.empty());
  if (!ScriptToGraph()) return;
  saved_flag_ = 0;
  is_clean_ = 0;
  script_path_.clear();
}

void IntonationEditDialog::OnVoiceChange() {
  if (auto* combo = Item<ComboBox>(kIntonationVoice)) voice_ = combo->cur_sel();
  saved_flag_ = 0;
  is_clean_ = 0;
}

void IntonationEditDialog::OnSpeedChange() {
  auto* combo = Item<ComboBox>(kIntonationSpeed);
  if (combo == nullptr) return;
  const int chosen = combo->cur_sel();
  const int old = speed_index_;
  speed_index_ = chosen;
  if (!GraphToScript()) return;
  NormalizeScript();
  const std::string backup = script_text_;
  std::string text = script_text_;
  (void)AddHeaderTag(text);
  if (!SyllableList::ShiftSpeed(&text, old - chosen)) {
    SetSpeedIndex(old);
    (void)ShowMessage(core::kMessageCannotChange);
    return;
  }
  (void)StripHeaderTag(text);
  script_text_ = text;
  if (!ScriptToGraph()) {
    SetSpeedIndex(old);
    script_text_ = backup;
    return;
  }
  graph_->ClearUndo();
  saved_flag_ = 0;
  is_clean_ = 0;
}

void IntonationEditDialog::OnGraphChanged() {
  const bool has_points = graph_ != nullptr && graph_->GetCount() > 0;
  saved_flag_ = has_points ? 0 : 1;
  is_clean_ = has_points ? 0 : 1;
  EnableControls(has_points);
}

// ---- OK and Cancel ---------------------------------------------------------------------------

void IntonationEditDialog::EndWith(int result) {
  KillTimer(kPlayFollowTimer);
  (void)player_.Stop();
  (void)player_.Close();
  EndDialog(result);
}

void IntonationEditDialog::OnOK() {
  CommandGuard guard(in_ok_);
  if (!guard) return;
  const int answer = is_clean_ == 1 ? core::kIdYes : ShowMessage(core::kMessageReflectToMain);
  if (answer == core::kIdNo) {
    EndWith(platform::kIdCancel);
    return;
  }
  if (answer != core::kIdYes) return;
  if (!GraphToScript()) return;
  if (!script_text_.empty()) {
    if (!ApplyVoice()) return;
    NormalizeScript();
    bool too_long = false;
    if (PreprocessScript(&script_text_, kPrepareForSave, false, &too_long) != kPrepareDone) {
      return;
    }
    if (too_long) {
      (void)ShowMessage(core::kMessageSentenceTooLong);
      return;
    }
  }
  EndWith(platform::kIdOk);
}

void IntonationEditDialog::OnCancel() {
  CommandGuard guard(in_cancel_);
  if (!guard) return;
  (void)GraphToScript();
  if (!script_text_.empty() && is_clean_ == 0 &&
      ShowMessage(core::kMessageDiscardAll) == core::kIdNo) {
    return;
  }
  EndWith(platform::kIdCancel);
}

// ---- Commands, scrolling, keys and the wheel --------------------------------------------------

void IntonationEditDialog::OnCommand(int id, Notice notice) {
  if (notice == Notice::kSelChange) {
    if (id == kIntonationVoice) OnVoiceChange();
    if (id == kIntonationSpeed) OnSpeedChange();
    return;
  }
  if (notice != Notice::kClicked) return;
  switch (id) {
    case kIntonationPlay:
      OnPlay();
      return;
    case kIntonationStop:
      OnStop();
      return;
    case kIntonationOpen:
      OnOpen();
      return;
    case kIntonationSave:
      (void)Save();
      return;
    case kIntonationClear:
      OnClear();
      return;
    case kIntonationRecord:
      OnRecord();
      return;
    default:
      Dialog::OnCommand(id, notice);
      return;
  }
}

void IntonationEditDialog::ScrollHorizontally(int pos) {
  if (graph_ == nullptr) return;
  pos = std::clamp(pos, graph_->model().horizontal_min(),
                   std::max(graph_->model().horizontal_min(), graph_->model().horizontal_max()));
  if (auto* bar = Item<ScrollBar>(kIntonationHScroll)) bar->SetPos(pos);
  graph_->model().set_hpos(pos);
  graph_->Invalidate();
}

void IntonationEditDialog::ScrollVertically(int pos) {
  auto* bar = Item<ScrollBar>(kIntonationVScroll);
  if (graph_ == nullptr || bar == nullptr) return;
  pos = std::clamp(pos, bar->minimum(), std::max(bar->minimum(), bar->maximum()));
  bar->SetPos(pos);
  graph_->model().set_vpos(pos);
  graph_->Invalidate();
}

void IntonationEditDialog::OnScroll(int id, ScrollCode code, int pos) {
  if (id == kIntonationVolume) {
    if (auto* slider = Item<Trackbar>(kIntonationVolume)) volume_ = slider->pos();
    return;
  }
  if (id == kIntonationHScroll) {
    auto* bar = Item<ScrollBar>(kIntonationHScroll);
    const int now = bar != nullptr ? bar->pos() : 0;
    switch (code) {
      case ScrollCode::kLineUp:
        ScrollHorizontally(now - kHorizontalLine);
        return;
      case ScrollCode::kLineDown:
        ScrollHorizontally(now + kHorizontalLine);
        return;
      case ScrollCode::kPageUp:
        ScrollHorizontally(now - kHorizontalPage);
        return;
      case ScrollCode::kPageDown:
        ScrollHorizontally(now + kHorizontalPage);
        return;
      case ScrollCode::kThumbTrack:
        ScrollHorizontally(pos);
        return;
      default:
        return;
    }
  }
  if (id == kIntonationVScroll) {
    auto* bar = Item<ScrollBar>(kIntonationVScroll);
    const int now = bar != nullptr ? bar->pos() : 0;
    switch (code) {
      case ScrollCode::kLineUp:
        ScrollVertically(now - kVerticalLine);
        return;
      case ScrollCode::kLineDown:
        ScrollVertically(now + kVerticalLine);
        return;
      case ScrollCode::kPageUp:
        ScrollVertically(now - kVerticalPage);
        return;
      case ScrollCode::kPageDown:
        ScrollVertically(now + kVerticalPage);
        return;
      case ScrollCode::kThumbTrack:
        ScrollVertically(pos);
        return;
      default:
        return;
    }
  }
}

void IntonationEditDialog::UndoOrRedo(bool redo) {
  if (playing_ == 1 || graph_ == nullptr) return;
  const bool changed = redo ? graph_->Redo() : graph_->Undo();
  const int maximum = graph_->GetScrollMax();
  graph_->model().SetHorizontalRange(graph_->model().horizontal_min(), maximum);
  if (auto* bar = Item<ScrollBar>(kIntonationHScroll)) {
    bar->SetRange(graph_->model().horizontal_min(), maximum);
  }
  // The script changed: the flags must say so, or the caller takes it for the saved one.
  if (changed) OnGraphChanged();
}

bool IntonationEditDialog::PreTranslateKey(const platform::KeyEvent& event,
                                           platform::Window* target) {
  // A drag in the graph runs its own loop and takes every key (Escape cancels it).
  if (graph_ != nullptr && graph_->dragging()) return false;
  if (Dialog::PreTranslateKey(event, target)) return true;  // accelerators 149
  if (event.kind != platform::KeyEvent::Kind::kDown) return false;
  const bool ctrl =
      (event.modifiers & platform::kModCtrl) != 0 || platform::IsKeyDown(platform::kKeyControl);
  if (!ctrl || graph_ == nullptr) return false;
  switch (event.key) {
    case 'Z':
      UndoOrRedo(false);
      return true;
    case 'Y':
      UndoOrRedo(true);
      return true;
    // Raising and lowering report their edit to OnGraphChanged themselves.
    case platform::kKeyUp:
      (void)graph_->RaiseSelection();
      return true;
    case platform::kKeyDown:
      (void)graph_->LowerSelection();
      return true;
    case platform::kKeyRight:
      (void)graph_->SelectNext();
      return true;
    case platform::kKeyLeft:
      (void)graph_->SelectPrevious();
      return true;
    case platform::kKeyReturn:
      graph_->ChangeSelectedHiragana();
      return true;
    default:
      return false;
  }
}

bool IntonationEditDialog::PreTranslateMouse(const platform::MouseEvent& event,
                                             platform::Window* target) {
  if (event.kind != platform::MouseEvent::Kind::kWheel || target == nullptr) return false;
  // A notch towards the user moves the view down (or right).
  const int step = event.wheel_delta < 0 ? kWheelStep : -kWheelStep;
  if (target == graph_ || target->id() == kIntonationVScroll) {
    if (auto* bar = Item<ScrollBar>(kIntonationVScroll)) ScrollVertically(bar->pos() + step);
    return true;
  }
  if (target->id() == kIntonationHScroll) {
    if (auto* bar = Item<ScrollBar>(kIntonationHScroll)) {
      const int pos = std::clamp(bar->pos() + step, 0, std::max(0, bar->maximum()));
      ScrollHorizontally(pos);
    }
    return true;
  }
  return false;
}

IntonationEditDialog& TheIntonationEditDialog() {
  // The chip library beside this library, never one of the current directory.
  static IntonationEditDialog dialog(
      playback::DefaultSoundLibraryLoader(),
      platform::JoinSystemPath(
          platform::ModuleFolder(reinterpret_cast<const void*>(&TheIntonationEditDialog)),
          platform::MapSystemName(playback::kEmulatorLibrary5))
          .string());
  return dialog;
}

}  // namespace vtr::w2s
