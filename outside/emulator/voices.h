// The sixteen voices of the stand-in sound chip, in the order of the program's voice menu:
// man, woman, young man, young woman, boy, girl, radio DJ (man), radio DJ (woman),
// hard-boiled, witch, stuffy nose, lisp, under water, alien, robot, synthesiser.
#ifndef VTR_OUTSIDE_EMULATOR_VOICES_H_
#define VTR_OUTSIDE_EMULATOR_VOICES_H_

#include <array>

namespace vtr::emulator {

// How a voice colours the sound beyond pitch and formants.
enum class Timbre {
  kPlain,       // a human voice
  kRadio,       // telephone-band filtered, slightly driven
  kGravel,      // irregular periods, rough
  kWitch,       // wide vibrato, airy
  kNasal,       // a strong nasal resonance, weak first formant
  kLisp,        // hissing consonants turned soft
  kUnderWater,  // muffled and wobbling
  kAlien,       // ring-modulated
  kRobot,       // square source, flat pitch
  kSynth,       // a bare sawtooth without vowel resonances
};

struct VoiceProfile {
  int speaking_note;     // MIDI note of an unpitched (spoken) syllable
  double formant_scale;  // vowel resonances relative to an adult man's
  double breathiness;    // share of noise in the voice source (0..1)
  Timbre timbre;
};

inline constexpr int kVoiceCount = 16;

inline constexpr std::array<VoiceProfile, kVoiceCount> kVoices = {{
    {48, 1.00, 0.03, Timbre::kPlain},       // man
    {57, 1.17, 0.06, Timbre::kPlain},       // woman
    {51, 1.05, 0.04, Timbre::kPlain},       // young man
    {61, 1.22, 0.08, Timbre::kPlain},       // young woman
    {63, 1.30, 0.05, Timbre::kPlain},       // boy
    {66, 1.36, 0.07, Timbre::kPlain},       // girl
    {46, 0.97, 0.02, Timbre::kRadio},       // radio DJ (man)
    {56, 1.15, 0.04, Timbre::kRadio},       // radio DJ (woman)
    {43, 0.92, 0.15, Timbre::kGravel},      // hard-boiled
    {68, 1.10, 0.30, Timbre::kWitch},       // witch
    {50, 1.02, 0.04, Timbre::kNasal},       // stuffy nose
    {55, 1.12, 0.05, Timbre::kLisp},        // lisp
    {52, 1.00, 0.05, Timbre::kUnderWater},  // under water
    {64, 1.45, 0.02, Timbre::kAlien},       // alien
    {48, 1.00, 0.00, Timbre::kRobot},       // robot
    {60, 1.00, 0.00, Timbre::kSynth},       // synthesiser
}};

// The voice of a chip voice number: 0..15 as they stand, anything else the first voice.
inline const VoiceProfile& VoiceOf(int voice) {
  return kVoices[voice >= 0 && voice < kVoiceCount ? voice : 0];
}

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_VOICES_H_
