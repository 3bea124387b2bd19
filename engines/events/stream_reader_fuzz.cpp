// Arbitrary bytes through the stream reader: it must never read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engines/events/stream_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto result = vtr::events::ReadStream(std::span<const uint8_t>(data, size));
  if (result.ok() && result.records.empty()) __builtin_trap();
  return 0;
}
