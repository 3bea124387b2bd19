#include "scriptedit/dialog/menu_button.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "platform/window/window_system.h"
#include "resources/resources.h"

namespace vtr::scriptedit {
namespace {

// Note names in menu order; each note has the octaves 1 (-1 oct.), 2 (default), 3 (+1 oct.).
constexpr std::array<std::string_view, 12> kNoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                         "F#", "G",  "G#", "A",  "A#", "B"};
constexpr int kOctaves = 3;

// A run of commands whose tokens are a letter and a number counted from the first command.
struct TokenRun {
  int first_command;
  int count;
  char letter;
  int first_number;
};
constexpr std::array<TokenRun, 5> kTokenRuns = {{
    {kFirstVolumeCommand, 5, 'V', 1},
    {kFirstLengthCommand, 2, 'L', 0},
    {kFirstFeelingCommand, 5, 'W', 1},
    {kFirstVoiceCommand, 16, 'K', 0},
    {kFirstExtendedVoiceCommand, 16, 'X', 0},
}};

struct Label {
  int control_id;
  int string_id;
};
constexpr std::array<Label, 5> kLabels = {{
    {kVolumeButton, 32878},
    {kPitchButton, 32879},
    {kLengthButton, 32880},
    {kFeelingButton, 32881},
    {kVoiceButton, 32882},
}};

// Removes the extended-voice items that no voice names, and names the others, in `items`.
void FillExtendedVoices(std::vector<platform::MenuItem>& items,
                        const std::vector<playback::ExtendedVoice>* voices,
                        platform::Encoding encoding) {
  for (auto it = items.begin(); it != items.end();) {
    if (it->is_popup()) {
      FillExtendedVoices(it->submenu, voices, encoding);
      ++it;
      continue;
    }
    if (it->id < kFirstExtendedVoiceCommand || it->id > kLastExtendedVoiceCommand) {
      ++it;
      continue;
    }
    const playback::ExtendedVoice* found = nullptr;
    if (voices != nullptr) {
      for (const playback::ExtendedVoice& voice : *voices) {
        if (static_cast<int>(voice.command_id) == it->id) {
          found = &voice;
          break;
        }
      }
    }
    if (found == nullptr) {
      it = items.erase(it);
      continue;
    }
    // The name is script bytes; a byte that does not decode ends what is shown.
    it->text = platform::ToUtf8(encoding,
                                std::string_view(found->text.data(),
                                                 strnlen(found->text.data(), found->text.size())))
                   .text;
    ++it;
  }
}

}  // namespace

std::string MenuTokenOf(int command) {
  const int note = command - kFirstNoteCommand;
  if (note >= 0 && note < static_cast<int>(kNoteNames.size()) * kOctaves) {
    return std::string(kNoteNames[note / kOctaves]) + std::to_string(note % kOctaves + 1);
  }
  for (const TokenRun& run : kTokenRuns) {
    const int n = command - run.first_command;
    if (n >= 0 && n < run.count) return run.letter + std::to_string(run.first_number + n);
  }
  return {};
}

int MenuLabelStringOf(int control_id) {
  for (const Label& label : kLabels) {
    if (label.control_id == control_id) return label.string_id;
  }
  return 0;
}

std::string MenuButtonCaption(int control_id, int command) {
  const int label = MenuLabelStringOf(control_id);
  std::string caption =
      label != 0 ? std::string(resources::LoadString(resources::Module::kScriptEdit, label)) : "";
  return caption + ":" + MenuTokenOf(command);
}

void MenuButton::Setup(int menu_id, int initial_command) {
  SetTooltip(resources::LoadString(resources::Module::kScriptEdit, id()));
  menu_id_ = menu_id;
  current_command_ = initial_command;
}

platform::Menu MenuButton::BuildPopup() const {
  platform::Menu popup = resources::LoadMenu(resources::Module::kScriptEdit, menu_id_).FirstPopup();
  if (menu_id_ == kExtendedVoiceMenu)
    FillExtendedVoices(popup.items(), extended_voices_, encoding_);
  return popup;
}

int MenuButton::ShowPopup() {
  const platform::Menu popup = BuildPopup();
  const int chosen = platform::TrackPopupMenu(this, popup, ClientToScreen({0, rect().height()}));
  if (chosen == 0) return 0;
  current_command_ = chosen;
  if (parent() != nullptr) parent()->OnCommand(id(), platform::Notice::kClicked);
  return chosen;
}

}  // namespace vtr::scriptedit
