#include "outside/kvxcnv/pinyin_script.h"

#include "outside/kvxcnv/gb2312_pinyin_table.h"

namespace vtr::kvxcnv {
namespace {

constexpr unsigned char kFirstByte = 0xA1;  // lead and trail bytes of a pair lie in A1..FE
constexpr unsigned char kLastByte = 0xFE;
constexpr unsigned char kSymbolLead = 0xA1;
constexpr unsigned char kFullWidthAsciiLead = 0xA3;

bool InPairRange(unsigned char byte) { return byte >= kFirstByte && byte <= kLastByte; }
bool IsLetter(char c) { return c >= 'a' && c <= 'z'; }

// Builds the body; white space is held back so that runs collapse and the ends stay clean.
class BodyWriter {
 public:
  void Space() { space_pending_ = !out_.empty(); }

  void Put(std::string_view text) {
    if (space_pending_) out_ += ' ';
    space_pending_ = false;
    out_ += text;
  }

  void Syllable(const HanziReading& reading) {
    // "ma" then "ni3" would read as one syllable "mani3".
    if (!space_pending_ && !out_.empty() && IsLetter(out_.back())) out_ += ' ';
    Put(reading.syllable);
    Put(std::string(1, static_cast<char>('0' + reading.tone)));
  }

  void Ascii(char c) {
    switch (c) {
      case ' ':
      case '\t':
      case '\r':
      case '\n':
        Space();
        return;
      case '.':
      case '!':
      case ';':
      case ':':
        Put(".");
        return;
      case ',':
        Put(",");
        return;
      case '?':
        Put("?");
        return;
      default:
        break;
    }
    if (IsLetter(c) || (c >= '0' && c <= '9')) {
      Put(std::string(1, c));
    } else if (c >= 'A' && c <= 'Z') {
      Put(std::string(1, static_cast<char>(c - 'A' + 'a')));
    }
  }

  // Pairs of the symbol row that carry meaning for speech.
  void Symbol(unsigned char trail) {
    switch (trail) {
      case 0xA1:  // ideographic space
        Space();
        break;
      case 0xA2:  // 、
        Put(",");
        break;
      case 0xA3:  // 。
      case 0xAD:  // …
        Put(".");
        break;
      default:
        break;
    }
  }

  std::string Finish() && { return std::move(out_); }

 private:
  std::string out_;
  bool space_pending_ = false;
};

}  // namespace

std::optional<HanziReading> ReadingOf(unsigned char lead, unsigned char trail) {
  if (lead < kHanziFirstLead || lead >= kHanziFirstLead + kHanziRows || !InPairRange(trail)) {
    return std::nullopt;
  }
  std::uint16_t code =
      kHanziReadings[(lead - kHanziFirstLead) * kHanziColumns + (trail - kFirstByte)];
  if (code == kNoReading) return std::nullopt;
  return HanziReading{kSyllables[code / 8], code % 8};
}

std::string PinyinScriptBody(std::string_view gb2312_text) {
  BodyWriter writer;
  for (std::size_t i = 0; i < gb2312_text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(gb2312_text[i]);
    if (byte < 0x80) {
      writer.Ascii(static_cast<char>(byte));
      continue;
    }
    if (!InPairRange(byte) || i + 1 >= gb2312_text.size() ||
        !InPairRange(static_cast<unsigned char>(gb2312_text[i + 1]))) {
      continue;  // a byte that starts no pair is dropped on its own
    }
    const auto trail = static_cast<unsigned char>(gb2312_text[++i]);
    if (byte == kFullWidthAsciiLead) {
      writer.Ascii(static_cast<char>(trail - 0x80));
    } else if (byte == kSymbolLead) {
      writer.Symbol(trail);
    } else if (auto reading = ReadingOf(byte, trail)) {
      writer.Syllable(*reading);
    }
  }
  return std::move(writer).Finish();
}

}  // namespace vtr::kvxcnv
