// A private copy of the installed recogniser folder, so tests that run the stand-in never
// share files with other tests.
#ifndef VTR_ENGINES_WTP_TESTING_RECOGNISER_FOLDER_H_
#define VTR_ENGINES_WTP_TESTING_RECOGNISER_FOLDER_H_

#include <filesystem>
#include <string>

namespace vtr::wtp::testing {

class RecogniserFolder {
 public:
  // Copies the program and the model file (each only when asked) into a fresh folder.
  RecogniserFolder(const std::string& name, bool program = true, bool model = true)
      : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) / ("recogniser_" + name)) {
    const std::filesystem::path installed =
        std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    if (program) std::filesystem::copy_file(installed / "julius", folder_ / "julius");
    if (model) std::filesystem::copy_file(installed / "hmmdefs", folder_ / "hmmdefs");
  }
  ~RecogniserFolder() { std::filesystem::remove_all(folder_); }
  const std::filesystem::path& path() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

}  // namespace vtr::wtp::testing

#endif  // VTR_ENGINES_WTP_TESTING_RECOGNISER_FOLDER_H_
