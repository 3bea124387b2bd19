// ShowMessage: how the wave-to-script library shows an entry of the message table.
//
// The library carries the messages 501-520 in Japanese only (the script core's Japanese
// block). A box belongs to the library's application object: its owner window and caption are
// the ones installed once with InstallLibraryMessages, and the box is shown through the
// installed presenter (the window layer's message box in the library, a recording one in tests).
// The style follows from the id (core::MessageBoxStyle).
//
//   // given: core::MessagePresenter& presenter; void* main_window_handle
//   InstallLibraryMessages(&presenter, main_window_handle, "Voxtrel");
//   if (ShowMessage(core::kMessageSaveChanges) == core::kIdYes) { /* save */ }
#ifndef VTR_WAVE2SCRIPT_CORE_SHOW_MESSAGE_H_
#define VTR_WAVE2SCRIPT_CORE_SHOW_MESSAGE_H_

#include <cstdarg>
#include <string>
#include <string_view>

#include "core/messages.h"

namespace vtr::w2s {

// Sets who shows the library's boxes (nullptr: nobody, every ShowMessage returns kIdCancel),
// their owner window (opaque, nullptr: none) and their caption. UI thread only.
void InstallLibraryMessages(core::MessagePresenter* presenter, void* owner,
                            std::string caption_utf8);

// The library's text of `id` (UTF-8, possibly with printf conversions); empty outside 501-520.
[[nodiscard]] std::string_view LibraryMessageText(unsigned id);

// printf-style formatting of a message text into a string of exactly the formatted length.
[[nodiscard]] std::string FormatMessageText(std::string_view format, va_list args);

// Loads the text of `id`, formats it printf-style with the further arguments (into a buffer
// sized by the formatted length) and shows it with the style of the id. Returns the pressed
// button, or core::kIdCancel without a box when the library has no text for `id`.
[[nodiscard]] int ShowMessage(unsigned id, ...);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_SHOW_MESSAGE_H_
