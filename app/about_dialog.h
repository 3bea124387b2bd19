// The "About VTR" box: the program's description and version, its legal notice and every
// library of the installation with its version.
//
//   // given: platform::Window* owner; std::filesystem::path program_folder
//   AboutDialog about(owner, 2, program_folder, program_folder / "vtr");
//   (void)about.DoModal();
#ifndef VTR_APP_ABOUT_DIALOG_H_
#define VTR_APP_ABOUT_DIALOG_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/version_record.h"
#include "platform/window/dialog.h"

namespace vtr::app {

using VersionInfo = platform::VersionRecord;

// The version cut before its third comma: "1, 0, 2, 3" -> "1, 0, 2".
[[nodiscard]] std::string TrimVersion(std::string_view version);
// "description version 1.0.2" from the record (every ", " of the trimmed version becomes ".").
[[nodiscard]] std::string ProgramVersionText(const VersionInfo& info);

struct LibraryRow {
  std::string name;
  std::string version;
  bool operator==(const LibraryRow&) const = default;
};

// Every library (".so", any case) under `folder`, subfolders included (never through folder
// links), that has a version record, with its trimmed version; in name order within each
// folder.
[[nodiscard]] std::vector<LibraryRow> ListLibraries(const std::filesystem::path& folder);

class AboutDialog : public platform::Dialog {
 public:
  // `language` is the player's language nibble (5 CN widens the version column).
  AboutDialog(platform::Window* owner, int language, std::filesystem::path program_folder,
              std::filesystem::path program_file);

 protected:
  bool OnInitDialog() override;

 private:
  int language_;
  std::filesystem::path program_folder_;
  std::filesystem::path program_file_;
};

}  // namespace vtr::app

#endif  // VTR_APP_ABOUT_DIALOG_H_
