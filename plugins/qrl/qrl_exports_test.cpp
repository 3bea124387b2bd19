// The plug-in as the hosts use it: loaded from the program folder by its system name, both
// entry points bound by name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/module.h"
#include "platform/testing/failing_allocation.h"
#include "plugins/converter_api.h"

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

struct Export {
  int result = 0;
  std::vector<uint8_t> out;  // the whole buffer
  ConvertStatus status = {};
};

Export Convert(VtrKvxCnvFunction* convert, const std::string& script, int format_id,
               const ConvertOptions& options, unsigned out_length = 0x10000,
               const ConvertStatus& status = {}) {
  Export result;
  result.out.assign(out_length, kUntouched);
  result.status = status;
  result.result = convert(script.data(), static_cast<int>(script.size()), format_id,
                          reinterpret_cast<const unsigned char*>(&options), result.out.data(),
                          out_length, result.status.slots);
  return result;
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
  return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
         uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

// A "KV#J" script of rests only, playing `ticks` x 20 ms: "S00" makes a rest 1200 ms (60
// ticks), "Snn" one of (60 - nn) ticks for the remainder.
std::string RestScript(int ticks) {
  std::string script = "KV#JS00" + std::string(ticks / 60, ' ');
  if (ticks % 60 != 0) {
    int speed = 60 - ticks % 60;
    script += "S" + std::to_string(speed / 10) + std::to_string(speed % 10) + " ";
  }
  return script;
}

constexpr int kMaxTicks = 104857;

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

TEST_F(QrlExportsTest, ExportsEachLanguageWithItsMeasuredPlayTime) {
  struct Case {
    const char* why;
    std::string script;
    int format_id;
    int32_t play_ms;
    size_t var_len;  // bytes of the voice end delta
    uint8_t generation;
  } cases[] = {
      {"kana a", "KV#J\x82\xA0", kVtrFormatKvJ, 160, 1, 0},
      {"hangul ga", "KV#K\xB0\xA1", kVtrFormatKvK, 260, 1, 1},
      {"pinyin ma1", "KV#Cma1", kVtrFormatKvC, 220, 1, 2},
      {"measured up to a NUL", std::string("KV#J\x82\xA0\0\x82\xA0\x82\xA0", 11), kVtrFormatKvJ,
       160, 1, 0},
      {"longest play time", RestScript(kMaxTicks), kVtrFormatKvJ, kMaxTicks * 20, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Export e = Convert(convert_, c.script, c.format_id, DatedOptions());
    ASSERT_EQ(e.result, static_cast<int>(202 + c.var_len + c.script.size()));
    EXPECT_EQ(U32At(e.out, 83), static_cast<uint32_t>((c.play_ms + 40) / 20)) << "play range";
    EXPECT_EQ(e.out[70], c.generation);
    EXPECT_EQ(e.out[e.result], kUntouched);
    EXPECT_EQ(std::string(e.out.begin() + 200 + c.var_len, e.out.begin() + e.result - 2), c.script)
        << "all script bytes stored";
    EXPECT_EQ(e.status.slots[0], 0);
  }
}

TEST_F(QrlExportsTest, ExportsTheKnownFileOfTheKanaA) {
  Export e = Convert(convert_, "KV#J\x82\xA0", kVtrFormatKvJ, DatedOptions());
  ASSERT_EQ(e.result, 209);
  EXPECT_EQ(e.out[207], 0x9D);
  EXPECT_EQ(e.out[208], 0x22);
}

TEST_F(QrlExportsTest, FillsAnOutBufferOfExactlyTheFileLength) {
  struct Case {
    unsigned out_length;
    int result;
  } cases[] = {{209, 209}, {208, kVtrCnvOutputTooSmall}, {1, kVtrCnvOutputTooSmall}};
  for (const Case& c : cases) {
    Export e = Convert(convert_, "KV#J\x82\xA0", kVtrFormatKvJ, DatedOptions(), c.out_length);
    EXPECT_EQ(e.result, c.result) << c.out_length;
    if (c.result < 0) {
      EXPECT_EQ(e.out, std::vector<uint8_t>(c.out_length, kUntouched)) << c.out_length;
    }
    EXPECT_EQ(e.status.slots[0], 0);
  }
}

TEST_F(QrlExportsTest, AcceptsTextCodingsUpToSixAndUtf8) {
  ConvertOptions options = DatedOptions();
  std::strcpy(options.st, "\xC4\xE3");  // a GB 2312 hanzi
  struct Case {
    uint8_t text_coding;
    int result;
    std::vector<uint8_t> entry;
  } cases[] = {
      {0, 216, {'S', 'T', 0x00, 0x02, 0xC4, 0xE3}},
      {6, 216, {'S', 'T', 0x00, 0x02, 0xC4, 0xE3}},
      {7, kVtrCnvBadOptions, {}},
      {kVtrTextCodingUtf8, 217, {'S', 'T', 0x00, 0x03, 0xE4, 0xBD, 0xA0}},
  };
  for (const Case& c : cases) {
    options.text_coding = c.text_coding;
    Export e = Convert(convert_, "KV#Cma1", kVtrFormatKvC, options);
    ASSERT_EQ(e.result, c.result) << int{c.text_coding};
    if (c.result < 0) continue;
    EXPECT_EQ(e.out[32], c.text_coding);
    EXPECT_EQ(std::vector<uint8_t>(e.out.begin() + 37, e.out.begin() + 37 + c.entry.size()),
              c.entry);
  }
}

TEST_F(QrlExportsTest, ReportsAFailedMeasurementInStatusSlotZero) {
  ConvertStatus full_group = {};
  for (int slot = 0; slot < kVtrStatusGroupSize; ++slot) full_group.slots[slot] = 0x01000000 + slot;
  struct Case {
    const char* why;
    std::string script;
    int length;
    int format_id;
    ConvertStatus status;
    int32_t slot0;
  } cases[] = {
      {"header only", "KV#J", 4, kVtrFormatKvJ, {}, kVtrStatusNotMeasured},
      {"a Korean text under the kana id",
       "KV#K\xB0\xA1",
       6,
       kVtrFormatKvJ,
       {},
       kVtrStatusNotMeasured},
      {"one tick over the longest play time",
       RestScript(kMaxTicks + 1),
       -1,
       kVtrFormatKvJ,
       {},
       kVtrStatusTooLong},
      {"negative length", "KV#J\x82\xA0", -6, kVtrFormatKvJ, {}, kVtrStatusBadLength},
      {"status group full: the word is dropped", "KV#J", 4, kVtrFormatKvJ, full_group,
       full_group.slots[0]},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::vector<uint8_t> out(4096, kUntouched);
    ConvertStatus status = c.status;
    ConvertOptions options = DatedOptions();
    int length = c.length == -1 ? static_cast<int>(c.script.size()) : c.length;
    EXPECT_EQ(
        convert_(c.script.data(), length, c.format_id,
                 reinterpret_cast<const unsigned char*>(&options), out.data(), 4096, status.slots),
        kVtrCnvMeasureFailed);
    ConvertStatus expected = c.status;
    expected.slots[0] = c.slot0;
    EXPECT_EQ(std::memcmp(&status, &expected, sizeof status), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(4096, kUntouched));
  }
}

// Memory runs out inside a conversion: the plug-in answers with a failure result (nothing is
// thrown into the host), leaves the caller's buffers as they were, and converts again once
// memory is back.
TEST_F(QrlExportsTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  const std::string script = "KV#J\x82\xA0";
  const ConvertOptions options = DatedOptions();
  std::vector<uint8_t> out(0x10000, kUntouched);
  ConvertStatus status = {};
  ConverterInfo info;
  int info_result = 1234, convert_result = 1234;
  {
    vtr::platform::testing::ScopedFailingAllocation failing;
    EXPECT_NO_THROW(info_result = get_info_(kVtrFormatKvJ, &info));
    EXPECT_NO_THROW(convert_result =
                        convert_(script.data(), static_cast<int>(script.size()), kVtrFormatKvJ,
                                 reinterpret_cast<const unsigned char*>(&options), out.data(),
                                 static_cast<unsigned>(out.size()), status.slots));
  }
  EXPECT_EQ(info_result, kVtrCnvOk);  // it allocates nothing
  EXPECT_EQ(convert_result, kVtrCnvBadInput);
  for (uint8_t byte : out) ASSERT_EQ(byte, kUntouched);
  for (int32_t slot : status.slots) EXPECT_EQ(slot, 0);
  EXPECT_EQ(Convert(convert_, script, kVtrFormatKvJ, options).result, 209);
}

}  // namespace
