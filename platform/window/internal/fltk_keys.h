// The keys of FLTK's keyboard events as the layer's Key codes and back, worked out without a
// display so that they can be checked in tests. Layer internal.
//
//   #include <FL/Fl.H>
//   #include "platform/window/window.h"
//   const int key = KeyOfFltk(Fl::event_key());  // FL_Home gives kKeyHome, 'a' gives 'A'
//   const auto [left, right] = FltkKeysOf(kKeyControl);
//   const bool held = Fl::event_key(left) || (right != 0 && Fl::event_key(right));
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_FLTK_KEYS_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_FLTK_KEYS_H_

#include <utility>

namespace vtr::platform::internal {

// The Key code of FLTK key `fl_key` (an X keysym, unshifted); 0 for a key of punctuation, which
// has no code of its own: its keysym is its ASCII code and would read as another key ('.' as
// Delete, '\'' as Right), while the character it types arrives anyway. Keys the layer does not
// name keep their keysym, which no Key code equals.
[[nodiscard]] int KeyOfFltk(int fl_key);

// The FLTK keys that are `key`: the left and the right one of a pair (Shift, Control, Alt,
// Enter and the keypad's Enter), else the key and 0; {0, 0} for a code FLTK has no key for.
[[nodiscard]] std::pair<int, int> FltkKeysOf(int key);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_FLTK_KEYS_H_
