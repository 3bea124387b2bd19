// Starting outside programs and batch files, waiting for them, and opening documents.
//
// The system hands work to outside programs through files in a working folder: the program is
// started there with its standard input and output redirected to files, and the caller waits
// for it to exit (never for a file to appear), killing it when it outlives its time-out.
//
// The program runs in a process group of its own below a small supervisor process, which
// inherits everything the program starts once its parent is gone, even a process that moved
// to a group or session of its own (setsid): the supervisor is their subreaper. At the
// time-out, and when the caller dies while the program runs, the supervisor ends the program
// and every process below it, so nothing runs on as an orphan; with `end_leftovers` it does so
// too when the program exits, so helpers the program started and forgot do not outlive it.
// A bound on the bytes of every file may be set for the program and all it starts.
//
//   // given: std::filesystem::path julius_folder
//   vtr::platform::ProcessSpec spec;
//   spec.program = julius_folder / "julius";
//   spec.args = {"-C", "tmp.jconf"};
//   spec.working_folder = julius_folder;
//   spec.stdin_file = julius_folder / "tmp.in";
//   spec.stdout_file = julius_folder / "tmp.txt";
//   auto result = vtr::platform::RunProcess(spec, std::chrono::seconds(30));
//   if (!result.ok()) { /* result.outcome says how it ended */ }
#ifndef VTR_PLATFORM_PROCESS_H_
#define VTR_PLATFORM_PROCESS_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vtr::platform {

struct ProcessSpec {
  std::filesystem::path program;         // file to run; a name without a folder is searched on PATH
  std::vector<std::string> args;         // arguments after the program name
  std::filesystem::path working_folder;  // empty: the caller's current directory
  std::filesystem::path stdin_file;      // empty: /dev/null
  std::filesystem::path stdout_file;     // empty: /dev/null; the file is created or truncated
  std::filesystem::path stderr_file;     // empty: /dev/null
  // True: whatever the program started and left running is ended when the program exits.
  // False: a program may leave a server running on purpose (a start-up script).
  bool end_leftovers = false;
  // The largest file the program, or anything it starts, may write [bytes]: a write beyond it
  // fails, and ends the writer unless it catches SIGXFSZ. 0: no bound.
  uint64_t max_file_bytes = 0;
  // StartedProcess only: a folder of the run's (its scratch folder) that the supervisor removes
  // with everything in it should the caller die before the run is over; empty: none.
  std::filesystem::path guarded_folder;
};

enum class ProcessOutcome : int {
  kExited,      // ended by itself; exit_code holds its status
  kSignalled,   // ended by a signal it did not ask for; exit_code holds the signal
  kTimedOut,    // outlived the time-out and was killed with its children
  kNotStarted,  // could not be started (missing program, unreadable input file, ...)
};

struct [[nodiscard]] ProcessResult {
  ProcessOutcome outcome = ProcessOutcome::kNotStarted;
  int exit_code = -1;
  std::string error;  // why it did not start
  bool ok() const { return outcome == ProcessOutcome::kExited && exit_code == 0; }
};

// Runs the program and waits for it at most `timeout`.
ProcessResult RunProcess(const ProcessSpec& spec, std::chrono::milliseconds timeout);

// A program run as RunProcess runs it, in steps: its supervisor stands first (guarding the
// run's folder, spec.guarded_folder, from then on), the program starts at Start, with its
// standard input a pipe that the caller writes once it has the input ready (spec.stdin_file is
// not used), and Wait waits for it. So the caller writes the program's files while its
// supervisor stands, and prepares the program's input while the program starts and reads
// what it needs before it. When the object goes, a program not waited for is ended with
// everything it started, and the supervisor leaves the guarded folder to the caller: remove
// the folder first.
//
//   // given: vtr::platform::ProcessSpec spec; bool WriteFiles(); bool PrepareTheRest()
//   vtr::platform::StartedProcess run(spec);
//   if (!WriteFiles()) return;                              // the object ends the supervisor
//   run.Start();
//   if (!PrepareTheRest() || !run.Feed("tmp.wav\n")) return;   // ... and the program
//   auto result = run.Wait(std::chrono::seconds(30));
class StartedProcess {
 public:
  explicit StartedProcess(const ProcessSpec& spec);
  ~StartedProcess();
  StartedProcess(const StartedProcess&) = delete;
  StartedProcess& operator=(const StartedProcess&) = delete;

  // Starts the program (once).
  void Start();
  // Writes `bytes` to the program's standard input and closes it; false when they could not
  // all be written (the program has gone). Once; Wait closes an input never given.
  bool Feed(std::string_view bytes);
  // Waits for the started program at most `timeout` from now, as RunProcess. Later calls give
  // the same result; a program never started is kNotStarted.
  ProcessResult Wait(std::chrono::milliseconds timeout);

 private:
  friend ProcessResult RunProcess(const ProcessSpec&, std::chrono::milliseconds);
  // `input_pipe` false: the standard input is spec.stdin_file.
  StartedProcess(const ProcessSpec& spec, bool input_pipe);
  void Say(char word);  // to the supervisor

  std::string program_;
  std::string error_;  // why the supervisor did not stand
  int supervisor_ = -1;
  int report_ = -1, word_ = -1, ending_ = -1, input_ = -1;  // the pipes' ends (-1: closed)
  bool started_ = false, waited_ = false;
  ProcessResult result_;
};

// Runs a batch file (a shell script) through /bin/sh in `spec.working_folder`; `spec.program`
// names the script and `spec.args` its arguments.
ProcessResult RunBatch(const ProcessSpec& spec, std::chrono::milliseconds timeout);

// Opens a document or an address with the desktop's opener (xdg-open), waiting at most three
// seconds for its verdict. Returns false when the opener could not be started or ended with a
// failure (no browser on the machine); an opener still running then counts as a success.
bool OpenDocument(std::string_view document);

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_PROCESS_H_
