#include "wave2script/dialogs/intonation/intonation_info_text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "wave2script/core/syllable_tokens.h"
#include "wave2script/core/syllable_values.h"

namespace vtr::w2s {

namespace {

// The token ("V3", "W1") whose value table holds `value`; empty when none does.
std::string Token(char letter, const std::array<int, 5>& values, int value) {
  const auto it = std::find(values.begin(), values.end(), value);
  if (it == values.end()) return {};
  return letter + std::to_string(it - values.begin() + 1);
}

bool IsPunctuation(const SyllableRecord& r) {
  const std::optional<TokenMatch> m = MatchToken(r.text);
  return m && m->token->punctuation;
}

// The S that makes the syllable last `d`.
int ShownSpeed(const SyllableRecord& r, int d) {
  const int c = r.length == kLongTokenLength ? 2 : 1;
  if (d == kMinDuration && r.length + (kStartSpeed - r.speed) * c * 20 <= kMinDuration) {
    return std::clamp(r.speed, 0, 99);
  }
  return std::clamp(kStartSpeed + (r.length - d) / (20 * c), 0, 99);
}

std::string NoteText(const SyllableRecord& r) {
  int n = r.note;
  char octave = '2';
  if (n < 0) {
    octave = '1';
    n += 12;
  } else if (n > 11) {
    octave = '3';
    n -= 12;
  }
  if (n >= 0 && n <= 11) return std::string(kNoteNames[static_cast<size_t>(n)]) + octave;
  // No note in force: the octave digit alone where the prefix names every note letter.
  const bool all_letters =
      std::all_of(kNoteNames.begin(), kNoteNames.end(), [&](std::string_view name) {
        return name.size() != 1 || r.prefix.find(name[0]) != std::string::npos;
      });
  return all_letters ? std::string(1, octave) : std::string();
}

// The pitch value back in pitch steps (the note's share taken off, rounded half away from 0).
int PitchLevel(const SyllableRecord& r) {
  const int n = r.note == kNoNote ? 0 : r.note;
  const int unit = r.w * 7;
  if (unit == 0) return 0;
  const int m = r.pitch_value * 84 - n * 8191;
  if (m >= 0) return (m / unit + 50) / 100;
  return ((r.pitch_value * 84 - n * 8192) / unit - 50) / 100;
}

int VolumeLevel(const SyllableRecord& r) { return r.level - r.v_level; }

}  // namespace

std::string InfoBoxText(const SyllableRecord* previous, const SyllableRecord& record) {
  const int d = record.end_time - (previous ? previous->end_time : 0);
  std::string text = "S" + std::to_string(ShownSpeed(record, d));
  text += NoteText(record);
  text += Token('V', kVLevels, record.v_level);
  text += "L" + std::to_string(record.l);
  text += Token('W', kWValues, record.w);
  if (!IsPunctuation(record)) {
    const bool counts = previous != nullptr && !IsPunctuation(*previous);
    // Pitch step.
    const int prev_pitch = counts ? std::clamp(PitchLevel(*previous), -99, 99) : 0;
    const int pitch_diff = PitchLevel(record) - prev_pitch;
    const bool high_pair = record.prefix.find_first_of("^$") != std::string::npos;
    if (pitch_diff > 0) text += high_pair ? "^" : "'";
    if (pitch_diff < 0) text += high_pair ? "$" : "_";
    if (pitch_diff > 1) text += std::to_string(pitch_diff);
    if (pitch_diff < -1) text += std::to_string(-pitch_diff);
    // Strength step.
    const int level = std::clamp(VolumeLevel(record), -99, 99);
    const int prev_level = counts ? std::clamp(VolumeLevel(*previous), -99, 99) : 0;
    const int volume_diff = level - prev_level;
    if (volume_diff > 0) text += "<";
    if (volume_diff < 0) text += ">";
    if (volume_diff > 1) text += std::to_string(volume_diff);
    if (volume_diff < -1) text += std::to_string(-volume_diff);
  }
  text += record.text;
  return text;
}

}  // namespace vtr::w2s
