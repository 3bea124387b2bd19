#include "outside/recogniser/forced_aligner.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>

#include <gtest/gtest.h>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/testing/speech_synth.h"

namespace vtr::recogniser {
namespace {

using wtp::testing::SynthScript;
using wtp::testing::SynthSpeech;

// The units the alignment engine asks for when given `text`.
std::vector<std::string> UnitsFor(const std::string& text) {
  wtp::PhonemeAligner aligner(VTR_TEST_BIN_DIR);
  EXPECT_GE(aligner.SetText(text), 0);
  std::vector<std::string> units;
  EXPECT_TRUE(ReadGrammar(aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), units));
  return units;
}

TEST(ForcedAlignerTest, GrammarGivesTheUnitsInOrder) {
  EXPECT_EQ(UnitsFor("ka"), (std::vector<std::string>{"silB", "k", "a:", "silE"}));
  EXPECT_EQ(UnitsFor("k'a mo"), (std::vector<std::string>{"silB", "ky", "a:", "sp", "N", "o:", "silE"}));
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
  const Case cases[] = {
      {"as written", aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), true},
      {"no backward file", aligner.DictionaryText(), aligner.BigramText(), "", true},
      {"chain broken", aligner.DictionaryText(), broken_chain, aligner.TrigramText(), false},
      {"backward file disagrees", aligner.DictionaryText(), aligner.BigramText(), other_backward, false},
      {"chain loops", aligner.DictionaryText(), looping, "", false},
      {"word without pronunciation", "<s> [silB] silB\n", aligner.BigramText(), "", false},
      {"empty", "", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadGrammar(c.dictionary, c.bigram, c.trigram, units), c.ok);
  }
}

TEST(ForcedAlignerTest, EveryUnitGetsAFrameWhenThereAreEnoughFrames) {
  std::mt19937 random(5);
  std::vector<int16_t> noise(16000);
  for (int16_t& s : noise) s = static_cast<int16_t>(random() % 2000) - 1000;
  const std::vector<FrameFeatures> frames = ComputeFeatures(noise, 16000);
  ASSERT_EQ(frames.size(), 100u);
  struct Case {
    size_t units;
    bool ok;
  };
  for (const Case c : {Case{3, true}, Case{50, true}, Case{100, true}, Case{101, false}}) {
    SCOPED_TRACE(c.units);
    std::vector<std::string> units(c.units, "a:");
    units.front() = "silB";
    units.back() = "silE";
    std::vector<UnitSpan> spans;
    ASSERT_EQ(AlignUnits(frames, units, spans), c.ok);
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
  const std::vector<UnitSpan> spans = {{0, 13, -1.5}, {14, 20, -2}, {21, 999, -1}, {1000, 1013, -0.5}};
  const std::string text = FormatAlignment(units, spans);
  EXPECT_EQ(text.substr(0, text.find('\n')), "=== phoneme alignment begin ===");
  EXPECT_NE(text.find("\n[    0   13]  -1.500000  silB\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n[ 1000 1013]  -0.500000  silE\nre-computed AM score: "), std::string::npos) << text;
  std::vector<wtp::FrameSpan> frames;
  ASSERT_TRUE(wtp::ParseRecogniserOutput(text, 4, frames));
  EXPECT_EQ(frames[3].start, 1000);
}

struct Accuracy {
  int boundaries = 0, within_40ms = 0, within_80ms = 0;
  int pauses = 0, pauses_found = 0;
  int failures = 0;
};

// Aligns a synthetic utterance and scores the syllable starts against the truth.
void Score(const SynthSpeech& speech, const SynthScript& script, Accuracy& acc) {
  wtp::PhonemeAligner aligner(VTR_TEST_BIN_DIR);
  ASSERT_GE(aligner.SetText(speech.text), 0);
  std::vector<std::string> units;
  ASSERT_TRUE(ReadGrammar(aligner.DictionaryText(), aligner.BigramText(), aligner.TrigramText(), units));
  std::vector<UnitSpan> spans;
  if (!AlignUnits(ComputeFeatures(speech.samples, speech.rate), units, spans)) {
    ++acc.failures;
    return;
  }
  // Syllable k of the script is syllable k + 1 of the aligner (a pause leads).
  const auto& syllables = aligner.syllables();
  ASSERT_EQ(syllables.size(), script.size() + 2);
  for (size_t k = 0; k <= script.size(); ++k) {
    const auto& syllable = syllables[k + 1];
    const double truth = k < script.size() ? speech.syllable_starts[k] : speech.end_sec;
    const double found = spans[static_cast<size_t>(syllable.firstPhoneme)].start * 0.01;
    const double error = std::abs(found - truth);
    ++acc.boundaries;
    if (error <= 0.04) ++acc.within_40ms;
    if (error <= 0.08) ++acc.within_80ms;
    if (k < script.size() && script[k].symbol == " " && script[k].vowel_sec >= 0.1) {
      ++acc.pauses;
      const UnitSpan& sp = spans[static_cast<size_t>(syllable.firstPhoneme)];
      const double overlap = std::min((sp.end + 1) * 0.01, truth + script[k].vowel_sec) - std::max(sp.start * 0.01, truth);
      if (overlap >= 0.5 * script[k].vowel_sec) ++acc.pauses_found;
    }
  }
}

TEST(ForcedAlignerTest, FindsSyllableBoundariesAndPausesOfSyntheticSpeech) {
  Accuracy acc;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE(seed);
    const SynthScript script = wtp::testing::RandomScript(10 + static_cast<int>(seed % 5), 4, seed);
    const double f0 = 100 + 20.0 * seed;
    Score(wtp::testing::Synthesize(script, 16000, f0, seed), script, acc);
  }
  std::printf("syllable boundaries %d: %.1f %% within 40 ms, %.1f %% within 80 ms; pauses %d/%d\n",
              acc.boundaries, 100.0 * acc.within_40ms / acc.boundaries,
              100.0 * acc.within_80ms / acc.boundaries, acc.pauses_found, acc.pauses);
  EXPECT_EQ(acc.failures, 0);
  EXPECT_GE(acc.within_40ms, 0.8 * acc.boundaries);
  EXPECT_GE(acc.within_80ms, 0.95 * acc.boundaries);
  EXPECT_EQ(acc.pauses_found, acc.pauses);
}

// The installed program, run by the alignment engine from a copy of its folder.
TEST(ForcedAlignerTest, InstalledProgramServesTheAlignmentEngine) {
  const std::filesystem::path installed = std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius";
  const std::filesystem::path folder = std::filesystem::path(VTR_TEST_BIN_DIR) / "recogniser_copy";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  for (const char* name : {"julius", "hmmdefs"}) std::filesystem::copy_file(installed / name, folder / name);
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
    wtp::PhonemeAligner aligner(folder);
    ASSERT_GE(aligner.SetText(speech.text), 0);
    ASSERT_EQ(aligner.Align(wave), c.result);
    if (c.result != 0) continue;
    wtp::SegmentTable phonemes{static_cast<uint32_t>(aligner.phonemes().size()), aligner.phonemes().data()};
    wtp::SegmentTable syllables{static_cast<uint32_t>(aligner.syllables().size()), aligner.syllables().data()};
    EXPECT_EQ(wtp::CheckSegmentTables(phonemes, syllables), "");
    int close = 0;
    for (size_t k = 0; k < script.size(); ++k) {
      const double found = aligner.syllables()[k + 1].startStep * 0.02;
      if (std::abs(found - speech.syllable_starts[k]) <= 0.06) ++close;
    }
    EXPECT_GE(close, static_cast<int>(script.size()) - 2);
  }
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"hmmdefs", "julius"}));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace vtr::recogniser
