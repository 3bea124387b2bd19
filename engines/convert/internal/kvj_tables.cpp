#include "engines/convert/internal/kvj_tables.h"

#include <array>

namespace vtr::convert::internal {
namespace {

constexpr PhonemeRow kPhonemes[kPhonemeRows] = {
    {"a", 120, 2},     {"a", 160, 2},     {"i", 120, 2},     {"i", 140, 2},    {"je", 180, 4},
    {"M", 120, 2},     {"M", 140, 2},     {"bM", 200, 4},    {"ba", 180, 6},   {"b'i", 180, 6},
    {"be", 220, 6},    {"bo", 200, 6},    {"wi", 180, 4},    {"we", 160, 4},   {"wo", 160, 4},
    {"e", 120, 2},     {"e", 160, 2},     {"o", 120, 2},     {"o", 160, 2},    {"ka", 160, 2},
    {"ga", 160, 2},    {"k'i", 140, 2},   {"k'e", 180, 4},   {"k'a", 200, 4},  {"k'M", 160, 4},
    {"k'o", 200, 4},   {"g'i", 160, 2},   {"g'e", 200, 4},   {"g'a", 200, 4},  {"g'M", 180, 4},
    {"g'o", 200, 4},   {"kM", 140, 2},    {"gM", 140, 2},    {"ke", 160, 2},   {"ge", 160, 2},
    {"ko", 160, 2},    {"go", 160, 2},    {"sa", 160, 2},    {"dza", 180, 2},  {"Si", 180, 2},
    {"Se", 220, 4},    {"Sa", 240, 4},    {"SM", 220, 4},    {"So", 240, 4},   {"dZi", 180, 2},
    {"dZe", 240, 4},   {"dZa", 220, 4},   {"dZM", 220, 4},   {"dZo", 240, 4},  {"sM", 180, 2},
    {"si", 240, 4},    {"dzM", 180, 2},   {"dzi", 220, 4},   {"se", 180, 2},   {"dze", 180, 2},
    {"so", 180, 2},    {"dzo", 180, 2},   {"ta", 180, 2},    {"da", 160, 2},   {"tSi", 140, 2},
    {"tSe", 220, 4},   {"tSa", 260, 4},   {"tSM", 220, 4},   {"tSo", 260, 4},  {"dZi", 200, 2},
    {"dZe", 240, 4},   {"dZa", 220, 4},   {"dZM", 220, 4},   {"dZo", 240, 4},  {"SOKU", 120, 2},
    {"tsM", 180, 2},   {"tsa", 200, 4},   {"tsi", 200, 4},   {"tse", 200, 4},  {"tso", 200, 4},
    {"dzM", 180, 2},   {"dzi", 200, 4},   {"te", 180, 2},    {"t'i", 160, 4},  {"t'e", 180, 4},
    {"t'a", 220, 4},   {"t'M", 200, 4},   {"t'o", 220, 4},   {"de", 180, 2},   {"d'i", 180, 4},
    {"d'e", 160, 4},   {"d'a", 200, 4},   {"d'M", 180, 4},   {"d'o", 200, 4},  {"to", 160, 2},
    {"tM", 160, 4},    {"do", 160, 2},    {"dM", 160, 4},    {"na", 180, 2},   {"Ji", 180, 2},
    {"Je", 180, 4},    {"Ja", 220, 4},    {"JM", 200, 4},    {"Jo", 220, 4},   {"nM", 160, 2},
    {"ne", 180, 2},    {"no", 180, 2},    {"ha", 180, 2},    {"ba", 180, 2},   {"pa", 180, 2},
    {"Ci", 180, 2},    {"Ce", 180, 4},    {"Ca", 220, 4},    {"CM", 200, 4},   {"Co", 220, 4},
    {"b'i", 180, 2},   {"b'e", 180, 4},   {"b'a", 220, 4},   {"b'M", 200, 4},  {"b'o", 220, 4},
    {"p'i", 220, 2},   {"p'e", 220, 4},   {"p'a", 220, 4},   {"p'M", 200, 4},  {"p'o", 220, 4},
    {"p\\M", 200, 2},  {"p\\a", 220, 4},  {"p\\'i", 220, 4}, {"p\\e", 220, 4}, {"p\\o", 220, 4},
    {"p\\'a", 240, 4}, {"p\\'M", 240, 4}, {"bM", 200, 2},    {"pM", 220, 2},   {"he", 220, 2},
    {"be", 220, 2},    {"pe", 220, 2},    {"ho", 220, 2},    {"bo", 200, 2},   {"po", 220, 2},
    {"ma", 180, 2},    {"m'i", 180, 2},   {"m'e", 180, 4},   {"m'a", 200, 4},  {"m'M", 180, 4},
    {"m'o", 200, 4},   {"mM", 160, 2},    {"me", 180, 2},    {"mo", 180, 2},   {"ja", 140, 2},
    {"ja", 180, 2},    {"jM", 120, 2},    {"jM", 160, 2},    {"jo", 140, 2},   {"jo", 180, 2},
    {"4a", 180, 2},    {"4'i", 180, 2},   {"4'e", 180, 4},   {"4'a", 220, 4},  {"4'M", 220, 4},
    {"4'o", 220, 4},   {"4M", 180, 2},    {"4e", 200, 2},    {"4o", 200, 2},   {"wa", 180, 2},
    {"wa", 180, 2},    {"i", 100, 2},     {"e", 120, 2},     {"o", 180, 2},    {"N\\", 180, 2},
};

constexpr uint8_t kKanaLead = 0x82;
constexpr uint8_t kFirstKana = 0x9F;  // ぁ
constexpr uint8_t kLastKana = 0xF1;   // ん
constexpr uint8_t kKanaU = 0xA4;      // う
constexpr uint8_t kVoicingLead = 0x81;
constexpr uint8_t kVoicingTrail = 0x4A;  // ゛
constexpr uint8_t kVuRow = 7;            // ゔ; a small ぁ ぃ ぇ ぉ after it gives rows 8-11
constexpr uint8_t kUSmallRow = 11;       // う + small ぃ ぇ ぉ give rows 12-14

// Second bytes (lead 0x82) of the small kana that extend a syllable.
constexpr std::string_view kFollowE = "\xA5";
constexpr std::string_view kFollowEYaYuYo = "\xA5\xE1\xE3\xE5";
constexpr std::string_view kFollowI = "\xA1";
constexpr std::string_view kFollowU = "\xA3";
constexpr std::string_view kFollowAIEO = "\x9F\xA1\xA5\xA7";
constexpr std::string_view kFollowIEYaYuYo = "\xA1\xA5\xE1\xE3\xE5";
constexpr std::string_view kFollowAIEOYaYu = "\x9F\xA1\xA5\xA7\xE1\xE3";
constexpr std::string_view kVuFollowers = "\x9F\xA1\xA5\xA7";
constexpr std::string_view kUFollowers = "\xA1\xA5\xA7";

struct KanaEntry {
  uint8_t base;
  std::string_view followers;  // each adds its 1-based position to the base row
};

// One entry per second byte 0x9F (ぁ) .. 0xF1 (ん).
constexpr KanaEntry kKana[kLastKana - kFirstKana + 1] = {
    {0, {}},
    {1, {}},
    {2, {}},
    {3, kFollowE},  // ぁ あ ぃ い
    {5, {}},
    {6, {}},  // ぅ う (special)
    {15, {}},
    {16, {}},
    {17, {}},
    {18, {}},  // ぇ え ぉ お
    {19, {}},
    {20, {}},  // か が
    {21, kFollowEYaYuYo},
    {26, kFollowEYaYuYo},  // き ぎ
    {31, {}},
    {32, {}},
    {33, {}},
    {34, {}},
    {35, {}},
    {36, {}},  // く ぐ け げ こ ご
    {37, {}},
    {38, {}},  // さ ざ
    {39, kFollowEYaYuYo},
    {44, kFollowEYaYuYo},  // し じ
    {49, kFollowI},
    {51, kFollowI},  // す ず
    {53, {}},
    {54, {}},
    {55, {}},
    {56, {}},
    {57, {}},
    {58, {}},  // せ ぜ そ ぞ た だ
    {59, kFollowEYaYuYo},
    {64, kFollowEYaYuYo},  // ち ぢ
    {69, {}},              // っ
    {70, kFollowAIEO},     // つ
    {75, kFollowI},        // づ
    {77, kFollowIEYaYuYo},
    {83, kFollowIEYaYuYo},  // て で
    {89, kFollowU},
    {91, kFollowU},        // と ど
    {93, {}},              // な
    {94, kFollowEYaYuYo},  // に
    {99, {}},
    {100, {}},
    {101, {}},
    {102, {}},
    {103, {}},
    {104, {}},  // ぬ ね の は ば ぱ
    {105, kFollowEYaYuYo},
    {110, kFollowEYaYuYo},
    {115, kFollowEYaYuYo},   // ひ び ぴ
    {120, kFollowAIEOYaYu},  // ふ
    {127, {}},
    {128, {}},
    {129, {}},
    {130, {}},
    {131, {}},  // ぶ ぷ へ べ ぺ
    {132, {}},
    {133, {}},
    {134, {}},
    {135, {}},              // ほ ぼ ぽ ま
    {136, kFollowEYaYuYo},  // み
    {141, {}},
    {142, {}},
    {143, {}},  // む め も
    {144, {}},
    {145, {}},
    {146, {}},
    {147, {}},
    {148, {}},
    {149, {}},              // ゃ や ゅ ゆ ょ よ
    {150, {}},              // ら
    {151, kFollowEYaYuYo},  // り
    {156, {}},
    {157, {}},
    {158, {}},
    {159, {}},
    {160, {}},  // る れ ろ ゎ わ
    {161, {}},
    {162, {}},
    {163, {}},
    {164, {}},  // ゐ ゑ を ん
};

// The 1-based position of the small kana at `text[at]` in `followers`, or 0.
int FollowerAt(std::span<const uint8_t> text, size_t at, std::string_view followers) {
  if (text.size() < at + 2 || text[at] != kKanaLead) return 0;
  const size_t i = followers.find(static_cast<char>(text[at + 1]));
  return i == std::string_view::npos ? 0 : static_cast<int>(i) + 1;
}

}  // namespace

std::span<const PhonemeRow> PhonemeTable() { return kPhonemes; }

bool IsBarePhoneme(uint8_t row) {
  if (row >= kPhonemeRows) return false;
  const std::string_view name = kPhonemes[row].name;
  return name == "a" || name == "i" || name == "M" || name == "e" || name == "o" || name == "N\\";
}

std::optional<KanaMatch> MatchKana(std::span<const uint8_t> text) {
  if (text.size() < 2 || text[0] != kKanaLead || text[1] < kFirstKana || text[1] > kLastKana) {
    return std::nullopt;
  }
  const KanaEntry& entry = kKana[text[1] - kFirstKana];
  uint8_t row = entry.base;
  if (text[1] == kKanaU) {
    if (text.size() >= 4 && text[2] == kVoicingLead && text[3] == kVoicingTrail) {
      const int small = FollowerAt(text, 4, kVuFollowers);
      row = static_cast<uint8_t>(small ? kVuRow + small : kVuRow);
    } else if (const int small = FollowerAt(text, 2, kUFollowers)) {
      row = static_cast<uint8_t>(kUSmallRow + small);
    }
  } else if (const int small = FollowerAt(text, 2, entry.followers)) {
    row = static_cast<uint8_t>(entry.base + small);
  }
  return KanaMatch{row, kPhonemes[row].bytes};
}

}  // namespace vtr::convert::internal
