#include "plugins/converter_api.h"

#include <gtest/gtest.h>

extern "C" {
size_t VtrQrlCSizeOfConverterInfo(void);
size_t VtrQrlCSizeOfConvertOptions(void);
size_t VtrQrlCSizeOfConvertStatus(void);
size_t VtrQrlCOffsetOfUd(void);
}

namespace {

TEST(QrlApiTest, RecordsHaveTheSameLayoutInCAndCpp) {
  struct Case {
    const char* what;
    size_t from_c;
    size_t from_cpp;
    size_t expected;
  } cases[] = {
      {"ConverterInfo", VtrQrlCSizeOfConverterInfo(), sizeof(ConverterInfo), 60},
      {"ConvertOptions", VtrQrlCSizeOfConvertOptions(), sizeof(ConvertOptions), 3344},
      {"ConvertStatus", VtrQrlCSizeOfConvertStatus(), sizeof(ConvertStatus), 120},
      {"ConvertOptions::ud", VtrQrlCOffsetOfUd(), offsetof(ConvertOptions, ud), 3087},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.from_c, c.expected) << c.what;
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
