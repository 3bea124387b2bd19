// Shows a dialog template of the resources with its artwork and tool tips, for checking them by
// eye:
//   vtr_resources_preview program 102     (the skinned main window)
//   vtr_resources_preview wave 178        (modules: program, edit, wave)
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/window_system.h"
#include "resources/dialog_setup.h"
#include "resources/resources.h"

namespace {

using vtr::resources::Module;

class Preview : public vtr::platform::Dialog {
 public:
  Preview(Module module, const vtr::platform::DialogTemplate& t) : Dialog(t), module_(module) {}

  void OnPaint(vtr::platform::Canvas& canvas) override {
    if (module_ == Module::kProgram && dialog_template().id == 102) {
      canvas.DrawImage({0, 0}, vtr::resources::LoadImage(Module::kProgram, 190));
      canvas.DrawImage({132 + 40, 178},
                       vtr::resources::LoadImage(Module::kProgram, 197).Crop({0, 0, 8, 8}),
                       0xFF00FF);
      return;
    }
    Dialog::OnPaint(canvas);
  }

 protected:
  bool OnInitDialog() override {
    using namespace vtr::platform;
    if (module_ == Module::kProgram && dialog_template().id == 102) {
      // The program swaps its own skinned controls in; the toolkit's image button stands in here.
      auto* play = static_cast<ImageButton*>(ReplaceChild(1000, std::make_unique<ImageButton>()));
      ImageButton::Images images;
      images.normal = vtr::resources::LoadImage(Module::kProgram, 191);
      images.hover = vtr::resources::LoadImage(Module::kProgram, 192);
      images.pressed = vtr::resources::LoadImage(Module::kProgram, 193);
      play->SetImages(images);
      play->Show(true);
      (void)Item<ShapedButton>(1)->SetShapeImage(vtr::resources::LoadImage(Module::kProgram, 198),
                                                 2);
      Item(1002)->SetText("KV#Jこんにちは");
    }
    // Icon buttons of the other dialogs: each button whose id names an icon shows it.
    for (const auto& child : children()) {
      auto* button = dynamic_cast<Button*>(child.get());
      if (button == nullptr || button->kind() != ControlKind::kButton) continue;
      Image icon = vtr::resources::LoadImage(module_, IconOf(button->id()));
      if (!icon.empty()) button->SetImage(icon, vtr::resources::kIconKey);
    }
    (void)vtr::resources::SetToolTips(*this, module_);
    return true;
  }

 private:
  int IconOf(int control) const {
    struct Pair {
      Module module;
      int control, icon;
    };
    // clang-format off
    static constexpr Pair kIcons[] = {
        {Module::kScriptEdit, 2005, 137}, {Module::kScriptEdit, 2003, 135}, {Module::kScriptEdit, 2004, 136},
        {Module::kScriptEdit, 2006, 138}, {Module::kScriptEdit, 2007, 145}, {Module::kScriptEdit, 2008, 139},
        {Module::kScriptEdit, 2032, 142}, {Module::kScriptEdit, 2033, 141}, {Module::kScriptEdit, 2034, 140},
        {Module::kScriptEdit, 2012, 146}, {Module::kScriptEdit, 2013, 131}, {Module::kScriptEdit, 2014, 132},
        {Module::kScriptEdit, 2015, 133}, {Module::kScriptEdit, 2016, 134}, {Module::kScriptEdit, 2001, 143},
        {Module::kScriptEdit, 2002, 144}, {Module::kScriptEdit, 2021, 147}, {Module::kScriptEdit, 2022, 148},
        {Module::kScriptEdit, 2026, 207}, {Module::kWaveToScript, 132, 139}, {Module::kWaveToScript, 134, 131},
        {Module::kWaveToScript, 151, 137}, {Module::kWaveToScript, 152, 135}, {Module::kWaveToScript, 144, 139},
        {Module::kWaveToScript, 145, 131}, {Module::kWaveToScript, 147, 133}, {Module::kWaveToScript, 148, 137},
        {Module::kWaveToScript, 153, 139}, {Module::kWaveToScript, 154, 131}, {Module::kWaveToScript, 530, 533},
        {Module::kWaveToScript, 531, 532},
    };
    // clang-format on
    for (const Pair& p : kIcons) {
      if (p.module == module_ && p.control == control) return p.icon;
    }
    return -1;
  }
  Module module_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s program|edit|wave <template id>\n", argv[0]);
    return 2;
  }
  const std::string name = argv[1];
  const Module module = name == "program" ? Module::kProgram
                        : name == "edit"  ? Module::kScriptEdit
                                          : Module::kWaveToScript;
  const vtr::platform::DialogTemplate* t = vtr::resources::FindDialog(module, std::atoi(argv[2]));
  if (t == nullptr) {
    std::fprintf(stderr, "no such template\n");
    return 2;
  }
  if (!vtr::platform::UseFltkBackend()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  vtr::platform::SetEditMenuTexts(vtr::resources::LoadEditMenuTexts());
  Preview preview(module, *t);
  (void)preview.DoModal();
  return 0;
}
