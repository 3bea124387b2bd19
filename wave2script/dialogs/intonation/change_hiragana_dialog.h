// ChangeHiraganaDialog (template 178): lets the intonation graph replace the kana of one
// syllable. The text is script bytes (Shift-JIS); on OK it becomes the first kana token of
// what was typed (SyllableList::TakeToken), or message 504 is shown and the dialog stays open.
//
//   #include "wave2script/core/syllable_record.h"
//   // given: SyllableRecord record
//   ChangeHiraganaDialog dialog;
//   dialog.set_text(record.text);
//   if (dialog.DoModal() == platform::kIdOk) record.text = dialog.text();
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_CHANGE_HIRAGANA_DIALOG_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_CHANGE_HIRAGANA_DIALOG_H_

#include <string>
#include <string_view>

#include "platform/window/dialog.h"

namespace vtr::w2s {

// Ids of the template.
inline constexpr int kChangeHiraganaTemplate = 178;
inline constexpr int kChangeHiraganaEdit = 179;

class ChangeHiraganaDialog : public platform::Dialog {
 public:
  explicit ChangeHiraganaDialog(platform::Window* owner = nullptr);

  // The hiragana text in Shift-JIS; empty after construction.
  [[nodiscard]] const std::string& text() const { return text_; }
  void set_text(std::string_view sjis) { text_ = std::string(sjis); }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  // Fetches the edit's text into text_ (false when it cannot be written in Shift-JIS).
  bool FetchText();

  std::string text_;
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_CHANGE_HIRAGANA_DIALOG_H_
