// The exports of the wave-to-script library (Vtr_W2SDlg.so in the program folder), loaded at
// run time and bound by name. The library shows one modal dialog, the intonation edit dialog:
// the caller's script as an intonation graph, its play, open and save, and the record road
// that turns speech into a new script. Texts are Shift-JIS bytes, NUL-terminated.
//
//   #include <string>
//   #include "platform/module.h"
//   #include "platform/paths.h"
//   // given: int saved, voice, volume; const char* wave_path; const char* script
//   // given: const char* script_path
//   vtr::platform::Module w2s;
//   if (!w2s.Load(".\\Vtr_W2SDlg.dll", vtr::platform::ProgramFolder())) return;
//   auto* open = w2s.Find<W2sOpenWaveToKvxDlgFn>("W2S_openWaveToKvxDlg");
//   if (open(saved, wave_path, script, voice, volume, script_path, 0) == 1) {
//     auto* get = w2s.Find<W2sGetWaveToKvxDataFn>("W2S_getWaveToKvxData");
//     char* text = nullptr;
//     char* path = nullptr;
//     int saved2 = 0, voice2 = 0, volume2 = 0, pass = 0;
//     (void)get(&saved2, &text, &voice2, &volume2, &path, &pass);
//     std::string copy = text;                     // before the library is freed
//   }
#ifndef VTR_WAVE2SCRIPT_DIALOGS_W2S_DIALOG_API_H_
#define VTR_WAVE2SCRIPT_DIALOGS_W2S_DIALOG_API_H_

#define VTR_W2S_EXPORT __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

// Runs the intonation edit dialog modally with:
//   saved_flag        1 when the script is that of a saved file, else 0 (handed back);
//   wave_file_path    a WAVE file to open once the dialog shows ("" or NULL: none);
//   script_text       the script, with or without its tag "KV#J" ("" or NULL: none);
//   voice             voice index [0..15];
//   volume            [0..127];
//   script_file_path  the script's file ("" or NULL: none);
//   pass_through      handed back unchanged.
// The texts are copied. Returns 1 when the user confirmed (then fetch the results with
// W2S_getWaveToKvxData), 2 when the dialog was cancelled or the user chose not to take the
// changes over, -1 when it could not be shown.
VTR_W2S_EXPORT int W2S_openWaveToKvxDlg(int saved_flag, const char* wave_file_path,
                                        const char* script_text, int voice, int volume,
                                        const char* script_file_path, int pass_through);

// The results of the last confirmed dialog: *script_text the script with its tag ("KV#J"
// alone when the graph was emptied), *voice [0..15], *volume [0..127], *script_file_path the
// script's file ("" when none), *pass_through as given, *saved_flag 1 when the script is that
// of a saved file; the result is the saved flag too. Both text pointers point into the
// library and stay valid until the next W2S_openWaveToKvxDlg or until the library is
// unloaded. A NULL argument is skipped.
VTR_W2S_EXPORT int W2S_getWaveToKvxData(int* saved_flag, char** script_text, int* voice,
                                        int* volume, char** script_file_path, int* pass_through);

// The file version of the running program's version record ("" when it has none). The text
// is held by the library and stays valid while it is loaded.
VTR_W2S_EXPORT const char* W2S_getDllVersion(void);

typedef int W2sOpenWaveToKvxDlgFn(int, const char*, const char*, int, int, const char*, int);
typedef int W2sGetWaveToKvxDataFn(int*, char**, int*, int*, char**, int*);
typedef const char* W2sGetDllVersionFn(void);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VTR_WAVE2SCRIPT_DIALOGS_W2S_DIALOG_API_H_
