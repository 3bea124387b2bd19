#include "engines/convert/script_to_event_converter.h"

#include "engines/convert/internal/converter_engine.h"

namespace vtr::convert {

ScriptToEventConverter::ScriptToEventConverter(std::unique_ptr<internal::ConverterEngine> engine)
    : engine_(std::move(engine)) {}

ScriptToEventConverter::~ScriptToEventConverter() = default;

int ScriptToEventConverter::Init(int timebase) { return engine_->Init(timebase); }

int ScriptToEventConverter::Open(const uint8_t* text, int32_t size, int32_t /*unused*/) {
  return engine_->Open(text, size);
}

int ScriptToEventConverter::Convert(uint8_t* buf, int32_t buf_len, int32_t /*unused*/) {
  return engine_->Convert(buf, buf_len);
}

int ScriptToEventConverter::Term() { return engine_->Term(); }

}  // namespace vtr::convert
