#include "wave2script/dialogs/script_preparation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/window_system.h"
#include "scriptedit/testing/recording_presenter.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

const std::string kKa = "\x82\xA9";  // か
const std::string kA = "\x82\xA0";   // あ

std::string Repeat(const std::string& piece, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) out += piece;
  return out;
}

// Shows the library's boxes through a recording presenter for the life of a test.
class Messages {
 public:
  Messages() { InstallLibraryMessages(&presenter, nullptr, "test"); }
  ~Messages() { InstallLibraryMessages(nullptr, nullptr, ""); }
  scriptedit::RecordingPresenter presenter;
};

TEST(ScriptPreparationTest, StripHeaderTagRemovesOnlyALeadingTag) {
  struct Case {
    std::string text, after;
    bool stripped;
  };
  const std::vector<Case> cases = {
      {"KV#J" + kKa, kKa, true},
      {kKa, kKa, false},
      {"kv#j" + kKa, "kv#j" + kKa, false},  // the tag is compared byte for byte
      {"KV#", "KV#", false},
      {"KV#J", "", true},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(StripHeaderTag(text), c.stripped) << c.text;
    EXPECT_EQ(text, c.after) << c.text;
  }
}

TEST(ScriptPreparationTest, AddHeaderTagGivesTheTagOnce) {
  struct Case {
    std::string text, after;
    bool added;
  };
  const std::vector<Case> cases = {
      {"KV#J" + kKa, "KV#J" + kKa, false},
      {kKa + kA, "KV#J" + kKa + kA, true},
      {"", "KV#J", true},  // an empty graph is a script of the bare tag
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(AddHeaderTag(text), c.added) << c.text;
    EXPECT_EQ(text, c.after) << c.text;
  }
}

struct PrepareCase {
  const char* name;
  std::string text;
  uint32_t options;
  bool show_errors;
  int voice_in;
  int result;
  std::vector<unsigned> messages;
  bool too_long;
  int voice_out;
  std::string text_out;  // "" : unchanged
};

TEST(ScriptPreparationTest, PreprocessRunsTheChosenSteps) {
  const std::string phrase = Repeat(kKa, 60);  // 120 bytes in one phrase
  const std::string huge = "KV#J" + Repeat(kKa, 16000);
  // clang-format off
  const std::vector<PrepareCase> cases = {
      {"empty text", "", kPrepareForGraph, true, 0, kPrepareNoText, {504}, false, 0, ""},
      {"graph check keeps the script", "KV#J" + kKa + kA, kPrepareForGraph, true, 0, 0, {},
       false, 0, "KV#J" + kKa + kA},
      {"tag given by the first check", kKa + kA, kPrepareNormalize, false, 0, 0, {}, false, 0,
       "KV#J" + kKa + kA},
      {"voice token written", "KV#J" + kKa, kPrepareApplyVoice, false, 3, 0, {}, false, 3,
       "KV#JK3" + kKa},
      {"voice token replaced", "KV#JK5" + kKa, kPrepareApplyVoice, false, 3, 0, {}, false, 3,
       "KV#JK3" + kKa},
      {"existing voice kept on save", "KV#JK5" + kKa, kPrepareForSave, true, 3, 0, {}, false, 5,
       "KV#JK5" + kKa},
      {"voice read back", "KV#JK7" + kKa, kPrepareAfterPlay, false, 2, 0, {}, false, 7,
       "KV#JK7" + kKa},
      {"no voice token leaves the voice", "KV#J" + kKa, kPrepareAfterPlay, false, 2, 0, {},
       false, 2, "KV#J" + kKa},
      // Without phrase breaks a phrase keeps its length.
      {"long phrase refused when shown", "KV#J" + phrase, kPrepareVoice | kPrepareBody, true, 0,
       kPreparePhraseTooLong, {503}, true, 0, ""},
      {"long phrase only flagged when not shown", "KV#J" + phrase, kPrepareVoice | kPrepareBody,
       false, 0, 0, {}, true, 0, "KV#JK0" + phrase},
      {"save breaks a long phrase", "KV#J" + phrase, kPrepareForSave, true, 0, 0, {}, false, 0,
       "KV#JK0" + Repeat(kKa, 46) + "S99,S50" + Repeat(kKa, 14)},
      {"over 32000 bytes", huge, kPrepareNormalize, false, 0, kPrepareTooLong, {511}, false, 0,
       ""},
  };
  // clang-format on
  for (const PrepareCase& c : cases) {
    SCOPED_TRACE(c.name);
    Messages messages;
    std::string text = c.text;
    bool too_long = !c.too_long;
    int voice = c.voice_in;
    EXPECT_EQ(PreprocessScript(&text, c.options, c.show_errors, &too_long, &voice), c.result);
    EXPECT_EQ(messages.presenter.shown, c.messages);
    EXPECT_EQ(too_long, c.too_long);
    EXPECT_EQ(voice, c.voice_out);
    EXPECT_EQ(text, c.text_out.empty() ? c.text : c.text_out);
  }
}

// The check runs under the wait cursor: what it reports comes while the cursor shows, and the
// cursor goes once the preparation ends, whatever its outcome. An empty text is refused before.
TEST(ScriptPreparationTest, TheCheckRunsUnderTheWaitCursor) {
  using platform::Cursor;
  struct Case {
    const char* name;
    std::string text;
    uint32_t options;
    std::vector<Cursor> at_messages;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a script the check takes", "KV#J" + kKa, kPrepareForGraph, {}},
      {"a script without a syllable (502)", "KV#JS60", kPrepareForGraph, {Cursor::kWait}},
      {"a phrase too long (503)", "KV#J" + Repeat(kKa, 60), kPrepareVoice | kPrepareBody,
       {Cursor::kWait}},
      {"over 32000 bytes (511)", "KV#J" + Repeat(kKa, 16000), kPrepareNormalize, {Cursor::kWait}},
      {"an empty text, refused before the check (504)", "", kPrepareForGraph, {Cursor::kArrow}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Messages messages;
    std::string text = c.text;
    bool too_long = false;
    int voice = 0;
    (void)PreprocessScript(&text, c.options, true, &too_long, &voice);
    EXPECT_EQ(messages.presenter.cursors, c.at_messages);
    EXPECT_EQ(platform::CurrentCursor(), Cursor::kArrow) << "the wait cursor stayed";
  }
}

TEST(ScriptPreparationTest, AScriptWithoutASyllableShows502AndKeepsTheText) {
  struct Case {
    const char* what;
    std::string text;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"settings only", "KV#JS60"},
      {"settings and steps", "KV#JS60'2<V3"},
      {"a comment", "KV#J[" + Repeat(kKa + kA, 20) + "]"},
      {"punctuation only", "KV#J,*3."},
      {"the bare tag", "KV#J"},
  };
  // clang-format on
  const std::vector<uint32_t> option_sets = {kPrepareForGraph, kPrepareForOpen, kPrepareForSave,
                                             kPrepareForPlay, kPrepareApplyVoice};
  for (const Case& c : cases) {
    for (uint32_t options : option_sets) {
      SCOPED_TRACE(std::string(c.what) + ", options " + std::to_string(options));
      Messages messages;
      std::string text = c.text;
      bool too_long = false;
      int voice = 0;
      EXPECT_EQ(PreprocessScript(&text, options, false, &too_long, &voice), kPrepareNoResult);
      EXPECT_EQ(messages.presenter.shown, std::vector<unsigned>{502});
      EXPECT_EQ(text, c.text);
    }
  }
}

TEST(ScriptPreparationTest, ACheckerFailureShows502AndKeepsTheText) {
  Messages messages;
  const std::string korean = "KV#K\xB0\xA1";  // not a kana script
  std::string text = korean;
  bool too_long = false;
  int voice = 0;
  EXPECT_EQ(PreprocessScript(&text, kPrepareForOpen, false, &too_long, &voice), kPrepareBadScript);
  EXPECT_EQ(messages.presenter.shown, std::vector<unsigned>{502});
  EXPECT_EQ(text, korean);
}

}  // namespace
}  // namespace vtr::w2s
