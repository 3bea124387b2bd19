#include "wave2script/dialogs/record/record_library.h"

#include <utility>

#include "engines/wtp/wtp_api.h"
#include "platform/paths.h"

namespace vtr::w2s {
namespace {

// Plain function statics, not leaked heap objects: the code lives in a library that the program
// loads and unloads for each use, and each unload must leave nothing behind.
std::filesystem::path& FolderOverride() {
  static std::filesystem::path folder;
  return folder;
}

bool& Marker() {
  static bool marker = false;
  return marker;
}

}  // namespace

std::filesystem::path RecordLibraryFolder() {
  if (!FolderOverride().empty()) return FolderOverride();
  // The address of a function of this code names the library it is linked into.
  return platform::ModuleFolder(reinterpret_cast<const void*>(&RecordLibraryFolder));
}

void SetRecordLibraryFolder(std::filesystem::path folder) { FolderOverride() = std::move(folder); }

platform::Module& RecordWtpLibrary() {
  static platform::Module module;
  return module;
}

void ReleaseRecordWtpLibrary() {
  platform::Module& wtp = RecordWtpLibrary();
  if (!wtp.loaded()) return;
  if (auto* terminate = wtp.Find<VtrWtpTerminateFn>("VtrWtp_Terminate")) (void)terminate();
  wtp.Free();
}

void SetWaveRoadMarker() { Marker() = true; }
void ClearWaveRoadMarker() { Marker() = false; }
bool WaveRoadMarker() { return Marker(); }

}  // namespace vtr::w2s
