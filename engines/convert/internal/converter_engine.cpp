#include "engines/convert/internal/converter_engine.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <span>

#include "engines/convert/script_to_event_converter.h"
#include "engines/events/event_writer.h"

namespace vtr::convert::internal {
namespace {

constexpr int kMinDuration = 20;       // never below one tick [ms]
constexpr int kRestLength = 200;       // a space [ms]
constexpr int kPitchAccLimit = 69300;  // pitch accumulator [bend units]
constexpr int kVolumeAccLimit = 99;    // volume accumulator [velocity steps]
constexpr int kVolumeBase = 96;        // volume of an unaccented syllable
constexpr int kMaxPoints = 127;
constexpr int kMaxText = 127;
constexpr int kEndEventNeed = 5;      // smallest buffer for an end event [bytes]
constexpr int kControlEventNeed = 6;  // smallest buffer for a control or voice event

int32_t Clamp(int64_t v, int64_t lo, int64_t hi) {
  return static_cast<int32_t>(std::clamp(v, lo, hi));
}

// Ticks of 20 ms, rounded up.
uint32_t Ticks(int64_t ms) {
  if (ms <= 0) return 0;
  const int64_t ticks = (ms + kConverterTimebase - 1) / kConverterTimebase;
  return static_cast<uint32_t>(std::min<int64_t>(ticks, std::numeric_limits<uint32_t>::max()));
}

int MaxDuration(int64_t ms) { return Clamp(std::max<int64_t>(kMinDuration, ms), 0, INT32_MAX); }

}  // namespace

int ConverterEngine::Init(int timebase) {
  if (initialised_) return kConverterNotReady;
  if (timebase != kConverterTimebase) return kConverterBadArgument;
  text_ = nullptr;
  size_ = 0;
  pos_ = 0;
  text_open_ = false;
  ResetSettings();
  initialised_ = true;
  return 0;
}

int ConverterEngine::Open(const uint8_t* text, int32_t size) {
  if (!initialised_) return kConverterNotReady;
  if (text == nullptr || size <= 0) return kConverterBadArgument;
  const std::string_view tag = HeaderTag();
  if (static_cast<size_t>(size) < tag.size() || std::memcmp(text, tag.data(), tag.size()) != 0) {
    return kConverterBadHeader;
  }
  text_ = text;
  size_ = static_cast<size_t>(size);
  pos_ = tag.size();
  text_open_ = true;
  ResetSettings();
  return 0;
}

int ConverterEngine::Term() {
  if (!initialised_) return kConverterNotReady;
  initialised_ = false;
  text_open_ = false;
  size_ = 0;
  return 0;
}

int ConverterEngine::Convert(uint8_t* buf, int32_t buf_len) {
  if (!initialised_) return kConverterNotReady;
  if (buf == nullptr || buf_len <= 0) return kConverterBadArgument;
  if (!text_open_) return 0;
  if (!batch_open_ || end_written_) {
    if (AtEnd()) return 0;
    ResetBatch();
    ParsePhrase();
    AfterPhrase();
    batch_open_ = true;
  }
  while (next_ < records_.size()) {
    const int result = EmitRecord(next_, buf, buf_len);
    if (result != 0) return result;
  }
  return WriteEnd(buf, buf_len);
}

void ConverterEngine::ResetSettings() {
  velocity_ = 89;
  note_ = 0;
  octave_ = 2;
  speed_offset_ = 0;
  table_lengths_ = true;
  bracket_skip_ = false;
  batch_open_ = false;
  pending_ms_ = 0;
  ResetBatch();
}

void ConverterEngine::ResetBatch() {
  records_.clear();
  syllable_count_ = 0;
  next_ = 0;
  total_ms_ = 0;
  total_full_ = false;
  phrase_bytes_ = 0;
  pending_ = Accents{};
  mode_ = kDefaultSentenceMode;
  pitch_acc_ = 0;
  volume_acc_ = 0;
  end_written_ = false;
}

// ---------------------------------------------------------------------------------------------
// Parsing

bool ConverterEngine::PhraseHasRoom() const {
  return !AtEnd() && records_.size() < kMaxRecords && phrase_bytes_ < kMaxPhraseBytes &&
         !total_full_;
}

bool ConverterEngine::ContinueBracketSkip() {
  if (!bracket_skip_) return false;
  while (!AtEnd() && phrase_bytes_ < kMaxPhraseBytes) {
    const Char c = CharAt(pos_);
    const size_t n = std::min(c.size, BytesLeft());
    pos_ += n;
    phrase_bytes_ += static_cast<int>(n);
    if (c.ascii == ']') {
      bracket_skip_ = false;
      break;
    }
  }
  return true;
}

Record ConverterEngine::NewRecord(RecordKind kind, int32_t source) const {
  Record r;
  r.kind = kind;
  r.velocity = velocity_;
  r.value = note_;
  r.source = source;
  return r;
}

bool ConverterEngine::AddRecord(const Record& record) {
  if (records_.size() >= kMaxRecords || total_full_) return false;
  if (total_ms_ + record.duration > std::numeric_limits<int32_t>::max()) {
    total_full_ = true;
    return false;
  }
  total_ms_ += record.duration;
  records_.push_back(record);
  return true;
}

bool ConverterEngine::AddSyllable(Record record, int length) {
  record.kind = RecordKind::kSyllable;
  record.velocity = velocity_;
  record.value = note_;
  record.duration = MaxDuration(int64_t{length} + speed_offset_);
  record.base_length = length;
  record.accents = pending_;
  if (!AddRecord(record)) return false;
  pending_ = Accents{};
  ++syllable_count_;
  return true;
}

void ConverterEngine::AddProlongation(uint8_t arg, int32_t source) {
  Record r = NewRecord(RecordKind::kProlongation, source);
  const int length = ProlongationLength(records_.empty() ? nullptr : &records_.back());
  r.base_length = length;
  r.duration = ProlongationTakesTime() ? MaxDuration(int64_t{length} + speed_offset_) : 0;
  r.value = arg == kProlongTilde ? 1 : 0;
  r.accents = pending_;
  if (AddRecord(r)) pending_ = Accents{};
}

std::optional<int> ConverterEngine::PeekDigit(size_t& size) const {
  if (AtEnd()) return std::nullopt;
  const Char c = CharAt(pos_);
  if (c.ascii < '0' || c.ascii > '9' || c.size > BytesLeft()) return std::nullopt;
  size = c.size;
  return c.ascii - '0';
}

std::optional<int> ConverterEngine::ReadDigit() {
  size_t size = 0;
  auto digit = PeekDigit(size);
  if (digit) pos_ += size;
  return digit;
}

std::optional<int> ConverterEngine::ReadNumber(int max_digits) {
  auto first = ReadDigit();
  if (!first) return std::nullopt;
  int value = *first;
  for (int i = 1; i < max_digits; ++i) {
    auto digit = ReadDigit();
    if (!digit) break;
    value = value * 10 + *digit;
  }
  return value;
}

void ConverterEngine::ApplyPhraseEnd(uint8_t arg) {
  const int factor = std::min<int>(arg, 2);
  Record rest = NewRecord(RecordKind::kRest, static_cast<int32_t>(pos_));
  rest.duration = MaxDuration(int64_t{factor} * (speed_offset_ + kRestLength));
  // The mark goes to the phrase's last syllable, which lies before this rest.
  std::optional<size_t> last;
  for (size_t j = records_.size(); j-- > 0;) {
    if (records_[j].kind == RecordKind::kSyllable) {
      last = j;
      break;
    }
  }
  (void)AddRecord(rest);
  if (arg != kPhraseEndQuestion && arg != kPhraseEndStar) return;
  const uint8_t kind = arg == kPhraseEndStar ? kAccentStar : kAccentQuestion;
  const auto number = ReadNumber(2);
  if (!last) return;
  const int count = std::min(255, 1 + (number && *number > 1 ? *number - 1 : 0));
  Accents& accents = records_[*last].accents;
  accents.a_kind = kind;
  accents.b_kind = kind;
  accents.a_count = static_cast<uint8_t>(count);
  accents.b_count = static_cast<uint8_t>(count);
}

void ConverterEngine::ApplyAccent(bool pitch, uint8_t kind) {
  uint8_t& pending_kind = pitch ? pending_.a_kind : pending_.b_kind;
  uint8_t& pending_count = pitch ? pending_.a_count : pending_.b_count;
  if (pending_kind == kind) {
    pending_count = static_cast<uint8_t>(std::min(99, pending_count + 1));
  } else {
    pending_kind = kind;
    pending_count = 1;
  }
  const auto n = ReadNumber(2);
  if (n && *n > 1) pending_count = static_cast<uint8_t>(std::min(99, pending_count + *n - 1));
}

ConverterEngine::SymbolResult ConverterEngine::ParseSymbol() {
  const size_t start = pos_;
  const Char c = CharAt(pos_);
  pos_ += std::min(c.size, BytesLeft());
  const SymbolEntry* entry = c.ascii != 0 ? FindSymbolEntry(c.ascii) : nullptr;
  if (entry == nullptr) return SymbolResult::kNoOperation;
  const auto source = static_cast<int32_t>(start + 1);
  switch (entry->op) {
    case SymbolOp::kRest: {
      Record rest = NewRecord(RecordKind::kRest, source);
      rest.duration = MaxDuration(int64_t{speed_offset_} + kRestLength);
      (void)AddRecord(rest);
      break;
    }
    case SymbolOp::kPhraseEnd:
      ApplyPhraseEnd(entry->arg);
      return SymbolResult::kPhraseEnd;
    case SymbolOp::kProlong:
      AddProlongation(entry->arg, source);
      break;
    case SymbolOp::kAccentA:
      ApplyAccent(true, entry->arg);
      break;
    case SymbolOp::kAccentB:
      ApplyAccent(false, entry->arg);
      break;
    case SymbolOp::kClearA:
      pending_.a_kind = kNoAccent;
      pending_.a_count = 0;
      pending_.env_a = 0;
      break;
    case SymbolOp::kClearB:
      pending_.b_kind = kNoAccent;
      pending_.b_count = 0;
      pending_.env_b = 0;
      break;
    case SymbolOp::kClearBoth:
      pending_ = Accents{kNoAccent, 0, kNoAccent, 0, 0, 0};
      break;
    case SymbolOp::kSentenceMode:
      if (syllable_count_ == 0) mode_ = entry->arg;
      break;
    case SymbolOp::kNote: {
      int semitone = entry->arg;
      if (!AtEnd()) {
        const Char sharp = CharAt(pos_);
        if (sharp.ascii == '#' && sharp.size <= BytesLeft()) {
          pos_ += sharp.size;
          if (semitone != 4 && semitone != 11) ++semitone;
        }
      }
      // Only an octave digit 1..3 belongs to the note; any other digit is left in place.
      size_t size = 0;
      const auto octave = PeekDigit(size);
      if (octave && *octave >= 1 && *octave <= 3) {
        pos_ += size;
        octave_ = *octave;
      }
      int note = semitone + 12 * octave_ + 36;
      if (note > 127) note = (note - 128) % 12 + 116;
      note_ = static_cast<uint8_t>(note);
      break;
    }
    case SymbolOp::kSpeed:
      if (const auto n = ReadNumber(2)) speed_offset_ = (50 - *n) * 20;
      break;
    case SymbolOp::kControlU:
      if (const auto n = ReadNumber(1)) {
        Record r = NewRecord(RecordKind::kControlU, source);
        r.value = static_cast<uint8_t>(*n);
        (void)AddRecord(r);
      }
      break;
    case SymbolOp::kVelocity:
      if (const auto n = ReadNumber(1); n && *n >= 1 && *n <= 5) velocity_ = VelocityOfLevel(*n);
      break;
    case SymbolOp::kControlW:
      if (const auto n = ReadNumber(1); n && *n >= 1 && *n <= 5) {
        Record r = NewRecord(RecordKind::kControlW, source);
        r.value = BendRangeOfLevel(*n);
        (void)AddRecord(r);
      }
      break;
    case SymbolOp::kVoice:
      if (const auto n = ReadNumber(2)) {
        Record r = NewRecord(RecordKind::kVoice, source);
        r.value = static_cast<uint8_t>(*n + (entry->arg == 1 ? 128 : 0));
        (void)AddRecord(r);
      }
      break;
    case SymbolOp::kLengthMode:
      if (const auto n = ReadNumber(1); n && *n <= 1) table_lengths_ = *n == 0;
      break;
    case SymbolOp::kBracket:
      if (entry->arg == 0) bracket_skip_ = true;
      break;
  }
  return SymbolResult::kDone;
}

// ---------------------------------------------------------------------------------------------
// Emission

int ConverterEngine::WriteEnd(uint8_t* buf, int32_t buf_len) {
  if (buf_len < kEndEventNeed) return kConverterBufferTooSmall;
  const size_t n = events::WriteEndEvent(Ticks(pending_ms_),
                                         std::span<uint8_t>(buf, static_cast<size_t>(buf_len)));
  pending_ms_ = 0;
  end_written_ = true;
  return static_cast<int>(n);
}

void ConverterEngine::ApplyMarksToAccumulators(const Accents& accents) {
  const auto pitch = PitchShape(accents.a_kind);
  if (!pitch.empty()) {
    pitch_acc_ = Clamp(int64_t{pitch_acc_} + int64_t{accents.a_count} * pitch.back().value,
                       -kPitchAccLimit, kPitchAccLimit);
  }
  if (accents.env_a == 0) pitch_acc_ = 0;
  const auto volume = VolumeShape(accents.b_kind);
  if (!volume.empty()) {
    volume_acc_ = Clamp(int64_t{volume_acc_} + int64_t{accents.b_count} * volume.back().value,
                        -kVolumeAccLimit, kVolumeAccLimit);
  }
  if (accents.env_b == 0) volume_acc_ = 0;
}

PhrasePlace ConverterEngine::PlaceOf(size_t index) const {
  // A phrase with a single syllable event takes the place "first".
  int before = 0;
  int total = 0;
  for (size_t j = 0; j < records_.size(); ++j) {
    const Record& r = records_[j];
    if (r.kind != RecordKind::kSyllable || IsGeminate(r)) continue;
    if (j < index) ++before;
    ++total;
  }
  if (before == 0) return PhrasePlace::kFirst;
  return before == total - 1 ? PhrasePlace::kLast : PhrasePlace::kOther;
}

int ConverterEngine::EmitRecord(size_t index, uint8_t* buf, int32_t buf_len) {
  Record& r = records_[index];
  const std::span<uint8_t> out(buf, static_cast<size_t>(buf_len));
  switch (r.kind) {
    case RecordKind::kRest:
      pending_ms_ += r.duration;
      ++next_;
      return 0;
    case RecordKind::kProlongation:
      // A prolongation outside every syllable event (at a phrase's start, or behind a
      // geminate) still takes its time, so the play time stays the sum of the durations.
      if (!r.covered) pending_ms_ += r.duration;
      ++next_;
      return 0;
    case RecordKind::kControlU:
    case RecordKind::kControlW:
    case RecordKind::kVoice: {
      if (buf_len < kControlEventNeed) return kConverterBufferTooSmall;
      const int64_t delta_ms = r.covered ? r.control_offset : pending_ms_;
      pending_ms_ -= delta_ms;
      const uint32_t ticks = Ticks(delta_ms);
      size_t n = 0;
      if (r.kind == RecordKind::kControlU) {
        n = events::WriteControlEvent(ticks, events::kControllerU,
                                      std::min(r.value, events::kMaxControlU), out);
      } else if (r.kind == RecordKind::kControlW) {
        n = events::WriteControlEvent(ticks, events::kControllerBendRange, r.value, out);
      } else {
        n = events::WriteProgramEvent(ticks, events::ClampProgram(r.value), out);
      }
      ++next_;
      return static_cast<int>(n);
    }
    case RecordKind::kSyllable:
      if (IsGeminate(r)) {
        pending_ms_ += r.duration;
        ApplyMarksToAccumulators(r.accents);
        ++next_;
        return 0;
      }
      return EmitSyllable(index, buf, buf_len);
  }
  return 0;
}

int ConverterEngine::EmitSyllable(size_t index, uint8_t* buf, int32_t buf_len) {
  const size_t count = records_.size();
  // The event covers the records up to the next syllable, as far as the last prolongation.
  size_t last = index;
  for (size_t j = index + 1; j < count && records_[j].kind != RecordKind::kSyllable; ++j) {
    if (records_[j].kind == RecordKind::kProlongation) last = j;
  }

  // Times within the event [ms], and the layout of the marks (by time, or in equal shares).
  const bool by_time = LaysOutMarksByTime();
  struct Span {
    int64_t start = 0;
    int64_t length = 0;
  };
  std::vector<Span> spans(last - index + 1);
  std::vector<int32_t> control_offsets(last - index + 1, 0);
  int64_t duration_ms = 0;
  int64_t layout_total = 0;
  int64_t last_control_ms = 0;
  for (size_t j = index; j <= last; ++j) {
    const Record& r = records_[j];
    Span& span = spans[j - index];
    if (r.kind == RecordKind::kSyllable || r.kind == RecordKind::kProlongation ||
        r.kind == RecordKind::kRest) {
      const int64_t share = by_time ? r.duration : 1;
      span = {layout_total, share};
      layout_total += share;
      duration_ms += r.duration;
    } else {
      span = {layout_total, 0};
      control_offsets[j - index] = static_cast<int32_t>(duration_ms - last_control_ms);
      last_control_ms = duration_ms;
    }
  }
  if (layout_total <= 0) layout_total = 1;
  auto position = [layout_total](int64_t start, int64_t weight, int64_t length) {
    return static_cast<uint8_t>(
        std::min<int64_t>(events::kLastPosition, (start * 127 + weight * length) / layout_total));
  };

  const Record& first = records_[index];
  const int mode_offset = ModeOffset(mode_, PlaceOf(index));
  int32_t pitch_acc = pitch_acc_;
  int32_t volume_acc = volume_acc_;

  std::vector<events::PitchPoint> pitch;
  std::vector<events::VolumePoint> volume;
  auto add_pitch = [&pitch](uint8_t pos, int32_t value) {
    const uint16_t bend = events::BendFromSigned(value);
    if (!pitch.empty()) {
      // Marks that start together would otherwise step back; a point never precedes the one
      // before it.
      pos = std::max(pos, pitch.back().position);
      if (pitch.back().position == pos && pitch.back().bend == bend) return;
    }
    if (pitch.size() < kMaxPoints - 1) pitch.push_back({pos, bend});
  };
  auto add_volume = [&volume](uint8_t pos, int32_t value) {
    const auto v = static_cast<uint8_t>(std::clamp(value, 0, 127));
    if (!volume.empty()) {
      pos = std::max(pos, volume.back().position);
      if (volume.back().position == pos && volume.back().value == v) return;
    }
    if (volume.size() < kMaxPoints - 1) volume.push_back({pos, v});
  };
  auto clamp_bend = [](int64_t v) { return Clamp(v, -8192, 8191); };

  bool any_pitch_mark = false;
  for (size_t j = index; j <= last; ++j) {
    const Record& r = records_[j];
    if ((r.kind == RecordKind::kSyllable || r.kind == RecordKind::kProlongation) &&
        r.accents.a_kind != kNoAccent) {
      any_pitch_mark = true;
    }
  }
  const bool table_mark = UsesSentenceModeTable() && mode_ == kTableSentenceMode;
  const bool tone =
      !any_pitch_mark && !table_mark && TonePitch(first, mode_offset, pitch_acc, pitch);

  auto pitch_mark = [&](uint8_t kind, int count, const Span& span) {
    const auto shape = PitchShape(kind);
    if (shape.empty()) return;
    for (const ShapePoint& p : shape) {
      const int64_t value =
          Clamp(int64_t{mode_offset} + int64_t{count} * p.value, -kPitchAccLimit, kPitchAccLimit);
      add_pitch(position(span.start, p.weight, span.length), clamp_bend(value + pitch_acc));
    }
    pitch_acc = Clamp(int64_t{pitch_acc} + int64_t{count} * shape.back().value, -kPitchAccLimit,
                      kPitchAccLimit);
  };
  auto volume_mark = [&](uint8_t kind, int count, const Span& span) {
    const auto shape = VolumeShape(kind);
    if (shape.empty()) return;
    for (const ShapePoint& p : shape) {
      const int64_t value = Clamp(int64_t{count} * p.value, -kVolumeAccLimit, kVolumeAccLimit);
      add_volume(position(span.start, p.weight, span.length),
                 static_cast<int32_t>(value + volume_acc + kVolumeBase));
    }
    volume_acc = Clamp(int64_t{volume_acc} + int64_t{count} * shape.back().value, -kVolumeAccLimit,
                       kVolumeAccLimit);
  };

  if (!tone) add_pitch(0, clamp_bend(int64_t{mode_offset} + pitch_acc));
  add_volume(0, Clamp(int64_t{volume_acc} + kVolumeBase, 0, 127));
  if (table_mark) {
    // The table's mark comes first, at the event's start over the first record.
    const TableMark mark = SentenceModeMark(static_cast<int>(count + index + 1));
    pitch_mark(mark.kind, mark.count, spans[0]);
  }
  std::vector<uint8_t> extra;
  bool in_tilde = false;
  for (size_t j = index; j <= last; ++j) {
    const Record& r = records_[j];
    const Span& span = spans[j - index];
    if (r.kind == RecordKind::kRest) {
      volume_mark(kVolumeSilence, 1, span);
      continue;
    }
    if (r.kind != RecordKind::kSyllable && r.kind != RecordKind::kProlongation) continue;
    if (!tone) pitch_mark(r.accents.a_kind, r.accents.a_count, span);
    if (r.accents.env_a == 0) pitch_acc = 0;
    volume_mark(r.accents.b_kind, r.accents.b_count, span);
    if (r.accents.env_b == 0) volume_acc = 0;
    if (r.kind == RecordKind::kProlongation) {
      const bool tilde = r.value == 1;
      if (tilde != in_tilde && extra.size() < kMaxPoints) {
        extra.push_back(position(span.start, 0, 0));
      }
      in_tilde = tilde;
    }
  }
  if (pitch.empty() || pitch.back().position != events::kLastPosition) {
    pitch.push_back({events::kLastPosition,
                     events::BendFromSigned(clamp_bend(int64_t{mode_offset} + pitch_acc))});
  }
  if (volume.back().position != events::kLastPosition) {
    volume.push_back({events::kLastPosition,
                      static_cast<uint8_t>(Clamp(int64_t{volume_acc} + kVolumeBase, 0, 127))});
  }

  std::vector<uint8_t> text;
  AppendEventText(index, text);
  if (text.size() > kMaxText) text.resize(kMaxText);

  const int body =
      static_cast<int>(4 + text.size() + 3 * pitch.size() + 2 * volume.size() + extra.size());
  if (buf_len < SyllableBufferNeed(body)) return kConverterBufferTooSmall;

  events::NoteEvent event;
  event.delta = Ticks(pending_ms_);
  event.note = static_cast<uint8_t>(first.value | events::kUnpitchedNote);
  event.velocity = std::min(first.velocity, events::kMax7Bit);
  event.duration = Ticks(duration_ms);
  event.gate = 0;
  event.text = text;
  event.pitch = pitch;
  event.volume = volume;
  event.extra = extra;
  const size_t n =
      events::WriteNoteEvent(event, std::span<uint8_t>(buf, static_cast<size_t>(buf_len)));

  // Commit: the covered records, the accumulators and the time of the event.
  for (size_t j = index + 1; j <= last; ++j) {
    Record& r = records_[j];
    r.covered = true;
    if (r.kind == RecordKind::kRest) r.duration = 0;  // absorbed into the event
    r.control_offset = control_offsets[j - index];
  }
  pitch_acc_ = pitch_acc;
  volume_acc_ = volume_acc;
  pending_ms_ = duration_ms;
  next_ = index + 1;
  return static_cast<int>(n);
}

}  // namespace vtr::convert::internal
