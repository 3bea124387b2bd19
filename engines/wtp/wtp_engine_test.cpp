#include "engines/wtp/wtp_engine.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "engines/wtp/pseq_writer.h"
#include "engines/wtp/segment_builder.h"
#include "engines/wtp/testing/recogniser_folder.h"
#include "engines/wtp/testing/speech_synth.h"
#include "platform/testing/fifo_trap.h"

namespace vtr::wtp {
namespace {

constexpr int kAnyPseq = INT_MAX;  // expected: a pitch sequence longer than its header

enum class Folder { kStandIn, kNoProgram, kNoModel };

struct Fixture {
  WtpEngine* engine;
  std::string wave;      // a good recording
  std::string bad_wave;  // a file that is no wave
  std::string text;      // its phoneme text
  std::vector<char> buffer = std::vector<char>(0x100000);
};

struct Call {
  const char* what;
  std::function<int(Fixture&)> run;
  int expected;
};

Call Init(int step, int flags, int expected) {
  return {"Initialize", [=](Fixture& f) { return f.engine->Initialize(step, flags); }, expected};
}
Call Term(int expected) {
  return {"Terminate", [](Fixture& f) { return f.engine->Terminate(); }, expected};
}
Call Wav(const std::string& which, int expected) {
  return {"SetWav",
          [which](Fixture& f) {
            const std::string path = which == "good" ? f.wave : which == "bad" ? f.bad_wave : which;
            return f.engine->SetWav(path.c_str(), static_cast<int>(path.size()));
          },
          expected};
}
Call Text(const std::string& text, int expected) {
  return {"SetText",
          [text](Fixture& f) {
            const std::string t = text == "good" ? f.text : text;
            return f.engine->SetText(t.data(), static_cast<int>(t.size()));
          },
          expected};
}
Call PSeq(int length, int expected) {
  return {"GetPSeq", [length](Fixture& f) { return f.engine->GetPSeq(f.buffer.data(), length); },
          expected};
}
Call Generate(int length, int expected) {
  return {"GeneratePSeq",
          [length](Fixture& f) { return f.engine->GeneratePSeq(f.buffer.data(), length); },
          expected};
}
// 0 when the engine lends {0, null} twice.
Call NoSegments() {
  return {
      "GetSegment (empty)",
      [](Fixture& f) {
        SegmentTable ph{7, reinterpret_cast<SegmentRecord*>(&f)}, syl = ph;
        const int r = f.engine->GetSegment(&ph, &syl);
        return r != 0 ? r
               : (ph.count == 0 && ph.items == nullptr && syl.count == 0 && syl.items == nullptr)
                   ? 0
                   : 99;
      },
      0};
}
// 0 when the lent tables keep every invariant; then refines them in place.
Call Segments() {
  return {"GetSegment + SetSegment",
          [](Fixture& f) {
            SegmentTable ph{}, syl{};
            if (f.engine->GetSegment(&ph, &syl) != 0 || !CheckSegmentTables(ph, syl).empty())
              return 99;
            const int r = f.engine->SetSegment(&ph, &syl);
            return r != 0 || !CheckSegmentTables(ph, syl).empty() ? 98 : 0;
          },
          0};
}
Call BadSegments(int expected) {
  return {"SetSegment (bad tables)",
          [](Fixture& f) {
            SegmentTable ph{}, syl{};
            if (f.engine->SetSegment(nullptr, &syl) != -2) return 97;
            if (f.engine->GetSegment(&ph, &syl) != 0 || ph.count < 3)
              return f.engine->SetSegment(&ph, &syl);
            const int32_t link = ph.items[1].link;
            ph.items[1].link = 1000;
            const int r = f.engine->SetSegment(&ph, &syl);
            ph.items[1].link = link;
            return r;
          },
          expected};
}

TEST(WtpEngineTest, CallSequences) {
  testing::RecogniserFolder stand_in("engine"), no_program("engine_no_program", false, true),
      no_model("engine_no_model", true, false);
  const testing::SynthScript script = testing::RandomScript(5, 0, 4);
  const testing::SynthSpeech speech = testing::Synthesize(script, 44100, 160, 4);
  const std::string wave = (stand_in.path() / "utterance.wav").string();
  ASSERT_EQ(WaveBuffer(speech.samples, 44100).WriteWave(wave), WaveResult::kOk);
  const std::string bad_wave = (stand_in.path() / "bad.wav").string();
  { std::ofstream(bad_wave) << "not a wave"; }
  const std::string path256(256, 'a'), path257(257, 'a');

  struct Sequence {
    const char* name;
    Folder folder;
    std::vector<Call> calls;
  };
  // clang-format off
  const Sequence sequences[] = {
      {"flags above the low byte are ignored", Folder::kStandIn, {Init(20, 0x100, 0), Term(0)}},
      {"wrong step or flags", Folder::kStandIn, {Init(10, 0, -2), Init(20, 1, -2), Term(-1)}},
      {"double initialise and terminate", Folder::kStandIn, {Init(20, 0, 0), Init(20, 0, -1), Term(0), Term(-1)}},
      {"calls before initialise", Folder::kStandIn,
       {Wav("good", -1), Text("ka", -1), PSeq(100, -1), Generate(100, -1), NoSegments()}},
      {"path lengths and files", Folder::kStandIn,
       {Init(20, 0, 0), Wav(path256, -4), Wav(path257, -2), Wav("", -2), Wav("bad", -5), Wav("good", 0), Term(0)}},
      {"texts", Folder::kStandIn,
       {Init(20, 0, 0), Text("   ", -5), Text("a x", 1), Text("", -2), Text(std::string(0x100001, 'a'), -2),
        Text("good", 0), Term(0)}},
      {"the full road", Folder::kStandIn,
       {Init(20, 0, 0), Wav("good", 0), Text("good", 0), NoSegments(), PSeq(0x100001, -2), PSeq(0, -2),
        PSeq(3, -3), PSeq(0x100000, kAnyPseq), Segments(), Generate(0x100000, kAnyPseq), Generate(-5, -2),
        Generate(0x100001, -2), Generate(3, -3), BadSegments(-2), PSeq(0x100000, kAnyPseq), Term(0),
        NoSegments()}},
      {"no wave", Folder::kStandIn, {Init(20, 0, 0), Text("ka", 0), PSeq(1000, -1), Generate(1000, -1), Term(0)}},
      {"a failed read empties the wave", Folder::kStandIn,
       {Init(20, 0, 0), Wav("good", 0), Wav("bad", -5), Text("good", 0), PSeq(1000, -1), Term(0)}},
      {"no text", Folder::kStandIn, {Init(20, 0, 0), Wav("good", 0), PSeq(1000, -1), Term(0)}},
      {"recogniser program missing", Folder::kNoProgram,
       {Init(20, 0, 0), Wav("good", 0), Text("good", 0), PSeq(1000, -6), Generate(1000, -1), Term(0)}},
      {"model file missing", Folder::kNoModel,
       {Init(20, 0, 0), Wav("good", 0), Text("good", 0), PSeq(1000, -7), Term(0)}},
  };
  // clang-format on
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    const std::filesystem::path folder = sequence.folder == Folder::kStandIn     ? stand_in.path()
                                         : sequence.folder == Folder::kNoProgram ? no_program.path()
                                                                                 : no_model.path();
    WtpEngine engine(folder);
    Fixture fixture{&engine, wave, bad_wave, speech.text};
    for (size_t i = 0; i < sequence.calls.size(); ++i) {
      const Call& call = sequence.calls[i];
      SCOPED_TRACE(std::to_string(i) + ": " + call.what);
      const int result = call.run(fixture);
      if (call.expected == kAnyPseq) {
        EXPECT_GT(result, 4);
        EXPECT_EQ(engine.last_pseq(), fixture.buffer.data());
        EXPECT_EQ(engine.last_pseq_length(), static_cast<unsigned>(result));
      } else {
        EXPECT_EQ(result, call.expected);
      }
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("tmp.", 0) == 0) left.push_back(name);
    }
    EXPECT_TRUE(left.empty()) << left.front();
  }
}

// A FIFO or a device handed in as the wave is refused as a file that cannot be opened, without
// opening it: a FIFO would keep the host waiting for a writer.
TEST(WtpEngineTest, SetWavRefusesWhatIsNotARegularFileUnopened) {
  testing::RecogniserFolder folder("engine_fifo");
  const std::filesystem::path fifo = folder.path() / "utterance.wav";
  platform::testing::FifoTrap trap(fifo);
  ASSERT_TRUE(trap.made());
  WtpEngine engine(folder.path());
  ASSERT_EQ(engine.Initialize(20, 0), 0);
  for (const std::string& file :
       {fifo.string(), std::string("/dev/zero"), folder.path().string()}) {
    EXPECT_EQ(engine.SetWav(file.c_str(), static_cast<int>(file.size())), -4) << file;
  }
  EXPECT_EQ(engine.Terminate(), 0);
  EXPECT_FALSE(trap.opened());
}

bool SameRecords(const SegmentRecord* a, const SegmentRecord* b, size_t count) {
  return count == 0 || std::memcmp(a, b, count * sizeof(SegmentRecord)) == 0;
}

// GetPSeq analyses the recording while the recogniser runs; what it gives is what the steps give
// one after another: filter, align (which replaces the zero samples of a 16 kHz recording),
// analyse, build, refine, write. The recordings begin and end in digital silence, and two
// calls on one wave filter it twice.
TEST(WtpEngineTest, GetPSeqGivesWhatTheStepsGiveOneAfterAnother) {
  testing::RecogniserFolder folder("engine_steps");
  for (const int rate : {16000, 22050, 44100}) {
    SCOPED_TRACE(std::to_string(rate) + " Hz");
    const testing::SynthSpeech speech =
        testing::Synthesize(testing::RandomScript(12, 4, 8), rate, 140, 8);
    const std::string file = (folder.path() / "utterance.wav").string();
    ASSERT_EQ(WaveBuffer(speech.samples, rate).WriteWave(file), WaveResult::kOk);

    WtpEngine engine(folder.path());
    ASSERT_EQ(engine.Initialize(20, 0), 0);
    ASSERT_EQ(engine.SetWav(file.c_str(), static_cast<int>(file.size())), 0);
    ASSERT_EQ(engine.SetText(speech.text.data(), static_cast<int>(speech.text.size())), 0);

    WaveBuffer wave;
    ASSERT_EQ(wave.ReadWave(file), WaveResult::kOk);
    PhonemeAligner aligner(folder.path());
    ASSERT_EQ(aligner.SetText(speech.text), 0);
    for (int call = 1; call <= 2; ++call) {
      SCOPED_TRACE("call " + std::to_string(call));
      std::vector<char> buffer(0x100000);
      const int written = engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size()));
      ASSERT_GT(written, 4);
      SegmentTable phonemes{}, syllables{};
      ASSERT_EQ(engine.GetSegment(&phonemes, &syllables), 0);

      wave.HighPassNormalise(kNormalisePercent);
      ASSERT_EQ(aligner.Align(wave), 0);
      PitchAnalyzer analyzer;
      ASSERT_TRUE(analyzer.Analyse(wave));
      std::vector<SegmentRecord> want_phonemes, want_syllables;
      ASSERT_TRUE(BuildSegments(aligner.phonemes(), aligner.syllables(), analyzer, want_phonemes,
                                want_syllables));
      SegmentTable want_ph{static_cast<uint32_t>(want_phonemes.size()), want_phonemes.data()};
      SegmentTable want_syl{static_cast<uint32_t>(want_syllables.size()), want_syllables.data()};
      RefineSegments(want_ph, want_syl, analyzer);
      std::vector<uint8_t> want(0x100000);
      const int want_written = WritePitchSequence(want_syl, analyzer, want);

      ASSERT_EQ(written, want_written);
      EXPECT_EQ(std::memcmp(buffer.data(), want.data(), static_cast<size_t>(written)), 0);
      ASSERT_EQ(phonemes.count, want_ph.count);
      ASSERT_EQ(syllables.count, want_syl.count);
      EXPECT_TRUE(SameRecords(phonemes.items, want_ph.items, phonemes.count));
      EXPECT_TRUE(SameRecords(syllables.items, want_syl.items, syllables.count));
    }
    EXPECT_EQ(engine.Terminate(), 0);
  }
}

// A failed alignment leaves the engine's contours as the last good one left them, although the
// new recording was analysed meanwhile: tables the user edited are refined as before.
TEST(WtpEngineTest, AFailedAlignmentKeepsTheContoursOfTheLastGoodOne) {
  testing::RecogniserFolder folder("engine_failed_alignment");
  const testing::SynthSpeech speech =
      testing::Synthesize(testing::RandomScript(10, 3, 6), 16000, 150, 6);
  const std::string good = (folder.path() / "utterance.wav").string();
  ASSERT_EQ(WaveBuffer(speech.samples, 16000).WriteWave(good), WaveResult::kOk);
  // Half a second of a loud tone cannot hold forty syllables: the recogniser gives up.
  std::vector<int16_t> tone(8000);
  for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<int16_t>((i % 40) * 1500 - 30000);
  const std::string short_wave = (folder.path() / "short.wav").string();
  ASSERT_EQ(WaveBuffer(tone, 16000).WriteWave(short_wave), WaveResult::kOk);
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "ka";

  WtpEngine engine(folder.path());
  ASSERT_EQ(engine.Initialize(20, 0), 0);
  ASSERT_EQ(engine.SetWav(good.c_str(), static_cast<int>(good.size())), 0);
  ASSERT_EQ(engine.SetText(speech.text.data(), static_cast<int>(speech.text.size())), 0);
  std::vector<char> buffer(0x100000);
  ASSERT_GT(engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size())), 4);
  SegmentTable phonemes{}, syllables{};
  ASSERT_EQ(engine.GetSegment(&phonemes, &syllables), 0);
  // The user's edit: every phoneme after a pause starts two steps late (where it can).
  std::vector<SegmentRecord> edited_phonemes(phonemes.items, phonemes.items + phonemes.count);
  const std::vector<SegmentRecord> edited_syllables(syllables.items,
                                                    syllables.items + syllables.count);
  for (size_t i = 1; i + 1 < edited_phonemes.size(); ++i) {
    if (IsPause(edited_phonemes[i - 1]) &&
        edited_phonemes[i].endStep > edited_phonemes[i].startStep + 2) {
      edited_phonemes[i].startStep += 2;
      edited_phonemes[i - 1].endStep += 2;
    }
  }
  auto refined = [&] {
    std::vector<SegmentRecord> ph = edited_phonemes, syl = edited_syllables;
    SegmentTable pt{static_cast<uint32_t>(ph.size()), ph.data()},
        st{static_cast<uint32_t>(syl.size()), syl.data()};
    EXPECT_EQ(engine.SetSegment(&pt, &st), 0);
    ph.insert(ph.end(), syl.begin(), syl.end());
    return ph;
  };
  const std::vector<SegmentRecord> before = refined();
  ASSERT_FALSE(SameRecords(before.data(), edited_phonemes.data(), edited_phonemes.size()))
      << "the refinement moves nothing: the test shows nothing";

  ASSERT_EQ(engine.SetWav(short_wave.c_str(), static_cast<int>(short_wave.size())), 0);
  ASSERT_EQ(engine.SetText(long_text.data(), static_cast<int>(long_text.size())), 0);
  EXPECT_EQ(engine.GetPSeq(buffer.data(), static_cast<int>(buffer.size())), -1);
  const std::vector<SegmentRecord> after = refined();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(SameRecords(after.data(), before.data(), before.size()));
  EXPECT_EQ(engine.Terminate(), 0);
}

}  // namespace
}  // namespace vtr::wtp
