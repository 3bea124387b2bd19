#include "scriptedit/dialog/number_edit.h"

#include <cstdint>

#include "platform/window/window_system.h"

namespace vtr::scriptedit {

void NumberEdit::SetRange(int minimum, int maximum) {
  if (minimum != minimum_ || maximum != maximum_) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
}

bool NumberEdit::Validate(std::string& text) const {
  if (text.empty()) return false;
  // Accumulated in 64 bits and capped, so a long run of digits cannot overflow: anything past
  // the cap lies outside every int range.
  constexpr int64_t kCap = int64_t{1} << 40;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
    if (value > kCap) value = kCap;
  }
  if (value < minimum_ || value > maximum_) return false;
  text = std::to_string(value);
  return true;
}

void NumberEdit::OnPaste(std::string_view utf8) {
  std::string clip(utf8);
  if (!Validate(clip)) return;
  SelectAll();
  (void)UserReplaceSel(clip);
}

bool NumberEdit::OnKey(const platform::KeyEvent& event) {
  using platform::KeyEvent;
  if (event.kind == KeyEvent::Kind::kChar) {
    if (event.ch == platform::kKeyBack) return platform::Edit::OnKey(event);
    const auto [start, end] = GetSel();
    if (start == end && max_digits_ > 0 && length() >= max_digits_) return true;
    if (event.ch < U'0' || event.ch > U'9') return true;
    return platform::Edit::OnKey(event);
  }
  if (event.kind == KeyEvent::Kind::kDown && event.key == platform::kKeyReturn) {
    std::string current = text();
    if (!Validate(current)) SetText("");
    return false;  // the dialog's own Enter handling follows
  }
  // Ctrl+C, V, X and Z reach Copy, Paste, Cut and Undo through the edit's key handling.
  return platform::Edit::OnKey(event);
}

void NumberEdit::OnFocus(bool gained) {
  platform::Edit::OnFocus(gained);
  if (gained) return;
  std::string current = text();
  if (!Validate(current)) SetText("");
  if (text().empty()) SetText(std::to_string(default_value_));
}

}  // namespace vtr::scriptedit
