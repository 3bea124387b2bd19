// Turns the aligner's syllable and phoneme lists into the engine's segment tables, and moves
// phoneme edges next to pauses onto the rises and falls of the power contour.
//
// BuildSegments copies the lists while it inserts one-step pauses at stop closures and silent
// dips (none for the syllable right after a pause it wrote), and merges pauses that are not
// silent into the syllable before them. RefineSegments works in place on tables (also
// on tables a user has edited): it moves the ends of phonemes before a pause and the starts of
// phonemes after a pause, then rebuilds every syllable from its phonemes.
//
// Levels are level(step) = RawPower(step x 20 ms) + gain_db [dB].
//
//   #include "engines/wtp/phoneme_aligner.h"
//   // given: PhonemeAligner& aligner; const ContourSource& analyzer
//   // given: SegmentTable phoneme_table, syllable_table
//   std::vector<SegmentRecord> phonemes, syllables;
//   if (!BuildSegments(aligner.phonemes(), aligner.syllables(), analyzer, phonemes, syllables)) ...
//   RefineSegments(phoneme_table, syllable_table, analyzer);
#ifndef VTR_ENGINES_WTP_SEGMENT_BUILDER_H_
#define VTR_ENGINES_WTP_SEGMENT_BUILDER_H_

#include <vector>

#include "engines/wtp/contour_source.h"
#include "engines/wtp/segment_record.h"

namespace vtr::wtp {

// True when built; false when a list or the contours are empty or the lists do not begin and
// end with a pause. Merges also move the steps in the aligner's lists. The new tables keep the
// invariants of segment_record.h when the aligner's lists did; Refine is not run here.
[[nodiscard]] bool BuildSegments(std::vector<SegmentRecord>& aligned_phonemes,
                                 std::vector<SegmentRecord>& aligned_syllables,
                                 const ContourSource& contours,
                                 std::vector<SegmentRecord>& phonemes,
                                 std::vector<SegmentRecord>& syllables);

// True when every link and phoneme range of the tables lies inside them, there are at least
// three records of each, and every syllable's phonemes link to it.
[[nodiscard]] bool SegmentTablesAreUsable(const SegmentTable& phonemes,
                                          const SegmentTable& syllables);

// Refines the tables in place; tables that are not usable are left as they are. Every move
// keeps each phoneme at least one step long.
void RefineSegments(SegmentTable& phonemes, SegmentTable& syllables, const ContourSource& contours);

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_SEGMENT_BUILDER_H_
