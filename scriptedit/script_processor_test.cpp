#include "scriptedit/script_processor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scriptedit/result_codes.h"
#include "scriptedit/testing/recording_presenter.h"

namespace vtr::scriptedit {
namespace {

constexpr core::ScriptModeWord kKana = 0x52100000;
const std::string kA = "\x82\xA0";  // あ in Shift-JIS

std::string LongSentence() {
  std::string body;
  for (int i = 0; i < 60; ++i) body += kA;
  return "KV#J" + body + ".";
}

struct ProcessCase {
  const char* name;
  std::string text;
  int flags;
  bool show_length_error;
  std::vector<int> extended;
  int voice_index;
  bool insert_segment_end;
  int result;
  std::vector<unsigned> messages;
  std::string result_text;  // "" : the text must be unchanged
  int voice_after;          // -1: unchanged
  bool too_long;
};

TEST(ScriptProcessorTest, RunsThePassesOfTheFlagsInTheirOrder) {
  // clang-format off
  const std::vector<ProcessCase> cases = {
      {"empty text", "", 0, false, {}, 0, true, kResultNoText, {504}, "", -1, false},
      {"over 32000 bytes", "KV#J" + std::string(31997, 'a'), 0, false, {}, 0, true,
       kResultScriptTooLong, {511}, "", -1, false},
      {"exactly 32000 bytes", "KV#J" + std::string(31996, 'a'), 0, false, {}, 0, true, 0, {}, "",
       -1, false},
      {"under 5 bytes", "KV#J", 0, false, {}, 0, true, kResultBadScript, {502}, "", -1, false},
      {"no pass keeps the text", "KV#J" + kA, 0, false, {}, 0, true, 0, {}, "", -1, false},
      {"header ensured", kA, kProcessEnsureHeader, false, {}, 0, true, 0, {}, "KV#J" + kA, -1,
       false},
      {"header ensured before the voice is written", kA,
       kProcessEnsureHeader | kProcessWriteVoice, false, {}, 3, true, 0, {}, "KV#JK3" + kA, -1,
       false},
      {"voice written over the script's", "KV#JK5" + kA, kProcessWriteVoice, false, {}, 2, true,
       0, {}, "KV#JK2" + kA, -1, false},
      {"extended voice written as X", "KV#J" + kA, kProcessWriteVoice, false, {4, 9}, 1, true, 0,
       {}, "KV#JX9" + kA, -1, false},
      {"kept voice selects its entry", "KV#JK5" + kA, kProcessBeforeUse, false, {7}, 0, true, 0,
       {}, "", 6, false},
      {"missing voice inserted with 515", "KV#J" + kA, kProcessBeforeUse, false, {}, 4, true, 0,
       {515}, "KV#JK4" + kA, 4, false},
      {"missing voice inserted quietly with 0x80", "KV#J" + kA,
       kProcessWriteVoice | kProcessKeepVoice | kProcessQuietVoice, false, {}, 4, true, 0, {},
       "KV#JK4" + kA, 4, false},
      {"voice index from an extended voice", "KV#JX2" + kA, kProcessVoiceFromScript, false,
       {7, 2}, 0, true, 0, {}, "", 1, false},
      {"voice index from a standard voice", "KV#JK3" + kA, kProcessOnOpenDialog, false, {7, 2}, 0,
       true, 0, {}, "", 5, false},
      {"no voice token selects the first standard voice", "KV#J" + kA, kProcessVoiceFromScript,
       false, {7, 2}, 0, true, 0, {}, "", 2, false},
      {"voice write on a text without header fails", kA, kProcessWriteVoice, false, {}, 0, true,
       kResultBadScript, {502}, "", -1, false},
      {"optimize on a text without header fails", "abc", kProcessOptimize, false, {}, 0, true,
       kResultBadScript, {502}, "", -1, false},
      {"a play text with nothing to play is refused, not built empty", "KV#JS70", kProcessPlayText,
       true, {}, 0, true, kResultBadScript, {502}, "", -1, false},
      {"long sentence with the error shown", LongSentence(), kProcessPlayText, true, {}, 0, false,
       kResultSentenceTooLong, {503}, "", -1, true},
      {"long sentence without the error goes on", LongSentence(), kProcessPlayText, false, {}, 0,
       false, 0, {}, "", -1, true},
  };
  // clang-format on
  for (const ProcessCase& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingPresenter presenter;
    ScriptProcessor processor;
    processor.SetModeWord(kKana);
    processor.SetExtendedVoices(c.extended);
    processor.SetVoiceIndex(c.voice_index);
    processor.SetInsertSegmentEnd(c.insert_segment_end);
    std::string text = c.text;
    bool too_long = false;
    EXPECT_EQ(processor.ProcessScript(text, c.flags, c.show_length_error, &too_long), c.result);
    EXPECT_EQ(presenter.shown, c.messages);
    EXPECT_EQ(text, c.result_text.empty() ? c.text : c.result_text);
    EXPECT_EQ(processor.voice_index(), c.voice_after == -1 ? c.voice_index : c.voice_after);
    EXPECT_EQ(too_long, c.too_long);
  }
}

TEST(ScriptProcessorTest, MapsListEntriesToVoiceNumbersAndBack) {
  struct Case {
    int index;
    int number;
  };
  const std::vector<Case> cases = {{0, 20}, {1, 25}, {2, 0}, {5, 3}, {17, 15}};
  ScriptProcessor processor;
  processor.SetExtendedVoices({4, 9});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    processor.SetVoiceIndex(c.index);
    EXPECT_EQ(processor.SelectedVoiceNumber(), c.number);
    processor.SetVoiceIndex(-5);
    processor.SelectVoiceNumber(c.number);
    EXPECT_EQ(processor.voice_index(), c.index);
  }
  // An extended voice that is not listed, or no voice at all, keeps the selection.
  for (int number : {16, 31, 32, -1}) {
    processor.SetVoiceIndex(7);
    processor.SelectVoiceNumber(number);
    EXPECT_EQ(processor.voice_index(), 7) << number;
  }
}

TEST(ScriptProcessorTest, PrepareExportScriptChecksTheLengthsOnly) {
  struct Case {
    const char* name;
    std::string text;
    int result;
    std::vector<unsigned> messages;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"script", "KV#J" + kA, 1, {}},
      {"body the engine would refuse", "KV#Jxyz\xFF", 1, {}},
      {"empty", "", 0, {504}},
      {"header only", "KV#J", 0, {502}},
      {"over 32000 bytes", "KV#J" + std::string(31997, 'a'), 0, {511}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingPresenter presenter;
    ScriptProcessor processor;
    EXPECT_EQ(processor.PrepareExportScript(kKana, c.text), c.result);
    EXPECT_EQ(processor.mode_word(), kKana);
    EXPECT_EQ(presenter.shown, c.messages);
  }
}

}  // namespace
}  // namespace vtr::scriptedit
