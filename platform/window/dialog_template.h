// Dialog templates: the controls of a dialog written once as data.
//
// A template lists each control with its id, kind, text, place and style, in tab order. Places
// are in dialog units when the template says so (a dialog unit is a quarter of the average
// character width across and an eighth of the character height down; for the 9-point dialog
// font that is 1.75 pixels across and 1.5 down), else in pixels.
//
//   const vtr::platform::DialogTemplate kAsk{
//       .id = 178, .caption = "ひらがなを変更", .size = {150, 50}, .units = DialogUnits::kDialog,
//       .controls = {
//           {179, ControlKind::kEdit, "", {7, 7, 136, 14}},
//           {1, ControlKind::kButton, "OK", {38, 29, 50, 14}, kStyleDefault},
//           {2, ControlKind::kButton, "ｷｬﾝｾﾙ", {93, 29, 50, 14}},
//       }};
#ifndef VTR_PLATFORM_WINDOW_DIALOG_TEMPLATE_H_
#define VTR_PLATFORM_WINDOW_DIALOG_TEMPLATE_H_

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/window/canvas.h"
#include "platform/window/geometry.h"

namespace vtr::platform {

enum class ControlKind : int {
  kStatic,       // text label; background colour settable
  kGroupBox,     // framed caption around other controls
  kPicture,      // static image (an icon)
  kButton,       // push button with text or an image
  kCheckBox,     // automatic check box
  kRadioButton,  // automatic radio button; kStyleGroup starts a new group
  kEdit,         // single-line edit, multi-line with kStyleMultiLine
  kComboBox,     // drop-down list; template items fill it; the height is the open list's
  kTrackbar,     // horizontal slider
  kSpin,         // up-down arrows bound to a buddy edit
  kHScrollBar,
  kVScrollBar,
  kListView,      // report list with columns
  kMenuButton,    // text part and a drop-down arrow (the right fifth)
  kImageButton,   // owner-drawn button from normal, hover, pressed and disabled images
  kShapedButton,  // button shaped by the non-key pixels of its image
  kCustom,        // window painted by its owner and taking mouse input
};

// Control and dialog style bits (our own values).
enum Style : uint32_t {
  kStyleHidden = 1u << 0,
  kStyleDisabled = 1u << 1,
  kStyleMultiLine = 1u << 2,  // edit: several lines wrapped at the box edge, Enter makes a new line
  kStyleReadOnly = 1u << 3,
  kStyleBorder = 1u << 4,
  kStyleCenter = 1u << 5,  // static and edit text centred
  kStyleRight = 1u << 6,
  kStyleSunken = 1u << 7,      // static: sunken frame
  kStyleNumber = 1u << 8,      // edit: digits only
  kStyleGroup = 1u << 9,       // first control of a radio group
  kStyleDefault = 1u << 10,    // the default push button (Enter)
  kStyleAutoBuddy = 1u << 11,  // spin: bound to the control before it in the template
  kStyleBuddyInt = 1u << 12,   // spin: writes its position into the buddy as a number
  kStyleTicks = 1u << 13,      // trackbar: tick marks below
  kStyleVScroll = 1u << 14,    // edit: vertical scroll bar
  kStyleNoTabStop = 1u << 15,
  // Dialog styles.
  kStyleNoCaption = 1u << 20,    // frameless window, moved by its owner's code
  kStyleAcceptFiles = 1u << 21,  // takes dropped files from the start
  kStyleSystemMenu = 1u << 22,
};

enum class DialogUnits : int { kPixels, kDialog };

struct ControlTemplate {
  ControlTemplate() = default;
  ControlTemplate(int id_in, ControlKind kind_in, std::string_view text_in, Rect place_in,
                  uint32_t style_in = 0, std::vector<std::string_view> items_in = {})
      : id(id_in),
        kind(kind_in),
        text(text_in),
        place(place_in),
        style(style_in),
        items(std::move(items_in)) {}

  int id = -1;  // -1 for labels nobody addresses
  ControlKind kind = ControlKind::kStatic;
  std::string_view text;  // UTF-8
  Rect place;             // left, top, width, height (right = width, bottom = height)
  uint32_t style = 0;
  std::vector<std::string_view> items;  // combo box entries, in order
};

struct DialogTemplate {
  int id = 0;
  std::string_view caption;  // UTF-8
  Size size;                 // client size
  DialogUnits units = DialogUnits::kPixels;
  uint32_t style = 0;
  Font font = DefaultDialogFont();
  std::vector<ControlTemplate> controls;
};

// Pixel rectangle of a template place (left, top, width, height) under `units`.
Rect TemplateToPixels(const Rect& place, DialogUnits units);
Size TemplateToPixels(Size size, DialogUnits units);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_DIALOG_TEMPLATE_H_
