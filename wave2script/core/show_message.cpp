#include "wave2script/core/show_message.h"

#include <cstdarg>
#include <cstdio>
#include <utility>
#include <vector>

namespace vtr::w2s {

namespace {

constexpr unsigned kFirstLibraryMessage = 501;
constexpr unsigned kLastLibraryMessage = 520;

// The library's application object, as far as message boxes go.
struct LibraryApplication {
  core::MessagePresenter* presenter = nullptr;
  void* owner = nullptr;
  std::string caption;
};

LibraryApplication& Application() {
  static LibraryApplication application;
  return application;
}

}  // namespace

std::string FormatMessageText(std::string_view format, va_list args) {
  const std::string fmt(format);  // NUL-terminated copy for vsnprintf
  va_list sizing;
  va_copy(sizing, args);
  const int size = std::vsnprintf(nullptr, 0, fmt.c_str(), sizing);
  va_end(sizing);
  if (size <= 0) return size == 0 ? std::string() : fmt;
  std::vector<char> buffer(static_cast<size_t>(size) + 1);
  std::vsnprintf(buffer.data(), buffer.size(), fmt.c_str(), args);
  return std::string(buffer.data(), static_cast<size_t>(size));
}

void InstallLibraryMessages(core::MessagePresenter* presenter, void* owner,
                            std::string caption_utf8) {
  LibraryApplication& app = Application();
  app.presenter = presenter;
  app.owner = owner;
  app.caption = std::move(caption_utf8);
}

std::string_view LibraryMessageText(unsigned id) {
  if (id < kFirstLibraryMessage || id > kLastLibraryMessage) return {};
  return core::MessageText(core::MessageLanguage::kJapanese, id);
}

int ShowMessage(unsigned id, ...) {
  const std::string_view text = LibraryMessageText(id);
  const LibraryApplication& app = Application();
  if (text.empty() || app.presenter == nullptr) return core::kIdCancel;
  va_list args;
  va_start(args, id);
  const std::string shown = FormatMessageText(text, args);
  va_end(args);
  return app.presenter->Show(app.owner, shown, app.caption, core::MessageBoxStyle(id));
}

}  // namespace vtr::w2s
