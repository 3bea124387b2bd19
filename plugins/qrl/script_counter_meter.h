// ScriptCounterMeter: the plug-in's play-time measurement, the script converters' own
// play-time counter linked into the plug-in. Each script is measured with the converter of its
// language; the counter's codes pass through unchanged.
#ifndef VTR_PLUGINS_QRL_SCRIPT_COUNTER_METER_H_
#define VTR_PLUGINS_QRL_SCRIPT_COUNTER_METER_H_

#include "plugins/qrl/qrl_plugin.h"

namespace vtr::qrl {

class ScriptCounterMeter : public PlayTimeMeter {
 public:
  [[nodiscard]] uint32_t Measure(int format_id, std::string_view text, int32_t* ms) override;
};

}  // namespace vtr::qrl

#endif  // VTR_PLUGINS_QRL_SCRIPT_COUNTER_METER_H_
