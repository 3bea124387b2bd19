#include "wave2script/core/syllable_list.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "wave2script/core/script_scan.h"
#include "wave2script/core/syllable_tokens.h"
#include "wave2script/core/syllable_values.h"

namespace vtr::w2s {

namespace {

constexpr std::string_view kKanaTag = "KV#J";
constexpr ScriptLanguage kJ = ScriptLanguage::kJapanese;

// Record values before the first syllable (the speed is kStartSpeed).
constexpr int kDefaultLength = 160;  // also the length under L1
constexpr int kDefaultW = 12;
// Lead-in syllables run at this speed and V level.
constexpr int kLeadInSpeed = 99;
constexpr int kLeadInLevel = -23;
constexpr int kLeadInVolumeDrop = 99;

// Semitones of the note letters A..G.
constexpr std::array<int, 7> kNoteSemitones = {9, 11, 0, 2, 4, 5, 7};

uint8_t At(std::string_view t, size_t i) { return static_cast<uint8_t>(t[i]); }

bool IsPitchSymbol(uint8_t b) { return b == '$' || b == '\'' || b == '^' || b == '_'; }
bool IsVolumeSymbol(uint8_t b) { return b == '<' || b == '>'; }
bool IsPauseSymbol(uint8_t b) { return b == '@' || b == '!' || b == ';' || b == ':'; }

// Calls fn(position, byte) for every single byte of `t` outside brackets and outside
// double-byte characters; fn returns how many bytes after the symbol it consumed.
template <typename Fn>
void ForEachSingle(std::string_view t, size_t from, Fn&& fn) {
  ByteClassifier bytes(kJ);
  BracketTracker brackets;
  for (size_t i = from; i < t.size(); ++i) {
    uint8_t b = At(t, i);
    if (bytes.Next(b) != ByteClass::kSingle) continue;
    bool was_inside = brackets.inside();
    brackets.Single(b);
    if (was_inside || brackets.inside()) continue;
    i += fn(i, b);
    bytes.Reset();
  }
}

// The values a prefix sets, each from its first occurrence.
struct PrefixValues {
  std::optional<int> pitch;
  std::optional<int> volume;
  bool pitch_reset = false;
  bool volume_reset = false;
  std::optional<int> speed;
  std::optional<int> l;
  std::optional<int> v_level;
  std::optional<int> w;
  std::optional<int> note;
  bool high_pair = false;  // the pitch symbol is '^' or '$'
};

PrefixValues ReadPrefix(std::string_view prefix) {
  PrefixValues pv;
  ForEachSingle(prefix, 0, [&](size_t i, uint8_t b) -> size_t {
    int v = 0;
    size_t n = ReadNumber(prefix, i + 1, &v);
    const int count = n > 0 ? v : 1;
    if (IsPitchSymbol(b) && !pv.pitch) {
      pv.pitch = (b == '\'' || b == '^') ? count : -count;
      pv.high_pair = b == '^' || b == '$';
    } else if (IsVolumeSymbol(b) && !pv.volume) {
      pv.volume = b == '<' ? count : -count;
    } else if (b == '&') {
      pv.pitch_reset = pv.volume_reset = true;
    } else if (b == '/') {
      pv.pitch_reset = true;
    } else if (b == '=') {
      pv.volume_reset = true;
    } else if (b == 'S' && n > 0 && !pv.speed) {
      pv.speed = v;
    } else if (b == 'L' && n > 0 && !pv.l) {
      pv.l = v;
    } else if (b == 'V' && n > 0 && v >= 1 && v <= 5 && !pv.v_level) {
      pv.v_level = kVLevels[v - 1];
    } else if (b == 'W' && n > 0 && v >= 1 && v <= 5 && !pv.w) {
      pv.w = kWValues[v - 1];
    } else if (b >= 'A' && b <= 'G' && !pv.note) {
      int note = kNoteSemitones[b - 'A'];
      size_t k = i + 1;
      if (k < prefix.size() && prefix[k] == '#') {
        ++note;
        ++k;
      }
      if (k < prefix.size() && prefix[k] == '1') note -= 12;
      if (k < prefix.size() && prefix[k] == '3') note += 12;
      pv.note = note;
      return k - (i + 1);
    }
    return n;
  });
  return pv;
}

bool IsPunctuationText(std::string_view text) {
  std::optional<TokenMatch> m = MatchToken(text);
  return m && m->token->punctuation;
}

SyllableRecord FirstDefaults(int start_offset) {
  SyllableRecord r;
  r.end_time = start_offset;
  return r;
}

int Duration(int length, int speed) {
  const int k = length == kLongTokenLength ? 2 : 1;
  return length + (kStartSpeed - speed) * 20 * k;
}

// `count` as the up or down symbol of a pair, followed by the count when above 1.
void PutSteps(std::string* out, int steps, char up, char down) {
  if (steps == 0) return;
  const int n = std::min(99, std::abs(steps));
  *out += steps > 0 ? up : down;
  if (n > 1) *out += std::to_string(n);
}

}  // namespace

int PitchValueOf(int pitch_steps, int previous_steps, int w, int note) {
  const int64_t n = note == kNoNote ? 0 : note;
  const int64_t base = static_cast<int64_t>(pitch_steps) * w * 70000;
  int64_t v = pitch_steps > previous_steps ? ((base + n * 819100) / 84 + 50) / 100
                                           : ((base + n * 819200) / 84 - 50) / 100;
  return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int PitchStepsOf(int pitch_value, int w, int note) {
  const int64_t n = note == kNoNote ? 0 : note;
  const int64_t w7 = static_cast<int64_t>(w > 0 ? w : kDefaultW) * 7;
  const int64_t scaled = static_cast<int64_t>(pitch_value) * 84;
  const int64_t m = scaled - n * 8191;
  int64_t p = m < 0 ? ((scaled - n * 8192) / w7 - 50) / 100 : (m / w7 + 50) / 100;
  return static_cast<int>(std::clamp<int64_t>(p, INT32_MIN, INT32_MAX));
}

uint32_t SyllableList::SetScript(uint32_t type, std::string_view text) {
  records_.RemoveAll();
  tail_.clear();
  const bool device_ok = (type >= 0x50000000 && type <= 0x5FFFFFFF) || type >= 0xF0000000;
  if (!device_ok) return kSyllablesBadType;
  if ((type & 0x0F000000) != static_cast<uint32_t>(kJ)) return kSyllablesNotKana;
  if (text.size() > kMaxSyllableScript) return kSyllablesFailed;
  text_.assign(text.data(), text.size());
  start_offset_ = 0;
  Parse();
  return kSyllablesDone;
}

void SyllableList::Parse() {
  records_.RemoveAll();
  std::string_view t = text_;
  ByteClassifier bytes(kJ);
  BracketTracker brackets;
  std::string prefix;
  size_t i = kTagSize;
  while (i < t.size()) {
    const uint8_t b = At(t, i);
    const ByteClass c = bytes.Next(b);
    if (!brackets.inside() && c != ByteClass::kTrail) {
      if (std::optional<TokenMatch> m = MatchToken(t.substr(i))) {
        const SyllableToken& token = *m->token;
        const SyllableRecord prev =
            records_.empty() ? FirstDefaults(start_offset_) : records_[records_.size() - 1];
        SyllableRecord r = prev;
        r.text = std::string(t.substr(i, m->size));
        r.prefix = prefix;
        punctuation_ = token.punctuation;
        const PrefixValues pv = ReadPrefix(prefix);
        if (pv.speed) r.speed = *pv.speed;
        if (pv.l) r.l = *pv.l;
        if (pv.v_level) r.v_level = *pv.v_level;
        if (pv.w) r.w = *pv.w;
        if (pv.note) r.note = *pv.note;
        r.pitch_steps = punctuation_     ? 0
                        : pv.pitch_reset ? pv.pitch.value_or(0)
                                         : prev.pitch_steps + pv.pitch.value_or(0);
        r.volume_steps = punctuation_      ? 0
                         : pv.volume_reset ? pv.volume.value_or(0)
                                           : prev.volume_steps + pv.volume.value_or(0);
        r.length = r.l == 1                            ? kDefaultLength
                   : token.length == kLengthenPrevious ? prev.length
                                                       : token.length;
        const int d = Duration(r.length, r.speed);
        r.end_time = prev.end_time + (d > 0 ? d : kMinDuration);
        if (r.note != prev.note || r.pitch_steps != prev.pitch_steps) {
          r.pitch_value = PitchValueOf(r.pitch_steps, prev.pitch_steps, r.w, r.note);
        }
        r.level = r.volume_steps + r.v_level;
        records_.Add(r);
        prefix.clear();
        i += m->size;
        bytes.Reset();
        continue;
      }
    }
    if (c == ByteClass::kSingle) brackets.Single(b);
    prefix += static_cast<char>(b);
    ++i;
  }
  // No record owns what follows the last token; it is kept as it stands.
  tail_ = std::move(prefix);
}

void SyllableList::Recompute() {
  int prev_end = start_offset_;
  int prev_length = kDefaultLength;
  for (SyllableRecord& r : records_) {
    std::optional<TokenMatch> m = MatchToken(r.text);
    int length = m ? m->token->length : r.length;
    if (r.l == 1) {
      length = kDefaultLength;
    } else if (length == kLengthenPrevious) {
      length = prev_length;
    }
    r.length = length;
    if (!(m && m->token->punctuation)) {
      r.pitch_steps = PitchStepsOf(r.pitch_value, r.w, r.note);
      r.volume_steps = r.level - r.v_level;
    }
    const int k = length == kLongTokenLength ? 2 : 1;
    const int d = r.end_time - prev_end;
    int speed = r.speed;
    if (d >= length) {
      speed = kStartSpeed - (d - length) / (20 * k);
    } else if (!(d == kMinDuration && Duration(length, r.speed) <= kMinDuration)) {
      speed = kStartSpeed + (length - d) / (20 * k);
    }
    // The speed token only holds 0..99; beyond, the checker would read it as 50.
    r.speed = std::clamp(speed, 0, 99);
    prev_end = r.end_time;
    prev_length = r.length;
  }
}

void SyllableList::Write() {
  const size_t size = records_.size();
  if (mode_ == 1 && lead_count_ > 0 && size > 0) {
    records_[0].prefix += "S99V1";
    const size_t lead = static_cast<size_t>(lead_count_);
    const int base = lead < size ? records_[lead].volume_steps : 0;
    for (size_t k = 0; k < std::min(lead, size); ++k) {
      records_[k].speed = kLeadInSpeed;
      records_[k].v_level = kLeadInLevel;
      records_[k].volume_steps = base - kLeadInVolumeDrop;
    }
  }
  const size_t normal = mode_ == 1 ? static_cast<size_t>(lead_count_) : 0;
  if (normal >= size) return;
  SyllableRecord& r = records_[normal];
  bool has[128] = {};
  ForEachSingle(r.prefix, 0, [&](size_t, uint8_t b) -> size_t {
    if (b < 128) has[b] = true;
    return 0;
  });
  const bool has_note =
      std::any_of(std::begin(has) + 'A', std::begin(has) + 'H', [](bool x) { return x; });
  if (!has[uint8_t{'L'}]) r.prefix += "L" + std::to_string(r.l);
  if (!has_note && r.note != kNoNote && r.note >= -12 && r.note < 24) {
    const int octave = r.note < 0 ? 1 : r.note < 12 ? 2 : 3;
    r.prefix += kNoteNames[(r.note + 12) % 12];
    r.prefix += std::to_string(octave);
  }
  if (!has[uint8_t{'S'}]) r.prefix += "S" + std::to_string(r.speed);
  auto v = std::find(kVLevels.begin(), kVLevels.end(), r.v_level);
  if (!has[uint8_t{'V'}] && v != kVLevels.end())
    r.prefix += "V" + std::to_string(v - kVLevels.begin() + 1);
  auto w = std::find(kWValues.begin(), kWValues.end(), r.w);
  if (!has[uint8_t{'W'}] && w != kWValues.end())
    r.prefix += "W" + std::to_string(w - kWValues.begin() + 1);
}

void SyllableList::Rebuild() {
  std::string out(kKanaTag);
  const SyllableRecord* prev = nullptr;
  for (const SyllableRecord& r : records_) {
    const PrefixValues pv = ReadPrefix(r.prefix);
    // The prefix without its pitch, volume and speed tokens; those are written from the values.
    std::string kept;
    ByteClassifier bytes(kJ);
    BracketTracker brackets;
    for (size_t i = 0; i < r.prefix.size(); ++i) {
      const uint8_t b = At(r.prefix, i);
      const ByteClass c = bytes.Next(b);
      const bool outside = c == ByteClass::kSingle && !brackets.inside() && b != '[';
      if (c == ByteClass::kSingle) brackets.Single(b);
      if (outside && (IsPitchSymbol(b) || IsVolumeSymbol(b) || b == 'S')) {
        i += DigitRun(r.prefix, i + 1);
        bytes.Reset();
        continue;
      }
      kept += static_cast<char>(b);
    }
    out += kept;
    out += "S" + std::to_string(r.speed);
    const bool punctuation = IsPunctuationText(r.text);
    const int prev_pitch = prev ? prev->pitch_steps : 0;
    const int prev_volume = prev ? prev->volume_steps : 0;
    const int pitch = pv.pitch_reset || punctuation ? r.pitch_steps : r.pitch_steps - prev_pitch;
    const int volume =
        pv.volume_reset || punctuation ? r.volume_steps : r.volume_steps - prev_volume;
    PutSteps(&out, pitch, pv.high_pair ? '^' : '\'', pv.high_pair ? '$' : '_');
    PutSteps(&out, volume, '<', '>');
    out += r.text;
    prev = &r;
  }
  out += tail_;
  text_ = std::move(out);
}

uint32_t SyllableList::GetText(std::string_view* text) {
  *text = text_;
  if (text_.size() < kTagSize) return kSyllablesTooShort;
  std::string out = text_.substr(0, kTagSize);
  int running = kStartSpeed;
  size_t copied = kTagSize;
  ForEachSingle(text_, kTagSize, [&](size_t i, uint8_t b) -> size_t {
    if (b != 'S') return 0;
    int v = 0;
    const size_t n = ReadNumber(text_, i + 1, &v);
    if (n == 0) return 0;
    out += text_.substr(copied, i - copied);
    if (v != running) out += text_.substr(i, 1 + n);
    running = v;
    copied = i + 1 + n;
    return n;
  });
  out += text_.substr(copied);
  text_ = std::move(out);
  *text = text_;
  return text_.size() == kTagSize ? kSyllablesHeaderOnly : kSyllablesDone;
}

uint32_t SyllableList::AssignSyllables(const SyllableArray& src) {
  records_ = src;
  Recompute();
  Rebuild();
  return text_.size() > kMaxSyllableScript ? kSyllablesFailed : kSyllablesDone;
}

uint32_t SyllableList::GetSyllables(SyllableArray* dst) const {
  dst->RemoveAll();
  for (const SyllableRecord& r : records_) dst->Add(r);
  return kSyllablesDone;
}

uint32_t SyllableList::SetSyllables(const SyllableArray& src, int position, int* out_offset) {
  size_t found = src.size();
  for (size_t k = 0; k < src.size(); ++k) {
    if (src[k].end_time == position) {
      found = k;
      break;
    }
  }
  if (found == src.size()) return kSyllablesFailed;
  size_t phrase = 0;  // first record after the last punctuation before the found one
  for (size_t k = found; k > 0; --k) {
    if (IsPunctuationText(src[k - 1].text)) {
      phrase = k;
      break;
    }
  }
  bool pause = false;
  ForEachSingle(src[phrase].prefix, 0, [&](size_t, uint8_t b) -> size_t {
    pause |= IsPauseSymbol(b);
    return 0;
  });
  size_t keep_from;
  if (pause) {
    mode_ = 1;
    keep_from = phrase;
    lead_count_ = static_cast<int>(found - phrase + 1);
  } else {
    mode_ = 0;
    keep_from = found + 1;
    lead_count_ = 0;
  }
  start_offset_ = keep_from > 0 ? src[keep_from - 1].end_time : 0;
  records_.RemoveAll();
  for (size_t k = keep_from; k < src.size(); ++k) records_.Add(src[k]);
  Recompute();
  Write();
  Rebuild();
  *out_offset = lead_count_ * 20 + 20;
  return kSyllablesDone;
}

namespace {

// Where the first syllable of a script starts: the first kana token outside brackets that is
// not punctuation; npos when there is none.
size_t FirstSyllable(std::string_view t) {
  ByteClassifier bytes(kJ);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < t.size(); ++i) {
    const uint8_t b = At(t, i);
    const ByteClass c = bytes.Next(b);
    if (c == ByteClass::kSingle) {
      bool was_inside = brackets.inside();
      brackets.Single(b);
      if (was_inside || brackets.inside()) continue;
    }
    if (brackets.inside() || c == ByteClass::kTrail) continue;
    std::optional<TokenMatch> m = MatchToken(t.substr(i));
    if (m && !m->token->punctuation && c == ByteClass::kLead) return i;
  }
  return std::string_view::npos;
}

bool IsPunctuationAt(std::string_view t, size_t i) {
  return i < t.size() && IsPunctuationText(t.substr(i));
}

}  // namespace

bool SyllableList::ShiftSpeed(std::string* script, int delta) {
  std::string_view t = *script;
  if (t.size() < kTagSize) return false;
  const size_t first = FirstSyllable(t);
  std::string out = std::string(t.substr(0, kTagSize));
  size_t copied = kTagSize;
  bool seen = false;
  bool ok = true;
  ForEachSingle(t, kTagSize, [&](size_t i, uint8_t b) -> size_t {
    if (b != 'S' || !ok) return 0;
    int v = 0;
    const size_t n = ReadNumber(t, i + 1, &v);
    if (n == 0) return 0;
    int shifted = v + delta;
    if (shifted < 0 || (shifted > 99 && !IsPunctuationAt(t, i + 1 + n))) {
      ok = false;
      return 0;
    }
    if (i < first) seen = true;
    out += t.substr(copied, i - copied);
    out += "S" + std::to_string(std::min(shifted, 99));
    copied = i + 1 + n;
    return n;
  });
  if (!ok) return false;
  out += t.substr(copied);
  if (first != std::string_view::npos && !seen) {
    const int speed = kStartSpeed + delta;
    if (speed < 0 || speed > 99) return false;
    // No S token stands before `first`, so it is the same position in the shifted text.
    out.insert(first, "S" + std::to_string(speed));
  }
  *script = std::move(out);
  return true;
}

bool SyllableList::ShiftPitch(std::string* script, int kind, int amount) {
  std::string_view t = *script;
  if (t.size() < kTagSize || (kind != 0 && kind != 1)) return false;
  const size_t first = FirstSyllable(t);
  std::string out = std::string(t.substr(0, kTagSize));
  size_t copied = kTagSize;
  bool seen = false;
  bool ok = true;
  if (kind == 1) {
    ForEachSingle(t, kTagSize, [&](size_t i, uint8_t b) -> size_t {
      if (b < 'A' || b > 'G' || !ok) return 0;
      size_t k = i + 1;
      if (k < t.size() && t[k] == '#') ++k;
      int octave = 2;
      size_t n = ReadNumber(t, k, &octave);
      if (n == 0) octave = 2;
      const int shifted = octave + amount;
      if (shifted < 1 || shifted > 3) {
        ok = false;
        return 0;
      }
      if (i < first) seen = true;
      out += t.substr(copied, k - copied);
      out += std::to_string(shifted);
      copied = k + n;
      return copied - (i + 1);
    });
    if (!ok) return false;
    out += t.substr(copied);
    if (first != std::string_view::npos && !seen) {
      const int octave = 2 + amount;
      if (octave < 1 || octave > 3) return false;
      out.insert(first, "C" + std::to_string(octave));
    }
    *script = std::move(out);
    return true;
  }
  // Kind 0: the first pitch-step token before the first syllable.
  size_t token = std::string_view::npos;
  ForEachSingle(t, kTagSize, [&](size_t i, uint8_t b) -> size_t {
    if (token == std::string_view::npos && IsPitchSymbol(b) && i < first) token = i;
    return 0;
  });
  if (token == std::string_view::npos) {
    if (first == std::string_view::npos || amount == 0) return true;
    if (std::abs(amount) > 99) return false;
    std::string steps;
    PutSteps(&steps, amount, '\'', '_');
    if (std::abs(amount) == 1) steps += "1";
    script->insert(first, steps);
    return true;
  }
  const uint8_t sym = At(t, token);
  int count = 1;
  const size_t n = ReadNumber(t, token + 1, &count);
  if (n == 0) count = 1;
  const int value = (sym == '\'' || sym == '^' ? count : -count) + amount;
  if (std::abs(value) > 99) return false;
  const bool high = sym == '^' || sym == '$';
  std::string replaced;
  if (value != 0) {
    replaced += value > 0 ? (high ? '^' : '\'') : (high ? '$' : '_');
    replaced += std::to_string(std::abs(value));
  }
  script->replace(token, 1 + n, replaced);
  return true;
}

bool SyllableList::TakeToken(std::string* text) {
  std::optional<TokenMatch> m = MatchToken(*text);
  if (!m) {
    text->clear();
    return false;
  }
  std::string token(m->token->text);
  const size_t digits = m->size - token.size();
  if (digits > 0) {
    int v = 0;
    (void)ReadNumber(*text, token.size(), &v);
    token += std::to_string(std::min(v, 99));
  }
  *text = std::move(token);
  return true;
}

bool SyllableList::ValidateKana(std::string* text, bool outside_brackets_only) {
  std::string_view t = *text;
  std::string out;
  bool hiragana = false;
  ByteClassifier bytes(kJ);
  BracketTracker brackets;
  size_t i = 0;
  while (i < t.size()) {
    const uint8_t b = At(t, i);
    const ByteClass c = bytes.Next(b);
    if (std::optional<TokenMatch> m = MatchToken(t.substr(i))) {
      if (!outside_brackets_only || !brackets.inside()) {
        out += t.substr(i, m->size);
        hiragana |= m->size >= 2 && IsHiragana(b, At(t, i + 1));
      }
      i += m->size;
      bytes.Reset();
      continue;
    }
    // Step by whole characters, so that a trail byte never starts a match.
    if (c == ByteClass::kLead && i + 1 < t.size() &&
        bytes.Peek(At(t, i + 1)) == ByteClass::kTrail) {
      bytes.Next(At(t, i + 1));
      i += 2;
      continue;
    }
    if (c == ByteClass::kSingle) brackets.Single(b);
    ++i;
  }
  *text = std::move(out);
  return hiragana;
}

}  // namespace vtr::w2s
