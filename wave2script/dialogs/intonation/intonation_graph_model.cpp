#include "wave2script/dialogs/intonation/intonation_graph_model.h"

#include <algorithm>
#include <utility>

#include "wave2script/core/show_message.h"

namespace vtr::w2s {

namespace {

// Message shown when an insertion would pass the largest time.
constexpr unsigned kMessageTimeLimit = 512;

// The syllable that "add" appends after the last one: a full-width space (Shift-JIS 81 40).
constexpr char kSpaceSyllable[] = "\x81\x40";
constexpr int kAppendedLength = 160;

// Label box of a syllable, relative to its start x and the view bottom [px].
constexpr int kLabelLeft = 3;
constexpr int kLabelRight = 28;
constexpr int kLabelTop = 20;
constexpr int kLabelBottom = 5;

// Pitch value per graph unit of y, and volume value per 10 units.
constexpr int kPitchPerUnit = 10;
constexpr int kUnitsPerVolume = 10;
constexpr int kVolumeAtZeroLine = -6;

}  // namespace

void IntonationGraphModel::Reset() {
  front_ = FrontCurve::kPitch;
  boundary_style_ = kBoundaryStyle;
  pitch_style_ = kPitchStyle;
  strength_style_ = kStrengthStyle;
  keep_redo_ = false;
  points_.clear();
  undo_.reset();
  redo_.reset();
  edit_mode_ = Selection::kNone;
}

void IntonationGraphModel::SwapFrontCurve() {
  front_ = front_ == FrontCurve::kPitch ? FrontCurve::kStrength : FrontCurve::kPitch;
}

int IntonationGraphModel::SetSyllables(const SyllableArray& records) {
  points_.clear();
  points_.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    IntonationPoint point;
    point.record = records[i];
    ValuesToPoint(point, static_cast<int>(i));
    points_.push_back(std::move(point));
  }
  return GetCount();
}

int IntonationGraphModel::GetSyllables(SyllableArray* out) const {
  for (const IntonationPoint& p : points_) out->Add(p.record);
  return GetCount();
}

int IntonationGraphModel::GetPlaySyllables(SyllableArray* out) const {
  if (points_.empty()) return -1;
  int first = -1;
  int last = -1;
  int selected = 0;
  if (edit_mode_ != Selection::kNone) {
    for (int i = 0; i < GetCount(); ++i) {
      if (points_[static_cast<size_t>(i)].selection == Selection::kNone) continue;
      if (first < 0) first = i;
      last = i;
      ++selected;
    }
  }
  int start = 0;
  int end = GetCount() - 1;
  if (selected > 0) {
    start = first;
    if (selected > 1) end = last;
  }
  for (int i = 0; i <= end; ++i) out->Add(points_[static_cast<size_t>(i)].record);
  return points_[static_cast<size_t>(start)].pitch_x;
}

void IntonationGraphModel::ReplacePoint(int index, const IntonationPoint& point) {
  points_[static_cast<size_t>(index)] = point;
}

int IntonationGraphModel::StartX(int index) const {
  return index <= 0 ? kFirstBoundaryX : points_[static_cast<size_t>(index - 1)].x;
}

bool IntonationGraphModel::InsertPoint(int index, const IntonationPoint& point) {
  if (index < 0 || index >= GetCount()) return false;
  const int last_x = points_.back().x;
  if (last_x - kFirstBoundaryX > kMaxInsertEnd) {
    (void)ShowMessage(kMessageTimeLimit);
    return false;
  }
  int d = points_[static_cast<size_t>(index)].x - StartX(index);
  if (d + last_x > kMaxInsertEnd) d = kMaxBoundaryX - last_x;
  points_.insert(points_.begin() + index, point);
  for (int i = index + 1; i < GetCount(); ++i) {
    IntonationPoint& p = points_[static_cast<size_t>(i)];
    p.x += d;
    p.pitch_x = p.strength_x = StartX(i);
    PointToValues(i);
  }
  return true;
}

bool IntonationGraphModel::AppendDefaultPoint() {
  const int start = points_.empty() ? kFirstBoundaryX : points_.back().x;
  // A boundary never passes the largest x (the drag keeps that limit too).
  if (start + kMinSyllableWidth > kMaxBoundaryX) {
    (void)ShowMessage(kMessageTimeLimit);
    return false;
  }
  IntonationPoint point;
  point.record.text = kSpaceSyllable;
  point.record.prefix.clear();
  point.record.end_time = 0;
  point.record.pitch_value = 0;
  point.record.level = 0;
  point.record.length = kAppendedLength;
  point.record.pitch_steps = 0;
  point.record.volume_steps = 0;
  point.record.note = kNoNote;
  point.record.speed = 50;
  point.record.l = 0;
  point.record.v_level = -6;
  point.record.w = 12;
  point.x = start + kMinSyllableWidth;
  point.marker_y = view_.bottom - boundary_style_.marker_height / 2;
  point.pitch_x = point.strength_x = start;
  point.pitch_y = point.strength_y = kZeroLineY;
  points_.push_back(std::move(point));
  UpdateAllValues();
  return true;
}

void IntonationGraphModel::DeletePoint(int index) {
  const int d = points_[static_cast<size_t>(index)].x - StartX(index);
  points_.erase(points_.begin() + index);
  for (int i = index; i < GetCount(); ++i) {
    IntonationPoint& p = points_[static_cast<size_t>(i)];
    p.x -= d;
    p.pitch_x -= d;
    p.strength_x -= d;
    PointToValues(i);
  }
}

int IntonationGraphModel::FindInsertIndex(int click_x) const {
  for (int i = 0; i < GetCount(); ++i) {
    if (points_[static_cast<size_t>(i)].x >= click_x + hpos_) return i;
  }
  return -1;
}

void IntonationGraphModel::ValuesToPoint(IntonationPoint& point, int index) const {
  point.x = point.record.end_time + kFirstBoundaryX;
  point.marker_y = view_.bottom - boundary_style_.marker_height / 2;
  point.pitch_x = point.strength_x = StartX(index);
  point.pitch_y = kZeroLineY - point.record.pitch_value / kPitchPerUnit;
  point.strength_y = kZeroLineY - (point.record.level - kVolumeAtZeroLine) * kUnitsPerVolume;
}

void IntonationGraphModel::PointToValuesOf(IntonationPoint& point) {
  point.record.end_time = point.x - kFirstBoundaryX;
  point.record.pitch_value = kZeroLineY * kPitchPerUnit - point.pitch_y * kPitchPerUnit;
  // In double precision and truncated towards zero, so that 5120 gives 0 and 5180 gives -6.
  point.record.level = static_cast<int>((kZeroLineY - point.strength_y) * 0.1 + kVolumeAtZeroLine);
}

void IntonationGraphModel::PointToValues(int index) {
  PointToValuesOf(points_[static_cast<size_t>(index)]);
}

void IntonationGraphModel::UpdateAllValues() {
  for (IntonationPoint& p : points_) PointToValuesOf(p);
}

int IntonationGraphModel::GetScrollMax() const {
  const int last = points_.empty() ? 0 : points_.back().x;
  return std::max(last, view_.width()) - view_.right + 10;
}

void IntonationGraphModel::PushUndo(GraphSnapshot snapshot) {
  if (!keep_redo_) redo_.reset();
  undo_ = std::move(snapshot);
}

bool IntonationGraphModel::Undo() {
  if (!undo_) return false;
  redo_ = TakeSnapshot();
  points_ = std::move(undo_->points);
  hpos_ = undo_->hpos;
  vpos_ = undo_->vpos;
  undo_.reset();
  return true;
}

bool IntonationGraphModel::Redo() {
  if (!redo_) return false;
  keep_redo_ = true;
  PushUndo(TakeSnapshot());
  keep_redo_ = false;
  points_ = std::move(redo_->points);
  hpos_ = redo_->hpos;
  vpos_ = redo_->vpos;
  redo_.reset();
  return true;
}

void IntonationGraphModel::ClearUndo() {
  undo_.reset();
  redo_.reset();
}

bool IntonationGraphModel::MoveSelection(int dy) {
  if (edit_mode_ != Selection::kPitch && edit_mode_ != Selection::kStrength) return false;
  const bool pitch = edit_mode_ == Selection::kPitch;
  bool any = false;
  for (const IntonationPoint& p : points_) {
    if (p.selection == Selection::kNone) continue;
    any = true;
    const int y = pitch ? p.pitch_y : p.strength_y;
    if (dy < 0 && y <= 0) return false;
    if (dy > 0 && y >= kGraphHeight) return false;
  }
  if (!any) return false;
  PushUndo(TakeSnapshot());
  for (IntonationPoint& p : points_) {
    if (p.selection == Selection::kNone) continue;
    (pitch ? p.pitch_y : p.strength_y) += dy;
  }
  UpdateAllValues();
  return true;
}

bool IntonationGraphModel::RaiseSelection() { return MoveSelection(-1); }
bool IntonationGraphModel::LowerSelection() { return MoveSelection(+1); }

int IntonationGraphModel::FirstSelected() const {
  for (int i = 0; i < GetCount(); ++i) {
    if (points_[static_cast<size_t>(i)].selection != Selection::kNone) return i;
  }
  return -1;
}

bool IntonationGraphModel::SelectNext() {
  if (edit_mode_ != Selection::kSyllable) return false;
  const int i = FirstSelected();
  if (i < 0 || i + 1 >= GetCount()) return false;
  points_[static_cast<size_t>(i)].selection = Selection::kNone;
  IntonationPoint& next = points_[static_cast<size_t>(i) + 1];
  next.selection = Selection::kSyllable;
  if (next.x > view_.right + hpos_ - 5) {
    // Kept inside the scroll range so that the bar and the graph agree; the range's maximum
    // still shows the last boundary 10 units inside the view.
    hpos_ = std::clamp(next.x - view_.right + 40, hmin_, std::max(hmin_, hmax_));
  }
  return true;
}

bool IntonationGraphModel::SelectPrevious() {
  if (edit_mode_ != Selection::kSyllable) return false;
  const int i = FirstSelected();
  if (i <= 0) return false;
  points_[static_cast<size_t>(i)].selection = Selection::kNone;
  points_[static_cast<size_t>(i - 1)].selection = Selection::kSyllable;
  if (i - 1 == 0) {
    hpos_ = 0;
  } else {
    const int start = points_[static_cast<size_t>(i - 2)].x;
    if (start < hpos_ + 5) hpos_ = start - 5;
  }
  return true;
}

void IntonationGraphModel::ClearSelection() {
  edit_mode_ = Selection::kNone;
  for (IntonationPoint& p : points_) p.selection = Selection::kNone;
}

void IntonationGraphModel::ToggleSelect(int x, int y) {
  const Hit hit = HitTest(x, y);
  if (hit.index < 0) return;
  IntonationPoint& p = points_[static_cast<size_t>(hit.index)];
  auto toggle_marker = [&](Selection mode, FrontCurve front) {
    if (edit_mode_ == Selection::kNone) {
      front_ = front;
      edit_mode_ = mode;
      p.selection = mode;
    } else if (edit_mode_ == mode) {
      p.selection = p.selection == mode ? Selection::kNone : mode;
    }
  };
  switch (hit.kind) {
    case HitKind::kPitch:
      toggle_marker(Selection::kPitch, FrontCurve::kPitch);
      break;
    case HitKind::kStrength:
      toggle_marker(Selection::kStrength, FrontCurve::kStrength);
      break;
    case HitKind::kLabel:
      if (edit_mode_ == Selection::kNone) {
        edit_mode_ = Selection::kSyllable;
        p.selection = Selection::kSyllable;
      } else if (edit_mode_ == Selection::kSyllable) {
        if (p.selection != Selection::kNone) {
          p.selection = Selection::kNone;
        } else {
          for (IntonationPoint& other : points_) other.selection = Selection::kNone;
          p.selection = Selection::kSyllable;
        }
      }
      break;
    case HitKind::kBoundary:
    case HitKind::kNone:
      break;
  }
}

platform::Rect IntonationGraphModel::LabelBox(int index) const {
  const int px = StartX(index) - hpos_;
  return platform::Rect{px + kLabelLeft, view_.bottom - kLabelTop, px + kLabelRight,
                        view_.bottom - kLabelBottom};
}

platform::Rect IntonationGraphModel::MarkerBox(const MarkerStyle& style, int gx, int gy) const {
  const int left = gx - hpos_ - style.marker_width / 2;
  const int top = gy - vpos_ - style.marker_height / 2;
  return platform::Rect{left, top, left + style.marker_width, top + style.marker_height};
}

Hit IntonationGraphModel::HitTest(int x, int y) const {
  const platform::Point at{x, y};
  for (int i = GetCount() - 1; i >= 0; --i) {
    const IntonationPoint& p = points_[static_cast<size_t>(i)];
    if (LabelBox(i).Contains(at)) return Hit{i, HitKind::kLabel};
    const bool on_pitch = MarkerBox(pitch_style_, p.pitch_x, p.pitch_y).Contains(at);
    const bool on_strength = MarkerBox(strength_style_, p.strength_x, p.strength_y).Contains(at);
    if (on_pitch && on_strength) {
      return Hit{i, front_ == FrontCurve::kPitch ? HitKind::kPitch : HitKind::kStrength};
    }
    if (on_pitch) return Hit{i, HitKind::kPitch};
    if (on_strength) return Hit{i, HitKind::kStrength};
    const int bx = p.x - hpos_;
    if (x >= bx - 1 && x < bx + 1 && y >= view_.top && y < view_.bottom)
      return Hit{i, HitKind::kBoundary};
  }
  return Hit{};
}

}  // namespace vtr::w2s
