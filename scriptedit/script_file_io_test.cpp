#include "scriptedit/script_file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/current_directory.h"
#include "platform/module.h"
#include "platform/testing/fifo_trap.h"
#include "platform/testing/other_user.h"
#include "platform/testing/temp_folder.h"
#include "platform/window/headless.h"
#include "scriptedit/convert_options.h"
#include "scriptedit/file_filters.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/testing/fake_converter.h"
#include "scriptedit/testing/recording_presenter.h"

namespace vtr::scriptedit {
namespace {

using core::ScriptLanguage;

const std::filesystem::path kFakeFolder = VTR_FAKE_PLUGIN_DIR;
const std::string kA = "\x82\xA0";  // あ in Shift-JIS
const std::string kScript = "KV#J" + kA + kA;

// One operation's surroundings: a headless window system, a recording presenter, a temporary
// folder and a ScriptFileIO that scans the fake plug-ins.
struct Scene {
  Scene() {
    file_io.SetPluginFolder(kFakeFolder / "Plugin");
    (void)file_io.SetOwner(&owner_marker, "Voxtrel");
    EXPECT_TRUE(fake.LoadFile(kFakeFolder / "Plugin" / "VTR_fak.so")) << fake.error();
    configure = fake.Find<FakeConfigureFunction>("Fake_Configure");
    record = fake.Find<FakeRecordFunction>("Fake_Record");
    configure(0, 16, 0);
  }
  std::string FilterText(size_t dialog) const {
    return FilterString(session.file_dialogs().at(dialog).filters);
  }

  int owner_marker = 0;
  platform::HeadlessSession session;
  RecordingPresenter presenter;
  platform::testing::TempFolder folder;
  ScriptFileIO file_io;
  platform::Module fake;  // keeps the host's instance of the fake and its record alive
  FakeConfigureFunction* configure = nullptr;
  FakeRecordFunction* record = nullptr;
};

struct OpenCase {
  const char* name;
  ScriptLanguage language;
  bool offer_other_types;
  const char* given;    // path handed in; "" runs the dialog
  const char* chosen;   // the dialog's answer ("" cancels)
  std::string content;  // of the file named by `given` or `chosen`
  int result;
  std::vector<unsigned> messages;
  std::string text;  // text afterwards
  bool wave;         // the chosen file went to the wave path
};

TEST(ScriptFileIOTest, OpenReadsScriptsByTheExtensionRules) {
  const std::string full(32000, 'a');
  // clang-format off
  const std::vector<OpenCase> cases = {
      {"32000 bytes open", ScriptLanguage::kJapanese, false, "a.kvx", "", full, 0, {}, full, false},
      {"32001 bytes refused", ScriptLanguage::kJapanese, false, "a.kvx", "", full + "a",
       kResultScriptTooLong, {511}, "old", false},
      {"read up to a NUL", ScriptLanguage::kJapanese, false, "a.KVX", "",
       std::string("KV#J\0tail", 9), 0, {}, "KV#J", false},
      {"text file in the edit dialog", ScriptLanguage::kJapanese, false, "a.txt", "", "x",
       kResultBadExtension, {505}, "old", false},
      {"missing file", ScriptLanguage::kJapanese, false, "missing.kvx", "", "",
       kResultOpenFailed, {506}, "old", false},
      {"Chinese main window takes only text files", ScriptLanguage::kChinese, true, "a.kvx", "",
       "KV#Cma1", kResultOpenFailed, {506}, "old", false},
      {"Chinese main window text file", ScriptLanguage::kChinese, true, "a.TXT", "", "KV#Cma1", 0,
       {}, "KV#Cma1", false},
      {"dialog: script", ScriptLanguage::kJapanese, false, "", "b.kvx", kScript, 0, {}, kScript,
       false},
      {"dialog: text file in the edit dialog", ScriptLanguage::kJapanese, false, "", "a.txt", "x",
       kResultBadExtension, {505}, "old", false},
      {"dialog: wave file", ScriptLanguage::kJapanese, true, "", "x.wav", "RIFF", 0, {}, "old",
       true},
      {"dialog: upper-case wave is no wave", ScriptLanguage::kJapanese, true, "", "x.WAV", "RIFF",
       kResultBadExtension, {505}, "old", false},
      {"dialog: Korean main window text file is refused", ScriptLanguage::kKorean, true, "",
       "k.txt", "KV#K", kResultBadExtension, {505}, "old", false},
      {"dialog: Chinese main window text file", ScriptLanguage::kChinese, true, "", "c.txt",
       "KV#Cma1", 0, {}, "KV#Cma1", false},
      {"dialog: Chinese edit dialog text file", ScriptLanguage::kChinese, false, "", "c.txt",
       "KV#Cma1", kResultBadExtension, {505}, "old", false},
      {"dialog: cancelled", ScriptLanguage::kJapanese, false, "", "", "", kResultCancelled, {}, "",
       false},
  };
  // clang-format on
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    const std::string file_name = *c.given != 0 ? c.given : c.chosen;
    if (!file_name.empty() && !c.content.empty()) scene.folder.Write(file_name, c.content);
    std::string path = *c.given != 0 ? scene.folder.File(c.given) : "";
    const std::string path_before = path;
    if (*c.given == 0) {
      scene.session.user().ChooseFile(*c.chosen != 0 ? scene.folder.File(c.chosen) : "");
    }
    std::string text = "old";
    std::string wave;
    EXPECT_EQ(scene.file_io.OpenScriptFile(path, text, c.language, c.offer_other_types, &wave),
              c.result);
    EXPECT_EQ(scene.presenter.shown, c.messages);
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(wave, c.wave ? scene.folder.File(c.chosen) : "");
    const bool read = c.result == 0 && !c.wave;
    EXPECT_EQ(path, read ? scene.folder.File(file_name) : path_before);
    EXPECT_EQ(scene.session.file_dialogs().size(), *c.given == 0 ? 1u : 0u);
    EXPECT_TRUE(scene.session.errors().empty());
    for (void* owner : scene.presenter.owners) EXPECT_EQ(owner, &scene.owner_marker);
  }
}

// A FIFO or a device under a script's name is refused with the open failure before anything
// opens it: a FIFO would keep the program waiting for a writer, a device might never end.
TEST(ScriptFileIOTest, OpenRefusesWhatIsNotARegularFileWithoutOpeningIt) {
  struct Case {
    const char* name;
    ScriptLanguage language;
    bool offer_other_types;
    bool dialog;          // chosen in the open dialog, else handed in
    const char* file;     // the name in the folder
    const char* made_as;  // "fifo", "folder", or a device the name links to
  };
  // clang-format off
  const Case cases[] = {
      {"a FIFO handed in", ScriptLanguage::kJapanese, true, false, "a.kvx", "fifo"},
      {"a FIFO chosen in the dialog", ScriptLanguage::kJapanese, false, true, "b.kvx", "fifo"},
      {"a Chinese text FIFO", ScriptLanguage::kChinese, true, false, "c.txt", "fifo"},
      {"a link to a device that never ends", ScriptLanguage::kKorean, false, false, "z.kvx",
       "/dev/zero"},
      {"a link to a device without content", ScriptLanguage::kJapanese, false, true, "n.kvx",
       "/dev/null"},
      {"a folder", ScriptLanguage::kJapanese, false, false, "d.kvx", "folder"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    const std::filesystem::path file = scene.folder.path() / c.file;
    std::optional<platform::testing::FifoTrap> trap;
    if (std::string(c.made_as) == "fifo") {
      trap.emplace(file);
      ASSERT_TRUE(trap->made());
    } else if (std::string(c.made_as) == "folder") {
      std::filesystem::create_directories(file);
    } else {
      std::filesystem::create_symlink(c.made_as, file);
    }
    std::string path = c.dialog ? "" : file.string();
    if (c.dialog) scene.session.user().ChooseFile(file.string());
    std::string text = "old";
    EXPECT_EQ(scene.file_io.OpenScriptFile(path, text, c.language, c.offer_other_types, nullptr),
              kResultOpenFailed);
    EXPECT_EQ(scene.presenter.shown, std::vector<unsigned>{506});
    EXPECT_EQ(text, "old");
    if (trap) {
      EXPECT_FALSE(trap->opened()) << "the FIFO was opened for reading";
    }
  }
}

TEST(ScriptFileIOTest, OpenDialogFiltersFollowTheCaller) {
  struct Case {
    const char* name;
    ScriptLanguage language;
    bool offer_other_types;
    bool wave_library;
    const char* filters;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"edit dialog", ScriptLanguage::kJapanese, false, true, "Kelvox File (*.kvx)|*.kvx||"},
      {"main window J with the wave library", ScriptLanguage::kJapanese, true, true,
       "Kelvox File (*.kvx)|*.kvx|音声ファイル (*.wav)|*.wav||"},
      {"main window J without it", ScriptLanguage::kJapanese, true, false,
       "Kelvox File (*.kvx)|*.kvx||"},
      {"main window K", ScriptLanguage::kKorean, true, true,
       "Kelvox File (*.kvx)|*.kvx|Text file (*.txt)|*.txt||"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    // The wave-to-script library is looked for in the program folder, whatever the current
    // directory is.
    scene.file_io.SetProgramFolder(c.wave_library ? kFakeFolder / "wave" : scene.folder.path());
    platform::ScopedCurrentDirectory elsewhere(c.wave_library ? scene.folder.path()
                                                              : kFakeFolder / "wave");
    ASSERT_TRUE(elsewhere.ok());
    scene.session.user().ChooseFile("");
    std::string path;
    std::string text;
    EXPECT_EQ(scene.file_io.OpenScriptFile(path, text, c.language, c.offer_other_types, nullptr),
              kResultCancelled);
    EXPECT_EQ(scene.FilterText(0), c.filters);
    EXPECT_FALSE(scene.session.file_dialogs()[0].save);
  }
}

struct SaveCase {
  const char* name;
  ScriptLanguage language;
  std::string script;
  std::string plain_text;
  std::vector<std::pair<const char*, const char*>> existing;  // name, content
  const char* read_only;  // name of an existing file made read-only, or ""
  const char* chosen;
  int filter_index;
  std::vector<int> answers;
  int result;
  std::vector<unsigned> messages;
  std::vector<std::pair<const char*, std::string>> after;  // every file of the folder
  const char* path_after;                                  // "" : unchanged
  int conversions;                                         // calls of the fake's converter
};

const std::string kFakeOutput = "ABCDEFGHIJKLMNOP";  // the fake's 16 bytes

TEST(ScriptFileIOTest, SaveWritesByTheChosenFilter) {
  // clang-format off
  const std::vector<SaveCase> cases = {
      {"script filter renames song.txt", ScriptLanguage::kJapanese, kScript, "", {}, "",
       "song.txt", 1, {}, 0, {}, {{"song.kvx", kScript}}, "song.kvx", 0},
      {"script filter appends to song", ScriptLanguage::kJapanese, kScript, "", {}, "", "song", 1,
       {}, 0, {}, {{"song.kvx", kScript}}, "song.kvx", 0},
      {"32000 bytes are saved", ScriptLanguage::kJapanese, std::string(32000, 'a'), "", {}, "",
       "big.kvx", 1, {}, 0, {}, {{"big.kvx", std::string(32000, 'a')}}, "big.kvx", 0},
      {"overwrite declined", ScriptLanguage::kJapanese, kScript, "", {{"song.kvx", "old"}}, "",
       "song.kvx", 1, {core::kIdNo}, kResultNotWritten, {508}, {{"song.kvx", "old"}}, "", 0},
      {"overwrite accepted", ScriptLanguage::kJapanese, kScript, "", {{"song.kvx", "old"}}, "",
       "song.kvx", 1, {core::kIdYes}, 0, {508}, {{"song.kvx", kScript}}, "song.kvx", 0},
      {"read-only target", ScriptLanguage::kJapanese, kScript, "", {{"song.kvx", "old"}},
       "song.kvx", "song.kvx", 1, {core::kIdYes}, kResultNotWritten, {508, 507},
       {{"song.kvx", "old"}}, "", 0},
      {"Chinese plain text", ScriptLanguage::kChinese, "KV#Cma1", "plain", {}, "", "notes", 2, {},
       0, {}, {{"notes.txt", "plain"}}, "notes.txt", 0},
      {"plug-in export writes both files", ScriptLanguage::kJapanese, kScript, "", {}, "", "a", 2,
       {}, 0, {}, {{"a.fak", kFakeOutput}, {"a.kvx", kScript}}, "a.kvx", 1},
      {"Chinese without plain text: plug-ins from index 2", ScriptLanguage::kChinese, "KV#Cma1",
       "", {}, "", "c.txt", 2, {}, 0, {}, {{"c.fak", kFakeOutput}, {"c.kvx", "KV#Cma1"}}, "c.kvx",
       1},
      {"Chinese with plain text: plug-ins from index 3", ScriptLanguage::kChinese, "KV#Cma1", "p",
       {}, "", "c", 3, {}, 0, {}, {{"c.fak", kFakeOutput}, {"c.kvx", "KV#Cma1"}}, "c.kvx", 1},
      {"only the script file exists: one question", ScriptLanguage::kJapanese, kScript, "",
       {{"a.kvx", "old"}}, "", "a.fak", 2, {core::kIdYes}, 0, {508},
       {{"a.fak", kFakeOutput}, {"a.kvx", kScript}}, "a.kvx", 1},
      {"export declined still converts", ScriptLanguage::kJapanese, kScript, "",
       {{"a.kvx", "old"}}, "", "a.fak", 2, {core::kIdNo}, kResultNotWritten, {508},
       {{"a.kvx", "old"}}, "", 1},
      {"export to a read-only script file", ScriptLanguage::kJapanese, kScript, "",
       {{"a.kvx", "old"}, {"a.fak", "old output"}}, "a.kvx", "a.fak", 2, {core::kIdYes},
       kResultNotWritten, {508, 507}, {{"a.fak", "old output"}, {"a.kvx", "old"}}, "", 1},
      {"long extension: companion derived once", ScriptLanguage::kJapanese, kScript, "",
       {{"b.kvx", "old"}}, "", "b.lon", 3, {core::kIdNo}, kResultNotWritten, {508},
       {{"b.kvx", "old"}}, "", 0},
      {"unknown filter index saves a script", ScriptLanguage::kJapanese, kScript, "", {}, "",
       "u.fak", 9, {}, 0, {}, {{"u.kvx", kScript}}, "u.kvx", 0},
  };
  // clang-format on
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    for (const auto& [name, content] : c.existing) scene.folder.Write(name, content);
    if (*c.read_only != 0) {
      std::filesystem::permissions(
          scene.folder.path() / c.read_only,
          std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    }
    scene.presenter.answers.assign(c.answers.begin(), c.answers.end());
    scene.session.user().ChooseFile(scene.folder.File(c.chosen), c.filter_index);
    std::string path = scene.folder.File("proposed.kvx");
    EXPECT_EQ(scene.file_io.SaveScriptAs(path, c.script, c.language, c.plain_text), c.result);
    EXPECT_EQ(scene.presenter.shown, c.messages);
    std::vector<std::string> names;
    for (const auto& [name, content] : c.after) {
      names.push_back(name);
      EXPECT_EQ(scene.folder.Read(name), content) << name;
    }
    EXPECT_EQ(scene.folder.Names(), names);
    EXPECT_EQ(path, scene.folder.File(*c.path_after != 0 ? c.path_after : "proposed.kvx"));
    EXPECT_EQ(scene.record()->calls, c.conversions);
    EXPECT_EQ(scene.session.file_dialogs().at(0).file_name, scene.folder.File("proposed.kvx"));
    EXPECT_TRUE(scene.session.file_dialogs().at(0).save);
    EXPECT_TRUE(scene.session.errors().empty());
  }
}

TEST(ScriptFileIOTest, SaveFiltersListThePluginsForTheLanguage) {
  struct Case {
    ScriptLanguage language;
    const char* plain_text;
    std::string filters;
    int info_format;
  };
  const std::string plugins =
      "Fake Files (*.fak)|*.fak|"
      "Long   Description Files That Fill Every Byte Of T (*.longname)|*.longname|"
      "Lower Files (*.LOWER)|*.LOWER||";
  const std::vector<Case> cases = {
      {ScriptLanguage::kJapanese, "ignored", "Kelvox File (*.kvx)|*.kvx|" + plugins, 0x52100000},
      {ScriptLanguage::kKorean, "", "Kelvox File (*.kvx)|*.kvx|" + plugins, 0x53100000},
      // Romaji scripts are offered the kana formats.
      {ScriptLanguage::kRomaji, "", "Kelvox File (*.kvx)|*.kvx|" + plugins, 0x52100000},
      {ScriptLanguage::kChinese, "", "Kelvox File (*.kvx)|*.kvx|" + plugins, 0x55100000},
      {ScriptLanguage::kChinese, "p",
       "Kelvox File (*.kvx)|*.kvx|Text file (*.txt)|*.txt|" + plugins, 0x55100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<uint32_t>(c.language));
    Scene scene;
    scene.session.user().ChooseFile("");
    std::string path;
    EXPECT_EQ(scene.file_io.SaveScriptAs(path, kScript, c.language, c.plain_text),
              kResultCancelled);
    EXPECT_EQ(scene.FilterText(0), c.filters);
    EXPECT_EQ(scene.record()->info_format, c.info_format);
  }
}

TEST(ScriptFileIOTest, SaveRefusesLongScriptsBeforeAnyDialog) {
  Scene scene;
  std::string path;
  EXPECT_EQ(
      scene.file_io.SaveScriptAs(path, std::string(32001, 'a'), ScriptLanguage::kJapanese, ""),
      kResultScriptTooLong);
  EXPECT_EQ(scene.presenter.shown, std::vector<unsigned>{511});
  EXPECT_TRUE(scene.session.file_dialogs().empty());
}

TEST(ScriptFileIOTest, ExportDoublesTheBufferWhileThePluginAsksForMore) {
  struct Case {
    const char* name;
    int needs_more;
    int result;
    std::vector<unsigned> messages;
    size_t calls;
  };
  const size_t length = kScript.size();
  constexpr size_t kLimit = 1 << 20;
  // clang-format off
  const std::vector<Case> cases = {
      {"answered at once", 0, 0, {}, 1},
      {"twice -18", 2, 0, {}, 3},
      {"always -18 stops at the cap", 1 << 30, kResultConvertFailed, {507}, 0},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.configure(c.needs_more, 16, 0);
    scene.file_io.SetConvertBufferLimit(kLimit);
    scene.session.user().ChooseFile(scene.folder.File("a"), 2);
    std::string path;
    EXPECT_EQ(scene.file_io.SaveScriptAs(path, kScript, ScriptLanguage::kJapanese, ""), c.result);
    EXPECT_EQ(scene.presenter.shown, c.messages);
    const FakeConverterRecord& record = *scene.record();
    std::vector<size_t> sizes(record.sizes, record.sizes + std::min(record.calls, kFakeMaxCalls));
    for (size_t i = 0; i < sizes.size(); ++i) {
      EXPECT_EQ(sizes[i], (length * 2 + 2000) << i) << i;
      EXPECT_LE(sizes[i], kLimit);
    }
    if (c.calls != 0) {
      EXPECT_EQ(static_cast<size_t>(record.calls), c.calls);
    } else {
      EXPECT_GT((length * 2 + 2000) << record.calls, kLimit);
      EXPECT_FALSE(scene.folder.Has("a.fak"));
      EXPECT_FALSE(scene.folder.Has("a.kvx"));
    }
  }
}

TEST(ScriptFileIOTest, ExportMapsThePluginFailures) {
  struct Case {
    const char* name;
    int answer;
    int status_word;
    int result;
    unsigned message;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"script too long", -17, kVtrStatusBadLength, kResultScriptTooLong, 511},
      {"play time not measured", -17, kVtrStatusNotMeasured, kResultConvertFailed, 507},
      {"play time too long", -17, kVtrStatusTooLong, kResultPlayTimeTooLong, 512},
      {"other status word", -17, 0x12345, kResultSaveFailed, 507},
      {"other failure", kVtrCnvBadOptions, 0, kResultSaveFailed, 507},
      {"no bytes", 0, 0, kResultConvertFailed, 507},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.configure(0, c.answer, c.status_word);
    scene.session.user().ChooseFile(scene.folder.File("a.fak"), 2);
    std::string path;
    EXPECT_EQ(scene.file_io.SaveScriptAs(path, kScript, ScriptLanguage::kJapanese, ""), c.result);
    EXPECT_EQ(scene.presenter.shown, std::vector<unsigned>{c.message});
    EXPECT_TRUE(scene.folder.Names().empty());
  }
}

TEST(ScriptFileIOTest, ExportHandsOverTheScriptAndTheOptionBlock) {
  struct Case {
    const char* name;
    ScriptLanguage language;
    std::string script;
    int format;
    unsigned char coding;
    std::string sent_prefix;
    std::string saved;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"kana", ScriptLanguage::kJapanese, kScript, 0x52100000, 0, kScript, kScript},
      {"hangul", ScriptLanguage::kKorean, "KV#K\xB0\xA1", 0x53100000, 0, "KV#K\xB0\xA1",
       "KV#K\xB0\xA1"},
      {"pinyin", ScriptLanguage::kChinese, "KV#Cma1", 0x55100000, kOptionsChineseCoding,
       "KV#Cma1", "KV#Cma1"},
      // Romaji goes out as kana and the script file keeps romaji.
      {"romaji", ScriptLanguage::kRomaji, "KV#Gka", 0x52100000, 0, "KV#J", "KV#Gka"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    scene.session.user().ChooseFile(scene.folder.File("My Song.t"), 2);
    std::string path;
    const LocalDate before = Today();
    ASSERT_EQ(scene.file_io.SaveScriptAs(path, c.script, c.language, ""), 0);
    const LocalDate after = Today();
    const FakeConverterRecord& record = *scene.record();
    EXPECT_EQ(record.convert_format, c.format);
    const std::string sent(record.script, record.script_length);
    EXPECT_EQ(sent.substr(0, c.sent_prefix.size()), c.sent_prefix);
    const unsigned char* options = record.options;
    EXPECT_EQ(options[0], 0);
    EXPECT_EQ(options[1], c.coding);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(options) + kOptionsTitleOffset), "My Song");
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", after.year, after.month, after.day);
    char date_before[16];
    std::snprintf(date_before, sizeof date_before, "%04d%02d%02d", before.year, before.month,
                  before.day);
    const std::string written(reinterpret_cast<const char*>(options) + kOptionsDateOffset);
    EXPECT_TRUE(written == date || written == date_before) << written;
    EXPECT_EQ(scene.folder.Read("My Song.fak"), kFakeOutput);
    EXPECT_EQ(scene.folder.Read("My Song.kvx"), c.saved);
    EXPECT_EQ(path, scene.folder.File("My Song.kvx"));
  }
}

// The real writer, failing as a full disk does.
class FullDiskWriter : public platform::FileWriter {
 protected:
  size_t Write(std::FILE* file, std::string_view data) override {
    return platform::FileWriter::Write(file, data.substr(0, data.size() / 2));
  }
};

TEST(ScriptFileIOTest, AFailedWriteKeepsTheOldFile) {
  struct Case {
    const char* name;
    const char* chosen;
    int filter_index;
    int result;
    std::vector<std::pair<const char*, const char*>> files;  // before and after
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"script", "song.kvx", 1, kResultSaveFailed, {{"song.kvx", "old"}}},
      {"plug-in output", "a.fak", 2, kResultConvertFailed,
       {{"a.fak", "old output"}, {"a.kvx", "old"}}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scene scene;
    FullDiskWriter writer;
    scene.file_io.SetFileWriter(&writer);
    for (const auto& [name, content] : c.files) scene.folder.Write(name, content);
    scene.session.user().ChooseFile(scene.folder.File(c.chosen), c.filter_index);
    std::string path;
    EXPECT_EQ(scene.file_io.SaveScriptAs(path, kScript, ScriptLanguage::kJapanese, ""), c.result);
    EXPECT_EQ(scene.presenter.shown, (std::vector<unsigned>{508, 507}));
    std::vector<std::string> names;
    for (const auto& [name, content] : c.files) {
      names.push_back(name);
      EXPECT_EQ(scene.folder.Read(name), content);
    }
    EXPECT_EQ(scene.folder.Names(), names);
  }
}

// Saving onto a name that is a symbolic link asks as for any existing file, then replaces the
// file the link leads to; the link stays.
TEST(ScriptFileIOTest, SaveOverASymbolicLinkReplacesTheFileItLeadsTo) {
  Scene scene;
  std::filesystem::create_directories(scene.folder.path() / "scripts");
  scene.folder.Write("scripts/song.kvx", "KV#J" + std::string(1000, 'a'));
  std::filesystem::create_symlink("scripts/song.kvx", scene.folder.path() / "song.kvx");
  const std::string script = "KV#J" + std::string(2000, 'b');
  scene.session.user().ChooseFile(scene.folder.File("song.kvx")).Answer(core::kIdYes);
  std::string path;
  EXPECT_EQ(scene.file_io.SaveScriptAs(path, script, ScriptLanguage::kJapanese, ""), kResultDone);
  EXPECT_EQ(scene.presenter.shown, std::vector<unsigned>{508});
  EXPECT_TRUE(std::filesystem::is_symlink(scene.folder.path() / "song.kvx"));
  EXPECT_EQ(scene.folder.Read("scripts/song.kvx"), script);
  EXPECT_EQ(scene.folder.Names(), (std::vector<std::string>{"scripts", "song.kvx"}));
}

// A link another user planted under the chosen name in a shared folder such as /tmp is not
// written through: the save fails with 507 and the file it leads to stays as it was.
TEST(ScriptFileIOTest, SaveRefusesALinkAnotherUserPlanted) {
  VTR_SKIP_UNLESS_ROOT();
  Scene scene;
  platform::testing::ReachableFolder root;
  const std::filesystem::path tmp = root.Make("tmp", 01777);
  scene.folder.Write("precious.kvx", "KV#J" + std::string(1000, 'a'));
  const std::filesystem::path victim = scene.folder.path() / "precious.kvx";
  ASSERT_TRUE(platform::testing::AsOtherUser([&] {
    std::error_code error;
    std::filesystem::create_symlink(victim, tmp / "song.kvx", error);
    return !error;
  }));
  scene.session.user().ChooseFile((tmp / "song.kvx").string()).Answer(core::kIdYes);
  std::string path = "before";
  EXPECT_EQ(scene.file_io.SaveScriptAs(path, kScript, ScriptLanguage::kJapanese, ""),
            kResultSaveFailed);
  EXPECT_EQ(scene.presenter.shown, (std::vector<unsigned>{508, 507}));
  EXPECT_EQ(path, "before");
  EXPECT_EQ(scene.folder.Read("precious.kvx"), "KV#J" + std::string(1000, 'a'));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tmp), {}), 1);
}

TEST(ScriptFileIOTest, WriteFileRefusesEmptyBuffers) {
  Scene scene;
  const std::string target = scene.folder.File("out.bin");
  EXPECT_EQ(scene.file_io.WriteFile(target, nullptr, 4), 0);
  EXPECT_EQ(scene.file_io.WriteFile(target, "abcd", 0), 0);
  EXPECT_EQ(scene.file_io.WriteFile(target, "abcd", -1), 0);
  EXPECT_FALSE(scene.folder.Has("out.bin"));
  EXPECT_NE(scene.file_io.WriteFile(target, "abcd", 4), 0);
  EXPECT_EQ(scene.folder.Read("out.bin"), "abcd");
}

}  // namespace
}  // namespace vtr::scriptedit
