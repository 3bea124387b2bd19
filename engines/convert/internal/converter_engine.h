// The batch model shared by the script-to-event converters: settings carried from symbol to
// symbol, the records of one phrase, and the emission of one event per call. A language
// subclass recognises its syllables and characters and names its events.
#ifndef VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_ENGINE_H_
#define VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_ENGINE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engines/convert/internal/converter_tables.h"
#include "engines/events/voice_event.h"

namespace vtr::convert::internal {

enum class RecordKind : int32_t {
  kSyllable = 0,
  kProlongation = 1,
  kRest = 2,
  kControlU = 3,
  kControlW = 4,
  kVoice = 5,
};

struct Accents {
  uint8_t a_kind = kNoAccent;  // pitch shape
  uint8_t a_count = 0;
  uint8_t b_kind = kNoAccent;  // volume shape
  uint8_t b_count = 0;
  uint8_t env_a = 1;  // 0: the pitch accumulator restarts after this record
  uint8_t env_b = 1;  // 0: the volume accumulator restarts after this record
};

struct Record {
  RecordKind kind = RecordKind::kRest;
  uint8_t velocity = 0;
  uint8_t value = 0;        // syllable: note; prolongation: 1 for "~"; controls: the value
  int32_t duration = 0;     // [ms]
  int32_t base_length = 0;  // [ms] before the speed offset
  uint16_t row = 0;         // the language's syllable row or index
  Accents accents;
  int32_t source = 0;  // byte offset + 1 of the record's first script byte
  // Chinese: tone code, tone of the next syllable (12 = none yet), 1 normal / 0 erhua.
  uint8_t tone_code = 0;
  uint8_t next_tone = 12;
  uint8_t normal = 1;
  // Korean: initial, vowel and final codes of the syllable as pronounced.
  uint8_t initial = 0;
  uint8_t vowel = 0;
  uint8_t final = 0;
  // Emission: a record inside an earlier syllable event, and for a control inside one its
  // offset from the event's start or from the previous control of the same event [ms].
  bool covered = false;
  int32_t control_offset = 0;
};

// One character at a read position: its byte count and the ASCII symbol it stands for
// (0 when none).
struct Char {
  size_t size = 1;
  uint8_t ascii = 0;
};

class ConverterEngine {
 public:
  virtual ~ConverterEngine() = default;

  int Init(int timebase);
  int Open(const uint8_t* text, int32_t size);
  int Convert(uint8_t* buf, int32_t buf_len);
  int Term();

 protected:
  static constexpr size_t kMaxRecords = 100;
  static constexpr int kMaxPhraseBytes = 100;

  // Language hooks.
  virtual std::string_view HeaderTag() const = 0;
  virtual void ParsePhrase() = 0;
  virtual void AfterPhrase() {}
  virtual Char CharAt(size_t pos) const = 0;
  virtual bool IsGeminate(const Record&) const { return false; }
  virtual int ProlongationLength(const Record* previous) const = 0;
  virtual bool ProlongationTakesTime() const { return true; }
  virtual void AppendEventText(size_t first, std::vector<uint8_t>& text) const = 0;
  // Pitch points of an event whose records carry no pitch mark; false to use the accent
  // model with its start and end points.
  virtual bool TonePitch(const Record&, int /*mode_offset*/, int /*pitch_acc*/,
                         std::vector<events::PitchPoint>&) const {
    return false;
  }
  virtual bool UsesSentenceModeTable() const { return true; }
  // True when marks are laid out by time; false to give every covered record an equal share.
  virtual bool LaysOutMarksByTime() const { return true; }
  // The smallest buffer a syllable event with the given body size needs.
  virtual int SyllableBufferNeed(int body) const { return body + 16; }

  // Parsing helpers for the language's ParsePhrase.
  bool PhraseHasRoom() const;
  bool AtEnd() const { return pos_ >= size_; }
  uint8_t ByteAt(size_t pos) const { return pos < size_ ? text_[pos] : 0; }
  size_t BytesLeft() const { return pos_ < size_ ? size_ - pos_ : 0; }
  // Continues an unfinished bracket skip; true while one is pending.
  bool ContinueBracketSkip();
  enum class SymbolResult { kNoOperation, kDone, kPhraseEnd };
  // Reads one character at the read position and applies its operation.
  SymbolResult ParseSymbol();
  // A syllable record of `length` ms (before the speed offset); false when the batch is full.
  bool AddSyllable(Record record, int length);
  bool TableLengths() const { return table_lengths_; }

  const uint8_t* text_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
  int phrase_bytes_ = 0;
  std::vector<Record> records_;
  int syllable_count_ = 0;

 private:
  void ResetSettings();
  void ResetBatch();
  bool AddRecord(const Record& record);
  std::optional<int> ReadNumber(int max_digits);
  std::optional<int> ReadDigit();
  std::optional<int> PeekDigit(size_t& size) const;
  void ApplyPhraseEnd(uint8_t arg);
  void ApplyAccent(bool pitch, uint8_t kind);
  void AddProlongation(uint8_t arg, int32_t source);
  Record NewRecord(RecordKind kind, int32_t source) const;

  int EmitRecord(size_t index, uint8_t* buf, int32_t buf_len);
  int EmitSyllable(size_t index, uint8_t* buf, int32_t buf_len);
  int WriteEnd(uint8_t* buf, int32_t buf_len);
  void ApplyMarksToAccumulators(const Accents& accents);
  PhrasePlace PlaceOf(size_t index) const;

  bool initialised_ = false;
  bool text_open_ = false;

  // Settings carried from symbol to symbol.
  uint8_t velocity_ = 89;
  uint8_t note_ = 0;
  int octave_ = 2;
  int speed_offset_ = 0;  // [ms]
  uint8_t mode_ = kDefaultSentenceMode;
  bool table_lengths_ = true;
  Accents pending_;
  bool bracket_skip_ = false;

  // The batch.
  bool batch_open_ = false;
  bool end_written_ = false;
  size_t next_ = 0;
  int64_t total_ms_ = 0;
  bool total_full_ = false;  // a further duration would overflow the phrase total

  // Emission.
  int64_t pending_ms_ = 0;
  int32_t pitch_acc_ = 0;
  int32_t volume_acc_ = 0;
};

}  // namespace vtr::convert::internal

#endif  // VTR_ENGINES_CONVERT_INTERNAL_CONVERTER_ENGINE_H_
