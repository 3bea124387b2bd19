// MenuButton: a labelled button with a drop-down arrow. The arrow shows a popup menu of script
// tokens; the chosen command becomes the button's current command and reaches the dialog as a
// click on the button, exactly as a click on the text part does (which repeats the last
// choice). The dialog then inserts the token of the current command (MenuTokenOf) and shows
// MenuButtonCaption on the button.
//
//   #include "platform/window/dialog.h"
//   // given: platform::Dialog& dialog; playback::ScriptPlayer& player
//   auto* volume = static_cast<MenuButton*>(
//       dialog.ReplaceChild(32841, std::make_unique<MenuButton>(&player.extended_voices())));
//   volume->Setup(200, 32832);                       // menu 200, "V4" until the user chooses
//   dialog.Bind(32841, platform::Notice::kDropDown, [volume] { (void)volume->ShowPopup(); });
//   std::string token = MenuTokenOf(volume->current_command());     // "V4"
#ifndef VTR_SCRIPTEDIT_DIALOG_MENU_BUTTON_H_
#define VTR_SCRIPTEDIT_DIALOG_MENU_BUTTON_H_

#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/window/controls.h"
#include "platform/window/menu.h"
#include "playback/script_player.h"

namespace vtr::scriptedit {

// The menu buttons of the script edit dialog.
inline constexpr int kVolumeButton = 32841;
inline constexpr int kPitchButton = 32842;
inline constexpr int kLengthButton = 32843;
inline constexpr int kFeelingButton = 32844;
inline constexpr int kVoiceButton = 32845;

// The menu that lists the extended voices besides the standard ones.
inline constexpr int kExtendedVoiceMenu = 205;
// Command ids of the menus' items, by token family.
inline constexpr int kFirstNoteCommand = 32793;           // C1, C2, C3, C#1 ... B3 (36 items)
inline constexpr int kFirstVolumeCommand = 32829;         // V1-V5
inline constexpr int kFirstLengthCommand = 32834;         // L0-L1
inline constexpr int kFirstFeelingCommand = 32836;        // W1-W5
inline constexpr int kFirstVoiceCommand = 32846;          // K0-K15
inline constexpr int kFirstExtendedVoiceCommand = 32862;  // X0-X15
inline constexpr int kLastExtendedVoiceCommand = 32877;

// The token a menu command inserts ("C#1", "V4", "X15"); empty for any other command.
std::string MenuTokenOf(int command);
// The label string id of a menu button (32878-32882); 0 for any other control.
int MenuLabelStringOf(int control_id);
// The button's caption after a choice: its label, ":" and the command's token.
std::string MenuButtonCaption(int control_id, int command);

class MenuButton : public platform::MenuButton {
 public:
  // `extended_voices` (not owned; may be null) fills the extended-voice items of menu 205;
  // their names are bytes in `encoding`, the script's.
  explicit MenuButton(const std::vector<playback::ExtendedVoice>* extended_voices = nullptr,
                      platform::Encoding encoding = platform::Encoding::kShiftJis)
      : extended_voices_(extended_voices), encoding_(encoding) {}

  // Stores the menu shown by the arrow and the command that stands until the user chooses,
  // and gives the button the tool tip whose string id is its control id.
  void Setup(int menu_id, int initial_command);
  int menu_id() const { return menu_id_; }
  int current_command() const { return current_command_; }

  // The popup of the arrow: the first popup of menu menu_id(). In menu 205 every extended-voice
  // item is removed unless an extended voice has its command id; then the item shows that
  // voice's name in its place.
  platform::Menu BuildPopup() const;
  // Shows BuildPopup() under the button's bottom left corner. A choice becomes the current
  // command and is sent to the parent as a click on the button. Returns the choice, 0 for none.
  int ShowPopup();

 private:
  const std::vector<playback::ExtendedVoice>* extended_voices_;
  platform::Encoding encoding_;
  int menu_id_ = -1;
  int current_command_ = 0;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_DIALOG_MENU_BUTTON_H_
