// Feeds arbitrary bytes to the segment view as a WAVE file and a set of boundaries, then
// paints, hit-tests, drags, undoes and redoes and reads the loop range. The file lies in a
// private scratch folder that goes when the fuzzer ends.
//
// Byte 0: the zoom level (bits 0-1), the item count (bits 2-4) and whether the times are taken
// as they are (bit 5) instead of as the segment list builds them (on the 20 ms grid, in time
// order, inside the wave); byte 1: the boundary dragged; byte 2: the pixel it is dragged to;
// bytes 3-4: the scroll origin; then two bytes of time (in 20 ms steps) per item; the rest is
// the file.
//
// Properties of a drag over items as the segment list builds them:
// - the boundaries stay in time order and inside the wave;
// - Undo brings back the items and origin from before the drag, Redo those after it;
// - the loop range lies inside the wave, first <= start <= end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/scratch_folder.h"
#include "platform/window/canvas.h"
#include "wave2script/dialogs/record/segment_graph_wnd.h"

namespace {

using namespace vtr::w2s;

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireInTimeOrderInsideTheWave(const SegmentView& view) {
  const int last = view.wave().duration_ms + kSegmentMargin;
  int previous = kSegmentMargin;
  for (const GraphItem& item : view.items()) {
    Require(item.x >= previous && item.x <= last);
    previous = item.x;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const int level = data[0] & 3;
  const size_t count = (data[0] >> 2) & 7;
  const bool as_built = (data[0] & 0x20) == 0;
  if (size < 5 + 2 * count) return 0;

  static const vtr::platform::ScratchFolder scratch("vtr-segment-view-fuzzer");
  static const std::filesystem::path file = scratch.path() / "input.wav";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const size_t at = 5 + 2 * count;
    out.write(reinterpret_cast<const char*>(data + at), static_cast<std::streamsize>(size - at));
  }
  WaveData wave;
  (void)ReadWaveData(file, &wave);

  // The segment list's items start on the grid and never after the wave's end.
  const int grid_points = wave.duration_ms / kSegmentGridMs + 1;
  std::vector<int> times;
  for (size_t i = 0; i < count; ++i) {
    const int steps = data[5 + 2 * i] | data[6 + 2 * i] << 8;
    times.push_back((as_built ? steps % grid_points : steps) * kSegmentGridMs);
  }
  std::sort(times.begin(), times.end());
  static const char* const kTexts[] = {"\x82\xA9", "#", " ", ""};
  std::vector<SegmentItem> items;
  for (size_t i = 0; i < times.size(); ++i) items.push_back({kTexts[i % 4], times[i]});

  SegmentView view;
  view.SetViewRect({0, 0, 300, 100});
  view.SetWave(wave);
  view.set_zoom_level(level);
  view.set_origin(std::min(static_cast<int>(data[3] | data[4] << 8), view.ScrollMaximum()));
  view.SetItems(items);
  vtr::platform::RecordingCanvas canvas({0, 0, 300, 100});
  view.Paint(canvas);
  (void)view.HitTest({data[2], 90});
  (void)view.ToggleSelection({data[2], 90});
  if (!items.empty() && view.BeginDrag(data[1] % static_cast<int>(items.size()))) {
    const std::vector<GraphItem> before = view.items();
    const int origin_before = view.origin();
    (void)view.DragTo(data[2]);
    view.EndDrag(data[2] / 2);
    const std::vector<GraphItem> dragged = view.items();
    const int origin_dragged = view.origin();
    if (as_built) RequireInTimeOrderInsideTheWave(view);
    Require(view.Undo());
    Require(view.items() == before && view.origin() == origin_before);
    Require(view.Redo());
    Require(view.items() == dragged && view.origin() == origin_dragged);
  }
  int first = -1, start = -1, end = -1;
  const int selected = view.GetLoopRange(&first, &start, &end);
  if (as_built && !items.empty()) {
    Require(0 <= first && first <= start && start <= end && end <= wave.duration_ms);
    if (!view.selection_used()) Require(selected == 0 && start == first);
  }
  view.Paint(canvas);
  return 0;
}
