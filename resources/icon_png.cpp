#include "resources/icon_png.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace vtr::resources {
namespace {

constexpr std::string_view kSignature = "\x89PNG\r\n\x1a\n";
constexpr size_t kMaxStoredBlock = 65535;  // [bytes] the most one stored deflate block holds
constexpr uint8_t kColourTypeRgba = 6;
constexpr uint8_t kFilterNone = 0;

// CRC-32 of PNG chunks (ISO 3309, polynomial 0xEDB88320 reflected), table built once.
uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (char byte : bytes) crc = table[(crc ^ static_cast<uint8_t>(byte)) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

// Adler-32 of the zlib stream's uncompressed data.
uint32_t Adler32(std::string_view bytes) {
  constexpr uint32_t kModulus = 65521;
  uint32_t a = 1, b = 0;
  for (char byte : bytes) {
    a = (a + static_cast<uint8_t>(byte)) % kModulus;
    b = (b + a) % kModulus;
  }
  return (b << 16) | a;
}

void PutBigEndian32(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void PutChunk(std::string& out, std::string_view type, std::string_view data) {
  PutBigEndian32(out, static_cast<uint32_t>(data.size()));
  std::string typed(type);
  typed += data;
  out += typed;
  PutBigEndian32(out, Crc32(typed));
}

// A zlib stream (no preset dictionary, fastest level) of stored deflate blocks.
std::string StoredZlib(std::string_view data) {
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    const size_t length = std::min(kMaxStoredBlock, data.size() - at);
    const bool last = at + length == data.size();
    out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(data.substr(at, length));
    at += length;
  } while (at < data.size());
  PutBigEndian32(out, Adler32(data));
  return out;
}

}  // namespace

platform::Image IconImage(int scale) {
  if (scale < 1) return {};
  const platform::Image icon = LoadImage(Module::kProgram, kProgramIcon);
  platform::Image scaled(icon.width * scale, icon.height * scale, kIconKey);
  for (int y = 0; y < scaled.height; ++y) {
    for (int x = 0; x < scaled.width; ++x) scaled.set(x, y, icon.at(x / scale, y / scale));
  }
  return scaled;
}

std::string EncodePng(const platform::Image& image, platform::Color key) {
  if (image.empty()) return {};
  std::string header;
  PutBigEndian32(header, static_cast<uint32_t>(image.width));
  PutBigEndian32(header, static_cast<uint32_t>(image.height));
  header += {8, static_cast<char>(kColourTypeRgba), 0, 0,
             0};  // depth, colour, deflate, filter, no interlace
  std::string rows;
  rows.reserve(static_cast<size_t>(image.height) * (1 + 4 * static_cast<size_t>(image.width)));
  for (int y = 0; y < image.height; ++y) {
    rows.push_back(static_cast<char>(kFilterNone));
    for (int x = 0; x < image.width; ++x) {
      // A transparent pixel is black as well, so that a scaled-down icon gets no fringe of the
      // key colour.
      const platform::Color c = image.at(x, y) == key ? 0 : image.at(x, y);
      const bool opaque = image.at(x, y) != key;
      rows.push_back(static_cast<char>(platform::RedOf(c)));
      rows.push_back(static_cast<char>(platform::GreenOf(c)));
      rows.push_back(static_cast<char>(platform::BlueOf(c)));
      rows.push_back(static_cast<char>(opaque ? 0xFF : 0));
    }
  }
  std::string png(kSignature);
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(rows));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace vtr::resources
