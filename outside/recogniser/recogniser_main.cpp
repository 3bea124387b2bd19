// The stand-in recogniser: a forced aligner that speaks the recogniser protocol of the
// alignment engine. It reads the dictionary and the n-gram files named on its command line,
// the name of a 16-bit mono wave file from standard input, and writes the phoneme alignment
// section to standard output. It recognises nothing: the grammar fixes the units and their
// order, the recording only places their boundaries.
#include <algorithm>
#include <charconv>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "outside/recogniser/forced_aligner.h"

namespace {

enum ExitCode { kOk = 0, kBadArguments = 1, kBadGrammar = 2, kBadWave = 3, kTooShort = 4 };

bool ReadFile(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  std::ostringstream out;
  out << in.rdbuf();
  text = out.str();
  return true;
}

bool ReadWave(const std::string& name, std::vector<int16_t>& samples, int& rate) {
  const vtr::riff::Walk walk = vtr::riff::WalkFile(name);
  if (!walk.IsForm("WAVE")) return false;
  const vtr::riff::Chunk* fmt = walk.Find("fmt ");
  const vtr::riff::Chunk* data = walk.Find("data");
  std::vector<uint8_t> body;
  if (fmt == nullptr || data == nullptr ||
      !vtr::riff::ReadChunk(name, *fmt, vtr::riff::kWaveFormatBytes, body) ||
      body.size() < vtr::riff::kWaveFormatBytes) {
    return false;
  }
  const vtr::riff::WaveFormat format = vtr::riff::DecodeWaveFormat(body);
  rate = static_cast<int>(format.rate);
  if (format.tag != vtr::riff::kWaveFormatPcm || format.channels != 1 || format.bits != 16 ||
      rate < 8000 || rate > 192000) {
    return false;
  }
  // The samples are read a block at a time straight into their place: no second copy of the
  // recording is made. Little-endian, assembled in the loop (which the compiler runs many at a
  // time).
  std::ifstream in(name, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(data->offset));
  samples.resize(static_cast<size_t>(data->size / 2));
  constexpr size_t kBlockSamples = 16384;
  uint8_t block[2 * kBlockSamples];
  for (size_t at = 0; at < samples.size();) {
    const size_t count = std::min(kBlockSamples, samples.size() - at);
    in.read(reinterpret_cast<char*>(block), static_cast<std::streamsize>(2 * count));
    if (static_cast<size_t>(in.gcount()) != 2 * count) return false;
    for (size_t i = 0; i < count; ++i) {
      samples[at + i] = static_cast<int16_t>(block[2 * i] | block[2 * i + 1] << 8);
    }
    at += count;
  }
  return true;
}

std::string Trim(std::string s) {
  const char* space = " \t\r\n";
  s.erase(0, s.find_first_not_of(space));
  s.erase(s.find_last_not_of(space) + 1);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dictionary_file, bigram_file, trigram_file, model_file, beam_text;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 < argc) into = argv[++i];
    };
    if (option == "-v") {
      value(dictionary_file);
    } else if (option == "-nlr") {
      value(bigram_file);
    } else if (option == "-nrl") {
      value(trigram_file);
    } else if (option == "-h") {
      value(model_file);
    } else if (option == "-b") {
      value(beam_text);
    } else if (option == "-lv" || option == "-input") {
      std::string ignored;
      value(ignored);
    }
  }
  // The beam: the most hypotheses the search keeps per frame; none given keeps every one
  // within reach of the best.
  int beam = 0;
  if (!beam_text.empty()) {
    const auto [end, error] =
        std::from_chars(beam_text.data(), beam_text.data() + beam_text.size(), beam);
    if (error != std::errc() || end != beam_text.data() + beam_text.size() || beam <= 0) {
      std::cerr << "the beam width '" << beam_text << "' is no positive number\n";
      return kBadArguments;
    }
  }
  std::string dictionary, bigram, trigram, model;
  if (dictionary_file.empty() || bigram_file.empty() || !ReadFile(dictionary_file, dictionary) ||
      !ReadFile(bigram_file, bigram) || (!model_file.empty() && !ReadFile(model_file, model))) {
    std::cerr << "cannot read the grammar or the model\n";
    return kBadArguments;
  }
  if (!trigram_file.empty() && !ReadFile(trigram_file, trigram)) return kBadArguments;
  std::vector<std::string> units;
  if (!vtr::recogniser::ReadGrammar(dictionary, bigram, trigram, units)) {
    std::cerr << "the grammar is no single sentence\n";
    return kBadGrammar;
  }
  std::string wave_name;
  std::getline(std::cin, wave_name);
  wave_name = Trim(wave_name);
  std::vector<int16_t> samples;
  int rate = 0;
  if (!ReadWave(wave_name, samples, rate)) {
    std::cerr << "cannot read the wave file '" << wave_name << "'\n";
    return kBadWave;
  }
  const vtr::recogniser::Recording recording = vtr::recogniser::ComputeFeatures(samples, rate);
  std::vector<vtr::recogniser::UnitSpan> spans;
  if (!vtr::recogniser::AlignUnits(recording, units, beam, spans)) {
    std::cerr << "no alignment of " << units.size()
              << " units: the recording is too short or the beam too narrow\n";
    return kTooShort;
  }
  std::cout << vtr::recogniser::FormatAlignment(units, spans);
  return std::cout.good() ? kOk : kBadArguments;
}
