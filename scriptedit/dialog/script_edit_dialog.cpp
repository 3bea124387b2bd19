#include "scriptedit/dialog/script_edit_dialog.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "core/script_engine.h"
#include "platform/window/window_system.h"
#include "resources/dialog_setup.h"
#include "resources/resources.h"
#include "scriptedit/dialog/menu_button.h"
#include "scriptedit/dialog/number_edit.h"
#include "scriptedit/dialog/number_spin.h"
#include "scriptedit/dialog/voice_data.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/script_encoding.h"
#include "scriptedit/script_file_io.h"

namespace vtr::scriptedit {
namespace {

using platform::Button;
using platform::ComboBox;
using platform::Edit;
using platform::Notice;
using resources::Module;

constexpr uint32_t kLanguageJ = static_cast<uint32_t>(core::ScriptLanguage::kJapanese);
constexpr uint32_t kLanguageK = static_cast<uint32_t>(core::ScriptLanguage::kKorean);
constexpr int kEchoOperation = 1;

constexpr int kRecordBoxShortening = 35;  // [px]
constexpr double kScriptFontPoints = 9.0;
constexpr int kVolumeMaximum = 127;
constexpr int kFirstVoiceName = 32883;  // strings 32883-32898
constexpr int kStandardVoices = 16;
constexpr int kValueDigits = 2;
constexpr int kFirstToolTip = 2001;
constexpr int kLastToolTip = 2065;

// One symbol button: the text it inserts (the two-byte form in a J or K dialog where the row
// has one) and the value field whose text follows it.
struct Symbol {
  int id;
  std::string_view text;
  std::string_view j_form;
  std::string_view k_form;
  int value_edit;
};
constexpr std::array<Symbol, 22> kSymbols = {{
    {2005, "_", "", "", 2051},
    {2003, "'", "", "", 2047},
    {2004, "^", "", "", 2049},
    {2006, "$", "", "", 2053},
    {2007, "<", "", "", 2055},
    {2008, ">", "", "", 2057},
    {2019, "*", "", "", 2035},
    {2032, "/", "", "", 0},
    {2033, "=", "", "", 0},
    {2034, "&", "", "", 0},
    {2012, "@", "", "", 0},
    {2013, "!", "", "", 0},
    {2014, ";", "", "", 0},
    {2015, ":", "", "", 0},
    {2016, "+", "", "", 0},
    {2020, "?", "", "", 2036},
    {2017, ",", "", "", 0},
    {2018, ".", "", "", 0},
    {2025, " ", "\x81\x40", "\xA1\xA1", 0},
    {2023, "-", "\x81\x7C", "\xA3\xAD", 0},
    {2024, "~", "\x81\x60", "\xA2\xA6", 0},
    {kSpeedButton, "S", "", "", kSpeedEdit},
}};

// A value field, its spin, its range and start value.
struct ValueField {
  int edit;
  int spin;
  int minimum;
  int maximum;
  int start;
};
constexpr std::array<ValueField, 9> kValueFields = {{
    {kSpeedEdit, 2040, 0, 99, 50},
    {2047, 2048, 1, 99, 1},
    {2049, 2050, 1, 99, 1},
    {2051, 2052, 1, 99, 1},
    {2053, 2054, 1, 99, 1},
    {2055, 2056, 1, 99, 1},
    {2057, 2058, 1, 99, 1},
    {2035, 2041, 1, 99, 1},
    {2036, 2039, 1, 99, 1},
}};

// Button icons, set in this order until one cannot be loaded.
constexpr std::array<resources::ButtonIcon, 19> kIcons = {{
    {2005, 137}, {2003, 135}, {2004, 136}, {2006, 138}, {2007, 145}, {2008, 139}, {2032, 142},
    {2033, 141}, {2034, 140}, {2012, 146}, {2013, 131}, {2014, 132}, {2015, 133}, {2016, 134},
    {2001, 143}, {2002, 144}, {2021, 147}, {2022, 148}, {2026, 207},
}};

// The menu buttons: menu, and the command that stands until the user chooses.
struct MenuButtonSetup {
  int id;
  int menu;
  int initial_command;
};
constexpr std::array<MenuButtonSetup, 5> kMenuButtons = {{
    {kVolumeButton, 200, 32832},
    {kPitchButton, 201, 32794},
    {kLengthButton, 202, 32834},
    {kFeelingButton, 203, 32838},
    {kVoiceButton, 204, 32846},
}};

// Enabled when not playing, disabled while playing.
// clang-format off
constexpr std::array<int, 25> kIdleOnly = {
    kLoopBox, 2023, 2024, 2025, 2017, 2018, 2019, 2041, 2035, 2020, 2039, 2036, kOpenButton,
    kSaveButton, kScriptBox, kOkButton, platform::kIdCancel, 2047, 2049, 2051, 2053, 2055, 2057,
    kAbsoluteStepsBox, kSpeedEdit};
// clang-format on

bool IsMenuButton(int id) { return id >= kVolumeButton && id <= kVoiceButton; }

const Symbol* FindSymbol(int id) {
  for (const Symbol& symbol : kSymbols) {
    if (symbol.id == id) return &symbol;
  }
  return nullptr;
}

platform::DialogTemplate Template() {
  const platform::DialogTemplate* found = resources::FindDialog(Module::kScriptEdit, 130);
  return found != nullptr ? *found : platform::DialogTemplate{};
}

}  // namespace

ScriptEditDlg::ScriptEditDlg(playback::ScriptPlayer* player, core::MessageReporter* reporter)
    : platform::Dialog(Template()), player_(player), reporter_(reporter) {
  processor_.SetReporter(reporter_);
}

// Controls ---------------------------------------------------------------------------------

std::optional<std::string> ScriptEditDlg::BoxText() const {
  auto* box = Item<Edit>(kScriptBox);
  if (box == nullptr) return script_text_;
  platform::TextResult bytes = box->ScriptText(encoding());
  if (!bytes.ok()) {
    (void)reporter_->ShowMessage(core::kMessageBadFormat);
    return std::nullopt;
  }
  return std::move(bytes.text);
}

// Takes its own copy: callers pass the member itself (ShowText(script_text_)), which a view
// would lose as soon as the member is assigned.
void ScriptEditDlg::ShowText(std::string stripped) {
  if (auto* box = Item<Edit>(kScriptBox)) (void)box->SetScriptText(encoding(), stripped);
  script_text_ = std::move(stripped);
}

bool ScriptEditDlg::ReadControls() {
  std::optional<std::string> text = BoxText();
  if (!text) return false;
  script_text_ = std::move(*text);
  if (auto* slider = Item<platform::Trackbar>(kVolumeSlider)) volume_ = slider->pos();
  if (auto* voices = Item<ComboBox>(kVoiceList); voices != nullptr && voices->cur_sel() >= 0) {
    voice_index_ = voices->cur_sel();
  }
  if (auto* box = Item<Button>(kRemainLinefeedBox)) remain_linefeed_ = box->check() != 0;
  if (auto* box = Item<Button>(kInsertSegmentEndBox)) insert_segment_end_ = box->check() != 0;
  if (auto* box = Item<Button>(kLoopBox)) loop_ = box->check() != 0;
  if (auto* name = Item<Edit>(kNameBox)) script_name_ = name->ScriptText(encoding()).text;
  return true;
}

void ScriptEditDlg::UpdateVoiceList() {
  if (auto* voices = Item<ComboBox>(kVoiceList)) (void)voices->SetCurSel(voice_index_);
}

bool ScriptEditDlg::HasText() const {
  if (auto* box = Item<Edit>(kScriptBox)) return !box->text().empty();
  return !script_text_.empty();
}

int ScriptEditDlg::BeforeUseFlags() const {
  return optimize_ ? kProcessBeforeUseOptimized : kProcessBeforeUse;
}

int ScriptEditDlg::ForPlayFlags() const {
  return optimize_ ? kProcessForPlayOptimized : kProcessForPlay;
}

void ScriptEditDlg::EnableControls(bool has_text) {
  const auto enable = [this](int id, bool on) {
    if (platform::Window* control = Item(id)) control->Enable(on);
  };
  enable(kOkButton, has_text);
  enable(kSaveButton, has_text);
  if (!has_text) {
    enable(kPlayButton, false);
    enable(kStopButton, false);
    return;
  }
  for (int id : {kVolumeSlider, kVoiceList, kPlayButton, kOptimizeBox}) enable(id, !playing_);
  enable(kStopButton, playing_);
  enable(kRemainLinefeedBox, !playing_ && optimize_);
  enable(kInsertSegmentEndBox, !playing_ && optimize_);
  for (int id : kIdleOnly) enable(id, !playing_);
}

// Opening ----------------------------------------------------------------------------------

void ScriptEditDlg::SetUpControls() {
  for (const ValueField& field : kValueFields) {
    const bool present = Item(field.edit) != nullptr;
    auto* edit = present ? static_cast<NumberEdit*>(ReplaceChild(
                               field.edit, std::make_unique<NumberEdit>(platform::kStyleNumber)))
                         : nullptr;
    if (edit != nullptr) {
      edit->set_max_digits(kValueDigits);
      edit->SetRange(field.minimum, field.maximum);
      edit->set_default_value(field.start);
    }
    if (Item(field.spin) == nullptr) continue;
    auto* spin = static_cast<NumberSpin*>(ReplaceChild(field.spin, std::make_unique<NumberSpin>()));
    spin->SetBuddy(edit);
    spin->SetRange(field.minimum, field.maximum);
    spin->SetPos(field.start);
  }
  if (auto* slider = Item<platform::Trackbar>(kVolumeSlider)) {
    slider->SetRange(0, kVolumeMaximum);
    slider->SetPos(volume_);
  }
  (void)resources::SetButtonIcons(*this, Module::kScriptEdit, kIcons);  // stops at a missing icon
  const bool with_voice_data = voice_data_ != nullptr && voice_data_size_ > 0;
  for (const MenuButtonSetup& setup : kMenuButtons) {
    if (Item(setup.id) == nullptr) continue;
    auto* button = static_cast<MenuButton*>(ReplaceChild(
        setup.id, std::make_unique<MenuButton>(&player_->extended_voices(), encoding())));
    const int menu = setup.id == kVoiceButton && with_voice_data ? kExtendedVoiceMenu : setup.menu;
    button->Setup(menu, setup.initial_command);
  }
  if (!SetUpToolTips()) {
    (void)platform::MessageBox(this, kToolTipFailureText, "Voxtrel",
                               platform::kMbOk | platform::kMbIconWarning);
  }
}

bool ScriptEditDlg::SetUpToolTips() {
  return resources::SetToolTips(*this, Module::kScriptEdit, [](int id) {
           return (id >= kFirstToolTip && id <= kLastToolTip) || IsMenuButton(id);
         }) > 0;
}

void ScriptEditDlg::FillVoiceList() {
  auto* voices = Item<ComboBox>(kVoiceList);
  if (voices == nullptr) return;
  voices->ResetContent();
  for (const playback::ExtendedVoice& voice : extended_voices_) {
    const std::string_view name(voice.text.data(), strnlen(voice.text.data(), voice.text.size()));
    voices->AddString(platform::ToUtf8(encoding(), name).text);
  }
  for (int i = 0; i < kStandardVoices; ++i) {
    voices->AddString(resources::LoadString(Module::kScriptEdit, kFirstVoiceName + i));
  }
  (void)voices->SetCurSel(voice_index_);
}

void ScriptEditDlg::ShowMembers() {
  // What the user pastes into the boxes is held to the script's encoding.
  for (int id : {kScriptBox, kNameBox}) {
    if (auto* box = Item<Edit>(id)) box->SetEncoding(encoding());
  }
  ShowText(script_text_);
  if (auto* slider = Item<platform::Trackbar>(kVolumeSlider)) slider->SetPos(volume_);
  if (auto* box = Item<Button>(kRemainLinefeedBox)) box->SetCheck(remain_linefeed_ ? 1 : 0);
  if (auto* box = Item<Button>(kInsertSegmentEndBox)) box->SetCheck(insert_segment_end_ ? 1 : 0);
  if (auto* box = Item<Button>(kLoopBox)) box->SetCheck(loop_ ? 1 : 0);
  if (auto* name = Item<Edit>(kNameBox)) {
    name->SetLimitText(kMaxNameChars);
    (void)name->SetScriptText(encoding(), script_name_);
  }
}

bool ScriptEditDlg::OnInitDialog() {
  playing_ = false;
  player_opened_ = false;
  // The members show in the controls even when the player does not open.
  ShowMembers();
  if (player_->Open(emulator_path_, mode_word_, player_param_) != playback::kPlayerOk) {
    return true;  // the player showed its message; the bare template stays
  }
  player_opened_ = true;
  player_->SetExtraData(voice_data_, voice_data_size_);
  extended_voices_ = ReadExtendedVoices(voice_data_, voice_data_size_);
  std::vector<int> numbers;
  for (const playback::ExtendedVoice& voice : extended_voices_) {
    player_->AddExtendedVoice(voice);
    numbers.push_back(ExtendedVoiceNumber(voice));
  }
  processor_.SetExtendedVoices(std::move(numbers));

  SetText(caption_);
  (void)reporter_->SetOwner(handle(), caption_);
  (void)player_->SetMessageOwner(handle(), caption_);
  if (!script_text_.empty()) {
    std::string text = script_text_;
    (void)ProcessScript(text, kProcessOnOpenDialog, false, nullptr);
  }
  DragAcceptFiles(true);

  SetUpControls();
  SetAccelerators(resources::LoadAccelerators(Module::kScriptEdit, 206));

  EnableControls(HasText());
  FillVoiceList();

  if (script_text_.empty() && !script_path_.empty()) OpenFile(script_path_);

  if (opened_through_record_) {
    if (platform::Window* box = Item(kScriptBox)) {
      platform::Rect place = box->rect();
      place.bottom = std::max(place.top, place.bottom - kRecordBoxShortening);
      box->SetRect(place);
    }
    OnOptimize(false);
    unchanged_ = true;
  } else {
    if (platform::Window* label = Item(kNameLabel)) label->Show(false);
    if (platform::Window* name = Item(kNameBox)) name->Show(false);
    for (int id : {kOptimizeBox, kRemainLinefeedBox, kInsertSegmentEndBox}) {
      if (auto* box = Item<Button>(id)) box->SetCheck(1);
    }
    OnOptimize(true);
  }

  const platform::Font dialog_font = platform::DefaultDialogFont();
  SetFont(dialog_font);
  if (auto* box = Item<Edit>(kScriptBox)) {
    platform::Font script_font = dialog_font;
    script_font.points = kScriptFontPoints;
    box->SetFont(script_font);
    box->SetFocus();
    box->SetSel(0, 0);
  }
  return false;
}

// Commands ---------------------------------------------------------------------------------

void ScriptEditDlg::OnCommand(int id, Notice notice) {
  switch (notice) {
    case Notice::kChange:
      if (id == kScriptBox) OnScriptChange();
      return;
    case Notice::kSelChange:
      if (id == kVoiceList) OnVoiceChange();
      return;
    case Notice::kDropDown:
      if (auto* button = Item<MenuButton>(id)) (void)button->ShowPopup();
      return;
    case Notice::kClicked:
      break;
  }
  switch (id) {
    case kPlayButton:
      return Play();
    case kStopButton:
      return Stop();
    case kOpenButton:
      if (!playing_) OpenFile("");
      return;
    case kSaveButton:
      if (!playing_) (void)Save();
      return;
    case kOkButton:
      return OnOK();
    case kOptimizeBox:
      if (auto* box = Item<Button>(kOptimizeBox)) OnOptimize(box->check() != 0);
      return;
    case kEchoButton:
      return Echo();
    default:
      break;
  }
  if (IsMenuButton(id)) return InsertMenuToken(id);
  if (FindSymbol(id) != nullptr) return InsertSymbol(id);
  platform::Dialog::OnCommand(id, notice);
}

void ScriptEditDlg::OnScriptChange() {
  saved_ = 0;
  unchanged_ = false;
  EnableControls(HasText());
}

void ScriptEditDlg::OnOptimize(bool on) {
  optimize_ = on;
  auto* remain = Item<Button>(kRemainLinefeedBox);
  auto* segment_end = Item<Button>(kInsertSegmentEndBox);
  if (!on) {
    if (remain != nullptr) remain->SetCheck(1);
    if (segment_end != nullptr) segment_end->SetCheck(0);
    remain_linefeed_ = true;
    insert_segment_end_ = false;
  }
  if (remain != nullptr) remain->Enable(on && !playing_);
  if (segment_end != nullptr) segment_end->Enable(on && !playing_);
  if (auto* box = Item<Button>(kOptimizeBox)) box->SetCheck(on ? 1 : 0);
}

void ScriptEditDlg::OnVoiceChange() {
  if (!HasText() || !ReadControls()) return;
  std::string text = script_text_;
  if (ProcessScript(text, kProcessOnSetText, false, nullptr) != kResultDone) return;
  if (ProcessScript(text, kProcessOnVoiceChange, false, nullptr) != kResultDone) return;
  ShowText(StripHeader(text));
  saved_ = 0;
  unchanged_ = false;
}

void ScriptEditDlg::Insert(std::string_view bytes) {
  auto* box = Item<Edit>(kScriptBox);
  if (box == nullptr) return;
  box->ReplaceSel(platform::ToUtf8(encoding(), bytes).text);
  if (std::optional<std::string> text = BoxText()) script_text_ = std::move(*text);
  saved_ = 0;
  unchanged_ = false;
  EnableControls(HasText());
}

void ScriptEditDlg::InsertSymbol(int id) {
  if (playing_) return;
  const Symbol* symbol = FindSymbol(id);
  std::string bytes(symbol->text);
  if (language_ == kLanguageJ && !symbol->j_form.empty()) bytes = symbol->j_form;
  if (language_ == kLanguageK && !symbol->k_form.empty()) bytes = symbol->k_form;
  if (symbol->value_edit != 0) {
    if (platform::Window* field = Item(symbol->value_edit)) bytes += field->text();
  }
  Insert(bytes);
}

void ScriptEditDlg::Echo() {
  if (playing_) return;
  auto* box = Item<Edit>(kScriptBox);
  if (box == nullptr) return;
  std::optional<std::string> shown = BoxText();
  if (!shown) return;
  auto [start, end] = box->GetSelBytes(encoding());
  const bool had_header =
      !header_tag_.empty() && shown->compare(0, header_tag_.size(), header_tag_) == 0;
  std::string text = *shown;
  core::ScriptEngine engine;
  int unused = 0;
  (void)engine.ScriptHeaderOp(mode_word_, kHeaderEnsureTag, text, unused);
  const size_t shift = had_header ? 0 : core::kHeaderTagSize;
  // The engine's range is inclusive: the selection's last byte is one before its end.
  (void)engine.ReformatScriptText(mode_word_, text, static_cast<int>(start + shift),
                                  static_cast<int>(end + shift) - 1, kEchoOperation);
  box->SelectAll();
  box->ReplaceSel(platform::ToUtf8(encoding(), StripHeader(text)).text);
  if (std::optional<std::string> now = BoxText()) script_text_ = std::move(*now);
  saved_ = 0;
  unchanged_ = false;
  EnableControls(HasText());
}

void ScriptEditDlg::InsertMenuToken(int id) {
  if (playing_) return;
  auto* button = Item<MenuButton>(id);
  if (button == nullptr) return;
  const int command = button->current_command();
  std::string token = MenuTokenOf(command);
  if (!token.empty()) {
    auto* absolute = Item<Button>(kAbsoluteStepsBox);
    if (id == kPitchButton && absolute != nullptr && absolute->check() != 0) token.insert(0, "/");
    Insert(token);
  }
  button->SetText(MenuButtonCaption(id, command));
  if (platform::Window* box = Item(kScriptBox)) box->SetFocus();
}

void ScriptEditDlg::OnDropFiles(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  SetForeground();
  OpenFile(paths.front());
}

// Ending -----------------------------------------------------------------------------------

void ScriptEditDlg::StopAndClose() {
  (void)player_->Stop();
  playing_ = false;
  // A player that did not open would answer Close with a message of its own.
  if (player_opened_) (void)player_->Close();
  player_opened_ = false;
}

void ScriptEditDlg::OnOK() {
  if (!ReadControls()) return;
  if (chinese_) {
    int answer = core::kIdNo;
    if (!(saved_ != 0 && unchanged_)) answer = reporter_->ShowMessage(core::kMessageSaveChanges);
    if (answer == core::kIdCancel) {
      Stop();
      return;
    }
    if (answer == core::kIdYes) {
      if (Save() != SaveResult::kSaved) return;
      saved_ = 0;
    } else {
      saved_ = 1;
    }
    StopAndClose();
    script_text_.clear();
    script_path_.clear();
    EndDialog(platform::kIdOk);
    return;
  }
  if (!opened_through_record_) {
    if (unchanged_) {
      StopAndClose();
      EndDialog(platform::kIdOk);
      return;
    }
    const int answer = reporter_->ShowMessage(core::kMessageReflectToMain);
    if (answer == core::kIdCancel) return;
    if (answer == core::kIdNo) {
      StopAndClose();
      EndDialog(platform::kIdCancel);
      return;
    }
  }
  std::string text = script_text_;
  if (ProcessScript(text, BeforeUseFlags(), true, nullptr) != kResultDone) return;
  script_text_ = StripHeader(text);
  StopAndClose();
  EndDialog(platform::kIdOk);
}

void ScriptEditDlg::OnCancel() {
  if (!unchanged_ && reporter_->ShowMessage(core::kMessageDiscardAll) == core::kIdNo) return;
  StopAndClose();
  EndDialog(platform::kIdCancel);
}

void ScriptEditDlg::OnDestroy() {
  if (playing_) (void)player_->Stop();
  playing_ = false;
}

// Keyboard and mouse -----------------------------------------------------------------------

bool ScriptEditDlg::PreTranslateKey(const platform::KeyEvent& event, platform::Window* target) {
  if (TranslateAccelerator(event)) return true;
  if (event.kind != platform::KeyEvent::Kind::kDown) return false;
  if (event.key == 'A' && (event.modifiers & platform::kModCtrl) != 0) {
    if (auto* box = Item<Edit>(kScriptBox)) {
      box->SetFocus();
      box->SelectAll();
    }
    return true;
  }
  if (event.key == platform::kKeyReturn && platform::IsKeyDown(platform::kKeySpace)) return true;
  (void)target;
  return false;
}

bool ScriptEditDlg::PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) {
  auto* box = Item<Edit>(kScriptBox);
  if (event.kind == platform::MouseEvent::Kind::kDoubleClick && box != nullptr && target == box &&
      box->HasFocus()) {
    box->SelectAll();
    return true;
  }
  return false;
}

}  // namespace vtr::scriptedit
