// The syllable token table of the syllable list: every kana token with its default length,
// in four groups searched longest first (6-, 4-, 2- and 1-byte tokens). The rows are the
// script core's kana table (core/script_tables.h); this module orders them into the groups and
// matches them against script bytes.
//
//   std::optional<TokenMatch> m = MatchToken("\x82\xB5\x82\xE1\x82\xA9");   // しゃか
//   // m->text == "しゃ", m->length == 240, m->size == 4
#ifndef VTR_WAVE2SCRIPT_CORE_SYLLABLE_TOKENS_H_
#define VTR_WAVE2SCRIPT_CORE_SYLLABLE_TOKENS_H_

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace vtr::w2s {

// Length that marks a lengthening of the previous syllable.
inline constexpr int kLengthenPrevious = -1;

struct SyllableToken {
  std::string_view text;  // Shift-JIS (or ASCII for the 1-byte group)
  int length;             // default length [time units]; kLengthenPrevious for long marks
  bool punctuation;       // 、，。．＊？ and ､ , ｡ . * ?
};

// The tokens of `bytes` bytes (6, 4, 2 or 1), in table order; empty for other sizes.
// Sizes: 4, 78, 95 and 9; the punctuation is 2-byte indices 89-94 and 1-byte indices 3-8.
[[nodiscard]] std::span<const SyllableToken> SyllableTokenGroup(int bytes);

struct TokenMatch {
  const SyllableToken* token;
  size_t size;  // bytes of the token and, after ＊ ？ * ?, of the digits that follow
};

// The longest token at the start of `rest` (6-, 4-, 2-, then 1-byte group; first match wins),
// with the digits after ＊ ？ * ?; nullopt when none matches.
[[nodiscard]] std::optional<TokenMatch> MatchToken(std::string_view rest);

// True for the tokens that take a number (＊ ？ * ?).
[[nodiscard]] bool TakesNumber(const SyllableToken& token);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SYLLABLE_TOKENS_H_
