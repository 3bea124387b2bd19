#include "platform/window/internal/fltk_menu.h"

#include <FL/Fl_Menu_Item.H>

#include <algorithm>

namespace vtr::platform::internal {

int FltkMenuFlags(const std::vector<MenuItem>& level, size_t index) {
  const MenuItem& item = level.at(index);
  if (item.separator) return 0;
  int flags = item.grayed ? FL_MENU_INACTIVE : 0;
  if (item.is_popup()) return flags | FL_SUBMENU;
  const bool choice = std::any_of(level.begin(), level.end(), [](const MenuItem& other) {
    return other.checked && !other.separator && !other.is_popup();
  });
  if (choice) flags |= FL_MENU_RADIO | (item.checked ? FL_MENU_VALUE : 0);
  return flags;
}

}  // namespace vtr::platform::internal
