#include "resources/dialog_setup.h"

#include <string_view>
#include <utility>

#include "platform/window/controls.h"

namespace vtr::resources {

bool SetButtonIcons(platform::Dialog& dialog, Module module, std::span<const ButtonIcon> icons) {
  for (const ButtonIcon& entry : icons) {
    platform::Image image = LoadImage(module, entry.icon);
    if (image.empty()) return false;
    if (auto* button = dialog.Item<platform::Button>(entry.button)) {
      button->SetImage(std::move(image), kIconKey);
    }
  }
  return true;
}

int SetToolTips(platform::Dialog& dialog, Module module,
                const std::function<bool(int id)>& accept) {
  int count = 0;
  for (const auto& child : dialog.children()) {
    const int id = child->id();
    if (accept && !accept(id)) continue;
    const std::string_view tip = LoadString(module, id);
    if (tip.empty()) continue;
    child->SetTooltip(tip);
    ++count;
  }
  return count;
}

}  // namespace vtr::resources
