// Variable-length quantities of the voice event stream: big-endian groups of 7 bits, every
// byte except the last with bit 7 set.
//
// The writer uses at most three bytes and saturates values of 0x200000 or more to FF FF 7F.
// The reader of a stream accepts at most four bytes; the play-time counter reads at most three.
//
//   uint8_t buf[kVlqMaxWriteBytes];
//   size_t n = WriteVlq(0x80, buf);            // n == 2, buf = 81 00
//   auto read = ReadVlq({buf, n});             // read->value == 0x80, read->size == 2
#ifndef VTR_ENGINES_EVENTS_VLQ_H_
#define VTR_ENGINES_EVENTS_VLQ_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vtr::events {

inline constexpr size_t kVlqMaxWriteBytes = 3;
inline constexpr size_t kVlqMaxReadBytes = 4;
// The largest value the writer can express; larger values are written as this one.
inline constexpr uint32_t kVlqMaxWriteValue = 0x1FFFFF;

// Number of bytes WriteVlq uses for `value` (1..3).
[[nodiscard]] size_t VlqSize(uint32_t value);

// Writes `value` at the start of `out`. Returns the byte count, or 0 (nothing written) when
// `out` is too small.
[[nodiscard]] size_t WriteVlq(uint32_t value, std::span<uint8_t> out);

struct VlqValue {
  uint32_t value = 0;
  size_t size = 0;  // bytes consumed [bytes]
};

// Reads one quantity from the start of `in`, using at most `max_bytes` bytes (1..4). Returns
// nothing when `in` ends inside the quantity or its last allowed byte still has bit 7 set.
[[nodiscard]] std::optional<VlqValue> ReadVlq(std::span<const uint8_t> in,
                                              size_t max_bytes = kVlqMaxReadBytes);

}  // namespace vtr::events

#endif  // VTR_ENGINES_EVENTS_VLQ_H_
