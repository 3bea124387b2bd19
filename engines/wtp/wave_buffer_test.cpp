#include "engines/wtp/wave_buffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"

namespace vtr::wtp {
namespace {

std::filesystem::path TestFile(const char* name) {
  return std::filesystem::path(VTR_TEST_BIN_DIR) / name;
}

void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> FormatBytes(const riff::WaveFormat& f, size_t extra) {
  std::vector<uint8_t> out;
  riff::AppendU16(out, f.tag);
  riff::AppendU16(out, f.channels);
  riff::AppendU32(out, f.rate);
  riff::AppendU32(out, f.byte_rate);
  riff::AppendU16(out, f.block_align);
  riff::AppendU16(out, f.bits);
  out.resize(out.size() + extra, 0xEE);
  return out;
}

std::vector<int16_t> Sine(double hz, int rate, double seconds, double amplitude) {
  std::vector<int16_t> out(static_cast<size_t>(rate * seconds));
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<int16_t>(std::lround(
        amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate)));
  }
  return out;
}

TEST(WaveBufferTest, FormatCheckAcceptsOnlyMono16BitPcmAtTheFiveRates) {
  struct Case {
    const char* name;
    riff::WaveFormat format;
    bool accepted;
    int stored_rate;
  };
  const Case cases[] = {
      {"44100 mono 16 bit", {1, 1, 44100, 88200, 2, 16}, true, 44100},
      {"48000 accepted", {1, 1, 48000, 96000, 2, 16}, true, 48000},
      {"16000 accepted", {1, 1, 16000, 32000, 2, 16}, true, 16000},
      {"22050 accepted", {1, 1, 22050, 44100, 2, 16}, true, 22050},
      {"32000 accepted", {1, 1, 32000, 64000, 2, 16}, true, 32000},
      {"two channels", {1, 2, 44100, 176400, 4, 16}, false, 44100},
      {"eight bits", {1, 1, 44100, 44100, 1, 8}, false, 44100},
      {"11025 Hz", {1, 1, 11025, 22050, 2, 16}, false, 44100},
      {"wrong byte rate, rate still stored", {1, 1, 22050, 44101, 2, 16}, false, 22050},
      {"not PCM", {3, 1, 44100, 88200, 2, 16}, false, 44100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveBuffer wave;
    EXPECT_EQ(wave.CheckFormat(c.format), c.accepted);
    EXPECT_EQ(wave.rate(), c.stored_rate);
  }
}

TEST(WaveBufferTest, WriteThenReadGivesTheSameSamples) {
  const auto file = TestFile("wave_buffer_round_trip.wav");
  WaveBuffer wave({0, 1, -1, 32767, -32768, 1234}, 16000);
  ASSERT_EQ(wave.WriteWave(file), WaveResult::kOk);
  WaveBuffer back;
  ASSERT_EQ(back.ReadWave(file), WaveResult::kOk);
  EXPECT_EQ(back.rate(), 16000);
  EXPECT_EQ(std::vector<int16_t>(back.samples().begin(), back.samples().end()),
            (std::vector<int16_t>{0, 1, -1, 32767, -32768, 1234}));
  const riff::Walk walk = riff::WalkFile(file);
  ASSERT_NE(walk.Find("fmt "), nullptr);
  EXPECT_EQ(walk.Find("fmt ")->size, 16u);
  EXPECT_EQ(walk.source_size, 44u + 12u);
  std::filesystem::remove(file);
}

// The file is the RIFF image of its two chunks to the byte, also for recordings written in
// more than one block and for none at all.
TEST(WaveBufferTest, WrittenFileIsTheRiffImageOfItsChunks) {
  const auto file = TestFile("wave_buffer_image.wav");
  for (const size_t count : {0u, 1u, 16384u, 40000u}) {
    SCOPED_TRACE(std::to_string(count) + " samples");
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i) samples[i] = static_cast<int16_t>(i * 2654435761u >> 16);
    ASSERT_EQ(WaveBuffer(samples, 22050).WriteWave(file), WaveResult::kOk);
    std::vector<uint8_t> fmt = FormatBytes({1, 1, 22050, 44100, 2, 16}, 0), data;
    for (int16_t s : samples) riff::AppendU16(data, static_cast<uint16_t>(s));
    const riff::ChunkData chunks[] = {{"fmt ", fmt}, {"data", data}};
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    EXPECT_EQ(written, riff::BuildRiff("WAVE", chunks));
  }
  std::filesystem::remove(file);
}

TEST(WaveBufferTest, ReadingRejectsDamagedOrUnsupportedFiles) {
  const std::vector<uint8_t> data = {1, 0, 2, 0, 3, 0};
  const riff::WaveFormat good{1, 1, 22050, 44100, 2, 16};
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    WaveResult result;
    size_t count;
  };
  auto build = [&](std::vector<uint8_t> fmt, std::string_view form, bool with_data) {
    std::vector<riff::ChunkData> chunks = {{"fmt ", fmt}};
    if (with_data) chunks.push_back({"data", data});
    return riff::BuildRiff(form, chunks);
  };
  std::vector<uint8_t> truncated_data = build(FormatBytes(good, 0), "WAVE", true);
  truncated_data.resize(truncated_data.size() - 3);
  // clang-format off
  const Case cases[] = {
      {"plain file", build(FormatBytes(good, 0), "WAVE", true), WaveResult::kOk, 3},
      {"extensible-size fmt chunk reads the record and skips the rest",
       build(FormatBytes(good, 24), "WAVE", true), WaveResult::kOk, 3},
      {"data cut by the end of the file is bounded by it", truncated_data, WaveResult::kOk, 1},
      {"fmt shorter than the record", build(std::vector<uint8_t>(14, 1), "WAVE", true), WaveResult::kUnsupported, 0},
      {"no data chunk", build(FormatBytes(good, 0), "WAVE", false), WaveResult::kUnsupported, 0},
      {"other form", build(FormatBytes(good, 0), "AVI ", true), WaveResult::kUnsupported, 0},
      {"stereo", build(FormatBytes({1, 2, 22050, 88200, 4, 16}, 0), "WAVE", true), WaveResult::kUnsupported, 0},
      {"not riff at all", {'h', 'e', 'l', 'l', 'o'}, WaveResult::kUnsupported, 0},
  };
  // clang-format on
  const auto file = TestFile("wave_buffer_damaged.wav");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(file, c.bytes);
    WaveBuffer wave({9, 9}, 44100);
    EXPECT_EQ(wave.ReadWave(file), c.result);
    EXPECT_EQ(wave.count(), c.count);
  }
  std::filesystem::remove(file);
  WaveBuffer wave({9}, 44100);
  EXPECT_EQ(wave.ReadWave(file), WaveResult::kCannotOpen);
  EXPECT_EQ(wave.ReadWave(""), WaveResult::kBadArgument);
  EXPECT_EQ(wave.count(), 0u);
  EXPECT_EQ(wave.WriteWave(TestFile("no_such_folder/x.wav")), WaveResult::kFailed);
}

TEST(WaveBufferTest, HighPassRemovesDcAndNormalisesThePeak) {
  struct Case {
    const char* name;
    std::vector<int16_t> samples;
    int expected_peak;    // after normalisation
    float expected_gain;  // 0: not checked
  };
  std::vector<int16_t> dc_plus_sine = Sine(440, 44100, 1.0, 3000);
  for (int16_t& s : dc_plus_sine) s = static_cast<int16_t>(s + 5000);
  // clang-format off
  const Case cases[] = {
      {"silence stays silent with gain 1", std::vector<int16_t>(44100, 0), 0, 1.0f},
      {"a quiet sine is raised to 90 %", Sine(440, 44100, 1.0, 1000), 29491, 0},
      {"a loud sine is lowered to 90 %", Sine(440, 44100, 1.0, 32000), 29491, 0},
      {"dc offset is removed", dc_plus_sine, 29491, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WaveBuffer wave(c.samples, 44100);
    wave.HighPassNormalise(90);
    int peak = 0;
    double tail_mean = 0;
    const auto s = wave.samples();
    for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
    const size_t half = s.size() / 2;
    for (size_t i = half; i < s.size(); ++i) tail_mean += s[i];
    tail_mean /= static_cast<double>(half);
    EXPECT_NEAR(peak, c.expected_peak, 2);
    EXPECT_NEAR(tail_mean, 0.0, 300.0);
    if (c.expected_gain != 0) {
      EXPECT_FLOAT_EQ(wave.gain(), c.expected_gain);
    }
    EXPECT_TRUE(std::isfinite(wave.gain()));
  }
}

// Amplitude and frequency of a sine by correlation against a sine and cosine of `hz`.
struct Fit {
  double amplitude;
  double phase;
};
Fit FitSine(std::span<const int16_t> s, double hz, int rate, size_t from, size_t to) {
  double c = 0, q = 0;
  for (size_t i = from; i < to; ++i) {
    const double w = 2 * std::numbers::pi * hz * static_cast<double>(i) / rate;
    c += s[i] * std::cos(w);
    q += s[i] * std::sin(w);
  }
  const double n = static_cast<double>(to - from);
  return {2 * std::hypot(c, q) / n, std::atan2(c, q)};
}

TEST(WaveBufferTest, HighPassIsAButterworthAtTwentyHertz) {
  // A low tone beside a 1 kHz tone of the same level: the filter's response at the low tone is
  // their ratio after filtering (the normalisation scales both alike). A second-order
  // Butterworth is 3 dB down at its corner, 12.3 dB an octave below and 0.26 dB an octave
  // above; a resonant filter rises above those.
  struct Case {
    double hz;
    double db;
  };
  const Case cases[] = {{10, -12.30}, {20, -3.01}, {40, -0.26}};
  constexpr int kRate = 16000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.hz);
    std::vector<int16_t> samples(4 * size_t{kRate});
    for (size_t i = 0; i < samples.size(); ++i) {
      const double t = static_cast<double>(i) / kRate;
      samples[i] =
          static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * c.hz * t) +
                                           8000 * std::sin(2 * std::numbers::pi * 1000 * t)));
    }
    WaveBuffer wave(samples, kRate);
    wave.HighPassNormalise(90);
    // Fitted over whole periods of both tones, after the filter has settled.
    const size_t from = kRate, to = 3 * size_t{kRate};
    const double low = FitSine(wave.samples(), c.hz, kRate, from, to).amplitude;
    const double high = FitSine(wave.samples(), 1000, kRate, from, to).amplitude;
    EXPECT_NEAR(20 * std::log10(low / high), c.db, 0.2);
  }
}

TEST(WaveBufferTest, ResamplerKeepsCountGainFrequencyAndDelay) {
  struct Case {
    int from;
    int to;
  };
  const Case cases[] = {{44100, 16000}, {48000, 16000}, {22050, 16000},
                        {32000, 16000}, {16000, 44100}, {16000, 16000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    const double factor = static_cast<double>(c.to) / c.from;
    // Count.
    WaveBuffer wave(Sine(1000, c.from, 0.5, 10000), c.from);
    WaveBuffer out;
    ASSERT_EQ(wave.ResampleTo(out, c.to), WaveResult::kOk);
    EXPECT_EQ(out.count(), static_cast<size_t>(wave.count() * factor + 1));
    EXPECT_EQ(out.rate(), c.to);
    // Amplitude, frequency and delay of a 1 kHz sine: the fit at the output rate holds the
    // amplitude; the phase shift gives the delay.
    const size_t n = out.count();
    const Fit fit = FitSine(out.samples(), 1000, c.to, n / 4, 3 * n / 4);
    EXPECT_NEAR(fit.amplitude, 10000, 200);
    const double delay_s = -fit.phase / (2 * std::numbers::pi * 1000);
    double wrapped = std::fmod(delay_s + 1e-3, 1e-3);
    EXPECT_LT(wrapped, 2e-3);
    // DC gain.
    WaveBuffer dc(std::vector<int16_t>(c.from / 2, 8000), c.from);
    ASSERT_EQ(dc.ResampleTo(out, c.to), WaveResult::kOk);
    EXPECT_NEAR(out.samples()[out.count() / 2], 8000, 80);
    // Full scale never wraps around: plateaus of a full-scale square wave keep their sign
    // and level after the ringing of its edges.
    const size_t half = static_cast<size_t>(c.from / 50);  // 100 Hz square
    std::vector<int16_t> square(static_cast<size_t>(c.from / 5));
    for (size_t i = 0; i < square.size(); ++i)
      square[i] = (i / half) % 2 ? int16_t{-32768} : int16_t{32767};
    WaveBuffer loud(square, c.from);
    ASSERT_EQ(loud.ResampleTo(out, c.to), WaveResult::kOk);
    const double delay = 0.002 * c.to;
    for (size_t k = 1; k + 1 < square.size() / half; ++k) {
      const size_t at = static_cast<size_t>(
          (static_cast<double>(k) + 0.5) * static_cast<double>(half) * factor + delay);
      if (at >= out.count()) break;
      const int16_t v = out.samples()[at];
      ASSERT_GT(k % 2 ? -v : v, 32000) << "plateau " << k;
    }
  }
}

TEST(WaveBufferTest, ResamplerDelayIsTheLeadingZerosAndUnderTwoMilliseconds) {
  for (int from : {44100, 48000, 16000, 22050, 32000}) {
    const int to = from == 16000 ? 44100 : 16000;
    SCOPED_TRACE(from);
    std::vector<int16_t> impulse(static_cast<size_t>(from / 10), 0);
    impulse[0] = 20000;
    WaveBuffer wave(impulse, from);
    WaveBuffer out;
    ASSERT_EQ(wave.ResampleTo(out, to), WaveResult::kOk);
    size_t peak_at = 0;
    for (size_t i = 0; i < out.count(); ++i) {
      if (std::abs(out.samples()[i]) > std::abs(out.samples()[peak_at])) peak_at = i;
    }
    EXPECT_LT(static_cast<double>(peak_at) / to, 0.002);
    EXPECT_GT(peak_at, 0u);
  }
}

}  // namespace
}  // namespace vtr::wtp
