#include "wave2script/core/script_checker.h"

#include <array>
#include <vector>

#include "core/script_text.h"
#include "wave2script/core/checker_tables.h"

namespace vtr::w2s {

namespace {

constexpr std::string_view kKanaTag = "KV#J";
constexpr std::string_view kRomajiTag = "KV#G";
// "□", put for an old syllable that has no new one.
constexpr std::string_view kEmptySquare = "\x81\xA0";

bool IsDoubleByteLanguage(ScriptLanguage language) {
  return language == ScriptLanguage::kJapanese || language == ScriptLanguage::kKorean;
}

bool IsVowel(uint8_t b) { return b == 'a' || b == 'e' || b == 'i' || b == 'o' || b == 'u'; }

// Bracket tracking sees single bytes; in G and C every byte is one.
bool FeedsBrackets(ScriptLanguage language, ByteClass c) {
  return !IsDoubleByteLanguage(language) || c == ByteClass::kSingle;
}

// Start of the first syllable: a lead byte in J and K, a lower-case letter in G and C.
bool StartsSyllable(ScriptLanguage language, ByteClass c, uint8_t b) {
  return IsDoubleByteLanguage(language) ? c == ByteClass::kLead : IsLower(b);
}

bool IsSmallKana(uint8_t lead, uint8_t trail) {
  if (lead != 0x82) return false;
  switch (trail) {
    case 0x9F:  // ぁ
    case 0xA1:  // ぃ
    case 0xA3:  // ぅ
    case 0xA5:  // ぇ
    case 0xA7:  // ぉ
    case 0xC1:  // っ
    case 0xE1:  // ゃ
    case 0xE3:  // ゅ
    case 0xE5:  // ょ
    case 0xEC:  // ゎ
      return true;
    default:
      return false;
  }
}

// The voice value of a K or X number: 0..15, anything else counts as 0.
int ClampVoice(int v) { return v >= 0 && v <= 15 ? v : 0; }

uint8_t At(std::string_view t, size_t i) { return static_cast<uint8_t>(t[i]); }

void PutForm(std::string* out, WideForm form) {
  *out += static_cast<char>(form.lead);
  *out += static_cast<char>(form.trail);
}

}  // namespace

std::string RomajiScriptToKana(std::string_view script) {
  std::string out(kKanaTag);
  const WideForm space = WideSpace(ScriptLanguage::kJapanese);
  const WideForm minus = WideMinus(ScriptLanguage::kJapanese);
  const WideForm tilde = WideTilde(ScriptLanguage::kJapanese);
  BracketTracker brackets;
  std::string pending;
  for (size_t i = kTagSize; i < script.size(); ++i) {
    uint8_t b = At(script, i);
    if (brackets.inside() || b == '[') {
      brackets.Single(b);
      out += static_cast<char>(b);
      continue;
    }
    if (IsLower(b)) {
      pending += static_cast<char>(b);
      if (IsVowel(b) || pending == "nn") {
        std::string kana = RomajiKana(pending);
        out += kana.empty() ? pending : kana;
        pending.clear();
      }
      continue;
    }
    // Letters that never reached a vowel are dropped, as at the end of the text.
    pending.clear();
    brackets.Single(b);
    if (b == ' ') {
      PutForm(&out, space);
    } else if (b == '-') {
      PutForm(&out, minus);
    } else if (b == '~') {
      PutForm(&out, tilde);
    } else {
      out += static_cast<char>(b);  // digits, symbols and the upper-case command letters
    }
  }
  return out;
}

std::string KanaScriptToRomaji(std::string_view script) {
  std::string out(kRomajiTag);
  ByteClassifier bytes(ScriptLanguage::kJapanese);
  BracketTracker brackets;
  size_t i = kTagSize;
  while (i < script.size()) {
    uint8_t b = At(script, i);
    ByteClass c = bytes.Next(b);
    if (c != ByteClass::kLead || i + 1 >= script.size() ||
        bytes.Peek(At(script, i + 1)) != ByteClass::kTrail) {
      if (c == ByteClass::kSingle) brackets.Single(b);
      out += static_cast<char>(b);
      ++i;
      continue;
    }
    uint8_t t = At(script, i + 1);
    bytes.Next(t);
    if (brackets.inside()) {
      out += script.substr(i, 2);
    } else if (b == 0x81) {
      if (t == 0x40) out += ' ';
      if (t == 0x60) out += '~';
      if (t == 0x7C) out += '-';
    } else if (IsHiragana(b, t)) {
      // The pair lookup needs the whole next kana; at the end of the text the single row serves.
      if (OpensKanaPair(t) && i + 3 < script.size() && At(script, i + 2) == 0x82) {
        std::string_view pair = KanaPairRomaji(t, At(script, i + 3));
        if (!pair.empty()) {
          out += pair;
          i += 4;
          bytes.Reset();
          continue;
        }
      }
      std::string_view single = KanaRomaji(t);
      out += single.empty() ? script.substr(i, 2) : single;
    }
    // Every other double-byte character (katakana, kanji, other symbols) is dropped.
    i += 2;
  }
  return out;
}

uint32_t ScriptChecker::SetScript(uint32_t type, std::string_view text, int limit) {
  limit_ = limit;
  const uint32_t device = type & core::kModeDeviceMask;
  const uint32_t language = type & core::kModeLanguageMask;
  const uint32_t flag = type & core::kModeFlagMask;
  const bool device_ok = (type >= 0x50000000 && type <= 0x5FFFFFFF) || type >= 0xF0000000;
  const bool language_ok = language >= 0x2000000 && language <= 0x5000000;
  const bool flag_ok = flag == 0 || flag == core::kPassVariantFlag;
  if (!device_ok || !language_ok || !flag_ok) return kCheckBadTypeWord;
  device_ = device;
  language_ = static_cast<ScriptLanguage>(language);
  bit20_ = flag;
  text_.assign(text.data(), text.size());
  phrase_fits_ = true;
  return kCheckDone;
}

bool ScriptChecker::NormaliseWidth() {
  if (!IsScriptType(language_) || text_.size() < kTagSize) return false;
  if (!IsDoubleByteLanguage(language_)) return true;
  const bool japanese = language_ == ScriptLanguage::kJapanese;
  const WideForm space = WideSpace(language_);
  const WideForm minus = WideMinus(language_);
  const WideForm tilde = WideTilde(language_);
  std::string_view t = text_;
  std::string out(t.substr(0, kTagSize));
  ByteClassifier bytes(language_);
  BracketTracker brackets;
  size_t i = kTagSize;
  while (i < t.size()) {
    uint8_t b = At(t, i);
    ByteClass c = bytes.Next(b);
    if (c == ByteClass::kLead && i + 1 < t.size() &&
        bytes.Peek(At(t, i + 1)) == ByteClass::kTrail) {
      uint8_t tr = At(t, i + 1);
      bytes.Next(tr);
      i += 2;
      uint8_t folded = FoldFullWidth(language_, b, tr);
      if (folded == '[' || (brackets.inside() && folded == ']')) {
        brackets.Single(folded);
        out += static_cast<char>(folded);
        continue;
      }
      if (brackets.inside()) {
        out += t.substr(i - 2, 2);
        continue;
      }
      if (japanese && b == 0x81 && (tr == 0x41 || tr == 0x42)) {  // 、 。
        out += tr == 0x41 ? ',' : '.';
        continue;
      }
      if (japanese && b == 0x81 && tr >= 0x5B && tr <= 0x5D) {  // ー ― ‐
        PutForm(&out, minus);
        continue;
      }
      if (japanese && b == 0x82 && tr == 0xA4) {  // う with a voicing mark
        size_t k = i;
        bool voiced = false;
        if (k < t.size() && At(t, k) == 0xDE) {
          voiced = true;
          k += 1;
        } else if (k + 1 < t.size() && At(t, k) == 0x81 && At(t, k + 1) == 0x4A) {
          voiced = true;
          k += 2;
        }
        if (voiced) {
          uint8_t kana = 0xD4;  // ぶ
          if (k + 1 < t.size() && At(t, k) == 0x82) {
            switch (At(t, k + 1)) {
              case 0x9F:
                kana = 0xCE;
                break;  // ぁ -> ば
              case 0xA1:
                kana = 0xD1;
                break;  // ぃ -> び
              case 0xA5:
                kana = 0xD7;
                break;  // ぇ -> べ
              case 0xA7:
                kana = 0xDA;
                break;  // ぉ -> ぼ
              default:
                break;
            }
            if (kana != 0xD4) k += 2;
          }
          out += '\x82';
          out += static_cast<char>(kana);
          i = k;
          bytes.Reset();
          continue;
        }
      }
      if (folded == ']') continue;  // a stray closing bracket
      if (folded != 0) {
        out += static_cast<char>(folded);
      } else {
        out += t.substr(i - 2, 2);
      }
      continue;
    }
    ++i;
    if (c != ByteClass::kSingle || brackets.inside() || b == '[') {
      if (c == ByteClass::kSingle) brackets.Single(b);
      out += static_cast<char>(b);
      continue;
    }
    switch (b) {
      case ']':
        break;  // a stray closing bracket
      case ' ':
        PutForm(&out, space);
        break;
      case '-':
        PutForm(&out, minus);
        break;
      case '~':
        PutForm(&out, tilde);
        break;
      case 'a':
      case 'b':
      case 'c':
      case 'd':
      case 'e':
      case 'f':
      case 'g':
      case 'k':
      case 'l':
      case 's':
      case 'u':
      case 'v':
      case 'w':
      case 'x':
        out += static_cast<char>(b - ('a' - 'A'));
        break;
      default:
        if (japanese && b == 0xA1) {
          out += '.';
        } else if (japanese && b == 0xA4) {
          out += ',';
        } else if (japanese && b == 0xB0) {
          PutForm(&out, minus);
        } else {
          out += static_cast<char>(b);
        }
    }
  }
  text_ = std::move(out);
  return true;
}

bool ScriptChecker::RunBody() {
  BodyPassSettings settings{language_, bit20_ != 0, options_, limit_};
  bool fits = phrase_fits_;
  bool ok = RunBodyPass(settings, &text_, &fits);
  phrase_fits_ = fits;
  return ok;
}

void ScriptChecker::ExtractKana() {
  result_.clear();
  ByteClassifier bytes(language_);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < text_.size(); ++i) {
    uint8_t b = At(text_, i);
    ByteClass c = bytes.Next(b);
    if (c == ByteClass::kSingle) {
      brackets.Single(b);
    } else if (c == ByteClass::kLead && i + 1 < text_.size() &&
               bytes.Peek(At(text_, i + 1)) == ByteClass::kTrail) {
      uint8_t t = At(text_, i + 1);
      bytes.Next(t);
      if (!brackets.inside() && IsSyllableChar(language_, b, t)) result_ += text_.substr(i, 2);
      ++i;
    }
  }
}

uint32_t ScriptChecker::Check(uint32_t flags, uint32_t options) {
  options_ = options;
  bool applied = false;
  uint32_t codes = 0;
  if (flags & kCheckHeader) {
    if (DetectType(text_) != ScriptLanguage::kNone) text_.erase(0, kTagSize);
    text_.insert(0, core::HeaderTagOf(language_));
    applied = true;
  }
  if (DetectType(text_) != language_) return kCheckTypeMismatch;
  if (flags & kCheckPassBits) {
    if (!NormaliseWidth()) return codes | kCheckTypeMismatch;
    bool back_to_romaji = false;
    if (language_ == ScriptLanguage::kRomaji) {
      text_ = RomajiScriptToKana(text_);
      language_ = ScriptLanguage::kJapanese;
      if (flags & kCheckRomajiToKana) {
        applied = true;
      } else {
        back_to_romaji = true;
      }
    } else if (flags & kCheckRomajiToKana) {
      codes |= kCheckNotRomaji;
    }
    if (RunBody()) {
      applied = true;
    } else {
      codes |= phrase_fits_ ? kCheckTypeMismatch : kCheckPhraseOverflow;
    }
    if ((flags & kCheckExtractKana) && language_ == ScriptLanguage::kJapanese) {
      ExtractKana();
      applied = true;
    }
    if ((flags & kCheckKanaToRomaji) || back_to_romaji) {
      if (language_ != ScriptLanguage::kJapanese) return codes | kCheckTypeMismatch;
      text_ = KanaScriptToRomaji(text_);
      language_ = ScriptLanguage::kRomaji;
      return codes;
    }
  }
  // A failure is reported as such even when nothing else was applied.
  if (codes != 0) return codes;
  return applied ? kCheckDone : kCheckNothingApplied;
}

uint32_t ScriptChecker::GetText(std::string_view* text) const {
  *text = text_;
  const ScriptLanguage type = DetectType(text_);
  if (text_.size() < kTagSize || type == ScriptLanguage::kNone) return kCheckNoText;
  ByteClassifier bytes(type);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < text_.size(); ++i) {
    uint8_t b = At(text_, i);
    ByteClass c = bytes.Next(b);
    if (type == ScriptLanguage::kRomaji || type == ScriptLanguage::kChinese) {
      if (b == '[' || b == ']') {
        brackets.Single(b);
        continue;
      }
    } else if (c == ByteClass::kSingle) {
      brackets.Single(b);
    }
    if (brackets.inside()) continue;
    bool syllable = type == ScriptLanguage::kRomaji ? IsVowel(b) : c == ByteClass::kTrail;
    if (syllable) return kCheckDone;
  }
  return kCheckNoSyllable;
}

uint32_t ScriptChecker::GetResult(std::string_view* text) const {
  *text = result_;
  return result_.empty() ? kCheckNoText : kCheckDone;
}

uint32_t ScriptChecker::FromKanaText(std::string_view kana) {
  if (text_.empty()) language_ = ScriptLanguage::kJapanese;
  std::string old(kKanaTag);
  if (!text_.empty()) {
    if (Check(kCheckBody, 0) != kCheckDone) return kCheckFromKanaFailed;
    old = text_;
  }
  const ScriptLanguage old_language = language_;
  text_.assign(kKanaTag);
  text_ += kana;
  language_ = ScriptLanguage::kJapanese;
  const uint32_t code = Check(kCheckBody, 0);
  std::string fresh = text_.substr(kTagSize);
  text_ = old;
  language_ = old_language;
  if (code != kCheckDone || old_language != ScriptLanguage::kJapanese) {
    return kCheckFromKanaFailed;
  }

  // The new kana, cleaned down to syllable characters.
  const ScriptLanguage j = ScriptLanguage::kJapanese;
  std::string clean;
  ByteClassifier bytes(j);
  for (size_t i = 0; i < fresh.size(); ++i) {
    uint8_t b = At(fresh, i);
    if (bytes.Next(b) == ByteClass::kLead) {
      if (i + 1 < fresh.size() && bytes.Peek(At(fresh, i + 1)) == ByteClass::kTrail) {
        uint8_t t = At(fresh, i + 1);
        bytes.Next(t);
        if (IsSyllableChar(j, b, t)) clean += fresh.substr(i, 2);
        ++i;
      }
      continue;  // a lead byte without trail is deleted
    }
    if (b == ' ') PutForm(&clean, WideSpace(j));
    if (b == '-' || b == 0xB0) PutForm(&clean, WideMinus(j));
    if (b == '~') PutForm(&clean, WideTilde(j));
  }
  // Its syllables: one character and the small kana that follow it.
  std::vector<std::string> syllables;
  for (size_t i = 0; i + 1 < clean.size(); i += 2) {
    bool small = IsSmallKana(At(clean, i), At(clean, i + 1));
    if (small && !syllables.empty()) {
      syllables.back() += clean.substr(i, 2);
    } else {
      syllables.push_back(clean.substr(i, 2));
    }
  }

  // The old syllables are replaced one for one; small kana of the old text go.
  std::string out(old.substr(0, kTagSize));
  size_t next = 0;
  size_t insert_at = std::string::npos;
  ByteClassifier old_bytes(j);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < old.size(); ++i) {
    uint8_t b = At(old, i);
    ByteClass c = old_bytes.Next(b);
    if (c != ByteClass::kLead || i + 1 >= old.size() ||
        old_bytes.Peek(At(old, i + 1)) != ByteClass::kTrail) {
      if (c == ByteClass::kSingle) brackets.Single(b);
      out += static_cast<char>(b);
      continue;
    }
    uint8_t t = At(old, i + 1);
    old_bytes.Next(t);
    ++i;
    if (brackets.inside()) {
      out += old.substr(i - 1, 2);
    } else if (!IsSmallKana(b, t)) {
      out += next < syllables.size() ? syllables[next++] : std::string(kEmptySquare);
      insert_at = out.size();
    }
  }
  std::string rest;
  for (; next < syllables.size(); ++next) rest += syllables[next];
  if (insert_at == std::string::npos) {
    out += rest;
  } else {
    out.insert(insert_at, rest);
  }
  text_ = std::move(out);
  language_ = j;
  result_.assign(kana.data(), kana.size());
  return kCheckDone;
}

bool ScriptChecker::InsertVoiceQuality(int* voice, bool keep_existing) {
  if (!NormaliseWidth()) return false;
  std::string token = "K" + std::to_string(ClampVoice(*voice));
  ByteClassifier bytes(language_);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < text_.size(); ++i) {
    uint8_t b = At(text_, i);
    ByteClass c = bytes.Next(b);
    if (!brackets.inside() && StartsSyllable(language_, c, b)) {
      *voice = -1;
      break;
    }
    if (FeedsBrackets(language_, c)) {
      bool was_inside = brackets.inside();
      brackets.Single(b);
      if (was_inside || brackets.inside()) continue;
    }
    if (b == 'K') {
      int v = 0;
      size_t n = ReadNumber(text_, i + 1, &v);
      if (n == 0) continue;
      if (keep_existing) {
        *voice = ClampVoice(v);
        return true;
      }
      text_.erase(i, 1 + n);
      break;
    }
    if (b == 'X') {
      if (keep_existing || *voice == 0) {
        *voice = 0;
        return true;
      }
      text_.erase(i, 1 + DigitRun(text_, i + 1));
      break;
    }
  }
  text_.insert(kTagSize, token);
  return true;
}

bool ScriptChecker::GetVoiceQuality(int* voice) const {
  if (!IsScriptType(language_)) return false;
  ByteClassifier bytes(language_);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < text_.size(); ++i) {
    uint8_t b = At(text_, i);
    ByteClass c = bytes.Next(b);
    if (!brackets.inside() && StartsSyllable(language_, c, b)) break;
    if (FeedsBrackets(language_, c)) {
      bool was_inside = brackets.inside();
      brackets.Single(b);
      if (was_inside || brackets.inside()) continue;
    }
    if (b != 'K' && b != 'X') continue;
    int v = 0;
    if (ReadNumber(text_, i + 1, &v) == 0) continue;
    *voice = b == 'K' ? ClampVoice(v) : 0;
    return true;
  }
  return true;
}

bool ScriptChecker::CheckPhraseLength(unsigned max_count) const {
  ScriptLanguage type = DetectType(text_);
  if (!IsScriptType(language_) || type == ScriptLanguage::kNone) return false;
  std::string copy;
  std::string_view t = text_;
  if (type == ScriptLanguage::kRomaji) {
    copy = RomajiScriptToKana(text_);
    t = copy;
    type = ScriptLanguage::kJapanese;
  }
  const bool japanese = type == ScriptLanguage::kJapanese;
  const bool double_byte = IsDoubleByteLanguage(type);
  const unsigned kMaxDigits = 2;  // a count of three digits is never valid
  unsigned n = 0;
  bool in_number = false;
  unsigned digits = 0;
  ByteClassifier bytes(type);
  BracketTracker brackets;
  for (size_t i = kTagSize; i < t.size(); ++i) {
    uint8_t b = At(t, i);
    ByteClass c = bytes.Next(b);
    const bool pair = double_byte && c == ByteClass::kLead && i + 1 < t.size() &&
                      bytes.Peek(At(t, i + 1)) == ByteClass::kTrail;
    uint8_t tr = 0;
    if (pair) {
      tr = At(t, i + 1);
      bytes.Next(tr);
      ++i;
    }
    auto is = [&](uint8_t jl, uint8_t jt, uint8_t kl, uint8_t kt) {
      return japanese ? (b == jl && tr == jt) : (b == kl && tr == kt);
    };
    const bool digit = pair ? (japanese ? (b == 0x82 && tr >= 0x4F && tr <= 0x58)
                                        : (b == 0xA3 && tr >= 0xB0 && tr <= 0xB9))
                            : IsDigit(b);
    if (in_number) {
      if (digit && !brackets.inside()) {
        if (++digits > kMaxDigits) return false;
        continue;
      }
      in_number = false;  // the count is over and with it the phrase
      n = 0;
    }
    if (brackets.inside() || (!pair && FeedsBrackets(type, c) && (b == '[' || b == ']'))) {
      if (!pair) brackets.Single(b);
      n += pair ? 2 : 1;
      if (n > max_count) return false;
      continue;
    }
    if (pair) {
      const bool starts_number = is(0x81, 0x96, 0xA3, 0xAA) || is(0x81, 0x48, 0xA3, 0xBF);
      const bool ends_phrase = is(0x81, 0x43, 0xA3, 0xAC) || is(0x81, 0x44, 0xA3, 0xAE) ||
                               (japanese && b == 0x81 && (tr == 0x41 || tr == 0x42));
      if (++n > max_count) return false;
      if (ends_phrase) {  // its trail byte is not carried into the next phrase
        n = 0;
        continue;
      }
      if (++n > max_count) return false;
      if (starts_number) {
        in_number = true;
        digits = 0;
      }
      continue;
    }
    const bool spread = double_byte && (b == ' ' || b == '-' || b == '~');
    n += spread ? 2 : 1;
    if (n > max_count) return false;
    if (b == '*' || b == '?') {
      in_number = true;
      digits = 0;
    } else if (b == ',' || b == '.' || (japanese && (b == 0xA4 || b == 0xA1))) {
      n = 0;
    }
  }
  return true;
}

}  // namespace vtr::w2s
