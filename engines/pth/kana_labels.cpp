#include "engines/pth/kana_labels.h"

#include <algorithm>
#include <array>

namespace vtr::pth {
namespace {

// Rows as written by people: label, text in UTF-8 (hiragana and an optional leading space),
// default length. Converted to Shift-JIS once, at compile time.
struct SourceRow {
  std::string_view name;
  std::string_view text_utf8;
  uint16_t length_ms;
};

// clang-format off
constexpr SourceRow kSourceRows[] = {
    {"4'M", " りゅ", 220},
    {"4'a", " りゃ", 220},
    {"4'e", " りぇ", 180},
    {"4'i", "り", 180},
    {"4'o", " りょ", 220},
    {"4M", "る", 180},
    {"4a", "ら", 180},
    {"4e", "れ", 200},
    {"4o", "ろ", 200},
    {"CM", " ひゅ", 200},
    {"Ca", " ひゃ", 220},
    {"Ce", " ひぇ", 180},
    {"Ci", "ひ", 180},
    {"Co", " ひょ", 220},
    {"JM", " にゅ", 200},
    {"Ja", " にゃ", 220},
    {"Je", " にぇ", 180},
    {"Ji", "に", 180},
    {"Jo", " にょ", 220},
    {"M", "う", 140},
    {"N\\", "ん", 180},
    {"SM", " しゅ", 220},
    {"Sa", " しゃ", 240},
    {"Se", " しぇ", 220},
    {"Si", "し", 180},
    {"So", " しょ", 240},
    {"a", "あ", 160},
    {"b'M", " びゅ", 200},
    {"b'a", " びゃ", 220},
    {"b'e", " びぇ", 180},
    {"b'i", "び", 180},
    {"b'o", " びょ", 220},
    {"bM", "ぶ", 200},
    {"ba", "ば", 180},
    {"be", "べ", 220},
    {"bo", "ぼ", 200},
    {"d'M", " でゅ", 180},
    {"d'a", " でゃ", 200},
    {"d'e", " でぇ", 160},
    {"d'i", " でぃ", 180},
    {"d'o", " でょ", 200},
    {"dM", " どぅ", 160},
    {"dZM", " じゅ", 220},
    {"dZa", " じゃ", 220},
    {"dZe", " じぇ", 240},
    {"dZi", "じ", 180},
    {"dZo", " じょ", 240},
    {"da", "だ", 160},
    {"de", "で", 180},
    {"do", "ど", 160},
    {"dzM", "ず", 180},
    {"dza", "ざ", 180},
    {"dze", "ぜ", 180},
    {"dzi", " ずぃ", 220},
    {"dzo", "ぞ", 180},
    {"e", "え", 160},
    {"g'M", "ぎゅ", 180},
    {"g'a", "ぎゃ", 200},
    {"g'e", "ぎぇ", 200},
    {"g'i", "ぎ", 160},
    {"g'o", "ぎょ", 200},
    {"gM", "ぐ", 140},
    {"ga", "が", 160},
    {"ge", "げ", 160},
    {"go", "ご", 160},
    {"ha", "は", 180},
    {"he", "へ", 220},
    {"ho", "ほ", 220},
    {"i", "い", 140},
    {"jM", "ゆ", 160},
    {"ja", "や", 180},
    {"je", "いぇ", 180},
    {"jo", "よ", 180},
    {"k'M", "きゅ", 160},
    {"k'a", "きゃ", 200},
    {"k'e", "きぇ", 180},
    {"k'i", "き", 140},
    {"k'o", "きょ", 200},
    {"kM", "く", 140},
    {"ka", "か", 160},
    {"ke", "け", 160},
    {"ko", "こ", 160},
    {"m'M", " みゅ", 180},
    {"m'a", " みゃ", 200},
    {"m'e", " みぇ", 180},
    {"m'i", "み", 180},
    {"m'o", " みょ", 200},
    {"mM", "む", 160},
    {"ma", "ま", 180},
    {"me", "め", 180},
    {"mo", "も", 180},
    {"nM", "ぬ", 160},
    {"na", "な", 180},
    {"ne", "ね", 180},
    {"no", "の", 180},
    {"o", "お", 160},
    {"p'M", " ぴゅ", 200},
    {"p'a", " ぴゃ", 220},
    {"p'e", " ぴぇ", 220},
    {"p'i", "ぴ", 220},
    {"p'o", " ぴょ", 220},
    {"pM", "ぷ", 220},
    {"p\\'M", " ふゅ", 240},
    {"p\\'a", " ふゃ", 240},
    {"p\\'i", " ふぃ", 220},
    {"p\\M", "ふ", 200},
    {"p\\a", " ふぁ", 220},
    {"p\\e", " ふぇ", 220},
    {"p\\o", " ふぉ", 220},
    {"pa", "ぱ", 180},
    {"pe", "ぺ", 220},
    {"po", "ぽ", 220},
    {"sM", "す", 180},
    {"sa", "さ", 160},
    {"se", "せ", 180},
    {"si", " すぃ", 240},
    {"so", "そ", 180},
    {"t'M", " てゅ", 200},
    {"t'a", " てゃ", 220},
    {"t'e", " てぇ", 180},
    {"t'i", " てぃ", 160},
    {"t'o", " てょ", 220},
    {"tM", " とぅ", 160},
    {"tSM", " ちゅ", 220},
    {"tSa", " ちゃ", 260},
    {"tSe", " ちぇ", 220},
    {"tSi", "ち", 140},
    {"tSo", " ちょ", 260},
    {"ta", "た", 180},
    {"te", "て", 180},
    {"to", "と", 160},
    {"tsM", "つ", 180},
    {"tsa", " つぁ", 200},
    {"tse", " つぇ", 200},
    {"tsi", " つぃ", 200},
    {"tso", " つぉ", 200},
    {"wa", "わ", 180},
    {"we", "うぇ", 160},
    {"wi", "うぃ", 180},
    {"wo", "うぉ", 160},
};
// clang-format on
static_assert(std::size(kSourceRows) == kKanaLabelCount);

// Hiragana U+3041..U+3093 are Shift-JIS 82 9F..82 F1, in the same order.
constexpr char32_t kFirstHiragana = 0x3041;
constexpr char32_t kLastHiragana = 0x3093;
constexpr unsigned char kHiraganaLead = 0x82;
constexpr unsigned char kHiraganaFirstTrail = 0x9F;

// Only a leading space and hiragana occur in the rows; anything else fails the constant
// evaluation (the throw is not a constant expression).
constexpr std::array<char, 8> ToShiftJis(std::string_view utf8) {
  std::array<char, 8> out{};
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) {
    const auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 == ' ') {
      out[n++] = ' ';
      ++i;
      continue;
    }
    if ((b0 & 0xF0) != 0xE0 || i + 2 >= utf8.size()) throw "not a three-byte character";
    const char32_t c =
        (static_cast<char32_t>(b0 & 0x0F) << 12) |
        (static_cast<char32_t>(static_cast<unsigned char>(utf8[i + 1]) & 0x3F) << 6) |
        (static_cast<char32_t>(static_cast<unsigned char>(utf8[i + 2]) & 0x3F));
    if (c < kFirstHiragana || c > kLastHiragana) throw "not a hiragana";
    if (n + 2 >= out.size()) throw "text too long";
    out[n++] = static_cast<char>(kHiraganaLead);
    out[n++] = static_cast<char>(kHiraganaFirstTrail + (c - kFirstHiragana));
    i += 3;
  }
  return out;
}

constexpr std::array<KanaLabel, kKanaLabelCount> BuildTable() {
  std::array<KanaLabel, kKanaLabelCount> table{};
  for (size_t r = 0; r < kKanaLabelCount; ++r) {
    const SourceRow& row = kSourceRows[r];
    if (row.name.empty() || row.name.size() >= sizeof(KanaLabel::name_bytes)) throw "bad name";
    for (size_t i = 0; i < row.name.size(); ++i) table[r].name_bytes[i] = row.name[i];
    const std::array<char, 8> text = ToShiftJis(row.text_utf8);
    for (size_t i = 0; i < text.size(); ++i) table[r].text_bytes[i] = text[i];
    table[r].length_ms = row.length_ms;
  }
  return table;
}

constexpr std::array<KanaLabel, kKanaLabelCount> kTable = BuildTable();

constexpr bool SortedByName() {
  for (size_t r = 1; r < kKanaLabelCount; ++r) {
    if (!(kSourceRows[r - 1].name < kSourceRows[r].name)) return false;
  }
  return true;
}
static_assert(SortedByName(), "rows must be sorted by name in byte order, without repeats");

}  // namespace

std::span<const KanaLabel, kKanaLabelCount> KanaLabels() { return kTable; }

int FindKanaLabel(std::string_view name) {
  const auto it =
      std::lower_bound(kTable.begin(), kTable.end(), name,
                       [](const KanaLabel& row, std::string_view key) { return row.name() < key; });
  if (it == kTable.end() || it->name() != name) return -1;
  return static_cast<int>(it - kTable.begin());
}

}  // namespace vtr::pth
