#include "outside/emulator/phrase_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/play_time.h"
#include "outside/emulator/synthesiser.h"

namespace vtr::emulator {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

int CountedMs(convert::ScriptToEventConverter& converter, const std::string& text) {
  int ms = 0;
  EXPECT_EQ(convert::CountPlayTime(converter, text.data(), static_cast<int32_t>(text.size()), ms),
            convert::PlayTimeCode::kOk)
      << text;
  return ms;
}

TEST(PhraseReaderTest, ReadsEachLanguageIntoAPhraseThatLastsItsCountedPlayTime) {
  convert::KvjConverter kana;
  convert::KvkConverter hangul;
  convert::KvcConverter pinyin;
  struct Case {
    std::string text;
    convert::ScriptToEventConverter* counter;
  } cases[] = {
      {"KV#J\x82\xA0", &kana},                                  // あ
      {"KV#J\x82\xA9\x82\xC8", &kana},                          // かな
      {"KV#J\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD", &kana},  // こんにちは
      {"KV#K\xB0\xA1", &hangul},                                // 가
      {"KV#Cni3hao3", &pinyin},
  };
  for (const Case& c : cases) {
    const std::string& text = c.text;
    auto records = ReadPlayText(Bytes(text));
    ASSERT_TRUE(records.has_value()) << text;
    int notes = 0;
    for (const auto& r : *records) notes += r.kind == events::RecordKind::kNote;
    EXPECT_GE(notes, 1) << text;
    EXPECT_EQ(PhraseSamples(*records, 1000), static_cast<size_t>(CountedMs(*c.counter, text)))
        << text;
  }
}

TEST(PhraseReaderTest, RefusesWhatTheChipCannotSpeak) {
  struct Case {
    const char* why;
    std::string text;
  } cases[] = {
      {"unknown tag", "KV#X\x82\xA0"},
      {"romaji is converted before playing", "KV#Ga"},
      {"shorter than a tag", "KV#"},
      {"only the tag", "KV#J"},
  };
  for (const Case& c : cases) EXPECT_FALSE(ReadPlayText(Bytes(c.text)).has_value()) << c.why;
}

}  // namespace
}  // namespace vtr::emulator
