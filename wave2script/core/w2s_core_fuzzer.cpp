// Feeds arbitrary bytes to the wave-to-script checker under every language with every flag
// set and both options, then to the syllable list and its helpers.
//
// Byte 0 picks the language, whether the tag is put in front and whether a small phrase limit
// is used; byte 1 is the flag set; byte 2 the options, the voice and the limit; the rest is the
// text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "wave2script/core/script_checker.h"
#include "wave2script/core/syllable_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vtr::w2s;
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
  (void)checker.Check(flags, options);
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
