#include "outside/emulator/synthesiser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "outside/emulator/sound_analysis.h"
#include "outside/emulator/voices.h"

namespace vtr::emulator {
namespace {

constexpr int kRate = 32000;

events::EventRecord Note(std::string name, int note, std::uint32_t delta, std::uint32_t duration) {
  events::EventRecord r;
  r.kind = events::RecordKind::kNote;
  r.delta = delta;
  r.value = static_cast<std::uint8_t>(note);
  r.velocity = 100;
  r.duration = duration;
  r.text.assign(name.begin(), name.end());
  return r;
}

events::EventRecord End(std::uint32_t delta) {
  events::EventRecord r;
  r.kind = events::RecordKind::kEnd;
  r.delta = delta;
  return r;
}

TEST(SynthesiserTest, LastsExactlyTheSumOfTheDeltas) {
  struct Case {
    std::vector<events::EventRecord> records;
    int sample_rate;
    std::size_t expected;
  } cases[] = {
      {{Note("a", 69, 0, 10), End(10)}, 32000, 6400},  // 200 ms
      {{Note("ka", 60, 0, 5), Note("i", 62, 5, 5), End(5)}, 44100, 8820},
      {{End(0)}, 32000, 0},
      {{Note("a", 69, 2, 10), End(8)}, 22050, 4410},  // a leading pause counts
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PhraseSamples(c.records, c.sample_rate), c.expected);
    EXPECT_EQ(Synthesise(c.records, {}, c.sample_rate).size(), c.expected);
  }
}

TEST(SynthesiserTest, SingsAtTheNotesPitchAndSpeaksAtTheVoicesPitch) {
  struct Case {
    int note;
    int voice;
    double expected_hz;
  } cases[] = {
      {69, 0, 440.0},
      {57, 0, 220.0},
      {45, 1, 110.0},
      {128, 0, NoteFrequency(kVoices[0].speaking_note)},  // unpitched: the voice's own pitch
      {128, 5, NoteFrequency(kVoices[5].speaking_note)},
  };
  for (const Case& c : cases) {
    auto pcm =
        Synthesise(std::vector{Note("a", c.note, 0, 25), End(25)}, {.voice = c.voice}, kRate);
    double f0 = EstimateFundamental(std::span(pcm).subspan(pcm.size() / 4, pcm.size() / 2), kRate);
    EXPECT_LT(std::abs(12.0 * std::log2(f0 / c.expected_hz)), 1.0)
        << "note " << c.note << " voice " << c.voice << ": " << f0 << " Hz";
    EXPECT_GT(Rms(pcm), 1000.0);
  }
}

TEST(SynthesiserTest, FollowsTheBendContour) {
  events::EventRecord note = Note("a", 69, 0, 50);
  note.bend_range = 12;
  note.pitch = {{0, events::kNoBend}, {64, events::kNoBend + 4096}, {127, events::kNoBend + 4096}};
  auto pcm = Synthesise(std::vector{note, End(50)}, {}, kRate);
  // From the middle on the bend holds at +6 semitones.
  double f0 =
      EstimateFundamental(std::span(pcm).subspan(pcm.size() * 6 / 10, pcm.size() / 4), kRate);
  EXPECT_LT(std::abs(12.0 * std::log2(f0 / NoteFrequency(75))), 1.0) << f0;
}

TEST(SynthesiserTest, VolumeVelocityAndSilentSyllablesScaleTheSound) {
  auto loud = Synthesise(std::vector{Note("a", 60, 0, 20), End(20)}, {.volume = 127}, kRate);
  auto quiet = Synthesise(std::vector{Note("a", 60, 0, 20), End(20)}, {.volume = 32}, kRate);
  auto muted = Synthesise(std::vector{Note("a", 60, 0, 20), End(20)}, {.volume = 0}, kRate);
  auto geminate = Synthesise(std::vector{Note("SOKU", 60, 0, 20), End(20)}, {}, kRate);
  EXPECT_GT(Rms(loud), 2.5 * Rms(quiet));
  EXPECT_EQ(Rms(muted), 0.0);
  EXPECT_EQ(Rms(geminate), 0.0);
  events::EventRecord faded = Note("a", 60, 0, 20);
  faded.volume = {{0, 127}, {63, 127}, {64, 0}, {127, 0}};
  auto half = Synthesise(std::vector{faded, End(20)}, {}, kRate);
  EXPECT_GT(Rms(std::span(half).first(half.size() / 2)), 1000.0);
  EXPECT_LT(Rms(std::span(half).last(half.size() / 3)), 50.0);
}

TEST(SynthesiserTest, EveryVoiceSoundsDifferent) {
  std::vector<events::EventRecord> phrase = {Note("sa", 128, 0, 15), Note("ko", 128, 15, 15),
                                             End(15)};
  std::vector<SoundFeatures> features;
  for (int voice = 0; voice < kVoiceCount; ++voice) {
    auto pcm = Synthesise(phrase, {.voice = voice}, kRate);
    features.push_back(Features(pcm, kRate));
  }
  for (int a = 0; a < kVoiceCount; ++a) {
    for (int b = a + 1; b < kVoiceCount; ++b) {
      EXPECT_GT(Distance(features[a], features[b]), 0.05) << "voices " << a << " and " << b;
    }
  }
}

}  // namespace
}  // namespace vtr::emulator
