#include "engines/wtp/testing/outside_voice.h"

#include <gtest/gtest.h>

#include <string>

namespace vtr::wtp::testing {
namespace {

// The corpus of outside voices is a benchmark: its waves must not depend on what was spoken
// before them.
TEST(OutsideVoiceTest, SpeaksTheSameWaveWhateverCameBefore) {
  std::string error;
  std::unique_ptr<OutsideVoice> voice = OutsideVoice::Load(&error);
  ASSERT_NE(voice, nullptr) << error;
  const SpokenSentence sentence = {{"あさって", "asa te"}, {"いきます", "ik'imasM"}, {"。", ""}};
  const SpokenSentence other = {{"うみの", "Mm'ino"}, {"うえに", "MeJi"}, {"。", ""}};
  const auto first = voice->Speak(sentence, "ja+f2", 180, nullptr, &error);
  ASSERT_TRUE(first) << error;
  ASSERT_TRUE(voice->Speak(other, "ja+m3", 220, nullptr, &error)) << error;
  const auto again = voice->Speak(sentence, "ja+f2", 180, nullptr, &error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(again->samples, first->samples);
  ASSERT_EQ(again->phonemes.size(), first->phonemes.size());
  for (size_t k = 0; k < first->phonemes.size(); ++k)
    EXPECT_EQ(again->phonemes[k].start_sec, first->phonemes[k].start_sec) << k;
  EXPECT_EQ(first->text, "asa teik'imasM");
}

}  // namespace
}  // namespace vtr::wtp::testing
