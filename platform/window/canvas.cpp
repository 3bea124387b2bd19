#include "platform/window/canvas.h"

#include <algorithm>
#include <cstdio>

namespace vtr::platform {

Font DefaultDialogFont() { return Font{"MS UI Gothic", 9.0, false}; }

Image Image::Crop(const Rect& rect) const {
  Rect r = rect.Intersect(Rect{0, 0, width, height});
  Image out(r.width(), r.height(), 0);
  for (int y = 0; y < out.height; ++y) {
    for (int x = 0; x < out.width; ++x) out.set(x, y, at(r.left + x, r.top + y));
  }
  return out;
}

Region RegionFromImage(const Image& image, Color key, const Rect& area) {
  Region region;
  Rect a = area.Intersect(Rect{0, 0, image.width, image.height});
  for (int y = a.top; y < a.bottom; ++y) {
    int x = a.left;
    while (x < a.right) {
      while (x < a.right && image.at(x, y) == key) ++x;
      int start = x;
      while (x < a.right && image.at(x, y) != key) ++x;
      if (x > start) region.Add(Rect{start - a.left, y - a.top, x - a.left, y - a.top + 1});
    }
  }
  return region;
}

Image GreyedImage(const Image& image, std::optional<Color> key) {
  const int face =
      (RedOf(colors::kButtonFace) + GreenOf(colors::kButtonFace) + BlueOf(colors::kButtonFace)) / 3;
  Image out = image;
  for (Color& c : out.pixels) {
    if (key && c == *key) continue;
    const int grey = (299 * RedOf(c) + 587 * GreenOf(c) + 114 * BlueOf(c)) / 1000;
    const int faded = (grey + face) / 2;
    c = Rgb(faded, faded, faded);
  }
  return out;
}

namespace {

std::string Hex(Color c) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%06x", static_cast<unsigned>(c & 0xFFFFFF));
  return buffer;
}

std::string Corners(const Rect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Counts code points of UTF-8 text, and how many of them are wide (outside ASCII).
void CountChars(std::string_view utf8, int& narrow, int& wide) {
  narrow = wide = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) == 0x80) continue;
    if (c < 0x80) {
      ++narrow;
    } else {
      ++wide;
    }
  }
}

}  // namespace

std::string CanvasOp::ToString() const {
  switch (kind) {
    case Kind::kLine:
      return "line " + Corners(rect) + " " + Hex(color) + " w" + std::to_string(width);
    case Kind::kFillRect:
      return "fill " + Corners(rect) + " " + Hex(color);
    case Kind::kFrameRect:
      return "frame " + Corners(rect) + " " + Hex(color) + " w" + std::to_string(width);
    case Kind::kText:
      return "text " + Corners(rect) + " \"" + text + "\" " + Hex(color) +
             (background.opaque ? " on " + Hex(background.color) : "");
    case Kind::kImage:
      return "image " + std::to_string(rect.left) + "," + std::to_string(rect.top) + " " + text;
    case Kind::kPushClip:
      return "clip " + Corners(rect);
    case Kind::kPopClip:
      return "unclip";
  }
  return "";
}

bool ClipSegment(const Rect& box, Point& from, Point& to) {
  if (box.empty()) return false;
  // Liang-Barsky against the closed box [left, right - 1] x [top, bottom - 1].
  const double x0 = from.x, y0 = from.y;
  const double dx = static_cast<double>(to.x) - from.x, dy = static_cast<double>(to.y) - from.y;
  const double xmin = box.left, xmax = box.right - 1, ymin = box.top, ymax = box.bottom - 1;
  double t0 = 0.0, t1 = 1.0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  auto clamp_x = [&](double v) { return static_cast<int>(std::clamp(v + 0.5, xmin, xmax)); };
  auto clamp_y = [&](double v) { return static_cast<int>(std::clamp(v + 0.5, ymin, ymax)); };
  const Point a{clamp_x(x0 + t0 * dx), clamp_y(y0 + t0 * dy)};
  const Point b{clamp_x(x0 + t1 * dx), clamp_y(y0 + t1 * dy)};
  from = a;
  to = b;
  return true;
}

void Canvas::Line(Point from, Point to, Color color, int width) {
  width = std::clamp(width, 1, 2);
  // A 2-pixel line reaches one pixel beside its path; widen the box by that pixel so the
  // clipped line still covers every visible pixel.
  if (!ClipSegment(clip().Inflate(width - 1, width - 1), from, to)) return;
  DoLine(from, to, color, width);
}

void Canvas::FillRect(const Rect& rect, Color color) {
  Rect r = rect.Intersect(clip());
  if (r.empty()) return;
  DoFillRect(r, color);
}

void Canvas::FrameRect(const Rect& rect, Color color, int width) {
  if (rect.empty()) return;
  width = std::max(1, std::min({width, rect.width(), rect.height()}));
  FillRect(Rect{rect.left, rect.top, rect.right, rect.top + width}, color);
  FillRect(Rect{rect.left, rect.bottom - width, rect.right, rect.bottom}, color);
  FillRect(Rect{rect.left, rect.top + width, rect.left + width, rect.bottom - width}, color);
  FillRect(Rect{rect.right - width, rect.top + width, rect.right, rect.bottom - width}, color);
}

void Canvas::Text(const Rect& rect, std::string_view utf8, const Font& font, Color color,
                  uint32_t format, TextBackground background) {
  if (utf8.empty() && !background.opaque) return;
  const Rect visible = (format & kTextNoClip) ? rect : rect.Intersect(clip());
  if (visible.empty() || rect.Intersect(clip()).empty()) return;
  // Far-off text rectangles are brought near the clip; the text keeps its place inside them
  // only when it is visible at all, so the shift never shows.
  Rect r = rect;
  const Rect near = clip().Inflate(4096, 4096);
  r.left = std::max(r.left, near.left);
  r.top = std::max(r.top, near.top);
  r.right = std::min(r.right, near.right);
  r.bottom = std::min(r.bottom, near.bottom);
  const bool clip_it =
      !(format & kTextNoClip) && !(r.left >= clip().left && r.top >= clip().top &&
                                   r.right <= clip().right && r.bottom <= clip().bottom);
  if (clip_it) PushClip(rect);
  DoText(r, utf8, font, color, format, background);
  if (clip_it) PopClip();
}

void Canvas::DrawImage(Point at, const Image& image, std::optional<Color> key) {
  if (image.empty()) return;
  const Rect placed = Rect::FromSize(at.x, at.y, image.width, image.height);
  const Rect visible = placed.Intersect(clip());
  if (visible.empty()) return;
  const Rect source = visible.Offset(-at.x, -at.y);
  DoImage(Point{visible.left, visible.top}, image, source, key);
}

void Canvas::PushClip(const Rect& rect) {
  Rect r = rect.Intersect(clip());
  clip_.push_back(r);
  DoPushClip(r);
}

void Canvas::PopClip() {
  if (clip_.size() <= 1) return;  // unbalanced: the bounds stay
  clip_.pop_back();
  DoPopClip();
}

Size Canvas::MeasureText(std::string_view utf8, const Font& font) {
  int narrow = 0, wide = 0;
  CountChars(utf8, narrow, wide);
  const double em = font.points * 96.0 / 72.0;
  // NOLINTBEGIN(bugprone-incorrect-roundings): kept exactly, layouts and screenshots rest on it
  return Size{static_cast<int>(narrow * em * 0.55 + wide * em + 0.5),
              static_cast<int>(em * 1.25 + 0.5)};
  // NOLINTEND(bugprone-incorrect-roundings)
}

std::vector<std::string> RecordingCanvas::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(ops_.size());
  for (const CanvasOp& op : ops_) lines.push_back(op.ToString());
  return lines;
}

void RecordingCanvas::DoLine(Point from, Point to, Color color, int width) {
  CanvasOp op;
  op.kind = CanvasOp::Kind::kLine;
  op.rect = Rect{from.x, from.y, to.x, to.y};
  op.color = color;
  op.width = width;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::DoFillRect(const Rect& rect, Color color) {
  CanvasOp op;
  op.kind = CanvasOp::Kind::kFillRect;
  op.rect = rect;
  op.color = color;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::DoText(const Rect& rect, std::string_view utf8, const Font& font, Color color,
                             uint32_t format, TextBackground background) {
  CanvasOp op;
  op.kind = CanvasOp::Kind::kText;
  op.rect = rect;
  op.text = std::string(utf8);
  op.font = font;
  op.color = color;
  op.format = format;
  op.background = background;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::DoImage(Point at, const Image& image, const Rect& source,
                              std::optional<Color> key) {
  (void)image;
  CanvasOp op;
  op.kind = CanvasOp::Kind::kImage;
  op.rect = Rect{at.x, at.y, at.x + source.width(), at.y + source.height()};
  op.text = std::to_string(source.width()) + "x" + std::to_string(source.height());
  op.key = key;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::DoPushClip(const Rect& rect) {
  CanvasOp op;
  op.kind = CanvasOp::Kind::kPushClip;
  op.rect = rect;
  ops_.push_back(std::move(op));
}

void RecordingCanvas::DoPopClip() {
  CanvasOp op;
  op.kind = CanvasOp::Kind::kPopClip;
  ops_.push_back(std::move(op));
}

}  // namespace vtr::platform
