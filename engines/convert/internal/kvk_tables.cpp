#include "engines/convert/internal/kvk_tables.h"

#include <array>
#include <cstdint>
#include <initializer_list>

namespace vtr::convert::internal {
namespace {

constexpr HangulCodes kSyllables[kHangulSyllables] = {
#include "engines/convert/internal/kvk_syllables.inc"
};

// The syllable index of each (initial, vowel, final) code triple; -1 where KS X 1001 lacks it.
constexpr size_t kCodeSpace = size_t{30} * 30 * 30;
constexpr size_t CodeKey(const HangulCodes& c) {
  return (static_cast<size_t>(c.initial) * 30 + c.vowel) * 30 + c.final;
}
constexpr std::array<int16_t, kCodeSpace> MakeIndexOfCodes() {
  std::array<int16_t, kCodeSpace> index{};
  index.fill(-1);
  for (size_t i = 0; i < kHangulSyllables; ++i)
    index[CodeKey(kSyllables[i])] = static_cast<int16_t>(i);
  return index;
}
constexpr auto kIndexOfCodes = MakeIndexOfCodes();

// Phoneme names by code 0..29 (the sound chip's names, written raw).
constexpr std::string_view kInitialNames[30] = {
    "",    "",    "",     "",       "",       "",    "",    "",    "",    "",
    "k",   "k_>", "n",    "t",      "t_>",    "4",   "m",   "p",   "p_>", "s",
    "s_>", "",    "ts\\", "ts\\_>", "ts\\_h", "k_h", "t_h", "p_h", "h",   "",
};
constexpr std::string_view kVowelNames[30] = {
    "",   "", "a",  "E",  "",  "ja", "jE", "V",  "",   "E", "jV", "jE", "",     "o", "wa",
    "wE", "", "wE", "jo", "u", "",   "wV", "wE", "wi", "",  "ju", "M",  "M\\i", "",  "i",
};
constexpr std::string_view kFinalNames[30] = {
    "",    "",    "k_}", "k_}", "k_}", "n_}", "n_}", "n_}", "t_}", "l_}",
    "k_}", "m_}", "l_}", "l_}", "l_}", "p_}", "l_}", "m_}", "p_}", "p_}",
    "t_}", "t_}", "N",   "t_}", "t_}", "k_}", "t_}", "p_}", "t_}", "",
};

// Consonant codes.
enum : uint8_t {
  // initials
  kG = 10,
  kKk = 11,
  kN = 12,
  kD = 13,
  kTt = 14,
  kR = 15,
  kM = 16,
  kB = 17,
  kPp = 18,
  kS = 19,
  kSs = 20,
  kIeung = 21,
  kJ = 22,
  kJj = 23,
  kCh = 24,
  kK = 25,
  kT = 26,
  kP = 27,
  kH = 28,
  // finals
  kFG = 2,
  kFKk = 3,
  kFGs = 4,
  kFN = 5,
  kFNj = 6,
  kFNh = 7,
  kFD = 8,
  kFL = 9,
  kFLg = 10,
  kFLm = 11,
  kFLb = 12,
  kFLs = 13,
  kFLt = 14,
  kFLp = 15,
  kFLh = 16,
  kFM = 17,
  kFB = 18,
  kFBs = 19,
  kFS = 20,
  kFSs = 21,
  kFNg = 22,
  kFJ = 23,
  kFCh = 24,
  kFK = 25,
  kFT = 26,
  kFP = 27,
  kFH = 28,
};
constexpr uint8_t kVowelI = 29;
constexpr uint8_t kAnyVowel = 0;

// Syllable-boundary rules, after the standard pronunciation rules of Korean (the Standard
// Language Regulations of the National Institute of the Korean Language, part 2: standard
// pronunciation, chapters 4-6: final consonants before vowels, assimilation, tensing). Only
// rules that change the following syllable, or that drop the first syllable's whole final, can
// be written here; a change of the first syllable's final into another consonant is not
// (the phoneme names of compound finals already sound as their remaining consonant). Finals
// listed together in one row share its rules. The first matching rule applies.
constexpr uint32_t Finals(std::initializer_list<uint8_t> codes) {
  uint32_t mask = 0;
  for (uint8_t code : codes) mask |= uint32_t{1} << code;
  return mask;
}

// The obstruent finals (and the stem finals ㄵ, ㄻ) that tense a following plain consonant.
constexpr uint32_t kTensingFinals =
    Finals({kFG,  kFKk, kFGs, kFD, kFLg, kFLb, kFLs, kFLt, kFLp, kFB,
            kFBs, kFS,  kFSs, kFJ, kFCh, kFK,  kFT,  kFP,  kFNj, kFLm});

struct BoundaryRule {
  uint32_t finals;  // bit n: final code n
  uint8_t next_initial;
  uint8_t next_vowel;   // kAnyVowel, or the only vowel the rule applies to
  uint8_t new_initial;  // 0: the following syllable is unchanged
  bool first_loses_final;
};

constexpr BoundaryRule kRules[] = {
    // Palatalisation: ㄷ, ㅌ before 이 (and ㄷ before 히).
    {Finals({kFD}), kIeung, kVowelI, kJ, true},
    {Finals({kFT}), kIeung, kVowelI, kCh, true},
    {Finals({kFD}), kH, kVowelI, kCh, true},
    // Liaison: a single final moves into a following silent initial. The nasal finals ㄴ, ㅁ,
    // ㅇ stay where they are (ㅁ and ㅇ share their rules).
    {Finals({kFG}), kIeung, kAnyVowel, kG, true},
    {Finals({kFKk}), kIeung, kAnyVowel, kKk, true},
    {Finals({kFD}), kIeung, kAnyVowel, kD, true},
    {Finals({kFL}), kIeung, kAnyVowel, kR, true},
    {Finals({kFB}), kIeung, kAnyVowel, kB, true},
    {Finals({kFS}), kIeung, kAnyVowel, kS, true},
    {Finals({kFSs}), kIeung, kAnyVowel, kSs, true},
    {Finals({kFJ}), kIeung, kAnyVowel, kJ, true},
    {Finals({kFCh}), kIeung, kAnyVowel, kCh, true},
    {Finals({kFK}), kIeung, kAnyVowel, kK, true},
    {Finals({kFT}), kIeung, kAnyVowel, kT, true},
    {Finals({kFP}), kIeung, kAnyVowel, kP, true},
    // ㅎ is silent before a vowel; from ㄶ and ㅀ the remaining consonant moves over.
    {Finals({kFH}), kIeung, kAnyVowel, 0, true},
    {Finals({kFNh}), kIeung, kAnyVowel, kN, true},
    {Finals({kFLh}), kIeung, kAnyVowel, kR, true},
    // Liaison of compound finals: the second consonant moves (ㅅ tensed), the first stays.
    {Finals({kFGs, kFLs}), kIeung, kAnyVowel, kSs, false},
    {Finals({kFBs}), kIeung, kAnyVowel, kSs, false},
    {Finals({kFNj}), kIeung, kAnyVowel, kJ, false},
    {Finals({kFLg}), kIeung, kAnyVowel, kG, false},
    {Finals({kFLm}), kIeung, kAnyVowel, kM, false},
    {Finals({kFLb}), kIeung, kAnyVowel, kB, false},
    {Finals({kFLt}), kIeung, kAnyVowel, kT, false},
    {Finals({kFLp}), kIeung, kAnyVowel, kP, false},
    // Aspiration: ㅎ after ㄱ, ㄷ, ㅂ, ㅈ (and their kin) becomes ㅋ, ㅌ, ㅍ, ㅊ.
    {Finals({kFG, kFKk, kFLg}), kH, kAnyVowel, kK, false},
    {Finals({kFD, kFS, kFSs, kFJ, kFCh, kFT}), kH, kAnyVowel, kT, false},
    {Finals({kFB, kFLb}), kH, kAnyVowel, kP, false},
    {Finals({kFNj}), kH, kAnyVowel, kCh, false},
    // Aspiration: ㅎ before ㄱ, ㄷ, ㅈ; ㅎ before ㅅ becomes ㅆ.
    {Finals({kFH}), kG, kAnyVowel, kK, true},
    {Finals({kFH}), kD, kAnyVowel, kT, true},
    {Finals({kFH}), kJ, kAnyVowel, kCh, true},
    {Finals({kFH}), kS, kAnyVowel, kSs, true},
    {Finals({kFNh, kFLh}), kG, kAnyVowel, kK, false},
    {Finals({kFNh, kFLh}), kD, kAnyVowel, kT, false},
    {Finals({kFNh, kFLh}), kJ, kAnyVowel, kCh, false},
    {Finals({kFNh, kFLh}), kS, kAnyVowel, kSs, false},
    // Nasalisation: ㄹ after a final other than ㄴ and ㄹ is pronounced ㄴ.
    {Finals({kFG, kFKk, kFD, kFM, kFNg, kFB, kFS, kFSs, kFJ, kFCh, kFK, kFT, kFP, kFLg, kFLm, kFLp,
             kFBs}),
     kR, kAnyVowel, kN, false},
    // Liquidisation: ㄴ after ㄹ (ㅀ, ㄾ) is pronounced ㄹ.
    {Finals({kFL, kFLh, kFLt}), kN, kAnyVowel, kR, false},
    // Tensing: ㄱ, ㄷ, ㅂ, ㅅ, ㅈ after an obstruent final (and after the stem finals ㄵ, ㄻ).
    {kTensingFinals, kG, kAnyVowel, kKk, false},
    {kTensingFinals, kD, kAnyVowel, kTt, false},
    {kTensingFinals, kB, kAnyVowel, kPp, false},
    {kTensingFinals, kS, kAnyVowel, kSs, false},
    {kTensingFinals, kJ, kAnyVowel, kJj, false},
};

std::string_view NameAt(const std::string_view (&names)[30], uint8_t code) {
  return code < 30 ? names[code] : std::string_view();
}

}  // namespace

std::optional<uint16_t> HangulIndex(uint8_t lead, uint8_t trail) {
  if (lead < kHangulFirstLead || lead > kHangulLastLead || trail < kHangulFirstTrail ||
      trail > kHangulLastTrail) {
    return std::nullopt;
  }
  return static_cast<uint16_t>((lead - kHangulFirstLead) * kHangulRowLength +
                               (trail - kHangulFirstTrail));
}

HangulCodes HangulCodesOf(uint16_t index) {
  return index < kHangulSyllables ? kSyllables[index] : HangulCodes{kSilentInitial, 2, kNoFinal};
}

std::optional<uint16_t> HangulIndexOf(const HangulCodes& codes) {
  if (codes.initial >= 30 || codes.vowel >= 30 || codes.final >= 30) return std::nullopt;
  const int16_t index = kIndexOfCodes[CodeKey(codes)];
  if (index < 0) return std::nullopt;
  return static_cast<uint16_t>(index);
}

std::string_view InitialName(uint8_t code) { return NameAt(kInitialNames, code); }
std::string_view VowelName(uint8_t code) { return NameAt(kVowelNames, code); }
std::string_view FinalName(uint8_t code) { return NameAt(kFinalNames, code); }

std::optional<BoundaryChange> FindBoundaryRule(uint8_t final, const HangulCodes& next) {
  for (const BoundaryRule& rule : kRules) {
    if (rule.next_initial != next.initial) continue;
    if (rule.next_vowel != kAnyVowel && rule.next_vowel != next.vowel) continue;
    if (final >= 32 || (rule.finals & (uint32_t{1} << final)) == 0) continue;
    BoundaryChange change;
    if (rule.new_initial != 0) change.second_initial = rule.new_initial;
    change.first_loses_final = rule.first_loses_final;
    return change;
  }
  return std::nullopt;
}

}  // namespace vtr::convert::internal
