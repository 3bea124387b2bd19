// The X test harness's own pieces that need no server: the xdotool lines its input steps make,
// and the pictures it reads.
#include "platform/window/testing/x_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace vtr::platform::testing {
namespace {

using std::chrono::milliseconds;

TEST(XInputTest, EachStepBecomesItsXdotoolCommand) {
  struct Case {
    const char* name;
    XInput input;
    std::string line;
  };
  const Case cases[] = {
      {"keys to the focus, with and without a pace of their own",
       XInput().Key("ctrl+s").Key("Down Return", 30),
       "xdotool key ctrl+s key --delay 30 Down Return"},
      {"a click aimed at a window, then the pointer off every window",
       XInput().MoveTo(0x400004, 58, 153).Click().MoveTo(0, 0),
       "xdotool mousemove --window 4194308 58 153 click 1 mousemove 0 0"},
      {"the middle of a control's place",
       XInput().MoveToMiddle(7, Rect{10, 20, 31, 40}).Click(2, 80),
       "xdotool mousemove --window 7 20 30 click --repeat 2 --delay 80 1"},
      {"a drag with pauses; a step up and left needs the end of the options",
       XInput()
           .Press()
           .Sleep(milliseconds(200))
           .MoveBy(15, 10)
           .MoveBy(-3, 2)
           .Sleep(milliseconds(1500))
           .Release(),
       "xdotool mousedown 1 sleep 0.2 mousemove_relative 15 10 mousemove_relative -- -3 2 sleep "
       "1.5 mouseup 1"},
      {"the kana on their own keys", XInput().Focus(9).Kana(2),
       "xdotool windowfocus --sync 9 key --delay 20 U3042 U3044 U3046 U3042 U3044 U3046"},
      {"text is one quoted word, its own quotes kept", XInput().Type("it's a song.kvx", 5),
       "xdotool type --delay 5 'it'\\''s a song.kvx'"},
      {"the steps after text go to an xdotool of their own",
       XInput().Key("ctrl+a").Type("qqq").Key("ctrl+s"),
       "xdotool key ctrl+a type 'qqq' && xdotool key ctrl+s"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.input.command(), c.line) << c.name;
    EXPECT_EQ(std::string(c.input), c.line) << c.name;
  }
}

TEST(ReadPpmTest, ReadsBinaryPicturesAndRefusesTheRest) {
  struct Case {
    const char* name;
    std::string file;
    int width;  // 0: refused
    uint32_t first, last;
  };
  const std::string two_pixels = std::string("\xFF\x00\x80", 3) + std::string("\x01\x02\x03", 3);
  const Case cases[] = {
      {"plain header", "P6\n2 1\n255\n" + two_pixels, 2, 0xFF0080u, 0x010203u},
      {"comment lines in the header", "P6\n# made by a tool\n2 1\n# depth\n255\n" + two_pixels, 2,
       0xFF0080u, 0x010203u},
      {"pixels missing", "P6\n2 1\n255\n" + two_pixels.substr(0, 4), 0, 0, 0},
      {"text picture", "P3\n2 1\n255\n255 0 128 1 2 3\n", 0, 0, 0},
      {"sixteen bits a sample", "P6\n2 1\n65535\n" + two_pixels + two_pixels, 0, 0, 0},
      {"an empty file", "", 0, 0, 0},
  };
  const std::filesystem::path file = std::filesystem::path(VTR_TEST_BIN_DIR) / "x_server_test.ppm";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(file, std::ios::binary) << c.file;
    const Picture picture = ReadPpm(file);
    EXPECT_EQ(picture.width, c.width);
    if (c.width == 0) continue;
    EXPECT_EQ(picture.height, 1);
    EXPECT_EQ(picture.At(0, 0), c.first);
    EXPECT_EQ(picture.At(1, 0), c.last);
    EXPECT_EQ(picture.ColorAt(1, 0), Rgb(1, 2, 3));
  }
  std::filesystem::remove(file);
}

}  // namespace
}  // namespace vtr::platform::testing
