#include "plugins/qrl/crc16.h"

#include <array>

namespace vtr::qrl {
namespace {

constexpr uint16_t kPolynomial = 0x1021;
constexpr uint16_t kInitial = 0xFFFF;
constexpr uint16_t kFinalXor = 0xFFFF;

// One entry per value of the top byte: the remainder it leaves after eight shifts. Computed
// at compile time, so the table is never written out by hand.
constexpr std::array<uint16_t, 256> MakeTable() {
  std::array<uint16_t, 256> table{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    uint16_t crc = static_cast<uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ kPolynomial)
                           : static_cast<uint16_t>(crc << 1);
    }
    table[byte] = crc;
  }
  return table;
}

constexpr std::array<uint16_t, 256> kTable = MakeTable();

}  // namespace

uint16_t KoruCrc16(std::span<const uint8_t> bytes) {
  uint16_t crc = kInitial;
  for (uint8_t byte : bytes) {
    crc = static_cast<uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
  }
  return static_cast<uint16_t>(crc ^ kFinalXor);
}

}  // namespace vtr::qrl
