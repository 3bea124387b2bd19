// The resources of the program and its two dialog libraries: string tables in four language
// blocks, dialog templates, menus, accelerator tables and the artwork (icons, skin, buttons).
//
// Each deliverable has its own set (the same id may mean different things in different
// libraries, as icon 137 does), so every lookup names the module. Strings come from the block
// of the build language (Japanese unless the build chose another); a block without the id
// gives an empty text, as a missing resource string does.
//
//   using vtr::resources::Module;
//   // "Kelvoxを再生します！"
//   std::string_view tip = vtr::resources::LoadString(Module::kProgram, 1000);
//   const vtr::platform::DialogTemplate* about = vtr::resources::FindDialog(Module::kProgram, 100);
//   vtr::platform::Menu menu = vtr::resources::LoadMenu(Module::kProgram, 129).FirstPopup();
//   vtr::platform::Image skin = vtr::resources::LoadImage(Module::kProgram, 190);  // 240 x 195
#ifndef VTR_RESOURCES_RESOURCES_H_
#define VTR_RESOURCES_RESOURCES_H_

#include <string_view>

#include "platform/window/canvas.h"
#include "platform/window/controls.h"
#include "platform/window/dialog_template.h"
#include "platform/window/menu.h"

namespace vtr::resources {

enum class Module : int {
  kProgram,       // the main program
  kScriptEdit,    // the script edit dialog library
  kWaveToScript,  // the wave-to-script library
};

// Language blocks, numbered as the resource languages are.
enum class Language : int { kEnglish = 1033, kJapanese = 1041, kKorean = 1042, kChinese = 2052 };

#ifndef VTR_BUILD_LANGUAGE
#define VTR_BUILD_LANGUAGE 1041
#endif
// The language of this build (a build constant, like the script language).
inline constexpr Language kBuildLanguage = static_cast<Language>(VTR_BUILD_LANGUAGE);

// String `id` of the module in `language` (UTF-8); empty when that block has none.
std::string_view LoadString(Module module, int id, Language language = kBuildLanguage);

// The texts of every edit's own menu in `language`, for platform::SetEditMenuTexts; they are
// the window layer's, shared by all modules.
platform::EditMenuTexts LoadEditMenuTexts(Language language = kBuildLanguage);

// Dialog template `id` of the module, or nullptr.
const platform::DialogTemplate* FindDialog(Module module, int id);

// Menu `id` of the module (a fresh copy the caller may change); empty when there is none.
platform::Menu LoadMenu(Module module, int id);

// Accelerator table `id` of the module; empty when there is none.
platform::AcceleratorTable LoadAccelerators(Module module, int id);

// Icon or bitmap `id` of the module, drawn by our own artwork code; empty when there is none.
// Icons are 16 x 16 (the dialogs' small icons) on the key colour kIconKey.
platform::Image LoadImage(Module module, int id);
inline constexpr platform::Color kIconKey = 0xFF00FF;

}  // namespace vtr::resources

#endif  // VTR_RESOURCES_RESOURCES_H_
