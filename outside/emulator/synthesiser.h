// Turns a phrase of voice events into sound: every note event is one syllable, sung at its
// note (or spoken at the voice's speaking pitch when unpitched) along its pitch-bend contour,
// shaped by its velocity and volume points, with a short consonant onset before a vowel made
// by formant synthesis.
//
// Times: event deltas and durations count ticks of 20 ms, so a phrase lasts exactly the sum
// of its deltas, which is what the play-time counter measures.
//
//   std::vector<events::EventRecord> records = ...;  // from the converters
//   std::vector<int16_t> pcm = Synthesise(records, {.voice = 3, .volume = 100}, 32000);
#ifndef VTR_OUTSIDE_EMULATOR_SYNTHESISER_H_
#define VTR_OUTSIDE_EMULATOR_SYNTHESISER_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engines/events/stream_reader.h"

namespace vtr::emulator {

inline constexpr int kTickMs = 20;  // one time unit of the event stream [ms]

struct SynthSettings {
  int voice = 0;     // 0..15; anything else plays voice 0
  int volume = 127;  // 0..127, the chip's master volume
};

// Length of the phrase [samples at `sample_rate`]: the sum of all deltas, in ticks.
[[nodiscard]] std::size_t PhraseSamples(std::span<const events::EventRecord> records,
                                        int sample_rate);

// Renders the phrase. Program events 0..15 inside the phrase change the voice for the notes
// that follow. The result has exactly PhraseSamples() samples.
[[nodiscard]] std::vector<std::int16_t> Synthesise(std::span<const events::EventRecord> records,
                                                   SynthSettings settings, int sample_rate);

// Frequency of MIDI note `note` [Hz] (69 = 440 Hz).
[[nodiscard]] double NoteFrequency(double note);

// The note a syllable is voiced at before its bend: its own note, or the voice's speaking
// note when it is unpitched (128).
[[nodiscard]] int SyllableNote(int note_byte, int voice);

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_SYNTHESISER_H_
