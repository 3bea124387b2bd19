#include "wave2script/dialogs/intonation/change_hiragana_dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "platform/window/headless.h"
#include "resources/testing/built_from_template.h"
#include "wave2script/core/show_message.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;
using core::testing::Utf;

class CountingPresenter : public core::MessagePresenter {
 public:
  int Show(void*, std::string_view text, std::string_view, uint32_t style) override {
    texts.emplace_back(text);
    styles.push_back(style);
    return core::kIdOk;
  }
  std::vector<std::string> texts;
  std::vector<uint32_t> styles;
};

class ChangeHiraganaDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallLibraryMessages(&presenter_, nullptr, ""); }
  void TearDown() override { InstallLibraryMessages(nullptr, nullptr, ""); }
  platform::HeadlessSession session_;
  CountingPresenter presenter_;
};

TEST_F(ChangeHiraganaDialogTest, OkKeepsTheFirstKanaToken) {
  struct Case {
    std::string typed;
    std::string kept;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"きょう", "きょ"}, {"か", "か"}, {"う゛ぁい", "う゛ぁ"}, {"、あ", "、"},
  };
  // clang-format on
  for (const Case& c : cases) {
    ChangeHiraganaDialog dialog;
    session_.user().Type(kChangeHiraganaEdit, c.typed).Click(platform::kIdOk);
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk) << c.typed;
    EXPECT_EQ(Utf(dialog.text()), c.kept) << c.typed;
  }
  EXPECT_TRUE(presenter_.texts.empty());
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ChangeHiraganaDialogTest, NoKanaShowsMessage504AndStaysOpen) {
  ChangeHiraganaDialog dialog;
  session_.user()
      .Type(kChangeHiraganaEdit, "a")
      .Click(platform::kIdOk)
      .Do([&] { EXPECT_EQ(presenter_.texts.size(), 1u); })
      .Click(platform::kIdCancel);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  ASSERT_EQ(presenter_.texts.size(), 1u);
  EXPECT_EQ(presenter_.texts[0],
            core::MessageText(core::MessageLanguage::kJapanese, core::kMessageNothingToPlay));
  EXPECT_EQ(presenter_.styles[0], 0x10u);
  EXPECT_EQ(dialog.text(), "a") << "the text as typed";
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ChangeHiraganaDialogTest, AnEmptyEditDisablesOk) {
  ChangeHiraganaDialog dialog;
  dialog.set_text(Sj("か"));
  session_.user()
      .Do([&] { EXPECT_TRUE(dialog.Item(platform::kIdOk)->IsEnabled()); })
      .Focus(kChangeHiraganaEdit)
      .Key(platform::kKeyEnd)
      .Key(platform::kKeyBack)
      .Do([&] { EXPECT_FALSE(dialog.Item(platform::kIdOk)->IsEnabled()); })
      .Type(kChangeHiraganaEdit, "き")
      .Do([&] { EXPECT_TRUE(dialog.Item(platform::kIdOk)->IsEnabled()); })
      .Click(platform::kIdOk);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(Utf(dialog.text()), "き");
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(ChangeHiraganaDialogTest, StartsWithTheGivenText) {
  ChangeHiraganaDialog dialog;
  dialog.set_text(Sj("しゃ"));
  session_.user()
      .Do([&] { EXPECT_EQ(dialog.Item(kChangeHiraganaEdit)->text(), "しゃ"); })
      .Click(platform::kIdOk);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(Utf(dialog.text()), "しゃ");
}

TEST_F(ChangeHiraganaDialogTest, IsBuiltFromTheLibrarysTemplate) {
  ChangeHiraganaDialog dialog;
  session_.user()
      .Do([&] {
        EXPECT_TRUE(resources::testing::BuiltFromTemplate(dialog, resources::Module::kWaveToScript,
                                                          kChangeHiraganaTemplate));
      })
      .Click(platform::kIdCancel);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
}

}  // namespace
}  // namespace vtr::w2s
