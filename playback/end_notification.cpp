#include "playback/end_notification.h"

#include <atomic>
#include <mutex>

#include "outside/emulator/emulator_api.h"
#include "platform/export_guard.h"
#include "playback/command_poster.h"

namespace vtr::playback {
namespace {

std::mutex notification_mutex;
std::optional<EndNotification> published;
std::atomic<CommandPoster*> poster{nullptr};

}  // namespace

void InstallCommandPoster(CommandPoster* command_poster) { poster.store(command_poster); }

void PostCommandToWindow(void* window, int command_id) {
  if (CommandPoster* target = poster.load()) target->PostCommand(window, command_id);
}

void PublishEndNotification(const EndNotification& notification) {
  std::lock_guard lock(notification_mutex);
  published = notification;
}

void WithdrawEndNotification() {
  std::lock_guard lock(notification_mutex);
  published.reset();
}

std::optional<EndNotification> PublishedEndNotification() {
  std::lock_guard lock(notification_mutex);
  return published;
}

// Called by the outside library, possibly on a thread of its own: nothing thrown may return
// into it.
extern "C" void PlaybackEndCallback(int32_t event) {
  platform::GuardExport([event] {
    if (event != QS_EVENT_END) return;
    std::optional<EndNotification> taken;
    {
      std::lock_guard lock(notification_mutex);
      taken.swap(published);
    }
    if (!taken || taken->window == nullptr) return;
    if (CommandPoster* target = poster.load()) {
      target->PostCommand(taken->window, static_cast<int>(taken->wparam));
    }
  });
}

}  // namespace vtr::playback
