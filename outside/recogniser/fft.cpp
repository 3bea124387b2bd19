#include "outside/recogniser/fft.h"

#include <cmath>
#include <cstring>
#include <numbers>

namespace vtr::recogniser {
namespace {

constexpr double kPi = std::numbers::pi;

// W lanes of doubles: the loops below run W butterflies at once, each lane with exactly the
// operations of one scalar butterfly, so every width gives the same bits.
template <size_t W>
struct Lanes;
template <>
struct Lanes<2> {
  using Type = double __attribute__((vector_size(16)));
  [[gnu::always_inline]] static Type Reversed(const Type& v) {
    return __builtin_shufflevector(v, v, 1, 0);
  }
  // The real and the imaginary parts of the points held in a and b as re, im, re, im, ...
  [[gnu::always_inline]] static Type Evens(const Type& a, const Type& b) {
    return __builtin_shufflevector(a, b, 0, 2);
  }
  [[gnu::always_inline]] static Type Odds(const Type& a, const Type& b) {
    return __builtin_shufflevector(a, b, 1, 3);
  }
  // Lane l of v0 .. v3 to out[at[l]] .. out[at[l] + 3].
  [[gnu::always_inline]] static void StoreAcross(double* out, const size_t* at, const Type& v0,
                                                 const Type& v1, const Type& v2, const Type& v3) {
    const Type l0 = __builtin_shufflevector(v0, v1, 0, 2),
               h0 = __builtin_shufflevector(v2, v3, 0, 2);
    const Type l1 = __builtin_shufflevector(v0, v1, 1, 3),
               h1 = __builtin_shufflevector(v2, v3, 1, 3);
    std::memcpy(out + at[0], &l0, sizeof l0);
    std::memcpy(out + at[0] + 2, &h0, sizeof h0);
    std::memcpy(out + at[1], &l1, sizeof l1);
    std::memcpy(out + at[1] + 2, &h1, sizeof h1);
  }
};
template <>
struct Lanes<4> {
  using Type = double __attribute__((vector_size(32)));
  [[gnu::always_inline]] static Type Reversed(const Type& v) {
    return __builtin_shufflevector(v, v, 3, 2, 1, 0);
  }
  [[gnu::always_inline]] static Type Evens(const Type& a, const Type& b) {
    return __builtin_shufflevector(a, b, 0, 2, 4, 6);
  }
  [[gnu::always_inline]] static Type Odds(const Type& a, const Type& b) {
    return __builtin_shufflevector(a, b, 1, 3, 5, 7);
  }
  [[gnu::always_inline]] static void StoreAcross(double* out, const size_t* at, const Type& v0,
                                                 const Type& v1, const Type& v2, const Type& v3) {
    const Type t0 = __builtin_shufflevector(v0, v1, 0, 4, 2, 6),
               t1 = __builtin_shufflevector(v0, v1, 1, 5, 3, 7);
    const Type t2 = __builtin_shufflevector(v2, v3, 0, 4, 2, 6),
               t3 = __builtin_shufflevector(v2, v3, 1, 5, 3, 7);
    const Type rows[4] = {
        __builtin_shufflevector(t0, t2, 0, 1, 4, 5), __builtin_shufflevector(t1, t3, 0, 1, 4, 5),
        __builtin_shufflevector(t0, t2, 2, 3, 6, 7), __builtin_shufflevector(t1, t3, 2, 3, 6, 7)};
    for (size_t l = 0; l < 4; ++l) std::memcpy(out + at[l], &rows[l], sizeof rows[l]);
  }
};

// Every lane `value`, its sign of zero included.
template <typename T>
[[gnu::always_inline]] inline T Splat(double value) {
  T v;
  for (size_t l = 0; l < sizeof(T) / sizeof(double); ++l) v[l] = value;
  return v;
}

template <typename T>
[[gnu::always_inline]] inline T Load(const double* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <typename T>
[[gnu::always_inline]] inline void Store(double* p, const T& v) {
  std::memcpy(p, &v, sizeof v);
}

// One radix-2 butterfly: b times the twiddle w, then a + wb and a - wb.
template <typename T>
[[gnu::always_inline]] inline void Butterfly(T& ar, T& ai, T& br, T& bi, const T& wr, const T& wi) {
  const T vr = br * wr - bi * wi;
  const T vi = br * wi + bi * wr;
  br = ar - vr;
  bi = ai - vi;
  ar += vr;
  ai += vi;
}

}  // namespace

// Everything of the transform but the lane width.
template <size_t W>
[[gnu::always_inline]] inline void RealFft::Transform(const double* x, double* out_re,
                                                      double* out_im) {
  using V = typename Lanes<W>::Type;
  double* re = re_.data();
  double* im = im_.data();
  // Bit-reversed load, with the stages of length 2 and 4 done on the way: their twiddles are the
  // table's entries 0 and n/4. Group g of four points reads the input points s, s + half/2,
  // s + half/4 and s + 3 half/4, where s (below half/4) is the reversed g and g = bits_[s]: the
  // groups of W neighbouring s read W neighbouring points each time, and go W at once.
  if (half_ >= 4 * W) {
    const size_t quarter = half_ / 4;
    const V w0r = Splat<V>(cos_[0]), w0i = Splat<V>(sin_[0]);
    const V w1r = Splat<V>(cos_[n_ / 4]), w1i = Splat<V>(sin_[n_ / 4]);
    for (size_t s = 0; s < quarter; s += W) {
      auto points = [&](size_t first, V& r, V& i) {
        const V a = Load<V>(x + 2 * first), b = Load<V>(x + 2 * first + W);
        r = Lanes<W>::Evens(a, b);
        i = Lanes<W>::Odds(a, b);
      };
      V r0, i0, r1, i1, r2, i2, r3, i3;
      points(s, r0, i0);
      points(s + 2 * quarter, r1, i1);
      points(s + quarter, r2, i2);
      points(s + 3 * quarter, r3, i3);
      Butterfly(r0, i0, r1, i1, w0r, w0i);
      Butterfly(r2, i2, r3, i3, w0r, w0i);
      Butterfly(r0, i0, r2, i2, w0r, w0i);
      Butterfly(r1, i1, r3, i3, w1r, w1i);
      Lanes<W>::StoreAcross(re, bits_.data() + s, r0, r1, r2, r3);
      Lanes<W>::StoreAcross(im, bits_.data() + s, i0, i1, i2, i3);
    }
  } else if (half_ >= 4) {
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
  const size_t levels = stage_offset_.size() - 1;
  size_t level = 3;
  // An odd count of the remaining stages: the first, of length 8, goes alone.
  if (levels >= 3 && (levels - 2) % 2 == 1) {
    constexpr size_t kLength = 8, kWing = 4;
    const double* wr = stage_cos_.data() + stage_offset_[level];
    const double* wi = stage_sin_.data() + stage_offset_[level];
    for (size_t g = 0; g < half_; g += kLength) {
      for (size_t k = 0; k < kWing; k += W) {
        V ar = Load<V>(re + g + k), ai = Load<V>(im + g + k);
        V br = Load<V>(re + g + k + kWing), bi = Load<V>(im + g + k + kWing);
        Butterfly(ar, ai, br, bi, Load<V>(wr + k), Load<V>(wi + k));
        Store(re + g + k, ar), Store(im + g + k, ai);
        Store(re + g + k + kWing, br), Store(im + g + k + kWing, bi);
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
      for (size_t k = 0; k < q; k += W) {
        V a0r = Load<V>(r0 + k), a0i = Load<V>(i0 + k);
        V b0r = Load<V>(r0 + k + q), b0i = Load<V>(i0 + k + q);
        V a1r = Load<V>(r0 + k + len), a1i = Load<V>(i0 + k + len);
        V b1r = Load<V>(r0 + k + len + q), b1i = Load<V>(i0 + k + len + q);
        const V wr = Load<V>(ar_w + k), wi = Load<V>(ai_w + k);
        Butterfly(a0r, a0i, b0r, b0i, wr, wi);
        Butterfly(a1r, a1i, b1r, b1i, wr, wi);
        Butterfly(a0r, a0i, a1r, a1i, Load<V>(br_w + k), Load<V>(bi_w + k));
        Butterfly(b0r, b0i, b1r, b1i, Load<V>(br_w + k + q), Load<V>(bi_w + k + q));
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
  auto split = [&](size_t k, size_t a, size_t b, double wr, double wi) {
    const double even_r = 0.5 * (re[a] + re[b]), even_i = 0.5 * (im[a] - im[b]);
    const double odd_r = 0.5 * (im[a] + im[b]), odd_i = -0.5 * (re[a] - re[b]);
    out_re[k] = even_r + wr * odd_r - wi * odd_i;
    out_im[k] = even_i + wr * odd_i + wi * odd_r;
  };
  split(0, 0, 0, cos_[0], sin_[0]);
  // W bins at once: their mirror points, from half - k down, are W side by side in reverse.
  size_t k = 1;
  for (; k + W <= half_; k += W) {
    const size_t b = half_ - k - (W - 1);
    const V ra = Load<V>(re + k), ia = Load<V>(im + k);
    const V rb = Lanes<W>::Reversed(Load<V>(re + b)), ib = Lanes<W>::Reversed(Load<V>(im + b));
    const V even_r = 0.5 * (ra + rb), even_i = 0.5 * (ia - ib);
    const V odd_r = 0.5 * (ia + ib), odd_i = -0.5 * (ra - rb);
    const V wr = Load<V>(cos_.data() + k), wi = Load<V>(sin_.data() + k);
    Store(out_re + k, even_r + wr * odd_r - wi * odd_i);
    Store(out_im + k, even_i + wr * odd_i + wi * odd_r);
  }
  for (; k < half_; ++k) split(k, k, half_ - k, cos_[k], sin_[k]);
  split(half_, 0, 0, -1.0, 0.0);
}

void RealFft::TransformTwoLanes(const double* x, double* out_re, double* out_im) {
  Transform<2>(x, out_re, out_im);
}

__attribute__((target("avx2"))) void RealFft::TransformFourLanes(const double* x, double* out_re,
                                                                 double* out_im) {
  Transform<4>(x, out_re, out_im);
}

RealFft::RealFft(size_t n, bool four_lanes)
    : n_(n), half_(n / 2), cos_(n / 2), sin_(n / 2), bits_(n / 2), re_(n / 2), im_(n / 2) {
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
  four_lanes_ = four_lanes && __builtin_cpu_supports("avx2");
}

void RealFft::Forward(std::span<const double> x, std::vector<double>& out_re,
                      std::vector<double>& out_im) {
  out_re.resize(half_ + 1);
  out_im.resize(half_ + 1);
  if (four_lanes_) {
    TransformFourLanes(x.data(), out_re.data(), out_im.data());
  } else {
    TransformTwoLanes(x.data(), out_re.data(), out_im.data());
  }
}

}  // namespace vtr::recogniser
