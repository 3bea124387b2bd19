#include "scriptedit/file_filters.h"

#include <algorithm>

#include "platform/paths.h"

namespace vtr::scriptedit {
namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

platform::FileFilter PluginFilter(std::string_view description, std::string_view extension) {
  std::string text(description);
  std::replace(text.begin(), text.end(), '|', ' ');
  const std::string pattern = "*." + std::string(extension);
  return {text + " (" + pattern + ")", pattern};
}

std::string FilterString(const std::vector<platform::FileFilter>& filters) {
  std::string text;
  for (const platform::FileFilter& filter : filters) {
    text += filter.description + "|" + filter.patterns + "|";
  }
  return text + "|";
}

std::string ExtensionOf(std::string_view path) {
  const std::string extension = platform::Extension(path);
  return extension.empty() ? extension : extension.substr(1);
}

std::string WithExtension(std::string_view path, std::string_view extension) {
  if (EqualsIgnoringCase(ExtensionOf(path), extension)) return std::string(path);
  return platform::ReplaceExtension(path, "." + std::string(extension));
}

bool EndsWithExtension(std::string_view path, std::string_view extension) {
  const size_t size = extension.size() + 1;
  if (path.size() < size) return false;
  const std::string_view tail = path.substr(path.size() - size);
  return tail.front() == '.' && EqualsIgnoringCase(tail.substr(1), extension);
}

}  // namespace vtr::scriptedit
