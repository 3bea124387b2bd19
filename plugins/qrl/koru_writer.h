// KoruWriter: builds a KORU file (extension "qrl") in memory.
//
// A KORU file is one "MMMD" chunk followed by a CRC-16 (crc16.h). Every chunk is a 4-byte tag,
// a 4-byte big-endian body size and the body; the file holds, in order:
//  "CNTI"  contents info: the options' class byte, 0x35, 0x01, 0x00, 0x00
//  "OPDA"  the text entries of the ConvertOptions block ("Dch" + text coding), the fixed
//          entries "RF" and "KV" ("Dch" + 0xFF), and the play range ("Pro" + 0x05)
//  "MTR"   the track: 20 header bytes, setup "Mtsu", a five-event control sequence "Mtsq"
//          whose length is the play time, and the script bytes ("Mtkv" > "Mksc" > "Msc")
// An entry is a 2-byte ASCII tag, a 2-byte big-endian length and the escaped value
// (EscapeEntryValue). All times are milliseconds and are written in ticks of the timebase.
//
//   // given: std::string_view script; ConvertOptions options; int32_t play_ms
//   KoruWriter writer;
//   writer.Prepare(script, *FindScriptLanguage(kVtrFormatKvJ), options);
//   writer.SetTimes(0, play_ms, play_ms + 40);
//   std::vector<uint8_t> file = writer.Build();
#ifndef VTR_PLUGINS_QRL_KORU_WRITER_H_
#define VTR_PLUGINS_QRL_KORU_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"
#include "plugins/converter_api.h"

namespace vtr::qrl {

// An inclusive range of byte values.
struct ByteRange {
  uint8_t first;
  uint8_t last;
};

// What the file needs to know of the script language of a format id.
struct ScriptLanguage {
  int format_id;                // kVtrFormat*
  uint8_t generation;           // value of the "KV" entry
  ByteRange lead_bytes[2];      // bytes that start a double-byte character of the script
  platform::Encoding encoding;  // for text fields stored in UTF-8
};

// The language of `format_id`, or nullptr for an id no converter answers for.
[[nodiscard]] const ScriptLanguage* FindScriptLanguage(int format_id);

// True when `byte` starts a double-byte character in the script encoding of `language`. The
// test is pinned to the script's encoding, never to the machine's locale.
[[nodiscard]] bool IsLeadByte(const ScriptLanguage& language, uint8_t byte);

// Timebase code of every delta in the track: 17, ticks of 20 ms.
inline constexpr uint8_t kTimebaseCode = 17;
// Milliseconds per tick of timebase `code`; 0 for a code without a divisor.
[[nodiscard]] int TimebaseDivisor(int code);

// Longest escaped value of a text entry [bytes].
inline constexpr size_t kMaxTextEntryBytes = 256;

// How a value's bytes are stored.
enum class EntryCoding { kAsIs, kUtf8 };

// The stored form of an entry value. A double-byte character (a lead byte of `language` and
// the byte after it) is kept whole; any other "," or "\" gets a "\" in front. A lead byte that
// is the value's last byte is copied alone. With kUtf8 the characters are converted from the
// script encoding to UTF-8 ("?" for a character that does not convert), ASCII keeps the escape.
// The result is cut to at most `limit` bytes, before the first escape pair or character that
// would not fit whole.
[[nodiscard]] std::string EscapeEntryValue(std::string_view value, const ScriptLanguage& language,
                                           EntryCoding coding, size_t limit);

class KoruWriter {
 public:
  // Keeps the script, the language and the option block of one conversion; they must stay
  // valid until Build returns. The text coding byte of `options` chooses the entry coding
  // (kVtrTextCodingUtf8: UTF-8, anything else: as the bytes stand).
  void Prepare(std::string_view script, const ScriptLanguage& language,
               const ConvertOptions& options);

  // Times of the control sequence [ms]: the first three events at `start_ms`, the end of the
  // voice at `voice_end_ms`, the end of the sequence (and of the play range) at
  // `sequence_end_ms`. A time before the one ahead of it counts as that one (delta 0).
  void SetTimes(int32_t start_ms, int32_t voice_end_ms, int32_t sequence_end_ms);

  // The whole file, CRC included.
  [[nodiscard]] std::vector<uint8_t> Build() const;

 private:
  std::string_view script_;
  const ScriptLanguage* language_ = nullptr;
  const ConvertOptions* options_ = nullptr;
  std::string date_;  // "YYYY/MM/DD"
  int32_t start_ms_ = 0;
  int32_t voice_end_ms_ = 0;
  int32_t sequence_end_ms_ = 0;
};

}  // namespace vtr::qrl

#endif  // VTR_PLUGINS_QRL_KORU_WRITER_H_
