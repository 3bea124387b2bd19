// A re-entry guard for a dialog command: a command that is still running (a nested message
// loop of a box or dialog inside it) ignores a second activation.
//
//   // given: bool play_running_
//   void OnPlay() {
//     CommandGuard guard(play_running_);
//     if (!guard) return;
//     ...
//   }
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_COMMAND_GUARD_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_COMMAND_GUARD_H_

namespace vtr::w2s {

class CommandGuard {
 public:
  explicit CommandGuard(bool& flag) : flag_(flag), entered_(!flag) {
    if (entered_) flag_ = true;
  }
  ~CommandGuard() {
    if (entered_) flag_ = false;
  }
  CommandGuard(const CommandGuard&) = delete;
  CommandGuard& operator=(const CommandGuard&) = delete;
  explicit operator bool() const { return entered_; }

 private:
  bool& flag_;
  bool entered_;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_COMMAND_GUARD_H_
