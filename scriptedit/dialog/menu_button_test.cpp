#include "scriptedit/dialog/menu_button.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/headless.h"
#include "resources/resources.h"

namespace vtr::scriptedit {
namespace {

TEST(MenuTokenTest, EveryFamilyHasItsTokens) {
  struct Case {
    int command;
    std::string token;
  };
  // clang-format off
  const Case cases[] = {
      {32793, "C1"},  {32794, "C2"},  {32795, "C3"},  {32796, "C#1"}, {32828, "B3"},
      {32829, "V1"},  {32832, "V4"},  {32833, "V5"},  {32834, "L0"},  {32835, "L1"},
      {32836, "W1"},  {32838, "W3"},  {32840, "W5"},  {32846, "K0"},  {32861, "K15"},
      {32862, "X0"},  {32877, "X15"}, {32792, ""},    {32841, ""},    {32878, ""},
      {0, ""},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(MenuTokenOf(c.command), c.token) << c.command;
}

TEST(MenuTokenTest, EveryMenuItemHasAToken) {
  for (int menu = 200; menu <= 205; ++menu) {
    const platform::Menu popup =
        resources::LoadMenu(resources::Module::kScriptEdit, menu).FirstPopup();
    std::vector<const platform::MenuItem*> stack;
    for (const auto& item : popup.items()) stack.push_back(&item);
    int commands = 0;
    while (!stack.empty()) {
      const platform::MenuItem* item = stack.back();
      stack.pop_back();
      for (const auto& sub : item->submenu) stack.push_back(&sub);
      if (item->id == 0) continue;
      ++commands;
      EXPECT_FALSE(MenuTokenOf(item->id).empty()) << menu << " " << item->id;
    }
    EXPECT_GT(commands, 0) << menu;
  }
}

TEST(MenuButtonCaptionTest, LabelColonToken) {
  using resources::LoadString;
  using resources::Module;
  struct Case {
    int control;
    int command;
    std::string caption;
  };
  const std::string pitch(LoadString(Module::kScriptEdit, 32879));
  const Case cases[] = {
      {kVolumeButton, 32832, std::string(LoadString(Module::kScriptEdit, 32878)) + ":V4"},
      {kPitchButton, 32794, pitch + ":C2"},
      {kVoiceButton, 32877, std::string(LoadString(Module::kScriptEdit, 32882)) + ":X15"},
      {kPitchButton, 12345, pitch + ":"},
      {2001, 32832, ":V4"},
  };
  for (const Case& c : cases) EXPECT_EQ(MenuButtonCaption(c.control, c.command), c.caption);
}

// A parent that writes down the clicks of its children.
class Parent : public platform::Window {
 public:
  std::vector<int> clicks;
  void OnCommand(int id, platform::Notice notice) override {
    if (notice == platform::Notice::kClicked) clicks.push_back(id);
  }
};

playback::ExtendedVoice Voice(int n, const char* name) {
  playback::ExtendedVoice voice;
  voice.command_id = static_cast<uint32_t>(kFirstExtendedVoiceCommand + n);
  std::strncpy(voice.text.data(), name, voice.text.size() - 1);
  return voice;
}

std::vector<int> Commands(const std::vector<platform::MenuItem>& items) {
  std::vector<int> ids;
  for (const auto& item : items) {
    if (item.id != 0) ids.push_back(item.id);
    for (int id : Commands(item.submenu)) ids.push_back(id);
  }
  return ids;
}

TEST(MenuButtonTest, SetupStoresTheMenuAndTheInitialCommand) {
  platform::HeadlessSession session;
  Parent parent;
  auto* button = static_cast<MenuButton*>(
      parent.AddChild(std::make_unique<MenuButton>(), kVolumeButton, platform::Rect{0, 0, 90, 21}));
  EXPECT_EQ(button->menu_id(), -1);
  button->Setup(200, 32832);
  EXPECT_EQ(button->menu_id(), 200);
  EXPECT_EQ(button->current_command(), 32832);
  EXPECT_EQ(button->tooltip(),
            resources::LoadString(resources::Module::kScriptEdit, kVolumeButton));
}

TEST(MenuButtonTest, AChoiceBecomesTheCurrentCommandAndClicks) {
  struct Case {
    int chosen;
    int current;
    std::vector<int> clicks;
  };
  const Case cases[] = {{32830, 32830, {kVolumeButton}}, {0, 32832, {}}};
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    parent.SetRect(platform::Rect{100, 50, 500, 400});
    auto* button = static_cast<MenuButton*>(parent.AddChild(
        std::make_unique<MenuButton>(), kVolumeButton, platform::Rect{10, 20, 100, 41}));
    button->Setup(200, 32832);
    session.user().ChooseMenuItem(c.chosen);
    EXPECT_EQ(button->ShowPopup(), c.chosen);
    EXPECT_EQ(button->current_command(), c.current);
    EXPECT_EQ(parent.clicks, c.clicks);
    ASSERT_EQ(session.menus().size(), 1u);
    EXPECT_EQ(session.menus()[0].at, (platform::Point{110, 91})) << "bottom left corner";
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(MenuButtonTest, ExtendedVoiceItemsFollowThePlayersVoices) {
  struct Case {
    int menu;
    std::vector<playback::ExtendedVoice> voices;
    std::vector<std::pair<int, std::string>> shown;  // extended items and their texts
  };
  // clang-format off
  const Case cases[] = {
      {205, {}, {}},
      {205, {Voice(3, "Robo : X3"), Voice(0, "Extended Voice : X0")},
       {{32862, "Extended Voice : X0"}, {32865, "Robo : X3"}}},
      {204, {Voice(3, "Robo : X3")}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    auto* button = static_cast<MenuButton*>(parent.AddChild(
        std::make_unique<MenuButton>(&c.voices), kVoiceButton, platform::Rect{0, 0, 90, 21}));
    button->Setup(c.menu, 32846);
    platform::Menu popup = button->BuildPopup();
    std::vector<std::pair<int, std::string>> shown;
    int standard = 0;
    for (int id : Commands(popup.items())) {
      if (id >= kFirstExtendedVoiceCommand) {
        shown.emplace_back(id, popup.Find(id)->text);
      } else {
        ++standard;
      }
    }
    EXPECT_EQ(standard, 16) << c.menu;
    EXPECT_EQ(shown, c.shown) << c.menu;
  }
}

}  // namespace
}  // namespace vtr::scriptedit
