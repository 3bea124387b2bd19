#include "app/about_dialog.h"

#include <algorithm>

#include "app/skin_art.h"
#include "platform/window/controls.h"
#include "resources/resources.h"

namespace vtr::app {
namespace {

constexpr int kIdProgramText = 1009;
constexpr int kIdLegalText = 1021;
constexpr int kIdLibraryList = 1011;
constexpr int kIdIcon = 1012;
constexpr int kLanguageChinese = 5;

constexpr int kAboutTemplate = 100;

platform::DialogTemplate AboutTemplate() {
  const platform::DialogTemplate* found =
      resources::FindDialog(resources::Module::kProgram, kAboutTemplate);
  return found != nullptr ? *found : platform::DialogTemplate{};
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return text;
}

}  // namespace

std::string TrimVersion(std::string_view version) {
  size_t commas = 0;
  for (size_t i = 0; i < version.size(); ++i) {
    if (version[i] == ',' && ++commas == 3) return std::string(version.substr(0, i));
  }
  return std::string(version);
}

std::string ProgramVersionText(const VersionInfo& info) {
  std::string version = TrimVersion(info.file_version);
  std::string dotted;
  for (size_t i = 0; i < version.size(); ++i) {
    if (version.compare(i, 2, ", ") == 0) {
      dotted += '.';
      ++i;
    } else {
      dotted += version[i];
    }
  }
  return info.description + " version " + dotted;
}

std::vector<LibraryRow> ListLibraries(const std::filesystem::path& folder) {
  std::vector<LibraryRow> rows;
  for (const platform::VersionedLibrary& library : platform::ListVersionedLibraries(folder)) {
    const std::string name = library.file.filename().string();
    const std::string lower = Lower(name);
    // The run-time libraries of the original platform were never listed.
    if (lower.rfind("mfc", 0) == 0 || lower.rfind("msvcr", 0) == 0) continue;
    if (library.record.file_version.empty()) continue;
    rows.push_back({name, TrimVersion(library.record.file_version)});
  }
  return rows;
}

AboutDialog::AboutDialog(platform::Window* owner, int language,
                         std::filesystem::path program_folder, std::filesystem::path program_file)
    : Dialog(AboutTemplate(), owner),
      language_(language),
      program_folder_(std::move(program_folder)),
      program_file_(std::move(program_file)) {}

bool AboutDialog::OnInitDialog() {
  const std::optional<VersionInfo> program = platform::ReadVersionRecord(program_file_);
  if (program) {
    Item(kIdProgramText)->SetText(ProgramVersionText(*program));
    Item(kIdLegalText)->SetText(program->copyright);
  }
  if (auto* icon = Item<platform::Picture>(kIdIcon)) icon->SetImage(LoadArt(kArtIcon), kArtKey);
  auto* list = Item<platform::ListView>(kIdLibraryList);
  const bool chinese = language_ == kLanguageChinese;
  (void)list->InsertColumn(0, "File Name", chinese ? 115 : 135);
  (void)list->InsertColumn(1, "Version", chinese ? 80 : 60);
  for (const LibraryRow& row : ListLibraries(program_folder_)) {
    const int index = list->InsertItem(list->item_count(), row.name);
    (void)list->SetItemText(index, 1, row.version);
  }
  return true;
}

}  // namespace vtr::app
