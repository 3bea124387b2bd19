#include "outside/recogniser/acoustic_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/wtp/testing/speech_synth.h"

namespace vtr::recogniser {
namespace {

using wtp::testing::SynthScript;
using wtp::testing::SynthSpeech;
using wtp::testing::SynthVoice;

TEST(AcousticModelTest, PhonesHaveTheirStates) {
  struct Case {
    const char* phone;
    std::vector<Sound> sounds;
    bool loops;
  };
  const Case cases[] = {
      {"a:", {Sound::kVowelA}, false},
      {"u:", {Sound::kVowelU}, false},
      {"o", {Sound::kVowelO}, false},
      {"k", {Sound::kClosure, Sound::kRelease}, false},
      {"py", {Sound::kClosure, Sound::kRelease}, false},
      {"g", {Sound::kVoiceBar, Sound::kRelease}, false},
      {"ts", {Sound::kClosure, Sound::kSibilant}, false},
      {"ch", {Sound::kClosure, Sound::kPostalveolar}, false},
      {"s", {Sound::kSibilant}, false},
      {"sh", {Sound::kPostalveolar}, false},
      {"j", {Sound::kVoicedFricative}, false},
      {"N", {Sound::kMoraicNasal}, false},
      {"my", {Sound::kNasal}, false},
      {"ry", {Sound::kFlap}, false},
      {"y", {Sound::kGlideY}, false},
      {"w", {Sound::kGlideW}, false},
      {"h", {Sound::kWeakFricative}, false},
      {"sp", {Sound::kSilence}, true},
      {"silB", {Sound::kSilence}, true},
      {"an unknown phone", {Sound::kWeakFricative}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phone);
    const std::vector<StateModel> states = StatesOfPhone(c.phone);
    std::vector<Sound> sounds;
    for (const StateModel& s : states) {
      sounds.push_back(s.sound);
      EXPECT_EQ(s.loops, c.loops);
      if (!s.loops) {
        EXPECT_GE(s.max_frames, 2 * s.typical_frames);
      }
    }
    EXPECT_EQ(sounds, c.sounds);
  }
}

TEST(AcousticModelTest, PausesFollowMoraeOnly) {
  for (const char* phone : {"a:", "i:", "u:", "e:", "o:", "N"}) {
    EXPECT_TRUE(EndsMora(phone)) << phone;
  }
  // A consonant is never parted from its vowel; the silences are pauses already.
  for (const char* phone : {"k", "ky", "s", "ts", "n", "ny", "r", "w", "g", "sp", "silB", "silE"}) {
    EXPECT_FALSE(EndsMora(phone)) << phone;
  }
}

TEST(AcousticModelTest, TheMoraicNasalSoundsLikeWhatFollows) {
  struct Case {
    const char* name;
    Sound sound;
    Sound next;
    Sound expected;
  };
  const Case cases[] = {
      {"before a vowel", Sound::kMoraicNasal, Sound::kVowelO, Sound::kNasalBeforeVowel},
      {"before t or k", Sound::kMoraicNasal, Sound::kClosure, Sound::kNasal},
      {"before d or g", Sound::kMoraicNasal, Sound::kVoiceBar, Sound::kNasal},
      {"before n or m", Sound::kMoraicNasal, Sound::kNasal, Sound::kNasal},
      {"before s", Sound::kMoraicNasal, Sound::kSibilant, Sound::kMoraicNasal},
      {"before h", Sound::kMoraicNasal, Sound::kWeakFricative, Sound::kMoraicNasal},
      {"before y", Sound::kMoraicNasal, Sound::kGlideY, Sound::kMoraicNasal},
      {"at the end", Sound::kMoraicNasal, Sound::kSilence, Sound::kMoraicNasal},
      {"other sounds stay", Sound::kNasal, Sound::kVowelA, Sound::kNasal},
      {"a vowel stays", Sound::kVowelA, Sound::kClosure, Sound::kVowelA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SoundBefore(c.sound, c.next), c.expected);
  }
}

// "ka [pause] oNita" by a man at 130 Hz, with noise added at `snr_db` (0: none).
SynthSpeech VowelsAndPause(double snr_db, wtp::testing::NoiseKind kind) {
  const SynthScript script = {{"ka", 0.07, 0.2},  {" ", 0.0, 0.4, false}, {"o", 0.0, 0.2},
                              {"N\\", 0.0, 0.12}, {"i", 0.0, 0.2},        {"ta", 0.07, 0.2}};
  SynthVoice voice;
  voice.f0_hz = 130;
  SynthSpeech speech = wtp::testing::Synthesize(script, 16000, voice, 5, 0.3, 0.3);
  if (snr_db > 0) wtp::testing::AddNoise(speech, kind, snr_db, 5);
  return speech;
}

// Frames inside the truth's phoneme `index`, a little away from its edges; only its first
// half when `first_half` (the end of a phrase fades).
std::vector<int> Inside(const SynthSpeech& speech, size_t index, bool first_half = false) {
  std::vector<int> frames;
  const auto& p = speech.phonemes[index];
  const double end = first_half ? (p.start_sec + p.end_sec) / 2 : p.end_sec;
  for (int f = static_cast<int>(p.start_sec * 100) + 3; f < static_cast<int>(end * 100) - 3; ++f)
    frames.push_back(f);
  return frames;
}

TEST(AcousticModelTest, SilenceStaysSilenceInNoise) {
  struct Case {
    const char* name;
    double snr_db;
    wtp::testing::NoiseKind kind;
    bool weak_vowels_audible;  // i (and the faint end of a phrase) above the noise
  };
  const Case cases[] = {
      {"clean", 0, wtp::testing::NoiseKind::kWhite, true},
      {"white noise 20 dB", 20, wtp::testing::NoiseKind::kWhite, true},
      {"white noise 10 dB", 10, wtp::testing::NoiseKind::kWhite, false},
      {"babble 20 dB", 20, wtp::testing::NoiseKind::kBabble, true},
      {"babble 10 dB", 10, wtp::testing::NoiseKind::kBabble, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SynthSpeech speech = VowelsAndPause(c.snr_db, c.kind);
    const AcousticModel model(ComputeFeatures(speech.samples, speech.rate), {2, 1, 0, 0, 1, 1});
    // The truth: k, a, pause, o, N\, i, t, a.
    for (int f : Inside(speech, 2)) {
      SCOPED_TRACE("pause frame " + std::to_string(f));
      const double silence = model.FrameCost(Sound::kSilence, f);
      for (const Sound speech_sound :
           {Sound::kVowelA, Sound::kVowelO, Sound::kNasal, Sound::kSibilant, Sound::kRelease}) {
        EXPECT_LT(silence + 1, model.FrameCost(speech_sound, f)) << static_cast<int>(speech_sound);
      }
    }
    std::vector<std::pair<int, Sound>> vowel_frames;
    for (int f : Inside(speech, 3)) vowel_frames.emplace_back(f, Sound::kVowelO);
    if (c.weak_vowels_audible) {
      for (int f : Inside(speech, 1, true)) vowel_frames.emplace_back(f, Sound::kVowelA);
      for (int f : Inside(speech, 5)) vowel_frames.emplace_back(f, Sound::kVowelI);
    }
    for (const auto& [f, vowel] : vowel_frames) {
      SCOPED_TRACE("vowel frame " + std::to_string(f));
      EXPECT_LT(model.FrameCost(vowel, f), model.FrameCost(Sound::kSilence, f));
      EXPECT_LT(model.FrameCost(vowel, f), model.FrameCost(Sound::kClosure, f));
    }
  }
}

// In a room the sound before a pause fades into it: for a while the pause holds the tail,
// under the speech but voiced and shaped like the vowel it came from. Where it cost less as
// any vowel than as a pause, the vowel after the pause started in the tail, 60-400 ms early.
TEST(AcousticModelTest, ARoomsFadingTailIsAPauseRatherThanTheNextVowel) {
  struct Case {
    const char* name;
    double reverb_sec;  // a room that takes this long to decay by 60 dB
    double reverb_db;   // level of the reverberation against the sound
  };
  const Case cases[] = {
      {"a small room", 0.3, -8},
      {"a louder room", 0.35, -6},
      {"a slower room", 0.5, -6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SynthSpeech speech = VowelsAndPause(0, wtp::testing::NoiseKind::kWhite);
    wtp::testing::AddReverberation(speech, c.reverb_sec, c.reverb_db);
    const Recording recording = ComputeFeatures(speech.samples, speech.rate);
    const AcousticModel model(recording, {2, 1, 0, 0, 1, 1});
    // The first frames of the pause after "ka", where the tail is heard under the speech.
    const int pause = static_cast<int>(speech.phonemes[2].start_sec * 100);
    int tail_frames = 0;
    for (int f = pause; f < pause + 8; ++f) {
      const double rel = recording.frames[static_cast<size_t>(f)].level_db - recording.speech_db;
      if (rel > -15 || rel < -40) continue;
      ++tail_frames;
      SCOPED_TRACE("tail frame " + std::to_string(f));
      const double silence = model.FrameCost(Sound::kSilence, f);
      // o follows the pause; e does not.
      for (const Sound vowel : {Sound::kVowelO, Sound::kVowelE}) {
        EXPECT_LT(silence, model.FrameCost(vowel, f)) << static_cast<int>(vowel);
      }
    }
    EXPECT_GE(tail_frames, 3);
  }
}

// A recording that holds no sound at all (digital silence, as a synthesiser or an editor
// leaves it) is a pause or a closure, never a sound that is heard.
TEST(AcousticModelTest, DigitalSilenceIsNoSound) {
  SynthScript script = {{"ka", 0.07, 0.2}, {" ", 0.0, 0.5, false}, {"o", 0.0, 0.2}};
  SynthSpeech speech = wtp::testing::Synthesize(script, 16000, 140, 4);
  // The pause as digital silence: every sample 1, as the alignment engine hands it over.
  const size_t from = static_cast<size_t>(speech.phonemes[2].start_sec * 16000);
  const size_t to = static_cast<size_t>(speech.phonemes[2].end_sec * 16000);
  for (size_t i = from; i < to; ++i) speech.samples[i] = 1;
  const AcousticModel model(ComputeFeatures(speech.samples, speech.rate), {1, 0, 0, 0, 1, 0});
  for (int f : Inside(speech, 2)) {
    SCOPED_TRACE("frame " + std::to_string(f));
    EXPECT_LT(model.FrameCost(Sound::kSilence, f), 1);
    EXPECT_LT(model.FrameCost(Sound::kClosure, f), 1);
    for (const Sound heard :
         {Sound::kVowelA, Sound::kVowelO, Sound::kVowelU, Sound::kNasal, Sound::kMoraicNasal,
          Sound::kNasalBeforeVowel, Sound::kFlap, Sound::kRelease}) {
      EXPECT_GE(model.FrameCost(heard, f), 100) << static_cast<int>(heard);
    }
  }
}

TEST(AcousticModelTest, VowelsAndNasalsAreToldApartByTheirShape) {
  struct Case {
    const char* name;
    double f0_hz;
    double formant_scale;
  };
  const Case cases[] = {
      {"man", 110, 1.0},
      {"woman", 220, 1.17},
      {"child", 300, 1.3},
  };
  // Each vowel twice and the moraic nasal, between short pauses.
  SynthScript script;
  const std::string sequence = "aiMeoN";
  for (int round = 0; round < 2; ++round) {
    for (char v : sequence) {
      script.push_back({v == 'N' ? "N\\" : std::string(1, v), 0.0, 0.22});
      script.push_back({" ", 0.0, 0.15});
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SynthVoice voice;
    voice.f0_hz = c.f0_hz;
    voice.formant_scale = c.formant_scale;
    voice.pitch_range = 0.3;
    const SynthSpeech speech = wtp::testing::Synthesize(script, 16000, voice, 9);
    const AcousticModel model(ComputeFeatures(speech.samples, speech.rate), {2, 2, 2, 2, 2, 2});
    int right = 0, frames = 0;
    for (size_t p = 0; p < speech.phonemes.size(); ++p) {
      const std::string& name = speech.phonemes[p].name;
      if (name == " ") continue;
      const int shape =
          name == "N\\" ? kNasalShape : static_cast<int>(std::string_view("aiMeo").find(name[0]));
      for (int f : Inside(speech, p)) {
        ++frames;
        if (model.NearestShape(f) == shape) ++right;
      }
    }
    EXPECT_GE(right, 0.85 * frames) << right << " of " << frames;
  }
}

}  // namespace
}  // namespace vtr::recogniser
