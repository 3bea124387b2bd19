// The segment view of the segment confirm dialog: the wave over a time axis with one vertical
// boundary per segment item and a hiragana label box beside it. The user drags boundaries
// (snapped to the 20 ms grid), selects labels with Ctrl, zooms, scrolls, undoes and redoes.
//
// SegmentView is the model, painter and mouse logic without a window; CSegmentGraphWnd is the
// child window that puts it in place of the dialog's control 166 and runs the drag loop.
// ReadWaveData loads the samples the view draws.
//
//   #include "platform/window/dialog.h"
//   // given: std::filesystem::path path; platform::Dialog& dialog; std::vector<SegmentItem> items
//   WaveData wave;
//   (void)ReadWaveData(path, &wave);
//   auto graph = std::make_unique<CSegmentGraphWnd>(wave);
//   auto* g = static_cast<CSegmentGraphWnd*>(dialog.ReplaceChild(166, std::move(graph)));
//   g->SetItems(items);               // {text, ms} -> graph items at x = ms + 5
//   ...                               // the user drags
//   std::vector<SegmentItem> edited;
//   g->GetItems(&edited);
//
// Units: an item's x is its time in ms + 5 ("item units"); the scroll origin is in pixels. At
// zoom factor f [ms per pixel] an item is drawn at pixel x / f - origin and a mouse pixel m
// stands for the item unit round(f x (m + origin)).
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_GRAPH_WND_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_GRAPH_WND_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/window/canvas.h"
#include "platform/window/controls.h"
#include "wave2script/core/segment_list.h"

namespace vtr::w2s {

// Milliseconds per pixel at zoom levels 0..3.
inline constexpr std::array<double, 4> kSegmentZoomFactors = {2.0, 1.0, 0.8, 0.6};
inline constexpr int kSegmentZoomMin = 0;
inline constexpr int kSegmentZoomMax = 3;
inline constexpr int kSegmentZoomStart = 1;
// Item units between the time and the x of an item, and the white strips at both edges [px].
inline constexpr int kSegmentMargin = 5;
// The grid boundaries snap to, and the least distance between two boundaries [ms].
inline constexpr int kSegmentGridMs = 20;

// Colours and sizes of the view.
inline constexpr platform::Color kSegmentGridColor = 0xC0C0C0;
inline constexpr platform::Color kSegmentWaveColor = 0x707070;
inline constexpr platform::Color kSegmentBoundaryColor = 0xD08000;
inline constexpr int kSegmentBoundaryWidth = 2;
inline constexpr int kSegmentBoundaryHitWidth = 5;
inline constexpr platform::Color kSegmentLabelFill = 0xFFF2F0;
inline constexpr platform::Color kSegmentLabelSelectedFill = 0xFFB793;
inline constexpr platform::Color kSegmentLabelBorder = 0xFF8F6B;
inline constexpr platform::Color kSegmentDragMarkerColor = 0xFFB793;

// A WAVE file's format and samples as the view draws them. The defaults stand when the file
// cannot be read.
struct WaveData {
  uint16_t channels = 1;
  int rate = 11025;  // [Hz]
  uint16_t bits = 8;
  uint32_t data_size = 0;  // [bytes]
  uint32_t riff_size = 0;  // [bytes]
  int bytes_per_second = 11025;
  int block_align = 1;
  int bytes_per_sample = 1;
  int frames = 0;
  int duration_ms = 1000;      // [ms] frames / rate x 1000
  std::vector<double> first;   // samples of the first channel (16-bit values, 8-bit minus 128)
  std::vector<double> second;  // of the second channel (stereo only)
};

// Reads the format and samples of a WAVE file into `wave`. Chunks before "data" are skipped by
// their sizes; a data size larger than the file is cut to what is there. Returns false (and
// leaves `wave` as it was) when the file is missing or not a readable WAVE file.
bool ReadWaveData(const std::filesystem::path& path, WaveData* wave);

// One item of the view.
struct GraphItem {
  int x = 0;              // item units: time + 5
  int y = 0;              // the view's bottom when built
  const char* text = "";  // hiragana (Shift-JIS), "", " " (a pause) or "#" (a gap)
  int time = 0;           // [ms] as handed in
  int selected = 0;       // 0 / 1
  friend bool operator==(const GraphItem&, const GraphItem&) = default;
};

// True for the texts that have no label box: "", " " and "#".
[[nodiscard]] bool IsPauseText(const char* text);

// What lies under a point.
enum class SegmentHit : int { kNone = 0, kLabel = 1, kBoundary = 4 };
struct SegmentHitResult {
  SegmentHit kind = SegmentHit::kNone;
  int index = -1;  // the item
};

class SegmentView {
 public:
  SegmentView() = default;

  // The client rectangle the view draws in.
  void SetViewRect(const platform::Rect& rect) { view_ = rect; }
  const platform::Rect& view_rect() const { return view_; }
  void SetWave(WaveData wave) { wave_ = std::move(wave); }
  const WaveData& wave() const { return wave_; }

  // Items in time order: each becomes {time + 5, view bottom, text, time, 0}. Undo and redo
  // snapshots are kept.
  void SetItems(const std::vector<SegmentItem>& items);
  // Empties `items` and appends {text, x - 5} of every item.
  void GetItems(std::vector<SegmentItem>* items) const;
  const std::vector<GraphItem>& items() const { return items_; }
  void set_items(std::vector<GraphItem> items) { items_ = std::move(items); }

  int zoom_level() const { return zoom_level_; }
  // Sets the level clamped to 0..3.
  void set_zoom_level(int level);
  // Milliseconds per pixel at the current level.
  double factor() const { return kSegmentZoomFactors[static_cast<size_t>(zoom_level_)]; }
  // Level + 1 up to 3 / level - 1 down to 0; returns the new level.
  int ZoomIn();
  int ZoomOut();

  int origin() const { return origin_; }
  void set_origin(int origin) { origin_ = origin; }
  // The largest scroll origin at a factor: max(0, wave length / factor - view width + 10).
  [[nodiscard]] int ScrollMaximum(double factor) const;
  [[nodiscard]] int ScrollMaximum() const { return ScrollMaximum(factor()); }

  // The pixel column of an item unit, and the item unit of a pixel column.
  [[nodiscard]] int ItemToPixel(int x) const;
  [[nodiscard]] int PixelToItem(int m) const;

  // Draws grid, side strips, wave and items.
  void Paint(platform::Canvas& canvas) const;
  // The first label box (kind 1) or boundary band (kind 4) under pixel `p`.
  [[nodiscard]] SegmentHitResult HitTest(platform::Point p) const;

  // Ctrl + left button on a label toggles its selection (and notes that selections are used);
  // true when a label was hit.
  bool ToggleSelection(platform::Point p);
  void ClearSelection();
  bool selection_used() const { return selection_used_; }

  // Boundary dragging on a working copy. BeginDrag keeps the start state; DragTo moves the
  // dragged boundary and every later one to mouse pixel `m` within the limits (20 ms after the
  // previous boundary, the first at or after view left + 5, the last at most at the wave
  // length + 5) and scrolls at the edges (returns the scroll direction: -1, 0 or +1);
  // EndDrag snaps to the grid and commits (the start state becomes the undo snapshot, redo is
  // emptied); CancelDrag restores the start state.
  bool BeginDrag(int index);
  int DragTo(int m);
  void EndDrag(int m);
  void CancelDrag();
  bool dragging() const { return drag_index_ >= 0; }
  int drag_index() const { return drag_index_; }
  // The pixel of the drag marker (the dragged boundary), or nothing while not dragging.
  [[nodiscard]] std::optional<int> DragMarkerPixel() const;

  // One level each; false when there is nothing to undo / redo.
  bool Undo();
  bool Redo();
  bool can_undo() const { return undo_.has_value(); }
  bool can_redo() const { return redo_.has_value(); }
  void ClearUndo();

  // Times where the boundaries stand now (x - 5). first = the first item's time, end = the
  // last item's time, start = first; with selections in use the first selected item gives
  // start and every later selected one sets end to the time of the next item with a label
  // (the last item's time when none). 1 when a selected item was found, else 0 (also without
  // items, which leaves the outputs as they were).
  int GetLoopRange(int* first, int* start, int* end) const;

 private:
  struct Snapshot {
    std::vector<GraphItem> items;
    int origin = 0;
  };
  void MoveFrom(std::vector<GraphItem>& items, int index, int delta) const;
  [[nodiscard]] int LastLimit() const;

  platform::Rect view_;
  WaveData wave_;
  int origin_ = 0;
  int zoom_level_ = kSegmentZoomStart;
  std::vector<GraphItem> items_;
  std::optional<Snapshot> undo_;
  std::optional<Snapshot> redo_;
  bool selection_used_ = false;
  // Drag state.
  int drag_index_ = -1;
  Snapshot drag_start_;
};

// The window of control 166: paints the view, shows the cursors of the hit kinds, selects
// labels and runs the boundary drag with the mouse captured.
class CSegmentGraphWnd : public platform::CustomWindow {
 public:
  explicit CSegmentGraphWnd(WaveData wave);

  SegmentView& view() { return view_; }
  const SegmentView& view() const { return view_; }

  // Items as SegmentView::SetItems (at the window's bottom).
  void SetItems(const std::vector<SegmentItem>& items);
  void GetItems(std::vector<SegmentItem>* items) const { view_.GetItems(items); }
  // Change the level and tell the zoom listener the new one; return it.
  int ZoomIn();
  int ZoomOut();
  double factor() const { return view_.factor(); }
  int zoom_level() const { return view_.zoom_level(); }
  // The largest scroll origin at `factor` for the window's width.
  int ScrollMaximum(double factor);
  int origin() const { return view_.origin(); }
  void SetOrigin(int origin);
  bool Undo();
  bool Redo();
  int GetLoopRange(int* first, int* start, int* end) const {
    return view_.GetLoopRange(first, start, end);
  }

  // Told the new scroll origin when a drag scrolls the view (the dialog's scroll bar follows).
  std::function<void(int origin)> on_origin_changed;
  // Told the new zoom level after ZoomIn / ZoomOut.
  std::function<void(int level)> on_zoom_changed;

  void OnPaint(platform::Canvas& canvas) override;
  std::optional<platform::Cursor> OnSetCursor(platform::Point p) override;
  bool OnMouse(const platform::MouseEvent& event) override;
  bool OnKey(const platform::KeyEvent& event) override;
  void OnCaptureLost() override;

 private:
  void SyncRect();
  void RunDrag(int index);
  void DragStep(int m);
  void FinishDrag(bool commit, int m);

  SegmentView view_;
  bool drag_done_ = true;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_SEGMENT_GRAPH_WND_H_
