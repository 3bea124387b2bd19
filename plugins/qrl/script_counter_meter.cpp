#include "plugins/qrl/script_counter_meter.h"

#include "core/script_text.h"
#include "engines/convert/play_time.h"
#include "engines/convert/script_counter.h"

namespace vtr::qrl {
namespace {

// The limit argument of the counter; it is not used.
constexpr int kCounterLimit = 100;

}  // namespace

uint32_t ScriptCounterMeter::Measure(int format_id, std::string_view text, int32_t* ms) {
  // A counter of this conversion only: nothing of one measurement reaches the next.
  convert::ScriptCounter counter;
  convert::PlayTimeCode code =
      counter.SetText(static_cast<core::ScriptModeWord>(format_id), text.data(),
                      static_cast<int>(text.size()), kCounterLimit);
  if (code != convert::PlayTimeCode::kOk) return static_cast<uint32_t>(code);
  int played_ms = 0;
  code = counter.CountTime(&played_ms);
  if (code == convert::PlayTimeCode::kOk) *ms = played_ms;
  return static_cast<uint32_t>(code);
}

}  // namespace vtr::qrl
