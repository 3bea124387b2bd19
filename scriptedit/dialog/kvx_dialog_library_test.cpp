// The built library from the program folder, loaded by its system name and driven through its
// exports by a scripted user, the way the main program and other hosts call it.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/messages.h"
#include "platform/module.h"
#include "platform/sound/sound_system.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/testing/failing_allocation.h"
#include "platform/text.h"
#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "scriptedit/dialog/kvx_dialog_api.h"

namespace {

using vtr::platform::kIdCancel;
using vtr::platform::kIdNo;
using vtr::platform::kIdOk;
using vtr::platform::kIdYes;
using vtr::platform::ScriptedUser;

constexpr unsigned kJ = 0x2000000;
constexpr unsigned kG = 0x4000000;
constexpr unsigned kC = 0x5000000;
constexpr int kScriptBox = 2037;
constexpr int kOkButton = 1020;
constexpr int kNameBox = 2065;
constexpr int kVoiceList = 2046;

std::string Sj(std::string_view utf8) {
  return vtr::platform::FromUtf8(vtr::platform::Encoding::kShiftJis, utf8).text;
}

// The record keeps the system's field order; on this platform pointers take 8 bytes.
static_assert(offsetof(VtrKvxDllRecord, language) == 0);
static_assert(offsetof(VtrKvxDllRecord, script_text) == 8);
static_assert(offsetof(VtrKvxDllRecord, script_text_length) == 16);
static_assert(offsetof(VtrKvxDllRecord, script_name) == 24);
static_assert(offsetof(VtrKvxDllRecord, script_path) == 40);
static_assert(offsetof(VtrKvxDllRecord, out_text) == 56);
static_assert(offsetof(VtrKvxDllRecord, out_text_length) == 64);
static_assert(offsetof(VtrKvxDllRecord, out_name) == 72);
static_assert(offsetof(VtrKvxDllRecord, out_path) == 88);
static_assert(offsetof(VtrKvxDllRecord, out_path_length) == 96);

class KvxDialogLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vtr::platform::InstallSoundSystem(&sound_);
    ASSERT_TRUE(library_.Load(".\\Vtr_KvxDlg.dll", VTR_DIST_DIR)) << library_.error();
    open_ = library_.Find<VtrKvxDllOpenDlgFn>("VtrKvxDll_OpenDlg");
    get_ = library_.Find<VtrKvxDllGetDlgDataFn>("VtrKvxDll_GetDlgData");
    object_ = library_.Find<VtrKvxDllGetDlgObjFn>("VtrKvxDll_GetDlgObj");
    record_dialog_ = library_.Find<VtrKvxDllCtrlScriptEditDlgFn>("VtrKvxDll_CtrlScriptEditDlg");
    kelvox_ = library_.Find<VtrKvxDllCtrlKelvoxFn>("VtrKvxDll_CtrlKelvox");
    count_ = library_.Find<VtrKvxDllCntKelvoxFn>("VtrKvxDll_CntKelvox");
    for (void* entry : {reinterpret_cast<void*>(open_), reinterpret_cast<void*>(get_),
                        reinterpret_cast<void*>(object_), reinterpret_cast<void*>(record_dialog_),
                        reinterpret_cast<void*>(kelvox_), reinterpret_cast<void*>(count_)}) {
      ASSERT_NE(entry, nullptr) << library_.error();
    }
    scratch_ = std::filesystem::temp_directory_path() /
               ("vtr_kvxdlg_library_" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(scratch_);
  }
  void TearDown() override {
    library_.Free();
    vtr::platform::InstallSoundSystem(nullptr);
    std::filesystem::remove_all(scratch_);
  }

  std::vector<unsigned> Messages() const {
    std::vector<unsigned> ids;
    for (const auto& box : session_.message_boxes()) {
      for (unsigned id = 501; id <= 520; ++id) {
        if (vtr::core::MessageText(vtr::core::kBuildMessageLanguage, id) == box.text)
          ids.push_back(id);
      }
    }
    return ids;
  }

  const std::string emulator_ = std::string(VTR_DIST_DIR) + "/Qs5_EmuKmw5.dll";
  vtr::platform::HeadlessSession session_;
  vtr::platform::FakeSoundSystem sound_;
  vtr::platform::Module library_;
  std::filesystem::path scratch_;
  VtrKvxDllOpenDlgFn* open_ = nullptr;
  VtrKvxDllGetDlgDataFn* get_ = nullptr;
  VtrKvxDllGetDlgObjFn* object_ = nullptr;
  VtrKvxDllCtrlScriptEditDlgFn* record_dialog_ = nullptr;
  VtrKvxDllCtrlKelvoxFn* kelvox_ = nullptr;
  VtrKvxDllCntKelvoxFn* count_ = nullptr;
};

// That it exports nothing but its six entry points is the test Exports.Vtr_KvxDlg.so.
TEST_F(KvxDialogLibraryTest, GetDlgObjGivesTheOneDialogObject) {
  EXPECT_NE(object_(), nullptr);
  EXPECT_EQ(object_(), object_()) << "one dialog object";
}

TEST_F(KvxDialogLibraryTest, OpenDlgRoundTripAsTheMainProgramCallsIt) {
  struct Case {
    const char* why;
    unsigned language;
    const char* text;
    bool null_emulator;
    std::function<void(ScriptedUser&)> act;
    int result;
    std::string returned_text;
    int saved;
    std::vector<unsigned> messages;
  };
  const std::string body = "K0" + Sj("か");
  // clang-format off
  const Case cases[] = {
      {"Cancel", kJ, "KV#JK0\x82\xA9", false, [](ScriptedUser& u) { u.Click(kIdCancel); }, 2, "", 1, {}},
      {"OK unchanged", kJ, "KV#JK0\x82\xA9", false, [](ScriptedUser& u) { u.Click(kOkButton); }, 1,
       "KV#J" + body, 1, {}},
      {"edited, OK, Yes", kJ, "KV#JK0\x82\xA9", false,
       [](ScriptedUser& u) {
         u.Key(vtr::platform::kKeyEnd).Type(kScriptBox, "な").Click(kOkButton).Answer(kIdYes);
       },
       1, "KV#J" + body + Sj("な"), 0, {518}},
      {"edited, OK, No", kJ, "KV#JK0\x82\xA9", false,
       [](ScriptedUser& u) { u.Type(kScriptBox, "な").Click(kOkButton).Answer(kIdNo); }, 2, "", 0, {518}},
      {"no emulator: the player's message and the bare template", kJ, "KV#JK0\x82\xA9", true,
       [](ScriptedUser& u) { u.Answer(kIdOk).Click(kOkButton); }, 1, "KV#J" + body, 1, {501}},
      {"Chinese with no text", kC, nullptr, false, [](ScriptedUser& u) { u.Click(kIdCancel); }, 2, "", 1, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const size_t before = session_.message_boxes().size();
    c.act(session_.user());
    const int result = open_(1, c.text, c.text != nullptr ? "/tmp/a.kvx" : nullptr,
                             c.null_emulator ? nullptr : emulator_.c_str(), 80, c.language, 0);
    EXPECT_EQ(result, c.result);
    std::vector<unsigned> shown = Messages();
    shown.erase(shown.begin(),
                shown.begin() + static_cast<std::ptrdiff_t>(std::min(before, shown.size())));
    EXPECT_EQ(shown, c.messages);
    if (result == 1) {
      int saved = -1, voice = -1, volume = -1, reserved = -1;
      char* text = nullptr;
      char* path = nullptr;
      get_(&saved, &text, &path, &voice, &volume, &reserved);
      ASSERT_NE(text, nullptr);
      EXPECT_EQ(std::string(text), c.returned_text);
      EXPECT_STREQ(path, "/tmp/a.kvx");
      EXPECT_EQ(saved, c.saved);
      EXPECT_EQ(voice, 0);
      EXPECT_EQ(volume, 80);
      EXPECT_EQ(reserved, 0);
    }
  }
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
}

TEST_F(KvxDialogLibraryTest, OpenDlgAnswersOneForEveryEndButCancel) {
  // With no step left the session ends every loop and the dialog returns -1.
  EXPECT_EQ(open_(1, "KV#J\x82\xA9", "", emulator_.c_str(), 100, kJ, 0), 1);
  EXPECT_FALSE(session_.errors().empty());
}

TEST_F(KvxDialogLibraryTest, ARecordRunsTheDialogAndComesBackFilled) {
  struct Case {
    const char* why;
    std::function<void(ScriptedUser&)> act;
    int result;
    std::string text;
  };
  const std::string body = "K0" + Sj("か");
  // clang-format off
  const Case cases[] = {
      {"OK asks nothing and processes", [](ScriptedUser& u) { u.Click(kOkButton).Answer(kIdOk); }, 1,
       "KV#J" + body},
      {"Cancel still fills the record", [](ScriptedUser& u) { u.Click(kIdCancel); }, 2, "KV#J" + Sj("か")},
  };
  // clang-format on
  // A voice data block without its mark: one extended voice from byte 8.
  std::vector<unsigned char> voices(8, 0);
  voices.push_back(2);
  for (char c : std::string("Bell")) voices.push_back(static_cast<unsigned char>(c));
  voices.resize(8 + 17, 0);
  voices.push_back(0xFF);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string in_text = "KV#J" + Sj("か");
    VtrKvxDllRecord record{};
    record.language = kJ;
    record.script_text = in_text.c_str();
    record.script_name = "tune";
    record.script_path = "/tmp/tune.kvx";
    std::string caption, name;
    std::vector<std::string> entries;
    session_.user().Do([&] {
      // The dialog object's first base is the window layer's Dialog.
      auto* dialog = static_cast<vtr::platform::Dialog*>(object_());
      caption = dialog->text();
      name = dialog->Item(kNameBox)->IsShown() ? dialog->Item(kNameBox)->text() : "(hidden)";
      entries = dialog->Item<vtr::platform::ComboBox>(kVoiceList)->items();
    });
    c.act(session_.user());
    const int result = record_dialog_(&record, voices.data(), static_cast<int>(voices.size()),
                                      emulator_.c_str(), 0x181, 5);
    EXPECT_EQ(result, c.result);
    ASSERT_NE(record.out_text, nullptr);
    EXPECT_EQ(std::string(record.out_text, static_cast<size_t>(record.out_text_length)), c.text);
    EXPECT_EQ(std::string(record.out_name, static_cast<size_t>(record.out_name_length)), "tune");
    EXPECT_EQ(std::string(record.out_path, static_cast<size_t>(record.out_path_length)),
              "/tmp/tune.kvx");
    EXPECT_EQ(caption, "Kelvox Edit");
    EXPECT_EQ(name, "tune");
    ASSERT_EQ(entries.size(), 17u);
    EXPECT_EQ(entries[0], "Bell : X2");
  }
  EXPECT_TRUE(session_.errors().empty()) << session_.errors().front();
  EXPECT_EQ(record_dialog_(nullptr, nullptr, 0, nullptr, 0, 5), 2);
}

TEST_F(KvxDialogLibraryTest, CtrlKelvoxRunsOneEngineOperation) {
  struct Case {
    const char* why;
    unsigned language;
    std::string text;
    int op;
    int value_in;
    int result;
    std::string out;
    int value_out;
  };
  const std::string ka = Sj("か");
  // clang-format off
  const Case cases[] = {
      {"play text", kJ, "KV#J" + ka, 0, 0, 0, "KV#J" + ka, 0},
      {"romaji to kana", kG, "KV#Gka", 2, 0, 0, "KV#J" + ka, 0},
      {"kana to romaji", kJ, "KV#J" + ka, 3, 0, 0, "KV#Gka", 0},
      {"check and write back", kJ, "KV#J" + ka, 4, 1, 0, "KV#J" + ka, 1},
      {"set the voice", kJ, "KV#J" + ka, 5, 7, 0, "KV#JK7" + ka, 7},
      {"keep or insert the voice", kJ, "KV#J" + ka, 6, 2, 0, "KV#JK2" + ka, -1},
      {"read the voice", kJ, "KV#JK9" + ka, 7, 0, 0, "KV#JK9" + ka, 9},
      {"read a missing voice", kJ, "KV#J" + ka, 7, 5, static_cast<int>(0xF0000005), "KV#JK9" + ka, 0},
      {"the tag's language", kJ, "KV#K", 10, 0, 0, "KV#JK9" + ka, 3},
      {"a tag mismatch", kJ, "KV#G" + ka, 3, 0, static_cast<int>(0xF0000002), "KV#JK9" + ka, 0},
      {"op 11: nothing, the current output", kJ, "KV#J", 11, 4, 0, "KV#JK9" + ka, 4},
  };
  // clang-format on
  for (const Case& c : cases) {
    VtrKvxDllRecord record{};
    record.language = c.language;
    record.script_text = c.text.c_str();
    int value = c.value_in;
    EXPECT_EQ(kelvox_(&record, c.op, &value), c.result) << c.why;
    ASSERT_NE(record.out_text, nullptr) << c.why;
    EXPECT_EQ(std::string(record.out_text, static_cast<size_t>(record.out_text_length)), c.out)
        << c.why;
    EXPECT_EQ(value, c.value_out) << c.why;
  }
  VtrKvxDllRecord record{};
  record.language = kJ;
  record.script_text = "KV#J";
  EXPECT_EQ(kelvox_(&record, 7, nullptr), static_cast<int>(0xF0000005))
      << "a null value is not written";
}

TEST_F(KvxDialogLibraryTest, CntKelvoxMeasuresThePlayTime) {
  const std::string kana = "KV#J" + Sj("かきく");
  VtrKvxDllRecord j{};
  j.language = kJ;
  j.script_text = kana.c_str();
  const int ms = count_(&j);
  EXPECT_GT(ms, 0);
  struct Case {
    unsigned language;
    const char* text;
    int expected;  // -2: the kana script's time
  };
  const Case cases[] = {
      {kG, "KV#Gkakiku", -2},
      {kG, "KV#Jkakiku", -1},
      {0x6000000, "KV#Jkakiku", -1},
  };
  for (const Case& c : cases) {
    VtrKvxDllRecord record{};
    record.language = c.language;
    record.script_text = c.text;
    EXPECT_EQ(count_(&record), c.expected == -2 ? ms : c.expected) << c.text;
  }
  EXPECT_EQ(count_(nullptr), -1);
}

// Memory runs out inside every export in turn: each answers with a failure result (nothing is
// thrown into the host), and the library works again once memory is back.
TEST_F(KvxDialogLibraryTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  const std::string kana = "KV#J" + Sj("かきく");
  VtrKvxDllRecord record{};
  record.language = kJ;
  record.script_text = kana.c_str();
  int value = 0;
  struct Step {
    const char* name;
    std::function<int()> call;
    int result;  // with memory running out
    int again;   // then as usual; kPositive: any count above 0
  };
  constexpr int kPositive = 1000000;
  // clang-format off
  const Step steps[] = {
      {"the dialog object, built on first use", [&] { return object_() != nullptr ? 1 : 0; }, 0, 1},
      {"the dialog's data",
       [&] {
         int saved = -1, voice = -1, volume = -1, reserved = -1;
         char* text = nullptr;
         char* path = nullptr;
         get_(&saved, &text, &path, &voice, &volume, &reserved);
         return 0;
       },
       0, 0},
      {"an engine operation", [&] { return kelvox_(&record, 4, &value); },
       static_cast<int>(0xF0000001), 0},
      {"the play time", [&] { return count_(&record); }, -1, kPositive},
      {"the dialog", [&] { return open_(1, kana.c_str(), "", emulator_.c_str(), 100, kJ, 0); }, 2,
       -1},
      {"the dialog through a record",
       [&] { return record_dialog_(&record, nullptr, 0, emulator_.c_str(), 129, 5); }, 2, -1},
  };
  // clang-format on
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(vtr::platform::testing::CallWithoutMemory(step.call), step.result);
    if (step.again == -1) continue;  // the dialogs are not run again here
    const int again = step.call();
    if (step.again == kPositive) {
      EXPECT_GT(again, 0) << "the library did not recover";
    } else {
      EXPECT_EQ(again, step.again) << "the library did not recover";
    }
  }
  EXPECT_TRUE(session_.message_boxes().empty());
}

}  // namespace
