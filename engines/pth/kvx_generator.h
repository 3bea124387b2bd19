// The script generator: turns the note records of a parsed pitch sequence into the text of a
// "KV#J" script (Shift-JIS kana with speed, pitch, volume and voice tokens).
//
// Stages of one run:
//   1. Preparation on a private copy of the records: bends centred on 0; in sing mode every
//      note retuned to the pitch it holds longest; in speech mode every note's bends rescaled
//      to the smallest bend range of 2, 6, 12, 24 or 60 semitones that holds them; volume
//      contours rebased on one common level (V4).
//   2. The header "KV#J", then the records in order on a timeline of steps: the script time
//      written so far is compared with each record's time, and gaps become full-width spaces
//      (before notes) or rest marks (at end records); each note becomes its kana and long
//      marks with speed, pitch and volume marks (see kvx_generator.cpp for the design).
//   3. No sentence exceeds 100 bytes: a piece that would make a line longer than 96 bytes is
//      preceded by "S59,".
//
//   #include <vector>
//   // given: std::span<const NoteRecord> records; NoteStatistics statistics
//   KvxGenerator generator;
//   std::vector<char> buffer(0x100000);
//   int length = generator.Generate(buffer.data(), static_cast<int>(buffer.size()), records,
//                                   &statistics, /*sing_mode=*/0, /*window_on=*/0, 0, 0);
//   // length > 0: buffer holds `length` bytes of script text and a terminating NUL.
#ifndef VTR_ENGINES_PTH_KVX_GENERATOR_H_
#define VTR_ENGINES_PTH_KVX_GENERATOR_H_

#include <cstdint>
#include <span>
#include <string>

#include "engines/pth/note_record.h"

namespace vtr::pth {

// Negative results of Generate (and of the export that runs it).
enum class GenerateError : int32_t {
  kBadValue = -1,       // generator flags set, or a record value with no token (voice 100..127)
  kBadArgument = -2,    // no buffer, length 0, sing mode above 1
  kTooSmall = -3,       // the text (and its NUL) does not fit
  kNothingParsed = -6,  // no records or no statistics
};

inline constexpr int kStepMs = 20;     // time unit of the records [ms]
inline constexpr int kMaxPieces = 45;  // pieces of one note: the kana and up to 44 long marks

// The pitch-bend range (2, 6, 12, 24 or 60 semitones) a W token gives for a note's range v
// (W1..W5 for v <= 3, 9, 17, 41, 60), or -1 when v is above 60.
[[nodiscard]] int LevelRange(int bend_range);
// The digit of the W token for one of the five ranges (1..5).
[[nodiscard]] int LevelDigit(int range);
// The V level 1..5 for a velocity, or 0 (no token) for velocities of 128 and above.
[[nodiscard]] int VolumeLevel(int velocity);
// Semitones added to every note before naming, chosen from the average, highest and lowest
// note so that the notes fall into the three octaves a script can name.
[[nodiscard]] int OctaveShift(const NoteStatistics& statistics);

struct NoteName {
  int index = 0;   // 0 = "C" ... 11 = "B"
  int octave = 2;  // 1..3
};
// The name of note `note` (not 128) after adding `shift`, folded into octaves 1..3.
[[nodiscard]] NoteName NameOfNote(int note, int shift);
// "C", "C#", ... "B".
[[nodiscard]] std::string NoteNameText(int index);

class KvxGenerator {
 public:
  explicit KvxGenerator(int step_ms = kStepMs, int flags = 0) : step_ms_(step_ms), flags_(flags) {}

  // Writes the script for `records` into `buffer` (`buffer_length` bytes, one of which stays for
  // the terminating NUL). A window_on of 1 keeps only the records whose start step lies in
  // [window_start, window_end) and starts the script's timeline at window_start; any value
  // other than 0 or 1 keeps no record. Returns the text length [bytes] (header included, NUL
  // not counted) or a GenerateError.
  [[nodiscard]] int Generate(char* buffer, int buffer_length, std::span<const NoteRecord> records,
                             const NoteStatistics* statistics, int sing_mode, int window_on,
                             int window_start, int window_end);

 private:
  int step_ms_;
  int flags_;
};

}  // namespace vtr::pth

#endif  // VTR_ENGINES_PTH_KVX_GENERATOR_H_
