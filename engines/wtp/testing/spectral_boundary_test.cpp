#include "engines/wtp/testing/spectral_boundary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engines/wtp/testing/speech_synth.h"

namespace vtr::wtp::testing {
namespace {

bool IsVowel(const std::string& name) {
  return name.size() == 1 && std::string("aiMeo").find(name[0]) != std::string::npos;
}

// Our synthesiser knows where its sounds change; the rule must find the same places (within
// 8 ms, a third of its formant glides), whatever the boundary the generator reports: 15 ms
// late, as the outside synthesiser does after nasals, or 40 ms late, as some of its voices do
// between two vowels, where the middle of the span it gives the first sound is the second's.
TEST(SpectralBoundaryTest, FindsTheOnsetsOurSynthesiserKnows) {
  struct Case {
    const char* name;
    SynthScript script;
  };
  const Case cases[] = {
      {"after nasals", {{"ma", 0.07, 0.14}, {"na", 0.06, 0.12}, {"mo", 0.08, 0.15}}},
      {"after r and glides", {{"4a", 0.03, 0.14}, {"ja", 0.06, 0.12}, {"wa", 0.07, 0.15}}},
      {"after vowels", {{"ka", 0.07, 0.13}, {"i", 0.0, 0.12}, {"e", 0.0, 0.12}, {"o", 0.0, 0.15}}},
      {"after the moraic nasal", {{"ha", 0.06, 0.12}, {"N\\", 0.0, 0.1}, {"o", 0.0, 0.15}}},
  };
  for (const Case& c : cases) {
    for (const int rate : {16000, 22050}) {
      const SynthSpeech speech = Synthesize(c.script, rate, 140.0, 7);
      int onsets = 0;
      for (size_t k = 1; k < speech.phonemes.size(); ++k) {
        const SynthPhoneme& before = speech.phonemes[k - 1];
        const SynthPhoneme& vowel = speech.phonemes[k];
        if (!IsVowel(vowel.name) || before.name == "k" || before.name == "h") continue;
        ++onsets;
        for (const double late : {0.015, 0.040}) {
          const double found = SpectralBoundary(speech.samples, rate, before.start_sec,
                                                vowel.start_sec + late, vowel.end_sec);
          EXPECT_NEAR(found, vowel.start_sec, 0.008)
              << c.name << " at " << rate << " Hz, told " << 1000 * late
              << " ms late: " << before.name << " > " << vowel.name;
        }
      }
      EXPECT_GE(onsets, 1) << c.name;
    }
  }
}

TEST(SpectralBoundaryTest, KeepsTheGivenBoundaryWhereItCannotMeasure) {
  const SynthSpeech speech = Synthesize({{"ma", 0.07, 0.14}}, 16000, 140.0, 7);
  const double total = static_cast<double>(speech.samples.size()) / speech.rate;
  struct Case {
    const char* name;
    double first_start, boundary, second_end;
  };
  const Case cases[] = {
      {"first span too short", 0.300, 0.302, 0.400},
      {"second span too short", 0.200, 0.300, 0.303},
      {"before the samples", -0.050, 0.300, 0.400},
      {"beyond the samples", 0.200, 0.300, total + 0.1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(
        SpectralBoundary(speech.samples, speech.rate, c.first_start, c.boundary, c.second_end),
        c.boundary)
        << c.name;
  }
}

}  // namespace
}  // namespace vtr::wtp::testing
