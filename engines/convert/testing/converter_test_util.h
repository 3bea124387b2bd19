// Helpers shared by the converter tests: run a converter over a script and collect its events.
#ifndef VTR_ENGINES_CONVERT_TESTING_CONVERTER_TEST_UTIL_H_
#define VTR_ENGINES_CONVERT_TESTING_CONVERTER_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/convert/play_time.h"
#include "engines/convert/script_to_event_converter.h"
#include "engines/events/stream_reader.h"

namespace vtr::convert::testing {

using Bytes = std::vector<uint8_t>;

// Every event of `script`, each as its own byte string.
template <typename Converter>
std::vector<Bytes> Events(const std::string& script) {
  Converter converter;
  EXPECT_EQ(converter.Init(kConverterTimebase), 0);
  EXPECT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(script.data()),
                           static_cast<int32_t>(script.size())),
            0);
  std::vector<Bytes> events;
  uint8_t buf[kCounterBufferSize];
  int n = 0;
  while ((n = converter.Convert(buf, sizeof buf)) > 0) events.emplace_back(buf, buf + n);
  EXPECT_EQ(n, 0);
  return events;
}

inline Bytes Joined(const std::vector<Bytes>& events) {
  Bytes all;
  for (const Bytes& e : events) all.insert(all.end(), e.begin(), e.end());
  return all;
}

// The note records of the whole stream of `script`.
template <typename Converter>
std::vector<events::EventRecord> Notes(const std::string& script) {
  auto read = events::ReadStream(Joined(Events<Converter>(script)));
  EXPECT_TRUE(read.ok()) << script;
  std::vector<events::EventRecord> notes;
  for (auto& r : read.records) {
    if (r.kind == events::RecordKind::kNote) notes.push_back(std::move(r));
  }
  return notes;
}

template <typename Converter>
int PlayMs(const std::string& script) {
  Converter converter;
  int ms = -1;
  const PlayTimeCode code =
      CountPlayTime(converter, script.data(), static_cast<int32_t>(script.size()), ms);
  EXPECT_EQ(code, PlayTimeCode::kOk) << script;
  return ms;
}

inline std::string Text(const events::EventRecord& note) {
  return std::string(note.text.begin(), note.text.end());
}

}  // namespace vtr::convert::testing

#endif  // VTR_ENGINES_CONVERT_TESTING_CONVERTER_TEST_UTIL_H_
