#include "engines/wtp/phoneme_tables.h"

#include <array>

namespace vtr::wtp {
namespace {

constexpr std::string_view kAlphabet = " \\'aiMeonJmNgdbzZ4jwktpsShC";

// clang-format off
constexpr std::string_view kSyllables[] = {
    // The pause and the vowels.
    " ", "M", "a", "e", "i", "o",
    // The moraic nasal and consonant + vowel.
    "N\\",
    "4M", "4a", "4e", "4o",
    "CM", "Ca", "Ce", "Ci", "Co",
    "JM", "Ja", "Je", "Ji", "Jo",
    "NM", "Na", "Ne", "No",
    "SM", "Sa", "Se", "Si", "So",
    "bM", "ba", "be", "bo",
    "dM", "da", "de", "do",
    "gM", "ga", "ge", "go",
    "ha", "he", "ho",
    "ja", "jM", "je", "jo",
    "kM", "ka", "ke", "ko",
    "mM", "ma", "me", "mo",
    "nM", "na", "ne", "no",
    "pM", "pa", "pe", "po",
    "sM", "sa", "se", "si", "so",
    "tM", "ta", "te", "to",
    "wa", "we", "wi", "wo",
    // Two-character consonants with every vowel.
    "4'M", "4'a", "4'e", "4'i", "4'o",
    "N'M", "N'a", "N'e", "N'i", "N'o",
    "b'M", "b'a", "b'e", "b'i", "b'o",
    "d'M", "d'a", "d'e", "d'i", "d'o",
    "dZM", "dZa", "dZe", "dZi", "dZo",
    "dzM", "dza", "dze", "dzi", "dzo",
    "g'M", "g'a", "g'e", "g'i", "g'o",
    "k'M", "k'a", "k'e", "k'i", "k'o",
    "m'M", "m'a", "m'e", "m'i", "m'o",
    "p'M", "p'a", "p'e", "p'i", "p'o",
    "t'M", "t'a", "t'e", "t'i", "t'o",
    "tSM", "tSa", "tSe", "tSi", "tSo",
    "tsM", "tsa", "tse", "tsi", "tso",
    "p\\M", "p\\a", "p\\e", "p\\o",
    // Three-character consonant.
    "p\\'M", "p\\'a", "p\\'i",
};
// clang-format on
static_assert(std::size(kSyllables) == 150);

// clang-format off
constexpr std::string_view kPhonemes[] = {
    " ", "a", "i", "M", "e", "o", "n", "J", "m", "N", "g", "d", "b", "z", "Z", "4", "j", "w",
    "k", "t", "p", "s", "S", "h", "C",
    "m'", "N'", "N\\", "g'", "d'", "b'", "h\\", "dz", "dZ", "4'", "k'", "t'", "p'", "p\\", "ts", "tS",
    "p\\'",
};
// clang-format on
static_assert(std::size(kPhonemes) == 42);

struct PhoneRow {
  std::string_view phoneme;
  std::string_view phone;
  std::string_view before_a;  // empty: same as phone
};

// clang-format off
constexpr PhoneRow kPhones[] = {
    {" ", "sp", ""},    {"a", "a:", ""},    {"i", "i:", ""},    {"M", "u:", ""},
    {"e", "e:", ""},    {"o", "o:", ""},    {"n", "n", ""},     {"J", "n", "ny"},
    {"m", "N", "m"},    {"N", "N", ""},     {"N'", "N", ""},    {"N\\", "N", ""},
    {"m'", "m", "my"},  {"g", "g", ""},     {"g'", "g", "gy"},  {"d", "d", ""},
    {"d'", "d", ""},    {"b", "b", ""},     {"b'", "b", "by"},  {"z", "z", ""},
    {"dz", "z", ""},    {"Z", "j", ""},     {"dZ", "j", ""},    {"4", "r", ""},
    {"4'", "r", "ry"},  {"j", "y", ""},     {"w", "w", ""},     {"k", "k", ""},
    {"k'", "k", "ky"},  {"t", "t", ""},     {"t'", "t", ""},    {"p", "p", ""},
    {"p'", "p", "py"},  {"s", "s", ""},     {"S", "sh", ""},    {"h", "h", ""},
    {"C", "h", "hy"},   {"p\\", "f", ""},   {"p\\'", "f", ""},  {"ts", "ts", ""},
    {"tS", "ch", ""},
};
// clang-format on

template <size_t N>
std::string_view LongestMatch(std::string_view text, const std::string_view (&table)[N],
                              size_t longest) {
  for (size_t length = std::min(longest, text.size()); length >= 1; --length) {
    const std::string_view head = text.substr(0, length);
    for (std::string_view symbol : table) {
      if (symbol == head) return symbol;
    }
  }
  return {};
}

}  // namespace

bool IsPhonemeAlphabet(char c) { return c != '\0' && kAlphabet.find(c) != std::string_view::npos; }

std::span<const std::string_view> SyllableSymbols() { return kSyllables; }
std::span<const std::string_view> PhonemeSymbols() { return kPhonemes; }

std::string_view MatchSyllable(std::string_view text) { return LongestMatch(text, kSyllables, 4); }
std::string_view MatchPhoneme(std::string_view text) { return LongestMatch(text, kPhonemes, 3); }

bool IsBareSyllable(std::string_view name) {
  return name == "a" || name == "i" || name == "M" || name == "e" || name == "o" || name == "N\\";
}

bool IsSibilant(std::string_view name) { return name == "s" || name == "S"; }

std::string_view PhoneOf(std::string_view phoneme, bool before_a) {
  for (const PhoneRow& row : kPhones) {
    if (row.phoneme == phoneme) return before_a && !row.before_a.empty() ? row.before_a : row.phone;
  }
  return {};
}

}  // namespace vtr::wtp
