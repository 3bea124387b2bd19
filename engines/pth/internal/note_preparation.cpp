#include "engines/pth/internal/note_preparation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vtr::pth::internal {
namespace {

constexpr int kBendCentre = 8192;
constexpr int kMinBend = -8192;
constexpr int kMaxBend = 8191;
constexpr int kSpeechRanges[] = {2, 6, 12, 24, 60};

// The stretch of positions searched for the held pitch, and its fallback.
constexpr int kStretchFirst = 38;
constexpr int kStretchLast = 126;
constexpr int kFlatRunLastStart = 114;
constexpr int kFallbackLast = 114;
constexpr int kShortestRun = 13;  // a best run this short or shorter is not trusted

int ClampBend(long long bend) {
  return static_cast<int>(std::clamp<long long>(bend, kMinBend, kMaxBend));
}

}  // namespace

std::vector<int> SampleBends(const NoteRecord& note) {
  std::vector<int> curve(128, 0);
  const int count = note.pitch_count;
  if (count == 0) return curve;
  const auto& p = note.pitch_points;
  for (int pos = 0; pos < 128; ++pos) {
    if (pos <= p[0].position) {
      curve[pos] = p[0].bend;
    } else if (pos >= p[count - 1].position) {
      curve[pos] = p[count - 1].bend;
    } else {
      int i = 1;
      while (p[i].position < pos) ++i;  // p[i - 1].position < pos <= p[i].position
      const int x0 = p[i - 1].position;
      const int x1 = p[i].position;
      curve[pos] = static_cast<int>(std::lround(
          p[i - 1].bend + static_cast<double>(p[i].bend - p[i - 1].bend) * (pos - x0) / (x1 - x0)));
    }
  }
  return curve;
}

int RetuneSemitones(const NoteRecord& note) {
  const int range = note.bend_range;
  if (range <= 0 || note.value > 127) return 0;
  const std::vector<int> curve = SampleBends(note);

  // Longest run between turning points of the curve over the stretch: places where it turns
  // from rising, level or falling into one of the other two.
  int best_first = kStretchFirst;
  int best_last = kStretchFirst;
  int run_first = kStretchFirst;
  int direction = 2;  // none yet
  for (int pos = kStretchFirst + 1; pos <= kStretchLast; ++pos) {
    const int step = curve[pos] - curve[pos - 1];
    const int d = step > 0 ? 1 : (step < 0 ? -1 : 0);
    if (direction != 2 && d != direction) run_first = pos - 1;
    direction = d;
    if (pos - run_first > best_last - best_first) {
      best_first = run_first;
      best_last = pos;
    }
  }
  // A longer run in which the curve stays within half a semitone of its start value.
  const double half_semitone = 8191.0 / range / 2.0;
  for (int first = kStretchFirst; first <= kFlatRunLastStart; ++first) {
    int last = first;
    while (last + 1 <= kStretchLast && std::abs(curve[last + 1] - curve[first]) <= half_semitone)
      ++last;
    if (last - first > best_last - best_first) {
      best_first = first;
      best_last = last;
    }
  }
  if (best_last - best_first <= kShortestRun) {
    best_first = kStretchFirst;
    best_last = kFallbackLast;
  }
  double sum = 0;
  for (int pos = best_first; pos <= best_last; ++pos) sum += curve[pos];
  const double average = sum / (best_last - best_first + 1);
  const int h = static_cast<int>(std::lround(range * average / kBendCentre));
  return std::clamp(h, -range, range);
}

int SpeechRange(const NoteRecord& note) {
  int largest = 0;
  for (int i = 0; i < note.pitch_count; ++i)
    largest = std::max(largest, std::abs(int{note.pitch_points[i].bend}));
  for (int range : kSpeechRanges) {
    if (static_cast<long long>(largest) * note.bend_range <=
        static_cast<long long>(range) * kMaxBend)
      return range;
  }
  return kSpeechRanges[std::size(kSpeechRanges) - 1];
}

int VelocityOffset(int velocity) {
  // The loudness scale of velocities is 40 * log10(velocity / 127) dB.
  const double v = std::max(velocity, 1);
  return static_cast<int>(std::lround(40.0 * std::log10(v / kCommonVelocity)));
}

void PrepareRecords(std::vector<NoteRecord>& records, NoteStatistics& statistics, bool sing_mode) {
  for (NoteRecord& note : records) {
    if (note.kind != RecordKind::kNote) continue;
    for (int i = 0; i < note.pitch_count; ++i) {
      note.pitch_points[i].bend =
          static_cast<int16_t>(ClampBend(note.pitch_points[i].bend - kBendCentre));
    }
  }
  if (sing_mode) {
    long long sum = 0;
    int count = 0;
    NoteStatistics retuned;
    retuned.bend_range = statistics.bend_range;
    for (NoteRecord& note : records) {
      if (note.kind != RecordKind::kNote || note.value > 127) continue;
      const int h = RetuneSemitones(note);
      if (h != 0) {
        note.value = static_cast<uint8_t>(std::clamp(note.value + h, 0, 127));
        const long long shift = std::lround(static_cast<double>(h) * kBendCentre / note.bend_range);
        for (int i = 0; i < note.pitch_count; ++i) {
          note.pitch_points[i].bend =
              static_cast<int16_t>(ClampBend(note.pitch_points[i].bend - shift));
        }
      }
      retuned.highest = std::max<int>(retuned.highest, note.value);
      retuned.lowest = std::min<int>(retuned.lowest, note.value);
      sum += note.value;
      ++count;
    }
    if (count > 0) {
      const int average = static_cast<int>(std::lround(static_cast<double>(sum) / count));
      if (average < NoteStatistics::kNoAverage) retuned.average = average;
    }
    statistics = retuned;
  } else {
    for (NoteRecord& note : records) {
      if (note.kind != RecordKind::kNote) continue;
      const int range = SpeechRange(note);
      for (int i = 0; i < note.pitch_count; ++i) {
        const double scaled =
            static_cast<double>(note.pitch_points[i].bend) * note.bend_range / range;
        note.pitch_points[i].bend = static_cast<int16_t>(ClampBend(std::lround(scaled)));
      }
      note.bend_range = static_cast<uint8_t>(range);
    }
  }
  for (NoteRecord& note : records) {
    if (note.kind != RecordKind::kNote) continue;
    const int offset = VelocityOffset(note.velocity);
    for (int i = 0; i < note.volume_count; ++i) {
      note.volume_points[i].value =
          static_cast<uint8_t>(std::clamp(note.volume_points[i].value + offset, 0, 127));
    }
    note.velocity = kCommonVelocity;
  }
}

}  // namespace vtr::pth::internal
