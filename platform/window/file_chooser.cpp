#include "platform/window/internal/file_chooser.h"

#include <algorithm>
#include <string_view>

namespace vtr::platform::internal {
namespace {

constexpr std::string_view kSpaces = " \t\r\n";

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(kSpaces);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

bool IsWildcard(std::string_view text) {
  return text.find_first_of("*?") != std::string_view::npos;
}

// "*.ext" with a plain extension, which FLTK's brace form can list.
bool IsPlainExtension(std::string_view pattern) {
  return pattern.size() > 2 && pattern.substr(0, 2) == "*." &&
         pattern.find_first_of("*?[]{},|", 2) == std::string_view::npos;
}

std::string Wildcard(std::string_view patterns) {
  std::vector<std::string_view> list;
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string_view::npos) end = patterns.size();
    const std::string_view pattern = Trimmed(patterns.substr(start, end - start));
    if (pattern == "*" || pattern == "*.*") return "*";
    if (!pattern.empty()) list.push_back(pattern);
    start = end + 1;
  }
  if (list.empty()) return "*";
  if (list.size() == 1) return std::string(list[0]);
  const bool extensions = std::all_of(list.begin(), list.end(), IsPlainExtension);
  std::string text = extensions ? "*.{" : "{";
  for (size_t i = 0; i < list.size(); ++i) {
    if (i > 0) text += ',';
    text += extensions ? list[i].substr(2) : list[i];
  }
  return text + "}";
}

// The label as FLTK should get it: FLTK appends "(wildcard)" itself.
std::string FilterName(std::string_view label) {
  std::string name(label.substr(0, label.find_last_not_of(kSpaces) + 1));
  const size_t open = name.rfind('(');
  if (!name.empty() && name.back() == ')' && open != std::string::npos &&
      IsWildcard(std::string_view(name).substr(open))) {
    name.erase(open);
  } else if (!name.empty()) {
    name += ' ';
  }
  for (char& c : name) {
    if (c == '(') c = '[';
    if (c == ')') c = ']';
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return Trimmed(name).empty() ? std::string() : name;
}

// Normal form without a trailing separator ("/songs/" is "/songs"; "/" stays).
std::filesystem::path Clean(const std::filesystem::path& path) {
  std::filesystem::path clean = path.lexically_normal();
  if (!clean.has_filename() && clean.has_relative_path()) clean = clean.parent_path();
  return clean;
}

}  // namespace

std::string FltkFilterText(const std::vector<FileFilter>& filters) {
  std::string text;
  for (const FileFilter& filter : filters) {
    const std::string name = FilterName(filter.description);
    // Every line has its tab: FLTK drops a line without one when others have names, and every
    // later filter number would then be one off.
    text += name + "\t" + Wildcard(filter.patterns) + "\n";
  }
  return text;
}

ChooserStart ChooserStartOf(const FileDialogRequest& request,
                            const std::filesystem::path& current_folder) {
  // Joining an absolute path gives that path.
  std::filesystem::path folder = request.folder.empty()
                                     ? current_folder
                                     : current_folder / std::filesystem::path(request.folder);
  ChooserStart start;
  if (!request.file_name.empty()) {
    const std::filesystem::path name(request.file_name);
    const std::filesystem::path file = Clean(folder / name);
    if (name.has_filename() && file.has_relative_path()) {
      start.file = file.string();
      folder = file.parent_path();
    } else {  // a folder ("songs/") proposes no name
      folder = file;
    }
  }
  start.folder = Clean(folder).string();
  return start;
}

}  // namespace vtr::platform::internal
