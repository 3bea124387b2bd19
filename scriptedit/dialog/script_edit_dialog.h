// ScriptEditDlg: the modal dialog (template 130) in which the user edits one Kelvox script with
// symbol buttons, value fields, menu buttons for volume, note, utterance length, feeling and
// voice, a voice list, the echo maker, three processing options, play/stop through the
// library's ScriptPlayer and open/save through ScriptFileIO.
//
// The dialog shows the script without its 4-byte header tag and puts the tag back whenever the
// text leaves it (play, save, GetScriptText). Its processing passes are the ScriptProcessor's
// (script_processor.h); the dialog keeps one for its settings. The class is written in two
// files: script_edit_dialog.cpp holds the window (its controls, opening, the edit commands,
// ending, keys and mouse), script_edit_round_trip.cpp the script's way through it (the
// settings and the header tag, processing, play and stop, open and save). The library's
// exports fill the dialog, run it and read it back:
//
//   // given: playback::ScriptPlayer player; core::MessageReporter reporter; std::string folder
//   ScriptEditDlg dialog(&player, &reporter);
//   dialog.SetLanguage(0x2000000);
//   dialog.set_mode_word(0x52100000);
//   dialog.SetScriptText("KV#J...");
//   dialog.set_emulator_path(folder + "/Qs5_EmuKmw5.dll");
//   if (dialog.DoModal() != platform::kIdCancel) {
//     const std::string& script = dialog.GetScriptText();   // header tag included
//   }
#ifndef VTR_SCRIPTEDIT_DIALOG_SCRIPT_EDIT_DIALOG_H_
#define VTR_SCRIPTEDIT_DIALOG_SCRIPT_EDIT_DIALOG_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/messages.h"
#include "core/script_text.h"
#include "platform/text.h"
#include "platform/window/dialog.h"
#include "playback/script_player.h"
#include "scriptedit/script_processor.h"

namespace vtr::scriptedit {

// Controls of template 130 that callers and tests address.
inline constexpr int kScriptBox = 2037;
inline constexpr int kNameLabel = 2064;
inline constexpr int kNameBox = 2065;
inline constexpr int kOpenButton = 2001;
inline constexpr int kSaveButton = 2002;
inline constexpr int kPlayButton = 2021;
inline constexpr int kStopButton = 2022;
inline constexpr int kEchoButton = 2026;
inline constexpr int kSpeedButton = 2028;
inline constexpr int kSpeedEdit = 2038;
inline constexpr int kVolumeSlider = 2045;
inline constexpr int kVoiceList = 2046;
inline constexpr int kAbsoluteStepsBox = 2059;
inline constexpr int kRemainLinefeedBox = 2060;
inline constexpr int kInsertSegmentEndBox = 2061;
inline constexpr int kOptimizeBox = 2062;
inline constexpr int kLoopBox = 2063;
inline constexpr int kOkButton = 1020;

// The player's argument after the mode word unless a record sets another.
inline constexpr int kDefaultPlayerParam = 129;
// The warning shown when the controls' tool tips cannot be set.
inline constexpr std::string_view kToolTipFailureText = "Could not Load Tool Tips for Controls";

class ScriptEditDlg : public platform::Dialog {
 public:
  // `player` and `reporter` are the library's (not owned; must outlive the dialog).
  ScriptEditDlg(playback::ScriptPlayer* player, core::MessageReporter* reporter);

  // The language word (0x2000000 J, 0x3000000 K, 0x4000000 G, 0x5000000 Chinese); the header
  // tag follows it and stays as it was for any other value.
  void SetLanguage(uint32_t language);
  uint32_t language() const { return language_; }
  const std::string& header_tag() const { return header_tag_; }
  void set_chinese(bool chinese) { chinese_ = chinese; }
  bool chinese() const { return chinese_; }
  // The mode word of every engine call and of the player.
  void set_mode_word(core::ScriptModeWord mode);
  core::ScriptModeWord mode_word() const { return mode_word_; }

  // Strips the header tag and stores the text; a non-empty text is checked on a copy (flag
  // 0x01), whose failure shows its message and leaves the stored text as it is.
  void SetScriptText(std::string_view text);
  // Puts the header tag back into the stored text and returns it (valid until the next call
  // that changes the dialog).
  const std::string& GetScriptText();
  // The stored text without its header tag (the text of the script box).
  const std::string& script_text() const { return script_text_; }
  void SetScriptPath(std::string_view path) { script_path_ = std::string(path); }
  const std::string& GetScriptPath() const { return script_path_; }
  // The script name of a record (at most 16 characters, script bytes).
  void set_script_name(std::string_view name);
  const std::string& script_name() const { return script_name_; }
  void set_caption(std::string_view caption) { caption_ = std::string(caption); }
  const std::string& caption() const { return caption_; }

  void set_emulator_path(std::string_view path) { emulator_path_ = std::string(path); }
  const std::string& emulator_path() const { return emulator_path_; }
  void set_player_param(int param) { player_param_ = param; }
  int player_param() const { return player_param_; }
  // A voice data block in the caller's memory (null and 0 for none); read when the dialog opens.
  void SetVoiceData(const uint8_t* data, int32_t size);
  void set_opened_through_record(bool on) { opened_through_record_ = on; }
  bool opened_through_record() const { return opened_through_record_; }

  void set_saved_flag(int saved) { saved_ = saved; }
  int saved_flag() const { return saved_; }
  void set_unchanged(bool unchanged) { unchanged_ = unchanged; }
  bool unchanged() const { return unchanged_; }
  bool playing() const { return playing_; }
  bool optimize() const { return optimize_; }
  void set_volume(int volume) { volume_ = volume; }
  int volume() const { return volume_; }
  void set_voice_index(int index);
  int voice_index() const { return voice_index_; }
  // Kept for the script box; the window layer has no input method editor to open.
  void set_ime_open(int open) { ime_open_ = open; }
  int ime_open() const { return ime_open_; }
  // The folder whose "Plugin" folder holds the converter plug-ins and that holds the
  // wave-to-script library (the library's own folder); empty: the program folder.
  void set_library_folder(std::filesystem::path folder) { library_folder_ = std::move(folder); }

  // The script processing (script_processor.h) with the dialog's settings, under a wait cursor.
  [[nodiscard]] int ProcessScript(std::string& text, int flags, bool show_length_error,
                                  bool* too_long);
  // Stores `mode` and processes a copy of `text` with no pass: true when that succeeded.
  // Needs no window.
  [[nodiscard]] bool PrepareExportScript(core::ScriptModeWord mode, const std::string& text);

  // Save (the Save button).
  enum class SaveResult { kSaved, kNotSaved };
  SaveResult Save();

  void OnCommand(int id, platform::Notice notice) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  bool PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) override;
  bool PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) override;

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnDestroy() override;

 private:
  platform::Encoding encoding() const;
  std::string StripHeader(std::string_view text) const;
  // The box text as script bytes; nullopt (after message 502) when it has no form in them.
  std::optional<std::string> BoxText() const;
  // Shows the text (header stripped) in the script box and stores it as the script text.
  void ShowText(std::string stripped);
  // Reads the controls into the members (the script text among them); false when the box
  // text has no form in the script's encoding.
  bool ReadControls();
  void UpdateVoiceList();
  void EnableControls(bool has_text);
  bool HasText() const;
  int BeforeUseFlags() const;
  int ForPlayFlags() const;

  // Puts the members into the controls.
  void ShowMembers();
  void SetUpControls();
  bool SetUpToolTips();
  void FillVoiceList();

  void Play();
  void Stop();
  // By value: the start passes the script path member, which the save question may change.
  void OpenFile(std::string path);
  void OnOptimize(bool on);
  void OnVoiceChange();
  void OnScriptChange();
  void InsertSymbol(int id);
  void Echo();
  void InsertMenuToken(int id);
  void Insert(std::string_view bytes);
  void StopAndClose();

  // Shared by the window (script_edit_dialog.cpp) and the script's way through it
  // (script_edit_round_trip.cpp).
  static constexpr int kHeaderEnsureTag = 6;
  static constexpr int kMaxNameChars = 16;

  playback::ScriptPlayer* player_;
  core::MessageReporter* reporter_;
  ScriptProcessor processor_;

  uint32_t language_ = 0;
  core::ScriptModeWord mode_word_ = 0;
  std::string header_tag_;
  bool chinese_ = false;
  std::string script_text_;
  std::string script_path_;
  std::string script_name_;
  std::string caption_ = "Script Edit Dialog";
  std::string emulator_path_;
  int player_param_ = kDefaultPlayerParam;
  const uint8_t* voice_data_ = nullptr;
  int32_t voice_data_size_ = 0;
  bool opened_through_record_ = false;
  int saved_ = 1;
  bool unchanged_ = true;
  bool playing_ = false;
  bool player_opened_ = false;  // by this run's initialisation
  bool optimize_ = true;
  int ime_open_ = 0;
  int volume_ = 100;
  int voice_index_ = 0;
  bool remain_linefeed_ = true;
  bool insert_segment_end_ = true;
  bool loop_ = false;
  std::vector<playback::ExtendedVoice> extended_voices_;  // of this run's voice data
  std::filesystem::path library_folder_;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_DIALOG_SCRIPT_EDIT_DIALOG_H_
