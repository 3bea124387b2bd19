#include "outside/emulator/phrase_reader.h"

#include <memory>
#include <string_view>

#include "engines/convert/kvc_converter.h"
#include "engines/convert/kvj_converter.h"
#include "engines/convert/kvk_converter.h"
#include "engines/convert/play_time.h"

namespace vtr::emulator {
namespace {

// The converter of a play text's header tag; null for a tag the chip does not speak.
std::unique_ptr<convert::ScriptToEventConverter> ConverterFor(std::span<const uint8_t> text) {
  std::string_view tag(reinterpret_cast<const char*>(text.data()), 4);
  if (tag == "KV#J") return std::make_unique<convert::KvjConverter>();
  if (tag == "KV#K") return std::make_unique<convert::KvkConverter>();
  if (tag == "KV#C") return std::make_unique<convert::KvcConverter>();
  return nullptr;
}

}  // namespace

std::optional<std::vector<events::EventRecord>> ReadPlayText(std::span<const uint8_t> text) {
  if (text.size() < 4) return std::nullopt;
  auto converter = ConverterFor(text);
  if (!converter) return std::nullopt;
  if (converter->Init(convert::kConverterTimebase) != 0 ||
      converter->Open(text.data(), static_cast<int32_t>(text.size())) != 0) {
    return std::nullopt;
  }
  // The converter hands out one event per call; together they are the phrase's stream.
  std::vector<uint8_t> stream;
  std::vector<uint8_t> buffer(convert::kCounterBufferSize);
  while (true) {
    int n = converter->Convert(buffer.data(), static_cast<int32_t>(buffer.size()));
    if (n == convert::kConverterBufferTooSmall) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (n < 0) {
      (void)converter->Term();
      return std::nullopt;
    }
    if (n == 0) break;
    stream.insert(stream.end(), buffer.begin(), buffer.begin() + n);
  }
  (void)converter->Term();
  events::StreamReadResult read = events::ReadStream(stream);
  if (!read.ok()) return std::nullopt;
  return std::move(read.records);
}

}  // namespace vtr::emulator
