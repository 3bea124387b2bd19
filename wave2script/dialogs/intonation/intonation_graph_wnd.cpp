#include "wave2script/dialogs/intonation/intonation_graph_wnd.h"

#include <algorithm>
#include <utility>

#include "platform/text.h"
#include "platform/window/window_system.h"
#include "resources/resources.h"
#include "wave2script/dialogs/intonation/change_hiragana_dialog.h"
#include "wave2script/dialogs/intonation/intonation_info_text.h"

namespace vtr::w2s {

using platform::Canvas;
using platform::Point;
using platform::Rect;

namespace {

const platform::Font& LabelFont() {
  static const platform::Font font{"MS ゴシック", 8.5};
  return font;
}
const platform::Font& InfoFont() {
  static const platform::Font font{"MS ゴシック", 10};
  return font;
}

// Grid spacing [graph units]: horizontal lines every 10, vertical lines on the snap grid.
constexpr int kGridRowStep = 10;
// White strips at both sides of the view [px].
constexpr int kEdgeStrip = 5;
// The information box: its top-left at (right / 2, bottom / 6) [px].
constexpr int kInfoWidth = 200;
constexpr int kInfoHeight = 100;
// Drag limits and edge scrolling [graph units].
constexpr int kFirstBoundaryMin = 25;  // above the horizontal minimum
constexpr int kMaxOrigin = 2097135;    // hpos + view right never passes it
constexpr int kEdgeMargin = 5;
constexpr int kHorizontalScrollStep = 10;
constexpr int kVerticalScrollStep = 5;
// Ctrl+Enter hits the label of the selected point here, relative to its start x and the view.
constexpr int kLabelHitX = 5;
constexpr int kLabelHitAboveBottom = 10;

int FirstMultipleAtOrAbove(int value, int step) { return value + ((step - value % step) % step); }

std::string ShownText(std::string_view sjis) {
  return platform::ToUtf8(platform::Encoding::kShiftJis, sjis).text;
}

// Moves the boundary of point `index` and of every later point by `delta`; the markers of
// the later points follow the boundary before them.
void MoveBoundaries(std::vector<IntonationPoint>& points, int index, int delta) {
  for (size_t j = static_cast<size_t>(index); j < points.size(); ++j) {
    points[j].x += delta;
    if (j > static_cast<size_t>(index)) points[j].pitch_x = points[j].strength_x = points[j - 1].x;
  }
}

std::optional<platform::Cursor> CursorOf(HitKind kind) {
  switch (kind) {
    case HitKind::kLabel:
      return platform::Cursor::kCross;
    case HitKind::kPitch:
    case HitKind::kStrength:
      return platform::Cursor::kSizeNS;
    case HitKind::kBoundary:
      return platform::Cursor::kSizeWE;
    case HitKind::kNone:
      break;
  }
  return std::nullopt;
}

}  // namespace

CIntonationGraphWnd::CIntonationGraphWnd(std::function<void()> on_graph_changed)
    : on_graph_changed_(std::move(on_graph_changed)) {
  model_.Reset();
}

CIntonationGraphWnd::~CIntonationGraphWnd() = default;

CIntonationGraphWnd* CIntonationGraphWnd::Create(platform::Dialog& dialog, int id,
                                                 std::function<void()> on_graph_changed) {
  const auto* old = dynamic_cast<const platform::Control*>(dialog.Item(id));
  if (old == nullptr) return nullptr;
  auto graph = std::make_unique<CIntonationGraphWnd>(std::move(on_graph_changed));
  graph->set_style(old->style());
  auto* placed = static_cast<CIntonationGraphWnd*>(dialog.ReplaceChild(id, std::move(graph)));
  placed->model_.SetView(placed->client_rect());
  return placed;
}

// --- operations for the dialog ---------------------------------------------------------------

int CIntonationGraphWnd::SetSyllables(const SyllableArray& records) {
  hover_ = -1;
  const int count = model_.SetSyllables(records);
  Invalidate();
  return count;
}

bool CIntonationGraphWnd::Undo() {
  if (!model_.Undo()) return false;
  hover_ = -1;
  SetHorizontalMaximum(model_.GetScrollMax());
  SyncBars();
  Invalidate();
  return true;
}

bool CIntonationGraphWnd::Redo() {
  if (!model_.Redo()) return false;
  hover_ = -1;
  SetHorizontalMaximum(model_.GetScrollMax());
  SyncBars();
  Invalidate();
  return true;
}

bool CIntonationGraphWnd::RaiseSelection() {
  if (!model_.RaiseSelection()) return false;
  GraphChanged();
  Invalidate();
  return true;
}

bool CIntonationGraphWnd::LowerSelection() {
  if (!model_.LowerSelection()) return false;
  GraphChanged();
  Invalidate();
  return true;
}

bool CIntonationGraphWnd::SelectNext() {
  if (!model_.SelectNext()) return false;
  SyncBars();
  Invalidate();
  return true;
}

bool CIntonationGraphWnd::SelectPrevious() {
  if (!model_.SelectPrevious()) return false;
  SyncBars();
  Invalidate();
  return true;
}

void CIntonationGraphWnd::ChangeSelectedHiragana() {
  const int i = model_.FirstSelected();
  if (i < 0) return;
  // The first label is found where it is painted, like the others: at a fixed x 10 a scrolled
  // view would put the label of another syllable there.
  const int x = model_.StartX(i) - model_.hpos() + kLabelHitX;
  click_ = Point{x, model_.view().bottom - kLabelHitAboveBottom};
  Change();
}

// --- scroll bars -------------------------------------------------------------------------------

platform::ScrollBar* CIntonationGraphWnd::Bar(int id) const {
  return parent() == nullptr ? nullptr : dynamic_cast<platform::ScrollBar*>(parent()->Child(id));
}

void CIntonationGraphWnd::SyncBars() {
  if (platform::ScrollBar* bar = Bar(kGraphHScrollId)) bar->SetPos(model_.hpos());
  if (platform::ScrollBar* bar = Bar(kGraphVScrollId)) bar->SetPos(model_.vpos());
}

void CIntonationGraphWnd::SetHorizontalMaximum(int maximum) {
  model_.SetHorizontalRange(model_.horizontal_min(), maximum);
  if (platform::ScrollBar* bar = Bar(kGraphHScrollId))
    bar->SetRange(model_.horizontal_min(), maximum);
}

void CIntonationGraphWnd::SyncHorizontalRange() {
  const int minimum = model_.horizontal_min();
  const int maximum = model_.GetScrollMax();
  SetHorizontalMaximum(maximum);
  // The origin stays inside the range, so that the bar and the graph agree.
  model_.set_hpos(std::clamp(model_.hpos(), minimum, std::max(minimum, maximum)));
  SyncBars();
}

void CIntonationGraphWnd::GraphChanged() {
  if (on_graph_changed_) on_graph_changed_();
}

// --- painting ----------------------------------------------------------------------------------

void CIntonationGraphWnd::OnPaint(Canvas& canvas) {
  PaintGraph(canvas);
  if (drag_) {
    PaintInfoBox(canvas, drag_->working, drag_->index);
    PaintDragFeedback(canvas);
  } else if (hover_ >= 0 && hover_ < model_.GetCount()) {
    PaintInfoBox(canvas, model_.points(), hover_);
  }
}

void CIntonationGraphWnd::PaintGraph(Canvas& canvas) const {
  const Rect v = model_.view().empty() ? client_rect() : model_.view();
  const int hpos = model_.hpos();
  const int vpos = model_.vpos();
  canvas.FillRect(client_rect(), platform::colors::kWhite);

  // 1. Grid: a row every 10 units, the zero line again in dark grey, a column per grid step.
  for (int gy = FirstMultipleAtOrAbove(v.top + vpos, kGridRowStep); gy <= v.bottom + vpos;
       gy += kGridRowStep) {
    canvas.Line({v.left, gy - vpos}, {v.right, gy - vpos}, kGraphGridColor, 1);
  }
  if (kZeroLineY >= v.top + vpos && kZeroLineY <= v.bottom + vpos) {
    canvas.Line({v.left, kZeroLineY - vpos}, {v.right, kZeroLineY - vpos}, kGraphZeroLineColor, 2);
  }
  const int first_column = FirstMultipleAtOrAbove(v.left + hpos, kGridStep) + kFirstBoundaryX;
  for (int gx = first_column; gx <= v.right + hpos + kFirstBoundaryX; gx += kGridStep) {
    canvas.Line({gx - hpos, v.top}, {gx - hpos, v.bottom}, kGraphGridColor, 1);
  }

  // 2. Boundary lines: the start of the first syllable, then every visible boundary.
  const MarkerStyle& bs = model_.boundary_style();
  canvas.Line({v.left - hpos + kFirstBoundaryX, v.bottom}, {v.left - hpos + kFirstBoundaryX, v.top},
              bs.pen_color, bs.pen_width);
  for (const IntonationPoint& p : model_.points()) {
    if (p.x < hpos || p.x > hpos + v.right) continue;
    const int wx = p.x - hpos;
    canvas.Line({wx, p.marker_y}, {wx, v.top}, bs.pen_color, bs.pen_width);
    const int left = wx - bs.marker_width / 2;
    const int top = p.marker_y - bs.marker_height / 2;
    canvas.FillRect({left, top, left + bs.marker_width, top + bs.marker_height}, bs.marker_color);
  }

  // 3. Curves, the front one last.
  if (model_.front_curve() == FrontCurve::kPitch) {
    PaintCurve(canvas, model_.strength_style(), false);
    PaintCurve(canvas, model_.pitch_style(), true);
  } else {
    PaintCurve(canvas, model_.pitch_style(), true);
    PaintCurve(canvas, model_.strength_style(), false);
  }

  // 4. Labels under the start of each syllable.
  for (int i = 0; i < model_.GetCount(); ++i) {
    const int px = model_.StartX(i);
    if (px < hpos || px > hpos + v.right) continue;
    const IntonationPoint& p = model_.points()[static_cast<size_t>(i)];
    const bool selected = p.selection == Selection::kSyllable;
    const Rect box = model_.LabelBox(i);
    canvas.FillRect(box, selected ? kGraphSelectedLabelColor : kGraphLabelColor);
    canvas.FrameRect(box, kGraphLabelFrameColor, selected ? 2 : 1);
    canvas.Text(box, ShownText(p.record.text), LabelFont(), platform::colors::kBlack,
                platform::kTextCenter | platform::kTextVCenter | platform::kTextSingleLine);
  }

  // 5. White strips at both edges.
  canvas.FillRect({v.left, v.top, v.left + kEdgeStrip, v.bottom}, platform::colors::kWhite);
  canvas.FillRect({v.right - kEdgeStrip, v.top, v.right, v.bottom}, platform::colors::kWhite);
}

void CIntonationGraphWnd::PaintCurve(Canvas& canvas, const MarkerStyle& style, bool pitch) const {
  const Rect v = model_.view().empty() ? client_rect() : model_.view();
  const int hpos = model_.hpos();
  const int vpos = model_.vpos();
  const std::vector<IntonationPoint>& points = model_.points();
  auto marker = [&](const IntonationPoint& p) {
    return pitch ? Point{p.pitch_x - hpos, p.pitch_y - vpos}
                 : Point{p.strength_x - hpos, p.strength_y - vpos};
  };
  for (size_t i = 0; i + 1 < points.size(); ++i) {
    const Point a = marker(points[i]);
    const Point b = marker(points[i + 1]);
    // Far-off segments are skipped here rather than clipped one by one.
    if ((a.x < v.left && b.x < v.left) || (a.x >= v.right && b.x >= v.right)) continue;
    canvas.Line(a, b, style.pen_color, style.pen_width);
  }
  for (const IntonationPoint& p : points) {
    const Point m = marker(p);
    if (!v.Contains(m)) continue;
    const Rect box = pitch ? model_.MarkerBox(style, p.pitch_x, p.pitch_y)
                           : model_.MarkerBox(style, p.strength_x, p.strength_y);
    if (pitch) {
      canvas.FillRect(box, style.marker_color);
      if (p.selection == Selection::kPitch) canvas.FillRect(box, kGraphSelectedPitchColor);
    } else {
      canvas.FillRect(box, p.selection == Selection::kStrength ? kGraphSelectedStrengthColor
                                                               : style.marker_color);
    }
  }
}

void CIntonationGraphWnd::PaintInfoBox(Canvas& canvas, const std::vector<IntonationPoint>& points,
                                       int index) const {
  const Rect v = model_.view().empty() ? client_rect() : model_.view();
  const size_t i = static_cast<size_t>(index);
  const SyllableRecord* previous = i > 0 ? &points[i - 1].record : nullptr;
  const Rect box = Rect::FromSize(v.right / 2, v.bottom / 6, kInfoWidth, kInfoHeight);
  canvas.Text(box, ShownText(InfoBoxText(previous, points[i].record)), InfoFont(),
              kGraphInfoTextColor, platform::kTextLeft | platform::kTextTop,
              platform::TextBackground{true, kGraphInfoBackColor});
}

void CIntonationGraphWnd::PaintDragFeedback(Canvas& canvas) const {
  const Rect v = model_.view().empty() ? client_rect() : model_.view();
  const int hpos = model_.hpos();
  const int vpos = model_.vpos();
  const std::vector<IntonationPoint>& points = drag_->working;
  const size_t i = static_cast<size_t>(drag_->index);
  const IntonationPoint& p = points[i];
  if (drag_->kind == HitKind::kBoundary) {
    canvas.Line({p.x - hpos, v.bottom}, {p.x - hpos, v.top}, kGraphDragBoundaryColor, 1);
    return;
  }
  if (drag_->kind != HitKind::kPitch && drag_->kind != HitKind::kStrength) return;
  const bool pitch = drag_->kind == HitKind::kPitch;
  const platform::Color color = pitch ? kGraphDragPitchColor : kGraphDragStrengthColor;
  auto marker = [&](const IntonationPoint& q) {
    return pitch ? Point{q.pitch_x - hpos, q.pitch_y - vpos}
                 : Point{q.strength_x - hpos, q.strength_y - vpos};
  };
  const MarkerStyle& style = pitch ? model_.pitch_style() : model_.strength_style();
  if (i > 0) canvas.Line(marker(points[i - 1]), marker(p), color, 1);
  if (i + 1 < points.size()) canvas.Line(marker(p), marker(points[i + 1]), color, 1);
  canvas.FillRect(pitch ? model_.MarkerBox(style, p.pitch_x, p.pitch_y)
                        : model_.MarkerBox(style, p.strength_x, p.strength_y),
                  color);
}

// --- mouse and keys ----------------------------------------------------------------------------

std::optional<platform::Cursor> CIntonationGraphWnd::OnSetCursor(Point at) {
  if (drag_) return CursorOf(drag_->kind);
  return CursorOf(model_.HitTest(at.x, at.y).kind);
}

void CIntonationGraphWnd::OnMouseLeave() {
  if (hover_ < 0 || drag_) return;
  hover_ = -1;
  Invalidate();
}

bool CIntonationGraphWnd::OnMouse(const platform::MouseEvent& event) {
  using Kind = platform::MouseEvent::Kind;
  using platform::MouseButton;
  if (drag_) {
    if (drag_->done) return true;
    if (event.kind == Kind::kMove) {
      DragTo(event.point);
    } else if (event.kind == Kind::kUp && event.button == MouseButton::kLeft) {
      DragTo(event.point);
      SnapDragged();
      drag_->done = true;
    } else if (event.kind == Kind::kDown && event.button == MouseButton::kRight) {
      drag_->cancelled = drag_->done = true;
    } else if (event.kind == Kind::kWheel) {
      return false;
    }
    return true;
  }
  switch (event.kind) {
    case Kind::kDown:
      if (event.button == MouseButton::kLeft) OnLeftDown(event);
      if (event.button == MouseButton::kRight) OnRightDown(event.point);
      return event.button == MouseButton::kLeft || event.button == MouseButton::kRight;
    case Kind::kDoubleClick:
      OnDoubleClick(event.point);
      return true;
    case Kind::kMove: {
      const int over = model_.HitTest(event.point.x, event.point.y).index;
      if (over != hover_) {
        hover_ = over;
        Invalidate();
      }
      return true;
    }
    case Kind::kUp:
      return true;
    case Kind::kWheel:
      return false;
  }
  return false;
}

void CIntonationGraphWnd::OnCaptureLost() {
  if (drag_ && !drag_->done) drag_->cancelled = drag_->done = true;
}

bool CIntonationGraphWnd::OnKey(const platform::KeyEvent& event) {
  if (!drag_) return false;
  // The drag's own loop takes every key: Escape cancels, the others are dropped.
  if (event.kind == platform::KeyEvent::Kind::kDown && event.key == platform::kKeyEscape &&
      !drag_->done) {
    drag_->cancelled = drag_->done = true;
  }
  return true;
}

void CIntonationGraphWnd::OnLeftDown(const platform::MouseEvent& event) {
  const Point at = event.point;
  if (event.modifiers & platform::kModCtrl) {
    model_.ToggleSelect(at.x, at.y);
    Invalidate();
    return;
  }
  model_.PushUndo(model_.TakeSnapshot());
  model_.ClearSelection();
  const Hit hit = model_.HitTest(at.x, at.y);
  if (hit.index >= 0) {
    RunDrag(hit.index, hit.kind);
    if (hit.kind == HitKind::kPitch || hit.kind == HitKind::kStrength ||
        hit.kind == HitKind::kBoundary) {
      GraphChanged();
    }
  }
  Invalidate();
}

void CIntonationGraphWnd::RunDrag(int index, HitKind kind) {
  Rect limit = model_.view().empty() ? client_rect() : model_.view();
  if (limit.empty()) return;
  limit = Rect{limit.left + 4, limit.top - 1, limit.right - 4, limit.bottom + 1};
  const Point origin = ClientToScreen({0, 0});
  const Rect screen_limit = limit.Offset(origin.x, origin.y);
  platform::ClipCursor(&screen_limit);

  Drag drag;
  drag.index = index;
  drag.kind = kind;
  drag.kept = model_.TakeSnapshot();
  drag.kept_hmax = model_.horizontal_max();
  drag.working = model_.points();
  IntonationGraphModel::PointToValuesOf(drag.working[static_cast<size_t>(index)]);
  drag_ = std::move(drag);
  platform::SetCapture(this);
  // Keys reach the drag (Escape) rather than the dialog's default handling.
  SetFocus();
  Invalidate();
  platform::PumpUntil([this] { return !drag_ || drag_->done; });
  // A loop that ended for another reason (the application quits) counts as cancelled.
  EndDrag(!drag_->done || drag_->cancelled);
}

void CIntonationGraphWnd::DragTo(Point at) {
  Drag& drag = *drag_;
  std::vector<IntonationPoint>& points = drag.working;
  const size_t i = static_cast<size_t>(drag.index);
  IntonationPoint& p = points[i];
  const Rect v = model_.view().empty() ? client_rect() : model_.view();

  switch (drag.kind) {
    case HitKind::kPitch:
      p.pitch_y = std::max(at.y + model_.vpos(), model_.vertical_min());
      break;
    case HitKind::kStrength:
      p.strength_y = std::max(at.y + model_.vpos(), model_.vertical_min());
      break;
    case HitKind::kBoundary: {
      const int low = i == 0 ? model_.horizontal_min() + kFirstBoundaryMin
                             : points[i - 1].x + kMinSyllableWidth;
      const int target = std::min(std::max(at.x + model_.hpos(), low), kMaxBoundaryX);
      const int delta = std::min(target - p.x, kMaxBoundaryX - points.back().x);
      MoveBoundaries(points, drag.index, delta);
      break;
    }
    case HitKind::kLabel:
    case HitKind::kNone:
      break;
  }

  // Edge scrolling: the view follows a boundary or marker that reaches its edge.
  const Point cursor = platform::CursorPos();
  if (drag.kind == HitKind::kBoundary) {
    if (p.x >= v.right + model_.hpos() - kEdgeMargin) {
      model_.set_hpos(std::min(model_.hpos() + kHorizontalScrollStep, kMaxOrigin - v.right));
      // The range grows with the origin so that the bar can follow.
      if (model_.hpos() > model_.horizontal_max()) SetHorizontalMaximum(model_.hpos());
      SyncBars();
      platform::SetCursorPos({cursor.x + 1, cursor.y});
    } else if (p.x <= model_.hpos() + kEdgeMargin) {
      model_.set_hpos(std::max(model_.hpos() - kHorizontalScrollStep, model_.horizontal_min()));
      SyncBars();
      platform::SetCursorPos({cursor.x - 1, cursor.y});
    }
  } else if (drag.kind == HitKind::kPitch || drag.kind == HitKind::kStrength) {
    const int y = drag.kind == HitKind::kPitch ? p.pitch_y : p.strength_y;
    if (y <= model_.vpos()) {
      model_.set_vpos(std::max(model_.vpos() - kVerticalScrollStep, model_.vertical_min()));
      SyncBars();
      platform::SetCursorPos({cursor.x, cursor.y - 1});
    } else if (y >= v.bottom + model_.vpos()) {
      model_.set_vpos(std::min(model_.vpos() + kVerticalScrollStep, model_.vertical_max()));
      SyncBars();
      platform::SetCursorPos({cursor.x, cursor.y + 1});
    }
  }
  IntonationGraphModel::PointToValuesOf(p);
  Invalidate();
}

void CIntonationGraphWnd::SnapDragged() {
  Drag& drag = *drag_;
  IntonationPoint& p = drag.working[static_cast<size_t>(drag.index)];
  const int r = ((p.x - kFirstBoundaryX) % kGridStep + kGridStep) % kGridStep;
  int delta = r > 9 ? kGridStep - r : -r;
  // Rounding up must not push the last boundary past the largest x; the grid point below
  // still keeps the distance to the boundary before.
  if (delta > 0 && drag.working.back().x + delta > kMaxBoundaryX) delta = -r;
  MoveBoundaries(drag.working, drag.index, delta);
  IntonationGraphModel::PointToValuesOf(p);
}

void CIntonationGraphWnd::EndDrag(bool cancelled) {
  platform::ClipCursor(nullptr);
  drag_->done = true;  // releasing the capture below must not count as a cancel
  platform::ReleaseCapture();
  Drag drag = std::move(*drag_);
  drag_.reset();
  if (cancelled) {
    model_.set_hpos(drag.kept.hpos);
    model_.set_vpos(drag.kept.vpos);
    SetHorizontalMaximum(drag.kept_hmax);
    SyncBars();
  } else if (drag.kind != HitKind::kLabel) {
    // A moved boundary moved every later one: their values follow too, so that the script
    // written from the graph keeps the later syllables' durations.
    for (size_t j = static_cast<size_t>(drag.index); j < drag.working.size(); ++j) {
      IntonationGraphModel::PointToValuesOf(drag.working[j]);
    }
    model_.PushUndo(std::move(drag.kept));
    model_.SetPoints(std::move(drag.working));
    if (drag.kind == HitKind::kBoundary) SyncHorizontalRange();
  }
  Invalidate();
}

void CIntonationGraphWnd::OnRightDown(Point at) {
  const Hit hit = model_.HitTest(at.x, at.y);
  click_ = at;
  if (hit.kind != HitKind::kLabel && hit.kind != HitKind::kNone) return;
  platform::Menu menu =
      resources::LoadMenu(resources::Module::kWaveToScript, kGraphMenuId).FirstPopup();
  const bool on_label = hit.kind == HitKind::kLabel;
  (void)menu.SetGrayed(kGraphCommandAdd, on_label);
  (void)menu.SetGrayed(kGraphCommandChange, !on_label);
  (void)menu.SetGrayed(kGraphCommandDelete, !on_label);
  const int chosen = platform::TrackPopupMenu(this, menu, platform::CursorPos());
  if (chosen != 0) OnCommand(chosen, platform::Notice::kClicked);
}

void CIntonationGraphWnd::OnDoubleClick(Point at) {
  click_ = at;
  const Hit hit = model_.HitTest(at.x, at.y);
  if (hit.kind == HitKind::kLabel) {
    Change();
  } else if (hit.kind == HitKind::kNone) {
    model_.SwapFrontCurve();
    Invalidate();
  }
}

// --- menu commands -----------------------------------------------------------------------------

void CIntonationGraphWnd::OnCommand(int id, platform::Notice) {
  if (drag_) return;
  if (id == kGraphCommandAdd) Add();
  if (id == kGraphCommandChange) Change();
  if (id == kGraphCommandDelete) Delete();
}

void CIntonationGraphWnd::Add() {
  model_.PushUndo(model_.TakeSnapshot());
  const int i = model_.FindInsertIndex(click_.x);
  if (i < 0) {
    (void)model_.AppendDefaultPoint();
  } else {
    (void)model_.InsertPoint(i, model_.GetPoint(i));
  }
  model_.UpdateAllValues();
  hover_ = -1;
  SyncHorizontalRange();
  GraphChanged();
  Invalidate();
}

void CIntonationGraphWnd::Change() {
  const Hit hit = model_.HitTest(click_.x, click_.y);
  if (hit.index < 0) return;
  ChangeHiraganaDialog dialog(TopLevel());
  dialog.set_text(model_.GetPoint(hit.index).record.text);
  if (dialog.DoModal() != platform::kIdOk) return;
  model_.PushUndo(model_.TakeSnapshot());
  IntonationPoint point = model_.GetPoint(hit.index);
  point.record.text = dialog.text();
  model_.ReplacePoint(hit.index, point);
  GraphChanged();
  Invalidate();
}

void CIntonationGraphWnd::Delete() {
  const Hit hit = model_.HitTest(click_.x, click_.y);
  if (hit.index >= 0) {
    model_.PushUndo(model_.TakeSnapshot());
    model_.DeletePoint(hit.index);
  }
  hover_ = -1;
  SyncHorizontalRange();
  GraphChanged();
  Invalidate();
}

}  // namespace vtr::w2s
