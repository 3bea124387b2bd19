// A private folder for one piece of work that hands files to an outside program.
//
// The folder is made under the temporary folder with mode 0700 and a name no other run shares,
// so runs side by side never meet and other users cannot look in. It is removed with
// everything in it when the object goes, and also when the process dies before that (killed,
// crashed): a small helper process stands by to remove it.
//
//   // given: int kFailed; void WriteInputs(const std::filesystem::path& folder)
//   vtr::platform::ScratchFolder scratch("voxtrel-align");
//   if (!scratch.ok()) return kFailed;
//   WriteInputs(scratch.path());              // $TMPDIR/voxtrel-align-XXXXXX/...
//   ...                                       // the folder goes with `scratch`
#ifndef VTR_PLATFORM_SCRATCH_FOLDER_H_
#define VTR_PLATFORM_SCRATCH_FOLDER_H_

#include <filesystem>
#include <memory>
#include <string_view>

namespace vtr::platform {

namespace internal {
class Guardian;
}  // namespace internal

class ScratchFolder {
 public:
  // `prefix`: the start of the folder's name; a unique ending is added. `guarded` false: no
  // helper process stands by; the caller guards the folder otherwise (the supervisor of a
  // StartedProcess whose spec.guarded_folder names it, started at once).
  explicit ScratchFolder(std::string_view prefix, bool guarded = true);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // False when the folder could not be made; path() is then empty.
  bool ok() const { return !path_.empty(); }
  // Absolute.
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::unique_ptr<internal::Guardian> guardian_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_SCRATCH_FOLDER_H_
