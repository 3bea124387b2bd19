#include "outside/emulator/synthesiser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>

#include "engines/events/voice_event.h"
#include "outside/emulator/voices.h"

namespace vtr::emulator {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Vowel resonances of an adult man [Hz]: first, second, third formant.
struct Formants {
  double f1, f2, f3;
};
constexpr Formants kVowelA{800, 1200, 2500};
constexpr Formants kVowelI{300, 2300, 3000};
constexpr Formants kVowelU{350, 1300, 2300};  // the unrounded Japanese u ("M")
constexpr Formants kVowelE{500, 1900, 2500};
constexpr Formants kVowelO{500, 800, 2400};
constexpr Formants kNasalMurmur{250, 1100, 2300};

// How a syllable begins before its vowel.
enum class Onset {
  kNone,
  kPlosive,          // k t p: a short burst, voicing after it
  kVoicedPlosive,    // g d b: a weak voiced burst
  kFricative,        // s S h C f: noise, voicing after it
  kVoicedFricative,  // z dz dZ: noise over voicing
  kAffricate,        // ts tS: a burst gliding into noise
  kNasal,            // m n J: a murmur
  kGlide,            // j w 4: the resonances glide into the vowel
};

struct Syllable {
  bool silent = false;  // the geminate stop or an empty name
  Onset onset = Onset::kNone;
  double noise_hz = 0;  // centre of the consonant noise
  Formants vowel = kVowelA;
  Formants start = kVowelA;  // where the resonances begin (glides and nasals)
  bool syllabic_nasal = false;
};

// Reads a syllable name of the chip's phoneme set ("ka", "k'i", "tSa", "N\", "SOKU", "a").
Syllable ParseSyllable(std::string_view name) {
  Syllable s;
  if (name.empty() || name == "SOKU") {
    s.silent = true;
    return s;
  }
  if (name == "N\\") {
    s.syllabic_nasal = true;
    s.vowel = s.start = kNasalMurmur;
    return s;
  }
  std::size_t vowel_at = name.find_last_of("aiMeo");
  if (vowel_at == std::string_view::npos) {
    s.syllabic_nasal = true;
    s.vowel = s.start = kNasalMurmur;
    return s;
  }
  switch (name[vowel_at]) {
    case 'a':
      s.vowel = kVowelA;
      break;
    case 'i':
      s.vowel = kVowelI;
      break;
    case 'M':
      s.vowel = kVowelU;
      break;
    case 'e':
      s.vowel = kVowelE;
      break;
    default:
      s.vowel = kVowelO;
      break;
  }
  s.start = s.vowel;
  std::string consonant;
  for (char c : name.substr(0, vowel_at)) {
    if (c != '\'') consonant += c;  // palatalisation only colours the glide
  }
  bool palatal = name.substr(0, vowel_at).find('\'') != std::string_view::npos;
  if (palatal) s.start = kVowelI;
  if (consonant.empty()) return s;
  std::string_view c = consonant;
  if (c == "k") {
    s.onset = Onset::kPlosive;
    s.noise_hz = 1800;
  } else if (c == "t") {
    s.onset = Onset::kPlosive;
    s.noise_hz = 4000;
  } else if (c == "p") {
    s.onset = Onset::kPlosive;
    s.noise_hz = 900;
  } else if (c == "g") {
    s.onset = Onset::kVoicedPlosive;
    s.noise_hz = 1600;
  } else if (c == "d") {
    s.onset = Onset::kVoicedPlosive;
    s.noise_hz = 3500;
  } else if (c == "b") {
    s.onset = Onset::kVoicedPlosive;
    s.noise_hz = 800;
  } else if (c == "s") {
    s.onset = Onset::kFricative;
    s.noise_hz = 6000;
  } else if (c == "S") {
    s.onset = Onset::kFricative;
    s.noise_hz = 3200;
  } else if (c == "h" || c == "C") {
    s.onset = Onset::kFricative;
    s.noise_hz = c == "h" ? 1500 : 3500;
  } else if (c == "p\\") {
    s.onset = Onset::kFricative;
    s.noise_hz = 1200;
  } else if (c == "z" || c == "dz") {
    s.onset = Onset::kVoicedFricative;
    s.noise_hz = 5500;
  } else if (c == "dZ") {
    s.onset = Onset::kVoicedFricative;
    s.noise_hz = 3000;
  } else if (c == "ts") {
    s.onset = Onset::kAffricate;
    s.noise_hz = 5500;
  } else if (c == "tS") {
    s.onset = Onset::kAffricate;
    s.noise_hz = 3300;
  } else if (c == "m" || c == "n" || c == "J") {
    s.onset = Onset::kNasal;
    s.start = kNasalMurmur;
  } else if (c == "j") {
    s.onset = Onset::kGlide;
    s.start = kVowelI;
  } else if (c == "w") {
    s.onset = Onset::kGlide;
    s.start = kVowelU;
  } else if (c == "4") {
    s.onset = Onset::kGlide;
    s.start = kVowelE;
  } else {
    s.onset = Onset::kPlosive;
    s.noise_hz = 2500;
  }
  return s;
}

// A two-pole resonator (band pass); retuned every few samples, since its coefficients cost an
// exponential and a cosine.
class Resonator {
 public:
  void Tune(double hz, double bandwidth_hz, double fs) {
    hz = std::clamp(hz, 50.0, fs * 0.45);
    double r = std::exp(-std::numbers::pi * bandwidth_hz / fs);
    gain_ = 1.0 - r;
    c1_ = 2.0 * r * std::cos(kTwoPi * hz / fs);
    c2_ = r * r;
  }
  double Run(double in) {
    double out = gain_ * in + c1_ * y1_ - c2_ * y2_;
    y2_ = y1_;
    y1_ = out;
    return out;
  }

 private:
  double gain_ = 0, c1_ = 0, c2_ = 0;
  double y1_ = 0, y2_ = 0;
};

// Samples between two updates of pitch and resonances (0.5 ms at 32000 Hz).
constexpr std::size_t kControlPeriod = 16;

// A small deterministic noise source, so that renders repeat exactly.
class Noise {
 public:
  double Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
  }

 private:
  std::uint32_t state_ = 22222u;
};

// The value of a 0..127 position contour at `position` (0..1).
template <typename Point, typename Value>
double ContourAt(std::span<const Point> points, double position, double fallback, Value value) {
  if (points.empty()) return fallback;
  double p = position * events::kLastPosition;
  if (p <= points.front().position) return value(points.front());
  for (std::size_t i = 1; i < points.size(); ++i) {
    if (p <= points[i].position) {
      double span = points[i].position - points[i - 1].position;
      double t = span > 0 ? (p - points[i - 1].position) / span : 1.0;
      return value(points[i - 1]) + t * (value(points[i]) - value(points[i - 1]));
    }
  }
  return value(points.back());
}

double PolyBlep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

Formants Mix(const Formants& a, const Formants& b, double t) {
  return {a.f1 + (b.f1 - a.f1) * t, a.f2 + (b.f2 - a.f2) * t, a.f3 + (b.f3 - a.f3) * t};
}

// Renders one syllable into `out` (added to what is there).
void RenderSyllable(const events::EventRecord& note, const VoiceProfile& voice, int voice_index,
                    double fs, std::span<double> out, Noise& noise) {
  std::string_view name(reinterpret_cast<const char*>(note.text.data()), note.text.size());
  Syllable syllable = ParseSyllable(name);
  if (syllable.silent || out.empty()) return;
  const double length = static_cast<double>(out.size());
  const double base_note = SyllableNote(note.value, voice_index);
  const double velocity = note.velocity / 127.0;
  // The onset takes at most 40% of the syllable.
  double onset_ms = 0;
  switch (syllable.onset) {
    case Onset::kPlosive:
      onset_ms = 25;
      break;
    case Onset::kVoicedPlosive:
      onset_ms = 20;
      break;
    case Onset::kFricative:
      onset_ms = 70;
      break;
    case Onset::kVoicedFricative:
    case Onset::kAffricate:
      onset_ms = 55;
      break;
    case Onset::kNasal:
      onset_ms = 50;
      break;
    case Onset::kGlide:
      onset_ms = 60;
      break;
    case Onset::kNone:
      break;
  }
  const double onset = std::min(onset_ms * fs / 1000.0, 0.4 * length);
  const double attack = std::min(0.008 * fs, length / 4);
  const double release = std::min(0.025 * fs, length / 4);
  const bool flat_pitch = voice.timbre == Timbre::kRobot;
  const double bend_span = note.bend_range;

  Resonator r1, r2, r3, rn, rnoise;
  double phase = 0;
  double jitter = 1.0;
  double pitch_hz = 0;
  double volume_contour = 1.0;
  const double scale = voice.formant_scale;
  const double bw = syllable.syllabic_nasal ? 120 : 90;
  double noise_hz = syllable.noise_hz;
  double noise_bw = 1500;
  if (voice.timbre == Timbre::kLisp && noise_hz > 2500) {
    noise_hz = 2000;  // a lisped s: lower and broader
    noise_bw = 3000;
  }
  rn.Tune(260 * scale, 60, fs);
  if (noise_hz > 0) rnoise.Tune(noise_hz * std::sqrt(scale), noise_bw, fs);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double t = static_cast<double>(i);
    const double position = t / length;
    if (i % kControlPeriod == 0) {
      const double seconds = t / fs;
      // Pitch: the note, its bend contour, and the voice's own movement.
      double semitones = 0;
      if (!flat_pitch) {
        semitones = ContourAt<events::PitchPoint>(note.pitch, position, 0.0, [&](const auto& p) {
          return (static_cast<double>(p.bend) - events::kNoBend) / events::kNoBend * bend_span;
        });
        if (voice.timbre == Timbre::kWitch) semitones += 0.6 * std::sin(kTwoPi * 6.0 * seconds);
        if (voice.timbre == Timbre::kUnderWater) {
          semitones += 0.4 * std::sin(kTwoPi * 3.0 * seconds);
        }
      }
      pitch_hz = NoteFrequency(base_note + semitones);
      volume_contour =
          ContourAt<events::VolumePoint>(note.volume, position, 127.0,
                                         [](const auto& p) { return double(p.value); }) /
          127.0;
      // Resonances glide from the onset's place to the vowel.
      double glide = onset > 0 ? std::clamp((t - onset * 0.5) / (onset * 1.5), 0.0, 1.0) : 1.0;
      Formants f = Mix(syllable.start, syllable.vowel, glide);
      r1.Tune(f.f1 * scale, bw, fs);
      r2.Tune(f.f2 * scale, bw * 1.2, fs);
      r3.Tune(f.f3 * scale, bw * 1.5, fs);
    }
    const double f0 = pitch_hz * jitter;
    const double dt = std::min(f0 / fs, 0.5);
    phase += dt;
    if (phase >= 1.0) {
      phase -= 1.0;
      if (voice.timbre == Timbre::kGravel) jitter = 1.0 + 0.04 * noise.Next();
    }
    // Voice source.
    double source;
    if (voice.timbre == Timbre::kRobot) {
      source = phase < 0.5 ? 0.6 : -0.6;
    } else {
      source = (2.0 * phase - 1.0) - PolyBlep(phase, dt);
      source = -source;  // falling edge first, like a glottal closure
    }
    double breath = voice.breathiness * noise.Next();

    // Envelope: attack, release, velocity, volume points.
    double envelope =
        std::min({1.0, t / std::max(attack, 1.0), (length - t) / std::max(release, 1.0)});
    envelope *= velocity * volume_contour;

    double voiced_gain = 1.0;
    double consonant = 0.0;
    if (t < onset) {
      double in_onset = t / onset;
      switch (syllable.onset) {
        case Onset::kPlosive:
          voiced_gain = 0.0;
          consonant = in_onset < 0.5 ? 0.0 : 1.2;  // closure, then burst
          break;
        case Onset::kVoicedPlosive:
          voiced_gain = 0.25;
          consonant = in_onset < 0.5 ? 0.0 : 0.8;
          break;
        case Onset::kFricative:
          voiced_gain = 0.0;
          consonant = 0.9;
          break;
        case Onset::kVoicedFricative:
          voiced_gain = 0.35;
          consonant = 0.6;
          break;
        case Onset::kAffricate:
          voiced_gain = 0.0;
          consonant = in_onset < 0.3 ? 0.0 : 1.0;
          break;
        case Onset::kNasal:
          voiced_gain = 0.45;
          break;
        case Onset::kGlide:
        case Onset::kNone:
          break;
      }
    }
    double excitation = (source * (1.0 - voice.breathiness) + breath) * voiced_gain;
    double sample;
    if (voice.timbre == Timbre::kSynth) {
      sample = 0.5 * source * voiced_gain;
    } else {
      double f1_gain = voice.timbre == Timbre::kNasal ? 0.4 : 1.0;
      sample =
          f1_gain * r1.Run(excitation) * 3.0 + r2.Run(excitation) * 2.0 + r3.Run(excitation) * 1.2;
      if (voice.timbre == Timbre::kNasal || syllable.syllabic_nasal) {
        sample += rn.Run(excitation) * 3.0;
      }
    }
    if (consonant > 0) sample += consonant * rnoise.Run(noise.Next()) * 2.5;
    out[i] += sample * envelope;
  }
}

// Colouring that acts on the whole phrase.
void ApplyTimbre(const VoiceProfile& voice, double fs, std::span<double> out) {
  double low = 0, high_in = 0, high_out = 0;
  const double a_high_300 = std::exp(-kTwoPi * 300.0 / fs);
  const double a_low_3400 = 1.0 - std::exp(-kTwoPi * 3400.0 / fs);
  const double a_low_700 = 1.0 - std::exp(-kTwoPi * 700.0 / fs);
  const double a_low_2500 = 1.0 - std::exp(-kTwoPi * 2500.0 / fs);
  for (std::size_t i = 0; i < out.size(); ++i) {
    double x = out[i];
    double seconds = static_cast<double>(i) / fs;
    switch (voice.timbre) {
      case Timbre::kRadio: {
        // 300 Hz high pass, 3400 Hz low pass, a little drive.
        high_out = a_high_300 * (high_out + x - high_in);
        high_in = x;
        low += a_low_3400 * (high_out - low);
        x = std::tanh(2.0 * low) * 0.8;
        break;
      }
      case Timbre::kUnderWater: {
        low += a_low_700 * (x - low);
        x = low * (0.75 + 0.25 * std::sin(kTwoPi * 4.0 * seconds)) * 1.6;
        break;
      }
      case Timbre::kAlien:
        x = x * (0.35 + 0.65 * std::sin(kTwoPi * 310.0 * seconds));
        break;
      case Timbre::kSynth: {
        low += a_low_2500 * (x - low);
        x = low;
        break;
      }
      default:
        break;
    }
    out[i] = x;
  }
}

}  // namespace

double NoteFrequency(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

int SyllableNote(int note_byte, int voice) {
  if (note_byte >= 0 && note_byte < events::kUnpitchedNote) return note_byte;
  return VoiceOf(voice).speaking_note;
}

std::size_t PhraseSamples(std::span<const events::EventRecord> records, int sample_rate) {
  std::uint64_t ticks = 0;
  for (const events::EventRecord& record : records) ticks += record.delta;
  return static_cast<std::size_t>(ticks * kTickMs * static_cast<std::uint64_t>(sample_rate) / 1000);
}

std::vector<std::int16_t> Synthesise(std::span<const events::EventRecord> records,
                                     SynthSettings settings, int sample_rate) {
  const std::size_t total = PhraseSamples(records, sample_rate);
  std::vector<double> mix(total, 0.0);
  const double fs = sample_rate;
  int voice = settings.voice >= 0 && settings.voice < kVoiceCount ? settings.voice : 0;
  Noise noise;
  std::uint64_t tick = 0;
  for (const events::EventRecord& record : records) {
    tick += record.delta;
    if (record.kind == events::RecordKind::kProgram && record.value < kVoiceCount) {
      voice = record.value;
      continue;
    }
    if (record.kind != events::RecordKind::kNote) continue;
    std::size_t begin = static_cast<std::size_t>(tick * kTickMs * sample_rate / 1000);
    std::size_t end =
        static_cast<std::size_t>((tick + record.duration) * kTickMs * sample_rate / 1000);
    begin = std::min(begin, total);
    end = std::min(end, total);
    RenderSyllable(record, VoiceOf(voice), voice, fs, std::span(mix).subspan(begin, end - begin),
                   noise);
  }
  ApplyTimbre(VoiceOf(voice), fs, mix);
  const double gain = std::clamp(settings.volume, 0, 127) / 127.0 * 0.45 * 32767.0;
  std::vector<std::int16_t> pcm(total);
  for (std::size_t i = 0; i < total; ++i) {
    pcm[i] = static_cast<std::int16_t>(std::lround(std::tanh(mix[i]) * gain));
  }
  return pcm;
}

}  // namespace vtr::emulator
