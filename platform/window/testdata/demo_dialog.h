// A dialog that shows every control kind, a custom-painted graph and a popup menu, for checking
// both backends by eye (vtr_window_demo) and for the screenshot test.
#ifndef VTR_PLATFORM_WINDOW_TESTDATA_DEMO_DIALOG_H_
#define VTR_PLATFORM_WINDOW_TESTDATA_DEMO_DIALOG_H_

#include <functional>

#include "platform/window/dialog.h"

namespace vtr::platform::demo {

inline constexpr int kGraphId = 130;
inline constexpr int kSwatchId = 534;
inline constexpr int kGlyphA = 601;  // "あ" large, black on white
inline constexpr int kGlyphB = 602;  // "い" large, black on white
inline constexpr int kMenuButtonId = 32841;

// Places the screenshot test checks (client coordinates of the dialog).
inline constexpr Rect kGraphRect = Rect::FromSize(10, 10, 300, 150);
inline constexpr Point kGraphLineAt{110, 60};  // on the 2-pixel line of colour kLineColor
inline constexpr Color kLineColor = 0xD08000;
inline constexpr Rect kSwatchRect = Rect::FromSize(320, 10, 40, 20);
inline constexpr Color kSwatchColor = 0x6666FF;
inline constexpr Rect kGlyphARect = Rect::FromSize(370, 10, 40, 40);
inline constexpr Rect kGlyphBRect = Rect::FromSize(420, 10, 40, 40);

class DemoDialog : public Dialog {
 public:
  DemoDialog();
  // Runs once the dialog has shown for `delay_ms` (then the dialog ends with its result).
  std::function<int()> on_shown;
  int delay_ms = 600;

  void OnTimer(int id) override;
  void OnCommand(int id, Notice notice) override;

 protected:
  bool OnInitDialog() override;
};

}  // namespace vtr::platform::demo

#endif  // VTR_PLATFORM_WINDOW_TESTDATA_DEMO_DIALOG_H_
