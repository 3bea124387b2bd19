#include "platform/window/internal/font_list.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// Fontconfig keeps its configuration, loaded on first use, for the life of the process; it is not
// a leak of ours.
// NOLINTNEXTLINE(bugprone-reserved-identifier): the name the leak checker's runtime looks up
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace vtr::platform::internal {
namespace {

constexpr int kJapanese = 0;
constexpr int kKorean = 1;
constexpr int kChinese = 2;

// Every family of the list comes from a package that setup.sh installs, and is installed here:
// a fresh machine set up by the README has the glyphs of all three scripts.
TEST(FontListTest, EveryFamilyComesFromAPackageOfTheSetUpAndIsInstalled) {
  std::ifstream in(std::filesystem::path(VTR_SOURCE_DIR) / "setup.sh");
  const std::string setup((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(setup.empty());
  for (const FontFamily& family : kFontList) {
    EXPECT_NE(setup.find(" " + std::string(family.package) + " "), std::string::npos)
        << family.package;
    EXPECT_TRUE(FontInstalled(family.proportional))
        << family.proportional << " (" << family.package << ")";
    EXPECT_TRUE(FontInstalled(family.fixed)) << family.fixed << " (" << family.package << ")";
  }
  EXPECT_FALSE(FontInstalled("No Such Family Anywhere"));
}

TEST(FontListTest, ATextTakesTheFirstFamilyWithAllItsGlyphs) {
  struct Case {
    std::string_view text;
    bool fixed;
    int family;
    std::string_view why;
  };
  const Case cases[] = {
      {"", false, kJapanese, "nothing to show: the first family"},
      {"Kelvox", false, kJapanese, "ASCII: the first family has it"},
      {"Kelvoxを再生します！", false, kJapanese, "kana and kanji"},
      {"こんにちは\nきょうは", true, kJapanese, "line breaks need no glyph"},
      {"KV#K안녕하세요", false, kKorean, "hangul is not in the Japanese family"},
      {"안녕", true, kKorean, "hangul at fixed pitch"},
      {"您好，这是语音", false, kChinese, "simplified characters only the Chinese family has"},
      {"ni3hao3 这", false, kChinese, "pinyin with one simplified character"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FontIndexFor(c.text, c.fixed), c.family) << c.text << ": " << c.why;
  }
}

// A text no family shows whole goes to the family that lacks the fewest of its characters.
TEST(FontListTest, WithoutAFamilyForEveryGlyphTheClosestOneWins) {
  EXPECT_EQ(FontIndexFor("这语\xF0\x9F\x82\xA1", false),
            kChinese);                                            // with a playing card nobody has
  EXPECT_EQ(FontIndexFor("\xF0\x9F\x82\xA1", false), kJapanese);  // all lack it: the first
}

// Typing and deleting change the family exactly as a choice over the whole text would.
TEST(FontListTest, ACountedTextChoosesAsTheWholeTextWould) {
  struct Step {
    bool add;
    std::string_view part;
    std::string_view text_after;  // the whole text, for the one-off choice
  };
  // clang-format off
  const Step steps[] = {
      {true, "こんにちは", "こんにちは"},
      {true, "안", "こんにちは안"},
      {true, "这", "こんにちは안这"},
      {false, "안", "こんにちは这"},
      {false, "这", "こんにちは"},
      {true, "\n", "こんにちは\n"},
      {false, "こんにちは\n", ""},
  };
  // clang-format on
  FontCoverage coverage;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.text_after);
    if (step.add) {
      coverage.Add(step.part);
    } else {
      coverage.Remove(step.part);
    }
    for (bool fixed : {false, true})
      EXPECT_EQ(coverage.Choice(fixed), FontIndexFor(step.text_after, fixed));
  }
}

}  // namespace
}  // namespace vtr::platform::internal
