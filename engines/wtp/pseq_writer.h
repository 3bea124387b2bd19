// Writes a pitch sequence: a voice event stream with the bend-range control and one note event
// per syllable that is not a pause.
//
// Each note carries its note number and velocity (from the pitch and power at the syllable's
// start), its duration in 20 ms steps, and g pitch-bend and volume points sampled along the
// syllable (g = 2..127). No end event is written.
//
//   #include <vector>
//   // given: uint32_t count; SegmentRecord* items; const ContourSource& analyzer
//   std::vector<uint8_t> buffer(0x100000);
//   int n = WritePitchSequence({count, items}, analyzer, buffer);  // byte count, -1 or -3
#ifndef VTR_ENGINES_WTP_PSEQ_WRITER_H_
#define VTR_ENGINES_WTP_PSEQ_WRITER_H_

#include <cstdint>
#include <span>

#include "engines/wtp/contour_source.h"
#include "engines/wtp/segment_record.h"

namespace vtr::wtp {

// The byte count written; -1 without syllables or frames; -3 when the next event does not
// fit. A buffer always keeps one byte free after the last written byte, so a buffer of four
// bytes cannot take the four header bytes. On -3 the buffer holds the events that fitted.
[[nodiscard]] int WritePitchSequence(const SegmentTable& syllables, const ContourSource& contours,
                                     std::span<uint8_t> buffer);

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_PSEQ_WRITER_H_
