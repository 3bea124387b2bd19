// Shows the demonstration dialog through the FLTK backend on a private Xvfb server, takes a
// screenshot and checks a few pixels and that Japanese text is drawn with real glyphs.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/window/testdata/demo_dialog.h"
#include "platform/window/window_system.h"

// The X libraries keep caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libXft\nleak:libfontconfig\nleak:libfreetype\nleak:libfltk\nleak:libXrender\n";
}

namespace vtr::platform {
namespace {

std::optional<std::filesystem::path> FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::filesystem::path candidate = std::filesystem::path(dirs.substr(start, end - start)) / name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// A private X server that says its display number itself once it is ready (no polling).
class XServer {
 public:
  bool Start(const std::filesystem::path& xvfb) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && poll(&p, 1, 10000) > 0) {
      char buffer[16];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (number.empty() || number.find('\n') == std::string::npos) return false;
    display_ = ":" + number.substr(0, number.find('\n'));
    return true;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

struct Screenshot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Color at(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return Rgb(rgb[i], rgb[i + 1], rgb[i + 2]);
  }
};

std::optional<Screenshot> ReadPpm(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  // Header fields may be separated by comment lines ("# ...").
  auto field = [&in]() {
    std::string token;
    while (in >> token && token[0] == '#') {
      std::string rest;
      std::getline(in, rest);
    }
    return token;
  };
  Screenshot shot;
  const std::string magic = field();
  shot.width = std::atoi(field().c_str());
  shot.height = std::atoi(field().c_str());
  const int maxval = std::atoi(field().c_str());
  if (magic != "P6" || maxval != 255 || shot.width <= 0 || shot.height <= 0) return std::nullopt;
  in.get();
  shot.rgb.resize(static_cast<size_t>(shot.width) * shot.height * 3);
  in.read(reinterpret_cast<char*>(shot.rgb.data()), static_cast<std::streamsize>(shot.rgb.size()));
  if (!in) return std::nullopt;
  return shot;
}

bool IsDark(Color c) { return RedOf(c) + GreenOf(c) + BlueOf(c) < 300; }

TEST(FltkScreenshotTest, DemoDialogShowsItsControlsAndJapaneseText) {
  const auto xvfb = FindProgram("Xvfb");
  const auto xwd = FindProgram("xwd");
  const auto convert = FindProgram("convert");
  if (!xvfb || !xwd || !convert) {
    GTEST_SKIP() << "Xvfb, xwd or ImageMagick convert is not installed (setup.sh installs xvfb, x11-apps "
                    "and imagemagick); the screenshot test of the FLTK backend did not run";
  }
  XServer server;
  ASSERT_TRUE(server.Start(*xvfb)) << "Xvfb did not start";
  setenv("DISPLAY", server.display().c_str(), 1);
  ASSERT_TRUE(UseFltkBackend());

  const std::filesystem::path folder = TempFolder() / ("vtr_window_shot_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  demo::DemoDialog dialog;
  bool captured = false;
  dialog.on_shown = [&] {
    ProcessSpec shot;
    shot.program = *xwd;
    shot.args = {"-root", "-silent", "-display", server.display(), "-out", (folder / "screen.xwd").string()};
    ProcessSpec to_ppm;
    to_ppm.program = *convert;
    to_ppm.args = {(folder / "screen.xwd").string(), (folder / "screen.ppm").string()};
    captured = RunProcess(shot, std::chrono::seconds(10)).ok() && RunProcess(to_ppm, std::chrono::seconds(10)).ok();
    return kIdOk;
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_TRUE(captured) << "xwd or convert failed";
  const auto shot = ReadPpm(folder / "screen.ppm");
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(shot.has_value());

  // Without a window manager the dialog's client area sits where the layer placed it.
  const Point origin{dialog.rect().left, dialog.rect().top};
  auto at = [&](Point p) { return shot->at(origin.x + p.x, origin.y + p.y); };
  EXPECT_EQ(at(demo::kGraphLineAt), demo::kLineColor);
  EXPECT_EQ(at({demo::kGraphRect.left + 2, demo::kGraphRect.top + 5}), colors::kWhite);
  EXPECT_EQ(at({demo::kSwatchRect.left + 20, demo::kSwatchRect.top + 10}), demo::kSwatchColor);

  // Japanese glyphs: ink in both boxes, and two different characters look different (missing
  // glyphs would all be the same empty box).
  int ink_a = 0, ink_b = 0, differ = 0;
  for (int y = 0; y < demo::kGlyphARect.height(); ++y) {
    for (int x = 0; x < demo::kGlyphARect.width(); ++x) {
      const bool a = IsDark(at({demo::kGlyphARect.left + x, demo::kGlyphARect.top + y}));
      const bool b = IsDark(at({demo::kGlyphBRect.left + x, demo::kGlyphBRect.top + y}));
      ink_a += a;
      ink_b += b;
      differ += a != b;
    }
  }
  EXPECT_GT(ink_a, 40);
  EXPECT_GT(ink_b, 40);
  EXPECT_GT(differ, 40);
}

}  // namespace
}  // namespace vtr::platform
