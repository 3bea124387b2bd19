// The exports of the Vtr_wtp library (Plugin/Vtr_wtp.so), loaded at run time and bound by
// name. One process-wide engine sits behind them; every call runs to completion on the
// caller's thread.
//
//   vtr::platform::Module wtp;
//   if (!wtp.Load(".\\Plugin\\Vtr_wtp.dll", vtr::platform::ProgramFolder())) return;
//   auto* initialize = wtp.Find<VtrWtpInitializeFn>("VtrWtp_Initialize");
//
// Results of 0 or more mean success. The recogniser runs from the folder "Julius" beside the
// library (the environment variable VTR_RECOGNISER_FOLDER, when set at Initialize, names
// another folder). No export changes the process's current directory, and no C++ exception
// leaves one: a failed allocation inside gives -1 (-5 in VtrWtp_SetWav).
#ifndef VTR_ENGINES_WTP_WTP_API_H_
#define VTR_ENGINES_WTP_WTP_API_H_

#include "engines/wtp/segment_record.h"

#define VTR_WTP_EXPORT __attribute__((visibility("default")))

extern "C" {

// step_ms [ms] must be 20 and the low byte of flags 0 (else -2); -1 when already open.
VTR_WTP_EXPORT int VtrWtp_Initialize(int step_ms, int flags);
// Deletes the temporary files the engine created and frees everything; -1 when not open.
VTR_WTP_EXPORT int VtrWtp_Terminate(void);
// Reads a 16-bit mono PCM WAVE file (16000, 22050, 32000, 44100 or 48000 Hz) of at most 60 s.
// path: [path_length bytes], 1..256. -1 not open; -2 bad argument; -4 cannot open; -5 not a
// supported file, or a longer one (the previous wave is then replaced by an empty one).
VTR_WTP_EXPORT int VtrWtp_SetWav(const char* path, int path_length);
// Phoneme-symbol text [length bytes], 1..0x100000. 0; 1 when characters were skipped; -1 not
// open; -2 bad argument; -5 fewer than three phonemes or syllables, pauses included.
VTR_WTP_EXPORT int VtrWtp_SetText(const char* text, int length);
// Filters the wave (in place: a second call filters again), aligns it, analyses pitch and
// power, builds the segment tables and writes the pitch sequence into buffer
// [buffer_length bytes, 1..0x100000]. Returns the byte count; -1 not open, no wave or text,
// alignment or analysis failed; -2 bad argument; -3 buffer too small; -6 recogniser program
// missing; -7 acoustic model file missing.
VTR_WTP_EXPORT int VtrWtp_GetPSeq(char* buffer, int buffer_length);
// Writes the pitch sequence from the segment tables as they stand (after VtrWtp_SetSegment).
// Byte count; -1 nothing aligned and analysed yet; -2 bad argument; -3 buffer too small.
VTR_WTP_EXPORT int VtrWtp_GeneratePSeq(char* buffer, int buffer_length);
// Lends the engine's two tables: {count, items} pairs into the engine's own arrays, valid
// until the next VtrWtp_GetPSeq or VtrWtp_Terminate ({0, null} before any alignment).
// -2 when a pointer is null.
VTR_WTP_EXPORT int VtrWtp_GetSegment(vtr::wtp::SegmentTable* phonemes, vtr::wtp::SegmentTable* syllables);
// Refines the boundaries of the given tables in place (the caller's edits), then rebuilds the
// syllables' steps from their phonemes. -2 when a pointer is null or a table has fewer than
// three records or an index outside the tables; -1 when nothing was analysed yet.
VTR_WTP_EXPORT int VtrWtp_SetSegment(vtr::wtp::SegmentTable* phonemes, vtr::wtp::SegmentTable* syllables);

}  // extern "C"

// Types for binding the exports by name.
using VtrWtpInitializeFn = int(int, int);
using VtrWtpTerminateFn = int();
using VtrWtpSetWavFn = int(const char*, int);
using VtrWtpSetTextFn = int(const char*, int);
using VtrWtpGetPSeqFn = int(char*, int);
using VtrWtpGeneratePSeqFn = int(char*, int);
using VtrWtpGetSegmentFn = int(vtr::wtp::SegmentTable*, vtr::wtp::SegmentTable*);
using VtrWtpSetSegmentFn = int(vtr::wtp::SegmentTable*, vtr::wtp::SegmentTable*);

#endif  // VTR_ENGINES_WTP_WTP_API_H_
