#include "platform/window/window.h"

#include <algorithm>

#include "platform/window/internal/system.h"

namespace vtr::platform {

using internal::System;

Window::Window() : font_(DefaultDialogFont()) { handle_ = System::Get().Register(this); }

Window::~Window() {
  children_.clear();
  System::Get().Unregister(this);
}

Window* Window::FromHandle(void* handle) { return System::Get().Lookup(handle); }

Window* Window::TopLevel() {
  Window* w = this;
  while (w->parent_ != nullptr) w = w->parent_;
  return w;
}

Window* Window::Child(int id) const {
  for (const auto& child : children_) {
    if (child->id_ == id) return child.get();
  }
  for (const auto& child : children_) {
    if (Window* found = child->Child(id)) return found;
  }
  return nullptr;
}

void Window::SetRect(const Rect& rect) {
  if (rect == rect_) return;
  rect_ = rect;
  Changed();
}

Point Window::ClientToScreen(Point p) const {
  for (const Window* w = this; w != nullptr; w = w->parent_) {
    p.x += w->rect_.left;
    p.y += w->rect_.top;
  }
  return p;
}

Point Window::ScreenToClient(Point p) const {
  const Point origin = ClientToScreen(Point{0, 0});
  return Point{p.x - origin.x, p.y - origin.y};
}

Rect Window::ScreenRect() const {
  const Point origin = ClientToScreen(Point{0, 0});
  return Rect::FromSize(origin.x, origin.y, rect_.width(), rect_.height());
}

void Window::Show(bool show) {
  if (visible_ == show) return;
  visible_ = show;
  if (!show) {
    System& system = System::Get();
    if (system.capture() == this) system.ReleaseCapture();
  }
  Changed();
}

bool Window::IsShown() const {
  for (const Window* w = this; w != nullptr; w = w->parent_) {
    if (!w->visible_) return false;
  }
  return true;
}

namespace {

// Tells the backend that `w`'s children changed too: they show their parent's state.
void ChildrenChanged(Window& w) {
  for (const auto& child : w.children()) {
    child->Changed();
    ChildrenChanged(*child);
  }
}

}  // namespace

void Window::Enable(bool enable) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  Changed();
  // A control of a disabled dialog is disabled too, and comes back with the dialog.
  ChildrenChanged(*this);
}

bool Window::IsEnabled() const {
  for (const Window* w = this; w != nullptr; w = w->parent_) {
    if (!w->enabled_) return false;
  }
  return true;
}

void Window::SetText(std::string_view utf8) {
  if (text_ == utf8) return;
  text_ = std::string(utf8);
  Changed();
}

void Window::ReplaceText(size_t start, size_t length, std::string_view utf8) {
  text_.replace(start, length, utf8);
  Changed();
}

void Window::SetFont(const Font& font) {
  font_ = font;
  Changed();
}

void Window::SetFocus() { System::Get().SetFocus(this); }

bool Window::HasFocus() const { return System::Get().focus() == this; }

void Window::Invalidate() {
  if (peer_) peer_->Repaint();
}

void Window::SetShape(Region region) {
  shape_ = std::move(region);
  Changed();
}

bool Window::HitTest(Point p) const {
  if (!client_rect().Contains(p)) return false;
  return shape_.empty() || shape_.Contains(p);
}

void Window::SetTooltip(std::string_view utf8) {
  tooltip_ = std::string(utf8);
  Changed();
}

void Window::SetTimer(int timer_id, int period_ms) {
  System::Get().SetTimer(this, timer_id, period_ms);
}

void Window::KillTimer(int timer_id) { System::Get().KillTimer(this, timer_id); }

void Window::OnPaint(Canvas&) {}

bool Window::OnMouse(const MouseEvent&) { return false; }

bool Window::OnKey(const KeyEvent&) { return false; }

Window* Window::AddChild(std::unique_ptr<Window> child, int id, const Rect& rect) {
  child->parent_ = this;
  child->id_ = id;
  child->rect_ = rect;
  children_.push_back(std::move(child));
  return children_.back().get();
}

Window* Window::ReplaceChild(int id, std::unique_ptr<Window> replacement) {
  for (auto& child : children_) {
    if (child->id_ != id) continue;
    replacement->parent_ = this;
    replacement->id_ = id;
    replacement->rect_ = child->rect_;
    replacement->visible_ = child->visible_;
    replacement->enabled_ = child->enabled_;
    if (replacement->text_.empty()) replacement->text_ = child->text_;
    replacement->font_ = child->font_;
    replacement->tooltip_ = child->tooltip_;
    const bool had_focus = child->HasFocus();
    Window* top = TopLevel();
    System& system = System::Get();
    std::unique_ptr<Window> old = std::move(child);
    child = std::move(replacement);
    old.reset();
    if (had_focus) system.SetFocus(child.get());
    if (top->peer_ != nullptr) {
      // The backend rebuilds its view of the dialog.
      system.backend().Detach(*top);
      system.backend().Attach(*top);
    }
    return child.get();
  }
  return nullptr;
}

void Window::set_peer(std::unique_ptr<internal::Peer> peer) { peer_ = std::move(peer); }

void Window::Changed() {
  if (peer_) peer_->Sync();
}

}  // namespace vtr::platform
