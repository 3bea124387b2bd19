// Feeds arbitrary recogniser output to the parser, for phoneme counts taken from the input.
#include <cstdlib>
#include <string_view>

#include "engines/wtp/phoneme_aligner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t count = data[0] % 12;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<vtr::wtp::FrameSpan> frames;
  if (vtr::wtp::ParseRecogniserOutput(text, count, frames)) {
    if (frames.size() != count) std::abort();
    for (const auto& f : frames) {
      if (f.start < 0 || f.end < f.start) std::abort();
    }
  }
  return 0;
}
