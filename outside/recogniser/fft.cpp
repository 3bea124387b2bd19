#include "outside/recogniser/fft.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace vtr::recogniser {
namespace {

constexpr double kPi = std::numbers::pi;

// Two lanes of doubles: the loops below run two butterflies at once, each lane with exactly the
// operations of one scalar butterfly.
using Pair = double __attribute__((vector_size(16)));

Pair Load(const double* p) {
  Pair v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
void Store(double* p, Pair v) { std::memcpy(p, &v, sizeof v); }
Pair Reversed(Pair v) { return __builtin_shufflevector(v, v, 1, 0); }

// One radix-2 butterfly: b times the twiddle w, then a + wb and a - wb.
template <typename T>
void Butterfly(T& ar, T& ai, T& br, T& bi, T wr, T wi) {
  const T vr = br * wr - bi * wi;
  const T vi = br * wi + bi * wr;
  br = ar - vr;
  bi = ai - vi;
  ar += vr;
  ai += vi;
}

}  // namespace

RealFft::RealFft(size_t n) : n_(n), half_(n / 2), cos_(n / 2), sin_(n / 2), bits_(n / 2), re_(n / 2), im_(n / 2) {
  for (size_t k = 0; k < half_; ++k) {
    const double angle = -2 * kPi * static_cast<double>(k) / static_cast<double>(n_);
    cos_[k] = std::cos(angle);
    sin_[k] = std::sin(angle);
  }
  size_t levels = 0;
  while ((size_t{1} << levels) < half_) ++levels;
  for (size_t i = 0; i < half_; ++i) {
    size_t r = 0;
    for (size_t b = 0; b < levels; ++b) r |= ((i >> b) & 1) << (levels - 1 - b);
    bits_[i] = r;
  }
  // The stages of length 8 and up read their twiddles in order: every (n / len)-th of the table.
  stage_offset_.assign(levels + 1, 0);
  for (size_t level = 3; level <= levels; ++level) {
    const size_t len = size_t{1} << level, step = n_ / len;
    stage_offset_[level] = stage_cos_.size();
    for (size_t k = 0; k < len / 2; ++k) {
      stage_cos_.push_back(cos_[k * step]);
      stage_sin_.push_back(sin_[k * step]);
    }
  }
}

void RealFft::Forward(std::span<const double> x, std::vector<double>& out_re, std::vector<double>& out_im) {
  double* re = re_.data();
  double* im = im_.data();
  // Bit-reversed load, with the stages of length 2 and 4 done on the way: their twiddles are the
  // table's entries 0 and n/4.
  if (half_ >= 4) {
    const double w0r = cos_[0], w0i = sin_[0], w1r = cos_[n_ / 4], w1i = sin_[n_ / 4];
    for (size_t g = 0; g < half_; g += 4) {
      double r0 = x[2 * bits_[g]], i0 = x[2 * bits_[g] + 1];
      double r1 = x[2 * bits_[g + 1]], i1 = x[2 * bits_[g + 1] + 1];
      double r2 = x[2 * bits_[g + 2]], i2 = x[2 * bits_[g + 2] + 1];
      double r3 = x[2 * bits_[g + 3]], i3 = x[2 * bits_[g + 3] + 1];
      Butterfly(r0, i0, r1, i1, w0r, w0i);
      Butterfly(r2, i2, r3, i3, w0r, w0i);
      Butterfly(r0, i0, r2, i2, w0r, w0i);
      Butterfly(r1, i1, r3, i3, w1r, w1i);
      re[g] = r0, re[g + 1] = r1, re[g + 2] = r2, re[g + 3] = r3;
      im[g] = i0, im[g + 1] = i1, im[g + 2] = i2, im[g + 3] = i3;
    }
  } else {
    for (size_t j = 0; j < half_; ++j) {
      re[j] = x[2 * bits_[j]];
      im[j] = x[2 * bits_[j] + 1];
    }
    if (half_ == 2) Butterfly(re[0], im[0], re[1], im[1], cos_[0], sin_[0]);
  }
  size_t levels = stage_offset_.size() - 1;
  size_t level = 3;
  // An odd count of the remaining stages: the first goes alone.
  if (levels >= 3 && (levels - 2) % 2 == 1) {
    const size_t len = 8, wing = 4;
    const double* wr = stage_cos_.data() + stage_offset_[level];
    const double* wi = stage_sin_.data() + stage_offset_[level];
    for (size_t g = 0; g < half_; g += len) {
      for (size_t k = 0; k < wing; k += 2) {
        Pair ar = Load(re + g + k), ai = Load(im + g + k);
        Pair br = Load(re + g + k + wing), bi = Load(im + g + k + wing);
        Butterfly(ar, ai, br, bi, Load(wr + k), Load(wi + k));
        Store(re + g + k, ar), Store(im + g + k, ai);
        Store(re + g + k + wing, br), Store(im + g + k + wing, bi);
      }
    }
    ++level;
  }
  // Then two stages at a time, lengths len and 2 len: each value is loaded and stored once for
  // both, and goes through the same butterflies as stage by stage.
  for (; level + 1 <= levels; level += 2) {
    const size_t len = size_t{1} << level, q = len / 2;
    const double* ar_w = stage_cos_.data() + stage_offset_[level];
    const double* ai_w = stage_sin_.data() + stage_offset_[level];
    const double* br_w = stage_cos_.data() + stage_offset_[level + 1];
    const double* bi_w = stage_sin_.data() + stage_offset_[level + 1];
    for (size_t g = 0; g < half_; g += 2 * len) {
      double* r0 = re + g;
      double* i0 = im + g;
      for (size_t k = 0; k < q; k += 2) {
        Pair a0r = Load(r0 + k), a0i = Load(i0 + k);
        Pair b0r = Load(r0 + k + q), b0i = Load(i0 + k + q);
        Pair a1r = Load(r0 + k + len), a1i = Load(i0 + k + len);
        Pair b1r = Load(r0 + k + len + q), b1i = Load(i0 + k + len + q);
        const Pair wr = Load(ar_w + k), wi = Load(ai_w + k);
        Butterfly(a0r, a0i, b0r, b0i, wr, wi);
        Butterfly(a1r, a1i, b1r, b1i, wr, wi);
        Butterfly(a0r, a0i, a1r, a1i, Load(br_w + k), Load(bi_w + k));
        Butterfly(b0r, b0i, b1r, b1i, Load(br_w + k + q), Load(bi_w + k + q));
        Store(r0 + k, a0r), Store(i0 + k, a0i);
        Store(r0 + k + q, b0r), Store(i0 + k + q, b0i);
        Store(r0 + k + len, a1r), Store(i0 + k + len, a1i);
        Store(r0 + k + len + q, b1r), Store(i0 + k + len + q, b1i);
      }
    }
  }
  // The spectrum of the real input from the packed transform: the even and the odd samples'
  // transforms are the symmetric and antisymmetric parts of it. Bins 0 and n/2 both read
  // point 0.
  out_re.resize(half_ + 1);
  out_im.resize(half_ + 1);
  auto split = [&](size_t k, size_t a, size_t b, double wr, double wi) {
    const double even_r = 0.5 * (re[a] + re[b]), even_i = 0.5 * (im[a] - im[b]);
    const double odd_r = 0.5 * (im[a] + im[b]), odd_i = -0.5 * (re[a] - re[b]);
    out_re[k] = even_r + wr * odd_r - wi * odd_i;
    out_im[k] = even_i + wr * odd_i + wi * odd_r;
  };
  split(0, 0, 0, cos_[0], sin_[0]);
  // Bins k and k + 1 at once: their mirror points half - k and half - k - 1 are a pair in
  // reverse.
  size_t k = 1;
  for (; k + 2 <= half_; k += 2) {
    const size_t b = half_ - k - 1;
    const Pair ra = Load(re + k), ia = Load(im + k);
    const Pair rb = Reversed(Load(re + b)), ib = Reversed(Load(im + b));
    const Pair even_r = 0.5 * (ra + rb), even_i = 0.5 * (ia - ib);
    const Pair odd_r = 0.5 * (ia + ib), odd_i = -0.5 * (ra - rb);
    const Pair wr = Load(cos_.data() + k), wi = Load(sin_.data() + k);
    Store(out_re.data() + k, even_r + wr * odd_r - wi * odd_i);
    Store(out_im.data() + k, even_i + wr * odd_i + wi * odd_r);
  }
  for (; k < half_; ++k) split(k, k, half_ - k, cos_[k], sin_[k]);
  split(half_, 0, 0, -1.0, 0.0);
}

}  // namespace vtr::recogniser
