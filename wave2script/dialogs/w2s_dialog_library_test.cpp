// The built library from the program folder, loaded by its system name and driven through its
// exports by a scripted user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/module.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/testing/failing_allocation.h"
#include "platform/window/headless.h"
#include "wave2script/dialogs/w2s_dialog_api.h"

namespace {

using vtr::platform::kIdCancel;
using vtr::platform::kIdNo;
using vtr::platform::kIdOk;
using vtr::platform::kIdYes;

const std::string kBody = "\x82\xA9\x82\xA0\x82\xA2";  // かあい

class W2sDialogLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vtr::platform::InstallSoundSystem(&sound_);
    ASSERT_TRUE(library_.Load(".\\Vtr_W2SDlg.dll", VTR_DIST_DIR)) << library_.error();
    open_ = library_.Find<W2sOpenWaveToKvxDlgFn>("W2S_openWaveToKvxDlg");
    get_ = library_.Find<W2sGetWaveToKvxDataFn>("W2S_getWaveToKvxData");
    version_ = library_.Find<W2sGetDllVersionFn>("W2S_getDllVersion");
    ASSERT_NE(open_, nullptr);
    ASSERT_NE(get_, nullptr);
    ASSERT_NE(version_, nullptr);
  }
  void TearDown() override {
    library_.Free();
    vtr::platform::InstallSoundSystem(nullptr);
  }

  struct Result {
    int saved = -1, voice = -1, volume = -1, pass = -1, returned = -1;
    std::string text, path;
  };
  Result Fetch() {
    Result r;
    char* text = nullptr;
    char* path = nullptr;
    r.returned = get_(&r.saved, &text, &r.voice, &r.volume, &path, &r.pass);
    r.text = text != nullptr ? text : "(null)";
    r.path = path != nullptr ? path : "(null)";
    return r;
  }
  // The ids of the message boxes shown so far.
  std::vector<unsigned> Messages(const vtr::platform::HeadlessSession& session) const {
    std::vector<unsigned> ids;
    for (const auto& box : session.message_boxes()) {
      for (unsigned id = 501; id <= 520; ++id) {
        if (vtr::core::MessageText(vtr::core::MessageLanguage::kJapanese, id) == box.text) {
          ids.push_back(id);
        }
      }
    }
    return ids;
  }

  vtr::platform::FakeSoundSystem sound_;
  vtr::platform::Module library_;
  W2sOpenWaveToKvxDlgFn* open_ = nullptr;
  W2sGetWaveToKvxDataFn* get_ = nullptr;
  W2sGetDllVersionFn* version_ = nullptr;
};

// That it exports nothing but its three entry points is the test Exports.Vtr_W2SDlg.so.
TEST_F(W2sDialogLibraryTest, DllVersionIsEmptyInAProgramWithoutAVersionRecord) {
  // The test program has no version record of its own.
  EXPECT_STREQ(version_(), "");
}

TEST_F(W2sDialogLibraryTest, ConfirmedDialogHandsTheScriptBackWithItsTag) {
  struct Case {
    const char* name;
    std::string script;
  };
  const std::vector<Case> cases = {{"without tag", kBody}, {"with tag", "KV#J" + kBody}};
  std::vector<std::string> returned;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vtr::platform::HeadlessSession session;
    session.user().Click(kIdOk);
    EXPECT_EQ(open_(1, "", c.script.c_str(), 4, 90, "/scripts/song.kvx", 77), kIdOk);
    const Result r = Fetch();
    EXPECT_TRUE(r.text.starts_with("KV#J")) << r.text;
    EXPECT_NE(r.text.find(kBody), std::string::npos) << r.text;
    EXPECT_EQ(r.saved, 1);
    EXPECT_EQ(r.returned, 1);
    EXPECT_EQ(r.voice, 4);
    EXPECT_EQ(r.volume, 90);
    EXPECT_EQ(r.path, "/scripts/song.kvx");
    EXPECT_EQ(r.pass, 77);
    EXPECT_TRUE(Messages(session).empty());
    EXPECT_TRUE(session.errors().empty());
    returned.push_back(r.text);
  }
  EXPECT_EQ(returned[0], returned[1]);
}

TEST_F(W2sDialogLibraryTest, QuestionsDecideWhatComesBack) {
  struct Case {
    const char* name;
    int close_with;  // the button pressed after the voice change
    int answer;      // to the question that follows
    int result;
    std::vector<unsigned> messages;
  };
  const std::vector<Case> cases = {
      {"OK, taken over", kIdOk, kIdYes, kIdOk, {518}},
      {"OK, not taken over", kIdOk, kIdNo, kIdCancel, {518}},
      {"Cancel, discarded", kIdCancel, kIdYes, kIdCancel, {516}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vtr::platform::HeadlessSession session;
    session.user().Select(143, 2).Click(c.close_with).Answer(c.answer);
    EXPECT_EQ(open_(1, nullptr, kBody.c_str(), 0, 100, nullptr, 0), c.result);
    EXPECT_EQ(Messages(session), c.messages);
    EXPECT_TRUE(session.errors().empty());
    if (c.result == kIdOk) {
      const Result r = Fetch();
      EXPECT_EQ(r.saved, 0);
      EXPECT_EQ(r.voice, 2);
      EXPECT_TRUE(r.text.starts_with("KV#JK2")) << r.text;
    }
  }
}

TEST_F(W2sDialogLibraryTest, RecordOpensTheWaveInputDialogOfTheLibrary) {
  vtr::platform::HeadlessSession session;
  // Cancel reaches dialog 146 (unchanged, it closes at once); OK then closes dialog 141.
  session.user().Click(162).Click(kIdCancel).Click(kIdOk);
  EXPECT_EQ(open_(1, "", kBody.c_str(), 0, 100, "", 0), kIdOk);
  EXPECT_TRUE(Messages(session).empty());
  EXPECT_TRUE(session.errors().empty());
  EXPECT_EQ(Fetch().saved, 1);
}

TEST_F(W2sDialogLibraryTest, PlaysThroughTheChipLibraryBesideIt) {
  vtr::platform::HeadlessSession session;
  session.user()
      .Click(132)
      .Do([&] { (void)sound_.Pump(32000); })  // the phrase ends and its end is posted
      .Click(kIdOk);
  EXPECT_EQ(open_(1, "", kBody.c_str(), 0, 100, "", 0), kIdOk);
  EXPECT_TRUE(Messages(session).empty());
  EXPECT_TRUE(session.errors().empty());
}

// Memory runs out inside every export: each answers with a failure result (nothing is thrown
// into the host), and the dialog runs as usual once memory is back.
TEST_F(W2sDialogLibraryTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  vtr::platform::HeadlessSession session;
  const std::string script = "KV#J" + kBody;
  int opened = 1234, fetched = 1234;
  const char* version = nullptr;
  {
    vtr::platform::testing::ScopedFailingAllocation failing;
    EXPECT_NO_THROW(opened = open_(1, "", script.c_str(), 4, 90, "/scripts/song.kvx", 77));
    int saved = -1, voice = -1, volume = -1, pass = -1;
    char* text = nullptr;
    char* path = nullptr;
    EXPECT_NO_THROW(fetched = get_(&saved, &text, &voice, &volume, &path, &pass));
    EXPECT_NO_THROW(version = version_());
  }
  EXPECT_EQ(opened, kIdCancel) << "a dialog that could not run counts as cancelled";
  EXPECT_EQ(fetched, 1);
  ASSERT_NE(version, nullptr);
  EXPECT_STREQ(version, "");
  session.user().Click(kIdOk);
  EXPECT_EQ(open_(1, "", script.c_str(), 4, 90, "/scripts/song.kvx", 77), kIdOk);
  EXPECT_NE(Fetch().text.find(kBody), std::string::npos);
  EXPECT_TRUE(Messages(session).empty());
}

}  // namespace
