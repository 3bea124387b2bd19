// The exports of the Vtr_wtp library (Plugin/Vtr_wtp.so), loaded at run time and bound by
// name. One process-wide engine sits behind them; every call runs to completion on the
// caller's thread.
//
//   #include "platform/module.h"
//   #include "platform/paths.h"
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

#include <assert.h>  // static_assert in C
#include <stddef.h>
#include <stdint.h>

#define VTR_WTP_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

enum { kVtrWtpSegmentNameBytes = 20 };

// One aligned phoneme or syllable: a fixed 48-byte record (C++: SegmentRecord; segment_record.h
// states the invariants of a finished alignment).
typedef struct VtrWtpSegmentRecord {
  char name[kVtrWtpSegmentNameBytes];  // NUL-terminated symbol; " " for a pause
  int32_t link;                        // phoneme: index of its syllable; syllable: its own index
  int32_t firstPhoneme;                // syllable: index of its first phoneme; phoneme: 0
  int32_t lastPhoneme;                 // syllable: index of its last phoneme; phoneme: 0
  float startSec;                      // [s] from the recogniser; 0 for inserted pauses
  float endSec;                        // [s]
  uint32_t startStep;                  // [20 ms steps]
  uint32_t endStep;                    // [20 ms steps], exclusive
} VtrWtpSegmentRecord;

// {count, items}: the natural layout of the platform (16 bytes on 64-bit builds); both
// libraries that exchange it are built together. C++: SegmentTable.
typedef struct VtrWtpSegmentTable {
  uint32_t count;
  VtrWtpSegmentRecord* items;
} VtrWtpSegmentTable;

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
VTR_WTP_EXPORT int VtrWtp_GetSegment(VtrWtpSegmentTable* phonemes, VtrWtpSegmentTable* syllables);
// Refines the boundaries of the given tables in place (the caller's edits), then rebuilds the
// syllables' steps from their phonemes. -2 when a pointer is null or a table has fewer than
// three records or an index outside the tables; -1 when nothing was analysed yet.
VTR_WTP_EXPORT int VtrWtp_SetSegment(VtrWtpSegmentTable* phonemes, VtrWtpSegmentTable* syllables);

// Types for binding the exports by name.
typedef int VtrWtpInitializeFn(int, int);
typedef int VtrWtpTerminateFn(void);
typedef int VtrWtpSetWavFn(const char*, int);
typedef int VtrWtpSetTextFn(const char*, int);
typedef int VtrWtpGetPSeqFn(char*, int);
typedef int VtrWtpGeneratePSeqFn(char*, int);
typedef int VtrWtpGetSegmentFn(VtrWtpSegmentTable*, VtrWtpSegmentTable*);
typedef int VtrWtpSetSegmentFn(VtrWtpSegmentTable*, VtrWtpSegmentTable*);

#ifdef __cplusplus
}  // extern "C"
#endif

static_assert(sizeof(VtrWtpSegmentRecord) == 48, "a record is 48 bytes");
static_assert(offsetof(VtrWtpSegmentRecord, name) == 0, "name at 0");
static_assert(offsetof(VtrWtpSegmentRecord, link) == 20, "link at 20");
static_assert(offsetof(VtrWtpSegmentRecord, firstPhoneme) == 24, "firstPhoneme at 24");
static_assert(offsetof(VtrWtpSegmentRecord, lastPhoneme) == 28, "lastPhoneme at 28");
static_assert(offsetof(VtrWtpSegmentRecord, startSec) == 32, "startSec at 32");
static_assert(offsetof(VtrWtpSegmentRecord, endSec) == 36, "endSec at 36");
static_assert(offsetof(VtrWtpSegmentRecord, startStep) == 40, "startStep at 40");
static_assert(offsetof(VtrWtpSegmentRecord, endStep) == 44, "endStep at 44");

#ifdef __cplusplus
// The C++ names of the two types, vtr::wtp::SegmentRecord and SegmentTable, and their helpers.
#include "engines/wtp/segment_record.h"
#endif

#endif  // VTR_ENGINES_WTP_WTP_API_H_
