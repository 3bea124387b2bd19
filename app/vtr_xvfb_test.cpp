// The program on a private Xvfb server: it starts from another current directory, paints its
// skin with the script box and a second start ends at once without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/process.h"

namespace vtr::app {
namespace {

bool OnPath(const std::string& name) {
  platform::ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c", "command -v " + name};
  return platform::RunProcess(spec, std::chrono::seconds(2)).ok();
}

// Reads a binary PPM (P6, maxval 255).
struct Picture {
  int width = 0, height = 0;
  std::string rgb;
  uint32_t At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return (static_cast<uint8_t>(rgb[i]) << 16) | (static_cast<uint8_t>(rgb[i + 1]) << 8) |
           static_cast<uint8_t>(rgb[i + 2]);
  }
};

Picture ReadPpm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  Picture picture;
  std::string magic;
  int maxval = 0;
  in >> magic >> picture.width >> picture.height >> maxval;
  in.get();
  picture.rgb.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (magic != "P6" || maxval != 255 ||
      picture.rgb.size() < static_cast<size_t>(picture.width) * picture.height * 3) {
    return {};
  }
  return picture;
}

TEST(VtrXvfbTest, StartsShowsTheSkinAndRefusesASecondInstance) {
  for (const char* tool : {"Xvfb", "xwd", "xwdtopnm", "xwininfo"}) {
    if (!OnPath(tool)) GTEST_SKIP() << tool << " is not installed: the program's screen test needs it";
  }
  const std::filesystem::path work = std::filesystem::path(VTR_TEST_BIN_DIR) / "vtr_xvfb";
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work / "runtime");
  std::filesystem::permissions(work / "runtime", std::filesystem::perms::owner_all);
  const std::string program = std::string(VTR_DIST_DIR) + "/vtr";
  // Waits by polling (never a fixed pause): for the server's socket, then for the window.
  const std::string script = R"(
export XDG_RUNTIME_DIR="$PWD/runtime"
for n in 91 92 93 94 95 96 97 98; do [ -e /tmp/.X11-unix/X$n ] || break; done
Xvfb :$n -screen 0 640x480x24 -nolisten tcp >/dev/null 2>&1 & server=$!
export DISPLAY=:$n
i=0; until [ -e /tmp/.X11-unix/X$n ] || [ $i -ge 100 ]; do i=$((i+1)); sleep 0.05; done
")" + program + R"(" >first.log 2>&1 & first=$!
i=0; until xwininfo -root -tree 2>/dev/null | grep -q '"Voxtrel"' || [ $i -ge 100 ]; do i=$((i+1)); sleep 0.05; done
xwininfo -root -tree 2>/dev/null | grep '"Voxtrel"' | head -1 > window.txt
")" + program + R"(" >second.log 2>&1; echo $? > second.status
sleep 0.3
xwd -root -silent | xwdtopnm > shot.ppm 2>/dev/null
kill $first; wait $first 2>/dev/null
kill $server; wait $server 2>/dev/null
exit 0
)";
  std::ofstream(work / "run.sh") << script;
  platform::ProcessSpec spec;
  spec.program = work / "run.sh";
  spec.working_folder = work;
  const platform::ProcessResult run = platform::RunBatch(spec, std::chrono::seconds(20));
  ASSERT_TRUE(run.ok()) << run.error;

  std::ifstream window_file(work / "window.txt");
  std::string window((std::istreambuf_iterator<char>(window_file)), std::istreambuf_iterator<char>());
  ASSERT_NE(window.find("240x195"), std::string::npos) << "no 240x195 window: " << window;
  std::ifstream status_file(work / "second.status");
  int second_status = -1;
  status_file >> second_status;
  EXPECT_EQ(second_status, 0);

  // Where the window is: "... 240x195+X+Y ..."
  const size_t at = window.find("240x195+");
  int x = 0, y = 0;
  ASSERT_EQ(std::sscanf(window.c_str() + at, "240x195+%d+%d", &x, &y), 2);
  const Picture shot = ReadPpm(work / "shot.ppm");
  ASSERT_GT(shot.width, 0);
  ASSERT_LE(x + 240, shot.width);
  ASSERT_LE(y + 195, shot.height);
  // The script box is white, the skin around it blue, the Play area stays skin while empty.
  EXPECT_EQ(shot.At(x + 120, y + 70), 0xFFFFFFu);
  const uint32_t skin = shot.At(x + 4, y + 100);
  EXPECT_GT(skin & 0xFF, (skin >> 16) & 0xFF) << std::hex << skin;  // more blue than red
}

}  // namespace
}  // namespace vtr::app
