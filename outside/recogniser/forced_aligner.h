// The stand-in recogniser's forced alignment: the grammar fixes the count and order of the
// units, the recording decides where their boundaries fall.
//
// Stages: ReadGrammar recovers the unit sequence (silB, phones, silE) from the dictionary and
// the forward bigram (checked against the backward trigram); ComputeFeatures describes every
// 10 ms frame (energy, voicing, high-band ratio, low-band ratio, spectral change); AlignUnits
// scores every frame for every phone class, adds duration priors and boundary bonuses, and
// finds the best segmentation by dynamic programming; FormatAlignment writes the result
// section the alignment engine reads.
//
//   std::vector<std::string> units;
//   if (!ReadGrammar(dict, bigram, trigram, units)) return 1;
//   auto features = ComputeFeatures(samples, 16000);
//   std::vector<UnitSpan> spans;
//   if (!AlignUnits(features, units, spans)) return 2;   // fewer frames than units
//   std::cout << FormatAlignment(units, spans);
#ifndef VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_
#define VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vtr::recogniser {

enum class PhoneClass : int32_t {
  kSilence,
  kVowel,
  kNasal,
  kApproximant,
  kVoicedStop,
  kVoicelessStop,
  kAffricate,
  kFricative,
};
inline constexpr int kPhoneClassCount = 8;

// The class of a recogniser phone ("a:", "k", "sp", "silB", ...); unknown phones count as
// fricatives (noise-like).
PhoneClass ClassOfPhone(std::string_view phone);

// Reads the unit sequence from the three grammar texts. False when the chain from "<s>" does
// not reach "</s>", a word has no pronunciation, or the backward file disagrees.
[[nodiscard]] bool ReadGrammar(std::string_view dictionary, std::string_view bigram,
                               std::string_view trigram, std::vector<std::string>& units);

struct FrameFeatures {
  double energy_db = -100;  // [dB] relative to the loudest frame
  double voicing = 0;       // peak of the normalised autocorrelation over 80-400 Hz lags, 0..1
  double high_ratio = 0;    // energy above 3 kHz over the total, 0..1
  double low_ratio = 0;     // energy below 500 Hz over the total, 0..1
  double change = 0;        // spectral change between the frames before and from this one
};

// One frame per 10 ms (frame f covers [f x 10 ms, (f + 1) x 10 ms)), 25 ms analysis windows
// centred on their frames.
std::vector<FrameFeatures> ComputeFeatures(std::span<const int16_t> samples, int rate);

struct UnitSpan {
  int start;     // first frame
  int end;       // last frame (inclusive)
  double score;  // average frame score of the unit (higher is better)
};

// One span per unit, contiguous from frame 0 to the last frame. False when there are fewer
// frames than units.
[[nodiscard]] bool AlignUnits(std::span<const FrameFeatures> frames,
                              std::span<const std::string> units, std::vector<UnitSpan>& spans);

// The alignment section: the marker, two header lines, one "[ %4d %4d]  %f  unit" line per
// unit, the "re-computed" score line and the end marker.
std::string FormatAlignment(std::span<const std::string> units, std::span<const UnitSpan> spans);

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_FORCED_ALIGNER_H_
