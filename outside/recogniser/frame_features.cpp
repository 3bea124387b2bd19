#include "outside/recogniser/frame_features.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <system_error>
#include <thread>

#include "outside/recogniser/fft.h"

namespace vtr::recogniser {
namespace {

constexpr double kPi = std::numbers::pi;

// Frame layout.
constexpr double kWindowSec = 0.025;        // level and spectrum window (sec)
constexpr double kVoicingWindowSec = 0.04;  // voicing window (sec): about three periods at 70 Hz
constexpr double kVoicingRate = 8000;       // [Hz] about; the voicing search runs decimated
constexpr double kMinPitchHz = 70;
constexpr double kMaxPitchHz = 500;
constexpr double kLowestBandHz = 100;
constexpr double kHighestBandHz = 7600;
constexpr double kFullScale = 32768.0 * 32768.0;
constexpr double kSilentDb = kDigitalSilenceDb;

// The noise floor: the mean of the frames up to 3 dB above the 10th percentile of the levels.
constexpr double kNoisePercentile = 0.1;
constexpr double kNoiseMarginDb = 3;
constexpr double kSpeechPercentile = 0.95;
// Frames this close to the noise floor are not searched for voicing.
constexpr double kVoicingFloorMarginDb = 4;

double ToDb(double power) {
  return power > 0 ? std::max(kSilentDb, 10 * std::log10(power)) : kSilentDb;
}

size_t PowerOfTwoAtLeast(size_t n) {
  size_t p = 2;
  while (p < n) p <<= 1;
  return p;
}

std::vector<double> Hann(size_t n) {
  std::vector<double> w(n);
  for (size_t i = 0; i < n; ++i)
    w[i] = 0.5 - 0.5 * std::cos(2 * kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(n));
  return w;
}

// Triangular mel filters over the bins of an FFT of `fft_size` at `rate`.
struct MelFilter {
  size_t first_bin;
  std::vector<double> weights;
};

std::vector<MelFilter> MelFilters(size_t fft_size, int rate,
                                  std::array<double, kMelBands>& centres) {
  auto mel = [](double hz) { return 2595 * std::log10(1 + hz / 700); };
  auto hz_of = [](double m) { return 700 * (std::pow(10, m / 2595) - 1); };
  const double top = std::min(kHighestBandHz, 0.48 * rate);
  std::array<double, kMelBands + 2> edges{};
  for (int b = 0; b < kMelBands + 2; ++b) {
    edges[static_cast<size_t>(b)] =
        hz_of(mel(kLowestBandHz) + (mel(top) - mel(kLowestBandHz)) * b / (kMelBands + 1));
  }
  const double bin_hz = static_cast<double>(rate) / static_cast<double>(fft_size);
  std::vector<MelFilter> filters(kMelBands);
  for (size_t b = 0; b < kMelBands; ++b) {
    const double lo = edges[b], mid = edges[b + 1], hi = edges[b + 2];
    centres[b] = mid;
    const size_t first = static_cast<size_t>(std::ceil(lo / bin_hz));
    const size_t last = std::min(fft_size / 2, static_cast<size_t>(std::floor(hi / bin_hz)));
    filters[b].first_bin = first;
    for (size_t k = first; k <= last; ++k) {
      const double hz = static_cast<double>(k) * bin_hz;
      filters[b].weights.push_back(hz <= mid ? (hz - lo) / (mid - lo) : (hi - hz) / (hi - mid));
    }
    // A band narrower than a bin still gets the bin nearest its centre.
    if (filters[b].weights.empty()) {
      filters[b].first_bin = std::min(fft_size / 2, static_cast<size_t>(std::lround(mid / bin_hz)));
      filters[b].weights.push_back(1.0);
    }
  }
  return filters;
}

// Every frame's spectrum and voicing depends on its own window only, so a long recording's
// frames are worked out on several threads, in blocks that each thread takes as it is free; the
// results are the same bits whatever thread works out a frame. A frame costs some 30 us: a
// thread (some 50 us to start) is worth a few blocks.
constexpr size_t kFramesPerBlock = 64;
constexpr size_t kFramesPerThread = 4 * kFramesPerBlock;
constexpr size_t kMostThreads = 4;
constexpr size_t kDecimatedPerBlock = 8192;

// How many threads `frames` are worth, at most `most` (0: kMostThreads) and no more than the
// machine runs at once.
size_t ThreadsFor(size_t frames, size_t most) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<size_t>(frames / kFramesPerThread, 1,
                            std::min(most > 0 ? most : kMostThreads, cores));
}

// Runs work(block, thread) for every block in [0, blocks) on `threads` threads, the calling
// thread (thread 0) among them; each takes the next block as it finishes one. A thread that
// cannot be started leaves its share to the others. Returns once every block is done.
template <typename Work>
void RunBlocks(size_t blocks, size_t threads, const Work& work) {
  std::atomic<size_t> next{0};
  auto take = [&](size_t thread) {
    for (size_t block; (block = next.fetch_add(1, std::memory_order_relaxed)) < blocks;)
      work(block, thread);
  };
  std::vector<std::jthread> helpers;
  helpers.reserve(threads);
  for (size_t thread = 1; thread < threads; ++thread) {
    try {
      helpers.emplace_back(take, thread);
    } catch (const std::system_error&) {
      break;
    }
  }
  take(0);
}

// A low-pass copy decimated by `factor` (windowed sinc, cut-off just below the new half rate),
// worked out on `threads` threads.
std::vector<float> Decimate(std::span<const int16_t> samples, int factor, size_t threads) {
  if (factor <= 1) return std::vector<float>(samples.begin(), samples.end());
  constexpr int kHalfTaps = 24;
  std::vector<double> taps(2 * kHalfTaps + 1);
  const double cutoff = 0.9 / factor;  // of the input's half rate
  double sum = 0;
  for (int j = -kHalfTaps; j <= kHalfTaps; ++j) {
    const double sinc = j == 0 ? cutoff : std::sin(kPi * cutoff * j) / (kPi * j);
    const double hamming = 0.54 + 0.46 * std::cos(kPi * j / kHalfTaps);
    const int tap = j + kHalfTaps;
    taps[static_cast<size_t>(tap)] = sinc * hamming;
    sum += sinc * hamming;
  }
  for (double& t : taps) t /= sum;
  const size_t count = samples.size() / static_cast<size_t>(factor);
  std::vector<float> out(count);
  const int64_t n = static_cast<int64_t>(samples.size());
  RunBlocks(
      (count + kDecimatedPerBlock - 1) / kDecimatedPerBlock, threads, [&](size_t block, size_t) {
        for (size_t m = block * kDecimatedPerBlock;
             m < std::min(count, (block + 1) * kDecimatedPerBlock); ++m) {
          const int64_t centre = static_cast<int64_t>(m) * factor;
          double y = 0;
          if (centre >= kHalfTaps && centre + kHalfTaps < n) {
            const int16_t* x = samples.data() + centre - kHalfTaps;
            for (size_t j = 0; j < taps.size(); ++j) y += taps[j] * x[j];
          } else {
            for (int j = -kHalfTaps; j <= kHalfTaps; ++j) {
              const int64_t at = centre + j;
              const int tap = j + kHalfTaps;
              if (at >= 0 && at < n)
                y += taps[static_cast<size_t>(tap)] * samples[static_cast<size_t>(at)];
            }
          }
          out[m] = static_cast<float>(y);
        }
      });
  return out;
}

// Copies the window's samples centred at `centre`, less their mean, times `window`, into the
// start of `out`, whose rest is zero. Outside the signal the window holds silence.
template <typename T>
void Windowed(std::span<const T> signal, int64_t centre, const std::vector<double>& window,
              std::vector<double>& out) {
  std::fill(out.begin(), out.end(), 0.0);
  const int64_t first = centre - static_cast<int64_t>(window.size() / 2);
  const int64_t n = static_cast<int64_t>(signal.size());
  const size_t from =
      static_cast<size_t>(std::clamp<int64_t>(-first, 0, static_cast<int64_t>(window.size())));
  const size_t to =
      static_cast<size_t>(std::clamp<int64_t>(n - first, 0, static_cast<int64_t>(window.size())));
  if (from >= to) return;
  double mean = 0;
  for (size_t i = from; i < to; ++i)
    mean += static_cast<double>(signal[static_cast<size_t>(first + static_cast<int64_t>(i))]);
  mean /= static_cast<double>(to - from);
  for (size_t i = from; i < to; ++i) {
    out[i] =
        (static_cast<double>(signal[static_cast<size_t>(first + static_cast<int64_t>(i))]) - mean) *
        window[i];
  }
}

// The autocorrelation of the windowed values in `x` (zero-padded to the FFT size), up to half
// the FFT size, through the power spectrum.
void Autocorrelation(RealFft& fft, const std::vector<double>& x, std::vector<double>& re,
                     std::vector<double>& im, std::vector<double>& power, std::vector<double>& r) {
  fft.Forward(x, re, im);
  const size_t n = fft.size();
  for (size_t k = 0; k <= n / 2; ++k) {
    power[k] = re[k] * re[k] + im[k] * im[k];
    if (k > 0 && k < n / 2) power[n - k] = power[k];
  }
  fft.Forward(power, re, im);
  r.resize(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k) r[k] = re[k] / static_cast<double>(n);
}

}  // namespace

Recording ComputeFeatures(std::span<const int16_t> samples, int rate, size_t most_threads) {
  Recording out;
  if (rate < 8000) return out;
  // Frame f covers [f x 10 ms, (f + 1) x 10 ms) at any rate, 22050 Hz included.
  const size_t frames = samples.size() * 100 / static_cast<size_t>(rate);
  static_assert(kFrameSec == 0.01);
  out.frames.resize(frames);
  if (frames == 0) return out;

  // Levels: mean power of the window, without its offset from zero.
  const size_t window = static_cast<size_t>(std::lround(rate * kWindowSec));
  auto centre_of = [&](size_t f) {
    return static_cast<int64_t>(std::llround((static_cast<double>(f) + 0.5) * rate * kFrameSec));
  };
  for (size_t f = 0; f < frames; ++f) {
    const size_t first =
        static_cast<size_t>(std::max<int64_t>(0, centre_of(f) - static_cast<int64_t>(window / 2)));
    const size_t last = std::min(samples.size(), first + window);
    double sum = 0, squares = 0;
    for (size_t i = first; i < last; ++i) {
      sum += samples[i];
      squares += static_cast<double>(samples[i]) * samples[i];
    }
    const double n = static_cast<double>(std::max<size_t>(1, last - first));
    const double power = std::max(0.0, squares / n - (sum / n) * (sum / n)) / kFullScale;
    out.frames[f].level_db = static_cast<float>(ToDb(power));
  }

  // Noise floor and speech level from the distribution of the levels.
  std::vector<float> sorted(frames);
  for (size_t f = 0; f < frames; ++f) sorted[f] = out.frames[f].level_db;
  std::sort(sorted.begin(), sorted.end());
  const double percentile =
      sorted[static_cast<size_t>(kNoisePercentile * static_cast<double>(frames - 1))];
  out.speech_db = sorted[static_cast<size_t>(kSpeechPercentile * static_cast<double>(frames - 1))];

  // Spectra: Hann window, mel bands, power per band relative to full scale.
  const size_t threads = ThreadsFor(frames, most_threads);
  const size_t frame_blocks = (frames + kFramesPerBlock - 1) / kFramesPerBlock;
  const size_t fft_size = PowerOfTwoAtLeast(window);
  const std::vector<double> hann = Hann(window);
  double window_power = 0;
  for (double w : hann) window_power += w * w;
  const std::vector<MelFilter> filters = MelFilters(fft_size, rate, out.band_hz);
  // What every thread works with.
  struct Scratch {
    explicit Scratch(size_t n) : fft(n), x(n), power(n) {}
    RealFft fft;
    std::vector<double> x, re, im, power, r;
  };
  std::vector<Scratch> scratch;
  scratch.reserve(threads);
  for (size_t t = 0; t < threads; ++t) scratch.emplace_back(fft_size);
  RunBlocks(frame_blocks, threads, [&](size_t block, size_t thread) {
    Scratch& s = scratch[thread];
    for (size_t f = block * kFramesPerBlock; f < std::min(frames, (block + 1) * kFramesPerBlock);
         ++f) {
      Windowed(samples, centre_of(f), hann, s.x);
      s.fft.Forward(s.x, s.re, s.im);
      for (size_t k = 0; k <= fft_size / 2; ++k) s.power[k] = s.re[k] * s.re[k] + s.im[k] * s.im[k];
      for (size_t b = 0; b < kMelBands; ++b) {
        double band = 0;
        for (size_t k = 0; k < filters[b].weights.size(); ++k) {
          band += filters[b].weights[k] * s.power[filters[b].first_bin + k];
        }
        out.frames[f].bands[b] = static_cast<float>(
            ToDb(2 * band / (static_cast<double>(fft_size) * window_power) / kFullScale));
      }
    }
  });

  // The noise: frames near the 10th percentile.
  double noise_power = 0;
  std::array<double, kMelBands> noise_bands{};
  size_t noise_frames = 0;
  for (const FrameFeatures& f : out.frames) {
    if (f.level_db > percentile + kNoiseMarginDb) continue;
    noise_power += std::pow(10.0, f.level_db / 10);
    for (size_t b = 0; b < kMelBands; ++b) noise_bands[b] += std::pow(10.0, f.bands[b] / 10);
    ++noise_frames;
  }
  out.noise_db = ToDb(noise_power / static_cast<double>(noise_frames));
  for (size_t b = 0; b < kMelBands; ++b) {
    out.noise_bands[b] =
        static_cast<float>(ToDb(noise_bands[b] / static_cast<double>(noise_frames)));
  }

  // Voicing on a decimated copy: the autocorrelation divided by the window's own
  // autocorrelation, so that a periodic signal scores near 1 at its period.
  const int factor = std::max(1, static_cast<int>(std::lround(rate / kVoicingRate)));
  const double low_rate = static_cast<double>(rate) / factor;
  const std::vector<float> low = Decimate(samples, factor, threads);
  const size_t voicing_window = static_cast<size_t>(std::lround(low_rate * kVoicingWindowSec));
  const size_t longest_lag = static_cast<size_t>(low_rate / kMinPitchHz);
  // The autocorrelation comes round the FFT's end at lags beyond size - window: keep them
  // beyond the longest lag searched.
  const size_t n = PowerOfTwoAtLeast(voicing_window + longest_lag + 1);
  scratch.clear();
  for (size_t t = 0; t < threads; ++t) scratch.emplace_back(n);
  const std::vector<double> voicing_hann = Hann(voicing_window);
  std::vector<double> r_window;
  {
    Scratch& s = scratch[0];
    std::copy(voicing_hann.begin(), voicing_hann.end(), s.x.begin());
    Autocorrelation(s.fft, s.x, s.re, s.im, s.power, r_window);
  }
  const size_t min_lag = static_cast<size_t>(low_rate / kMaxPitchHz);
  const size_t max_lag = std::min(n / 2, longest_lag);
  RunBlocks(frame_blocks, threads, [&](size_t block, size_t thread) {
    Scratch& s = scratch[thread];
    for (size_t f = block * kFramesPerBlock; f < std::min(frames, (block + 1) * kFramesPerBlock);
         ++f) {
      if (out.frames[f].level_db < out.noise_db + kVoicingFloorMarginDb) continue;
      const int64_t centre = static_cast<int64_t>(static_cast<double>(centre_of(f)) / factor);
      Windowed(std::span<const float>(low), centre, voicing_hann, s.x);
      Autocorrelation(s.fft, s.x, s.re, s.im, s.power, s.r);
      if (s.r[0] <= 0) continue;
      double best = 0;
      for (size_t lag = min_lag; lag <= max_lag; ++lag) {
        best = std::max(best, (s.r[lag] / s.r[0]) / (r_window[lag] / r_window[0]));
      }
      out.frames[f].voicing = static_cast<float>(std::clamp(best, 0.0, 1.0));
    }
  });
  return out;
}

}  // namespace vtr::recogniser
