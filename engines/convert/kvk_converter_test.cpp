#include "engines/convert/kvk_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/convert/internal/kvk_tables.h"
#include "engines/convert/testing/converter_test_util.h"

namespace vtr::convert {
namespace {

using testing::Notes;
using testing::PlayMs;
using testing::Text;

// EUC-KR forms used below.
#define GA "\xB0\xA1"      // 가
#define GAK "\xB0\xA2"     // 각
#define KKAKK "\xB1\xF0"   // 깎
#define A "\xBE\xC6"       // 아
#define EO "\xBE\xEE"      // 어
#define E "\xBF\xA1"       // 에
#define EU "\xC0\xB8"      // 으
#define HAN "\xC7\xD1"     // 한
#define HAE "\xC7\xD8"     // 해
#define HWA "\xC8\xAD"     // 화
#define RYEOK "\xB7\xC2"   // 력
#define RO "\xB7\xCE"      // 로
#define GAT "\xB0\xB0"     // 같
#define I "\xC0\xCC"       // 이
#define JOH "\xC1\xC1"     // 좋
#define GO "\xB0\xED"      // 고
#define RWAESS "\xB7\xD9"  // 뢨

struct TimeCase {
  const char* what;
  std::string script;
  int ms;
};

TEST(KvkConverterTest, PlayTimeFollowsTheSyllableClasses) {
  const TimeCase cases[] = {
      {"open syllable", "KV#K" GA, 260},
      {"initial and final", "KV#K" GAK, 400},
      {"lengths off", "KV#KL1" GAK, 260},
      {"final moves into the next syllable", "KV#K" KKAKK A, 520},
      {"aspiration keeps both classes", "KV#K" GAK HAN, 800},
      {"a space stops the rule", "KV#K" GAK " " HAN, 1000},
      {"palatalisation", "KV#K" GAT I, 520},
      {"final h aspirates the next syllable", "KV#K" JOH GO, 520},
      {"lead byte C9 is no syllable", "KV#K\xC9\xA1" GA, 260},
      {"trail byte FF is no syllable", "KV#K\xB0\xFF" GA, 260},
      {"full-width speed and digits", "KV#K\xA3\xD3\xA3\xB9\xA3\xB9" GA, 20},
      {"lower-case speed", "KV#Ks99" GA, 20},
      {"prolongation A1 AA takes the class length", "KV#K" GAK "\xA1\xAA", 800},
      {"prolongation A1 AD", "KV#K" GA "\xA1\xAD", 520},
      {"prolongation A2 A6", "KV#K" GA "\xA2\xA6", 520},
      {"prolongation with lengths off", "KV#KL1" GAK "-", 520},
      {"ideographic space rests", "KV#K" GA "\xA1\xA1", 460},
      {"bracket ends at the full-width bracket", "KV#K[" GA "\xA3\xDD" GA, 260},
      {"question mark rests twice", "KV#K" GA "?", 660},
      {"rule shortening below 140 ms gives 20 ms", "KV#KS90" KKAKK A, 20 + 20},
  };
  for (const auto& c : cases) EXPECT_EQ(PlayMs<KvkConverter>(c.script), c.ms) << c.what;
}

struct TextCase {
  const char* what;
  std::string script;
  std::vector<std::string> texts;
};

TEST(KvkConverterTest, BoundaryRulesRewriteTheSecondSyllable) {
  const TextCase cases[] = {
      {"plain syllable", "KV#K" GAK, {"kak_}"}},
      {"g + ryeok becomes nyeok", "KV#K" GAK RYEOK, {"kak_}", "njVk_}"}},
      {"g + ro becomes no", "KV#K" GAK RO, {"kak_}", "no"}},
      {"g + han becomes khan", "KV#K" GAK HAN, {"kak_}", "k_han_}"}},
      {"g + hae becomes khae", "KV#K" GAK HAE, {"kak_}", "k_hE"}},
      {"g + hwa becomes khwa", "KV#K" GAK HWA, {"kak_}", "k_hwa"}},
      {"kk + a: the first loses its final", "KV#K" KKAKK A, {"k_>a", "k_>a"}},
      {"kk + eo", "KV#K" KKAKK EO, {"k_>a", "k_>V"}},
      {"kk + e", "KV#K" KKAKK E, {"k_>a", "k_>E"}},
      {"kk + eu", "KV#K" KKAKK EU, {"k_>a", "k_>M"}},
      {"a rest stops the rule", "KV#K" GAK " " HAN, {"kak_}", "han_}"}},
      {"a voice command does not stop it", "KV#K" GAK "K01" HAN, {"kak_}", "k_han_}"}},
      {"bare syllable missing from the set keeps its own vowel", "KV#K" RWAESS A, {"4wE", "s_>a"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> texts;
    for (const auto& note : Notes<KvkConverter>(c.script)) texts.push_back(Text(note));
    EXPECT_EQ(texts, c.texts) << c.what;
  }
}

TEST(KvkConverterTest, SyllableTableHoldsTheTellingRows) {
  struct Row {
    const char* euc;
    internal::HangulCodes codes;
  };
  const Row rows[] = {
      {GA, {10, 2, 1}},          {GAK, {10, 2, 2}},         {"\xB0\xA3", {10, 2, 5}},
      {"\xB3\xAA", {12, 2, 1}},  {A, {21, 2, 1}},           {"\xBE\xC8", {21, 2, 5}},
      {"\xBE\xD3", {21, 2, 22}}, {"\xBA\xFC", {18, 2, 1}},  {"\xBF\xCD", {21, 14, 1}},
      {"\xC0\xC7", {21, 27, 1}}, {"\xC8\xE5", {28, 26, 1}}, {"\xC8\xFE", {28, 29, 22}},
  };
  for (const auto& row : rows) {
    const auto index =
        internal::HangulIndex(static_cast<uint8_t>(row.euc[0]), static_cast<uint8_t>(row.euc[1]));
    ASSERT_TRUE(index.has_value());
    EXPECT_EQ(internal::HangulCodesOf(*index), row.codes) << *index;
    EXPECT_EQ(internal::HangulIndexOf(row.codes), index);
  }
  EXPECT_FALSE(internal::HangulIndex(0xC9, 0xA1).has_value());
  EXPECT_FALSE(internal::HangulIndex(0xB0, 0xFF).has_value());
  EXPECT_EQ(internal::HangulIndex(0xC8, 0xFE), 2349);
}

TEST(KvkConverterTest, CompoundFinalsShareTheirRules) {
  // ㄳ (4) and ㄽ (13) share one rule list, as do ㅁ (17) and ㅇ (22).
  for (uint16_t next = 0; next < internal::kHangulSyllables; ++next) {
    const auto codes = internal::HangulCodesOf(next);
    const auto a = internal::FindBoundaryRule(4, codes);
    const auto b = internal::FindBoundaryRule(13, codes);
    ASSERT_EQ(a.has_value(), b.has_value()) << next;
    if (a) {
      EXPECT_EQ(a->second_initial, b->second_initial) << next;
    }
    const auto m = internal::FindBoundaryRule(17, codes);
    const auto ng = internal::FindBoundaryRule(22, codes);
    ASSERT_EQ(m.has_value(), ng.has_value()) << next;
    if (m) {
      EXPECT_EQ(m->second_initial, ng->second_initial) << next;
    }
  }
}

}  // namespace
}  // namespace vtr::convert
