#include "platform/window/dialog.h"

#include <algorithm>

#include "platform/window/internal/system.h"

namespace vtr::platform {

using internal::System;

namespace {
constexpr int kComboHeight = 22;  // [px] height of a closed drop-down list
}  // namespace

Dialog::Dialog(DialogTemplate dialog_template, Window* owner)
    : template_(std::move(dialog_template)), owner_(owner) {
  Show(false);
}

Dialog::~Dialog() {
  if (built_) Teardown();
}

void Dialog::Build() {
  const Size size = TemplateToPixels(template_.size, template_.units);
  SetRect(Rect::FromSize(0, 0, size.width, size.height));
  CenterWindow();
  SetText(template_.caption);
  SetFont(template_.font);
  DragAcceptFiles((template_.style & kStyleAcceptFiles) != 0);
  Window* previous = nullptr;
  for (const ControlTemplate& entry : template_.controls) {
    std::unique_ptr<Control> control = MakeControl(entry);
    control->SetFont(template_.font);
    Rect place = TemplateToPixels(entry.place, template_.units);
    // A combo box's template height is that of its open list; the closed box is one line high.
    if (entry.kind == ControlKind::kComboBox)
      place.bottom = place.top + std::min(place.height(), kComboHeight);
    Control* placed = static_cast<Control*>(AddChild(std::move(control), entry.id, place));
    if (entry.kind == ControlKind::kSpin && (entry.style & kStyleAutoBuddy) &&
        previous != nullptr) {
      static_cast<Spin*>(placed)->SetBuddy(previous);
    }
    if (entry.kind == ControlKind::kButton && (entry.style & kStyleDefault)) default_id_ = entry.id;
    previous = placed;
  }
  built_ = true;
  ending_ = false;
}

void Dialog::Teardown() {
  OnDestroy();
  System& system = System::Get();
  system.KillTimers(this);
  if (peer() != nullptr) system.backend().Detach(*this);
  system.TopLevelGone(this);
  // Children go first so that nothing of theirs outlives the call (a library may be unloaded
  // right after its dialog returned).
  while (!children_.empty()) {
    children_.back().reset();
    children_.pop_back();
  }
  bindings_.clear();
  tooltip_rects_.clear();
  Show(false);
  built_ = false;
}

namespace {

// First visible, enabled control that takes the focus, in template order.
Window* FirstFocusable(Window& dialog) {
  for (const auto& child : dialog.children()) {
    auto* control = dynamic_cast<Control*>(child.get());
    if (control == nullptr || !control->visible() || !control->enabled()) continue;
    switch (control->kind()) {
      case ControlKind::kStatic:
      case ControlKind::kGroupBox:
      case ControlKind::kPicture:
      case ControlKind::kCustom:
        continue;
      default:
        if (!control->has_style(kStyleNoTabStop)) return control;
    }
  }
  return nullptr;
}

}  // namespace

int Dialog::DoModal() {
  if (built_) return -1;
  System& system = System::Get();
  // The control that has the focus now (in the owner, or in whichever window had it) gets it
  // back when the dialog closes, and its window the keyboard, as on every desktop.
  const System::KeyboardHolder holder = system.HolderOfKeyboard(owner_);
  bool shown = false;
  Build();
  const bool owner_was_enabled = owner_ != nullptr && owner_->enabled();
  if (owner_was_enabled) owner_->Enable(false);
  system.PushModal(this);
  const bool focus_default = OnInitDialog();
  if (!ending_) {
    Window* focus = system.focus();
    if (focus_default && (focus == nullptr || focus->TopLevel() != this)) {
      if (Window* first = FirstFocusable(*this)) first->SetFocus();
    }
    Show(true);
    system.TopLevelShown(this);
    system.backend().Attach(*this);
    shown = true;
    while (!ending_ && !system.aborting()) system.PumpOnce();
  }
  const int result = ending_ ? result_ : -1;
  system.PopModal(this);
  if (owner_was_enabled) owner_->Enable(true);
  Teardown();
  // A control that took the focus meanwhile (the dialog's own code may have placed it) keeps it.
  if (system.focus() == nullptr) {
    system.GiveKeyboardBack(holder);
  } else if (shown && system.focus()->TopLevel()->IsShown()) {
    system.backend().Activate(*system.focus()->TopLevel());
  }
  if (system.modal_stack().empty()) system.set_aborting(false);
  return result;
}

bool Dialog::Create() {
  if (built_) return false;
  Build();
  Window* focus = System::Get().focus();
  if (OnInitDialog() && (focus == nullptr || focus->TopLevel() != this)) {
    if (Window* first = FirstFocusable(*this)) first->SetFocus();
  }
  Show(true);
  System::Get().TopLevelShown(this);
  System::Get().backend().Attach(*this);
  return true;
}

void Dialog::Destroy() {
  if (built_) Teardown();
}

void Dialog::EndDialog(int result) {
  result_ = result;
  ending_ = true;
  System::Get().backend().Wake();
}

void Dialog::Bind(int id, Notice notice, std::function<void()> handler) {
  bindings_.push_back(Binding{id, notice, std::move(handler)});
}

bool Dialog::TranslateAccelerator(const KeyEvent& event) {
  if (event.kind != KeyEvent::Kind::kDown) return false;
  const uint8_t mods = event.modifiers & (kModShift | kModCtrl | kModAlt);
  for (const Accelerator& accelerator : accelerators_) {
    if (accelerator.key == event.key && accelerator.modifiers == mods) {
      OnCommand(accelerator.command, Notice::kClicked);
      return true;
    }
  }
  return false;
}

void Dialog::AddTooltipRect(const Rect& rect, std::string_view utf8) {
  tooltip_rects_.push_back(TooltipRect{rect, std::string(utf8)});
}

std::string Dialog::TooltipAt(Point p) const {
  for (const TooltipRect& tip : tooltip_rects_) {
    if (tip.rect.Contains(p)) return tip.text;
  }
  Point local;
  Window* hit = System::Get().HitWindow(const_cast<Dialog&>(*this), p, &local);
  return hit != nullptr ? hit->tooltip() : std::string();
}

void Dialog::CenterWindow() {
  // Over the owner; a dialog without one (a library's) belongs to the window that is active
  // when it opens, and with no window at all it is centred on the screen.
  System& system = System::Get();
  const Window* over = owner_;
  const auto& modal = system.modal_stack();
  for (auto it = modal.rbegin(); over == nullptr && it != modal.rend(); ++it) {
    if (*it != this) over = *it;
  }
  if (over == nullptr && system.Active() != this) over = system.Active();
  Rect screen = system.backend().ScreenArea(Point{0, 0});
  Rect area = screen;
  if (over != nullptr) {
    area = over->ScreenRect();
    screen = system.backend().ScreenArea(
        Point{area.left + area.width() / 2, area.top + area.height() / 2});
  }
  const Rect centred = KeepInside(Rect::FromSize(area.left + (area.width() - rect().width()) / 2,
                                                 area.top + (area.height() - rect().height()) / 2,
                                                 rect().width(), rect().height()),
                                  screen);
  MoveTo(Point{centred.left, centred.top});
}

void Dialog::SetForeground() {
  System& system = System::Get();
  system.TopLevelShown(this);
  Changed();
  if (peer() != nullptr) system.backend().Activate(*this);
}

void Dialog::OnCommand(int id, Notice notice) {
  bool handled = false;
  // Copy: a handler may bind or end the dialog.
  std::vector<std::function<void()>> handlers;
  for (const Binding& binding : bindings_) {
    if (binding.id == id && binding.notice == notice) handlers.push_back(binding.handler);
  }
  for (auto& handler : handlers) {
    handler();
    handled = true;
  }
  if (handled || notice != Notice::kClicked) return;
  if (id == kIdOk) {
    OnOK();
  } else if (id == kIdCancel) {
    OnCancel();
  }
}

void Dialog::OnPaint(Canvas& canvas) { canvas.FillRect(client_rect(), colors::kButtonFace); }

bool Dialog::PreTranslateKey(const KeyEvent& event, Window*) { return TranslateAccelerator(event); }

bool Dialog::PreTranslateMouse(const MouseEvent&, Window*) { return false; }

}  // namespace vtr::platform
