#include "engines/wtp/testing/spectral_boundary.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engines/wtp/testing/band_pass.h"

namespace vtr::wtp::testing {
namespace {

constexpr double kLowestHz = 150;
constexpr double kHighestHz = 7000;
constexpr double kBandStep = 1.25;   // ratio of neighbouring centres
constexpr double kBandShare = 0.25;  // bandwidth as a share of the centre
constexpr double kFrameSec = 0.001;
constexpr double kWindowSec = 0.010;
constexpr double kSettleSec = 0.020;  // the filters run this long before the first frame
constexpr double kShortestSec = 0.004;
constexpr int kPasses = 4;  // searches of the split, each from the spans the one before made

using Spectrum = std::vector<double>;

double Distance(const Spectrum& a, const Spectrum& b) {
  double d = 0;
  for (size_t k = 0; k < a.size(); ++k) d += (a[k] - b[k]) * (a[k] - b[k]);
  return d;
}

}  // namespace

double SpectralBoundary(std::span<const int16_t> samples, int rate, double first_start,
                        double boundary, double second_end) {
  const double total = static_cast<double>(samples.size()) / rate;
  if (boundary - first_start < kShortestSec || second_end - boundary < kShortestSec ||
      first_start < 0 || second_end > total) {
    return boundary;
  }
  // Frames every millisecond over both spans; the filters settle before the first.
  const double from = first_start, to = second_end;
  const size_t first_sample =
      static_cast<size_t>(std::max(0.0, (from - kSettleSec - kWindowSec) * rate));
  const size_t last_sample =
      std::min(samples.size(), static_cast<size_t>(std::ceil((to + kWindowSec) * rate)));
  const size_t frames = static_cast<size_t>((to - from) / kFrameSec);
  std::vector<double> centres;
  for (double hz = kLowestHz; hz < std::min(kHighestHz, 0.45 * rate); hz *= kBandStep)
    centres.push_back(hz);
  std::vector<Spectrum> spectra(frames, Spectrum(centres.size()));
  std::vector<double> energy(last_sample - first_sample + 1);
  const double half_window = kWindowSec / 2;
  for (size_t b = 0; b < centres.size(); ++b) {
    BandPass band;
    band.Set(centres[b], kBandShare * centres[b], rate);
    energy[0] = 0;
    for (size_t i = first_sample; i < last_sample; ++i) {
      const double y = band.Run(samples[i]);
      energy[i - first_sample + 1] = energy[i - first_sample] + y * y;
    }
    for (size_t f = 0; f < frames; ++f) {
      const double centre = from + (static_cast<double>(f) + 0.5) * kFrameSec;
      const size_t lo =
          std::clamp(static_cast<size_t>(std::max(0.0, (centre - half_window) * rate)),
                     first_sample, last_sample);
      const size_t hi =
          std::clamp(static_cast<size_t>((centre + half_window) * rate), lo, last_sample);
      const double power = (energy[hi - first_sample] - energy[lo - first_sample]) /
                           static_cast<double>(std::max<size_t>(1, hi - lo));
      spectra[f][b] = 10 * std::log10(power + 1.0);
    }
  }
  // Only the shape of a spectrum counts, not its level: a vowel that fades towards its end
  // stays the same vowel.
  for (Spectrum& frame : spectra) {
    double level = 0;
    for (double v : frame) level += v;
    level /= static_cast<double>(frame.size());
    for (double& v : frame) v -= level;
  }
  auto frame_of = [&](double t) {
    return std::min(frames, static_cast<size_t>(std::max(0.0, (t - from) / kFrameSec)));
  };
  auto mean = [&](double start, double end) {
    Spectrum m(centres.size(), 0.0);
    const size_t lo = frame_of(start + 0.25 * (end - start));
    const size_t hi = std::max(lo + 1, frame_of(end - 0.25 * (end - start)));
    for (size_t f = lo; f < hi && f < frames; ++f) {
      for (size_t k = 0; k < m.size(); ++k) m[k] += spectra[f][k];
    }
    for (double& v : m) v /= static_cast<double>(hi - lo);
    return m;
  };
  // Between the middles: the split with the fewest frames on the wrong side. A split far from
  // the given boundary moves the middles the means come from: the split is sought again from
  // the spans it makes, until it stays.
  double split = boundary;
  for (int pass = 0; pass < kPasses; ++pass) {
    const Spectrum first = mean(first_start, split);
    const Spectrum second = mean(split, second_end);
    const size_t lo = frame_of((first_start + split) / 2);
    const size_t hi = std::max(lo, frame_of((split + second_end) / 2));
    std::vector<int> nearer_second(hi - lo);
    int wrong = 0;  // with the split before every frame: the frames nearer the first
    for (size_t f = lo; f < hi; ++f) {
      nearer_second[f - lo] = Distance(spectra[f], second) < Distance(spectra[f], first) ? 1 : 0;
      wrong += 1 - nearer_second[f - lo];
    }
    int fewest = wrong;
    size_t best = lo;
    for (size_t f = lo; f < hi; ++f) {
      // Moving the split past frame f puts it on the first sound's side.
      wrong += nearer_second[f - lo] == 1 ? 1 : -1;
      if (wrong < fewest) {
        fewest = wrong;
        best = f + 1;
      }
    }
    const double found = from + static_cast<double>(best) * kFrameSec;
    if (std::abs(found - split) < kFrameSec / 2) break;
    split = found;
    if (split - first_start < kShortestSec || second_end - split < kShortestSec) break;
  }
  return split;
}

}  // namespace vtr::wtp::testing
