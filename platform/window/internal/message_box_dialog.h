// The dialog behind MessageBox, known to the headless backend so a scripted answer can check
// that it answers a box. Layer internal.
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_MESSAGE_BOX_DIALOG_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_MESSAGE_BOX_DIALOG_H_

#include <cstdint>
#include <string_view>

#include "platform/window/dialog.h"

namespace vtr::platform::internal {

class MessageBoxDialog : public Dialog {
 public:
  MessageBoxDialog(Window* owner, std::string_view text, std::string_view caption, uint32_t style);
  void OnCommand(int id, Notice notice) override;

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;

 private:
  uint32_t style_;
};

// Builds the 32 x 32 picture of a box's icon (error, question or warning); empty for none.
Image MessageBoxIcon(uint32_t style);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_MESSAGE_BOX_DIALOG_H_
