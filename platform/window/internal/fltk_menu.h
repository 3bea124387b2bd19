// How the FLTK backend shows a menu item, worked out without a display so that it can be checked
// in tests. Layer internal.
//
//   #include <FL/Fl_Menu_Item.H>
//   // given: std::vector<MenuItem> level; Fl_Menu_Item entry
//   for (size_t i = 0; i < level.size(); ++i) entry.flags |= FltkMenuFlags(level, i);
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_FLTK_MENU_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_FLTK_MENU_H_

#include <cstddef>
#include <vector>

#include "platform/window/menu.h"

namespace vtr::platform::internal {

// The FLTK flags of item `index` of one level of a menu (the items of one popup): greyed items
// are inactive, popups open a submenu. A level that holds a checked command is a choice of one
// of its commands, as the voice menu is: every command of it is a radio item, so that all of
// them keep the room of the mark and line up, and the checked one carries the mark. Separators
// are FLTK's dividers under the item before them and have no flags of their own.
[[nodiscard]] int FltkMenuFlags(const std::vector<MenuItem>& level, size_t index);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_FLTK_MENU_H_
