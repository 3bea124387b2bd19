// Drawing: fonts, images and the canvas a window paints on.
//
// A window paints through a Canvas in its own client coordinates. The canvas clips every
// operation to the area being painted before it reaches a backend, so callers may pass far-off
// coordinates (a graph scrolled two million units away) without harm. Painting is double
// buffered by the backends: what a paint handler draws appears at once, never piece by piece.
//
// The headless backend paints into a RecordingCanvas, whose list of operations tests assert:
//
//   vtr::platform::RecordingCanvas canvas(vtr::platform::Rect{0, 0, 100, 50});
//   canvas.FillRect({0, 0, 100, 50}, vtr::platform::colors::kWhite);
//   canvas.Line({0, 10}, {3000000, 10}, 0xC0C0C0, 1);  // reaches the canvas as (0,10)-(100,10)
//   canvas.ops()[1].ToString();                          // "line 0,10 100,10 c0c0c0 w1"
#ifndef VTR_PLATFORM_WINDOW_CANVAS_H_
#define VTR_PLATFORM_WINDOW_CANVAS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/geometry.h"

namespace vtr::platform {

// A font by family name (as the dialogs name it, e.g. "MS ゴシック") and size in points; the
// backends map the family onto an installed font that can show Japanese text.
struct Font {
  std::string family;
  double points = 9.0;  // [pt], fractional sizes allowed (8.5)
  bool bold = false;
  friend bool operator==(const Font&, const Font&) = default;
};

// The font of dialogs unless a template names another.
Font DefaultDialogFont();

// An image of width x height pixels, row by row from the top, each pixel a Color.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Color> pixels;

  Image() = default;
  Image(int w, int h, Color fill) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  bool empty() const { return width <= 0 || height <= 0; }
  Color at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  void set(int x, int y, Color c) {
    if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y) * width + x] = c;
  }
  // The part of the image inside `rect` (clipped to the image).
  Image Crop(const Rect& rect) const;
};

// A region made of every pixel of `image` (or of its part `area`) whose colour differs from
// `key`, row by row as 1-pixel-high runs; coordinates relative to the top-left of `area`.
Region RegionFromImage(const Image& image, Color key, const Rect& area);

// The image as a disabled control shows it: every pixel but those of colour `key` turned to
// its grey level, faded halfway towards the grey of the button face, so no colour is left.
Image GreyedImage(const Image& image, std::optional<Color> key);

// Horizontal and vertical placement of text in its rectangle.
enum TextFormat : uint32_t {
  kTextLeft = 0,
  kTextCenter = 1u << 0,
  kTextRight = 1u << 1,
  kTextTop = 0,
  kTextVCenter = 1u << 2,
  kTextBottom = 1u << 3,
  kTextSingleLine = 1u << 4,  // no line breaks; '\n' shown as nothing
  kTextNoClip = 1u << 5,      // text may spill out of its rectangle
};

// Background of text: transparent, or filled with `color` behind the glyphs' rectangle.
struct TextBackground {
  bool opaque = false;
  Color color = colors::kWhite;
};

// One recorded drawing operation (RecordingCanvas), coordinates after clipping.
struct CanvasOp {
  enum class Kind { kLine, kFillRect, kFrameRect, kText, kImage, kPushClip, kPopClip };
  Kind kind = Kind::kLine;
  Rect rect;  // line: left/top = first point, right/bottom = second point
  Color color = 0;
  int width = 1;        // line and frame width [px]
  std::string text;     // text: the UTF-8 text; image: "WxH"
  Font font;            // text
  uint32_t format = 0;  // text
  TextBackground background;
  std::optional<Color> key;  // image colour key
  // Compact form for assertions: "line 0,10 100,10 c0c0c0 w1", "fill 0,0 100,50 ffffff",
  // "frame 1,1 9,9 000000 w1", "text 3,4 28,19 \"か\" 000000", "image 5,6 8x8", "clip 0,0 9,9",
  // "unclip". Colours are printed as 0xBBGGRR.
  std::string ToString() const;
};

// Where a window paints. Every public call clips and then forwards to the backend's Do*
// functions; subclasses implement only those.
class Canvas {
 public:
  explicit Canvas(const Rect& bounds) : clip_{bounds} {}
  virtual ~Canvas() = default;
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // A line of `width` 1 or 2 pixels from `from` to `to` (both ends drawn).
  void Line(Point from, Point to, Color color, int width = 1);
  void FillRect(const Rect& rect, Color color);
  // The outline of `rect`, `width` pixels thick, inside the rectangle.
  void FrameRect(const Rect& rect, Color color, int width = 1);
  // Text inside `rect`, placed by `format`; clipped to `rect` unless kTextNoClip.
  void Text(const Rect& rect, std::string_view utf8, const Font& font, Color color, uint32_t format,
            TextBackground background = {});
  // The image with its top-left at `at`; pixels of colour `key` are not drawn.
  void DrawImage(Point at, const Image& image, std::optional<Color> key = std::nullopt);
  // Restricts drawing to the common part of `rect` and the current clip; balanced by PopClip.
  void PushClip(const Rect& rect);
  void PopClip();
  const Rect& clip() const { return clip_.back(); }

  // Size of `utf8` drawn on one line in `font` [px]. Backends measure; the default estimates.
  virtual Size MeasureText(std::string_view utf8, const Font& font);

 protected:
  virtual void DoLine(Point from, Point to, Color color, int width) = 0;
  virtual void DoFillRect(const Rect& rect, Color color) = 0;
  virtual void DoText(const Rect& rect, std::string_view utf8, const Font& font, Color color,
                      uint32_t format, TextBackground background) = 0;
  // Draws the part `source` of `image` at `at` (already clipped).
  virtual void DoImage(Point at, const Image& image, const Rect& source,
                       std::optional<Color> key) = 0;
  virtual void DoPushClip(const Rect& rect) = 0;
  virtual void DoPopClip() = 0;

 private:
  std::vector<Rect> clip_;
};

// Clips the segment to `box` (Liang-Barsky on 64-bit values); false when nothing is left.
// `box` is half open; the clipped ends lie inside it.
[[nodiscard]] bool ClipSegment(const Rect& box, Point& from, Point& to);

// A canvas that records what was drawn, for tests and the headless backend.
class RecordingCanvas : public Canvas {
 public:
  explicit RecordingCanvas(const Rect& bounds) : Canvas(bounds) {}
  const std::vector<CanvasOp>& ops() const { return ops_; }
  // Every operation's ToString(), one per element.
  std::vector<std::string> Lines() const;

 protected:
  void DoLine(Point from, Point to, Color color, int width) override;
  void DoFillRect(const Rect& rect, Color color) override;
  void DoText(const Rect& rect, std::string_view utf8, const Font& font, Color color,
              uint32_t format, TextBackground background) override;
  void DoImage(Point at, const Image& image, const Rect& source, std::optional<Color> key) override;
  void DoPushClip(const Rect& rect) override;
  void DoPopClip() override;

 private:
  std::vector<CanvasOp> ops_;
};

}  // namespace vtr::platform

#endif  // VTR_PLATFORM_WINDOW_CANVAS_H_
