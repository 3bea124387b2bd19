#include "platform/window/geometry.h"

#include <algorithm>

namespace vtr::platform {

Rect Rect::Intersect(const Rect& other) const {
  Rect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
         std::min(bottom, other.bottom)};
  if (r.empty()) return Rect{};
  return r;
}

Rect KeepInside(const Rect& rect, const Rect& area) {
  const int x = std::max(area.left, std::min(rect.left, area.right - rect.width()));
  const int y = std::max(area.top, std::min(rect.top, area.bottom - rect.height()));
  return rect.Offset(x - rect.left, y - rect.top);
}

bool Region::Contains(Point p) const {
  return std::any_of(rects_.begin(), rects_.end(), [p](const Rect& r) { return r.Contains(p); });
}

Rect Region::Bounds() const {
  if (rects_.empty()) return Rect{};
  Rect b = rects_.front();
  for (const Rect& r : rects_) {
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, r.bottom);
  }
  return b;
}

}  // namespace vtr::platform
