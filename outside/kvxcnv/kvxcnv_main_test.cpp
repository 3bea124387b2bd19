// Runs the installed converter the way the main program does: input in "tmp.txt", the program
// started in a working folder of its own, "tmp.kvx" read from there after it exits.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/environment.h"
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

// A working folder of this test process's own, removed when it goes.
class FreshFolder {
 public:
  explicit FreshFolder(const std::string& name)
      : path_(fs::path(testing::TempDir()) /
              ("kvxcnv_" + name + "_" + std::to_string(platform::CurrentProcessId()))) {
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~FreshFolder() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

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
      {"sentence", "\xC4\xE3\xBA\xC3\xA3\xA1\xCE\xD2\xC0\xB4\xC1\xCB\xA1\xA3",
       "KV#Cni3hao3.wo3lai2le0."},
      {"ascii pinyin", "ni3hao3!", "KV#Cni3hao3."},
      {"nothing convertible", "\x01\x02", "KV#C"},
      {"empty input", "", "KV#C"},
  };
  for (const Case& c : cases) {
    const FreshFolder fresh("run");
    const fs::path& folder = fresh.path();
    std::ofstream(folder / "tmp.txt", std::ios::binary) << c.text;
    auto result = RunConverter(folder, {(folder / "tmp.txt").string()});
    ASSERT_TRUE(result.ok()) << c.what << ": " << result.error;
    EXPECT_EQ(ReadAll(folder / "tmp.kvx"), c.expected) << c.what;
  }
}

TEST(KvxcnvProgramTest, TakesAQuotedPathOrTheDefaultInputName) {
  for (const char* form : {"quoted", "default"}) {
    const FreshFolder fresh(form);
    const fs::path& folder = fresh.path();
    std::ofstream(folder / "tmp.txt", std::ios::binary) << "\xD6\xD0\xCE\xC4";
    std::vector<std::string> args;
    if (std::string(form) == "quoted") args.push_back("\"" + (folder / "tmp.txt").string() + "\"");
    auto result = RunConverter(folder, args);
    ASSERT_TRUE(result.ok()) << form << ": " << result.error;
    EXPECT_EQ(ReadAll(folder / "tmp.kvx"), "KV#Czhong1wen2") << form;
  }
}

TEST(KvxcnvProgramTest, MissingInputFailsAndWritesNothing) {
  const FreshFolder fresh("missing");
  const fs::path& folder = fresh.path();
  auto result = RunConverter(folder, {(folder / "absent.txt").string()});
  EXPECT_EQ(result.outcome, platform::ProcessOutcome::kExited);
  EXPECT_NE(result.exit_code, 0);
  EXPECT_FALSE(fs::exists(folder / "tmp.kvx"));
}

}  // namespace
}  // namespace vtr::kvxcnv
