#include "platform/text.h"

#include <gtest/gtest.h>

namespace vtr::platform {
namespace {

struct RoundTrip {
  Encoding encoding;
  const char* bytes;
  const char* utf8;
};

// clang-format off
const RoundTrip kRoundTrips[] = {
    {Encoding::kShiftJis, "KV#J\x82\xA0\x82\xA9\x81\x5B", "KV#Jあかー"},
    {Encoding::kShiftJis, "\x83\x41\xB1", "アｱ"},                    // full- and half-width katakana
    {Encoding::kShiftJis, "\x87\x40", "①"},                          // a code page 932 extension
    {Encoding::kEucKr, "KV#K\xB0\xA1\xB3\xAA", "KV#K가나"},
    {Encoding::kEucKr, "\xA3\xAB", "＋"},
    {Encoding::kGb2312, "KV#C\xD6\xD0\xCE\xC4", "KV#C中文"},
    {Encoding::kGb2312, "ni3hao3", "ni3hao3"},
};
// clang-format on

TEST(TextTest, RoundTripsEachScriptEncoding) {
  for (const RoundTrip& c : kRoundTrips) {
    TextResult shown = ToUtf8(c.encoding, c.bytes);
    ASSERT_TRUE(shown.ok()) << c.utf8;
    EXPECT_EQ(shown.text, c.utf8);
    TextResult back = FromUtf8(c.encoding, shown.text);
    ASSERT_TRUE(back.ok()) << c.utf8;
    EXPECT_EQ(back.text, c.bytes);
  }
}

TEST(TextTest, ReportsABrokenDoubleByteWithItsOffset) {
  struct Case {
    Encoding encoding;
    std::string bytes;
    size_t offset;
    const char* why;
  } cases[] = {
      {Encoding::kShiftJis, "ab\x82", 2, "lead byte cut off at the end"},
      {Encoding::kShiftJis, "a\x82\x20", 1, "lead byte followed by a space"},
      {Encoding::kEucKr, "KV#K\xB0", 4, "lead byte cut off at the end"},
      {Encoding::kGb2312, "x\xD6\x0A", 1, "lead byte followed by a line feed"},
  };
  for (const Case& c : cases) {
    TextResult shown = ToUtf8(c.encoding, c.bytes);
    EXPECT_EQ(shown.error, TextError::kInvalidBytes) << c.why;
    EXPECT_EQ(shown.error_offset, c.offset) << c.why;
  }
}

TEST(TextTest, ReportsCharactersTheScriptEncodingLacks) {
  TextResult result = FromUtf8(Encoding::kShiftJis, "a\xF0\x9F\x98\x80");  // an emoji
  EXPECT_EQ(result.error, TextError::kUnmappable);
  EXPECT_EQ(result.error_offset, 1u);
  EXPECT_EQ(result.text, "a");
  EXPECT_EQ(FromUtf8(Encoding::kEucKr, "\xC3").error, TextError::kInvalidBytes);  // broken UTF-8
}

TEST(TextTest, ReplacingConversionPutsAQuestionMarkForWhatCannotBeHeld) {
  struct Case {
    Encoding encoding;
    std::string utf8;
    std::string bytes;
    const char* why;
  } cases[] = {
      {Encoding::kShiftJis, "aかb",
       "a\x82\xA9"
       "b",
       "every character held"},
      {Encoding::kShiftJis, "か\xF0\x9F\x98\x80き", "\x82\xA9?\x82\xAB", "an emoji: one mark"},
      {Encoding::kShiftJis, "가é", "??", "hangul and a Latin letter that code page 932 lacks"},
      {Encoding::kEucKr, "가あก", "\xB0\xA1\xAA\xA2?", "hiragana are in KS X 1001, Thai is not"},
      {Encoding::kGb2312, "中文가", "\xD6\xD0\xCE\xC4?", "hangul has no GB form"},
      {Encoding::kShiftJis, "a\xC3", "a?", "a lead byte cut off at the end"},
      {Encoding::kShiftJis,
       "\xE3\x81"
       "b",
       "??b", "a sequence cut short: a mark per byte"},
      {Encoding::kShiftJis, "\x80x\xFF", "?x?", "stray bytes that start no character"},
      {Encoding::kShiftJis, "\xED\xA0\x80", "???", "a surrogate is no character"},
      {Encoding::kShiftJis, "", "", "nothing"},
  };
  for (const Case& c : cases) {
    const std::string bytes = FromUtf8Replacing(c.encoding, c.utf8);
    EXPECT_EQ(bytes, c.bytes) << c.why;
    EXPECT_TRUE(ToUtf8(c.encoding, bytes).ok()) << c.why;
  }
}

TEST(TextTest, MapsByteOffsetsToCharacterOffsetsAndBack) {
  const std::string sjis =
      "KV#J\x82\xA0"
      "a\x82\xA9";  // K V # J あ a か
  struct Case {
    size_t byte_offset;
    size_t char_offset;
  } cases[] = {{0, 0}, {4, 4}, {6, 5}, {7, 6}, {9, 7}, {99, 7}};
  for (const Case& c : cases) {
    EXPECT_EQ(CharOffsetOfByte(Encoding::kShiftJis, sjis, c.byte_offset), c.char_offset)
        << c.byte_offset;
  }
  EXPECT_EQ(ByteOffsetOfChar(Encoding::kShiftJis, sjis, 5), 6u);
  EXPECT_EQ(ByteOffsetOfChar(Encoding::kShiftJis, sjis, 6), 7u);
  EXPECT_EQ(ByteOffsetOfChar(Encoding::kShiftJis, sjis, 50), sjis.size());
  // Half-width katakana are single bytes in Shift-JIS, but lead bytes in the other encodings.
  EXPECT_EQ(CharOffsetOfByte(Encoding::kShiftJis, "\xB1\xB2", 2), 2u);
  EXPECT_EQ(CharOffsetOfByte(Encoding::kEucKr, "\xB0\xA1", 2), 1u);
  // A lead byte at the very end stands alone.
  EXPECT_EQ(CharOffsetOfByte(Encoding::kGb2312, "a\xD6", 2), 2u);
}

}  // namespace
}  // namespace vtr::platform
