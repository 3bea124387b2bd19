// The aligned utterance as two tables of fixed 48-byte records, one for phonemes and one for
// syllables. The alignment library lends both tables to the wave-to-script library, which edits
// start and end steps in place and hands them back, so the record layout is binding on both
// sides of the library boundary (the asserts below keep it so).
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

namespace vtr::wtp {

inline constexpr size_t kSegmentNameBytes = 20;
inline constexpr std::string_view kPauseName = " ";

struct SegmentRecord {
  char name[kSegmentNameBytes];  // NUL-terminated symbol; " " for a pause
  int32_t link;                  // phoneme: index of its syllable; syllable: its own index
  int32_t firstPhoneme;          // syllable: index of its first phoneme; phoneme: 0
  int32_t lastPhoneme;           // syllable: index of its last phoneme; phoneme: 0
  float startSec;                // [s] from the recogniser; 0 for inserted pauses
  float endSec;                  // [s]
  uint32_t startStep;            // [20 ms steps]
  uint32_t endStep;              // [20 ms steps], exclusive
};

static_assert(sizeof(SegmentRecord) == 48);
static_assert(offsetof(SegmentRecord, name) == 0);
static_assert(offsetof(SegmentRecord, link) == 20);
static_assert(offsetof(SegmentRecord, firstPhoneme) == 24);
static_assert(offsetof(SegmentRecord, lastPhoneme) == 28);
static_assert(offsetof(SegmentRecord, startSec) == 32);
static_assert(offsetof(SegmentRecord, endSec) == 36);
static_assert(offsetof(SegmentRecord, startStep) == 40);
static_assert(offsetof(SegmentRecord, endStep) == 44);

// {count, items}: the natural layout of the platform (16 bytes on 64-bit builds); both
// libraries that exchange it are built together.
struct SegmentTable {
  uint32_t count;
  SegmentRecord* items;
};

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
