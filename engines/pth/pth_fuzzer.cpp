// Arbitrary bytes as a pitch sequence through SetPSeq and GetKVX. The first byte chooses the
// sing mode and the buffer size (so that the too-small paths run too), the second and third a
// duration window; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engines/pth/pth_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int sing_mode = data[0] & 1;
  const bool small_buffer = (data[0] & 2) != 0;
  const bool window = (data[0] & 4) != 0;
  const int window_start = data[1];
  const int window_end = data[1] + data[2];
  std::vector<unsigned char> stream(data + 3, data + size);

  vtr::pth::PthEngine engine;
  if (engine.Initialize(20, 0) != 0) __builtin_trap();
  const int parsed = engine.SetPSeq(stream.data(), static_cast<int>(stream.size()), sing_mode);
  if (window) (void)engine.SetDuration(window_start, window_end);
  const int buffer_length = small_buffer ? 5 + data[size - 1] : 0x10000;
  std::vector<char> buffer(static_cast<size_t>(buffer_length));
  const int length = engine.GetKVX(buffer.data(), buffer_length);
  if (parsed < 0 && length != -6) __builtin_trap();  // nothing parsed, nothing written
  if (length >= 0) {
    // The text fits with its NUL, starts with the header and keeps sentences within 100 bytes.
    if (length >= buffer_length || buffer[static_cast<size_t>(length)] != '\0') __builtin_trap();
    if (length < 4 || std::memcmp(buffer.data(), "KV#J", 4) != 0) __builtin_trap();
    int sentence = 0;
    for (int i = 4; i < length; ++i) {
      const auto c = static_cast<unsigned char>(buffer[static_cast<size_t>(i)]);
      ++sentence;
      if (c == ',' || c == '.') sentence = 0;
      if (sentence > 100) __builtin_trap();
    }
  }
  (void)engine.Terminate();
  return 0;
}
