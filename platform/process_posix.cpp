#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/internal/guardian.h"

namespace vtr::platform {
namespace {

// How long OpenDocument waits for the opener to fail [ms]; xdg-open without a browser ends
// within a second.
constexpr int kOpenerVerdictMs = 3000;

// Everything the child needs, prepared before fork so the child calls only
// async-signal-safe functions.
struct ChildPlan {
  std::string program;
  std::vector<std::string> argv_storage;
  std::vector<char*> argv;
  std::string folder, in, out, err;
};

[[noreturn]] void FailChild(int report_fd, int error) {
  ssize_t ignored = write(report_fd, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

[[noreturn]] void RunChild(const ChildPlan& plan, int report_fd, int go_fd, pid_t caller) {
  setpgid(0, 0);
  // The program ends with its caller (the caller's thread, which waits for it): a caller that
  // is killed leaves no orphan running on.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != caller) _exit(127);  // the caller died before the request took
  // Nothing is started before the caller's guardian stands, which ends whatever the program
  // starts should the caller die: the caller writes a byte to `go_fd` once it does. A byte, not
  // the pipe's end: a child that another thread forks meanwhile holds a copy of the writing end
  // until it execs, and two such children would wait on each other.
  char byte = 0;
  ssize_t got;
  while ((got = read(go_fd, &byte, 1)) < 0 && errno == EINTR) {
  }
  if (got != 1) _exit(127);  // the caller is gone
  close(go_fd);
  auto fail = [report_fd](int error) { FailChild(report_fd, error); };
  if (!plan.folder.empty() && chdir(plan.folder.c_str()) != 0) fail(errno);
  int in = open(plan.in.c_str(), O_RDONLY);
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

std::string Absolute(const std::filesystem::path& file, const char* fallback) {
  if (file.empty()) return fallback;
  std::error_code ignored;
  return std::filesystem::absolute(file, ignored).string();
}

}  // namespace

ProcessResult RunProcess(const ProcessSpec& spec, std::chrono::milliseconds timeout) {
  ProcessResult result;
  ChildPlan plan;
  plan.program = spec.program.string();
  plan.argv_storage.push_back(plan.program);
  plan.argv_storage.insert(plan.argv_storage.end(), spec.args.begin(), spec.args.end());
  for (auto& arg : plan.argv_storage) plan.argv.push_back(arg.data());
  plan.argv.push_back(nullptr);
  plan.folder = spec.working_folder.string();
  // Redirection files are resolved against the caller's directory, as the caller wrote them.
  plan.in = Absolute(spec.stdin_file, "/dev/null");
  plan.out = Absolute(spec.stdout_file, "/dev/null");
  plan.err = Absolute(spec.stderr_file, "/dev/null");

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    result.error = std::string("cannot start ") + plan.program + ": " + std::strerror(errno);
    return result;
  }
  int go[2];
  if (pipe2(go, O_CLOEXEC) != 0) {
    result.error = std::string("cannot start ") + plan.program + ": " + std::strerror(errno);
    close(report[0]);
    close(report[1]);
    return result;
  }
  const pid_t caller = getpid();
  pid_t pid = fork();
  if (pid < 0) {
    result.error = std::string("cannot start ") + plan.program + ": " + std::strerror(errno);
    for (int fd : {report[0], report[1], go[0], go[1]}) close(fd);
    return result;
  }
  if (pid == 0) {
    close(report[0]);
    close(go[1]);
    RunChild(plan, report[1], go[0], caller);
  }
  setpgid(pid, pid);  // also set here, so a kill cannot race the child's own call
  close(report[1]);
  close(go[0]);
  // Should we die while the program runs, whatever it started ends too. The program waits for
  // the guardian: a caller killed in between would otherwise leave the program's children.
  internal::Guardian::Will will;
  will.process_group = pid;
  internal::Guardian guardian(will);
  const char go_byte = 1;
  while (write(go[1], &go_byte, 1) < 0 && errno == EINTR) {
  }
  close(go[1]);
  int child_error = 0;
  ssize_t got;
  do {
    got = read(report[0], &child_error, sizeof child_error);
  } while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got == static_cast<ssize_t>(sizeof child_error)) {
    int status;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.error = std::string("cannot start ") + plan.program + ": " + std::strerror(child_error);
    return result;
  }

  auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    // Seen but not yet reaped: the program's id, and with it its process group, stays ours
    // until whatever it left running has been ended.
    siginfo_t info{};
    const int waited = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (waited != 0 && errno != EINTR) {
      result.error = std::string("lost child ") + plan.program + ": " + std::strerror(errno);
      return result;
    }
    if (waited == 0 && info.si_pid == pid) {
      if (spec.end_leftovers) kill(-pid, SIGKILL);
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      result.outcome = info.si_code == CLD_EXITED ? ProcessOutcome::kExited : ProcessOutcome::kSignalled;
      result.exit_code = info.si_status;  // the exit status, or the signal
      return result;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-pid, SIGKILL);
      int status;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      result.outcome = ProcessOutcome::kTimedOut;
      result.exit_code = -1;
      return result;
    }
    std::this_thread::sleep_for(pause);
    // At most a millisecond between looks: a caller waits for the program's end, not for a poll.
    pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(1));
  }
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
