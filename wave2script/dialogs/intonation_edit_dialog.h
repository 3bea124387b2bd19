// IntonationEditDialog (dialog 141, "Intonation Edit Dialog"): the wave-to-script library's
// one dialog towards its callers. It shows the current KV#J script as an intonation graph
// (control 130), lets the user edit pitch and strength of each syllable, change voice and
// speed, play the script through the preview player, open and save scripts or WAVE files, and
// record or open speech that the wave input and segment confirm dialogs turn into a new
// script.
//
// The library keeps one object for as long as it is loaded; each open of the dialog hands the
// caller's values in, runs it modally and hands the results back:
//
//   // given: int saved, voice, volume, pass_through; std::string wave_path, script, script_path
//   IntonationEditDialog& dialog = TheIntonationEditDialog();
//   dialog.SetInputs(saved, wave_path, script, voice, volume, script_path, pass_through);
//   if (dialog.DoModal() == platform::kIdOk) {
//     const std::string& script = dialog.ScriptWithHeader();   // "KV#J..."
//     ...                                                      // voice(), volume(), ...
//   }
//
// The dialog keeps its script without the tag "KV#J" (script_text()); the graph is what the
// user edits, and the commands rebuild the text from it (GraphToScript) before they use it,
// with what followed the last syllable written after it as it stood.
// Messages are the library's (ShowMessage): 501 the controls cannot be set up, 503 a phrase
// over 100 bytes at OK, 510 the play text cannot be prepared, 516 discard question on Cancel,
// 517 save question, 518 confirm question on OK, 520 the speed cannot be shifted; the script
// preparation and the file operations show their own.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_EDIT_DIALOG_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_EDIT_DIALOG_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/dialog.h"
#include "playback/sound_library.h"
#include "wave2script/core/preview_player.h"
#include "wave2script/dialogs/intonation/intonation_graph_wnd.h"
#include "wave2script/dialogs/record/segment_confirm_dialog.h"
#include "wave2script/dialogs/script_files.h"

namespace vtr::w2s {

// Control ids of dialog 141.
inline constexpr int kIntonationDialogId = 141;
inline constexpr int kIntonationPlay = 132;
inline constexpr int kIntonationStop = 134;  // also the player's end notification
inline constexpr int kIntonationVolume = 136;
inline constexpr int kIntonationVoice = 143;
inline constexpr int kIntonationClear = 150;
inline constexpr int kIntonationOpen = 151;
inline constexpr int kIntonationSave = 152;
inline constexpr int kIntonationRecord = 162;
inline constexpr int kIntonationSpeed = 164;
inline constexpr int kIntonationHScroll = kGraphHScrollId;
inline constexpr int kIntonationVScroll = kGraphVScrollId;
inline constexpr int kIntonationPitchSwatch = 534;
inline constexpr int kIntonationStrengthSwatch = 535;
inline constexpr int kIntonationLoop = 2063;
// Timers: the wave file given at open (one shot once the dialog shows) and the play follow.
inline constexpr int kOpenWaveTimer = 501;
inline constexpr int kOpenWaveTimerMs = 256;
inline constexpr int kPlayFollowTimer = 503;
inline constexpr int kPlayFollowTimerMs = 32;
// The speed combo's standard entry (index i stands for a speed offset of 10 - i).
inline constexpr int kStandardSpeedIndex = 10;
// Size the dialog takes when it starts [px].
inline constexpr int kIntonationDialogWidth = 550;
inline constexpr int kIntonationDialogHeight = 400;

class IntonationEditDialog : public platform::Dialog, public SegmentConfirmHost, public SpeechRoad {
 public:
  // `loader` and `emulator_library` reach the preview player (the chip library's system name
  // or full path).
  explicit IntonationEditDialog(
      playback::SoundLibraryLoader& loader = playback::DefaultSoundLibraryLoader(),
      std::string emulator_library = playback::kEmulatorLibrary5);
  ~IntonationEditDialog() override;

  // The caller's values for the next run; `script` may begin with "KV#J". Nothing else is
  // reset: the other state stays from an earlier run.
  void SetInputs(int saved_flag, std::string_view wave_path, std::string_view script, int voice,
                 int volume, std::string_view script_path, int pass_through);

  // Results. ScriptWithHeader gives the script its tag in place and returns it.
  std::string& ScriptWithHeader();
  int saved_flag() const { return saved_flag_; }
  int is_clean() const { return is_clean_; }
  int voice() const { return voice_; }
  int volume() const { return volume_; }
  std::string& script_path() { return script_path_; }
  int pass_through() const { return pass_through_; }
  const std::string& script_text() const { return script_text_; }
  const std::string& wave_path() const { return wave_path_; }
  int speed_index() const { return speed_index_; }
  bool playing() const { return playing_ != 0; }
  CIntonationGraphWnd* graph() const { return graph_; }
  // Where the file operations look for plug-ins (tests).
  void set_file_places(ScriptFilePlaces places) { file_places_ = std::move(places); }

  // Script preparation on `text` with the dialog's voice (see PreprocessScript in
  // script_preparation.h).
  [[nodiscard]] int PreprocessScript(std::string* text, uint32_t options, bool show_errors,
                                     bool* too_long);

  // SegmentConfirmHost.
  platform::Window* HostWindow() override { return this; }
  int PreprocessScript(std::string* text, int options, int show_errors, int* too_long) override;
  void SetScriptText(std::string_view text) override;
  int HostVolume() const override { return volume_; }
  void SetHostVolume(int volume) override { volume_ = volume; }
  PreviewPlayer& HostPlayer() override { return player_; }

  // SpeechRoad: the Open of a WAVE file.
  [[nodiscard]] bool RunSpeechRoad(const std::string& wave_path, std::string* script) override;

  // After every edit in the graph: the flags and the controls follow whether it has points.
  void OnGraphChanged();

  // The text and graph conversions; true when done, false when failed (the state as it was).
  [[nodiscard]] bool ScriptToGraph();
  [[nodiscard]] bool GraphToScript();
  [[nodiscard]] bool GraphToPlayScript();
  [[nodiscard]] bool ApplyVoice();
  void NormalizeScript();
  // Opens `path` (empty: the Open dialog) as the open command, Ctrl+O and a dropped file do.
  void OpenFile(const std::string& path);
  enum class SaveResult { kSaved, kNotSaved };
  SaveResult Save();
  // What the save question leaves to its caller: go on (saved, nothing to save, or the user
  // chose not to save) or stop (cancelled, or the save failed).
  enum class SaveAnswer { kGoOn, kStop };
  [[nodiscard]] SaveAnswer AskSave();

  void OnCommand(int id, platform::Notice notice) override;
  void OnTimer(int timer_id) override;
  void OnScroll(int id, platform::ScrollCode code, int pos) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  bool PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) override;
  bool PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  // Runs the wave input dialog (with `wave_path` when one is given, and the kana of
  // `script`) and the segment confirm dialog in a loop; kIdOk when the latter confirmed
  // (it has then called SetScriptText and SetHostVolume). Tests replace the two dialogs.
  virtual int RunRecordDialogs(const std::string& wave_path, const std::string& script);

 private:
  bool InitControls();
  void SetupVerticalScroll();
  void SetupHorizontalScroll();
  void EnableControls(bool has_text);
  void StartPlay();
  void OnPlay();
  void OnStop();
  void OnOpen();
  void OnClear();
  void OnRecord();
  void OnVoiceChange();
  void OnSpeedChange();
  void FollowPlay();
  // Shows the file's values after an open, a clear or a record: slider, voice, standard
  // speed, and no undo or redo step.
  void ShowFreshScript();
  void SetSpeedIndex(int index);
  void ScrollHorizontally(int pos);
  void ScrollVertically(int pos);
  void UndoOrRedo(bool redo);
  void EndWith(int result);

  int pass_through_ = 0;
  std::string script_text_;
  // What follows the last syllable of the script the graph shows (comments, settings): the
  // graph has no point for it, so the rebuilds take it from here.
  std::string script_tail_;
  int loop_ = 0;
  CIntonationGraphWnd* graph_ = nullptr;  // owned by the window tree while the dialog runs
  int voice_ = 0;
  std::string script_path_;
  std::string wave_path_;
  int volume_ = 0;
  PreviewPlayer player_;
  int saved_flag_ = 1;
  int is_clean_ = 1;
  int speed_index_ = kStandardSpeedIndex;
  int playing_ = 0;
  int play_start_x_ = 0;
  int play_offset_ = 0;
  int play_end_scroll_ = 0;
  int last_start_ = 0;
  ScriptFilePlaces file_places_;

  // One guard per command: a command still running ignores a second activation.
  bool in_play_ = false;
  bool in_stop_ = false;
  bool in_open_ = false;
  bool in_save_ = false;
  bool in_clear_ = false;
  bool in_record_ = false;
  bool in_ok_ = false;
  bool in_cancel_ = false;
};

// The library's one dialog object, built at the first use and destroyed when the library is
// unloaded.
IntonationEditDialog& TheIntonationEditDialog();

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_EDIT_DIALOG_H_
