// The aligned utterance as two tables of fixed 48-byte records, one for phonemes and one for
// syllables. The alignment library lends both tables to the wave-to-script library, which edits
// start and end steps in place and hands them back, so the record layout is binding on both
// sides of the library boundary (wtp_api.h defines both types in C and asserts the layout).
//
// Invariants of a finished alignment (CheckSegmentTables tests them):
//  - both tables begin and end with a pause record (name " ");
//  - every record has endStep > startStep, and phoneme steps are contiguous;
//  - syllable f covers exactly the phonemes whose link is f, from firstPhoneme to lastPhoneme.
#ifndef VTR_ENGINES_WTP_SEGMENT_RECORD_H_
#define VTR_ENGINES_WTP_SEGMENT_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engines/wtp/wtp_api.h"

namespace vtr::wtp {

// The C types of the library boundary.
using SegmentRecord = ::VtrWtpSegmentRecord;
using SegmentTable = ::VtrWtpSegmentTable;

inline constexpr size_t kSegmentNameBytes = kVtrWtpSegmentNameBytes;
inline constexpr std::string_view kPauseName = " ";

// A record with the name (cut to 19 bytes) and everything else 0.
SegmentRecord MakeSegmentRecord(std::string_view name);
inline std::string_view SegmentName(const SegmentRecord& record) {
  size_t length = 0;
  while (length < kSegmentNameBytes && record.name[length] != '\0') ++length;
  return {record.name, length};
}
inline bool IsPause(const SegmentRecord& record) { return SegmentName(record) == kPauseName; }

// Empty when the tables keep every invariant above, else a description of the first breach.
[[nodiscard]] std::string CheckSegmentTables(const SegmentTable& phonemes,
                                             const SegmentTable& syllables);

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_SEGMENT_RECORD_H_
