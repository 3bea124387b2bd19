#include "engines/wtp/testing/speech_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string_view>

#include "engines/wtp/phoneme_tables.h"
#include "engines/wtp/testing/band_pass.h"

namespace vtr::wtp::testing {
namespace {

constexpr double kPi = std::numbers::pi;

// Rendering.
constexpr double kBlockSec = 0.001;         // the parameters change every millisecond
constexpr double kFormantGlideSec = 0.025;  // formant transitions between phonemes (sec)
constexpr double kLevelGlideSec = 0.005;    // amplitude ramps (sec)
constexpr double kSpeechPeak = 12000;       // loudest sample of the clean speech
constexpr double kFloorRms = 8;             // microphone noise under everything
constexpr double kOpenQuotient = 0.6;       // open part of a glottal cycle
constexpr double kJitter = 0.008;           // period-to-period spread of the pitch
constexpr double kShimmer = 0.05;           // period-to-period spread of the amplitude

// Levels of the sounds [dB] relative to the vowel "a" of the same voice.
constexpr double kNasalDb = -10;
constexpr double kVoiceBarDb = -25;
constexpr double kFlapDb = -7;
constexpr double kAspirationDb = -17;
constexpr double kWhisperDb = -19;  // a vowel that lost its voice
constexpr double kBreathDb = -28;
constexpr double kFadeDb = -8;  // the end of a phrase's last vowel, breathier

constexpr int kBabbleTalkers = 6;

// Five formants and their bandwidths [Hz].
struct Tract {
  std::array<double, 5> f;
  std::array<double, 5> b;
};

// Vowel targets of a man's voice.
Tract VowelTract(char v) {
  switch (v) {
    case 'a':
      return {{750, 1220, 2600, 3500, 4500}, {90, 110, 160, 250, 300}};
    case 'i':
      return {{300, 2250, 3000, 3700, 4600}, {60, 120, 200, 250, 300}};
    case 'M':
      return {{350, 1350, 2400, 3500, 4500}, {70, 120, 170, 250, 300}};
    case 'e':
      return {{480, 1900, 2550, 3600, 4500}, {70, 110, 170, 250, 300}};
    default:
      return {{470, 850, 2500, 3500, 4500}, {80, 100, 160, 250, 300}};  // o
  }
}

double VowelDb(char v) {
  switch (v) {
    case 'a':
      return 0;
    case 'e':
    case 'o':
      return -1;
    case 'i':
      return -3;
    default:
      return -4;  // M
  }
}

enum class Kind {
  kVowel,
  kNasal,
  kFlap,
  kGlide,
  kFricative,
  kVoicedFricative,
  kStop,
  kVoicedStop,
  kAffricate,
  kVoicedAffricate,
  kPause,
};

Kind KindOf(std::string_view p) {
  if (p == " ") return Kind::kPause;
  if (p.size() == 1 && std::string_view("aiMeo").find(p[0]) != std::string_view::npos)
    return Kind::kVowel;
  if (p == "N\\" || p[0] == 'n' || p[0] == 'm' || p[0] == 'N' || p[0] == 'J') return Kind::kNasal;
  if (p[0] == '4') return Kind::kFlap;
  if (p[0] == 'j' || p[0] == 'w') return Kind::kGlide;
  if (p == "ts" || p == "tS") return Kind::kAffricate;
  if (p == "dz" || p == "dZ") return Kind::kVoicedAffricate;
  if (p[0] == 'p' && p.size() >= 2 && p[1] == '\\') return Kind::kFricative;
  if (p[0] == 'k' || p[0] == 't' || p[0] == 'p') return Kind::kStop;
  if (p[0] == 'b' || p[0] == 'd' || p[0] == 'g') return Kind::kVoicedStop;
  if (p[0] == 'z' || p[0] == 'Z') return Kind::kVoicedFricative;
  return Kind::kFricative;  // s S h C
}

bool IsVoiceless(std::string_view p) {
  const Kind k = KindOf(p);
  return k == Kind::kStop || k == Kind::kAffricate || k == Kind::kFricative;
}

// Noise band of a fricative, an affricate's release or a stop's burst: centre and width [Hz].
struct Band {
  double hz;
  double width;
};

Band NoiseBand(std::string_view c) {
  if (c[0] == 's' || c == "ts" || c[0] == 'z' || c == "dz") return {5800, 3000};
  if (c[0] == 'S' || c == "tS" || c[0] == 'Z' || c == "dZ") return {3600, 2200};
  if (c[0] == 'C') return {3300, 1500};
  if (c[0] == 'p') return c.size() >= 2 && c[1] == '\\' ? Band{1400, 3000} : Band{1000, 1500};
  if (c[0] == 't') return {4500, 3000};
  if (c[0] == 'k' || c[0] == 'g')
    return c.size() >= 2 && c[1] == '\'' ? Band{3000, 1500} : Band{2000, 1200};
  if (c[0] == 'd') return {4200, 3000};
  if (c[0] == 'b') return {1000, 1500};
  return {2000, 3000};
}

// Level of a fricative's noise [dB] relative to the vowel "a".
double FricativeDb(std::string_view c) {
  if (c[0] == 's' || c == "ts") return -10;
  if (c[0] == 'S' || c == "tS") return -8;
  if (c[0] == 'C') return -14;
  if (c[0] == 'p') return -22;
  return -15;  // the noise of z, Z, dz, dZ
}

double BurstDb(std::string_view c) {
  if (c[0] == 't') return -6;
  if (c[0] == 'k') return -8;
  if (c[0] == 'p') return -14;
  return -16;  // voiced stops
}

// Aspiration after a voiceless stop (sec).
double VoiceOnsetSec(std::string_view c) {
  if (c[0] == 'k') return 0.035;
  if (c[0] == 't') return 0.02;
  return 0.015;
}

// A nasal murmur: a low first formant, weak upper formants and a zero by place.
Tract NasalTract(std::string_view n, double& zero_hz) {
  double f2 = 2000;
  zero_hz = 2900;  // velar and uvular: the moraic nasal
  if (n[0] == 'm') {
    f2 = 1100;
    zero_hz = 1000;
  } else if (n[0] == 'n') {
    f2 = 1550;
    zero_hz = 1700;
  } else if (n[0] == 'J') {
    f2 = 2050;
    zero_hz = 2300;
  }
  return {{260, f2, 2500, 3400, 4400}, {80, 250, 300, 300, 300}};
}

// Parameters of the source and the tract for one millisecond.
struct Params {
  Tract tract = VowelTract('a');
  double av = 0;     // voicing into the tract
  double ah = 0;     // aspiration noise into the tract
  double af = 0;     // frication noise beside the tract (band-passed)
  double gain = 1;   // tract output
  double nasal = 0;  // 0..1: how much of the anti-resonance is in the path
  double zero_hz = 1000;
  Band band{4000, 2000};
  bool voiced = false;  // the truth's voicing, for the f0 track
};

struct Segment {
  double start;
  double end;
  Params p;
};

// Klatt's resonator: unity gain at 0 Hz.
class Resonator {
 public:
  void Set(double hz, double bandwidth, double rate) {
    hz = std::min(hz, 0.45 * rate);
    c_ = -std::exp(-2 * kPi * bandwidth / rate);
    b_ = 2 * std::exp(-kPi * bandwidth / rate) * std::cos(2 * kPi * hz / rate);
    a_ = 1 - b_ - c_;
  }
  double Run(double x) {
    const double y = a_ * x + b_ * y1_ + c_ * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }
  // The inverse filter: a zero pair.
  double RunZero(double x) {
    const double y = (x - b_ * x1_ - c_ * x2_) / a_;
    x2_ = x1_;
    x1_ = x;
    return y;
  }

 private:
  double a_ = 1, b_ = 0, c_ = 0, y1_ = 0, y2_ = 0, x1_ = 0, x2_ = 0;
};

// The source, the cascade tract and the frication branch, run sample by sample.
class Voice {
 public:
  Voice(int rate, const SynthVoice& voice, uint32_t seed)
      : rate_(rate), voice_(voice), random_(seed) {
    tilt_ = 0.2 + 0.5 * std::clamp(voice.breathiness, 0.0, 1.0);
  }

  void SetParams(const Params& p) {
    for (size_t k = 0; k < 5; ++k) formant_[k].Set(p.tract.f[k], p.tract.b[k], rate_);
    zero_.Set(p.zero_hz, 120, rate_);
    band_.Set(p.band.hz, p.band.width, rate_);
    p_ = p;
  }

  // One sample at pitch `f0`.
  double Next(double f0) {
    phase_ += f0 * period_scale_ / rate_;
    if (phase_ >= 1) {
      phase_ -= 1;
      period_scale_ = 1 / (1 + kJitter * Gauss());
      pulse_gain_ = 1 + kShimmer * Gauss();
    }
    // The derivative of a polynomial glottal flow: smooth opening, abrupt closure.
    double source = 0;
    if (phase_ < kOpenQuotient) {
      const double x = phase_ / kOpenQuotient;
      source = (2 * x - 3 * x * x) * pulse_gain_;
    }
    tilted_ = (1 - tilt_) * source + tilt_ * tilted_;
    // One noise feeds the breath in the voice, the aspiration and the frication.
    const double noise = Gauss();
    const double breath = voice_.breathiness * 0.25 * noise * (phase_ < kOpenQuotient ? 1.0 : 0.3);
    double x = p_.av * (tilted_ + breath) + p_.ah * noise;
    x += p_.nasal * (zero_.RunZero(x) - x);
    for (Resonator& r : formant_) x = r.Run(x);
    return p_.gain * x + (p_.af > 0 ? p_.af * band_.Run(noise) : 0.0);
  }

  double Gauss() { return gauss_(random_); }

 private:
  int rate_;
  SynthVoice voice_;
  std::mt19937 random_;
  std::normal_distribution<double> gauss_{0.0, 1.0};
  std::array<Resonator, 5> formant_;
  Resonator zero_;
  BandPass band_;
  Params p_;
  double phase_ = 0, period_scale_ = 1, pulse_gain_ = 1, tilt_ = 0.3, tilted_ = 0;
};

// RMS of a steady sound (after its onset), to set levels relative to the vowel "a".
double SteadyRms(int rate, const SynthVoice& voice, const Params& p) {
  Voice v(rate, voice, 99);
  v.SetParams(p);
  double sum = 0;
  const int onset = rate / 20, count = rate / 10;
  for (int i = 0; i < onset + count; ++i) {
    const double y = v.Next(voice.f0_hz);
    if (i >= onset) sum += y * y;
  }
  return std::sqrt(sum / count);
}

double FromDb(double db) { return std::pow(10.0, db / 20); }

// Splits a syllable symbol into its consonant part and its vowel (last character when it is a
// vowel).
void SplitSyllable(const std::string& symbol, std::string& consonant, std::string& vowel) {
  consonant.clear();
  vowel.clear();
  if (symbol == " " || symbol == "N\\") {
    vowel = symbol;
    return;
  }
  vowel = symbol.substr(symbol.size() - 1);
  consonant = symbol.substr(0, symbol.size() - 1);
}

// Builds the segments of one utterance and the truth.
class Score {
 public:
  Score(int rate, const SynthVoice& voice, uint32_t seed) : voice_(voice), random_(seed) {
    for (auto& shift : vowel_shift_) {
      for (double& x : shift) {
        x = voice.vowel_spread * std::normal_distribution<double>(0, 1)(random_);
      }
    }
    Params a;
    a.tract = Scaled(VowelTract('a'));
    a.av = 1;
    vowel_rms_ = SteadyRms(rate, voice, a);
    Params whisper = a;
    whisper.av = 0;
    whisper.ah = 1;
    aspiration_rms_ = SteadyRms(rate, voice, whisper);
    Params nasal;
    nasal.tract = Scaled(NasalTract("n", nasal.zero_hz));
    nasal.zero_hz *= voice.formant_scale;
    nasal.av = 1;
    nasal.nasal = 1;
    nasal_rms_ = SteadyRms(rate, voice, nasal);
    Params bar = VoiceBar();
    bar.gain = 1;
    voice_bar_rms_ = SteadyRms(rate, voice, bar);
  }

  double Uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random_);
  }

  // The tract of the speaker, with a little token-to-token variation.
  Tract Scaled(Tract t) {
    for (size_t k = 0; k < 5; ++k) t.f[k] *= voice_.formant_scale;
    return t;
  }
  // A vowel of this speaker: the speaker's own shift of its formants, and a little variation
  // from token to token.
  Tract Token(char vowel) {
    Tract t = Scaled(VowelTract(vowel));
    const std::array<double, 3>& shift = vowel_shift_[std::string_view("aiMeo").find(vowel) % 5];
    for (size_t k = 0; k < 3; ++k) {
      t.f[k] *= (1 + shift[k]) * (1 + 0.04 * std::normal_distribution<double>(0, 1)(random_));
    }
    return t;
  }

  void Add(double sec, const Params& p) {
    if (sec <= 0) return;
    segments_.push_back({now_, now_ + sec, p});
    now_ += sec;
  }
  void Truth(const std::string& name, double start, bool in_text) {
    phonemes_.push_back({name, start, now_, in_text});
  }

  Params VoiceBar() const {
    Params p;
    p.tract = {{180, 1200, 2500, 3500, 4500}, {120, 600, 800, 800, 800}};
    p.av = 1;
    p.gain = voice_bar_rms_ > 0 ? vowel_rms_ * FromDb(kVoiceBarDb) / voice_bar_rms_ : 1;
    return p;
  }

  void Pause(double sec, bool in_text) {
    const double start = now_;
    Params silent;
    silent.tract = Scaled(VowelTract('e'));
    if (sec >= 0.3 && Uniform(0, 1) < voice_.breath_chance) {
      Params breath = silent;
      breath.ah = vowel_rms_ * FromDb(kBreathDb) / aspiration_rms_;
      Add(sec * 0.25, silent);
      Add(sec * 0.45, breath);
      Add(sec * 0.3, silent);
    } else {
      Add(sec, silent);
    }
    Truth(" ", start, in_text);
  }

  // A consonant of `sec` before the vowel whose tract is `next`; `after_vowel` when it follows a
  // vowel without a pause (voiced stops then often lose their burst).
  void Consonant(const std::string& c, double sec, const Tract& next, bool after_vowel) {
    const double start = now_;
    const Kind kind = KindOf(c);
    Params p;
    p.tract = next;
    switch (kind) {
      case Kind::kStop: {
        const double burst = Uniform(0.006, 0.01);
        const double vot = std::min(VoiceOnsetSec(c) * Uniform(0.8, 1.25), 0.4 * sec);
        Add(sec - burst - vot, p);  // closure
        Params b = p;
        b.af = vowel_rms_ * FromDb(BurstDb(c));
        b.band = NoiseBand(c);
        Add(burst, b);
        Params h = p;
        h.tract.f[0] *= 0.6;
        h.ah = vowel_rms_ * FromDb(kAspirationDb) / aspiration_rms_;
        Add(vot, h);
        break;
      }
      case Kind::kVoicedStop: {
        if (after_vowel && Uniform(0, 1) < 0.5) {
          // Lenited: a weak voiced constriction without a burst.
          Params weak = p;
          weak.tract.f[0] = 250 * voice_.formant_scale;
          weak.av = 1;
          weak.gain = FromDb(-14);
          weak.voiced = true;
          Add(sec, weak);
          break;
        }
        const double burst = 0.005;
        Params bar = VoiceBar();
        Add(sec - burst, bar);
        Params b = p;
        b.af = vowel_rms_ * FromDb(BurstDb(c));
        b.band = NoiseBand(c);
        b.av = 0.5;
        b.gain = bar.gain;
        Add(burst, b);
        break;
      }
      case Kind::kAffricate:
      case Kind::kVoicedAffricate: {
        Params closure = kind == Kind::kVoicedAffricate ? VoiceBar() : p;
        Add(sec * 0.35, closure);
        Params f = p;
        f.af = vowel_rms_ * FromDb(FricativeDb(c));
        f.band = NoiseBand(c);
        if (kind == Kind::kVoicedAffricate) {
          f.av = 1;
          f.gain = FromDb(-12);
          f.voiced = true;
        }
        Add(sec * 0.65, f);
        break;
      }
      case Kind::kFricative:
      case Kind::kVoicedFricative: {
        if (c == "h") {
          p.ah = vowel_rms_ * FromDb(kAspirationDb + 2) / aspiration_rms_;
        } else {
          p.af = vowel_rms_ * FromDb(FricativeDb(c));
          p.band = NoiseBand(c);
          if (c[0] == 'p') p.ah = vowel_rms_ * FromDb(-26) / aspiration_rms_;
        }
        if (kind == Kind::kVoicedFricative) {
          p.av = 1;
          p.gain = FromDb(-12);
          p.voiced = true;
        }
        Add(sec, p);
        break;
      }
      case Kind::kNasal: {
        Nasal(c, sec);
        break;
      }
      case Kind::kFlap: {
        p.tract.f[0] = 350 * voice_.formant_scale;
        p.tract.f[1] = 0.5 * (1500 * voice_.formant_scale + next.f[1]);
        p.av = 1;
        p.gain = FromDb(kFlapDb);
        p.voiced = true;
        Add(sec, p);
        break;
      }
      case Kind::kGlide: {
        p.tract =
            Scaled(c[0] == 'j' ? Tract{{300, 2200, 3000, 3600, 4500}, {60, 120, 200, 250, 300}}
                               : Tract{{350, 750, 2300, 3400, 4400}, {70, 100, 160, 250, 300}});
        p.av = 1;
        p.gain = FromDb(-2);
        p.voiced = true;
        Add(sec, p);
        break;
      }
      default:
        Add(sec, p);
        break;
    }
    Truth(c, start, true);
  }

  void Nasal(const std::string& n, double sec) {
    Params p;
    p.tract = Scaled(NasalTract(n, p.zero_hz));
    p.zero_hz *= voice_.formant_scale;
    p.av = 1;
    p.nasal = 1;
    p.gain = vowel_rms_ * FromDb(kNasalDb) / nasal_rms_;
    p.voiced = true;
    Add(sec, p);
  }

  // `fade`: the last vowel of a phrase, whose end grows weaker and breathier.
  void Vowel(char v, double sec, const Tract& tract, bool devoiced, double db, bool fade) {
    const double start = now_;
    Params p;
    p.tract = tract;
    if (devoiced) {
      p.ah = vowel_rms_ * FromDb(kWhisperDb + db) / aspiration_rms_;
    } else {
      p.av = 1;
      p.gain = FromDb(VowelDb(v) + db);
      p.voiced = true;
    }
    if (fade && !devoiced) {
      Add(sec * 0.6, p);
      p.gain *= FromDb(kFadeDb);
      p.ah = vowel_rms_ * FromDb(kAspirationDb + kFadeDb + db) / aspiration_rms_;
      Add(sec * 0.4, p);
    } else {
      Add(sec, p);
    }
    Truth(std::string(1, v), start, true);
  }

  void MoraicNasal(double sec) {
    const double start = now_;
    Nasal("N\\", sec);
    Truth("N\\", start, true);
  }

  double now() const { return now_; }
  const std::vector<Segment>& segments() const { return segments_; }
  std::vector<SynthPhoneme>& phonemes() { return phonemes_; }
  std::mt19937& random() { return random_; }

 private:
  SynthVoice voice_;
  std::mt19937 random_;
  double vowel_rms_ = 1, aspiration_rms_ = 1, nasal_rms_ = 1, voice_bar_rms_ = 1;
  std::array<std::array<double, 3>, 5> vowel_shift_{};  // of F1..F3 per vowel (a, i, M, e, o)
  double now_ = 0;
  std::vector<Segment> segments_;
  std::vector<SynthPhoneme> phonemes_;
};

// Pitch targets [semitones above the voice's f0] at the middle of every syllable: a fall
// through each phrase, accent phrases that rise after their first mora and fall after their
// accent, a lower phrase end.
std::vector<std::pair<double, double>> PitchTargets(const SynthScript& script,
                                                    const std::vector<double>& starts,
                                                    const std::vector<double>& ends,
                                                    const SynthVoice& voice, std::mt19937& random) {
  std::vector<std::pair<double, double>> targets;
  double phrase_start = -1;
  int mora = 0, length = 0, kernel = 0;
  // A geminate's short closure does not end the phrase.
  auto phrase_break = [&](size_t k) {
    return script[k].symbol == " " && script[k].vowel_sec >= 0.12;
  };
  for (size_t k = 0; k < script.size(); ++k) {
    if (script[k].symbol == " ") {
      if (phrase_break(k)) phrase_start = -1;
      continue;
    }
    if (phrase_start < 0) {
      phrase_start = starts[k];
      mora = length = 0;
    }
    if (mora == length) {
      mora = 0;
      length = 2 + static_cast<int>(random() % 4);
      kernel = static_cast<int>(random() % static_cast<unsigned>(length + 1));
    }
    double st = 0;
    if (mora == 0 && kernel != 1) {
      st = -1;
    } else if (kernel == 0 || mora < kernel) {
      st = 2;
    } else {
      st = -1.5;
    }
    st *= voice.pitch_range;
    const bool phrase_end = k + 1 == script.size() || phrase_break(k + 1);
    const double middle = 0.5 * (starts[k] + ends[k]);
    st += -2.5 * (middle - phrase_start) - (phrase_end ? 1.0 : 0.0);
    targets.emplace_back(middle, st);
    ++mora;
  }
  return targets;
}

void RenderSegments(const std::vector<Segment>& segments,
                    const std::vector<std::pair<double, double>>& pitch, int rate,
                    const SynthVoice& voice, uint32_t seed, double total_sec,
                    std::vector<double>& out, std::vector<double>& f0_track) {
  const size_t blocks = static_cast<size_t>(std::ceil(total_sec / kBlockSec)) + 1;
  std::vector<Params> raw(blocks);
  std::vector<double> semitones(blocks, pitch.empty() ? 0.0 : pitch.front().second);
  size_t s = 0, q = 0;
  for (size_t b = 0; b < blocks; ++b) {
    const double t = (static_cast<double>(b) + 0.5) * kBlockSec;
    while (s < segments.size() && segments[s].end <= t) ++s;
    if (s < segments.size() && segments[s].start <= t) {
      raw[b] = segments[s].p;
    } else {
      raw[b] = Params{};
      raw[b].tract =
          segments.empty() ? VowelTract('e') : segments[std::min(s, segments.size() - 1)].p.tract;
    }
    // Pitch: linear between the syllable targets, held before the first and after the last.
    while (q + 1 < pitch.size() && pitch[q + 1].first <= t) ++q;
    if (!pitch.empty()) {
      if (t <= pitch.front().first || q + 1 >= pitch.size()) {
        semitones[b] = t <= pitch.front().first ? pitch.front().second : pitch.back().second;
      } else {
        const auto& [t0, v0] = pitch[q];
        const auto& [t1, v1] = pitch[q + 1];
        semitones[b] = v0 + (v1 - v0) * (t - t0) / (t1 - t0);
      }
    }
  }
  // Formants glide; levels ramp.
  std::vector<Params> smooth = raw;
  const int formant_half = static_cast<int>(kFormantGlideSec / kBlockSec / 2);
  const int level_half = static_cast<int>(kLevelGlideSec / kBlockSec / 2);
  const int n = static_cast<int>(blocks);
  for (int b = 0; b < n; ++b) {
    Params& p = smooth[static_cast<size_t>(b)];
    p.tract = Tract{};
    int count = 0;
    for (int j = std::max(0, b - formant_half); j <= std::min(n - 1, b + formant_half);
         ++j, ++count) {
      for (size_t k = 0; k < 5; ++k) {
        p.tract.f[k] += raw[static_cast<size_t>(j)].tract.f[k];
        p.tract.b[k] += raw[static_cast<size_t>(j)].tract.b[k];
      }
    }
    for (size_t k = 0; k < 5; ++k) {
      p.tract.f[k] /= count;
      p.tract.b[k] /= count;
    }
    p.av = p.ah = p.af = p.gain = p.nasal = 0;
    count = 0;
    for (int j = std::max(0, b - level_half); j <= std::min(n - 1, b + level_half); ++j, ++count) {
      const Params& r = raw[static_cast<size_t>(j)];
      p.av += r.av;
      p.ah += r.ah;
      p.af += r.af;
      p.gain += r.gain;
      p.nasal += r.nasal;
    }
    p.av /= count;
    p.ah /= count;
    p.af /= count;
    p.gain /= count;
    p.nasal /= count;
  }
  // The pitch moves smoothly (about 30 ms).
  for (size_t b = 1; b < blocks; ++b)
    semitones[b] = semitones[b - 1] + 0.033 * (semitones[b] - semitones[b - 1]);

  Voice v(rate, voice, seed);
  const size_t count = static_cast<size_t>(total_sec * rate);
  out.assign(count, 0.0);
  size_t current = blocks;
  double f0 = voice.f0_hz;
  for (size_t i = 0; i < count; ++i) {
    const size_t b =
        std::min(blocks - 1, static_cast<size_t>(static_cast<double>(i) / rate / kBlockSec));
    if (b != current) {
      current = b;
      v.SetParams(smooth[b]);
      f0 = voice.f0_hz * std::pow(2.0, semitones[b] / 12);
    }
    out[i] = v.Next(f0);
  }
  const size_t frames = static_cast<size_t>(total_sec / 0.01);
  f0_track.assign(frames, 0.0);
  for (size_t f = 0; f < frames; ++f) {
    const size_t b = std::min(
        blocks - 1, static_cast<size_t>((static_cast<double>(f) + 0.5) * 0.01 / kBlockSec));
    if (raw[b].voiced && smooth[b].av > 0.5)
      f0_track[f] = voice.f0_hz * std::pow(2.0, semitones[b] / 12);
  }
}

}  // namespace

SynthSpeech Synthesize(const SynthScript& script, int rate, const SynthVoice& voice, uint32_t seed,
                       double lead_sec, double tail_sec) {
  SynthSpeech out;
  out.rate = rate;
  Score score(rate, voice, seed);
  std::vector<double> starts, ends;
  score.Pause(lead_sec, true);
  score.phonemes().clear();
  for (size_t k = 0; k < script.size(); ++k) {
    const SynthSyllable& s = script[k];
    starts.push_back(score.now());
    out.syllable_starts.push_back(score.now());
    if (s.in_text) out.text += s.symbol;
    std::string consonant, vowel;
    SplitSyllable(s.symbol, consonant, vowel);
    if (vowel == " ") {
      score.Pause(s.vowel_sec, s.in_text);
    } else if (vowel == "N\\") {
      score.MoraicNasal(s.vowel_sec);
    } else {
      const char v = vowel.empty() ? 'a' : vowel[0];
      const Tract tract = score.Token(v);
      const bool after_vowel = k > 0 && script[k - 1].symbol != " ";
      if (!consonant.empty()) score.Consonant(consonant, s.consonant_sec, tract, after_vowel);
      // i and u between voiceless sounds (or before a pause) may lose their voice.
      bool devoiced = false;
      if ((v == 'i' || v == 'M') && !consonant.empty() && IsVoiceless(consonant)) {
        std::string next_consonant, next_vowel;
        if (k + 1 < script.size()) SplitSyllable(script[k + 1].symbol, next_consonant, next_vowel);
        const bool voiceless_after = k + 1 == script.size() || next_vowel == " " ||
                                     (!next_consonant.empty() && IsVoiceless(next_consonant));
        devoiced = voiceless_after && score.Uniform(0, 1) < voice.devoicing;
      }
      const bool phrase_end = k + 1 == script.size() ||
                              (script[k + 1].symbol == " " && script[k + 1].vowel_sec >= 0.12);
      score.Vowel(v, s.vowel_sec, tract, devoiced,
                  score.Uniform(-1.5, 1.5) - (phrase_end ? 2.0 : 0.0), phrase_end);
    }
    ends.push_back(score.now());
  }
  out.end_sec = score.now();
  score.Pause(tail_sec, true);
  score.phonemes().pop_back();
  out.phonemes = score.phonemes();
  for (const SynthPhoneme& p : out.phonemes) out.phoneme_starts.push_back(p.start_sec);

  const auto pitch = PitchTargets(script, starts, ends, voice, score.random());
  std::vector<double> wave;
  RenderSegments(score.segments(), pitch, rate, voice, seed + 1, score.now(), wave, out.f0);
  double peak = 1e-9;
  for (double x : wave) peak = std::max(peak, std::abs(x));
  std::mt19937 floor_noise(seed + 2);
  std::normal_distribution<double> gauss(0.0, kFloorRms);
  out.samples.resize(wave.size());
  for (size_t i = 0; i < wave.size(); ++i) {
    const double y = wave[i] * kSpeechPeak / peak + gauss(floor_noise);
    out.samples[i] = static_cast<int16_t>(std::clamp(std::lround(y), -32768L, 32767L));
  }
  return out;
}

SynthSpeech Synthesize(const SynthScript& script, int rate, double f0_hz, uint32_t seed,
                       double lead_sec, double tail_sec) {
  SynthVoice voice;
  voice.f0_hz = f0_hz;
  return Synthesize(script, rate, voice, seed, lead_sec, tail_sec);
}

void AddNoise(SynthSpeech& speech, NoiseKind kind, double snr_db, uint32_t seed) {
  const size_t count = speech.samples.size();
  std::vector<double> noise(count, 0.0);
  std::mt19937 random(seed);
  if (kind == NoiseKind::kWhite) {
    std::normal_distribution<double> gauss(0.0, 1.0);
    for (double& x : noise) x = gauss(random);
  } else {
    // Other talkers without pauses, each at the same level, each starting somewhere else.
    for (int talker = 0; talker < kBabbleTalkers; ++talker) {
      UtteranceStyle style;
      style.seconds = std::max(1.0, static_cast<double>(count) / speech.rate + 0.5);
      style.phrase_sec = 0;
      style.rate = 0.9 + 0.1 * talker;
      SynthVoice voice;
      const bool woman = talker % 2 == 1;
      voice.f0_hz = (woman ? 200 : 110) + 10.0 * talker;
      voice.formant_scale = woman ? 1.17 : 1.0;
      const uint32_t talker_seed = seed * 31 + static_cast<uint32_t>(talker);
      const SynthSpeech other =
          Synthesize(RandomUtterance(style, talker_seed), speech.rate, voice, talker_seed, 0, 0);
      if (other.samples.empty()) continue;
      double power = 0;
      for (int16_t x : other.samples) power += static_cast<double>(x) * x;
      const double scale = 1 / std::sqrt(power / static_cast<double>(other.samples.size()) + 1e-9);
      const size_t offset = random() % other.samples.size();
      for (size_t i = 0; i < count; ++i)
        noise[i] += scale * other.samples[(i + offset) % other.samples.size()];
    }
  }
  double speech_power = 0, noise_power = 0;
  size_t speech_count = 0;
  for (const SynthPhoneme& p : speech.phonemes) {
    if (p.name == " ") continue;
    const size_t first = static_cast<size_t>(p.start_sec * speech.rate);
    const size_t last = std::min(count, static_cast<size_t>(p.end_sec * speech.rate));
    for (size_t i = first; i < last; ++i)
      speech_power += static_cast<double>(speech.samples[i]) * speech.samples[i];
    speech_count += last > first ? last - first : 0;
  }
  for (double x : noise) noise_power += x * x;
  if (speech_count == 0 || noise_power <= 0) return;
  speech_power /= static_cast<double>(speech_count);
  noise_power /= static_cast<double>(count);
  const double scale = std::sqrt(speech_power / noise_power * std::pow(10.0, -snr_db / 10));
  for (size_t i = 0; i < count; ++i) {
    const double y = speech.samples[i] + scale * noise[i];
    speech.samples[i] = static_cast<int16_t>(std::clamp(std::lround(y), -32768L, 32767L));
  }
}

namespace {

// Mean power of the samples over the sounding phonemes of the truth.
double SpeechPower(const SynthSpeech& speech) {
  const size_t count = speech.samples.size();
  double power = 0;
  size_t n = 0;
  for (const SynthPhoneme& p : speech.phonemes) {
    if (p.name == " ") continue;
    const size_t first = std::min(count, static_cast<size_t>(p.start_sec * speech.rate));
    const size_t last = std::min(count, static_cast<size_t>(p.end_sec * speech.rate));
    for (size_t i = first; i < last; ++i)
      power += static_cast<double>(speech.samples[i]) * speech.samples[i];
    n += last - first;
  }
  return n > 0 ? power / static_cast<double>(n) : 0.0;
}

}  // namespace

void InsertPause(SynthSpeech& speech, size_t before, double sec, PauseSource source,
                 uint32_t seed) {
  if (before == 0 || before >= speech.phonemes.size() || sec <= 0) return;
  const double at = speech.phonemes[before].start_sec;
  const size_t first =
      std::min(speech.samples.size(), static_cast<size_t>(std::lround(at * speech.rate)));
  const size_t count = static_cast<size_t>(std::lround(sec * speech.rate));
  const double moved = static_cast<double>(count) / speech.rate;
  std::vector<int16_t> pause(count, 0);
  if (source == PauseSource::kInsertedBreath) {
    // A breath: band noise well under the speech, faded in and out.
    std::mt19937 random(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    BandPass band;
    band.Set(1500, 2600, speech.rate);
    const double level = std::sqrt(SpeechPower(speech)) * FromDb(kBreathDb - 2);
    const double fade = std::min(0.06 * speech.rate, 0.3 * static_cast<double>(count));
    for (size_t i = 0; i < count; ++i) {
      const double edge = std::min(static_cast<double>(i), static_cast<double>(count - 1 - i));
      const double ramp = edge >= fade ? 1.0 : 0.5 - 0.5 * std::cos(kPi * edge / fade);
      const double y = level * ramp * band.Run(gauss(random));
      pause[i] = static_cast<int16_t>(std::clamp(std::lround(y), -32768L, 32767L));
    }
  }
  speech.samples.insert(speech.samples.begin() + static_cast<std::ptrdiff_t>(first), pause.begin(),
                        pause.end());
  for (size_t k = before; k < speech.phonemes.size(); ++k) {
    speech.phonemes[k].start_sec += moved;
    speech.phonemes[k].end_sec += moved;
  }
  SynthPhoneme p{" ", at, at + moved, false};
  p.source = source;
  speech.phonemes.insert(speech.phonemes.begin() + static_cast<std::ptrdiff_t>(before), p);
  speech.phoneme_starts.clear();
  for (const SynthPhoneme& q : speech.phonemes) speech.phoneme_starts.push_back(q.start_sec);
  for (double& s : speech.syllable_starts) {
    if (s >= at) s += moved;
  }
  speech.end_sec += moved;
  const size_t frame = std::min(speech.f0.size(), static_cast<size_t>(at / 0.01));
  speech.f0.insert(speech.f0.begin() + static_cast<std::ptrdiff_t>(frame),
                   static_cast<size_t>(std::lround(moved / 0.01)), 0.0);
}

void ScaleToPeak(SynthSpeech& speech, double peak_dbfs) {
  int peak = 1;
  for (int16_t x : speech.samples) peak = std::max(peak, std::abs(static_cast<int>(x)));
  const double scale = 32767 * FromDb(peak_dbfs) / peak;
  for (int16_t& x : speech.samples)
    x = static_cast<int16_t>(std::clamp(std::lround(x * scale), -32767L, 32767L));
}

void AddReverberation(SynthSpeech& speech, double reverb_sec, double reverb_db) {
  if (reverb_sec <= 0 || speech.samples.empty()) return;
  // Schroeder's reverberator: four combs in parallel, two all-passes in a row.
  constexpr double kCombSec[] = {0.0297, 0.0371, 0.0411, 0.0437};
  constexpr double kAllPassSec[] = {0.005, 0.0017};
  constexpr double kAllPassGain = 0.7;
  const size_t count = speech.samples.size();
  std::vector<double> wet(count, 0.0);
  for (const double delay_sec : kCombSec) {
    const size_t delay = std::max<size_t>(1, static_cast<size_t>(delay_sec * speech.rate));
    const double gain = std::pow(10.0, -3 * delay_sec / reverb_sec);
    std::vector<double> y(count, 0.0);
    for (size_t i = 0; i < count; ++i) {
      y[i] = speech.samples[i] + (i >= delay ? gain * y[i - delay] : 0.0);
      wet[i] += y[i];
    }
  }
  for (const double delay_sec : kAllPassSec) {
    const size_t delay = std::max<size_t>(1, static_cast<size_t>(delay_sec * speech.rate));
    std::vector<double> y(count, 0.0);
    for (size_t i = 0; i < count; ++i) {
      const double x_late = i >= delay ? wet[i - delay] : 0.0;
      const double y_late = i >= delay ? y[i - delay] : 0.0;
      y[i] = -kAllPassGain * wet[i] + x_late + kAllPassGain * y_late;
    }
    wet = std::move(y);
  }
  double dry_power = 0, wet_power = 0;
  for (size_t i = 0; i < count; ++i) {
    dry_power += static_cast<double>(speech.samples[i]) * speech.samples[i];
    wet_power += wet[i] * wet[i];
  }
  if (wet_power <= 0) return;
  const double scale = std::sqrt(dry_power / wet_power * std::pow(10.0, reverb_db / 10));
  for (size_t i = 0; i < count; ++i) {
    const double y = speech.samples[i] + scale * wet[i];
    speech.samples[i] = static_cast<int16_t>(std::clamp(std::lround(y), -32768L, 32767L));
  }
}

SynthScript RandomScript(int syllables, int pause_every, uint32_t seed) {
  static const char* const kConsonants[] = {"k", "t", "p", "s", "S", "h",  "n",  "m", "b",
                                            "d", "g", "j", "w", "4", "ts", "tS", ""};
  static const char kVowels[] = {'a', 'i', 'M', 'e', 'o'};
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  SynthScript script;
  std::string previous_vowel;
  for (int i = 0; i < syllables; ++i) {
    std::string consonant = kConsonants[random() % std::size(kConsonants)];
    std::string vowel(1, kVowels[random() % std::size(kVowels)]);
    // Keep to the syllables the aligner knows.
    if ((consonant == "h" && vowel == "M") || (consonant == "h" && vowel == "i") ||
        (consonant == "j" && vowel == "i") || (consonant == "w" && vowel == "M") ||
        (consonant == "ts" && vowel != "M") ||
        (consonant.size() == 1 && std::string("tdnmpbg4k").find(consonant) != std::string::npos &&
         vowel == "i")) {
      consonant = "k";
      vowel = "a";
    }
    // A bare vowel never repeats the vowel before it (that would be one long vowel).
    if (consonant.empty() && vowel == previous_vowel) vowel = vowel == "a" ? "o" : "a";
    if (i > 0 && random() % 12 == 0) {
      script.push_back({"N\\", 0.0, uniform(0.08, 0.14)});
      previous_vowel.clear();
      continue;
    }
    script.push_back(
        {consonant + vowel, consonant.empty() ? 0.0 : uniform(0.05, 0.1), uniform(0.09, 0.2)});
    previous_vowel = vowel;
    if (pause_every > 0 && i + 1 < syllables &&
        random() % static_cast<unsigned>(pause_every) == 0) {
      script.push_back({" ", 0.0, uniform(0.15, 0.4)});
      previous_vowel.clear();
    }
  }
  return script;
}

namespace {

struct Onset {
  const char* consonant;
  int weight;
};

// Consonants about as often as in ordinary Japanese; "" is a bare vowel.
constexpr Onset kOnsets[] = {
    {"", 10}, {"k", 14}, {"t", 9}, {"s", 7}, {"n", 9},   {"m", 7},  {"h", 4},  {"4", 8},  {"g", 5},
    {"d", 4}, {"b", 3},  {"j", 4}, {"w", 3}, {"S", 4},   {"tS", 3}, {"ts", 2}, {"dz", 2}, {"dZ", 2},
    {"p", 1}, {"k'", 2}, {"C", 1}, {"J", 1}, {"p\\", 1}, {"g'", 1}, {"m'", 1}, {"4'", 1},
};
constexpr std::pair<char, int> kVowelWeights[] = {
    {'a', 25}, {'i', 20}, {'M', 18}, {'e', 12}, {'o', 25}};

// Length of a consonant at the ordinary rate (sec).
double ConsonantSec(const std::string& c, std::mt19937& random) {
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  switch (KindOf(c)) {
    case Kind::kStop:
      return uniform(0.05, 0.08);
    case Kind::kVoicedStop:
      return uniform(0.03, 0.055);
    case Kind::kAffricate:
      return uniform(0.06, 0.085);
    case Kind::kVoicedAffricate:
      return uniform(0.045, 0.07);
    case Kind::kFricative:
      return c == "h" || c[0] == 'p' ? uniform(0.04, 0.06) : uniform(0.06, 0.09);
    case Kind::kVoicedFricative:
      return uniform(0.05, 0.07);
    case Kind::kNasal:
      return uniform(0.035, 0.06);
    case Kind::kFlap:
      return uniform(0.015, 0.03);
    case Kind::kGlide:
      return uniform(0.035, 0.055);
    default:
      return uniform(0.05, 0.08);
  }
}

}  // namespace

SynthScript RandomUtterance(const UtteranceStyle& style, uint32_t seed) {
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  auto pick_onset = [&]() {
    int total = 0;
    for (const Onset& o : kOnsets) total += o.weight;
    int r = static_cast<int>(random() % static_cast<unsigned>(total));
    for (const Onset& o : kOnsets) {
      if (r < o.weight) return std::string(o.consonant);
      r -= o.weight;
    }
    return std::string();
  };
  auto pick_vowel = [&]() {
    int r = static_cast<int>(random() % 100);
    for (const auto& [v, w] : kVowelWeights) {
      if (r < w) return v;
      r -= w;
    }
    return 'a';
  };
  const double rate = std::max(0.3, style.rate);
  SynthScript script;
  double total = 0;
  while (total < style.seconds) {
    if (!script.empty()) {
      const double pause = uniform(0.15, 0.6) / std::sqrt(rate);
      script.push_back({" ", 0.0, pause, style.pauses_in_text});
      total += pause;
    }
    const double phrase =
        style.phrase_sec > 0 ? style.phrase_sec * uniform(0.6, 1.4) : style.seconds;
    double length = 0;
    char previous_vowel = 0;
    bool previous_nasal = true;  // no moraic nasal at a phrase start
    while (length == 0 || (length < phrase && total + length < style.seconds)) {
      SynthSyllable s;
      if (!previous_nasal && random() % 100 < 7) {
        s = {"N\\", 0.0, uniform(0.055, 0.09) / rate};
        previous_nasal = true;
        previous_vowel = 0;
      } else {
        std::string consonant;
        char vowel = 0;
        // Draw until the aligner knows the syllable and a bare vowel does not repeat the one
        // before it (that would be one long vowel).
        for (;;) {
          consonant = pick_onset();
          vowel = pick_vowel();
          const std::string symbol = consonant + vowel;
          if (MatchSyllable(symbol) != symbol) continue;
          if (consonant.empty() && vowel == previous_vowel) continue;
          break;
        }
        if (!consonant.empty() && IsVoiceless(consonant) && !script.empty() &&
            script.back().symbol != " " && script.back().symbol != "N\\" && length > 0 &&
            uniform(0, 1) < style.geminate_chance) {
          const double closure = uniform(0.05, 0.1) / rate;
          script.push_back({" ", 0.0, closure, true});
          length += closure;
        }
        s.symbol = consonant + vowel;
        s.consonant_sec = consonant.empty() ? 0.0 : ConsonantSec(consonant, random) / rate;
        s.vowel_sec = (consonant.empty() ? uniform(0.055, 0.09) : uniform(0.04, 0.075)) / rate;
        previous_nasal = false;
        previous_vowel = vowel;
      }
      length += s.consonant_sec + s.vowel_sec;
      script.push_back(s);
    }
    // The phrase's last vowel is drawn out.
    if (!script.empty()) script.back().vowel_sec *= 1.5;
    total += length;
  }
  return script;
}

SynthScript ScriptOfWords(const std::vector<std::string>& words, double rate, uint32_t seed,
                          std::vector<size_t>* word_starts) {
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  rate = std::max(0.3, rate);
  SynthScript script;
  if (word_starts != nullptr) word_starts->clear();
  for (const std::string& word : words) {
    if (word_starts != nullptr) word_starts->push_back(script.size());
    if (word.empty()) {
      if (!script.empty()) script.back().vowel_sec *= 1.5;  // drawn out before the pause
      script.push_back({" ", 0.0, uniform(0.25, 0.5) / std::sqrt(rate), false});
      continue;
    }
    for (std::string_view rest = word; !rest.empty();) {
      const std::string symbol(MatchSyllable(rest));
      if (symbol.empty()) break;
      rest.remove_prefix(symbol.size());
      if (symbol == " ") {
        script.push_back({" ", 0.0, uniform(0.05, 0.1) / rate, true});  // a geminate's closure
      } else if (symbol == "N\\") {
        script.push_back({symbol, 0.0, uniform(0.055, 0.09) / rate});
      } else {
        const bool bare = IsBareSyllable(symbol);
        const std::string consonant = bare ? "" : symbol.substr(0, symbol.size() - 1);
        script.push_back({symbol, bare ? 0.0 : ConsonantSec(consonant, random) / rate,
                          (bare ? uniform(0.055, 0.09) : uniform(0.04, 0.075)) / rate});
      }
    }
  }
  while (!script.empty() && script.back().symbol == " ") script.pop_back();
  if (!script.empty()) script.back().vowel_sec *= 1.5;
  return script;
}

}  // namespace vtr::wtp::testing
