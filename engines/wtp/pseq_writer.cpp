#include "engines/wtp/pseq_writer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/events/event_writer.h"
#include "engines/events/voice_event.h"
#include "engines/wtp/phoneme_tables.h"

namespace vtr::wtp {
namespace {

constexpr int kLoudnessOffsetSteps = 3;     // velocity is read this far into a syllable
constexpr double kQuietDb = -40;            // below this the loudest step gives the velocity
constexpr double kCentsToBend = 1.3653333;  // 8192 / 6000 cents
constexpr double kVolumeOffset = 96;
constexpr int kMaxPoints = 127;

// 7-bit value of a level: 127 above, 0 below (and for NaN), else truncated.
uint8_t Clamp7(double value) {
  if (!(value > 0)) return 0;
  if (value >= 127) return 127;
  return static_cast<uint8_t>(value);
}

double At(int64_t step) { return static_cast<double>(step) * kStepSec; }

}  // namespace

int WritePitchSequence(const SegmentTable& syllables, const ContourSource& contours,
                       std::span<uint8_t> buffer) {
  if (syllables.items == nullptr || syllables.count == 0 || contours.frame_count() == 0) return -1;
  // Every write leaves the buffer's last byte free.
  if (buffer.size() < 2) return -3;
  const std::span<uint8_t> room = buffer.first(buffer.size() - 1);
  size_t at = events::WriteControlEvent(0, events::kControllerBendRange,
                                        events::kPitchSequenceBendRange, room);
  if (at == 0) return -3;

  // Steps after the contours' end all read the last frame, so scans stop there.
  const int64_t scan_limit = static_cast<int64_t>(contours.frame_count() / 2 + 2);
  int64_t previous_start = 0;
  std::vector<events::PitchPoint> pitch;
  std::vector<events::VolumePoint> volume;
  for (uint32_t i = 0; i < syllables.count; ++i) {
    const SegmentRecord& s = syllables.items[i];
    if (IsPause(s)) continue;
    const bool after_pause = i > 0 && IsPause(syllables.items[i - 1]);
    const int64_t start = s.startStep;
    const int64_t end = s.endStep;

    // Base pitch; after a pause, that of the first voiced step.
    double f = contours.Pitch(At(start));
    int64_t voiced_from = -1;
    if (after_pause) {
      for (int64_t u = start; u < std::min(end, scan_limit); ++u) {
        if (contours.RawPitch(At(u)) != 0) {
          f = contours.Pitch(At(u));
          voiced_from = u;
          break;
        }
      }
    }
    const double note_value = f > 0 ? 12 * std::log2(f / 440) + 69 : 0;
    const int note = static_cast<int>(std::clamp(note_value, 0.0, 127.0));
    const double w = 440 * std::pow(2.0, (note - 69) / 12.0);

    // Loudness step.
    const int64_t b = !after_pause && IsBareSyllable(SegmentName(s)) ? 0 : kLoudnessOffsetSteps;
    int64_t k = end - start > b ? start + b : end;
    double q = contours.Power(At(k));
    if (q + contours.gain_db() < kQuietDb) {
      for (int64_t step = start; step < std::min(end, scan_limit); ++step) {
        const double p = contours.Power(At(step));
        if (step == start || p > q) {
          q = p;
          k = step;
        }
      }
    }
    const uint8_t velocity = Clamp7(127 * std::pow(10.0, q * 0.025));
    const double v_db = 40 * std::log10(std::max<double>(velocity, 1) / 127);

    const int64_t length = end > start ? end - start : 1;
    int64_t y = 1, g = length;
    while (g > kMaxPoints) {
      ++y;
      g = length / y;
    }
    g = std::clamp<int64_t>((length + y - 1) / y + 1, 2, kMaxPoints);

    pitch.assign(static_cast<size_t>(g), {});
    volume.assign(static_cast<size_t>(g), {});
    for (int64_t n = 0; n < g; ++n) {
      const int64_t p = start + y * n;
      int64_t position = std::clamp<int64_t>((p - start) * 127 / length, 0, 127);
      double pf = contours.Pitch(At(p));
      if (voiced_from >= 0 && p < voiced_from && contours.RawPitch(At(p)) == 0) pf = w;
      double value = p > k ? contours.Power(At(p)) - v_db : 0;
      if (n == g - 1 && position != 127) {
        pf = contours.Pitch(At(end - 1));
        value = contours.Power(At(end - 1)) - v_db;
        position = 127;
      }
      const double bend = pf > 0 ? 1200 * std::log2(pf / w) * kCentsToBend + 8192 : 0;
      pitch[static_cast<size_t>(n)] = {static_cast<uint8_t>(position),
                                       static_cast<uint16_t>(std::clamp(bend, 0.0, 16383.0))};
      volume[static_cast<size_t>(n)] = {static_cast<uint8_t>(position),
                                        Clamp7(value + kVolumeOffset)};
    }

    const std::string_view name = SegmentName(s);
    events::NoteEvent event;
    // Deltas are signed: a start before the previous one (after an edit) gives 0.
    event.delta = static_cast<uint32_t>(std::clamp<int64_t>(start - previous_start, 0, UINT32_MAX));
    event.note = static_cast<uint8_t>(note);
    event.velocity = velocity;
    event.duration = static_cast<uint32_t>(std::min<int64_t>(length, UINT32_MAX));
    event.gate = 0;
    event.text = {reinterpret_cast<const uint8_t*>(name.data()), name.size()};
    event.pitch = pitch;
    event.volume = volume;
    const size_t written = events::WriteNoteEvent(event, room.subspan(at));
    if (written == 0) return -3;
    at += written;
    previous_start = start;
  }
  return static_cast<int>(at);
}

}  // namespace vtr::wtp
