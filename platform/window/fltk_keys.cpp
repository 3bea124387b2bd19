#include "platform/window/internal/fltk_keys.h"

#include <FL/Enumerations.H>

#include <array>

#include "platform/window/window.h"

namespace vtr::platform::internal {
namespace {

struct KeyPair {
  int key;
  int fl_key;
};

// The named keys, one row per FLTK key (a Key code with two keys has two rows).
// clang-format off
constexpr std::array<KeyPair, 23> kNamedKeys = {{
    {kKeyBack, FL_BackSpace},  {kKeyTab, FL_Tab},          {kKeyReturn, FL_Enter},
    {kKeyReturn, FL_KP_Enter}, {kKeyShift, FL_Shift_L},    {kKeyShift, FL_Shift_R},
    {kKeyControl, FL_Control_L}, {kKeyControl, FL_Control_R}, {kKeyAlt, FL_Alt_L},
    {kKeyAlt, FL_Alt_R},       {kKeyEscape, FL_Escape},    {kKeySpace, ' '},
    {kKeyPageUp, FL_Page_Up},  {kKeyPageDown, FL_Page_Down}, {kKeyEnd, FL_End},
    {kKeyHome, FL_Home},       {kKeyLeft, FL_Left},        {kKeyUp, FL_Up},
    {kKeyRight, FL_Right},     {kKeyDown, FL_Down},        {kKeyDelete, FL_Delete},
    {kKeyInsert, FL_Insert},   {kKeyMenu, FL_Menu},
}};
// clang-format on

constexpr int kFunctionKeys = 24;  // F1 to F24

}  // namespace

int KeyOfFltk(int fl_key) {
  if (fl_key >= 'a' && fl_key <= 'z') return fl_key - 'a' + 'A';
  if ((fl_key >= '0' && fl_key <= '9') || (fl_key >= 'A' && fl_key <= 'Z')) return fl_key;
  if (fl_key > FL_F && fl_key <= FL_F + kFunctionKeys) return kKeyF1 + (fl_key - FL_F - 1);
  for (const KeyPair& pair : kNamedKeys) {
    if (pair.fl_key == fl_key) return pair.key;
  }
  if (fl_key > ' ' && fl_key < 0x7F) return 0;
  return fl_key;
}

std::pair<int, int> FltkKeysOf(int key) {
  if (key >= 'A' && key <= 'Z') return {key - 'A' + 'a', 0};
  if (key >= '0' && key <= '9') return {key, 0};
  if (key >= kKeyF1 && key < kKeyF1 + kFunctionKeys) return {FL_F + 1 + (key - kKeyF1), 0};
  std::pair<int, int> keys{0, 0};
  for (const KeyPair& pair : kNamedKeys) {
    if (pair.key != key) continue;
    if (keys.first == 0) {
      keys.first = pair.fl_key;
    } else {
      keys.second = pair.fl_key;
    }
  }
  return keys;
}

}  // namespace vtr::platform::internal
