#include "engines/wtp/testing/speech_synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace vtr::wtp::testing {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

struct Formants {
  double f1, f2, f3;
};

Formants VowelFormants(char v) {
  switch (v) {
    case 'a': return {800, 1200, 2500};
    case 'i': return {300, 2300, 3000};
    case 'M': return {350, 1400, 2400};
    case 'e': return {500, 1900, 2600};
    default: return {500, 900, 2400};  // o
  }
}

// Two-pole resonator.
class Resonator {
 public:
  Resonator(double hz, double bandwidth, int rate) {
    const double r = std::exp(-std::numbers::pi * bandwidth / rate);
    a1_ = 2 * r * std::cos(kTwoPi * hz / rate);
    a2_ = -r * r;
    gain_ = 1 - r;
  }
  double Run(double x) {
    const double y = gain_ * x + a1_ * y1_ + a2_ * y2_;
    y2_ = y1_;
    y1_ = y;
    return y;
  }

 private:
  double a1_ = 0, a2_ = 0, gain_ = 1, y1_ = 0, y2_ = 0;
};

enum class Kind { kVowel, kNasal, kApproximant, kFricative, kStop, kVoicedStop, kAffricate, kPause };

Kind KindOf(const std::string& phoneme) {
  if (phoneme == " ") return Kind::kPause;
  if (phoneme.size() == 1 && std::string("aiMeo").find(phoneme[0]) != std::string::npos) return Kind::kVowel;
  const char c = phoneme[0];
  if (phoneme == "N\\" || c == 'n' || c == 'm' || c == 'N' || c == 'J') return Kind::kNasal;
  if (c == 'j' || c == 'w' || c == '4') return Kind::kApproximant;
  if (phoneme == "ts" || phoneme == "tS" || phoneme == "dz" || phoneme == "dZ") return Kind::kAffricate;
  if (c == 'k' || c == 't' || c == 'p') {
    return phoneme.size() >= 2 && phoneme[1] == '\\' ? Kind::kFricative : Kind::kStop;
  }
  if (c == 'b' || c == 'd' || c == 'g') return Kind::kVoicedStop;
  return Kind::kFricative;  // s S h C z Z
}

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

class Renderer {
 public:
  Renderer(int rate, double f0, uint32_t seed) : rate_(rate), f0_(f0), noise_(seed) {}

  void Silence(double sec) {
    const size_t n = Count(sec);
    for (size_t i = 0; i < n; ++i) Push(Noise() * 3.0, 0);
  }

  // Voiced sound through formants; `level` is the linear amplitude.
  void Voiced(const Formants& f, double sec, double level) {
    Resonator r1(f.f1, 80, rate_), r2(f.f2, 100, rate_), r3(f.f3, 150, rate_);
    const size_t n = Count(sec);
    const size_t ramp = std::min(n / 4, Count(0.01));
    for (size_t i = 0; i < n; ++i) {
      const double f0 = Pitch();
      phase_ += f0 / rate_;
      if (phase_ >= 1) phase_ -= 1;
      // A glottal-like pulse train: a sawtooth rich in harmonics.
      const double source = 1.0 - 2.0 * phase_;
      const double y = r1.Run(source) * 1.0 + r2.Run(source) * 0.6 + r3.Run(source) * 0.3;
      double env = 1.0;
      if (i < ramp) env = static_cast<double>(i) / ramp;
      if (n - i < ramp) env = static_cast<double>(n - i) / ramp;
      Push(y * level * env * 2.2, f0);
    }
  }

  void Nasal(double sec) {
    Resonator low(250, 100, rate_);
    const size_t n = Count(sec);
    for (size_t i = 0; i < n; ++i) {
      const double f0 = Pitch();
      phase_ += f0 / rate_;
      if (phase_ >= 1) phase_ -= 1;
      Push(low.Run(1.0 - 2.0 * phase_) * 2600.0, f0);
    }
  }

  // Band noise between `low` and `high` Hz.
  void Noise(double sec, double center, double bandwidth, double level) {
    Resonator band(center, bandwidth, rate_);
    const size_t n = Count(sec);
    const size_t ramp = std::min(n / 3, Count(0.008));
    for (size_t i = 0; i < n; ++i) {
      double env = 1.0;
      if (i < ramp) env = static_cast<double>(i) / ramp;
      if (n - i < ramp) env = static_cast<double>(n - i) / ramp;
      Push(band.Run(Noise()) * level * env, 0);
    }
  }

  void VoiceBar(double sec) {
    Resonator low(150, 80, rate_);
    const size_t n = Count(sec);
    for (size_t i = 0; i < n; ++i) {
      const double f0 = Pitch();
      phase_ += f0 / rate_;
      if (phase_ >= 1) phase_ -= 1;
      Push(low.Run(1.0 - 2.0 * phase_) * 300.0, f0);
    }
  }

  double now() const { return static_cast<double>(samples_.size()) / rate_; }
  std::vector<int16_t> TakeSamples() {
    std::vector<int16_t> out(samples_.size());
    for (size_t i = 0; i < out.size(); ++i) {
      out[i] = static_cast<int16_t>(std::clamp(std::lround(samples_[i]), -32768L, 32767L));
    }
    return out;
  }
  std::vector<double> TakeF0() {
    std::vector<double> out;
    const size_t per_frame = static_cast<size_t>(rate_ / 100);
    for (size_t at = 0; at + per_frame <= voicing_.size(); at += per_frame) {
      out.push_back(voicing_[at + per_frame / 2]);
    }
    return out;
  }

 private:
  size_t Count(double sec) const { return static_cast<size_t>(std::max(0.0, sec) * rate_ + 0.5); }
  double Noise() { return std::normal_distribution<double>(0.0, 1.0)(noise_); }
  double Pitch() const { return f0_ * (1.0 + 0.05 * std::sin(kTwoPi * 0.7 * now())); }
  void Push(double v, double f0) {
    samples_.push_back(v);
    voicing_.push_back(f0);
  }

  int rate_;
  double f0_;
  std::mt19937 noise_;
  double phase_ = 0;
  std::vector<double> samples_;
  std::vector<double> voicing_;
};

void RenderConsonant(Renderer& r, const std::string& c, double sec, const Formants& next) {
  switch (KindOf(c)) {
    case Kind::kStop:
      r.Silence(sec - 0.012);
      r.Noise(0.012, c[0] == 'k' ? 2000 : c[0] == 't' ? 4000 : 1000, 2000, 3000);
      break;
    case Kind::kVoicedStop:
      r.VoiceBar(sec - 0.012);
      r.Noise(0.012, c[0] == 'g' ? 2000 : c[0] == 'd' ? 4000 : 1000, 2000, 2500);
      break;
    case Kind::kAffricate:
      r.Silence(sec * 0.4);
      r.Noise(sec * 0.6, c == "tS" || c == "dZ" ? 3500 : 5500, 2500, 2500);
      break;
    case Kind::kFricative:
      if (c[0] == 's') {
        r.Noise(sec, 5500, 2500, 2500);
      } else if (c[0] == 'S' || c[0] == 'C') {
        r.Noise(sec, 3500, 2000, 2800);
      } else if (c[0] == 'z' || c[0] == 'Z') {
        r.Noise(sec, 5000, 3000, 2200);
      } else {
        r.Noise(sec, 1800, 3000, 1500);  // h, f
      }
      break;
    case Kind::kNasal:
      r.Nasal(sec);
      break;
    case Kind::kApproximant: {
      Formants f = c[0] == 'j' ? Formants{300, 2200, 3000} : c[0] == 'w' ? Formants{350, 800, 2300}
                                                                         : Formants{400, 1300, 1700};
      f = {(f.f1 + next.f1) / 2, (f.f2 + next.f2) / 2, (f.f3 + next.f3) / 2};
      r.Voiced(f, sec, 1700);
      break;
    }
    default:
      r.Silence(sec);
      break;
  }
}

}  // namespace

SynthSpeech Synthesize(const SynthScript& script, int rate, double f0_hz, uint32_t seed,
                       double lead_sec, double tail_sec) {
  SynthSpeech out;
  out.rate = rate;
  Renderer r(rate, f0_hz, seed);
  r.Silence(lead_sec);
  for (const SynthSyllable& s : script) {
    out.syllable_starts.push_back(r.now());
    out.text += s.symbol;
    std::string consonant, vowel;
    SplitSyllable(s.symbol, consonant, vowel);
    const Formants formants = VowelFormants(vowel.empty() ? 'a' : vowel[0]);
    if (!consonant.empty()) {
      out.phoneme_starts.push_back(r.now());
      RenderConsonant(r, consonant, s.consonant_sec, formants);
    }
    out.phoneme_starts.push_back(r.now());
    if (vowel == " ") {
      r.Silence(s.vowel_sec);
    } else if (vowel == "N\\") {
      r.Nasal(s.vowel_sec);
    } else {
      r.Voiced(formants, s.vowel_sec, 5000);
    }
  }
  out.end_sec = r.now();
  r.Silence(tail_sec);
  out.samples = r.TakeSamples();
  out.f0 = r.TakeF0();
  return out;
}

SynthScript RandomScript(int syllables, int pause_every, uint32_t seed) {
  static const char* const kConsonants[] = {"k", "t", "p", "s", "S", "h", "n", "m", "b", "d",
                                            "g", "j", "w", "4", "ts", "tS", ""};
  static const char kVowels[] = {'a', 'i', 'M', 'e', 'o'};
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random); };
  SynthScript script;
  std::string previous_vowel;
  for (int i = 0; i < syllables; ++i) {
    std::string consonant = kConsonants[random() % std::size(kConsonants)];
    std::string vowel(1, kVowels[random() % std::size(kVowels)]);
    // Keep to the syllables the aligner knows.
    if ((consonant == "h" && vowel == "M") || (consonant == "h" && vowel == "i") ||
        (consonant == "j" && vowel == "i") || (consonant == "w" && vowel == "M") ||
        (consonant == "ts" && vowel != "M") || (consonant.size() == 1 && std::string("tdnmpbg4k").find(consonant) != std::string::npos && vowel == "i")) {
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
    script.push_back({consonant + vowel, consonant.empty() ? 0.0 : uniform(0.05, 0.1), uniform(0.09, 0.2)});
    previous_vowel = vowel;
    if (pause_every > 0 && i + 1 < syllables && random() % static_cast<unsigned>(pause_every) == 0) {
      script.push_back({" ", 0.0, uniform(0.15, 0.4)});
      previous_vowel.clear();
    }
  }
  return script;
}

}  // namespace vtr::wtp::testing
