#include "core/script_text.h"

#include <array>

namespace vtr::core {
namespace {

struct HeaderTag {
  ScriptLanguage language;
  std::string_view tag;
};

// Searched in this order: J, K, G, C.
constexpr std::array<HeaderTag, 4> kHeaderTags = {{
    {ScriptLanguage::kJapanese, "KV#J"},
    {ScriptLanguage::kKorean, "KV#K"},
    {ScriptLanguage::kRomaji, "KV#G"},
    {ScriptLanguage::kChinese, "KV#C"},
}};

constexpr bool InRange(uint8_t byte, uint8_t low, uint8_t high) {
  return byte >= low && byte <= high;
}

}  // namespace

bool IsKnownLanguage(ScriptLanguage language) { return !HeaderTagOf(language).empty(); }

std::string_view HeaderTagOf(ScriptLanguage language) {
  for (const HeaderTag& entry : kHeaderTags) {
    if (entry.language == language) return entry.tag;
  }
  return {};
}

std::optional<ScriptLanguage> LanguageOfTag(std::string_view text) {
  if (text.size() < kHeaderTagSize) return std::nullopt;
  std::string_view head = text.substr(0, kHeaderTagSize);
  for (const HeaderTag& entry : kHeaderTags) {
    if (entry.tag == head) return entry.language;
  }
  return std::nullopt;
}

bool IsBareHeaderTag(std::string_view text) {
  return text.size() == kHeaderTagSize && LanguageOfTag(text).has_value();
}

bool IsLeadByte(ScriptLanguage language, uint8_t byte) {
  switch (language) {
    case ScriptLanguage::kJapanese:
      return InRange(byte, 0x81, 0x9F) || InRange(byte, 0xE0, 0xEF);
    case ScriptLanguage::kRomaji:
      return InRange(byte, 0x81, 0x9F) || InRange(byte, 0xA1, 0xFE);
    case ScriptLanguage::kKorean:
    case ScriptLanguage::kChinese:
      return InRange(byte, 0xA1, 0xFE);
    case ScriptLanguage::kNone:
      break;
  }
  return false;
}

bool IsTrailByte(ScriptLanguage language, uint8_t byte) {
  switch (language) {
    case ScriptLanguage::kJapanese:
      return InRange(byte, 0x40, 0x7E) || InRange(byte, 0x80, 0xFC);
    case ScriptLanguage::kRomaji:
      return InRange(byte, 0x40, 0x7E) || InRange(byte, 0x80, 0xFE);
    case ScriptLanguage::kKorean:
    case ScriptLanguage::kChinese:
      return InRange(byte, 0x80, 0xFE);
    case ScriptLanguage::kNone:
      break;
  }
  return false;
}

bool StartsDoubleByte(ScriptLanguage language, std::string_view rest) {
  return rest.size() >= 2 && IsLeadByte(language, static_cast<uint8_t>(rest[0])) &&
         IsTrailByte(language, static_cast<uint8_t>(rest[1]));
}

}  // namespace vtr::core
