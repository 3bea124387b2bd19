// The fonts the FLTK backend draws text with: one family per script the program shows, in order
// of preference, and the choice of the family for one text. Layer internal.
//
// The toolkit draws a text in one font and shows a box for every character that font lacks, so
// a text takes the first family of the list that has a glyph for each of its characters: the
// Japanese family for Japanese text and plain ASCII, the Korean one for hangul, the Chinese one
// for simplified characters the Japanese family lacks. A family that is not installed is passed
// over; the packages of the list are installed by setup.sh.
//
//   const FontFamily& family = kFontList[FontIndexFor("안녕하세요", /*fixed=*/false)];
//   // family.proportional == "NanumGothic" where fonts-nanum is installed
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_FONT_LIST_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_FONT_LIST_H_

#include <array>
#include <string_view>

namespace vtr::platform::internal {

struct FontFamily {
  std::string_view proportional;  // fontconfig family name
  std::string_view fixed;         // the same script at fixed pitch
  std::string_view package;       // the Debian package that installs both
};

// clang-format off
inline constexpr std::array<FontFamily, 3> kFontList = {{
    {"IPAPGothic", "IPAGothic", "fonts-ipafont-gothic"},                      // Japanese
    {"NanumGothic", "NanumGothicCoding", "fonts-nanum"},                      // Korean
    {"WenQuanYi Zen Hei", "WenQuanYi Zen Hei Mono", "fonts-wqy-zenhei"},    // Chinese
}};
// clang-format on

// True when the family `name` is installed (fontconfig finds a font of exactly that family).
bool FontInstalled(std::string_view name);

// Index into kFontList of the family to draw `utf8` with: the first installed one that has a
// glyph for every character (line breaks and other control characters do not count); when
// none has them all, the one that lacks the fewest; 0 when none is installed.
int FontIndexFor(std::string_view utf8, bool fixed);

// The same choice for a text that changes, at the cost of the change: how many characters of
// the text each family lacks, at both pitches, counted as characters come in and go.
//
//   FontCoverage coverage;
//   coverage.Add("かな");
//   coverage.Remove("な");
//   coverage.Add("안");          // the text is now "か안"
//   int family = coverage.Choice(/*fixed=*/false);  // == FontIndexFor("か안", false)
class FontCoverage {
 public:
  void Add(std::string_view utf8) { Count(utf8, 1); }
  // `utf8` must be a part of the text counted so far.
  void Remove(std::string_view utf8) { Count(utf8, -1); }
  void Clear() { missing_ = {}; }
  [[nodiscard]] int Choice(bool fixed) const;

 private:
  void Count(std::string_view utf8, int sign);
  std::array<std::array<long, kFontList.size()>, 2> missing_{};  // [fixed][family]
};

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_FONT_LIST_H_
