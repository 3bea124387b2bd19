// Points, rectangles, colours and regions shared by every part of the window layer.
//
// Colours are written the way the dialogs name them: 0x00BBGGRR (blue in the high byte, red in
// the low byte), so a swatch colour such as 0x6666FF is a light red. Rgb() builds one from its
// parts. Rectangles are half open: `right` and `bottom` lie one past the last pixel.
//
//   vtr::platform::Rect box{3, 4, 28, 19};
//   bool inside = box.Contains({10, 10});           // true
//   vtr::platform::Color pink = vtr::platform::Rgb(0xFF, 0xB7, 0x93);
#ifndef VTR_PLATFORM_WINDOW_GEOMETRY_H_
#define VTR_PLATFORM_WINDOW_GEOMETRY_H_

#include <cstdint>
#include <vector>

namespace vtr::platform {

using Color = uint32_t;  // 0x00BBGGRR

constexpr Color Rgb(int red, int green, int blue) {
  return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

namespace colors {
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kButtonFace = Rgb(0xEC, 0xE9, 0xD8);  // face of buttons and dialogs
inline constexpr Color kShadow = Rgb(0xA0, 0xA0, 0xA0);
inline constexpr Color kGrayText = Rgb(0x80, 0x80, 0x80);
}  // namespace colors

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  static constexpr Rect FromSize(int x, int y, int width, int height) {
    return Rect{x, y, x + width, y + height};
  }
  constexpr int width() const { return right - left; }
  constexpr int height() const { return bottom - top; }
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr bool Contains(Point p) const {
    return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
  }
  constexpr Rect Offset(int dx, int dy) const {
    return Rect{left + dx, top + dy, right + dx, bottom + dy};
  }
  constexpr Rect Inflate(int dx, int dy) const {
    return Rect{left - dx, top - dy, right + dx, bottom + dy};
  }
  // Common part; an empty rectangle when they do not meet.
  Rect Intersect(const Rect& other) const;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// `rect` moved (not resized) to lie inside `area`; when it is larger, its top left corner stays
// inside (a window's caption and close box remain reachable).
Rect KeepInside(const Rect& rect, const Rect& area);

// An area made of rectangles (a window shape). An empty region means "no shape": the whole
// rectangle of the window counts.
class Region {
 public:
  Region() = default;
  void Add(const Rect& rect) {
    if (!rect.empty()) rects_.push_back(rect);
  }
  bool empty() const { return rects_.empty(); }
  bool Contains(Point p) const;
  const std::vector<Rect>& rects() const { return rects_; }
  // Smallest rectangle holding every part.
  Rect Bounds() const;

 private:
  std::vector<Rect> rects_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_GEOMETRY_H_
