#include "plugins/qrl/crc16.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vtr::qrl {
namespace {

TEST(KoruCrc16Test, MatchesKnownValues) {
  struct Case {
    std::string_view bytes;
    uint16_t expected;
  } cases[] = {
      {"123456789", 0xD64E},  // the catalogue's check value
      {"", 0x0000},           // initial value inverted
      {"A", 0x46EA},
  };
  for (const Case& c : cases) {
    std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(c.bytes.data()),
                                   c.bytes.size());
    EXPECT_EQ(KoruCrc16(bytes), c.expected) << c.bytes;
  }
}

}  // namespace
}  // namespace vtr::qrl
