// SyllableRecord: one spoken syllable of a KV#J script with its timing, pitch and volume
// values; SyllableArray: the growable array the syllable list and the intonation graph share.
//
//   SyllableArray records;
//   records.SetSize(3);           // three empty records, capacity 4 (the grow step is 4..1024)
//   records[0].text = "\x82\xA9";  // か
//   records.Add(records[0]);      // a copy, size 4
#ifndef VTR_WAVE2SCRIPT_CORE_SYLLABLE_RECORD_H_
#define VTR_WAVE2SCRIPT_CORE_SYLLABLE_RECORD_H_

#include <cstddef>
#include <memory>
#include <string>

namespace vtr::w2s {

// Note value that means "no note in force".
inline constexpr int kNoNote = 99;

struct SyllableRecord {
  std::string text;      // the token: kana, or punctuation with its number
  int end_time = 0;      // cumulative end of the syllable [time units]
  int pitch_value = 0;   // from pitch steps, W and note
  int level = -6;        // volume steps + V level
  int length = 160;      // the syllable's length [time units]
  int pitch_steps = 0;   // net pitch offset of the pitch symbols in force
  int volume_steps = 0;  // net volume offset of the volume symbols in force
  int note = kNoNote;    // semitone of the note in force: octave 2 is 0..11
  int speed = 50;        // S
  int l = 0;             // L
  int v_level = -6;      // 0, -6, -11, -18, -23 for V5..V1
  int w = 12;            // 2, 6, 12, 24, 60 for W1..W5
  std::string prefix;    // command symbols before the token in the script

  bool operator==(const SyllableRecord&) const = default;
};

// A growable array of records with an explicit capacity rule: growing beyond the capacity
// allocates max(capacity + step, new size) records, where the step is the grow step set last,
// or when that is 0, the current size / 8 clamped to 4..1024.
class SyllableArray {
 public:
  SyllableArray() = default;
  SyllableArray(const SyllableArray& other);
  SyllableArray& operator=(const SyllableArray& other);
  SyllableArray(SyllableArray&&) noexcept = default;
  SyllableArray& operator=(SyllableArray&&) noexcept = default;

  [[nodiscard]] size_t size() const { return size_; }
  [[nodiscard]] size_t capacity() const { return capacity_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }

  // Size 0 frees everything; new records are empty (default values); dropped ones are
  // destroyed. A `grow_step` of 0 or more replaces the stored grow step.
  void SetSize(size_t size, int grow_step = -1);
  void Add(const SyllableRecord& record);
  void RemoveAll() { SetSize(0); }

  SyllableRecord& operator[](size_t i) { return data_[i]; }
  const SyllableRecord& operator[](size_t i) const { return data_[i]; }
  SyllableRecord* begin() { return data_.get(); }
  SyllableRecord* end() { return data_.get() + size_; }
  const SyllableRecord* begin() const { return data_.get(); }
  const SyllableRecord* end() const { return data_.get() + size_; }

 private:
  std::unique_ptr<SyllableRecord[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
  size_t grow_step_ = 0;  // 0: derived from the size
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SYLLABLE_RECORD_H_
