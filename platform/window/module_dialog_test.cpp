// A dialog library loaded at run time shows its modal dialog inside the caller's loop and is
// unloaded afterwards, leaving no timer, command or window of its own behind.
#include <gtest/gtest.h>

#include "platform/module.h"
#include "platform/window/dialog.h"
#include "platform/window/headless.h"

namespace vtr::platform {
namespace {

TEST(ModuleDialogTest, LoadedLibraryRunsItsDialogAndIsUnloadedCleanly) {
  HeadlessSession session;
  Dialog caller(
      DialogTemplate{.id = 961,
                     .caption = "caller",
                     .size = {200, 100},
                     .controls = {{100, ControlKind::kButton, "open", {10, 10, 60, 24}},
                                  {kIdOk, ControlKind::kButton, "OK", {80, 10, 60, 24}}}});
  int library_result = 0;
  caller.Bind(100, Notice::kClicked, [&] {
    Module library;
    ASSERT_TRUE(library.LoadFile(std::string(VTR_TEST_BIN_DIR) + "/fixture/Vtr_window_fixture.so"))
        << library.error();
    auto* run = library.Find<int()>("VtrWindowFixture_RunDialog");
    ASSERT_NE(run, nullptr);
    library_result = run();
    library.Free();
  });
  session.user()
      .Click(100)    // the caller loads the library, which opens its dialog
      .Advance(25)   // two ticks of the library's timer
      .Click(kIdOk)  // closes the library's dialog
      .Advance(100)  // the library is gone: its timer must not fire
      .Click(kIdOk);
  EXPECT_EQ(caller.DoModal(), kIdOk);
  EXPECT_EQ(library_result, 43);
  EXPECT_TRUE(session.errors().empty());
}

}  // namespace
}  // namespace vtr::platform
