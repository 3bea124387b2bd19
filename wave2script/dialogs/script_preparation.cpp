#include "wave2script/dialogs/script_preparation.h"

#include "core/messages.h"
#include "platform/window/window_system.h"
#include "wave2script/core/script_checker.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

// For the tag alone the checker's text is taken even when its body holds no syllable: an
// empty graph is a script of the bare tag.
bool TakeTaggedText(const ScriptChecker& checker, std::string_view* out) {
  const uint32_t code = checker.GetText(out);
  return code == kCheckDone || code == kCheckNoSyllable;
}

}  // namespace

bool StripHeaderTag(std::string& text) {
  if (!text.starts_with(kKanaTag)) return false;
  text.erase(0, kKanaTag.size());
  return true;
}

bool AddHeaderTag(std::string& text) {
  if (text.starts_with(kKanaTag)) return false;
  ScriptChecker checker;
  std::string_view checked;
  if (checker.SetScript(kCheckerTypeWord, text, kDefaultPhraseLimit) != kCheckDone ||
      checker.Check(kCheckHeader, 0) != kCheckDone || !TakeTaggedText(checker, &checked)) {
    return false;
  }
  text = std::string(checked);
  return true;
}

int PreprocessScript(std::string* text, uint32_t options, bool show_errors, bool* too_long,
                     int* voice) {
  *too_long = false;
  if (text->empty()) {
    (void)ShowMessage(core::kMessageNothingToPlay);
    return kPrepareNoText;
  }
  platform::WaitCursor wait;
  ScriptChecker checker;
  const auto bad_script = [] {
    (void)ShowMessage(core::kMessageBadFormat);
    return kPrepareBadScript;
  };
  if (checker.SetScript(kCheckerTypeWord, *text, kDefaultPhraseLimit) != kCheckDone) {
    return bad_script();
  }
  if ((options & kPrepareHeader) != 0 && checker.Check(kCheckHeader, 0) != kCheckDone) {
    return bad_script();
  }
  if ((options & kPrepareVoice) != 0) {
    const int kept = *voice;
    if (!checker.InsertVoiceQuality(voice, (options & kPrepareKeepVoice) != 0)) {
      return bad_script();
    }
    // The first syllable came before any voice token: the dialog's voice stays.
    if (*voice == -1) *voice = kept;
  }
  if ((options & kPrepareBody) != 0) {
    const uint32_t body_options =
        (options & kPrepareBreaks) != 0 ? (kKeepLineBreaks | kInsertPhraseBreaks) : 0;
    if (checker.Check(kCheckBody, body_options) != kCheckDone) return bad_script();
  }
  if ((options & kPrepareVoice) != 0 && !checker.CheckPhraseLength(kPhraseLimit)) {
    *too_long = true;
    if (show_errors) {
      (void)ShowMessage(core::kMessageSentenceTooLong);
      return kPreparePhraseTooLong;
    }
  }
  if ((options & kPrepareReadVoice) != 0) {
    int read = *voice;
    if (!checker.GetVoiceQuality(&read)) return bad_script();
    *voice = read;
  }
  // A prepared script has something to show, play and save: one syllable at least.
  std::string_view result;
  if (checker.GetText(&result) != kCheckDone) {
    (void)ShowMessage(core::kMessageBadFormat);
    return kPrepareNoResult;
  }
  if (result.size() > kMaxPreparedScript) {
    (void)ShowMessage(core::kMessageScriptTooLong);
    return kPrepareTooLong;
  }
  *text = std::string(result);
  return kPrepareDone;
}

}  // namespace vtr::w2s
