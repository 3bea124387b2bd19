#include "platform/text.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace vtr::platform {
namespace {

const char* IconvName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kShiftJis: return "CP932";
    case Encoding::kEucKr: return "CP949";
    case Encoding::kGb2312: return "GBK";
  }
  return "CP932";
}

TextResult Convert(const char* from, const char* to, std::string_view input) {
  TextResult result;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    result.error = TextError::kUnsupported;
    return result;
  }
  std::vector<char> out(input.size() * 4 + 16);
  char* in_ptr = const_cast<char*>(input.data());
  size_t in_left = input.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) {
      size_t used = out.size() - out_left;
      out.resize(out.size() * 2);
      out_ptr = out.data() + used;
      out_left = out.size() - used;
      continue;
    }
    // EILSEQ: an invalid or unmappable sequence; EINVAL: a sequence cut off at the end.
    result.error = (errno == EILSEQ && std::string_view(from) == "UTF-8") ? TextError::kUnmappable
                                                                          : TextError::kInvalidBytes;
    result.error_offset = input.size() - in_left;
    break;
  }
  result.text.assign(out.data(), out.size() - out_left);
  iconv_close(cd);
  return result;
}

}  // namespace

TextResult ToUtf8(Encoding encoding, std::string_view bytes) {
  return Convert(IconvName(encoding), "UTF-8", bytes);
}

TextResult FromUtf8(Encoding encoding, std::string_view utf8) {
  TextResult result = Convert("UTF-8", IconvName(encoding), utf8);
  // Broken UTF-8 input is the caller's invalid bytes, not an unmappable character.
  if (result.error == TextError::kUnmappable) {
    TextResult check = Convert("UTF-8", "UTF-32LE", utf8);
    if (!check.ok()) result.error = TextError::kInvalidBytes;
  }
  return result;
}

bool IsLeadByte(Encoding encoding, unsigned char byte) {
  if (encoding == Encoding::kShiftJis) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
  }
  return byte >= 0x81 && byte <= 0xFE;
}

size_t CharOffsetOfByte(Encoding encoding, std::string_view bytes, size_t byte_offset) {
  if (byte_offset > bytes.size()) byte_offset = bytes.size();
  size_t chars = 0;
  for (size_t i = 0; i < byte_offset; ++chars) {
    bool pair = IsLeadByte(encoding, static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size();
    i += pair ? 2 : 1;
  }
  return chars;
}

size_t ByteOffsetOfChar(Encoding encoding, std::string_view bytes, size_t char_offset) {
  size_t i = 0;
  for (size_t chars = 0; chars < char_offset && i < bytes.size(); ++chars) {
    bool pair = IsLeadByte(encoding, static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size();
    i += pair ? 2 : 1;
  }
  return i;
}

}  // namespace vtr::platform
