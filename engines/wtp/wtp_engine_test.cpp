#include "engines/wtp/wtp_engine.h"

#include <climits>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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
Call Term(int expected) { return {"Terminate", [](Fixture& f) { return f.engine->Terminate(); }, expected}; }
Call Wav(std::string which, int expected) {
  return {"SetWav", [which](Fixture& f) {
            const std::string path = which == "good" ? f.wave : which == "bad" ? f.bad_wave : which;
            return f.engine->SetWav(path.c_str(), static_cast<int>(path.size()));
          }, expected};
}
Call Text(std::string text, int expected) {
  return {"SetText", [text](Fixture& f) {
            const std::string t = text == "good" ? f.text : text;
            return f.engine->SetText(t.data(), static_cast<int>(t.size()));
          }, expected};
}
Call PSeq(int length, int expected) {
  return {"GetPSeq", [length](Fixture& f) { return f.engine->GetPSeq(f.buffer.data(), length); }, expected};
}
Call Generate(int length, int expected) {
  return {"GeneratePSeq", [length](Fixture& f) { return f.engine->GeneratePSeq(f.buffer.data(), length); }, expected};
}
// 0 when the engine lends {0, null} twice.
Call NoSegments() {
  return {"GetSegment (empty)", [](Fixture& f) {
            SegmentTable ph{7, reinterpret_cast<SegmentRecord*>(&f)}, syl = ph;
            const int r = f.engine->GetSegment(&ph, &syl);
            return r != 0 ? r : (ph.count == 0 && ph.items == nullptr && syl.count == 0 && syl.items == nullptr) ? 0 : 99;
          }, 0};
}
// 0 when the lent tables keep every invariant; then refines them in place.
Call Segments() {
  return {"GetSegment + SetSegment", [](Fixture& f) {
            SegmentTable ph{}, syl{};
            if (f.engine->GetSegment(&ph, &syl) != 0 || !CheckSegmentTables(ph, syl).empty()) return 99;
            const int r = f.engine->SetSegment(&ph, &syl);
            return r != 0 || !CheckSegmentTables(ph, syl).empty() ? 98 : 0;
          }, 0};
}
Call BadSegments(int expected) {
  return {"SetSegment (bad tables)", [](Fixture& f) {
            SegmentTable ph{}, syl{};
            if (f.engine->SetSegment(nullptr, &syl) != -2) return 97;
            if (f.engine->GetSegment(&ph, &syl) != 0 || ph.count < 3) return f.engine->SetSegment(&ph, &syl);
            const int32_t link = ph.items[1].link;
            ph.items[1].link = 1000;
            const int r = f.engine->SetSegment(&ph, &syl);
            ph.items[1].link = link;
            return r;
          }, expected};
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
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    const std::filesystem::path folder = sequence.folder == Folder::kStandIn    ? stand_in.path()
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
  for (const std::string& file : {fifo.string(), std::string("/dev/zero"), folder.path().string()}) {
    EXPECT_EQ(engine.SetWav(file.c_str(), static_cast<int>(file.size())), -4) << file;
  }
  EXPECT_EQ(engine.Terminate(), 0);
  EXPECT_FALSE(trap.opened());
}

}  // namespace
}  // namespace vtr::wtp
