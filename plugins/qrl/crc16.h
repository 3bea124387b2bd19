// The CRC-16 that closes a KORU file.
//
// Polynomial 0x1021, initial value 0xFFFF, no bit reflection, result inverted (the catalogue
// name is CRC-16/GENIBUS). Check value: 0xD64E for the ASCII digits "123456789".
//
//   #include <vector>
//   // given: std::vector<uint8_t> file_bytes
//   uint16_t crc = vtr::qrl::KoruCrc16(file_bytes);
//   file_bytes.push_back(crc >> 8);    // appended high byte first
//   file_bytes.push_back(crc & 0xFF);
#ifndef VTR_PLUGINS_QRL_CRC16_H_
#define VTR_PLUGINS_QRL_CRC16_H_

#include <cstdint>
#include <span>

namespace vtr::qrl {

[[nodiscard]] uint16_t KoruCrc16(std::span<const uint8_t> bytes);

}  // namespace vtr::qrl

#endif  // VTR_PLUGINS_QRL_CRC16_H_
