#include "platform/window/internal/fltk_menu.h"

#include <FL/Fl_Menu_Item.H>
#include <gtest/gtest.h>

namespace vtr::platform::internal {
namespace {

MenuItem Checked(int id, const char* text) {
  MenuItem item = MenuItem::Command(id, text);
  item.checked = true;
  return item;
}

MenuItem Grayed(MenuItem item) {
  item.grayed = true;
  return item;
}

TEST(FltkMenuTest, TheCommandsOfALevelWithACheckedOneLineUpAsRadioItems) {
  struct Case {
    const char* name;
    std::vector<MenuItem> level;
    std::vector<int> flags;
  };
  // clang-format off
  const Case cases[] = {
      {"the voices: every one keeps the room of the mark, the current one has it",
       {MenuItem::Command(32773, "おとこのひと"), Checked(32774, "おんなのひと"), MenuItem::Command(32775, "おにいさん")},
       {FL_MENU_RADIO, FL_MENU_RADIO | FL_MENU_VALUE, FL_MENU_RADIO}},
      {"a greyed voice is still one of the choice",
       {Checked(32773, "a"), Grayed(MenuItem::Command(32774, "b"))},
       {FL_MENU_RADIO | FL_MENU_VALUE, FL_MENU_RADIO | FL_MENU_INACTIVE}},
      {"no checked item: plain commands, a greyed one inactive",
       {MenuItem::Command(57601, "open"), Grayed(MenuItem::Command(32792, "save"))},
       {0, FL_MENU_INACTIVE}},
      {"a popup and a separator beside a checked item are no choices",
       {Checked(1, "a"), MenuItem::Separator(), MenuItem::Popup("more", {MenuItem::Command(2, "b")})},
       {FL_MENU_RADIO | FL_MENU_VALUE, 0, FL_SUBMENU}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> flags;
    for (size_t i = 0; i < c.level.size(); ++i) flags.push_back(FltkMenuFlags(c.level, i));
    EXPECT_EQ(flags, c.flags);
  }
}

// The main menu holds the voice popup: the choice is the popup's own level, not the main one.
TEST(FltkMenuTest, AChoiceInsideAPopupLeavesTheLevelAroundItPlain) {
  const std::vector<MenuItem> main = {
      MenuItem::Command(57601, "open"),
      MenuItem::Popup("声を変える", {Checked(32773, "a"), MenuItem::Command(32774, "b")}),
  };
  EXPECT_EQ(FltkMenuFlags(main, 0), 0);
  EXPECT_EQ(FltkMenuFlags(main, 1), FL_SUBMENU);
  EXPECT_EQ(FltkMenuFlags(main[1].submenu, 1), FL_MENU_RADIO);
}

}  // namespace
}  // namespace vtr::platform::internal
