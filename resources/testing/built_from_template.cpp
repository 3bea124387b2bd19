#include "resources/testing/built_from_template.h"

#include <sstream>

namespace vtr::resources::testing {

::testing::AssertionResult BuiltFromTemplate(const platform::Dialog& dialog, Module module,
                                             int id) {
  const platform::DialogTemplate* t = FindDialog(module, id);
  if (t == nullptr) return ::testing::AssertionFailure() << "no template " << id;
  std::ostringstream wrong;
  const platform::Size size = platform::TemplateToPixels(t->size, t->units);
  if (dialog.rect().width() != size.width || dialog.rect().height() != size.height) {
    wrong << " size " << dialog.rect().width() << "x" << dialog.rect().height() << " instead of "
          << size.width << "x" << size.height << ";";
  }
  for (const platform::ControlTemplate& c : t->controls) {
    if (c.id == -1) continue;
    const platform::Window* control = dialog.Item(c.id);
    if (control == nullptr) {
      wrong << " no control " << c.id << ";";
      continue;
    }
    const platform::Rect want = platform::TemplateToPixels(c.place, t->units);
    const platform::Rect& have = control->rect();
    const bool combo = c.kind == platform::ControlKind::kComboBox;
    if (have.left != want.left || have.top != want.top || have.width() != want.width() ||
        (!combo && have.height() != want.height())) {
      wrong << " control " << c.id << " at " << have.left << "," << have.top << " " << have.width()
            << "x" << have.height() << " instead of " << want.left << "," << want.top << " "
            << want.width() << "x" << want.height() << ";";
    }
  }
  if (wrong.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "template " << id << ":" << wrong.str();
}

}  // namespace vtr::resources::testing
