#include "wave2script/dialogs/record/record_road.h"

#include <string>
#include <vector>

namespace vtr::w2s {

int RunRecordRoad(WaveInputDialog& input, SegmentConfirmHost& host) {
  for (;;) {
    const int result = input.DoModal();
    if (result != platform::kIdOk) return result;
    std::string wave_path;
    std::vector<SegmentItem> items;
    input.GetResult(&wave_path, &items);
    SegmentConfirmDlg confirm(host);
    confirm.SetInputs(wave_path, items);
    if (confirm.DoModal() == platform::kIdOk) return platform::kIdOk;
  }
}

}  // namespace vtr::w2s
