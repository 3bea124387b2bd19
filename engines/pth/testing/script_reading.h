// Reading generated scripts back in tests: the pitch at every sound, from the marks.
#ifndef VTR_ENGINES_PTH_TESTING_SCRIPT_READING_H_
#define VTR_ENGINES_PTH_TESTING_SCRIPT_READING_H_

#include <string>
#include <vector>

namespace vtr::pth::testing {

// The pitch in semitones at every sound (kana, long mark, space) of a "KV#J" script: "'" and
// "^" raise the offset, "_" and "$" lower it (by the number after them, 1 without); "/", "&"
// and sentence ends reset it; one step is 700 / 8192 of the bend range of the W token in force.
inline std::vector<double> PitchAtSounds(const std::string& text) {
  constexpr int kRanges[] = {12, 2, 6, 12, 24, 60};
  std::vector<double> pitch;
  int offset = 0;
  int range = 12;
  for (size_t i = 4; i < text.size(); ++i) {
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    auto number = [&] {
      int n = 0;
      while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9')
        n = n * 10 + (text[++i] - '0');
      return n;
    };
    if ((u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xEF)) {
      pitch.push_back(offset * 700.0 / 8192 * range);
      ++i;
    } else if (c == '\'' || c == '^' || c == '_' || c == '$') {
      const int n = number();
      offset += (c == '\'' || c == '^' ? 1 : -1) * (n == 0 ? 1 : n);
    } else if (c == 'W') {
      const int digit = number();
      range = kRanges[digit >= 1 && digit <= 5 ? digit : 0];
    } else if (c == '/' || c == '&' || c == ',' || c == '.') {
      offset = 0;
    }
  }
  return pitch;
}

}  // namespace vtr::pth::testing

#endif  // VTR_ENGINES_PTH_TESTING_SCRIPT_READING_H_
