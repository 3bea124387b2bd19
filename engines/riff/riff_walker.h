// The one RIFF chunk walker of the system.
//
// A RIFF file is a 12-byte header ("RIFF", a little-endian size, a four-character form type such
// as "WAVE") followed by chunks: a four-character id, a little-endian body size and the body,
// padded to an even length. The walker lists the top-level chunks of the form with their body
// offsets and sizes. Every size it reports is bounded by what the source really holds, so a
// caller can read a chunk body without trusting the declared sizes. What a caller accepts (which
// form, which chunks, which formats) is its own rule; the walker only describes the layout.
//
//   // given: std::filesystem::path path; int kNotWave
//   vtr::riff::Walk walk = vtr::riff::WalkFile(path);
//   if (walk.status != vtr::riff::WalkStatus::kOk || !walk.IsForm("WAVE")) return kNotWave;
//   const vtr::riff::Chunk* fmt = walk.Find("fmt ");
//   std::vector<uint8_t> body;
//   if (fmt == nullptr || !vtr::riff::ReadChunk(path, *fmt, 16, body)) return kNotWave;
//
// Writing: BuildRiff("WAVE", {{"fmt ", fmt_bytes}, {"data", data_bytes}}) gives the whole file.
#ifndef VTR_ENGINES_RIFF_RIFF_WALKER_H_
#define VTR_ENGINES_RIFF_RIFF_WALKER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace vtr::riff {

using FourCC = std::array<char, 4>;

// Makes a FourCC from the first four characters of `text` (missing ones become spaces).
FourCC MakeFourCC(std::string_view text);

struct Chunk {
  FourCC id{};
  uint64_t offset = 0;         // [bytes] offset of the body from the start of the source
  uint32_t declared_size = 0;  // [bytes] the size field as written
  uint64_t size = 0;           // [bytes] declared_size bounded by the end of the source
  bool truncated() const { return size < declared_size; }
  bool Is(std::string_view id_text) const { return id == MakeFourCC(id_text); }
};

enum class WalkStatus : int32_t {
  kOk,          // a RIFF header was found; `chunks` lists what follows it
  kCannotOpen,  // the file could not be opened for reading
  kNotRiff,     // fewer than 12 bytes, or the source does not start with "RIFF"
};

struct [[nodiscard]] Walk {
  WalkStatus status = WalkStatus::kNotRiff;
  FourCC form{};
  uint32_t riff_size = 0;     // [bytes] the RIFF size field as written
  uint64_t source_size = 0;   // [bytes] length of the walked bytes or file
  std::vector<Chunk> chunks;  // top-level chunks of the form, in source order
  // True when a chunk header or body runs past the end of the RIFF chunk or of the source.
  bool truncated = false;

  bool IsForm(std::string_view form_text) const {
    return status == WalkStatus::kOk && form == MakeFourCC(form_text);
  }
  // The first chunk with the id, or nullptr.
  const Chunk* Find(std::string_view id_text) const;
};

// Walks the chunks of a RIFF image held in memory.
Walk WalkBytes(std::span<const uint8_t> bytes);

// Walks the chunks of a RIFF file, reading only the headers.
Walk WalkFile(const std::filesystem::path& file);

// Reads at most `max_bytes` of the chunk's body (never more than chunk.size) from the file into
// `body`. Returns false when the file cannot be read as far as chunk.offset + body size.
[[nodiscard]] bool ReadChunk(const std::filesystem::path& file, const Chunk& chunk,
                             uint64_t max_bytes, std::vector<uint8_t>& body);

struct ChunkData {
  std::string_view id;  // four characters
  std::span<const uint8_t> body;
};

// The bytes of a RIFF file of the form holding the chunks in order; odd bodies are padded.
std::vector<uint8_t> BuildRiff(std::string_view form, std::span<const ChunkData> chunks);

// Little-endian field readers for chunk bodies; `at` + width must lie inside `bytes`.
uint16_t ReadU16(std::span<const uint8_t> bytes, size_t at);
uint32_t ReadU32(std::span<const uint8_t> bytes, size_t at);
// Little-endian field writers appending to `out`.
void AppendU16(std::vector<uint8_t>& out, uint16_t value);
void AppendU32(std::vector<uint8_t>& out, uint32_t value);

}  // namespace vtr::riff

#endif  // VTR_ENGINES_RIFF_RIFF_WALKER_H_
