#include "wave2script/dialogs/record/wave_input_dialog.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/messages.h"
#include "engines/wtp/wtp_api.h"
#include "platform/current_directory.h"
#include "platform/files.h"
#include "platform/text.h"
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
using platform::Edit;
using platform::Encoding;
using resources::Module;

// Button faces: {control, icon}.
constexpr resources::ButtonIcon kIcons[] = {
    {kWaveInputPlay, 139}, {kWaveInputStop, 131}, {kWaveInputRecord, 133}, {kWaveInputOpen, 137}};

// One flag per command, shared by every instance: a command still running in a nested loop
// ignores a second activation.
bool play_running = false;
bool record_running = false;
bool stop_running = false;
bool cancel_running = false;
bool ok_running = false;
bool open_running = false;

bool EndsWithWav(std::string_view path) {
  if (path.size() < 4) return false;
  std::string tail(path.substr(path.size() - 4));
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".wav";
}

bool IsBareHeader(std::string_view text) {
  if (text.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != "KV#J"[i]) return false;
  }
  return true;
}

bool IsKanaOnly(std::string text) { return SyllableList::ValidateKana(&text, false); }

}  // namespace

std::string ShownWaveName(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (name.size() <= kWaveNameShownBytes) return std::string(name);
  // Paths are UTF-8 here: never cut inside a character.
  size_t end = kWaveNameShownBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return std::string(name.substr(0, end));
}

WaveInputDialog::WaveInputDialog(platform::Window* parent)
    : Dialog(*resources::FindDialog(Module::kWaveToScript, kWaveInputDialogId), parent),
      pitch_buffer_(kRecordBufferBytes, '\0') {
  TheSegmentList().SetPitchSequence(pitch_buffer_.data(), 0);
}

WaveInputDialog::~WaveInputDialog() {
  if (TheSegmentList().pitch_sequence() == pitch_buffer_.data()) {
    TheSegmentList().SetPitchSequence(nullptr, 0);
  }
}

bool WaveInputDialog::SetKanaText(std::string_view text) {
  std::string kana(text);
  if (!IsBareHeader(text) && SyllableList::ValidateKana(&kana, false)) {
    kana_text_ = std::move(kana);
  } else {
    kana_text_.clear();
  }
  return true;
}

void WaveInputDialog::GetResult(std::string* wave_path, std::vector<SegmentItem>* items) const {
  *wave_path = wave_path_;
  items->clear();
  items->insert(items->end(), items_.begin(), items_.end());
}

bool WaveInputDialog::LoadWave(const std::string& path) {
  if (!WaveIO_CheckWaveFile(path)) {
    (void)ShowMessage(core::kMessageOpenFailed);
    return false;
  }
  wave_path_ = path;
  return true;
}

bool WaveInputDialog::OnInitDialog() {
  SetWaveRoadMarker();
  // A missing icon ends the set-up here, as a failed image load does.
  if (!resources::SetButtonIcons(*this, Module::kWaveToScript, kIcons)) return true;
  (void)resources::SetToolTips(*this, Module::kWaveToScript);
  (void)WaveIO_Init();
  Item(kWaveInputStop)->Enable(false);
  if (!wave_path_.empty()) {
    ShowName();
  } else {
    Item(kWaveInputPlay)->Enable(false);
  }
  changed_ = 0;
  kana_at_start_ = kana_text_;
  (void)Item<Edit>(kWaveInputKana)->SetScriptText(Encoding::kShiftJis, kana_text_);
  SetTimer(kWaveInputTimer, kWaveInputTimerMs);
  DragAcceptFiles(true);
  UpdateOkButton();
  // The layer focuses the first control when FocusFirst placed the focus nowhere.
  return !FocusFirst();
}

std::string WaveInputDialog::KanaEditText() const {
  platform::TextResult bytes = Item<Edit>(kWaveInputKana)->ScriptText(Encoding::kShiftJis);
  // A character Shift-JIS cannot hold is no kana: what converted stays, the rest is dropped.
  return std::move(bytes.text);
}

void WaveInputDialog::ShowName() { Item(kWaveInputName)->SetText(ShownWaveName(wave_path_)); }

void WaveInputDialog::UpdateOkButton() {
  Window* ok = Item(platform::kIdOk);
  if (WaveIO_IsPlaying() || WaveIO_IsRecording()) {
    ok->Enable(false);
    return;
  }
  ok->Enable(!Item(kWaveInputName)->text().empty() && IsKanaOnly(KanaEditText()));
}

bool WaveInputDialog::FocusFirst() {
  bool focused = false;
  if (Item(kWaveInputKana)->text().empty()) {
    Item(kWaveInputKana)->SetFocus();
    focused = true;
  }
  if (Item(platform::kIdOk)->enabled()) {
    Item(platform::kIdOk)->SetFocus();
    focused = true;
  }
  return focused;
}

void WaveInputDialog::SelectAllKana() {
  auto* kana = Item<Edit>(kWaveInputKana);
  kana->SetSel(0, -1);
  kana->ScrollCaret();
}

void WaveInputDialog::OnCommand(int id, platform::Notice notice) {
  if (id == kWaveOutDone || id == kWaveInData) {
    int finished = 0;
    WaveIO_OnMessage(id, &finished);
    if (finished != 0) OnStop();
    return;
  }
  if (notice == platform::Notice::kChange && id == kWaveInputKana) {
    OnKanaChange();
    return;
  }
  if (notice == platform::Notice::kClicked) {
    switch (id) {
      case kWaveInputPlay:
        OnPlay();
        return;
      case kWaveInputRecord:
        OnRecord();
        return;
      case kWaveInputStop:
        OnStop();
        return;
      case kWaveInputOpen:
        OnOpen();
        return;
      default:
        break;
    }
  }
  Dialog::OnCommand(id, notice);
}

void WaveInputDialog::OnPlay() {
  CommandGuard guard(play_running);
  if (!guard) return;
  if (!WaveIO_PlayFile(wave_path_, handle())) {
    (void)ShowMessage(core::kMessagePlaybackFailed);
    return;
  }
  for (int id :
       {kWaveInputPlay, kWaveInputRecord, platform::kIdOk, platform::kIdCancel, kWaveInputOpen}) {
    Item(id)->Enable(false);
  }
  Item(kWaveInputStop)->Enable(true);
  Item(kWaveInputKana)->SetFocus();
}

void WaveInputDialog::OnRecord() {
  CommandGuard guard(record_running);
  if (!guard) return;
  // Without an input device (or the temporary file) nothing records: the dialog stays as it
  // was, ready for another try or for opening a file.
  if (!WaveIO_RecordToTemp(handle())) {
    (void)ShowMessage(core::kMessagePlaybackFailed);
    return;
  }
  for (int id :
       {kWaveInputPlay, kWaveInputRecord, kWaveInputOpen, platform::kIdOk, platform::kIdCancel}) {
    Item(id)->Enable(false);
  }
  Item(kWaveInputStop)->Enable(true);
  Item(kWaveInputStop)->SetFocus();
}

void WaveInputDialog::OnStop() {
  CommandGuard guard(stop_running);
  if (!guard) return;
  const bool was_recording = WaveIO_IsRecording();
  WaveIO_StopAll();
  if (was_recording) SaveRecording();
  Item(kWaveInputStop)->Enable(false);
  for (int id : {kWaveInputRecord, platform::kIdCancel, kWaveInputOpen}) Item(id)->Enable(true);
  Item(kWaveInputPlay)->Enable(!wave_path_.empty());
  Item(kWaveInputKana)->SetFocus();
  ShowName();
  UpdateOkButton();
  if (was_recording) FocusFirst();
}

void WaveInputDialog::SaveRecording() {
  platform::FileDialogRequest request;
  request.save = true;
  request.filters = {{"音声ファイル ( *.wav )", "*.wav"}};
  for (;;) {
    const platform::FileDialogResult chosen = platform::ShowFileDialog(this, request);
    if (!chosen.ok || chosen.path.empty()) return;  // the recording waits in the temporary file
    std::string path = chosen.path;
    if (std::filesystem::path(path).extension().empty()) path += ".wav";
    std::error_code error;
    if (std::filesystem::exists(path, error) &&
        ShowMessage(core::kMessageReplaceFile) != core::kIdYes) {
      request.file_name = path;  // back to the save dialog, the name still proposed
      continue;
    }
    if (WaveIO_SaveRecording(path)) {
      wave_path_ = path;
      changed_ = 1;
    } else {
      // The recording stays in the temporary file; the wave path keeps naming a real file.
      (void)ShowMessage(core::kMessageSaveFailed);
    }
    return;
  }
}

void WaveInputDialog::OnOpen() {
  CommandGuard guard(open_running);
  if (!guard) return;
  if (!Item(kWaveInputOpen)->IsEnabled()) return;
  platform::FileDialogRequest request;
  request.filters = {{"音声ファイル (*.wav)", "*.wav"}};
  const platform::FileDialogResult chosen = platform::ShowFileDialog(this, request);
  if (!chosen.ok) return;
  OpenPath(chosen.path);
}

void WaveInputDialog::OpenPath(const std::string& path) {
  if (!EndsWithWav(path) || !LoadWave(path)) return;
  changed_ = 1;
  ShowName();
  Item(kWaveInputPlay)->Enable(true);
  UpdateOkButton();
  FocusFirst();
}

void WaveInputDialog::OnDropFiles(const std::vector<std::string>& paths) {
  if (WaveIO_IsPlaying() || WaveIO_IsRecording() || paths.empty()) return;
  SetForeground();
  platform::WaitCursor wait;
  OpenPath(paths.front());
}

void WaveInputDialog::OnKanaChange() {
  if (KanaEditText() != kana_at_start_) changed_ = 1;
  UpdateOkButton();
}

void WaveInputDialog::OnTimer(int) {
  if (!WaveIO_IsPlaying() && !WaveIO_IsRecording()) return;
  Item(kWaveInputName)->SetText(WavePositionText(WaveIO_GetPosition(), WaveIO_GetRate()));
}

bool WaveInputDialog::PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) {
  if (event.kind == platform::KeyEvent::Kind::kDown &&
      (event.modifiers & platform::kModCtrl) != 0) {
    if (event.key == 'A') {
      SelectAllKana();
      return true;
    }
    if (event.key == 'O') {
      OnOpen();
      return true;
    }
  }
  return Dialog::PreTranslateKey(event, target);
}

bool WaveInputDialog::PreTranslateMouse(const platform::MouseEvent& event,
                                        platform::Window* target) {
  if (event.kind == platform::MouseEvent::Kind::kDoubleClick &&
      event.button == platform::MouseButton::kLeft) {
    SelectAllKana();
    return true;
  }
  return Dialog::PreTranslateMouse(event, target);
}

void WaveInputDialog::OnOK() {
  CommandGuard guard(ok_running);
  if (!guard) return;
  if (!Item(platform::kIdOk)->IsEnabled()) return;
  kana_text_ = KanaEditText();
  if (!SyllableList::ValidateKana(&kana_text_, false)) {
    (void)ShowMessage(core::kMessageNothingToPlay);
    return;
  }
  std::string aligner_text;
  if (BuildAlignerText(kana_text_, &aligner_text) != 0) {
    (void)ShowMessage(core::kMessageNothingToPlay);
    return;
  }
  // The file must still be there; whether the analysis can read it is the analysis's to say
  // (513 below).
  std::error_code error;
  if (wave_path_.empty() || !std::filesystem::exists(wave_path_, error)) {
    (void)ShowMessage(core::kMessageOpenFailed);
    return;
  }
  if (!RunAligner(wave_path_, aligner_text)) {
    (void)ShowMessage(core::kMessageWaveConvertFailed);
    return;
  }
  EndDialog(platform::kIdOk);
}

void WaveInputDialog::OnCancel() {
  CommandGuard guard(cancel_running);
  if (!guard) return;
  // Escape and the close box count only while the Cancel button could be pressed.
  if (!Item(platform::kIdCancel)->IsEnabled()) return;
  if (changed_ != 0 && ShowMessage(core::kMessageDiscardAll) != core::kIdYes) return;
  EndDialog(platform::kIdCancel);
}

void WaveInputDialog::OnDestroy() {
  KillTimer(kWaveInputTimer);
  WaveIO_Cleanup();
}

bool WaveInputDialog::RunAligner(const std::string& wave_path, const std::string& aligner_text) {
  std::error_code error;
  // Made absolute before the current directory moves.
  const std::filesystem::path wave = std::filesystem::absolute(wave_path, error);
  const std::filesystem::path folder = RecordLibraryFolder();
  const std::filesystem::path plugins = folder / "Plugin";
  // Restores the directory on every way out.
  platform::ScopedCurrentDirectory in_plugins(plugins);

  ReleaseRecordWtpLibrary();  // a library left from an earlier road is closed first
  platform::Module& wtp = RecordWtpLibrary();
  if (!wtp.Load(kWtpLibraryName, folder)) return false;

  platform::WaitCursor wait;
  auto* initialize = wtp.Find<VtrWtpInitializeFn>("VtrWtp_Initialize");
  auto* terminate = wtp.Find<VtrWtpTerminateFn>("VtrWtp_Terminate");
  auto* set_wav = wtp.Find<VtrWtpSetWavFn>("VtrWtp_SetWav");
  auto* set_text = wtp.Find<VtrWtpSetTextFn>("VtrWtp_SetText");
  auto* get_pseq = wtp.Find<VtrWtpGetPSeqFn>("VtrWtp_GetPSeq");
  auto* get_segment = wtp.Find<VtrWtpGetSegmentFn>("VtrWtp_GetSegment");
  const auto fail = [&] {
    if (terminate != nullptr) (void)terminate();
    wtp.Free();
    return false;
  };
  if (initialize == nullptr || terminate == nullptr || set_wav == nullptr || set_text == nullptr ||
      get_pseq == nullptr || get_segment == nullptr) {
    return fail();
  }
  if (initialize(20, 0) != 0) return fail();

  if (!platform::IsRegularFile(wave)) return fail();  // a FIFO or a device is never opened
  std::ifstream held(wave, std::ios::binary);         // the file must exist while it is analysed
  if (!held.is_open()) return fail();
  std::filesystem::current_path(wave.parent_path(), error);
  const std::string name = wave.filename().string();
  if (set_wav(name.c_str(), static_cast<int>(name.size())) != 0) return fail();
  if (set_text(aligner_text.data(), static_cast<int>(aligner_text.size())) != 0) return fail();
  std::filesystem::current_path(plugins / "Julius", error);
  if (error) return fail();

  SegmentList& list = TheSegmentList();
  const int length = get_pseq(list.pitch_sequence(), kRecordBufferBytes);
  list.SetPitchSequence(list.pitch_sequence(), length);
  held.close();
  // Every negative result is a failure, not only -1: a missing recogniser must not pass as an
  // empty alignment.
  if (length < 0) return fail();
  SegmentTable phonemes{0, nullptr};
  SegmentTable syllables{0, nullptr};
  if (get_segment(&phonemes, &syllables) != 0) return fail();
  if (list.SetAlignment(kSegmentModeWord, phonemes.count, phonemes.items, syllables.count,
                        syllables.items) != 0) {
    return fail();
  }
  items_.clear();
  if (list.CopyItemsTo(&items_) != 0) return fail();
  return true;
}

}  // namespace vtr::w2s
