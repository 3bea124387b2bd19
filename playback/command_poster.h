// How the end of a phrase reaches the window that started it: one command id posted to that
// window. The window layer implements the post (thread-safe, delivered once on the UI thread,
// also during nested modal loops); the program and each dialog library install an adapter.
//
//   #include "platform/window/window_system.h"
//   class WindowPoster : public vtr::playback::CommandPoster {
//     void PostCommand(void* window, int command_id) override {
//       vtr::platform::PostCommand(window, command_id);
//     }
//   };
//   WindowPoster poster;
//   vtr::playback::InstallCommandPoster(&poster);
#ifndef VTR_PLAYBACK_COMMAND_POSTER_H_
#define VTR_PLAYBACK_COMMAND_POSTER_H_

#include <mutex>
#include <utility>
#include <vector>

namespace vtr::playback {

// The command ids that stop playback in the windows that play scripts.
inline constexpr int kMainDialogStopCommand = 1003;
inline constexpr int kScriptEditStopCommand = 2022;
inline constexpr int kWaveToScriptStopCommand = 134;

// The window message the end of a phrase is posted as.
inline constexpr unsigned kCommandMessage = 0x0111;

class CommandPoster {
 public:
  virtual ~CommandPoster() = default;
  // Posts `command_id` to `window` (opaque). Called on the sound thread: must be thread-safe,
  // must return quickly and must not call back into playback.
  virtual void PostCommand(void* window, int command_id) = 0;
};

// Installs the poster of this program or library; nullptr removes it (ends are then dropped).
// The caller keeps `poster` alive while it is installed.
void InstallCommandPoster(CommandPoster* poster);

// Posts `command_id` to `window` through the installed poster (dropped when none is
// installed). Thread-safe.
void PostCommandToWindow(void* window, int command_id);

// A poster that only records what it was given, for tests.
class RecordingCommandPoster final : public CommandPoster {
 public:
  void PostCommand(void* window, int command_id) override {
    std::lock_guard lock(mutex_);
    posts_.emplace_back(window, command_id);
  }
  std::vector<std::pair<void*, int>> posts() const {
    std::lock_guard lock(mutex_);
    return posts_;
  }
  size_t count() const {
    std::lock_guard lock(mutex_);
    return posts_.size();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<void*, int>> posts_;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_COMMAND_POSTER_H_
