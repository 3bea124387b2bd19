// Arbitrary bytes behind a header tag through one converter until it has handed out every
// event: it must stay within the text and the buffer, and what it writes must read back as a
// valid voice event stream. The first input byte chooses a buffer length, so that refused
// events (-3) are retried with a larger buffer.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/play_time.h"
#include "engines/events/stream_reader.h"

#if VTR_FUZZ_LANGUAGE == 'J'
using Converter = vtr::convert::KvjConverter;
constexpr const char* kTag = "KV#J";
#elif VTR_FUZZ_LANGUAGE == 'K'
using Converter = vtr::convert::KvkConverter;
constexpr const char* kTag = "KV#K";
#else
using Converter = vtr::convert::KvcConverter;
constexpr const char* kTag = "KV#C";
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int small = 1 + data[0] * 4;
  const std::string text = kTag + std::string(reinterpret_cast<const char*>(data + 1), size - 1);
  // The converter reads only within the given size: hand it a heap copy of exactly that size.
  std::vector<uint8_t> bytes(text.begin(), text.end());
  Converter converter;
  if (converter.Init(vtr::convert::kConverterTimebase) != 0) __builtin_trap();
  if (converter.Open(bytes.data(), static_cast<int32_t>(bytes.size())) != 0) __builtin_trap();
  std::vector<uint8_t> stream;
  std::vector<uint8_t> buf(vtr::convert::kCounterBufferSize);
  for (;;) {
    int n = converter.Convert(buf.data(), small);
    if (n == vtr::convert::kConverterBufferTooSmall) {
      n = converter.Convert(buf.data(), static_cast<int32_t>(buf.size()));
    }
    if (n == 0) break;
    if (n < 0 || n > static_cast<int>(buf.size())) __builtin_trap();
    stream.insert(stream.end(), buf.begin(), buf.begin() + n);
  }
  if (!stream.empty() && !vtr::events::ReadStream(stream).ok()) __builtin_trap();
  return 0;
}
