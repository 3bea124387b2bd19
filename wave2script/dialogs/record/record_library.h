// What the record road's two dialogs share inside the wave-to-script library: the folder the
// library lives in (its "Plugin" folder holds Vtr_wtp and Vtr_pth), the Vtr_wtp library that
// the wave input dialog leaves loaded for the segment confirm dialog, and the marker that
// tells the open-file road that the wave road ran.
//
//   std::filesystem::path plugins = RecordLibraryFolder() / "Plugin";
//   if (RecordWtpLibrary().loaded()) { ... }   // between dialog 146's OK and dialog 148's end
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_LIBRARY_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_LIBRARY_H_

#include <filesystem>

#include "platform/module.h"

namespace vtr::w2s {

// The system names of the two analysis libraries, relative to the library's folder.
inline constexpr char kWtpLibraryName[] = ".\\Plugin\\Vtr_wtp.dll";
inline constexpr char kPthLibraryName[] = ".\\Plugin\\Vtr_pth.dll";
// The size of the pitch-sequence and script buffers [bytes].
inline constexpr int kRecordBufferBytes = 0x100000;

// The folder of the library this code is linked into (the program folder in a distribution).
// A folder set with SetRecordLibraryFolder takes its place (tests, other layouts).
[[nodiscard]] std::filesystem::path RecordLibraryFolder();
// Empty: back to the library's own folder.
void SetRecordLibraryFolder(std::filesystem::path folder);

// The Vtr_wtp library loaded by the wave input dialog's aligner road and kept, initialised,
// until the segment confirm dialog is destroyed (UI thread only).
platform::Module& RecordWtpLibrary();
// Terminates Vtr_wtp (VtrWtp_Terminate by name) and frees it; nothing when it is not loaded.
void ReleaseRecordWtpLibrary();

// The process-wide wave-road marker: set whenever the wave input dialog is shown; the
// intonation edit dialog clears it before an open and reads it afterwards.
void SetWaveRoadMarker();
void ClearWaveRoadMarker();
[[nodiscard]] bool WaveRoadMarker();

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_RECORD_LIBRARY_H_
