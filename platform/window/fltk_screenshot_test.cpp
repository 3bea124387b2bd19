// Shows the demonstration dialog through the FLTK backend on a private Xvfb server, takes a
// screenshot and checks a few pixels and that Japanese text is drawn with real glyphs. Then goes
// through FLTK's own file chooser as a user would.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_File_Browser.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_File_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_ask.H>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/current_directory.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/window/testdata/demo_dialog.h"
#include "platform/window/window_system.h"

// Last: Xlib's macros (None, Bool) would break the test framework's headers.
#include <FL/x.H>

// The X libraries keep caches for the life of the process; they are not leaks of ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker's runtime looks up
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
      // -noreset: a server that resets when its last client leaves refuses connections
      // for a moment.
      execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
            "tcp", "-noreset", static_cast<char*>(nullptr));
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

// The private server of this process, started by the first test that needs it (FLTK keeps its
// display connection for the life of the process). Null when it did not start.
const XServer* FltkOnPrivateServer(const std::filesystem::path& xvfb) {
  static XServer server;
  static const bool ready =
      server.Start(xvfb) && setenv("DISPLAY", server.display().c_str(), 1) == 0 && UseFltkBackend();
  return ready ? &server : nullptr;
}

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

// Lets the server map and the windows paint everything asked for so far, before a picture: on a
// busy machine the timer that takes it may fire before the first paint.
void SettleWindows() {
  for (int round = 0; round < 20; ++round) {
    Fl::check();
    Fl::flush();
    XSync(fl_display, False);
    usleep(10000);
  }
}

TEST(FltkScreenshotTest, DemoDialogShowsItsControlsAndJapaneseText) {
  const auto xvfb = FindProgram("Xvfb");
  const auto xwd = FindProgram("xwd");
  const auto convert = FindProgram("convert");
  if (!xvfb || !xwd || !convert) {
    GTEST_SKIP() << "Xvfb, xwd or ImageMagick convert is not installed (setup.sh installs xvfb, x11-apps "
                    "and imagemagick); the screenshot test of the FLTK backend did not run";
  }
  const XServer* server = FltkOnPrivateServer(*xvfb);
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";

  const std::filesystem::path folder = TempFolder() / ("vtr_window_shot_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  demo::DemoDialog dialog;
  bool captured = false;
  dialog.on_shown = [&] {
    SettleWindows();
    ProcessSpec shot;
    shot.program = *xwd;
    shot.args = {"-root", "-silent", "-display", server->display(), "-out", (folder / "screen.xwd").string()};
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

// A dialog that takes a picture of the screen once it has shown, and ends.
class PictureDialog : public Dialog {
 public:
  PictureDialog(DialogTemplate t, std::string display, std::filesystem::path folder)
      : Dialog(std::move(t)), display_(std::move(display)), folder_(std::move(folder)) {}
  std::function<void(PictureDialog&)> on_init;
  // When set, changes the dialog after the first picture, and a second one is taken.
  std::function<void(PictureDialog&)> then;
  std::optional<Screenshot> shot;
  std::optional<Screenshot> second_shot;

  void OnTimer(int) override {
    KillTimer(1);
    shot = TakePicture();
    if (then) {
      then(*this);
      second_shot = TakePicture();
    }
    EndDialog(kIdOk);
  }

 protected:
  bool OnInitDialog() override {
    if (on_init) on_init(*this);
    SetTimer(1, 600);
    return true;
  }

 private:
  std::optional<Screenshot> TakePicture() {
    SettleWindows();
    ProcessSpec xwd;
    xwd.program = *FindProgram("xwd");
    xwd.args = {"-root", "-silent", "-display", display_, "-out", (folder_ / "screen.xwd").string()};
    ProcessSpec to_ppm;
    to_ppm.program = *FindProgram("convert");
    to_ppm.args = {(folder_ / "screen.xwd").string(), (folder_ / "screen.ppm").string()};
    if (RunProcess(xwd, std::chrono::seconds(10)).ok() && RunProcess(to_ppm, std::chrono::seconds(10)).ok()) {
      return ReadPpm(folder_ / "screen.ppm");
    }
    return std::nullopt;
  }

  std::string display_;
  std::filesystem::path folder_;
};

// Dark pixels of `r` (client coordinates of a dialog at `origin`) as a bit per pixel.
std::vector<bool> InkOf(const Screenshot& shot, Point origin, const Rect& r) {
  std::vector<bool> ink;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) ink.push_back(IsDark(shot.at(origin.x + x, origin.y + y)));
  return ink;
}

// Hangul, simplified Chinese and kana are each drawn with real glyphs: with ink, and unlike
// the box a character shows that no font of the list has.
TEST(FltkScreenshotTest, KoreanChineseAndJapaneseTextShowRealGlyphs) {
  const auto xvfb = FindProgram("Xvfb");
  if (!xvfb || !FindProgram("xwd") || !FindProgram("convert")) {
    GTEST_SKIP() << "Xvfb, xwd or ImageMagick convert is not installed; the glyph test did not run";
  }
  const XServer* server = FltkOnPrivateServer(*xvfb);
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  struct Sample {
    std::string_view text;
    const char* script;
  };
  const Sample samples[] = {{"한", "hangul"}, {"这", "simplified Chinese"}, {"あ", "kana"}};
  const std::string_view missing = "\xF0\x9F\x82\xA1";  // a playing card: in no font of the list
  DialogTemplate t{.id = 951, .caption = "glyphs", .size = {240, 60}, .controls = {}};
  for (int i = 0; i < 4; ++i) {
    t.controls.push_back({700 + i, ControlKind::kStatic, i < 3 ? samples[i].text : missing,
                          {10 + 55 * i, 10, 40, 40}});
  }
  const std::filesystem::path folder = TempFolder() / ("vtr_window_glyphs_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  PictureDialog dialog(t, server->display(), folder);
  dialog.on_init = [](PictureDialog& d) {
    for (int i = 0; i < 4; ++i) {
      d.Item<Static>(700 + i)->SetColors(colors::kWhite);
      d.Item(700 + i)->SetFont(Font{"MS UI Gothic", 24});
    }
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(dialog.shot.has_value()) << "xwd or convert failed";
  const Point origin{dialog.rect().left, dialog.rect().top};
  const std::vector<bool> box = InkOf(*dialog.shot, origin, Rect::FromSize(10 + 55 * 3, 10, 40, 40));
  for (int i = 0; i < 3; ++i) {
    const std::vector<bool> glyph = InkOf(*dialog.shot, origin, Rect::FromSize(10 + 55 * i, 10, 40, 40));
    int ink = 0, differ = 0;
    for (size_t p = 0; p < glyph.size(); ++p) {
      ink += glyph[p];
      differ += glyph[p] != box[p];
    }
    EXPECT_GT(ink, 40) << samples[i].script;
    EXPECT_GT(differ, 40) << samples[i].script << " looks like the box of a missing glyph";
  }
}

// A shaped window paints only inside its shape: a square painted all red under a round shape
// leaves the dialog's face in the corners.
TEST(FltkScreenshotTest, AShapedWindowPaintsOnlyInsideItsShape) {
  const auto xvfb = FindProgram("Xvfb");
  if (!xvfb || !FindProgram("xwd") || !FindProgram("convert")) {
    GTEST_SKIP() << "Xvfb, xwd or ImageMagick convert is not installed; the shape test did not run";
  }
  const XServer* server = FltkOnPrivateServer(*xvfb);
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  class RedSquare : public CustomWindow {
    void OnPaint(Canvas& canvas) override { canvas.FillRect(client_rect(), Rgb(0xFF, 0, 0)); }
  };
  DialogTemplate t{.id = 952, .caption = "shape", .size = {80, 60}, .controls = {{1, ControlKind::kCustom, "", {10, 10, 28, 28}}}};
  const std::filesystem::path folder = TempFolder() / ("vtr_window_shape_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  PictureDialog dialog(t, server->display(), folder);
  dialog.on_init = [](PictureDialog& d) {
    Window* square = d.ReplaceChild(1, std::make_unique<RedSquare>());
    Image disc(28, 28, 0xFF00FF);
    for (int y = 0; y < 28; ++y)
      for (int x = 0; x < 28; ++x)
        if ((x - 13.5) * (x - 13.5) + (y - 13.5) * (y - 13.5) <= 13.5 * 13.5) disc.set(x, y, 0);
    square->SetShape(RegionFromImage(disc, 0xFF00FF, Rect{0, 0, 28, 28}));
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(dialog.shot.has_value()) << "xwd or convert failed";
  const Point at{dialog.rect().left + 10, dialog.rect().top + 10};
  EXPECT_EQ(dialog.shot->at(at.x + 14, at.y + 14), Rgb(0xFF, 0, 0)) << "the middle is painted";
  for (const Point corner : {Point{0, 0}, Point{27, 0}, Point{0, 27}, Point{27, 27}}) {
    EXPECT_EQ(dialog.shot->at(at.x + corner.x, at.y + corner.y), colors::kButtonFace)
        << corner.x << "," << corner.y << " lies outside the shape";
  }
}

// The lines of text drawn in `r` (client coordinates of a dialog at `origin`): runs of pixel
// rows with ink in them.
int TextLinesIn(const Screenshot& shot, Point origin, const Rect& r) {
  int lines = 0;
  bool in_line = false;
  for (int y = r.top; y < r.bottom; ++y) {
    bool ink = false;
    for (int x = r.left; x < r.right && !ink; ++x) ink = IsDark(shot.at(origin.x + x, origin.y + y));
    if (ink && !in_line) ++lines;
    in_line = ink;
  }
  return lines;
}

// A multi-line edit breaks its lines at the box edge for the font it has now: a bigger font
// set after the text shows puts fewer characters on a line, and so more lines.
TEST(FltkScreenshotTest, AMultiLineEditWrapsAgainForANewFontSize) {
  const auto xvfb = FindProgram("Xvfb");
  if (!xvfb || !FindProgram("xwd") || !FindProgram("convert")) {
    GTEST_SKIP() << "Xvfb, xwd or ImageMagick convert is not installed; the wrap test did not run";
  }
  const XServer* server = FltkOnPrivateServer(*xvfb);
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  const Rect box = Rect::FromSize(12, 12, 216, 200);
  DialogTemplate t{.id = 953, .caption = "wrap", .size = {240, 224},
                   .controls = {{1002, ControlKind::kEdit, "", box, kStyleMultiLine}}};
  std::string kana;
  for (int i = 0; i < 40; ++i) kana += "か";
  const std::filesystem::path folder = TempFolder() / ("vtr_window_wrap_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  PictureDialog dialog(t, server->display(), folder);
  dialog.on_init = [&](PictureDialog& d) {
    d.Item(1002)->SetFont(Font{"MS UI Gothic", 9});
    d.Item(1002)->SetText(kana);
  };
  dialog.then = [](PictureDialog& d) { d.Item(1002)->SetFont(Font{"MS UI Gothic", 15}); };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  std::filesystem::remove_all(folder);
  ASSERT_TRUE(dialog.shot.has_value() && dialog.second_shot.has_value()) << "xwd or convert failed";
  const Point origin{dialog.rect().left, dialog.rect().top};
  const Rect inside = box.Inflate(-4, -4);
  const int small = TextLinesIn(*dialog.shot, origin, inside);
  const int big = TextLinesIn(*dialog.second_shot, origin, inside);
  EXPECT_EQ(small, 3) << "40 kana at 12 pixels in a box 216 pixels wide";
  EXPECT_GE(big, 4) << "the lines kept their old breaks under the bigger font";
}

// A user of FLTK's own file chooser, acting from inside its loop: notes what the chooser shows,
// then picks a filter, types a name and presses OK (Cancel when no name is given).
struct ChooserUser {
  int pick_filter = 0;
  std::string pick_path;
  // What was shown.
  bool seen = false;
  std::vector<std::string> filters;
  int shown_filter = -1;
  std::vector<std::string> files;  // the starting folder's files under the shown filter
};

template <typename T>
T* FindWidget(Fl_Widget* widget, std::string_view label = {}) {
  auto* found = dynamic_cast<T*>(widget);
  if (found != nullptr && (label.empty() || (widget->label() != nullptr && label == widget->label()))) {
    return found;
  }
  Fl_Group* group = widget->as_group();
  for (int i = 0; group != nullptr && i < group->children(); ++i) {
    if (T* inner = FindWidget<T>(group->child(i), label)) return inner;
  }
  return nullptr;
}

void ActAsChooserUser(void* data) {
  ChooserUser& user = *static_cast<ChooserUser*>(data);
  Fl_Window* window = Fl::first_window();
  Fl_Choice* filters = window != nullptr ? FindWidget<Fl_Choice>(window) : nullptr;
  auto* list = window != nullptr ? FindWidget<Fl_File_Browser>(window) : nullptr;
  auto* name = window != nullptr ? FindWidget<Fl_File_Input>(window) : nullptr;
  auto* ok = window != nullptr ? FindWidget<Fl_Return_Button>(window) : nullptr;
  auto* cancel = window != nullptr ? FindWidget<Fl_Button>(window, fl_cancel) : nullptr;
  if (!filters || !list || !name || !ok || !cancel) {  // not up yet
    Fl::repeat_timeout(0.05, ActAsChooserUser, data);
    return;
  }
  user.seen = true;
  for (int i = 0; i < filters->size() - 1; ++i) user.filters.push_back(filters->text(i) ? filters->text(i) : "");
  user.shown_filter = filters->value();
  for (int i = 1; i <= list->size(); ++i) {
    const std::string file = list->text(i);
    if (!file.empty() && file.back() != '/') user.files.push_back(file);
  }
  if (user.pick_path.empty()) {
    cancel->do_callback();
    return;
  }
  filters->value(user.pick_filter);
  filters->do_callback();
  name->value(user.pick_path.c_str());
  ok->do_callback();
}

TEST(FltkFileChooserTest, ShowsTheCallersFiltersOnceAndStartsInTheRightFolder) {
  const auto xvfb = FindProgram("Xvfb");
  if (!xvfb) GTEST_SKIP() << "Xvfb is not installed; the file chooser test of the FLTK backend did not run";
  ASSERT_NE(FltkOnPrivateServer(*xvfb), nullptr) << "Xvfb or FLTK did not start";
  // The GTK chooser runs a loop of its own that FLTK's timers do not reach.
  Fl::option(Fl::OPTION_FNFC_USES_GTK, false);

  const std::filesystem::path folder = TempFolder() / ("vtr_window_chooser_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "other");
  for (const char* file : {"a.kvx", "b.txt", "other/c.kvx"}) std::ofstream(folder / file) << "x";
  const std::vector<FileFilter> filters = {{"Kelvox File (*.kvx)", "*.kvx"}, {"Text file (*.txt)", "*.txt"}};
  const std::vector<std::string> shown = {"Kelvox File (*.kvx)", "Text file (*.txt)"};

  struct Case {
    const char* name;
    std::string folder;     // asked for; empty: none (the test runs in `folder`)
    std::string file_name;  // proposed
    int filter_index;
    std::vector<std::string> files;  // listed at the start
    int pick_filter;                 // 0-based, as FLTK counts
    std::string pick;                // empty: cancel
    FileDialogResult expected;
  };
  const Case cases[] = {
      {"no folder: the current one", "", "", 1, {"a.kvx"}, 1, (folder / "new.txt").string(),
       {true, (folder / "new.txt").string(), 2}},
      {"asked folder, second filter first", (folder / "other").string(), "", 2, {}, 0,
       (folder / "other" / "new.kvx").string(), {true, (folder / "other" / "new.kvx").string(), 1}},
      {"a bare proposed name stays in the asked folder", (folder / "other").string(), "song.kvx", 1, {"c.kvx"}, 0, "",
       {false, "", 1}},
  };
  ScopedCurrentDirectory in_folder(folder);
  ASSERT_TRUE(in_folder.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogRequest request;
    request.save = true;
    request.filters = filters;
    request.filter_index = c.filter_index;
    request.folder = c.folder;
    request.file_name = c.file_name;
    ChooserUser user;
    user.pick_filter = c.pick_filter;
    user.pick_path = c.pick;
    Fl::add_timeout(0.0, ActAsChooserUser, &user);
    const FileDialogResult result = ShowFileDialog(nullptr, request);
    ASSERT_TRUE(user.seen);
    ASSERT_GE(user.filters.size(), shown.size());
    EXPECT_EQ(std::vector<std::string>(user.filters.begin(), user.filters.begin() + 2), shown);
    EXPECT_EQ(user.shown_filter, c.filter_index - 1);
    EXPECT_EQ(user.files, c.files);
    EXPECT_EQ(result.ok, c.expected.ok);
    EXPECT_EQ(result.path, c.expected.path);
    if (c.expected.ok) {
      EXPECT_EQ(result.filter_index, c.expected.filter_index);
    }
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vtr::platform
