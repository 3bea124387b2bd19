// End to end: a script saved through the KORU filter of the real VTR_qrl plug-in in the
// program folder, on the headless window layer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/play_time.h"
#include "platform/testing/temp_folder.h"
#include "platform/window/headless.h"
#include "plugins/qrl/koru_writer.h"
#include "scriptedit/convert_options.h"
#include "scriptedit/file_filters.h"
#include "scriptedit/result_codes.h"
#include "scriptedit/script_file_io.h"
#include "scriptedit/testing/recording_presenter.h"

namespace vtr::scriptedit {
namespace {

TEST(ScriptFileIOPluginTest, SavesAKoruFileWithThePlayTimeOfTheScript) {
  struct Case {
    const char* name;
    core::ScriptLanguage language;
    std::string script;  // as saved
    std::string sent;    // as the plug-in receives it
    int format;          // under this format id
    const char* filter;  // the plug-in's filter
  };
  const char* const kKoru = "Kelvox File (*.kvx)|*.kvx|KORU Files (*.qrl)|*.qrl||";
  const std::string kana = "KV#J\x82\xA0\x82\xA2\x82\xA4\x81\x44";  // あいう.
  const std::vector<Case> cases = {
      {"kana", core::ScriptLanguage::kJapanese, kana, kana, kVtrFormatKvJ, kKoru},
      {"romaji goes out as kana", core::ScriptLanguage::kRomaji, "KV#Gaiu.",
       "KV#J\x82\xA0\x82\xA2\x82\xA4.", kVtrFormatKvJ, kKoru},
      // Pinyin goes out with UTF-8 text fields, which the plug-in takes.
      {"pinyin", core::ScriptLanguage::kChinese, "KV#Cni3hao3.", "KV#Cni3hao3.", kVtrFormatKvC,
       kKoru},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::HeadlessSession session;
    RecordingPresenter presenter;
    platform::testing::TempFolder folder;
    ScriptFileIO file_io;
    file_io.SetPluginFolder(std::filesystem::path(VTR_DIST_DIR) / "Plugin");
    // The KORU filter is the first plug-in filter.
    session.user().ChooseFile(folder.File("song"), 2);
    std::string path;
    const LocalDate today = Today();
    ASSERT_EQ(file_io.SaveScriptAs(path, c.script, c.language, ""), kResultDone);
    EXPECT_TRUE(presenter.shown.empty());
    EXPECT_EQ(FilterString(session.file_dialogs().at(0).filters), c.filter);
    EXPECT_EQ(path, folder.File("song.kvx"));
    EXPECT_EQ(folder.Read("song.kvx"), c.script);

    // The file the plug-in must have written: the script's own play time, the same options.
    convert::KvjConverter kana_converter;
    convert::KvcConverter pinyin_converter;
    convert::ScriptToEventConverter& converter =
        c.format == kVtrFormatKvC ? static_cast<convert::ScriptToEventConverter&>(pinyin_converter)
                                  : kana_converter;
    int play_ms = 0;
    ASSERT_EQ(convert::CountPlayTime(converter, c.sent.data(), static_cast<int32_t>(c.sent.size()),
                                     play_ms),
              convert::PlayTimeCode::kOk);
    EXPECT_GT(play_ms, 0);
    ConvertOptions options{};
    WriteOptionsTitle(reinterpret_cast<unsigned char*>(&options), "song");
    ASSERT_EQ(BuildConvertOptions(reinterpret_cast<unsigned char*>(&options), c.format, c.sent,
                                  nullptr, today),
              1);
    if (c.format == kVtrFormatKvC) options.text_coding = kOptionsChineseCoding;
    qrl::KoruWriter writer;
    writer.Prepare(c.sent, *qrl::FindScriptLanguage(c.format), options);
    writer.SetTimes(0, play_ms, play_ms + 40);
    const std::vector<uint8_t> expected = writer.Build();
    const std::string written = folder.Read("song.qrl");
    EXPECT_EQ(written, std::string(expected.begin(), expected.end()));
  }
}

}  // namespace
}  // namespace vtr::scriptedit
