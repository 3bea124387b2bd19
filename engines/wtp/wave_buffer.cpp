#include "engines/wtp/wave_buffer.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "engines/wtp/resampler.h"
#include "platform/files.h"

namespace vtr::wtp {
namespace {

// 20 Hz Butterworth high-pass: K = tan(pi 20 / rate); 1.4144272 is its 1/Q.
constexpr double kHighPassOmega = 62.831856;
constexpr double kHighPassInverseQ = 1.4144272;

int16_t Saturate(int64_t value) {
  return static_cast<int16_t>(std::clamp<int64_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

bool WaveBuffer::CheckFormat(const riff::WaveFormat& format) {
  bool rate_ok = false;
  for (uint32_t rate : kSupportedRates) {
    if (format.rate == rate) {
      rate_ok = true;
      rate_ = static_cast<int>(rate);
    }
  }
  return rate_ok && format.tag == riff::kWaveFormatPcm && format.channels == 1 &&
         format.bits == 16 && format.block_align == 2 && format.byte_rate == 2u * format.rate;
}

WaveResult WaveBuffer::ReadWave(const std::filesystem::path& file) {
  samples_.clear();
  if (file.empty()) return WaveResult::kBadArgument;
  if (!platform::IsRegularFile(file))
    return WaveResult::kCannotOpen;  // a FIFO or a device, unopened
  const riff::Walk walk = riff::WalkFile(file);
  if (walk.status == riff::WalkStatus::kCannotOpen) return WaveResult::kCannotOpen;
  if (!walk.IsForm("WAVE")) return WaveResult::kUnsupported;
  const riff::Chunk* fmt = walk.Find("fmt ");
  const riff::Chunk* data = walk.Find("data");
  std::vector<uint8_t> body;
  if (fmt == nullptr || data == nullptr || fmt->size < riff::kWaveFormatBytes ||
      !riff::ReadChunk(file, *fmt, riff::kWaveFormatBytes, body)) {
    return WaveResult::kUnsupported;
  }
  const riff::WaveFormat format = riff::DecodeWaveFormat(body);
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
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return WaveResult::kFailed;
  // The layout BuildRiff gives to {"fmt ", 16 bytes} and {"data", count x 2 bytes}, written as
  // it goes: the header, then the samples a block at a time, so that no copy of the recording
  // is made.
  const uint32_t data_bytes = static_cast<uint32_t>(samples_.size() * 2);
  std::vector<uint8_t> bytes;
  auto append_id = [&](std::string_view id) {
    const riff::FourCC four = riff::MakeFourCC(id);
    bytes.insert(bytes.end(), four.begin(), four.end());
  };
  append_id("RIFF");
  riff::AppendU32(bytes, 4 + 8 + riff::kWaveFormatBytes + 8 + data_bytes);
  append_id("WAVE");
  append_id("fmt ");
  riff::AppendU32(bytes, riff::kWaveFormatBytes);
  const auto format = riff::EncodeWaveFormat(riff::PcmFormat(1, rate_, 16));
  bytes.insert(bytes.end(), format.begin(), format.begin() + riff::kWaveFormatBytes);
  append_id("data");
  riff::AppendU32(bytes, data_bytes);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  constexpr size_t kBlockSamples = 16384;
  bytes.resize(2 * std::min(kBlockSamples, samples_.size()));
  for (size_t at = 0; at < samples_.size(); at += kBlockSamples) {
    const size_t count = std::min(kBlockSamples, samples_.size() - at);
    for (size_t i = 0; i < count; ++i) {
      const auto sample = static_cast<uint16_t>(samples_[at + i]);
      bytes[2 * i] = static_cast<uint8_t>(sample & 0xFF);
      bytes[2 * i + 1] = static_cast<uint8_t>(sample >> 8);
    }
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(2 * count));
  }
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
    sample = y >= 32767.0    ? int16_t{32767}
             : y <= -32768.0 ? int16_t{-32768}
                             : static_cast<int16_t>(y);
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
  // Into a local first: the target may be this buffer.
  std::vector<int16_t> out;
  if (!Resample(samples_, rate_, new_rate, out)) {
    target.samples_.clear();
    return WaveResult::kFailed;
  }
  target.samples_ = std::move(out);
  target.rate_ = new_rate;
  target.gain_ = gain_;
  return WaveResult::kOk;
}

}  // namespace vtr::wtp
