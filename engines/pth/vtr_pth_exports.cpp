// The five exports of Plugin/Vtr_pth.so, each a thin forwarder to the one engine. Nothing
// thrown inside leaves them: a failed allocation gives -1.
#include "engines/pth/pth_engine.h"
#include "engines/pth/vtr_pth_api.h"
#include "platform/export_guard.h"

#define VTR_PTH_EXPORT __attribute__((visibility("default")))

namespace {

// Built when the library is loaded, destroyed when it is unloaded.
vtr::pth::PthEngine g_engine;

}  // namespace

using vtr::platform::GuardExport;

extern "C" {

VTR_PTH_EXPORT int VtrPth_Initialize(int step_ms, int flags) {
  return GuardExport(-1, [&] { return g_engine.Initialize(step_ms, flags); });
}

VTR_PTH_EXPORT int VtrPth_Terminate(void) {
  return GuardExport(-1, [] { return g_engine.Terminate(); });
}

VTR_PTH_EXPORT int VtrPth_SetPSeq(const unsigned char* pseq, int length, int sing_mode) {
  return GuardExport(-1, [&] { return g_engine.SetPSeq(pseq, length, sing_mode); });
}

VTR_PTH_EXPORT int VtrPth_SetDuration(int start_step, int end_step) {
  return GuardExport(0, [&] { return g_engine.SetDuration(start_step, end_step); });
}

VTR_PTH_EXPORT int VtrPth_GetKVX(char* buffer, int buffer_length) {
  return GuardExport(-1, [&] { return g_engine.GetKVX(buffer, buffer_length); });
}

}  // extern "C"
