#include "engines/wtp/resampler.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>
#include <system_error>
#include <thread>

namespace vtr::wtp {
namespace {

// Filter design: a Kaiser-windowed sinc, tabled at 256 entries per zero crossing, in the
// fixed-point layout of the classic bandlimited-interpolation kit.
constexpr double kRolloff = 0.8;  // cut-off as a share of the lower Nyquist frequency
constexpr double kKaiserBeta = 17.5;
constexpr int kEntriesPerCrossing = 256;  // Npc
constexpr int kInterpBits = 7;            // Na: bits of the table phase used to interpolate
constexpr int kPhaseBits = 15;            // Np: fraction bits of the time register
constexpr int kProductShift = 14;         // Nhxn: products keep 2 guard bits
constexpr int kGuardBits = 2;             // Nhg
constexpr int kScaleShift = 13;           // NLpScl
constexpr int kMaxWing = 5122;
constexpr int kMaxXoff = 2049;
constexpr int kFirstMult = 37;

// Rows are padded to whole blocks, so the inner product is a fixed-length loop that the
// compiler turns into vector code.
constexpr int kBlock = 8;

// A long recording is resampled on several threads, in blocks that each thread takes as it is
// free. An output costs some 10 to 40 ns: a thread (some 50 us to start) is worth 2^15 outputs
// or more, and a block keeps a thread busy for 0.1 ms or so.
constexpr size_t kOutputsPerThread = size_t{1} << 15;
constexpr size_t kMostThreads = 4;
constexpr size_t kOutputsPerBlock = 4096;
constexpr size_t kRowsPerBlock = 1024;  // of a wing's rows, filled ahead

int16_t Saturate(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

// Modified Bessel function of order 0, by its power series.
double BesselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  const double half = x / 2.0;
  for (int n = 1; n < 1000; ++n) {
    term *= (half / n) * (half / n);
    sum += term;
    if (term < 1e-21 * sum) break;
  }
  return sum;
}

struct Filter {
  std::vector<int16_t> table;  // Imp
  std::vector<int16_t> diff;   // ImpD
  int wing = 0;                // Nwing
  int mult = 0;                // Nmult
  int64_t scale = 0;           // LpScl
};

bool DesignFilter(int mult, double factor, Filter& filter) {
  const int wing = 128 * mult + 257;
  if (wing > kMaxWing) return false;
  std::vector<double> c(static_cast<size_t>(wing));
  c[0] = kRolloff;
  const double i0_beta = BesselI0(kKaiserBeta);
  for (int i = 1; i < wing; ++i) {
    const double x = std::numbers::pi * i / kEntriesPerCrossing;
    const double ratio = static_cast<double>(i) / wing;
    c[i] = std::sin(kRolloff * x) / x *
           BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))) / i0_beta;
  }
  double max = 0;
  for (double v : c) max = std::max(max, std::abs(v));
  const double to_int = 32767.0 / max;
  filter.table.resize(c.size());
  for (size_t i = 0; i < c.size(); ++i)
    filter.table[i] = static_cast<int16_t>(std::lround(c[i] * to_int));
  filter.diff.resize(c.size());
  for (size_t i = 0; i + 1 < c.size(); ++i) {
    filter.diff[i] = static_cast<int16_t>(filter.table[i + 1] - filter.table[i]);
  }
  filter.diff.back() = static_cast<int16_t>(-filter.table.back());
  double sum = 0;
  for (int i = kEntriesPerCrossing; i < wing; i += kEntriesPerCrossing) sum += c[i];
  double scale = std::abs(static_cast<double>(1 << 29) / ((2.0 * sum + c[0]) * to_int));
  if (factor < 1.0) scale = scale * factor;
  if (scale > 0xFFFF) return false;
  filter.scale = std::lround(scale);
  filter.wing = wing;
  filter.mult = mult;
  return true;
}

constexpr int32_t kHalfProduct = int32_t{1} << (kProductShift - 1);
constexpr uint32_t kFractionMask = (1u << kInterpBits) - 1;

// A wing that starts at table offset `start` (in 1/128 entries) multiplies the samples with
// the entries at start, start + step, start + 2 step, ... below entry `end`, each interpolated
// between its two neighbours by the low 7 bits of its offset. Both kinds of wing below keep
// their entries in rows zero-padded to one length: a zero entry adds exactly 0, since
// (0 x sample + 8192) >> 14 is 0. The left wing's rows run back to front, so that both wings
// read the input forwards. Products and sums fit in 32 bits: |entry x sample| <= 32767 x 32768,
// each rounded product is at most 2^16, and a wing holds at most about 2100 of them (an Xoff
// below 2049 keeps the output rate above 1/107 of the input rate).

int PaddedLength(int end, uint32_t table_step) {
  const uint32_t span = static_cast<uint32_t>(end) << kInterpBits;
  const int taps = static_cast<int>((span + table_step - 1) / table_step);
  return (taps + kBlock - 1) / kBlock * kBlock;
}

// For a step of whole entries (every ratio up, and exact halving) the fraction is the same for
// every entry of a wing. The wing then needs only the entries and differences at its start
// entry and every step after it, one row per start entry, and interpolates them as it goes,
// in 16 bits while every difference x fraction fits in them. The rows are small enough to stay
// in the first-level cache.
class WholeStepWing {
 public:
  // True when every difference x fraction fits in 16 bits.
  static bool Fits(const Filter& filter) {
    constexpr int kLargest = INT16_MAX / static_cast<int>(kFractionMask);
    for (int16_t d : filter.diff) {
      if (d > kLargest || d < -kLargest) return false;
    }
    return true;
  }

  WholeStepWing(const Filter& filter, uint32_t table_step, int end, bool back_to_front)
      : length_(PaddedLength(end, table_step)) {
    for (size_t f = 0; f < fractions_.size(); ++f) fractions_[f].fill(static_cast<int16_t>(f));
    const int step = static_cast<int>(table_step >> kInterpBits);
    const size_t rows = static_cast<size_t>(step) + 1;
    entries_.assign(rows * static_cast<size_t>(length_), 0);
    diffs_.assign(entries_.size(), 0);
    for (int first = 0; first <= step; ++first) {
      int16_t* entries =
          entries_.data() + static_cast<size_t>(first) * static_cast<size_t>(length_);
      int16_t* diffs = diffs_.data() + static_cast<size_t>(first) * static_cast<size_t>(length_);
      for (int index = first, k = 0; index < end; index += step, ++k) {
        const int at = back_to_front ? length_ - 1 - k : k;
        entries[at] = filter.table[static_cast<size_t>(index)];
        diffs[at] = filter.diff[static_cast<size_t>(index)];
      }
    }
  }

  int length() const { return length_; }

  int32_t Product(uint32_t start, const int16_t* samples) const {
    const size_t row = static_cast<size_t>(start >> kInterpBits) * static_cast<size_t>(length_);
    const int16_t* entries = entries_.data() + row;
    const int16_t* diffs = diffs_.data() + row;
    const int16_t* fraction = fractions_[start & kFractionMask].data();
    // One partial sum per lane of a block, added up at the end.
    int32_t lanes[kBlock] = {};
    for (int b = 0; b < length_; b += kBlock) {
      for (int j = 0; j < kBlock; ++j) {
        const auto step = static_cast<int16_t>(diffs[b + j] * fraction[j]);
        const auto entry = static_cast<int16_t>(entries[b + j] + (step >> kInterpBits));
        lanes[j] += (int32_t{entry} * samples[b + j] + kHalfProduct) >> kProductShift;
      }
    }
    int32_t sum = 0;
    for (int32_t lane : lanes) sum += lane;
    return sum;
  }

 private:
  int length_;
  // Every fraction repeated across a block: read as a whole, it needs no broadcast.
  std::array<std::array<int16_t, kBlock>, kFractionMask + 1> fractions_;
  std::vector<int16_t> entries_;
  std::vector<int16_t> diffs_;
};

// For any other step the fraction changes from entry to entry. The interpolated entries then
// depend on the exact start offset, and each start's row is computed the first time that start
// comes up; the time register visits at most 2^15 phases, so every row is reused by many
// outputs of a long recording.
class StartRowsWing {
 public:
  StartRowsWing(const Filter& filter, uint32_t table_step, int end, size_t starts,
                bool back_to_front)
      : filter_(filter),
        table_step_(table_step),
        end_(end),
        back_to_front_(back_to_front),
        length_(PaddedLength(end, table_step)) {
    // Left uninitialised: a row is written whole when its start first comes up, so the
    // memory of starts a short input never reaches is never touched.
    rows_.reset(new int16_t[starts * static_cast<size_t>(length_)]);
    filled_.assign(starts, 0);
  }

  int length() const { return length_; }
  size_t starts() const { return filled_.size(); }

  // Computes the rows of the starts [first, last) ahead of use, so that outputs can then be
  // computed on several threads at once: Product only reads a row that is filled.
  void FillRows(size_t first, size_t last) {
    for (size_t start = first; start < last; ++start) {
      if (filled_[start]) continue;
      Fill(static_cast<uint32_t>(start), rows_.get() + start * static_cast<size_t>(length_));
      filled_[start] = 1;
    }
  }

  int32_t Product(uint32_t start, const int16_t* samples) {
    int16_t* row = rows_.get() + start * static_cast<size_t>(length_);
    if (!filled_[start]) {
      Fill(start, row);
      filled_[start] = 1;
    }
    int32_t lanes[kBlock] = {};
    for (int b = 0; b < length_; b += kBlock) {
      for (int j = 0; j < kBlock; ++j) {
        lanes[j] += (int32_t{row[b + j]} * samples[b + j] + kHalfProduct) >> kProductShift;
      }
    }
    int32_t sum = 0;
    for (int32_t lane : lanes) sum += lane;
    return sum;
  }

 private:
  void Fill(uint32_t start, int16_t* row) const {
    std::fill(row, row + length_, int16_t{0});
    int k = 0;
    for (uint32_t ho = start; static_cast<int>(ho >> kInterpBits) < end_; ho += table_step_, ++k) {
      const size_t index = ho >> kInterpBits;
      const int32_t fraction = static_cast<int32_t>(ho & kFractionMask);
      const int32_t entry =
          filter_.table[index] + ((filter_.diff[index] * fraction) >> kInterpBits);
      row[back_to_front_ ? length_ - 1 - k : k] = static_cast<int16_t>(entry);
    }
  }

  const Filter& filter_;
  uint32_t table_step_;
  int end_;
  bool back_to_front_;
  int length_;
  std::unique_ptr<int16_t[]> rows_;
  std::vector<uint8_t> filled_;
};

// What every output needs beyond its wings.
struct Walk {
  int64_t xoff = 0;         // zeros before the input [samples]
  int64_t time_step = 0;    // time register step per output [2^-15 samples]
  uint32_t table_step = 0;  // table offset step per tap [1/128 entries]
  int64_t scale = 0;
  size_t first = 0;  // outputs before it stay 0
};

// The samples the wings of one output read: as many as both wings hold.
template <typename Wing>
size_t WindowLength(const Wing& left, const Wing& right) {
  return static_cast<size_t>(left.length()) + static_cast<size_t>(right.length());
}

// Runs the time register over the outputs [begin, end) (begin >= walk.first): output o is
// computed alike whichever range it falls in. `window` holds WindowLength samples.
template <typename Wing>
void Convolve(std::span<const int16_t> samples, const Walk& walk, Wing& left, Wing& right,
              std::span<int16_t> out, size_t begin, size_t end, std::span<int16_t> window) {
  constexpr uint32_t kPhaseMask = (1u << kPhaseBits) - 1;
  // The wings of an output at sample `at` read the samples at - lead .. at + right.length().
  // Inside the input they read it in place; near its ends they read a window framed by the
  // zeros the input is taken to have around it.
  const int64_t lead = left.length() - 1;
  const int64_t span = lead + 1 + right.length();
  const int64_t count = static_cast<int64_t>(samples.size());
  int64_t time =
      (walk.xoff << kPhaseBits) + static_cast<int64_t>(begin - walk.first) * walk.time_step;
  for (size_t o = begin; o < end; ++o, time += walk.time_step) {
    // The left wing starts at (phase x step) >> 15 and ends on the position's sample. The
    // right wing starts at ((1 - phase) x step) >> 15 on the next sample, one entry shorter,
    // and at phase 0 one step in, since the left wing took the centre entry.
    const int64_t at = (time >> kPhaseBits) - walk.xoff;
    const uint32_t phase = static_cast<uint32_t>(time) & kPhaseMask;
    const uint32_t right_phase = static_cast<uint32_t>(-time) & kPhaseMask;
    const auto left_start =
        static_cast<uint32_t>((uint64_t{phase} * walk.table_step) >> kPhaseBits);
    const auto right_start =
        static_cast<uint32_t>((uint64_t{right_phase} * walk.table_step) >> kPhaseBits) +
        (right_phase == 0 ? walk.table_step : 0);
    const int64_t from = at - lead;
    const int16_t* x = window.data();
    if (from >= 0 && from + span <= count) {
      x = samples.data() + from;
    } else {
      for (int64_t i = 0; i < span; ++i) {
        const int64_t k = from + i;
        window[static_cast<size_t>(i)] =
            k >= 0 && k < count ? samples[static_cast<size_t>(k)] : int16_t{0};
      }
    }
    int64_t v = left.Product(left_start, x);
    v += right.Product(right_start, x + lead + 1);
    v >>= kGuardBits;
    out[o] = Saturate((v * walk.scale) >> kScaleShift);
  }
}

// Runs work(block, thread) for every block in [0, blocks) on `threads` threads, the calling
// thread (thread 0) among them; each takes the next block as it finishes one, so that a thread
// the machine holds back delays the end by about one block. A thread that cannot be started
// leaves its share to the others. Returns once every block is done. `work` must not throw.
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

// All outputs from walk.first on, kOutputsPerBlock at a time on `threads` threads.
template <typename Wing>
void ConvolveAll(std::span<const int16_t> samples, const Walk& walk, Wing& left, Wing& right,
                 std::vector<int16_t>& out, size_t threads) {
  const size_t total = out.size() - walk.first;
  const size_t window = WindowLength(left, right);
  std::vector<int16_t> windows(threads * window);
  RunBlocks((total + kOutputsPerBlock - 1) / kOutputsPerBlock, threads,
            [&](size_t block, size_t thread) {
              const size_t begin = walk.first + block * kOutputsPerBlock;
              const size_t end = walk.first + std::min(total, (block + 1) * kOutputsPerBlock);
              Convolve(samples, walk, left, right, std::span<int16_t>(out), begin, end,
                       std::span<int16_t>(windows).subspan(thread * window, window));
            });
}

// How many threads the outputs are worth: one per kOutputsPerThread outputs, at most
// kMostThreads and no more than the machine runs at once.
size_t ThreadsFor(size_t outputs) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp<size_t>(outputs / kOutputsPerThread, 1, std::min(kMostThreads, cores));
}

}  // namespace

bool Resample(std::span<const int16_t> samples, int rate, int new_rate, std::vector<int16_t>& out) {
  out.clear();
  if (new_rate <= 0 || rate <= 0) return false;
  const double factor = static_cast<double>(new_rate) / rate;
  Filter filter;
  bool designed = false;
  for (int mult = kFirstMult; mult > 1 && !designed; mult -= 2)
    designed = DesignFilter(mult, factor, filter);
  if (!designed) return false;
  Walk walk;
  walk.xoff = static_cast<int64_t>((filter.mult + 1) / 2.0 * std::max(1.0, 1.0 / factor) + 10);
  if (walk.xoff >= kMaxXoff) return false;

  const size_t out_count = static_cast<size_t>(static_cast<double>(samples.size()) * factor + 1);
  out.assign(out_count, 0);
  walk.time_step = std::llround((1 << kPhaseBits) / factor);
  // For a lower output rate the table is walked more slowly, so that the cut-off follows the
  // lower Nyquist frequency.
  walk.table_step = factor >= 1.0
                        ? uint32_t{kEntriesPerCrossing} << kInterpBits
                        : static_cast<uint32_t>(std::lround(
                              (1 << kInterpBits) *
                              std::min<double>(kEntriesPerCrossing, kEntriesPerCrossing * factor)));
  walk.scale = filter.scale;
  // The time register starts at the first sample, after Xoff zeros; the output lags the input
  // by those zeros, so the first trunc(factor x Xoff) outputs stay 0.
  walk.first = std::min(out_count, static_cast<size_t>(factor * static_cast<double>(walk.xoff)));
  if (walk.first == out_count) return true;

  const size_t threads = ThreadsFor(out_count - walk.first);
  if ((walk.table_step & kFractionMask) == 0 && WholeStepWing::Fits(filter)) {
    const WholeStepWing left(filter, walk.table_step, filter.wing, /*back_to_front=*/true);
    const WholeStepWing right(filter, walk.table_step, filter.wing - 1, /*back_to_front=*/false);
    ConvolveAll(samples, walk, left, right, out, threads);
  } else {
    StartRowsWing left(filter, walk.table_step, filter.wing, walk.table_step,
                       /*back_to_front=*/true);
    StartRowsWing right(filter, walk.table_step, filter.wing - 1, size_t{walk.table_step} + 1,
                        /*back_to_front=*/false);
    if (threads > 1) {
      // A recording this long reaches nearly every start: the rows are all filled ahead, and
      // then only read.
      const size_t starts = std::max(left.starts(), right.starts());
      RunBlocks((starts + kRowsPerBlock - 1) / kRowsPerBlock, threads, [&](size_t block, size_t) {
        for (StartRowsWing* wing : {&left, &right}) {
          wing->FillRows(std::min(wing->starts(), block * kRowsPerBlock),
                         std::min(wing->starts(), (block + 1) * kRowsPerBlock));
        }
      });
    }
    ConvolveAll(samples, walk, left, right, out, threads);
  }
  return true;
}

}  // namespace vtr::wtp
