// The lists: the drop-down list and the report list view.
#include <algorithm>

#include "platform/window/controls.h"

namespace vtr::platform {

// ComboBox --------------------------------------------------------------------------------

int ComboBox::AddString(std::string_view utf8) { return InsertString(-1, utf8); }

int ComboBox::InsertString(int index, std::string_view utf8) {
  if (index < 0 || index > count()) index = count();
  items_.insert(items_.begin() + index, std::string(utf8));
  if (cur_sel_ >= index) ++cur_sel_;
  Changed();
  return index;
}

bool ComboBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return false;
  items_.erase(items_.begin() + index);
  if (cur_sel_ == index) {
    cur_sel_ = -1;
  } else if (cur_sel_ > index) {
    --cur_sel_;
  }
  Changed();
  return true;
}

void ComboBox::ResetContent() {
  items_.clear();
  cur_sel_ = -1;
  Changed();
}

bool ComboBox::SetCurSel(int index) {
  const bool valid = index >= -1 && index < count();
  cur_sel_ = valid ? index : -1;
  Window::SetText(cur_sel_ >= 0 ? items_[static_cast<size_t>(cur_sel_)] : std::string());
  Changed();
  return valid && index >= 0;
}

void ComboBox::UserSelect(int index) {
  if (!IsEnabled() || index < 0 || index >= count() || index == cur_sel_) return;
  (void)SetCurSel(index);
  Notify(Notice::kSelChange);
}

bool ComboBox::OnKey(const KeyEvent& event) {
  if (event.kind != KeyEvent::Kind::kDown) return false;
  if (event.key == kKeyUp) {
    UserSelect(std::max(0, cur_sel_ - 1));
    return true;
  }
  if (event.key == kKeyDown) {
    UserSelect(std::min(count() - 1, cur_sel_ + 1));
    return true;
  }
  return false;
}

// ListView --------------------------------------------------------------------------------

ListView::ListView() : Control(ControlKind::kListView) {
  bar_ = static_cast<ScrollBar*>(AddChild(std::make_unique<ScrollBar>(true), 0, Rect{}));
  bar_->Show(false);
}

int ListView::VisibleRows() const {
  return std::max(1, (rect().height() - kRowHeight) / kRowHeight);
}

void ListView::ScrollTo(int first) {
  const int rows = VisibleRows();
  first_visible_ = std::clamp(first, 0, std::max(0, item_count() - rows));
  const bool needed = item_count() > rows;
  bar_->SetRect(
      Rect{rect().width() - kScrollBarWidth, kRowHeight, rect().width(), rect().height()});
  bar_->SetRange(0, std::max(0, item_count() - rows));
  bar_->SetPage(rows);
  bar_->SetPos(first_visible_);
  if (bar_->visible() != needed) bar_->Show(needed);
  Invalidate();
}

void ListView::OnScroll(int id, ScrollCode code, int pos) {
  if (id != bar_->id()) return;
  switch (code) {
    case ScrollCode::kLineUp:
      ScrollTo(first_visible_ - 1);
      break;
    case ScrollCode::kLineDown:
      ScrollTo(first_visible_ + 1);
      break;
    case ScrollCode::kPageUp:
      ScrollTo(first_visible_ - VisibleRows());
      break;
    case ScrollCode::kPageDown:
      ScrollTo(first_visible_ + VisibleRows());
      break;
    case ScrollCode::kThumbTrack:
    case ScrollCode::kThumbPosition:
      ScrollTo(pos);
      break;
    case ScrollCode::kTop:
      ScrollTo(0);
      break;
    case ScrollCode::kBottom:
      ScrollTo(item_count());
      break;
    case ScrollCode::kEndScroll:
      break;
  }
}

int ListView::InsertColumn(int index, std::string_view text, int width, uint32_t format) {
  if (index < 0 || index > static_cast<int>(columns_.size()))
    index = static_cast<int>(columns_.size());
  columns_.insert(columns_.begin() + index, Column{std::string(text), width, format});
  for (auto& row : rows_) {
    if (static_cast<int>(row.size()) >= index) row.insert(row.begin() + index, std::string());
  }
  Invalidate();
  return index;
}

int ListView::InsertItem(int index, std::string_view text) {
  if (index < 0 || index > item_count()) index = item_count();
  std::vector<std::string> row(std::max<size_t>(1, columns_.size()));
  row[0] = std::string(text);
  rows_.insert(rows_.begin() + index, std::move(row));
  if (selected_ >= index) ++selected_;
  ScrollTo(first_visible_);
  return index;
}

bool ListView::SetItemText(int row, int column, std::string_view text) {
  if (row < 0 || row >= item_count() || column < 0) return false;
  auto& cells = rows_[static_cast<size_t>(row)];
  if (column >= static_cast<int>(cells.size())) {
    if (column >= static_cast<int>(std::max<size_t>(1, columns_.size()))) return false;
    cells.resize(static_cast<size_t>(column) + 1);
  }
  cells[static_cast<size_t>(column)] = std::string(text);
  Invalidate();
  return true;
}

std::string ListView::ItemText(int row, int column) const {
  if (row < 0 || row >= item_count() || column < 0) return {};
  const auto& cells = rows_[static_cast<size_t>(row)];
  return column < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(column)]
                                                 : std::string();
}

void ListView::DeleteAllItems() {
  rows_.clear();
  selected_ = -1;
  ScrollTo(0);
}

void ListView::SetSelected(int row) {
  selected_ = (row >= 0 && row < item_count()) ? row : -1;
  Invalidate();
}

void ListView::UserSelect(int row) {
  if (!IsEnabled() || row < 0 || row >= item_count() || row == selected_) return;
  SetSelected(row);
  Notify(Notice::kSelChange);
}

bool ListView::OnMouse(const MouseEvent& event) {
  if (event.kind == MouseEvent::Kind::kWheel) {
    ScrollTo(first_visible_ - event.wheel_delta / 40);
    return true;
  }
  if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kLeft &&
      event.point.y >= kRowHeight) {
    UserSelect(first_visible_ + (event.point.y - kRowHeight) / kRowHeight);
    return true;
  }
  return false;
}

void ListView::OnPaint(Canvas& canvas) {
  const Rect r = client_rect();
  canvas.FillRect(r, colors::kWhite);
  int x = 0;
  for (const Column& column : columns_) {
    const Rect head{x, 0, x + column.width, kRowHeight};
    PaintButtonFace(canvas, head, false);
    canvas.Text(head.Inflate(-4, 0), column.text, font(), colors::kBlack,
                column.format | kTextVCenter | kTextSingleLine);
    x += column.width;
  }
  int y = kRowHeight;
  for (int row = first_visible_; row < item_count() && y < r.bottom; ++row, y += kRowHeight) {
    const bool selected = row == selected_;
    if (selected) canvas.FillRect(Rect{0, y, r.right, y + kRowHeight}, Rgb(0x31, 0x6A, 0xC5));
    x = 0;
    for (size_t c = 0; c < columns_.size(); ++c) {
      const Rect cell{x + 4, y, x + columns_[c].width - 2, y + kRowHeight};
      canvas.Text(cell, ItemText(row, static_cast<int>(c)), font(),
                  selected ? colors::kWhite : colors::kBlack,
                  columns_[c].format | kTextVCenter | kTextSingleLine);
      x += columns_[c].width;
    }
  }
  canvas.FrameRect(r, colors::kShadow, 1);
}

}  // namespace vtr::platform
