#include "engines/events/vlq.h"

#include <algorithm>

namespace vtr::events {

size_t VlqSize(uint32_t value) {
  if (value < 0x80) return 1;
  if (value < 0x4000) return 2;
  return 3;
}

size_t WriteVlq(uint32_t value, std::span<uint8_t> out) {
  value = std::min(value, kVlqMaxWriteValue);
  const size_t size = VlqSize(value);
  if (out.size() < size) return 0;
  for (size_t i = 0; i < size; ++i) {
    const size_t shift = 7 * (size - 1 - i);
    uint8_t byte = static_cast<uint8_t>((value >> shift) & 0x7F);
    if (i + 1 < size) byte |= 0x80;
    out[i] = byte;
  }
  return size;
}

std::optional<VlqValue> ReadVlq(std::span<const uint8_t> in, size_t max_bytes) {
  max_bytes = std::clamp<size_t>(max_bytes, 1, kVlqMaxReadBytes);
  uint32_t value = 0;
  for (size_t i = 0; i < max_bytes && i < in.size(); ++i) {
    value = (value << 7) | (in[i] & 0x7F);
    if ((in[i] & 0x80) == 0) return VlqValue{value, i + 1};
  }
  return std::nullopt;
}

}  // namespace vtr::events
