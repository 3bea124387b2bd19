#include "platform/window/internal/file_chooser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::platform::internal {
namespace {

TEST(FltkFilterTextTest, ShowsEachLabelOnceWithItsWildcard) {
  struct Case {
    const char* name;
    std::vector<FileFilter> filters;
    std::string expected;
  };
  // clang-format off
  const Case cases[] = {
      {"label ending in its pattern loses it, FLTK adds it back",
       {{"Kelvox File (*.kvx)", "*.kvx"}},
       "Kelvox File \t*.kvx\n"},
      {"one line per filter, in the caller's order",
       {{"Kelvox File (*.kvx)", "*.kvx"}, {"音声ファイル (*.wav)", "*.wav"}, {"Text file (*.txt)", "*.txt"}},
       "Kelvox File \t*.kvx\n音声ファイル \t*.wav\nText file \t*.txt\n"},
      {"no space before the pattern stays so", {{"Kelvox(*.kvx)", "*.kvx"}}, "Kelvox\t*.kvx\n"},
      {"spaces after the label go", {{"Kelvox File (*.kvx)  ", "*.kvx"}}, "Kelvox File \t*.kvx\n"},
      {"label without a pattern gets the space before FLTK's", {{"Kelvox", "*.kvx"}}, "Kelvox \t*.kvx\n"},
      {"label's pattern differing from the list still goes",
       {{"Scripts (*.kvx;*.txt)", "*.kvx;*.txt"}},
       "Scripts \t*.{kvx,txt}\n"},
      {"other parentheses become brackets, as FLTK reads the pattern from the first one",
       {{"Kana (old) (*.kna)", "*.kna"}, {"Script (Japanese)", "*.kvx"}},
       "Kana [old] \t*.kna\nScript [Japanese] \t*.kvx\n"},
      {"tabs and line breaks of a label become spaces", {{"A\tB\nC (*.x)", "*.x"}}, "A B C \t*.x\n"},
      {"label that is only a pattern keeps an empty name, so no line is dropped",
       {{"Kelvox File (*.kvx)", "*.kvx"}, {"(*.kna)", "*.kna"}, {"", "*.txt"}},
       "Kelvox File \t*.kvx\n\t*.kna\n\t*.txt\n"},
      {"patterns with spaces around them", {{"K", " *.kvx ; *.txt ;"}}, "K \t*.{kvx,txt}\n"},
      {"patterns that are not plain extensions are listed in braces",
       {{"Takes", "take?.wav;*.kvx"}},
       "Takes \t{take?.wav,*.kvx}\n"},
      {"every file", {{"All (*.*)", "*.*"}, {"Any", "*.kvx;*"}, {"None", ""}},
       "All \t*\nAny \t*\nNone \t*\n"},
      {"no filters", {}, ""},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FltkFilterText(c.filters), c.expected);
  }
}

TEST(ChooserStartTest, OpensInTheAskedFolderOrTheCurrentOne) {
  struct Case {
    const char* name;
    std::string folder;
    std::string file_name;
    std::string current;
    ChooserStart expected;
  };
  // clang-format off
  const Case cases[] = {
      {"nothing given: the current folder", "", "", "/home/u/work", {"/home/u/work", ""}},
      {"a bare name is proposed in the current folder", "", "song.kvx", "/home/u/work",
       {"/home/u/work", "/home/u/work/song.kvx"}},
      {"a bare name is proposed in the asked folder", "/data/songs", "song.kvx", "/home/u/work",
       {"/data/songs", "/data/songs/song.kvx"}},
      {"a name with its own folder opens there", "", "/data/songs/song.kvx", "/home/u/work",
       {"/data/songs", "/data/songs/song.kvx"}},
      {"the name's own folder wins over the asked one", "/data", "/data/songs/song.kvx", "/home/u/work",
       {"/data/songs", "/data/songs/song.kvx"}},
      {"relative folders are taken from the current one", "songs/../takes/", "a/song.kvx", "/home/u",
       {"/home/u/takes/a", "/home/u/takes/a/song.kvx"}},
      {"a name ending in a separator is a folder", "", "songs/", "/home/u", {"/home/u/songs", ""}},
      {"the root stays the root", "/", "", "/home/u", {"/", ""}},
      {"no current folder known", "", "", "", {"", ""}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FileDialogRequest request;
    request.save = true;
    request.folder = c.folder;
    request.file_name = c.file_name;
    const ChooserStart start = ChooserStartOf(request, c.current);
    EXPECT_EQ(start.folder, c.expected.folder);
    EXPECT_EQ(start.file, c.expected.file);
  }
}

}  // namespace
}  // namespace vtr::platform::internal
