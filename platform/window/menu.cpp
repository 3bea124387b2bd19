#include "platform/window/menu.h"

namespace vtr::platform {
namespace {

MenuItem* FindIn(std::vector<MenuItem>& items, int id) {
  for (MenuItem& item : items) {
    if (!item.separator && !item.is_popup() && item.id == id) return &item;
    if (item.is_popup()) {
      if (MenuItem* found = FindIn(item.submenu, id)) return found;
    }
  }
  return nullptr;
}

bool RemoveIn(std::vector<MenuItem>& items, int id) {
  for (auto it = items.begin(); it != items.end(); ++it) {
    if (!it->separator && !it->is_popup() && it->id == id) {
      items.erase(it);
      return true;
    }
    if (it->is_popup() && RemoveIn(it->submenu, id)) return true;
  }
  return false;
}

}  // namespace

MenuItem* Menu::Find(int id) { return FindIn(items_, id); }

const MenuItem* Menu::Find(int id) const {
  return FindIn(const_cast<std::vector<MenuItem>&>(items_), id);
}

bool Menu::SetChecked(int id, bool checked) {
  MenuItem* item = Find(id);
  if (item == nullptr) return false;
  item->checked = checked;
  return true;
}

bool Menu::SetGrayed(int id, bool grayed) {
  MenuItem* item = Find(id);
  if (item == nullptr) return false;
  item->grayed = grayed;
  return true;
}

bool Menu::Remove(int id) { return RemoveIn(items_, id); }

Menu Menu::FirstPopup() const {
  for (const MenuItem& item : items_) {
    if (item.is_popup()) return Menu(item.submenu);
  }
  return Menu();
}

bool Menu::IsSelectable(int id) const {
  const MenuItem* item = Find(id);
  return item != nullptr && !item->grayed && id != 0;
}

}  // namespace vtr::platform
