#include <string>
#include <vector>

#include "resources/internal/voices.h"
#include "resources/resources.h"

namespace vtr::resources {
namespace {

using platform::Accelerator;
using platform::Menu;
using platform::MenuItem;

// The command ids of the script edit dialog's menus: notes C1..B3, volumes, lengths,
// feelings, voices and extended voices.
constexpr int kFirstNote = 32793;
constexpr int kFirstVolume = 32829;
constexpr int kFirstLength = 32834;
constexpr int kFirstFeeling = 32836;
constexpr int kFirstVoice = 32846;
constexpr int kFirstExtendedVoice = 32862;
// The main program's voice commands.
constexpr int kFirstProgramVoice = 32773;

std::vector<MenuItem> EditPopup() {
  return {MenuItem::Command(32790, "スクリプトエディットダイアログ... \tCtrl+&E"),
          MenuItem::Command(32849, "イントネーションエディットダイアログ...\tCtrl+&W")};
}

Menu ProgramMenu(int id) {
  if (id == 129) {
    std::vector<MenuItem> voices;
    voices.reserve(kVoiceCount);
    for (int i = 0; i < kVoiceCount; ++i) {
      voices.push_back(MenuItem::Command(kFirstProgramVoice + i, kVoiceNames[i].japanese));
    }
    // clang-format off
    return Menu({MenuItem::Popup("MainDlg", {
                                                MenuItem::Command(57601, "ファイルを開く... Ctrl+&O"),
                                                MenuItem::Command(32792, "ファイルに保存... Ctrl+&S"),
                                                MenuItem::Popup("声を変える", voices),
                                                MenuItem::Popup("編集する", EditPopup()),
                                                MenuItem::Command(32848, "全てクリア"),
                                                MenuItem::Command(32847, "サイトにJump"),
                                                MenuItem::Command(57664, "About VTR..."),
                                                MenuItem::Separator(),
                                                MenuItem::Command(1, "終わる"),
                                            })});
    // clang-format on
  }
  if (id == 130) {
    return Menu(
        {MenuItem::Popup("System", {MenuItem::Separator(), MenuItem::Popup("編集する", EditPopup()),
                                    MenuItem::Command(57664, "About VTR...")})});
  }
  return Menu();
}

Menu ScriptEditMenu(int id) {
  static constexpr std::string_view kNotes[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                                  "F#", "G",  "G#", "A",  "A#", "B"};
  static constexpr std::string_view kOctaves[3] = {"-1 oct.", "default", "+1 oct."};
  static constexpr std::string_view kVolumes[5] = {"Minimum : V1", "Small : V2", "Middle : V3",
                                                   "Large : V4", "Maximum : V5"};
  static constexpr std::string_view kFeelings[5] = {
      "more gentle : W1", "gentle : W2", "normal : W3", "spirited : W4", "more spirited : W5"};
  std::vector<MenuItem> items;
  std::string title;
  switch (id) {
    case 200:
      title = "Volume";
      for (int i = 0; i < 5; ++i) items.push_back(MenuItem::Command(kFirstVolume + i, kVolumes[i]));
      break;
    case 201:
      title = "Pitch";
      for (int n = 0; n < 12; ++n) {
        std::vector<MenuItem> octaves;
        octaves.reserve(3);
        for (int o = 0; o < 3; ++o)
          octaves.push_back(MenuItem::Command(kFirstNote + n * 3 + o, kOctaves[o]));
        items.push_back(MenuItem::Popup(kNotes[n], octaves));
      }
      break;
    case 202:
      title = "Utterance Length";
      items = {MenuItem::Command(kFirstLength, "Talk Mode : L0"),
               MenuItem::Command(kFirstLength + 1, "Sing Mode : L1")};
      break;
    case 203:
      title = "feelings";
      for (int i = 0; i < 5; ++i)
        items.push_back(MenuItem::Command(kFirstFeeling + i, kFeelings[i]));
      break;
    case 204:
    case 205: {
      title = "voice";
      for (int i = 0; i < kVoiceCount; ++i) {
        items.push_back(MenuItem::Command(
            kFirstVoice + i, std::string(kVoiceNames[i].english) + " : K" + std::to_string(i)));
      }
      if (id == 205) {
        std::vector<MenuItem> extended;
        extended.reserve(kVoiceCount);
        for (int i = 0; i < kVoiceCount; ++i) {
          extended.push_back(
              MenuItem::Command(kFirstExtendedVoice + i,
                                "Extend Voice" + std::to_string(i) + "  : X" + std::to_string(i)));
        }
        items.push_back(MenuItem::Separator());
        items.push_back(MenuItem::Popup("Extend Voice", extended));
      }
      break;
    }
    default:
      return Menu();
  }
  return Menu({MenuItem::Popup(title, items)});
}

Menu WaveToScriptMenu(int id) {
  if (id != 180) return Menu();
  return Menu({MenuItem::Popup("右クリックメニュー", {MenuItem::Command(181, "ひらがなを追加"),
                                                      MenuItem::Command(183, "ひらがなを変更"),
                                                      MenuItem::Command(182, "ひらがなを削除")})});
}

constexpr Accelerator kProgramAccelerators[] = {
    {'E', platform::kModCtrl, 32790},
    {'O', platform::kModCtrl, 57601},
    {'S', platform::kModCtrl, 32792},
    {'W', platform::kModCtrl, 32849},
};
// Open and save of the script edit dialog, as in the other dialogs.
constexpr Accelerator kScriptEditAccelerators[] = {
    {'O', platform::kModCtrl, 2001},
    {'S', platform::kModCtrl, 2002},
};
constexpr Accelerator kWaveToScriptAccelerators[] = {
    {'O', platform::kModCtrl, 151},
    {'S', platform::kModCtrl, 152},
};

}  // namespace

Menu LoadMenu(Module module, int id) {
  switch (module) {
    case Module::kProgram:
      return ProgramMenu(id);
    case Module::kScriptEdit:
      return ScriptEditMenu(id);
    case Module::kWaveToScript:
      return WaveToScriptMenu(id);
  }
  return Menu();
}

platform::AcceleratorTable LoadAccelerators(Module module, int id) {
  if (module == Module::kProgram && id == 131) return kProgramAccelerators;
  if (module == Module::kScriptEdit && id == 206) return kScriptEditAccelerators;
  if (module == Module::kWaveToScript && id == 149) return kWaveToScriptAccelerators;
  return {};
}

}  // namespace vtr::resources
