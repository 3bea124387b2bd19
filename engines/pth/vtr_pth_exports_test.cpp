// The five exports of Plugin/Vtr_pth.so, loaded the way the wave-to-script library loads them.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engines/pth/testing/pseq_builder.h"
#include "platform/module.h"
#include "platform/testing/failing_allocation.h"

namespace vtr::pth {
namespace {

using testing::PSeqBuilder;

class VtrPthExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Load(".\\Plugin\\Vtr_pth.dll", VTR_DIST_DIR)) << module_.error();
    initialize_ = module_.Find<int(int, int)>("VtrPth_Initialize");
    terminate_ = module_.Find<int()>("VtrPth_Terminate");
    set_pseq_ = module_.Find<int(const unsigned char*, int, int)>("VtrPth_SetPSeq");
    set_duration_ = module_.Find<int(int, int)>("VtrPth_SetDuration");
    get_kvx_ = module_.Find<int(char*, int)>("VtrPth_GetKVX");
    ASSERT_TRUE(initialize_ && terminate_ && set_pseq_ && set_duration_ && get_kvx_)
        << module_.error();
  }
  void TearDown() override {
    if (terminate_ != nullptr) (void)terminate_();  // leave the engine closed for the next test
  }

  // The script for the engine's current state, or the negative result as text.
  std::string Script(int buffer_length = 0x100000) {
    std::vector<char> buffer(static_cast<size_t>(buffer_length), '\x7f');
    const int n = get_kvx_(buffer.data(), buffer_length);
    if (n < 0) return std::to_string(n);
    EXPECT_EQ(buffer[static_cast<size_t>(n)], '\0');
    return std::string(buffer.data(), static_cast<size_t>(n));
  }

  platform::Module module_;
  int (*initialize_)(int, int) = nullptr;
  int (*terminate_)() = nullptr;
  int (*set_pseq_)(const unsigned char*, int, int) = nullptr;
  int (*set_duration_)(int, int) = nullptr;
  int (*get_kvx_)(char*, int) = nullptr;
};

const PSeqBuilder& TwoSyllables() {
  static const PSeqBuilder pseq =
      PSeqBuilder().Control(0, 20, 60).Note(0, "ka", 60, 8).Note(20, "a", 62, 10);
  return pseq;
}

TEST_F(VtrPthExportsTest, OpensOnceWithStepTwentyAndClosesOnce) {
  struct Step {
    const char* call;
    int step_ms;
    int flags;
    int result;
  } steps[] = {
      {"terminate", 0, 0, -1},      {"initialize", 10, 0, -2}, {"initialize", 20, 1, -2},
      {"initialize", 20, 0x100, 0},  // only the low byte of the flags is looked at
      {"initialize", 20, 0, -1},    {"terminate", 0, 0, 0},    {"terminate", 0, 0, -1},
  };
  for (const Step& s : steps) {
    const int result =
        std::string(s.call) == "terminate" ? terminate_() : initialize_(s.step_ms, s.flags);
    EXPECT_EQ(result, s.result) << s.call << " " << s.step_ms << " " << s.flags;
  }
}

TEST_F(VtrPthExportsTest, SetPSeqChecksTheEngineAndItsArguments) {
  const PSeqBuilder& pseq = TwoSyllables();
  EXPECT_EQ(set_pseq_(pseq.data(), pseq.size(), 0), -1);  // closed
  ASSERT_EQ(initialize_(20, 0), 0);
  const PSeqBuilder na = PSeqBuilder().Note(0, "Na", 60, 8);
  const PSeqBuilder clipped = PSeqBuilder().Control(0, 20, 61).Note(0, "ka", 60, 8);
  struct Case {
    const char* what;
    const unsigned char* data;
    int length;
    int sing_mode;
    int result;
  } cases[] = {
      {"speech", pseq.data(), pseq.size(), 0, 0},
      {"sing mode 0x101 is mode 1", pseq.data(), pseq.size(), 0x101, 0},
      {"sing mode 2", pseq.data(), pseq.size(), 2, -2},
      {"no stream", nullptr, 10, 0, -2},
      {"length 0", pseq.data(), 0, 0, -2},
      {"a syllable the kana table lacks", na.data(), na.size(), 0, -5},
      {"a dropped bend range", clipped.data(), clipped.size(), 0, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(set_pseq_(c.data, c.length, c.sing_mode), c.result) << c.what;
}

TEST_F(VtrPthExportsTest, GetKVXWritesTheScriptOfTheLastGoodStream) {
  std::vector<char> buffer(64);
  EXPECT_EQ(get_kvx_(buffer.data(), 64), -1);  // closed
  ASSERT_EQ(initialize_(20, 0), 0);
  EXPECT_EQ(Script(), "-6");  // nothing parsed
  ASSERT_EQ(set_pseq_(TwoSyllables().data(), TwoSyllables().size(), 0), 0);
  const std::string script = Script();
  ASSERT_GT(script.size(), 4u);
  EXPECT_EQ(script.substr(0, 4), "KV#J");
  EXPECT_EQ(Script(), script);  // repeatable
  EXPECT_EQ(get_kvx_(nullptr, 64), -2);
  EXPECT_EQ(get_kvx_(buffer.data(), 0), -2);
  EXPECT_EQ(Script(static_cast<int>(script.size())), "-3");  // no room for the NUL
  EXPECT_EQ(Script(static_cast<int>(script.size()) + 1), script);

  // A failed stream leaves nothing parsed.
  const PSeqBuilder na = PSeqBuilder().Note(0, "Na", 60, 8);
  ASSERT_EQ(set_pseq_(na.data(), na.size(), 0), -5);
  EXPECT_EQ(Script(), "-6");
}

TEST_F(VtrPthExportsTest, TheDurationWindowHoldsUntilTheNextStream) {
  const PSeqBuilder& pseq = TwoSyllables();
  EXPECT_EQ(set_duration_(20, 40), 0);  // closed: still 0, and lost at the next stream
  ASSERT_EQ(initialize_(20, 0), 0);
  ASSERT_EQ(set_pseq_(pseq.data(), pseq.size(), 0), 0);
  const std::string whole = Script();
  EXPECT_EQ(set_duration_(20, 40), 0);
  const std::string second = Script();
  EXPECT_NE(second, whole);
  // Only the syllable starting at step 20: 10 steps, one semitone above the average note.
  EXPECT_EQ(second, "KV#JW1S48'6\x82\xa0");
  ASSERT_EQ(set_pseq_(pseq.data(), pseq.size(), 0), 0);
  EXPECT_EQ(Script(), whole);
}

// Memory runs out inside every export in turn: each answers with a failure result (nothing is
// thrown into the host), and the library works again once memory is back.
TEST_F(VtrPthExportsTest, NoExceptionLeavesAnExportWhenMemoryRunsOut) {
  const PSeqBuilder& pseq = TwoSyllables();
  std::vector<char> buffer(0x10000);
  struct Step {
    const char* name;
    std::function<int()> call;
    int result;  // with memory running out
    int again;   // then as usual; kAScript: the byte count of a script
  };
  constexpr int kAScript = 1000000;
  // In calling order, each step first with memory running out, then as usual.
  const Step steps[] = {
      {"initialize (allocates nothing)", [&] { return initialize_(20, 0); }, 0, -1},
      {"set the stream", [&] { return set_pseq_(pseq.data(), pseq.size(), 0); }, -1, 0},
      {"set the window", [&] { return set_duration_(0, 40); }, 0, 0},
      {"write the script", [&] { return get_kvx_(buffer.data(), static_cast<int>(buffer.size())); },
       -1, kAScript},
      {"terminate", [&] { return terminate_(); }, 0, -1},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(platform::testing::CallWithoutMemory(step.call), step.result);
    const int again = step.call();
    if (step.again == kAScript) {
      EXPECT_GT(again, 4) << "the library did not recover";
    } else {
      EXPECT_EQ(again, step.again) << "the library did not recover";
    }
  }
}

}  // namespace
}  // namespace vtr::pth
