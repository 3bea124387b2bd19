#include "app/converter_runner.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "platform/paths.h"
#include "platform/testing/fifo_trap.h"

namespace vtr::app {
namespace {

TEST(FilterTest, KeepsWhatTheConverterReads) {
  struct Case {
    std::string in;
    int flag;
    int result;
    std::string out;
  };
  // clang-format off
  const Case cases[] = {
      {"ni3hao3!", 0, kFilterOk, "ni3hao3!"},
      {"ni3hao3!", 1, kFilterOk, "ni3hao3\xA1\xA3"},
      {"\xC4\xE3\xBA\xC3\xA3\xA1", 1, kFilterOk, "\xC4\xE3\xBA\xC3\xA1\xA3"},
      {"\xA3\xA1", 0, kFilterOk, "\xA3\xA1"},
      {"a*b:c", 0, kFilterOk, "abc"},
      {"\xA3\xAD" "1", 1, kFilterOk, "-1"},
      {"\xA3\xAD" "1", 0, kFilterOk, "\xA3\xAD" "1"},
      {std::string("\x01\x7F\x2A"), 0, kFilterNothingLeft, std::string("\x01\x7F\x2A")},
      {"\xA1\xA2x", 0, kFilterOk, "\xA1\xA2x"},      // kept punctuation
      {"\xA1\xA4x", 0, kFilterOk, "x"},              // other punctuation dropped
      {"\xA3\xBAx", 0, kFilterOk, "x"},              // dropped wide colon
      {"\xD7\xF9\xD7\xFA", 0, kFilterOk, "\xD7\xF9"},  // last row ends at F9
      {"\xA4\xA2x", 0, kFilterOk, "x"},              // kana row dropped
      {"\xC4" "a", 0, kFilterOk, "a"},               // lead without a trail
      {"a\xC4", 0, kFilterOk, "a"},                  // lone lead at the end
      {"\x80\xFF" "b", 0, kFilterOk, "b"},
  };
  // clang-format on
  for (const Case& c : cases) {
    std::string text = c.in;
    EXPECT_EQ(ConverterRunner::Filter(text, c.flag), c.result) << c.in;
    EXPECT_EQ(text, c.out) << c.in;
  }
}

// Writes a fake converter script into a fresh plug-in folder.
std::filesystem::path FakeConverter(const std::string& name, const std::string& body,
                                    bool executable = true) {
  std::filesystem::path folder = std::filesystem::path(VTR_TEST_BIN_DIR) / "fake_kvxcnv" / name;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  if (!body.empty()) {
    std::ofstream(folder / "KVXCNV") << "#!/bin/sh\n" << body;
    if (executable) {
      std::filesystem::permissions(folder / "KVXCNV", std::filesystem::perms::owner_all);
    }
  }
  return folder;
}

TEST(ConverterRunnerTest, ReadsTheBodyAfterTheHeader) {
  struct Case {
    std::string name;
    std::string script;
    bool executable;
    int result;
    std::string body;
  };
  const Case cases[] = {
      {"echo", "printf 'KV#C' > tmp.kvx; cat \"$1\" >> tmp.kvx\n", true, kRunOk, "ni3hao3"},
      {"nul", "printf 'KV#Cab\\000cd' > tmp.kvx\n", true, kRunOk, "ab"},
      {"short", "printf 'KV#' > tmp.kvx\n", true, kRunNoResult, ""},
      {"none", "exit 0\n", true, kRunNoResult, ""},
      {"failing", "printf 'KV#Cx' > tmp.kvx; exit 3\n", true, kRunNoResult, ""},
      {"slow", "printf 'KV#Cpart' > tmp.kvx; exec sleep 5\n", true, kRunNoResult, ""},
      {"missing", "", true, kRunNotStarted, ""},
      {"plain", "printf 'KV#Cx' > tmp.kvx\n", false, kRunNotStarted, ""},
  };
  for (const Case& c : cases) {
    ConverterRunner runner(FakeConverter(c.name, c.script, c.executable),
                           std::chrono::milliseconds(300));
    EXPECT_EQ(runner.Run("ni3hao3"), c.result) << c.name;
    EXPECT_EQ(runner.result(), c.body) << c.name;
  }
}

// The output is read only as far as a result can reach: a longer result is none, however long
// the file grew, while a zero byte within the bound still ends the result there.
TEST(ConverterRunnerTest, ReadsNoMoreOfTheOutputThanAResultMayHold) {
  struct Case {
    std::string name;
    std::string tail;  // shell writing the bytes after the header and "ab"
    int result;
    size_t body_size;
  };
  const auto as = [](size_t count) {
    return "head -c " + std::to_string(count) + " /dev/zero | tr '\\000' a >> tmp.kvx\n";
  };
  const Case cases[] = {
      {"longest", as(kMaxConverterResult - 2), kRunOk, kMaxConverterResult},
      {"one_more", as(kMaxConverterResult - 1), kRunNoResult, 0},
      {"runaway", as(16 * kMaxConverterResult), kRunNoResult, 0},
      {"zero_then_runaway", "printf '\\000' >> tmp.kvx\n" + as(16 * kMaxConverterResult), kRunOk,
       2},
  };
  for (const Case& c : cases) {
    ConverterRunner runner(FakeConverter("bound_" + c.name, "printf 'KV#Cab' > tmp.kvx\n" + c.tail),
                           std::chrono::seconds(20));
    EXPECT_EQ(runner.Run("ni3hao3"), c.result) << c.name;
    EXPECT_EQ(runner.result().size(), c.body_size) << c.name;
    EXPECT_EQ(runner.result().substr(0, 2), c.body_size > 0 ? "ab" : "") << c.name;
  }
}

// An output that is no regular file is never opened: a FIFO would keep the program waiting for a
// writer that is gone, a device might never end.
TEST(ConverterRunnerTest, AnOutputThatIsNoRegularFileIsNotRead) {
  const std::filesystem::path fifo =
      std::filesystem::path(VTR_TEST_BIN_DIR) / "fake_kvxcnv_output.fifo";
  std::filesystem::remove(fifo);
  platform::testing::FifoTrap trap(fifo);
  ASSERT_TRUE(trap.made());
  ConverterRunner runner(FakeConverter("fifo", "ln -s '" + fifo.string() + "' tmp.kvx\n"),
                         std::chrono::milliseconds(2000));
  EXPECT_EQ(runner.Run("ni3hao3"), kRunNoResult);
  EXPECT_EQ(runner.result(), "");
  EXPECT_FALSE(trap.opened());
}

TEST(ConverterRunnerTest, FailedRunClearsThePreviousResultAndLeavesNoFiles) {
  const std::filesystem::path folder =
      FakeConverter("once", "printf 'KV#Cok' > tmp.kvx; rm \"$0\"\n");
  ConverterRunner runner(folder, std::chrono::milliseconds(2000));
  ASSERT_EQ(runner.Run("a"), kRunOk);
  EXPECT_EQ(runner.result(), "ok");
  EXPECT_EQ(runner.Run("a"), kRunNotStarted);
  EXPECT_EQ(runner.result(), "");
  EXPECT_FALSE(std::filesystem::exists(folder / "tmp.kvx"));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "tmp.kvx"));
}

// The user's text waits for the converter in a folder no other user can look into; the folder
// goes after the run, and so does anything the converter left running.
TEST(ConverterRunnerTest, WorksInAPrivateFolderThatGoesWithWhatTheConverterStarted) {
  const std::filesystem::path records =
      std::filesystem::path(VTR_TEST_BIN_DIR) / "fake_kvxcnv_records";
  std::filesystem::remove_all(records);
  std::filesystem::create_directories(records);
  const std::string r = "'" + records.string() + "'";
  const std::filesystem::path folder = FakeConverter(
      "private", "pwd > " + r + "/folder\nstat -c %a . > " + r + "/mode\nsleep 30 &\necho $! > " +
                     r + "/child\nprintf 'KV#Cni3' > tmp.kvx\n");
  ConverterRunner runner(folder, std::chrono::milliseconds(5000));
  ASSERT_EQ(runner.Run("ni3"), kRunOk);
  auto record = [&](const char* name) {
    std::string line;
    std::getline(std::ifstream(records / name), line);
    return line;
  };
  EXPECT_EQ(record("mode"), "700");
  ASSERT_FALSE(record("folder").empty());
  EXPECT_FALSE(std::filesystem::exists(record("folder")));
  bool child_gone = false;
  for (int tries = 0; tries < 500 && !child_gone; ++tries) {
    std::string state;
    std::getline(std::ifstream("/proc/" + record("child") + "/stat"), state);
    const size_t close = state.rfind(')');
    child_gone = close == std::string::npos || state[close + 2] == 'Z';
    if (!child_gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(child_gone) << "the converter's child outlived the run";
  std::filesystem::remove_all(records);
}

TEST(ConverterRunnerTest, DeleteTempFilesRemovesOnlyItsTwoFiles) {
  const std::filesystem::path folder = FakeConverter("delete", "");
  for (const char* name : {"tmp.kvx", "tmp.txt", "keep.txt"}) std::ofstream(folder / name) << "x";
  EXPECT_TRUE(ConverterRunner::DeleteTempFiles(folder));
  EXPECT_FALSE(std::filesystem::exists(folder / "tmp.kvx"));
  EXPECT_FALSE(std::filesystem::exists(folder / "tmp.txt"));
  EXPECT_TRUE(std::filesystem::exists(folder / "keep.txt"));
}

}  // namespace
}  // namespace vtr::app
