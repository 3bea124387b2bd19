// NumberSpin: the up-down arrows bound to a NumberEdit (its buddy). A step from an empty
// field does not step: the field receives the lower end of the spin's range instead.
//
//   #include "platform/window/dialog.h"
//   // given: platform::Dialog& dialog; platform::Window* speed_edit
//   auto* spin = static_cast<NumberSpin*>(
//       dialog.ReplaceChild(2040, std::make_unique<NumberSpin>()));
//   spin->SetBuddy(speed_edit);
//   spin->SetRange(0, 99);
//   spin->SetPos(50);
#ifndef VTR_SCRIPTEDIT_DIALOG_NUMBER_SPIN_H_
#define VTR_SCRIPTEDIT_DIALOG_NUMBER_SPIN_H_

#include <cstdint>

#include "platform/window/controls.h"
#include "platform/window/dialog_template.h"

namespace vtr::scriptedit {

class NumberSpin : public platform::Spin {
 public:
  explicit NumberSpin(uint32_t style = platform::kStyleAutoBuddy | platform::kStyleBuddyInt)
      : platform::Spin(style) {}

 protected:
  // Cancels the step and writes lower() into an empty buddy; any other step proceeds.
  bool OnDeltaPos(int pos, int delta) override;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_DIALOG_NUMBER_SPIN_H_
