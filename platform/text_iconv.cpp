#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/text.h"

namespace vtr::platform {
namespace {

const char* IconvName(Encoding encoding) {
  switch (encoding) {
    case Encoding::kShiftJis:
      return "CP932";
    case Encoding::kEucKr:
      return "CP949";
    case Encoding::kGb2312:
      return "GBK";
  }
  return "CP932";
}

TextResult Convert(const char* from, const char* to, std::string_view input) {
  TextResult result;
  iconv_t cd = iconv_open(to, from);
  // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's failure value
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
    result.error = (errno == EILSEQ && std::string_view(from) == "UTF-8")
                       ? TextError::kUnmappable
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

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, or 0 when it is broken
// (a stray continuation byte, a sequence cut short, an overlong or surrogate form).
size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  char32_t value = 0;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
  if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  return length;
}

}  // namespace

std::string FromUtf8Replacing(Encoding encoding, std::string_view utf8) {
  std::string out;
  iconv_t cd = iconv_open(IconvName(encoding), "UTF-8");
  // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's failure value
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // Without a converter only ASCII is known to be the same in every script encoding.
    for (size_t i = 0; i < utf8.size();) {
      const size_t length = std::max<size_t>(Utf8SequenceLength(utf8.substr(i)), 1);
      out += length == 1 && static_cast<unsigned char>(utf8[i]) < 0x80 ? utf8[i] : '?';
      i += length;
    }
    return out;
  }
  std::vector<char> buffer(16);
  for (size_t i = 0; i < utf8.size();) {
    // One character at a time, so that a failing one costs only itself.
    const size_t length = Utf8SequenceLength(utf8.substr(i));
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    char* in_ptr = const_cast<char*>(utf8.data() + i);
    size_t in_left = length;
    char* out_ptr = buffer.data();
    size_t out_left = buffer.size();
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
      out += '?';
      iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    } else {
      out.append(buffer.data(), buffer.size() - out_left);
    }
    i += length;
  }
  iconv_close(cd);
  return out;
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
