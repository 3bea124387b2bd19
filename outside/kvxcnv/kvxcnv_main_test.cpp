// Runs the installed converter the way the main program does: input in "tmp.txt", the program
// started in a working folder of its own, "tmp.kvx" read from there after it exits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/process.h"

namespace vtr::kvxcnv {
namespace {

namespace fs = std::filesystem;

const fs::path kConverter = fs::path(VTR_DIST_DIR) / "Plugin" / "KVXCNV";
constexpr std::chrono::seconds kTimeout(10);

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path FreshFolder(const std::string& name) {
  fs::path folder = fs::path(testing::TempDir()) / ("kvxcnv_" + name);
  fs::remove_all(folder);
  fs::create_directories(folder);
  return folder;
}

platform::ProcessResult RunConverter(const fs::path& folder, std::vector<std::string> args) {
  platform::ProcessSpec spec;
  spec.program = kConverter;
  spec.args = std::move(args);
  spec.working_folder = folder;
  return platform::RunProcess(spec, kTimeout);
}

TEST(KvxcnvProgramTest, WritesAPinyinScriptIntoItsWorkingFolder) {
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  } cases[] = {
      {"sentence", "\xC4\xE3\xBA\xC3\xA3\xA1\xCE\xD2\xC0\xB4\xC1\xCB\xA1\xA3", "KV#Cni3hao3.wo3lai2le0."},
      {"ascii pinyin", "ni3hao3!", "KV#Cni3hao3."},
      {"nothing convertible", "\x01\x02", "KV#C"},
      {"empty input", "", "KV#C"},
  };
  for (const Case& c : cases) {
    const fs::path folder = FreshFolder("run");
    std::ofstream(folder / "tmp.txt", std::ios::binary) << c.text;
    auto result = RunConverter(folder, {(folder / "tmp.txt").string()});
    ASSERT_TRUE(result.ok()) << c.what << ": " << result.error;
    EXPECT_EQ(ReadAll(folder / "tmp.kvx"), c.expected) << c.what;
  }
}

TEST(KvxcnvProgramTest, TakesAQuotedPathOrTheDefaultInputName) {
  for (const char* form : {"quoted", "default"}) {
    const fs::path folder = FreshFolder(form);
    std::ofstream(folder / "tmp.txt", std::ios::binary) << "\xD6\xD0\xCE\xC4";
    std::vector<std::string> args;
    if (std::string(form) == "quoted") args.push_back("\"" + (folder / "tmp.txt").string() + "\"");
    auto result = RunConverter(folder, args);
    ASSERT_TRUE(result.ok()) << form << ": " << result.error;
    EXPECT_EQ(ReadAll(folder / "tmp.kvx"), "KV#Czhong1wen2") << form;
  }
}

TEST(KvxcnvProgramTest, MissingInputFailsAndWritesNothing) {
  const fs::path folder = FreshFolder("missing");
  auto result = RunConverter(folder, {(folder / "absent.txt").string()});
  EXPECT_EQ(result.outcome, platform::ProcessOutcome::kExited);
  EXPECT_NE(result.exit_code, 0);
  EXPECT_FALSE(fs::exists(folder / "tmp.kvx"));
}

}  // namespace
}  // namespace vtr::kvxcnv
