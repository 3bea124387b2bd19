#include "plugins/qrl/koru_writer.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <span>
#include <utility>

#include "plugins/qrl/crc16.h"

namespace vtr::qrl {
namespace {

constexpr ByteRange kNoRange = {0xFF, 0x00};

constexpr ScriptLanguage kLanguages[] = {
    {kVtrFormatKvJ, 0, {{0x81, 0x9F}, {0xE0, 0xFC}}, platform::Encoding::kShiftJis},
    {kVtrFormatKvK, 1, {{0xA1, 0xFE}, kNoRange}, platform::Encoding::kEucKr},
    {kVtrFormatKvC, 2, {{0xA1, 0xFE}, kNoRange}, platform::Encoding::kGb2312},
};

struct Timebase {
  int code;
  int divisor;  // ms per tick
};
constexpr Timebase kTimebases[] = {{0, 1},   {1, 2},   {2, 4},   {3, 5},
                                   {16, 10}, {17, 20}, {18, 40}, {19, 50}};

// The text entries of the option block, in file order. The date goes between "MI" and "UD".
struct TextField {
  char tag[3];
  size_t offset;
};
constexpr TextField kFieldsBeforeDate[] = {
    {"VN", offsetof(ConvertOptions, vn)}, {"CN", offsetof(ConvertOptions, cn)},
    {"CA", offsetof(ConvertOptions, ca)}, {"ST", offsetof(ConvertOptions, st)},
    {"AN", offsetof(ConvertOptions, an)}, {"WW", offsetof(ConvertOptions, ww)},
    {"SW", offsetof(ConvertOptions, sw)}, {"AW", offsetof(ConvertOptions, aw)},
    {"CR", offsetof(ConvertOptions, cr)}, {"GR", offsetof(ConvertOptions, gr)},
    {"MI", offsetof(ConvertOptions, mi)},
};
constexpr TextField kFieldsAfterDate[] = {{"UD", offsetof(ConvertOptions, ud)}};

// Fixed contents.
// After the class byte: two fixed bytes, a free byte chosen as 0x00, and 0x00.
constexpr uint8_t kContentsInfo[] = {0x35, 0x01, 0x00, 0x00};
constexpr uint8_t kFixedDataCoding = 0xFF;
constexpr uint8_t kPlayRangeCoding = 0x05;
constexpr uint8_t kTrackCoding = 0x06;
constexpr uint8_t kScriptCoding = 0x00;
constexpr uint8_t kReference[] = {0x04, 0x00, 0x00};  // "RF" value
constexpr uint8_t kChannel[] = {0x00};                // "CH" value
constexpr uint8_t kTrackHeaderStart[] = {0x02, 0x00, kTimebaseCode, kTimebaseCode, 0x50};
constexpr size_t kTrackHeaderFill = 15;  // bytes of 0x40 after the start
constexpr uint8_t kTrackFillByte = 0x40;
constexpr uint8_t kSetup[] = {0xF0, 0x07, 0x43, 0x79, 0x07, 0x7F, 0x07, 0x00, 0xF7};
// Messages of the control sequence; the first three follow delta 0 at the start time.
constexpr uint8_t kSequenceStart[] = {0xF0, 0x07, 0x43, 0x79, 0x07, 0x7F, 0x00, 0x7F, 0xF7};
constexpr uint8_t kVolumeFull[] = {0xB0, 0x07, 0x7F};
constexpr uint8_t kPressureNone[] = {0xD0, 0x00};
constexpr uint8_t kVoiceEnd[] = {0xFF, 0x00};
constexpr uint8_t kSequenceEnd[] = {0xFF, 0x2F, 0x00};

constexpr size_t kDateDigits = 8;

// A byte string written front to back; a chunk's size is filled in when it is closed.
class FileBytes {
 public:
  void Append(std::span<const uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  void Append(std::string_view bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
  void Byte(uint8_t byte) { bytes_.push_back(byte); }
  void U16(uint32_t value) {
    Byte(static_cast<uint8_t>(value >> 8));
    Byte(static_cast<uint8_t>(value));
  }
  void U32(uint32_t value) {
    U16(value >> 16);
    U16(value & 0xFFFF);
  }
  // 7-bit groups, most significant first, bit 7 set on all but the last; 0 is one 0x00.
  void Number(uint32_t value) {
    int groups = 1;
    while (groups < 5 && (value >> (7 * groups)) != 0) ++groups;
    for (int group = groups - 1; group > 0; --group) {
      Byte(static_cast<uint8_t>(0x80 | ((value >> (7 * group)) & 0x7F)));
    }
    Byte(static_cast<uint8_t>(value & 0x7F));
  }

  // Writes the tag (4 characters, or 3 and a coding byte) and a size to be filled in.
  size_t OpenChunk(std::string_view tag) {
    Append(tag);
    size_t at = bytes_.size();
    U32(0);
    return at;
  }
  size_t OpenChunk(std::string_view tag3, uint8_t coding) {
    Append(tag3);
    Byte(coding);
    size_t at = bytes_.size();
    U32(0);
    return at;
  }
  // `trailing` counts bytes that belong to the chunk's size but follow it later.
  void CloseChunk(size_t at, size_t trailing = 0) {
    uint32_t size = static_cast<uint32_t>(bytes_.size() + trailing - at - 4);
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(size >> (24 - 8 * i));
  }

  void Entry(std::string_view tag, std::string_view escaped) {
    Append(tag);
    U16(static_cast<uint32_t>(escaped.size()));
    Append(escaped);
  }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The text of a field: up to its NUL, never past its own bytes.
std::string_view FieldText(const ConvertOptions& options, size_t offset) {
  const char* field = reinterpret_cast<const char*>(&options) + offset;
  return {field, strnlen(field, kVtrTextFieldSize)};
}

uint32_t Ticks(int64_t ms, int divisor) {
  if (divisor == 0 || ms <= 0) return 0;
  return static_cast<uint32_t>(ms / divisor);
}

}  // namespace

const ScriptLanguage* FindScriptLanguage(int format_id) {
  for (const ScriptLanguage& language : kLanguages) {
    if (language.format_id == format_id) return &language;
  }
  return nullptr;
}

bool IsLeadByte(const ScriptLanguage& language, uint8_t byte) {
  return std::any_of(std::begin(language.lead_bytes), std::end(language.lead_bytes),
                     [byte](ByteRange range) { return byte >= range.first && byte <= range.last; });
}

int TimebaseDivisor(int code) {
  for (const Timebase& timebase : kTimebases) {
    if (timebase.code == code) return timebase.divisor;
  }
  return 0;
}

std::string EscapeEntryValue(std::string_view value, const ScriptLanguage& language,
                             EntryCoding coding, size_t limit) {
  std::string stored;
  std::string unit;
  for (size_t i = 0; i < value.size();) {
    uint8_t byte = static_cast<uint8_t>(value[i]);
    // One unit: a double-byte character, an escaped byte or a plain byte. A lead byte with
    // nothing after it inside the value stands alone.
    size_t width = (IsLeadByte(language, byte) && i + 1 < value.size()) ? 2 : 1;
    std::string_view character = value.substr(i, width);
    unit.clear();
    if (width == 1 && (byte == ',' || byte == '\\')) {
      unit = {'\\', static_cast<char>(byte)};
    } else if (coding == EntryCoding::kUtf8 && byte >= 0x80) {
      platform::TextResult converted = platform::ToUtf8(language.encoding, character);
      unit = converted.ok() && !converted.text.empty() ? converted.text : "?";
    } else {
      unit = character;
    }
    // Cut before a unit that would not fit whole.
    if (stored.size() + unit.size() > limit) break;
    stored += unit;
    i += width;
  }
  return stored;
}

void KoruWriter::Prepare(std::string_view script, const ScriptLanguage& language,
                         const ConvertOptions& options) {
  script_ = script;
  language_ = &language;
  options_ = &options;
  // "YYYYMMDD" -> "YYYY/MM/DD"
  std::string_view digits(options.date, kDateDigits);
  date_.assign(digits.substr(0, 4)).append("/").append(digits.substr(4, 2)).append("/");
  date_.append(digits.substr(6, 2));
}

void KoruWriter::SetTimes(int32_t start_ms, int32_t voice_end_ms, int32_t sequence_end_ms) {
  start_ms_ = start_ms;
  voice_end_ms_ = voice_end_ms;
  sequence_end_ms_ = sequence_end_ms;
}

std::vector<uint8_t> KoruWriter::Build() const {
  const ScriptLanguage& language = *language_;
  const ConvertOptions& options = *options_;
  const int divisor = TimebaseDivisor(kTimebaseCode);
  const EntryCoding text_coding =
      options.text_coding == kVtrTextCodingUtf8 ? EntryCoding::kUtf8 : EntryCoding::kAsIs;
  constexpr size_t kUncut = static_cast<size_t>(-1);
  auto fixed = [&](std::span<const uint8_t> value) {
    return EscapeEntryValue(AsText(value), language, EntryCoding::kAsIs, kUncut);
  };

  FileBytes file;
  size_t file_size = file.OpenChunk("MMMD");

  size_t contents = file.OpenChunk("CNTI");
  file.Byte(options.class_byte);
  file.Append(kContentsInfo);
  file.CloseChunk(contents);

  size_t optional = file.OpenChunk("OPDA");
  size_t text_data = file.OpenChunk("Dch", options.text_coding);
  auto text_entries = [&](std::span<const TextField> fields) {
    for (const TextField& field : fields) {
      std::string_view text = FieldText(options, field.offset);
      if (text.empty()) continue;
      file.Entry(field.tag, EscapeEntryValue(text, language, text_coding, kMaxTextEntryBytes));
    }
  };
  text_entries(kFieldsBeforeDate);
  file.Entry("CD", EscapeEntryValue(date_, language, EntryCoding::kAsIs, kUncut));
  text_entries(kFieldsAfterDate);
  file.CloseChunk(text_data);
  size_t fixed_data = file.OpenChunk("Dch", kFixedDataCoding);
  file.Entry("RF", fixed(kReference));
  const uint8_t generation[] = {language.generation};
  file.Entry("KV", fixed(generation));
  file.CloseChunk(fixed_data);
  size_t play_range = file.OpenChunk("Pro", kPlayRangeCoding);
  file.U32(0);
  file.U32(Ticks(sequence_end_ms_, divisor));
  file.CloseChunk(play_range);
  file.CloseChunk(optional);

  size_t track = file.OpenChunk("MTR", kTrackCoding);
  file.Append(kTrackHeaderStart);
  for (size_t i = 0; i < kTrackHeaderFill; ++i) file.Byte(kTrackFillByte);
  size_t setup = file.OpenChunk("Mtsu");
  file.Append(kSetup);
  file.CloseChunk(setup);
  size_t sequence = file.OpenChunk("Mtsq");
  const int32_t voice_end = std::max(voice_end_ms_, start_ms_);
  const int32_t sequence_end = std::max(sequence_end_ms_, voice_end);
  for (std::span<const uint8_t> message :
       {std::span<const uint8_t>(kSequenceStart), std::span<const uint8_t>(kVolumeFull),
        std::span<const uint8_t>(kPressureNone)}) {
    file.Byte(0x00);
    file.Append(message);
  }
  file.Number(Ticks(int64_t{voice_end} - start_ms_, divisor));
  file.Append(kVoiceEnd);
  file.Number(Ticks(int64_t{sequence_end} - voice_end, divisor));
  file.Append(kSequenceEnd);
  file.CloseChunk(sequence);
  size_t voice_script = file.OpenChunk("Mtkv");
  size_t script_setup = file.OpenChunk("Mkvx");
  file.Entry("CH", fixed(kChannel));
  file.CloseChunk(script_setup);
  size_t script_data = file.OpenChunk("Mksc");
  size_t script_text = file.OpenChunk("Msc", kScriptCoding);
  file.Append(script_);
  file.CloseChunk(script_text);
  file.CloseChunk(script_data);
  file.CloseChunk(voice_script);
  file.CloseChunk(track);

  // The "MMMD" size counts the CRC that follows the chunk.
  file.CloseChunk(file_size, sizeof(uint16_t));
  file.U16(KoruCrc16(file.bytes()));
  return file.Take();
}

}  // namespace vtr::qrl
