#include "scriptedit/dialog/number_edit.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/window/headless.h"
#include "platform/window/window_system.h"
#include "scriptedit/dialog/number_spin.h"

namespace vtr::scriptedit {
namespace {

using platform::KeyEvent;

// A parent that writes down its children's notices.
class Parent : public platform::Window {
 public:
  std::vector<int> changes;
  void OnCommand(int id, platform::Notice notice) override {
    if (notice == platform::Notice::kChange) changes.push_back(id);
  }
};

NumberEdit* AddEdit(Parent& parent, int minimum, int maximum, int default_value) {
  auto* edit = static_cast<NumberEdit*>(
      parent.AddChild(std::make_unique<NumberEdit>(), 2047, platform::Rect{0, 0, 16, 12}));
  edit->set_max_digits(2);
  edit->SetRange(minimum, maximum);
  edit->set_default_value(default_value);
  return edit;
}

KeyEvent Char(char32_t c) {
  KeyEvent event;
  event.kind = KeyEvent::Kind::kChar;
  event.ch = c;
  return event;
}

KeyEvent Down(int key, uint8_t modifiers = 0) {
  return KeyEvent{KeyEvent::Kind::kDown, key, 0, modifiers};
}

TEST(NumberEditTest, StartsWithEveryFieldZero) {
  NumberEdit edit;
  EXPECT_EQ(edit.max_digits(), 0);
  EXPECT_EQ(edit.minimum(), 0);
  EXPECT_EQ(edit.maximum(), 0);
  EXPECT_EQ(edit.default_value(), 0);
}

TEST(NumberEditTest, ValidateAcceptsPlainNumbersInRangeAndRewritesThem) {
  struct Case {
    std::string text;
    int result;
    std::string after;
  };
  // clang-format off
  const Case cases[] = {
      {"7", 1, "7"},     {"007", 1, "7"},    {"99", 1, "99"},   {"1", 1, "1"},
      {"0", 0, "0"},     {"100", 0, "100"},  {"", 0, ""},       {"12a", 0, "12a"},
      {"-5", 0, "-5"},   {" 5", 0, " 5"},    {"５", 0, "５"},
      {"99999999999999999999999", 0, "99999999999999999999999"},
  };
  // clang-format on
  NumberEdit edit;
  edit.SetRange(1, 99);
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_EQ(edit.Validate(text), c.result) << c.text;
    EXPECT_EQ(text, c.after) << c.text;
  }
}

TEST(NumberEditTest, TypingTakesDigitsUpToTheLimitUnlessTextIsSelected) {
  struct Case {
    std::string before;
    int sel_start, sel_end;
    char32_t typed;
    std::string after;
    const char* why;
  };
  const Case cases[] = {
      {"", 0, 0, U'5', "5", "a digit into an empty field"},
      {"9", 1, 1, U'9', "99", "a second digit"},
      {"99", 2, 2, U'9', "99", "a third digit is refused"},
      {"99", 1, 2, U'5', "95", "a digit replaces a selected part"},
      {"", 0, 0, U'a', "", "a letter is dropped"},
      {"1", 1, 1, U'-', "1", "a sign is dropped"},
      {"1", 0, 1, U'x', "1", "a letter does not replace the selection"},
  };
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, 1, 99, 1);
    edit->SetText(c.before);
    edit->SetSel(c.sel_start, c.sel_end);
    EXPECT_TRUE(edit->OnKey(Char(c.typed)));
    EXPECT_EQ(edit->text(), c.after) << c.why;
  }
}

TEST(NumberEditTest, BackspacePassesEvenWhenFull) {
  platform::HeadlessSession session;
  Parent parent;
  NumberEdit* edit = AddEdit(parent, 1, 99, 1);
  edit->SetText("99");
  edit->SetSel(2, 2);
  EXPECT_TRUE(edit->OnKey(Char(platform::kKeyBack)));
  EXPECT_TRUE(edit->OnKey(Down(platform::kKeyBack)));
  EXPECT_EQ(edit->text(), "9");
}

TEST(NumberEditTest, PasteTakesOnlyValidNumbers) {
  struct Case {
    std::string clipboard;
    std::string after;
  };
  const Case cases[] = {{"12a", "3"}, {"05", "5"},  {"", "3"},
                        {"0", "3"},   {"42", "42"}, {"123", "3"}};
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, 1, 99, 1);
    edit->SetText("3");
    platform::SetClipboardText(c.clipboard);
    EXPECT_TRUE(edit->OnKey(Down('V', platform::kModCtrl)));
    EXPECT_EQ(edit->text(), c.after) << c.clipboard;
  }
}

// The desktop answers a paste later: the field keeps its text until the answer comes, and a
// valid number then replaces it as one step of undo.
TEST(NumberEditTest, APasteArrivesLaterAndIsOneStepOfUndo) {
  platform::HeadlessSession session;
  Parent parent;
  NumberEdit* edit = AddEdit(parent, 1, 99, 1);
  edit->SetText("3");
  edit->SetSel(1, 1);
  session.CopyInAnotherProgram("042");
  session.HoldPastes();
  EXPECT_TRUE(edit->OnKey(Down('V', platform::kModCtrl)));
  EXPECT_EQ(edit->text(), "3");
  session.DeliverHeldPastes();
  EXPECT_EQ(edit->text(), "42");
  EXPECT_EQ(parent.changes, std::vector<int>{2047});
  EXPECT_TRUE(edit->OnKey(Down('Z', platform::kModCtrl)));
  EXPECT_EQ(edit->text(), "3");
}

// The edit menu's Paste is Ctrl+V's: the desktop's answer passes the same check, and its Undo
// takes a pasted number back in one step.
TEST(NumberEditTest, TheMenusPasteTakesOnlyValidNumbers) {
  struct Case {
    std::string copied;
    std::string after;
  };
  const Case cases[] = {{"12a", "3"}, {"042", "42"}, {"100", "3"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.copied);
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, 1, 99, 1);
    edit->SetText("3");
    session.CopyInAnotherProgram(c.copied);
    session.HoldPastes();
    session.user().ChooseMenuItem(platform::Edit::kMenuPaste);
    edit->ShowContextMenu({});
    session.DeliverHeldPastes();
    EXPECT_EQ(edit->text(), c.after);
    const bool taken = c.after != "3";
    EXPECT_EQ(parent.changes.size(), taken ? 1u : 0u);
    EXPECT_EQ(edit->CanUndo(), taken);
    if (!taken) continue;
    session.user().ChooseMenuItem(platform::Edit::kMenuUndo);
    edit->ShowContextMenu({});
    EXPECT_EQ(edit->text(), "3");
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(NumberEditTest, ControlKeysCopyCutAndUndo) {
  platform::HeadlessSession session;
  Parent parent;
  NumberEdit* edit = AddEdit(parent, 1, 99, 1);
  edit->SetText("42");
  edit->SetSel(0, 1);
  EXPECT_TRUE(edit->OnKey(Down('C', platform::kModCtrl)));
  EXPECT_EQ(session.desktop_clipboard(), "4");
  EXPECT_TRUE(edit->OnKey(Down('X', platform::kModCtrl)));
  EXPECT_EQ(edit->text(), "2");
  EXPECT_TRUE(edit->OnKey(Down('Z', platform::kModCtrl)));
  EXPECT_EQ(edit->text(), "42");
}

TEST(NumberEditTest, LeavingTheFieldRestoresAValidValue) {
  struct Case {
    int minimum, maximum, default_value;
    std::string before;
    std::string after;
    const char* why;
  };
  const Case cases[] = {
      {1, 99, 1, "0", "1", "out of range: emptied, then the default"},
      {1, 99, 1, "", "1", "empty: the default"},
      {0, 99, 50, "", "50", "the speed field's default"},
      {0, 99, 50, "0", "0", "zero is valid for speed"},
      {1, 99, 1, "07", "07", "a valid text stays as typed"},
      {1, 99, 1, "5", "5", "valid"},
  };
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, c.minimum, c.maximum, c.default_value);
    edit->SetText(c.before);
    edit->OnFocus(false);
    EXPECT_EQ(edit->text(), c.after) << c.why;
  }
}

TEST(NumberEditTest, EnterEmptiesAnInvalidFieldAndPassesTheKeyOn) {
  for (const auto& [before, after] :
       std::vector<std::pair<std::string, std::string>>{{"0", ""}, {"12", "12"}}) {
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, 1, 99, 1);
    edit->SetText(before);
    EXPECT_FALSE(edit->OnKey(Down(platform::kKeyReturn)));
    EXPECT_EQ(edit->text(), after) << before;
  }
}

TEST(NumberSpinTest, AnEmptyFieldGetsTheLowerEndInsteadOfAStep) {
  struct Case {
    int lower, upper;
    std::string before;
    int delta;
    std::string after;
  };
  // clang-format off
  const Case cases[] = {
      {1, 99, "", 1, "1"},   {0, 99, "", 1, "0"},   {1, 99, "", -1, "1"},
      {1, 99, "5", 1, "6"},  {0, 99, "50", -1, "49"}, {1, 99, "99", 1, "99"},
  };
  // clang-format on
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    Parent parent;
    NumberEdit* edit = AddEdit(parent, c.lower, c.upper, c.lower);
    auto* spin = static_cast<NumberSpin*>(
        parent.AddChild(std::make_unique<NumberSpin>(), 2048, platform::Rect{16, 0, 24, 12}));
    spin->SetBuddy(edit);
    spin->SetRange(c.lower, c.upper);
    edit->SetText(c.before);
    spin->UserStep(c.delta);
    EXPECT_EQ(edit->text(), c.after) << c.before << " " << c.delta;
  }
}

}  // namespace
}  // namespace vtr::scriptedit
