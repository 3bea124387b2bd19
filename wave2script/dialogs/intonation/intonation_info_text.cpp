#include "wave2script/dialogs/intonation/intonation_info_text.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "wave2script/core/syllable_tokens.h"

namespace vtr::w2s {

namespace {

// The tokens as the script writes them; the info box shows a syllable's values in that form.
constexpr std::array<std::string_view, 12> kNoteNames = {"C", "C#", "D", "D#", "E", "F",
                                                         "F#", "G", "G#", "A", "A#", "B"};
struct ValueToken {
  int value;
  std::string_view token;
};
constexpr std::array<ValueToken, 5> kVTokens = {{{0, "V5"}, {-6, "V4"}, {-11, "V3"}, {-18, "V2"}, {-23, "V1"}}};
constexpr std::array<ValueToken, 5> kWTokens = {{{2, "W1"}, {6, "W2"}, {12, "W3"}, {24, "W4"}, {60, "W5"}}};

constexpr int kStandardSpeed = 50;
constexpr int kMinDuration = 20;       // [time units]
constexpr int kLongTokenLength = 400;  // stretched twice by the speed

std::string_view TokenOf(const std::array<ValueToken, 5>& tokens, int value) {
  for (const ValueToken& t : tokens) {
    if (t.value == value) return t.token;
  }
  return {};
}

bool IsPunctuation(const SyllableRecord& r) {
  const std::optional<TokenMatch> m = MatchToken(r.text);
  return m && m->token->punctuation;
}

// The S that makes the syllable last `d`.
int ShownSpeed(const SyllableRecord& r, int d) {
  const int c = r.length == kLongTokenLength ? 2 : 1;
  if (d == kMinDuration && r.length + (kStandardSpeed - r.speed) * c * 20 <= kMinDuration) {
    return std::clamp(r.speed, 0, 99);
  }
  return std::clamp(kStandardSpeed + (r.length - d) / (20 * c), 0, 99);
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
  const bool all_letters = std::all_of(kNoteNames.begin(), kNoteNames.end(), [&](std::string_view name) {
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
  text += TokenOf(kVTokens, record.v_level);
  text += "L" + std::to_string(record.l);
  text += TokenOf(kWTokens, record.w);
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
