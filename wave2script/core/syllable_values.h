// The values a syllable record takes from the script's tokens, shared by the syllable list
// (which reads and writes them) and the intonation graph's information box (which shows them).
#ifndef VTR_WAVE2SCRIPT_CORE_SYLLABLE_VALUES_H_
#define VTR_WAVE2SCRIPT_CORE_SYLLABLE_VALUES_H_

#include <array>
#include <string_view>

namespace vtr::w2s {

// The speed in force before the first S token.
inline constexpr int kStartSpeed = 50;
// A syllable never lasts less than this [time units].
inline constexpr int kMinDuration = 20;
// Tokens of this length are stretched twice as much by the speed.
inline constexpr int kLongTokenLength = 400;

// The V level of V1..V5 and the W value of W1..W5 (index 0 is token 1).
inline constexpr std::array<int, 5> kVLevels = {-23, -18, -11, -6, 0};
inline constexpr std::array<int, 5> kWValues = {2, 6, 12, 24, 60};

// The twelve note names, by semitone from C.
inline constexpr std::array<std::string_view, 12> kNoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                                "F#", "G",  "G#", "A",  "A#", "B"};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SYLLABLE_VALUES_H_
