// Preparation of the note records before the script generator writes them.
//
//   1. Bends are centred: 0..16383 becomes -8192..8191.
//   2. Sing mode: each note is retuned to the pitch it holds longest (see RetuneNote); the
//      statistics are computed anew from the retuned notes.
//   3. Speech mode: each note's bends are rescaled to the smallest range of 2, 6, 12, 24 or 60
//      semitones that holds its largest excursion, and the note takes that range.
//   4. Volume: every note's volume points are rebased from its own velocity onto velocity 89
//      (the script's default level V4) and the velocity becomes 89, so that loudness is carried
//      by volume marks against one common level.
#ifndef VTR_ENGINES_PTH_INTERNAL_NOTE_PREPARATION_H_
#define VTR_ENGINES_PTH_INTERNAL_NOTE_PREPARATION_H_

#include <vector>

#include "engines/pth/note_record.h"

namespace vtr::pth::internal {

inline constexpr int kCommonVelocity = 89;  // the velocity of "V4"
inline constexpr int kVolumeNeutral = 96;   // volume point value of the note's own loudness

// The bend (centred, linear between the points, held at the first and last point) at every
// position 0..127; all 0 for a note without points.
[[nodiscard]] std::vector<int> SampleBends(const NoteRecord& note);

// Sing mode: semitones h by which `note` (centred bends) is retuned, held to +-bend range.
[[nodiscard]] int RetuneSemitones(const NoteRecord& note);

// The smallest of 2, 6, 12, 24, 60 holding the note's largest excursion (centred bends).
[[nodiscard]] int SpeechRange(const NoteRecord& note);

// Volume units (dB) between velocity `velocity` and velocity 89.
[[nodiscard]] int VelocityOffset(int velocity);

// Steps 1-4 above on `records` (a private copy); `statistics` is recomputed in sing mode.
void PrepareRecords(std::vector<NoteRecord>& records, NoteStatistics& statistics, bool sing_mode);

}  // namespace vtr::pth::internal

#endif  // VTR_ENGINES_PTH_INTERNAL_NOTE_PREPARATION_H_
