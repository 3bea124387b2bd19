// The two entry points of Plugin/VTR_qrl.so; each forwards to the plug-in's one QrlPlugin.
// Nothing thrown inside leaves them: a failed allocation gives kVtrCnvBadInput, which every host
// reports as a failed export (kVtrCnvOutputTooSmall would have it retry with a larger buffer,
// kVtrCnvMeasureFailed promises a status word).
#include "platform/export_guard.h"
#include "plugins/converter_api.h"
#include "plugins/qrl/qrl_plugin.h"
#include "plugins/qrl/script_counter_meter.h"

namespace {

vtr::qrl::QrlPlugin& Plugin() {
  static vtr::qrl::ScriptCounterMeter meter;
  static vtr::qrl::QrlPlugin plugin(meter);
  return plugin;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int Vtr_GetDllInfo(int format_id, ConverterInfo* info) {
  return vtr::platform::GuardExport(int{kVtrCnvBadInput},
                                    [&] { return Plugin().GetInfo(format_id, info); });
}

__attribute__((visibility("default"))) int Vtr_KvxCnv(const char* script, int length, int format_id,
                                                      const unsigned char* options,
                                                      unsigned char* out, unsigned out_length,
                                                      int* status) {
  return vtr::platform::GuardExport(int{kVtrCnvBadInput}, [&] {
    return Plugin().Convert(script, length, format_id, options, out, out_length, status);
  });
}

}  // extern "C"
