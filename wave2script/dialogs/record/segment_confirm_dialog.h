// SegmentConfirmDlg (dialog 148, "セグメントの位置を確認"): shows the aligned syllables over
// the wave (CSegmentGraphWnd on control 166), lets the user move their boundaries, choose
// speaking or singing, shift the octave and the fine pitch, play the generated script or the
// wave, and on OK hands the generated script to its host, the intonation edit dialog.
//
// A script is generated in two steps: the edited items go back into the aligner's records
// (TheSegmentList().ReplaceItems) and Vtr_wtp, left loaded by the wave input dialog, writes a
// new pitch sequence; Vtr_pth, loaded for each generation, turns it into script text.
//
//   // given: SegmentConfirmHost& host; std::string wave_path; std::vector<SegmentItem> items
//   SegmentConfirmDlg confirm(host);            // host: the intonation edit dialog
//   confirm.SetInputs(wave_path, items);       // from WaveInputDialog::GetResult
//   if (confirm.DoModal() == platform::kIdOk) {
//     // host.SetScriptText(script) and host.set_volume(volume) have been called
//   }
//   // Vtr_wtp is terminated and freed when the dialog ends, whichever way.
//
// Messages (through ShowMessage and the host's preparation): 503 a phrase over the limit, 510
// the wave could not be played, 514 the script could not be generated, 516 the discard
// question on Cancel.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_CONFIRM_DIALOG_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_CONFIRM_DIALOG_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/dialog.h"
#include "wave2script/core/preview_player.h"
#include "wave2script/core/segment_list.h"
#include "wave2script/dialogs/record/segment_graph_wnd.h"

namespace vtr::w2s {

// Control ids of dialog 148.
inline constexpr int kSegmentConfirmDialogId = 148;
inline constexpr int kSegmentPlay = 132;
inline constexpr int kSegmentStop = 134;  // also the player's end notification
inline constexpr int kSegmentVolume = 136;
inline constexpr int kSegmentPlayWave = 153;
inline constexpr int kSegmentStopWave = 154;
inline constexpr int kSegmentGraph = 166;
inline constexpr int kSegmentScroll = 168;
inline constexpr int kSegmentSing = 184;
inline constexpr int kSegmentSpeak = 185;
inline constexpr int kSegmentOctave = 186;
inline constexpr int kSegmentFine = 187;
inline constexpr int kSegmentZoomIn = 530;
inline constexpr int kSegmentZoomOut = 531;
inline constexpr int kSegmentLoop = 2063;
// The timer that follows the player.
inline constexpr int kSegmentTimer = 502;
inline constexpr int kSegmentTimerMs = 32;
// Options of the host's script preparation used here.
inline constexpr int kSegmentPrepareOptions = 0x12B;      // play copy and OK
inline constexpr int kSegmentPrepareVoiceOptions = 0x10;  // the script text before a play
// The voice the generated script is played with.
inline constexpr int kSegmentPlayVoice = 2;

// What the segment confirm dialog needs of the dialog that runs it (the intonation edit
// dialog implements it).
class SegmentConfirmHost {
 public:
  virtual ~SegmentConfirmHost() = default;
  // The owner window of dialog 148 (nullptr: none).
  virtual platform::Window* HostWindow() = 0;
  // The host's script preparation: `options` are its option bits, `show_errors` nonzero shows
  // its messages (503 for a phrase over the limit among them). Returns 0 (the text is then
  // replaced by the prepared text with its "KV#J" header) or a negative code; *too_long is
  // set to 1 when a phrase is over the limit, else 0.
  virtual int PreprocessScript(std::string* text, int options, int show_errors, int* too_long) = 0;
  // Stores the generated script (a leading "KV#J" is removed).
  virtual void SetScriptText(std::string_view text) = 0;
  // The host's volume 0..127: read at the start, written on OK.
  virtual int HostVolume() const = 0;
  virtual void SetHostVolume(int volume) = 0;
  // The host's preview player (open while the host runs).
  virtual PreviewPlayer& HostPlayer() = 0;
};

// The player's position [ms] as the controller reports it (control 4); 0 when it cannot.
[[nodiscard]] int PreviewPositionMs(PreviewPlayer& player);

class SegmentConfirmDlg : public platform::Dialog {
 public:
  explicit SegmentConfirmDlg(SegmentConfirmHost& host);
  ~SegmentConfirmDlg() override;

  // The wave path and items from WaveInputDialog::GetResult; before DoModal.
  void SetInputs(std::string wave_path, const std::vector<SegmentItem>& items);

  // Writes the graph's items back into the aligner's records, has Vtr_wtp write a new pitch
  // sequence and PitchSeqToScript turn it into the script text, then applies the octave and
  // fine shifts (a shift the script cannot take is dropped and its combo reset). `with_range`
  // 1 limits the script to the graph's loop range. True, or false (the script text unchanged;
  // always false outside DoModal).
  [[nodiscard]] bool GenerateScript(int with_range);
  // Vtr_pth from the library's Plugin folder: the pitch sequence (sung when the sing radio is
  // checked), the duration window with `with_range`, the script text. True when written.
  [[nodiscard]] bool PitchSeqToScript(const char* buffer, int length, int with_range);

  const std::string& script_text() const { return script_text_; }  // with "KV#J"
  int volume() const { return volume_; }
  int octave_shift() const { return octave_shift_; }
  int fine_shift() const { return fine_shift_; }
  bool playing() const { return playing_ != 0; }
  const std::vector<SegmentItem>& items() const { return items_; }
  // The graph window while the dialog runs; nullptr before and after.
  CSegmentGraphWnd* graph() const { return graph_; }
  // The loop range noted by the last generation with a range.
  bool loop_range_valid() const { return loop_valid_ != 0; }
  int loop_first() const { return loop_first_; }
  int loop_start() const { return loop_start_; }
  int loop_end() const { return loop_end_; }

  void OnCommand(int id, platform::Notice notice) override;
  void OnTimer(int timer_id) override;
  void OnScroll(int id, platform::ScrollCode code, int pos) override;
  bool PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) override;
  bool PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  void OnPlay();
  void OnStop();
  void OnPlayWave();
  void OnStopWave();
  void OnMode();
  void OnZoom(bool in);
  void ApplyZoomLevel(int level);
  void EnableControls(int flag);
  void WavePlayControls(int flag);
  void SetScroll(int pos);

  SegmentConfirmHost& host_;
  std::string wave_path_;
  int volume_ = 0;
  std::string script_text_;
  int playing_ = 0;
  std::vector<SegmentItem> items_;
  std::vector<char> script_buffer_;
  int octave_shift_ = 0;
  int fine_shift_ = 0;
  int loop_valid_ = 0;
  int loop_first_ = 0;
  int loop_start_ = 0;
  int loop_end_ = 0;
  int end_time_ = 0;
  int zoom_in_allowed_ = 1;
  int zoom_out_allowed_ = 1;
  int loop_check_ = 0;
  CSegmentGraphWnd* graph_ = nullptr;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_CONFIRM_DIALOG_H_
