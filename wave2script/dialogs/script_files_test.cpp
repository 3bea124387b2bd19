#include "wave2script/dialogs/script_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/module.h"
#include "platform/testing/temp_folder.h"
#include "platform/window/headless.h"
#include "scriptedit/file_filters.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/testing/fake_converter.h"
#include "scriptedit/testing/recording_presenter.h"

namespace vtr::w2s {
namespace {

using scriptedit::kResultBadExtension;
using scriptedit::kResultCancelled;
using scriptedit::kResultOpenFailed;
using scriptedit::kResultSaveFailed;
using scriptedit::kResultScriptTooLong;

const std::filesystem::path kFakeFolder = VTR_FAKE_PLUGIN_DIR;
const std::string kScript = "KV#J\x82\xA9\x82\xA0";     // かあ
const std::string kGenerated = "KV#J\x82\xA0\x82\xA2";  // あい
const std::string kFakeOutput = "ABCDEFGHIJKLMNOP";     // the fake plug-in's 16 bytes

// The record road as a scripted owner: remembers the wave files it was given.
class FakeRoad : public SpeechRoad {
 public:
  bool RunSpeechRoad(const std::string& wave_path, std::string* script) override {
    waves.push_back(wave_path);
    if (!confirms) return false;
    *script = kGenerated;
    return true;
  }
  bool confirms = true;
  std::vector<std::string> waves;
};

// One operation's surroundings: headless windows, the library's boxes recorded, a scratch
// folder, the fake converter plug-ins.
struct Scene {
  Scene() {
    InstallDialogMessages(&presenter, &owner_marker, "Vtr_W2SDlg");
    places.plugin_folder = kFakeFolder / "Plugin";
    EXPECT_TRUE(fake.LoadFile(kFakeFolder / "Plugin" / "VTR_fak.so")) << fake.error();
    fake.Find<FakeConfigureFunction>("Fake_Configure")(0, 16, 0);
  }
  ~Scene() { InstallDialogMessages(nullptr, nullptr, ""); }

  int owner_marker = 0;
  platform::HeadlessSession session;
  scriptedit::RecordingPresenter presenter;
  platform::testing::TempFolder folder;
  ScriptFilePlaces places;
  FakeRoad road;
  platform::Module fake;
};

struct OpenCase {
  const char* name;
  const char* given;    // path handed in; "" runs the Open dialog
  const char* chosen;   // the dialog's answer ("" cancels)
  std::string content;  // of the .kvx file, when one is written
  bool road_confirms;
  int result;
  std::vector<unsigned> messages;
  std::string text;  // afterwards ("old" unchanged)
  const char* path;  // afterwards: "" emptied, "=" the file, "old" unchanged
  bool road_ran;
};

TEST(ScriptFilesTest, OpenReadsScriptsAndSendsWavesDownTheRoad) {
  const std::string full(32000, 'a');
  // clang-format off
  const std::vector<OpenCase> cases = {
      {"given script", "a.kvx", "", kScript, true, 0, {}, kScript, "=", false},
      {"given script of 32001 bytes", "a.KVX", "", full + "a", true, kResultScriptTooLong,
       {511}, "old", "old", false},
      {"given missing script", "missing.kvx", "", "", true, kResultOpenFailed, {506}, "old",
       "old", false},
      {"given text file", "a.txt", "", "", true, kResultBadExtension, {505}, "old", "old",
       false},
      // The wave test ignores case here.
      {"given wave in capitals", "take.WAV", "", "", true, 0, {}, kGenerated, "", true},
      {"given wave, road cancelled", "take.wav", "", "", false, kResultCancelled, {}, "", "old",
       true},
      {"chosen script", "", "b.kvx", kScript, true, 0, {}, kScript, "=", false},
      {"chosen wave", "", "b.Wav", "", true, 0, {}, kGenerated, "", true},
      {"chosen text file", "", "b.TXT", "", true, kResultBadExtension, {505}, "old", "old",
       false},
      {"dialog cancelled", "", "", "", true, kResultCancelled, {}, "", "old", false},
  };
  // clang-format on
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.road.confirms = c.road_confirms;
    const std::string file = *c.given != 0 ? c.given : c.chosen;
    if (!c.content.empty()) scene.folder.Write(file, c.content);
    if (*c.given == 0) {
      scene.session.user().ChooseFile(*c.chosen != 0 ? scene.folder.File(c.chosen) : "");
    }
    std::string path = *c.given != 0 ? scene.folder.File(c.given) : "";
    const std::string path_before = path;
    std::string text = "old";
    EXPECT_EQ(OpenScriptOrWave(path, text, &scene.road, scene.places), c.result);
    EXPECT_EQ(scene.presenter.shown, c.messages);
    EXPECT_EQ(text, c.text);
    if (std::string(c.path) == "=") {
      EXPECT_EQ(path, scene.folder.File(file));
    } else if (std::string(c.path) == "old") {
      EXPECT_EQ(path, path_before);
    } else {
      EXPECT_EQ(path, "");
    }
    EXPECT_EQ(scene.road.waves.size(), c.road_ran ? 1u : 0u);
    if (c.road_ran && !scene.road.waves.empty()) {
      EXPECT_EQ(scene.road.waves[0], scene.folder.File(file));
    }
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(ScriptFilesTest, OpenDialogOffersScriptsAndWaves) {
  Scene scene;
  scene.session.user().ChooseFile("");
  std::string path, text;
  EXPECT_EQ(OpenScriptOrWave(path, text, &scene.road, scene.places), kResultCancelled);
  ASSERT_EQ(scene.session.file_dialogs().size(), 1u);
  EXPECT_FALSE(scene.session.file_dialogs()[0].save);
  EXPECT_EQ(scriptedit::FilterString(scene.session.file_dialogs()[0].filters),
            "Kelvox File (*.kvx)|*.kvx|音声ファイル (*.wav)|*.wav||");
}

TEST(ScriptFilesTest, OpenWithoutARoadCancelsTheWave) {
  Scene scene;
  std::string path = scene.folder.File("take.wav");
  std::string text = "old";
  EXPECT_EQ(OpenScriptOrWave(path, text, nullptr, scene.places), kResultCancelled);
  EXPECT_EQ(text, "");
}

struct SaveCase {
  const char* name;
  bool ask;
  const char* existing;  // a file there before ("" none)
  bool read_only;
  const char* chosen;  // dialog answer ("" cancels); unused without the dialog
  int filter_index;
  std::vector<int> answers;
  int result;
  bool declined;
  std::vector<unsigned> messages;
  std::vector<std::pair<std::string, std::string>> files;  // afterwards
  const char* path;  // afterwards, name in the folder ("" unchanged)
};

TEST(ScriptFilesTest, SaveWritesInPlaceOrThroughTheDialog) {
  // clang-format off
  const std::vector<SaveCase> cases = {
      {"in place", false, "", false, "", 1, {}, 0, false, {}, {{"a.kvx", kScript}}, ""},
      {"in place over a file", false, "a.kvx", false, "", 1, {}, 0, false, {},
       {{"a.kvx", kScript}}, ""},
      // No overwrite question without the dialog; a read-only file stays.
      {"in place, read-only", false, "a.kvx", true, "", 1, {}, kResultSaveFailed, false, {507},
       {{"a.kvx", "old"}}, ""},
      {"dialog, script filter", true, "", false, "song.txt", 1, {}, 0, false, {},
       {{"song.kvx", kScript}}, "song.kvx"},
      {"dialog cancelled", true, "", false, "", 1, {}, kResultCancelled, false, {}, {}, ""},
      {"overwrite confirmed", true, "song.kvx", false, "song.kvx", 1, {6}, 0, false, {508},
       {{"song.kvx", kScript}}, "song.kvx"},
      // A declined overwrite comes back as done, told apart by the flag.
      {"overwrite declined", true, "song.kvx", false, "song.kvx", 1, {7}, 0, true, {508},
       {{"song.kvx", "old"}}, ""},
      {"read-only target declined", true, "song.kvx", true, "song.kvx", 1, {6}, 0, true,
       {508, 507}, {{"song.kvx", "old"}}, ""},
      {"plug-in export", true, "", false, "a", 2, {}, 0, false, {},
       {{"a.fak", kFakeOutput}, {"a.kvx", kScript}}, "a.kvx"},
  };
  // clang-format on
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.presenter.answers.assign(c.answers.begin(), c.answers.end());
    if (*c.existing != 0) {
      scene.folder.Write(c.existing, "old");
      if (c.read_only) {
        std::filesystem::permissions(scene.folder.File(c.existing),
                                     std::filesystem::perms::owner_read);
      }
    }
    if (c.ask) {
      scene.session.user().ChooseFile(*c.chosen != 0 ? scene.folder.File(c.chosen) : "",
                                      c.filter_index);
    }
    std::string path = c.ask ? "" : scene.folder.File("a.kvx");
    const std::string path_before = path;
    bool declined = !c.declined;
    EXPECT_EQ(SaveScript(path, kScript, c.ask, scene.places, &declined), c.result);
    EXPECT_EQ(declined, c.declined);
    EXPECT_EQ(scene.presenter.shown, c.messages);
    for (const auto& [name, content] : c.files) EXPECT_EQ(scene.folder.Read(name), content) << name;
    EXPECT_EQ(path, *c.path != 0 ? scene.folder.File(c.path) : path_before);
    if (c.read_only) {
      std::filesystem::permissions(scene.folder.File(c.existing), std::filesystem::perms::all);
    }
  }
}

TEST(ScriptFilesTest, SaveOffersTheKanaPluginsAndRefusesLongScriptsFirst) {
  {
    Scene scene;
    scene.session.user().ChooseFile("");
    std::string path;
    EXPECT_EQ(SaveScript(path, kScript, true, scene.places), kResultCancelled);
    ASSERT_EQ(scene.session.file_dialogs().size(), 1u);
    const std::string filters = scriptedit::FilterString(scene.session.file_dialogs()[0].filters);
    EXPECT_TRUE(filters.starts_with("Kelvox File (*.kvx)|*.kvx|Fake Files (*.fak)|*.fak|"))
        << filters;
  }
  for (bool ask : {false, true}) {
    Scene scene;
    std::string path = scene.folder.File("a.kvx");
    EXPECT_EQ(SaveScript(path, "KV#J" + std::string(31997, 'a'), ask, scene.places),
              kResultScriptTooLong);
    EXPECT_EQ(scene.presenter.shown, std::vector<unsigned>{511});
    EXPECT_TRUE(scene.session.file_dialogs().empty());
    EXPECT_FALSE(scene.folder.Has("a.kvx"));
  }
}

}  // namespace
}  // namespace vtr::w2s
