// Menus and accelerator tables.
//
// A Menu is a list of items (commands, separators and submenus) that a dialog may change before
// showing it: check an item, grey it, remove or insert one. TrackPopupMenu (window_system.h)
// shows it at a screen point and returns the chosen command.
//
//   vtr::platform::Menu menu = vtr::platform::Menu{
//       {vtr::platform::MenuItem::Command(57601, "ファイルを開く..."),
//        vtr::platform::MenuItem::Separator(),
//        vtr::platform::MenuItem::Popup("声を変える",
//                                       {vtr::platform::MenuItem::Command(32773, "A")})}};
//   menu.SetChecked(32773, true);
//   menu.SetGrayed(57601, true);
#ifndef VTR_PLATFORM_WINDOW_MENU_H_
#define VTR_PLATFORM_WINDOW_MENU_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vtr::platform {

struct MenuItem {
  int id = 0;        // command id; 0 for separators and popups
  std::string text;  // UTF-8; a '\t' separates the shortcut text
  bool separator = false;
  bool checked = false;
  bool grayed = false;
  std::vector<MenuItem> submenu;  // non-empty for a popup

  static MenuItem Command(int id, std::string_view text) {
    MenuItem item;
    item.id = id;
    item.text = std::string(text);
    return item;
  }
  static MenuItem Separator() {
    MenuItem item;
    item.separator = true;
    return item;
  }
  static MenuItem Popup(std::string_view text, std::vector<MenuItem> items) {
    MenuItem item;
    item.text = std::string(text);
    item.submenu = std::move(items);
    return item;
  }
  bool is_popup() const { return !submenu.empty(); }
};

class Menu {
 public:
  Menu() = default;
  explicit Menu(std::vector<MenuItem> items) : items_(std::move(items)) {}

  std::vector<MenuItem>& items() { return items_; }
  const std::vector<MenuItem>& items() const { return items_; }

  // The item with command `id` anywhere in the tree, or nullptr.
  MenuItem* Find(int id);
  const MenuItem* Find(int id) const;
  // Set a flag of the item with command `id`; false when there is none.
  bool SetChecked(int id, bool checked);
  bool SetGrayed(int id, bool grayed);
  // Removes the item with command `id` (first found); false when there is none.
  bool Remove(int id);
  // The first popup's items as a menu of its own (a menu resource's "first popup").
  Menu FirstPopup() const;
  // True when `id` names an enabled command item of this menu.
  bool IsSelectable(int id) const;

 private:
  std::vector<MenuItem> items_;
};

enum Modifier : uint8_t {
  kModNone = 0,
  kModShift = 1u << 0,
  kModCtrl = 1u << 1,
  kModAlt = 1u << 2,
};

// A key combination that sends a command. `key` is a key code of keys.h ('O', kKeyReturn...).
struct Accelerator {
  int key = 0;
  uint8_t modifiers = kModNone;
  int command = 0;
};

using AcceleratorTable = std::span<const Accelerator>;

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_MENU_H_
