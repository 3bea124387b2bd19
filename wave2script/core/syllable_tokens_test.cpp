#include "wave2script/core/syllable_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;

TEST(SyllableTokensTest, GroupsHaveTheirSizesAndPunctuation) {
  const std::vector<std::pair<int, size_t>> sizes = {{6, 4}, {4, 78}, {2, 95}, {1, 9}};
  size_t total = 0;
  for (auto [bytes, count] : sizes) {
    auto group = SyllableTokenGroup(bytes);
    EXPECT_EQ(group.size(), count) << bytes;
    total += group.size();
    for (const SyllableToken& token : group) EXPECT_EQ(token.text.size(), size_t(bytes));
  }
  EXPECT_EQ(total, 186u);
  EXPECT_TRUE(SyllableTokenGroup(3).empty());
  auto two = SyllableTokenGroup(2);
  for (size_t i = 0; i < two.size(); ++i) EXPECT_EQ(two[i].punctuation, i >= 89) << i;
  auto one = SyllableTokenGroup(1);
  for (size_t i = 0; i < one.size(); ++i) EXPECT_EQ(one[i].punctuation, i >= 3) << i;
  EXPECT_EQ(two[89].text, Sj("、"));
  EXPECT_EQ(two[94].text, Sj("？"));
  EXPECT_EQ(one[3].text, "\xA4");
}

TEST(SyllableTokensTest, MatchesTheLongestTokenFirst) {
  struct Case {
    std::string text;  // UTF-8
    std::string token;
    size_t size;
    int length;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"しゃか", "しゃ", 4, 240},  {"う゛ぁ", "う゛ぁ", 6, 180}, {"う゛", "う゛", 4, 200},
      {"きょう", "きょ", 4, 200},  {"か", "か", 2, 160},         {"ー", "ー", 2, -1},
      {"＊12か", "＊", 4, 400},    {"?3", "?", 2, 400},          {"、", "、", 2, 200},
      {" ", " ", 1, 200},          {"ゐ", "ゐ", 2, 100},
  };
  // clang-format on
  for (const Case& c : cases) {
    auto m = MatchToken(Sj(c.text));
    ASSERT_TRUE(m.has_value()) << c.text;
    EXPECT_EQ(m->token->text, Sj(c.token)) << c.text;
    EXPECT_EQ(m->size, c.size) << c.text;
    EXPECT_EQ(m->token->length, c.length) << c.text;
  }
  EXPECT_FALSE(MatchToken("a").has_value());
  EXPECT_FALSE(MatchToken(Sj("漢")).has_value());
  EXPECT_FALSE(MatchToken("").has_value());
  EXPECT_FALSE(MatchToken("\x82").has_value()) << "half a kana";
}

}  // namespace
}  // namespace vtr::w2s
