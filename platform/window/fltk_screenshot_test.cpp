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
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/current_directory.h"
#include "platform/paths.h"
#include "platform/window/testdata/demo_dialog.h"
#include "platform/window/testing/x_server.h"
#include "platform/window/window_system.h"

// Last: Xlib's macros (None, Bool) would break the test framework's headers.
#include <FL/x.H>

// The X libraries keep caches for the life of the process; they are not leaks of ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker's runtime looks up
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libX11\nleak:libXft\nleak:libfontconfig\nleak:libfreetype\nleak:libfltk\nleak:"
         "libXrender\n";
}

namespace vtr::platform {
namespace {

using testing::MissingTool;
using testing::Picture;
using testing::XServer;

// The private server of this process, started by the first test that needs it (FLTK keeps its
// display connection for the life of the process), its work folder named after that test. Null
// when it did not start.
XServer* FltkOnPrivateServer() {
  static XServer server(std::filesystem::path(VTR_TEST_BIN_DIR) /
                        (std::string("vtr_window_fltk_") +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name()));
  static const bool ready = server.Start({}).empty() &&
                            setenv("DISPLAY", server.display().c_str(), 1) == 0 && UseFltkBackend();
  return ready ? &server : nullptr;
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
  if (const std::string tool = MissingTool(testing::kScreenTools); !tool.empty()) {
    GTEST_SKIP()
        << tool
        << " is not installed (setup.sh installs it); the screenshot test of the FLTK backend "
           "did not run";
  }
  XServer* server = FltkOnPrivateServer();
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";

  demo::DemoDialog dialog;
  Picture shot;
  dialog.on_shown = [&] {
    SettleWindows();
    shot = server->ShotOfScreen();
    return kIdOk;
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_GT(shot.width, 0) << "xwd or xwdtopnm failed";

  // Without a window manager the dialog's client area sits where the layer placed it.
  const Point origin{dialog.rect().left, dialog.rect().top};
  auto at = [&](Point p) { return shot.ColorAt(origin.x + p.x, origin.y + p.y); };
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
  PictureDialog(DialogTemplate t, XServer& server) : Dialog(std::move(t)), server_(server) {}
  std::function<void(PictureDialog&)> on_init;
  // When set, changes the dialog after the first picture, and a second one is taken.
  std::function<void(PictureDialog&)> then;
  std::optional<Picture> shot;
  std::optional<Picture> second_shot;

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
  std::optional<Picture> TakePicture() {
    SettleWindows();
    Picture picture = server_.ShotOfScreen();
    if (picture.width == 0) return std::nullopt;
    return picture;
  }

  XServer& server_;
};

// Dark pixels of `r` (client coordinates of a dialog at `origin`) as a bit per pixel.
std::vector<bool> InkOf(const Picture& shot, Point origin, const Rect& r) {
  std::vector<bool> ink;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      ink.push_back(IsDark(shot.ColorAt(origin.x + x, origin.y + y)));
  return ink;
}

// Hangul, simplified Chinese and kana are each drawn with real glyphs: with ink, and unlike
// the box a character shows that no font of the list has.
TEST(FltkScreenshotTest, KoreanChineseAndJapaneseTextShowRealGlyphs) {
  if (const std::string tool = MissingTool(testing::kScreenTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed; the glyph test did not run";
  }
  XServer* server = FltkOnPrivateServer();
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  struct Sample {
    std::string_view text;
    const char* script;
  };
  const Sample samples[] = {{"한", "hangul"}, {"这", "simplified Chinese"}, {"あ", "kana"}};
  const std::string_view missing = "\xF0\x9F\x82\xA1";  // a playing card: in no font of the list
  DialogTemplate t{.id = 951, .caption = "glyphs", .size = {240, 60}, .controls = {}};
  for (int i = 0; i < 4; ++i) {
    t.controls.push_back({700 + i,
                          ControlKind::kStatic,
                          i < 3 ? samples[i].text : missing,
                          {10 + 55 * i, 10, 40, 40}});
  }
  PictureDialog dialog(t, *server);
  dialog.on_init = [](PictureDialog& d) {
    for (int i = 0; i < 4; ++i) {
      d.Item<Static>(700 + i)->SetColors(colors::kWhite);
      d.Item(700 + i)->SetFont(Font{"MS UI Gothic", 24});
    }
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_TRUE(dialog.shot.has_value()) << "xwd or xwdtopnm failed";
  const Point origin{dialog.rect().left, dialog.rect().top};
  const std::vector<bool> box =
      InkOf(*dialog.shot, origin, Rect::FromSize(10 + 55 * 3, 10, 40, 40));
  for (int i = 0; i < 3; ++i) {
    const std::vector<bool> glyph =
        InkOf(*dialog.shot, origin, Rect::FromSize(10 + 55 * i, 10, 40, 40));
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
  if (const std::string tool = MissingTool(testing::kScreenTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed; the shape test did not run";
  }
  XServer* server = FltkOnPrivateServer();
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  class RedSquare : public CustomWindow {
    void OnPaint(Canvas& canvas) override { canvas.FillRect(client_rect(), Rgb(0xFF, 0, 0)); }
  };
  DialogTemplate t{.id = 952,
                   .caption = "shape",
                   .size = {80, 60},
                   .controls = {{1, ControlKind::kCustom, "", {10, 10, 28, 28}}}};
  PictureDialog dialog(t, *server);
  dialog.on_init = [](PictureDialog& d) {
    Window* square = d.ReplaceChild(1, std::make_unique<RedSquare>());
    Image disc(28, 28, 0xFF00FF);
    for (int y = 0; y < 28; ++y)
      for (int x = 0; x < 28; ++x)
        if ((x - 13.5) * (x - 13.5) + (y - 13.5) * (y - 13.5) <= 13.5 * 13.5) disc.set(x, y, 0);
    square->SetShape(RegionFromImage(disc, 0xFF00FF, Rect{0, 0, 28, 28}));
  };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_TRUE(dialog.shot.has_value()) << "xwd or xwdtopnm failed";
  const Point at{dialog.rect().left + 10, dialog.rect().top + 10};
  EXPECT_EQ(dialog.shot->ColorAt(at.x + 14, at.y + 14), Rgb(0xFF, 0, 0)) << "the middle is painted";
  for (const Point corner : {Point{0, 0}, Point{27, 0}, Point{0, 27}, Point{27, 27}}) {
    EXPECT_EQ(dialog.shot->ColorAt(at.x + corner.x, at.y + corner.y), colors::kButtonFace)
        << corner.x << "," << corner.y << " lies outside the shape";
  }
}

// The lines of text drawn in `r` (client coordinates of a dialog at `origin`): runs of pixel
// rows with ink in them.
int TextLinesIn(const Picture& shot, Point origin, const Rect& r) {
  int lines = 0;
  bool in_line = false;
  for (int y = r.top; y < r.bottom; ++y) {
    bool ink = false;
    for (int x = r.left; x < r.right && !ink; ++x)
      ink = IsDark(shot.ColorAt(origin.x + x, origin.y + y));
    if (ink && !in_line) ++lines;
    in_line = ink;
  }
  return lines;
}

// A multi-line edit breaks its lines at the box edge for the font it has now: a bigger font
// set after the text shows puts fewer characters on a line, and so more lines.
TEST(FltkScreenshotTest, AMultiLineEditWrapsAgainForANewFontSize) {
  if (const std::string tool = MissingTool(testing::kScreenTools); !tool.empty()) {
    GTEST_SKIP() << tool << " is not installed; the wrap test did not run";
  }
  XServer* server = FltkOnPrivateServer();
  ASSERT_NE(server, nullptr) << "Xvfb or FLTK did not start";
  const Rect box = Rect::FromSize(12, 12, 216, 200);
  DialogTemplate t{.id = 953,
                   .caption = "wrap",
                   .size = {240, 224},
                   .controls = {{1002, ControlKind::kEdit, "", box, kStyleMultiLine}}};
  std::string kana;
  for (int i = 0; i < 40; ++i) kana += "か";
  PictureDialog dialog(t, *server);
  dialog.on_init = [&](PictureDialog& d) {
    d.Item(1002)->SetFont(Font{"MS UI Gothic", 9});
    d.Item(1002)->SetText(kana);
  };
  dialog.then = [](PictureDialog& d) { d.Item(1002)->SetFont(Font{"MS UI Gothic", 15}); };
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  ASSERT_TRUE(dialog.shot.has_value() && dialog.second_shot.has_value())
      << "xwd or xwdtopnm failed";
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
  if (found != nullptr &&
      (label.empty() || (widget->label() != nullptr && label == widget->label()))) {
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
  for (int i = 0; i < filters->size() - 1; ++i)
    user.filters.push_back(filters->text(i) ? filters->text(i) : "");
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
  if (!MissingTool({"Xvfb"}).empty()) {
    GTEST_SKIP() << "Xvfb is not installed; the file chooser test of the FLTK backend did not run";
  }
  ASSERT_NE(FltkOnPrivateServer(), nullptr) << "Xvfb or FLTK did not start";
  // The GTK chooser runs a loop of its own that FLTK's timers do not reach.
  Fl::option(Fl::OPTION_FNFC_USES_GTK, false);

  const std::filesystem::path folder =
      TempFolder() / ("vtr_window_chooser_" + std::to_string(getpid()));
  std::filesystem::create_directories(folder / "other");
  for (const char* file : {"a.kvx", "b.txt", "other/c.kvx"}) std::ofstream(folder / file) << "x";
  const std::vector<FileFilter> filters = {{"Kelvox File (*.kvx)", "*.kvx"},
                                           {"Text file (*.txt)", "*.txt"}};
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
  // clang-format off
  const Case cases[] = {
      {"no folder: the current one", "", "", 1, {"a.kvx"}, 1, (folder / "new.txt").string(),
       {true, (folder / "new.txt").string(), 2}},
      {"asked folder, second filter first", (folder / "other").string(), "", 2, {}, 0,
       (folder / "other" / "new.kvx").string(), {true, (folder / "other" / "new.kvx").string(), 1}},
      {"a bare proposed name stays in the asked folder", (folder / "other").string(), "song.kvx", 1, {"c.kvx"}, 0, "",
       {false, "", 1}},
  };
  // clang-format on
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
