#include "engines/events/vlq.h"

#include <gtest/gtest.h>

#include <vector>

namespace vtr::events {
namespace {

struct WriteCase {
  const char* what;
  uint32_t value;
  std::vector<uint8_t> bytes;
};

TEST(VlqTest, WritesOneToThreeBytesAndSaturates) {
  const WriteCase cases[] = {
      {"zero", 0, {0x00}},
      {"largest one-byte value", 0x7F, {0x7F}},
      {"smallest two-byte value", 0x80, {0x81, 0x00}},
      {"largest two-byte value", 0x3FFF, {0xFF, 0x7F}},
      {"smallest three-byte value", 0x4000, {0x81, 0x80, 0x00}},
      {"largest three-byte value", 0x1FFFFF, {0xFF, 0xFF, 0x7F}},
      {"first saturated value", 0x200000, {0xFF, 0xFF, 0x7F}},
      {"largest input saturates", 0xFFFFFFFF, {0xFF, 0xFF, 0x7F}},
  };
  for (const auto& c : cases) {
    uint8_t buf[kVlqMaxWriteBytes] = {};
    const size_t n = WriteVlq(c.value, buf);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + n), c.bytes) << c.what;
    EXPECT_EQ(VlqSize(c.value), c.bytes.size()) << c.what;
  }
}

TEST(VlqTest, WriteRefusesTooSmallBuffer) {
  uint8_t buf[2] = {0xAA, 0xAA};
  EXPECT_EQ(WriteVlq(0x4000, buf), 0u);
  EXPECT_EQ(buf[0], 0xAA);
  EXPECT_EQ(WriteVlq(0x80, std::span<uint8_t>(buf, 1)), 0u);
  EXPECT_EQ(WriteVlq(0x7F, std::span<uint8_t>(buf, 0)), 0u);
}

struct ReadCase {
  const char* what;
  std::vector<uint8_t> bytes;
  size_t max_bytes;
  bool valid;
  uint32_t value;
  size_t size;
};

TEST(VlqTest, ReadsAtMostTheAllowedBytes) {
  const ReadCase cases[] = {
      {"one byte", {0x7F, 0x55}, 4, true, 0x7F, 1},
      {"two bytes", {0x81, 0x00}, 4, true, 0x80, 2},
      {"three bytes", {0xFF, 0xFF, 0x7F}, 4, true, 0x1FFFFF, 3},
      {"four bytes", {0xFF, 0xFF, 0xFF, 0x7F}, 4, true, 0xFFFFFFF, 4},
      {"fifth byte needed: 80 80 80 80 00", {0x80, 0x80, 0x80, 0x80, 0x00}, 4, false, 0, 0},
      {"cut off by the end", {0x81}, 4, false, 0, 0},
      {"empty input", {}, 4, false, 0, 0},
      {"counter reads three bytes", {0x81, 0x80, 0x00}, 3, true, 0x4000, 3},
      {"counter: third byte with bit 7", {0x81, 0x80, 0x80, 0x00}, 3, false, 0, 0},
  };
  for (const auto& c : cases) {
    auto read = ReadVlq(c.bytes, c.max_bytes);
    ASSERT_EQ(read.has_value(), c.valid) << c.what;
    if (read) {
      EXPECT_EQ(read->value, c.value) << c.what;
      EXPECT_EQ(read->size, c.size) << c.what;
    }
  }
}

TEST(VlqTest, ReadsBackEveryWrittenValue) {
  for (uint32_t value : {0u, 1u, 0x7Fu, 0x80u, 0x3FFFu, 0x4000u, 0x12345u, 0x1FFFFFu}) {
    uint8_t buf[kVlqMaxWriteBytes];
    const size_t n = WriteVlq(value, buf);
    auto read = ReadVlq(std::span<const uint8_t>(buf, n));
    ASSERT_TRUE(read.has_value()) << value;
    EXPECT_EQ(read->value, value);
    EXPECT_EQ(read->size, n);
  }
}

}  // namespace
}  // namespace vtr::events
