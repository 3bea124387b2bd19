// One process, one recording, the whole road: Initialize, SetWav, SetText and GetPSeq as the
// wave-to-script library calls them, and nothing else. For measuring what one alignment costs
// from outside (peak memory with /usr/bin/time, instructions with callgrind), where a
// benchmark's own set-up would be counted too.
//
//   vtr_wtp_getpseq_once WAVE TEXT [--recogniser FOLDER] [--runs N]
//
// TEXT is a file holding the phoneme text. Prints the byte count and the time of each run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engines/wtp/wtp_engine.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s WAVE TEXT [--recogniser FOLDER] [--runs N]\n", argv[0]);
    return 2;
  }
  const std::string wave = argv[1];
  std::filesystem::path recogniser = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  int runs = 1;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--recogniser") {
      recogniser = argv[i + 1];
    } else if (option == "--runs") {
      runs = std::atoi(argv[i + 1]);
    }
  }
  std::ifstream in(argv[2], std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const std::string phonemes = text.str();
  std::vector<char> buffer(vtr::wtp::kMaxPSeqBuffer);
  int status = 0;
  for (int run = 0; run < runs; ++run) {
    vtr::wtp::WtpEngine engine(recogniser);
    if (engine.Initialize(vtr::wtp::kStepMs, 0) != 0 ||
        engine.SetWav(wave.c_str(), static_cast<int>(wave.size())) != 0 ||
        engine.SetText(phonemes.data(), static_cast<int>(phonemes.size())) < 0) {
      std::fprintf(stderr, "cannot set up the engine for %s\n", wave.c_str());
      return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const int written = engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size()));
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::printf("%d bytes %.2f ms\n", written, took.count());
    if (written <= 0) status = 1;
    (void)engine.Terminate();
  }
  return status;
}
