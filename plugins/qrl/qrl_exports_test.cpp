// The plug-in as the hosts use it: loaded from the program folder by its system name, both
// entry points bound by name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/module.h"
#include "plugins/qrl/qrl_api.h"

namespace {

class QrlExportsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load(".\\Plugin\\VTR_qrl.dll", VTR_DIST_DIR)) << module_.error();
    get_info_ = module_.Find<VtrGetDllInfoFunction>("Vtr_GetDllInfo");
    convert_ = module_.Find<VtrKvxCnvFunction>("Vtr_KvxCnv");
    ASSERT_NE(get_info_, nullptr) << module_.error();
    ASSERT_NE(convert_, nullptr) << module_.error();
  }

  vtr::platform::Module module_;
  VtrGetDllInfoFunction* get_info_ = nullptr;
  VtrKvxCnvFunction* convert_ = nullptr;
};

// The option block a host builds for a script without details.
ConvertOptions DatedOptions(uint8_t text_coding = 0) {
  ConvertOptions options;
  std::memset(&options, 0, sizeof options);
  options.text_coding = text_coding;
  std::memcpy(options.date, "20050321", 8);
  return options;
}

constexpr uint8_t kUntouched = 0xEE;

TEST_F(QrlExportsTest, GetDllInfoDescribesTheFormatAndKeepsTheOtherBytes) {
  struct Case {
    int format_id;
    bool info;
    int result;
  } cases[] = {
      {0x54100000, false, kVtrCnvBadFormat},   {0x54100000, true, kVtrCnvBadFormat},
      {kVtrFormatKvJ, false, kVtrCnvBadInput}, {kVtrFormatKvJ, true, kVtrCnvOk},
      {kVtrFormatKvK, true, kVtrCnvOk},        {kVtrFormatKvC, true, kVtrCnvOk},
  };
  for (const Case& c : cases) {
    ConverterInfo info;
    std::memset(&info, 0x5A, sizeof info);
    ConverterInfo expected = info;
    if (c.result == kVtrCnvOk) {
      std::memcpy(expected.description, "KORU Files", 11);
      std::memcpy(expected.extension, "qrl", 4);
    }
    EXPECT_EQ(get_info_(c.format_id, c.info ? &info : nullptr), c.result)
        << std::hex << c.format_id;
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0) << std::hex << c.format_id;
  }
}

TEST_F(QrlExportsTest, KvxCnvRefusesBadArgumentsInOrder) {
  const std::string script = "KV#J\x82\xA0";
  const ConvertOptions options = DatedOptions();
  const ConvertOptions coding7 = DatedOptions(7);
  std::vector<uint8_t> out(64, kUntouched);
  ConvertStatus status = {};
  struct Case {
    const char* why;
    const char* script;
    int length;
    int format_id;
    const ConvertOptions* options;
    uint8_t* out;
    unsigned out_length;
    int* status;
    int result;
  } cases[] = {
      {"null script", nullptr, 6, kVtrFormatKvJ, &options, out.data(), 64, status.slots,
       kVtrCnvBadInput},
      {"length 0 before the id", script.data(), 0, 0x54100000, &options, out.data(), 64,
       status.slots, kVtrCnvBadInput},
      {"romaji id", script.data(), 6, 0x54100000, &options, out.data(), 64, status.slots,
       kVtrCnvBadFormat},
      {"null options", script.data(), 6, kVtrFormatKvJ, nullptr, out.data(), 64, status.slots,
       kVtrCnvBadOptions},
      {"text coding 7", script.data(), 6, kVtrFormatKvJ, &coding7, out.data(), 64, status.slots,
       kVtrCnvBadOptions},
      {"null out", script.data(), 6, kVtrFormatKvJ, &options, nullptr, 64, status.slots,
       kVtrCnvBadOutput},
      {"out length 0", script.data(), 6, kVtrFormatKvJ, &options, out.data(), 0, status.slots,
       kVtrCnvBadOutput},
      {"null status", script.data(), 6, kVtrFormatKvJ, &options, out.data(), 64, nullptr,
       kVtrCnvNoStatus},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        convert_(c.script, c.length, c.format_id, reinterpret_cast<const unsigned char*>(c.options),
                 c.out, c.out_length, c.status),
        c.result)
        << c.why;
    EXPECT_EQ(out, std::vector<uint8_t>(64, kUntouched)) << c.why;
    EXPECT_EQ(status.slots[0], 0) << c.why;
  }
}

}  // namespace
