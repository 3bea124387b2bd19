// A host process for the aligner's tests: aligns two seconds of a tone with "sakM4a" through
// the recogniser folder given as its argument, and ends with the aligner's result as its exit
// status (the result plus 10, so -7..0 stay apart from a failed start). The tests kill it while
// it waits for the recogniser, as a crash or a user would.
#include <cstdint>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"

int main(int argc, char** argv) {
  if (argc != 2) return 1;
  vtr::wtp::PhonemeAligner aligner(argv[1]);
  if (aligner.SetText("sakM4a") != 0) return 2;
  std::vector<int16_t> samples(size_t{2} * 16000);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>((i % 80) * 200 - 8000);
  vtr::wtp::WaveBuffer wave(std::move(samples), 16000);
  return aligner.Align(wave) + 10;
}
