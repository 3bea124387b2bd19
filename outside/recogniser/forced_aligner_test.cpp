#include "outside/recogniser/forced_aligner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/alignment_corpus.h"
#include "engines/wtp/testing/outside_voice.h"
#include "engines/wtp/testing/recogniser_folder.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/process.h"

namespace vtr::recogniser {
namespace {

using wtp::testing::AlignedSpan;
using wtp::testing::AlignmentScore;
using wtp::testing::SynthScript;
using wtp::testing::SynthSpeech;

// The units the alignment engine asks for when given `text`.
std::vector<std::string> UnitsFor(const std::string& text) {
  wtp::PhonemeAligner aligner(VTR_TEST_BIN_DIR);
  EXPECT_GE(aligner.SetText(text), 0);
  std::vector<std::string> units;
  EXPECT_TRUE(
      ReadGrammar(aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), units));
  return units;
}

// The beam the alignment engine passes for `units`.
int EngineBeam(const std::vector<std::string>& units) {
  return 3 * static_cast<int>(units.size()) + 100;
}

// Aligns `speech` as the engine would, in seconds per unit; empty when the alignment failed.
std::vector<AlignedSpan> Align(const SynthSpeech& speech, int beam = -1) {
  const std::vector<std::string> units = UnitsFor(speech.text);
  std::vector<UnitSpan> spans;
  if (!AlignUnits(ComputeFeatures(speech.samples, speech.rate), units,
                  beam < 0 ? EngineBeam(units) : beam, spans)) {
    return {};
  }
  std::vector<AlignedSpan> out;
  out.reserve(spans.size());
  for (const UnitSpan& s : spans) out.push_back({s.start * kFrameSec, (s.end + 1) * kFrameSec});
  return out;
}

TEST(ForcedAlignerTest, GrammarGivesTheUnitsInOrder) {
  EXPECT_EQ(UnitsFor("ka"), (std::vector<std::string>{"silB", "k", "a:", "silE"}));
  EXPECT_EQ(UnitsFor("k'a mo"),
            (std::vector<std::string>{"silB", "ky", "a:", "sp", "N", "o:", "silE"}));
  wtp::PhonemeAligner aligner(VTR_TEST_BIN_DIR);
  ASSERT_EQ(aligner.SetText("kasa"), 0);
  std::vector<std::string> units;
  struct Case {
    const char* name;
    std::string dictionary, bigram, trigram;
    bool ok;
  };
  std::string broken_chain = aligner.BigramText();
  broken_chain.replace(broken_chain.find("0.0 k0 a:1\n"), 11, "");
  std::string other_backward = aligner.TrigramText();
  other_backward.replace(other_backward.find("0.0 a:1 k0 -99.0"), 16, "0.0 a:1 s2 -99.0");
  std::string looping = aligner.BigramText();
  looping.replace(looping.find("0.0 a:3 </s>"), 12, "0.0 a:3 k0");
  // Words between white space of every kind a stream skips, lines ending in CR LF.
  auto spaced = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      out += c == ' '    ? std::string(" \t\v\f")
             : c == '\n' ? std::string("\r\n")
                         : std::string(1, c);
    }
    return "\t" + out;
  };
  // clang-format off
  const Case cases[] = {
      {"as written", aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), true},
      {"white space of every kind", spaced(aligner.DictionaryText()), spaced(aligner.BigramText()),
       spaced(aligner.TrigramText()), true},
      {"no backward file", aligner.DictionaryText(), aligner.BigramText(), "", true},
      {"chain broken", aligner.DictionaryText(), broken_chain, aligner.TrigramText(), false},
      {"backward file disagrees", aligner.DictionaryText(), aligner.BigramText(), other_backward, false},
      {"chain loops", aligner.DictionaryText(), looping, "", false},
      {"word without pronunciation", "<s> [silB] silB\n", aligner.BigramText(), "", false},
      {"empty", "", "", "", false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadGrammar(c.dictionary, c.bigram, c.trigram, units), c.ok);
    if (c.ok) {
      EXPECT_EQ(units, (std::vector<std::string>{"silB", "k", "a:", "s", "a:", "silE"}));
    }
  }
}

TEST(ForcedAlignerTest, EveryStateGetsAFrameWhenThereAreEnoughFrames) {
  std::mt19937 random(5);
  std::vector<int16_t> noise(16000);
  for (int16_t& s : noise) s = static_cast<int16_t>(static_cast<int>(random() % 2000) - 1000);
  const Recording recording = ComputeFeatures(noise, 16000);
  ASSERT_EQ(recording.frames.size(), 100u);
  struct Case {
    const char* name;
    size_t units;
    const char* phone;  // of the inner units
    int beam;
    bool ok;
  };
  const Case cases[] = {
      {"a few vowels", 3, "a:", 0, true},
      {"half as many vowels as frames", 50, "a:", 0, true},
      {"a vowel per frame", 100, "a:", 0, true},
      {"one vowel too many", 101, "a:", 0, false},
      {"stops of two states each", 50, "k", 0, true},
      {"stops filling every frame", 51, "k", 0, true},
      {"stops one frame short", 52, "k", 0, false},
      {"within the engine's beam", 50, "a:", 250, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> units(c.units, c.phone);
    units.front() = "silB";
    units.back() = "silE";
    std::vector<UnitSpan> spans;
    ASSERT_EQ(AlignUnits(recording, units, c.beam, spans), c.ok);
    if (!c.ok) continue;
    ASSERT_EQ(spans.size(), c.units);
    EXPECT_EQ(spans.front().start, 0);
    EXPECT_EQ(spans.back().end, 99);
    for (size_t i = 0; i < spans.size(); ++i) {
      EXPECT_LE(spans[i].start, spans[i].end);
      if (i > 0) {
        EXPECT_EQ(spans[i].start, spans[i - 1].end + 1);
      }
    }
  }
}

TEST(ForcedAlignerTest, OutputHasTheSectionTheEngineReads) {
  const std::vector<std::string> units = {"silB", "k", "a:", "silE"};
  const std::vector<UnitSpan> spans = {
      {0, 13, -1.5}, {14, 20, -2}, {21, 999, -1}, {1000, 1013, -0.5}};
  const std::string text = FormatAlignment(units, spans);
  EXPECT_EQ(text.substr(0, text.find('\n')), "=== phoneme alignment begin ===");
  EXPECT_NE(text.find("\n[    0   13]  -1.500000  silB\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[ 1000 1013]  -0.500000  silE\nre-computed AM score: "), std::string::npos)
      << text;
  std::vector<wtp::FrameSpan> frames;
  ASSERT_TRUE(wtp::ParseRecogniserOutput(text, 4, frames));
  EXPECT_EQ(frames[3].start, 1000);
}

// A speaker who breathes where the text has no pause, before a voiceless stop: the silence
// belongs at the end of the vowel before it, not in the stop's closure, and the units after
// it keep their places.
TEST(ForcedAlignerTest, APauseTheTextDoesNotHoldStaysOutOfTheNextStop) {
  struct Case {
    const char* name;
    SynthScript script;
  };
  const Case cases[] = {
      {"before k",
       {{"ha", 0.05, 0.08},
        {"na", 0.05, 0.12},
        {" ", 0, 0.45, false},
        {"ka", 0.07, 0.08},
        {"ta", 0.06, 0.09},
        {"ne", 0.05, 0.14}}},
      {"before t",
       {{"sa", 0.08, 0.07},
        {"ke", 0.06, 0.12},
        {" ", 0, 0.6, false},
        {"to", 0.06, 0.07},
        {"mo", 0.05, 0.08},
        {"da", 0.04, 0.13}}},
      {"before a vowel",
       {{"k'i", 0.06, 0.07},
        {"mo", 0.05, 0.12},
        {" ", 0, 0.35, false},
        {"o", 0, 0.08},
        {"k'i", 0.06, 0.08},
        {"na", 0.05, 0.13}}},
      {"before a nasal",
       {{"ko", 0.06, 0.07},
        {"no", 0.05, 0.12},
        {" ", 0, 0.5, false},
        {"ma", 0.05, 0.08},
        {"e", 0, 0.08},
        {"Ji", 0.05, 0.13}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wtp::testing::SynthVoice voice;
    voice.f0_hz = 140;
    const SynthSpeech speech = wtp::testing::Synthesize(c.script, 16000, voice, 21, 0.3, 0.3);
    const std::vector<AlignedSpan> spans = Align(speech);
    ASSERT_FALSE(spans.empty());
    AlignmentScore score;
    ASSERT_TRUE(wtp::testing::ScoreAlignment(speech, spans, score));
    // Where the pause meets a stop's closure only the closure's usual length tells them apart.
    EXPECT_EQ(score.within_80ms, score.boundaries);
    EXPECT_GE(score.within_40ms, score.boundaries - 1);
    EXPECT_LE(score.MeanErrorMs(), 20);
    // The vowel before the pause holds it: it ends where the pause ends.
    const auto pause = std::find_if(speech.phonemes.begin(), speech.phonemes.end(),
                                    [](const auto& p) { return !p.in_text; });
    ASSERT_NE(pause, speech.phonemes.end());
    const size_t before =
        static_cast<size_t>(pause - speech.phonemes.begin());  // the aligner's unit before it
    EXPECT_NEAR(spans[before].end_sec, pause->end_sec, 0.05);
  }
}

// The corpus of the accuracy report, a few utterances per condition: what each must keep.
struct CorpusMark {
  const char* condition;
  double within_40ms;    // share of vowel onsets and pause edges, at least
  double mean_error_ms;  // at most
};

constexpr CorpusMark kCorpusMarks[] = {
    {"pauses marked", 0.93, 20},
    {"pauses unmarked", 0.92, 20},
    {"no pauses", 0.92, 20},
    {"white noise 30 dB", 0.93, 20},
    {"white noise 20 dB", 0.92, 20},
    {"white noise 10 dB", 0.85, 30},
    {"babble noise 30 dB", 0.93, 20},
    {"babble noise 20 dB", 0.92, 20},
    {"babble noise 10 dB", 0.85, 30},
    {"slow speech (x0.75)", 0.90, 25},
    {"fast speech (x1.3)", 0.90, 25},
    {"low voice (90 Hz)", 0.90, 25},
    {"high voice (260 Hz)", 0.90, 25},
    {"flat pitch (range x0.3)", 0.90, 25},
    {"lively pitch (range x2.5)", 0.90, 25},
};

void PrintTo(const CorpusMark& mark, std::ostream* out) { *out << mark.condition; }

class CorpusTest : public ::testing::TestWithParam<CorpusMark> {};

TEST_P(CorpusTest, AlignsWithinItsMark) {
  constexpr int kUtterances = 3;
  const CorpusMark& mark = GetParam();
  const std::vector<wtp::testing::CorpusCondition> conditions = wtp::testing::ReportConditions();
  const auto condition = std::find_if(conditions.begin(), conditions.end(),
                                      [&](const auto& c) { return c.name == mark.condition; });
  ASSERT_NE(condition, conditions.end());
  AlignmentScore score;
  for (int u = 0; u < kUtterances; ++u) {
    const SynthSpeech speech = wtp::testing::CorpusUtterance(*condition, u);
    const std::vector<AlignedSpan> spans = Align(speech);
    ASSERT_FALSE(spans.empty()) << "utterance " << u;
    ASSERT_TRUE(wtp::testing::ScoreAlignment(speech, spans, score)) << "utterance " << u;
  }
  std::printf("%-28s %5.1f %% within 40 ms, mean %5.1f ms\n", mark.condition,
              100 * score.Share(score.within_40ms), score.MeanErrorMs());
  EXPECT_GE(score.Share(score.within_40ms), mark.within_40ms);
  EXPECT_LE(score.MeanErrorMs(), mark.mean_error_ms);
}

TEST(ForcedAlignerTest, EveryConditionOfTheCorpusHasAMark) {
  const std::vector<wtp::testing::CorpusCondition> conditions = wtp::testing::ReportConditions();
  ASSERT_EQ(conditions.size(), std::size(kCorpusMarks));
  for (size_t i = 0; i < conditions.size(); ++i)
    EXPECT_EQ(conditions[i].name, kCorpusMarks[i].condition);
}

INSTANTIATE_TEST_SUITE_P(Conditions, CorpusTest, ::testing::ValuesIn(kCorpusMarks),
                         [](const ::testing::TestParamInfo<CorpusMark>& info) {
                           std::string name;
                           for (const char c : std::string(info.param.condition)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

TEST(ForcedAlignerTest, TheBeamLimitsTheSearchButNotTheEnginesResult) {
  const SynthSpeech speech = wtp::testing::CorpusUtterance(wtp::testing::ReportConditions()[1], 0);
  const std::vector<std::string> units = UnitsFor(speech.text);
  const Recording recording = ComputeFeatures(speech.samples, speech.rate);
  std::vector<UnitSpan> unlimited, engine, narrow;
  ASSERT_TRUE(AlignUnits(recording, units, 0, unlimited));
  // The engine's beam keeps every state end within reach of the best.
  ASSERT_TRUE(AlignUnits(recording, units, EngineBeam(units), engine));
  ASSERT_EQ(engine.size(), unlimited.size());
  for (size_t i = 0; i < engine.size(); ++i) {
    EXPECT_EQ(engine[i].start, unlimited[i].start) << units[i] << " " << i;
  }
  // A beam of one or two state ends per frame loses the path or finds a poorer one, but never
  // an alignment that breaks the output's form.
  for (const int beam : {1, 2}) {
    SCOPED_TRACE(beam);
    if (!AlignUnits(recording, units, beam, narrow)) continue;
    ASSERT_EQ(narrow.size(), units.size());
    EXPECT_EQ(narrow.front().start, 0);
    EXPECT_EQ(narrow.back().end, static_cast<int>(recording.frames.size()) - 1);
    for (size_t i = 1; i < narrow.size(); ++i) EXPECT_EQ(narrow[i].start, narrow[i - 1].end + 1);
  }
}

// The installed program, run by the alignment engine from a copy of its folder.
TEST(ForcedAlignerTest, InstalledProgramServesTheAlignmentEngine) {
  const wtp::testing::RecogniserFolder folder("forced_aligner");
  struct Case {
    const char* name;
    int rate;
    double seconds;  // 0: the synthetic utterance itself
    int result;
  };
  const Case cases[] = {
      {"44.1 kHz utterance", 44100, 0, 0},
      {"16 kHz utterance", 16000, 0, 0},
      {"recording too short for the units", 16000, 0.05, -1},
  };
  const SynthScript script = wtp::testing::RandomScript(8, 3, 77);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SynthSpeech speech = wtp::testing::Synthesize(script, c.rate, 140, 77);
    if (c.seconds > 0) speech.samples.resize(static_cast<size_t>(c.seconds * c.rate));
    wtp::WaveBuffer wave(speech.samples, c.rate);
    wtp::PhonemeAligner aligner(folder.path());
    ASSERT_GE(aligner.SetText(speech.text), 0);
    ASSERT_EQ(aligner.Align(wave), c.result);
    if (c.result != 0) continue;
    wtp::SegmentTable phonemes{static_cast<uint32_t>(aligner.phonemes().size()),
                               aligner.phonemes().data()};
    wtp::SegmentTable syllables{static_cast<uint32_t>(aligner.syllables().size()),
                                aligner.syllables().data()};
    EXPECT_EQ(wtp::CheckSegmentTables(phonemes, syllables), "");
    int close = 0;
    for (size_t k = 0; k < script.size(); ++k) {
      const double found = aligner.syllables()[k + 1].startStep * 0.02;
      if (std::abs(found - speech.syllable_starts[k]) <= 0.06) ++close;
    }
    EXPECT_GE(close, static_cast<int>(script.size()) - 2);
  }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
    left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"hmmdefs", "julius"}));
}

// The whole road (the engine running the installed program, the segment builder and the
// refinement) on words an outside voice speaks, as a user's recording would reach it: where
// its tables put every vowel onset and pause edge, against the voice's own timing. The voice
// releases a geminate's stop twice and says a nasal with a low second resonance, u with
// rounded lips: each case once pushed boundaries 40-110 ms away. A long silence the text does
// not hold before a word that starts with a vowel once left the vowel lying over the silence
// and gave its sound to the next syllable. In a room, the moraic nasal before t took the
// reverberation after the vowel and the silence after it, and t and its vowel went after the
// silence.
TEST(ForcedAlignerTest, RoadPlacesNasalOnsetsGeminatesAndVowelsAfterSilenceOfAnOutsideVoice) {
  std::string error;
  const std::unique_ptr<wtp::testing::OutsideVoice> voice =
      wtp::testing::OutsideVoice::Load(&error);
  ASSERT_NE(voice, nullptr) << error;
  const wtp::testing::RecogniserFolder folder("forced_aligner_road");
  struct Case {
    const char* name;
    wtp::testing::SpokenSentence words;
    const char* voice;
    int words_per_minute;
    double silence_sec = 0;  // digital silence put in before the last word
    double reverb_sec = 0;   // a room that takes this long to decay by 60 dB
  };
  const Case cases[] = {
      {"vowels after n, ny and m", {{"なにも", "naJimo"}}, "ja+f4", 150},
      {"vowels after n, ny and m, faster", {{"なにも", "naJimo"}}, "ja+f2", 210},
      {"a vowel after m", {{"むかし", "mMkaSi"}}, "ja+f4", 150},
      {"a geminate t", {{"まって", "ma te"}}, "ja+f2", 180},
      {"a geminate t after a glide", {{"やっと", "ja to"}}, "ja+f2", 210},
      {"u after a long silence", {{"みえます", "m'iemasM"}, {"うみに", "Mm'iJi"}}, "ja", 160, 0.6},
      {"a after a long silence, short words",
       {{"ただ", "tada"}, {"あにに", "aJiJi"}},
       "ja+m3",
       200,
       0.5},
      {"o after a silence, after the moraic nasal",
       {{"こうえんで", "koMeN\\de"}, {"おちゃを", "otSao"}},
       "ja+f4",
       180,
       0.46},
      {"a word ending in the moraic nasal, t and a vowel before a silence, in a room",
       {{"おかあさんと", "okaasaN\\to"}, {"いっしょに", "i SoJi"}},
       "ja+f4",
       150,
       0.62,
       0.6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<size_t> word_starts;
    std::optional<SynthSpeech> speech =
        voice->Speak(c.words, c.voice, c.words_per_minute, &word_starts, &error);
    ASSERT_TRUE(speech) << error;
    if (c.silence_sec > 0) {
      ASSERT_FALSE(word_starts.empty());
      wtp::testing::InsertPause(*speech, word_starts.back(), c.silence_sec,
                                wtp::testing::PauseSource::kInsertedSilence, 1);
    }
    if (c.reverb_sec > 0) wtp::testing::AddReverberation(*speech, c.reverb_sec, -8);
    const std::string file = (folder.path() / "words.wav").string();
    ASSERT_EQ(wtp::WaveBuffer(speech->samples, speech->rate).WriteWave(file), wtp::WaveResult::kOk);
    wtp::WtpEngine engine(folder.path());
    std::vector<char> buffer(wtp::kMaxPSeqBuffer);
    wtp::SegmentTable phonemes{}, syllables{};
    ASSERT_EQ(engine.Initialize(wtp::kStepMs, 0), 0);
    ASSERT_EQ(engine.SetWav(file.c_str(), static_cast<int>(file.size())), 0);
    ASSERT_EQ(engine.SetText(speech->text.data(), static_cast<int>(speech->text.size())), 0);
    ASSERT_GT(engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size())), 0);
    ASSERT_EQ(engine.GetSegment(&phonemes, &syllables), 0);
    std::vector<wtp::testing::AlignedSegment> segments;
    std::string table;
    for (uint32_t i = 0; i < phonemes.count; ++i) {
      const wtp::SegmentRecord& r = phonemes.items[i];
      segments.push_back({std::string(wtp::SegmentName(r)), r.startStep * wtp::kStepSec,
                          r.endStep * wtp::kStepSec});
      table += " [" + segments.back().name + " " + std::to_string(r.startStep) + "-" +
               std::to_string(r.endStep) + "]";
    }
    AlignmentScore score;
    ASSERT_TRUE(wtp::testing::ScoreSegments(*speech, segments, score));
    (void)engine.Terminate();
    for (size_t k = 0; k < wtp::testing::kBoundaryKinds; ++k) {
      // In a room the pause edges follow the level into the reverberation; only the vowel
      // onsets are the recogniser's.
      if (c.reverb_sec > 0 && k > static_cast<size_t>(wtp::testing::BoundaryKind::kVowelAfterPause))
        continue;
      const AlignmentScore::Kind& kind = score.kinds[k];
      std::string errors;
      for (const double e : kind.errors) errors += " " + std::to_string(std::lround(1000 * e));
      EXPECT_EQ(kind.within_40ms, kind.count)
          << wtp::testing::BoundaryKindName(static_cast<wtp::testing::BoundaryKind>(k))
          << ", errors [ms]:" << errors << "\nsteps:" << table;
    }
  }
}

// The program reads the beam the engine passes and refuses one that is no positive number.
TEST(ForcedAlignerTest, InstalledProgramTakesTheBeamFromItsCommandLine) {
  const wtp::testing::RecogniserFolder folder("forced_aligner_beam");
  const SynthSpeech speech =
      wtp::testing::Synthesize(wtp::testing::RandomScript(4, 0, 3), 16000, 140, 3);
  wtp::PhonemeAligner aligner(folder.path());
  ASSERT_GE(aligner.SetText(speech.text), 0);
  ASSERT_EQ(wtp::WaveBuffer(speech.samples, 16000).WriteWave(folder.path() / "tmp.wav"),
            wtp::WaveResult::kOk);
  std::ofstream(folder.path() / "tmp.dict", std::ios::binary) << aligner.DictionaryText();
  std::ofstream(folder.path() / "tmp.2gram", std::ios::binary) << aligner.BigramText();
  std::ofstream(folder.path() / "tmp.3gram.rev", std::ios::binary) << aligner.TrigramText();
  std::ofstream(folder.path() / "tmp.in", std::ios::binary) << "tmp.wav\n";
  struct Case {
    const char* beam;
    int exit_code;
  };
  const Case cases[] = {{"112", 0}, {"1000", 0}, {"0", 1}, {"-5", 1}, {"wide", 1}, {"12x", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.beam);
    std::vector<std::string> args = aligner.RecogniserArguments();
    const auto b = std::find(args.begin(), args.end(), "-b");
    ASSERT_NE(b, args.end());
    *(b + 1) = c.beam;
    platform::ProcessSpec spec;
    spec.program = folder.path() / "julius";
    spec.args = args;
    spec.working_folder = folder.path();
    spec.stdin_file = folder.path() / "tmp.in";
    spec.stdout_file = folder.path() / "tmp.txt";
    const platform::ProcessResult run = platform::RunProcess(spec, std::chrono::seconds(30));
    ASSERT_EQ(run.outcome, platform::ProcessOutcome::kExited);
    EXPECT_EQ(run.exit_code, c.exit_code);
  }
}

}  // namespace
}  // namespace vtr::recogniser
