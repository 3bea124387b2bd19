#include "scriptedit/script_processor.h"

#include <algorithm>

#include "core/script_engine.h"
#include "scriptedit/result_codes.h"

namespace vtr::scriptedit {
namespace {

using core::ScriptEngine;
using core::ScriptEngineError;

// Header operation kinds of the engine.
constexpr int kHeaderSetVoice = 3;
constexpr int kHeaderKeepOrInsertVoice = 4;
constexpr int kHeaderReadVoice = 5;
constexpr int kHeaderEnsureTag = 6;

constexpr int kStandardVoiceCount = 16;

}  // namespace

void ScriptProcessor::Show(unsigned id) const {
  if (reporter_ != nullptr) {
    (void)reporter_->ShowMessage(id);
  } else {
    (void)core::MessageReporter().ShowMessage(id);
  }
}

int ScriptProcessor::SelectedVoiceNumber() const {
  const int extended = static_cast<int>(extended_voices_.size());
  if (voice_index_ >= 0 && voice_index_ < extended) return extended_voices_[voice_index_] + 16;
  return voice_index_ - extended;
}

void ScriptProcessor::SelectVoiceNumber(int number) {
  const int extended = static_cast<int>(extended_voices_.size());
  if (number >= 0 && number < kStandardVoiceCount) {
    voice_index_ = extended + number;
  } else if (number >= kStandardVoiceCount && number < 2 * kStandardVoiceCount) {
    const auto found =
        std::find(extended_voices_.begin(), extended_voices_.end(), number - kStandardVoiceCount);
    if (found != extended_voices_.end()) {
      voice_index_ = static_cast<int>(found - extended_voices_.begin());
    }
  }
}

int ScriptProcessor::ProcessScript(std::string& text, int flags, bool show_length_error,
                                   bool* too_long) {
  if (text.empty()) {
    Show(core::kMessageNothingToPlay);
    return kResultNoText;
  }
  if (text.size() > core::kMaxScriptBytes) {
    Show(core::kMessageScriptTooLong);
    return kResultScriptTooLong;
  }
  ScriptEngine engine;
  std::string work = text;
  const auto failed = [&] {
    // The engine is left holding the untouched input, as after a successful parse of it.
    (void)engine.ParseScriptText(mode_word_, text);
    Show(core::kMessageBadFormat);
    return kResultBadScript;
  };

  if ((flags & kProcessEnsureHeader) != 0) {
    int unused = 0;
    if (engine.ScriptHeaderOp(mode_word_, kHeaderEnsureTag, work, unused) !=
        ScriptEngineError::kNone) {
      return failed();
    }
  }

  if ((flags & kProcessWriteVoice) != 0) {
    int value = SelectedVoiceNumber();
    if ((flags & kProcessKeepVoice) == 0) {
      if (engine.ScriptHeaderOp(mode_word_, kHeaderSetVoice, work, value) !=
          ScriptEngineError::kNone) {
        return failed();
      }
    } else {
      if (engine.ScriptHeaderOp(mode_word_, kHeaderKeepOrInsertVoice, work, value) !=
          ScriptEngineError::kNone) {
        return failed();
      }
      if (value == -1) {
        if ((flags & kProcessQuietVoice) == 0) Show(core::kMessageVoiceInserted);
      } else {
        SelectVoiceNumber(value);
      }
    }
  }

  if ((flags & kProcessOptimize) != 0) {
    std::string written;
    if (engine.ParseScriptText(mode_word_, work) != ScriptEngineError::kNone ||
        engine.CheckScript(remain_linefeed_ ? 0 : 1) != core::ScriptCheckCode::kOk ||
        engine.ConvertScriptMode(mode_word_ & ~core::kModeSubFormatMask, written) !=
            ScriptEngineError::kNone) {
      return failed();
    }
    work = std::move(written);
  }

  if ((flags & kProcessPlayText) != 0) {
    int offset = 0;
    std::string played = work;
    const ScriptEngineError built =
        engine.BuildPlayText(mode_word_, played, &offset, insert_segment_end_ ? 1 : 0);
    if (built == ScriptEngineError::kSentenceTooLong) {
      if (too_long != nullptr) *too_long = true;
      if (show_length_error) {
        Show(core::kMessageSentenceTooLong);
        return kResultSentenceTooLong;
      }
    } else if (built != ScriptEngineError::kNone) {
      return failed();
    } else {
      work = std::move(played);
    }
  }

  if ((flags & kProcessVoiceFromScript) != 0) {
    // Reading the voice must not rewrite the text, so the engine reads a copy.
    int value = 0;
    std::string copy = work;
    const ScriptEngineError read = engine.ScriptHeaderOp(mode_word_, kHeaderReadVoice, copy, value);
    if (read == ScriptEngineError::kHeaderItemMissing) {
      SelectVoiceNumber(0);
    } else if (read != ScriptEngineError::kNone) {
      return failed();
    } else {
      SelectVoiceNumber(value);
    }
  }

  if (work.size() > core::kMaxScriptBytes) {
    Show(core::kMessageScriptTooLong);
    return kResultScriptTooLong;
  }
  if (work.size() < kMinScriptBytes) {
    Show(core::kMessageBadFormat);
    return kResultBadScript;
  }
  text = std::move(work);
  return kResultDone;
}

bool ScriptProcessor::PrepareExportScript(core::ScriptModeWord mode, const std::string& text) {
  mode_word_ = mode;
  std::string copy = text;
  return ProcessScript(copy, kProcessForExport, false, nullptr) == kResultDone;
}

}  // namespace vtr::scriptedit
