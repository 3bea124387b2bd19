// The accuracy report of the recogniser: the synthetic corpus, condition by condition, aligned
// the way the alignment engine does it (grammar files, 16 kHz wave, the installed program with
// the engine's options, its output parsed), scored against the truth.
//
//   vtr_alignment_report [--recogniser FOLDER] [--utterances N] [--only TEXT] [--even | --road]
//                        [--engine LIBRARY] [--voices] [--show]
//
// --recogniser  folder holding the program and its model (default: the program folder's)
// --utterances  utterances per condition (default 10)
// --only        only the conditions whose name contains TEXT
// --even        instead of running the recogniser, spread the phonemes evenly over the
//               recording: the figure any aligner has to beat
// --road        score the engine's phoneme table after the whole road (alignment, analysis,
//               segment building with its inserted pauses) instead of the recogniser's output;
//               pauses the text does not hold then count with both edges
// --engine      with --road, run the road through the exports of this Vtr_wtp library (another
//               build's, for a before-and-after report on the same corpus) instead of the engine
//               built into the report; give that build's recogniser folder with --recogniser
// --voices      the second corpus, of voices unlike our synthesiser's (alignment_corpus.h);
//               its outside voices need the espeak-ng library
// --show        with --road, print every utterance's truth and the engine's phoneme table
//
// Per condition it prints the share of boundaries (vowel onsets and pause edges) within 20, 40
// and 80 ms of the truth, the mean error, and the share within 40 ms of the vowel onsets and of
// the pause edges alone; then, per condition and kind of boundary, the share within 40 ms and
// the median error; and per kind over all conditions the count, the share within 40 and 20 ms
// and the median error.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/alignment_corpus.h"
#include "engines/wtp/testing/road_calls.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/environment.h"
#include "platform/module.h"

namespace {

using vtr::wtp::testing::AlignedSpan;
using vtr::wtp::testing::AlignmentScore;
using vtr::wtp::testing::BoundaryKind;
using vtr::wtp::testing::CorpusCondition;
using vtr::wtp::testing::RoadCalls;
using vtr::wtp::testing::SynthSpeech;

struct Options {
  std::filesystem::path recogniser = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  int utterances = 10;
  std::string only;
  bool even = false;
  bool road = false;
  std::filesystem::path engine;  // empty: the engine built in
  bool voices = false;
  bool show = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const bool has_value = i + 1 < argc;
    if (option == "--recogniser" && has_value) {
      options.recogniser = argv[++i];
    } else if (option == "--utterances" && has_value) {
      options.utterances = std::atoi(argv[++i]);
    } else if (option == "--only" && has_value) {
      options.only = argv[++i];
    } else if (option == "--even") {
      options.even = true;
    } else if (option == "--road") {
      options.road = true;
    } else if (option == "--engine" && has_value) {
      options.engine = argv[++i];
    } else if (option == "--voices") {
      options.voices = true;
    } else if (option == "--show") {
      options.show = true;
    } else {
      return false;
    }
  }
  return options.utterances > 0 && !(options.even && options.road) &&
         (options.engine.empty() || options.road);
}

// The spans of the aligner's phonemes, by the recogniser.
bool Align(vtr::wtp::PhonemeAligner& aligner, const SynthSpeech& speech,
           std::vector<AlignedSpan>& spans) {
  spans.clear();
  if (aligner.SetText(speech.text) < 0) return false;
  vtr::wtp::WaveBuffer wave(speech.samples, speech.rate);
  if (aligner.Align(wave) != 0) return false;
  for (const vtr::wtp::SegmentRecord& p : aligner.phonemes())
    spans.push_back({p.startSec, p.endSec});
  return true;
}

// The spans of the aligner's phonemes spread evenly over the recording.
bool Spread(vtr::wtp::PhonemeAligner& aligner, const SynthSpeech& speech,
            std::vector<AlignedSpan>& spans) {
  spans.clear();
  if (aligner.SetText(speech.text) < 0) return false;
  const size_t n = aligner.phonemes().size();
  const double length = static_cast<double>(speech.samples.size()) / speech.rate;
  for (size_t i = 0; i < n; ++i) {
    spans.push_back({length * static_cast<double>(i) / static_cast<double>(n),
                     length * static_cast<double>(i + 1) / static_cast<double>(n)});
  }
  return true;
}

// The whole road through the engine, scored on its phoneme table; `library` when not null.
bool Road(const std::filesystem::path& folder, const RoadCalls* library, const SynthSpeech& speech,
          bool show, AlignmentScore& score) {
  const std::string file = (folder / "utterance.wav").string();
  if (vtr::wtp::WaveBuffer(speech.samples, speech.rate).WriteWave(file) !=
      vtr::wtp::WaveResult::kOk)
    return false;
  vtr::wtp::WtpEngine built_in(folder);
  const RoadCalls engine = library != nullptr ? *library : vtr::wtp::testing::EngineCalls(built_in);
  std::vector<char> buffer(vtr::wtp::kMaxPSeqBuffer);
  vtr::wtp::SegmentTable phonemes{}, syllables{};
  if (engine.initialize(vtr::wtp::kStepMs, 0) != 0 ||
      engine.set_wav(file.c_str(), static_cast<int>(file.size())) != 0 ||
      engine.set_text(speech.text.data(), static_cast<int>(speech.text.size())) < 0 ||
      engine.get_pseq(buffer.data(), static_cast<int>(buffer.size())) <= 0 ||
      engine.get_segment(&phonemes, &syllables) != 0) {
    (void)engine.terminate();
    return false;
  }
  std::vector<vtr::wtp::testing::AlignedSegment> segments;
  for (uint32_t i = 0; i < phonemes.count; ++i) {
    const vtr::wtp::SegmentRecord& r = phonemes.items[i];
    segments.push_back({std::string(vtr::wtp::SegmentName(r)),
                        r.startStep * vtr::wtp::kStepMs * 0.001,
                        r.endStep * vtr::wtp::kStepMs * 0.001});
  }
  if (show) {
    std::printf("\n%s\ntruth:", speech.text.c_str());
    for (const auto& p : speech.phonemes) {
      std::printf(" [%s %.0f-%.0f%s]", p.name.c_str(), p.start_sec * 1000, p.end_sec * 1000,
                  p.in_text                                                      ? ""
                  : p.source == vtr::wtp::testing::PauseSource::kSpeaker         ? " sp"
                  : p.source == vtr::wtp::testing::PauseSource::kInsertedSilence ? " si"
                                                                                 : " br");
    }
    std::printf("\ntable:");
    for (const auto& s : segments)
      std::printf(" [%s %.0f-%.0f]", s.name.c_str(), s.start_sec * 1000, s.end_sec * 1000);
    std::printf("\n");
  }
  // The engine's first and last records are the silences around the speech.
  const bool scored = vtr::wtp::testing::ScoreSegments(speech, segments, score);
  (void)engine.terminate();
  return scored;
}

void PrintRow(const std::string& name, const AlignmentScore& s) {
  auto share = [](int part, int whole) { return whole > 0 ? 100.0 * part / whole : 0.0; };
  std::printf("%-32s %4d %5d %6.1f %6.1f %6.1f %8.1f %7.1f %7.1f %4d %5d\n", name.c_str(),
              s.utterances, s.boundaries, 100 * s.Share(s.within_20ms),
              100 * s.Share(s.within_40ms), 100 * s.Share(s.within_80ms), s.MeanErrorMs(),
              share(s.vowel_onsets_within_40ms, s.vowel_onsets),
              share(s.pause_edges_within_40ms, s.pause_edges), s.failures, s.split_pauses);
}

// The median of signed errors [s]; 0 for none.
double Median(std::vector<double> errors) {
  if (errors.empty()) return 0;
  const auto middle = errors.begin() + static_cast<std::ptrdiff_t>(errors.size() / 2);
  std::nth_element(errors.begin(), middle, errors.end());
  return *middle;
}

// Per condition and kind of boundary: the share within 40 ms, the median error and the count.
void PrintKinds(const std::vector<std::pair<std::string, AlignmentScore>>& rows) {
  auto table = [&](const char* title, auto&& cell) {
    std::printf("\n%s\n%-32s", title, "");
    for (size_t k = 0; k < vtr::wtp::testing::kBoundaryKinds; ++k) std::printf(" %6zu", k + 1);
    std::printf("\n");
    for (const auto& [name, score] : rows) {
      std::printf("%-32s", name.c_str());
      for (const AlignmentScore::Kind& kind : score.kinds) {
        if (kind.count == 0) {
          std::printf(" %6s", "-");
        } else {
          cell(kind);
        }
      }
      std::printf("\n");
    }
  };
  table("within 40 ms by kind of boundary (%)", [](const AlignmentScore::Kind& kind) {
    std::printf(" %6.1f", 100.0 * kind.within_40ms / kind.count);
  });
  table(
      "median error by kind of boundary (ms, later than the truth is positive)",
      [](const AlignmentScore::Kind& kind) { std::printf(" %6.0f", 1000 * Median(kind.errors)); });
  table("boundaries by kind",
        [](const AlignmentScore::Kind& kind) { std::printf(" %6d", kind.count); });
}

// Over all conditions, per kind: count, shares within 40 and 20 ms, median error.
void PrintKindTotals(const AlignmentScore& all) {
  std::printf("\n%3s %-26s %6s %7s %7s %10s\n", "", "kind", "n", "<=40ms", "<=20ms", "median ms");
  for (size_t k = 0; k < vtr::wtp::testing::kBoundaryKinds; ++k) {
    const AlignmentScore::Kind& kind = all.kinds[k];
    int within_20ms = 0;
    for (double e : kind.errors) within_20ms += std::abs(e) <= 0.02 ? 1 : 0;
    const double median = Median(kind.errors);
    const double n = std::max(1, kind.count);
    std::printf("%3zu %-26s %6d %7.1f %7.1f %10.0f\n", k + 1,
                vtr::wtp::testing::BoundaryKindName(static_cast<BoundaryKind>(k)), kind.count,
                100.0 * kind.within_40ms / n, 100.0 * within_20ms / n, 1000 * median);
  }
}

// One utterance, scored the way the options say.
bool ScoreOne(const Options& options, const std::filesystem::path& folder, const RoadCalls* library,
              vtr::wtp::PhonemeAligner& aligner, const SynthSpeech& speech, AlignmentScore& score) {
  if (options.road) return Road(folder, library, speech, options.show, score);
  std::vector<AlignedSpan> spans;
  const bool aligned =
      options.even ? Spread(aligner, speech, spans) : Align(aligner, speech, spans);
  return aligned && vtr::wtp::testing::ScoreAlignment(speech, spans, score);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s [--recogniser FOLDER] [--utterances N] [--only TEXT] [--even | --road] "
                 "[--engine LIBRARY] [--voices] [--show]\n",
                 argv[0]);
    return 2;
  }
  // A private copy of the recogniser folder: the aligner writes its files there.
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("vtr_alignment_report_" + std::to_string(vtr::platform::CurrentProcessId()));
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  for (const char* name : {"julius", "hmmdefs"}) {
    std::filesystem::copy_file(options.recogniser / name, folder / name,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error && !options.even) {
      std::fprintf(stderr, "cannot copy %s: %s\n", (options.recogniser / name).c_str(),
                   error.message().c_str());
      return 1;
    }
  }
  vtr::wtp::PhonemeAligner aligner(folder);
  // Another build's engine runs the recogniser of the folder the environment names.
  vtr::platform::ScopedEnvironmentVariable recogniser_folder("VTR_RECOGNISER_FOLDER",
                                                             folder.string());
  vtr::platform::Module library;
  RoadCalls calls;
  const RoadCalls* library_calls = nullptr;
  if (!options.engine.empty()) {
    std::string why;
    if (!library.LoadFile(std::filesystem::absolute(options.engine))) {
      why = library.error();
    } else {
      (void)vtr::wtp::testing::LibraryCalls(library, calls, &why);
    }
    if (!why.empty()) {
      std::fprintf(stderr, "cannot use %s: %s\n", options.engine.c_str(), why.c_str());
      return 1;
    }
    library_calls = &calls;
  }
  std::printf("%-32s %4s %5s %6s %6s %6s %8s %7s %7s %4s %5s\n", "condition", "utt", "bound",
              "<=20ms", "<=40ms", "<=80ms", "mean ms", "vowel40", "pause40", "fail", "split");
  AlignmentScore all;
  std::vector<std::pair<std::string, AlignmentScore>> rows;
  auto finish = [&](const std::string& name, const AlignmentScore& score) {
    PrintRow(name, score);
    std::fflush(stdout);
    rows.emplace_back(name, score);
    all += score;
  };
  if (options.voices) {
    std::string error;
    std::unique_ptr<vtr::wtp::testing::OutsideVoice> voice =
        vtr::wtp::testing::OutsideVoice::Load(&error);
    if (!voice) std::fprintf(stderr, "no outside voice (%s): only our voices\n", error.c_str());
    for (const vtr::wtp::testing::VoiceCondition& condition :
         vtr::wtp::testing::VoiceConditions()) {
      if (condition.name.find(options.only) == std::string::npos) continue;
      if (condition.outside && !voice) continue;
      AlignmentScore score;
      for (int i = 0; i < options.utterances; ++i) {
        const auto speech = vtr::wtp::testing::VoiceUtterance(condition, i, voice.get(), &error);
        if (!speech) std::fprintf(stderr, "utterance %d: %s\n", i, error.c_str());
        if (!speech || !ScoreOne(options, folder, library_calls, aligner, *speech, score)) {
          ++score.utterances;
          ++score.failures;
        }
      }
      finish(condition.name, score);
    }
  } else {
    for (const CorpusCondition& condition : vtr::wtp::testing::ReportConditions()) {
      if (condition.name.find(options.only) == std::string::npos) continue;
      AlignmentScore score;
      for (int i = 0; i < options.utterances; ++i) {
        const SynthSpeech speech = vtr::wtp::testing::CorpusUtterance(condition, i);
        if (!ScoreOne(options, folder, library_calls, aligner, speech, score)) {
          ++score.utterances;
          ++score.failures;
        }
      }
      finish(condition.name, score);
    }
  }
  PrintRow("all", all);
  PrintKinds(rows);
  PrintKindTotals(all);
  std::filesystem::remove_all(folder, error);
  return 0;
}
