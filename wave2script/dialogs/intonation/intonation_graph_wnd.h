// CIntonationGraphWnd: the intonation graph of the intonation edit dialog (control 130 of
// template 141), painted through the window layer and edited with the mouse.
//
// The window owns one IntonationGraphModel and paints it: grid, syllable boundaries, the
// pitch and strength curves, the hiragana labels, and an information box for the point under
// the mouse. Mouse actions edit the model:
//   - a plain left click clears the selection (one undo step) and, on a marker or boundary,
//     drags it in a modal loop (capture, cursor clipped to the view); on release a boundary
//     snaps to the 20-unit grid; Escape, a right click or losing the capture cancels and
//     restores the graph exactly;
//   - Ctrl+left click selects pitch markers, strength markers or labels (the edit modes);
//   - a right click on a label offers change and delete (menu 180), on empty graph area add;
//   - a double-click on a label changes its hiragana (dialog 178), on empty area it swaps the
//     front curve.
// After every edit (add, change, delete, marker or boundary drag, raise, lower) the window
// calls the handler given at construction (the dialog's OnGraphChanged).
//
// Scrolling: the dialog sets the model's ranges and origins (model().SetVerticalRange,
// set_vpos, SetHorizontalRange, set_hpos) together with its bars 173 and 177, then calls
// Invalidate(). The window moves the bars' positions itself when a drag, a selection move,
// an undo or a redo changes an origin, and sets bar 173's range with the model's horizontal
// maximum (GetScrollMax()) after add, delete, undo, redo and a boundary drag.
//
//   // given: platform::Dialog& dialog; CIntonationGraphWnd* graph_; void OnGraphChanged()
//   // given: SyllableArray records
//   // in IntonationEditDialog::OnInitDialog (InitControls):
//   graph_ = CIntonationGraphWnd::Create(dialog, kIntonationGraphId, [] { OnGraphChanged(); });
//   (void)graph_->SetSyllables(records);     // ScriptToGraph
//   graph_->model().SetVerticalRange(0, kGraphHeight - graph_->client_rect().height());
//   // in PreTranslateKey, unless graph_->dragging(): Ctrl+Z -> graph_->Undo() ...
#ifndef VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_WND_H_
#define VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_WND_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "wave2script/core/syllable_record.h"
#include "wave2script/dialogs/intonation/intonation_graph_model.h"

namespace vtr::w2s {

// Control ids the graph works with in template 141.
inline constexpr int kIntonationGraphId = 130;
inline constexpr int kGraphHScrollId = 173;  // horizontal bar beside the graph
inline constexpr int kGraphVScrollId = 177;  // vertical bar beside the graph
// The context menu (resource 180) and its commands.
inline constexpr int kGraphMenuId = 180;
inline constexpr int kGraphCommandAdd = 181;
inline constexpr int kGraphCommandDelete = 182;
inline constexpr int kGraphCommandChange = 183;

// Colours and fonts of the painting (0x00BBGGRR) that the dialog also shows in its swatches.
inline constexpr platform::Color kGraphGridColor = 0xC0C0C0;
inline constexpr platform::Color kGraphZeroLineColor = 0x707070;
inline constexpr platform::Color kGraphSelectedPitchColor = 0x333399;
inline constexpr platform::Color kGraphSelectedStrengthColor = 0x004600;
inline constexpr platform::Color kGraphLabelColor = 0xFFF2F0;
inline constexpr platform::Color kGraphSelectedLabelColor = 0xFFB793;
inline constexpr platform::Color kGraphLabelFrameColor = 0xFF8F6B;
inline constexpr platform::Color kGraphInfoTextColor = 0x0000FF;
inline constexpr platform::Color kGraphInfoBackColor = 0xD4FFFF;
inline constexpr platform::Color kGraphDragPitchColor = 0xB4B4E6;
inline constexpr platform::Color kGraphDragStrengthColor = 0x7DFABE;
inline constexpr platform::Color kGraphDragBoundaryColor = 0xFFB793;

class CIntonationGraphWnd : public platform::CustomWindow {
 public:
  // `on_graph_changed` runs after every edit: add, change, delete, a marker or boundary drag
  // (also a cancelled one), raise and lower; not after undo and redo. May be empty.
  explicit CIntonationGraphWnd(std::function<void()> on_graph_changed = {});
  ~CIntonationGraphWnd() override;

  // Puts a new graph in place of control `id` of `dialog` (inside OnInitDialog, once the
  // controls exist), takes its client rectangle as the model's view and returns it; the
  // dialog owns it. nullptr when the dialog has no control `id`.
  static CIntonationGraphWnd* Create(platform::Dialog& dialog, int id,
                                     std::function<void()> on_graph_changed);

  IntonationGraphModel& model() { return model_; }
  const IntonationGraphModel& model() const { return model_; }

  // --- for the dialog; each repaints when it changed something ---------------------------
  int SetSyllables(const SyllableArray& records);
  [[nodiscard]] int GetSyllables(SyllableArray* out) const { return model_.GetSyllables(out); }
  [[nodiscard]] int GetPlaySyllables(SyllableArray* out) const {
    return model_.GetPlaySyllables(out);
  }
  [[nodiscard]] int GetScrollMax() const { return model_.GetScrollMax(); }
  [[nodiscard]] int GetCount() const { return model_.GetCount(); }
  // Ctrl+Z / Ctrl+Y. The dialog then sets the horizontal maximum to GetScrollMax() and bar
  // 173's range; the window keeps the bars' positions on the restored origins.
  bool Undo();
  bool Redo();
  // Ctrl+Up / Ctrl+Down / Ctrl+Right / Ctrl+Left (the model's rules); raise and lower report
  // the edit, a selection move that scrolls sets bar 173.
  bool RaiseSelection();
  bool LowerSelection();
  bool SelectNext();
  bool SelectPrevious();
  // Ctrl+Enter: the change-hiragana dialog for the label of the first selected point.
  void ChangeSelectedHiragana();
  // Drops the undo and redo steps.
  void ClearUndo() { model_.ClearUndo(); }
  // True while a drag's own loop runs. The dialog must then leave keys to the graph (its
  // PreTranslateKey returns false) so that Escape reaches the drag and nothing else runs.
  bool dragging() const { return drag_.has_value(); }
  // Window position stored by the last right click or double-click (used by the commands).
  platform::Point click_position() const { return click_; }

  // --- window handlers -------------------------------------------------------------------
  void OnPaint(platform::Canvas& canvas) override;
  bool OnMouse(const platform::MouseEvent& event) override;
  std::optional<platform::Cursor> OnSetCursor(platform::Point at) override;
  void OnMouseLeave() override;
  void OnCaptureLost() override;
  bool OnKey(const platform::KeyEvent& event) override;
  // 181 add, 182 delete, 183 change (from the context menu; also callable directly).
  void OnCommand(int id, platform::Notice notice) override;

 private:
  struct Drag {
    int index = 0;
    HitKind kind = HitKind::kNone;
    GraphSnapshot kept;  // the model as it was (points, hpos, vpos)
    int kept_hmax = 0;
    std::vector<IntonationPoint> working;  // the points being moved
    bool done = false;
    bool cancelled = false;
  };

  void OnLeftDown(const platform::MouseEvent& event);
  void OnRightDown(platform::Point at);
  void OnDoubleClick(platform::Point at);
  void RunDrag(int index, HitKind kind);
  void DragTo(platform::Point at);
  void SnapDragged();
  void EndDrag(bool cancelled);
  void Add();
  void Change();
  void Delete();
  void GraphChanged();
  // Horizontal maximum := GetScrollMax(), origin kept inside, bar 173 follows.
  void SyncHorizontalRange();
  // The model's horizontal maximum and bar 173's range.
  void SetHorizontalMaximum(int maximum);
  // Bars 173 and 177 take the model's origins.
  void SyncBars();
  platform::ScrollBar* Bar(int id) const;
  void PaintGraph(platform::Canvas& canvas) const;
  void PaintCurve(platform::Canvas& canvas, const MarkerStyle& style, bool pitch) const;
  void PaintInfoBox(platform::Canvas& canvas, const std::vector<IntonationPoint>& points,
                    int index) const;
  void PaintDragFeedback(platform::Canvas& canvas) const;

  IntonationGraphModel model_;
  std::function<void()> on_graph_changed_;
  platform::Point click_;
  std::optional<Drag> drag_;
  int hover_ = -1;  // point whose information box shows, -1 none
};

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_INTONATION_INTONATION_GRAPH_WND_H_
