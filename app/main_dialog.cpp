#include "app/main_dialog.h"

#include <array>
#include <string_view>
#include <utility>

#include "app/skin_art.h"
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

constexpr uint32_t kModeBase = core::kEmulatorModeBits;
constexpr uint32_t kLanguageCn = static_cast<uint32_t>(core::ScriptLanguage::kChinese);

constexpr Rect kTrack{132, 178, 205, 187};
constexpr platform::Point kMenuOffset{45, 144};

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

MainDialog::MainDialog(Services services) : Dialog(MainTemplate()), services_(std::move(services)) {
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

bool MainDialog::OnInitDialog() {
  language_ = static_cast<uint32_t>(services_.player->language() & 0xF) << 24;
  mode_ = language_ == kLanguageUs ? kModeUs : (kModeBase | language_);
  emulator_path_ = (services_.program_folder / kEmulatorName).string();
  if (services_.messages != nullptr) (void)services_.messages->SetOwner(handle(), "Voxtrel");
  icon_ = LoadArt(kArtIcon);

  auto* box =
      static_cast<LockableEdit*>(ReplaceChild(kIdScriptBox, std::make_unique<LockableEdit>()));
  box->SetFont(platform::Font{platform::DefaultDialogFont().family, 9.0});
  box->SetEncoding(encoding());  // what a paste may put in
  auto* play = static_cast<BitmapButton*>(ReplaceChild(kIdPlay, std::make_unique<BitmapButton>()));
  auto* stop = static_cast<BitmapButton*>(ReplaceChild(kIdStop, std::make_unique<BitmapButton>()));
  auto* power =
      static_cast<ShapedButton*>(ReplaceChild(kIdPower, std::make_unique<ShapedButton>()));
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
  if (!is_chinese() && !script_path_.empty() && count > recorded_count_)
    ShowMessage(core::kMessageCountDiffers);
  if (services_.player->Play(handle(), kIdStop, volume_, voice_, play_text) != 0)
    return FocusEdit();
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

bool MainDialog::PreTranslateMouse(const platform::MouseEvent& event, platform::Window* target) {
  // A right click in the script box brings the box's own menu (none while it is locked).
  if (target != nullptr && target == edit()) return false;
  if (event.kind == platform::MouseEvent::Kind::kDown &&
      event.button == platform::MouseButton::kRight) {
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
    if (!knob_.HitTest(p.x, p.y, on_knob)) {
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
        const Rect screen = Rect{kTrack.left, kTrack.top, kTrack.right + 1, kTrack.bottom}.Offset(
            origin.x, origin.y);
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

}  // namespace vtr::app
