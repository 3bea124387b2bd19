// What the fake converter plug-in saw, read by the tests through its Fake_Record export.
#ifndef VTR_SCRIPTEDIT_TESTING_FAKE_CONVERTER_H_
#define VTR_SCRIPTEDIT_TESTING_FAKE_CONVERTER_H_

inline constexpr int kFakeMaxCalls = 64;

struct FakeConverterRecord {
  int info_format = 0;
  int convert_format = 0;
  int calls = 0;
  unsigned sizes[kFakeMaxCalls] = {};
  int script_length = 0;
  char script[40000] = {};
  unsigned char options[3344] = {};
};

// Fake_Configure(needs_more, result, status): answer -18 `needs_more` times, then `result`
// (> 0: that many bytes; -17: with `status` in slot 0; else the code itself).
using FakeConfigureFunction = void(int, int, int);
using FakeRecordFunction = const FakeConverterRecord*();

#endif  // VTR_SCRIPTEDIT_TESTING_FAKE_CONVERTER_H_
