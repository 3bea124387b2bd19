#include "wave2script/dialogs/intonation/change_hiragana_dialog.h"

#include "platform/text.h"
#include "platform/window/controls.h"
#include "platform/window/dialog_template.h"
#include "resources/resources.h"
#include "wave2script/core/show_message.h"
#include "wave2script/core/syllable_list.h"

namespace vtr::w2s {

namespace {

platform::DialogTemplate Template() {
  const platform::DialogTemplate* found =
      resources::FindDialog(resources::Module::kWaveToScript, kChangeHiraganaTemplate);
  return found != nullptr ? *found : platform::DialogTemplate{};
}

}  // namespace

ChangeHiraganaDialog::ChangeHiraganaDialog(platform::Window* owner) : Dialog(Template(), owner) {
  Bind(kChangeHiraganaEdit, platform::Notice::kChange, [this] {
    (void)FetchText();
    Item(platform::kIdOk)->Enable(!Item(kChangeHiraganaEdit)->text().empty());
  });
}

bool ChangeHiraganaDialog::OnInitDialog() {
  auto* edit = Item<platform::Edit>(kChangeHiraganaEdit);
  if (!edit->SetScriptText(platform::Encoding::kShiftJis, text_)) edit->SetText("");
  Item(platform::kIdOk)->Enable(!edit->text().empty());
  return true;
}

bool ChangeHiraganaDialog::FetchText() {
  platform::TextResult typed =
      Item<platform::Edit>(kChangeHiraganaEdit)->ScriptText(platform::Encoding::kShiftJis);
  if (!typed.ok()) return false;
  text_ = std::move(typed.text);
  return true;
}

void ChangeHiraganaDialog::OnOK() {
  std::string token;
  if (FetchText()) {
    token = text_;
    if (SyllableList::TakeToken(&token)) {
      text_ = token;
      (void)Item<platform::Edit>(kChangeHiraganaEdit)
          ->SetScriptText(platform::Encoding::kShiftJis, text_);
      EndDialog(platform::kIdOk);
      return;
    }
  }
  (void)ShowMessage(core::kMessageNothingToPlay);  // 504: no valid character
}

}  // namespace vtr::w2s
