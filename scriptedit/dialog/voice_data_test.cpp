#include "scriptedit/dialog/voice_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::scriptedit {
namespace {

// A block: `mark_at` < 0 for none; records {number, name} where the records begin.
std::vector<uint8_t> Block(int size, int mark_at,
                           const std::vector<std::pair<int, std::string>>& records) {
  std::vector<uint8_t> data(static_cast<size_t>(size), 0xEE);
  size_t at = 8;
  if (mark_at >= 0) {
    data[mark_at] = 'K';
    data[mark_at + 1] = 'V';
    data[mark_at + 2] = 'N';
    at = static_cast<size_t>(mark_at) + 8;
  }
  for (const auto& [number, name] : records) {
    data[at] = static_cast<uint8_t>(number);
    for (size_t i = 0; i < 16; ++i) data[at + 1 + i] = i < name.size() ? name[i] : 0;
    at += 17;
  }
  if (at < data.size()) data[at] = 0xFF;  // ends the records
  return data;
}

std::vector<std::pair<int, std::string>> Read(const std::vector<uint8_t>& data, int size) {
  std::vector<std::pair<int, std::string>> out;
  for (const auto& voice : ReadExtendedVoices(data.data(), size)) {
    out.emplace_back(static_cast<int>(voice.command_id), std::string(voice.text.data()));
  }
  return out;
}

TEST(VoiceDataTest, ReadsTheRecordsAfterTheMarkOrFromByteEight) {
  using Entries = std::vector<std::pair<int, std::string>>;
  struct Case {
    const char* why;
    std::vector<uint8_t> data;
    int size;  // -1: the whole block
    Entries expected;
  };
  // clang-format off
  const Case cases[] = {
      {"mark at 16", Block(200, 16, {{3, "Robo"}, {0, ""}}), -1,
       {{32865, "Robo : X3"}, {32862, "Extended Voice : X0"}}},
      {"mark at 64", Block(200, 64, {{15, "ABCDEFGHIJKLMNOP"}}), -1, {{32877, "ABCDEFGHIJKLMNOP : X15"}}},
      {"a mark off the 48-byte grid is not one", Block(200, 20, {{1, "x"}}), -1, {}},
      {"no mark: from byte 8", Block(100, -1, {{2, "Two"}}), -1, {{32864, "Two : X2"}}},
      {"a number above 15 ends", Block(100, -1, {{16, "No"}}), -1, {}},
      {"no room for a whole record", Block(100, -1, {{2, "Two"}}), 8 + 16, {}},
      {"exactly one record", Block(100, -1, {{2, "Two"}}), 8 + 17, {{32864, "Two : X2"}}},
      {"too small", Block(100, -1, {}), 7, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const int size = c.size < 0 ? static_cast<int>(c.data.size()) : c.size;
    EXPECT_EQ(Read(c.data, size), c.expected) << c.why;
  }
  EXPECT_TRUE(ReadExtendedVoices(nullptr, 100).empty());
}

}  // namespace
}  // namespace vtr::scriptedit
