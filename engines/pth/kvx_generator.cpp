#include "engines/pth/kvx_generator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engines/pth/internal/note_preparation.h"
#include "engines/pth/internal/script_writer.h"
#include "engines/pth/kana_labels.h"

// How a note is written (the note body).
//
// The script must play for as long as the pitch sequence lasts, follow its pitch contour and
// its loudness, and stay valid for the script checker without any change of meaning.
//
// Timing. The generator keeps one timeline: the record time (the sum of the deltas, from the
// window start) against the play time the text written so far lasts (WriterState::steps,
// which also counts the one step of every "S59," line break). Before a note the difference up
// to the note's sound (its start plus its gate) is written as full-width spaces; the note then
// gets exactly the steps left up to its end, at least one. Any rounding or a line break is so
// made good at the next note instead of adding up.
//
// Pieces. A note is cut into n pieces of nearly equal length: the kana, then n - 1 long marks
// "ー". Each piece of K steps is written at speed S = L - K + 50 (L = the kana's default length
// in steps), so its length is exact for 1 <= K <= L + 50. All long marks share one speed,
// written before the first of them: the checker drops a speed token that stands before a long
// mark following another long mark, so a second speed token would not survive. The kana takes
// the remainder. n starts from the finest detail of the pitch and volume contours (127 / the
// smallest gap between their change points, 1..45), grows while a piece would have to last
// longer than L + 50 steps, and is never above the note's length in steps.
//
// Lines. A note is never split by a line break: a long mark after "S59," would start a new
// sentence and no longer lengthen its kana. The whole note is written on one line, after a
// line break when it does not fit behind the current one; a note too long for any line is
// written with fewer pieces.
//
// Marks. At the end of piece k (position (k + 1) * 127 / n) the pitch contour (bends / 700 at
// the range of the note's W token, joined linearly; in speech mode plus the note's distance
// from the average note, since no note names are written there) and the volume contour (volume
// points - 96 after rebasing) are
// compared with the running offsets, and the change is written: "'" / "_" on the kana (the
// jump at the syllable's onset), "^" / "$" on long marks (a glide), "<" / ">" for volume, with
// the size when it is 2 or more and at most 99 per mark. A sentence end (line break or rest
// mark) starts both offsets from 0 again, as a player does. On the kana, an offset that is not
// 0 while the contour starts at 0 is reset first ("/", "=", or "&" for both). A player clips
// the pitch at the range of the W token, 11 marks each way (12 x 700 passes 8191), so in speech
// mode a note far from the average takes a wider range than its bends alone would need.
//
// Voice, U and bend-range records are written where they come in the records, after the note
// before them: placed between a kana and its long marks they would cut the long marks off the
// kana for a player.

namespace vtr::pth {
namespace {

using internal::ScriptWriter;
using internal::WriterState;

constexpr std::string_view kHeader = "KV#J";
constexpr int kMinRoom = 4;          // room a record needs before it is written [bytes]
constexpr int kPitchMarkUnit = 700;  // bend units of one pitch mark
constexpr int kMaxMark = 99;         // largest offset and change of one mark
constexpr int kMaxSilenceUnit = 60;  // the longest space or rest mark unit at speed 0
constexpr int kVolumeGapFloor = 25;  // volume detail finer than this does not add pieces
constexpr int kLastPosition = 127;

constexpr const char* kNoteNames[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                      "F#", "G",  "G#", "A",  "A#", "B"};

std::string Mark(char up, char down, int change) {
  if (change == 0) return {};
  std::string mark(1, change > 0 ? up : down);
  if (std::abs(change) >= 2) mark += std::to_string(std::abs(change));
  return mark;
}

// Value at `position` of a contour given as (position, value) points, joined linearly and
// held at its ends; 0 without points.
double ContourAt(const std::vector<std::pair<int, double>>& points, int position) {
  if (points.empty()) return 0;
  if (position <= points.front().first) return points.front().second;
  if (position >= points.back().first) return points.back().second;
  size_t i = 1;
  while (points[i].first < position) ++i;
  const auto& [x0, y0] = points[i - 1];
  const auto& [x1, y1] = points[i];
  if (x1 == x0) return y1;
  return y0 + (y1 - y0) * (position - x0) / (x1 - x0);
}

constexpr int kLevelRanges[] = {2, 6, 12, 24, 60};  // bend ranges of W1..W5 [semitones]
// The largest pitch offset in marks a player sounds unclipped: 11 x 700 bend units stay within
// the 8191 of a range, 12 marks pass it.
constexpr int kMaxHeldMarks = 8191 / kPitchMarkUnit;

// A note's pitch contour in marks at the bend range `range` (at least its own): its bends, and
// `distance` semitones added throughout. A note without points gets one point when it has a
// distance.
std::vector<std::pair<int, double>> PitchMarks(const NoteRecord& note, int range, int distance) {
  std::vector<std::pair<int, double>> marks;
  const double offset = distance * 8192.0 / range / kPitchMarkUnit;
  const double rescale = static_cast<double>(note.bend_range) / range;
  for (int i = 0; i < note.pitch_count; ++i) {
    const auto& p = note.pitch_points[i];
    marks.emplace_back(p.position, std::round(p.bend * rescale / kPitchMarkUnit) + offset);
  }
  if (marks.empty() && offset != 0) marks.emplace_back(0, offset);
  return marks;
}

// The largest mark offset a contour reaches once rounded, as the pieces write it.
long LargestMark(const std::vector<std::pair<int, double>>& marks) {
  long largest = 0;
  for (const auto& [position, value] : marks)
    largest = std::max(largest, std::abs(std::lround(value)));
  return largest;
}

// Smallest gap between the positions at which a quantised contour changes, with its ends at 0
// and 127 counted as changes.
int SmallestChangeGap(const std::vector<std::pair<int, double>>& points) {
  std::vector<int> changes = {0};
  long long last_value = points.empty() ? 0 : std::lround(ContourAt(points, 0));
  for (const auto& [position, value] : points) {
    const long long q = std::lround(value);
    if (q != last_value && position > changes.back()) changes.push_back(position);
    last_value = q;
  }
  if (changes.back() != kLastPosition) changes.push_back(kLastPosition);
  int gap = kLastPosition;
  for (size_t i = 1; i < changes.size(); ++i) gap = std::min(gap, changes[i] - changes[i - 1]);
  return std::max(gap, 1);
}

// One note as the body writer sees it after preparation.
struct NoteBody {
  std::string_view kana;
  int length_steps = 0;  // L: the kana's default length [steps]
  int level_range = 0;   // W range of the note
  int volume_level = 0;  // V level, 0 for none
  int name_index = -1;   // sing mode: note name, -1 for none
  int name_octave = 2;
  std::vector<std::pair<int, double>> pitch;   // [position, pitch marks]
  std::vector<std::pair<int, double>> volume;  // [position, volume units]
  int detail_pieces = 1;                       // pieces the contours ask for
  long long end_step = 0;                      // timeline step at which the note ends
};

class Run {
 public:
  Run(size_t capacity, bool sing_mode, int step_ms)
      : writer_(capacity), sing_mode_(sing_mode), step_ms_(step_ms) {}

  int Generate(std::span<const NoteRecord> records, const NoteStatistics& statistics, int window_on,
               int window_start, int window_end);
  const std::string& text() const { return writer_.text(); }

 private:
  int WriteRecord(const NoteRecord& record, long long time);
  int WriteNote(const NoteRecord& note, long long time);
  int WritePauseUntil(long long step);
  int WriteRestUntil(long long step);
  int WriteToken(const std::string& token);
  std::string RenderBody(WriterState& state, const NoteBody& body, int max_pieces) const;
  static int Code(ScriptWriter::Status status) {
    return status == ScriptWriter::Status::kOk ? 0 : static_cast<int>(GenerateError::kTooSmall);
  }

  ScriptWriter writer_;
  bool sing_mode_;
  int step_ms_;
  int octave_shift_ = 0;
  int reference_note_ = NoteStatistics::kNoAverage;
};

int Run::Generate(std::span<const NoteRecord> records, const NoteStatistics& statistics,
                  int window_on, int window_start, int window_end) {
  std::vector<NoteRecord> prepared(records.begin(), records.end());
  NoteStatistics prepared_statistics = statistics;
  internal::PrepareRecords(prepared, prepared_statistics, sing_mode_);
  octave_shift_ = OctaveShift(prepared_statistics);
  reference_note_ = prepared_statistics.average;

  if (writer_.AppendRaw(kHeader) != ScriptWriter::Status::kOk)
    return static_cast<int>(GenerateError::kTooSmall);
  const long long origin = window_on == 1 ? window_start : 0;
  long long time = 0;
  for (const NoteRecord& record : prepared) {
    time += record.delta;
    if (window_on != 0 && window_on != 1) continue;
    if (window_on == 1 && (time < window_start || time >= window_end)) continue;
    if (writer_.room() < kMinRoom) return static_cast<int>(GenerateError::kTooSmall);
    if (const int result = WriteRecord(record, time - origin); result < 0) return result;
  }
  return static_cast<int>(writer_.text().size());
}

int Run::WriteRecord(const NoteRecord& record, long long time) {
  switch (record.kind) {
    case RecordKind::kVoice:
      if (record.value <= 99) return WriteToken("K" + std::to_string(record.value));
      if (record.value >= 128 && record.value <= 227)
        return WriteToken("X" + std::to_string(record.value - 128));
      return static_cast<int>(GenerateError::kBadValue);
    case RecordKind::kControlU:
      if (record.value > 9) return static_cast<int>(GenerateError::kBadValue);
      return WriteToken("U" + std::to_string(record.value));
    case RecordKind::kBendRange:
      return 0;  // every note carries its own bend range
    case RecordKind::kEnd:
      return WriteRestUntil(time);
    case RecordKind::kNote:
      return WriteNote(record, time);
  }
  return static_cast<int>(GenerateError::kBadValue);
}

int Run::WriteToken(const std::string& token) {
  return Code(writer_.WriteOnLine([&](WriterState&) { return token; }));
}

// Full-width spaces until the script time reaches `step`: each lasts 60 - S steps, at most 60
// (at S0); the last one takes the speed that makes it end exactly there.
int Run::WritePauseUntil(long long step) {
  while (writer_.state().steps < step) {
    const auto status = writer_.WriteOnLine([&](WriterState& s) {
      const long long left = step - s.steps;
      if (left <= 0) return std::string();
      const int unit = static_cast<int>(std::min<long long>(left, kMaxSilenceUnit));
      std::string piece = internal::SpeedToken(s, std::clamp(kMaxSilenceUnit - unit, 0, 99));
      piece += internal::kFullWidthSpace;
      s.steps += internal::RestSteps(s.speed);
      return piece;
    });
    if (const int result = Code(status); result < 0) return result;
  }
  return 0;
}

// Rest marks until the script time reaches `step`: an even rest as "." (two steps per unit),
// an odd one as "," (one step per unit). Each mark ends a sentence.
int Run::WriteRestUntil(long long step) {
  const long long rest = step - writer_.state().steps;
  if (rest <= 0) return 0;
  const bool even = rest % 2 == 0;
  const char mark = even ? '.' : ',';
  const int per_unit = even ? 2 : 1;
  return Code(writer_.WriteSentenceEnds([&](WriterState& s) {
    long long units = rest / per_unit;
    std::string piece;
    auto end_sentence = [&](int steps) {
      piece += mark;
      s.steps += steps;
      s.line_length = 0;
      s.pitch_offset = 0;
      s.volume_offset = 0;
    };
    if (units > kMaxSilenceUnit) {
      piece += internal::SpeedToken(s, 0);
      while (units > kMaxSilenceUnit) {
        end_sentence(per_unit * kMaxSilenceUnit);
        units -= kMaxSilenceUnit;
      }
    }
    piece += internal::SpeedToken(s, std::clamp(kMaxSilenceUnit - static_cast<int>(units), 0, 99));
    end_sentence(per_unit * internal::RestSteps(s.speed));
    return piece;
  }));
}

int Run::WriteNote(const NoteRecord& note, long long time) {
  if (note.syllable < 0 || note.syllable >= static_cast<int>(kKanaLabelCount)) {
    return static_cast<int>(GenerateError::kBadValue);
  }
  const KanaLabel& label = KanaLabels()[note.syllable];
  NoteBody body;
  body.kana = label.kana();
  body.length_steps = label.length_ms / step_ms_;
  body.level_range = LevelRange(note.bend_range);
  if (body.level_range < 0) return static_cast<int>(GenerateError::kBadValue);
  body.volume_level = VolumeLevel(note.velocity);
  if (sing_mode_ && note.value <= 127) {
    const NoteName name = NameOfNote(note.value, octave_shift_);
    body.name_index = name.index;
    body.name_octave = name.octave;
  }
  // In speech mode the marks carry the note's distance from the average note on top of its
  // bends. The range must hold both, or a player clips the pitch at the range: the note takes
  // the narrowest range, not below its own, whose marks stay within the held offset.
  int distance = 0;
  if (!sing_mode_ && note.value <= 127 && reference_note_ != NoteStatistics::kNoAverage &&
      note.bend_range > 0) {
    distance = note.value - reference_note_;
  }
  body.pitch = PitchMarks(note, body.level_range, distance);
  if (distance != 0) {
    for (int range : kLevelRanges) {
      if (range <= body.level_range) continue;
      if (LargestMark(body.pitch) <= kMaxHeldMarks) break;
      body.level_range = range;
      body.pitch = PitchMarks(note, range, distance);
    }
  }
  for (int i = 0; i < note.volume_count; ++i) {
    const auto& p = note.volume_points[i];
    body.volume.emplace_back(p.position, p.value - internal::kVolumeNeutral);
  }
  int gap = std::min(SmallestChangeGap(body.pitch),
                     std::max(SmallestChangeGap(body.volume), kVolumeGapFloor));
  for (int i = 1; i < note.extra_count; ++i) {
    if (note.extra[i] > note.extra[i - 1]) gap = std::min(gap, note.extra[i] - note.extra[i - 1]);
  }
  body.detail_pieces =
      std::clamp(static_cast<int>(std::lround(127.0 / std::max(gap, 1))), 1, kMaxPieces);
  body.end_step = time + note.duration;

  if (const int result = WritePauseUntil(time + note.gate); result < 0) return result;
  for (int max_pieces = kMaxPieces; max_pieces >= 1; --max_pieces) {
    const auto status =
        writer_.WriteOnLine([&](WriterState& s) { return RenderBody(s, body, max_pieces); });
    if (status != ScriptWriter::Status::kTooLongForALine) return Code(status);
  }
  return static_cast<int>(GenerateError::kTooSmall);  // not reached: one piece always fits a line
}

std::string Run::RenderBody(WriterState& s, const NoteBody& body, int max_pieces) const {
  const int longest = body.length_steps + 50;  // a piece at speed 0 [steps]
  const long long target = std::max<long long>(1, body.end_step - s.steps);
  const int limit = static_cast<int>(std::min<long long>({kMaxPieces, max_pieces, target}));
  int n = std::min(
      limit, std::max(body.detail_pieces, static_cast<int>((target + longest - 1) / longest)));
  long long rest_length = target / n;
  long long kana_length = target - (n - 1) * rest_length;
  while (kana_length > longest && n < limit) {
    ++n;
    rest_length = target / n;
    kana_length = target - (n - 1) * rest_length;
  }

  std::string out;
  if (body.level_range != s.level) {
    out += "W" + std::to_string(LevelDigit(body.level_range));
    s.level = body.level_range;
  }
  if (body.volume_level != 0 && body.volume_level != s.volume) {
    out += "V" + std::to_string(body.volume_level);
    s.volume = body.volume_level;
  }
  if (body.name_index >= 0) {
    if (body.name_octave != s.octave) {
      out += NoteNameText(body.name_index) + std::to_string(body.name_octave);
    } else if (body.name_index != s.name) {
      out += NoteNameText(body.name_index);
    }
    s.name = body.name_index;
    s.octave = body.name_octave;
  }
  for (int k = 0; k < n; ++k) {
    const bool first = k == 0;
    const int position = (k + 1) * kLastPosition / n;
    const int pitch = std::clamp(static_cast<int>(std::lround(ContourAt(body.pitch, position))),
                                 -kMaxMark, kMaxMark);
    const int volume = std::clamp(static_cast<int>(std::lround(ContourAt(body.volume, position))),
                                  -kMaxMark, kMaxMark);
    if (first) {
      const bool reset_pitch = s.pitch_offset != 0 && std::lround(ContourAt(body.pitch, 0)) == 0;
      const bool reset_volume = s.volume_offset != 0 && std::lround(ContourAt(body.volume, 0)) == 0;
      if (reset_pitch && reset_volume) {
        out += "&";
      } else if (reset_pitch) {
        out += "/";
      } else if (reset_volume) {
        out += "=";
      }
      if (reset_pitch) s.pitch_offset = 0;
      if (reset_volume) s.volume_offset = 0;
    }
    if (k <= 1) {
      const long long length = std::min<long long>(first ? kana_length : rest_length, longest);
      out += internal::SpeedToken(
          s, std::clamp(static_cast<int>(body.length_steps - length + 50), 0, 99));
    }
    const int pitch_change = std::clamp(pitch - s.pitch_offset, -kMaxMark, kMaxMark);
    out += first ? Mark('\'', '_', pitch_change) : Mark('^', '$', pitch_change);
    s.pitch_offset += pitch_change;
    const int volume_change = std::clamp(volume - s.volume_offset, -kMaxMark, kMaxMark);
    out += Mark('<', '>', volume_change);
    s.volume_offset += volume_change;
    out += first ? body.kana : internal::kLongMark;
    s.steps += internal::SoundSteps(body.length_steps, s.speed);
  }
  return out;
}

}  // namespace

int LevelRange(int bend_range) {
  if (bend_range <= 3) return 2;
  if (bend_range <= 9) return 6;
  if (bend_range <= 17) return 12;
  if (bend_range <= 41) return 24;
  if (bend_range <= 60) return 60;
  return -1;
}

int LevelDigit(int range) {
  switch (range) {
    case 2:
      return 1;
    case 6:
      return 2;
    case 12:
      return 3;
    case 24:
      return 4;
    default:
      return 5;
  }
}

int VolumeLevel(int velocity) {
  if (velocity >= 128) return 0;
  if (velocity <= 38) return 1;
  if (velocity <= 54) return 2;
  if (velocity <= 76) return 3;
  if (velocity <= 107) return 4;
  return 5;
}

int OctaveShift(const NoteStatistics& statistics) {
  const int a = statistics.average;
  if (a == NoteStatistics::kNoAverage) return 0;
  int shift = 0;
  if (a > 23) {
    shift = -12 * ((a - 12) / 12);
  } else if (a < 12) {
    shift = 12;
  }
  const int h = statistics.highest;
  const int l = statistics.lowest;
  if (h + shift > 35 && l + shift > 11) {
    shift -= 12;
  } else if (h + shift < 24 && l + shift < 0) {
    shift += 12;
  }
  return shift;
}

NoteName NameOfNote(int note, int shift) {
  int b = note + shift;
  if (b < 0) b = 11 - (11 - b) % 12;
  if (b > 35) b = (b - 24) % 12 + 24;
  NoteName name;
  name.index = std::clamp(b % 12, 0, 11);
  name.octave = std::clamp(b / 12 + 1, 1, 3);
  return name;
}

std::string NoteNameText(int index) { return kNoteNames[std::clamp(index, 0, 11)]; }

int KvxGenerator::Generate(char* buffer, int buffer_length, std::span<const NoteRecord> records,
                           const NoteStatistics* statistics, int sing_mode, int window_on,
                           int window_start, int window_end) {
  if (flags_ != 0) return static_cast<int>(GenerateError::kBadValue);
  if (buffer == nullptr || buffer_length <= 0 || sing_mode < 0 || sing_mode >= 2) {
    return static_cast<int>(GenerateError::kBadArgument);
  }
  // The header and the terminating NUL need five bytes.
  if (buffer_length <= static_cast<int>(kHeader.size()))
    return static_cast<int>(GenerateError::kTooSmall);
  if (records.empty() || statistics == nullptr)
    return static_cast<int>(GenerateError::kNothingParsed);
  if (step_ms_ <= 0) return static_cast<int>(GenerateError::kBadValue);

  Run run(static_cast<size_t>(buffer_length) - 1, sing_mode == 1, step_ms_);
  const int result = run.Generate(records, *statistics, window_on, window_start, window_end);
  if (result < 0) return result;
  std::memcpy(buffer, run.text().data(), run.text().size());
  buffer[run.text().size()] = '\0';
  return result;
}

}  // namespace vtr::pth
