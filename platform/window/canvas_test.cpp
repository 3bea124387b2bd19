#include "platform/window/canvas.h"

#include <gtest/gtest.h>

namespace vtr::platform {
namespace {

TEST(ClipSegmentTest, KeepsWhatLiesInsideTheBox) {
  struct Case {
    const char* name;
    Point from, to;
    bool visible;
    Point clipped_from, clipped_to;
  };
  const Rect box{0, 0, 100, 50};
  const Case cases[] = {
      {"inside stays", {10, 10}, {20, 30}, true, {10, 10}, {20, 30}},
      {"far-off horizontal line", {-2000000, 10}, {2097145, 10}, true, {0, 10}, {99, 10}},
      {"far-off vertical line", {40, -5180}, {40, 2100000}, true, {40, 0}, {40, 49}},
      {"entirely left", {-300, 10}, {-1, 40}, false, {}, {}},
      {"entirely below", {10, 60}, {90, 2000000}, false, {}, {}},
      {"diagonal through", {-50, -25}, {150, 75}, true, {0, 0}, {98, 49}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Point from = c.from, to = c.to;
    EXPECT_EQ(ClipSegment(box, from, to), c.visible);
    if (c.visible) {
      EXPECT_EQ(from, c.clipped_from);
      EXPECT_EQ(to, c.clipped_to);
    }
  }
}

TEST(RecordingCanvasTest, RecordsClippedOperations) {
  RecordingCanvas canvas(Rect{0, 0, 100, 50});
  canvas.FillRect(Rect{-10, -10, 200, 20}, 0xFFFFFF);
  canvas.Line({0, 10}, {3000000, 10}, 0xC0C0C0, 1);
  canvas.Line({-5, -5}, {-3, -3}, 0x000000, 2);  // invisible: not recorded
  canvas.FrameRect(Rect{10, 10, 20, 20}, 0xFF8F6B, 2);
  canvas.DrawImage({95, 45}, Image(8, 8, 0xFF00FF), 0xFF00FF);
  canvas.PushClip(Rect{0, 0, 10, 10});
  canvas.FillRect(Rect{5, 5, 50, 50}, 0x123456);
  canvas.PopClip();
  canvas.PopClip();  // unbalanced: ignored
  // clang-format off
  const std::vector<std::string> expected = {
      "fill 0,0 100,20 ffffff", "line 0,10 99,10 c0c0c0 w1",
      "fill 10,10 20,12 ff8f6b", "fill 10,18 20,20 ff8f6b", "fill 10,12 12,18 ff8f6b", "fill 18,12 20,18 ff8f6b",
      "image 95,45 5x5",        "clip 0,0 10,10", "fill 5,5 10,10 123456", "unclip"};
  // clang-format on
  EXPECT_EQ(canvas.Lines(), expected);
}

TEST(RecordingCanvasTest, TextOutsideItsRectangleIsClipped) {
  RecordingCanvas canvas(Rect{0, 0, 100, 50});
  canvas.Text(Rect{3, 30, 28, 45}, "か", Font{"MS ゴシック", 8.5}, 0x000000,
              kTextCenter | kTextSingleLine);
  canvas.Text(Rect{-4000000, 30, -3999975, 45}, "far", Font{}, 0x000000,
              kTextLeft);  // off the canvas
  const std::vector<std::string> expected = {"text 3,30 28,45 \"か\" 000000"};
  EXPECT_EQ(canvas.Lines(), expected);
}

TEST(GreyedImageTest, TurnsEveryColourGreyAndFadedAndKeepsTheKey) {
  struct Case {
    Color in;
    Color out;
  };
  // The grey of the face (EC E9 D8) is 0xE4; each pixel goes halfway from its own grey to it.
  const Case cases[] = {
      {colors::kBlack, Rgb(0x72, 0x72, 0x72)},
      {colors::kWhite, Rgb(0xF1, 0xF1, 0xF1)},
      {Rgb(0x30, 0xA0, 0x30), Rgb(0xAA, 0xAA, 0xAA)},  // grey level 0x71
      {Rgb(0xC0, 0x20, 0x20), Rgb(0x99, 0x99, 0x99)},  // grey level 0x4E
  };
  Image image(static_cast<int>(std::size(cases)) + 1, 1, 0xFF00FF);
  for (size_t i = 0; i < std::size(cases); ++i) image.set(static_cast<int>(i), 0, cases[i].in);
  const Image greyed = GreyedImage(image, 0xFF00FF);
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(greyed.at(static_cast<int>(i), 0), cases[i].out) << i;
  EXPECT_EQ(greyed.at(static_cast<int>(std::size(cases)), 0), 0xFF00FFu);
}

TEST(RegionTest, RunsOfNonKeyPixels) {
  Image image(5, 2, 0xFF00FF);
  image.set(1, 0, 1);
  image.set(2, 0, 1);
  image.set(4, 0, 1);
  const Region region = RegionFromImage(image, 0xFF00FF, Rect{0, 0, 5, 2});
  EXPECT_EQ(region.rects(), (std::vector<Rect>{{1, 0, 3, 1}, {4, 0, 5, 1}}));
  EXPECT_EQ(region.Bounds(), (Rect{1, 0, 5, 1}));
}

}  // namespace
}  // namespace vtr::platform
