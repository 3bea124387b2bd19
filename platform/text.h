// Conversion between the script encodings and UTF-8, for the window edge only.
//
// Scripts stay bytes in their own encoding everywhere else: Shift-JIS (read as code page 932,
// the superset the scripts are typed in), KS X 1001 (EUC-KR, read as its superset CP949) and
// GB 2312 (read as its superset GBK). The dialogs select text by byte offsets of the script
// encoding, so the module also maps byte offsets to character offsets and back.
//
//   // given: std::string script_bytes
//   auto shown = vtr::platform::ToUtf8(Encoding::kShiftJis, script_bytes);
//   if (!shown.ok()) { /* shown.error_offset is the first undecodable byte */ }
//   auto back = vtr::platform::FromUtf8(Encoding::kShiftJis, shown.text);
#ifndef VTR_PLATFORM_TEXT_H_
#define VTR_PLATFORM_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vtr::platform {

enum class Encoding : int { kShiftJis, kEucKr, kGb2312 };

enum class TextError : int {
  kNone = 0,
  kInvalidBytes,  // the input holds a byte sequence the encoding cannot decode
  kUnmappable,    // a character has no form in the target encoding
  kUnsupported,   // the system's converter lacks the encoding
};

struct [[nodiscard]] TextResult {
  std::string text;  // converted text; on failure the part converted before the error
  TextError error = TextError::kNone;
  size_t error_offset = 0;  // byte offset in the input of the first failing sequence
  bool ok() const { return error == TextError::kNone; }
};

TextResult ToUtf8(Encoding encoding, std::string_view bytes);
TextResult FromUtf8(Encoding encoding, std::string_view utf8);

// `utf8` in `encoding`, with "?" for every character the encoding cannot hold and for every byte
// of a broken UTF-8 sequence: text from outside (another program's clipboard) as a box of that
// encoding may hold it. Never fails and never yields bytes the encoding cannot decode.
std::string FromUtf8Replacing(Encoding encoding, std::string_view utf8);

// True when `byte` starts a double-byte character of `encoding`.
bool IsLeadByte(Encoding encoding, unsigned char byte);

// Number of characters in the first `byte_offset` bytes (a lead byte counts with its trail;
// an offset inside a character counts that character as begun). Offsets past the end clamp.
size_t CharOffsetOfByte(Encoding encoding, std::string_view bytes, size_t byte_offset);
// Byte offset where character number `char_offset` starts; the size for offsets past the end.
size_t ByteOffsetOfChar(Encoding encoding, std::string_view bytes, size_t char_offset);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_TEXT_H_
