#include "wave2script/dialogs/record/record_library.h"

#include <utility>

#include "engines/wtp/wtp_api.h"
#include "platform/paths.h"

namespace vtr::w2s {
namespace {

std::filesystem::path& FolderOverride() {
  static auto* folder = new std::filesystem::path();
  return *folder;
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
  static auto* module = new platform::Module();
  return *module;
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
