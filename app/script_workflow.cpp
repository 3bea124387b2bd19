// The workers behind the main window's commands: checking the text and turning a script into
// the box's form, load, save, clear, and the round trips into the two dialog libraries, around
// which the player is closed and reopened.
#include <algorithm>
#include <string_view>
#include <utility>

#include "app/main_dialog.h"
#include "app/wave_check.h"
#include "platform/module.h"
#include "platform/window/window_system.h"

namespace vtr::app {
namespace {

// US texts are played through the J engine word; their G form is read with the romaji word.
constexpr uint32_t kModeGScript = core::kRomajiModeWord;
constexpr uint32_t kEditorSubFormat = 0x10000;
constexpr uint32_t kLanguageJ = static_cast<uint32_t>(core::ScriptLanguage::kJapanese);
constexpr uint32_t kLanguageK = static_cast<uint32_t>(core::ScriptLanguage::kKorean);
constexpr int kHeaderVoiceSet = 3;
constexpr int kHeaderVoiceRead = 5;
constexpr int kHeaderEnsureTag = 6;
constexpr int kDialogCancelled = 2;
constexpr size_t kEditReturnMin = 5;        // script edit dialog: at least this many bytes
constexpr size_t kIntonationReturnMin = 5;  // intonation dialog: more than 4 bytes

constexpr std::string_view kKvxDialogLibrary = "Vtr_KvxDlg.dll";
constexpr std::string_view kIntonationLibrary = ".\\Vtr_W2SDlg.dll";

// Function types of the dialog libraries' exports.
using KvxOpenDlg = int(int, const char*, const char*, const char*, int, unsigned, int);
using KvxGetDlgData = void(int*, char**, char**, int*, int*, int*);
using W2sOpenDlg = int(int, const char*, const char*, int, int, const char*, int);
using W2sGetData = int(int*, char**, int*, int*, char**, int*);

std::string Copy(const char* text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace

void MainDialog::ReopenPlayer() {
  (void)services_.player->Open(emulator_path_, mode_, kPlayerParam);
}

void MainDialog::ConvertChinese(std::string& text) {
  std::string filtered = text;
  (void)ConverterRunner::Filter(filtered, 0);
  (void)ConverterRunner::Filter(filtered, 1);
  if (converter_->Run(filtered) != kRunOk) {
    text.clear();
    return;
  }
  text = converter_->result();
}

int MainDialog::CheckForPlay(std::string& play_text, std::string& text, int voice, bool report_long,
                             bool& long_sentence) {
  if (text.empty()) {
    ShowMessage(core::kMessageNothingToPlay);
    return kWorkBadScript;
  }
  platform::WaitCursor wait;
  const std::string kept = text;
  if (is_chinese()) {
    ConvertChinese(text);
    if (text.empty()) {
      text = kept;
      ShowMessage(core::kMessageScriptConvertFailed);
      return kWorkBadScript;
    }
  }
  std::string saved_script;
  (void)engine_.ConvertScriptMode(mode_, saved_script);
  auto fail = [&](unsigned message, int result) {
    (void)engine_.ParseScriptText(mode_, saved_script);
    if (is_chinese()) text = kept;
    ShowMessage(message);
    return result;
  };
  using core::ScriptEngineError;
  if (is_chinese()) (void)engine_.ParseScriptText(mode_, "KV#C");
  if (engine_.ParseScriptText(mode_ | kEditorSubFormat, text) != ScriptEngineError::kNone) {
    return fail(core::kMessageBadFormat, kWorkBadScript);
  }
  std::string work;
  if (engine_.ConvertScriptMode(mode_, work) != ScriptEngineError::kNone) {
    return fail(core::kMessageBadFormat, kWorkBadScript);
  }
  int unused = 0;
  if (engine_.ScriptHeaderOp(mode_, kHeaderEnsureTag, work, unused) != ScriptEngineError::kNone) {
    return fail(core::kMessageBadFormat, kWorkBadScript);
  }
  int voice_value = voice;
  if (engine_.ScriptHeaderOp(mode_, kHeaderVoiceSet, work, voice_value) !=
      ScriptEngineError::kNone) {
    return fail(core::kMessageBadFormat, kWorkBadScript);
  }
  if (engine_.ParseScriptText(mode_, work) != ScriptEngineError::kNone ||
      engine_.CheckScript(0) != core::ScriptCheckCode::kOk ||
      engine_.ConvertScriptMode(mode_, work) != ScriptEngineError::kNone) {
    return fail(core::kMessageBadFormat, kWorkBadScript);
  }
  long_sentence = false;
  int offset = 0;
  if (engine_.BuildPlayText(mode_, work, &offset, 1) != ScriptEngineError::kNone) {
    long_sentence = true;
    if (report_long) return fail(core::kMessageSentenceTooLong, kWorkSentenceTooLong);
  }
  if (work.size() > kMaxScriptBytes) {
    if (is_chinese()) text = kept;
    ShowMessage(core::kMessageScriptTooLong);
    return kWorkTooLong;
  }
  play_text = std::move(work);
  if (is_chinese()) text = kept;
  return kWorkOk;
}

int MainDialog::ConvertForEditor(std::string& editor_text, int& voice, std::string& text,
                                 bool& long_sentence, int& count) {
  const std::string chinese_text = text;
  if (is_chinese()) {
    ConvertChinese(text);
    if (text.empty()) {
      text = chinese_text;
      ShowMessage(core::kMessageScriptConvertFailed);
      return kWorkBadScript;
    }
    // The converter writes the body only; the engine reads whole scripts.
    text = "KV#C" + text;
  }
  if (text.empty()) {
    ShowMessage(core::kMessageNothingToPlay);
    return kWorkNoText;
  }
  if (text.size() > kMaxScriptBytes) {
    ShowMessage(core::kMessageScriptTooLong);
    return kWorkTooLong;
  }
  using core::ScriptEngineError;
  std::string saved_script;
  (void)engine_.ConvertScriptMode(mode_, saved_script);
  auto fail = [&] {
    (void)engine_.ParseScriptText(mode_, saved_script);
    ShowMessage(core::kMessageBadFormat);
    return kWorkBadScript;
  };
  if (engine_.ParseScriptText(mode_, text) != ScriptEngineError::kNone ||
      engine_.CheckScript(0) != core::ScriptCheckCode::kOk) {
    return fail();
  }
  std::string work;
  if (engine_.ConvertScriptMode(mode_, work) != ScriptEngineError::kNone) return fail();
  std::string probe = work;
  int offset = 0;
  long_sentence = engine_.BuildPlayText(mode_, probe, &offset, 0) != ScriptEngineError::kNone;
  int found_voice = 0;
  std::string head = work;
  if (engine_.ScriptHeaderOp(mode_, kHeaderVoiceRead, head, found_voice) !=
      ScriptEngineError::kNone) {
    found_voice = 0;  // no voice token: the first voice
  }
  text = work;
  std::string editor;
  if (engine_.ParseScriptText(mode_, work) != ScriptEngineError::kNone ||
      engine_.ConvertScriptMode(mode_ | kEditorSubFormat, editor) != ScriptEngineError::kNone) {
    return fail();
  }
  voice = found_voice;
  count = static_cast<int>(editor.size());
  if (is_chinese()) {
    editor_text = chinese_text;
  } else {
    editor_text = std::move(editor);
  }
  return kWorkOk;
}

bool MainDialog::SaveScript() {
  if (playing_) return false;
  std::string text = EditText();
  if (text.empty()) return false;
  const std::string kept = text;
  std::string work;
  bool long_sentence = false;
  if (CheckForPlay(work, text, voice_, false, long_sentence) != kWorkOk) return false;
  std::string editor_text;
  int count = 0;
  if (ConvertForEditor(editor_text, voice_, work, long_sentence, count) != kWorkOk) return false;
  if (LockableEdit* box = edit()) {
    box->SelectAll();
    box->ScrollCaret();
  }
  SetEditText(editor_text);
  if (!is_chinese() && !script_path_.empty() && count > recorded_count_)
    ShowMessage(core::kMessageCountDiffers);
  if (language_ == kLanguageUs) {
    core::ScriptEngine probe;
    if (probe.ParseScriptText(kModeUs, work) != core::ScriptEngineError::kNone ||
        probe.ParseScriptText(kModeGScript, work) != core::ScriptEngineError::kNone) {
      return false;
    }
  }
  if (services_.files == nullptr) return false;
  std::string path = script_path_;
  if (services_.files->SaveScriptAs(path, work, core::LanguageOf(mode_),
                                    is_chinese() ? kept : "") != 0) {
    return false;
  }
  script_path_ = path;
  recorded_count_ = count;
  saved_ = true;
  saved_second_ = true;
  return true;
}

bool MainDialog::ClearAll() {
  if (!EditText().empty() && !saved() &&
      (services_.messages == nullptr ||
       services_.messages->ShowMessage(core::kMessageDiscardAll) != platform::kIdYes)) {
    return false;
  }
  recorded_count_ = 0;
  SetEditText("");
  UpdatePlayStop();
  script_path_.clear();
  (void)engine_.ParseScriptText(mode_,
                                core::HeaderTagOf(static_cast<core::ScriptLanguage>(language_)));
  voice_ = 0;
  return true;
}

void MainDialog::LoadScript(const std::string& given_path) {
  if (playing_) return;
  if (!EditText().empty() && !saved()) {
    const int answer = services_.messages != nullptr
                           ? services_.messages->ShowMessage(core::kMessageSaveChanges)
                           : platform::kIdCancel;
    if (answer == platform::kIdCancel) return;
    if (answer == platform::kIdYes && !SaveScript()) return;
  }
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return s;
  };
  auto ends_with = [](const std::string& s, std::string_view end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
  };
  auto open_chinese_script = [&](const std::string& path) {
    if (ClearAll()) {
      script_path_ = path;
      (void)OpenScriptEditDialog(true);
    }
  };
  auto open_wave = [&](const std::string& path) {
    if (CheckWaveFile(path)) {
      wave_path_ = path;
      OpenIntonationDialog();
      wave_path_.clear();
    } else {
      ShowMessage(core::kMessageOpenFailed);
    }
  };
  if (!given_path.empty()) {
    if (is_chinese()) {
      if (ends_with(given_path, ".kvx")) return open_chinese_script(given_path);
      if (!ends_with(lower(given_path), ".txt")) return ShowMessage(core::kMessageBadExtension);
    } else {
      if ((language_ == kLanguageJ || language_ == kLanguageK) && ends_with(given_path, ".wav")) {
        return open_wave(given_path);
      }
      if (!ends_with(lower(given_path), ".kvx")) return ShowMessage(core::kMessageBadExtension);
    }
  }
  if (services_.files == nullptr) return;
  std::string path = given_path;
  std::string text;
  std::string wave_path;
  if (services_.files->OpenScriptFile(path, text, core::LanguageOf(mode_), true, &wave_path) != 0)
    return;
  if (is_chinese() && ends_with(path, ".kvx")) return open_chinese_script(path);
  if (language_ == kLanguageJ && !wave_path.empty()) return open_wave(wave_path);
  if (text.empty()) return ShowMessage(core::kMessageNothingToPlay);
  std::string editor_text;
  int voice = 0;
  int count = 0;
  if (is_chinese()) {
    if (ConverterRunner::Filter(text, 0) != kFilterOk)
      return ShowMessage(core::kMessageNothingToPlay);
    editor_text = text;
    count = static_cast<int>(text.size());
  } else {
    bool long_sentence = false;
    const int result = ConvertForEditor(editor_text, voice, text, long_sentence, count);
    if (long_sentence) ShowMessage(core::kMessageSentenceTooLong);
    if (result != kWorkOk) return;
  }
  recorded_count_ = count;
  SetEditText(editor_text);
  voice_ = voice;
  script_path_ = path;
  saved_ = true;
  saved_second_ = true;
  UpdatePlayStop();
}

bool MainDialog::OpenScriptEditDialog(bool from_file) {
  if (playing_) return false;
  platform::Module library;
  if (!library.Load(kKvxDialogLibrary, services_.program_folder)) return false;
  std::string text = EditText();
  std::string work;
  if (!text.empty()) {
    bool long_sentence = false;
    if (CheckForPlay(work, text, voice_, false, long_sentence) != kWorkOk) return false;
    if (long_sentence) ShowMessage(core::kMessageSentenceTooLong);
  } else {
    (void)ClearAll();
  }
  if (language_ == kLanguageUs) {
    core::ScriptEngine probe;
    if (probe.ParseScriptText(kModeUs, work) != core::ScriptEngineError::kNone ||
        probe.ParseScriptText(kModeGScript, work) != core::ScriptEngineError::kNone) {
      return false;
    }
  }
  const bool no_arguments = is_chinese() && !from_file && work.empty();
  auto* open = library.Find<KvxOpenDlg>("VtrKvxDll_OpenDlg");
  if (open == nullptr) return false;
  (void)services_.player->Close();
  const int result = open(saved_ ? 1 : 0, no_arguments ? nullptr : work.c_str(),
                          no_arguments ? nullptr : script_path_.c_str(), emulator_path_.c_str(),
                          volume_, language_, 0);
  ReopenPlayer();
  FocusEdit();
  if (result == kDialogCancelled) return false;
  auto* get = library.Find<KvxGetDlgData>("VtrKvxDll_GetDlgData");
  if (get == nullptr) return false;
  int saved = 0, voice = 0, volume = volume_, reserved = 0;
  char* returned_text = nullptr;
  char* returned_path = nullptr;
  get(&saved, &returned_text, &returned_path, &voice, &volume, &reserved);
  // The pointers lead into the library, which is unloaded below.
  std::string new_text = Copy(returned_text);
  const std::string new_path = Copy(returned_path);
  int voice2 = 0;
  if (!is_chinese()) {
    std::string editor_text;
    int count = 0;
    if (new_text.size() >= kEditReturnMin) {
      bool long_sentence = false;
      if (ConvertForEditor(editor_text, voice2, new_text, long_sentence, count) != kWorkOk)
        return false;
    }
    SetEditText(editor_text);
    recorded_count_ = count;
    saved_ = saved != 0;
  } else if (saved == 0) {
    SetEditText("");
    recorded_count_ = 0;
    saved_ = true;
  }
  script_path_ = new_path;
  volume_ = std::clamp(volume, kKnobMinimum, kKnobMaximum);
  voice_ = voice2;
  pass_through_ = reserved;
  UpdatePlayStop();
  knob_.SetValue(volume_);
  Invalidate();
  return true;
}

void MainDialog::OpenIntonationDialog() {
  if (playing_) return;
  platform::Module library;
  if (!library.Load(kIntonationLibrary, services_.program_folder)) return;
  auto* open = library.Find<W2sOpenDlg>("W2S_openWaveToKvxDlg");
  if (open == nullptr) return;
  std::string work;
  std::string text = EditText();
  if (wave_path_.empty() && !text.empty()) {
    bool long_sentence = false;
    if (CheckForPlay(work, text, voice_, false, long_sentence) != kWorkOk) return;
    if (long_sentence) ShowMessage(core::kMessageSentenceTooLong);
  }
  (void)services_.player->Close();
  const int result = open(saved_ ? 1 : 0, wave_path_.c_str(), work.c_str(), voice_, volume_,
                          script_path_.c_str(), pass_through_);
  ReopenPlayer();
  FocusEdit();
  if (result == kDialogCancelled) return;
  auto* get = library.Find<W2sGetData>("W2S_getWaveToKvxData");
  if (get == nullptr) return;
  int saved = 0, voice = 0, volume = volume_, pass = pass_through_;
  char* returned_text = nullptr;
  char* returned_path = nullptr;
  (void)get(&saved, &returned_text, &voice, &volume, &returned_path, &pass);
  std::string new_text = Copy(returned_text);
  script_path_ = Copy(returned_path);
  std::string editor_text;
  int count = 0;
  int voice2 = voice;
  if (new_text.size() >= kIntonationReturnMin) {
    bool long_sentence = false;
    if (ConvertForEditor(editor_text, voice2, new_text, long_sentence, count) != kWorkOk) return;
  }
  SetEditText(editor_text);
  recorded_count_ = count;
  saved_ = saved != 0;
  voice_ = voice2;
  volume_ = std::clamp(volume, kKnobMinimum, kKnobMaximum);
  pass_through_ = pass;
  UpdatePlayStop();
  knob_.SetValue(volume_);
  Invalidate();
}

}  // namespace vtr::app