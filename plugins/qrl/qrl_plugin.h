// QrlPlugin: the object behind the two exports of the KORU converter plug-in.
//
// One conversion: check the arguments in the order of the result codes (converter_api.h), copy
// the script, measure its play time T, build the file with KoruWriter (control sequence ending
// at T and T + 40 ms) and copy it to the caller's buffer when it fits. Nothing is kept from one
// conversion to the next. The play time comes from a PlayTimeMeter, so tests can give any T.
//
//   #include "plugins/qrl/script_counter_meter.h"
//   // given: const char* script; int length; const unsigned char* options; unsigned char* out
//   // given: unsigned out_length; int* status
//   ScriptCounterMeter meter;              // or a fake in tests
//   QrlPlugin plugin(meter);
//   int n = plugin.Convert(script, length, kVtrFormatKvJ, options, out, out_length, status);
#ifndef VTR_PLUGINS_QRL_QRL_PLUGIN_H_
#define VTR_PLUGINS_QRL_QRL_PLUGIN_H_

#include <cstdint>
#include <string_view>

#include "engines/convert/play_time.h"
#include "plugins/converter_api.h"

namespace vtr::qrl {

// Codes of a play-time measurement: 0 success, else the play-time counter's failure code.
inline constexpr uint32_t kMeasureOk = 0;
inline constexpr uint32_t kMeasureTooLong = static_cast<uint32_t>(convert::PlayTimeCode::kTooLong);
// Longest play time a file takes [ms].
inline constexpr int32_t kMaxPlayMs =
    static_cast<int32_t>(convert::kMaxPlayTicks * convert::kConverterTimebase);

// Measures how long a script plays.
class PlayTimeMeter {
 public:
  virtual ~PlayTimeMeter() = default;
  // Measures `text`, a whole script of the language of `format_id` (its bytes up to the first
  // NUL count); stores the play time [ms] in *ms on success. Returns kMeasureOk or a failure
  // code (kMeasureTooLong among them).
  [[nodiscard]] virtual uint32_t Measure(int format_id, std::string_view text, int32_t* ms) = 0;
};

// Stores `word` into the group of its class nibble (bits 24-27: 1, 2 or 3 for slots 0-9, 10-19,
// 20-29), in the first slot holding 0. Drops it when the group is full or the nibble is
// another value. `slots` holds kVtrStatusSlotCount values.
void PutStatusWord(int32_t* slots, int32_t word);

// Longest script a conversion takes [bytes]: the file must stay countable in an int.
inline constexpr int kMaxScriptBytes = 0x7FFFFFFF - 0x10000;

class QrlPlugin {
 public:
  explicit QrlPlugin(PlayTimeMeter& meter) : meter_(meter) {}

  // Vtr_GetDllInfo and Vtr_KvxCnv (converter_api.h).
  [[nodiscard]] int GetInfo(int format_id, ConverterInfo* info) const;
  [[nodiscard]] int Convert(const char* script, int length, int format_id,
                            const unsigned char* options, unsigned char* out, unsigned out_length,
                            int* status);

 private:
  PlayTimeMeter& meter_;
};

}  // namespace vtr::qrl

#endif  // VTR_PLUGINS_QRL_QRL_PLUGIN_H_
