#include "platform/process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/internal/late_reaping.h"
#include "platform/scratch_folder.h"

namespace vtr::platform {
namespace {

using std::chrono::milliseconds;

// True while `pid` exists and is not a zombie waiting for a parent that may never reap it.
bool Running(pid_t pid) {
  for (int tries = 0; tries < 100; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return false;
    char state = line[close + 2];
    if (state == 'Z' || state == 'X') return false;
    usleep(10000);  // a SIGKILL is delivered asynchronously
  }
  return true;
}

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("vtr-process-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name) << text;
  }
  std::string Read(const std::string& name) {
    std::ifstream in(folder_ / name);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  std::filesystem::path folder_;
};

TEST_F(ProcessTest, ABatchFilesOutputLandsInTheGivenFileInItsFolder) {
  Write("tmp.bat", "pwd\nread line\necho \"got $line\"\n");
  Write("in.txt", "tmp.wav\n");
  ProcessSpec spec;
  spec.program = "tmp.bat";
  spec.working_folder = folder_;
  spec.stdin_file = folder_ / "in.txt";
  spec.stdout_file = folder_ / "out.txt";
  ProcessResult result = RunBatch(spec, milliseconds(5000));
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(Read("out.txt"), std::filesystem::canonical(folder_).string() + "\ngot tmp.wav\n");
}

// The ids of this process's children, zombies among them.
std::vector<std::string> Children() {
  std::vector<std::string> children;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream list(task.path() / "children");
    for (std::string pid; list >> pid;) children.push_back(pid);
  }
  return children;
}

// The supervisors of finished runs and the guardians of scratch folders are not waited for
// while they go; they must still be reaped, not left to pile up as zombies. (Helpers that
// were there before, such as the guardian of a folder kept for the whole process, stay.)
TEST_F(ProcessTest, TheHelpersOfFinishedRunsAreReapedOnceTheyHaveGone) {
  const std::vector<std::string> before = Children();
  for (int run = 0; run < 5; ++run) {
    ScratchFolder scratch("vtr-process-reaping");
    ASSERT_TRUE(scratch.ok());
    ProcessSpec spec;
    spec.program = "/bin/true";
    spec.working_folder = scratch.path();
    ASSERT_TRUE(RunProcess(spec, milliseconds(5000)).ok());
  }
  const auto new_children = [&before] {
    std::vector<std::string> added;
    for (const std::string& child : Children()) {
      if (std::find(before.begin(), before.end(), child) == before.end()) added.push_back(child);
    }
    return added;
  };
  for (int tries = 0; tries < 500 && !new_children().empty(); ++tries) {
    std::this_thread::sleep_for(milliseconds(10));
    internal::ReapGone();
  }
  EXPECT_EQ(new_children(), std::vector<std::string>{});
}

TEST_F(ProcessTest, ReportsTheExitStatus) {
  ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c", "exit 3"};
  ProcessResult result = RunProcess(spec, milliseconds(5000));
  EXPECT_EQ(result.outcome, ProcessOutcome::kExited);
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_FALSE(result.ok());
}

// Waits until the program has noted the id of the process it started.
const char kWaitForPid[] = "while [ ! -s child.pid ]; do sleep 0.01; done\n";

TEST_F(ProcessTest, KillsAChildThatOutlivesItsTimeOutWithWhatItStarted) {
  struct Case {
    const char* what;
    std::string starts;  // starts the child and notes its id in child.pid
  };
  const Case cases[] = {
      {"a child in its group", "sleep 30 &\necho $! > child.pid\n"},
      {"a child in a session of its own",
       std::string("setsid sh -c 'echo $$ > child.pid; exec sleep 30' &\n") + kWaitForPid},
      {"an orphan in a session of its own",
       std::string("(setsid sh -c 'sleep 30 & echo $! > child.pid' &)\n") + kWaitForPid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(folder_ / "child.pid");
    Write("slow.sh", c.starts + "sleep 30\n");
    ProcessSpec spec;
    spec.program = "slow.sh";
    spec.working_folder = folder_;
    auto start = std::chrono::steady_clock::now();
    ProcessResult result = RunBatch(spec, milliseconds(300));
    EXPECT_EQ(result.outcome, ProcessOutcome::kTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    pid_t grandchild = std::stoi(Read("child.pid"));
    EXPECT_FALSE(Running(grandchild)) << "the batch file's own child survived";
  }
}

TEST_F(ProcessTest, WhatAProgramLeavesRunningEndsWithItWhenAskedTo) {
  struct Case {
    const char* name;
    const char* script;
    bool end_leftovers;
    ProcessOutcome outcome;
  };
  const Case cases[] = {
      {"exits well", "sleep 30 &\necho $! > child.pid\nexit 0\n", true, ProcessOutcome::kExited},
      {"exits with an error", "sleep 30 &\necho $! > child.pid\nexit 1\n", true,
       ProcessOutcome::kExited},
      {"killed by a signal", "sleep 30 &\necho $! > child.pid\nkill -9 $$\n", true,
       ProcessOutcome::kSignalled},
      {"its child ignores hang-ups", "(trap '' HUP; exec sleep 30) &\necho $! > child.pid\n", true,
       ProcessOutcome::kExited},
      {"its child moved to a session of its own",
       "setsid sh -c 'echo $$ > child.pid; exec sleep 30' &\n"
       "while [ ! -s child.pid ]; do sleep 0.01; done\n",
       true, ProcessOutcome::kExited},
      {"an orphan in a session of its own whose parent ended first",
       "(setsid sh -c 'sleep 30 & echo $! > child.pid' &)\n"
       "while [ ! -s child.pid ]; do sleep 0.01; done\n",
       true, ProcessOutcome::kExited},
      {"an orphan in a session of its own that will not end when asked",
       "(setsid sh -c 'trap \"\" TERM; sleep 30 & echo $! > child.pid' &)\n"
       "while [ ! -s child.pid ]; do sleep 0.01; done\n",
       true, ProcessOutcome::kExited},
      {"a chain of orphans, each in a session of its own",
       "(setsid sh -c '(setsid sh -c \"sleep 30 & echo \\$! > child.pid\" &)' &)\n"
       "while [ ! -s child.pid ]; do sleep 0.01; done\n",
       true, ProcessOutcome::kExited},
      {"a server started on purpose runs on", "sleep 30 &\necho $! > child.pid\n", false,
       ProcessOutcome::kExited},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(folder_ / "child.pid");
    Write("left.sh", c.script);
    ProcessSpec spec;
    spec.program = "left.sh";
    spec.working_folder = folder_;
    spec.end_leftovers = c.end_leftovers;
    ProcessResult result = RunBatch(spec, milliseconds(5000));
    EXPECT_EQ(result.outcome, c.outcome);
    pid_t grandchild = std::stoi(Read("child.pid"));
    if (c.end_leftovers) {
      EXPECT_FALSE(Running(grandchild)) << "the program's own child outlived it";
    } else {
      EXPECT_TRUE(Running(grandchild));
      kill(grandchild, SIGKILL);
    }
  }
}

// The caller dies (killed, as by the out-of-memory killer or a user) while it waits for a
// program: neither the program nor anything it started runs on as an orphan.
TEST_F(ProcessTest, ACallerKilledWhileItWaitsLeavesNoOrphans) {
  Write("slow.sh",
        "sleep 30 &\necho $! > child.pid\n"
        "setsid sh -c 'echo $$ > session.pid; exec sleep 30' &\n"
        "while [ ! -s session.pid ]; do sleep 0.01; done\necho $$ > program.pid\nsleep 30\n");
  const pid_t caller = fork();
  ASSERT_GE(caller, 0);
  if (caller == 0) {
    ProcessSpec spec;
    spec.program = "slow.sh";
    spec.working_folder = folder_;
    (void)RunBatch(spec, std::chrono::seconds(60));
    _exit(0);
  }
  for (int tries = 0; tries < 1000 && Read("program.pid").empty(); ++tries) usleep(10000);
  const std::string program_pid = Read("program.pid");
  kill(caller, SIGKILL);
  int status;
  waitpid(caller, &status, 0);
  ASSERT_FALSE(program_pid.empty()) << "the program never started";
  EXPECT_FALSE(Running(std::stoi(program_pid))) << "the program outlived its caller";
  EXPECT_FALSE(Running(std::stoi(Read("child.pid")))) << "the program's child outlived its caller";
  EXPECT_FALSE(Running(std::stoi(Read("session.pid"))))
      << "the program's child in a session of its own outlived its caller";
}

// A bound on file sizes holds for every file the program and what it starts write, its
// output too; a program that ignores the signal of the bound only fails its writes.
TEST_F(ProcessTest, NoFileTheProgramWritesGrowsBeyondTheBound) {
  struct Case {
    const char* what;
    const char* script;
    const char* file;  // the file written
    bool ok;
  };
  const Case cases[] = {
      {"its output, within the bound", "head -c 4096 /dev/zero\n", "out.txt", true},
      {"its output", "head -c 1000000 /dev/zero\n", "out.txt", false},
      {"a file it writes", "head -c 1000000 /dev/zero > big.bin\n", "big.bin", false},
      {"a file its child in a session of its own writes",
       "setsid sh -c 'head -c 1000000 /dev/zero > big.bin'\n", "big.bin", false},
      {"a writer that ignores the bound's signal", "trap '' XFSZ\nhead -c 1000000 /dev/zero\n",
       "out.txt", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(folder_ / "big.bin");
    Write("write.sh", c.script);
    ProcessSpec spec;
    spec.program = "write.sh";
    spec.working_folder = folder_;
    spec.stdout_file = folder_ / "out.txt";
    spec.end_leftovers = true;
    spec.max_file_bytes = 4096;
    const ProcessResult result = RunBatch(spec, milliseconds(5000));
    EXPECT_EQ(result.ok(), c.ok) << static_cast<int>(result.outcome) << " " << result.exit_code;
    EXPECT_LE(std::filesystem::file_size(folder_ / c.file), 4096u);
  }
}

TEST_F(ProcessTest, AMissingProgramIsNotStarted) {
  ProcessSpec spec;
  spec.program = folder_ / "no-such-program";
  ProcessResult result = RunProcess(spec, milliseconds(1000));
  EXPECT_EQ(result.outcome, ProcessOutcome::kNotStarted);
  EXPECT_NE(result.error.find("no-such-program"), std::string::npos) << result.error;
}

TEST_F(ProcessTest, AMissingInputFileIsNotStarted) {
  ProcessSpec spec;
  spec.program = "/bin/cat";
  spec.stdin_file = folder_ / "absent.txt";
  EXPECT_EQ(RunProcess(spec, milliseconds(1000)).outcome, ProcessOutcome::kNotStarted);
}

// A started program reads what it needs while the caller gets its input ready, then the input
// the caller feeds it, or the end of its input when there is none.
TEST_F(ProcessTest, AStartedProgramGetsItsInputWhenTheCallerHasItReady) {
  struct Case {
    const char* what;
    const char* script;  // run by /bin/sh in the folder, output to out.txt
    bool feed;           // "tmp.wav\n" is fed ...
    bool late;           // ... once the program has ended, and its supervisor, whose id the
                         // program notes in pid.txt, with it: nothing reads the pipe any more
    bool fed;            // Feed's result
    std::string output;
    int exit_code;
  };
  // clang-format off
  const Case cases[] = {
      {"reads before its input and then the input",
       "cat before.txt; read name; echo \"got $name\"", true, false, true,
       "ready\ngot tmp.wav\n", 0},
      {"sees the end of an input never fed", "read name || echo none; exit 4", false, false,
       false, "none\n", 4},
      // The write finds the pipe closed, and no SIGPIPE ends the caller.
      {"ends without reading its input", "echo $PPID > pid.txt; exit 5", true, true, false, "", 5},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write("before.txt", "ready\n");
    ProcessSpec spec;
    spec.program = "/bin/sh";
    spec.args = {"-c", c.script};
    spec.working_folder = folder_;
    spec.stdout_file = folder_ / "out.txt";
    StartedProcess run(spec);
    run.Start();
    if (c.late) {
      for (int tries = 0; tries < 500 && Read("pid.txt").empty(); ++tries) {
        std::this_thread::sleep_for(milliseconds(10));
      }
      ASSERT_FALSE(Running(std::stoi(Read("pid.txt"))));
    }
    if (c.feed) {
      EXPECT_EQ(run.Feed("tmp.wav\n"), c.fed);
    }
    const ProcessResult result = run.Wait(milliseconds(5000));
    EXPECT_EQ(result.outcome, ProcessOutcome::kExited) << result.error;
    EXPECT_EQ(result.exit_code, c.exit_code);
    EXPECT_EQ(Read("out.txt"), c.output);
  }
}

// A started program that the caller gives up on before it waits for it ends, with what it
// started, when the object goes; so does one whose program cannot be found, reported on Wait.
TEST_F(ProcessTest, AStartedProgramNotWaitedForEndsWithWhatItStarted) {
  pid_t child = 0;
  {
    ProcessSpec spec;
    spec.program = "/bin/sh";
    spec.args = {"-c", std::string("sleep 30 &\necho $! > child.pid\nsleep 30\n")};
    spec.working_folder = folder_;
    StartedProcess run(spec);
    run.Start();
    for (int tries = 0; tries < 500 && Read("child.pid").empty(); ++tries) {
      std::this_thread::sleep_for(milliseconds(10));
    }
    child = std::stoi(Read("child.pid"));
  }
  EXPECT_FALSE(Running(child)) << "the program's child survived";
  ProcessSpec missing;
  missing.program = folder_ / "no-such-program";
  StartedProcess run(missing);
  run.Start();
  const ProcessResult result = run.Wait(milliseconds(1000));
  EXPECT_EQ(result.outcome, ProcessOutcome::kNotStarted);
  EXPECT_NE(result.error.find("no-such-program"), std::string::npos) << result.error;
}

// The supervisor guards the run's folder from when it stands: a caller that dies before the
// program starts, while it runs or after it ended leaves no folder behind, and no program; a
// caller that is done keeps its folder, to remove it itself.
TEST_F(ProcessTest, TheSupervisorRemovesTheGuardedFolderOfACallerThatDies) {
  enum Stage { kBeforeStart, kWhileRunning, kAfterTheEnd, kDone };
  struct Case {
    const char* what;
    Stage stage;  // where the caller is killed, or kDone: it lets the run go and exits
    bool folder_stays;
  };
  const Case cases[] = {
      {"killed before the start", kBeforeStart, false},
      {"killed while the program runs", kWhileRunning, false},
      {"killed after the program's end", kAfterTheEnd, false},
      {"done", kDone, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path guarded = folder_ / "guarded";
    std::filesystem::remove_all(guarded);
    std::filesystem::create_directories(guarded);
    std::ofstream(guarded / "file") << "the run's";
    std::filesystem::remove(folder_ / "stage");
    std::filesystem::remove(folder_ / "program.pid");
    const pid_t caller = fork();
    ASSERT_GE(caller, 0);
    if (caller == 0) {
      ProcessSpec spec;
      spec.program = "/bin/sh";
      spec.args = {"-c", c.stage == kWhileRunning ? "echo $$ > ../program.pid; sleep 30" : "true"};
      spec.working_folder = guarded;
      spec.guarded_folder = guarded;
      {
        StartedProcess run(spec);
        if (c.stage != kBeforeStart) {
          run.Start();
          if (c.stage == kWhileRunning) {
            while (!std::filesystem::exists(folder_ / "program.pid")) usleep(10000);
          } else {
            (void)run.Wait(milliseconds(5000));
          }
        }
        if (c.stage != kDone) {
          std::ofstream(folder_ / "stage") << "reached";
          pause();
        }
      }
      _exit(0);
    }
    if (c.stage != kDone) {
      for (int tries = 0; tries < 500 && Read("stage").empty(); ++tries) usleep(10000);
      ASSERT_EQ(Read("stage"), "reached");
      kill(caller, SIGKILL);
    }
    int status = 0;
    waitpid(caller, &status, 0);
    bool gone = false;
    for (int tries = 0; tries < 500 && !gone; ++tries) {
      gone = !std::filesystem::exists(guarded);
      if (!gone && c.folder_stays) break;
      if (!gone) usleep(10000);
    }
    EXPECT_EQ(gone, !c.folder_stays);
    if (c.stage == kWhileRunning) {
      EXPECT_FALSE(Running(std::stoi(Read("program.pid"))));
    }
  }
}

// The desktop's opener as a stand-in on the PATH: it notes the document it was given and ends
// as told; a failing opener (no browser) is reported, one that keeps running is not waited for.
TEST_F(ProcessTest, OpenDocumentReportsAnOpenerThatFails) {
  struct Case {
    const char* opener;  // body of the stand-in xdg-open; empty: none on the PATH
    bool opened;
  };
  const Case cases[] = {
      {"exit 0", true},
      {"exit 3", false},  // xdg-open: no method available for opening
      {"exec sleep 30", true},
      {"", false},
  };
  const char* old_path = std::getenv("PATH");
  const std::string path = old_path != nullptr ? old_path : "/usr/bin:/bin";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opener);
    const std::filesystem::path bin = folder_ / "bin";
    std::filesystem::remove_all(bin);
    std::filesystem::create_directories(bin);
    std::filesystem::remove(folder_ / "given.txt");
    if (*c.opener != '\0') {
      Write("bin/xdg-open",
            "#!/bin/sh\necho \"$1\" >" + (folder_ / "given.txt").string() + "\n" + c.opener + "\n");
      std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
    }
    // Only the stand-in (or nothing) where the opener is looked for.
    setenv("PATH", (bin.string() + (*c.opener != '\0' ? ":" + path : "")).c_str(), 1);
    EXPECT_EQ(OpenDocument("/tmp/links/links.html#top"), c.opened);
    setenv("PATH", path.c_str(), 1);
    if (*c.opener != '\0') {
      std::ifstream given(folder_ / "given.txt");
      std::string line;
      EXPECT_TRUE(std::getline(given, line));
      EXPECT_EQ(line, "/tmp/links/links.html#top");
    }
  }
}

}  // namespace
}  // namespace vtr::platform
