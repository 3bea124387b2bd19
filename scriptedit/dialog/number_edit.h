// NumberEdit: a one-line edit that holds a whole number within a range and can never be left
// holding anything else. Only digits can be typed (at most max_digits() into an empty
// selection), a paste is taken only when it is a valid number, and a field that holds no valid
// number when the focus leaves is emptied and then shows its default value.
//
//   #include "platform/window/dialog.h"
//   // given: platform::Dialog& dialog
//   auto* speed = static_cast<NumberEdit*>(
//       dialog.ReplaceChild(2038, std::make_unique<NumberEdit>()));
//   speed->set_max_digits(2);
//   speed->SetRange(0, 99);
//   speed->set_default_value(50);
//   speed->SetText("50");
#ifndef VTR_SCRIPTEDIT_DIALOG_NUMBER_EDIT_H_
#define VTR_SCRIPTEDIT_DIALOG_NUMBER_EDIT_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/window/controls.h"

namespace vtr::scriptedit {

class NumberEdit : public platform::Edit {
 public:
  explicit NumberEdit(uint32_t style = 0) : platform::Edit(style) {}

  // Stores both bounds when either differs from the stored ones.
  void SetRange(int minimum, int maximum);
  int minimum() const { return minimum_; }
  int maximum() const { return maximum_; }

  // Most characters typed into an empty selection; 0 (the start value) sets no limit.
  void set_max_digits(uint16_t digits) { max_digits_ = digits; }
  uint16_t max_digits() const { return max_digits_; }

  // The value written back when the field is left empty.
  void set_default_value(int value) { default_value_ = value; }
  int default_value() const { return default_value_; }

  // True when `text` is non-empty, made of the digits 0-9 only and its decimal value lies
  // within minimum()..maximum(); `text` is then rewritten as the plain value ("007" -> "7").
  // Otherwise false and `text` is left as it was.
  [[nodiscard]] bool Validate(std::string& text) const;

  // Characters: backspace passes; a non-digit, or a digit when nothing is selected and the
  // field is full, is dropped. Ctrl+C/V/X/Z copy, paste, cut and undo. Enter empties a field
  // that holds no valid number and goes on to the dialog.
  bool OnKey(const platform::KeyEvent& event) override;
  // Losing the focus empties an invalid field, and an empty field shows the default value.
  void OnFocus(bool gained) override;

 protected:
  // The pasted text replaces the whole field when it is a valid number (in its rewritten form),
  // as one step of undo; otherwise nothing changes.
  void OnPaste(std::string_view utf8) override;

 private:
  uint16_t max_digits_ = 0;
  int maximum_ = 0;
  int minimum_ = 0;
  int default_value_ = 0;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_DIALOG_NUMBER_EDIT_H_
