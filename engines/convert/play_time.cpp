#include "engines/convert/play_time.h"

#include <span>

#include "engines/events/vlq.h"

namespace vtr::convert {
namespace {

constexpr size_t kDeltaBytes = 3;  // the counter reads at most three VLQ bytes

}  // namespace

PlayTimeCode CountPlayTime(ScriptToEventConverter& converter, const char* text, int32_t length,
                           int& ms) {
  (void)converter.Term();
  if (converter.Init(kConverterTimebase) < 0) return PlayTimeCode::kInitFailed;
  if (converter.Open(reinterpret_cast<const uint8_t*>(text), length) < 0) {
    return PlayTimeCode::kOpenFailed;
  }
  uint8_t buf[kCounterBufferSize];
  int n = converter.Convert(buf, kCounterBufferSize);
  if (n <= 0) return PlayTimeCode::kNoMessage;
  auto delta = events::ReadVlq(std::span<const uint8_t>(buf, static_cast<size_t>(n)), kDeltaBytes);
  if (!delta) return PlayTimeCode::kBadDelta;
  int64_t total = delta->value;
  while ((n = converter.Convert(buf, kCounterBufferSize)) > 0) {
    delta = events::ReadVlq(std::span<const uint8_t>(buf, static_cast<size_t>(n)), kDeltaBytes);
    if (!delta) break;
    total += delta->value;
  }
  if (total > kMaxPlayTicks) return PlayTimeCode::kTooLong;
  ms = static_cast<int>(total * kConverterTimebase);
  return PlayTimeCode::kOk;
}

}  // namespace vtr::convert
