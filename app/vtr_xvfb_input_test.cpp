// The keyboard, the mouse and the modal loops of the program as a person meets them, on a private
// Xvfb server with the real dialog libraries of the program folder: shortcuts after a menu was
// closed with Escape, typing after every question box and after the dialog libraries return,
// tooltips and the hover picture under the pointer, quick clicks on a spin arrow, the knob drag
// holding the pointer in the track, and the end of a phrase shown while a menu is open. Driven
// with xdotool, seen with xwd.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/testing/program_on_xvfb.h"
#include "platform/window/geometry.h"
#include "platform/window/testing/x_server.h"
#include "resources/resources.h"

namespace vtr::app {
namespace {

namespace fs = std::filesystem;
using namespace vtr::app::testing;
using namespace vtr::platform::testing;
using std::chrono::milliseconds;

// The pause between keys: a quick typist's.
constexpr int kKeyDelayMs = 30;

// The script box of the main window and a point of it that text never reaches.
constexpr int kBoxLeft = 14, kBoxTop = 30, kBoxRight = 226, kBoxBottom = 110;
constexpr int kBoxBlankX = 200, kBoxBlankY = 100;

// The pixels of the script box.
std::string BoxPixels(const Picture& shot) {
  std::string pixels;
  if (shot.width < kBoxRight || shot.height < kBoxBottom) return pixels;
  for (int y = kBoxTop; y < kBoxBottom; ++y) {
    const size_t row = (static_cast<size_t>(y) * shot.width + kBoxLeft) * 3;
    pixels += shot.rgb.substr(row, static_cast<size_t>(kBoxRight - kBoxLeft) * 3);
  }
  return pixels;
}

bool WaitForOthers(ProgramOnXvfb& x, size_t count) {
  return WaitFor([&] { return x.OtherWindows().size() == count; });
}

// Starts the program with the kana on keys of their own and gives its window the keyboard;
// `kana` times あいう go into the script box (Play then shows).
void StartAndType(ProgramOnXvfb& x, int kana) {
  ASSERT_EQ(x.Start(true), "");
  (void)x.Run(XInput().Focus(x.main_window().id));
  if (kana == 0) return;
  (void)x.Run(XInput().Kana(kana));
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));
}

// Typing reaches the script box: it is drawn active (white, not grey) and a typed kana changes it.
void ExpectTypingReachesTheBox(ProgramOnXvfb& x) {
  Picture before;
  ASSERT_TRUE(WaitFor([&] {
    before = x.Shot();
    return before.width == x.main_window().width && before.At(kBoxBlankX, kBoxBlankY) == 0xFFFFFFu;
  })) << "the script box is drawn disabled";
  (void)x.Run(XInput().Kana(1));
  EXPECT_TRUE(WaitFor([&] { return BoxPixels(x.Shot()) != BoxPixels(before); }))
      << "the typed kana did not reach the box";
}

TEST(VtrXvfbInputTest, ShortcutsWorkAfterAMenuClosedWithEscape) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the shortcut test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_shortcuts");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 2));
  struct Shortcut {
    const char* keys;
    const char* window;  // the title of the window it opens
  };
  // clang-format off
  const Shortcut shortcuts[] = {
      {"ctrl+s", ""},                                // the save dialog
      {"ctrl+o", "Voxtrel"},                         // the question about the unsaved text
      {"ctrl+e", "Script Edit Dialog"},
      {"ctrl+w", "Intonation Edit Dialog"},
  };
  // clang-format on
  for (const char* menu : {"alt+space", "shift+F10"}) {
    for (const Shortcut& shortcut : shortcuts) {
      SCOPED_TRACE(std::string(menu) + ", Escape, then " + shortcut.keys);
      (void)x.Run(XInput().Key(menu, kKeyDelayMs));
      ASSERT_TRUE(WaitForOthers(x, 1)) << "no menu";
      (void)x.Run(XInput().Key("Escape", kKeyDelayMs));
      ASSERT_TRUE(WaitForOthers(x, 0)) << "the menu stayed";
      (void)x.Run(XInput().Key(shortcut.keys, kKeyDelayMs));
      std::vector<Place> others;
      ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; }))
          << "the shortcut did nothing";
      EXPECT_EQ(x.WindowName(others.front().id), shortcut.window);
      (void)x.Run(XInput().Key("Escape", kKeyDelayMs));
      ASSERT_TRUE(WaitForOthers(x, 0)) << "Escape left the window open";
    }
  }
}

TEST(VtrXvfbInputTest, TypingReachesTheScriptBoxAfterEachQuestionBox) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the typing test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_boxes");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 1));
  const Place& main = x.main_window();
  struct Case {
    const char* name;
    std::string ask;     // what raises the box
    std::string answer;  // what answers it
  };
  // The popup menu: open, save, voices, edit, clear all, the site, About, quit.
  const Case cases[] = {
      {"517 from Escape, cancelled", XInput().Key("Escape", kKeyDelayMs),
       XInput().Key("Escape", kKeyDelayMs)},
      {"517 from the close button, cancelled",
       XInput().MoveTo(main.id, 228, 183).Click().MoveTo(0, 0),
       XInput().Key("Escape", kKeyDelayMs)},
      {"517 from the menu's quit, cancelled",
       XInput()
           .Key("shift+F10", kKeyDelayMs)
           .Sleep(milliseconds(300))
           .Key("Down Down Down Down Down Down Down Down Return", kKeyDelayMs),
       XInput().Key("Escape", kKeyDelayMs)},
      {"516 from clear all, answered yes",
       XInput()
           .Key("shift+F10", kKeyDelayMs)
           .Sleep(milliseconds(300))
           .Key("Down Down Down Down Down Return", kKeyDelayMs),
       XInput().Key("Return", kKeyDelayMs)},
      {"502 on a text that is no script, OK",
       XInput().Key("ctrl+a", kKeyDelayMs).Type("qqq").Key("ctrl+s", kKeyDelayMs),
       XInput().Key("Return", kKeyDelayMs)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    (void)x.Run(c.ask);
    std::vector<Place> others;
    ASSERT_TRUE(WaitFor([&] {
      others = x.OtherWindows();
      return others.size() == 1 && x.WindowName(others.front().id) == "Voxtrel";
    })) << "no question box";
    (void)x.Run(c.answer);
    ASSERT_TRUE(WaitForOthers(x, 0)) << "the box stayed";
    ExpectTypingReachesTheBox(x);
  }
}

TEST(VtrXvfbInputTest, TypingReachesTheScriptBoxAfterTheDialogLibrariesReturn) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the typing test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_returns");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 1));
  using resources::Module;
  struct Case {
    const char* shortcut;
    const char* window;
    platform::Rect ok;  // its OK button; empty: closed with Escape
  };
  const Case cases[] = {
      {"ctrl+e", "Script Edit Dialog", {}},
      {"ctrl+e", "Script Edit Dialog", ControlPlace(Module::kScriptEdit, 130, 1020)},
      {"ctrl+w", "Intonation Edit Dialog", {}},
      {"ctrl+w", "Intonation Edit Dialog", ControlPlace(Module::kWaveToScript, 141, 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.shortcut) +
                 (c.ok.empty() ? " closed with Escape" : " closed with OK"));
    (void)x.Run(XInput().Key(c.shortcut, kKeyDelayMs));
    std::vector<Place> others;
    ASSERT_TRUE(WaitFor([&] {
      others = x.OtherWindows();
      return others.size() == 1 && x.WindowName(others.front().id) == c.window;
    })) << "the dialog did not open";
    if (c.ok.empty()) {
      (void)x.Run(XInput().Key("Escape", kKeyDelayMs));
    } else {
      // OK on the unchanged script closes at once.
      (void)x.Run(XInput().MoveToMiddle(others.front().id, c.ok).Click().MoveTo(0, 0));
    }
    ASSERT_TRUE(WaitForOthers(x, 0)) << "the dialog stayed";
    ExpectTypingReachesTheBox(x);
  }
}

// The script's symbols "." and "'" are typed like any character, though their keys' numbers are
// those of other keys (Delete and Right).
TEST(VtrXvfbInputTest, PunctuationTypesIntoTheScriptBox) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the typing test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_punctuation");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 1));
  for (const char* key : {"period", "apostrophe"}) {
    SCOPED_TRACE(key);
    const std::string before = BoxPixels(x.Shot());
    (void)x.Run(XInput().Key(key, kKeyDelayMs));
    EXPECT_TRUE(WaitFor([&] { return BoxPixels(x.Shot()) != before; })) << "nothing was typed";
  }
}

// A tooltip window shows below the resting pointer and goes when the pointer moves on to the
// script box, which has none.
TEST(VtrXvfbInputTest, TooltipsShowWhereThePointerRests) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the tooltip test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_tooltips");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 1));
  const unsigned long main = x.main_window().id;
  struct Case {
    const char* name;
    int x, y;
  };
  const Case cases[] = {
      {"Play, a button the program draws", 58, 150},
      {"the volume track, a rectangle of the window", 150, 182},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Into the window away from both, then on to the place, where the pointer rests.
    (void)x.Run(XInput().MoveTo(main, 120, 150).Sleep(milliseconds(200)).MoveTo(main, c.x, c.y));
    std::vector<Place> others;
    ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; })) << "no tooltip";
    const Place pointer = x.Pointer();
    EXPECT_GT(others.front().y, pointer.y);
    EXPECT_LT(others.front().y, pointer.y + 60);
    EXPECT_LE(others.front().x, pointer.x + 10);
    EXPECT_GT(others.front().x + others.front().width, pointer.x);
    (void)x.Run(XInput().MoveTo(main, 120, 70));
    EXPECT_TRUE(WaitForOthers(x, 0)) << "the tooltip stayed over the script box";
  }
}

// Play shows its hover picture while the pointer is over it, whichever way it came, and its
// normal picture again when the pointer moves on or leaves the window.
TEST(VtrXvfbInputTest, PlayShowsItsHoverPictureWhileThePointerIsOverIt) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the hover test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_hover");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 1));
  const unsigned long main = x.main_window().id;
  // A point of Play's face above where a tooltip could come.
  auto face = [&] {
    const Picture shot = x.Shot();
    return shot.width == x.main_window().width ? shot.At(40, 125) : 0u;
  };
  auto brightness = [](uint32_t c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF); };
  (void)x.Run(XInput().MoveTo(main, 120, 150));
  uint32_t normal = 0;
  ASSERT_TRUE(WaitFor([&] { return (normal = face()) != 0; }));
  struct Step {
    const char* name;
    XInput move;
    bool hover;
  };
  const Step steps[] = {
      {"onto Play from inside the window", XInput().MoveTo(main, 58, 150), true},
      {"on to the skin", XInput().MoveTo(main, 120, 150), false},
      {"onto Play again", XInput().MoveTo(main, 58, 160), true},
      {"out of the window", XInput().MoveTo(600, 400), false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    (void)x.Run(step.move);
    if (step.hover) {
      EXPECT_TRUE(WaitFor([&] { return brightness(face()) > brightness(normal) + 30; }))
          << "no hover picture";
    } else {
      EXPECT_TRUE(WaitFor([&] { return face() == normal; })) << "the hover picture stayed";
    }
  }
}

// FLTK reports the second and later clicks of a quick series as double clicks; each must step
// the speed value. The value then goes into the script through the Speed button and the script
// into a file, where it can be read.
TEST(VtrXvfbInputTest, SpinArrowsCountEveryClickOfAQuickSeries) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the spin test needs it";
  }
  const platform::Rect spin = ControlPlace(resources::Module::kScriptEdit, 130, 2040);
  const platform::Rect speed = ControlPlace(resources::Module::kScriptEdit, 130, 2028);
  ASSERT_GT(spin.height(), 0);

  ProgramOnXvfb x("vtr_xvfb_spin");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 0));
  (void)x.Run(XInput().Key("ctrl+e", kKeyDelayMs));
  std::vector<Place> others;
  ASSERT_TRUE(WaitFor([&] { return (others = x.OtherWindows()).size() == 1; }))
      << "no script edit dialog";
  const Place edit = others.front();
  ASSERT_EQ(x.WindowName(edit.id), "Script Edit Dialog");
  // The script box has the keyboard: kana, then the caret back to the start.
  (void)x.Run(XInput().Kana(1).Key("Home"));
  // Four clicks on the up arrow, 150 ms apart, then the Speed button inserts S and the value.
  (void)x.Run(XInput()
                  .MoveTo(edit.id, spin.left + spin.width() / 2, spin.top + spin.height() / 4)
                  .Click(4, 150));
  (void)x.Run(XInput().MoveToMiddle(edit.id, speed).Click().MoveTo(0, 0));
  // Save: the dialog first tells that it puts a voice at the head of the script, then asks for
  // a name in its save dialog.
  (void)x.Run(XInput().Key("ctrl+s", kKeyDelayMs));
  Place chooser;
  ASSERT_TRUE(WaitFor([&] {
    for (const Place& other : x.OtherWindows()) {
      if (other.id == edit.id) continue;
      if (other.height >= 300) {
        chooser = other;
        return true;
      }
      // A message box: answered, and gone before the next look.
      (void)x.Run(XInput().Key("Return", kKeyDelayMs));
      (void)WaitFor([&] {
        const std::vector<Place> now = x.OtherWindows();
        return std::none_of(now.begin(), now.end(),
                            [&](const Place& p) { return p.id == other.id; });
      });
    }
    return false;
  })) << "no save dialog";
  (void)x.Run(XInput()
                  .MoveTo(chooser.id, chooser.width - 40, chooser.height - 58)
                  .Click()
                  .Key("End")
                  .Type("spin"));
  (void)x.Run(XInput().Key("Return", kKeyDelayMs));
  const fs::path saved = x.scratch() / "spin.kvx";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(saved) && !ReadFile(saved).empty(); }))
      << "nothing saved";
  const std::string script = ReadFile(saved);
  EXPECT_NE(script.find("S54"), std::string::npos) << script;
}

// The knob drag holds the pointer inside the track until the button comes up.
TEST(VtrXvfbInputTest, KnobDragKeepsThePointerInTheTrack) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the knob test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_knob");
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 0));
  const Place& main = x.main_window();
  // The track (132, 178)-(205, 187); the knob at volume 100 is centred on x 187.
  const int left = main.x + 132, right = main.x + 205, top = main.y + 178, bottom = main.y + 187;
  const milliseconds pause(200);
  (void)x.Run(
      XInput().MoveTo(main.id, 187, 182).Press().Sleep(pause).MoveTo(600, 400).Sleep(pause));
  const Place far_right = x.Pointer();
  (void)x.Run(XInput().MoveTo(5, 5).Sleep(pause));
  const Place far_left = x.Pointer();
  (void)x.Run(XInput().Release().Sleep(pause).MoveTo(600, 400).Sleep(pause));
  const Place released = x.Pointer();
  EXPECT_EQ(far_right.x, right);
  EXPECT_EQ(far_right.y, bottom - 1);
  EXPECT_EQ(far_left.x, left);
  EXPECT_EQ(far_left.y, top);
  EXPECT_EQ(released.x, 600);
  EXPECT_EQ(released.y, 400);
}

// The end of the phrase arrives while the system menu is open: Play shows again under it.
TEST(VtrXvfbInputTest, TheEndOfAPhraseShowsWhileAMenuIsOpen) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the menu test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_menu_end");
  // Three times あいう: a phrase of about a second on the stand-in emulator.
  ASSERT_NO_FATAL_FAILURE(StartAndType(x, 3));
  (void)x.Run(XInput().MoveTo(x.main_window().id, 58, 153).Click().MoveTo(0, 0));
  ASSERT_EQ(Name(x.WaitForButton(Button::kStop)), Name(Button::kStop));
  (void)x.Run(XInput().Key("alt+space", kKeyDelayMs));
  ASSERT_TRUE(WaitForOthers(x, 1)) << "no system menu";
  // The menu covers the top left of the window; Play and Stop lie below it. Play is drawn
  // green, Stop red.
  auto green = [&] {
    const uint32_t pixel = x.Shot().At(40, 150);
    return static_cast<int>((pixel >> 8) & 0xFF) > static_cast<int>(pixel >> 16) + 48;
  };
  EXPECT_TRUE(WaitFor(green)) << "Play did not come back while the menu was open";
  EXPECT_EQ(x.OtherWindows().size(), 1u) << "the menu closed on its own";
  (void)x.Run(XInput().Key("Escape", kKeyDelayMs));
  EXPECT_TRUE(WaitForOthers(x, 0));
}

}  // namespace
}  // namespace vtr::app
