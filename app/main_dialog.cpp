#include "app/main_dialog.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "app/skin_art.h"
#include "app/wave_check.h"
#include "platform/module.h"
#include "platform/window/window_system.h"
#include "resources/dialog_setup.h"
#include "resources/resources.h"
#include "scriptedit/script_encoding.h"

namespace vtr::app {
namespace {

using platform::MenuItem;
using platform::Notice;
using platform::Rect;
using resources::Module;

// US texts are played through the J engine word; their G form is read with the romaji word.
constexpr uint32_t kModeBase = core::kEmulatorModeBits;
constexpr uint32_t kModeUs = core::kKanaModeWord;
constexpr uint32_t kModeGScript = core::kRomajiModeWord;
constexpr uint32_t kEditorSubFormat = 0x10000;
constexpr uint32_t kLanguageJ = static_cast<uint32_t>(core::ScriptLanguage::kJapanese);
constexpr uint32_t kLanguageK = static_cast<uint32_t>(core::ScriptLanguage::kKorean);
constexpr uint32_t kLanguageUs = static_cast<uint32_t>(core::ScriptLanguage::kRomaji);
constexpr uint32_t kLanguageCn = static_cast<uint32_t>(core::ScriptLanguage::kChinese);
constexpr int kHeaderVoiceSet = 3;
constexpr int kHeaderVoiceRead = 5;
constexpr int kHeaderEnsureTag = 6;
constexpr int kDialogCancelled = 2;
constexpr size_t kEditReturnMin = 5;       // script edit dialog: at least this many bytes
constexpr size_t kIntonationReturnMin = 5;  // intonation dialog: more than 4 bytes

constexpr Rect kTrack{132, 178, 205, 187};
constexpr int kKnobMinimum = 0;
constexpr int kKnobMaximum = 127;
constexpr platform::Point kMenuOffset{45, 144};

constexpr std::string_view kKvxDialogLibrary = "Vtr_KvxDlg.dll";
constexpr std::string_view kIntonationLibrary = ".\\Vtr_W2SDlg.dll";

// The program's resources: window template, popup menu, system-menu additions, accelerators.
constexpr int kMainTemplate = 102;
constexpr int kPopupMenu = 129;
constexpr int kSystemMenuAdditions = 130;
constexpr int kAccelerators = 131;

// The local help pages behind the page commands.
struct PageLink {
  int command;
  std::string_view anchor;
};
constexpr std::array<PageLink, 5> kPageLinks = {{
    {kCmdJumpToSite, ""},
    {kCmdPageGeneral, "#kelvox"},
    {kCmdPageMobile, "#phones"},
    {kCmdPageRegional, "#languages"},
    {kCmdPageProducts, "#tools"},
}};

platform::DialogTemplate MainTemplate() {
  const platform::DialogTemplate* found = resources::FindDialog(Module::kProgram, kMainTemplate);
  return found != nullptr ? *found : platform::DialogTemplate{};
}

// Function types of the dialog libraries' exports.
using KvxOpenDlg = int(int, const char*, const char*, const char*, int, unsigned, int);
using KvxGetDlgData = void(int*, char**, char**, int*, int*, int*);
using W2sOpenDlg = int(int, const char*, const char*, int, int, const char*, int);
using W2sGetData = int(int*, char**, int*, int*, char**, int*);

std::string Copy(const char* text) { return text == nullptr ? std::string() : std::string(text); }

}  // namespace

platform::Menu MainPopupMenu() {
  return resources::LoadMenu(Module::kProgram, kPopupMenu).FirstPopup();
}

platform::Menu MainSystemMenu() {
  // Of the standard system menu only Close is left; the additions follow it.
  platform::Menu additions =
      resources::LoadMenu(Module::kProgram, kSystemMenuAdditions).FirstPopup();
  std::vector<MenuItem> items = {MenuItem::Command(kIdPower, "Close")};
  for (MenuItem& item : additions.items()) items.push_back(std::move(item));
  return platform::Menu(std::move(items));
}

PlayStopView ChoosePlayStop(bool text_empty, bool playing) {
  if (text_empty) return {false, false};
  if (playing) return {false, true};
  return {true, false};
}

int VoiceCommand(int voice) {
  return voice >= 1 && voice <= 15 ? kCmdFirstVoice + voice : kCmdFirstVoice;
}

MainDialog::MainDialog(Services services)
    : Dialog(MainTemplate()), services_(std::move(services)) {
  converter_ = std::make_unique<ConverterRunner>(services_.program_folder / "Plugin",
                                                 services_.converter_timeout);
}

MainDialog::~MainDialog() = default;

bool MainDialog::is_chinese() const { return language_ == kLanguageCn; }

platform::Encoding MainDialog::encoding() const {
  return scriptedit::ScriptEncoding(core::LanguageOf(language_));
}

LockableEdit* MainDialog::edit() const { return Item<LockableEdit>(kIdScriptBox); }

std::string MainDialog::EditText() const {
  LockableEdit* box = edit();
  if (box == nullptr) return {};
  platform::TextResult result = box->ScriptText(encoding());
  return std::move(result.text);
}

void MainDialog::SetEditText(std::string_view bytes) {
  if (LockableEdit* box = edit()) (void)box->SetScriptText(encoding(), bytes);
}

void MainDialog::ShowMessage(unsigned id) {
  if (services_.messages != nullptr) (void)services_.messages->ShowMessage(id);
}

void MainDialog::FocusEdit() {
  if (LockableEdit* box = edit()) box->SetFocus();
}

void MainDialog::ReopenPlayer() {
  (void)services_.player->Open(emulator_path_, mode_, kPlayerParam);
}

bool MainDialog::OnInitDialog() {
  language_ = static_cast<uint32_t>(services_.player->language() & 0xF) << 24;
  mode_ = language_ == kLanguageUs ? kModeUs : (kModeBase | language_);
  emulator_path_ = (services_.program_folder / kEmulatorName).string();
  if (services_.messages != nullptr) (void)services_.messages->SetOwner(handle(), "Voxtrel");
  icon_ = LoadArt(kArtIcon);

  auto* box = static_cast<LockableEdit*>(ReplaceChild(kIdScriptBox, std::make_unique<LockableEdit>()));
  box->SetFont(platform::Font{platform::DefaultDialogFont().family, 9.0});
  box->SetEncoding(encoding());  // what a paste may put in
  auto* play = static_cast<BitmapButton*>(ReplaceChild(kIdPlay, std::make_unique<BitmapButton>()));
  auto* stop = static_cast<BitmapButton*>(ReplaceChild(kIdStop, std::make_unique<BitmapButton>()));
  auto* power = static_cast<ShapedButton*>(ReplaceChild(kIdPower, std::make_unique<ShapedButton>()));
  (void)resources::SetToolTips(*this, Module::kProgram);

  skin_ = LoadArt(kArtSkin);
  if (!skin_.empty()) SetRect(Rect::FromSize(rect().left, rect().top, skin_.width, skin_.height));
  box->SetRect(Rect::FromSize(12, 28, 216, 84));
  box->Show(true);
  const std::array<std::pair<BitmapButton*, std::array<int, 3>>, 2> buttons = {{
      {play, {kArtPlayHover, kArtPlayNormal, kArtPlayPressed}},
      {stop, {kArtStopHover, kArtStopNormal, kArtStopPressed}},
  }};
  for (const auto& [button, ids] : buttons) {
    const platform::Image hover = LoadArt(ids[0]);
    const platform::Image normal = LoadArt(ids[1]);
    const platform::Image pressed = LoadArt(ids[2]);
    const platform::Color key = platform::colors::kButtonFace;
    (void)button->LoadStateImage(kSlotHover, &hover, key);
    (void)button->LoadStateImage(kSlotNormal, &normal, key);
    (void)button->LoadStateImage(kSlotDisabled, &normal, key);
    for (int slot : {kSlotPressed, kSlotLatched, kSlotLatchedDisabled}) {
      (void)button->LoadStateImage(slot, &pressed, key);
    }
    button->SetRect(Rect::FromSize(20, 112, 76, 83));
    (void)button->FitToImage();
  }
  power->MoveTo({214, 169});
  (void)power->SetBitmap(LoadArt(kArtClose), 2, true);
  knob_.Init(kTrack, kKnobMinimum, kKnobMaximum, volume_, LoadArt(kArtKnob), kArtKey);
  if (const std::string_view tip = resources::LoadString(Module::kProgram, kIdVolumeTip);
      !tip.empty()) {
    AddTooltipRect(kTrack, tip);
  }
  UpdatePlayStop();
  SetText("Voxtrel");
  DragAcceptFiles(true);
  SetAccelerators(resources::LoadAccelerators(Module::kProgram, kAccelerators));
  box->SetFocus();
  return false;
}

void MainDialog::UpdatePlayStop() {
  // Runs for every key typed: whether the box is empty is seen without converting its text.
  const LockableEdit* box = edit();
  const PlayStopView view = ChoosePlayStop(box == nullptr || box->text().empty(), playing_);
  if (Window* play = Item(kIdPlay)) play->Show(view.play);
  if (Window* stop = Item(kIdStop)) stop->Show(view.stop);
}

platform::Menu MainDialog::SystemMenu() const {
  platform::Menu menu = MainSystemMenu();
  menu.items()[2].grayed = playing_;
  menu.items()[3].grayed = playing_;
  return menu;
}

void MainDialog::OnPlay() {
  std::string text = EditText();
  if (text.empty()) return FocusEdit();
  std::string play_text;
  bool long_sentence = false;
  if (CheckForPlay(play_text, text, voice_, false, long_sentence) != kWorkOk) return FocusEdit();
  std::string editor_text;
  int count = 0;
  if (ConvertForEditor(editor_text, voice_, play_text, long_sentence, count) != kWorkOk) {
    return FocusEdit();
  }
  if (LockableEdit* box = edit()) {
    box->SelectAll();
    box->ScrollCaret();
  }
  SetEditText(editor_text);
  if (!is_chinese() && !script_path_.empty() && count > recorded_count_) ShowMessage(core::kMessageCountDiffers);
  if (services_.player->Play(handle(), kIdStop, volume_, voice_, play_text) != 0) return FocusEdit();
  playing_ = true;
  UpdatePlayStop();
  knob_.SetValue(volume_);
  Invalidate();
  DragAcceptFiles(false);
  if (LockableEdit* box = edit()) box->SetLocked(true);
}

void MainDialog::OnStop() {
  (void)services_.player->Stop();
  playing_ = false;
  UpdatePlayStop();
  knob_.SetValue(volume_);
  Invalidate();
  DragAcceptFiles(true);
  if (LockableEdit* box = edit()) box->SetLocked(false);
}

void MainDialog::OnOK() {
  if (playing_) return;
  OnStop();
  if (EditText().empty() || saved()) return EndDialog(platform::kIdOk);
  const int answer = services_.messages != nullptr
                         ? services_.messages->ShowMessage(core::kMessageSaveChanges)
                         : platform::kIdNo;
  if (answer == platform::kIdYes) {
    if (SaveScript()) return EndDialog(platform::kIdOk);
  } else if (answer == platform::kIdNo) {
    return EndDialog(platform::kIdOk);
  }
  // The window stays: the keyboard goes back to the script box, also when the question came
  // from a click on the close button.
  FocusEdit();
}

void MainDialog::OnCommand(int id, Notice notice) {
  if (id == kIdScriptBox) {
    if (notice == Notice::kChange) {
      saved_ = false;
      saved_second_ = false;
      UpdatePlayStop();
    }
    return;
  }
  if (notice != Notice::kClicked) return;
  RunCommand(id);
}

void MainDialog::RunCommand(int id) {
  if (id == kIdPower) return OnOK();
  if (id == platform::kIdCancel) return OnCancel();
  if (id == kIdPlay) return OnPlay();
  if (id == kIdStop) return OnStop();
  if (id >= kCmdFirstVoice && id <= kCmdLastVoice) {
    voice_ = id - kCmdFirstVoice;
    saved_ = false;
    saved_second_ = false;
    return;
  }
  for (const PageLink& link : kPageLinks) {
    if (link.command == id) {
      const std::string page = (services_.program_folder / "links" / "links.html").string();
      if (!platform::OpenInBrowser(page + std::string(link.anchor))) {
        const std::string text(resources::LoadString(Module::kProgram, kIdNoBrowserText));
        (void)platform::MessageBox(this, text + "\n" + page, "Voxtrel",
                                   platform::kMbOk | platform::kMbIconWarning);
      }
      return;
    }
  }
  switch (id) {
    case kCmdOpen:
      if (!playing_) LoadScript("");
      return;
    case kCmdSave:
      if (!playing_) (void)SaveScript();
      return;
    case kCmdScriptEdit:
      if (!playing_) (void)OpenScriptEditDialog(false);
      return;
    case kCmdIntonation:
      if (!playing_) OpenIntonationDialog();
      return;
    case kCmdClearAll:
      (void)ClearAll();
      return;
    case kCmdAbout:
      if (services_.about) services_.about(this);
      return;
    default:
      return;
  }
}

void MainDialog::OnContextMenu(platform::Point screen) {
  if (playing_ || window_drag_ || knob_drag_) return;
  platform::Menu menu = MainPopupMenu();
  (void)menu.SetChecked(VoiceCommand(voice_), true);
  (void)menu.SetGrayed(kCmdSave, EditText().empty());
  const int command = platform::TrackPopupMenu(this, menu, screen);
  if (command != 0) RunCommand(command);
}

void MainDialog::ShowSystemMenu() {
  const platform::Menu menu = SystemMenu();
  const int command = platform::TrackPopupMenu(this, menu, ClientToScreen({0, 0}));
  if (command == 0) return;
  if (command == kIdPower) return OnOK();
  if (playing_) return;  // the edit commands and About wait for the end of the phrase
  RunCommand(command);
}

bool MainDialog::PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) {
  if (TranslateAccelerator(event)) return true;
  if (event.kind != platform::KeyEvent::Kind::kDown) return false;
  const bool shift = (event.modifiers & platform::kModShift) != 0;
  const bool ctrl = (event.modifiers & platform::kModCtrl) != 0;
  const bool alt = (event.modifiers & platform::kModAlt) != 0;
  if (alt && event.key == platform::kKeySpace) {
    ShowSystemMenu();
    return true;
  }
  if (shift && event.key == platform::kKeyF10) {
    OnContextMenu({rect().left + kMenuOffset.x, rect().top + kMenuOffset.y});
    return true;
  }
  LockableEdit* box = edit();
  if (target != box) return true;
  if (ctrl && event.key == 'A') {
    if (!box->locked()) {
      box->SelectAll();
      box->ScrollCaret();
    }
    return true;
  }
  return false;
}

bool MainDialog::PreTranslateMouse(const platform::MouseEvent& event, platform::Window*) {
  if (event.kind == platform::MouseEvent::Kind::kDown && event.button == platform::MouseButton::kRight) {
    OnContextMenu(event.screen);
    return true;
  }
  return false;
}

bool MainDialog::OnMouse(const platform::MouseEvent& event) {
  using Kind = platform::MouseEvent::Kind;
  const platform::Point p = event.point;
  if (event.kind == Kind::kDown && event.button == platform::MouseButton::kLeft) {
    bool on_knob = false;
    if (knob_.HitTest(p.x, p.y, on_knob) == 0) {
      platform::SetCapture(this);
      window_drag_ = true;
      drag_start_ = p;
    } else if (!playing_) {
      knob_drag_ = on_knob;
      volume_ = knob_.TrackTo(p.x);
      Invalidate();
      if (on_knob) {
        platform::SetCapture(this);
        // The right edge is taken in so that the knob's last pixel, and the maximum, can be
        // reached: a clip rectangle's right edge is exclusive.
        const platform::Point origin = ClientToScreen({0, 0});
        const Rect screen = Rect{kTrack.left, kTrack.top, kTrack.right + 1, kTrack.bottom}.Offset(origin.x, origin.y);
        platform::ClipCursor(&screen);
      }
    }
    return true;
  }
  if (event.kind == Kind::kMove) {
    if (knob_drag_ && !playing_) {
      volume_ = knob_.TrackTo(p.x);
      Invalidate();
    } else if (window_drag_) {
      MoveTo({event.screen.x - drag_start_.x, event.screen.y - drag_start_.y});
    }
    return true;
  }
  if (event.kind == Kind::kUp && event.button == platform::MouseButton::kLeft) {
    platform::ReleaseCapture();
    window_drag_ = false;
    if (!playing_ && knob_drag_) {
      knob_drag_ = false;
      volume_ = knob_.TrackTo(p.x);
      platform::ClipCursor(nullptr);
      Invalidate();
    }
    return true;
  }
  return false;
}

void MainDialog::OnCaptureLost() {
  window_drag_ = false;
  if (knob_drag_) {
    knob_drag_ = false;
    platform::ClipCursor(nullptr);
    Invalidate();
  }
}

void MainDialog::OnPaint(platform::Canvas& canvas) {
  if (!skin_.empty()) canvas.DrawImage({0, 0}, skin_);
  knob_.Paint(canvas, playing_ ? 2 : (knob_drag_ ? 1 : 0));
}

void MainDialog::OnDropFiles(const std::vector<std::string>& files) {
  if (playing_ || files.empty()) return;
  SetForeground();
  platform::WaitCursor wait;
  LoadScript(files.front());
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

int MainDialog::CheckForPlay(std::string& play_text, std::string& text, int voice,
                             bool report_long, bool& long_sentence) {
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
  if (engine_.ScriptHeaderOp(mode_, kHeaderVoiceSet, work, voice_value) != ScriptEngineError::kNone) {
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
  if (engine_.ScriptHeaderOp(mode_, kHeaderVoiceRead, head, found_voice) != ScriptEngineError::kNone) {
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
  editor_text = is_chinese() ? chinese_text : std::move(editor);
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
  if (!is_chinese() && !script_path_.empty() && count > recorded_count_) ShowMessage(core::kMessageCountDiffers);
  if (language_ == kLanguageUs) {
    core::ScriptEngine probe;
    if (probe.ParseScriptText(kModeUs, work) != core::ScriptEngineError::kNone ||
        probe.ParseScriptText(kModeGScript, work) != core::ScriptEngineError::kNone) {
      return false;
    }
  }
  if (services_.files == nullptr) return false;
  std::string path = script_path_;
  if (services_.files->SaveScriptAs(path, work, core::LanguageOf(mode_), is_chinese() ? kept : "") != 0) {
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
  (void)engine_.ParseScriptText(mode_, core::HeaderTagOf(static_cast<core::ScriptLanguage>(language_)));
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
  if (services_.files->OpenScriptFile(path, text, core::LanguageOf(mode_), true, &wave_path) != 0) return;
  if (is_chinese() && ends_with(path, ".kvx")) return open_chinese_script(path);
  if (language_ == kLanguageJ && !wave_path.empty()) return open_wave(wave_path);
  if (text.empty()) return ShowMessage(core::kMessageNothingToPlay);
  std::string editor_text;
  int voice = 0;
  int count = 0;
  if (is_chinese()) {
    if (ConverterRunner::Filter(text, 0) != kFilterOk) return ShowMessage(core::kMessageNothingToPlay);
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
      if (ConvertForEditor(editor_text, voice2, new_text, long_sentence, count) != kWorkOk) return false;
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
