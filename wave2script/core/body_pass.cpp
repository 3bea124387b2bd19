#include "wave2script/core/body_pass.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

#include "wave2script/core/checker_tables.h"

namespace vtr::w2s {

namespace {

// Largest count written after a repeated symbol.
constexpr int kMaxCount = 99;
// A bracket comment may grow to limit - 7 counted bytes: the '[', the text and the ']'.
constexpr int kBracketSlack = 7;
// A phrase is broken once it reaches limit - 4 bytes.
constexpr int kBreakSlack = 4;
// Tone digits of a pinyin syllable.
constexpr uint8_t kMaxTone = '4';

enum class Kind {
  kSyllable,   // syllable character (J, K) or pinyin syllable with tone digit (C)
  kComment,    // bracket comment, brackets included
  kLineBreak,  // CR or LF kept with the keep-line-breaks option
  kSpaceLike,  // single-byte ' ', '-', '~'
  kPause,      // ! + : ; @
  kPitch,      // $ ' ^ _ with a count
  kVolume,     // < > with a count
  kReset,      // & / = with the digits that follow them
  kPhraseEnd,  // , . and * ? with a count
  kNote,       // A-G, sharp, octave
  kParam,      // K L S U V W X with a value
};

struct Item {
  Kind kind = Kind::kSyllable;
  uint8_t sym = 0;
  int value = -1;  // count, octave (-1: none) or parameter value
  bool sharp = false;
  bool long_mark = false;
  bool deleted = false;
  std::string text;  // bytes of syllables, comments, line breaks, spaces; digits of a reset
};

Item MakeItem(Kind kind, uint8_t sym = 0, int value = -1, std::string text = {}) {
  Item item;
  item.kind = kind;
  item.sym = sym;
  item.value = value;
  item.text = std::move(text);
  return item;
}

// The value a symbol's number is clamped to: in range it stays, else the symbol's fallback.
int ClampArgument(uint8_t sym, int v) {
  auto in = [v](int lo, int hi, int fallback) { return v >= lo && v <= hi ? v : fallback; };
  switch (sym) {
    case 'K':
    case 'X':
      return in(0, 15, 0);
    case 'L':
      return in(0, 1, 0);
    case 'S':
      return in(0, 99, 50);
    case 'U':
      return in(0, 9, 0);
    case 'V':
      return in(1, 5, 4);
    case 'W':
      return in(1, 5, 3);
    default:
      if (sym >= 'A' && sym <= 'G') return in(1, 3, 2);
      return in(1, 99, 99);  // $ ' * < > ? ^ _
  }
}

bool IsLongMark(ScriptLanguage language, uint8_t lead, uint8_t trail) {
  WideForm minus = WideMinus(language);
  WideForm tilde = WideTilde(language);
  return (lead == minus.lead && trail == minus.trail) ||
         (lead == tilde.lead && trail == tilde.trail);
}

bool IsPitchSym(uint8_t s) { return s == '$' || s == '\'' || s == '^' || s == '_'; }
bool IsPhraseEndByte(uint8_t s) { return s == ',' || s == '.' || s == '*' || s == '?'; }

class Tokenizer {
 public:
  Tokenizer(const BodyPassSettings& settings, std::string_view text)
      : s_(settings), t_(text), bytes_(settings.language) {}

  // False on a bracket comment that overflows the limit.
  bool Run() {
    const bool double_byte =
        s_.language == ScriptLanguage::kJapanese || s_.language == ScriptLanguage::kKorean;
    i_ = kTagSize;
    while (i_ < t_.size()) {
      uint8_t b = At(i_);
      if (double_byte && bytes_.Next(b) == ByteClass::kLead) {
        DoubleByte(b);
        continue;
      }
      bytes_.Reset();
      if (s_.language == ScriptLanguage::kChinese && IsLower(b)) {
        Pinyin();
        continue;
      }
      if (!Single(b)) return false;
    }
    return true;
  }

  std::vector<Item>& items() { return items_; }

 private:
  uint8_t At(size_t i) const { return static_cast<uint8_t>(t_[i]); }
  void SkipDigits() { i_ += DigitRun(t_, i_); }

  void DoubleByte(uint8_t lead) {
    if (i_ + 1 < t_.size() && bytes_.Peek(At(i_ + 1)) == ByteClass::kTrail) {
      uint8_t trail = At(i_ + 1);
      bytes_.Next(trail);
      if (IsSyllableChar(s_.language, lead, trail)) {
        Item item = MakeItem(Kind::kSyllable);
        item.text = t_.substr(i_, 2);
        item.long_mark = IsLongMark(s_.language, lead, trail);
        items_.push_back(std::move(item));
        i_ += 2;
        return;
      }
      i_ += 2;  // not a syllable character: deleted with its digits
    } else {
      ++i_;  // a lead byte without trail is an unknown single byte
    }
    bytes_.Reset();
    SkipDigits();
  }

  void Pinyin() {
    size_t j = i_;
    while (j < t_.size() && IsLower(At(j))) ++j;
    std::string_view letters = t_.substr(i_, j - i_);
    bool toned = j < t_.size() && At(j) >= '0' && At(j) <= kMaxTone;
    if (toned && letters.size() <= kMaxPinyinLetters && IsPinyinSyllable(letters)) {
      Item item = MakeItem(Kind::kSyllable);
      item.text = t_.substr(i_, j - i_ + 1);
      items_.push_back(std::move(item));
    }
    // A second digit after a tone digit, and the digits of a refused run, are deleted.
    i_ = j;
    SkipDigits();
  }

  bool Single(uint8_t b) {
    ++i_;
    switch (b) {
      case '[':
        return Comment();
      case '\r':
      case '\n':
        if (s_.options & kKeepLineBreaks) {
          items_.push_back(MakeItem(Kind::kLineBreak, b, -1, std::string(1, static_cast<char>(b))));
        }
        SkipDigits();
        return true;
      case ' ':
      case '-':
      case '~':
        items_.push_back(MakeItem(Kind::kSpaceLike, b, -1, std::string(1, static_cast<char>(b))));
        SkipDigits();
        return true;
      case '!':
      case '+':
      case ':':
      case ';':
      case '@':
        items_.push_back(MakeItem(Kind::kPause, b));
        SkipDigits();
        return true;
      case '$':
      case '\'':
      case '^':
      case '_':
        items_.push_back(MakeItem(Kind::kPitch, b, Count(b)));
        return true;
      case '<':
      case '>':
        items_.push_back(MakeItem(Kind::kVolume, b, Count(b)));
        return true;
      case '*':
      case '?': {
        int count = Count(b);
        if (!items_.empty() && items_.back().kind == Kind::kPhraseEnd && items_.back().sym == b) {
          items_.back().value = std::min(kMaxCount, items_.back().value + count);
        } else {
          items_.push_back(MakeItem(Kind::kPhraseEnd, b, count));
        }
        return true;
      }
      case ',':
      case '.':
        items_.push_back(MakeItem(Kind::kPhraseEnd, b, 1));
        SkipDigits();
        return true;
      case '&':
      case '/':
      case '=': {
        size_t n = DigitRun(t_, i_);
        items_.push_back(MakeItem(Kind::kReset, b, -1, std::string(t_.substr(i_, n))));
        i_ += n;
        return true;
      }
      case 'A':
      case 'B':
      case 'C':
      case 'D':
      case 'E':
      case 'F':
      case 'G':
        Note(b);
        return true;
      case 'K':
      case 'L':
      case 'S':
      case 'U':
      case 'V':
      case 'W':
      case 'X': {
        int v = 0;
        size_t n = ReadNumber(t_, i_, &v);
        i_ += n;
        // A parameter letter without a number sets nothing; the script engine drops it too.
        if (n > 0) items_.push_back(MakeItem(Kind::kParam, b, ClampArgument(b, v)));
        return true;
      }
      default:  // stray ']', '#', digits and every other byte: deleted with their digits
        SkipDigits();
        return true;
    }
  }

  // The count of a repeatable symbol: 1 without digits, else the clamped number (0 gives 99).
  int Count(uint8_t sym) {
    int v = 0;
    size_t n = ReadNumber(t_, i_, &v);
    i_ += n;
    return n > 0 ? ClampArgument(sym, v) : 1;
  }

  void Note(uint8_t letter) {
    Item item = MakeItem(Kind::kNote, letter);
    if (i_ < t_.size() && t_[i_] == '#') {
      ++i_;
      if (letter == 'B' || letter == 'E') {  // no sharp: deleted with the digits after it
        SkipDigits();
        items_.push_back(item);
        return;
      }
      item.sharp = true;
    }
    int v = 0;
    size_t n = ReadNumber(t_, i_, &v);
    i_ += n;
    if (n > 0) item.value = ClampArgument(letter, v);
    items_.push_back(item);
  }

  bool Comment() {
    size_t start = i_ - 1;
    int counter = 1;
    ByteClassifier inner(s_.language);
    while (i_ < t_.size()) {
      uint8_t b = At(i_++);
      if (++counter > s_.limit - kBracketSlack) return false;
      if (inner.Next(b) == ByteClass::kSingle && b == ']') break;
    }
    Item item = MakeItem(Kind::kComment);
    item.text = t_.substr(start, i_ - start);
    items_.push_back(std::move(item));
    return true;
  }

  const BodyPassSettings& s_;
  std::string_view t_;
  ByteClassifier bytes_;
  size_t i_ = 0;
  std::vector<Item> items_;
};

struct NoteInForce {
  uint8_t letter = 0;
  bool sharp = false;
  int octave = 2;
};

// Values in force while the groups are cleaned one after the other.
struct PassState {
  bool plus_active = false;  // a '+' survived: pitch symbols go until the phrase ends
  bool pitch_in_force = false;
  bool volume_in_force = false;
  NoteInForce note;
  std::optional<Item> param[128];  // by letter; K and X share the 'K' slot
};

bool IsBoundary(Kind k) {
  return k == Kind::kSyllable || k == Kind::kComment || k == Kind::kPhraseEnd;
}

// Keeps the last run of one symbol among the items of `kind` (a run is broken only by another
// symbol of the same kind) as one item with the summed count; deletes the others.
bool KeepLastRun(std::vector<Item*>& group, Kind kind) {
  std::vector<Item*> live;
  for (Item* item : group) {
    if (!item->deleted && item->kind == kind) live.push_back(item);
  }
  if (live.empty()) return false;
  Item* last = live.back();
  int sum = 0;
  for (size_t k = live.size(); k > 0 && live[k - 1]->sym == last->sym; --k) {
    sum = std::min(kMaxCount, sum + live[k - 1]->value);
  }
  for (Item* item : live) item->deleted = item != last;
  last->value = sum;
  return true;
}

void CleanGroup(const BodyPassSettings& s, std::vector<Item>& items, size_t begin, size_t end,
                PassState& st) {
  const Item* prev = begin > 0 ? &items[begin - 1] : nullptr;
  const Item* next = end < items.size() ? &items[end] : nullptr;
  const bool phrase_start =
      prev == nullptr || prev->kind == Kind::kPhraseEnd || prev->kind == Kind::kComment;
  const bool ending = next != nullptr && next->kind == Kind::kPhraseEnd;
  const bool between_long_marks =
      prev != nullptr && prev->long_mark && next != nullptr && next->long_mark;
  std::vector<Item*> group;
  for (size_t k = begin; k < end; ++k) group.push_back(&items[k]);

  // Resets have nothing left to reset in the group that ends a phrase.
  if (ending) {
    for (Item* item : group) {
      if (item->kind == Kind::kReset) item->deleted = true;
    }
  }

  // Pause symbols: only at the start of a phrase, only the last one, never right before a
  // phrase end or the end of the text.
  if (st.plus_active) {
    for (Item* item : group) {
      if (item->kind == Kind::kPitch) item->deleted = true;
    }
  }
  Item* pause = nullptr;
  for (Item* item : group) {
    if (item->kind != Kind::kPause) continue;
    if (pause != nullptr) pause->deleted = true;
    pause = item;
  }
  if (pause != nullptr && (!phrase_start || ending || next == nullptr)) {
    pause->deleted = true;
    pause = nullptr;
  }
  if (pause != nullptr && pause->sym == '+') {
    st.plus_active = true;
    bool after = false;
    for (Item* item : group) {
      if (item == pause) after = true;
      if (after && item->kind == Kind::kPitch) item->deleted = true;
    }
  }

  // Resets: what stands before the last reset of a kind is dropped.
  auto last_reset = [&](uint8_t sym) -> Item* {
    Item* found = nullptr;
    for (Item* item : group) {
      if (!item->deleted && item->kind == Kind::kReset && item->sym == sym) found = item;
    }
    return found;
  };
  auto drop_before = [&](Item* mark, auto&& dropped) {
    for (Item* item : group) {
      if (item == mark) break;
      if (!item->deleted && dropped(*item)) item->deleted = true;
    }
  };
  if (Item* amp = last_reset('&')) {
    drop_before(amp, [](const Item& it) {
      return it.kind == Kind::kPitch || it.kind == Kind::kVolume || it.kind == Kind::kReset;
    });
  }
  if (Item* slash = last_reset('/')) {
    drop_before(slash, [](const Item& it) {
      return it.kind == Kind::kPitch || (it.kind == Kind::kReset && it.sym == '/');
    });
  }
  if (Item* equals = last_reset('=')) {
    drop_before(equals, [](const Item& it) {
      return it.kind == Kind::kVolume || (it.kind == Kind::kReset && it.sym == '=');
    });
  }
  for (Item* item : group) {
    if (item->deleted || item->kind != Kind::kReset) continue;
    bool pitch = item->sym != '=';
    bool volume = item->sym != '/';
    if (!((pitch && st.pitch_in_force) || (volume && st.volume_in_force))) {
      item->deleted = true;
      continue;
    }
    if (pitch) st.pitch_in_force = false;
    if (volume) st.volume_in_force = false;
  }
  if (KeepLastRun(group, Kind::kPitch)) st.pitch_in_force = true;
  if (KeepLastRun(group, Kind::kVolume)) st.volume_in_force = true;

  // Notes: the last one of the group, unless it repeats the note in force.
  Item* note = nullptr;
  for (Item* item : group) {
    if (item->kind != Kind::kNote) continue;
    if (note != nullptr) note->deleted = true;
    note = item;
  }
  if (note != nullptr) {
    int octave = note->value >= 0 ? note->value : st.note.octave;
    if (note->sym == st.note.letter && note->sharp == st.note.sharp && octave == st.note.octave) {
      note->deleted = true;
    } else {
      st.note = {note->sym, note->sharp, octave};
    }
  }

  // Parameter tokens: the last of each letter (K and X as one), when allowed and new.
  bool seen[128] = {};
  for (auto it = group.rbegin(); it != group.rend(); ++it) {
    Item* item = *it;
    if (item->kind != Kind::kParam) continue;
    uint8_t slot = item->sym == 'X' ? 'K' : item->sym;
    if (seen[slot]) {
      item->deleted = true;
      continue;
    }
    seen[slot] = true;
    if (item->sym == 'U' && !s.bit20) item->deleted = true;
    if (between_long_marks && (item->sym == 'L' || item->sym == 'S' || item->sym == 'W')) {
      item->deleted = true;
    }
    if (item->deleted) continue;
    const std::optional<Item>& in_force = st.param[slot];
    if (in_force && in_force->sym == item->sym && in_force->value == item->value) {
      item->deleted = true;
    } else {
      st.param[slot] = *item;
    }
  }

  if (ending) st.plus_active = false;
}

void Emit(const Item& item, std::string* out) {
  switch (item.kind) {
    case Kind::kSyllable:
    case Kind::kComment:
    case Kind::kLineBreak:
    case Kind::kSpaceLike:
      *out += item.text;
      return;
    case Kind::kReset:
      *out += static_cast<char>(item.sym);
      *out += item.text;
      return;
    case Kind::kPause:
      *out += static_cast<char>(item.sym);
      return;
    case Kind::kPitch:
    case Kind::kVolume:
    case Kind::kPhraseEnd:
      *out += static_cast<char>(item.sym);
      if (item.value > 1) *out += std::to_string(item.value);
      return;
    case Kind::kNote:
      *out += static_cast<char>(item.sym);
      if (item.sharp) *out += '#';
      if (item.value >= 0) *out += std::to_string(item.value);
      return;
    case Kind::kParam:
      *out += static_cast<char>(item.sym);
      *out += std::to_string(item.value);
      return;
  }
}

// A single-byte symbol with its number, as read back from cleaned text.
struct Symbol {
  uint8_t sym;
  int count;
};

// The single-byte symbols of `t` in [from, to) outside brackets and double-byte characters.
template <typename Fn>
void ForEachSymbol(ScriptLanguage language, std::string_view t, size_t from, size_t to, Fn&& fn) {
  ByteClassifier bytes(language);
  BracketTracker brackets;
  const bool double_byte =
      language == ScriptLanguage::kJapanese || language == ScriptLanguage::kKorean;
  for (size_t i = from; i < to; ++i) {
    uint8_t b = static_cast<uint8_t>(t[i]);
    ByteClass c = bytes.Next(b);
    if (double_byte && c != ByteClass::kSingle) continue;
    bool was_inside = brackets.inside();
    brackets.Single(b);
    if (was_inside || brackets.inside()) continue;
    int v = 0;
    size_t n = ReadNumber(t.substr(0, to), i + 1, &v);
    fn(Symbol{b, n > 0 ? v : -1});
    i += n;
    bytes.Reset();
  }
}

// The symbols that restate a phrase's pause, pitch and volume after an inserted break.
std::string Restatement(ScriptLanguage language, std::string_view t, size_t from, size_t to) {
  std::vector<Symbol> kept;
  uint8_t pause = 0;
  ForEachSymbol(language, t, from, to, [&](Symbol s) {
    switch (s.sym) {
      case '!':
      case '+':
      case ':':
      case ';':
      case '@':
        pause = s.sym;
        return;
      case '&':
        kept.clear();
        return;
      case '/':
        std::erase_if(kept, [](const Symbol& k) { return IsPitchSym(k.sym); });
        return;
      case '=':
        std::erase_if(kept, [](const Symbol& k) { return k.sym == '<' || k.sym == '>'; });
        return;
      default:
        if (IsPitchSym(s.sym) || s.sym == '<' || s.sym == '>') {
          kept.push_back({s.sym, s.count < 0 ? 1 : s.count});
        }
    }
  });
  int pitch = 0;
  int volume = 0;
  for (const Symbol& s : kept) {
    if (s.sym == '\'' || s.sym == '^') pitch += s.count;
    if (s.sym == '$' || s.sym == '_') pitch -= s.count;
    if (s.sym == '<') volume += s.count;
    if (s.sym == '>') volume -= s.count;
  }
  std::string out;
  if (pause != 0) out += static_cast<char>(pause);
  auto run = [&out](int sum, char up, char down) {
    if (sum == 0) return;
    int n = std::min(kMaxCount, sum < 0 ? -sum : sum);
    out += sum > 0 ? up : down;
    if (n > 1) out += std::to_string(n);
  };
  run(pitch, '\'', '_');
  run(volume, '<', '>');
  return out;
}

// The speed in force at `to`: the last S value before it, 50 when none.
int SpeedBefore(ScriptLanguage language, std::string_view t, size_t to) {
  int speed = 50;
  ForEachSymbol(language, t, kTagSize, to, [&](Symbol s) {
    if (s.sym == 'S' && s.count >= 0) speed = s.count;
  });
  return speed;
}

void InsertPhraseBreaks(const BodyPassSettings& s, std::string* text) {
  std::string& t = *text;
  const bool double_byte =
      s.language == ScriptLanguage::kJapanese || s.language == ScriptLanguage::kKorean;
  ByteClassifier bytes(s.language);
  BracketTracker brackets;
  int count = 0;
  size_t boundary = std::string::npos;
  size_t phrase_start = kTagSize;
  for (size_t i = kTagSize; i < t.size(); ++i) {
    uint8_t b = static_cast<uint8_t>(t[i]);
    ByteClass c = bytes.Next(b);
    bool single = !double_byte || c == ByteClass::kSingle;
    ++count;
    bool opens = false;
    bool syllable_end = false;
    if (brackets.inside()) {
      if (single) brackets.Single(b);
    } else if (single && b == '[') {
      brackets.Single(b);
      opens = true;
    } else if (single && IsPhraseEndByte(b)) {
      count = 0;
      boundary = std::string::npos;
      phrase_start = i + 1;
      continue;
    } else if (c == ByteClass::kTrail) {
      syllable_end = true;
    }
    const size_t rest = t.size() - (i + 1);
    if (count >= s.limit - kBreakSlack && boundary != std::string::npos && rest > 4) {
      bool end_near = false;
      for (size_t k = 1; k <= 4; ++k) end_near |= IsPhraseEndByte(static_cast<uint8_t>(t[i + k]));
      if (!end_near) {
        std::string brk = "S99,";
        brk += Restatement(s.language, t, phrase_start, boundary);
        brk += 'S';
        brk += std::to_string(SpeedBefore(s.language, t, boundary));
        t.insert(boundary, brk);
        i = boundary + 3;  // scanning goes on after "S99,"
        phrase_start = boundary + 4;
        boundary = std::string::npos;
        count = 0;
        bytes.Reset();
        brackets.Reset();
        continue;
      }
    }
    if (opens) {
      boundary = i;
    } else if (syllable_end && rest >= 2) {
      boundary = i + 1;
    }
  }
}

}  // namespace

bool RunBodyPass(const BodyPassSettings& settings, std::string* text, bool* phrase_fits) {
  if (!IsScriptType(settings.language)) return false;
  if (settings.language == ScriptLanguage::kRomaji) return true;  // converted to kana before
  if (text->size() < kTagSize) return false;
  Tokenizer tokenizer(settings, *text);
  if (!tokenizer.Run()) {
    *phrase_fits = false;
    return false;
  }
  std::vector<Item>& items = tokenizer.items();
  PassState state;
  size_t begin = 0;
  for (size_t k = 0; k <= items.size(); ++k) {
    if (k == items.size() || IsBoundary(items[k].kind)) {
      CleanGroup(settings, items, begin, k, state);
      begin = k + 1;
    }
  }
  std::string out = text->substr(0, kTagSize);
  for (const Item& item : items) {
    if (!item.deleted) Emit(item, &out);
  }
  if (settings.options & kInsertPhraseBreaks) InsertPhraseBreaks(settings, &out);
  *text = std::move(out);
  return true;
}

}  // namespace vtr::w2s
