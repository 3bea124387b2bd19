// Random scripts against a model of their timing: the play time is the sum of the durations
// of the records the script describes, whatever the batch boundaries, and every stream the
// converters write reads back as a valid voice event stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/testing/converter_test_util.h"
#include "engines/events/stream_reader.h"

namespace vtr::convert {
namespace {

// A kana script and the duration [ms] its records add up to, built token by token.
class KanaScriptModel {
 public:
  explicit KanaScriptModel(uint32_t seed) : random_(seed) {}

  std::string Build(int tokens) {
    std::string script = "KV#J";
    int in_phrase = 0;
    for (int i = 0; i < tokens; ++i) {
      // Short phrases keep every phrase within one batch of records.
      if (++in_phrase > 12) {
        script += PhraseEnd(",", 1);
        in_phrase = 0;
        continue;
      }
      script += Token(in_phrase);
    }
    return script;
  }

  int64_t total_ms() const { return total_ms_; }

 private:
  struct Kana {
    const char* bytes;
    int length;  // [ms]
  };
  static constexpr Kana kKana[] = {
      {"\x82\xA0", 160}, {"\x82\xA2", 140},         {"\x82\xA9", 160},
      {"\x82\xAB", 140}, {"\x82\xAB\x82\xE1", 200}, {"\x82\xBF\x82\xE1", 260},
      {"\x82\xC1", 120}, {"\x82\xF1", 180},         {"\x82\xA4\x81\x4A", 200},
  };
  static constexpr const char* kSilent[] = {"'", "^", "_2", "$", "<", ">3",  "/",  "=",    "&",
                                            "@", ";", "!",  ":", "+", "C#2", "V3", "[ab]", "e1"};
  static constexpr const char* kControls[] = {"U5",  "W3", "K12",
                                              "X07", "u0", "\x82\x6A\x82\x50\x82\x50"};
  enum class Previous { kNone, kSyllable, kProlongation, kOther };

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

  void Add(int64_t length) { total_ms_ += std::max<int64_t>(20, length + offset_); }

  std::string PhraseEnd(const std::string& symbol, int factor) {
    total_ms_ += std::max<int64_t>(20, int64_t{factor} * (offset_ + 200));
    previous_ = Previous::kNone;
    return symbol;
  }

  std::string Token(int in_phrase) {
    switch (Pick(10)) {
      case 0:
      case 1:
      case 2: {
        const Kana& k = kKana[Pick(std::size(kKana))];
        Add(table_lengths_ ? k.length : 160);
        previous_ = Previous::kSyllable;
        previous_length_ = k.length;
        return k.bytes;
      }
      case 3: {
        int length = 160;
        if (table_lengths_ && previous_ == Previous::kSyllable) length = previous_length_;
        if (table_lengths_ && previous_ == Previous::kProlongation) length = previous_length_;
        Add(length);
        previous_ = Previous::kProlongation;
        previous_length_ = length;
        static constexpr const char* kMarks[] = {"-", "~", "\x81\x5B", "\x81\x60"};
        return kMarks[Pick(4)];
      }
      case 4:
        Add(200);
        previous_ = Previous::kOther;
        return Pick(2) ? " " : "\x81\x40";
      case 5: {
        if (in_phrase < 3) return kSilent[Pick(std::size(kSilent))];
        static constexpr const char* kEnds[] = {".", "?", "*2", "\x81\x42"};
        return PhraseEnd(kEnds[Pick(4)], 2);
      }
      case 6: {
        const int n = Pick(100);
        offset_ = (50 - n) * 20;
        return "S" + std::to_string(n / 10) + std::to_string(n % 10);
      }
      case 7:
        table_lengths_ = Pick(3) != 0;
        return table_lengths_ ? "L0" : "L1";
      case 8:
        previous_ = Previous::kOther;
        return kControls[Pick(std::size(kControls))];
      default:
        return kSilent[Pick(std::size(kSilent))];
    }
  }

  std::mt19937 random_;
  int64_t total_ms_ = 0;
  int offset_ = 0;
  bool table_lengths_ = true;
  Previous previous_ = Previous::kNone;
  int previous_length_ = 0;
};

TEST(PlayTimePropertyTest, KanaPlayTimeIsTheSumOfTheRecordDurations) {
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    KanaScriptModel model(seed);
    const std::string script = model.Build(1 + static_cast<int>(seed % 80));
    EXPECT_EQ(testing::PlayMs<KvjConverter>(script), model.total_ms()) << "seed " << seed;
    const auto stream = testing::Joined(testing::Events<KvjConverter>(script));
    EXPECT_TRUE(events::ReadStream(stream).ok()) << "seed " << seed;
  }
}

// Random sequences of a language's syllables and symbols, including malformed ones.
std::string RandomScript(std::mt19937& random, const std::string& tag,
                         const std::vector<std::string>& pieces, int count) {
  std::string script = tag;
  std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
  for (int i = 0; i < count; ++i) script += pieces[pick(random)];
  return script;
}

template <typename Converter>
void ExpectValidStreams(const std::string& tag, const std::vector<std::string>& pieces) {
  std::mt19937 random(7);
  for (int i = 0; i < 200; ++i) {
    const std::string script = RandomScript(random, tag, pieces, 1 + i % 150);
    const auto stream = testing::Joined(testing::Events<Converter>(script));
    EXPECT_TRUE(events::ReadStream(stream).ok()) << tag << " script " << i;
  }
}

const std::vector<std::string> kSymbols = {
    " ",  ",",  ".",  "?",   "*3",  "-",  "~",  "'",   "^2", "_",   "$",   "<",
    ">",  "/",  "=",  "&",   "@",   ";",  "!",  ":",   "+",  "C#3", "S10", "S90",
    "U4", "V2", "W5", "K05", "X99", "L1", "L0", "[x]", "]",  "S",   "\x01"};

TEST(PlayTimePropertyTest, PinyinStreamsReadBack) {
  std::vector<std::string> pieces = kSymbols;
  for (const char* s : {"ma1", "ni3", "hao3", "hao4", "huar1", "er2", "ar1", "aor1", "qiu0",
                        "zhuang2", "lve4", "ma", "x", "\xB0\xA1"}) {
    pieces.push_back(s);
  }
  ExpectValidStreams<KvcConverter>("KV#C", pieces);
}

TEST(PlayTimePropertyTest, HangulStreamsReadBack) {
  std::vector<std::string> pieces = kSymbols;
  for (const char* s : {"\xB0\xA1", "\xB0\xA2", "\xB1\xF0", "\xBE\xC6", "\xC7\xD1", "\xB7\xC2",
                        "\xB0\xB0", "\xC0\xCC", "\xC1\xC1", "\xB0\xED", "\xB7\xD9", "\xA1\xAA",
                        "\xA1\xAD", "\xA3\xD3\xA3\xB5", "\xC9\xA1", "s5"}) {
    pieces.push_back(s);
  }
  ExpectValidStreams<KvkConverter>("KV#K", pieces);
}

}  // namespace
}  // namespace vtr::convert
