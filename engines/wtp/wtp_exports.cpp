// The eight exports, each a thin forwarder to the one engine of the process. Nothing thrown
// inside leaves them: a failed allocation gives -1 (-5 while a wave is read).
#include <cstdlib>
#include <filesystem>

#include "engines/wtp/wtp_api.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/export_guard.h"
#include "platform/paths.h"

namespace {

std::filesystem::path RecogniserFolder() {
  const char* override_folder = std::getenv("VTR_RECOGNISER_FOLDER");
  if (override_folder != nullptr && override_folder[0] != '\0') return override_folder;
  return vtr::platform::ModuleFolder(reinterpret_cast<const void*>(&VtrWtp_Initialize)) / "Julius";
}

vtr::wtp::WtpEngine& Engine() {
  static vtr::wtp::WtpEngine engine(RecogniserFolder());
  return engine;
}

}  // namespace

using vtr::platform::GuardExport;

extern "C" {

int VtrWtp_Initialize(int step_ms, int flags) {
  return GuardExport(-1, [&] {
    // The folder is looked up at every start, so a changed override takes effect.
    vtr::wtp::WtpEngine& engine = Engine();
    if (!engine.is_open()) engine.set_recogniser_folder(RecogniserFolder());
    return engine.Initialize(step_ms, flags);
  });
}
int VtrWtp_Terminate() {
  return GuardExport(-1, [] { return Engine().Terminate(); });
}
int VtrWtp_SetWav(const char* path, int path_length) {
  return GuardExport(-5, [&] { return Engine().SetWav(path, path_length); });
}
int VtrWtp_SetText(const char* text, int length) {
  return GuardExport(-1, [&] { return Engine().SetText(text, length); });
}
int VtrWtp_GetPSeq(char* buffer, int buffer_length) {
  return GuardExport(-1, [&] { return Engine().GetPSeq(buffer, buffer_length); });
}
int VtrWtp_GeneratePSeq(char* buffer, int buffer_length) {
  return GuardExport(-1, [&] { return Engine().GeneratePSeq(buffer, buffer_length); });
}
int VtrWtp_GetSegment(vtr::wtp::SegmentTable* phonemes, vtr::wtp::SegmentTable* syllables) {
  return GuardExport(-1, [&] { return Engine().GetSegment(phonemes, syllables); });
}
int VtrWtp_SetSegment(vtr::wtp::SegmentTable* phonemes, vtr::wtp::SegmentTable* syllables) {
  return GuardExport(-1, [&] { return Engine().SetSegment(phonemes, syllables); });
}

}  // extern "C"
