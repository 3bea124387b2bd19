// The stand-in recogniser's forced alignment: the grammar fixes the count and order of the
// units, the recording decides where their boundaries fall.
//
// Stages: ReadGrammar recovers the unit sequence (silB, phones, silE) from the dictionary and
// the forward bigram (checked against the backward trigram); ComputeFeatures (frame_features.h)
// describes every 10 ms frame and the recording's noise; AlignUnits lays the units' states
// (acoustic_model.h) over the frames, with an optional pause after every mora (a vowel or the
// moraic nasal: a speaker never pauses between a consonant and its vowel), by a beam-limited
// search over state ends, then aligns twice more with the speaker's own vowels, nasals and
// speaking rate taken from the alignment before; FormatAlignment writes the result section the
// alignment engine reads.
//
//   #include <iostream>
//   // given: std::string_view dict, bigram, trigram; std::span<const int16_t> samples; int beam
//   std::vector<std::string> units;
//   if (!ReadGrammar(dict, bigram, trigram, units)) return 1;
//   const Recording recording = ComputeFeatures(samples, 16000);
//   std::vector<UnitSpan> spans;
//   if (!AlignUnits(recording, units, beam, spans)) return 2;  // too short, or beam too narrow
//   std::cout << FormatAlignment(units, spans);
//
// A pause the text does not hold is reported inside the unit before it: the output has one
// contiguous span per unit.
#ifndef VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_
#define VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outside/recogniser/frame_features.h"

namespace vtr::recogniser {

// Reads the unit sequence from the three grammar texts. False when the chain from "<s>" does
// not reach "</s>", a word has no pronunciation, or the backward file disagrees.
[[nodiscard]] bool ReadGrammar(std::string_view dictionary, std::string_view bigram,
                               std::string_view trigram, std::vector<std::string>& units);

struct UnitSpan {
  int start;     // first frame
  int end;       // last frame (inclusive)
  double score;  // minus the average frame cost of the unit (higher is better)
};

// One span per unit, contiguous from frame 0 to the last frame. `beam` is the most hypotheses
// (state ends) the search keeps per frame; 0 keeps all that are within reach of the best. False
// when there are fewer frames than units need, or when the beam lost every path to the end.
[[nodiscard]] bool AlignUnits(const Recording& recording, std::span<const std::string> units,
                              int beam, std::vector<UnitSpan>& spans);

// The alignment section: the marker, two header lines, one "[ %4d %4d]  %f  unit" line per
// unit, the "re-computed" score line and the end marker.
std::string FormatAlignment(std::span<const std::string> units, std::span<const UnitSpan> spans);

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_
