// For the tests of every dialog built from the resources: whether a running dialog shows its
// module's template, so that a dialog that drifts back to a private copy of its template fails.
//
//   #include <gtest/gtest.h>
//   #include "platform/window/headless.h"
//   // given: platform::HeadlessSession& session; platform::Dialog& dialog
//   session.user().Do([&] {
//     EXPECT_TRUE(vtr::resources::testing::BuiltFromTemplate(dialog, Module::kWaveToScript, 178));
//   });
#ifndef VTR_RESOURCES_TESTING_BUILT_FROM_TEMPLATE_H_
#define VTR_RESOURCES_TESTING_BUILT_FROM_TEMPLATE_H_

#include <gtest/gtest.h>

#include "platform/window/dialog.h"
#include "resources/resources.h"

namespace vtr::resources::testing {

// Success when `dialog` has the client size of template `id` of `module` and, for every control
// of the template that has an id, a control with that id at the template's place (in pixels; a
// combo box's height is that of its open list, so only its left, top and width count). The
// caption does not count: a dialog may name itself when it starts. Call it while the dialog runs.
::testing::AssertionResult BuiltFromTemplate(const platform::Dialog& dialog, Module module, int id);

}  // namespace vtr::resources::testing

#endif  // VTR_RESOURCES_TESTING_BUILT_FROM_TEMPLATE_H_
