// Dialogs: a window built from a template, run modally or modeless.
//
// DoModal builds the controls (never earlier: a library that shows a dialog and is unloaded
// afterwards leaves nothing behind), calls OnInitDialog, shows the dialog, and runs a message
// loop until EndDialog; then it destroys the controls and returns the code. Loops nest: a
// message box inside a dialog inside a dialog runs its own loop, and timers and posted
// commands keep arriving in all of them.
//
// Keys pass the dialog's PreTranslateKey before the focused control sees them (the default
// runs the accelerator table); mouse events pass PreTranslateMouse. Commands reach
// OnCommand: handlers bound with Bind run first, then kIdOk calls OnOK and kIdCancel OnCancel.
// Enter presses the default button, Escape sends kIdCancel.
//
//   // given: DialogTemplate kAskTemplate
//   class AskDialog : public vtr::platform::Dialog {
//    public:
//     explicit AskDialog(const vtr::platform::DialogTemplate& t) : Dialog(t) {
//       Bind(179, vtr::platform::Notice::kChange, [this] {
//         Item(kIdOk)->Enable(!Item(179)->text().empty());
//       });
//     }
//    protected:
//     bool OnInitDialog() override { Item(179)->SetText(text_); return true; }
//     void OnOK() override { text_ = Item(179)->text(); EndDialog(vtr::platform::kIdOk); }
//    private:
//     std::string text_;
//   };
//   AskDialog dialog(kAskTemplate);
//   int result = dialog.DoModal();
#ifndef VTR_PLATFORM_WINDOW_DIALOG_H_
#define VTR_PLATFORM_WINDOW_DIALOG_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/controls.h"
#include "platform/window/dialog_template.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

namespace vtr::platform {

class Dialog : public Window {
 public:
  // `owner` is disabled while the dialog runs modally; nullptr for none.
  explicit Dialog(DialogTemplate dialog_template, Window* owner = nullptr);
  ~Dialog() override;

  // Runs the dialog modally; returns the EndDialog code, or -1 when it could not be built.
  [[nodiscard]] int DoModal();
  // Builds and shows the dialog without a loop of its own; false when already built.
  bool Create();
  // Destroys a modeless dialog's controls (OnDestroy first).
  void Destroy();
  // Ends the modal loop with `result` (the controls stay until the loop returns).
  void EndDialog(int result);
  bool built() const { return built_; }
  bool ending() const { return ending_; }

  const DialogTemplate& dialog_template() const { return template_; }
  Window* owner() const { return owner_; }
  void set_owner(Window* owner) { owner_ = owner; }

  // The control with id `id`, or nullptr (also for the wrong type).
  Window* Item(int id) const { return Child(id); }
  template <typename T>
  T* Item(int id) const {
    return dynamic_cast<T*>(Child(id));
  }

  // Runs `handler` when control `id` sends `notice` (before the default routing).
  void Bind(int id, Notice notice, std::function<void()> handler);

  void SetAccelerators(AcceleratorTable table) { accelerators_ = table; }
  // Sends the command of the accelerator matching a key-down, if any; true when one matched.
  bool TranslateAccelerator(const KeyEvent& event);

  // A tooltip over a rectangle of the dialog's client area.
  void AddTooltipRect(const Rect& rect, std::string_view utf8);
  // Tooltip text at a client point: a rectangle's, else the control's under it; empty if none.
  std::string TooltipAt(Point p) const;

  // Centres the dialog over its owner (without one, over the window active below it; with no
  // window at all, on the screen) and keeps it inside the screen. A new dialog opens so.
  void CenterWindow();
  // Brings the dialog to the front of the screen.
  void SetForeground();

  // The id of the default push button (Enter), 0 for none.
  int default_id() const { return default_id_; }
  void set_default_id(int id) { default_id_ = id; }

  void OnCommand(int id, Notice notice) override;
  void OnPaint(Canvas& canvas) override;

  // Key and mouse filters, called for events addressed to this dialog or any of its children
  // before those see them; return true to swallow the event. `target` is the addressee; the
  // mouse event's point is in the target's client coordinates.
  virtual bool PreTranslateKey(const KeyEvent& event, Window* target);
  virtual bool PreTranslateMouse(const MouseEvent& event, Window* target);

 protected:
  // After the controls exist and before the dialog shows. True: the layer focuses the first
  // control that takes the focus; false: the handler placed the focus itself. The dialog runs
  // either way (EndDialog inside OnInitDialog ends it before it shows).
  virtual bool OnInitDialog() { return true; }
  virtual void OnOK() { EndDialog(kIdOk); }
  virtual void OnCancel() { EndDialog(kIdCancel); }
  // Before the controls are destroyed.
  virtual void OnDestroy() {}

 private:
  void Build();
  void Teardown();

  DialogTemplate template_;
  Window* owner_ = nullptr;
  bool built_ = false;
  bool ending_ = false;
  int result_ = 0;
  int default_id_ = 0;
  AcceleratorTable accelerators_;
  struct Binding {
    int id;
    Notice notice;
    std::function<void()> handler;
  };
  std::vector<Binding> bindings_;
  struct TooltipRect {
    Rect rect;
    std::string text;
  };
  std::vector<TooltipRect> tooltip_rects_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_DIALOG_H_
