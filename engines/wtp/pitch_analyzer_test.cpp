#include "engines/wtp/pitch_analyzer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

namespace vtr::wtp {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// A harmonic vowel-like tone: harmonics up to 4 kHz with a formant-shaped envelope, or a pure
// sine. f0 follows `f0_at(t)`.
template <typename F0>
std::vector<int16_t> Tone(int rate, double seconds, F0 f0_at, bool sine, double level,
                          double snr_db, bool spread = false, uint32_t seed = 1) {
  std::vector<double> clean(static_cast<size_t>(rate * seconds));
  double phase = 0;
  double energy = 0;
  for (size_t i = 0; i < clean.size(); ++i) {
    const double f0 = f0_at(static_cast<double>(i) / rate);
    phase += f0 / rate;
    double v = 0;
    if (sine) {
      v = std::sin(kTwoPi * phase);
    } else {
      for (int h = 1; h * f0 < 4000 && h <= 40; ++h) {
        const double hz = h * f0;
        const double formant =
            1.0 / (1 + std::pow((hz - 700) / 300, 2)) + 0.5 / (1 + std::pow((hz - 1200) / 300, 2));
        // Spread phases make a smoother, less pulse-like wave.
        v += (0.3 / h + formant) * std::sin(kTwoPi * h * phase + (spread ? 0.7 * h * h : 0.0));
      }
      v *= 0.35;
    }
    clean[i] = level * v;
    energy += clean[i] * clean[i];
  }
  // White noise `snr_db` below the tone's own power.
  std::mt19937 random(seed);
  std::normal_distribution<double> gauss(0, 1);
  const double noise_rms =
      snr_db > 0 ? std::sqrt(energy / static_cast<double>(clean.size())) / std::pow(10, snr_db / 20)
                 : 0;
  std::vector<int16_t> out(clean.size());
  for (size_t i = 0; i < out.size(); ++i) {
    const double s = clean[i] + (noise_rms > 0 ? noise_rms * gauss(random) : 0);
    out[i] = static_cast<int16_t>(std::clamp(std::lround(s), -32768L, 32767L));
  }
  return out;
}

struct Stats {
  int frames = 0, voiced = 0, gross = 0;
  double mean_cents = 0;
};

template <typename F0>
Stats Measure(const PitchAnalyzer& analyzer, F0 f0_at, size_t skip) {
  Stats s;
  const auto& raw = analyzer.raw_pitch();
  double sum = 0;
  for (size_t i = skip; i + 2 < raw.size(); ++i) {
    ++s.frames;
    if (raw[i] == 0) continue;
    ++s.voiced;
    const double truth = f0_at((static_cast<double>(i) + 0.5) * 0.01);
    const double cents = 1200 * std::log2(raw[i] / truth);
    if (std::abs(raw[i] / truth - 1) > 0.2) {
      ++s.gross;
    } else {
      sum += cents;
    }
  }
  s.mean_cents = s.voiced > s.gross ? sum / (s.voiced - s.gross) : 0;
  return s;
}

TEST(PitchAnalyzerTest, SteadyTonesAtEveryRate) {
  struct Case {
    int rate;
    double f0;
    bool sine;
  };
  const Case cases[] = {
      {44100, 200, true},  {44100, 200, false}, {22050, 300, false}, {16000, 150, false},
      {32000, 120, false}, {48000, 250, false}, {44100, 80, false},  {44100, 60, false},
      {44100, 600, true},  {44100, 700, true},  {16000, 440, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz rate, f0 " + std::to_string(c.f0) +
                 (c.sine ? " sine" : " vowel"));
    auto f0 = [&](double) { return c.f0; };
    WaveBuffer wave(Tone(c.rate, 1.0, f0, c.sine, 20000, 0), c.rate);
    PitchAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyse(wave));
    EXPECT_EQ(analyzer.frame_count(), 100u);
    EXPECT_EQ(analyzer.analysed_rate(), c.rate < 22050 ? 44100 : c.rate);
    const Stats s = Measure(analyzer, f0, 6);
    std::printf("%d Hz, f0 %.0f %s: voiced %d/%d, gross %d, mean %.2f cents\n", c.rate, c.f0,
                c.sine ? "sine" : "vowel", s.voiced, s.frames, s.gross, s.mean_cents);
    EXPECT_EQ(s.gross, 0);
    EXPECT_LT(std::abs(s.mean_cents), 10);
    EXPECT_GE(s.voiced, 0.95 * s.frames);
  }
}

TEST(PitchAnalyzerTest, GlidesVibratoAndNoise) {
  struct Case {
    const char* name;
    double (*f0)(double);
    double snr_db;
    double min_voiced;  // share of frames after onset
    int max_gross;
    double max_cents;
  };
  // clang-format off
  const Case cases[] = {
      {"glide 100 -> 300 Hz", [](double t) { return 100 + 200 * t / 2; }, 0, 0.95, 0, 30},
      {"vibrato 220 Hz +-50 cents", [](double t) { return 220 * std::pow(2, 50 / 1200.0 * std::sin(kTwoPi * 5.5 * t)); }, 0, 0.95, 0, 10},
      {"noise 30 dB", [](double) { return 150.0; }, 30, 0.95, 0, 10},
      {"noise 20 dB", [](double) { return 150.0; }, 20, 0.95, 0, 10},
      {"noise 10 dB", [](double) { return 150.0; }, 10, 0.9, 2, 10},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveBuffer wave(Tone(44100, 2.0, c.f0, false, 20000, c.snr_db, true), 44100);
    PitchAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyse(wave));
    const Stats s = Measure(analyzer, c.f0, 6);
    std::printf("%s: voiced %d/%d, gross %d, mean %.1f cents\n", c.name, s.voiced, s.frames,
                s.gross, s.mean_cents);
    EXPECT_GE(s.voiced, c.min_voiced * s.frames);
    EXPECT_LE(s.gross, c.max_gross);
    EXPECT_LT(std::abs(s.mean_cents), c.max_cents);
  }
}

// A sum of sines: {hz, amplitude} pairs, for `seconds` at `rate`; then `silence` seconds of 0.
std::vector<int16_t> Sines(int rate, double seconds,
                           const std::vector<std::pair<double, double>>& parts,
                           double silence = 0) {
  std::vector<int16_t> out(static_cast<size_t>(rate * (seconds + silence)), 0);
  for (size_t i = 0; i < static_cast<size_t>(rate * seconds); ++i) {
    double v = 0;
    for (const auto& [hz, amplitude] : parts)
      v += amplitude * std::sin(kTwoPi * hz * static_cast<double>(i) / rate + 0.5 * hz / 100);
    out[i] = static_cast<int16_t>(std::lround(v));
  }
  return out;
}

TEST(PitchAnalyzerTest, VoicingFollowsTheLevelTheCrossingsAndTheDecay) {
  // A 200 Hz tone is voiced once its 40 Hz high-passed signal passes 327.68 (-40 dB of full
  // scale); a frame whose signal crosses zero more than 80 times in 10 ms is noise; after the
  // tone stops the amplitude envelope falls with a half-life of 8 ms, from 10000 below the
  // threshold in about 40 ms, and frames stay voiced only until then.
  struct Case {
    const char* name;
    std::vector<int16_t> samples;
    int min_voiced, max_voiced;  // frames of 100 from frame 6 on
  };
  // clang-format off
  const Case cases[] = {
      {"a tone at amplitude 300 is quiet", Sines(44100, 1.0, {{200, 300}}), 0, 0},
      {"a tone at amplitude 360 is voiced", Sines(44100, 1.0, {{200, 360}}), 90, 94},
      {"with a 3.7 kHz tone on top (74 crossings) it is voiced", Sines(44100, 1.0, {{200, 9000}, {3700, 12000}}), 90, 94},
      {"with a 4.3 kHz tone on top (86 crossings) it is noise", Sines(44100, 1.0, {{200, 9000}, {4300, 12000}}), 0, 0},
      {"half a second of tone and half of silence: voiced to about 40 ms after the end",
       Sines(44100, 0.5, {{200, 10000}}, 0.5), 42, 49},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PitchAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyse(WaveBuffer(c.samples, 44100)));
    int voiced = 0;
    for (size_t i = 6; i < analyzer.frame_count(); ++i) voiced += analyzer.raw_pitch()[i] != 0;
    EXPECT_GE(voiced, c.min_voiced);
    EXPECT_LE(voiced, c.max_voiced);
  }
}

TEST(PitchAnalyzerTest, FollowsTheFundamentalUnderStrongHarmonics) {
  // The low-pass filters (800 Hz) and the smoother (100 Hz) keep strong harmonics from making
  // extra peaks in a period.
  struct Case {
    const char* name;
    double f0;
    int harmonic;
    double ratio;  // of the harmonic's amplitude to the fundamental's
  };
  const Case cases[] = {
      {"150 Hz with its 2nd harmonic 5 times stronger", 150, 2, 5},
      {"100 Hz with its 11th harmonic 32 times stronger", 100, 11, 32},
      {"100 Hz with its 13th harmonic 32 times stronger", 100, 13, 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const double fundamental = 30000 / (1 + c.ratio);
    PitchAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyse(WaveBuffer(
        Sines(44100, 1.0, {{c.f0, fundamental}, {c.harmonic * c.f0, c.ratio * fundamental}}),
        44100)));
    const Stats s = Measure(
        analyzer, [&](double) { return c.f0; }, 6);
    EXPECT_GE(s.voiced, 0.95 * s.frames);
    EXPECT_EQ(s.gross, 0);
  }
}

TEST(PitchAnalyzerTest, SilenceAndVoicelessNoiseAreUnvoiced) {
  std::mt19937 random(3);
  std::normal_distribution<double> gauss(0, 6000);
  std::vector<int16_t> noise(44100);
  for (int16_t& s : noise) s = static_cast<int16_t>(std::clamp(gauss(random), -32000.0, 32000.0));
  struct Case {
    const char* name;
    std::vector<int16_t> samples;
    double power;  // expected rescaled power everywhere (NaN: not checked)
  };
  const Case cases[] = {
      {"digital silence", std::vector<int16_t>(44100, 0), -66},
      {"white noise", noise, std::nan("")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveBuffer wave(c.samples, 44100);
    PitchAnalyzer analyzer;
    ASSERT_TRUE(analyzer.Analyse(wave));
    int voiced = 0;
    for (double p : analyzer.raw_pitch()) voiced += p != 0;
    EXPECT_LE(voiced, 5);
    if (!std::isnan(c.power)) {
      for (size_t i = 0; i < analyzer.frame_count(); ++i) {
        ASSERT_DOUBLE_EQ(analyzer.power()[i], c.power);
        ASSERT_DOUBLE_EQ(analyzer.pitch()[i], 150);
      }
    }
  }
  PitchAnalyzer analyzer;
  EXPECT_FALSE(analyzer.Analyse(WaveBuffer()));
  EXPECT_EQ(analyzer.frame_count(), 0u);
  EXPECT_EQ(analyzer.Pitch(1.0), 0);
}

std::vector<double> Contour(std::initializer_list<std::pair<int, double>> runs) {
  std::vector<double> out;
  for (const auto& [count, value] : runs) out.insert(out.end(), static_cast<size_t>(count), value);
  return out;
}

TEST(PitchAnalyzerTest, PostProcessingOfHandMadeContours) {
  struct Case {
    const char* name;
    std::vector<double> raw;
    std::vector<double> repaired_raw;  // rawPitch after removal and octave check
    std::vector<double> filled;        // pitch before smoothing
  };
  std::vector<double> step_filled = Contour({{5, 200}, {12, 200}, {13, 220}, {5, 220}});
  std::vector<double> linear_filled = Contour({{5, 200}});
  for (int k = 1; k <= 5; ++k) linear_filled.push_back(200 + 5.0 * k / 6);
  for (double v : Contour({{5, 205}})) linear_filled.push_back(v);
  // clang-format off
  const Case cases[] = {
      {"single voiced frame removed", Contour({{4, 0}, {1, 180}, {4, 0}}), Contour({{9, 0}}), Contour({{9, 150}})},
      {"two voiced frames removed", Contour({{4, 0}, {2, 180}, {4, 0}}), Contour({{10, 0}}), Contour({{10, 150}})},
      {"25-frame gap with a 10 % jump is a step", Contour({{5, 200}, {25, 0}, {5, 220}}),
       Contour({{5, 200}, {25, 0}, {5, 220}}), step_filled},
      {"5-frame gap is linear", Contour({{5, 200}, {5, 0}, {5, 205}}), Contour({{5, 200}, {5, 0}, {5, 205}}),
       linear_filled},
      {"ends take the first and last voiced values", Contour({{3, 0}, {4, 210}, {3, 0}}),
       Contour({{3, 0}, {4, 210}, {3, 0}}), Contour({{10, 210}})},
      {"onset an octave up is dropped", Contour({{3, 0}, {1, 400}, {6, 200}, {3, 0}}),
       Contour({{4, 0}, {6, 200}, {3, 0}}), Contour({{13, 200}})},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PitchAnalyzer analyzer;
    analyzer.SetRawContours(c.raw, std::vector<double>(c.raw.size(), -20), 0);
    EXPECT_EQ(analyzer.raw_pitch(), c.repaired_raw);
    // Undo the smoothing pitch[k] = (filled[k] + filled[k-1]) / 2 to compare the fill.
    std::vector<double> smoothed = c.filled;
    for (size_t k = smoothed.size(); k-- > 1;) smoothed[k] = (c.filled[k] + c.filled[k - 1]) / 2;
    ASSERT_EQ(analyzer.pitch().size(), smoothed.size());
    for (size_t k = 0; k < smoothed.size(); ++k)
      EXPECT_NEAR(analyzer.pitch()[k], smoothed[k], 1e-9) << k;
  }
}

TEST(PitchAnalyzerTest, GapsAreFilledAsAStepWhenLongOrWithAJump) {
  // A gap of g = 10 ms x (unvoiced frames - 1) between 200 Hz and a later pitch is filled as a
  // step at its middle when g >= 0.1 s and either g >= 0.3 s or the pitch jumps by 10 % or
  // more; otherwise as a line. After the smoothing a step leaves one value strictly between
  // the two pitches (at the step), a line one at every frame.
  struct Case {
    const char* name;
    int unvoiced;
    double after;  // [Hz]
    bool step;
  };
  // clang-format off
  const Case cases[] = {
      {"0.29 s with a 1 % rise is a line", 30, 202, false},
      {"0.31 s with a 1 % rise is a step", 32, 202, true},
      {"0.09 s with an 11 % rise is a line", 10, 222, false},
      {"0.11 s with an 11 % rise is a step", 12, 222, true},
      {"0.14 s with a 9 % rise is a line", 15, 218, false},
      {"0.14 s with an 11 % fall is a step", 15, 178, true},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> raw = Contour({{5, 200}, {c.unvoiced, 0}, {5, c.after}});
    PitchAnalyzer analyzer;
    analyzer.SetRawContours(raw, std::vector<double>(raw.size(), -20), 0);
    int between = 0;
    for (double p : analyzer.pitch())
      between += p > std::min(200.0, c.after) && p < std::max(200.0, c.after);
    if (c.step) {
      EXPECT_EQ(between, 1);
    } else {
      EXPECT_GE(between, c.unvoiced);
    }
  }
}

TEST(PitchAnalyzerTest, AnOnsetAnOctaveOffAStableContinuationIsDropped) {
  // Two unvoiced frames, then the onset under test and two frames after it. The onset goes
  // when it lies more than 1.5 times above or below the next frame while the two frames after
  // it agree within 1/1.2 .. 1.2.
  struct Case {
    const char* name;
    double onset, next, third;  // [Hz]
    bool dropped;
  };
  const Case cases[] = {
      {"1.55 times above is dropped", 310, 200, 200, true},
      {"1.45 times above is kept", 290, 200, 200, false},
      {"0.65 times is dropped", 130, 200, 200, true},
      {"0.68 times is kept", 136, 200, 200, false},
      {"kept when the frames after it differ by more than 1.2 (200 / 245)", 400, 200, 245, false},
      {"dropped when they differ less (200 / 236)", 400, 200, 236, true},
      {"kept when they differ by more than 1.2 the other way (200 / 166)", 400, 200, 166, false},
      {"dropped when less (200 / 168)", 400, 200, 168, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> raw =
        Contour({{3, 0}, {1, c.onset}, {1, c.next}, {4, c.third}, {3, 0}});
    PitchAnalyzer analyzer;
    analyzer.SetRawContours(raw, std::vector<double>(raw.size(), -20), 0);
    EXPECT_EQ(analyzer.raw_pitch()[3], c.dropped ? 0.0 : c.onset);
  }
}

TEST(PitchAnalyzerTest, PowerIsFlooredAndCompressed) {
  struct Case {
    const char* name;
    std::vector<double> raw;
    std::vector<double> power;
  };
  const double inf = std::numeric_limits<double>::infinity();
  // clang-format off
  const Case cases[] = {
      {"silence", {-inf, -inf}, {-66, -66}},
      {"all at -96 stays", {-96, -120}, {-96, -96}},
      {"range compressed to -66 .. M", {-6, -96, -51, -200}, {-6, -66, -36, -66}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PitchAnalyzer analyzer;
    analyzer.SetRawContours(std::vector<double>(c.raw.size(), 0), c.raw, -3);
    ASSERT_EQ(analyzer.power().size(), c.power.size());
    for (size_t i = 0; i < c.power.size(); ++i)
      EXPECT_NEAR(analyzer.power()[i], c.power[i], 1e-9) << i;
    EXPECT_DOUBLE_EQ(analyzer.gain_db(), -3);
  }
}

TEST(PitchAnalyzerTest, LookUpsRoundHalfUpAndHold) {
  PitchAnalyzer analyzer;
  analyzer.SetRawContours({0, 0, 0, 0}, {-10, -20, -30, -40}, 0);
  struct Case {
    double t;
    double raw_power;
  };
  for (const Case c :
       {Case{-1, -10}, Case{0.0049, -10}, Case{0.005, -20}, Case{0.026, -40}, Case{9, -40}}) {
    SCOPED_TRACE(c.t);
    EXPECT_DOUBLE_EQ(analyzer.RawPower(c.t), c.raw_power);
  }
}

}  // namespace
}  // namespace vtr::wtp
