/* Calling conventions of the sound-chip emulator library and of the sound middleware library.
 *
 * The player loads the emulator ("Qs5_EmuKmw5") or the middleware ("Qs7_AuthMgr") at run time
 * and binds these entry points by name; our own stand-in library exports them. Both sides
 * include this header, so the types below are the one definition of that boundary.
 *
 * Results: every entry point returns 0 for success and a negative value for failure, except
 * where its comment says otherwise. A caller whose library lacks an entry point treats it as
 * answering -1.
 *
 * Emulator call order (the stand-in accepts exactly this life cycle):
 *
 *  QsSound_EmuInitialize(32000, model, 129)      library up
 *  QsSound_Initialize()                          sound functions usable
 *  QsSound_DeviceControl(...) ...
 *  QsSound_Terminate()                           back to "library up"
 *  SetMidiMsg(set-up message) ...                accepted while up, initialised or not
 *  QsSound_Initialize()
 *  fid = QsSound_Create(9)
 *  sid = QsSound_Load(fid, text, length, 1, callback, NULL)   state 0 -> 1 (loaded)
 *  QsSound_Open(fid, sid, 0, 0)                               1 -> 2 (opened)
 *  QsSound_Control(fid, sid, QS_CONTROL_VOLUME, &value, 0)
 *  QsSound_Standby(fid, sid, 0)                               2 -> 3 (ready)
 *  QsSound_Start(fid, sid, 1, 0)                              3 -> 4 (playing)
 *    ... callback(QS_EVENT_END) once the phrase has finished:  4 -> 3
 *  QsSound_Stop(fid, sid, 0)                                  4/5 -> 3, no callback
 *  QsSound_Close(fid, sid, 0)                                 2/3 -> 1
 *  QsSound_Unload(fid, sid, 0)                                1 -> 0
 *  QsSound_Delete(fid)
 *  QsSound_Terminate(); SetMidiMsg(...) ...; QsSound_EmuTerminate()   everything reset
 */
#ifndef VTR_OUTSIDE_EMULATOR_EMULATOR_API_H_
#define VTR_OUTSIDE_EMULATOR_EMULATOR_API_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Events, states and controls ---------------------------------------------------------- */

/* Events the library reports through the end callback. */
enum {
  QS_EVENT_END = 127,   /* a started phrase has finished playing */
  QS_EVENT_OTHER = 126, /* reported by some libraries; carries nothing for the caller */
};

/* Sound states, as QsSound_Control(QS_CONTROL_STATE) answers them. */
enum {
  QS_STATE_NONE = 0,
  QS_STATE_LOADED = 1,
  QS_STATE_OPENED = 2,
  QS_STATE_READY = 3,
  QS_STATE_PLAYING = 4,
  QS_STATE_PLAYING_LOOP = 5,
};

/* Control numbers of QsSound_Control. */
enum {
  QS_CONTROL_VOLUME = 0,       /* QsValueBlock, 0..127 */
  QS_CONTROL_1 = 1,            /* QsValueBlock */
  QS_CONTROL_2 = 2,            /* QsValueBlock */
  QS_CONTROL_POSITION = 4,     /* block ignored; from ready on, the result is the play position
                                  [ms from the start of the phrase] */
  QS_CONTROL_LENGTH = 5,       /* QsValueBlock */
  QS_CONTROL_STATE = 6,        /* no block; the result is the sound's state */
  QS_CONTROL_7 = 7,            /* QsValueBlock */
  QS_CONTROL_8 = 8,            /* QsValueBlock */
  QS_CONTROL_RANGE_START = 12, /* QsValueBlock */
  QS_CONTROL_RANGE_END = 13,   /* QsValueBlock */
  QS_CONTROL_DATA = 22,        /* QsDataBlock */
  QS_CONTROL_VOICE = 23,       /* QsValueBlock, voice 0..15 */
};

/* The channel a voice data block is handed on. */
enum { QS_DATA_CHANNEL_VOICES = 255 };

/* The value of a control; only the first byte is read. */
typedef struct QsValueBlock {
  uint8_t value;
} QsValueBlock;

/* Data handed to the library (control 22). The library copies what it keeps; `data` need only
 * stay valid during the call. */
typedef struct QsDataBlock {
  int32_t channel;     /* 0..15, or QS_DATA_CHANNEL_VOICES */
  const uint8_t* data; /* NULL asks the library to forget the channel's data */
  int32_t length;      /* [bytes] */
} QsDataBlock;

/* Called by the library, possibly on a thread of its own, with QS_EVENT_END when a phrase
 * started with repeat 1 has finished. Never called for a stopped phrase, nor after Stop,
 * Close, Unload, Delete or EmuTerminate return. */
typedef void (*QsEndCallback)(int32_t event);

/* ---- Emulator entry points (names "QsSound_..." and the two message functions) ------------ */

/* Starts the library. sample_rate [Hz] 22050, 32000, 44100 or 48000; model 0..7 or 127;
 * setting 129 (or 3). */
typedef int32_t (*QsSound_EmuInitializeFn)(int32_t sample_rate, int32_t model, int32_t setting);
/* Stops the library and forgets everything (functions, sounds, settings). */
typedef int32_t (*QsSound_EmuTerminateFn)(void);
typedef int32_t (*QsSound_InitializeFn)(void);
typedef int32_t (*QsSound_TerminateFn)(void);
/* Writes up to `length` bytes of library information into `buffer`; returns the count. */
typedef int32_t (*QsSound_GetEmuInfoFn)(uint8_t* buffer, int32_t length);
typedef int32_t (*QsSound_DeviceControlFn)(int32_t command, int32_t a, int32_t b, int32_t c);
/* Creates a sound function of `kind` (9); returns its id (>= 0). */
typedef int32_t (*QsSound_CreateFn)(int32_t kind);
typedef int32_t (*QsSound_DeleteFn)(int32_t function_id);
/* Loads a play text ("KV#J", "KV#K" or "KV#C" and its body, no NUL) of `length` bytes; the
 * library copies it. Returns the sound id (>= 1 from our stand-in). `extra` is a pointer the
 * caller passes through; NULL for none. */
typedef int32_t (*QsSound_LoadFn)(int32_t function_id, const uint8_t* data, int32_t length,
                                  int32_t mode, QsEndCallback callback, const void* extra);
/* Sends `control` with its block (see the control numbers); the state query answers the
 * state. */
typedef int32_t (*QsSound_ControlFn)(int32_t function_id, int32_t sound_id, int32_t control,
                                     void* block, int32_t extra);
typedef int32_t (*QsSound_OpenFn)(int32_t function_id, int32_t sound_id, int32_t a, int32_t b);
typedef int32_t (*QsSound_StandbyFn)(int32_t function_id, int32_t sound_id, int32_t a);
typedef int32_t (*QsSound_SeekFn)(int32_t function_id, int32_t sound_id, int32_t position,
                                  int32_t a);
/* repeat 1 plays once and reports QS_EVENT_END; 0 loops until stopped. */
typedef int32_t (*QsSound_StartFn)(int32_t function_id, int32_t sound_id, int32_t repeat,
                                   int32_t a);
typedef int32_t (*QsSound_PauseFn)(int32_t function_id, int32_t sound_id, int32_t a);
typedef int32_t (*QsSound_RestartFn)(int32_t function_id, int32_t sound_id, int32_t a);
typedef int32_t (*QsSound_StopFn)(int32_t function_id, int32_t sound_id, int32_t a);
typedef int32_t (*QsSound_CloseFn)(int32_t function_id, int32_t sound_id, int32_t a);
typedef int32_t (*QsSound_UnloadFn)(int32_t function_id, int32_t sound_id, int32_t a);
/* Renders the loaded phrase of the sound, with its volume and voice, as 16-bit mono samples
 * at the library's sample rate. With `samples` NULL returns the phrase's length [samples];
 * else writes at most `capacity` samples and returns how many it wrote. */
typedef int32_t (*QsSound_GenerateFn)(int32_t function_id, int32_t sound_id, int16_t* samples,
                                      int32_t capacity);
/* A system-exclusive message F0 ... F7 of `length` bytes. */
typedef int32_t (*SetMidiMsgFn)(const uint8_t* message, int32_t length);
/* Copies the library's pending reply (at most `length` bytes); returns the count. */
typedef int32_t (*GetMidiMsgFn)(uint8_t* buffer, int32_t length);

/* ---- Middleware entry points (names "QsKmw_..." and "Qsapi_...") ---------------------------- */

/* Size of the settings block of Qsapi_EmuInitialize [bytes]. */
enum { QS_KMW_SETTINGS_SIZE = 69 };
/* The one handle the middleware plays on. */
enum { QS_KMW_HANDLE = 768 };
/* Ctrl command that hands a data block (a = channel 255, b = 1, data, length). */
#define QS_KMW_COMMAND_DATA ((int32_t)0x50000000)
enum { QS_KMW_CONTROL_VOLUME = 44, QS_KMW_CONTROL_REPEAT = 52 };

/* What QsKmw_Open plays. */
typedef struct QsKmwOpenRecord {
  int32_t kind;        /* 1 */
  int32_t format;      /* 8 */
  const uint8_t* text; /* play text, copied by the library */
  int32_t length;      /* text length + 1 [bytes] */
  QsEndCallback callback;
  int32_t reserved1; /* 0 */
  int32_t reserved2; /* 0 */
} QsKmwOpenRecord;

typedef struct QsKmwSeekRecord {
  int32_t position; /* 0 */
  int32_t reserved; /* 0 */
} QsKmwSeekRecord;

/* `settings` points to QS_KMW_SETTINGS_SIZE bytes; -1 = failure. */
typedef int32_t (*Qsapi_EmuInitializeFn)(int32_t a, const uint8_t* settings, int32_t b, int32_t c,
                                         int32_t d, int32_t e);
typedef int32_t (*Qsapi_EmuTerminateFn)(void);
typedef int32_t (*QsKmw_AtMgrInitFn)(void);
typedef int32_t (*QsKmw_AtMgrSetInfoFn)(int32_t variant, int32_t sample_rate, int32_t a,
                                        int32_t setting);
typedef int32_t (*QsKmw_AtMgrTermFn)(void);
typedef int32_t (*QsKmw_InitFn)(void);
typedef int32_t (*QsKmw_TermFn)(void);
typedef int32_t (*QsKmw_OpenFn)(int32_t handle, const QsKmwOpenRecord* record);
/* Sets control `command` to a and b; with QS_KMW_COMMAND_DATA, `data` and `length` carry the
 * block (copied). */
typedef int32_t (*QsKmw_CtrlFn)(int32_t handle, int32_t command, int32_t a, int32_t b,
                                const uint8_t* data, int32_t length);
typedef int32_t (*QsKmw_DevCtrlFn)(int32_t command, int32_t a, int32_t b, int32_t c);
typedef int32_t (*QsKmw_SeekFn)(int32_t handle, int32_t a, const QsKmwSeekRecord* record);
typedef int32_t (*QsKmw_StartFn)(int32_t handle, int32_t a);
typedef int32_t (*QsKmw_StopFn)(int32_t handle);
typedef int32_t (*QsKmw_CloseFn)(int32_t handle);
typedef int32_t (*QsKmw_UnloadFn)(int32_t handle);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* VTR_OUTSIDE_EMULATOR_EMULATOR_API_H_ */
