#include "wave2script/core/syllable_tokens.h"

#include <array>
#include <vector>

#include "core/script_tables.h"
#include "wave2script/core/script_scan.h"

namespace vtr::w2s {

namespace {

struct Groups {
  std::array<std::vector<SyllableToken>, 7> by_size;  // indexed by byte size
};

const Groups& TokenGroups() {
  static const Groups groups = [] {
    Groups g;
    for (size_t row = 0; row < core::kKanaRows; ++row) {
      const core::KanaRow& k = core::kKanaTable[row];
      g.by_size[k.length].push_back({k.text, k.duration, row >= core::kKanaFirstPunctuationRow});
    }
    return g;
  }();
  return groups;
}

}  // namespace

std::span<const SyllableToken> SyllableTokenGroup(int bytes) {
  if (bytes != 1 && bytes != 2 && bytes != 4 && bytes != 6) return {};
  return TokenGroups().by_size[bytes];
}

bool TakesNumber(const SyllableToken& token) {
  return token.text == "*" || token.text == "?" || token.text == "\x81\x96" ||
         token.text == "\x81\x48";
}

std::optional<TokenMatch> MatchToken(std::string_view rest) {
  for (int bytes : {6, 4, 2, 1}) {
    for (const SyllableToken& token : SyllableTokenGroup(bytes)) {
      if (!rest.starts_with(token.text)) continue;
      size_t size = token.text.size();
      if (TakesNumber(token)) size += DigitRun(rest, size);
      return TokenMatch{&token, size};
    }
  }
  return std::nullopt;
}

}  // namespace vtr::w2s
