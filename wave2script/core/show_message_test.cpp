#include "wave2script/core/show_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vtr::w2s {
namespace {

// Records every box and answers with a scripted button.
class RecordingPresenter : public core::MessagePresenter {
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
  int answer = core::kIdOk;
};

class ShowMessageTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallLibraryMessages(&presenter_, &owner_, "Wave to script"); }
  void TearDown() override { InstallLibraryMessages(nullptr, nullptr, ""); }
  RecordingPresenter presenter_;
  int owner_ = 0;
};

TEST_F(ShowMessageTest, StyleFollowsTheId) {
  struct Case {
    unsigned id;
    uint32_t style;
  };
  std::vector<Case> cases = {{508, 0x24}, {516, 0x24}, {509, 0x30},
                             {515, 0x30}, {517, 0x23}, {518, 0x23}};
  for (unsigned id :
       {501u, 502u, 503u, 504u, 505u, 506u, 507u, 510u, 511u, 512u, 513u, 514u, 519u, 520u}) {
    cases.push_back({id, 0x10});
  }
  for (const Case& c : cases) {
    presenter_.boxes.clear();
    presenter_.answer = core::kIdYes;
    EXPECT_EQ(ShowMessage(c.id), core::kIdYes) << c.id;
    ASSERT_EQ(presenter_.boxes.size(), 1u) << c.id;
    const RecordingPresenter::Box& box = presenter_.boxes[0];
    EXPECT_EQ(box.style, c.style) << c.id;
    EXPECT_EQ(box.text, core::MessageText(core::MessageLanguage::kJapanese, c.id)) << c.id;
    EXPECT_FALSE(box.text.empty()) << c.id;
    EXPECT_EQ(box.owner, &owner_);
    EXPECT_EQ(box.caption, "Wave to script");
  }
}

TEST_F(ShowMessageTest, IdsWithoutTextReturnCancelWithoutABox) {
  for (unsigned id : {0u, 499u, 500u, 521u, 9999u}) {
    EXPECT_EQ(ShowMessage(id), core::kIdCancel) << id;
    EXPECT_TRUE(LibraryMessageText(id).empty()) << id;
  }
  EXPECT_TRUE(presenter_.boxes.empty());
}

TEST_F(ShowMessageTest, NoPresenterShowsNothing) {
  InstallLibraryMessages(nullptr, nullptr, "");
  EXPECT_EQ(ShowMessage(core::kMessageBadFormat), core::kIdCancel);
  EXPECT_TRUE(presenter_.boxes.empty());
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = FormatMessageText(format, args);
  va_end(args);
  return out;
}

TEST(FormatMessageTextTest, SizesTheBufferByTheFormattedLength) {
  const std::string long_argument(5000, 'x');
  EXPECT_EQ(Format("%s!", long_argument.c_str()), long_argument + "!")
      << "far longer than twice the template";
  EXPECT_EQ(Format("%d files", 12), "12 files");
  EXPECT_EQ(Format("plain"), "plain");
  EXPECT_EQ(Format(""), "");
}

}  // namespace
}  // namespace vtr::w2s
