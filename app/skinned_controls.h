// The main window's skinned controls: `BitmapButton` (Play and Stop), `ShapedButton` (the round
// close button), `LockableEdit` (the script box) and `VolumeKnob` (a slider the dialog paints).
//
// The state and geometry rules are plain functions so they can be checked without a screen:
//
//   // given: platform::Image knob_image
//   int slot = ChooseSlot({.hover = true});                 // kSlotHover
//   VolumeKnob knob;
//   knob.Init({132, 178, 205, 187}, 0, 127, 100, knob_image, 0xFF00FF);
//   int value = knob.TrackTo(168);                          // 62
#ifndef VTR_APP_SKINNED_CONTROLS_H_
#define VTR_APP_SKINNED_CONTROLS_H_

#include <array>
#include <vector>

#include "platform/window/canvas.h"
#include "platform/window/controls.h"

namespace vtr::app {

// Image slots of a BitmapButton.
inline constexpr int kSlotHover = 0;
inline constexpr int kSlotNormal = 1;
inline constexpr int kSlotDisabled = 2;
inline constexpr int kSlotPressed = 3;  // also latched with hover
inline constexpr int kSlotLatched = 4;
inline constexpr int kSlotLatchedDisabled = 5;
inline constexpr int kSlotCount = 6;

struct ButtonState {
  bool hover = false;
  bool selected = false;
  bool disabled = false;
  bool latched = false;
};

// The slot a button in `state` draws.
[[nodiscard]] int ChooseSlot(const ButtonState& state);

// One 1-pixel-high run of a shape: [x0, x1) x [y, y + 1).
struct RegionRun {
  int x0 = 0;
  int x1 = 0;
  int y = 0;
  bool operator==(const RegionRun&) const = default;
};

// The runs of non-key pixels in the first `frame_height` rows of `image`; the key colour is the
// pixel at (0, 0). Key-only rows give nothing.
[[nodiscard]] std::vector<RegionRun> ShapeRuns(const platform::Image& image, int frame_height);

// Results of BitmapButton::LoadStateImage.
inline constexpr int kLoadOk = 0;
inline constexpr int kLoadUnreadable = 1;
inline constexpr int kLoadNoMask = 2;
inline constexpr int kLoadNoResource = 4;

// A button drawing one of six state images. Hover follows the mouse; the images are drawn
// opaquely at the top-left (a key colour only marks what the button leaves undrawn).
class BitmapButton : public platform::Button {
 public:
  BitmapButton() = default;
  // Puts `image` (empty: the resource was not found) in `slot`. kLoadOk, or kLoadNoResource
  // leaving the slot empty; an image whose pixels do not fill it is unreadable and frees every
  // slot.
  int LoadStateImage(int slot, const platform::Image* image, platform::Color key);
  // Resizes the button to slot 0's image without moving it; false without one.
  bool FitToImage();
  void FreeSlot(int slot);
  void FreeAll();
  const platform::Image& slot_image(int slot) const { return slots_[static_cast<size_t>(slot)]; }
  void set_latched(bool latched) { latched_ = latched; }
  ButtonState State() const;

  void OnPaint(platform::Canvas& canvas) override;

 private:
  std::array<platform::Image, kSlotCount> slots_;
  bool latched_ = false;
};

// A button shaped by its image (frames stacked top to bottom: 0 normal, 1 pressed).
class ShapedButton : public platform::Button {
 public:
  // Keeps `image` with `frame_count` frames; with `make_region` sizes the button to one frame
  // and gives it the shape of the first frame's non-key pixels. Always true.
  bool SetBitmap(const platform::Image& image, int frame_count, bool make_region);
  int frame_height() const { return frame_height_; }
  void OnPaint(platform::Canvas& canvas) override;

 private:
  platform::Image image_;
  int frame_height_ = 0;
};

// The script box: a multi-line edit that swallows all input while locked.
class LockableEdit : public platform::Edit {
 public:
  LockableEdit() : platform::Edit(platform::kStyleMultiLine) {}
  void SetLocked(bool locked) { platform::Edit::SetLocked(locked); }
};

// The volume slider the dialog paints over its skin.
class VolumeKnob {
 public:
  // Track rectangle (left, top, right, bottom), range, value, the knob image with three frames
  // stacked top to bottom (0 idle, 1 dragging, 2 playing) and its key colour.
  void Init(const platform::Rect& track, int minimum, int maximum, int value,
            const platform::Image& frames, platform::Color key);
  // True when (x, y) is on the knob (`on_knob` true) or on the track (`on_knob` false).
  [[nodiscard]] bool HitTest(int x, int y, bool& on_knob) const;
  // Value for x: minimum + (x - left) * (maximum - minimum) / (right - left), truncated and
  // clamped; stored and returned.
  int TrackTo(int x);
  // Clamps and stores the value.
  void SetValue(int value);
  // Centre x of the knob for the current value.
  [[nodiscard]] int KnobCentre() const;
  // The rectangle the knob covers for the current value (where it is painted and hit).
  [[nodiscard]] platform::Rect KnobRect() const;
  // Draws frame 0..2 over the skin, leaving the key-coloured pixels out.
  void Paint(platform::Canvas& canvas, int frame) const;

  int value() const { return value_; }
  const platform::Rect& track() const { return track_; }

 private:
  platform::Rect track_;
  int minimum_ = 0;
  int maximum_ = 127;
  int value_ = 0;
  std::array<platform::Image, 3> frames_;
  platform::Color key_ = 0xFF00FF;
  int frame_width_ = 8;
};

}  // namespace vtr::app

#endif  // VTR_APP_SKINNED_CONTROLS_H_
