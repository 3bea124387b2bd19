#include "outside/recogniser/fft.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace vtr::recogniser {
namespace {

// The transform by its definition, summed in long double.
std::vector<std::complex<long double>> Dft(const std::vector<double>& x) {
  const size_t n = x.size();
  std::vector<std::complex<long double>> turn(n);
  for (size_t m = 0; m < n; ++m) {
    turn[m] = std::polar(1.0L, -2 * std::numbers::pi_v<long double> * static_cast<long double>(m) /
                                   static_cast<long double>(n));
  }
  std::vector<std::complex<long double>> out(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k) {
    for (size_t j = 0; j < n; ++j) out[k] += static_cast<long double>(x[j]) * turn[(j * k) % n];
  }
  return out;
}

TEST(RealFftTest, GivesTheSpectrumOfItsDefinitionAtEverySize) {
  struct Input {
    const char* name;
    std::function<double(size_t j, size_t n)> value;
  };
  std::mt19937 random(11);
  std::normal_distribution<double> gauss(0, 3000);
  // clang-format off
  const Input inputs[] = {
      {"impulse at 0", [](size_t j, size_t) { return j == 0 ? 1.0 : 0.0; }},
      {"impulse at 1", [](size_t j, size_t) { return j == 1 ? 1.0 : 0.0; }},
      {"constant", [](size_t, size_t) { return -7.5; }},
      {"alternating", [](size_t j, size_t) { return j % 2 == 0 ? 1.0 : -1.0; }},
      {"cosine at bin 3",
       [](size_t j, size_t n) { return std::cos(2 * std::numbers::pi * 3.0 * static_cast<double>(j) / static_cast<double>(n)); }},
      {"noise, the last third zero",
       [&](size_t j, size_t n) { return 3 * j < 2 * n ? gauss(random) : 0.0; }},
  };
  // clang-format on
  for (size_t n = 2; n <= 1024; n *= 2) {
    RealFft fft(n);
    EXPECT_EQ(fft.size(), n);
    for (const Input& input : inputs) {
      SCOPED_TRACE(std::to_string(n) + " points, " + input.name);
      std::vector<double> x(n);
      for (size_t j = 0; j < n; ++j) x[j] = input.value(j, n);
      std::vector<double> re, im;
      fft.Forward(x, re, im);
      const auto expected = Dft(x);
      ASSERT_EQ(re.size(), n / 2 + 1);
      ASSERT_EQ(im.size(), n / 2 + 1);
      double scale = 1;
      for (const auto& v : expected) scale = std::max(scale, static_cast<double>(std::abs(v)));
      for (size_t k = 0; k <= n / 2; ++k) {
        EXPECT_NEAR(re[k], static_cast<double>(expected[k].real()), 1e-12 * scale) << "bin " << k;
        EXPECT_NEAR(im[k], static_cast<double>(expected[k].imag()), 1e-12 * scale) << "bin " << k;
      }
    }
  }
}

// One transform object serves every frame of a recording: nothing of a frame stays in it, and
// the recogniser's output does not depend on the processor.
TEST(RealFftTest, AFrameGivesTheSameBitsWhateverCameBeforeAndOnEveryProcessor) {
  std::mt19937 random(5);
  std::normal_distribution<double> gauss(0, 1000);
  for (const size_t n : {4u, 8u, 16u, 32u, 512u, 1024u}) {
    SCOPED_TRACE(std::to_string(n) + " points");
    std::vector<double> a(n), b(n);
    for (size_t j = 0; j < n; ++j) a[j] = gauss(random), b[j] = gauss(random);
    RealFft fft(n);
    std::vector<double> first_re, first_im, re, im;
    fft.Forward(a, first_re, first_im);
    fft.Forward(b, re, im);
    fft.Forward(a, re, im);
    EXPECT_EQ(std::memcmp(re.data(), first_re.data(), re.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(im.data(), first_im.data(), im.size() * sizeof(double)), 0);
    // A fresh object gives the same bits too, and so do two lanes where four would run.
    for (const bool four_lanes : {true, false}) {
      RealFft other(n, four_lanes);
      other.Forward(a, re, im);
      EXPECT_EQ(std::memcmp(re.data(), first_re.data(), re.size() * sizeof(double)), 0)
          << four_lanes;
      EXPECT_EQ(std::memcmp(im.data(), first_im.data(), im.size() * sizeof(double)), 0)
          << four_lanes;
    }
  }
}

}  // namespace
}  // namespace vtr::recogniser
