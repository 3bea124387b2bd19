#include "plugins/converter_api.h"

#include <gtest/gtest.h>

namespace {

// A C host sees the same layout: the build compiles the header as C, with its static asserts
// of these sizes and offsets.
TEST(QrlApiTest, RecordsHaveTheSystemsLayout) {
  struct Case {
    const char* what;
    size_t from_cpp;
    size_t expected;
  } cases[] = {
      {"ConverterInfo", sizeof(ConverterInfo), 60},
      {"ConvertOptions", sizeof(ConvertOptions), 3344},
      {"ConvertStatus", sizeof(ConvertStatus), 120},
      {"ConvertOptions::ud", offsetof(ConvertOptions, ud), 3087},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.from_cpp, c.expected) << c.what;
  }
}

TEST(QrlApiTest, TextFieldsLieBackToBackFromOffsetThree) {
  const size_t offsets[] = {
      offsetof(ConvertOptions, vn), offsetof(ConvertOptions, cn), offsetof(ConvertOptions, ca),
      offsetof(ConvertOptions, st), offsetof(ConvertOptions, an), offsetof(ConvertOptions, ww),
      offsetof(ConvertOptions, sw), offsetof(ConvertOptions, aw), offsetof(ConvertOptions, cr),
      offsetof(ConvertOptions, gr), offsetof(ConvertOptions, mi), offsetof(ConvertOptions, date),
      offsetof(ConvertOptions, ud)};
  ASSERT_EQ(std::size(offsets), size_t{kVtrTextFieldCount});
  for (size_t i = 0; i < std::size(offsets); ++i) {
    EXPECT_EQ(offsets[i], 3 + i * kVtrTextFieldSize) << "field " << i;
  }
}

TEST(QrlApiTest, StatusWordsKeepTheirBitPattern) {
  EXPECT_EQ(static_cast<uint32_t>(kVtrStatusBadLength), 0xF1000000u);
  EXPECT_EQ(static_cast<uint32_t>(kVtrStatusNotMeasured), 0xF1000001u);
  EXPECT_EQ(static_cast<uint32_t>(kVtrStatusTooLong), 0xF1000002u);
}

}  // namespace
