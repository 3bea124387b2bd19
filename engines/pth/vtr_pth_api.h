/* The C entry points of the Vtr_pth library (Plugin/Vtr_pth.so): a pitch sequence and an
 * optional duration window in, the text of a "KV#J" script out.
 *
 * One engine per process. Calling order:
 *   // given: const unsigned char* pseq; int pseq_length, sing_mode, start_step, end_step
 *   // given: char buffer[0x100000]
 *   VtrPth_Initialize(20, 0);
 *   VtrPth_SetPSeq(pseq, pseq_length, sing_mode);   // 0 (1: values were dropped)
 *   VtrPth_SetDuration(start_step, end_step);       // optional, after the stream
 *   VtrPth_GetKVX(buffer, 0x100000);                // script length, text NUL-terminated
 *   VtrPth_Terminate();
 * Not thread-safe; the library keeps no pointer to the caller's memory after a call returns.
 */
#ifndef VTR_ENGINES_PTH_VTR_PTH_API_H_
#define VTR_ENGINES_PTH_VTR_PTH_API_H_

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the engine. step_ms: time unit of the pitch sequence [ms], must be 20; flags: its low
 * byte must be 0. Returns 0; -1 already open; -2 bad step or flags. */
int VtrPth_Initialize(int step_ms, int flags);

/* Closes the engine and frees what it holds. Returns 0; -1 not open. */
int VtrPth_Terminate(void);

/* Parses a pitch sequence (voice event stream) of `length` [bytes]; the bytes are not kept.
 * sing_mode: low byte 0 (speech: no note names) or 1 (sing: note names). Switches the duration
 * window off first. Returns 0; 1 when out-of-range values were dropped; -1 not open; -2 null
 * stream, length 0 or less, or mode above 1; -5 invalid stream, unknown syllable or no event. */
int VtrPth_SetPSeq(const unsigned char* pseq, int length, int sing_mode);

/* Limits the next scripts to the records starting in [start_step, end_step) [20 ms steps],
 * counted like the stream's deltas. Always returns 0, also on a closed engine; a later
 * VtrPth_SetPSeq switches the window off again. */
int VtrPth_SetDuration(int start_step, int end_step);

/* Writes the script text for the parsed stream into `buffer` of `buffer_length` [bytes],
 * caller-allocated, followed by a NUL (which the result does not count). Returns the text
 * length [bytes]; -1 not open or a record value with no token; -2 null buffer or length 0 or
 * less; -3 buffer too small for the text and its NUL; -6 nothing parsed. */
int VtrPth_GetKVX(char* buffer, int buffer_length);

#ifdef __cplusplus
}
#endif

#endif /* VTR_ENGINES_PTH_VTR_PTH_API_H_ */
