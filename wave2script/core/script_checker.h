// ScriptChecker: the wave-to-script library's own checker and normaliser of script text.
//
// It works on the raw bytes of one script at a time (Shift-JIS for KV#J, KS X 1001 for KV#K,
// ASCII for KV#G and KV#C) and does not use the script engine: it detects the type from the
// tag, rewrites the tag, folds full-width input onto the script's forms, converts between kana
// and romaji, cleans the command symbols (body_pass.h), extracts the bare kana, rebuilds a
// script from typed kana, reads or inserts the voice-quality token and checks phrase lengths.
//
//   // given: std::string text
//   ScriptChecker checker;
//   if (checker.SetScript(0x52100000, text, 100) != 0) { /* bad type word */ }
//   uint32_t code = checker.Check(kCheckBody, kKeepLineBreaks | kInsertPhraseBreaks);
//   std::string_view cleaned;
//   if (code == 0 && checker.GetText(&cleaned) == 0) { /* cleaned holds a syllable */ }
//
// Results are unsigned codes, combined by OR inside Check. Callers show 504 (no valid
// character), 502 (bad script), 503 (CheckPhraseLength false) or 511 (over 32000 bytes).
#ifndef VTR_WAVE2SCRIPT_CORE_SCRIPT_CHECKER_H_
#define VTR_WAVE2SCRIPT_CORE_SCRIPT_CHECKER_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "wave2script/core/body_pass.h"
#include "wave2script/core/script_scan.h"

namespace vtr::w2s {

// Result codes.
inline constexpr uint32_t kCheckDone = 0;
inline constexpr uint32_t kCheckNotRomaji = 0xF0000004;       // romaji-to-kana on a non-G text
inline constexpr uint32_t kCheckNoText = 0xF0000005;          // GetText/GetResult: nothing usable
inline constexpr uint32_t kCheckTypeMismatch = 0xF0000007;    // tag differs, or a pass failed
inline constexpr uint32_t kCheckNoSyllable = 0xF0000008;      // GetText: no syllable character
inline constexpr uint32_t kCheckPhraseOverflow = 0xF000000A;  // bracket comment too long
inline constexpr uint32_t kCheckFromKanaFailed = 0xFF000000;
inline constexpr uint32_t kCheckBadTypeWord = 0xFF000001;
inline constexpr uint32_t kCheckNothingApplied = 0xFF000002;

// Flags of Check.
inline constexpr uint32_t kCheckHeader = 0x01;        // rewrite the tag
inline constexpr uint32_t kCheckRomajiToKana = 0x10;  // leave a G text as kana
inline constexpr uint32_t kCheckKanaToRomaji = 0x20;  // convert the result to romaji
inline constexpr uint32_t kCheckExtractKana = 0x40;   // bare kana into the result text
inline constexpr uint32_t kCheckBody = 0x80;          // width normalisation and body pass
// Any of these bits runs the width normalisation and the body pass.
inline constexpr uint32_t kCheckPassBits = 0xF0;

// The type word callers pass (chip emulator, J, bit 20) and their phrase limit [bytes].
inline constexpr uint32_t kCheckerTypeWord = 0x52100000;
inline constexpr int kDefaultPhraseLimit = 100;

class ScriptChecker {
 public:
  ScriptChecker() = default;
  virtual ~ScriptChecker() = default;

  // Stores the type word and a copy of exactly `text` (embedded NULs included). The word must
  // lie in 0x50000000..0x5FFFFFFF or be 0xF0000000 and above, with language 2..5 in bits 24-27
  // and 0 or 1 in bits 20-23; otherwise kCheckBadTypeWord (the limit is still stored, the text
  // is not). Success also makes the phrase-fits flag true again.
  [[nodiscard]] uint32_t SetScript(uint32_t type, std::string_view text, int limit);

  // Runs the passes chosen by `flags` with the options word `options` (kKeepLineBreaks,
  // kInsertPhraseBreaks): tag rewrite; type test (kCheckTypeMismatch alone on a mismatch);
  // width normalisation, romaji to kana, body pass, kana extraction, kana to romaji. Returns
  // the OR of the failure codes when any arose, else kCheckNothingApplied when no pass was
  // applied, else kCheckDone.
  [[nodiscard]] uint32_t Check(uint32_t flags, uint32_t options);

  // The stored text (valid until the next change). kCheckNoText when it is shorter than the
  // tag or has no known tag; kCheckNoSyllable when the body holds no syllable character
  // outside brackets (the text is handed out all the same).
  [[nodiscard]] uint32_t GetText(std::string_view* text) const;
  // The result text of the last kana extraction or FromKanaText; kCheckNoText when empty.
  [[nodiscard]] uint32_t GetResult(std::string_view* text) const;

  // Replaces the syllables of the stored KV#J script one for one by the syllables of `kana`
  // (an empty stored text gives "KV#J" and the cleaned kana); extra old syllables become "□",
  // extra new ones follow the last replaced syllable. kCheckFromKanaFailed when a check fails
  // or the stored script is not KV#J.
  [[nodiscard]] uint32_t FromKanaText(std::string_view kana);

  // Puts "K<voice>" right after the tag unless a voice token already stands before the first
  // syllable and `keep_existing` (or, for X, a voice of 0) keeps it; then *voice is that
  // token's value. *voice becomes -1 when the first syllable was reached. False when the width
  // normalisation fails.
  [[nodiscard]] bool InsertVoiceQuality(int* voice, bool keep_existing);
  // The voice of the first K<n> (0..15) or X<n> (0) before the first syllable; *voice is left
  // unchanged when there is none. False only when the stored type has no classifier.
  [[nodiscard]] bool GetVoiceQuality(int* voice) const;
  // True when no phrase of the stored text is longer than `max_count` bytes as played.
  [[nodiscard]] bool CheckPhraseLength(unsigned max_count) const;

  [[nodiscard]] const std::string& text() const { return text_; }
  [[nodiscard]] ScriptLanguage language() const { return language_; }
  [[nodiscard]] bool phrase_fits() const { return phrase_fits_; }
  [[nodiscard]] int limit() const { return limit_; }
  [[nodiscard]] uint32_t device() const { return device_; }

 private:
  [[nodiscard]] bool NormaliseWidth();
  [[nodiscard]] bool RunBody();
  void ExtractKana();

  uint32_t options_ = 0;  // kKeepLineBreaks, kInsertPhraseBreaks of the last Check
  std::string text_;      // the script being worked on
  std::string result_;    // kana of the last extraction or FromKanaText
  uint32_t device_ = 0;   // bits 28-31 of the type word
  ScriptLanguage language_ = ScriptLanguage::kNone;  // the stored type
  uint32_t bit20_ = 0;                               // 0 or 0x100000
  int limit_ = kDefaultPhraseLimit;                  // phrase limit [bytes]
  bool phrase_fits_ = true;                          // cleared when a bracket comment overflows
};

// The conversions of the checker as free functions over a whole script with tag.
// Romaji (KV#G) to kana: always succeeds, the result starts with "KV#J".
[[nodiscard]] std::string RomajiScriptToKana(std::string_view script);
// Kana (KV#J) to romaji: the result starts with "KV#G".
[[nodiscard]] std::string KanaScriptToRomaji(std::string_view script);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SCRIPT_CHECKER_H_
