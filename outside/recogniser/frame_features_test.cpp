#include "outside/recogniser/frame_features.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace vtr::recogniser {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

double PowerDb(double rms) { return 20 * std::log10(rms / 32768); }

// A tone, or a buzz (a pulse train through a vowel-like resonance), between two stretches of
// white noise.
std::vector<int16_t> NoiseToneNoise(int rate, double noise_rms, double amplitude, double hz,
                                    bool buzz, double offset = 0) {
  std::mt19937 random(3);
  std::normal_distribution<double> gauss(0.0, noise_rms);
  std::vector<int16_t> out;
  double phase = 0, y1 = 0, y2 = 0;
  const double r = std::exp(-std::numbers::pi * 100.0 / rate);
  const double a1 = 2 * r * std::cos(kTwoPi * 700 / rate), a2 = -r * r;
  for (int i = 0; i < 3 * rate; ++i) {
    double x = gauss(random);
    if (i >= rate && i < 2 * rate) {
      phase += hz / rate;
      if (buzz) {
        if (phase >= 1) phase -= 1;
        const double y = (phase < 0.05 ? 1.0 : 0.0) + a1 * y1 + a2 * y2;
        y2 = y1;
        y1 = y;
        x += amplitude * y / 4;
      } else {
        x += amplitude * std::sin(kTwoPi * phase);
      }
    }
    out.push_back(static_cast<int16_t>(std::clamp(std::lround(x + offset), -32768L, 32767L)));
  }
  return out;
}

TEST(FrameFeaturesTest, FramesAreTenMillisecondsAtEveryRate) {
  struct Case {
    int rate;
    size_t samples;
    size_t frames;
  };
  const Case cases[] = {
      {16000, 16000, 100}, {16000, 16159, 100}, {8000, 8080, 101}, {22050, 22050, 100},
      {22050, 220, 0},     {22050, 221, 1},     {44100, 441, 1},   {44100, 264600, 600},
      {16000, 159, 0},     {7999, 16000, 0},    {16000, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.samples) + " samples");
    const std::vector<int16_t> samples(c.samples, 100);
    EXPECT_EQ(ComputeFeatures(samples, c.rate).frames.size(), c.frames);
  }
}

// Frames are worked out in blocks, on several threads: a frame's features come from its own
// window only, whatever block and thread work it out. The same sound started some frames later
// gives every frame the bits of the frame that many earlier (frames whose windows meet the
// recording's start, and the voicing of frames at the noise floor, which are not searched,
// aside).
TEST(FrameFeaturesTest, EveryFrameGetsTheBitsOfItsOwnWindowOnAnyThread) {
  struct Case {
    int rate;
    double seconds;  // of noise, buzz and noise, repeated
    size_t threads;
  };
  const Case cases[] = {{16000, 12, 1}, {16000, 12, 4}, {8000, 7.3, 3}};
  constexpr size_t kShift = 37;  // frames, not a multiple of a block
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.threads) + " threads");
    const std::vector<int16_t> part = NoiseToneNoise(c.rate, 300, 8000, 140, true);
    std::vector<int16_t> samples;
    while (samples.size() < static_cast<size_t>(c.seconds * c.rate))
      samples.insert(samples.end(), part.begin(), part.end());
    samples.resize(static_cast<size_t>(c.seconds * c.rate));
    const size_t shift = kShift * static_cast<size_t>(c.rate) / 100;
    const Recording whole = ComputeFeatures(samples, c.rate, 1);
    const Recording later =
        ComputeFeatures(std::span<const int16_t>(samples).subspan(shift), c.rate, c.threads);
    ASSERT_EQ(later.frames.size() + kShift, whole.frames.size());
    size_t level_or_bands = 0, voicing = 0, voiced = 0;
    for (size_t f = 5; f < later.frames.size(); ++f) {
      const FrameFeatures& a = whole.frames[f + kShift];
      const FrameFeatures& b = later.frames[f];
      if (a.level_db != b.level_db || a.bands != b.bands) ++level_or_bands;
      if (a.level_db < whole.noise_db + 10) continue;
      voiced += a.voicing > 0.5 ? 1 : 0;
      if (a.voicing != b.voicing) ++voicing;
    }
    EXPECT_EQ(level_or_bands, 0u);
    EXPECT_EQ(voicing, 0u);
    EXPECT_GT(voiced, later.frames.size() / 5);
  }
}

TEST(FrameFeaturesTest, NoiseFloorAndSpeechLevelFollowTheRecording) {
  struct Case {
    const char* name;
    int rate;
    double noise_rms;
    double tone_amplitude;
    double offset;  // a constant added to every sample
  };
  const Case cases[] = {
      {"quiet room", 16000, 10, 8000, 0},  {"noisy room", 16000, 300, 8000, 0},
      {"soft speaker", 16000, 10, 500, 0}, {"noise near the speech", 16000, 1000, 3000, 0},
      {"44.1 kHz", 44100, 30, 8000, 0},    {"offset from zero", 16000, 10, 8000, 800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Recording r = ComputeFeatures(
        NoiseToneNoise(c.rate, c.noise_rms, c.tone_amplitude, 440, false, c.offset), c.rate);
    EXPECT_NEAR(r.noise_db, PowerDb(c.noise_rms), 1.5);
    const double tone_rms = c.tone_amplitude / std::sqrt(2.0);
    EXPECT_NEAR(r.speech_db,
                10 * std::log10(std::pow(10, PowerDb(tone_rms) / 10) +
                                std::pow(10, PowerDb(c.noise_rms) / 10)),
                1.0);
    // The noise spectrum is the mean spectrum of the noise.
    for (size_t b = 0; b < kMelBands; ++b) {
      double mean = 0;
      for (size_t f = 10; f < 90; ++f) mean += std::pow(10.0, r.frames[f].bands[b] / 10);
      EXPECT_NEAR(r.noise_bands[b], 10 * std::log10(mean / 80), 1.0) << "band " << b;
    }
  }
}

TEST(FrameFeaturesTest, VoicingIsHighForPeriodicSoundsOnly) {
  struct Case {
    const char* name;
    double hz;
    bool buzz;
    double amplitude;
    double min_voicing;  // in the middle of the sound
    double max_voicing;
  };
  const Case cases[] = {
      {"low man's voice", 75, true, 8000, 0.8, 1.0}, {"man's voice", 130, true, 8000, 0.8, 1.0},
      {"woman's voice", 260, true, 8000, 0.8, 1.0},  {"child's voice", 450, true, 8000, 0.8, 1.0},
      {"white noise", 0, false, 0, 0.0, 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // White noise throughout: 3000 rms; the buzz rides on a floor of 10.
    const double noise = c.buzz ? 10 : 3000;
    const Recording r =
        ComputeFeatures(NoiseToneNoise(16000, noise, c.amplitude, c.hz, c.buzz), 16000);
    int outside = 0;
    for (size_t f = 110; f < 190; ++f) {
      const float v = r.frames[f].voicing;
      if (v < c.min_voicing || v > c.max_voicing) ++outside;
    }
    EXPECT_LE(outside, 2);
    // Frames at the noise floor are not searched.
    if (c.buzz) {
      EXPECT_EQ(r.frames[50].voicing, 0.0f);
    }
  }
}

TEST(FrameFeaturesTest, ATonePutsItsPowerInItsBand) {
  for (const double hz : {200.0, 450.0, 1000.0, 2500.0, 6000.0}) {
    SCOPED_TRACE(hz);
    const Recording r = ComputeFeatures(NoiseToneNoise(16000, 1, 8000, hz, false), 16000);
    const auto& bands = r.frames[150].bands;
    const size_t loudest =
        static_cast<size_t>(std::max_element(bands.begin(), bands.end()) - bands.begin());
    size_t nearest = 0;
    for (size_t b = 0; b < kMelBands; ++b) {
      if (std::abs(std::log(r.band_hz[b] / hz)) < std::abs(std::log(r.band_hz[nearest] / hz)))
        nearest = b;
    }
    EXPECT_LE(std::max(loudest, nearest) - std::min(loudest, nearest), 1u);
    // The tone's power is all in the frame's bands.
    double total = 0;
    for (float b : bands) total += std::pow(10.0, b / 10);
    EXPECT_NEAR(10 * std::log10(total), r.frames[150].level_db, 2.0);
  }
}

}  // namespace
}  // namespace vtr::recogniser
