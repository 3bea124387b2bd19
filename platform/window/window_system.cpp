#include "platform/window/window_system.h"

#include <algorithm>
#include <chrono>

#include "platform/process.h"
#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/internal/system.h"

namespace vtr::platform {
namespace internal {
namespace {

// The backend before any is chosen and when no display exists: no windows to show, no user to
// wait for; every loop ends at once (a dialog returns -1, a box its cancel answer).
class NoDisplayBackend : public Backend {
 public:
  void Attach(Window&) override {}
  void Detach(Window&) override {}
  void WaitForInput(int64_t) override { System::Get().set_aborting(true); }
  void Wake() override {}
  int64_t NowMs() override {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  }
  int TrackPopupMenu(Window*, const Menu&, Point) override { return 0; }
  FileDialogResult ShowFileDialog(Window*, const FileDialogRequest&) override { return {}; }
  bool OpenDocument(std::string_view document) override { return platform::OpenDocument(document); }
  bool CanWait() override { return false; }
};

bool TakesFocusOnClick(const Window* w) {
  const auto* control = dynamic_cast<const Control*>(w);
  if (control == nullptr) return false;
  switch (control->kind()) {
    case ControlKind::kEdit:
    case ControlKind::kComboBox:
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
    case ControlKind::kRadioButton:
    case ControlKind::kTrackbar:
    case ControlKind::kListView:
    case ControlKind::kMenuButton:
      return true;
    default:
      return false;
  }
}

}  // namespace

System& System::Get() {
  static System* system = new System();  // lives as long as the process: windows of static
                                         // objects may still unregister at exit
  return *system;
}

Backend& System::backend() {
  if (backend_ == nullptr) {
    if (!UseFltkBackend()) {
      if (!default_backend_) default_backend_ = std::make_unique<NoDisplayBackend>();
      backend_ = default_backend_.get();
    }
  }
  return *backend_;
}

void System::Install(Backend* backend) { backend_ = backend; }

void* System::Register(Window* window) {
  const uintptr_t handle = next_handle_;
  next_handle_ += 0x10;
  windows_[handle] = window;
  // NOLINTNEXTLINE(performance-no-int-to-ptr): a handle is a number, never dereferenced
  return reinterpret_cast<void*>(handle);
}

void System::Unregister(Window* window) {
  windows_.erase(reinterpret_cast<uintptr_t>(window->handle()));
  Forget(window);
}

Window* System::Lookup(void* handle) const {
  auto it = windows_.find(reinterpret_cast<uintptr_t>(handle));
  return it == windows_.end() ? nullptr : it->second;
}

void System::Forget(Window* window) {
  KillTimers(window);
  if (capture_ == window) capture_ = nullptr;
  if (focus_ == window) focus_ = nullptr;
  if (hover_ == window) hover_ = nullptr;
  std::erase(modal_, window);
  std::erase(tops_, window);
}

void System::Post(void* handle, int command_id) {
  {
    std::lock_guard<std::mutex> lock(post_mutex_);
    posts_.emplace_back(handle, command_id);
    ++posted_total_;
  }
  post_cv_.notify_all();
  if (backend_ != nullptr) backend_->Wake();
}

bool System::WaitForPosts(uint64_t count, int64_t timeout_ms) {
  std::unique_lock<std::mutex> lock(post_mutex_);
  return post_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                           [&] { return posted_total_ >= count; });
}

uint64_t System::posted_total() const {
  std::lock_guard<std::mutex> lock(post_mutex_);
  return posted_total_;
}

void System::DeliverPosts() {
  while (true) {
    std::pair<void*, int> post;
    {
      std::lock_guard<std::mutex> lock(post_mutex_);
      if (posts_.empty()) return;
      post = posts_.front();
      posts_.pop_front();
    }
    if (Window* window = Lookup(post.first)) window->OnCommand(post.second, Notice::kClicked);
  }
}

void System::SetTimer(Window* window, int timer_id, int period_ms) {
  period_ms = std::max(period_ms, 1);
  const int64_t now = backend().NowMs();
  for (Timer& timer : timers_) {
    if (timer.handle == window->handle() && timer.id == timer_id) {
      timer.period = period_ms;
      timer.due = now + period_ms;
      return;
    }
  }
  timers_.push_back(Timer{window->handle(), timer_id, period_ms, now + period_ms});
}

void System::KillTimer(Window* window, int timer_id) {
  std::erase_if(timers_,
                [&](const Timer& t) { return t.handle == window->handle() && t.id == timer_id; });
}

void System::KillTimers(Window* window) {
  std::erase_if(timers_, [&](const Timer& t) { return t.handle == window->handle(); });
}

std::optional<int64_t> System::NextDue() const {
  std::optional<int64_t> next;
  for (const Timer& timer : timers_) {
    if (!next || timer.due < *next) next = timer.due;
  }
  return next;
}

void System::FireDueTimers(int64_t now) {
  // Each timer fires at most once per call; a timer that fell behind (a long handler) catches
  // up to the next period after now instead of firing in a burst.
  std::vector<std::pair<void*, int>> fired;
  while (true) {
    Timer* next = nullptr;
    for (Timer& timer : timers_) {
      if (timer.due > now) continue;
      if (std::find(fired.begin(), fired.end(), std::make_pair(timer.handle, timer.id)) !=
          fired.end())
        continue;
      if (next == nullptr || timer.due < next->due) next = &timer;
    }
    if (next == nullptr) return;
    next->due += next->period;
    if (next->due <= now) next->due = now + next->period - (now - next->due) % next->period;
    const void* handle = next->handle;
    const int id = next->id;
    fired.emplace_back(next->handle, next->id);
    if (Window* window = Lookup(const_cast<void*>(handle))) window->OnTimer(id);
  }
}

void System::PumpOnce() {
  Backend& b = backend();
  DeliverPosts();
  FireDueTimers(b.NowMs());
  DeliverPosts();
  int64_t timeout = -1;
  if (std::optional<int64_t> due = NextDue()) timeout = std::max<int64_t>(0, *due - b.NowMs());
  b.WaitForInput(timeout);
  DeliverPosts();
}

void System::PopModal(Window* window) {
  auto it = std::find(modal_.rbegin(), modal_.rend(), window);
  if (it != modal_.rend()) modal_.erase(std::next(it).base());
}

Window* System::Active() const {
  if (!modal_.empty()) return modal_.back();
  for (auto it = tops_.rbegin(); it != tops_.rend(); ++it) {
    if ((*it)->visible()) return *it;
  }
  return nullptr;
}

void System::TopLevelShown(Window* window) {
  std::erase(tops_, window);
  tops_.push_back(window);
}

void System::TopLevelGone(Window* window) {
  if (capture_ != nullptr && capture_->TopLevel() == window) ReleaseCapture();
  if (focus_ != nullptr && focus_->TopLevel() == window) focus_ = nullptr;
  if (hover_ != nullptr && hover_->TopLevel() == window) hover_ = nullptr;
  std::erase(tops_, window);
}

Window* System::HitWindow(Window& top, Point p, Point* local) const {
  Window* w = &top;
  Point q = p;
  while (true) {
    Window* hit = nullptr;
    const auto& children = w->children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      Window* child = it->get();
      if (!child->visible()) continue;
      const Point in_child{q.x - child->rect().left, q.y - child->rect().top};
      if (child->HitTest(in_child)) {
        hit = child;
        q = in_child;
        break;
      }
    }
    if (hit == nullptr) break;
    w = hit;
  }
  if (local != nullptr) *local = q;
  return w;
}

namespace {

// True when input for `top` may be delivered now: no modal loop runs, or `top` is the window of
// the innermost one.
bool AcceptsInput(const System& system, Window& top) {
  const auto& modal = system.modal_stack();
  if (!modal.empty() && modal.back() != &top) return false;
  return top.IsEnabled() && top.IsShown();
}

Dialog* AsDialog(Window* w) { return dynamic_cast<Dialog*>(w); }

}  // namespace

void System::DispatchMouse(Window& top, MouseEvent event) {
  event.screen = top.ClientToScreen(event.point);
  if (cursor_clip_) {
    event.screen.x = std::clamp(event.screen.x, cursor_clip_->left, cursor_clip_->right - 1);
    event.screen.y = std::clamp(event.screen.y, cursor_clip_->top, cursor_clip_->bottom - 1);
  }
  cursor_pos_ = event.screen;
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft)
    keys_down_.insert(-1);
  if (event.kind == MouseEvent::Kind::kUp && event.button == MouseButton::kLeft)
    keys_down_.erase(-1);
  event.left_down = keys_down_.count(-1) > 0;
  if (event.modifiers == 0) event.modifiers = modifiers();

  Window* target = nullptr;
  Point local;
  if (capture_ != nullptr) {
    target = capture_;
    local = capture_->ScreenToClient(event.screen);
  } else {
    if (!AcceptsInput(*this, top)) return;
    const Point top_local = top.ScreenToClient(event.screen);
    target = HitWindow(top, top_local, &local);
    if (!target->IsEnabled()) target = nullptr;
  }
  if (event.kind == MouseEvent::Kind::kMove || event.kind == MouseEvent::Kind::kDown) {
    if (target != hover_) {
      Window* old = hover_;
      hover_ = target;
      if (old != nullptr) old->OnMouseLeave();
      if (hover_ != nullptr) hover_->OnMouseEnter();
    }
  }
  if (target == nullptr) return;
  event.point = local;
  for (Window* w = target; w != nullptr; w = w->parent()) {
    if (Dialog* dialog = AsDialog(w)) {
      if (dialog->PreTranslateMouse(event, target)) return;
    }
  }
  if (Lookup(target->handle()) == nullptr) return;
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft &&
      TakesFocusOnClick(target) && focus_ != target) {
    SetFocus(target);
  }
  Window* receiver = target;
  MouseEvent forwarded = event;
  while (receiver != nullptr) {
    void* const alive = receiver->handle();
    if (receiver->OnMouse(forwarded)) break;
    // A window that makes nothing of a double click takes it as the press it also is, so
    // quick clicks on arrows and tracks all count.
    if (forwarded.kind == MouseEvent::Kind::kDoubleClick) {
      if (Lookup(alive) == nullptr) break;
      forwarded.kind = MouseEvent::Kind::kDown;
      continue;
    }
    // Unused wheel turns go up to the parent.
    if (event.kind != MouseEvent::Kind::kWheel || receiver->parent() == nullptr) break;
    forwarded.point =
        Point{forwarded.point.x + receiver->rect().left, forwarded.point.y + receiver->rect().top};
    receiver = receiver->parent();
  }
  if (Lookup(target->handle()) != nullptr) UpdateCursor(target, event.point);
}

void System::DispatchLeave(Window& top) {
  if (capture_ != nullptr || hover_ == nullptr || hover_->TopLevel() != &top) return;
  Window* old = hover_;
  hover_ = nullptr;
  old->OnMouseLeave();
}

void System::UpdateCursor(Window* over, Point local) {
  Cursor shape = Cursor::kArrow;
  if (over != nullptr) {
    std::optional<Cursor> asked = over->OnSetCursor(local);
    shape = asked ? *asked : over->cursor_shape();
  }
  if (wait_count_ > 0) shape = Cursor::kWait;
  if (shape != cursor_) {
    cursor_ = shape;
    backend().CursorChanged(shape);
  }
}

void System::AddWait(int delta) {
  wait_count_ = std::max(0, wait_count_ + delta);
  const Cursor shape = wait_count_ > 0 ? Cursor::kWait : Cursor::kArrow;
  if (shape != cursor_) {
    cursor_ = shape;
    backend().CursorChanged(shape);
  }
}

void System::set_cursor_pos(Point p) {
  if (cursor_clip_) {
    p.x = std::clamp(p.x, cursor_clip_->left, cursor_clip_->right - 1);
    p.y = std::clamp(p.y, cursor_clip_->top, cursor_clip_->bottom - 1);
  }
  cursor_pos_ = p;
  backend().MoveCursor(p);
}

void System::DeliverPaste(void* handle, std::string_view utf8) {
  if (auto* edit = dynamic_cast<Edit*>(Lookup(handle))) edit->ReceivePaste(utf8);
}

bool System::IsKeyDown(int key) const {
  if (backend_ != nullptr) {
    if (std::optional<bool> held = backend_->KeyHeld(key)) return *held;
  }
  return keys_down_.count(key) > 0;
}

uint8_t System::modifiers() const {
  uint8_t m = 0;
  if (IsKeyDown(kKeyShift)) m |= kModShift;
  if (IsKeyDown(kKeyControl)) m |= kModCtrl;
  if (IsKeyDown(kKeyAlt)) m |= kModAlt;
  return m;
}

bool System::DispatchKey(KeyEvent event) {
  if (event.kind == KeyEvent::Kind::kDown) keys_down_.insert(event.key);
  if (event.kind == KeyEvent::Kind::kUp) keys_down_.erase(event.key);
  event.modifiers |= modifiers();
  Window* active = Active();
  if (active == nullptr) return false;
  Window* target = focus_;
  if (target == nullptr || target->TopLevel() != active) target = active;
  if (!AcceptsInput(*this, *active)) return false;
  for (Window* w = target; w != nullptr; w = w->parent()) {
    if (Dialog* dialog = AsDialog(w)) {
      if (dialog->PreTranslateKey(event, target)) return true;
    }
  }
  if (Lookup(target->handle()) == nullptr) return true;
  if (target != active && target->IsEnabled() && target->OnKey(event)) return true;
  // What the dialog itself does with a key nobody used.
  Dialog* dialog = AsDialog(active);
  if (dialog == nullptr || event.kind != KeyEvent::Kind::kDown) {
    return target == active && active->OnKey(event);
  }
  if (event.key == kKeyReturn) {
    int id = dialog->default_id();
    Window* button = id != 0 ? dialog->Item(id) : nullptr;
    if (id == 0) id = kIdOk;
    if (button == nullptr || button->IsEnabled()) dialog->OnCommand(id, Notice::kClicked);
    return true;
  }
  if (event.key == kKeyEscape) {
    dialog->OnCommand(kIdCancel, Notice::kClicked);
    return true;
  }
  return target == active && active->OnKey(event);
}

void System::DispatchDrop(Window& top, const std::vector<std::string>& files) {
  if (!AcceptsInput(*this, top) || !top.accepts_files() || files.empty()) return;
  top.OnDropFiles(files);
}

void System::SetCapture(Window* window) {
  if (capture_ == window) return;
  Window* old = capture_;
  capture_ = window;
  if (old != nullptr) old->OnCaptureLost();
}

void System::ReleaseCapture() {
  Window* old = capture_;
  capture_ = nullptr;
  if (old != nullptr) old->OnCaptureLost();
}

void System::SetFocus(Window* window) {
  if (focus_ == window) return;
  Window* old = focus_;
  focus_ = window;
  if (old != nullptr) {
    old->OnFocus(false);
    old->Changed();
  }
  if (focus_ == window && window != nullptr) {
    window->OnFocus(true);
    window->Changed();
  }
}

System::KeyboardHolder System::HolderOfKeyboard(Window* owner) const {
  KeyboardHolder holder;
  Window* top = owner != nullptr ? owner->TopLevel() : Active();
  if (focus_ != nullptr) {
    holder.focus = focus_->handle();
    top = focus_->TopLevel();
  }
  if (top != nullptr) holder.top = top->handle();
  return holder;
}

void System::GiveKeyboardBack(const KeyboardHolder& holder) {
  Window* focus = Lookup(holder.focus);
  Window* top = focus != nullptr ? focus->TopLevel() : Lookup(holder.top);
  if (top == nullptr) top = Active();
  if (focus != nullptr && focus != focus_ && focus->IsShown() && focus->IsEnabled())
    SetFocus(focus);
  if (top != nullptr && top->IsShown() && has_backend()) backend().Activate(*top);
}

}  // namespace internal

using internal::System;

void PostCommand(void* window, int command_id) { System::Get().Post(window, command_id); }

static std::string& TitleStore() {
  static std::string* title = new std::string("Voxtrel");
  return *title;
}

void SetApplicationTitle(std::string_view utf8) { TitleStore() = std::string(utf8); }

const std::string& ApplicationTitle() { return TitleStore(); }

int TrackPopupMenu(Window* owner, const Menu& menu, Point at) {
  System& system = System::Get();
  if (system.capture() != nullptr) system.ReleaseCapture();
  const System::KeyboardHolder holder = system.HolderOfKeyboard(owner);
  const int chosen = system.backend().TrackPopupMenu(owner, menu, at);
  system.GiveKeyboardBack(holder);
  return menu.IsSelectable(chosen) ? chosen : 0;
}

FileDialogResult ShowFileDialog(Window* owner, const FileDialogRequest& request) {
  System& system = System::Get();
  const System::KeyboardHolder holder = system.HolderOfKeyboard(owner);
  FileDialogResult result = system.backend().ShowFileDialog(owner, request);
  system.GiveKeyboardBack(holder);
  return result;
}

bool OpenInBrowser(std::string_view document) {
  return System::Get().backend().OpenDocument(document);
}

void SetCapture(Window* window) { System::Get().SetCapture(window); }
void ReleaseCapture() { System::Get().ReleaseCapture(); }
Window* GetCapture() { return System::Get().capture(); }

void ClipCursor(const Rect* screen_rect) {
  System& system = System::Get();
  const std::optional<Rect> clip = screen_rect ? std::optional<Rect>(*screen_rect) : std::nullopt;
  system.set_cursor_clip(clip);
  if (system.has_backend()) system.backend().ClipCursor(clip);
}
Point CursorPos() { return System::Get().cursor_pos(); }
void SetCursorPos(Point screen) { System::Get().set_cursor_pos(screen); }

bool IsKeyDown(int key) { return System::Get().IsKeyDown(key); }

WaitCursor::WaitCursor() { System::Get().AddWait(1); }
WaitCursor::~WaitCursor() { System::Get().AddWait(-1); }

Cursor CurrentCursor() { return System::Get().cursor(); }

void SetClipboardText(std::string_view utf8) {
  System::Get().backend().CopyToClipboard(std::string(utf8));
}

void PumpUntil(const std::function<bool()>& done) {
  System& system = System::Get();
  while (!done() && !system.aborting()) system.PumpOnce();
}

}  // namespace vtr::platform
