// IntonationGraphModel: what the intonation graph shows and edits, without a window.
//
// One IntonationPoint per syllable of a KV#J script holds the syllable's SyllableRecord and
// its graph coordinates: the boundary line at the syllable's end, the pitch marker and the
// strength marker at its start (the boundary of the point before). The model also holds the
// view (visible rectangle, scroll ranges and origins), the edit mode and selection, the
// drawing styles, and one undo and one redo snapshot.
//
// Graph units: x grows to the right, 1 unit per pixel; y grows downwards, 0..kGraphHeight,
// with the zero line of both curves at kZeroLineY. A boundary's x is its syllable's end time
// (time units of the syllable list) + kFirstBoundaryX.
//
//   // given: SyllableArray records
//   IntonationGraphModel model;
//   model.SetView({0, 0, 430, 270});            // the graph window's client rectangle
//   (void)model.SetSyllables(records);           // from SyllableList::GetSyllables
//   model.PushUndo(model.TakeSnapshot());        // before an edit
//   IntonationPoint p = model.GetPoint(0);
//   p.pitch_y -= 10;                             // one step higher
//   model.ReplacePoint(0, p);
//   model.PointToValues(0);                      // the record follows the marker
//   SyllableArray out;
//   (void)model.GetSyllables(&out);              // for SyllableList::AssignSyllables
//   (void)model.Undo();                          // back to the loaded state
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_MODEL_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_MODEL_H_

#include <optional>
#include <vector>

#include "platform/window/geometry.h"
#include "wave2script/core/syllable_record.h"

namespace vtr::w2s {

// Graph geometry [graph units].
inline constexpr int kGraphHeight = 10360;      // y range 0..kGraphHeight
inline constexpr int kZeroLineY = 5180;         // pitch value 0 and volume value -6
inline constexpr int kFirstBoundaryX = 5;       // x of time 0 (the start of the first syllable)
inline constexpr int kGridStep = 20;            // boundaries snap to x = 5 + 20k
inline constexpr int kMinSyllableWidth = 20;    // a boundary stays this far from the one before
inline constexpr int kMaxBoundaryX = 0x1FFFF9;  // 2097145: the last boundary's largest x
inline constexpr int kMaxInsertEnd = 0x1FFFF3;  // 2097139: largest end time an insertion keeps

// How a point is selected, and which selection the graph edits (the edit mode).
enum class Selection : int {
  kNone = 0,
  kSyllable = 1,  // the label (hiragana) of the syllable
  kPitch = 2,     // the pitch marker
  kStrength = 3,  // the strength marker
};

// The curve drawn last (on top), which also wins the hit test where markers overlap.
enum class FrontCurve : int { kPitch = 1, kStrength = 2 };

// What lies under a point of the window.
enum class HitKind : int { kNone = 0, kLabel = 1, kPitch = 2, kStrength = 3, kBoundary = 4 };

struct Hit {
  int index = -1;  // the point, -1 with kNone
  HitKind kind = HitKind::kNone;
  friend bool operator==(const Hit&, const Hit&) = default;
};

// Drawing of one kind of marker with the line through it. Colours are 0x00BBGGRR.
struct MarkerStyle {
  int marker_width = 1;   // [px]
  int marker_height = 1;  // [px]
  platform::Color marker_color = 0;
  int pen_width = 1;  // [px]
  platform::Color pen_color = 0;
};

inline constexpr MarkerStyle kBoundaryStyle{1, 1, 0xD08000, 2, 0xD08000};
inline constexpr MarkerStyle kPitchStyle{7, 7, 0x6666FF, 2, 0x6666FF};
inline constexpr MarkerStyle kStrengthStyle{7, 7, 0x009850, 2, 0x009850};

// One syllable of the graph (copied by value).
struct IntonationPoint {
  SyllableRecord record;
  int x = 0;           // boundary line at the syllable's end: end time + 5
  int marker_y = 0;    // window y of the boundary marker: view bottom - marker height / 2
  int pitch_x = 0;     // x of the point before (5 for the first point)
  int pitch_y = 0;     // 5180 - pitch value / 10
  int strength_x = 0;  // as pitch_x
  int strength_y = 0;  // 5180 - (volume value + 6) * 10
  Selection selection = Selection::kNone;
  friend bool operator==(const IntonationPoint&, const IntonationPoint&) = default;
};

// The state an undo or redo step brings back.
struct GraphSnapshot {
  std::vector<IntonationPoint> points;
  int hpos = 0;
  int vpos = 0;
  friend bool operator==(const GraphSnapshot&, const GraphSnapshot&) = default;
};

class IntonationGraphModel {
 public:
  IntonationGraphModel() { Reset(); }

  // Styles and front curve to their defaults, no points, no snapshots, edit mode none. The
  // view and the scroll ranges are kept.
  void Reset();

  // --- view ---------------------------------------------------------------------------------
  // The window's client rectangle; points loaded later take their marker_y from its bottom.
  void SetView(const platform::Rect& view) { view_ = view; }
  const platform::Rect& view() const { return view_; }
  void SetVerticalRange(int minimum, int maximum) {
    vmin_ = minimum;
    vmax_ = maximum;
  }
  void SetHorizontalRange(int minimum, int maximum) {
    hmin_ = minimum;
    hmax_ = maximum;
  }
  int vertical_min() const { return vmin_; }
  int vertical_max() const { return vmax_; }
  int horizontal_min() const { return hmin_; }
  int horizontal_max() const { return hmax_; }
  // The graph point at the window's top-left is (hpos, vpos). Setters store as given; the
  // dialog clamps to the ranges.
  int vpos() const { return vpos_; }
  int hpos() const { return hpos_; }
  void set_vpos(int vpos) { vpos_ = vpos; }
  void set_hpos(int hpos) { hpos_ = hpos; }

  FrontCurve front_curve() const { return front_; }
  void set_front_curve(FrontCurve front) { front_ = front; }
  // 1 becomes 2 and 2 becomes 1 (a double-click on empty graph area).
  void SwapFrontCurve();
  const MarkerStyle& boundary_style() const { return boundary_style_; }
  const MarkerStyle& pitch_style() const { return pitch_style_; }
  const MarkerStyle& strength_style() const { return strength_style_; }

  // kNone after a plain click or at start; kSyllable, kPitch or kStrength after the first
  // Ctrl+click of that kind.
  Selection edit_mode() const { return edit_mode_; }

  // --- points -------------------------------------------------------------------------------
  // Replaces the points by one per record, unselected, placed by ValuesToPoint. Leaves the
  // snapshots alone. Returns the count.
  int SetSyllables(const SyllableArray& records);
  // Appends the record of every point to `out`; returns the count of points.
  int GetSyllables(SyllableArray* out) const;
  // Appends the records of the points from the first up to the end of the play run and
  // returns the pitch_x of the run's first point (5 for the first point of the graph, -1 for
  // an empty graph). The run: with an edit mode and selected points, from the first selected
  // point to the last selected one, or to the last point of the graph when only one point is
  // selected; otherwise all points.
  int GetPlaySyllables(SyllableArray* out) const;

  int GetCount() const { return static_cast<int>(points_.size()); }
  // A copy of point `index` (0 <= index < GetCount()).
  IntonationPoint GetPoint(int index) const { return points_[static_cast<size_t>(index)]; }
  const std::vector<IntonationPoint>& points() const { return points_; }
  // Replaces every field of point `index`.
  void ReplacePoint(int index, const IntonationPoint& point);
  void AppendPoint(const IntonationPoint& point) { points_.push_back(point); }
  // Replaces all points (the end of a drag).
  void SetPoints(std::vector<IntonationPoint> points) { points_ = std::move(points); }

  // Inserts `point` (normally a copy of point `index`) before point `index` and moves every
  // later point right by the duration of the point that stood at `index`, limited so that
  // the last boundary stays at most at kMaxBoundaryX. When the last end time already passes
  // kMaxInsertEnd, message 512 is shown, nothing changes and the result is false.
  bool InsertPoint(int index, const IntonationPoint& point);
  // Appends a full-width space syllable of length 160 at the zero lines, 20 units after the
  // last boundary (ending at x 25 in an empty graph), and updates all values. When it would
  // end beyond kMaxBoundaryX, message 512 is shown, nothing changes and the result is false.
  bool AppendDefaultPoint();
  // Removes point `index` and moves every later point left by its duration; the new point
  // at `index` then starts where the removed one started.
  void DeletePoint(int index);
  // The first point whose boundary x >= click_x + hpos (click_x in window coordinates);
  // -1 when there is none.
  int FindInsertIndex(int click_x) const;

  // Syllable values to coordinates for `point` standing at `index` (pitch_x from the point
  // before it in the model).
  void ValuesToPoint(IntonationPoint& point, int index) const;
  // Coordinates back to values for point `index`: end time := x - 5, pitch value :=
  // 51800 - pitch_y * 10, volume value := (5180 - strength_y) * 0.1 - 6 truncated.
  void PointToValues(int index);
  // PointToValues for every point.
  void UpdateAllValues();
  // The same rule on a free point.
  static void PointToValuesOf(IntonationPoint& point);

  // max(x of the last point (0 when none), view width) - view right + 10.
  int GetScrollMax() const;

  // --- undo ---------------------------------------------------------------------------------
  GraphSnapshot TakeSnapshot() const { return GraphSnapshot{points_, hpos_, vpos_}; }
  // Stores `snapshot` (the state before an edit) as the one undo step and empties the redo
  // step (except while a redo stores the current state).
  void PushUndo(GraphSnapshot snapshot);
  // Restores the undo step and keeps the current state as the redo step; false without one.
  bool Undo();
  // Restores the redo step and keeps the current state as the undo step; false without one.
  bool Redo();
  bool CanUndo() const { return undo_.has_value(); }
  bool CanRedo() const { return redo_.has_value(); }
  // Drops both steps (after open, clear, record and speed change).
  void ClearUndo();

  // --- selection and keyboard edits ---------------------------------------------------------
  // Ctrl+Up / Ctrl+Down: in edit mode kPitch (kStrength) every selected marker moves one unit
  // up (down), after PushUndo. Refused (false, nothing changes) in other modes, without a
  // selection, or when a selected marker is at y <= 0 (raise) or y >= kGraphHeight (lower).
  bool RaiseSelection();
  bool LowerSelection();
  // Ctrl+Right / Ctrl+Left in edit mode kSyllable: the first selected point hands its
  // selection to the next (previous) point; hpos follows so that the point stays in view.
  // False when nothing moved.
  bool SelectNext();
  bool SelectPrevious();
  // Ctrl+click at window point (x, y): starts or extends the selection of the kind under it
  // (pitch marker, strength marker or label); see the edit modes above.
  void ToggleSelect(int x, int y);
  // A plain click: every selection cleared and edit mode kNone.
  void ClearSelection();
  // The first selected point, -1 when none.
  int FirstSelected() const;

  // --- geometry -----------------------------------------------------------------------------
  // What lies at window point (x, y): points are tried from the last to the first; for each
  // its label box, then its two markers (the front curve's wins where both are hit), then its
  // boundary line (x - hpos - 1 <= x < x - hpos + 1).
  Hit HitTest(int x, int y) const;
  // Window rectangle of the label of point `index` (below the start of the syllable).
  platform::Rect LabelBox(int index) const;
  // Window rectangle of a marker of `style` centred on graph point (gx, gy).
  platform::Rect MarkerBox(const MarkerStyle& style, int gx, int gy) const;
  // x of the boundary before point `index` (kFirstBoundaryX for the first).
  int StartX(int index) const;

 private:
  bool MoveSelection(int dy);

  platform::Rect view_;
  int vmin_ = 0;
  int vmax_ = 0;
  int vpos_ = 0;
  int hmin_ = 0;
  int hmax_ = 0;
  int hpos_ = 0;
  FrontCurve front_ = FrontCurve::kPitch;
  MarkerStyle boundary_style_ = kBoundaryStyle;
  MarkerStyle pitch_style_ = kPitchStyle;
  MarkerStyle strength_style_ = kStrengthStyle;
  bool keep_redo_ = false;  // set while Redo stores the current state as the undo step
  std::vector<IntonationPoint> points_;
  std::optional<GraphSnapshot> undo_;
  std::optional<GraphSnapshot> redo_;
  Selection edit_mode_ = Selection::kNone;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_MODEL_H_
