#include "core/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::core {
namespace {

// Records every box it is asked to show and answers with a scripted button.
class RecordingPresenter : public MessagePresenter {
 public:
  struct Box {
    void* owner;
    std::string text;
    std::string caption;
    uint32_t style;
  };
  int Show(void* owner, std::string_view text, std::string_view caption, uint32_t style) override {
    boxes.push_back({owner, std::string(text), std::string(caption), style});
    return answer;
  }
  std::vector<Box> boxes;
  int answer = kIdOk;
};

class MessageReporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallMessagePresenter(&presenter_);
    SetApplicationTitle("Voxtrel");
  }
  void TearDown() override { InstallMessagePresenter(nullptr); }
  RecordingPresenter presenter_;
};

TEST(MessageBoxStyleTest, StyleFollowsTheId) {
  struct Case {
    unsigned id;
    uint32_t style;
  };
  const Case cases[] = {
      {499, 0},    {500, 0},    {501, 0x10}, {502, 0x10}, {503, 0x10}, {504, 0x10},
      {505, 0x10}, {506, 0x10}, {507, 0x10}, {508, 0x24}, {509, 0x30}, {510, 0x10},
      {511, 0x10}, {512, 0x10}, {513, 0x10}, {514, 0x10}, {515, 0x30}, {516, 0x24},
      {517, 0x23}, {518, 0x23}, {519, 0x10}, {520, 0x10}, {521, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(MessageBoxStyle(c.id), c.style) << c.id;
}

TEST(MessageTextTest, EveryBlockHoldsItsTexts) {
  struct Case {
    MessageLanguage language;
    std::string_view tag;
    unsigned last_id;  // ids from 501 up to this one have a text
  };
  const Case cases[] = {
      {MessageLanguage::kEnglish, "US", 520},
      {MessageLanguage::kJapanese, "JP", 520},
      {MessageLanguage::kKorean, "KR", 520},
      {MessageLanguage::kChinese, "CN", 518},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessageText(c.language, 500), c.tag);
    for (unsigned id = 501; id <= 520; ++id) {
      EXPECT_EQ(MessageText(c.language, id).empty(), id > c.last_id) << c.tag << " " << id;
      // No text is a format string.
      EXPECT_EQ(MessageText(c.language, id).find('%'), std::string_view::npos);
    }
    EXPECT_TRUE(MessageText(c.language, 499).empty());
    EXPECT_TRUE(MessageText(c.language, 521).empty());
  }
  EXPECT_EQ(MessageText(MessageLanguage::kEnglish, 501), "Internal error occured.");
  EXPECT_EQ(MessageText(MessageLanguage::kEnglish, 508),
            "This file already exists.\nReplace existing file?");
  EXPECT_EQ(MessageText(MessageLanguage::kJapanese, 506), "ファイルを開けませんでした。");
}

TEST_F(MessageReporterTest, QuestionReturnsTheAnswer) {
  MessageReporter reporter(MessageLanguage::kEnglish);
  int owner_window = 0;
  EXPECT_EQ(reporter.SetOwner(&owner_window, "Voxtrel Main"), 0);
  for (int answer : {kIdYes, kIdNo}) {
    presenter_.answer = answer;
    EXPECT_EQ(reporter.ShowMessage(508), answer);
  }
  ASSERT_EQ(presenter_.boxes.size(), 2u);
  EXPECT_EQ(presenter_.boxes[0].owner, &owner_window);
  EXPECT_EQ(presenter_.boxes[0].caption, "Voxtrel Main");
  EXPECT_EQ(presenter_.boxes[0].style, 0x24u);
  EXPECT_EQ(presenter_.boxes[0].text, "This file already exists.\nReplace existing file?");
}

TEST_F(MessageReporterTest, LanguageTagShowsInAPlainBox) {
  MessageReporter reporter;  // the build language: Japanese
  EXPECT_EQ(reporter.ShowMessage(500), kIdOk);
  ASSERT_EQ(presenter_.boxes.size(), 1u);
  EXPECT_EQ(presenter_.boxes[0].text, "JP");
  EXPECT_EQ(presenter_.boxes[0].style, 0u);
}

TEST_F(MessageReporterTest, MissingTextShowsNothingAndCancels) {
  MessageReporter chinese(MessageLanguage::kChinese);
  presenter_.answer = kIdOk;
  EXPECT_EQ(chinese.ShowMessage(519), kIdCancel);
  EXPECT_EQ(chinese.ShowMessage(521), kIdCancel);
  EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_F(MessageReporterTest, WithoutOwnerTheApplicationTitleIsTheCaption) {
  MessageReporter reporter;
  EXPECT_EQ(reporter.ShowMessage(502), kIdOk);
  ASSERT_EQ(presenter_.boxes.size(), 1u);
  EXPECT_EQ(presenter_.boxes[0].owner, nullptr);
  EXPECT_EQ(presenter_.boxes[0].caption, "Voxtrel");
  EXPECT_EQ(presenter_.boxes[0].style, 0x10u);
}

TEST(MessageReporterWithoutPresenterTest, CancelsWithoutABox) {
  InstallMessagePresenter(nullptr);
  MessageReporter reporter;
  EXPECT_EQ(reporter.ShowMessage(508), kIdCancel);
}

}  // namespace
}  // namespace vtr::core
