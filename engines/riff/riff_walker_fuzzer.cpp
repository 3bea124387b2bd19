// Walks arbitrary bytes and checks that every chunk the walker reports lies inside them.
#include <cstdlib>

#include "engines/riff/riff_walker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vtr::riff::Walk walk = vtr::riff::WalkBytes({data, size});
  for (const vtr::riff::Chunk& chunk : walk.chunks) {
    if (chunk.offset > size || chunk.size > size - chunk.offset) std::abort();
    volatile uint8_t sink = 0;
    for (uint64_t i = 0; i < chunk.size; ++i) sink = sink ^ data[chunk.offset + i];
  }
  return 0;
}
