// Shows the intonation graph in the intonation edit dialog's template, for checking it by eye:
//   vtr_intonation_graph_demo                 (a sample script)
//   vtr_intonation_graph_demo "KV#J..."       (a KV#J script, typed as UTF-8)
// Drag markers and boundaries, Ctrl+click to select, right-click for the menu; Ctrl+Z / Ctrl+Y
// undo and redo, Ctrl+arrows move the selection, Ctrl+Enter changes the selected hiragana.
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "platform/window/dialog.h"
#include "platform/window/window_system.h"
#include "resources/resources.h"
#include "wave2script/core/syllable_list.h"
#include "wave2script/dialogs/intonation/intonation_graph_wnd.h"

namespace {

using vtr::platform::KeyEvent;
using vtr::w2s::CIntonationGraphWnd;

class Demo : public vtr::platform::Dialog {
 public:
  Demo(const vtr::platform::DialogTemplate& t, vtr::w2s::SyllableArray records)
      : Dialog(t), records_(std::move(records)) {}

  bool PreTranslateKey(const KeyEvent& event, vtr::platform::Window* target) override {
    if (graph_ == nullptr || graph_->dragging() || event.kind != KeyEvent::Kind::kDown ||
        !(event.modifiers & vtr::platform::kModCtrl)) {
      return Dialog::PreTranslateKey(event, target);
    }
    switch (event.key) {
      case 'Z':
        return graph_->Undo();
      case 'Y':
        return graph_->Redo();
      case vtr::platform::kKeyUp:
        return graph_->RaiseSelection();
      case vtr::platform::kKeyDown:
        return graph_->LowerSelection();
      case vtr::platform::kKeyRight:
        return graph_->SelectNext();
      case vtr::platform::kKeyLeft:
        return graph_->SelectPrevious();
      case vtr::platform::kKeyReturn:
        graph_->ChangeSelectedHiragana();
        return true;
      default:
        return Dialog::PreTranslateKey(event, target);
    }
  }

  void OnScroll(int id, vtr::platform::ScrollCode code, int pos) override {
    using vtr::platform::ScrollCode;
    auto* bar = Item<vtr::platform::ScrollBar>(id);
    if (graph_ == nullptr || bar == nullptr) return;
    const bool horizontal = id == vtr::w2s::kGraphHScrollId;
    const int line = horizontal ? 20 : 5;
    const int page = horizontal ? 240 : 50;
    int next = bar->pos();
    switch (code) {
      case ScrollCode::kLineUp:
        next -= line;
        break;
      case ScrollCode::kLineDown:
        next += line;
        break;
      case ScrollCode::kPageUp:
        next -= page;
        break;
      case ScrollCode::kPageDown:
        next += page;
        break;
      case ScrollCode::kThumbTrack:
      case ScrollCode::kThumbPosition:
        next = pos;
        break;
      default:
        return;
    }
    bar->SetPos(next);
    if (horizontal) graph_->model().set_hpos(bar->pos());
    if (!horizontal) graph_->model().set_vpos(bar->pos());
    graph_->Invalidate();
  }

 protected:
  bool OnInitDialog() override {
    graph_ = CIntonationGraphWnd::Create(*this, vtr::w2s::kIntonationGraphId,
                                         [] { std::puts("graph changed"); });
    if (graph_ == nullptr) return true;
    (void)graph_->SetSyllables(records_);
    const int vmax = vtr::w2s::kGraphHeight - graph_->client_rect().height();
    graph_->model().SetVerticalRange(0, vmax);
    graph_->model().set_vpos(vmax / 2);
    Item<vtr::platform::ScrollBar>(vtr::w2s::kGraphVScrollId)->SetRange(0, vmax);
    Item<vtr::platform::ScrollBar>(vtr::w2s::kGraphVScrollId)->SetPos(vmax / 2);
    graph_->model().SetHorizontalRange(0, graph_->GetScrollMax());
    Item<vtr::platform::ScrollBar>(vtr::w2s::kGraphHScrollId)->SetRange(0, graph_->GetScrollMax());
    return true;
  }

 private:
  vtr::w2s::SyllableArray records_;
  CIntonationGraphWnd* graph_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string typed =
      argc > 1 ? argv[1] : "KV#Jこ'ん'2に_ち>わ、き<ょ'う_は$2い>い<て'ん_き。";
  const vtr::platform::TextResult script =
      vtr::platform::FromUtf8(vtr::platform::Encoding::kShiftJis, typed);
  vtr::w2s::SyllableList list;
  vtr::w2s::SyllableArray records;
  if (!script.ok() || list.SetScript(0x52100000, script.text) != 0 ||
      list.GetSyllables(&records) != 0) {
    std::fprintf(stderr, "not a KV#J script the syllable list reads: %s\n", typed.c_str());
    return 1;
  }
  if (!vtr::platform::UseFltkBackend()) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  const vtr::platform::DialogTemplate* t =
      vtr::resources::FindDialog(vtr::resources::Module::kWaveToScript, 141);
  if (t == nullptr) return 1;
  Demo demo(*t, std::move(records));
  return demo.DoModal() == vtr::platform::kIdOk ? 0 : 2;
}
