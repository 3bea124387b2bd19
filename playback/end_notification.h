// The end-of-phrase notification of this program or library, and the end callback that the
// sound libraries call.
//
// A controller publishes the notification just before it starts a phrase and withdraws it when
// the start fails and when it stops or closes the phrase. The end callback (called by the
// library, possibly on its own thread) takes the published notification away in one step and
// posts it; so a phrase that ends posts exactly once and a stopped one never.
#ifndef VTR_PLAYBACK_END_NOTIFICATION_H_
#define VTR_PLAYBACK_END_NOTIFICATION_H_

#include <cstdint>
#include <optional>

namespace vtr::playback {

struct EndNotification {
  void* window = nullptr;
  unsigned message = 0;
  intptr_t wparam = 0;  // the command id
  intptr_t lparam = 0;
};

void PublishEndNotification(const EndNotification& notification);
void WithdrawEndNotification();
// What is published now (for tests).
std::optional<EndNotification> PublishedEndNotification();

// The callback handed to the libraries: the end event posts the published notification once;
// every other event is ignored.
extern "C" void PlaybackEndCallback(int32_t event);

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_END_NOTIFICATION_H_
