#include "platform/window/headless.h"

#include <deque>
#include <set>

#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/internal/message_box_dialog.h"
#include "platform/window/internal/system.h"

namespace vtr::platform {
namespace internal {

class HeadlessBackend : public Backend {
 public:
  enum class StepKind { kAction, kMenu, kFile };
  struct Step {
    StepKind kind = StepKind::kAction;
    std::string name;
    std::function<void()> action;
    int command = 0;
    std::string path;
    int filter_index = 1;
  };

  void Attach(Window&) override {}
  void Detach(Window&) override {}

  void WaitForInput(int64_t) override {
    if (steps_.empty()) {
      Error("a message loop waits but the user has no steps left");
      System::Get().set_aborting(true);
      return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.kind != StepKind::kAction) {
      Error("step '" + step.name + "' found no menu or file dialog showing");
      return;
    }
    step.action();
  }

  void Wake() override {}
  int64_t NowMs() override { return now_; }
  std::optional<bool> KeyHeld(int key) override { return held_.count(key) > 0; }

  // The key goes down or up on the keyboard, then the window system hears of it.
  void Press(int key, bool down) {
    if (down) {
      held_.insert(key);
    } else {
      held_.erase(key);
    }
    System::Get().DispatchKey(
        KeyEvent{down ? KeyEvent::Kind::kDown : KeyEvent::Kind::kUp, key, 0, 0});
  }

  int TrackPopupMenu(Window*, const Menu& menu, Point at) override {
    ShownMenu shown{menu, at, 0};
    if (!steps_.empty() && steps_.front().kind == StepKind::kMenu) {
      shown.chosen = steps_.front().command;
      steps_.pop_front();
    } else {
      Error("a popup menu showed but the next step does not choose from it");
    }
    menus_.push_back(shown);
    return shown.chosen;
  }

  FileDialogResult ShowFileDialog(Window*, const FileDialogRequest& request) override {
    file_dialogs_.push_back(request);
    FileDialogResult result;
    if (!steps_.empty() && steps_.front().kind == StepKind::kFile) {
      result.ok = !steps_.front().path.empty();
      result.path = steps_.front().path;
      result.filter_index = steps_.front().filter_index;
      steps_.pop_front();
    } else {
      Error("a file dialog showed but the next step does not answer it");
    }
    return result;
  }

  bool OpenDocument(std::string_view document) override {
    documents_.emplace_back(document);
    return browser_;
  }

  void MessageBoxShown(Window&, std::string_view text, std::string_view caption,
                       uint32_t style) override {
    boxes_.push_back(
        ShownMessageBox{std::string(text), std::string(caption), style, 0, System::Get().cursor()});
    open_boxes_.push_back(boxes_.size() - 1);
  }

  void MessageBoxAnswered(int answer) override {
    if (open_boxes_.empty()) return;
    boxes_[open_boxes_.back()].answer = answer;
    open_boxes_.pop_back();
  }

  void CopyToClipboard(const std::string& utf8) override { clipboard_ = utf8; }

  void Activate(Window& top) override { activations_.push_back(top.handle()); }

  // The desktop answers at once unless the test holds its answers back, as X may take a while.
  void RequestClipboard(Window& receiver) override {
    if (clipboard_.empty()) return;
    if (hold_pastes_) {
      held_pastes_.emplace_back(receiver.handle(), clipboard_);
      return;
    }
    System::Get().DeliverPaste(receiver.handle(), clipboard_);
  }

  void Error(std::string what) { errors_.push_back(std::move(what)); }

  void Add(std::string name, std::function<void()> action) {
    Step step;
    step.name = std::move(name);
    step.action = std::move(action);
    steps_.push_back(std::move(step));
  }

  // The control `id` of the active window (the window itself for 0), or nullptr with an error.
  Window* Target(const std::string& step, int id) {
    Window* active = System::Get().Active();
    if (active == nullptr) {
      Error(step + ": no window is active");
      return nullptr;
    }
    if (id == 0) return active;
    Window* target = active->Child(id);
    if (target == nullptr) Error(step + ": the active window has no control " + std::to_string(id));
    return target;
  }

  void Mouse(const std::string& step, int id, MouseEvent event) {
    Window* target = Target(step, id);
    if (target == nullptr) return;
    Window* top = target->TopLevel();
    event.point = top->ScreenToClient(target->ClientToScreen(event.point));
    System::Get().DispatchMouse(*top, event);
  }

  std::deque<Step> steps_;
  std::set<int> held_;  // keys down on the scripted keyboard
  int64_t now_ = 0;
  uint64_t post_base_ = System::Get().posted_total();
  uint64_t post_waits_ = 0;
  std::vector<ShownMessageBox> boxes_;
  std::vector<size_t> open_boxes_;
  std::vector<ShownMenu> menus_;
  std::vector<FileDialogRequest> file_dialogs_;
  std::vector<std::string> documents_;
  bool browser_ = true;
  std::vector<std::string> errors_;
  std::vector<void*> activations_;
  std::string clipboard_;  // the desktop's clipboard, shared with every other program
  bool hold_pastes_ = false;
  std::vector<std::pair<void*, std::string>> held_pastes_;  // answers not yet delivered
};

}  // namespace internal

using internal::HeadlessBackend;
using internal::System;

namespace {

Point Middle(const Window& w) { return Point{w.rect().width() / 2, w.rect().height() / 2}; }

std::u32string DecodeUtf8(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    char32_t value = extra == 0   ? c
                     : extra == 1 ? (c & 0x1F)
                     : extra == 2 ? (c & 0x0F)
                                  : (c & 0x07);
    ++i;
    for (int k = 0; k < extra && i < s.size(); ++k, ++i)
      value = (value << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
    out.push_back(value);
  }
  return out;
}

}  // namespace

ScriptedUser& ScriptedUser::Click(int id) {
  HeadlessBackend* b = backend_;
  b->Add("click " + std::to_string(id), [b, id] {
    Window* target = b->Target("click", id);
    if (target == nullptr) return;
    if (!target->IsShown() || !target->IsEnabled()) {
      b->Error("click: control " + std::to_string(id) + " is hidden or disabled");
      return;
    }
    const Point p = Middle(*target);
    b->Mouse("click", id, MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, p));
    if (System::Get().Lookup(target->handle()) == nullptr) return;
    b->Mouse("click", id, MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, p));
  });
  return *this;
}

ScriptedUser& ScriptedUser::ClickArrow(int id) {
  HeadlessBackend* b = backend_;
  b->Add("arrow " + std::to_string(id), [b, id] {
    auto* button = dynamic_cast<MenuButton*>(b->Target("arrow", id));
    if (button == nullptr) {
      b->Error("arrow: control " + std::to_string(id) + " is no menu button");
      return;
    }
    const Rect a = button->arrow_part();
    const Point p{(a.left + a.right) / 2, (a.top + a.bottom) / 2};
    b->Mouse("arrow", id, MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, p));
    b->Mouse("arrow", id, MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, p));
  });
  return *this;
}

ScriptedUser& ScriptedUser::Type(int id, std::string_view utf8) {
  HeadlessBackend* b = backend_;
  std::u32string chars = DecodeUtf8(utf8);
  b->Add("type " + std::to_string(id), [b, id, chars] {
    Window* target = b->Target("type", id);
    if (target == nullptr) return;
    target->SetFocus();
    for (char32_t c : chars) {
      KeyEvent event;
      event.kind = KeyEvent::Kind::kChar;
      event.ch = c;
      System::Get().DispatchKey(event);
    }
  });
  return *this;
}

ScriptedUser& ScriptedUser::Key(int key, uint8_t modifiers) {
  HeadlessBackend* b = backend_;
  b->Add("key " + std::to_string(key), [b, key, modifiers] {
    const int held[] = {kKeyShift, kKeyControl, kKeyAlt};
    const uint8_t bits[] = {kModShift, kModCtrl, kModAlt};
    for (int i = 0; i < 3; ++i) {
      if (modifiers & bits[i]) b->Press(held[i], true);
    }
    b->Press(key, true);
    b->Press(key, false);
    for (int i = 2; i >= 0; --i) {
      if (modifiers & bits[i]) b->Press(held[i], false);
    }
  });
  return *this;
}

ScriptedUser& ScriptedUser::KeyDown(int key) {
  HeadlessBackend* b = backend_;
  b->Add("key down", [b, key] { b->Press(key, true); });
  return *this;
}

ScriptedUser& ScriptedUser::KeyUp(int key) {
  HeadlessBackend* b = backend_;
  b->Add("key up", [b, key] { b->Press(key, false); });
  return *this;
}

ScriptedUser& ScriptedUser::ReleaseUnseen(int key) {
  HeadlessBackend* b = backend_;
  b->Add("release unseen", [b, key] { b->held_.erase(key); });
  return *this;
}

ScriptedUser& ScriptedUser::Focus(int id) {
  HeadlessBackend* b = backend_;
  b->Add("focus", [b, id] {
    if (Window* target = b->Target("focus", id)) target->SetFocus();
  });
  return *this;
}

ScriptedUser& ScriptedUser::Select(int id, int index) {
  HeadlessBackend* b = backend_;
  b->Add("select", [b, id, index] {
    Window* target = b->Target("select", id);
    if (auto* combo = dynamic_cast<ComboBox*>(target)) {
      combo->SetFocus();
      combo->UserSelect(index);
    } else if (auto* list = dynamic_cast<ListView*>(target)) {
      list->SetFocus();
      list->UserSelect(index);
    } else if (target != nullptr) {
      b->Error("select: control " + std::to_string(id) + " has no entries");
    }
  });
  return *this;
}

ScriptedUser& ScriptedUser::Scroll(int id, ScrollCode code, int pos) {
  HeadlessBackend* b = backend_;
  b->Add("scroll", [b, id, code, pos] {
    Window* target = b->Target("scroll", id);
    if (auto* bar = dynamic_cast<ScrollBar*>(target)) {
      bar->UserScroll(code, pos);
    } else if (auto* track = dynamic_cast<Trackbar*>(target)) {
      track->UserMove(code, pos);
    } else if (target != nullptr) {
      b->Error("scroll: control " + std::to_string(id) + " does not scroll");
    }
  });
  return *this;
}

ScriptedUser& ScriptedUser::Spin(int id, int delta) {
  HeadlessBackend* b = backend_;
  b->Add("spin", [b, id, delta] {
    auto* spin = dynamic_cast<platform::Spin*>(b->Target("spin", id));
    if (spin == nullptr) {
      b->Error("spin: control " + std::to_string(id) + " is no spin");
      return;
    }
    spin->UserStep(delta);
  });
  return *this;
}

ScriptedUser& ScriptedUser::MouseDown(int id, Point at, MouseButton button, uint8_t modifiers) {
  HeadlessBackend* b = backend_;
  b->Add("mouse down", [b, id, at, button, modifiers] {
    b->Mouse("mouse down", id, MouseEvent::At(MouseEvent::Kind::kDown, button, at, modifiers));
  });
  return *this;
}

ScriptedUser& ScriptedUser::MouseMove(int id, Point at, uint8_t modifiers) {
  HeadlessBackend* b = backend_;
  b->Add("mouse move", [b, id, at, modifiers] {
    b->Mouse("mouse move", id,
             MouseEvent::At(MouseEvent::Kind::kMove, MouseButton::kNone, at, modifiers));
  });
  return *this;
}

ScriptedUser& ScriptedUser::MouseUp(int id, Point at, MouseButton button) {
  HeadlessBackend* b = backend_;
  b->Add("mouse up", [b, id, at, button] {
    b->Mouse("mouse up", id, MouseEvent::At(MouseEvent::Kind::kUp, button, at));
  });
  return *this;
}

ScriptedUser& ScriptedUser::DoubleClick(int id, Point at) {
  HeadlessBackend* b = backend_;
  b->Add("double click", [b, id, at] {
    b->Mouse("double click", id,
             MouseEvent::At(MouseEvent::Kind::kDoubleClick, MouseButton::kLeft, at));
    b->Mouse("double click", id, MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, at));
  });
  return *this;
}

ScriptedUser& ScriptedUser::Wheel(int id, Point at, int delta) {
  HeadlessBackend* b = backend_;
  b->Add("wheel", [b, id, at, delta] {
    MouseEvent event = MouseEvent::At(MouseEvent::Kind::kWheel, MouseButton::kNone, at);
    event.wheel_delta = delta;
    b->Mouse("wheel", id, event);
  });
  return *this;
}

ScriptedUser& ScriptedUser::DropFiles(std::vector<std::string> paths) {
  HeadlessBackend* b = backend_;
  b->Add("drop files", [b, paths = std::move(paths)] {
    Window* active = b->Target("drop files", 0);
    if (active != nullptr) System::Get().DispatchDrop(*active, paths);
  });
  return *this;
}

ScriptedUser& ScriptedUser::ChooseMenuItem(int command) {
  HeadlessBackend::Step step;
  step.kind = HeadlessBackend::StepKind::kMenu;
  step.name = "choose menu item " + std::to_string(command);
  step.command = command;
  backend_->steps_.push_back(std::move(step));
  return *this;
}

ScriptedUser& ScriptedUser::Answer(int button) {
  HeadlessBackend* b = backend_;
  b->Add("answer " + std::to_string(button), [b, button] {
    auto* box = dynamic_cast<internal::MessageBoxDialog*>(System::Get().Active());
    if (box == nullptr) {
      b->Error("answer: no message box is showing");
      return;
    }
    auto* pressed = box->Item<Button>(button);
    if (pressed == nullptr) {
      b->Error("answer: the message box has no button " + std::to_string(button));
      return;
    }
    pressed->Activate();
  });
  return *this;
}

ScriptedUser& ScriptedUser::ChooseFile(std::string path, int filter_index) {
  HeadlessBackend::Step step;
  step.kind = HeadlessBackend::StepKind::kFile;
  step.name = "choose file";
  step.path = std::move(path);
  step.filter_index = filter_index;
  backend_->steps_.push_back(std::move(step));
  return *this;
}

ScriptedUser& ScriptedUser::Advance(int ms) {
  HeadlessBackend* b = backend_;
  b->Add("advance", [b, ms] {
    System& system = System::Get();
    const int64_t target = b->now_ + ms;
    while (true) {
      std::optional<int64_t> due = system.NextDue();
      if (!due || *due > target) break;
      b->now_ = std::max(b->now_, *due);
      system.FireDueTimers(b->now_);
      system.DeliverPosts();
    }
    b->now_ = target;
  });
  return *this;
}

ScriptedUser& ScriptedUser::WaitForPost() {
  HeadlessBackend* b = backend_;
  // The n-th wait of a session waits for the n-th command posted since the session began
  // (it may already have arrived and been delivered).
  const uint64_t count = b->post_base_ + ++b->post_waits_;
  b->Add("wait for post", [b, count] {
    if (!System::Get().WaitForPosts(count, 10000)) b->Error("wait for post: nothing was posted");
  });
  return *this;
}

ScriptedUser& ScriptedUser::LoseCapture() {
  backend_->Add("lose capture", [] { System::Get().ReleaseCapture(); });
  return *this;
}

ScriptedUser& ScriptedUser::Close() {
  HeadlessBackend* b = backend_;
  b->Add("close", [b] {
    if (Window* active = b->Target("close", 0)) active->OnCommand(kIdCancel, Notice::kClicked);
  });
  return *this;
}

ScriptedUser& ScriptedUser::Do(std::function<void()> check) {
  backend_->Add("do", std::move(check));
  return *this;
}

HeadlessSession::HeadlessSession()
    : backend_(std::make_unique<HeadlessBackend>()), user_(backend_.get()) {
  System::Get().Install(backend_.get());
  System::Get().set_aborting(false);
}

HeadlessSession::~HeadlessSession() {
  System::Get().Install(nullptr);
  System::Get().set_aborting(false);
  System::Get().ReleaseCapture();
  ClipCursor(nullptr);
}

int64_t HeadlessSession::now_ms() const { return backend_->now_; }
size_t HeadlessSession::steps_left() const { return backend_->steps_.size(); }
const std::vector<ShownMessageBox>& HeadlessSession::message_boxes() const {
  return backend_->boxes_;
}
const std::vector<ShownMenu>& HeadlessSession::menus() const { return backend_->menus_; }
const std::vector<FileDialogRequest>& HeadlessSession::file_dialogs() const {
  return backend_->file_dialogs_;
}
const std::vector<std::string>& HeadlessSession::opened_documents() const {
  return backend_->documents_;
}

void HeadlessSession::set_browser_present(bool present) { backend_->browser_ = present; }

const std::vector<void*>& HeadlessSession::activations() const { return backend_->activations_; }
const std::string& HeadlessSession::desktop_clipboard() const { return backend_->clipboard_; }
void HeadlessSession::CopyInAnotherProgram(std::string utf8) {
  backend_->clipboard_ = std::move(utf8);
}
void HeadlessSession::HoldPastes() { backend_->hold_pastes_ = true; }
void HeadlessSession::DeliverHeldPastes() {
  backend_->hold_pastes_ = false;
  auto held = std::move(backend_->held_pastes_);
  backend_->held_pastes_.clear();
  for (auto& [handle, text] : held) System::Get().DeliverPaste(handle, text);
}
const std::vector<std::string>& HeadlessSession::errors() const { return backend_->errors_; }

std::vector<std::string> HeadlessSession::Paint(Window& window) {
  RecordingCanvas canvas(window.client_rect());
  window.OnPaint(canvas);
  return canvas.Lines();
}

}  // namespace vtr::platform
