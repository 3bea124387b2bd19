// The record road as the intonation edit dialog's record command and the open-file operation
// for a ".wav" both run it: the wave input dialog and the segment confirm dialog in a loop.
//
//   // given: platform::Dialog& dialog; std::string script; SegmentConfirmHost& host
//   WaveInputDialog input(&dialog);
//   (void)input.SetKanaText(script);
//   if (RunRecordRoad(input, host) == platform::kIdOk) {
//     // host.SetScriptText and host.SetHostVolume have been called with the new script
//   }
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_ROAD_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_ROAD_H_

#include "wave2script/dialogs/record/segment_confirm_dialog.h"
#include "wave2script/dialogs/record/wave_input_dialog.h"

namespace vtr::w2s {

// Runs `input` modally; on OK a fresh SegmentConfirmDlg gets its result and runs; OK there
// ends the road with kIdOk, anything else shows `input` again. Any result of `input` but OK
// ends the road with that result.
int RunRecordRoad(WaveInputDialog& input, SegmentConfirmHost& host);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_ROAD_H_
