// WaveIO: the wave-to-script library's one module for wave files and the sound card. It checks
// wave files, plays one through the sound output, records the microphone into a temporary
// wave file, normalises a recording and saves it as the user's file, and reports the position.
//
// Free functions over one module-wide state, used on the UI thread only. The sound device
// rotates blocks: playback keeps 4 blocks of 8092 bytes queued, recording 64 blocks of 4096
// bytes. Each block the device finishes is announced to the window given at the start as a
// posted command (kWaveOutDone or kWaveInData, through playback's installed CommandPoster);
// the window feeds every such command into WaveIO_OnMessage, which refills or writes the
// block and reports when playback has run out or the recording has reached its limit.
//
//   // given: void* window; std::filesystem::path path
//   WaveIO_Init();
//   if (WaveIO_RecordToTemp(window)) { ... }                 // command kWaveInData arrives:
//   int finished = 0;
//   WaveIO_OnMessage(kWaveInData, &finished);
//   if (finished) { WaveIO_StopAll(); (void)WaveIO_SaveRecording(path); }
//   WaveIO_Cleanup();
#ifndef VTR_WAVE2SCRIPT_CORE_WAVE_IO_H_
#define VTR_WAVE2SCRIPT_CORE_WAVE_IO_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/file_writer.h"

namespace vtr::w2s {

// The commands a finished block is announced with (the numbers of the device messages).
inline constexpr int kWaveOutDone = 0x3BD;
inline constexpr int kWaveInData = 0x3C0;

inline constexpr int kWavePlaySlots = 4;
inline constexpr int kWavePlayBlockBytes = 8092;
inline constexpr int kWaveRecordSlots = 64;
inline constexpr int kWaveRecordBlockBytes = 4096;
inline constexpr int kWaveRecordRate = 44100;

// The name of the temporary recording, in the user's private folder (see
// platform::PrivateFolder): out of other users' reach, as it was on the disk of one user.
inline constexpr char kWaveTempName[] = "_&&&_Input_&&&_TempData.wav";

// Stops everything, frees any blocks and allocates them afresh; clears the counters. Returns
// true, or false when the blocks could not be allocated (play and record are refused then).
bool WaveIO_Init();
// The library's check of a wave file (see CheckWaveFile); an accepted file's rate becomes the
// stored rate. Returns true when the file is accepted.
bool WaveIO_CheckWaveFile(const std::filesystem::path& path);
// Starts playing the file to the default output; `window` receives kWaveOutDone. Returns
// true, or false while playing or recording, without blocks, or on any failure (everything
// stopped).
bool WaveIO_PlayFile(const std::filesystem::path& path, void* window);
// Starts recording 16-bit mono at 44100 Hz into the temporary file, made anew for this user
// alone (mode 0600; an unsaved earlier recording gives way); `window` receives kWaveInData.
// Returns true when recording runs; false while playing or recording, without blocks, without
// a private folder, or when the file or the input device could not be opened (everything
// stopped, no temporary file left, WaveIO_LastError tells why).
bool WaveIO_RecordToTemp(void* window);
// Stops playback and recording. The blocks of a recording that came back are written first;
// the file's sizes are fixed and it is closed.
void WaveIO_StopAll();
// Feeds one posted command. Sets *finished to 1 when the last played block came back (the
// file and device are closed then) or the recording has reached its limit of 40 x rate data
// bytes (the recording goes on, writing nothing more, until it is stopped).
void WaveIO_OnMessage(int message, int* finished);
// Normalises the temporary recording to a peak of 32760 and writes it to `target` through
// `writer`, which puts the bytes in a temporary file beside the target and renames that into
// place, so a full disk or a kill half-way never leaves the old file cut short. A file there
// is replaced even when it is read-only; a file that another user's link in a shared folder
// leads to is neither replaced nor made writable. Returns true on success, the temporary recording
// then gone; on failure the old file is as it was (it may have become writable), the
// recording stays in the temporary file and false is returned (WaveIO_LastError tells why).
bool WaveIO_SaveRecording(const std::filesystem::path& target,
                          platform::FileWriter& writer = platform::FileWriter::Default());
// Stops everything, deletes the temporary file and frees the blocks.
void WaveIO_Cleanup();
// Playing: data bytes read minus the 4 x 8092 still queued, never below 0. Recording: data
// bytes written. Otherwise 0.
[[nodiscard]] uint32_t WaveIO_GetPosition();
[[nodiscard]] bool WaveIO_IsPlaying();
[[nodiscard]] bool WaveIO_IsRecording();
// The stored rate: of the file played or recorded last, or of the file accepted last by the
// check [Hz]; 0 before any.
[[nodiscard]] int WaveIO_GetRate();
// Where the temporary recording lives; empty when the user has no private folder.
[[nodiscard]] std::filesystem::path WaveIO_TempPath();
// Why the last operation that failed did so; empty when it gave no reason.
[[nodiscard]] std::string WaveIO_LastError();

// The position in hundredths of a second: position / (rate / 100 x 2); 0 for a rate below 100.
[[nodiscard]] int WavePositionHundredths(uint32_t position, int rate);
// The position shown while playing or recording: "%04d" of the hundredths, its first two
// characters, " : " and its last two ("12 : 34").
[[nodiscard]] std::string WavePositionText(uint32_t position, int rate);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_CORE_WAVE_IO_H_
