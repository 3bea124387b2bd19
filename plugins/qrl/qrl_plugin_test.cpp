#include "plugins/qrl/qrl_plugin.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugins/qrl/koru_writer.h"

namespace vtr::qrl {
namespace {

// Answers every measurement with a preset code and play time, and remembers what it saw.
class FakeMeter : public PlayTimeMeter {
 public:
  uint32_t Measure(int format_id, std::string_view text, int32_t* ms) override {
    ++calls;
    seen_format_id = format_id;
    seen_text = std::string(text);
    if (code == kMeasureOk) *ms = play_ms;
    return code;
  }
  uint32_t code = kMeasureOk;
  int32_t play_ms = 160;
  int calls = 0;
  int seen_format_id = 0;
  std::string seen_text;
};

const std::string kScript = "KV#J\x82\xA0";

struct Call {
  const char* script = kScript.data();
  int length = static_cast<int>(kScript.size());
  int format_id = kVtrFormatKvJ;
  bool options = true;
  uint8_t text_coding = 0;
  bool out = true;
  unsigned out_length = 4096;
  bool status = true;
};

struct Outcome {
  int result;
  std::vector<uint8_t> out;  // 4096 bytes, filled with 0xEE before the call
  ConvertStatus status;      // zeroed before the call
};

Outcome Convert(QrlPlugin& plugin, const Call& call) {
  ConvertOptions options;
  std::memset(&options, 0, sizeof options);
  std::memcpy(options.date, "20050321", 8);
  options.text_coding = call.text_coding;
  Outcome outcome{0, std::vector<uint8_t>(4096, 0xEE), {}};
  outcome.result =
      plugin.Convert(call.script, call.length, call.format_id,
                     call.options ? reinterpret_cast<const unsigned char*>(&options) : nullptr,
                     call.out ? outcome.out.data() : nullptr, call.out_length,
                     call.status ? outcome.status.slots : nullptr);
  return outcome;
}

TEST(QrlPluginConvertTest, ChecksArgumentsInOrderAndTouchesNothingOnFailure) {
  auto with = [](auto change) {
    Call call;
    change(call);
    return call;
  };
  struct Case {
    const char* why;
    Call call;
    int result;
  } cases[] = {
      {"null script", with([](Call& c) { c.script = nullptr; }), kVtrCnvBadInput},
      {"length 0", with([](Call& c) { c.length = 0; }), kVtrCnvBadInput},
      {"length 0 before a bad id", with([](Call& c) {
         c.length = 0;
         c.format_id = 1;
       }),
       kVtrCnvBadInput},
      {"bad script before a null out", with([](Call& c) {
         c.script = nullptr;
         c.out = false;
       }),
       kVtrCnvBadInput},
      {"romaji id", with([](Call& c) { c.format_id = 0x54100000; }), kVtrCnvBadFormat},
      {"unknown id", with([](Call& c) { c.format_id = 0x52000000; }), kVtrCnvBadFormat},
      {"bad id before null options", with([](Call& c) {
         c.format_id = 0;
         c.options = false;
       }),
       kVtrCnvBadFormat},
      {"null options", with([](Call& c) { c.options = false; }), kVtrCnvBadOptions},
      {"text coding 7", with([](Call& c) { c.text_coding = 7; }), kVtrCnvBadOptions},
      {"text coding 0x22", with([](Call& c) { c.text_coding = 0x22; }), kVtrCnvBadOptions},
      {"text coding 0xFF", with([](Call& c) { c.text_coding = 0xFF; }), kVtrCnvBadOptions},
      {"bad coding before null out", with([](Call& c) {
         c.text_coding = 7;
         c.out = false;
       }),
       kVtrCnvBadOptions},
      {"null out", with([](Call& c) { c.out = false; }), kVtrCnvBadOutput},
      {"out length 0", with([](Call& c) { c.out_length = 0; }), kVtrCnvBadOutput},
      {"null out before null status", with([](Call& c) {
         c.out = false;
         c.status = false;
       }),
       kVtrCnvBadOutput},
      {"null status", with([](Call& c) { c.status = false; }), kVtrCnvNoStatus},
      {"null status before a negative length", with([](Call& c) {
         c.status = false;
         c.length = -1;
       }),
       kVtrCnvNoStatus},
      {"out one byte short", with([](Call& c) { c.out_length = 208; }), kVtrCnvOutputTooSmall},
  };
  for (const Case& c : cases) {
    FakeMeter meter;
    QrlPlugin plugin(meter);
    Outcome outcome = Convert(plugin, c.call);
    EXPECT_EQ(outcome.result, c.result) << c.why;
    EXPECT_EQ(outcome.out, std::vector<uint8_t>(4096, 0xEE)) << c.why << ": out touched";
    EXPECT_EQ(outcome.status.slots[0], 0) << c.why << ": status touched";
  }
}

TEST(QrlPluginConvertTest, AcceptsTheTextCodingsAndFillsOutExactly) {
  struct Case {
    uint8_t text_coding;
    unsigned out_length;
  } cases[] = {{0, 4096}, {6, 4096}, {kVtrTextCodingUtf8, 4096}, {0, 209}};
  for (const Case& c : cases) {
    FakeMeter meter;
    QrlPlugin plugin(meter);
    Call call;
    call.text_coding = c.text_coding;
    call.out_length = c.out_length;
    Outcome outcome = Convert(plugin, call);
    ASSERT_EQ(outcome.result, 209) << int{c.text_coding};
    EXPECT_EQ(outcome.out[32], c.text_coding);
    EXPECT_EQ(outcome.out[209], 0xEE) << "nothing written past the file";
    EXPECT_EQ(outcome.status.slots[0], 0);
  }
}

TEST(QrlPluginConvertTest, MeasuresTheScriptOfTheFormatAndUsesItsPlayTime) {
  FakeMeter meter;
  meter.play_ms = 2560;
  QrlPlugin plugin(meter);
  Call call;
  const std::string script("KV#C\0ni3", 8);
  call.script = script.data();
  call.length = static_cast<int>(script.size());
  call.format_id = kVtrFormatKvC;
  Outcome outcome = Convert(plugin, call);
  ASSERT_EQ(outcome.result, 202 + 2 + 8);
  EXPECT_EQ(meter.seen_format_id, kVtrFormatKvC);
  EXPECT_EQ(meter.seen_text, script) << "all bytes go to the meter, which stops at the NUL";
  EXPECT_EQ(outcome.out[70], 2) << "generation";
  EXPECT_EQ(outcome.out[157], 0x81);
  EXPECT_EQ(outcome.out[158], 0x00);
}

TEST(QrlPluginConvertTest, ReportsAFailedMeasurementWithOneStatusWord) {
  struct Case {
    const char* why;
    int length;
    uint32_t code;
    int32_t play_ms;
    int32_t word;
    int meter_calls;
  } cases[] = {
      {"negative length", -1, kMeasureOk, 160, kVtrStatusBadLength, 0},
      {"header only", 6, 0x20000003, 0, kVtrStatusNotMeasured, 1},
      {"header of another language", 6, 0x20000002, 0, kVtrStatusNotMeasured, 1},
      {"over 104857 ticks", 6, kMeasureTooLong, 0, kVtrStatusTooLong, 1},
      {"meter's time over the limit", 6, kMeasureOk, kMaxPlayMs + 20, kVtrStatusTooLong, 1},
      {"meter's time negative", 6, kMeasureOk, -20, kVtrStatusNotMeasured, 1},
  };
  for (const Case& c : cases) {
    FakeMeter meter;
    meter.code = c.code;
    meter.play_ms = c.play_ms;
    QrlPlugin plugin(meter);
    Call call;
    call.length = c.length;
    Outcome outcome = Convert(plugin, call);
    EXPECT_EQ(outcome.result, kVtrCnvMeasureFailed) << c.why;
    EXPECT_EQ(outcome.status.slots[0], c.word) << c.why;
    EXPECT_EQ(outcome.status.slots[1], 0) << c.why;
    EXPECT_EQ(meter.calls, c.meter_calls) << c.why;
    EXPECT_EQ(outcome.out, std::vector<uint8_t>(4096, 0xEE)) << c.why;
  }
}

TEST(QrlPluginConvertTest, AcceptsTheLongestPlayTime) {
  FakeMeter meter;
  meter.play_ms = kMaxPlayMs;
  QrlPlugin plugin(meter);
  Outcome outcome = Convert(plugin, Call{});
  EXPECT_EQ(outcome.result, 202 + 3 + 6);
}

TEST(PutStatusWordTest, FillsTheFirstFreeSlotOfTheWordsGroup) {
  struct Case {
    const char* why;
    std::vector<int> taken;  // slots holding a word before the call
    uint32_t word;
    int slot;  // where the word lands, -1 dropped
  } cases[] = {
      {"class 1 into slot 0", {}, 0xF1000002, 0},
      {"class 1 after taken slots", {0, 1}, 0xF1000001, 2},
      {"class 1 into a hole", {0, 2}, 0xF1000001, 1},
      {"class 1 group full", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 0xF1000000, -1},
      {"class 2 into slot 10", {0}, 0x02000005, 10},
      {"class 3 into slot 20", {}, 0x13000000, 20},
      {"class 3 group full", {20, 21, 22, 23, 24, 25, 26, 27, 28, 29}, 0x03000001, -1},
      {"class 0 dropped", {}, 0xF0000001, -1},
      {"class 4 dropped", {}, 0xF4000001, -1},
  };
  for (const Case& c : cases) {
    ConvertStatus status = {};
    for (int slot : c.taken) status.slots[slot] = 0x0F0F0F0F;
    ConvertStatus expected = status;
    if (c.slot >= 0) expected.slots[c.slot] = static_cast<int32_t>(c.word);
    PutStatusWord(status.slots, static_cast<int32_t>(c.word));
    EXPECT_EQ(std::memcmp(&status, &expected, sizeof status), 0) << c.why;
  }
}

TEST(QrlPluginGetInfoTest, WritesOnlyTheTwoTexts) {
  FakeMeter meter;
  const QrlPlugin plugin(meter);
  for (int format_id : {kVtrFormatKvJ, kVtrFormatKvK, kVtrFormatKvC}) {
    ConverterInfo info;
    std::memset(&info, 0xA5, sizeof info);
    ASSERT_EQ(plugin.GetInfo(format_id, &info), kVtrCnvOk);
    ConverterInfo expected;
    std::memset(&expected, 0xA5, sizeof expected);
    std::memcpy(expected.description, "KORU Files", 11);
    std::memcpy(expected.extension, "qrl", 4);
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0) << std::hex << format_id;
  }
}

TEST(QrlPluginGetInfoTest, ChecksTheIdBeforeTheRecord) {
  FakeMeter meter;
  const QrlPlugin plugin(meter);
  struct Case {
    int format_id;
    bool info;
    int result;
  } cases[] = {{0x54100000, false, kVtrCnvBadFormat},
               {0x54100000, true, kVtrCnvBadFormat},
               {kVtrFormatKvJ, false, kVtrCnvBadInput}};
  for (const Case& c : cases) {
    ConverterInfo info;
    std::memset(&info, 0xA5, sizeof info);
    EXPECT_EQ(plugin.GetInfo(c.format_id, c.info ? &info : nullptr), c.result);
    EXPECT_EQ(static_cast<uint8_t>(info.description[0]), 0xA5);
  }
}

}  // namespace
}  // namespace vtr::qrl
