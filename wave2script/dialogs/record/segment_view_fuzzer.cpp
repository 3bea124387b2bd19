// Feeds arbitrary bytes to the segment view as a WAVE file and a set of boundaries, then
// paints, hit-tests, drags and reads the loop range. The file lies in a private scratch folder
// that goes when the fuzzer ends.
//
// Byte 0: the zoom level (bits 0-1) and the item count (bits 2-4); byte 1: the boundary
// dragged; byte 2: the pixel it is dragged to; bytes 3-4: the scroll origin; then two bytes of
// time (in 20 ms steps) per item; the rest is the file.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/scratch_folder.h"
#include "platform/window/canvas.h"
#include "wave2script/dialogs/record/segment_graph_wnd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vtr::w2s;
  if (size < 5) return 0;
  const int level = data[0] & 3;
  const size_t count = (data[0] >> 2) & 7;
  if (size < 5 + 2 * count) return 0;
  std::vector<int> times;
  for (size_t i = 0; i < count; ++i) times.push_back((data[5 + 2 * i] | data[6 + 2 * i] << 8) * 20);
  std::sort(times.begin(), times.end());
  static const char* const kTexts[] = {"\x82\xA9", "#", " ", ""};
  std::vector<SegmentItem> items;
  for (size_t i = 0; i < times.size(); ++i) items.push_back({kTexts[i % 4], times[i]});

  static const vtr::platform::ScratchFolder scratch("vtr-segment-view-fuzzer");
  static const std::filesystem::path file = scratch.path() / "input.wav";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const size_t at = 5 + 2 * count;
    out.write(reinterpret_cast<const char*>(data + at), static_cast<std::streamsize>(size - at));
  }
  WaveData wave;
  (void)ReadWaveData(file, &wave);

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
    (void)view.DragTo(data[2]);
    view.EndDrag(data[2] / 2);
    (void)view.Undo();
    (void)view.Redo();
  }
  int first = 0, start = 0, end = 0;
  (void)view.GetLoopRange(&first, &start, &end);
  view.Paint(canvas);
  return 0;
}
