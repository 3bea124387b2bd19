// Feeds arbitrary bytes to the wave-to-script checker under every language with every flag
// set and both options, then to the syllable list and its helpers.
//
// Byte 0 picks the language, whether the tag is put in front and whether a small phrase limit
// is used; byte 1 is the flag set; byte 2 the options, the voice and the limit; the rest is the
// text.
//
// Properties of the check's result:
// - a text whose tag is not the stored type's (and no tag rewrite) gives the mismatch alone and
//   stays as it was; with no pass chosen the text stays too: "nothing applied", or done when
//   only the tag was rewritten;
// - otherwise the result is done, "nothing applied" or an OR of the failure codes, and the text
//   carries the tag of the type the checker then holds (romaji again after a body check of a
//   romaji text unless kana were asked for);
// - romaji-to-kana asked of a text that is not romaji is reported; a too long bracket comment
//   is reported exactly when the phrase-fits flag went down;
// - the bare kana of a clean extraction are syllable characters only.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "wave2script/core/script_checker.h"
#include "wave2script/core/syllable_list.h"

namespace {

using namespace vtr::w2s;

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsCheckResult(uint32_t code) {
  switch (code) {
    case kCheckDone:
    case kCheckNothingApplied:
    case kCheckNotRomaji:
    case kCheckTypeMismatch:
    case kCheckPhraseOverflow:
    case kCheckNotRomaji | kCheckPhraseOverflow:
    case kCheckTypeMismatch | kCheckPhraseOverflow:
      return true;
    default:
      return false;
  }
}

bool OnlySyllableCharacters(std::string_view kana) {
  if (kana.size() % 2 != 0) return false;
  for (size_t i = 0; i < kana.size(); i += 2) {
    if (!IsSyllableChar(ScriptLanguage::kJapanese, static_cast<uint8_t>(kana[i]),
                        static_cast<uint8_t>(kana[i + 1]))) {
      return false;
    }
  }
  return true;
}

void CheckAndRequireItsResult(ScriptChecker& checker, uint32_t flags, uint32_t options) {
  const std::string before = checker.text();
  const ScriptLanguage stored = checker.language();
  const uint32_t result = checker.Check(flags, options);
  const std::string& after = checker.text();
  const std::string tag(vtr::core::HeaderTagOf(stored));

  if (!(flags & kCheckHeader) && DetectType(before) != stored) {
    Require(result == kCheckTypeMismatch && after == before);
    return;
  }
  if (!(flags & kCheckPassBits)) {
    if (flags & kCheckHeader) {
      const std::string body =
          DetectType(before) != ScriptLanguage::kNone ? before.substr(kTagSize) : before;
      Require(result == kCheckDone && after == tag + body);
    } else {
      Require(result == kCheckNothingApplied && after == before);
    }
    return;
  }
  Require(IsCheckResult(result));
  Require(DetectType(after) == checker.language());
  if (stored == ScriptLanguage::kRomaji && !(flags & kCheckRomajiToKana)) {
    Require(checker.language() == ScriptLanguage::kRomaji);
  }
  if ((flags & kCheckRomajiToKana) && stored != ScriptLanguage::kRomaji) {
    Require((result & kCheckNotRomaji) == kCheckNotRomaji);
  }
  Require(((result & 0x8) != 0) == !checker.phrase_fits());
  std::string_view kana;
  if (result == kCheckDone && (flags & kCheckExtractKana) &&
      (stored == ScriptLanguage::kJapanese || stored == ScriptLanguage::kRomaji) &&
      checker.GetResult(&kana) == kCheckDone) {
    Require(OnlySyllableCharacters(kana));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const std::string body(reinterpret_cast<const char*>(data + 3), size - 3);
  const uint32_t types[] = {0x52100000, 0x53100000, 0x54100000, 0x55000000};
  const char tags[] = "JKGC";
  const int language = data[0] & 3;
  const std::string text = (data[0] & 4) ? body : "KV#" + std::string(1, tags[language]) + body;
  const uint32_t flags = data[1];
  const uint32_t options = data[2] & 0x30;
  const int limit = (data[0] & 32) ? static_cast<int8_t>(data[2]) : 100;

  ScriptChecker checker;
  if (checker.SetScript(types[language], text, limit) != kCheckDone) return 0;
  CheckAndRequireItsResult(checker, flags, options);
  std::string_view out;
  (void)checker.GetText(&out);
  (void)checker.GetResult(&out);
  (void)checker.CheckPhraseLength(100);
  int voice = data[2] & 0x0F;
  (void)checker.GetVoiceQuality(&voice);
  (void)checker.InsertVoiceQuality(&voice, (data[2] & 0x40) != 0);
  if (data[0] & 8) {
    ScriptChecker kana;
    (void)kana.SetScript(types[language], text, limit);
    (void)kana.FromKanaText(body);
  }

  SyllableList list;
  if (list.SetScript(0x52100000, text) == kSyllablesDone) {
    SyllableArray records;
    (void)list.GetSyllables(&records);
    if (!records.empty()) {
      records[0].end_time += data[2];
      (void)list.AssignSyllables(records);
      int offset = 0;
      (void)list.SetSyllables(records, records[records.size() / 2].end_time, &offset);
    }
    (void)list.GetText(&out);
  }
  std::string copy = text;
  (void)SyllableList::ShiftSpeed(&copy, static_cast<int8_t>(data[1]) / 4);
  (void)SyllableList::ShiftPitch(&copy, data[0] >> 7, static_cast<int8_t>(data[2]) / 8);
  (void)SyllableList::TakeToken(&copy);
  copy = text;
  (void)SyllableList::ValidateKana(&copy, (data[0] & 16) != 0);
  return 0;
}
