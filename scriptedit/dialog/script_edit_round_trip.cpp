// The script's way through the dialog: in from the caller (the settings, the header tag, the
// processing), out to the player (Play, Stop) and to and from files (OpenFile, Save).
#include <algorithm>
#include <array>

#include "core/script_engine.h"
#include "platform/window/window_system.h"
#include "scriptedit/dialog/script_edit_dialog.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/script_encoding.h"
#include "scriptedit/script_file_io.h"

namespace vtr::scriptedit {
namespace {

using platform::Edit;

constexpr uint32_t kLanguageG = static_cast<uint32_t>(core::ScriptLanguage::kRomaji);
// The mode words a G script is played through: read as romaji, played as kana.
constexpr core::ScriptModeWord kRomajiMode = core::kRomajiModeWord;
constexpr core::ScriptModeWord kKanaMode = core::kKanaModeWord;

// Value fields that opening a file resets to "1" (the speed stays).
constexpr std::array<int, 8> kResetOnOpen = {2047, 2049, 2051, 2053, 2055, 2057, 2035, 2036};

}  // namespace

// Settings ---------------------------------------------------------------------------------

void ScriptEditDlg::SetLanguage(uint32_t language) {
  language_ = language;
  const std::string_view tag = core::HeaderTagOf(static_cast<core::ScriptLanguage>(language));
  if (!tag.empty()) header_tag_ = std::string(tag);
}

void ScriptEditDlg::set_mode_word(core::ScriptModeWord mode) {
  mode_word_ = mode;
  processor_.SetModeWord(mode);
}

void ScriptEditDlg::set_script_name(std::string_view name) { script_name_ = std::string(name); }

void ScriptEditDlg::SetVoiceData(const uint8_t* data, int32_t size) {
  voice_data_ = data;
  voice_data_size_ = data != nullptr ? std::max(size, 0) : 0;
}

void ScriptEditDlg::set_voice_index(int index) {
  voice_index_ = index;
  processor_.SetVoiceIndex(index);
}

platform::Encoding ScriptEditDlg::encoding() const {
  return ScriptEncoding(core::LanguageOf(language_));
}

std::string ScriptEditDlg::StripHeader(std::string_view text) const {
  if (!header_tag_.empty() && text.substr(0, header_tag_.size()) == header_tag_) {
    return std::string(text.substr(header_tag_.size()));
  }
  if (language_ == kLanguageG && text.substr(0, core::kHeaderTagSize) == "KV#J") {
    return std::string(text.substr(core::kHeaderTagSize));
  }
  return std::string(text);
}

void ScriptEditDlg::SetScriptText(std::string_view text) {
  script_text_ = StripHeader(text);
  if (script_text_.empty()) return;
  std::string copy = script_text_;
  (void)ProcessScript(copy, kProcessOnSetText, false, nullptr);
}

const std::string& ScriptEditDlg::GetScriptText() {
  core::ScriptEngine engine;
  int unused = 0;
  (void)engine.ScriptHeaderOp(mode_word_, kHeaderEnsureTag, script_text_, unused);
  return script_text_;
}

int ScriptEditDlg::ProcessScript(std::string& text, int flags, bool show_length_error,
                                 bool* too_long) {
  platform::WaitCursor wait;
  processor_.SetVoiceIndex(voice_index_);
  processor_.SetRemainLinefeed(remain_linefeed_);
  processor_.SetInsertSegmentEnd(insert_segment_end_);
  const int result = processor_.ProcessScript(text, flags, show_length_error, too_long);
  voice_index_ = processor_.voice_index();
  return result;
}

bool ScriptEditDlg::PrepareExportScript(core::ScriptModeWord mode, const std::string& text) {
  mode_word_ = mode;
  return processor_.PrepareExportScript(mode, text);
}

// Play and files --------------------------------------------------------------------------

void ScriptEditDlg::Play() {
  if (playing_ || !ReadControls()) return;
  std::string processed = script_text_;
  if (ProcessScript(processed, BeforeUseFlags(), true, nullptr) != kResultDone) return;
  UpdateVoiceList();
  std::string play_text = processed;
  if (ProcessScript(play_text, ForPlayFlags(), true, nullptr) != kResultDone) return;
  (void)player_->SetOption(loop_ ? 1 : 0);
  if (language_ == kLanguageG) {
    core::ScriptEngine engine;
    std::string kana;
    if (engine.ParseScriptText(kRomajiMode, play_text) != core::ScriptEngineError::kNone ||
        engine.ConvertScriptMode(kKanaMode, kana) != core::ScriptEngineError::kNone) {
      (void)reporter_->ShowMessage(core::kMessageBadFormat);
      return;
    }
    play_text = std::move(kana);
  }
  if (player_->Play(handle(), kStopButton, volume_, voice_index_, play_text) !=
      playback::kPlayerOk) {
    return;
  }
  playing_ = true;
  EnableControls(true);
  if (platform::Window* stop = Item(kStopButton)) stop->SetFocus();
  const std::string shown = StripHeader(processed);
  if (shown != script_text_) ShowText(shown);
}

void ScriptEditDlg::Stop() {
  (void)player_->Stop();
  playing_ = false;
  EnableControls(HasText());
  if (platform::Window* play = Item(kPlayButton)) play->SetFocus();
}

void ScriptEditDlg::OpenFile(std::string path) {
  if (playing_) return;
  if (HasText() && !(saved_ != 0 && unchanged_)) {
    const int answer = reporter_->ShowMessage(core::kMessageSaveChanges);
    if (answer == core::kIdCancel) return;
    if (answer == core::kIdYes && Save() != SaveResult::kSaved) return;
  }
  ScriptFileIO file_io;
  (void)file_io.SetOwner(handle(), caption_);
  if (!library_folder_.empty()) {
    file_io.SetProgramFolder(library_folder_);
    file_io.SetPluginFolder(library_folder_ / "Plugin");
  }
  std::string text;
  if (file_io.OpenScriptFile(path, text, static_cast<core::ScriptLanguage>(language_), false,
                             nullptr) != kResultDone) {
    return;
  }
  for (int id : kResetOnOpen) {
    if (platform::Window* field = Item(id)) field->SetText("1");
  }
  (void)ReadControls();
  bool too_long = false;
  if (ProcessScript(text, ForPlayFlags(), false, &too_long) != kResultDone) return;
  if (too_long) (void)reporter_->ShowMessage(core::kMessageSentenceTooLong);
  UpdateVoiceList();
  SetScriptText(text);
  ShowText(script_text_);
  if (opened_through_record_) {
    std::string stem = std::filesystem::path(path).stem().string();
    platform::TextResult shown = platform::ToUtf8(encoding(), stem);
    std::string name = shown.ok() ? shown.text : stem;
    // Cut to 16 characters, not bytes.
    size_t chars = 0, end = 0;
    while (end < name.size() && chars < static_cast<size_t>(kMaxNameChars)) {
      const unsigned char c = static_cast<unsigned char>(name[end]);
      end += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      ++chars;
    }
    name.resize(std::min(end, name.size()));
    if (auto* box = Item<Edit>(kNameBox)) box->SetText(name);
    script_name_ = platform::FromUtf8(encoding(), name).text;
  }
  script_path_ = path;
  EnableControls(HasText());
}

ScriptEditDlg::SaveResult ScriptEditDlg::Save() {
  if (!ReadControls()) return SaveResult::kNotSaved;
  std::string text = script_text_;
  if (ProcessScript(text, BeforeUseFlags(), true, nullptr) != kResultDone) {
    return SaveResult::kNotSaved;
  }
  UpdateVoiceList();
  ScriptFileIO file_io;
  (void)file_io.SetOwner(handle(), caption_);
  if (!library_folder_.empty()) {
    file_io.SetProgramFolder(library_folder_);
    file_io.SetPluginFolder(library_folder_ / "Plugin");
  }
  std::string path = script_path_;
  if (file_io.SaveScriptAs(path, text, static_cast<core::ScriptLanguage>(language_), "") !=
      kResultDone) {
    return SaveResult::kNotSaved;
  }
  ShowText(StripHeader(text));
  script_path_ = path;
  saved_ = 1;
  unchanged_ = true;
  return SaveResult::kSaved;
}

}  // namespace vtr::scriptedit
