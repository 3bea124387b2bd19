// SyllableList: a KV#J script as one SyllableRecord per kana token, and back.
//
// The intonation edit dialog parses a checked script into records, lets the graph edit their
// end times, pitch values and levels, and writes a script back; the edited durations reach
// the text as speed tokens (S) and the edited pitch and volume as step symbols.
//
//   // given: std::string script
//   SyllableList list;
//   if (list.SetScript(0x52100000, script) != 0) { /* not J, too long */ }
//   SyllableArray records;
//   (void)list.GetSyllables(&records);
//   records[0].end_time += 200;                  // the first syllable lasts longer
//   if (list.AssignSyllables(records) == 0) {
//     std::string_view text;
//     (void)list.GetText(&text);                 // "KV#JS40か..."
//   }
//
// What follows the last syllable (comments, settings, a last step) is no record's: the list
// keeps it as the script's tail and writes it after the last record. A caller that edits the
// records of one list and rebuilds them in another hands the tail over:
//
//   SyllableList rebuilt;
//   rebuilt.set_tail(list.tail());
//   (void)rebuilt.AssignSyllables(records);     // "...か[memo]" stays "...か[memo]"
//
// The static helpers work on any script text: ShiftSpeed and ShiftPitch shift the speed and
// pitch tokens of a script, TakeToken keeps the first kana token of a text, ValidateKana keeps
// all of them.
#ifndef VTR_WAVE2SCRIPT_CORE_SYLLABLE_LIST_H_
#define VTR_WAVE2SCRIPT_CORE_SYLLABLE_LIST_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "wave2script/core/syllable_record.h"

namespace vtr::w2s {

// Result codes.
inline constexpr uint32_t kSyllablesDone = 0;
inline constexpr uint32_t kSyllablesBadType = 0xF0000000;   // bad type word
inline constexpr uint32_t kSyllablesNotKana = 0xF0000001;   // language is not J
inline constexpr uint32_t kSyllablesTooShort = 0xF0000002;  // text under 4 bytes
inline constexpr uint32_t kSyllablesHeaderOnly = 0xF0000003;
inline constexpr uint32_t kSyllablesFailed = 0xF0000004;  // too long, or nothing to keep

// Largest script, tag included [bytes].
inline constexpr size_t kMaxSyllableScript = 32000;

class SyllableList {
 public:
  // Clears the records and the tail, then checks the type word (0x5xxxxxxx or from
  // 0xF0000000, language 2) and the size (at most 32000 bytes), stores the text and parses it.
  [[nodiscard]] uint32_t SetScript(uint32_t type, std::string_view text);
  // Drops the redundant speed tokens from the stored text (an S equal to the running speed,
  // which starts at 50) and hands it out (valid until the next change).
  [[nodiscard]] uint32_t GetText(std::string_view* text);
  // Takes copies of `src`, derives speed, pitch steps and volume steps from their edited end
  // times, pitch values and levels, and rebuilds the text (the tail after the last record).
  [[nodiscard]] uint32_t AssignSyllables(const SyllableArray& src);
  // Empties `dst` and appends copies of all records.
  [[nodiscard]] uint32_t GetSyllables(SyllableArray* dst) const;
  // Keeps the part of `src` that is still to be played after the record ending at `position`
  // [time units]: from the record after it, or, when its phrase starts with a pause symbol,
  // from the start of the phrase with the records up to it as fast and quiet lead-in.
  // *out_offset is the lead-in time (lead count x 20 + 20). kSyllablesFailed when no record
  // ends at `position`.
  [[nodiscard]] uint32_t SetSyllables(const SyllableArray& src, int position, int* out_offset);

  // Adds `delta` to every S token (and puts "S<50 + delta>" before the first syllable when
  // there is none). False, and the script unchanged, when a value leaves 0..99 (above 99 is
  // allowed as 99 right before a punctuation token).
  [[nodiscard]] static bool ShiftSpeed(std::string* script, int delta);
  // Kind 1: shifts every note's octave by `amount` (a "C" note is put before the first
  // syllable when there is none); kind 0: shifts the first pitch-step token by `amount`. False,
  // and the script unchanged, when a value leaves its range or the kind is unknown.
  [[nodiscard]] static bool ShiftPitch(std::string* script, int kind, int amount);
  // Replaces `text` by the longest kana token at its start (with the number, clamped to 0..99,
  // after ＊ ？ * ?). False and an empty text when none matches.
  [[nodiscard]] static bool TakeToken(std::string* text);
  // Replaces `text` by the kana tokens found in it, character by character (outside brackets
  // only, when asked). True when one of them is a hiragana.
  [[nodiscard]] static bool ValidateKana(std::string* text, bool outside_brackets_only);

  // The bytes after the last syllable token of the parsed script (the whole body when it
  // holds no token); the rebuilds write them after the last record.
  [[nodiscard]] const std::string& tail() const { return tail_; }
  void set_tail(std::string tail) { tail_ = std::move(tail); }

  [[nodiscard]] const std::string& text() const { return text_; }
  [[nodiscard]] const SyllableArray& records() const { return records_; }
  [[nodiscard]] int start_offset() const { return start_offset_; }
  [[nodiscard]] int lead_count() const { return lead_count_; }
  [[nodiscard]] int mode() const { return mode_; }

 private:
  void Parse();
  void Recompute();
  void Write();
  void Rebuild();

  std::string text_;  // the script text
  SyllableArray records_;
  std::string tail_;          // what follows the last record's token
  bool punctuation_ = false;  // the current token is punctuation
  int start_offset_ = 0;      // end time before the first kept record [time units]
  int lead_count_ = 0;        // lead-in records of a kept part
  int mode_ = 0;              // 1 when the kept part begins with a pause symbol
};

// The pitch value of a record from its pitch steps, the previous record's pitch steps, its W
// value and its note (kNoNote counts as 0).
[[nodiscard]] int PitchValueOf(int pitch_steps, int previous_steps, int w, int note);
// The pitch steps that give `pitch_value` with W value `w` and note `note`.
[[nodiscard]] int PitchStepsOf(int pitch_value, int w, int note);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SYLLABLE_LIST_H_
