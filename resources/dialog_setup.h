// Dressing a running dialog from its module's resources: the icons of its buttons and the tool
// tips of its controls. Call them from OnInitDialog, when the controls exist.
//
//   // given: platform::Dialog& dialog
//   constexpr vtr::resources::ButtonIcon kIcons[] = {{132, 139}, {134, 131}};
//   if (!vtr::resources::SetButtonIcons(dialog, Module::kWaveToScript, kIcons)) return true;
//   vtr::resources::SetToolTips(dialog, Module::kWaveToScript);
#ifndef VTR_RESOURCES_DIALOG_SETUP_H_
#define VTR_RESOURCES_DIALOG_SETUP_H_

#include <functional>
#include <span>

#include "platform/window/dialog.h"
#include "resources/resources.h"

namespace vtr::resources {

struct ButtonIcon {
  int button;  // control id
  int icon;    // icon id of the module
};

// Puts the icons on their buttons in table order, on the key colour kIconKey. Setting stops at
// the first icon the module cannot load, and the result is then false; a button the dialog
// lacks is passed over.
[[nodiscard]] bool SetButtonIcons(platform::Dialog& dialog, Module module,
                                  std::span<const ButtonIcon> icons);

// Gives every control of `dialog` whose id names a string of `module` that string as its tool
// tip; with `accept`, only the controls whose id it accepts. Returns how many got one.
int SetToolTips(platform::Dialog& dialog, Module module,
                const std::function<bool(int id)>& accept = {});

}  // namespace vtr::resources

#endif  // VTR_RESOURCES_DIALOG_SETUP_H_
