#include "engines/wtp/wave_buffer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>

#include "engines/riff/riff_walker.h"
#include "platform/files.h"

namespace vtr::wtp {
namespace {

constexpr size_t kFormatRecordBytes = 16;

// 20 Hz Butterworth high-pass: K = tan(pi 20 / rate); 1.4144272 is its 1/Q.
constexpr double kHighPassOmega = 62.831856;
constexpr double kHighPassInverseQ = 1.4144272;

// Resampler design: a Kaiser-windowed sinc, tabled at 256 entries per zero crossing, in the
// fixed-point layout of the classic bandlimited-interpolation kit.
constexpr double kRolloff = 0.8;
constexpr double kKaiserBeta = 17.5;
constexpr int kEntriesPerCrossing = 256;    // Npc
constexpr int kInterpBits = 7;              // Na: bits of the table phase used to interpolate
constexpr int kPhaseBits = 15;              // Np: fraction bits of the time register
constexpr int kProductShift = 14;           // Nhxn: products keep 2 guard bits
constexpr int kGuardBits = 2;               // Nhg
constexpr int kScaleShift = 13;             // NLpScl
constexpr int kMaxWing = 5122;
constexpr int kMaxXoff = 2049;
constexpr int kFirstMult = 37;

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
  for (size_t i = 0; i < c.size(); ++i) filter.table[i] = static_cast<int16_t>(std::lround(c[i] * to_int));
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

// One wing of the inner product: from input index `x` stepping by `inc`, starting in the table
// at phase `phase` (15 bits) and stepping `table_step` (table index << kInterpBits) per sample.
int64_t Wing(const Filter& filter, const std::vector<int16_t>& input, int64_t x, int inc,
             uint32_t phase, uint32_t table_step) {
  uint64_t ho = (static_cast<uint64_t>(phase) * table_step) >> kPhaseBits;
  int64_t end = filter.wing;
  if (inc == 1) {
    // The right wing drops the last entry, and at phase 0 skips the centre the left wing took.
    --end;
    if (phase == 0) ho += table_step;
  }
  int64_t sum = 0;
  const int64_t size = static_cast<int64_t>(input.size());
  // Taps this wing reads; when they all lie inside the input the loop needs no bound checks.
  const int64_t taps = ho >> kInterpBits < static_cast<uint64_t>(end)
                           ? static_cast<int64_t>(((static_cast<uint64_t>(end) << kInterpBits) - ho) / table_step + 1)
                           : 0;
  const int64_t far = x + inc * (taps - 1);
  const bool inside = taps == 0 || (std::min(x, far) >= 0 && std::max(x, far) < size);
  const int16_t* table = filter.table.data();
  const int16_t* diff = filter.diff.data();
  const int16_t* in = input.data();
  while (static_cast<int64_t>(ho >> kInterpBits) < end) {
    const size_t index = static_cast<size_t>(ho >> kInterpBits);
    int64_t coefficient = table[index];
    coefficient += (static_cast<int64_t>(diff[index]) * static_cast<int64_t>(ho & ((1u << kInterpBits) - 1))) >> kInterpBits;
    const int64_t sample = inside || (x >= 0 && x < size) ? in[x] : 0;
    int64_t product = coefficient * sample;
    if (product & (int64_t{1} << (kProductShift - 1))) product += int64_t{1} << (kProductShift - 1);
    sum += product >> kProductShift;
    ho += table_step;
    x += inc;
  }
  return sum;
}

}  // namespace

bool WaveBuffer::CheckFormat(const WaveFormat& format) {
  bool rate_ok = false;
  for (uint32_t rate : kSupportedRates) {
    if (format.rate == rate) {
      rate_ok = true;
      rate_ = static_cast<int>(rate);
    }
  }
  return rate_ok && format.tag == 1 && format.channels == 1 && format.bits == 16 &&
         format.block_align == 2 && format.byte_rate == 2u * format.rate;
}

WaveResult WaveBuffer::ReadWave(const std::filesystem::path& file) {
  samples_.clear();
  if (file.empty()) return WaveResult::kBadArgument;
  if (!platform::IsRegularFile(file)) return WaveResult::kCannotOpen;  // a FIFO or a device, unopened
  const riff::Walk walk = riff::WalkFile(file);
  if (walk.status == riff::WalkStatus::kCannotOpen) return WaveResult::kCannotOpen;
  if (!walk.IsForm("WAVE")) return WaveResult::kUnsupported;
  const riff::Chunk* fmt = walk.Find("fmt ");
  const riff::Chunk* data = walk.Find("data");
  std::vector<uint8_t> body;
  if (fmt == nullptr || data == nullptr || fmt->size < kFormatRecordBytes ||
      !riff::ReadChunk(file, *fmt, kFormatRecordBytes, body)) {
    return WaveResult::kUnsupported;
  }
  WaveFormat format;
  format.tag = riff::ReadU16(body, 0);
  format.channels = riff::ReadU16(body, 2);
  format.rate = riff::ReadU32(body, 4);
  format.byte_rate = riff::ReadU32(body, 8);
  format.block_align = riff::ReadU16(body, 12);
  format.bits = riff::ReadU16(body, 14);
  if (!CheckFormat(format)) return WaveResult::kUnsupported;
  if (data->size > uint64_t{kMaxWaveSeconds} * format.byte_rate) return WaveResult::kUnsupported;
  if (!riff::ReadChunk(file, *data, data->size, body)) return WaveResult::kUnsupported;
  samples_.resize(body.size() / 2);
  for (size_t i = 0; i < samples_.size(); ++i) {
    samples_[i] = static_cast<int16_t>(riff::ReadU16(body, 2 * i));
  }
  return WaveResult::kOk;
}

WaveResult WaveBuffer::WriteWave(const std::filesystem::path& file) const {
  if (file.empty()) return WaveResult::kBadArgument;
  std::vector<uint8_t> fmt;
  riff::AppendU16(fmt, 1);
  riff::AppendU16(fmt, 1);
  riff::AppendU32(fmt, static_cast<uint32_t>(rate_));
  riff::AppendU32(fmt, static_cast<uint32_t>(rate_) * 2);
  riff::AppendU16(fmt, 2);
  riff::AppendU16(fmt, 16);
  std::vector<uint8_t> data;
  data.reserve(samples_.size() * 2);
  for (int16_t sample : samples_) riff::AppendU16(data, static_cast<uint16_t>(sample));
  const riff::ChunkData chunks[] = {{"fmt ", fmt}, {"data", data}};
  const std::vector<uint8_t> bytes = riff::BuildRiff("WAVE", chunks);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return WaveResult::kFailed;
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return out ? WaveResult::kOk : WaveResult::kFailed;
}

void WaveBuffer::HighPassNormalise(int percent) {
  const double k = std::tan(kHighPassOmega / rate_);
  const double d = 1.0 + kHighPassInverseQ * k + k * k;
  const double b0 = 1.0 / d, b1 = -2.0 / d, b2 = 1.0 / d;
  const double a1 = 2.0 * (k * k - 1.0) / d;
  const double a2 = (1.0 - kHighPassInverseQ * k + k * k) / d;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  int peak = 0;
  for (int16_t& sample : samples_) {
    const double x = sample;
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    sample = y >= 32767.0 ? int16_t{32767} : y <= -32768.0 ? int16_t{-32768} : static_cast<int16_t>(y);
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
  }
  // A silent recording has no peak to scale; it keeps gain 1 instead of an infinite one.
  if (peak == 0) {
    gain_ = 1.0f;
    return;
  }
  gain_ = static_cast<float>(percent * 327.68 / peak);
  for (int16_t& sample : samples_) {
    sample = Saturate(static_cast<int64_t>(static_cast<double>(sample) * gain_));
  }
}

WaveResult WaveBuffer::ResampleTo(WaveBuffer& target, int new_rate) const {
  target.samples_.clear();
  if (new_rate <= 0 || rate_ <= 0) return WaveResult::kFailed;
  const double factor = static_cast<double>(new_rate) / rate_;
  Filter filter;
  bool designed = false;
  for (int mult = kFirstMult; mult > 1 && !designed; mult -= 2) designed = DesignFilter(mult, factor, filter);
  if (!designed) return WaveResult::kFailed;
  const int64_t xoff = static_cast<int64_t>((filter.mult + 1) / 2.0 * std::max(1.0, 1.0 / factor) + 10);
  if (xoff >= kMaxXoff) return WaveResult::kFailed;

  // The input framed by xoff zeros on both sides, so every wing reads defined samples.
  std::vector<int16_t> input(static_cast<size_t>(xoff), 0);
  input.insert(input.end(), samples_.begin(), samples_.end());
  input.insert(input.end(), static_cast<size_t>(xoff), 0);

  const size_t out_count = static_cast<size_t>(static_cast<double>(samples_.size()) * factor + 1);
  std::vector<int16_t> out(out_count, 0);
  const int64_t time_step = std::llround((1 << kPhaseBits) / factor);
  const uint32_t table_step =
      factor >= 1.0 ? uint32_t{kEntriesPerCrossing} << kInterpBits
                    : static_cast<uint32_t>(std::lround(
                          (1 << kInterpBits) * std::min<double>(kEntriesPerCrossing, kEntriesPerCrossing * factor)));
  const uint32_t phase_mask = (1u << kPhaseBits) - 1;
  // The first trunc(factor x xoff) outputs stay 0: the output lags the input by xoff samples.
  size_t o = std::min(out_count, static_cast<size_t>(factor * static_cast<double>(xoff)));
  int64_t time = xoff << kPhaseBits;
  for (; o < out_count; ++o, time += time_step) {
    const int64_t position = time >> kPhaseBits;
    const uint32_t phase = static_cast<uint32_t>(time) & phase_mask;
    int64_t v = Wing(filter, input, position, -1, phase, table_step);
    v += Wing(filter, input, position + 1, 1, static_cast<uint32_t>(-time) & phase_mask, table_step);
    v >>= kGuardBits;
    out[o] = Saturate((v * filter.scale) >> kScaleShift);
  }
  target.samples_ = std::move(out);
  target.rate_ = new_rate;
  target.gain_ = gain_;
  return WaveResult::kOk;
}

}  // namespace vtr::wtp
