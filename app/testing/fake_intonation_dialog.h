// The test hooks of the stand-in intonation dialog library (fake_intonation_dialog.cpp): what
// the library was called with, and what its dialog "returns".
#ifndef VTR_APP_TESTING_FAKE_INTONATION_DIALOG_H_
#define VTR_APP_TESTING_FAKE_INTONATION_DIALOG_H_

// One call of an export: `entry` is "open" (the inputs are filled) or "get".
struct FakeIntonationCall {
  const char* entry;
  int saved;
  const char* wave_path;
  const char* script;
  int voice;
  int volume;
  const char* script_path;
  int pass_through;
};

// What the dialog ends with: the open result (1 OK, 2 cancelled) and the data fetched after OK.
struct FakeIntonationAnswer {
  int result;
  int saved;
  const char* script;
  int voice;
  int volume;
  const char* script_path;
  int pass_through;
};

// Exported by the library as "FakeIntonation_Set": the hook sees every call; the answer's texts
// are copied into the library, so the pointers the getter hands out lead into it.
using FakeIntonationSet = void(void (*hook)(const FakeIntonationCall&),
                               const FakeIntonationAnswer& answer);

#endif  // VTR_APP_TESTING_FAKE_INTONATION_DIALOG_H_
