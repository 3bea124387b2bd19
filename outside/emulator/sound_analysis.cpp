#include "outside/emulator/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vtr::emulator {

double Rms(std::span<const std::int16_t> samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (std::int16_t s : samples) sum += static_cast<double>(s) * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

double EstimateFundamental(std::span<const std::int16_t> samples, int sample_rate) {
  const int min_lag = sample_rate / 1000;
  const int max_lag = sample_rate / 60;
  const std::size_t n = samples.size();
  if (n <= static_cast<std::size_t>(max_lag) * 2) return 0;
  std::vector<double> corr(max_lag + 1, 0.0);
  const std::size_t window = n - max_lag;
  for (int lag = min_lag; lag <= max_lag; ++lag) {
    double sum = 0, energy_a = 0, energy_b = 0;
    for (std::size_t i = 0; i < window; ++i) {
      double a = samples[i], b = samples[i + lag];
      sum += a * b;
      energy_a += a * a;
      energy_b += b * b;
    }
    corr[lag] = energy_a > 0 && energy_b > 0 ? sum / std::sqrt(energy_a * energy_b) : 0;
  }
  // The first lag whose correlation comes close to the best one: avoids octave errors.
  double best = *std::max_element(corr.begin() + min_lag, corr.end());
  int chosen = min_lag;
  for (int lag = min_lag + 1; lag < max_lag; ++lag) {
    if (corr[lag] >= 0.9 * best && corr[lag] >= corr[lag - 1] && corr[lag] >= corr[lag + 1]) {
      chosen = lag;
      break;
    }
  }
  // Parabolic refinement of the peak.
  double refined = chosen;
  if (chosen > min_lag && chosen < max_lag) {
    double a = corr[chosen - 1], b = corr[chosen], c = corr[chosen + 1];
    double denominator = a - 2 * b + c;
    if (denominator != 0) refined = chosen + 0.5 * (a - c) / denominator;
  }
  return sample_rate / refined;
}

SoundFeatures Features(std::span<const std::int16_t> samples, int sample_rate) {
  SoundFeatures f;
  f.rms = Rms(samples);
  std::size_t middle = samples.size() / 2;
  std::size_t half = std::min<std::size_t>(middle, 1024);
  auto frame = samples.subspan(middle - half / 2, half);
  f.fundamental_hz =
      EstimateFundamental(samples.subspan(samples.size() / 4, samples.size() / 2), sample_rate);
  // Coarse spectrum of the middle frame (Hann window, 128 bands).
  constexpr int kBands = 128;
  double weighted = 0, total = 0;
  for (int k = 1; k < kBands; ++k) {
    double hz = k * (sample_rate / 2.0) / kBands;
    double re = 0, im = 0;
    for (std::size_t i = 0; i < frame.size(); ++i) {
      double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                      static_cast<double>(frame.size()));
      double angle = 2 * std::numbers::pi * hz * static_cast<double>(i) / sample_rate;
      re += w * frame[i] * std::cos(angle);
      im -= w * frame[i] * std::sin(angle);
    }
    double magnitude = std::sqrt(re * re + im * im);
    weighted += hz * magnitude;
    total += magnitude;
  }
  f.centroid_hz = total > 0 ? weighted / total : 0;
  return f;
}

double Distance(const SoundFeatures& a, const SoundFeatures& b) {
  auto relative = [](double x, double y) {
    double m = std::max(std::abs(x), std::abs(y));
    return m > 0 ? std::abs(x - y) / m : 0.0;
  };
  double octaves = a.fundamental_hz > 0 && b.fundamental_hz > 0
                       ? std::abs(std::log2(a.fundamental_hz / b.fundamental_hz))
                       : 1.0;
  return octaves + relative(a.centroid_hz, b.centroid_hz) + relative(a.rms, b.rms);
}

}  // namespace vtr::emulator
