// WaveInputDialog (dialog 146, "音声ファイルコンバート"): the first step from speech to a
// script. The user records a WAVE file or opens one (button, Ctrl+O or a dropped file), types
// the spoken words in kana and presses OK; the dialog then runs the alignment through
// Plugin/Vtr_wtp (and the recogniser it starts) and leaves the result in TheSegmentList() and
// in its own items, from which the segment confirm dialog (dialog 148) continues.
//
// The creator keeps the object on its stack for the whole road: after dialog 148 was
// cancelled the same object runs again and still holds its wave path, kana text and items.
//
//   // given: platform::Dialog& intonation_dialog; std::string script_with_header
//   WaveInputDialog input(&intonation_dialog);
//   (void)input.SetKanaText(script_with_header);   // its kana, if it is kana only
//   if (input.DoModal() == platform::kIdOk) {
//     std::string wave;
//     std::vector<SegmentItem> items;
//     input.GetResult(&wave, &items);                // Vtr_wtp stays loaded for dialog 148
//   }
//
// Messages (through ShowMessage): 504 no kana text or a kana without aligner symbol, 506 the
// WAVE file fails the check or no longer exists, 507 a recording could not be saved, 508 the
// question before a recording replaces a file, 510 playback or recording could not start,
// 513 the aligner road failed, 516 the discard question on Cancel after changes.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_WAVE_INPUT_DIALOG_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_WAVE_INPUT_DIALOG_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/dialog.h"
#include "wave2script/core/segment_list.h"

namespace vtr::w2s {

// Control ids of dialog 146.
inline constexpr int kWaveInputDialogId = 146;
inline constexpr int kWaveInputPlay = 144;
inline constexpr int kWaveInputStop = 145;
inline constexpr int kWaveInputRecord = 147;
inline constexpr int kWaveInputOpen = 148;
inline constexpr int kWaveInputKana = 157;
inline constexpr int kWaveInputName = 161;
// The timer that shows the play or record position.
inline constexpr int kWaveInputTimer = 500;
inline constexpr int kWaveInputTimerMs = 512;
// Bytes of the file name edit 161 shows.
inline constexpr size_t kWaveNameShownBytes = 16;

// The file name of a path (after its last slash or backslash) cut to its first 16 bytes
// (never inside a multibyte character).
[[nodiscard]] std::string ShownWaveName(std::string_view path);

class WaveInputDialog : public platform::Dialog {
 public:
  // `parent`: the owner window (nullptr: none). Lends TheSegmentList() a zeroed 1 MiB
  // pitch-sequence buffer for the dialog's lifetime.
  explicit WaveInputDialog(platform::Window* parent);
  ~WaveInputDialog() override;

  // `text`: a Shift-JIS script (with or without its "KV#J" header) or kana text. When it is
  // not the bare header and holds kana, its kana tokens become the kana text; otherwise the
  // kana text is emptied. Returns true.
  [[nodiscard]] bool SetKanaText(std::string_view text);
  // The wave path and the items of the last successful OK (`items` emptied first).
  void GetResult(std::string* wave_path, std::vector<SegmentItem>* items) const;
  // Checks the file (16-bit mono, 16000..44100 Hz, at most 20 s). Accepted: it becomes the
  // wave path, true. Refused: message 506, false.
  [[nodiscard]] bool LoadWave(const std::string& path);
  // Takes a wave path as it stands (the open-file road); OK checks that it still exists.
  void SetWavePath(std::string path) { wave_path_ = std::move(path); }

  const std::string& wave_path() const { return wave_path_; }
  const std::string& kana_text() const { return kana_text_; }  // Shift-JIS
  bool changed() const { return changed_ != 0; }

  // The alignment of `wave_path` against the aligner text (symbols from BuildAlignerText):
  // Vtr_wtp from the library's Plugin folder, the recogniser from Plugin/Julius. On success
  // the library stays loaded and initialised (RecordWtpLibrary()), TheSegmentList() holds the
  // tables and the items, and the dialog's items a copy; true. On failure Vtr_wtp is
  // terminated and freed; false. The current directory is the same afterwards either way.
  [[nodiscard]] bool RunAligner(const std::string& wave_path, const std::string& aligner_text);

  void OnCommand(int id, platform::Notice notice) override;
  void OnTimer(int timer_id) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  bool PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) override;
  bool PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  void OnPlay();
  void OnRecord();
  void OnStop();
  // The save dialog for the recording just stopped. A file of the chosen name is replaced
  // only after the user agreed to message 508; No shows the save dialog again.
  void SaveRecording();
  void OnOpen();
  void OpenPath(const std::string& path);
  void OnKanaChange();
  void UpdateOkButton();
  bool FocusFirst();
  void ShowName();
  void SelectAllKana();
  std::string KanaEditText() const;

  std::string wave_path_;
  std::string kana_text_;
  std::vector<SegmentItem> items_;
  std::string kana_at_start_;
  int changed_ = 0;
  std::vector<char> pitch_buffer_;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_WAVE_INPUT_DIALOG_H_
