// The edit: its text and selection, the keys, the clipboard and one step of undo.
#include <algorithm>

#include "platform/window/controls.h"
#include "platform/window/internal/system.h"
#include "platform/window/window_system.h"

namespace vtr::platform {
namespace {

// Byte offset of character `chars` in UTF-8 text (the size for offsets past the end).
size_t Utf8ByteOfChar(std::string_view s, int chars) {
  size_t i = 0;
  for (int n = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
    if (n == chars) return i;
    ++n;
  }
  return s.size();
}

int Utf8Length(std::string_view s) {
  int n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

std::string EncodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The line of multi-line text holding character `pos`: its first character and the character
// after its last (its '\n', or the end of the text), in characters.
struct LineSpan {
  int start = 0;
  int end = 0;
};
LineSpan LineAt(std::string_view s, int pos) {
  LineSpan line;
  int n = 0;
  for (unsigned char c : s) {
    if ((c & 0xC0) == 0x80) continue;
    if (c == '\n') {
      if (n >= pos) {
        line.end = n;
        return line;
      }
      line.start = n + 1;
    }
    ++n;
  }
  line.end = n;
  return line;
}

EditMenuTexts& MenuTexts() {
  static EditMenuTexts* texts = new EditMenuTexts();  // one for the process, as the language is
  return *texts;
}

}  // namespace

void SetEditMenuTexts(EditMenuTexts texts) { MenuTexts() = std::move(texts); }

const EditMenuTexts& GetEditMenuTexts() { return MenuTexts(); }

// Edit ------------------------------------------------------------------------------------

void Edit::SetText(std::string_view utf8) {
  if (utf8 != text()) NoteEdit(0, text().size(), utf8.size());
  Window::SetText(utf8);
  undo_.reset();
  sel_start_ = sel_end_ = 0;
  sel_start_byte_ = sel_end_byte_ = 0;
  Changed();
}

bool Edit::SetScriptText(Encoding encoding, std::string_view bytes) {
  TextResult shown = ToUtf8(encoding, bytes);
  if (!shown.ok()) return false;
  SetText(shown.text);
  return true;
}

TextResult Edit::ScriptText(Encoding encoding) const { return FromUtf8(encoding, text()); }

int Edit::length() const { return Utf8Length(text()); }

void Edit::SetSel(int start, int end) {
  const int n = length();
  if (end < 0 || end > n) end = n;
  start = std::clamp(start, 0, n);
  if (start > end) std::swap(start, end);
  sel_start_ = start;
  sel_end_ = end;
  sel_start_byte_ = Utf8ByteOfChar(text(), start);
  sel_end_byte_ = sel_start_byte_ +
                  Utf8ByteOfChar(std::string_view(text()).substr(sel_start_byte_), end - start);
  Changed();
}

void Edit::SetSelBytes(Encoding encoding, size_t start, size_t end) {
  TextResult bytes = ScriptText(encoding);
  const int s = static_cast<int>(CharOffsetOfByte(encoding, bytes.text, start));
  const int e = static_cast<int>(CharOffsetOfByte(encoding, bytes.text, end));
  SetSel(s, e);
}

std::pair<size_t, size_t> Edit::GetSelBytes(Encoding encoding) const {
  TextResult bytes = ScriptText(encoding);
  return {ByteOffsetOfChar(encoding, bytes.text, static_cast<size_t>(sel_start_)),
          ByteOffsetOfChar(encoding, bytes.text, static_cast<size_t>(sel_end_))};
}

std::string Edit::SelectedText() const {
  return text().substr(sel_start_byte_, sel_end_byte_ - sel_start_byte_);
}

void Edit::ReplaceSel(std::string_view utf8) {
  const size_t a = sel_start_byte_;
  const size_t b = sel_end_byte_;
  undo_ = UndoState{a, utf8.size(), text().substr(a, b - a), sel_start_, sel_end_, a, b};
  sel_start_ = sel_end_ = sel_start_ + Utf8Length(utf8);
  sel_start_byte_ = sel_end_byte_ = a + utf8.size();
  NoteEdit(a, b - a, utf8.size());
  ReplaceText(a, b - a, utf8);
}

void Edit::ScrollCaret() {
  ++scroll_requests_;
  Changed();
}

void Edit::SetReadOnly(bool read_only) {
  set_style(read_only ? (style() | kStyleReadOnly) : (style() & ~kStyleReadOnly));
  Changed();
}

bool Edit::UserReplaceSel(std::string_view utf8) {
  if (locked_ || read_only()) return false;
  if (!has_style(kStyleMultiLine) && utf8.find('\n') != std::string_view::npos) {
    return UserReplaceSel(utf8.substr(0, utf8.find('\n')));
  }
  if (limit_ > 0 && length() - (sel_end_ - sel_start_) + Utf8Length(utf8) > limit_) return false;
  if (utf8.empty() && sel_start_ == sel_end_) return false;
  ReplaceSel(utf8);
  Notify(Notice::kChange);
  return true;
}

void Edit::Copy() {
  if (sel_start_ != sel_end_) SetClipboardText(SelectedText());
}

void Edit::Cut() {
  if (locked_ || read_only() || sel_start_ == sel_end_) return;
  Copy();
  UserReplaceSel("");
}

void Edit::Paste() {
  if (locked_ || read_only() || !IsEnabled()) return;
  internal::System::Get().backend().RequestClipboard(*this);
}

void Edit::ReceivePaste(std::string_view utf8) {
  if (locked_ || read_only() || !IsEnabled()) return;
  // A C string, as the desktop's text formats are: nothing after a NUL counts.
  utf8 = utf8.substr(0, utf8.find('\0'));
  std::string text;
  text.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    if (utf8[i] != '\r') {
      text += utf8[i];
    } else if (i + 1 == utf8.size() || utf8[i + 1] != '\n') {
      text += '\n';  // a lone CR ends a line too
    }
  }
  TextResult shown = ToUtf8(encoding_, FromUtf8Replacing(encoding_, text));
  if (!shown.ok() || shown.text.empty()) return;
  OnPaste(shown.text);
}

void Edit::OnPaste(std::string_view utf8) { (void)UserReplaceSel(utf8); }

void Edit::Undo() {
  if (locked_ || read_only() || !undo_) return;
  // Undo is undone by the next one: the undo state becomes the way back.
  UndoState back{undo_->start, undo_->text.size(), text().substr(undo_->start, undo_->length),
                 sel_start_,   sel_end_,           sel_start_byte_,
                 sel_end_byte_};
  sel_start_ = undo_->sel_start;
  sel_end_ = undo_->sel_end;
  sel_start_byte_ = undo_->sel_start_byte;
  sel_end_byte_ = undo_->sel_end_byte;
  const UndoState now = std::exchange(*undo_, std::move(back));
  NoteEdit(now.start, now.length, now.text.size());
  ReplaceText(now.start, now.length, now.text);
  Notify(Notice::kChange);
}

Menu Edit::ContextMenu() const {
  const EditMenuTexts& texts = GetEditMenuTexts();
  const bool selected = sel_start_ != sel_end_;
  auto item = [](int id, const std::string& text, bool grayed) {
    MenuItem entry = MenuItem::Command(id, text);
    entry.grayed = grayed;
    return entry;
  };
  return Menu({item(kMenuUndo, texts.undo, !CanUndo() || read_only()), MenuItem::Separator(),
               item(kMenuCut, texts.cut, !selected || read_only()),
               item(kMenuCopy, texts.copy, !selected), item(kMenuPaste, texts.paste, read_only()),
               item(kMenuDelete, texts.del, !selected || read_only()), MenuItem::Separator(),
               item(kMenuSelectAll, texts.select_all, sel_start_ == 0 && sel_end_ == length())});
}

void Edit::ShowContextMenu(Point at) {
  if (locked_ || !IsEnabled()) return;
  if (!HasFocus()) SetFocus();
  void* const alive = handle();
  const int command = TrackPopupMenu(this, ContextMenu(), at);
  if (FromHandle(alive) == nullptr) return;  // gone with its dialog while the menu showed
  switch (command) {
    case kMenuUndo:
      Undo();
      return;
    case kMenuCut:
      Cut();
      return;
    case kMenuCopy:
      Copy();
      return;
    case kMenuPaste:
      Paste();
      return;
    case kMenuDelete:
      (void)UserReplaceSel("");
      return;  // Delete's road with a selection
    case kMenuSelectAll:
      SelectAll();
      ScrollCaret();
      return;
    default:
      return;
  }
}

bool Edit::OnKey(const KeyEvent& event) {
  if (locked_) return true;
  if (event.kind == KeyEvent::Kind::kChar) {
    if (event.ch < 0x20 && event.ch != '\n') return true;  // control characters type nothing
    if (event.ch == '\n' && !has_style(kStyleMultiLine)) return true;
    UserReplaceSel(EncodeUtf8(event.ch));
    return true;
  }
  if (event.kind != KeyEvent::Kind::kDown) return false;
  const bool ctrl = event.modifiers & kModCtrl;
  const bool shift = event.modifiers & kModShift;
  // Counted only for the keys that need it: every key down comes here, those that type too.
  std::optional<int> counted;
  auto chars = [&] {
    if (!counted) counted = length();
    return *counted;
  };
  auto move = [&](int caret) {
    caret = std::clamp(caret, 0, chars());
    if (shift) {
      SetSel(std::min(sel_start_, caret), std::max(sel_end_, caret));
    } else {
      SetSel(caret, caret);
    }
  };
  if (shift && !ctrl && event.key == kKeyInsert) {
    Paste();
    return true;
  }
  if ((event.key == kKeyMenu && !ctrl) || (shift && !ctrl && event.key == kKeyF10)) {
    const Rect box = client_rect();
    ShowContextMenu(ClientToScreen(Point{box.width() / 2, box.height() / 2}));
    return true;
  }
  if (ctrl) {
    switch (event.key) {
      case 'C':
        Copy();
        return true;
      case 'X':
        Cut();
        return true;
      case 'V':
        Paste();
        return true;
      case 'Z':
        Undo();
        return true;
      case kKeyHome:
        move(0);
        return true;
      case kKeyEnd:
        move(chars());
        return true;
      default:
        return false;
    }
  }
  // In a multi-line edit Home and End keep to the caret's line, and Up and Down go to the
  // same column of the line before or after (as far as that line reaches).
  if (has_style(kStyleMultiLine)) {
    switch (event.key) {
      case kKeyHome:
        move(LineAt(text(), sel_start_).start);
        return true;
      case kKeyEnd:
        move(LineAt(text(), sel_end_).end);
        return true;
      case kKeyUp: {
        const LineSpan line = LineAt(text(), sel_start_);
        if (line.start == 0) {
          move(sel_start_);
        } else {
          const LineSpan before = LineAt(text(), line.start - 1);
          move(before.start + std::min(sel_start_ - line.start, before.end - before.start));
        }
        return true;
      }
      case kKeyDown: {
        const LineSpan line = LineAt(text(), sel_end_);
        if (line.end == chars()) {
          move(sel_end_);
        } else {
          const LineSpan after = LineAt(text(), line.end + 1);
          move(after.start + std::min(sel_end_ - line.start, after.end - after.start));
        }
        return true;
      }
      default:
        break;
    }
  }
  switch (event.key) {
    case kKeyBack:
      if (sel_start_ == sel_end_ && sel_start_ > 0) SetSel(sel_start_ - 1, sel_end_);
      UserReplaceSel("");
      return true;
    case kKeyDelete:
      if (sel_start_ == sel_end_ && sel_end_ < chars()) SetSel(sel_start_, sel_end_ + 1);
      UserReplaceSel("");
      return true;
    case kKeyLeft:
      move(sel_start_ == sel_end_ || shift ? sel_start_ - 1 : sel_start_);
      return true;
    case kKeyRight:
      move(sel_start_ == sel_end_ || shift ? sel_end_ + 1 : sel_end_);
      return true;
    case kKeyHome:
      move(0);
      return true;
    case kKeyEnd:
      move(chars());
      return true;
    case kKeyReturn:
      if (has_style(kStyleMultiLine)) {
        UserReplaceSel("\n");
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool Edit::OnMouse(const MouseEvent& event) {
  // The menu comes when the right button goes up, as a context menu does on the desktop.
  if (event.button == MouseButton::kRight && event.kind == MouseEvent::Kind::kUp) {
    ShowContextMenu(event.screen);
  }
  return true;
}

}  // namespace vtr::platform
