#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <system_error>

#include "platform/files.h"
#include "platform/version_record.h"

namespace vtr::platform {
namespace {

// Reads `size` bytes at `offset`; nullopt when the source is shorter.
using ByteSource =
    std::function<std::optional<std::string>(std::uint64_t offset, std::uint64_t size)>;

// Note sections of a library are a few hundred bytes; anything far larger is damage.
constexpr std::uint64_t kMaxNoteSection = 1 << 16;
constexpr std::uint32_t kSectionTypeNote = 7;

class Fields {
 public:
  explicit Fields(bool big_endian) : big_endian_(big_endian) {}
  std::uint64_t Get(std::string_view bytes, std::size_t at, std::size_t width) const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      std::size_t index = big_endian_ ? at + i : at + width - 1 - i;
      value = (value << 8) | static_cast<unsigned char>(bytes[index]);
    }
    return value;
  }

 private:
  bool big_endian_;
};

std::uint64_t Align4(std::uint64_t n) { return (n + 3) / 4 * 4; }

// Splits the note's description into the three texts.
std::optional<VersionRecord> RecordFromTexts(std::string_view desc) {
  std::string texts[3];
  for (std::string& text : texts) {
    std::size_t end = desc.find('\0');
    if (end == std::string_view::npos) return std::nullopt;
    text.assign(desc.substr(0, end));
    desc.remove_prefix(end + 1);
  }
  return VersionRecord{texts[0], texts[1], texts[2]};
}

std::optional<VersionRecord> FindInNotes(std::string_view notes, const Fields& fields) {
  std::uint64_t at = 0;
  while (notes.size() - at >= 12) {
    std::uint64_t name_size = fields.Get(notes, at, 4);
    std::uint64_t desc_size = fields.Get(notes, at + 4, 4);
    std::uint64_t type = fields.Get(notes, at + 8, 4);
    std::uint64_t name_at = at + 12;
    std::uint64_t desc_at = name_at + Align4(name_size);
    // The padding after the section's last note may be missing; its description may not.
    if (desc_at > notes.size() || desc_size > notes.size() - desc_at) return std::nullopt;
    std::string_view name = notes.substr(name_at, name_size);
    if (!name.empty() && name.back() == '\0') name.remove_suffix(1);
    if (type == kVersionNoteType && name == kVersionNoteOwner) {
      return RecordFromTexts(notes.substr(desc_at, desc_size));
    }
    at = std::min<std::uint64_t>(desc_at + Align4(desc_size), notes.size());
  }
  return std::nullopt;
}

std::optional<VersionRecord> Parse(const ByteSource& read) {
  std::optional<std::string> ident = read(0, 16);
  if (!ident || ident->compare(0, 4,
                               "\x7f"
                               "ELF") != 0)
    return std::nullopt;
  const char elf_class = (*ident)[4];
  const char data = (*ident)[5];
  if ((elf_class != 1 && elf_class != 2) || (data != 1 && data != 2)) return std::nullopt;
  const bool wide = elf_class == 2;
  const Fields fields(data == 2);
  const std::size_t address = wide ? 8 : 4;

  std::optional<std::string> header = read(0, wide ? 64 : 52);
  if (!header) return std::nullopt;
  const std::uint64_t table = fields.Get(*header, wide ? 40 : 32, address);
  const std::uint64_t entry_size = fields.Get(*header, wide ? 58 : 46, 2);
  const std::uint64_t count = fields.Get(*header, wide ? 60 : 48, 2);
  const std::uint64_t needed_entry = wide ? 64 : 40;
  if (table == 0 || count == 0 || entry_size < needed_entry) return std::nullopt;

  // The whole table must lie in the file; a damaged count or place means a damaged file.
  std::optional<std::string> entries = read(table, count * entry_size);
  if (!entries) return std::nullopt;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::string_view entry = std::string_view(*entries).substr(i * entry_size, needed_entry);
    if (fields.Get(entry, 4, 4) != kSectionTypeNote) continue;
    const std::uint64_t offset = fields.Get(entry, wide ? 24 : 16, address);
    const std::uint64_t size = fields.Get(entry, wide ? 32 : 20, address);
    if (size > kMaxNoteSection) continue;
    std::optional<std::string> notes = read(offset, size);
    if (!notes) continue;
    if (auto record = FindInNotes(*notes, fields)) return record;
  }
  return std::nullopt;
}

bool EndsInLibrarySuffix(const std::filesystem::path& file) {
  std::string name = file.filename().string();
  if (name.size() < 3) return false;
  std::string suffix = name.substr(name.size() - 3);
  std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  });
  return suffix == ".so";
}

void ListInto(const std::filesystem::path& folder, std::vector<VersionedLibrary>& out) {
  std::error_code error;
  std::vector<std::filesystem::path> entries;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  for (const std::filesystem::path& entry : entries) {
    std::filesystem::file_status own = std::filesystem::symlink_status(entry, error);
    if (error) continue;
    if (std::filesystem::is_directory(own)) {
      ListInto(entry, out);
      continue;
    }
    if (!EndsInLibrarySuffix(entry) || !std::filesystem::is_regular_file(entry, error)) continue;
    if (auto record = ReadVersionRecord(entry)) out.push_back({entry, std::move(*record)});
  }
}

}  // namespace

std::optional<VersionRecord> ReadVersionRecord(const std::filesystem::path& file) {
  if (!IsRegularFile(file)) return std::nullopt;  // a FIFO or a device is never opened
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff file_size = in.tellg();
  if (file_size < 0) return std::nullopt;
  const auto total = static_cast<std::uint64_t>(file_size);
  return Parse([&](std::uint64_t offset, std::uint64_t size) -> std::optional<std::string> {
    if (offset > total || size > total - offset) return std::nullopt;
    std::string bytes(size, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
  });
}

std::optional<VersionRecord> ParseVersionRecord(std::string_view elf_bytes) {
  return Parse([&](std::uint64_t offset, std::uint64_t size) -> std::optional<std::string> {
    if (offset > elf_bytes.size() || size > elf_bytes.size() - offset) return std::nullopt;
    return std::string(elf_bytes.substr(offset, size));
  });
}

std::vector<VersionedLibrary> ListVersionedLibraries(const std::filesystem::path& folder) {
  std::vector<VersionedLibrary> out;
  ListInto(folder, out);
  return out;
}

}  // namespace vtr::platform
