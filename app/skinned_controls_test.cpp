#include "app/skinned_controls.h"

#include <gtest/gtest.h>

namespace vtr::app {
namespace {

TEST(ChooseSlotTest, FollowsHoverSelectionDisabledAndLatch) {
  struct Case {
    ButtonState state;
    int slot;
  };
  const Case cases[] = {
      {{}, kSlotNormal},
      {{.hover = true}, kSlotHover},
      {{.selected = true}, kSlotPressed},
      {{.hover = true, .selected = true}, kSlotPressed},
      {{.hover = true, .latched = true}, kSlotPressed},
      {{.latched = true}, kSlotLatched},
      {{.disabled = true}, kSlotDisabled},
      {{.hover = true, .disabled = true}, kSlotDisabled},
      {{.selected = true, .disabled = true, .latched = true}, kSlotLatchedDisabled},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseSlot(c.state), c.slot)
        << c.state.hover << c.state.selected << c.state.disabled << c.state.latched;
  }
}

TEST(ShapeRunsTest, TakesNonKeyRunsOfTheFirstFrameOnly) {
  constexpr platform::Color k = 0xFF00FF;
  platform::Image image(5, 6, k);  // two frames of 3 rows
  image.set(1, 0, 1);
  image.set(2, 0, 1);
  image.set(4, 0, 2);
  // row 1 holds only the key colour
  image.set(0, 2, 3);
  image.set(2, 4, 3);  // second frame: ignored
  EXPECT_EQ(ShapeRuns(image, 3), (std::vector<RegionRun>{{1, 3, 0}, {4, 5, 0}, {0, 1, 2}}));
  image.set(0, 0, 7);  // the key is now colour 7: everything else of row 0 is shape
  const std::vector<RegionRun> runs = ShapeRuns(image, 3);
  ASSERT_FALSE(runs.empty());
  EXPECT_EQ(runs.front(), (RegionRun{1, 5, 0}));
  EXPECT_TRUE(ShapeRuns(platform::Image(), 3).empty());
}

TEST(BitmapButtonTest, MissingImageLeavesTheSlotEmpty) {
  BitmapButton button;
  const platform::Image image(4, 3, 0x123456);
  EXPECT_EQ(button.LoadStateImage(kSlotNormal, &image, 0), kLoadOk);
  EXPECT_EQ(button.LoadStateImage(kSlotHover, nullptr, 0), kLoadNoResource);
  EXPECT_TRUE(button.slot_image(kSlotHover).empty());
  EXPECT_FALSE(button.FitToImage());
  EXPECT_EQ(button.LoadStateImage(kSlotHover, &image, 0), kLoadOk);
  EXPECT_TRUE(button.FitToImage());
  EXPECT_EQ(button.rect().width(), 4);
  platform::Image broken(4, 3, 0);
  broken.pixels.resize(2);
  EXPECT_EQ(button.LoadStateImage(kSlotPressed, &broken, 0), kLoadUnreadable);
  EXPECT_TRUE(button.slot_image(kSlotNormal).empty());
}

TEST(VolumeKnobTest, TracksAndPaintsOnTheMainWindowTrack) {
  VolumeKnob knob;
  knob.Init({132, 178, 205, 187}, 0, 127, 100, platform::Image(8, 24, 0xFF00FF), 0xFF00FF);
  struct Track {
    int x;
    int value;
  };
  for (const Track& t :
       {Track{132, 0}, Track{205, 127}, Track{168, 62}, Track{100, 0}, Track{300, 127}}) {
    EXPECT_EQ(knob.TrackTo(t.x), t.value) << t.x;
  }
  struct Place {
    int value;
    int centre;
    platform::Rect rect;
  };
  for (const Place& p : {Place{0, 136, {132, 178, 141, 187}}, Place{100, 187, {183, 178, 192, 187}},
                         Place{127, 201, {197, 178, 206, 187}}}) {
    knob.SetValue(p.value);
    EXPECT_EQ(knob.KnobCentre(), p.centre) << p.value;
    EXPECT_EQ(knob.KnobRect(), p.rect) << p.value;
  }
  knob.SetValue(500);
  EXPECT_EQ(knob.value(), 127);
}

TEST(VolumeKnobTest, HitTestTellsKnobFromTrack) {
  VolumeKnob knob;
  knob.Init({132, 178, 205, 187}, 0, 127, 0, platform::Image(8, 24, 0xFF00FF), 0xFF00FF);
  struct Case {
    int x, y, hit;
    bool on_knob;
  };
  for (const Case& c :
       {Case{135, 180, 1, true}, Case{170, 180, 1, false}, Case{170, 170, 0, false}}) {
    bool on_knob = false;
    EXPECT_EQ(knob.HitTest(c.x, c.y, on_knob), c.hit) << c.x;
    if (c.hit != 0) {
      EXPECT_EQ(on_knob, c.on_knob) << c.x;
    }
  }
}

}  // namespace
}  // namespace vtr::app
