// A library that shows a modal dialog from inside its caller's loop, for the test that unloads
// it afterwards. Everything it makes lives only during the call.
#include "platform/window/dialog.h"
#include "platform/window/window_system.h"

namespace {

class LibraryDialog : public vtr::platform::Dialog {
 public:
  LibraryDialog()
      // clang-format off
      : Dialog(vtr::platform::DialogTemplate{
            .id = 960,
            .caption = "library",
            .size = {120, 60},
            .controls = {{vtr::platform::kIdOk, vtr::platform::ControlKind::kButton, "OK", {10, 10, 60, 24}}}}) {
    Bind(vtr::platform::kIdOk, vtr::platform::Notice::kClicked, [this] { EndDialog(41 + ticks_); });
  }
  // clang-format on
  void OnTimer(int) override { ++ticks_; }

 protected:
  bool OnInitDialog() override {
    SetTimer(7, 10);  // dies with the dialog; must never fire after the library is gone
    vtr::platform::PostCommand(handle(), 99);  // arrives while the dialog runs, or is dropped
    return true;
  }

 private:
  int ticks_ = 0;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) int VtrWindowFixture_RunDialog() {
  LibraryDialog dialog;
  return dialog.DoModal();
}
