#include "app/skinned_controls.h"

#include <algorithm>

namespace vtr::app {

int ChooseSlot(const ButtonState& state) {
  if ((state.hover || state.selected) && !state.disabled) {
    return state.selected || state.latched ? kSlotPressed : kSlotHover;
  }
  if (state.disabled) return state.latched ? kSlotLatchedDisabled : kSlotDisabled;
  return state.latched ? kSlotLatched : kSlotNormal;
}

std::vector<RegionRun> ShapeRuns(const platform::Image& image, int frame_height) {
  std::vector<RegionRun> runs;
  if (image.empty()) return runs;
  const platform::Color key = image.at(0, 0);
  const int rows = std::min(frame_height, image.height);
  for (int y = 0; y < rows; ++y) {
    int x = 0;
    while (x < image.width) {
      if (image.at(x, y) == key) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < image.width && image.at(x, y) != key) ++x;
      runs.push_back({start, x, y});
    }
  }
  return runs;
}

int BitmapButton::LoadStateImage(int slot, const platform::Image* image, platform::Color) {
  if (slot < 0 || slot >= kSlotCount) return kLoadNoResource;
  FreeSlot(slot);
  if (image == nullptr || image->empty()) return kLoadNoResource;
  if (image->pixels.size() != static_cast<size_t>(image->width) * image->height) {
    FreeAll();
    return kLoadUnreadable;
  }
  // The images are drawn opaquely: a key colour taken from the desktop theme would turn
  // matching pixels of the artwork black, so the key only matters to the artwork itself.
  slots_[static_cast<size_t>(slot)] = *image;
  return kLoadOk;
}

bool BitmapButton::FitToImage() {
  const platform::Image& image = slots_[kSlotHover];
  if (image.empty()) return false;
  SetRect(platform::Rect::FromSize(rect().left, rect().top, image.width, image.height));
  return true;
}

void BitmapButton::FreeSlot(int slot) {
  if (slot >= 0 && slot < kSlotCount) slots_[static_cast<size_t>(slot)] = platform::Image();
}

void BitmapButton::FreeAll() {
  for (int slot = 0; slot < kSlotCount; ++slot) FreeSlot(slot);
}

ButtonState BitmapButton::State() const {
  return {.hover = hover(), .selected = pressed(), .disabled = !IsEnabled(), .latched = latched_};
}

void BitmapButton::OnPaint(platform::Canvas& canvas) {
  const platform::Image& image = slots_[static_cast<size_t>(ChooseSlot(State()))];
  if (image.empty()) return;
  canvas.DrawImage({0, 0}, image);
}

bool ShapedButton::SetBitmap(const platform::Image& image, int frame_count, bool make_region) {
  image_ = image;
  frame_height_ = frame_count > 0 ? image.height / frame_count : image.height;
  if (make_region) {
    SetRect(platform::Rect::FromSize(rect().left, rect().top, image.width, frame_height_));
    platform::Region region;
    for (const RegionRun& run : ShapeRuns(image, frame_height_)) {
      region.Add({run.x0, run.y, run.x1, run.y + 1});
    }
    SetShape(std::move(region));
  }
  return true;
}

void ShapedButton::OnPaint(platform::Canvas& canvas) {
  if (image_.empty() || frame_height_ <= 0) return;
  const int frame = pressed() ? 1 : 0;
  const platform::Image face =
      image_.Crop(platform::Rect::FromSize(0, frame * frame_height_, image_.width, frame_height_));
  canvas.DrawImage({0, 0}, face, image_.at(0, 0));
}

void VolumeKnob::Init(const platform::Rect& track, int minimum, int maximum, int value,
                      const platform::Image& frames, platform::Color key) {
  track_ = track;
  minimum_ = minimum;
  maximum_ = maximum;
  key_ = key;
  const int height = frames.height / 3;
  frame_width_ = frames.empty() ? 8 : frames.width;
  for (int frame = 0; frame < 3; ++frame) {
    frames_[static_cast<size_t>(frame)] =
        frames.empty()
            ? platform::Image()
            : frames.Crop(platform::Rect::FromSize(0, frame * height, frames.width, height));
  }
  SetValue(value);
}

bool VolumeKnob::HitTest(int x, int y, bool& on_knob) const {
  const platform::Point p{x, y};
  if (KnobRect().Contains(p)) {
    on_knob = true;
    return true;
  }
  if (track_.Contains(p)) {
    on_knob = false;
    return true;
  }
  return false;
}

int VolumeKnob::TrackTo(int x) {
  const int span = track_.right - track_.left;
  const int value =
      span == 0 ? minimum_ : minimum_ + (x - track_.left) * (maximum_ - minimum_) / span;
  SetValue(value);
  return value_;
}

void VolumeKnob::SetValue(int value) { value_ = std::clamp(value, minimum_, maximum_); }

int VolumeKnob::KnobCentre() const {
  const int range = maximum_ - minimum_;
  const int travel = track_.right - track_.left - frame_width_;
  const int offset = range == 0 ? 0 : travel * (value_ - minimum_) / range;
  return track_.left + offset + frame_width_ / 2;
}

platform::Rect VolumeKnob::KnobRect() const {
  const int centre = KnobCentre();
  return {centre - frame_width_ / 2, track_.top, centre + frame_width_ / 2 + 1, track_.bottom};
}

void VolumeKnob::Paint(platform::Canvas& canvas, int frame) const {
  const platform::Image& image = frames_[static_cast<size_t>(std::clamp(frame, 0, 2))];
  if (image.empty()) return;
  const platform::Rect knob = KnobRect();
  canvas.DrawImage({knob.left, knob.top}, image, key_);
}

}  // namespace vtr::app
