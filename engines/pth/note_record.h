// The records a parsed pitch sequence becomes, and the note statistics of the parse.
//
// One record per accepted event of the stream, in stream order. Times are in the producer's
// steps (20 ms). The script generator reads the records; it never changes the caller's list.
#ifndef VTR_ENGINES_PTH_NOTE_RECORD_H_
#define VTR_ENGINES_PTH_NOTE_RECORD_H_

#include <array>
#include <cstdint>

namespace vtr::pth {

enum class RecordKind : int32_t {
  kNote = 0,       // one syllable
  kVoice = 1,      // program event: voice quality
  kControlU = 2,   // control 22: the "U" setting
  kBendRange = 3,  // control 20: pitch-bend range in semitones
  kEnd = 4,        // end event
};

struct RecordPitchPoint {
  uint8_t position = 0;  // 0..127 within the syllable
  int16_t bend = 8192;   // as read 0..16383 (8192 = the note); centred -8192..8191 by the generator
};

struct RecordVolumePoint {
  uint8_t position = 0;  // 0..127 within the syllable
  uint8_t value = 0;     // 0..127, 96 = the note's own loudness
};

inline constexpr int kMaxPoints = 128;

struct NoteRecord {
  RecordKind kind = RecordKind::kNote;
  int32_t delta = 0;      // steps since the previous record's start [steps]
  uint8_t value = 0;      // note number 0..127 or 128 (unpitched); the event's value otherwise
  uint8_t velocity = 0;   // 0..127 (notes)
  uint32_t duration = 0;  // [steps] (notes)
  uint32_t gate = 0;      // silent lead-in of the syllable, below duration [steps] (notes)
  int16_t syllable = -1;  // row of the kana label table (notes)
  uint8_t pitch_count = 0;
  std::array<RecordPitchPoint, kMaxPoints> pitch_points{};
  uint8_t volume_count = 0;
  std::array<RecordVolumePoint, kMaxPoints> volume_points{};
  uint8_t extra_count = 0;
  std::array<uint8_t, kMaxPoints> extra{};
  uint8_t bend_range = 12;  // pitch-bend range in force when the note was read [semitones]
};

// Note statistics over the pitched notes (not 128) of a parse.
struct NoteStatistics {
  static constexpr int kNoAverage = 255;
  int average = kNoAverage;  // truncate(mean + 0.5), kept only when below 255
  int highest = 0;
  int lowest = 255;
  int bend_range = 12;  // the bend range in force at the end of the parse [semitones]
};

}  // namespace vtr::pth

#endif  // VTR_ENGINES_PTH_NOTE_RECORD_H_
