#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "platform/internal/guardian.h"
#include "platform/internal/late_reaping.h"
#include "platform/process.h"

namespace vtr::platform {
namespace {

// How long OpenDocument waits for the opener to fail [ms]; xdg-open without a browser ends
// within a second.
constexpr int kOpenerVerdictMs = 3000;
// How often the supervisor looks whether the program has ended [ms] while it also listens
// for the caller's word, where the kernel cannot tell it (no process descriptors).
constexpr int kSupervisorPollMs = 2;
// The pause between two rounds of ending what is left below the supervisor [ns].
constexpr long kEndRoundPauseNs = 1000000;
// How long what outlives the program's group may take to end when asked, before it is
// killed [ms].
constexpr int64_t kLeftoverGraceMs = 1000;
// The supervisor's own list of its children (it runs one thread).
constexpr char kChildrenList[] = "/proc/thread-self/children";

// Everything the supervisor and the program need, prepared before fork so the forked copies
// call only async-signal-safe functions.
struct ChildPlan {
  std::string program;
  std::vector<std::string> argv_storage;
  std::vector<char*> argv;
  std::string folder, in, out, err;
  int in_fd = -1;       // the reading end of the input pipe; -1: `in` is opened
  std::string guarded;  // the folder removed should the caller die; empty: none
  uint64_t max_file_bytes = 0;
  bool end_leftovers = false;
};

// The caller's words to the supervisor, one byte each on the word pipe. The pipe's end without
// kRelease says the caller died.
constexpr char kGo = 'g';       // start the program
constexpr char kEndNow = 'e';   // end the program and all it started (the time-out)
constexpr char kRelease = 'r';  // the caller is done: leave the guarded folder to it

// How the program ended, as the supervisor reports it to the caller.
struct Ending {
  int code = 0;    // CLD_EXITED, CLD_KILLED or CLD_DUMPED
  int status = 0;  // the exit status or the signal
};

[[noreturn]] void FailChild(int report_fd, int error) {
  ssize_t ignored = write(report_fd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

[[noreturn]] void RunChild(const ChildPlan& plan, int report_fd, pid_t supervisor) {
  setpgid(0, 0);
  // The program ends with its supervisor, which may only die by a kill of its own.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != supervisor) _exit(127);
  auto fail = [report_fd](int error) { FailChild(report_fd, error); };
  internal::RestoreSignalsIgnoredByHelpers();
  if (plan.max_file_bytes > 0) {
    // Inherited by everything the program starts: none of it can write a file beyond it.
    const struct rlimit limit = {static_cast<rlim_t>(plan.max_file_bytes),
                                 static_cast<rlim_t>(plan.max_file_bytes)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) fail(errno);
  }
  if (!plan.folder.empty() && chdir(plan.folder.c_str()) != 0) fail(errno);
  int in = plan.in_fd >= 0 ? plan.in_fd : open(plan.in.c_str(), O_RDONLY);
  if (in < 0) fail(errno);
  int out = open(plan.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) fail(errno);
  int err = open(plan.err.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (err < 0) fail(errno);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  execvp(plan.program.c_str(), plan.argv.data());
  FailChild(report_fd, errno);
}

// Sends `signal` to every child of the supervisor; false when the list of them cannot be read.
bool SignalChildren(int signal) {
  const int fd = open(kChildrenList, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buffer[512];
  long pid = 0;
  bool in_number = false;
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR)) {
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] >= '0' && buffer[i] <= '9') {
        pid = pid * 10 + (buffer[i] - '0');
        in_number = true;
      } else if (in_number) {
        kill(static_cast<pid_t>(pid), signal);
        pid = 0;
        in_number = false;
      }
    }
  }
  if (in_number) kill(static_cast<pid_t>(pid), signal);
  close(fd);
  return got == 0;
}

int64_t NowMs() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

void Pause() {
  const struct timespec pause = {0, kEndRoundPauseNs};
  nanosleep(&pause, nullptr);
}

// Ends every process below the supervisor. As their subreaper it inherits each one whose
// parent ends, whatever group or session it moved to. They are asked to end first and given a
// moment (a helper that cleans up after its maker, as a scratch folder's guardian, can finish);
// then the supervisor kills its children round after round until none is left. A child only
// the supervisor may reap keeps its id until then, so no id is killed after it went to another
// process.
void EndDescendants() {
  const int64_t grace_end = NowMs() + kLeftoverGraceMs;
  for (int signal = SIGTERM;;) {
    if (!SignalChildren(signal)) {
      while (waitpid(-1, nullptr, WNOHANG) > 0) {
      }
      return;  // without the list nothing more can be found
    }
    const pid_t reaped = waitpid(-1, nullptr, WNOHANG);
    if (reaped < 0 && errno == ECHILD) return;
    if (reaped == 0) Pause();
    if (signal == SIGTERM && NowMs() >= grace_end) signal = SIGKILL;
  }
}

// Closes every descriptor from 3 on but the `keep` ones (in rising order; -1 keeps none): the
// supervisor never execs, so it must not hold a copy of a pipe its caller waits on for another
// program.
void CloseAllBut(const int (&keep)[4]) {
  unsigned next = 3;
  for (int fd : keep) {
    if (fd < 0) continue;
    if (static_cast<unsigned>(fd) > next) close_range(next, static_cast<unsigned>(fd) - 1, 0);
    next = static_cast<unsigned>(fd) + 1;
  }
  close_range(next, ~0u, 0);
}

// The caller's next word, or 0 when it died (the pipe's end).
char ReadWord(int word_fd) {
  char word = 0;
  ssize_t got;
  do {
    got = read(word_fd, &word, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1 ? word : '\0';
}

// Exits; a caller that died leaves its guarded folder to go.
[[noreturn]] void LeaveSupervising(const ChildPlan& plan, bool caller_died) {
  if (caller_died && !plan.guarded.empty()) {
    internal::RemoveTreeWithoutAllocating(plan.guarded.c_str());
  }
  _exit(0);
}

// The supervisor: the guardian of the run's folder, the program's parent and the subreaper of
// everything it starts. It starts the program at the caller's word. It ends all of them when
// the caller's word comes (the time-out) or the caller dies (the word pipe closes), and, asked
// to, once the program has ended by itself. Then it reports the program's ending. With a
// guarded folder it stays until the caller releases it, and removes the folder should the
// caller die first; without one it exits.
[[noreturn]] void RunSupervisor(const ChildPlan& plan, int report_fd, int word_fd, int ending_fd,
                                pid_t caller) {
  // Left to end the rest when a terminal's Ctrl+C ends the caller.
  internal::StandApartFromMaker();
  int keep[4] = {report_fd, word_fd, ending_fd, plan.in_fd};
  std::sort(std::begin(keep), std::end(keep));
  CloseAllBut(keep);
  if (prctl(PR_SET_CHILD_SUBREAPER, 1) != 0) FailChild(report_fd, errno);
  if (getppid() != caller) LeaveSupervising(plan, true);  // the caller died before we stood
  for (char word; (word = ReadWord(word_fd)) != kGo;) {
    if (word == 0) LeaveSupervising(plan, true);
    if (word == kRelease) LeaveSupervising(plan, false);
  }
  const pid_t self = getpid();
  // The program shares our memory until it has replaced it with its own (or failed), and we
  // wait meanwhile: no copy of the caller's memory is made for it, nor taken down again. It
  // makes only system calls on its own descriptors and settings until then.
  const pid_t program = vfork();
  if (program < 0) FailChild(report_fd, errno);
  if (program == 0) {
    close(word_fd);
    close(ending_fd);
    RunChild(plan, report_fd, self);
  }
  // The program holds its input now: a program that ends without reading it closes the pipe.
  if (plan.in_fd >= 0) close(plan.in_fd);
  // Its first step set its group: a kill of the group cannot miss it from here on.
  close(report_fd);
  // Readable once the program has ended; without it the supervisor looks every few ms.
  const int program_fd = static_cast<int>(syscall(SYS_pidfd_open, program, 0));

  bool told = false, caller_died = false;
  siginfo_t info{};
  for (;;) {
    if (!told) {
      struct pollfd watched[2] = {{word_fd, POLLIN, 0}, {program_fd, POLLIN, 0}};
      // The time-out's word or the pipe's end (the caller died): end everything.
      if (poll(watched, 2, program_fd >= 0 ? -1 : kSupervisorPollMs) > 0 &&
          watched[0].revents != 0) {
        const char word = ReadWord(word_fd);
        caller_died = word == 0;
        told = word == 0 || word == kEndNow;
      }
    }
    if (told) {
      kill(-program, SIGKILL);
      kill(program, SIGKILL);
    }
    // Seen but not yet reaped: the program's id, and with it its group, stays ours.
    info = {};
    if (waitid(P_PID, static_cast<id_t>(program), &info,
               WEXITED | WNOWAIT | (told ? 0 : WNOHANG)) == 0 &&
        info.si_pid == program) {
      break;
    }
  }
  const bool end_all = told || plan.end_leftovers;
  if (end_all) kill(-program, SIGKILL);
  while (waitpid(program, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (end_all) EndDescendants();
  const Ending ending = {info.si_code, info.si_status};
  ssize_t ignored = write(ending_fd, &ending, sizeof ending);
  (void)ignored;
  if (plan.guarded.empty() || caller_died) LeaveSupervising(plan, caller_died);
  for (char word; (word = ReadWord(word_fd)) != kRelease;) {
    if (word == 0) LeaveSupervising(plan, true);
  }
  LeaveSupervising(plan, false);
}

std::string Absolute(const std::filesystem::path& file, const char* fallback) {
  if (file.empty()) return fallback;
  std::error_code ignored;
  return std::filesystem::absolute(file, ignored).string();
}

// Reads one value from a pipe; false at its end.
template <typename T>
bool ReadWhole(int fd, T* value) {
  ssize_t got;
  do {
    got = read(fd, value, sizeof *value);
  } while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof *value);
}

ChildPlan PlanOf(const ProcessSpec& spec) {
  ChildPlan plan;
  plan.program = spec.program.string();
  plan.argv_storage.push_back(plan.program);
  plan.argv_storage.insert(plan.argv_storage.end(), spec.args.begin(), spec.args.end());
  for (auto& arg : plan.argv_storage) plan.argv.push_back(arg.data());
  plan.argv.push_back(nullptr);
  plan.folder = spec.working_folder.string();
  // Redirection files are resolved against the caller's directory, as the caller wrote them.
  plan.in = Absolute(spec.stdin_file, "/dev/null");
  if (!spec.guarded_folder.empty()) plan.guarded = Absolute(spec.guarded_folder, "");
  plan.out = Absolute(spec.stdout_file, "/dev/null");
  plan.err = Absolute(spec.stderr_file, "/dev/null");
  plan.max_file_bytes = spec.max_file_bytes;
  plan.end_leftovers = spec.end_leftovers;
  return plan;
}

// Writes all `bytes` to the pipe `fd`; false when its reader has gone. The SIGPIPE that raises,
// held back in this thread, is taken back unless one was pending before.
bool WriteToPipe(int fd, std::string_view bytes) {
  sigset_t pipe_signal, old_mask, pending;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &old_mask);
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;
  bool written = true;
  while (!bytes.empty()) {
    const ssize_t got = write(fd, bytes.data(), bytes.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      written = false;
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(got));
  }
  if (!written && !was_pending) {
    const struct timespec no_wait = {0, 0};
    while (sigtimedwait(&pipe_signal, nullptr, &no_wait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  return written;
}

std::string CannotStart(const std::string& program, int error) {
  return "cannot start " + program + ": " + std::strerror(error);
}

}  // namespace

// report: an errno from the supervisor or the program, or the pipe's end once it runs;
// word: the caller's "end it now"; ending: how the program ended; input: the program's
// standard input, when it is a pipe.
StartedProcess::StartedProcess(const ProcessSpec& spec) : StartedProcess(spec, true) {}

StartedProcess::StartedProcess(const ProcessSpec& spec, bool input_pipe) {
  ChildPlan plan = PlanOf(spec);
  program_ = plan.program;
  int report[2] = {-1, -1}, word[2] = {-1, -1}, ending[2] = {-1, -1}, input[2] = {-1, -1};
  const auto close_all = [&] {
    for (int* pipe : {report, word, ending, input}) {
      for (int end = 0; end < 2; ++end) {
        if (pipe[end] >= 0) close(pipe[end]);
      }
    }
  };
  if (pipe2(report, O_CLOEXEC) != 0 || pipe2(word, O_CLOEXEC) != 0 ||
      pipe2(ending, O_CLOEXEC) != 0 || (input_pipe && pipe2(input, O_CLOEXEC) != 0)) {
    error_ = CannotStart(program_, errno);
    close_all();
    return;
  }
  plan.in_fd = input[0];
  const pid_t caller = getpid();
  const pid_t supervisor = fork();
  if (supervisor < 0) {
    error_ = CannotStart(program_, errno);
    close_all();
    return;
  }
  if (supervisor == 0) {
    close(report[0]);
    close(word[1]);
    close(ending[0]);
    RunSupervisor(plan, report[1], word[0], ending[1], caller);
  }
  for (int fd : {report[1], word[0], ending[1], input[0]}) {
    if (fd >= 0) close(fd);
  }
  supervisor_ = supervisor;
  report_ = report[0];
  word_ = word[1];
  ending_ = ending[0];
  input_ = input[1];
}

StartedProcess::~StartedProcess() {
  if (supervisor_ <= 0) return;
  if (started_ && !waited_) (void)Wait(std::chrono::milliseconds(0));
  Say(kRelease);
  close(word_);
  if (report_ >= 0) close(report_);
  if (ending_ >= 0) close(ending_);
  if (input_ >= 0) close(input_);
  // With nothing left to run, the supervisor only exits: it is reaped later, while the kernel
  // takes down its copy of our memory.
  internal::ReapLater(supervisor_);
}

void StartedProcess::Say(char word) { (void)WriteToPipe(word_, std::string_view(&word, 1)); }

void StartedProcess::Start() {
  if (supervisor_ <= 0 || started_) return;
  Say(kGo);
  started_ = true;
}

bool StartedProcess::Feed(std::string_view bytes) {
  if (input_ < 0) return false;
  const bool written = WriteToPipe(input_, bytes);
  close(input_);
  input_ = -1;
  return written;
}

ProcessResult StartedProcess::Wait(std::chrono::milliseconds timeout) {
  if (waited_) return result_;
  ProcessResult& result = result_;
  if (supervisor_ <= 0 || !started_) {
    result.error = supervisor_ <= 0 ? error_ : "not started: " + program_;
    return result;
  }
  waited_ = true;
  if (input_ >= 0) {
    close(input_);
    input_ = -1;
  }
  const auto finish = [&](ProcessOutcome outcome, int code) {
    close(ending_);
    ending_ = -1;
    result.outcome = outcome;
    result.exit_code = code;
    return result;
  };

  int child_error = 0;
  const bool failed = ReadWhole(report_, &child_error);
  close(report_);
  report_ = -1;
  if (failed) {
    (void)finish(ProcessOutcome::kNotStarted, -1);
    result.error = CannotStart(program_, child_error);
    return result;
  }

  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    struct pollfd done = {ending_, POLLIN, 0};
    const int ready = poll(&done, 1, static_cast<int>(std::max<int64_t>(left.count(), 0)));
    if (ready < 0 && errno == EINTR) continue;
    if (ready > 0) {
      Ending end;
      if (!ReadWhole(ending_, &end)) {
        result.error = "lost the supervisor of " + program_;
        return finish(ProcessOutcome::kNotStarted, -1);
      }
      return finish(end.code == CLD_EXITED ? ProcessOutcome::kExited : ProcessOutcome::kSignalled,
                    end.status);
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      Say(kEndNow);
      Ending ignored;
      (void)ReadWhole(ending_, &ignored);  // everything has ended once the report comes
      return finish(ProcessOutcome::kTimedOut, -1);
    }
  }
}

ProcessResult RunProcess(const ProcessSpec& spec, std::chrono::milliseconds timeout) {
  ProcessSpec unguarded = spec;
  unguarded.guarded_folder.clear();
  StartedProcess run(unguarded, false);
  run.Start();
  return run.Wait(timeout);
}

ProcessResult RunBatch(const ProcessSpec& spec, std::chrono::milliseconds timeout) {
  ProcessSpec shell = spec;
  shell.program = "/bin/sh";
  shell.args.clear();
  shell.args.push_back(spec.program.string());
  shell.args.insert(shell.args.end(), spec.args.begin(), spec.args.end());
  return RunProcess(shell, timeout);
}

bool OpenDocument(std::string_view document) {
  std::string target(document);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    // A grandchild runs the opener, so nobody has to wait for it and no zombie is left.
    setsid();
    pid_t opener = fork();
    if (opener == 0) {
      int null_fd = open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        dup2(null_fd, 0);
        dup2(null_fd, 1);
        dup2(null_fd, 2);
      }
      execlp("xdg-open", "xdg-open", target.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (opener < 0) _exit(1);
    // The opener's verdict, for a moment: on a desktop it hands the document over and ends at
    // once, without a browser it ends with a failure status; one still running after the
    // moment waits for the browser it started itself, and has succeeded.
    for (int waited_ms = 0; waited_ms < kOpenerVerdictMs; waited_ms += 20) {
      int status = 0;
      if (waitpid(opener, &status, WNOHANG) == opener) {
        _exit(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
      }
      usleep(20000);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace vtr::platform
