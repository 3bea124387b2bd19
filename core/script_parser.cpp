// The tokenizer of the script engine: recognises syllables per language, folds full-width,
// half-width and lower-case symbols onto ASCII, reads decimal arguments and tracks bracket
// comments. It never fails on the body: what it does not know becomes a kind-21 token.
#include <algorithm>
#include <array>
#include <vector>

#include "core/script_engine.h"
#include "core/script_tables.h"

namespace vtr::core {
namespace {

using K = ScriptTokenKind;
using L = ScriptLanguage;

// Argument values saturate here, far above every kind's maximum, so a long run of digits can
// neither overflow nor wrap back into range.
constexpr uint32_t kArgumentCeiling = 1000000;

struct Recognised {
  K kind = K::kUnknown;
  size_t length = 1;
  char symbol = 0;              // ASCII symbol of a symbol token
  std::string_view normalised;  // normalised text of a sound token in J and K
};

std::string_view FormView(const std::array<uint8_t, 2>& form) {
  return {reinterpret_cast<const char*>(form.data()), form.size()};
}

uint8_t ByteAt(std::string_view text, size_t i) { return static_cast<uint8_t>(text[i]); }

// rest.starts_with(prefix) for the short table texts, without a library call.
bool StartsWith(std::string_view rest, std::string_view prefix) {
  if (prefix.size() > rest.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (rest[i] != prefix[i]) return false;
  }
  return true;
}

bool IsPair(std::string_view rest, uint8_t lead, uint8_t trail) {
  return rest.size() >= 2 && ByteAt(rest, 0) == lead && ByteAt(rest, 1) == trail;
}

// Lookup indexes over the constant tables, built once.
struct Indexes {
  // Kana rows 0-170 whose text starts with 0x81/0x82 and the given trail byte, in table order.
  std::array<std::vector<uint8_t>, 256> kana81;
  std::array<std::vector<uint8_t>, 256> kana82;
  // Romaji and pinyin rows by first letter, in table order.
  std::array<std::vector<const RomajiRow*>, 26> romaji;
  std::array<std::vector<const PinyinRow*>, 26> pinyin;
  // The single-byte symbol record of each byte among records 0-2 and 14-47 (nullptr: none).
  std::array<const SymbolRecord*, 256> single_symbol{};

  Indexes() {
    for (int b = 0; b < 256; ++b) {
      const uint8_t byte = static_cast<uint8_t>(b);
      const SymbolRecord* record = FindSymbolByAscii(byte, 0, 3);
      single_symbol[b] = record ? record : FindSymbolByAscii(byte, kFirstLetterSymbolRecord);
    }
    for (size_t i = 0; i < kKanaSearchedRows; ++i) {
      const std::string_view t = kKanaTable[i].text;
      auto& index = ByteAt(t, 0) == 0x81 ? kana81 : kana82;
      index[ByteAt(t, 1)].push_back(static_cast<uint8_t>(i));
    }
    for (const RomajiRow& row : kRomajiTable) romaji[row.romaji[0] - 'a'].push_back(&row);
    for (const PinyinRow& row : kPinyinTable) pinyin[row.syllable[0] - 'a'].push_back(&row);
  }
};

const Indexes& TableIndexes() {
  static const Indexes indexes;
  return indexes;
}

std::string_view HiraganaText(uint8_t trail) {
  return kKanaTable[kKanaFirstSingleRow + (trail - 0x9F)].text;
}

// The token of kana row `row`: the "う゛" forms read as the b-row kana, the dash forms as
// "－", "～" as itself and the full-width space as a space.
Recognised KanaToken(size_t row) {
  static constexpr uint8_t kVuReading[5] = {0xCE, 0xD1, 0xD7, 0xDA, 0xD4};  // ば び べ ぼ ぶ
  const KanaRow& kana = kKanaTable[row];
  Recognised r{K::kSyllable, static_cast<size_t>(kana.length), 0, kana.text};
  if (row < kKanaFirstPairRow) {
    r.normalised = HiraganaText(kVuReading[row]);
  } else if (row >= kKanaFirstLongMarkRow && row < kKanaTildeRow) {
    r.kind = K::kLongMark;
    r.normalised = kKanaTable[kKanaTildeRow - 1].text;  // －
  } else if (row == kKanaTildeRow) {
    r.kind = K::kLongMark;
  } else if (row == kKanaFullWidthSpaceRow) {
    r.kind = K::kSpace;
  }
  return r;
}

Recognised SymbolToken(const SymbolRecord& record, size_t length) {
  return {record.kind, length, static_cast<char>(record.symbol), {}};
}

Recognised LowerCaseToken(const SymbolRecord& record, size_t length) {
  return {record.kind, length, static_cast<char>(record.symbol & 0xDF), {}};
}

// Sound forms of the symbol records 0-2 (space, "-", "~") in each language.
std::string_view SoundFormOf(L language, const SymbolRecord& record, std::string_view source) {
  switch (language) {
    case L::kJapanese:
      return FormView(record.shift_jis);
    case L::kKorean:
      return FormView(record.ks);
    default:
      return source;
  }
}

Recognised RecogniseSingle(const Indexes& indexes, L language, std::string_view rest, bool inside) {
  const uint8_t b = ByteAt(rest, 0);
  if (inside) return {K::kComment, 1, 0, {}};
  if (b == '\r' && rest.size() >= 2 && rest[1] == '\n') return {K::kLineBreak, 2, 0, {}};
  const bool japanese = language == L::kJapanese;
  if ((b < 0x20 || b > 0x7E) && !(japanese && (b == 0xA1 || b == 0xA4 || b == 0xB0))) {
    auto half_kana = [](uint8_t x) { return x >= 0xA1 && x <= 0xDF; };
    size_t length = 1;
    // Two half-width kana, or a lead byte with its trail (clamped to the bytes that remain by
    // the caller).
    if (((japanese || language == L::kRomaji) && rest.size() >= 2 && half_kana(b) &&
         half_kana(ByteAt(rest, 1))) ||
        (!japanese && b >= 0x81 && b <= 0x9F)) {
      length = 2;
    }
    return {K::kUnknown, length, 0, {}};
  }
  if (japanese) {
    if (b == 0xA4) return {K::kSentenceEnd, 1, ',', {}};
    if (b == 0xA1) return {K::kSentenceEnd, 1, '.', {}};
    if (b == 0xB0) return {K::kLongMark, 1, 0, kKanaTable[kKanaTildeRow - 1].text};
  }
  if (language == L::kRomaji && b >= 'a' && b <= 'z') {
    for (const RomajiRow* row : indexes.romaji[b - 'a']) {
      if (StartsWith(rest, row->romaji)) {
        return {K::kSyllable, static_cast<size_t>(row->length), 0, rest.substr(0, row->length)};
      }
    }
  }
  if (language == L::kChinese && b >= 'a' && b <= 'z') {
    for (const PinyinRow* row : indexes.pinyin[b - 'a']) {
      const size_t n = static_cast<size_t>(row->length);
      if (rest.size() > n && StartsWith(rest, row->syllable) && rest[n] >= '0' && rest[n] <= '4') {
        return {K::kSyllable, n + 1, 0, rest.substr(0, n + 1)};
      }
    }
  }
  if (const SymbolRecord* record = indexes.single_symbol[b]) {
    if (IsSoundKind(record->kind)) {
      return {record->kind, 1, static_cast<char>(b),
              SoundFormOf(language, *record, rest.substr(0, 1))};
    }
    return SymbolToken(*record, 1);
  }
  if (language == L::kJapanese || language == L::kKorean) {
    for (const SymbolRecord& record : kLowerCaseTable) {
      if ((record.symbol & 0xDF) == (b & 0xDFu)) return LowerCaseToken(record, 1);
    }
  }
  return {K::kUnknown, 1, 0, {}};
}

Recognised RecogniseDouble(const Indexes& indexes, L language, std::string_view rest, bool inside) {
  if (inside) return {K::kComment, 2, 0, {}};
  const uint8_t lead = ByteAt(rest, 0);
  const uint8_t trail = ByteAt(rest, 1);
  switch (language) {
    case L::kJapanese: {
      if (lead == 0x81 || lead == 0x82) {
        for (uint8_t row : (lead == 0x81 ? indexes.kana81 : indexes.kana82)[trail]) {
          if (StartsWith(rest, kKanaTable[row].text)) return KanaToken(row);
        }
      }
      if (IsPair(rest, 0x81, 0x41)) return {K::kSentenceEnd, 2, ',', {}};
      if (IsPair(rest, 0x81, 0x42)) return {K::kSentenceEnd, 2, '.', {}};
      for (size_t i = 5; i < kAliasTable.size(); ++i) {
        if (rest.starts_with(kAliasTable[i].form_b)) {
          return {K::kLongMark, 2, 0, kAliasTable[i].form_a};
        }
      }
      if (const SymbolRecord* r = FindSymbolByShiftJis(lead, trail, kFirstLetterSymbolRecord)) {
        return SymbolToken(*r, 2);
      }
      if (const SymbolRecord* r = FindLowerCaseByShiftJis(lead, trail)) {
        return LowerCaseToken(*r, 2);
      }
      return {K::kUnknown, 2, 0, {}};
    }
    case L::kKorean: {
      auto ks = [](uint8_t x) { return x >= 0xA1 && x <= 0xFE; };
      if (!ks(lead) || !ks(trail)) return {K::kUnknown, 2, 0, {}};
      if (lead >= 0xB0 && lead <= 0xC8) return {K::kSyllable, 2, 0, rest.substr(0, 2)};
      if (IsPair(rest, 0xA3, 0xAD) || IsPair(rest, 0xA2, 0xA6)) {
        return {K::kLongMark, 2, 0, rest.substr(0, 2)};
      }
      if (IsPair(rest, 0xA1, 0xA1)) return {K::kSpace, 2, 0, rest.substr(0, 2)};
      if (const SymbolRecord* r = FindSymbolByKs(lead, trail, kFirstLetterSymbolRecord)) {
        return SymbolToken(*r, 2);
      }
      if (const SymbolRecord* r = FindLowerCaseByKs(lead, trail)) return LowerCaseToken(*r, 2);
      return {K::kUnknown, 2, 0, {}};
    }
    default:
      // Pinyin and romaji are ASCII: a double byte is an unknown character.
      return {K::kUnknown, 2, 0, {}};
  }
}

// Reads the digits that follow a symbol: ASCII digits, and in J and K their full-width forms.
struct Digits {
  bool any = false;
  uint32_t value = 0;
  size_t consumed = 0;
};

Digits ReadDigits(L language, std::string_view text, size_t pos) {
  Digits d;
  while (pos < text.size()) {
    const uint8_t b = ByteAt(text, pos);
    int digit = -1;
    size_t width = 1;
    if (b >= '0' && b <= '9') {
      digit = b - '0';
    } else if (pos + 1 < text.size()) {
      const uint8_t t = ByteAt(text, pos + 1);
      if (language == L::kJapanese && b == 0x82 && t >= 0x4F && t <= 0x58) {
        digit = t - 0x4F;
        width = 2;
      } else if (language == L::kKorean && b == 0xA3 && t >= 0xB0 && t <= 0xB9) {
        digit = t - 0xB0;
        width = 2;
      }
    }
    if (digit < 0) break;
    d.any = true;
    d.value = std::min<uint32_t>(d.value * 10 + static_cast<uint32_t>(digit), kArgumentCeiling);
    d.consumed += width;
    pos += width;
  }
  return d;
}

// Reads the sharp after a note letter: "#", or its full-width form in J and K.
size_t ReadSharp(L language, std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  if (text[pos] == '#') return 1;
  const std::string_view rest = text.substr(pos);
  if (language == L::kJapanese && IsPair(rest, 0x81, 0x94)) return 2;
  if (language == L::kKorean && IsPair(rest, 0xA3, 0xA3)) return 2;
  return 0;
}

// Whether a character opens or closes a bracket comment.
void BracketForms(L language, std::string_view rest, bool is_double, bool* opens, bool* closes) {
  if (!is_double) {
    *opens = rest[0] == '[';
    *closes = rest[0] == ']';
  } else if (language == L::kJapanese) {
    *opens = IsPair(rest, 0x81, 0x6D);
    *closes = IsPair(rest, 0x81, 0x6E);
  } else if (language == L::kKorean) {
    *opens = IsPair(rest, 0xA3, 0xDB);
    *closes = IsPair(rest, 0xA3, 0xDD);
  } else {
    *opens = *closes = false;
  }
}

// The unit after `closed`: the token list, the sound state and the per-unit flags start
// empty, every setting carries over.
void StartCarriedUnit(const ScriptSentence& closed, ScriptSentence& unit) {
  unit.closing_kind = K::kUnknown;
  unit.sound_text.clear();
  unit.end_symbol = closed.end_symbol;
  unit.end_count = closed.end_count;
  unit.pitch_step_symbol = closed.pitch_step_symbol;
  unit.pitch_step_sum = closed.pitch_step_sum;
  unit.slash_seen = false;
  unit.step_symbol = closed.step_symbol;
  unit.step_sum = closed.step_sum;
  unit.equals_seen = false;
  unit.mark = closed.mark;
  unit.voice_symbol = closed.voice_symbol;
  unit.voice_value = closed.voice_value;
  unit.s_value = closed.s_value;
  unit.l_value = closed.l_value;
  unit.v_value = closed.v_value;
  unit.w_value = closed.w_value;
  unit.u_value = closed.u_value;
  unit.note = closed.note;
  unit.sharp = closed.sharp;
  unit.octave = closed.octave;
  unit.tokens.clear();
  unit.tokens.reserve(4);  // a syllable and the few symbols before it, in one allocation
  unit.in_range = false;
}

}  // namespace

ScriptEngineError ScriptEngine::ParseScriptText(ScriptModeWord mode, std::string_view text) {
  if (!SetModeWord(mode)) return ScriptEngineError::kBadMode;
  switch (SubFormatOf(mode)) {
    case kSubFormatFull:
      if (text.substr(0, kHeaderTagSize) != HeaderTagOf(language_)) {
        return ScriptEngineError::kTagMismatch;
      }
      Tokenize(text, kHeaderTagSize, kSubFormatFull, -1, -1);
      return ScriptEngineError::kNone;
    case kSubFormatPlain:
      Tokenize(text, 0, kSubFormatPlain, -1, -1);
      return ScriptEngineError::kNone;
    default:
      return ScriptEngineError::kBadMode;
  }
}

// Plain sound text (sub-format 0x10000) is read over the units the engine already holds: the
// n-th new unit starts as a copy of the n-th held unit, tokens included, and its new sound
// token replaces the copied one, so the symbols of a loaded script survive an edit of its
// sound text. A held unit closed by a sentence end is kept as it stands where a new sound
// falls on it, and so are the held units without a sound that follow the last new one: the
// plain text that SerializeScript writes holds no sentence ends, so a script read back over
// itself comes back whole. A Chinese plain text may bring sentence ends of its own; each takes
// the place of the held unit it falls on. Units beyond the held ones carry the settings in
// force with an empty token list.
void ScriptEngine::Tokenize(std::string_view text, size_t start, uint32_t sub_format,
                            int range_start, int range_end) {
  const L language = language_;
  const bool plain = sub_format == kSubFormatPlain;
  const bool plain_takes_all = plain && language == L::kChinese;
  const Indexes& indexes = TableIndexes();
  // A comment left open by an earlier text must not swallow this one.
  bracket_state_ = 0;

  // The units are built in place in units_ from the front, so a long-lived engine reuses their
  // storage; a plain text keeps the held units aside as seeds.
  std::vector<ScriptSentence> seeds;
  if (plain) {
    seeds = std::move(units_);
    units_ = {};
  }
  size_t finished = 0;  // units_[finished] is the unit being read
  size_t next_seed = 0;
  bool unit_is_seed = false;
  ScriptSentence* unit = nullptr;

  // Makes units_[finished] the current unit: the next seed, or a unit carrying the settings of
  // the one before it (the start values for the first).
  auto begin_unit = [&] {
    if (finished == units_.size()) units_.emplace_back();
    unit = &units_[finished];
    if (next_seed < seeds.size()) {
      *unit = std::move(seeds[next_seed++]);
      unit->in_range = false;
      unit_is_seed = true;
    } else {
      static const ScriptSentence kStartValues;
      StartCarriedUnit(finished == 0 ? kStartValues : units_[finished - 1], *unit);
      unit_is_seed = false;
    }
  };
  begin_unit();

  auto close_unit = [&](size_t token_pos) {
    const int position = static_cast<int>(token_pos);
    unit->in_range = range_start <= position && position <= range_end;
    ++finished;
    begin_unit();
  };
  // Held units closed by a sentence end stay where a new sound falls.
  auto keep_held_sentence_ends = [&] {
    while (unit_is_seed && IsSentenceEndKind(unit->closing_kind)) {
      ++finished;
      begin_unit();
    }
  };
  auto append_sound = [&](K kind, std::string_view token_text) {
    std::vector<ScriptToken>& tokens = unit->tokens;
    if (!tokens.empty()) {
      const K last = tokens.back().kind;
      const bool replace =
          plain_takes_all ? (IsSoundKind(last) || IsSentenceEndKind(last)) : IsSoundKind(last);
      if (replace) tokens.pop_back();
    }
    tokens.push_back({kind, std::string(token_text)});
  };

  size_t pos = start;
  while (pos < text.size()) {
    const std::string_view rest = text.substr(pos);
    const bool is_double = StartsDoubleByte(language, rest);
    bool opens = false, closes = false;
    BracketForms(language, rest, is_double, &opens, &closes);
    if (bracket_state_ == 0 && opens) bracket_state_ = 1;
    const bool inside = bracket_state_ != 0;
    if (inside && closes) bracket_state_ = 0;

    Recognised r = is_double ? RecogniseDouble(indexes, language, rest, inside)
                             : RecogniseSingle(indexes, language, rest, inside);
    // A truncated character at the end of the text never reaches past it.
    size_t length = std::min(r.length, rest.size());
    K kind = r.kind;
    const bool sound = IsSoundKind(kind);

    if (plain && !plain_takes_all) {
      if (sound) {
        keep_held_sentence_ends();
        unit->closing_kind = kind;
        unit->sound_text.assign(language == L::kJapanese || language == L::kKorean
                                    ? r.normalised
                                    : rest.substr(0, length));
        append_sound(kind, unit->sound_text);
        close_unit(pos);
      }
      pos += length;
      continue;
    }

    // Arguments (full text only): digits after the symbol, a sharp and an octave after a note.
    int argument = 0;
    bool has_argument = false;
    bool sharp = false;
    if (!plain && kind != K::kSyllable) {
      if (kind == K::kNote) {
        const size_t sharp_bytes = ReadSharp(language, text, pos + length);
        sharp = sharp_bytes > 0;
        length += sharp_bytes;
      }
      if (const ArgumentRule* rule = ArgumentRuleOf(kind)) {
        const Digits digits = ReadDigits(language, text, pos + length);
        length += digits.consumed;
        if (!digits.any) {
          if (rule->no_digits_is_unknown) {
            kind = K::kUnknown;
          } else {
            argument = rule->no_digits_value;
          }
        } else {
          has_argument = true;
          const bool in_range = digits.value >= static_cast<uint32_t>(std::max(rule->min, 0)) &&
                                digits.value <= static_cast<uint32_t>(rule->max);
          argument = in_range ? static_cast<int>(digits.value) : rule->out_of_range_value;
        }
      }
    }
    const std::string_view source = text.substr(pos, length);
    ScriptSentence& u = *unit;

    if (sound) {
      if (plain_takes_all) keep_held_sentence_ends();
      ScriptSentence& v = *unit;
      v.closing_kind = kind;
      v.sound_text.assign(language == L::kJapanese || language == L::kKorean ? r.normalised
                                                                             : source);
      append_sound(kind, v.sound_text);
      close_unit(pos);
      pos += length;
      continue;
    }
    if (IsSentenceEndKind(kind)) {
      u.closing_kind = kind;
      u.end_symbol = r.symbol;
      u.end_count = kind == K::kCountedEnd && !plain ? argument : 0;
      u.mark = 0;
      u.sound_text.clear();
      if (plain_takes_all) {
        append_sound(kind, source);
      } else {
        u.tokens.push_back({kind, std::string(source)});
      }
      close_unit(pos);
      pos += length;
      continue;
    }

    const ScriptToken* last = u.tokens.empty() ? nullptr : &u.tokens.back();
    if (kind == K::kComment && last && last->kind == K::kComment) {
      u.tokens.back().text.append(source);
      pos += length;
      continue;
    }
    if (!plain) {
      switch (kind) {
        case K::kStep:
          if (last && last->kind == K::kStep && u.step_symbol == r.symbol) {
            u.step_sum += argument;
          } else {
            u.step_symbol = r.symbol;
            u.step_sum = argument;
          }
          break;
        case K::kPitchStep:
          if (last && last->kind == K::kPitchStep && u.pitch_step_symbol == r.symbol) {
            u.pitch_step_sum += argument;
          } else {
            u.pitch_step_symbol = r.symbol;
            u.pitch_step_sum = argument;
          }
          break;
        case K::kEquals:
          u.equals_seen = true;
          u.step_symbol = 0;
          u.step_sum = 0;
          break;
        case K::kSlash:
          u.slash_seen = true;
          u.pitch_step_symbol = 0;
          u.pitch_step_sum = 0;
          break;
        case K::kAmpersand:
          u.equals_seen = true;
          u.step_symbol = 0;
          u.step_sum = 0;
          u.slash_seen = true;
          u.pitch_step_symbol = 0;
          u.pitch_step_sum = 0;
          break;
        case K::kMark:
          u.mark = r.symbol;
          break;
        case K::kVoice:
          u.voice_symbol = r.symbol;
          u.voice_value = argument;
          break;
        case K::kSpeed:
          u.s_value = argument;
          break;
        case K::kL:
          u.l_value = argument;
          break;
        case K::kV:
          u.v_value = argument;
          break;
        case K::kW:
          u.w_value = argument;
          break;
        case K::kU:
          u.u_value = argument;
          break;
        case K::kNote:
          u.note = r.symbol;
          u.sharp = sharp;
          if (has_argument) u.octave = argument;
          break;
        default:
          break;
      }
    }
    u.tokens.push_back({kind, std::string(source)});
    pos += length;
  }

  if (plain) {
    // Held units without a sound that follow the last new one stay too.
    while (unit_is_seed && !IsSoundKind(unit->closing_kind)) {
      ++finished;
      begin_unit();
    }
  } else if (!plain && !unit->tokens.empty()) {
    ++finished;  // the symbols after the last closing token form a unit of their own
  }
  units_.resize(finished);
}

}  // namespace vtr::core
