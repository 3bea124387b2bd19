#include "scriptedit/file_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::scriptedit {
namespace {

TEST(FileFiltersTest, WithExtensionReplacesOnlyWhatFollowsTheLastDotOfTheName) {
  struct Case {
    const char* path;
    const char* extension;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"song.t", "kvx", "song.kvx"},
      {"song", "kvx", "song.kvx"},
      {"song.txt", "kvx", "song.kvx"},
      {"a.ab", "kvx", "a.kvx"},
      {"song.kvx", "kvx", "song.kvx"},
      {"song.KVX", "kvx", "song.KVX"},
      {"song.kvxx", "kvx", "song.kvx"},
      {"song.tar.gz", "kvx", "song.tar.kvx"},
      {"dir.x/song", "kvx", "dir.x/song.kvx"},
      {"/home/u/a.kvx", "qrl", "/home/u/a.qrl"},
      {"a.QRL", "qrl", "a.QRL"},
      {"a", "longname", "a.longname"},
      {"a.lon", "longname", "a.longname"},
      {"notes.kvx", "txt", "notes.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithExtension(c.path, c.extension), c.expected) << c.path << " " << c.extension;
  }
}

TEST(FileFiltersTest, EndsWithExtensionComparesTheLastCharactersWithoutCase) {
  struct Case {
    const char* path;
    const char* extension;
    bool expected;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"a.kvx", "kvx", true},   {"A.KVX", "kvx", true},  {".kvx", "kvx", true},
      {"akvx", "kvx", false},   {"a.txt", "kvx", false}, {"kvx", "kvx", false},
      {"a.kvx.bak", "kvx", false}, {"dir/b.TxT", "txt", true}, {"", "txt", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(EndsWithExtension(c.path, c.extension), c.expected) << c.path;
  }
}

TEST(FileFiltersTest, FilterStringJoinsTheFiltersTheClassicWay) {
  struct Case {
    std::vector<platform::FileFilter> filters;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{kScriptFilter}, "Kelvox File (*.kvx)|*.kvx||"},
      {{kScriptFilter, kWaveFilter}, "Kelvox File (*.kvx)|*.kvx|音声ファイル (*.wav)|*.wav||"},
      {{kScriptFilter, kTextFilter, PluginFilter("KORU Files", "qrl")},
       "Kelvox File (*.kvx)|*.kvx|Text file (*.txt)|*.txt|KORU Files (*.qrl)|*.qrl||"},
      {{PluginFilter("a|b", "x")}, "a b (*.x)|*.x||"},
  };
  for (const Case& c : cases) EXPECT_EQ(FilterString(c.filters), c.expected);
}

TEST(FileFiltersTest, ExtensionOfHasNoDot) {
  EXPECT_EQ(ExtensionOf("a.b/song.kvx"), "kvx");
  EXPECT_EQ(ExtensionOf("a.b/song"), "");
  EXPECT_EQ(ExtensionOf("song."), "");
}

}  // namespace
}  // namespace vtr::scriptedit
