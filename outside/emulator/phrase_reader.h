// Reads a play text into the voice events the chip sings, with the project's script-to-event
// converter of the text's header tag ("KV#J", "KV#K" or "KV#C").
#ifndef VTR_OUTSIDE_EMULATOR_PHRASE_READER_H_
#define VTR_OUTSIDE_EMULATOR_PHRASE_READER_H_

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engines/events/stream_reader.h"

namespace vtr::emulator {

// The events of the whole text, every phrase with its end event; nullopt for an unknown tag,
// a text the converter refuses, or one that yields no event.
std::optional<std::vector<events::EventRecord>> ReadPlayText(std::span<const uint8_t> text);

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_PHRASE_READER_H_
