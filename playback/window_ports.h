// The adapters through which core's messages and the player's end-of-phrase commands reach the
// window layer. The program, each dialog library and the tests of their dialogs install both
// while a dialog can run:
//
//   WindowPresenter presenter;
//   core::InstallMessagePresenter(&presenter);
//   WindowPoster poster;
//   playback::InstallCommandPoster(&poster);
#ifndef VTR_PLAYBACK_WINDOW_PORTS_H_
#define VTR_PLAYBACK_WINDOW_PORTS_H_

#include <cstdint>
#include <string_view>

#include "core/messages.h"
#include "platform/window/window.h"
#include "platform/window/window_system.h"
#include "playback/command_poster.h"

namespace vtr::playback {

// Shows core's message boxes as the window layer's boxes; `owner` is a Window::handle().
class WindowPresenter final : public core::MessagePresenter {
 public:
  int Show(void* owner, std::string_view text, std::string_view caption, uint32_t style) override {
    return platform::MessageBox(platform::Window::FromHandle(owner), text, caption, style);
  }
};

// Posts the player's end-of-phrase command to the window that started the phrase.
class WindowPoster final : public CommandPoster {
 public:
  void PostCommand(void* window, int command_id) override {
    platform::PostCommand(window, command_id);
  }
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_WINDOW_PORTS_H_
