#include "wave2script/dialogs/record/segment_graph_wnd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <span>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/window/window_system.h"

namespace vtr::w2s {
namespace {

using platform::Point;
using platform::Rect;

const platform::Font& LabelFont() {
  static const platform::Font font{"MS ゴシック", 8.5};  // freed when the library is unloaded
  return font;
}

// Label box of a boundary at pixel `px` in a view whose bottom is `bottom`.
Rect LabelBox(int px, int bottom) { return Rect{px + 1, bottom - 20, px + 26, bottom - 5}; }

// [bytes] "RIFF" and its size field; the RIFF chunk ends this far after the field's value.
constexpr uint64_t kRiffSizeFieldEnd = 8;

// The chunks of a wave file up to the end of the file. The view has always walked a file to its
// end whatever the RIFF size field says (a recording cut short can leave a stale or zero size),
// while the walker stops where the field ends the RIFF chunk; so a file whose field ends before
// the file does is walked again from its bytes with the field widened. The walk keeps the
// field as written.
riff::Walk WalkToFileEnd(const std::filesystem::path& path) {
  riff::Walk walk = riff::WalkFile(path);
  if (walk.status != riff::WalkStatus::kOk ||
      kRiffSizeFieldEnd + walk.riff_size >= walk.source_size) {
    return walk;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(walk.source_size));
  std::ifstream in(path, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    walk.status = riff::WalkStatus::kCannotOpen;
    return walk;
  }
  std::fill_n(bytes.begin() + 4, 4, uint8_t{0xFF});
  riff::Walk whole = riff::WalkBytes(bytes);
  whole.riff_size = walk.riff_size;
  return whole;
}

// The "fmt " chunk the view reads: the last one before the first "data" chunk, every one
// before "data" holding the whole 16-byte record inside the file (nullptr when one does not,
// or there is none). Chunks after "data" are never looked at, as when the view stopped
// reading the file there.
const riff::Chunk* FormatChunk(const riff::Walk& walk) {
  const riff::Chunk* format = nullptr;
  for (const riff::Chunk& chunk : walk.chunks) {
    if (chunk.Is("data")) break;
    if (!chunk.Is("fmt ")) continue;
    if (chunk.declared_size < riff::kWaveFormatBytes || chunk.truncated()) return nullptr;
    format = &chunk;
  }
  return format;
}

// Takes the record's fields into `out`, byte rate and block align as written; false unless
// it has 1 or 2 channels, a positive rate (one beyond an int reads as negative) and 8 or 16
// bits. Any format tag is taken.
bool TakeFormat(const riff::WaveFormat& format, WaveData& out) {
  out.channels = format.channels;
  out.rate = static_cast<int>(format.rate);
  out.bytes_per_second = static_cast<int>(format.byte_rate);
  out.block_align = format.block_align;
  out.bits = format.bits;
  out.bytes_per_sample = out.bits / 8;
  return out.channels >= 1 && out.channels <= 2 && out.rate > 0 &&
         (out.bits == 8 || out.bits == 16);
}

// Splits the data bytes into whole sample frames of the format taken into `out`.
void TakeSamples(std::span<const uint8_t> data, WaveData& out) {
  out.data_size = static_cast<uint32_t>(data.size());
  out.frames =
      static_cast<int>(data.size() / (static_cast<size_t>(out.bytes_per_sample) * out.channels));
  out.duration_ms = static_cast<int>(static_cast<double>(out.frames) / out.rate * 1000.0);
  const size_t samples = static_cast<size_t>(out.frames) * out.channels;
  out.first.reserve(static_cast<size_t>(out.frames));
  if (out.channels == 2) out.second.reserve(static_cast<size_t>(out.frames));
  for (size_t i = 0; i < samples; ++i) {
    const double value = out.bits == 16
                             ? static_cast<double>(static_cast<int16_t>(riff::ReadU16(data, 2 * i)))
                             : static_cast<double>(data[i]) - 128.0;
    if (out.channels == 2 && i % 2 == 1) {
      out.second.push_back(value);
    } else {
      out.first.push_back(value);
    }
  }
}

}  // namespace

bool IsPauseText(const char* text) {
  return text == nullptr || text[0] == '\0' || std::strcmp(text, " ") == 0 ||
         std::strcmp(text, "#") == 0;
}

bool ReadWaveData(const std::filesystem::path& path, WaveData* wave) {
  if (!platform::IsRegularFile(path)) return false;  // a FIFO or a device is never opened
  const riff::Walk walk = WalkToFileEnd(path);
  if (walk.status != riff::WalkStatus::kOk) return false;
  const riff::Chunk* format_chunk = FormatChunk(walk);
  const riff::Chunk* data_chunk = walk.Find("data");
  if (format_chunk == nullptr || data_chunk == nullptr) return false;
  WaveData out;
  out.riff_size = walk.riff_size;
  std::vector<uint8_t> bytes;
  if (!riff::ReadChunk(path, *format_chunk, riff::kWaveFormatBytes, bytes) ||
      !TakeFormat(riff::DecodeWaveFormat(bytes), out)) {
    return false;
  }
  // The walk bounds the data chunk by the end of the file: a larger size is cut to what is there.
  if (!riff::ReadChunk(path, *data_chunk, data_chunk->size, bytes)) return false;
  TakeSamples(bytes, out);
  *wave = std::move(out);
  return true;
}

void SegmentView::SetItems(const std::vector<SegmentItem>& items) {
  items_.clear();
  for (const SegmentItem& item : items) {
    items_.push_back(
        GraphItem{item.start + kSegmentMargin, view_.bottom, item.text, item.start, 0});
  }
}

void SegmentView::GetItems(std::vector<SegmentItem>* items) const {
  items->clear();
  for (const GraphItem& item : items_) {
    items->push_back(SegmentItem{item.text, item.x - kSegmentMargin});
  }
}

void SegmentView::set_zoom_level(int level) {
  zoom_level_ = std::clamp(level, kSegmentZoomMin, kSegmentZoomMax);
}

int SegmentView::ZoomIn() {
  set_zoom_level(zoom_level_ + 1);
  return zoom_level_;
}

int SegmentView::ZoomOut() {
  set_zoom_level(zoom_level_ - 1);
  return zoom_level_;
}

int SegmentView::ScrollMaximum(double factor) const {
  const int maximum = static_cast<int>(wave_.duration_ms / factor) - view_.width() + 10;
  return std::max(0, maximum);
}

int SegmentView::ItemToPixel(int x) const { return static_cast<int>(x / factor()) - origin_; }

int SegmentView::PixelToItem(int m) const {
  return static_cast<int>(std::lround(factor() * (m + origin_)));
}

void SegmentView::Paint(platform::Canvas& canvas) const {
  const int width = view_.width();
  const int height = view_.height();
  const int half = height / 2;
  canvas.FillRect(view_, platform::colors::kWhite);

  // Grid: the middle line and a line at every column whose time is on the 20 ms grid.
  canvas.Line({view_.left, view_.top + half}, {view_.right - 1, view_.top + half},
              kSegmentGridColor, 1);
  long last_time = -1;
  for (int column = 0; column < width; ++column) {
    const long time = std::lround(factor() * (column + origin_));
    if (time % kSegmentGridMs != 0 || time == last_time) continue;
    last_time = time;
    canvas.Line({view_.left + column, view_.top}, {view_.left + column, view_.bottom - 1},
                kSegmentGridColor, 1);
  }

  // Side strips.
  canvas.FillRect({view_.left, view_.top, view_.left + kSegmentMargin, view_.bottom},
                  platform::colors::kWhite);
  canvas.FillRect({view_.right - kSegmentMargin, view_.top, view_.right, view_.bottom},
                  platform::colors::kWhite);

  // Wave: the first channel; samples in one column only extend the span drawn there.
  if (!wave_.first.empty() && wave_.rate > 0) {
    const double per_ms = factor() * wave_.rate / 1000.0;
    const long count = static_cast<long>(wave_.first.size());
    const long from = std::clamp(static_cast<long>(per_ms * origin_), 0L, count);
    const long to = std::clamp(static_cast<long>(per_ms * (origin_ + width - 10)), 0L, count);
    int previous_x = 0, low = 0, high = 0;
    bool started = false;
    for (long i = from; i < to; ++i) {
      const double time = static_cast<double>(i) * 1000.0 / wave_.rate;
      const int x = view_.left + static_cast<int>(time / factor()) - origin_ + kSegmentMargin;
      const int y =
          view_.top + half - static_cast<int>(half * wave_.first[static_cast<size_t>(i)] / 32768.0);
      if (!started) {
        started = true;
        previous_x = x;
        low = high = y;
        canvas.Line({x, y}, {x, y}, kSegmentWaveColor, 1);
        continue;
      }
      if (x == previous_x) {
        if (y < low) {
          canvas.Line({x, low}, {x, y}, kSegmentWaveColor, 1);
          low = y;
        } else if (y > high) {
          canvas.Line({x, high}, {x, y}, kSegmentWaveColor, 1);
          high = y;
        }
        continue;
      }
      const int from_y = y < low ? low : y > high ? high : y;
      canvas.Line({previous_x, from_y}, {x, y}, kSegmentWaveColor, 1);
      previous_x = x;
      low = high = y;
    }
  }

  // Items: a boundary each, and a label box beside every one with a label.
  for (const GraphItem& item : items_) {
    const int px = view_.left + ItemToPixel(item.x);
    if (px < view_.left || px >= view_.right) continue;
    canvas.Line({px, view_.top}, {px, view_.bottom - 1}, kSegmentBoundaryColor,
                kSegmentBoundaryWidth);
    if (IsPauseText(item.text)) continue;
    const Rect box = LabelBox(px, view_.bottom);
    canvas.FillRect(box, item.selected != 0 ? kSegmentLabelSelectedFill : kSegmentLabelFill);
    platform::TextResult label = platform::ToUtf8(platform::Encoding::kShiftJis, item.text);
    canvas.Text(box, label.text, LabelFont(), platform::colors::kBlack,
                platform::kTextCenter | platform::kTextVCenter | platform::kTextSingleLine);
    canvas.FrameRect(box, kSegmentLabelBorder, item.selected != 0 ? 2 : 1);
  }

  if (std::optional<int> marker = DragMarkerPixel()) {
    canvas.Line({view_.left + *marker, view_.top}, {view_.left + *marker, view_.bottom - 1},
                kSegmentDragMarkerColor, 1);
  }
}

SegmentHitResult SegmentView::HitTest(Point p) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    const GraphItem& item = items_[i];
    const int px = view_.left + ItemToPixel(item.x);
    if (!IsPauseText(item.text) && LabelBox(px, view_.bottom).Contains(p)) {
      return {SegmentHit::kLabel, static_cast<int>(i)};
    }
    if (std::abs(p.x - px) <= kSegmentBoundaryHitWidth / 2 && p.y >= view_.top &&
        p.y < view_.bottom) {
      return {SegmentHit::kBoundary, static_cast<int>(i)};
    }
  }
  return {};
}

bool SegmentView::ToggleSelection(Point p) {
  const SegmentHitResult hit = HitTest(p);
  if (hit.kind != SegmentHit::kLabel) return false;
  GraphItem& item = items_[static_cast<size_t>(hit.index)];
  item.selected = item.selected != 0 ? 0 : 1;
  selection_used_ = true;
  return true;
}

void SegmentView::ClearSelection() {
  for (GraphItem& item : items_) item.selected = 0;
}

int SegmentView::LastLimit() const { return wave_.duration_ms + kSegmentMargin; }

void SegmentView::MoveFrom(std::vector<GraphItem>& items, int index, int delta) const {
  for (size_t i = static_cast<size_t>(index); i < items.size(); ++i) items[i].x += delta;
}

bool SegmentView::BeginDrag(int index) {
  if (index < 0 || static_cast<size_t>(index) >= items_.size()) return false;
  drag_start_ = Snapshot{items_, origin_};
  drag_index_ = index;
  return true;
}

int SegmentView::DragTo(int m) {
  if (drag_index_ < 0) return 0;
  const size_t index = static_cast<size_t>(drag_index_);
  int x = PixelToItem(m);
  if (index > 0) {
    x = std::max(x, items_[index - 1].x + kSegmentGridMs);
  } else {
    x = std::max(x, view_.left + kSegmentMargin);
  }
  int delta = x - items_[index].x;
  delta = std::min(delta, LastLimit() - items_.back().x);
  MoveFrom(items_, drag_index_, delta);

  // Scroll at the edges, 10 pixels at a time.
  const int dragged = items_[index].x;
  int direction = 0;
  if (dragged >= factor() * (view_.width() + origin_ - kSegmentMargin)) {
    const int origin = std::min(origin_ + 10, ScrollMaximum());
    if (origin != origin_) direction = 1;
    origin_ = std::max(origin_, origin);
  } else if (factor() * (origin_ + kSegmentMargin) >= dragged) {
    const int origin = std::max(origin_ - 10, 0);
    if (origin != origin_) direction = -1;
    origin_ = std::min(origin_, origin);
  }
  return direction;
}

void SegmentView::EndDrag(int m) {
  if (drag_index_ < 0) return;
  (void)DragTo(m);
  const size_t index = static_cast<size_t>(drag_index_);
  const int r =
      ((items_[index].x - kSegmentMargin) % kSegmentGridMs + kSegmentGridMs) % kSegmentGridMs;
  int correction = r < kSegmentGridMs / 2 ? -r : kSegmentGridMs - r;
  if (items_.back().x + correction > LastLimit()) correction = -r;
  MoveFrom(items_, drag_index_, correction);
  undo_ = drag_start_;
  redo_.reset();
  drag_index_ = -1;
}

void SegmentView::CancelDrag() {
  if (drag_index_ < 0) return;
  items_ = drag_start_.items;
  drag_index_ = -1;
}

std::optional<int> SegmentView::DragMarkerPixel() const {
  if (drag_index_ < 0) return std::nullopt;
  return ItemToPixel(items_[static_cast<size_t>(drag_index_)].x);
}

bool SegmentView::Undo() {
  if (!undo_) return false;
  redo_ = Snapshot{items_, origin_};
  items_ = std::move(undo_->items);
  origin_ = undo_->origin;
  undo_.reset();
  return true;
}

bool SegmentView::Redo() {
  if (!redo_) return false;
  undo_ = Snapshot{items_, origin_};
  items_ = std::move(redo_->items);
  origin_ = redo_->origin;
  redo_.reset();
  return true;
}

void SegmentView::ClearUndo() {
  undo_.reset();
  redo_.reset();
}

int SegmentView::GetLoopRange(int* first, int* start, int* end) const {
  if (items_.empty()) return 0;
  // The times where the boundaries stand now (a dragged item's handed-in time is stale).
  const auto time = [](const GraphItem& item) { return item.x - kSegmentMargin; };
  *first = time(items_.front());
  *start = *first;
  *end = time(items_.back());
  if (!selection_used_) return 0;
  bool found = false;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].selected == 0) continue;
    if (!found) {
      found = true;
      *start = time(items_[i]);
      continue;
    }
    *end = time(items_.back());
    for (size_t j = i + 1; j < items_.size(); ++j) {
      if (!IsPauseText(items_[j].text)) {
        *end = time(items_[j]);
        break;
      }
    }
  }
  return found ? 1 : 0;
}

CSegmentGraphWnd::CSegmentGraphWnd(WaveData wave) {
  view_.SetWave(std::move(wave));
  SetCursorShape(platform::Cursor::kArrow);
}

void CSegmentGraphWnd::SyncRect() { view_.SetViewRect(client_rect()); }

void CSegmentGraphWnd::SetItems(const std::vector<SegmentItem>& items) {
  SyncRect();
  view_.SetItems(items);
}

int CSegmentGraphWnd::ZoomIn() {
  const int level = view_.ZoomIn();
  if (on_zoom_changed) on_zoom_changed(level);
  return level;
}

int CSegmentGraphWnd::ZoomOut() {
  const int level = view_.ZoomOut();
  if (on_zoom_changed) on_zoom_changed(level);
  return level;
}

int CSegmentGraphWnd::ScrollMaximum(double factor) {
  SyncRect();
  return view_.ScrollMaximum(factor);
}

void CSegmentGraphWnd::SetOrigin(int origin) {
  view_.set_origin(origin);
  Invalidate();
}

bool CSegmentGraphWnd::Undo() {
  const bool done = view_.Undo();
  if (done) Invalidate();
  return done;
}

bool CSegmentGraphWnd::Redo() {
  const bool done = view_.Redo();
  if (done) Invalidate();
  return done;
}

void CSegmentGraphWnd::OnPaint(platform::Canvas& canvas) {
  SyncRect();
  view_.Paint(canvas);
}

std::optional<platform::Cursor> CSegmentGraphWnd::OnSetCursor(Point p) {
  SyncRect();
  switch (view_.HitTest(p).kind) {
    case SegmentHit::kLabel:
      return platform::Cursor::kCross;
    case SegmentHit::kBoundary:
      return platform::Cursor::kSizeWE;
    case SegmentHit::kNone:
      break;
  }
  return platform::Cursor::kArrow;
}

bool CSegmentGraphWnd::OnMouse(const platform::MouseEvent& event) {
  using Kind = platform::MouseEvent::Kind;
  SyncRect();
  if (view_.dragging()) {
    if (event.kind == Kind::kDown && event.button == platform::MouseButton::kRight) {
      FinishDrag(false, 0);
    } else if (event.kind == Kind::kMove) {
      DragStep(event.point.x);
    } else if (event.kind == Kind::kUp && event.button == platform::MouseButton::kLeft) {
      FinishDrag(true, event.point.x);
    }
    return true;
  }
  if (event.kind != Kind::kDown || event.button != platform::MouseButton::kLeft) return false;
  if ((event.modifiers & platform::kModCtrl) != 0) {
    (void)view_.ToggleSelection(event.point);
    Invalidate();
    return true;
  }
  view_.ClearSelection();
  const SegmentHitResult hit = view_.HitTest(event.point);
  Invalidate();
  if (hit.kind == SegmentHit::kBoundary) RunDrag(hit.index);
  return true;
}

bool CSegmentGraphWnd::OnKey(const platform::KeyEvent& event) {
  if (view_.dragging() && event.kind == platform::KeyEvent::Kind::kDown &&
      event.key == platform::kKeyEscape) {
    FinishDrag(false, 0);
    return true;
  }
  return false;
}

void CSegmentGraphWnd::OnCaptureLost() {
  if (view_.dragging()) FinishDrag(false, 0);
}

void CSegmentGraphWnd::DragStep(int m) {
  const int origin = view_.origin();
  const int direction = view_.DragTo(m);
  if (direction != 0) {
    const Point cursor = platform::CursorPos();
    platform::SetCursorPos({cursor.x + direction, cursor.y});
  }
  if (view_.origin() != origin && on_origin_changed) on_origin_changed(view_.origin());
  Invalidate();
}

void CSegmentGraphWnd::RunDrag(int index) {
  if (!view_.BeginDrag(index)) return;
  Rect clip = ScreenRect();
  clip.left += 4;
  clip.right -= 4;
  platform::ClipCursor(&clip);
  SetFocus();
  platform::SetCapture(this);
  drag_done_ = false;
  Invalidate();
  platform::PumpUntil([this] { return drag_done_; });
  if (platform::GetCapture() == this) platform::ReleaseCapture();
  platform::ClipCursor(nullptr);
  Invalidate();
}

void CSegmentGraphWnd::FinishDrag(bool commit, int m) {
  if (commit) {
    const int origin = view_.origin();
    view_.EndDrag(m);
    if (view_.origin() != origin && on_origin_changed) on_origin_changed(view_.origin());
  } else {
    view_.CancelDrag();
  }
  drag_done_ = true;
  Invalidate();
}

}  // namespace vtr::w2s
