#include "platform/window/internal/text_change.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::platform::internal {
namespace {

TEST(TextChangeTest, TheChangedPartLiesBetweenCharacters) {
  struct Case {
    const char* name;
    std::string before, after;
    std::string old_part, new_part;
  };
  // clang-format off
  const Case cases[] = {
      {"equal texts change nothing", "かきく", "かきく", "", ""},
      {"a kana typed in the middle", "かく", "かきく", "", "き"},
      {"a kana typed at the end", "かき", "かきく", "", "く"},
      {"a kana typed at the start", "きく", "かきく", "", "か"},
      {"a kana deleted", "かきく", "かく", "き", ""},
      {"one kana for another that shares its first two bytes", "かきく", "かぎく", "き", "ぎ"},
      {"kana that share their first and last bytes", "あ", "ヂ", "あ", "ヂ"},  // E3 81 82 / E3 83 82
      {"the same kana typed twice: the change is one of them", "かか", "かかか", "", "か"},
      {"everything replaced", "abc", "xyz", "abc", "xyz"},
      {"from nothing", "", "かな", "", "かな"},
      {"to nothing", "かな", "", "かな", ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextChange change = ChangeBetween(c.before, c.after);
    EXPECT_EQ(change.Old(c.before), c.old_part);
    EXPECT_EQ(change.New(c.after), c.new_part);
    // What stays is the same on both sides, and the new text is the old one with the change.
    std::string rebuilt = c.before;
    rebuilt.replace(change.start, c.before.size() - change.tail - change.start,
                    change.New(c.after));
    EXPECT_EQ(rebuilt, c.after);
  }
}

// Long texts are compared in blocks first; the result is the same as a byte by byte look.
TEST(TextChangeTest, LongTextsGiveTheSameChangeAsShortOnes) {
  std::string kana;
  for (int i = 0; i < 100; ++i) kana += "か";
  struct Case {
    const char* name;
    std::string before, after;
    size_t old_size, new_size;  // of the changed parts
  };
  const Case cases[] = {
      {"a kana typed in the middle", kana, kana.substr(0, 150) + "き" + kana.substr(150), 0, 3},
      {"one more of the same kana", kana, kana + "か", 0, 3},
      {"one of them deleted", kana, kana.substr(3), 3, 0},
      {"the last one changed", kana, kana.substr(0, 297) + "き", 3, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TextChange change = ChangeBetween(c.before, c.after);
    EXPECT_EQ(change.Old(c.before).size(), c.old_size);
    EXPECT_EQ(change.New(c.after).size(), c.new_size);
    std::string rebuilt = c.before;
    rebuilt.replace(change.start, c.before.size() - change.tail - change.start,
                    change.New(c.after));
    EXPECT_EQ(rebuilt, c.after);
    EXPECT_EQ(change.start % 3, 0u) << "the change starts inside a kana";
  }
}

}  // namespace
}  // namespace vtr::platform::internal
