// Feeds Vtr_KvxCnv arbitrary scripts, option blocks, format ids and buffer sizes, and checks
// what every result promises: a file that fits, carries its own size and CRC, and nothing
// written to the caller's buffers on a failure.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plugins/converter_api.h"
#include "plugins/qrl/crc16.h"

namespace {

constexpr int kFormatIds[] = {kVtrFormatKvJ, kVtrFormatKvK, kVtrFormatKvC, 0x54100000};
constexpr const char* kHeaders[] = {"KV#J", "KV#K", "KV#C", "KV#G"};
constexpr uint8_t kUntouched = 0xEE;

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t language = input.ConsumeIntegralInRange<size_t>(0, 3);
  const int format_id = kFormatIds[input.ConsumeIntegralInRange<size_t>(0, 3)];
  const unsigned out_length = input.ConsumeIntegralInRange<unsigned>(1, 8192);
  const bool with_header = input.ConsumeBool();
  const bool valid_coding = input.ConsumeBool();

  // The script first, so that short inputs reach the measurement; the option block gets the
  // rest, padded with zeros.
  std::string script = with_header ? kHeaders[language] : "";
  script += input.ConsumeRandomLengthString(16384);
  if (script.empty()) return 0;
  std::vector<uint8_t> options = input.ConsumeBytes<uint8_t>(sizeof(ConvertOptions));
  options.resize(sizeof(ConvertOptions), 0);
  if (valid_coding) options[1] %= kVtrTextCodingMax + 1;
  // The block ends exactly where the record does, so an over-read shows.
  auto block = std::make_unique<unsigned char[]>(sizeof(ConvertOptions));
  std::memcpy(block.get(), options.data(), options.size());

  std::vector<uint8_t> out(out_length, kUntouched);
  ConvertStatus status = {};
  const int result = Vtr_KvxCnv(script.data(), static_cast<int>(script.size()), format_id,
                                block.get(), out.data(), out_length, status.slots);
  if (result > 0) {
    const size_t n = static_cast<size_t>(result);
    Check(n <= out_length);
    Check(std::memcmp(out.data(), "MMMD", 4) == 0);
    const uint32_t chunk =
        uint32_t{out[4]} << 24 | uint32_t{out[5]} << 16 | uint32_t{out[6]} << 8 | out[7];
    Check(chunk == n - 8);
    const uint16_t crc = vtr::qrl::KoruCrc16(std::span<const uint8_t>(out.data(), n - 2));
    Check(out[n - 2] == (crc >> 8) && out[n - 1] == (crc & 0xFF));
    for (size_t i = n; i < out.size(); ++i) Check(out[i] == kUntouched);
    for (int32_t slot : status.slots) Check(slot == 0);
  } else {
    for (uint8_t byte : out) Check(byte == kUntouched);
    const bool one_word = status.slots[0] != 0;
    Check(one_word == (result == kVtrCnvMeasureFailed));
    for (size_t i = 1; i < std::size(status.slots); ++i) Check(status.slots[i] == 0);
  }
  return 0;
}
