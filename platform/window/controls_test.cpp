#include "platform/window/controls.h"

#include <gtest/gtest.h>

#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace {

// A parent that writes down the notices and scroll actions of its children.
class Parent : public Window {
 public:
  std::vector<std::string> log;
  void OnCommand(int id, Notice notice) override {
    log.push_back(std::to_string(id) + ":" + std::to_string(static_cast<int>(notice)));
  }
  void OnScroll(int id, ScrollCode code, int pos) override {
    log.push_back(std::to_string(id) + " scroll " + std::to_string(static_cast<int>(code)) + " " +
                  std::to_string(pos));
  }
};

template <typename T, typename... Args>
T* Add(Parent& parent, int id, Args&&... args) {
  return static_cast<T*>(
      parent.AddChild(std::make_unique<T>(std::forward<Args>(args)...), id, Rect{0, 0, 100, 20}));
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

// A canvas that keeps the pixels of every image and the font of every text drawn on it, and
// measures text as a fixed 7 pixels per character.
class KeepingCanvas : public RecordingCanvas {
 public:
  KeepingCanvas() : RecordingCanvas(Rect{0, 0, 400, 100}) {}
  std::vector<Image> images;
  std::vector<Font> fonts;
  Size MeasureText(std::string_view utf8, const Font& font) override {
    int chars = 0;
    for (unsigned char c : utf8) chars += (c & 0xC0) != 0x80;
    return Size{static_cast<int>(chars * 7 * font.points / 9.0), 12};
  }

 protected:
  void DoImage(Point at, const Image& image, const Rect& source,
               std::optional<Color> key) override {
    images.push_back(image.Crop(source));
    RecordingCanvas::DoImage(at, image, source, key);
  }
  void DoText(const Rect& r, std::string_view utf8, const Font& font, Color color, uint32_t format,
              TextBackground background) override {
    fonts.push_back(font);
    RecordingCanvas::DoText(r, utf8, font, color, format, background);
  }
};

// An icon button shows its icon as is while enabled and greyed (no colour left, the key colour
// still transparent) while disabled, as text buttons grey their text.
TEST(ButtonTest, ADisabledIconButtonShowsItsIconGreyed) {
  HeadlessSession session;
  Parent parent;
  auto* button = Add<Button>(parent, 2021);
  Image icon(2, 1, 0xFF00FF);
  icon.set(0, 0, Rgb(0x30, 0xA0, 0x30));
  button->SetImage(icon, 0xFF00FF);
  for (const bool enabled : {true, false}) {
    button->Enable(enabled);
    KeepingCanvas canvas;
    button->OnPaint(canvas);
    ASSERT_EQ(canvas.images.size(), 1u);
    const Color shown = canvas.images[0].at(0, 0);
    if (enabled) {
      EXPECT_EQ(shown, Rgb(0x30, 0xA0, 0x30));
    } else {
      EXPECT_EQ(RedOf(shown), GreenOf(shown));
      EXPECT_EQ(GreenOf(shown), BlueOf(shown));
      EXPECT_GT(RedOf(shown), 0x80) << "faded towards the face";
    }
    EXPECT_EQ(canvas.images[0].at(1, 0), 0xFF00FFu) << "the key colour stays transparent";
  }
}

// A caption wider than its control is drawn smaller until it fits, with room to spare on the
// right; one that fits keeps its size.
TEST(ButtonTest, CaptionsShrinkToFitTheirControl) {
  struct Case {
    ControlKind kind;
    int width;
    std::string_view text;
    bool shrinks;
  };
  const Case cases[] = {
      {ControlKind::kStatic, 70, "高低アクセント", false},  // 49 px at 7 per character: fits
      {ControlKind::kStatic, 40, "高低アクセント", true},
      {ControlKind::kButton, 100, "OK", false},
      {ControlKind::kButton, 40, "Cancel", true},  // the raised frame takes 3 px each side
      {ControlKind::kMenuButton, 123, "Utterance Length:L1", true},  // the arrow takes a fifth
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HeadlessSession session;
    Parent parent;
    Window* placed = parent.AddChild(MakeControl(ControlTemplate(1, c.kind, c.text, Rect{})), 1,
                                     Rect{0, 0, c.width, 20});
    KeepingCanvas canvas;
    placed->OnPaint(canvas);
    ASSERT_FALSE(canvas.fonts.empty());
    const Font& font = canvas.fonts.back();
    const int room = c.kind == ControlKind::kStatic   ? c.width
                     : c.kind == ControlKind::kButton ? c.width - 6
                                                      : c.width - c.width / 5 - 6;
    EXPECT_LE(canvas.MeasureText(c.text, font).width, room - 2);
    EXPECT_EQ(font.points < placed->font().points, c.shrinks) << font.points;
  }
}

TEST(EditTest, TypingEditsTheSelectionAndNotifies) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 2037);
  edit->SetText("abc");
  edit->SetSel(1, 2);
  EXPECT_TRUE(edit->OnKey(Char(U'か')));
  EXPECT_EQ(edit->text(), "aかc");
  EXPECT_EQ(edit->GetSel(), (std::pair{2, 2}));
  EXPECT_TRUE(edit->OnKey(Down(kKeyBack)));
  EXPECT_EQ(edit->text(), "ac");
  EXPECT_EQ(parent.log, (std::vector<std::string>{"2037:1", "2037:1"}));
}

TEST(EditTest, LockSwallowsInputAndKeepsTheText) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 1002);
  edit->SetText("KV#J");
  edit->SetLocked(true);
  SetClipboardText("x");
  const KeyEvent inputs[] = {Char(U'a'), Down(kKeyBack), Down(kKeyDelete), Down('V', kModCtrl),
                             Down('X', kModCtrl)};
  for (const KeyEvent& input : inputs) EXPECT_TRUE(edit->OnKey(input));
  edit->Paste();
  EXPECT_TRUE(edit->OnMouse(MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, {})));
  EXPECT_EQ(edit->text(), "KV#J");
  EXPECT_TRUE(parent.log.empty());
  edit->SetLocked(false);
  EXPECT_TRUE(edit->OnKey(Char(U'a')));
  EXPECT_EQ(parent.log.size(), 1u);
}

TEST(EditTest, ClipboardAndUndo) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 1);
  edit->SetText("あいう");
  edit->SetSel(0, 2);
  EXPECT_TRUE(edit->OnKey(Down('X', kModCtrl)));
  EXPECT_EQ(edit->text(), "う");
  EXPECT_EQ(session.desktop_clipboard(), "あい");
  edit->SetSel(1, 1);
  EXPECT_TRUE(edit->OnKey(Down('V', kModCtrl)));
  EXPECT_EQ(edit->text(), "うあい");
  EXPECT_TRUE(edit->OnKey(Down('Z', kModCtrl)));
  EXPECT_EQ(edit->text(), "う");
}

TEST(EditTest, PasteBringsTheDesktopsClipboardInTheBoxsEncoding) {
  struct Case {
    const char* name;
    Encoding encoding;
    uint32_t style;
    std::string copied;  // by another program, as UTF-8
    std::string after;   // "[]" marks the selection "い" that the paste replaces
  };
  // clang-format off
  const Case cases[] = {
      {"kana into a Shift-JIS box", Encoding::kShiftJis, kStyleMultiLine, "かきくけこ", "あかきくけこう"},
      {"hangul into a Shift-JIS box becomes marks", Encoding::kShiftJis, kStyleMultiLine, "가か", "あ?かう"},
      {"an emoji is one mark", Encoding::kShiftJis, kStyleMultiLine, "x\xF0\x9F\x98\x80", "あx?う"},
      {"hangul into a Korean box", Encoding::kEucKr, kStyleMultiLine, "가나", "あ가나う"},
      {"kana into a Chinese box (GB 2312 has them), Thai not", Encoding::kGb2312, kStyleMultiLine, "かก",
       "あか?う"},
      {"broken UTF-8: a mark per byte, never the bytes", Encoding::kShiftJis, kStyleMultiLine, "a\xE3\x81", "あa??う"},
      {"Windows line breaks become the box's", Encoding::kShiftJis, kStyleMultiLine, "a\r\nb\rc", "あa\nb\ncう"},
      {"nothing after a NUL", Encoding::kShiftJis, kStyleMultiLine, std::string("ab\0cd", 5), "あabう"},
      {"a one-line box takes the first line", Encoding::kShiftJis, 0, "ab\ncd", "あabう"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 2037, c.style);
    edit->SetEncoding(c.encoding);
    edit->SetText("あいう");
    edit->SetSel(1, 2);
    session.CopyInAnotherProgram(c.copied);
    EXPECT_TRUE(edit->OnKey(Down('V', kModCtrl)));
    EXPECT_EQ(edit->text(), c.after);
    EXPECT_EQ(parent.log, (std::vector<std::string>{"2037:1"}));
    // One step of undo takes the whole paste back.
    EXPECT_TRUE(edit->OnKey(Down('Z', kModCtrl)));
    EXPECT_EQ(edit->text(), "あいう");
  }
}

TEST(EditTest, CopyAndCutReachOtherProgramsAndShiftInsertPastes) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 1002, kStyleMultiLine);
  edit->SetText("あいう");
  edit->SetSel(0, 1);
  EXPECT_TRUE(edit->OnKey(Down('C', kModCtrl)));
  EXPECT_EQ(session.desktop_clipboard(), "あ");
  // Another program copies: the program's own older copy is gone.
  session.CopyInAnotherProgram("さ");
  edit->SetSel(3, 3);
  EXPECT_TRUE(edit->OnKey(Down(kKeyInsert, kModShift)));
  EXPECT_EQ(edit->text(), "あいうさ");
  edit->SetSel(1, 2);
  EXPECT_TRUE(edit->OnKey(Down('X', kModCtrl)));
  EXPECT_EQ(session.desktop_clipboard(), "い");
  EXPECT_EQ(edit->text(), "あうさ");
}

// The desktop's answer comes later, as an event: the box may have been locked, disabled or made
// read-only meanwhile, or be gone.
TEST(EditTest, APasteThatArrivesAfterTheBoxStoppedTakingInputChangesNothing) {
  struct Case {
    const char* name;
    void (*change)(Edit&);
    bool asks;  // the paste is asked for at all
    std::string after;
  };
  const Case cases[] = {
      {"nothing changed: the text goes in", [](Edit&) {}, true, "あか"},
      {"locked meanwhile", [](Edit& e) { e.SetLocked(true); }, true, "あ"},
      {"made read-only meanwhile", [](Edit& e) { e.SetReadOnly(true); }, true, "あ"},
      {"disabled meanwhile", [](Edit& e) { e.Enable(false); }, true, "あ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 1002);
    edit->SetText("あ");
    edit->SetSel(1, 1);
    session.CopyInAnotherProgram("か");
    session.HoldPastes();
    edit->Paste();
    EXPECT_EQ(edit->text(), "あ") << "the answer has not come yet";
    c.change(*edit);
    session.DeliverHeldPastes();
    EXPECT_EQ(edit->text(), c.after);
  }
  // The box is gone before the answer comes.
  HeadlessSession session;
  auto parent = std::make_unique<Parent>();
  auto* edit = Add<Edit>(*parent, 1002);
  session.CopyInAnotherProgram("か");
  session.HoldPastes();
  edit->Paste();
  parent.reset();
  session.DeliverHeldPastes();
}

TEST(EditTest, AReadOnlyDisabledOrLockedBoxAsksForNoPaste) {
  const std::pair<const char*, void (*)(Edit&)> cases[] = {
      {"read-only", [](Edit& e) { e.SetReadOnly(true); }},
      {"disabled", [](Edit& e) { e.Enable(false); }},
      {"locked", [](Edit& e) { e.SetLocked(true); }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 161);
    edit->SetText("a");
    make(*edit);
    session.CopyInAnotherProgram("x");
    session.HoldPastes();
    edit->Paste();
    (void)edit->OnKey(Down('V', kModCtrl));
    // Taking the box back into use does not bring in an answer that was never asked for.
    edit->SetReadOnly(false);
    edit->Enable(true);
    edit->SetLocked(false);
    session.DeliverHeldPastes();
    EXPECT_EQ(edit->text(), "a");
    EXPECT_TRUE(parent.log.empty());
  }
}

// The edit's own menu ---------------------------------------------------------------------

constexpr int kEditMenuOrder[] = {Edit::kMenuUndo,  Edit::kMenuCut,    Edit::kMenuCopy,
                                  Edit::kMenuPaste, Edit::kMenuDelete, Edit::kMenuSelectAll};

// The menu's enabled items as their letters in order ("UTCPDA"), a greyed one as "-".
std::string EnabledItems(const Menu& menu) {
  std::string letters;
  for (size_t i = 0; i < std::size(kEditMenuOrder); ++i) {
    const MenuItem* item = menu.Find(kEditMenuOrder[i]);
    letters += item == nullptr || item->grayed ? '-' : "UTCPDA"[i];
  }
  return letters;
}

MouseEvent RightButton(MouseEvent::Kind kind) {
  return MouseEvent::At(kind, MouseButton::kRight, {5, 5});
}

TEST(EditMenuTest, ItemsInTheProgramsLanguageWithTheirSeparators) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 1002);
  EditMenuTexts before = GetEditMenuTexts();  // a copy: the texts change next
  SetEditMenuTexts({"u", "t", "c", "p", "d", "a"});
  const Menu menu = edit->ContextMenu();
  std::vector<std::string> outline;
  for (const MenuItem& item : menu.items()) {
    outline.push_back(item.separator ? "-" : item.text + " " + std::to_string(item.id));
  }
  SetEditMenuTexts(std::move(before));
  EXPECT_EQ(outline, (std::vector<std::string>{"u 772", "-", "t 768", "c 769", "p 770", "d 771",
                                               "-", "a 177"}));
}

TEST(EditMenuTest, GreysWhatTheEditsStateRulesOut) {
  struct Case {
    const char* name;
    std::string text;
    int sel_start, sel_end;
    bool typed;  // a key typed before, so that there is something to undo
    bool read_only;
    std::string enabled;
  };
  const Case cases[] = {
      {"an empty edit: only Paste", "", 0, 0, false, false, "---P--"},
      {"a caret and nothing to undo", "あいう", 1, 1, false, false, "---P-A"},
      {"a selection after typing: everything", "あいう", 1, 2, true, false, "UTCPDA"},
      {"everything selected: no Select All", "あいう", 0, -1, false, false, "-TCPD-"},
      {"read-only: Copy and Select All only", "あいう", 1, 2, true, true, "--C--A"},
      {"read-only with a caret: Select All only", "あいう", 1, 1, false, true, "-----A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 1002);
    edit->SetText(c.text);
    if (c.typed) {
      edit->SetSel(0, 0);
      (void)edit->OnKey(Char(U'か'));
      (void)edit->OnKey(Down(kKeyBack));
    }
    edit->SetSel(c.sel_start, c.sel_end);
    edit->SetReadOnly(c.read_only);
    EXPECT_EQ(EnabledItems(edit->ContextMenu()), c.enabled);
  }
}

// A right click brings the menu; each item does what its key does, so that the rules of the keys
// hold for the menu too.
TEST(EditMenuTest, EachItemRunsWhatItsKeyRuns) {
  struct Case {
    const char* name;
    int command;
    bool read_only;
    std::string after;  // the text, "[]" around the selection
    std::string clipboard;
    size_t changes;  // kChange notices
  };
  const Case cases[] = {
      {"Undo takes back the last step", Edit::kMenuUndo, false, "あ[]う", "さ", 1},
      {"Cut", Edit::kMenuCut, false, "あ[]う", "い", 1},
      {"Copy", Edit::kMenuCopy, false, "あ[い]う", "い", 0},
      {"Paste brings another program's text", Edit::kMenuPaste, false, "あか?[]う", "か가", 1},
      {"Delete", Edit::kMenuDelete, false, "あ[]う", "さ", 1},
      {"Select All", Edit::kMenuSelectAll, false, "[あいう]", "さ", 0},
      {"dismissed: nothing", 0, false, "あ[い]う", "さ", 0},
      {"a read-only edit: Copy works", Edit::kMenuCopy, true, "あ[い]う", "い", 0},
      {"a read-only edit: Paste is greyed", Edit::kMenuPaste, true, "あ[い]う", "か가", 0},
      {"a read-only edit: Delete is greyed", Edit::kMenuDelete, true, "あ[い]う", "さ", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 1002);
    edit->SetText("あう");
    edit->SetSel(1, 1);
    (void)edit->OnKey(Char(U'い'));  // the step Undo takes back
    parent.log.clear();
    edit->SetSel(1, 2);
    edit->SetReadOnly(c.read_only);
    session.CopyInAnotherProgram(c.command == Edit::kMenuPaste ? "か가" : "さ");
    session.user().ChooseMenuItem(c.command);
    EXPECT_TRUE(edit->OnMouse(RightButton(MouseEvent::Kind::kDown)));
    EXPECT_TRUE(session.menus().empty()) << "the menu waits for the button to come up";
    EXPECT_TRUE(edit->OnMouse(RightButton(MouseEvent::Kind::kUp)));
    ASSERT_EQ(session.menus().size(), 1u);
    EXPECT_TRUE(session.errors().empty());
    std::string shown = edit->text();
    const auto [start, end] = edit->sel_utf8_bytes();
    shown.insert(end, "]");
    shown.insert(start, "[");
    EXPECT_EQ(shown, c.after);
    EXPECT_EQ(session.desktop_clipboard(), c.clipboard);
    EXPECT_EQ(parent.log.size(), c.changes);
  }
}

// A pasted text is one step of undo through the menu too, and Undo in the menu takes it back.
TEST(EditMenuTest, APasteFromTheMenuIsOneStepOfUndo) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 1002, kStyleMultiLine);
  edit->SetText("あう");
  edit->SetSel(1, 1);
  session.CopyInAnotherProgram("かき\r\nく");
  session.HoldPastes();
  session.user().ChooseMenuItem(Edit::kMenuPaste).ChooseMenuItem(Edit::kMenuUndo);
  edit->ShowContextMenu({});
  EXPECT_EQ(edit->text(), "あう") << "the desktop's answer has not come yet";
  session.DeliverHeldPastes();
  EXPECT_EQ(edit->text(), "あかき\nくう");
  EXPECT_EQ(EnabledItems(edit->ContextMenu()), "U--P-A");
  edit->ShowContextMenu({});
  EXPECT_EQ(edit->text(), "あう");
  EXPECT_TRUE(session.errors().empty());
}

// The Menu key and Shift+F10 bring the menu at the middle of the edit; a locked edit (while a
// phrase plays) and a disabled one show none, by any way.
TEST(EditMenuTest, KeysBringItAndALockedOrDisabledEditShowsNone) {
  struct Case {
    const char* name;
    void (*make)(Edit&);
    bool shows;
  };
  const Case cases[] = {
      {"an edit in use", [](Edit&) {}, true},
      {"locked", [](Edit& e) { e.SetLocked(true); }, false},
      {"disabled", [](Edit& e) { e.Enable(false); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    parent.SetRect(Rect{100, 50, 400, 300});
    auto* edit =
        static_cast<Edit*>(parent.AddChild(std::make_unique<Edit>(), 1002, Rect{10, 20, 110, 40}));
    edit->SetText("あいう");
    c.make(*edit);
    if (c.shows) session.user().ChooseMenuItem(0).ChooseMenuItem(0).ChooseMenuItem(0);
    (void)edit->OnKey(Down(kKeyMenu));
    (void)edit->OnKey(Down(kKeyF10, kModShift));
    (void)edit->OnMouse(RightButton(MouseEvent::Kind::kUp));
    EXPECT_TRUE(session.errors().empty());
    ASSERT_EQ(session.menus().size(), c.shows ? 3u : 0u);
    if (c.shows) {
      EXPECT_EQ(session.menus()[0].at, (Point{160, 80}));
      EXPECT_EQ(session.menus()[1].at, (Point{160, 80}));
    }
    EXPECT_EQ(edit->text(), "あいう");
  }
}

TEST(EditTest, CaretKeysMoveByTextLineAndWhole) {
  struct Case {
    const char* name;
    bool multi_line;
    int from_start, from_end;  // selection before the key
    int key;
    uint8_t modifiers;
    std::pair<int, int> after;
  };
  // "あいう\nかき\nさしすせ": lines at 0-3, 4-6 and 7-11 (each end is its line break or the end).
  const Case cases[] = {
      {"Ctrl+Home goes to the start of the text", true, 9, 9, kKeyHome, kModCtrl, {0, 0}},
      {"Ctrl+End goes to the end of the text", true, 1, 1, kKeyEnd, kModCtrl, {11, 11}},
      {"Shift+Ctrl+End selects to the end", true, 2, 2, kKeyEnd, kModCtrl | kModShift, {2, 11}},
      {"Shift+Ctrl+Home selects to the start", true, 5, 6, kKeyHome, kModCtrl | kModShift, {0, 6}},
      {"Ctrl+Home in a one-line edit", false, 2, 2, kKeyHome, kModCtrl, {0, 0}},
      {"Home keeps to the caret's line", true, 5, 5, kKeyHome, 0, {4, 4}},
      {"End keeps to the caret's line", true, 5, 5, kKeyEnd, 0, {6, 6}},
      {"Up takes the column to the line before", true, 8, 8, kKeyUp, 0, {5, 5}},
      {"Up from a longer line stops at the shorter line's end", true, 10, 10, kKeyUp, 0, {6, 6}},
      {"Down takes the column to the line after", true, 5, 5, kKeyDown, 0, {8, 8}},
      {"Up on the first line stays", true, 2, 2, kKeyUp, 0, {2, 2}},
      {"Down on the last line stays", true, 9, 9, kKeyDown, 0, {9, 9}},
      {"Shift+Down selects to the line after", true, 1, 1, kKeyDown, kModShift, {1, 5}},
      {"Home in a one-line edit goes to the start", false, 9, 9, kKeyHome, 0, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 2037, c.multi_line ? kStyleMultiLine : 0u);
    edit->SetText(c.multi_line ? "あいう\nかき\nさしすせ" : "あいう かき さしすせ");
    edit->SetSel(c.from_start, c.from_end);
    EXPECT_TRUE(edit->OnKey(Down(c.key, c.modifiers)));
    EXPECT_EQ(edit->GetSel(), c.after);
  }
}

TEST(EditTest, UpAndDownAreLeftToOthersInAOneLineEdit) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 2038);
  edit->SetText("50");
  EXPECT_FALSE(edit->OnKey(Down(kKeyUp)));
  EXPECT_FALSE(edit->OnKey(Down(kKeyDown)));
}

TEST(EditTest, LimitAndSingleLineRefuseWhatDoesNotFit) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 2038);
  edit->SetLimitText(2);
  edit->OnKey(Char(U'9'));
  edit->OnKey(Char(U'9'));
  edit->OnKey(Char(U'9'));
  edit->OnKey(Down(kKeyReturn));
  EXPECT_EQ(edit->text(), "99");
  edit->SetSel(0, 1);  // a selection makes room
  edit->OnKey(Char(U'1'));
  EXPECT_EQ(edit->text(), "19");
}

TEST(EditTest, SelectionByteOffsetsOfTheScriptEncoding) {
  struct Case {
    Encoding encoding;
    std::string bytes;     // script text
    size_t start, end;     // byte offsets to select
    std::string selected;  // UTF-8 of the selection
  };
  // clang-format off
  const Case cases[] = {
      {Encoding::kShiftJis, "KV#J\x82\xa9\x82\xc8", 4, 6, "か"},
      {Encoding::kShiftJis, "KV#J\x82\xa9\x82\xc8", 6, 8, "な"},
      {Encoding::kShiftJis, "\x82\xa9" "a\x82\xc8", 2, 5, "aな"},
      {Encoding::kEucKr, "\xb0\xa1" "b", 0, 2, "가"},
      {Encoding::kGb2312, "\xc4\xe3" "1", 0, 3, "你1"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 2037, kStyleMultiLine);
    ASSERT_TRUE(edit->SetScriptText(c.encoding, c.bytes));
    edit->SetSelBytes(c.encoding, c.start, c.end);
    EXPECT_EQ(edit->SelectedText(), c.selected);
    EXPECT_EQ(edit->GetSelBytes(c.encoding), (std::pair{c.start, c.end}));
    TextResult back = edit->ScriptText(c.encoding);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.text, c.bytes);
  }
}

TEST(EditTest, UndecodableScriptLeavesTheTextAlone) {
  HeadlessSession session;
  Parent parent;
  auto* edit = Add<Edit>(parent, 2037);
  edit->SetText("old");
  EXPECT_FALSE(edit->SetScriptText(Encoding::kShiftJis, "\x82"));  // a lead byte without trail
  EXPECT_EQ(edit->text(), "old");
}

TEST(ButtonTest, ClicksToggleChecksAndRadioGroups) {
  HeadlessSession session;
  Parent parent;
  auto* check = Add<Button>(parent, 2059, ControlKind::kCheckBox);
  auto* speak = Add<Button>(parent, 185, ControlKind::kRadioButton, kStyleGroup);
  auto* sing = Add<Button>(parent, 184, ControlKind::kRadioButton);
  auto* other = Add<Button>(parent, 300, ControlKind::kRadioButton, kStyleGroup);
  other->SetCheck(1);
  speak->SetCheck(1);
  check->Activate();
  sing->Activate();
  EXPECT_EQ(check->check(), 1);
  EXPECT_EQ(speak->check(), 0);
  EXPECT_EQ(sing->check(), 1);
  EXPECT_EQ(other->check(), 1);  // another group
  check->Enable(false);
  check->Activate();
  EXPECT_EQ(check->check(), 1);
  EXPECT_EQ(parent.log, (std::vector<std::string>{"2059:0", "184:0"}));
}

TEST(ComboBoxTest, EntriesAndSelection) {
  HeadlessSession session;
  Parent parent;
  auto* combo = Add<ComboBox>(parent, 164);
  for (const char* item : {"+1", "0", "-1"}) combo->AddString(item);
  EXPECT_TRUE(combo->SetCurSel(1));
  EXPECT_EQ(combo->text(), "0");
  EXPECT_FALSE(combo->SetCurSel(7));
  EXPECT_EQ(combo->cur_sel(), -1);
  combo->UserSelect(2);
  combo->UserSelect(2);  // the same entry again: no notice
  combo->InsertString(0, "+2");
  EXPECT_EQ(combo->cur_sel(), 3);
  EXPECT_EQ(parent.log, (std::vector<std::string>{"164:2"}));
}

TEST(RangeControlTest, TrackbarAndScrollBarReportUserActions) {
  HeadlessSession session;
  Parent parent;
  auto* slider = Add<Trackbar>(parent, 136);
  slider->SetRange(0, 127);
  slider->SetPos(200);
  EXPECT_EQ(slider->pos(), 127);
  slider->UserMove(ScrollCode::kThumbTrack, 100);
  auto* bar = Add<ScrollBar>(parent, 173, false);
  bar->SetRange(0, 2097135);  // ranges past 16 bits
  bar->SetPos(1500000);
  EXPECT_EQ(bar->pos(), 1500000);
  bar->UserScroll(ScrollCode::kLineDown);
  bar->UserScroll(ScrollCode::kThumbTrack, 3000000);
  EXPECT_EQ(bar->pos(), 1500000);  // the parent moves the bar, not the user
  EXPECT_EQ(parent.log, (std::vector<std::string>{"136 scroll 5 100", "173 scroll 1 1500000",
                                                  "173 scroll 5 2097135"}));
}

TEST(RangeControlTest, ScrollBarMouseActions) {
  struct Case {
    const char* name;
    int down_x, up_x;
    std::vector<std::string> log;
  };
  // A 200 x 16 bar: arrows 16 px, track 168 px, thumb 16 px at position 0 of 0..1000.
  // clang-format off
  const Case cases[] = {
      {"left arrow", 5, 5, {"173 scroll 0 0", "173 scroll 8 0"}},
      {"right arrow", 195, 195, {"173 scroll 1 0", "173 scroll 8 0"}},
      {"track right of the thumb", 100, 100, {"173 scroll 3 0", "173 scroll 8 0"}},
      {"thumb dragged to the end", 20, 190, {"173 scroll 5 1000", "173 scroll 4 1000", "173 scroll 8 0"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessSession session;
    Parent parent;
    auto* bar = static_cast<ScrollBar*>(
        parent.AddChild(std::make_unique<ScrollBar>(false), 173, Rect{0, 0, 200, 16}));
    bar->SetRange(0, 1000);
    bar->OnMouse(MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, {c.down_x, 8}));
    if (c.down_x != c.up_x)
      bar->OnMouse(MouseEvent::At(MouseEvent::Kind::kMove, MouseButton::kNone, {c.up_x, 8}));
    bar->OnMouse(MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, {c.up_x, 8}));
    EXPECT_EQ(parent.log, c.log);
  }
}

// A spin that fills an empty buddy with its lower end instead of stepping.
class FillingSpin : public Spin {
 public:
  FillingSpin() : Spin(kStyleBuddyInt) {}

 protected:
  bool OnDeltaPos(int, int) override {
    if (!buddy()->text().empty()) return false;
    buddy()->SetText(std::to_string(lower()));
    return true;
  }
};

TEST(SpinTest, StepsTheBuddyNumberWithinTheRange) {
  struct Case {
    const char* buddy_text;
    int delta;
    const char* after;
  };
  const Case cases[] = {
      {"50", 1, "51"}, {"50", -1, "49"}, {"99", 1, "99"}, {"", 1, "1"}, {"7", -1, "6"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buddy_text);
    HeadlessSession session;
    Parent parent;
    auto* edit = Add<Edit>(parent, 2047);
    auto* spin = Add<FillingSpin>(parent, 2048);
    spin->SetBuddy(edit);
    spin->SetRange(1, 99);
    edit->SetText(c.buddy_text);
    spin->UserStep(c.delta);
    EXPECT_EQ(edit->text(), c.after);
  }
}

TEST(ListViewTest, ColumnsAndRows) {
  HeadlessSession session;
  Parent parent;
  auto* list = Add<ListView>(parent, 1011);
  list->InsertColumn(0, "File Name", 135);
  list->InsertColumn(1, "Version", 60);
  const int row = list->InsertItem(list->item_count(), "Vtr_wtp.so");
  EXPECT_TRUE(list->SetItemText(row, 1, "1, 0, 2"));
  EXPECT_FALSE(list->SetItemText(row, 5, "x"));
  EXPECT_EQ(list->ItemText(0, 0), "Vtr_wtp.so");
  EXPECT_EQ(list->ItemText(0, 1), "1, 0, 2");
  EXPECT_EQ(list->ItemText(3, 0), "");
  auto lines = session.Paint(*list);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "text 4,17 133,34 \"Vtr_wtp.so\" 000000"),
            lines.end());
}

// A list with more rows than fit under its header shows a scroll bar at its right edge, and
// the bar scrolls the rows by line, by page and by its thumb; the wheel moves the bar too.
TEST(ListViewTest, MoreRowsThanFitBringAScrollBar) {
  HeadlessSession session;
  Parent parent;
  auto* list = static_cast<ListView*>(parent.AddChild(
      std::make_unique<ListView>(), 1011, Rect::FromSize(0, 0, 200, 4 * ListView::kRowHeight)));
  list->InsertColumn(0, "File Name", 135);
  for (int i = 0; i < 2; ++i)
    list->InsertItem(list->item_count(), "Vtr_" + std::to_string(i) + ".so");
  ScrollBar* bar = list->scroll_bar();
  EXPECT_FALSE(bar->visible()) << "two rows fit under the header";
  for (int i = 2; i < 8; ++i)
    list->InsertItem(list->item_count(), "Vtr_" + std::to_string(i) + ".so");
  ASSERT_TRUE(bar->visible());
  EXPECT_EQ(bar->rect(), (Rect{200 - ListView::kScrollBarWidth, ListView::kRowHeight, 200,
                               4 * ListView::kRowHeight}));
  EXPECT_EQ(bar->maximum(), 5);  // 8 rows, 3 shown

  struct Step {
    ScrollCode code;
    int pos;
    int first;
  };
  // clang-format off
  const Step steps[] = {
      {ScrollCode::kLineDown, 0, 1}, {ScrollCode::kPageDown, 0, 4}, {ScrollCode::kLineDown, 0, 5},
      {ScrollCode::kLineDown, 0, 5}, {ScrollCode::kLineUp, 0, 4},   {ScrollCode::kThumbTrack, 2, 2},
      {ScrollCode::kPageUp, 0, 0},
  };
  // clang-format on
  for (const Step& step : steps) {
    bar->UserScroll(step.code, step.pos);
    EXPECT_EQ(list->first_visible(), step.first) << static_cast<int>(step.code);
    EXPECT_EQ(bar->pos(), step.first);
  }
  MouseEvent wheel = MouseEvent::At(MouseEvent::Kind::kWheel, MouseButton::kNone, {50, 40});
  wheel.wheel_delta = -120;  // three rows towards the end
  list->OnMouse(wheel);
  EXPECT_EQ(bar->pos(), 3);
  auto lines = session.Paint(*list);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "text 4,17 133,34 \"Vtr_3.so\" 000000"),
            lines.end());

  list->DeleteAllItems();
  EXPECT_FALSE(bar->visible());
  EXPECT_EQ(list->first_visible(), 0);
}

TEST(MenuButtonTest, TextPartClicksAndArrowDropsDown) {
  HeadlessSession session;
  Parent parent;
  auto* button = static_cast<MenuButton*>(
      parent.AddChild(std::make_unique<MenuButton>(), 32841, Rect{0, 0, 100, 24}));
  EXPECT_EQ(button->text_part(), (Rect{0, 0, 80, 24}));
  EXPECT_EQ(button->arrow_part(), (Rect{80, 0, 100, 24}));
  auto press = [&](Point p) {
    button->OnMouse(MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, p));
    button->OnMouse(MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, p));
  };
  press({90, 10});
  press({10, 10});
  EXPECT_EQ(parent.log, (std::vector<std::string>{"32841:3", "32841:0"}));
}

TEST(ImageButtonTest, ShowsTheImageOfItsState) {
  HeadlessSession session;
  Parent parent;
  auto* button = Add<ImageButton>(parent, 1000);
  ImageButton::Images images;
  images.normal = Image(76, 83, 1);
  images.hover = Image(76, 83, 2);
  images.pressed = Image(76, 83, 3);
  images.key = 0xFF00FF;
  button->SetImages(images);
  ASSERT_TRUE(button->FitToImage());
  EXPECT_EQ(button->rect().width(), 76);
  EXPECT_EQ(button->CurrentImage()->at(0, 0), 1u);
  button->OnMouseEnter();
  EXPECT_EQ(button->CurrentImage()->at(0, 0), 2u);
  button->OnMouse(MouseEvent::At(MouseEvent::Kind::kDown, MouseButton::kLeft, {5, 5}));
  EXPECT_EQ(button->CurrentImage()->at(0, 0), 3u);
  button->OnMouse(MouseEvent::At(MouseEvent::Kind::kUp, MouseButton::kLeft, {5, 5}));
  button->OnMouseLeave();
  button->Enable(false);  // no disabled image: the normal one shows
  EXPECT_EQ(button->CurrentImage()->at(0, 0), 1u);
  EXPECT_EQ(parent.log, (std::vector<std::string>{"1000:0"}));
}

TEST(ShapedButtonTest, OnlyTheNonKeyPixelsOfTheFirstFrameBelongToIt) {
  HeadlessSession session;
  Parent parent;
  auto* button = Add<ShapedButton>(parent, 1);
  Image image(4, 6, 0xFF00FF);  // two frames of 4 x 3; key colour at (0,0)
  image.set(1, 0, 0x000000);
  image.set(2, 0, 0x000000);
  image.set(0, 2, 0x111111);
  image.set(3, 4, 0x222222);  // second frame only
  ASSERT_TRUE(button->SetShapeImage(image, 2));
  EXPECT_EQ(button->rect().height(), 3);
  EXPECT_EQ(button->shape().rects(), (std::vector<Rect>{{1, 0, 3, 1}, {0, 2, 1, 3}}));
  EXPECT_TRUE(button->HitTest({1, 0}));
  EXPECT_FALSE(button->HitTest({0, 0}));
  EXPECT_FALSE(button->HitTest({3, 1}));  // row of key colour only
}

}  // namespace
}  // namespace vtr::platform
