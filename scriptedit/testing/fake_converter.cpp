// A converter plug-in for the host's tests. Its description and extension come from compile
// definitions; Fake_Configure scripts its conversion answers and Fake_Record reports what the
// host handed over. A test loads the same file as the host, so both see one instance.
#include "scriptedit/testing/fake_converter.h"

#include <cstring>

#include "plugins/converter_api.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

FakeConverterRecord record;
int needs_more_left = 0;
int answer = 16;
int status_word = 0;

bool KnownFormat(int format_id) {
  return format_id == kVtrFormatKvJ || format_id == kVtrFormatKvK || format_id == kVtrFormatKvC;
}

// Copies `text` into a field; a text that fills the field goes without its NUL, as a careless
// plug-in would write it.
void CopyField(char* field, size_t size, const char* text) {
  const size_t length = std::strlen(text);
  std::memcpy(field, text, length < size ? length + 1 : size);
}

}  // namespace

FAKE_EXPORT void Fake_Configure(int needs_more, int result, int status) {
  record = FakeConverterRecord{};
  needs_more_left = needs_more;
  answer = result;
  status_word = status;
}

FAKE_EXPORT const FakeConverterRecord* Fake_Record() { return &record; }

FAKE_EXPORT int Vtr_GetDllInfo(int format_id, ConverterInfo* info) {
  record.info_format = format_id;
  if (!KnownFormat(format_id)) return kVtrCnvBadFormat;
  if (info == nullptr) return kVtrCnvBadInput;
  CopyField(info->description, sizeof info->description, FAKE_DESCRIPTION);
  CopyField(info->extension, sizeof info->extension, FAKE_EXTENSION);
  return kVtrCnvOk;
}

#ifndef FAKE_WITHOUT_CONVERTER
FAKE_EXPORT int Vtr_KvxCnv(const char* script, int length, int format_id,
                           const unsigned char* options, unsigned char* out, unsigned out_length,
                           int* status) {
  if (record.calls < kFakeMaxCalls) record.sizes[record.calls] = out_length;
  ++record.calls;
  record.convert_format = format_id;
  record.script_length = length;
  std::memcpy(record.script, script,
              static_cast<size_t>(length) < sizeof record.script ? length : sizeof record.script);
  std::memcpy(record.options, options, sizeof record.options);
  if (needs_more_left > 0) {
    --needs_more_left;
    return kVtrCnvOutputTooSmall;
  }
  if (answer == kVtrCnvMeasureFailed) {
    status[0] = status_word;
    return answer;
  }
  if (answer <= 0) return answer;
  if (static_cast<unsigned>(answer) > out_length) return kVtrCnvOutputTooSmall;
  for (int i = 0; i < answer; ++i) out[i] = static_cast<unsigned char>('A' + i % 26);
  return answer;
}
#endif
