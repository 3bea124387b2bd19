// The text of the intonation graph's information box: a syllable's values written the way
// script tokens write them, "S<speed><note><V>L<l><W><pitch step><strength step><kana>".
//
//   // given: SyllableArray records
//   // か after あ, one pitch step up, both at standard values:
//   std::string text = InfoBoxText(&records[0], records[1]);   // "S50V4L0W3'か" (Shift-JIS)
//
// - speed: the S that the syllable's graph duration d (its end time minus the end time of the
//   syllable before) gives, 50 + (length - d) / 20 (/ 40 for length 400), clamped to 0..99;
//   the syllable's own S where d is the minimum duration 20 and that S already gives it;
// - note: the note name and octave digit of the note in force, nothing without a note;
// - V and W: their tokens V1..V5 and W1..W5, nothing for other values; L: its number;
// - pitch and strength steps: the change of the pitch level (pitch value back in steps) and of
//   the volume steps from the syllable before, as ' _ (or ^ $ where the syllable's prefix uses
//   them) and < >, with the count when it is above 1; nothing for punctuation, and a syllable
//   after punctuation counts from 0.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_INFO_TEXT_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_INFO_TEXT_H_

#include <string>

#include "wave2script/core/syllable_record.h"

namespace vtr::w2s {

// `previous` is the record of the point before, nullptr for the first point. The result is
// ASCII followed by the record's text (Shift-JIS).
[[nodiscard]] std::string InfoBoxText(const SyllableRecord* previous, const SyllableRecord& record);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_INFO_TEXT_H_
