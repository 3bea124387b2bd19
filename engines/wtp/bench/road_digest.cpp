// Digests of everything the whole road gives for many waves, for comparing two builds: the
// pitch sequence bytes and both segment tables of VtrWtp_GetPSeq (a first and a second call on
// the same wave), and the recogniser's own output for the wave and grammar the aligner gives it.
//
//   vtr_wtp_road_digest [--recogniser FOLDER] [--utterances N] [--engine LIBRARY] > digests.txt
//
// --recogniser  folder holding the program and its model (default: the program folder's)
// --utterances  utterances per corpus condition and rate (default 4)
// --engine      run the road through the exports of this Vtr_wtp library (another build's)
//               instead of the engine built into the tool: two builds' engines on the same
//               waves and the same recogniser
//
// The waves: the corpus conditions at 16000 and 44100 Hz, ordinary speech of 2, 8, 20 and 60 s
// at 16000 Hz, and 20 s at 22050, 32000 and 48000 Hz. One line per wave; two builds gave the
// same outputs when their digests are the same file (diff).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/alignment_corpus.h"
#include "engines/wtp/testing/road_calls.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/environment.h"
#include "platform/module.h"
#include "platform/process.h"

namespace {

using vtr::wtp::testing::SynthSpeech;

// FNV-1a, 64 bits: enough to tell outputs apart.
uint64_t Digest(std::span<const uint8_t> bytes) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ULL;
  }
  return h;
}

uint64_t Digest(const vtr::wtp::SegmentTable& table) {
  if (table.count == 0 || table.items == nullptr) return 0;
  return Digest(
      {reinterpret_cast<const uint8_t*>(table.items), table.count * sizeof(*table.items)});
}

// "result:count:digest" of one GetPSeq call, with both tables.
std::string RoadDigest(const vtr::wtp::testing::RoadCalls& engine, std::vector<char>& buffer) {
  const int written = engine.get_pseq(buffer.data(), static_cast<int>(buffer.size()));
  vtr::wtp::SegmentTable phonemes{}, syllables{};
  (void)engine.get_segment(&phonemes, &syllables);
  char line[160];
  const uint64_t pseq =
      written > 0
          ? Digest({reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(written)})
          : 0;
  std::snprintf(line, sizeof line, "pseq=%d:%016llx phonemes=%u:%016llx syllables=%u:%016llx",
                written, static_cast<unsigned long long>(pseq), phonemes.count,
                static_cast<unsigned long long>(Digest(phonemes)), syllables.count,
                static_cast<unsigned long long>(Digest(syllables)));
  return line;
}

// The recogniser's standard output for the 16 kHz wave and the grammar the aligner would give
// it, run by hand in `scratch`.
std::string RecogniserDigest(const std::filesystem::path& recogniser,
                             const std::filesystem::path& scratch, const SynthSpeech& speech) {
  vtr::wtp::PhonemeAligner aligner(recogniser);
  if (aligner.SetText(speech.text) < 0) return "recogniser=no-text";
  vtr::wtp::WaveBuffer wave(speech.samples, speech.rate);
  wave.HighPassNormalise(vtr::wtp::kNormalisePercent);
  vtr::wtp::WaveBuffer copy;
  if (wave.rate() != vtr::wtp::kAlignRate &&
      wave.ResampleTo(copy, vtr::wtp::kAlignRate) != vtr::wtp::WaveResult::kOk) {
    return "recogniser=no-copy";
  }
  vtr::wtp::WaveBuffer& aligned = wave.rate() == vtr::wtp::kAlignRate ? wave : copy;
  for (int16_t& sample : aligned.mutable_samples()) {
    if (sample == 0) sample = 1;
  }
  bool written = aligned.WriteWave(scratch / vtr::wtp::kTempWave) == vtr::wtp::WaveResult::kOk;
  const std::pair<std::string_view, std::string> files[] = {
      {vtr::wtp::kTempDictionary, aligner.DictionaryText()},
      {vtr::wtp::kTempBigram, aligner.BigramText()},
      {vtr::wtp::kTempTrigram, aligner.TrigramText()},
      {vtr::wtp::kTempInput, std::string(vtr::wtp::kTempWave) + "\n"}};
  for (const auto& [name, text] : files) {
    FILE* out = std::fopen((scratch / name).c_str(), "wb");
    written =
        out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size() && written;
    if (out != nullptr) written = std::fclose(out) == 0 && written;
  }
  if (!written) return "recogniser=unwritten";
  vtr::platform::ProcessSpec spec;
  spec.program = recogniser / vtr::wtp::kRecogniserProgram;
  spec.args = aligner.RecogniserArguments();
  spec.working_folder = scratch;
  spec.stdin_file = scratch / vtr::wtp::kTempInput;
  spec.stdout_file = scratch / vtr::wtp::kTempOutput;
  const vtr::platform::ProcessResult run =
      vtr::platform::RunProcess(spec, std::chrono::seconds(120));
  std::vector<uint8_t> output;
  if (FILE* in = std::fopen((scratch / vtr::wtp::kTempOutput).c_str(), "rb")) {
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0)
      output.insert(output.end(), chunk, chunk + got);
    std::fclose(in);
  }
  char line[96];
  std::snprintf(line, sizeof line, "recogniser=%d:%zu:%016llx", run.exit_code, output.size(),
                static_cast<unsigned long long>(Digest(output)));
  return line;
}

// `library`: the calls of another build's engine, or null for the one built in.
void PrintWave(const std::string& label, const SynthSpeech& speech,
               const std::filesystem::path& recogniser, const std::filesystem::path& folder,
               const vtr::wtp::testing::RoadCalls* library) {
  const std::string file = (folder / "utterance.wav").string();
  if (vtr::wtp::WaveBuffer(speech.samples, speech.rate).WriteWave(file) !=
      vtr::wtp::WaveResult::kOk) {
    std::printf("%s: unwritten\n", label.c_str());
    return;
  }
  vtr::wtp::WtpEngine built_in(recogniser);
  const vtr::wtp::testing::RoadCalls engine =
      library != nullptr ? *library : vtr::wtp::testing::EngineCalls(built_in);
  std::vector<char> buffer(vtr::wtp::kMaxPSeqBuffer);
  std::string first = "unset", second = "unset";
  if (engine.initialize(vtr::wtp::kStepMs, 0) == 0) {
    if (engine.set_wav(file.c_str(), static_cast<int>(file.size())) == 0 &&
        engine.set_text(speech.text.data(), static_cast<int>(speech.text.size())) >= 0) {
      first = RoadDigest(engine, buffer);
      // The second call filters the samples again: its own output, which must also stay.
      (void)engine.set_text(speech.text.data(), static_cast<int>(speech.text.size()));
      second = RoadDigest(engine, buffer);
    }
    (void)engine.terminate();
  }
  std::printf("%s rate=%d samples=%zu %s | %s | %s\n", label.c_str(), speech.rate,
              speech.samples.size(), first.c_str(), second.c_str(),
              RecogniserDigest(recogniser, folder, speech).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path recogniser = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  int utterances = 4;
  std::filesystem::path engine_library;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--recogniser" && i + 1 < argc) {
      recogniser = argv[++i];
    } else if (option == "--utterances" && i + 1 < argc) {
      utterances = std::atoi(argv[++i]);
    } else if (option == "--engine" && i + 1 < argc) {
      engine_library = argv[++i];
    } else {
      std::fprintf(stderr, "usage: %s [--recogniser FOLDER] [--utterances N] [--engine LIBRARY]\n",
                   argv[0]);
      return 2;
    }
  }
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("vtr_wtp_road_digest_" + std::to_string(vtr::platform::CurrentProcessId()));
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  recogniser = std::filesystem::absolute(recogniser);
  // Another build's engine runs the recogniser of the folder the environment names.
  vtr::platform::ScopedEnvironmentVariable recogniser_folder("VTR_RECOGNISER_FOLDER",
                                                             recogniser.string());
  vtr::platform::Module library;
  vtr::wtp::testing::RoadCalls calls;
  const vtr::wtp::testing::RoadCalls* library_calls = nullptr;
  if (!engine_library.empty()) {
    std::string why;
    if (!library.LoadFile(std::filesystem::absolute(engine_library))) {
      why = library.error();
    } else {
      (void)vtr::wtp::testing::LibraryCalls(library, calls, &why);
    }
    if (!why.empty()) {
      std::fprintf(stderr, "cannot use %s: %s\n", engine_library.c_str(), why.c_str());
      return 1;
    }
    library_calls = &calls;
  }
  for (const auto& condition : vtr::wtp::testing::ReportConditions()) {
    for (const int rate : {16000, 44100}) {
      for (int i = 0; i < utterances; ++i) {
        PrintWave("'" + condition.name + "' #" + std::to_string(i),
                  vtr::wtp::testing::CorpusUtterance(condition, i, rate), recogniser, folder,
                  library_calls);
      }
    }
  }
  for (const int seconds : {2, 8, 20, 60}) {
    PrintWave("speech " + std::to_string(seconds) + " s",
              vtr::wtp::testing::SpeechOfLength(seconds, 16000, 11), recogniser, folder,
              library_calls);
  }
  for (const int rate : {22050, 32000, 48000}) {
    PrintWave("speech 20 s", vtr::wtp::testing::SpeechOfLength(20, rate, 11), recogniser, folder,
              library_calls);
  }
  std::filesystem::remove_all(folder, error);
  return 0;
}
