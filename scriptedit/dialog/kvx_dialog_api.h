/* The C entry points of the script edit dialog library Vtr_KvxDlg.
 *
 * A host loads the library at run time (platform::Module, ".\Vtr_KvxDlg.dll"), binds the
 * entry points by name and calls them on its user-interface thread. Every text crosses as a
 * NUL-terminated byte string in the script's own encoding. Every text pointer the library hands
 * out points into the library's own objects: it stays valid until the next call into the
 * library or until the library is unloaded, so the host copies it before it unloads.
 *
 *   #include "platform/module.h"
 *   // given: vtr::platform::Module& module; int saved, volume, voice, reserved; const char* script
 *   // given: char* path; char* text; const char* emulator
 *   VtrKvxDllOpenDlgFn* open = module.Find<VtrKvxDllOpenDlgFn>("VtrKvxDll_OpenDlg");
 *   VtrKvxDllGetDlgDataFn* get = module.Find<VtrKvxDllGetDlgDataFn>("VtrKvxDll_GetDlgData");
 *   int result = open(saved ? 1 : 0, script, path, emulator, volume, 0x2000000, 0);
 *   if (result != 2) get(&saved, &text, &path, &voice, &volume, &reserved);  // copy text, path
 */
#ifndef VTR_SCRIPTEDIT_DIALOG_KVX_DIALOG_API_H_
#define VTR_SCRIPTEDIT_DIALOG_KVX_DIALOG_API_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The record of VtrKvxDll_CtrlScriptEditDlg, VtrKvxDll_CtrlKelvox and VtrKvxDll_CntKelvox,
 * owned by the caller. The fields keep the order of the system's 32-bit record (language word,
 * then pairs of text pointer and length); on this 64-bit platform each pointer takes 8 bytes
 * and the compiler's natural alignment places the fields (see the offsets in the test). */
typedef struct VtrKvxDllRecord {
  uint32_t language; /* in: language word (0x2000000 J, 0x3000000 K, 0x4000000 G, 0x5000000 C) */
  const char* script_text;    /* in: the script text */
  int32_t script_text_length; /* not read */
  const char* script_name;    /* in: the script name */
  int32_t script_name_length; /* not read */
  const char* script_path;    /* in: the script file path */
  int32_t script_path_length; /* not read */
  const char* out_text;       /* out: the script text after the dialog / the engine's output */
  int32_t out_text_length;    /* out: its length [bytes] */
  const char* out_name;       /* out: the script name after the dialog */
  int32_t out_name_length;    /* out: its length [bytes] */
  const char* out_path;       /* out: the script file path after the dialog */
  int32_t out_path_length;    /* out: its length [bytes] */
} VtrKvxDllRecord;

/* Runs the script edit dialog modally on `script_text` (null: none; the header tag may be
 * present) and `script_path` (null: none; opened at the start when the text is empty), playing
 * through the chip library `emulator_dll_path` (null: empty), with the volume 0-127 and the
 * language word. 2 when the dialog was cancelled, else 1. */
int VtrKvxDll_OpenDlg(int saved_flag, const char* script_text, const char* script_path,
                      const char* emulator_dll_path, int volume, unsigned language, int ime_open);
typedef int VtrKvxDllOpenDlgFn(int, const char*, const char*, const char*, int, unsigned, int);

/* After VtrKvxDll_OpenDlg returned 1: the saved flag, the script text with its header tag, the
 * script path, the voice list index (0-based), the volume, and 0 in `reserved`. Null out
 * pointers are skipped. */
void VtrKvxDll_GetDlgData(int* saved_flag, char** script_text, char** script_path, int* voice,
                          int* volume, int* reserved);
typedef void VtrKvxDllGetDlgDataFn(int*, char**, char**, int*, int*, int*);

/* The address of the library's one script edit dialog object. */
void* VtrKvxDll_GetDlgObj(void);
typedef void* VtrKvxDllGetDlgObjFn(void);

/* Runs the dialog for a record: language, text, name and path from `record`; the voice data
 * block (null and 0 for none) names extended voices; the low byte of `player_param` is the
 * player's setting; `device_kind` 5 (chip emulator) or 7 (sound middleware). Fills the out
 * fields whatever the result. 2 when cancelled, else 1; 2 for a null record. */
int VtrKvxDll_CtrlScriptEditDlg(VtrKvxDllRecord* record, const unsigned char* voice_data,
                                int voice_data_size, const char* emulator_dll_path,
                                int player_param, int device_kind);
typedef int VtrKvxDllCtrlScriptEditDlgFn(VtrKvxDllRecord*, const unsigned char*, int, const char*,
                                         int, int);

/* Runs one script engine operation on a copy of the record's text, without a window:
 * 0/1 play text with/without splitting (*value: where a sentence passes 100 bytes),
 * 2 romaji to kana, 3 kana to romaji, 4 parse, check with the flags *value and write back,
 * 5/6/7 set / keep-or-insert / read the voice of the head (*value), 10 the language of the
 * header tag into *value; any other op does nothing and returns 0. The engine's output text
 * goes to out_text/out_text_length in every case. Returns the engine's code (0 when done). */
int VtrKvxDll_CtrlKelvox(VtrKvxDllRecord* record, int op, int* value);
typedef int VtrKvxDllCtrlKelvoxFn(VtrKvxDllRecord*, int, int*);

/* The play time of the record's script [ms], or -1 when it cannot be measured. */
int VtrKvxDll_CntKelvox(VtrKvxDllRecord* record);
typedef int VtrKvxDllCntKelvoxFn(VtrKvxDllRecord*);

#ifdef __cplusplus
}
#endif

#endif /* VTR_SCRIPTEDIT_DIALOG_KVX_DIALOG_API_H_ */
