// What the person sees of the program on a private Xvfb server, driven with xdotool and seen
// with xwd: a long script wraps inside the main box and the script edit box; the script edit
// dialog opens over the main window and inside the screen, and so does its voice list; icon
// buttons are greyed while they cannot be used; a menu button's caption stays whole; tooltips
// and message boxes are drawn with Japanese glyphs, not the boxes of missing ones; the round
// close button takes only the clicks on its face.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/testing/program_on_xvfb.h"
#include "platform/text.h"
#include "platform/window/testing/x_server.h"

namespace vtr::app {
namespace {

namespace fs = std::filesystem;
using namespace vtr::app::testing;
using namespace vtr::platform::testing;

// The private server's screen.
constexpr int kScreenWidth = 640;
constexpr int kScreenHeight = 480;

// Places in the main window and the script edit dialog (client pixels).
struct Box {
  int left, top, right, bottom;
};
// The text areas of the two script boxes: inside their frames, left of their scroll bars.
constexpr Box kMainScriptBox{15, 31, 208, 109};
constexpr Box kEditScriptBox{15, 44, 563, 170};
constexpr Box kEditPlay{88, 11, 120, 35};
constexpr Box kEditStop{123, 11, 155, 35};
constexpr Box kEditVoices{438, 11, 583, 33};
constexpr Box kUtteranceText{233, 288, 332, 309};  // the text part of the "Utterance Length" button
constexpr Box kCloseButton{214, 169, 242, 197};    // its round face fills the square's middle

bool Ink(uint32_t rgb) { return ((rgb >> 16) & 0xFF) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF) < 300; }

// Pixels of clear colour (not grey).
int Coloured(const Picture& shot, const Box& box) {
  int count = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      const uint32_t c = shot.At(x, y);
      const int r = static_cast<int>(c >> 16), g = static_cast<int>((c >> 8) & 0xFF),
                b = static_cast<int>(c & 0xFF);
      if (std::max({r, g, b}) - std::min({r, g, b}) > 60) ++count;
    }
  }
  return count;
}

// Lines of text in `box`: bands of rows with ink, apart from each other.
int TextLines(const Picture& shot, const Box& box) {
  int lines = 0;
  bool in_line = false;
  for (int y = box.top; y < box.bottom; ++y) {
    bool ink = false;
    for (int x = box.left; x < box.right && !ink; ++x) ink = Ink(shot.At(x, y));
    if (ink && !in_line) ++lines;
    in_line = ink;
  }
  return lines;
}

// The first and last column of `box` with ink, or {-1, -1}.
std::pair<int, int> InkColumns(const Picture& shot, const Box& box) {
  int first = -1, last = -1;
  for (int x = box.left; x < box.right; ++x) {
    for (int y = box.top; y < box.bottom; ++y) {
      if (Ink(shot.At(x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

// The glyphs of a line of text, as runs of columns with ink, each told by its width and its ink.
// Characters a font lacks are all drawn as one and the same box, so a text of different
// characters drawn with real glyphs shows many different runs, and drawn with boxes only one.
std::set<std::pair<int, int>> GlyphShapes(const Picture& shot, const Box& box) {
  std::set<std::pair<int, int>> shapes;
  int width = 0, ink = 0;
  for (int x = box.left; x <= box.right; ++x) {
    int column = 0;
    for (int y = box.top; x < box.right && y < box.bottom; ++y) column += Ink(shot.At(x, y));
    if (column > 0) {
      ++width;
      ink += column;
    } else if (width > 0) {
      shapes.insert({width, ink});
      width = ink = 0;
    }
  }
  return shapes;
}

bool Inside(const Place& p) {
  return p.x >= 0 && p.y >= 0 && p.x + p.width <= kScreenWidth && p.y + p.height <= kScreenHeight;
}

std::string Describe(const Place& p) {
  return std::to_string(p.width) + "x" + std::to_string(p.height) + "+" + std::to_string(p.x) +
         "+" + std::to_string(p.y);
}

// A script as the record road writes it: hundreds of bytes on one line, pitch and length marks
// after every syllable, a speed now and then, a comma after every tenth syllable.
std::string RecordedScript() {
  const std::u8string syllables = u8"こんにちはきょうはいいてんきですね";
  std::string utf8 = "KV#JK0";
  int i = 0;
  for (int round = 0; round < 6; ++round) {
    for (size_t at = 0; at < syllables.size(); at += 3, ++i) {
      utf8 += std::string(reinterpret_cast<const char*>(syllables.data() + at), 3);
      utf8 += (i % 3 == 0 ? "'" : "_") + std::to_string(i % 5 + 1);
      if (i % 4 == 0) utf8 += "S" + std::to_string(40 + i % 20);
      if (i % 10 == 9) utf8 += "、";
    }
  }
  utf8 += "。";
  return platform::FromUtf8(platform::Encoding::kShiftJis, utf8).text;
}

// Opens `name` of the scratch folder through Ctrl+O and FLTK's chooser, whose name field has
// the focus.
void OpenScript(ProgramOnXvfb& x, const std::string& name) {
  (void)x.Run(XInput().Focus(x.main_window().id).Key("ctrl+o"));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; })) << "no open dialog";
  (void)x.Run(XInput().Type(name).Key("Return"));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().empty(); })) << "the open dialog stayed";
}

// The one window other than the main one and `known`, once it is there.
Place NewWindow(ProgramOnXvfb& x, const std::vector<unsigned long>& known) {
  Place found;
  (void)WaitFor([&] {
    for (const Place& p : x.OtherWindows()) {
      if (std::find(known.begin(), known.end(), p.id) == known.end()) {
        found = p;
        return true;
      }
    }
    return false;
  });
  return found;
}

TEST(VtrXvfbLookTest, ALongScriptWrapsAndTheScriptEditDialogOpensOverTheMainWindow) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's screen test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_look_wrap");
  ASSERT_EQ(x.Start(false), "");
  const std::string script = RecordedScript();
  ASSERT_GT(script.size(), 400u);
  std::ofstream(x.scratch() / "long.kvx", std::ios::binary) << script;
  ASSERT_NO_FATAL_FAILURE(OpenScript(x, "long.kvx"));
  ASSERT_EQ(Name(x.WaitForButton(Button::kPlay)), Name(Button::kPlay));

  // The main box: the one long line of the script is shown on several lines inside the box.
  Picture shot = x.Shot();
  EXPECT_GE(TextLines(shot, kMainScriptBox), 3) << "the script does not wrap in the main box";

  // The script edit dialog opens centred over the main window, inside the screen.
  const Place main = x.PlaceOf(x.main_window().id);
  (void)x.Run(XInput().Focus(x.main_window().id).Key("ctrl+e"));
  const Place dialog = NewWindow(x, {});
  ASSERT_NE(dialog.id, 0u) << "no script edit dialog";
  EXPECT_TRUE(Inside(dialog)) << Describe(dialog);
  EXPECT_LE(std::abs((dialog.x + dialog.width / 2) - (main.x + main.width / 2)), 1)
      << Describe(dialog);
  EXPECT_LE(std::abs((dialog.y + dialog.height / 2) - (main.y + main.height / 2)), 1)
      << Describe(dialog);

  // Its box wraps the script with its marks; Play shows its colours, Stop is greyed until Play.
  ASSERT_TRUE(WaitFor([&] {
    shot = x.ShotOf(dialog.id);
    return shot.width == dialog.width && TextLines(shot, kEditScriptBox) >= 3;
  })) << "the script does not wrap in the script edit box";
  EXPECT_GT(Coloured(shot, kEditPlay), 20) << "Play is enabled";
  EXPECT_EQ(Coloured(shot, kEditStop), 0) << "Stop is disabled and greyed";
  (void)x.Run(XInput()
                  .MoveTo(dialog.id, (kEditPlay.left + kEditPlay.right) / 2,
                          (kEditPlay.top + kEditPlay.bottom) / 2)
                  .Click());
  EXPECT_TRUE(WaitFor([&] {
    shot = x.ShotOf(dialog.id);
    return shot.width == dialog.width && Coloured(shot, kEditPlay) == 0 &&
           Coloured(shot, kEditStop) > 20;
  })) << "while playing Play is greyed and Stop shows its colours";
  (void)x.Run(XInput()
                  .MoveTo(dialog.id, (kEditStop.left + kEditStop.right) / 2,
                          (kEditStop.top + kEditStop.bottom) / 2)
                  .Click());
  ASSERT_TRUE(WaitFor([&] {
    shot = x.ShotOf(dialog.id);
    return shot.width == dialog.width && Coloured(shot, kEditPlay) > 20;
  })) << "Play did not come back";

  // The voice list opens inside the screen, also with the last voice chosen.
  const int list_x = (kEditVoices.left + kEditVoices.right) / 2,
            list_y = (kEditVoices.top + kEditVoices.bottom) / 2;
  (void)x.Run(XInput().MoveTo(dialog.id, list_x, list_y).Click());
  Place list = NewWindow(x, {dialog.id});
  ASSERT_NE(list.id, 0u) << "the voice list did not open";
  (void)x.Run(XInput().MoveTo(list.x + 20, list.y + list.height - 8).Click());
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; }))
      << "the voice list did not close";
  (void)x.Run(XInput().MoveTo(dialog.id, list_x, list_y).Click());
  list = NewWindow(x, {dialog.id});
  ASSERT_NE(list.id, 0u) << "the voice list did not open again";
  EXPECT_TRUE(Inside(list)) << Describe(list);
  (void)x.Run(XInput().Key("Escape"));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; }))
      << "the voice list did not close";

  // A choice of the "Utterance Length" menu button: the caption with the token stays whole.
  (void)x.Run(XInput()
                  .MoveTo(dialog.id, kUtteranceText.right + 12,
                          (kUtteranceText.top + kUtteranceText.bottom) / 2)
                  .Click());
  const Place menu = NewWindow(x, {dialog.id});
  ASSERT_NE(menu.id, 0u) << "the Utterance Length menu did not open";
  (void)x.Run(XInput().MoveTo(menu.x + 20, menu.y + menu.height * 3 / 4).Click());
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().size() == 1; })) << "the menu did not close";
  std::pair<int, int> columns;
  EXPECT_TRUE(WaitFor([&] {
    shot = x.ShotOf(dialog.id);
    if (shot.width != dialog.width) return false;
    columns = InkColumns(shot, kUtteranceText);
    return columns.first >= kUtteranceText.left + 3 && columns.second <= kUtteranceText.right - 4 &&
           columns.second - columns.first > 60;
  })) << "the caption runs from column "
      << columns.first << " to " << columns.second;
}

TEST(VtrXvfbLookTest, TooltipsAndMessageBoxesShowJapaneseGlyphs) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's screen test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_look_glyphs");
  // No browser: a stand-in opener that fails as xdg-open does without one, noting the page.
  const fs::path bin = x.work() / "bin";
  x.SetEnvironment("PATH=" + bin.string() + ":$PATH");
  ASSERT_EQ(x.Start(false), "");
  fs::create_directories(bin);
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\necho \"$1\" >" << Quoted(x.work() / "opened.txt")
                                  << "\nexit 3\n";
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);

  // The tooltip of the voice list of the script edit dialog: "声を選んでね。".
  (void)x.Run(XInput().Focus(x.main_window().id).Key("ctrl+e"));
  const Place dialog = NewWindow(x, {});
  ASSERT_NE(dialog.id, 0u) << "no script edit dialog";
  (void)x.Run(XInput()
                  .MoveTo(dialog.id, kEditVoices.left + 40, kEditVoices.top + 8)
                  .Sleep(std::chrono::milliseconds(200))
                  .MoveBy(2, 1));
  const Place tip = NewWindow(x, {dialog.id});
  ASSERT_NE(tip.id, 0u) << "no tooltip showed over the voice list";
  Picture shot = x.ShotOf(tip.id);
  ASSERT_EQ(shot.width, tip.width);
  // Inside the tooltip's frame.
  const std::set<std::pair<int, int>> tip_glyphs =
      GlyphShapes(shot, Box{2, 2, shot.width - 2, shot.height - 2});
  EXPECT_GE(tip_glyphs.size(), 4u) << "the tooltip shows the boxes of missing glyphs";
  (void)x.Run(XInput().Key("Escape"));
  ASSERT_TRUE(WaitFor([&] { return x.OtherWindows().empty(); })) << "the script edit dialog stayed";

  // The site jump without a browser: a message box says so, in Japanese glyphs.
  (void)x.Run(XInput().Focus(x.main_window().id).Key("shift+F10"));
  const Place menu = NewWindow(x, {});
  ASSERT_NE(menu.id, 0u) << "no context menu";
  // Eight items, "サイトにJump" the sixth.
  (void)x.Run(XInput().MoveTo(menu.x + 20, menu.y + menu.height * 11 / 16).Click());
  Place box;
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<Place> others = x.OtherWindows();
    if (others.size() != 1 || others[0].id == menu.id) return false;
    box = others[0];
    return true;
  })) << "no message box after the site jump";
  EXPECT_EQ(ReadFile(x.work() / "opened.txt"),
            (x.program().parent_path() / "links" / "links.html").string() + "\n");
  shot = x.ShotOf(box.id);
  ASSERT_EQ(shot.width, box.width);
  // The first line of text, right of the icon: "ページを開くブラウザが見つかりませんでした。".
  const std::set<std::pair<int, int>> box_glyphs =
      GlyphShapes(shot, Box{56, 12, box.width - 12, 28});
  EXPECT_GE(box_glyphs.size(), 8u) << "the message shows the boxes of missing glyphs";
  (void)x.Run(XInput().Key("Return"));
  EXPECT_TRUE(WaitFor([&] { return x.OtherWindows().empty(); })) << "the message box stayed";
}

TEST(VtrXvfbLookTest, TheRoundCloseButtonTakesOnlyTheClicksOnItsFace) {
  if (const std::string tool = MissingTool(kTypingTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed: the program's screen test needs it";
  }
  ProgramOnXvfb x("vtr_xvfb_look_round");
  ASSERT_EQ(x.Start(false), "");
  const Place before = x.PlaceOf(x.main_window().id);

  // A drag from the corner of the button's square, outside its face, drags the window by its
  // skin and closes nothing.
  const std::chrono::milliseconds pause(100);
  (void)x.Run(XInput()
                  .MoveTo(x.main_window().id, kCloseButton.left + 1, kCloseButton.top + 1)
                  .Press()
                  .Sleep(pause)
                  .MoveBy(15, 10)
                  .Sleep(pause)
                  .MoveBy(15, 10)
                  .Sleep(pause)
                  .Release());
  Place after;
  EXPECT_TRUE(WaitFor([&] {
    after = x.PlaceOf(x.main_window().id);
    return after.x == before.x + 30 && after.y == before.y + 20;
  })) << Describe(before)
      << " went to " << Describe(after);
  EXPECT_TRUE(x.ProgramRunning());

  // A click on the face closes the program (the box is empty: nothing to save).
  (void)x.Run(XInput()
                  .MoveTo(x.main_window().id, (kCloseButton.left + kCloseButton.right) / 2,
                          (kCloseButton.top + kCloseButton.bottom) / 2)
                  .Click());
  EXPECT_TRUE(WaitFor([&] { return !x.ProgramRunning(); })) << "a click on the face did not close";
}

}  // namespace
}  // namespace vtr::app
