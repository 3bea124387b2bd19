// The phoneme-symbol alphabet of the aligner: which characters a text may hold, the syllable
// and phoneme symbols matched longest first, and the recogniser phone of every phoneme.
#ifndef VTR_ENGINES_WTP_PHONEME_TABLES_H_
#define VTR_ENGINES_WTP_PHONEME_TABLES_H_

#include <span>
#include <string_view>

namespace vtr::wtp {

// The characters kept from a caller's text.
bool IsPhonemeAlphabet(char c);

// The 150 syllable symbols and the 42 phoneme symbols.
std::span<const std::string_view> SyllableSymbols();
std::span<const std::string_view> PhonemeSymbols();

// Longest syllable (4..1 characters) / phoneme (3..1 characters) symbol at the start of
// `text`; empty when none matches.
std::string_view MatchSyllable(std::string_view text);
std::string_view MatchPhoneme(std::string_view text);

// A bare syllable: a vowel or the moraic nasal.
bool IsBareSyllable(std::string_view name);
// A sibilant phoneme ("s", "S").
bool IsSibilant(std::string_view name);

// The recogniser phone of a phoneme inside the utterance; `before_a` when the next phoneme is
// "a". An inner pause is "sp". Empty for a symbol without a phone.
std::string_view PhoneOf(std::string_view phoneme, bool before_a);

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_PHONEME_TABLES_H_
