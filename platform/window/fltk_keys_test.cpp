#include "platform/window/internal/fltk_keys.h"

#include <FL/Enumerations.H>
#include <gtest/gtest.h>

#include "platform/window/window.h"

namespace vtr::platform::internal {
namespace {

TEST(FltkKeysTest, FltkKeysReadAsTheLayersKeyCodes) {
  struct Case {
    const char* name;
    int fl_key;
    int key;
  };
  const Case cases[] = {
      {"a letter reads as its capital", 's', 'S'},
      {"a digit is itself", '4', '4'},
      {"Home", FL_Home, kKeyHome},
      {"End", FL_End, kKeyEnd},
      {"F10", FL_F + 10, kKeyF10},
      {"the keypad's Enter is Enter", FL_KP_Enter, kKeyReturn},
      {"the right Alt is Alt", FL_Alt_R, kKeyAlt},
      {"space", ' ', kKeySpace},
      {"a period has no code (it is not Delete)", '.', 0},
      {"an apostrophe has no code (it is not Right)", '\'', 0},
      {"a comma has no code", ',', 0},
      {"Insert", FL_Insert, kKeyInsert},
      {"the Menu key", FL_Menu, kKeyMenu},
      {"a closing bracket has no code (it is not the Menu key)", ']', 0},
      {"a key the layer does not name keeps its keysym", FL_Print, FL_Print},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(KeyOfFltk(c.fl_key), c.key);
  }
}

TEST(FltkKeysTest, EveryNamedKeyHasItsFltkKeys) {
  struct Case {
    int key;
    std::pair<int, int> fl_keys;
  };
  const Case cases[] = {
      {kKeyControl, {FL_Control_L, FL_Control_R}},
      {kKeyShift, {FL_Shift_L, FL_Shift_R}},
      {kKeyAlt, {FL_Alt_L, FL_Alt_R}},
      {kKeyReturn, {FL_Enter, FL_KP_Enter}},
      {kKeySpace, {' ', 0}},
      {'S', {'s', 0}},
      {'7', {'7', 0}},
      {kKeyF1, {FL_F + 1, 0}},
      {kKeyDelete, {FL_Delete, 0}},
      {0, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(FltkKeysOf(c.key), c.fl_keys);
    // And back again.
    if (c.fl_keys.first != 0) {
      EXPECT_EQ(KeyOfFltk(c.fl_keys.first), c.key);
    }
  }
}

}  // namespace
}  // namespace vtr::platform::internal
