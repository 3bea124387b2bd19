// Pitch sequences made up from a seed, shaped like those of the alignment engine: one bend
// range control (60 semitones), then one note per syllable with evenly spaced pitch and volume
// points, gaps where pauses were.
#ifndef VTR_ENGINES_PTH_TESTING_RANDOM_PSEQ_H_
#define VTR_ENGINES_PTH_TESTING_RANDOM_PSEQ_H_

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engines/pth/kana_labels.h"
#include "engines/pth/testing/pseq_builder.h"

namespace vtr::pth::testing {

struct RandomPSeq {
  PSeqBuilder pseq;
  long long duration_steps = 0;  // end of the last syllable [steps]
};

// `sing`: longer notes with wider glides; `rising`: every syllable a little higher than the one
// before and gliding up, with no gaps.
inline RandomPSeq MakeRandomPSeq(uint32_t seed, int syllables, bool sing, bool rising = false) {
  std::mt19937 random(seed);
  auto uniform = [&random](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  RandomPSeq out;
  out.pseq.Control(0, 20, 60);
  long long time = 0;  // start of the previous note
  long long previous_end = 0;
  int note = sing ? uniform(50, 70) : uniform(57, 66);
  double cents = 0;  // speech: running pitch around the note
  for (int i = 0; i < syllables; ++i) {
    const int kind = uniform(0, 9);
    const int gap = rising ? 0 : (kind < 7 ? 0 : (kind < 9 ? uniform(1, 15) : uniform(20, 160)));
    const int duration = sing ? uniform(8, 150) : uniform(3, 30);
    const long long start = previous_end + gap;
    const std::string_view name =
        KanaLabels()[static_cast<size_t>(uniform(0, kKanaLabelCount - 1))].name();
    if (rising) {
      note += 1;
    } else {
      note = std::clamp(note + uniform(sing ? -7 : -2, sing ? 7 : 2), 36, 96);
    }
    const int points = std::clamp(duration + 1, 2, 127);
    std::vector<uint16_t> bends;
    std::vector<uint8_t> volumes;
    int volume = uniform(80, 105);
    const int quarter = points / 4;  // sung notes rise to the note over their first quarter
    for (int p = 0; p < points; ++p) {
      if (rising) {
        cents = 80.0 * p / (points - 1);
      } else if (sing) {
        cents = 40 * std::sin(p * 0.7) + (p < quarter ? -150.0 * (quarter - p) / (quarter + 1) : 0);
      } else {
        cents = std::clamp(cents + uniform(-40, 40), -300.0, 300.0);
      }
      bends.push_back(static_cast<uint16_t>(std::lround(8192 + cents * 8192.0 / 6000)));
      volume = std::clamp(volume + uniform(-6, 6), 40, 127);
      volumes.push_back(static_cast<uint8_t>(volume));
    }
    if (!sing && !rising) cents = 0;
    out.pseq.Note(static_cast<uint32_t>(start - time), name, static_cast<uint8_t>(note),
                  static_cast<uint32_t>(duration), bends, volumes,
                  static_cast<uint8_t>(uniform(30, 127)));
    time = start;
    previous_end = start + duration;
  }
  out.duration_steps = previous_end;
  return out;
}

}  // namespace vtr::pth::testing

#endif  // VTR_ENGINES_PTH_TESTING_RANDOM_PSEQ_H_
