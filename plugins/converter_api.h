/* The converter plug-in interface: what a host and a "VTR_*" converter plug-in exchange. Every
 * plug-in and every host includes this one header.
 *
 * A converter plug-in is a loadable library in the program's "Plugin" folder (Plugin/VTR_qrl.so,
 * for one, writes KORU files with the extension "qrl"). It exports exactly two C functions,
 * found by name:
 *
 *  Vtr_GetDllInfo  describes the format for one script language (a save-dialog filter);
 *  Vtr_KvxCnv      converts one script into one file, in a buffer the caller owns.
 *
 * Every record that crosses the interface is caller-owned, holds no pointers, and has the same
 * layout on every platform (fixed-size types, byte alignment, sizes asserted below).
 *
 * A host's sequence for one export:
 *
 *   #include "platform/module.h"
 *   // given: vtr::platform::Module& module; const char* script; int length; unsigned char* out
 *   // given: unsigned out_length
 *   VtrGetDllInfoFunction* get_info = module.Find<VtrGetDllInfoFunction>("Vtr_GetDllInfo");
 *   VtrKvxCnvFunction* convert = module.Find<VtrKvxCnvFunction>("Vtr_KvxCnv");
 *   ConverterInfo info = {};
 *   get_info(kVtrFormatKvJ, &info);             // "KORU Files" / "qrl"
 *   ConvertOptions options = {};                 // fill the date and text fields
 *   ConvertStatus status = {};                   // zeroed before every call
 *   int n = convert(script, length, kVtrFormatKvJ, (const unsigned char*)&options,
 *                   out, out_length, status.slots);  // -18: again with a bigger buffer
 *
 * Calls must not overlap: a plug-in may keep its working state in one global object.
 */
#ifndef VTR_PLUGINS_CONVERTER_API_H_
#define VTR_PLUGINS_CONVERTER_API_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Format ids: the script mode word of each script language that a plug-in answers for. The
 * generation is the byte a KORU file carries for the language. Every other id (the romaji
 * language's 0x54100000 included) is refused with kVtrCnvBadFormat. */
enum {
  kVtrFormatKvJ = 0x52100000, /* "KV#J" Japanese kana, Shift-JIS; generation 0 */
  kVtrFormatKvK = 0x53100000, /* "KV#K" Korean, KS X 1001; generation 1 */
  kVtrFormatKvC = 0x55100000  /* "KV#C" Chinese pinyin, GB 2312; generation 2 */
};

/* Results of both exports. Vtr_KvxCnv returns the file's byte count (> 0) on success. The
 * checks run in the order of the list, so the first failing one decides. */
enum {
  kVtrCnvOk = 0,              /* Vtr_GetDllInfo only */
  kVtrCnvBadInput = -2,       /* script null or length 0; Vtr_GetDllInfo: info null */
  kVtrCnvBadFormat = -3,      /* format id not one of kVtrFormat* */
  kVtrCnvBadOptions = -4,     /* options null, or its text coding not accepted */
  kVtrCnvBadOutput = -5,      /* out null or out length 0 */
  kVtrCnvNoStatus = -6,       /* status null */
  kVtrCnvMeasureFailed = -17, /* one status word stored, see kVtrStatus* */
  kVtrCnvOutputTooSmall = -18 /* the file is longer than the out length; out untouched */
};

/* Status words, stored only with kVtrCnvMeasureFailed. Bits 24-27 are the class nibble that
 * picks the status group (1 for all of these). The comment names the message a host shows. */
enum {
  kVtrStatusBadLength = (int32_t)0xF1000000u,   /* length negative or too big: 511 */
  kVtrStatusNotMeasured = (int32_t)0xF1000001u, /* play time not measurable: 507 */
  kVtrStatusTooLong = (int32_t)0xF1000002u      /* play time over 104857 x 20 ms: 512 */
};

/* Text codings of ConvertOptions.text_coding: 0..kVtrTextCodingMax are stored as the bytes
 * stand; kVtrTextCodingUtf8 (a host's choice for "KV#C") stores the text fields in UTF-8. */
enum { kVtrTextCodingMax = 6, kVtrTextCodingUtf8 = 0x23 };

/* Written by Vtr_GetDllInfo: two NUL-terminated texts. The plug-in writes only the bytes of
 * the two texts and their NULs; every other byte keeps what the caller put there. */
typedef struct ConverterInfo {
  char description[51]; /* save-dialog filter text, e.g. "KORU Files" */
  char extension[9];    /* file extension without the dot, e.g. "qrl" */
} ConverterInfo;

enum { kVtrTextFieldSize = 257, kVtrTextFieldCount = 13 };

/* Read by Vtr_KvxCnv, never written. A text field holds a NUL-terminated text of at most 256
 * bytes in the script's encoding; a field whose first byte is 0 is absent. The plug-in never
 * reads a field past its 257 bytes, NUL or not. */
typedef struct ConvertOptions {
  uint8_t class_byte;  /* hosts write 0 */
  uint8_t text_coding; /* 0..kVtrTextCodingMax or kVtrTextCodingUtf8 */
  uint8_t reserved;    /* not read */
  char vn[kVtrTextFieldSize];
  char cn[kVtrTextFieldSize];
  char ca[kVtrTextFieldSize];
  char st[kVtrTextFieldSize]; /* hosts write the file title here */
  char an[kVtrTextFieldSize];
  char ww[kVtrTextFieldSize];
  char sw[kVtrTextFieldSize];
  char aw[kVtrTextFieldSize];
  char cr[kVtrTextFieldSize];
  char gr[kVtrTextFieldSize];
  char mi[kVtrTextFieldSize];
  char date[kVtrTextFieldSize]; /* first 8 bytes: ASCII digits YYYYMMDD (local date) */
  char ud[kVtrTextFieldSize];
} ConvertOptions;

enum { kVtrStatusGroupSize = 10, kVtrStatusSlotCount = 30 };

/* Zeroed by the caller before a call. A status word goes into the group of its class nibble
 * (1: slots 0-9, 2: slots 10-19, 3: slots 20-29), in the first slot that holds 0; it is
 * dropped when the group is full or the nibble is another value. */
typedef struct ConvertStatus {
  int32_t slots[kVtrStatusSlotCount];
} ConvertStatus;

/* Describes the format for `format_id` (kVtrFormat*).
 * Returns kVtrCnvBadFormat for another id (checked first, also when info is null),
 * kVtrCnvBadInput for a null info, else kVtrCnvOk. */
typedef int VtrGetDllInfoFunction(int format_id, ConverterInfo* info);

/* Converts `length` [bytes] of `script` (its whole text, header tag included, in the script's
 * own encoding; NULs allowed) into one file written at the start of `out`.
 *   options     a ConvertOptions block [sizeof(ConvertOptions) bytes], read only
 *   out_length  room at `out` [bytes]
 *   status      the slots of a zeroed ConvertStatus; written only with kVtrCnvMeasureFailed
 * Returns the file's byte count, or a kVtrCnv* code; on any failure `out` is untouched. A
 * conversion that runs out of memory gives kVtrCnvBadInput.
 * Nothing points into the plug-in after the call returns. */
typedef int VtrKvxCnvFunction(const char* script, int length, int format_id,
                              const unsigned char* options, unsigned char* out, unsigned out_length,
                              int* status);

VtrGetDllInfoFunction Vtr_GetDllInfo;
VtrKvxCnvFunction Vtr_KvxCnv;

#ifdef __cplusplus
} /* extern "C" */
#define VTR_CONVERTER_STATIC_ASSERT static_assert
#else
#define VTR_CONVERTER_STATIC_ASSERT _Static_assert
#endif

VTR_CONVERTER_STATIC_ASSERT(sizeof(ConverterInfo) == 60, "ConverterInfo is 60 bytes");
VTR_CONVERTER_STATIC_ASSERT(offsetof(ConverterInfo, extension) == 51, "extension at 51");
VTR_CONVERTER_STATIC_ASSERT(sizeof(ConvertOptions) == 3344, "ConvertOptions is 3344 bytes");
VTR_CONVERTER_STATIC_ASSERT(offsetof(ConvertOptions, vn) == 3, "text fields from 3");
VTR_CONVERTER_STATIC_ASSERT(offsetof(ConvertOptions, st) == 774, "st at 774");
VTR_CONVERTER_STATIC_ASSERT(offsetof(ConvertOptions, date) == 2830, "date at 2830");
VTR_CONVERTER_STATIC_ASSERT(offsetof(ConvertOptions, ud) == 3087, "ud at 3087");
VTR_CONVERTER_STATIC_ASSERT(sizeof(ConvertStatus) == 120, "ConvertStatus is 120 bytes");

#undef VTR_CONVERTER_STATIC_ASSERT

#endif /* VTR_PLUGINS_CONVERTER_API_H_ */
