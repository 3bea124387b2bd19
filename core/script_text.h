// The Kelvox script text: header tags, the mode word, byte classes and the engine's result codes.
//
// A script with header is a 4-byte tag that names its language ("KV#J", "KV#K", "KV#G" or
// "KV#C") followed directly by the body, with no length field and no terminator. The body is
// bytes in the language's own encoding (Shift-JIS, KS X 1001, ASCII romaji, ASCII pinyin); it
// is never converted to Unicode here. Every engine operation takes a `ScriptModeWord` that names
// the device, the language, the pass-variant flag and the text sub-format:
//
//   ScriptModeWord mode = 0x52100000;                    // chip emulator, J, flag set, full text
//   ScriptLanguage language = LanguageOf(mode);          // ScriptLanguage::kJapanese
//   std::string_view tag = HeaderTagOf(language);        // "KV#J"
//   bool lead = IsLeadByte(language, 0x82);              // true: Shift-JIS lead byte
#ifndef VTR_CORE_SCRIPT_TEXT_H_
#define VTR_CORE_SCRIPT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vtr::core {

// 32-bit word that accompanies every engine call:
//   bits 28-31 device kind (5 chip emulator, 7 middleware, 0xF no device),
//   bits 24-27 language, bits 20-23 pass-variant flag, bits 16-19 text sub-format,
//   bits 0-15 ignored.
using ScriptModeWord = uint32_t;

// Language values as they stand in bits 24-27 of the mode word.
enum class ScriptLanguage : uint32_t {
  kNone = 0,
  kJapanese = 0x2000000,  // J: kana in Shift-JIS
  kKorean = 0x3000000,    // K: hangul in KS X 1001
  kRomaji = 0x4000000,    // G: ASCII romaji
  kChinese = 0x5000000,   // C: ASCII pinyin with tone digits
};

// Field masks and values of the mode word.
inline constexpr uint32_t kModeDeviceMask = 0xF0000000;
inline constexpr uint32_t kModeLanguageMask = 0x0F000000;
inline constexpr uint32_t kModeFlagMask = 0x00F00000;
inline constexpr uint32_t kModeSubFormatMask = 0x000F0000;
inline constexpr uint32_t kDeviceEmulator = 0x50000000;
inline constexpr uint32_t kDeviceMiddleware = 0x70000000;
inline constexpr uint32_t kDeviceNone = 0xF0000000;  // any word from here up has no device
inline constexpr uint32_t kPassVariantFlag = 0x00100000;

// The words of the chip emulator with the pass-variant flag and full text, the way the program
// and its dialogs read and play scripts: the bits alone (ORed with a language), and the kana (J)
// and romaji (G) words.
inline constexpr ScriptModeWord kEmulatorModeBits = kDeviceEmulator | kPassVariantFlag;
inline constexpr ScriptModeWord kKanaModeWord =
    kEmulatorModeBits | static_cast<uint32_t>(ScriptLanguage::kJapanese);  // 0x52100000
inline constexpr ScriptModeWord kRomajiModeWord =
    kEmulatorModeBits | static_cast<uint32_t>(ScriptLanguage::kRomaji);  // 0x54100000

// Text sub-formats (bits 16-19).
inline constexpr uint32_t kSubFormatFull = 0x00000;      // full script with header tag
inline constexpr uint32_t kSubFormatPlain = 0x10000;     // sound text only, no header
inline constexpr uint32_t kSubFormatNoHeader = 0x20000;  // full without tag and voice (output)

// Limits in bytes.
inline constexpr size_t kHeaderTagSize = 4;
inline constexpr size_t kMaxScriptBytes = 32000;  // whole script, header included
inline constexpr int kSentenceLimit = 100;        // one sentence of the played text

// Results of the engine operations other than CheckScript.
enum class ScriptEngineError : uint32_t {
  kNone = 0,
  kBadMode = 0xF0000001,            // bad mode word or sub-format
  kTagMismatch = 0xF0000002,        // header tag differs, or language pair not supported
  kNoUnit = 0xF0000003,             // no unit left
  kSentenceTooLong = 0xF0000004,    // a sentence exceeds the limit
  kHeaderItemMissing = 0xF0000005,  // the head of the script holds no voice token
};

// Results of ScriptEngine::CheckScript.
enum class ScriptCheckCode : uint32_t {
  kOk = 0,
  kReparseFailed = 0x11000003,  // the text could not be read again without its line breaks
  kNoUnit = 0xF0000003,         // no unit left
};

constexpr ScriptLanguage LanguageOf(ScriptModeWord mode) {
  return static_cast<ScriptLanguage>(mode & kModeLanguageMask);
}
constexpr uint32_t SubFormatOf(ScriptModeWord mode) { return mode & kModeSubFormatMask; }

// True for the four languages that have a header tag.
bool IsKnownLanguage(ScriptLanguage language);

// The header tag of a language ("KV#J", "KV#K", "KV#G", "KV#C"); empty for any other value.
std::string_view HeaderTagOf(ScriptLanguage language);

// The language whose tag the first four bytes of `text` are, searched in the order J, K, G, C;
// nullopt when the text is shorter than a tag or begins with none of them.
std::optional<ScriptLanguage> LanguageOfTag(std::string_view text);

// True for a script whose body is empty: a header tag and nothing after it. BuildPlayText
// writes one for a script with nothing left to play; the chip refuses it.
bool IsBareHeaderTag(std::string_view text);

// Byte classes of the tokenizer (three states: single, lead, trail).
//   J: lead 0x81-0x9F or 0xE0-0xEF; trail 0x40-0x7E or 0x80-0xFC.
//   G: lead 0x81-0x9F or 0xA1-0xFE; trail 0x40-0x7E or 0x80-0xFE.
//   K, C: lead 0xA1-0xFE; trail 0x80-0xFE.
// In J the half-width katakana 0xA1-0xDF are single bytes.
bool IsLeadByte(ScriptLanguage language, uint8_t byte);
bool IsTrailByte(ScriptLanguage language, uint8_t byte);

// True when `rest` starts with a double-byte character of the language: a lead byte with at
// least one byte after it that passes the trail test. Anything else counts as a single byte.
bool StartsDoubleByte(ScriptLanguage language, std::string_view rest);

}  // namespace vtr::core

#endif  // VTR_CORE_SCRIPT_TEXT_H_
