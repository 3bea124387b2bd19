#include "outside/recogniser/forced_aligner.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <map>
#include <numbers>
#include <sstream>

namespace vtr::recogniser {
namespace {

// Frame layout.
constexpr double kFrameSec = 0.01;   // frame shift (sec)
constexpr double kWindowSec = 0.025; // analysis window (sec)
constexpr int kBands = 16;           // log band energies for the spectral change
constexpr double kMinVoiceHz = 80;   // voicing lag range
constexpr double kMaxVoiceHz = 400;
constexpr double kHighBandHz = 3000;
constexpr double kLowBandHz = 500;
constexpr double kSilentDb = -60;    // frames below this are never voiced

// Alignment weights.
constexpr double kBoundaryBonus = 1.5;  // per unit of spectral change at a unit's start
constexpr int kMinMaxFrames = 300;      // longest unit considered (frames), at least

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return lines;
}

std::vector<std::string> Tokens(std::string_view line) {
  std::vector<std::string> tokens;
  std::istringstream in{std::string(line)};
  std::string token;
  while (in >> token) tokens.push_back(token);
  return tokens;
}

// The n-gram lines of one section ("\2-grams:") as token lists.
std::vector<std::vector<std::string>> Section(std::string_view text, std::string_view header) {
  std::vector<std::vector<std::string>> rows;
  bool inside = false;
  for (std::string_view line : Lines(text)) {
    if (!line.empty() && line.front() == '\\') {
      inside = line == header;
      continue;
    }
    if (inside && !line.empty()) rows.push_back(Tokens(line));
  }
  return rows;
}

double Hinge(double x) { return x > 0 ? x : 0; }

void Fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2 * std::numbers::pi / static_cast<double>(len);
    const std::complex<double> step(std::cos(angle), std::sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

// Frame cost of a class (lower is better); each term is a soft violation of what the class
// sounds like.
double FrameCost(PhoneClass c, const FrameFeatures& f) {
  const double e = f.energy_db, v = f.voicing, h = f.high_ratio, low = f.low_ratio;
  const double silence = Hinge(e + 45) / 3;
  const double fricative = Hinge(-50 - e) / 3 + 8 * Hinge(v - 0.45) + 3 * Hinge(0.2 - h);
  switch (c) {
    case PhoneClass::kSilence:
      return silence;
    case PhoneClass::kVowel:
      return Hinge(-14 - e) / 3 + 6 * Hinge(0.55 - v) + 8 * Hinge(h - 0.25);
    case PhoneClass::kNasal:
      return Hinge(-38 - e) / 3 + Hinge(e + 9) / 2 + 6 * Hinge(0.45 - v) + 8 * Hinge(h - 0.15) +
             4 * Hinge(0.5 - low);
    case PhoneClass::kApproximant:
      return Hinge(-28 - e) / 3 + Hinge(e + 3) / 3 + 6 * Hinge(0.5 - v) + 8 * Hinge(h - 0.25);
    case PhoneClass::kVoicedStop:
      // A quiet voice bar or a closure, then a burst.
      return std::min(Hinge(e + 25) / 3, fricative) + 0.3;
    case PhoneClass::kVoicelessStop:
      return std::min(silence, fricative);
    case PhoneClass::kAffricate:
      return std::min(silence, fricative);
    case PhoneClass::kFricative:
      return fricative;
  }
  return 0;
}

struct Prior {
  int typical;    // frames
  double weight;  // cost per squared log ratio
};

Prior PriorOf(PhoneClass c, std::string_view unit) {
  if (unit == "silB" || unit == "silE" || unit == "sp") return {1, 0.0};
  switch (c) {
    case PhoneClass::kVowel: return {12, 1.0};
    case PhoneClass::kNasal: return {8, 1.0};
    case PhoneClass::kApproximant: return {6, 1.0};
    case PhoneClass::kVoicedStop: return {6, 1.5};
    case PhoneClass::kVoicelessStop: return {7, 1.5};
    case PhoneClass::kAffricate: return {8, 1.5};
    case PhoneClass::kFricative: return {9, 1.5};
    case PhoneClass::kSilence: return {1, 0.0};
  }
  return {8, 1.0};
}

double DurationCost(const Prior& prior, int frames) {
  if (prior.weight == 0) return 0;
  const double r = std::log(static_cast<double>(frames) / prior.typical);
  return prior.weight * r * r + (frames < 2 ? 2.0 : 0.0);
}

}  // namespace

PhoneClass ClassOfPhone(std::string_view phone) {
  static const std::map<std::string_view, PhoneClass, std::less<>> kClasses = {
      {"silB", PhoneClass::kSilence}, {"silE", PhoneClass::kSilence}, {"sp", PhoneClass::kSilence},
      {"a:", PhoneClass::kVowel},     {"i:", PhoneClass::kVowel},     {"u:", PhoneClass::kVowel},
      {"e:", PhoneClass::kVowel},     {"o:", PhoneClass::kVowel},     {"a", PhoneClass::kVowel},
      {"i", PhoneClass::kVowel},      {"u", PhoneClass::kVowel},      {"e", PhoneClass::kVowel},
      {"o", PhoneClass::kVowel},      {"n", PhoneClass::kNasal},      {"N", PhoneClass::kNasal},
      {"m", PhoneClass::kNasal},      {"ny", PhoneClass::kNasal},     {"my", PhoneClass::kNasal},
      {"y", PhoneClass::kApproximant}, {"w", PhoneClass::kApproximant}, {"r", PhoneClass::kApproximant},
      {"ry", PhoneClass::kApproximant}, {"b", PhoneClass::kVoicedStop}, {"d", PhoneClass::kVoicedStop},
      {"g", PhoneClass::kVoicedStop}, {"by", PhoneClass::kVoicedStop}, {"gy", PhoneClass::kVoicedStop},
      {"p", PhoneClass::kVoicelessStop}, {"t", PhoneClass::kVoicelessStop},
      {"k", PhoneClass::kVoicelessStop}, {"ky", PhoneClass::kVoicelessStop},
      {"py", PhoneClass::kVoicelessStop}, {"ts", PhoneClass::kAffricate},
      {"ch", PhoneClass::kAffricate}, {"j", PhoneClass::kAffricate}, {"z", PhoneClass::kAffricate},
      {"s", PhoneClass::kFricative},  {"sh", PhoneClass::kFricative}, {"h", PhoneClass::kFricative},
      {"hy", PhoneClass::kFricative}, {"f", PhoneClass::kFricative},
  };
  const auto found = kClasses.find(phone);
  return found == kClasses.end() ? PhoneClass::kFricative : found->second;
}

bool ReadGrammar(std::string_view dictionary, std::string_view bigram, std::string_view trigram,
                 std::vector<std::string>& units) {
  units.clear();
  std::map<std::string, std::string> pronunciation;
  for (std::string_view line : Lines(dictionary)) {
    const std::vector<std::string> tokens = Tokens(line);
    if (tokens.size() >= 3) pronunciation[tokens[0]] = tokens.back();
  }
  std::map<std::string, std::string> next;
  for (const auto& row : Section(bigram, "\\2-grams:")) {
    if (row.size() >= 3) next[row[1]] = row[2];
  }
  std::map<std::string, std::string> previous;
  for (const auto& row : Section(trigram, "\\2-grams:")) {
    if (row.size() >= 3) previous[row[1]] = row[2];
  }
  std::string word = "<s>";
  for (size_t guard = 0; guard <= next.size(); ++guard) {
    const auto phone = pronunciation.find(word);
    if (phone == pronunciation.end()) return false;
    units.push_back(phone->second);
    if (word == "</s>") return units.size() >= 2;
    const auto following = next.find(word);
    if (following == next.end()) return false;
    // The backward file must lead from the next word back to this one.
    if (!previous.empty()) {
      const auto back = previous.find(following->second);
      if (back == previous.end() || back->second != word) return false;
    }
    word = following->second;
  }
  return false;  // the chain loops
}

std::vector<FrameFeatures> ComputeFeatures(std::span<const int16_t> samples, int rate) {
  const size_t hop = static_cast<size_t>(rate * kFrameSec);
  if (hop == 0) return {};
  const size_t frames = samples.size() / hop;
  const size_t window = static_cast<size_t>(rate * kWindowSec);
  size_t fft_size = 1;
  while (fft_size < window) fft_size <<= 1;
  const int min_lag = static_cast<int>(rate / kMaxVoiceHz);
  const int max_lag = static_cast<int>(rate / kMinVoiceHz);

  // Band edges evenly spaced on the mel scale between 100 Hz and the Nyquist frequency.
  auto mel = [](double hz) { return 2595 * std::log10(1 + hz / 700); };
  auto hz_of = [](double m) { return 700 * (std::pow(10, m / 2595) - 1); };
  std::vector<size_t> edges(kBands + 1);
  for (int b = 0; b <= kBands; ++b) {
    const double hz = hz_of(mel(100) + (mel(rate / 2.0 - 1) - mel(100)) * b / kBands);
    edges[static_cast<size_t>(b)] = std::min(fft_size / 2, static_cast<size_t>(hz * fft_size / rate));
  }
  const size_t high_bin = static_cast<size_t>(kHighBandHz * fft_size / rate);
  const size_t low_bin = static_cast<size_t>(kLowBandHz * fft_size / rate);

  std::vector<FrameFeatures> out(frames);
  std::vector<std::array<double, kBands>> bands(frames);
  std::vector<double> x(window);
  std::vector<double> energy(window + 1);
  std::vector<std::complex<double>> spectrum(fft_size);
  double loudest = -1e9;
  // Energy of every frame's own 10 ms first: silent frames need no voicing search.
  for (size_t f = 0; f < frames; ++f) {
    double sum = 0;
    for (size_t i = f * hop; i < (f + 1) * hop; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    out[f].energy_db = 10 * std::log10(sum / static_cast<double>(hop) + 1e-3);
    loudest = std::max(loudest, out[f].energy_db);
  }
  for (size_t f = 0; f < frames; ++f) {
    const bool silent = out[f].energy_db - loudest < kSilentDb;
    // The window centred on the frame.
    const int64_t first = static_cast<int64_t>(f * hop + hop / 2) - static_cast<int64_t>(window / 2);
    double mean = 0;
    for (size_t i = 0; i < window; ++i) {
      const int64_t at = first + static_cast<int64_t>(i);
      x[i] = at >= 0 && at < static_cast<int64_t>(samples.size()) ? samples[static_cast<size_t>(at)] : 0.0;
      mean += x[i];
    }
    mean /= static_cast<double>(window);
    for (double& v : x) v -= mean;
    // Voicing: the best normalised autocorrelation over the pitch lags.
    // Energies of the overlapping parts come from running sums of squares.
    energy[0] = 0;
    for (size_t i = 0; i < window; ++i) energy[i + 1] = energy[i] + x[i] * x[i];
    double best = 0;
    for (int lag = min_lag; !silent && lag <= max_lag && static_cast<size_t>(lag) < window / 2; ++lag) {
      const size_t l = static_cast<size_t>(lag);
      double xy = 0;
      for (size_t i = 0; i + l < window; ++i) xy += x[i] * x[i + l];
      const double xx = energy[window - l];
      const double yy = energy[window] - energy[l];
      if (xx > 0 && yy > 0) best = std::max(best, xy / std::sqrt(xx * yy));
    }
    out[f].voicing = best;
    // Spectrum of the Hann-windowed frame.
    for (size_t i = 0; i < fft_size; ++i) {
      const double hann = i < window ? 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (window - 1)) : 0;
      spectrum[i] = i < window ? x[i] * hann : 0.0;
    }
    Fft(spectrum);
    double total = 1e-9, high = 0, low = 0;
    for (size_t k = 1; k < fft_size / 2; ++k) {
      const double p = std::norm(spectrum[k]);
      total += p;
      if (k >= high_bin) high += p;
      if (k < low_bin) low += p;
    }
    out[f].high_ratio = high / total;
    out[f].low_ratio = low / total;
    for (int b = 0; b < kBands; ++b) {
      double band = 1e-3;
      for (size_t k = edges[static_cast<size_t>(b)]; k < std::max(edges[static_cast<size_t>(b)] + 1, edges[static_cast<size_t>(b) + 1]); ++k) {
        band += std::norm(spectrum[k]);
      }
      bands[f][static_cast<size_t>(b)] = 10 * std::log10(band);
    }
  }
  for (size_t f = 0; f < frames; ++f) {
    out[f].energy_db -= loudest;
    if (out[f].energy_db < kSilentDb) out[f].voicing = 0;
  }
  // Spectral change: distance between the two frames before f and the two from f, in 10 dB
  // units, weighted down in silence.
  for (size_t f = 1; f < frames; ++f) {
    double d2 = 0;
    for (size_t b = 0; b < kBands; ++b) {
      const double before = (bands[f - 1][b] + bands[f >= 2 ? f - 2 : f - 1][b]) / 2;
      const double after = (bands[f][b] + bands[f + 1 < frames ? f + 1 : f][b]) / 2;
      d2 += (after - before) * (after - before);
    }
    const double loud = std::max(out[f].energy_db, out[f - 1].energy_db);
    out[f].change = std::sqrt(d2 / kBands) / 10 * std::clamp((loud + 60) / 30, 0.0, 1.0);
  }
  return out;
}

bool AlignUnits(std::span<const FrameFeatures> frames, std::span<const std::string> units,
                std::vector<UnitSpan>& spans) {
  spans.clear();
  const int t_count = static_cast<int>(frames.size());
  const int n = static_cast<int>(units.size());
  if (n == 0 || t_count < n) return false;
  const int max_frames = std::max(kMinMaxFrames, 2 * (t_count / n + 1));

  // Cumulative frame costs per class.
  std::vector<std::vector<double>> cumulative(kPhoneClassCount, std::vector<double>(static_cast<size_t>(t_count) + 1, 0));
  for (int c = 0; c < kPhoneClassCount; ++c) {
    for (int t = 0; t < t_count; ++t) {
      cumulative[static_cast<size_t>(c)][static_cast<size_t>(t) + 1] =
          cumulative[static_cast<size_t>(c)][static_cast<size_t>(t)] + FrameCost(static_cast<PhoneClass>(c), frames[static_cast<size_t>(t)]);
    }
  }
  constexpr double kInf = std::numeric_limits<double>::infinity();
  // cost[u][t]: best cost of units 0..u covering frames [0, t); length[u][t]: the last unit's
  // frames on that path.
  std::vector<double> previous(static_cast<size_t>(t_count) + 1, kInf), current(previous.size());
  std::vector<std::vector<int>> length(static_cast<size_t>(n), std::vector<int>(previous.size(), 0));
  previous[0] = 0;
  for (int u = 0; u < n; ++u) {
    const PhoneClass c = ClassOfPhone(units[static_cast<size_t>(u)]);
    const Prior prior = PriorOf(c, units[static_cast<size_t>(u)]);
    const std::vector<double>& sum = cumulative[static_cast<size_t>(c)];
    // A closure after silence is silence too: its start shows no change, so the duration
    // prior alone places it.
    const bool hidden_start =
        u > 0 && ClassOfPhone(units[static_cast<size_t>(u) - 1]) == PhoneClass::kSilence &&
        (c == PhoneClass::kVoicelessStop || c == PhoneClass::kAffricate);
    const double bonus = u > 0 && !hidden_start ? kBoundaryBonus : 0.0;
    std::fill(current.begin(), current.end(), kInf);
    // Unit u ends at t: at least u + 1 frames before, room for the n - 1 - u units after.
    for (int t = u + 1; t <= t_count - (n - 1 - u); ++t) {
      double best = kInf;
      int best_d = 0;
      const int d_max = std::min(max_frames, t - u);
      for (int d = 1; d <= d_max; ++d) {
        const int s = t - d;
        const double before = previous[static_cast<size_t>(s)];
        if (before == kInf) continue;
        double cost = before + sum[static_cast<size_t>(t)] - sum[static_cast<size_t>(s)] + DurationCost(prior, d);
        cost -= bonus * frames[static_cast<size_t>(s)].change;
        if (cost < best) {
          best = cost;
          best_d = d;
        }
      }
      current[static_cast<size_t>(t)] = best;
      length[static_cast<size_t>(u)][static_cast<size_t>(t)] = best_d;
    }
    std::swap(previous, current);
  }
  if (previous[static_cast<size_t>(t_count)] == kInf) return false;
  spans.resize(static_cast<size_t>(n));
  int t = t_count;
  for (int u = n - 1; u >= 0; --u) {
    const int d = length[static_cast<size_t>(u)][static_cast<size_t>(t)];
    const PhoneClass c = ClassOfPhone(units[static_cast<size_t>(u)]);
    const double cost = cumulative[static_cast<size_t>(c)][static_cast<size_t>(t)] -
                        cumulative[static_cast<size_t>(c)][static_cast<size_t>(t - d)];
    spans[static_cast<size_t>(u)] = {t - d, t - 1, -cost / d};
    t -= d;
  }
  return t == 0;
}

std::string FormatAlignment(std::span<const std::string> units, std::span<const UnitSpan> spans) {
  std::string out = "=== phoneme alignment begin ===\n id: from  to    n_score    unit\n"
                    " ----------------------------------------\n";
  double total = 0;
  char line[128];
  for (size_t i = 0; i < units.size() && i < spans.size(); ++i) {
    std::snprintf(line, sizeof line, "[ %4d %4d]  %f  %s\n", spans[i].start, spans[i].end,
                  spans[i].score, units[i].c_str());
    out += line;
    total += spans[i].score * (spans[i].end - spans[i].start + 1);
  }
  std::snprintf(line, sizeof line, "re-computed AM score: %f\n", total);
  out += line;
  out += "=== phoneme alignment end ===\n";
  return out;
}

}  // namespace vtr::recogniser
