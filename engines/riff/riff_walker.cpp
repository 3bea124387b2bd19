#include "engines/riff/riff_walker.h"

#include <algorithm>
#include <fstream>

namespace vtr::riff {
namespace {

constexpr uint64_t kHeaderBytes = 12;  // "RIFF", size, form
constexpr uint64_t kChunkHeaderBytes = 8;

// Reads `count` bytes at `at` of a source; false when the source is shorter.
class Source {
 public:
  virtual ~Source() = default;
  virtual uint64_t size() const = 0;
  virtual bool Read(uint64_t at, uint8_t* out, size_t count) = 0;
};

class ByteSource : public Source {
 public:
  explicit ByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t size() const override { return bytes_.size(); }
  bool Read(uint64_t at, uint8_t* out, size_t count) override {
    if (at > bytes_.size() || bytes_.size() - at < count) return false;
    std::copy_n(bytes_.data() + at, count, out);
    return true;
  }

 private:
  std::span<const uint8_t> bytes_;
};

class FileSource : public Source {
 public:
  FileSource(std::ifstream& in, uint64_t size) : in_(in), size_(size) {}
  uint64_t size() const override { return size_; }
  bool Read(uint64_t at, uint8_t* out, size_t count) override {
    if (at > size_ || size_ - at < count) return false;
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(at));
    in_.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(count));
    return static_cast<size_t>(in_.gcount()) == count;
  }

 private:
  std::ifstream& in_;
  uint64_t size_;
};

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

FourCC IdAt(const uint8_t* p) {
  FourCC id;
  std::copy_n(reinterpret_cast<const char*>(p), id.size(), id.begin());
  return id;
}

Walk WalkSource(Source& source) {
  Walk walk;
  walk.source_size = source.size();
  uint8_t header[kHeaderBytes];
  if (!source.Read(0, header, kHeaderBytes) || IdAt(header) != MakeFourCC("RIFF")) return walk;
  walk.status = WalkStatus::kOk;
  walk.riff_size = Le32(header + 4);
  walk.form = IdAt(header + 8);
  // The chunks end where the RIFF chunk ends, or where the source ends when that comes first.
  const uint64_t riff_end = kChunkHeaderBytes + static_cast<uint64_t>(walk.riff_size);
  const uint64_t end = std::min(riff_end, walk.source_size);
  if (riff_end > walk.source_size) walk.truncated = true;
  uint64_t at = kHeaderBytes;
  while (at < end) {
    uint8_t chunk_header[kChunkHeaderBytes];
    if (end - at < kChunkHeaderBytes || !source.Read(at, chunk_header, kChunkHeaderBytes)) {
      walk.truncated = true;
      break;
    }
    Chunk chunk;
    chunk.id = IdAt(chunk_header);
    chunk.declared_size = Le32(chunk_header + 4);
    chunk.offset = at + kChunkHeaderBytes;
    chunk.size = std::min<uint64_t>(chunk.declared_size, end - chunk.offset);
    if (chunk.truncated()) walk.truncated = true;
    walk.chunks.push_back(chunk);
    // Bodies of odd length carry one pad byte.
    at = chunk.offset + chunk.declared_size + (chunk.declared_size & 1u);
  }
  return walk;
}

}  // namespace

FourCC MakeFourCC(std::string_view text) {
  FourCC id{' ', ' ', ' ', ' '};
  for (size_t i = 0; i < id.size() && i < text.size(); ++i) id[i] = text[i];
  return id;
}

const Chunk* Walk::Find(std::string_view id_text) const {
  const FourCC id = MakeFourCC(id_text);
  for (const Chunk& chunk : chunks) {
    if (chunk.id == id) return &chunk;
  }
  return nullptr;
}

Walk WalkBytes(std::span<const uint8_t> bytes) {
  ByteSource source(bytes);
  return WalkSource(source);
}

Walk WalkFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    Walk walk;
    walk.status = WalkStatus::kCannotOpen;
    return walk;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length < 0) {
    Walk walk;
    walk.status = WalkStatus::kCannotOpen;
    return walk;
  }
  FileSource source(in, static_cast<uint64_t>(length));
  return WalkSource(source);
}

bool ReadChunk(const std::filesystem::path& file, const Chunk& chunk, uint64_t max_bytes,
               std::vector<uint8_t>& body) {
  body.clear();
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  const uint64_t count = std::min(chunk.size, max_bytes);
  body.resize(static_cast<size_t>(count));
  in.seekg(static_cast<std::streamoff>(chunk.offset));
  in.read(reinterpret_cast<char*>(body.data()), static_cast<std::streamsize>(count));
  if (static_cast<uint64_t>(in.gcount()) != count) {
    body.clear();
    return false;
  }
  return true;
}

std::vector<uint8_t> BuildRiff(std::string_view form, std::span<const ChunkData> chunks) {
  std::vector<uint8_t> out;
  uint64_t body_bytes = 4;
  for (const ChunkData& chunk : chunks) {
    body_bytes += kChunkHeaderBytes + chunk.body.size() + (chunk.body.size() & 1u);
  }
  out.reserve(static_cast<size_t>(body_bytes + kChunkHeaderBytes));
  const FourCC riff = MakeFourCC("RIFF");
  out.insert(out.end(), riff.begin(), riff.end());
  AppendU32(out, static_cast<uint32_t>(body_bytes));
  const FourCC form_id = MakeFourCC(form);
  out.insert(out.end(), form_id.begin(), form_id.end());
  for (const ChunkData& chunk : chunks) {
    const FourCC id = MakeFourCC(chunk.id);
    out.insert(out.end(), id.begin(), id.end());
    AppendU32(out, static_cast<uint32_t>(chunk.body.size()));
    out.insert(out.end(), chunk.body.begin(), chunk.body.end());
    if (chunk.body.size() & 1u) out.push_back(0);
  }
  return out;
}

uint16_t ReadU16(std::span<const uint8_t> bytes, size_t at) {
  return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at) { return Le32(bytes.data() + at); }

void AppendU16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

}  // namespace vtr::riff
